// The program against the simulated console over a real serial line (a pty): the data load
// compared field by field with what the console holds, and a channel value going round.

#include "SimulatorLink.h"
#include "link/Commands.h"

namespace {

// The console's text fields as the program should show them (the rig uses no bytes whose
// Windows-1252 character differs from Latin-1).
QString text(const QByteArray& bytes)
{
    return QString::fromLatin1(bytes);
}

} // namespace

class tst_E2eLink : public QObject
{
    Q_OBJECT

private slots:
    void dataLoadMatchesTheConsoleFieldByField_data();
    void dataLoadMatchesTheConsoleFieldByField();
    void channelValueGoesRoundTheConsole();
};

void tst_E2eLink::dataLoadMatchesTheConsoleFieldByField_data()
{
    QTest::addColumn<bool>("extended");
    QTest::newRow("standard console") << false;
    QTest::newRow("extended console") << true;
}

void tst_E2eLink::dataLoadMatchesTheConsoleFieldByField()
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

void tst_E2eLink::channelValueGoesRoundTheConsole()
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

QTEST_MAIN(tst_E2eLink)
#include "tst_e2e_link.moc"
