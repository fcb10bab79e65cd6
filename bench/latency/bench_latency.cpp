// Value to screen: the console simulator writes a channel value on a pseudo-terminal, the program
// reads it through the real serial line, and the time until the fixtures grid has painted it is
// taken, 200 times at moments spread over the line's frame. Target: every value on screen within
// 20 ms of its arrival.

#include "ScreenLatency.h"
#include "SimulatorLink.h"
#include "views/fixtures/frmFixtures2.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {
constexpr int Samples = 200;
constexpr double TargetMs = 20.0;
} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir settingsDir;
    qputenv("LVMONITOR_SETTINGS", QDir(settingsDir.path()).filePath("bench.ini").toUtf8());
    QApplication app(argc, argv);

    ConsoleSimulator sim({.seed = 3, .pacing = false, .rate = 0});
    frmMain main;
    if (!linkUp(sim, main)) {
        std::printf("no link with the simulator\n");
        return 1;
    }
    main.findChild<QAction*>("mnuFixtures")->trigger();
    auto* view = main.findChild<frmFixtures2*>("frmFixtures2");
    const int fixture = firstFixtureWithChannels(sim.rig());
    if (!view || fixture < 0 || !QTest::qWaitFor([&] { return view->FixtureRow(fixture) > 0; })) {
        std::printf("the fixtures view shows no fixture\n");
        return 1;
    }
    auto* grid = view->findChild<Grid*>();
    const int row = view->FixtureRow(fixture) + 1;
    if (!settledOnRig(sim.rig(), *grid, fixture, row)) {
        std::printf("the fixture's values did not arrive\n");
        return 1;
    }
    CellPaintWatch watch(*grid, row, 2);

    std::vector<double> times;
    for (int i = 0; i < Samples; ++i) {
        const quint8 value = newValue(*grid, row, i * 37 + 1);
        const double ms =
            watch.measure(sim, Encoder::frame(8, Encoder::channelValue(quint8(fixture), 0, value)),
                          QString::number(value) + QLatin1Char(' '), 1000);
        if (ms < 0) {
            std::printf("value %d never reached the screen\n", value);
            return 1;
        }
        times.push_back(ms);
        QTest::qWait(int(QRandomGenerator::global()->bounded(40)));
    }
    std::sort(times.begin(), times.end());
    const double slowest = times.back();
    std::printf("value to screen over %d values: median %.1f ms, 95%% %.1f ms, slowest %.1f ms "
                "(target <= %.0f ms: %s)\n",
                Samples, times[times.size() / 2], times[times.size() * 95 / 100], slowest, TargetMs,
                slowest <= TargetMs ? "met" : "MISSED");
    return slowest <= TargetMs ? 0 : 1;
}
