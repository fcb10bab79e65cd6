// The program on a Wayland compositor (run by tools/with-weston.sh under a headless weston):
// it links up with the simulated console over a pty, and the fixtures grid shows a value the
// console sends and one it sends later.

#include "ScreenLatency.h"
#include "SimulatorLink.h"
#include "views/fixtures/frmFixtures2.h"

#include <QAction>
#include <QGuiApplication>
#include <QTest>

class tst_Wayland : public QObject
{
    Q_OBJECT
private slots:
    void fixturesGridFollowsTheConsole();
};

void tst_Wayland::fixturesGridFollowsTheConsole()
{
    QCOMPARE(QGuiApplication::platformName(), QStringLiteral("wayland"));
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
    const quint8 value = newValue(*grid, row, 201);
    QVERIFY(watch.measure(sim, Encoder::frame(8, Encoder::channelValue(quint8(fixture), 0, value)),
                          QString::number(value) + QLatin1Char(' '), 5000) >= 0);
}

QTEST_MAIN(tst_Wayland)
#include "tst_wayland.moc"
