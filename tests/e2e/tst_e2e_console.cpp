// The program against the simulated console over a real serial line (a pty): the status bar
// through the speed search down to 1200 bit/s, the data load compared field by field with what the
// console holds, a channel value going round, the views marked offline while the console is gone
// and live again once the program has reconnected by itself, and the command line that connects
// at once; and a recording made on a live link, played back by the simulator.

#include "ConsoleSimulator.h"
#include "SimulatorLink.h"
#include "controls/Grid.h"
#include "link/Commands.h"
#include "shell/LinkStatusBar.h"
#include "shell/MonitorView.h"
#include "shell/frmMain.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

constexpr int kTimeoutMs = 10000;

// The console's text fields as the program should show them (the rig uses no bytes whose
// Windows-1252 character differs from Latin-1).
QString text(const QByteArray& bytes)
{
    return QString::fromLatin1(bytes);
}

QString field(frmMain& main, const char* name)
{
    return main.linkStatusBar()->findChild<QLabel*>(QString::fromLatin1(name))->text();
}

// Every cell of the view's grid as the user reads it: text, and "?" where it is drawn as not yet
// confirmed.
QStringList shown(MonitorView* view)
{
    const Grid* grid = view->findChild<Grid*>();
    QStringList cells;
    for (int row = 1; row <= grid->rows(); ++row)
        for (int column = 1; column <= grid->columns(); ++column) {
            const QModelIndex at = grid->model()->index(row - 1, column - 1);
            cells << grid->cellText(row, column) +
                         (at.data(Qt::ForegroundRole).isValid() ? QStringLiteral("?") : QString());
        }
    return cells;
}

} // namespace

class tst_E2eConsole : public QObject
{
    Q_OBJECT
private slots:
    void init() { QFile::remove(qEnvironmentVariable("LVMONITOR_SETTINGS")); }
    void cleanup() { qunsetenv("LVMONITOR_COM1"); }
    void statusBarFollowsTheSpeedSearchDownTo1200();
    void dataLoadMatchesTheConsoleFieldByField_data();
    void dataLoadMatchesTheConsoleFieldByField();
    void channelValueGoesRoundTheConsole();
    void viewsGoOfflineAndTheProgramReconnects();
    void commandLineConnectsToTheGivenPort();
    void replayOfARecordingBegunOnALiveLinkGivesItsRecords();
};

// The speed search goes down to the console's 1200 bit/s, with 7 data bits there, then the line
// is set back to 38400,n,8,1; the start-up window goes as the data arrive.
void tst_E2eConsole::statusBarFollowsTheSpeedSearchDownTo1200()
{
    SimulatorOptions paced = quiet(1200, 3);
    paced.pacing = true;
    ConsoleSimulator sim(paced);
    QVERIFY(sim.openPty());
    qputenv("LVMONITOR_COM1", sim.devicePath().toLocal8Bit());
    frmMain main;
    main.show();
    QCOMPARE(field(main, "lblStatusLink"), QStringLiteral("Not connected"));
    QCOMPARE(field(main, "lblStatusLine"), QStringLiteral("port closed"));
    // What the bar says at each change of the link, the line settings in force beside it.
    QStringList seen;
    connect(&main.session(), &Session::linkStateChanged, this, [&] {
        seen << field(main, "lblStatusLink") + QStringLiteral(" | ") + field(main, "lblStatusLine");
    });
    main.Connect();
    QCOMPARE(field(main, "lblStatusDevice"), sim.devicePath());
    QTRY_COMPARE_WITH_TIMEOUT(field(main, "lblStatusLink"), QStringLiteral("Connected"),
                              kTimeoutMs);
    QCOMPARE(seen,
             (QStringList{"Searching at 38400 | 38400 8-N-1", "Searching at 19200 | 19200 8-N-1",
                          "Searching at 1200 | 1200 7-N-1", "Connected | 38400 8-N-1"}));
    QTRY_VERIFY_WITH_TIMEOUT(!main.startup()->isVisible(), 3000);
    QTRY_COMPARE_WITH_TIMEOUT(field(main, "lblStatusConsole"), QStringLiteral("standard format"),
                              3000);
    QTRY_VERIFY_WITH_TIMEOUT(
        field(main, "lblStatusMessages").endsWith(QLatin1String(" messages")) &&
            field(main, "lblStatusMessages") != QLatin1String("0 messages"),
        5000);
    QCOMPARE(field(main, "lblStatusLast"), QStringLiteral("last under 1 s ago"));
}

