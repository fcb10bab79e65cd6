// A value the console sends is on screen within a frame: measured here from the simulator's
// write to the painted cell, through the real serial line, with a bound generous enough for a
// sanitizer build on a busy machine (bench_latency gives the real figure).

#include "ScreenLatency.h"
#include "SimulatorLink.h"
#include "views/fixtures/frmFixtures2.h"

#include <QAction>
#include <QTest>

#include <algorithm>

class tst_E2eLatency : public QObject
{
    Q_OBJECT

private slots:
    void aValueIsPaintedSoonAfterItArrives();
};

void tst_E2eLatency::aValueIsPaintedSoonAfterItArrives()
{
    ConsoleSimulator sim({.seed = 3, .pacing = false, .rate = 0});
    frmMain main;
    QVERIFY(linkUp(sim, main));
    main.findChild<QAction*>("mnuFixtures")->trigger();
    auto* view = main.findChild<frmFixtures2*>("frmFixtures2");
    QVERIFY(view);
    const int fixture = firstFixtureWithChannels(sim.rig());
    QVERIFY(fixture >= 0);
    QTRY_VERIFY_WITH_TIMEOUT(view->FixtureRow(fixture) > 0, 5000);
    auto* grid = view->findChild<Grid*>();
    QVERIFY(QTest::qWaitForWindowExposed(grid));
    const int row = view->FixtureRow(fixture) + 1;
    QVERIFY(settledOnRig(sim.rig(), *grid, fixture, row));
    CellPaintWatch watch(*grid, row, 2);

    std::vector<double> times;
    for (int i = 0; i < 15; ++i) {
        const quint8 value = newValue(*grid, row, 17 * i + 3);
        const double ms =
            watch.measure(sim, Encoder::frame(8, Encoder::channelValue(quint8(fixture), 0, value)),
                          QString::number(value) + QLatin1Char(' '), 2000);
        QVERIFY2(ms >= 0, "the value never reached the screen");
        times.push_back(ms);
        QTest::qWait(7 * (i % 3)); // arrive at different moments of the line's frame
    }
    std::sort(times.begin(), times.end());
    qInfo("value to screen: median %.1f ms, slowest %.1f ms", times[times.size() / 2],
          times.back());
    QVERIFY2(times[times.size() / 2] < 100, "a value takes far longer than a frame to show");
}

QTEST_MAIN(tst_E2eLatency)
#include "tst_e2e_latency.moc"
