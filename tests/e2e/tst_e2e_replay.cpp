// A session recorded by the main window from a live link, after the data load, and played back by
// the simulator gives another program the same records, field by field, as the live session gave
// the first: the recording's snapshot carries the rig, the replay answers the hello and plays the
// live traffic; and the simulator logs what the program sends meanwhile.

#include "SimulatorLink.h"

#include <QTemporaryDir>

class tst_E2eReplay : public QObject
{
    Q_OBJECT
private slots:
    void replayOfARecordingBegunOnALiveLinkGivesItsRecords();
};

void tst_E2eReplay::replayOfARecordingBegunOnALiveLinkGivesItsRecords()
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

QTEST_MAIN(tst_E2eReplay)
#include "tst_e2e_replay.moc"
