// A session recorded by the main window and played back by the simulator gives the program the
// same records, field by field, as the live session gave it, also when the recording began after
// the data load; and the simulator logs what the program sends meanwhile.

#include "SimulatorLink.h"

#include <QTemporaryDir>

namespace {

void compareProfiles(const SharedState& got, const SharedState& want)
{
    QCOMPARE(got.ProfileCount(), want.ProfileCount());
    for (const Profile& w : want.Profiles) {
        const Profile* g = got.findProfile(w.ProfNum());
        QVERIFY(g);
        QCOMPARE(g->ChannelCount(), w.ChannelCount());
        for (qint16 k = 0; k < Profile::MaxChannels; ++k) {
            QCOMPARE(g->StepsPer(k), w.StepsPer(k));
            for (qint16 j = 0; j < w.StepsPer(k); ++j) {
                QCOMPARE(g->StepVal(k, j), w.StepVal(k, j));
                QCOMPARE(g->StepStrt(k, j), w.StepStrt(k, j));
                QCOMPARE(g->StepEnd(k, j), w.StepEnd(k, j));
                QCOMPARE(g->StepName(k, j), w.StepName(k, j));
            }
        }
    }
}

} // namespace

class tst_E2eReplay : public QObject
{
    Q_OBJECT
private slots:
    void replayGivesTheRecordsTheLiveSessionGave_data();
    void replayGivesTheRecordsTheLiveSessionGave();
};

void tst_E2eReplay::replayGivesTheRecordsTheLiveSessionGave_data()
{
    QTest::addColumn<bool>("extended");
    QTest::addColumn<bool>("afterDataLoad");
    QTest::newRow("standard console") << false << false;
    QTest::newRow("extended console") << true << false;
    QTest::newRow("recording begun after the data load") << true << true;
}

void tst_E2eReplay::replayGivesTheRecordsTheLiveSessionGave()
{
    QFETCH(bool, extended);
    QFETCH(bool, afterDataLoad);
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("session.lvrec"));

    // The live session, recorded by the main window from before the link-up, or from after the
    // data load: then a second of live traffic.
    ConsoleSimulator live(quiet(38400, 7, extended));
    frmMain recorded;
    QString error;
    if (!afterDataLoad)
        QVERIFY2(recorded.startRecording(file, false, &error), qPrintable(error));
    QVERIFY(linkUp(live, recorded));
    if (afterDataLoad) {
        QVERIFY(settled(live, recorded));
        QVERIFY2(recorded.startRecording(file, false, &error), qPrintable(error));
    }
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
    QCOMPARE(got.ExtendedFormat, extended);
    QCOMPARE(got.ExtendedFormat, want.ExtendedFormat);
    for (int n = 0; n < SharedState::FixtureCount; ++n)
        QVERIFY2(got.Fixtures[n] == want.Fixtures[n],
                 qPrintable(QStringLiteral("fixture %1").arg(n)));
    for (int d = 0; d < SharedState::DimmerCount; ++d)
        QVERIFY2(got.Dimmers[d] == want.Dimmers[d], qPrintable(QStringLiteral("dimmer %1").arg(d)));
    for (int p = 0; p < SharedState::PlaybackCount; ++p)
        QVERIFY2(got.Playbacks[p] == want.Playbacks[p],
                 qPrintable(QStringLiteral("playback %1").arg(p)));
    compareProfiles(got, want);
    QVERIFY(got.DmxFixtureMap == want.DmxFixtureMap);
    QVERIFY(got.DmxDimmerMap == want.DmxDimmerMap);
    // The live traffic moved something, so the comparison saw more than the data load.
    int lit = 0;
    for (const Dimmer& d : got.Dimmers)
        lit += d.DimmerLevel() != 0;
    QVERIFY(lit > 0);
}

QTEST_MAIN(tst_E2eReplay)
#include "tst_e2e_replay.moc"