void tst_E2eConsole::dataLoadMatchesTheConsoleFieldByField_data()
{
    QTest::addColumn<bool>("extended");
    QTest::newRow("standard console") << false;
    QTest::newRow("extended console") << true;
}

void tst_E2eConsole::dataLoadMatchesTheConsoleFieldByField()
{
    QFETCH(bool, extended);
    ConsoleSimulator sim(quiet(38400, 3, extended));
    frmMain main;
    QVERIFY(linkUp(sim, main));
    const SharedState& s = main.state();
    const Rig& rig = sim.rig();
    QCOMPARE(s.ExtendedFormat, extended);

    int defined = 0, patched = 0;
    for (int n = 0; n < SharedState::FixtureCount; ++n) {
        const RigFixture& want = rig.fixture(n);
        const Fixture& got = s.Fixtures[n];
        QCOMPARE(int(got.FixtType()), int(want.type));
        if (want.isEmpty())
            continue;
        ++defined;
        QCOMPARE(int(got.Profile()), int(want.profile));
        QCOMPARE(int(got.FMaxCh()), std::min(want.channelCount(), 32));
        QCOMPARE(got.FixtName(), text(want.name));
        if (!want.channelNames.isEmpty())
            QCOMPARE(got.ChName(qint16(want.channelNames.size() - 1)),
                     text(want.channelNames.last()));
        QCOMPARE(int(s.DmxFixtureMap[want.dmxAddr + got.FMaxCh() - 1]), n);
    }
    for (const RigProfile& want : rig.profiles()) {
        const Profile* got = s.findProfile(want.number);
        QVERIFY(got);
        for (int k = 0; k < want.channels.size(); ++k) {
            const auto& steps = want.channels[k].steps;
            QCOMPARE(int(got->StepsPer(qint16(k))), int(steps.size()));
            if (!steps.isEmpty())
                QCOMPARE(got->StepName(qint16(k), qint16(steps.size() - 1)),
                         text(steps.last().name));
        }
    }
    for (int d = 0; d < SharedState::DimmerCount; ++d) {
        const RigDimmer& want = rig.dimmer(d);
        QCOMPARE(s.Dimmers[d].DimmerPatched(), want.patched);
        if (!want.patched)
            continue;
        ++patched;
        QCOMPARE(s.Dimmers[d].DimmerName(), text(want.name));
        QCOMPARE(int(s.Dimmers[d].DimmerLevel()), int(want.level));
        QCOMPARE(int(s.DmxDimmerMap[want.dmxAddr]), d);
    }
    QVERIFY(defined >= 10 && patched >= 20);
}

void tst_E2eConsole::channelValueGoesRoundTheConsole()
{
    ConsoleSimulator sim(quiet(38400, 3));
    frmMain main;
    QVERIFY(linkUp(sim, main));
    int f = 0;
    while (sim.rig().fixture(f).isEmpty() || sim.rig().fixture(f).channelCount() < 2)
        ++f;
    // The value A5 is the start byte; the console must still take it as a value.
    main.MSComm1().Output(Commands::ChannelValue(quint8(f), 1, 0xA5));
    main.MSComm1().Output(Commands::ChannelValue(quint8(f), 0, 0x11));
    QTRY_COMPARE_WITH_TIMEOUT(int(main.state().Fixtures[f].chval(1)), 0xA5, 5000);
    QTRY_COMPARE_WITH_TIMEOUT(int(main.state().Fixtures[f].chval(0)), 0x11, 5000);
    QCOMPARE(int(quint8(sim.rig().fixture(f).values[1])), 0xA5);
}

