// The memory page and scene views against the simulated console: the page view follows the
// console's page display as its own controls move it, fixture picks come back as marks, and the
// scene list renders the console's buffer in both record formats.

#include "SimulatorLink.h"
#include "controls/Grid.h"
#include "views/page/frmPage.h"
#include "views/scene/frmScene.h"

#include <QAction>
#include <QComboBox>
#include <QToolButton>

namespace {

// The line of a few kinds of event, from what the simulated console holds; empty for the others.
QString expectedLine(const SceneEvent& e, const Rig& rig, bool extended)
{
    using T = SceneEvent::Type;
    QString line;
    if (e.type == T::Preset)
        line = QStringLiteral("preset %1 page %2")
                   .arg(e.number + 1)
                   .arg(e.memPage > 23 ? QStringLiteral("F%1").arg(e.memPage - 23)
                                       : QString::number(e.memPage + 1));
    else if (e.type == T::FactoryChase)
        line = QStringLiteral("factory chase %1").arg(e.number + 1);
    else if (e.type == T::Dimmer)
        line = QStringLiteral("dimmer %1: %2").arg(e.number + 1).arg(e.value);
    else if (e.type == T::Tilt)
        line = QStringLiteral("fixture %1 %2 tilt high byte: %3 / low byte: %4")
                   .arg(e.number + 1)
                   .arg(QString::fromLatin1(rig.fixture(e.number).name))
                   .arg(e.high)
                   .arg(e.low);
    else if (e.type == T::Illegal)
        return QStringLiteral("illegal value encountered");
    if (!line.isEmpty() && extended && e.scene != 0xFF)
        line += QStringLiteral("   (Scene %1 Page %2)").arg(e.scene + 1).arg(e.scenePage + 1);
    return line;
}

} // namespace

class tst_E2ePageView : public QObject
{
    Q_OBJECT

private slots:
    void pageViewFollowsTheConsolesPageDisplay();
    void sceneListRendersTheConsolesBuffer_data();
    void sceneListRendersTheConsolesBuffer();
};

void tst_E2ePageView::pageViewFollowsTheConsolesPageDisplay()
{
    ConsoleSimulator sim({.seed = 5, .pacing = false, .rate = 0});
    frmMain main;
    QVERIFY(linkUp(sim, main));
    main.findChild<QAction*>("mnuPage")->trigger();
    auto* view = main.findChild<frmPage*>("frmPage");
    QVERIFY(view);
    auto* combo = view->findChild<QComboBox*>("cboPage");
    auto* list = view->findChild<Grid*>("lvwPage");
    auto* upDown = view->findChild<QWidget*>("UpDown1");

    // Waits for the caption, then compares the rows with the page the console has on display.
    const auto expectPage = [&](const QString& caption) {
        QTRY_COMPARE_WITH_TIMEOUT(combo->currentText(), caption, 5000);
        const PageDisplay::Ref ref = sim.pageDisplay().current();
        const RigPage page = sim.rig().page(ref.kind, ref.number, sim.rig().firstSelectedFixture());
        QCOMPARE(list->rows(), int(page.names.size()));
        for (int r = 1; r <= list->rows(); ++r)
            QCOMPARE(list->cellText(r, 2), QString::fromLatin1(page.names[r - 1]));
        QCOMPARE(list->columnVisible("FSel"), ref.kind == PageFixture);
    };
    expectPage("Scene Page 1");
    emit combo->activated(3);
    expectPage("Chase Page 1");
    QTest::mouseClick(upDown->findChild<QToolButton*>("up"), Qt::LeftButton);
    expectPage("Chase Page 2");
    emit combo->activated(4);
    expectPage("Fixture Page");

    // Picks on the fixture page select on the console, which reports every change of selection.
    QList<int> used;
    for (int f = 0; f < Rig::FixtureCount; ++f)
        if (!sim.rig().fixture(f).isEmpty())
            used << f;
    QVERIFY(used.size() >= 3);
    const auto marks = [&] {
        QList<int> marked;
        for (int r = 1; r <= list->rows(); ++r)
            if (list->cellText(r, 3) == QLatin1String("X"))
                marked << r - 1;
        return marked;
    };
    const auto pick = [&](int f, Qt::KeyboardModifiers mods) {
        const QModelIndex cell = list->model()->index(f, 1);
        list->scrollTo(cell);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, mods, list->visualRect(cell).center());
    };
    pick(used[0], {});
    QTRY_COMPARE_WITH_TIMEOUT(marks(), QList<int>{used[0]}, 5000);
    pick(used[2], Qt::ControlModifier);
    QTRY_COMPARE_WITH_TIMEOUT(marks(), (QList<int>{used[0], used[2]}), 5000);
    pick(used[1], {});
    QTRY_COMPARE_WITH_TIMEOUT(marks(), QList<int>{used[1]}, 5000);
}

void tst_E2ePageView::sceneListRendersTheConsolesBuffer_data()
{
    QTest::addColumn<bool>("extended");
    QTest::newRow("standard records") << false;
    QTest::newRow("extended records") << true;
}

void tst_E2ePageView::sceneListRendersTheConsolesBuffer()
{
    QFETCH(bool, extended);
    ConsoleSimulator sim({.seed = 5, .extended = extended, .pacing = false, .rate = 0});
    frmMain main;
    QVERIFY(linkUp(sim, main));
    QCOMPARE(main.state().ExtendedFormat, extended);
    main.findChild<QAction*>("mnuScene")->trigger();
    auto* view = main.findChild<frmScene*>("frmScene");
    QVERIFY(view);
    QTRY_VERIFY_WITH_TIMEOUT(!view->Text().isEmpty(), 5000);

    QStringList lines = view->Text().split(QStringLiteral("\r\n"));
    QCOMPARE(lines.takeLast(), QString()); // every line ends in CR LF
    const QList<SceneEvent> events = sim.rig().sceneEvents(extended);
    QCOMPARE(lines.size(), events.size());
    int checked = 0;
    for (int i = 0; i < events.size(); ++i) {
        const QString expected = expectedLine(events[i], sim.rig(), extended);
        if (!expected.isEmpty()) {
            QCOMPARE(lines[i], expected);
            ++checked;
        }
    }
    QCOMPARE(checked, 5);
}

QTEST_MAIN(tst_E2ePageView)
#include "tst_e2e_pageview.moc"
