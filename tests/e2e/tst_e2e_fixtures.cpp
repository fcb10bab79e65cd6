// The fixtures view against the simulated console: every fixture of the rig in its block with
// the live values named by the profiles, and a step picked in the edit dialog coming back from
// the console into its cell.

#include "SimulatorLink.h"
#include "controls/Grid.h"
#include "link/Commands.h"
#include "views/fixtures/frmEdit.h"
#include "views/fixtures/frmFixtures2.h"

#include <QAction>
#include <QComboBox>

namespace {

// The name the console's profile gives a value: the first step whose range holds it.
QString stepNameFor(const Rig& rig, const RigFixture& f, int flatChannel, quint8 value)
{
    const RigProfile* p = rig.profile(f.profile);
    if (f.type != 255 || !p || flatChannel >= p->channels.size())
        return {};
    for (const ProfileStep& s : p->channels[flatChannel].steps)
        if (s.start <= value && value <= s.end)
            return QString::fromLatin1(s.name);
    return {};
}

QString headerFor(const RigFixture& f, int n)
{
    QString h = QStringLiteral("fixture %1").arg(n + 1);
    if (f.cells() != 1)
        h += QStringLiteral(" X %1").arg(f.cells());
    return h;
}

} // namespace

class tst_E2eFixtures : public QObject
{
    Q_OBJECT

private slots:
    void viewShowsTheRigAndAPickedStepComesBack();
};

void tst_E2eFixtures::viewShowsTheRigAndAPickedStepComesBack()
{
    ConsoleSimulator sim({.seed = 11, .pacing = false, .rate = 0});
    frmMain main;
    QVERIFY(linkUp(sim, main));
    const Rig& rig = sim.rig();
    QSignalSpy commands(&sim, &ConsoleSimulator::commandReceived);
    main.findChild<QAction*>("mnuFixtures")->trigger();
    auto* view = main.findChild<frmFixtures2*>("frmFixtures2");
    QVERIFY(view);
    QTRY_VERIFY_WITH_TIMEOUT(std::any_of(commands.cbegin(), commands.cend(),
                                         [](const QList<QVariant>& c) {
                                             return c[0].value<Command>().raw ==
                                                    QByteArray::fromHex("a50b02");
                                         }),
                             3000);
    Grid* grid = view->grid();

    // The data load carries no live values; the console reports them as they change. Set every
    // channel through the console, inside one of its named steps where it has any.
    int lastF = 0, lastCh = 0, lastV = 0;
    for (int n = 0; n < 48; ++n) {
        const RigFixture& f = rig.fixture(n);
        const RigProfile* p = rig.profile(f.profile);
        for (int ch = 0; !f.isEmpty() && ch < std::min(f.channelCount(), 32); ++ch) {
            quint8 v = quint8(n * 7 + ch * 13);
            if (f.type == 255 && p && ch < p->channels.size() && !p->channels[ch].steps.isEmpty()) {
                const auto& steps = p->channels[ch].steps;
                const ProfileStep& s = steps[(n + ch) % steps.size()];
                v = quint8((s.start + s.end) / 2);
            }
            main.MSComm1().Output(Commands::ChannelValue(quint8(n), quint8(ch), v));
            lastF = n, lastCh = ch, lastV = v;
        }
    }
    // The console answers in order: once the last value is back, all are.
    QTRY_COMPARE_WITH_TIMEOUT(int(main.state().Fixtures[lastF].chval(qint16(lastCh))), lastV, 5000);

    // Every defined fixture, in number order, with its header, name and named values.
    int block = 0;
    int pickFixture = -1, pickChannel = -1;
    for (int n = 0; n < 48; ++n) {
        const RigFixture& f = rig.fixture(n);
        if (f.isEmpty()) {
            QCOMPARE(view->FixtureRow(n), qint16(0));
            continue;
        }
        ++block;
        const int row = 3 * block - 2;
        QCOMPARE(view->FixtureRow(n), qint16(row));
        QCOMPARE(grid->cellText(row, 1), headerFor(f, n));
        QCOMPARE(grid->cellText(row + 1, 1), QString::fromLatin1(f.name));
        for (int ch = 0; ch < std::min(f.channelCount(), 32); ++ch) {
            const quint8 v = quint8(f.values[ch]);
            QCOMPARE(grid->cellText(row + 1, ch + 2),
                     QString::number(v) + QLatin1Char(' ') + stepNameFor(rig, f, ch, v));
            const RigProfile* p = rig.profile(f.profile);
            if (pickFixture < 0 && f.type == 255 && p && ch < p->channels.size() &&
                p->channels[ch].steps.size() >= 3)
                pickFixture = n, pickChannel = ch;
        }
    }
    QVERIFY(block >= 10);
    QVERIFY(pickFixture >= 0);

    // Pick the channel's value cell as a user would, and choose its third step.
    const int row = view->FixtureRow(pickFixture) + 1;
    const QModelIndex cell = grid->model()->index(row - 1, pickChannel + 1);
    grid->scrollTo(cell);
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(cell).center());
    QTRY_VERIFY_WITH_TIMEOUT(view->editDialog() && view->editDialog()->isVisible(), 3000);
    auto* combo = view->editDialog()->findChild<QComboBox*>("cboEdit");
    QVERIFY(combo);
    const ProfileStep step =
        rig.profile(rig.fixture(pickFixture).profile)->channels[pickChannel].steps[2];
    QCOMPARE(combo->itemText(2), QString::fromLatin1(step.name));
    emit combo->activated(2);

    QTRY_COMPARE_WITH_TIMEOUT(int(quint8(sim.rig().fixture(pickFixture).values[pickChannel])),
                              int(step.value), 5000);
    const QString expected = QString::number(step.value) + QLatin1Char(' ') +
                             stepNameFor(rig, rig.fixture(pickFixture), pickChannel, step.value);
    QTRY_COMPARE_WITH_TIMEOUT(grid->cellText(row, pickChannel + 2), expected, 5000);
}

QTEST_MAIN(tst_E2eFixtures)
#include "tst_e2e_fixtures.moc"