void tst_E2eConsole::viewsGoOfflineAndTheProgramReconnects()
{
    // The program opens a fixed path; the console behind it goes and another comes back, as a
    // USB adapter does when it is pulled and plugged into another desk.
    QTemporaryDir dir;
    const QString link = QDir(dir.path()).filePath(QStringLiteral("console"));
    auto first = std::make_unique<ConsoleSimulator>(quiet());
    QVERIFY(first->openPty());
    QVERIFY(QFile::link(first->devicePath(), link));
    qputenv("LVMONITOR_COM1", link.toLocal8Bit());
    frmMain main;
    main.show();
    QSignalSpy loaded(first.get(), &ConsoleSimulator::dataLoadSent);
    main.Connect();
    QVERIFY(loaded.wait(kTimeoutMs));
    MonitorView* view = main.showView(ViewId::Fixtures);
    MonitorView* dimmers = main.showView(ViewId::Dimmers);
    QVERIFY(view && dimmers);
    QCOMPARE(view->subWindow()->windowTitle(), QStringLiteral("Fixtures"));
    Grid* grid = view->findChild<Grid*>();
    QVERIFY(!grid->dimmed());
    QTRY_VERIFY_WITH_TIMEOUT(grid->rows() > 0, 5000);
    const QString firstHeader = grid->cellText(1, 1);

    first.reset(); // the console goes away
    QTRY_VERIFY_WITH_TIMEOUT(status(main).startsWith(QStringLiteral("Lumivane connection lost.")),
                             5000);
    QCOMPARE(view->subWindow()->windowTitle(), QStringLiteral("Fixtures (offline)"));
    // The last values stay, drawn grey.
    QCOMPARE(grid->cellText(1, 1), firstHeader);
    QCOMPARE(grid->model()->index(0, 0).data(Qt::ForegroundRole).value<QBrush>().color(),
             grid->palette().color(QPalette::Disabled, QPalette::Text));
    QCOMPARE(field(main, "lblStatusLink"), QStringLiteral("Reconnecting\u2026"));
    QVERIFY(!main.findChild<QMessageBox*>());

    SimulatorOptions otherRig = quiet();
    otherRig.seed = 2;
    otherRig.extended = true;
    ConsoleSimulator second(otherRig);
    QVERIFY(second.openPty());
    QFile::remove(link);
    QVERIFY(QFile::link(second.devicePath(), link));
    QSignalSpy reloaded(&second, &ConsoleSimulator::dataLoadSent);
    QVERIFY(reloaded.wait(kTimeoutMs));
    QCOMPARE(field(main, "lblStatusLink"), QStringLiteral("Connected"));
    QCOMPARE(view->subWindow()->windowTitle(), QStringLiteral("Fixtures"));
    QVERIFY(!grid->dimmed());
    QVERIFY(!main.session().reconnecting());

    // The views show the second console's rig exactly as a program that never saw the first.
    ConsoleSimulator third(otherRig);
    frmMain fresh;
    QVERIFY(linkUp(third, fresh));
    QTRY_COMPARE_WITH_TIMEOUT(main.MSComm1().InBufferCount(), 0, 3000);
    QCOMPARE(shown(view), shown(fresh.showView(ViewId::Fixtures)));
    QCOMPARE(shown(dimmers), shown(fresh.showView(ViewId::Dimmers)));
}

// lvmonitor --settings FILE --port DEVICE --connect links up with no hand on the keyboard, and
// keeps its settings where it was told.
void tst_E2eConsole::commandLineConnectsToTheGivenPort()
{
    ConsoleSimulator sim(quiet());
    QVERIFY(sim.openPty());
    QTemporaryDir dir;
    const QString settings = QDir(dir.path()).filePath(QStringLiteral("own.ini"));
    QSignalSpy loaded(&sim, &ConsoleSimulator::dataLoadSent);
    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("LVMONITOR_COM1"), QStringLiteral("/dev/not-this-one"));
    program.setProcessEnvironment(env);
    program.start(QStringLiteral(LVMONITOR_BINARY),
                  {QStringLiteral("--settings"), settings, QStringLiteral("--port"),
                   sim.devicePath(), QStringLiteral("--connect")});
    QVERIFY(loaded.wait(kTimeoutMs + 5000));
    program.terminate();
    QVERIFY(program.waitForFinished(5000));
    QVERIFY(QFile::exists(settings));
}

