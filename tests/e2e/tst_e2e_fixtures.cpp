// The fixtures view against the simulated console: a step picked in the edit dialog goes to the
// console and comes back from it into its cell, named.

#include "SimulatorLink.h"
#include "controls/Grid.h"
#include "views/fixtures/frmEdit.h"
#include "views/fixtures/frmFixtures2.h"

#include <QAction>
#include <QComboBox>

class tst_E2eFixtures : public QObject
{
    Q_OBJECT

private slots:
    void aPickedStepComesBackFromTheConsole();
};

void tst_E2eFixtures::aPickedStepComesBackFromTheConsole()
{
    ConsoleSimulator sim({.seed = 11, .pacing = false, .rate = 0});
    frmMain main;
    QVERIFY(linkUp(sim, main));
    const Rig& rig = sim.rig();
    // A channel of a profile fixture with at least three named steps.
    int pickFixture = -1, pickChannel = -1;
    for (int n = 0; n < Rig::FixtureCount && pickFixture < 0; ++n) {
        const RigFixture& f = rig.fixture(n);
        const RigProfile* p = rig.profile(f.profile);
        for (int ch = 0; !f.isEmpty() && f.type == 255 && p && ch < p->channels.size(); ++ch)
            if (p->channels[ch].steps.size() >= 3) {
                pickFixture = n, pickChannel = ch;
                break;
            }
    }
    QVERIFY(pickFixture >= 0);
    main.findChild<QAction*>("mnuFixtures")->trigger();
    auto* view = main.findChild<frmFixtures2*>("frmFixtures2");
    QVERIFY(view);
    Grid* grid = view->grid();
    QTRY_VERIFY_WITH_TIMEOUT(view->FixtureRow(pickFixture) > 0, 5000);

    // Pick the channel's value cell as a user would, and choose its third step.
    const int row = view->FixtureRow(pickFixture) + 1;
    const QModelIndex cell = grid->model()->index(row - 1, pickChannel + 1);
    grid->scrollTo(cell);
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(cell).center());
    QTRY_VERIFY_WITH_TIMEOUT(view->editDialog() && view->editDialog()->isVisible(), 3000);
    auto* combo = view->editDialog()->findChild<QComboBox*>("cboEdit");
    QVERIFY(combo);
    const QList<ProfileStep>& steps =
        rig.profile(rig.fixture(pickFixture).profile)->channels[pickChannel].steps;
    const ProfileStep step = steps[2];
    QCOMPARE(combo->itemText(2), QString::fromLatin1(step.name));
    emit combo->activated(2);

    QTRY_COMPARE_WITH_TIMEOUT(int(quint8(rig.fixture(pickFixture).values[pickChannel])),
                              int(step.value), 5000);
    // Named by the first step whose range holds the value.
    const auto named = std::find_if(steps.begin(), steps.end(), [&](const ProfileStep& s) {
        return s.start <= step.value && step.value <= s.end;
    });
    QVERIFY(named != steps.end());
    const QString expected =
        QString::number(step.value) + QLatin1Char(' ') + QString::fromLatin1(named->name);
    QTRY_COMPARE_WITH_TIMEOUT(grid->cellText(row, pickChannel + 2), expected, 5000);
}

QTEST_MAIN(tst_E2eFixtures)
#include "tst_e2e_fixtures.moc"