// A session recorded by the main window from a live link, after the data load, and played back by
// the simulator gives another program the same records, field by field, as the live session gave
// the first: the recording's snapshot carries the rig, the replay answers the hello and plays the
// live traffic; and the simulator logs what the program sends meanwhile.
void tst_E2eConsole::replayOfARecordingBegunOnALiveLinkGivesItsRecords()
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("session.lvrec"));

    // The live session, recorded from after the data load: then a second of live traffic.
    ConsoleSimulator live(quiet(38400, 7, true));
    frmMain recorded;
    QString error;
    QVERIFY(linkUp(live, recorded));
    QVERIFY2(recorded.startRecording(file, false, &error), qPrintable(error));
    live.setLiveRate(200);
    QTest::qWait(1000);
    live.setLiveRate(0);
    QVERIFY(settled(live, recorded));
    recorded.stopRecording();

    // The same session played back four times as fast to another program.
    SimulatorOptions options;
    options.replay = ReplaySession::load(file, &error);
    QVERIFY2(options.replay, qPrintable(error));
    options.speed = options.replay->consoleSpeed;
    options.speedFactor = 4;
    ConsoleSimulator replay(options);
    QStringList log;
    connect(&replay, &ConsoleSimulator::logLine, this, [&](const QString& l) { log << l; });
    QSignalSpy finished(&replay, &ConsoleSimulator::replayFinished);
    QVERIFY(replay.openPty());
    qputenv("LVMONITOR_COM1", replay.devicePath().toLocal8Bit());
    frmMain replayed;
    replayed.show();
    replayed.Connect();
    qunsetenv("LVMONITOR_COM1");
    QVERIFY(finished.wait(15000));
    QVERIFY(settled(replay, replayed));
    // The program asked for the data as it does after every link-up; the replay only listens.
    QTRY_VERIFY_WITH_TIMEOUT(log.filter(QStringLiteral("<- A5 04 FF")).size() == 1, 5000);

    const SharedState& want = recorded.state();
    const SharedState& got = replayed.state();
    QVERIFY(got.ExtendedFormat);
    for (int n = 0; n < SharedState::FixtureCount; ++n)
        QVERIFY2(got.Fixtures[n] == want.Fixtures[n],
                 qPrintable(QStringLiteral("fixture %1").arg(n)));
    for (int d = 0; d < SharedState::DimmerCount; ++d)
        QVERIFY2(got.Dimmers[d] == want.Dimmers[d], qPrintable(QStringLiteral("dimmer %1").arg(d)));
    for (int p = 0; p < SharedState::PlaybackCount; ++p)
        QVERIFY2(got.Playbacks[p] == want.Playbacks[p],
                 qPrintable(QStringLiteral("playback %1").arg(p)));
    // A profile is what its message said; the same message read twice is the same profile.
    QCOMPARE(got.ProfileCount(), want.ProfileCount());
    for (size_t p = 0; p < want.Profiles.size(); ++p)
        QCOMPARE(got.Profiles[p].GetFileData(), want.Profiles[p].GetFileData());
    QVERIFY(got.DmxFixtureMap == want.DmxFixtureMap);
    QVERIFY(got.DmxDimmerMap == want.DmxDimmerMap);
    // The rig was there to compare: some of its dimmers are lit.
    int lit = 0;
    for (const Dimmer& d : got.Dimmers)
        lit += d.DimmerLevel() != 0;
    QVERIFY(lit > 0);
}

QTEST_MAIN(tst_E2eConsole)
#include "tst_e2e_console.moc"
