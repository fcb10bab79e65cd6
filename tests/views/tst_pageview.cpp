// The memory page window fed through the receive path: what each kind of page shows, the
// fixture marks, and the bytes its controls send to the console.

#include "Rig.h"
#include "views/page/frmPage.h"

#include <QComboBox>
#include <QToolButton>

using namespace Payloads;

namespace {

QByteArray page(int kind, int number, int fixture, int length, const QList<QByteArray>& names)
{
    return bytes({kind, number, fixture, int(names.size()), length}) + names.join();
}

struct PageView
{
    Rig rig;
    frmPage* view;
    QComboBox* combo;
    Grid* list;

    PageView()
        : view(rig.open<frmPage>(ViewId::Page)), combo(view->findChild<QComboBox*>("cboPage")),
          list(view->findChild<Grid*>("lvwPage"))
    {
    }
    void contents(const QByteArray& p) { rig.say(message(3, p)); }
    void select(int fixture, bool on) { rig.say(message(12, bytes({fixture, on ? 1 : 0}))); }
    // What the user sees: the caption, then the header and each row of the shown columns.
    QString seen() const
    {
        QStringList lines{combo->currentText()};
        for (int r = 0; r <= list->rows(); ++r) {
            QStringList cells;
            for (int c = 1; c <= list->columns(); ++c)
                if (!list->isColumnHidden(c - 1))
                    cells << (r == 0 ? list->columnHeader(c) : list->cellText(r, c));
            lines << cells.join('|');
        }
        return lines.join(" / ");
    }
    void pick(int row, Qt::KeyboardModifiers mods = {})
    {
        const QRect cell = list->visualRect(list->model()->index(row - 1, 1));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, mods, cell.center());
    }
};

} // namespace

class tst_PageView : public QObject
{
    Q_OBJECT
private slots:
    void init() { forgetSettings(); }
    void eachKindOfPageShowsItsCaptionHeadersAndEntries_data();
    void eachKindOfPageShowsItsCaptionHeadersAndEntries();
    void marksFollowSelectionMessagesOnAFixturePageOnly();
    void noPageHidesTheListUntilTheNextPage();
    void controlsSendTheirCommands_data();
    void controlsSendTheirCommands();
    void typingIsSwallowedButTheListOpensFromTheKeyboard();
};

void tst_PageView::eachKindOfPageShowsItsCaptionHeadersAndEntries_data()
{
    QTest::addColumn<QByteArray>("contents");
    QTest::addColumn<QString>("seen");
    // Fixtures 1 and 47 are selected in every case.
    QTest::newRow("show, blanks and zeros kept")
        << page(1, 0, 9, 3, {QByteArray("A\0 ", 3), "   "})
        << QStringLiteral("Show Page 1 / Show #|Show Name / 1|A") + QChar(0) + "  / 2|   ";
    QTest::newRow("preset") << page(2, 23, 0, 1, {"P"})
                            << "Preset Page 24 / Preset #|Preset Name / 1|P";
    QTest::newRow("factory preset of fixture 5")
        << page(3, 1, 4, 1, {"F"})
        << "Factory Preset Page 2 (fixture 5) / Preset #|Preset Name / 1|F";
    QTest::newRow("factory preset, no fixture, no entries")
        << page(3, 0, 0xFF, 8, {})
        << "Factory Preset Page 1 (fixture (none selected)) / Preset #|Preset Name";
    QTest::newRow("factory chase")
        << page(5, 1, 0, 1, {"C"}) << "Factory Chase Page 2 / Chase #|Chase Name / 1|C";
    QTest::newRow("fixture group")
        << page(7, 2, 0, 1, {"G"}) << "Fixture Group Page / Group #|Group Name / 1|G";
    QTest::newRow("only whole entries of a short payload")
        << page(0, 0, 0, 2, {"AA", "BB", "C"}) << "Scene Page 1 / Scene #|Scene Name / 1|AA / 2|BB";
    QTest::newRow("header cut short") << bytes({2, 4}) << "Preset Page 5 / Preset #|Preset Name";
    // Rows past the 48 fixtures have no fixture to mark.
    QString fifty = "Fixture Page / Fixture #|Fixture Name|";
    for (int r = 1; r <= 50; ++r)
        fifty += QStringLiteral(" / %1|f|%2").arg(r).arg(r == 2 || r == 48 ? "X" : "");
    QTest::newRow("fixture page of 50 entries")
        << page(6, 0, 0, 1, QList<QByteArray>(50, "f")) << fifty;
}

void tst_PageView::eachKindOfPageShowsItsCaptionHeadersAndEntries()
{
    QFETCH(QByteArray, contents);
    QFETCH(QString, seen);
    PageView p;
    p.select(1, true);
    p.select(47, true);
    p.contents(contents);
    QCOMPARE(p.seen(), seen);
    QVERIFY(p.list->isVisible());
}

void tst_PageView::marksFollowSelectionMessagesOnAFixturePageOnly()
{
    PageView p;
    // On another kind of page a selection leaves the list alone.
    p.contents(page(0, 0, 0, 1, {"a", "b", "c"}));
    const QStringList scenes = texts(*p.list);
    p.select(1, true);
    QCOMPARE(texts(*p.list), scenes);
    p.contents(page(6, 0, 0, 1, {"a", "b", "c"}));
    p.select(0, true);
    p.select(1, false);
    p.select(40, true); // no row for it
    QCOMPARE(p.seen(), "Fixture Page / Fixture #|Fixture Name| / 1|a|X / 2|b| / 3|c|");

    // An unknown kind keeps caption and headers and hides the marks.
    p.contents(page(9, 0, 0, 1, {"z"}));
    QCOMPARE(p.seen(), "Fixture Page / Fixture #|Fixture Name / 1|z");
}

void tst_PageView::noPageHidesTheListUntilTheNextPage()
{
    PageView p;
    QCOMPARE(p.seen(), " / |"); // no caption, no headers
    QVERIFY(!p.list->isVisible());
    p.contents(page(0, 0, 0, 1, {"A"}));
    p.rig.backend->clearWrites();
    p.rig.say(message(2, bytes({0xFF, 0})));
    QCOMPARE(p.combo->currentText(), QStringLiteral("No page selected"));
    QVERIFY(!p.list->isVisible());
    QCOMPARE(p.rig.writes(), QList<QByteArray>{});
    p.contents(page(1, 1, 0, 1, {"S"}));
    QCOMPARE(p.seen(), "Show Page 2 / Show #|Show Name / 1|S");
    QVERIFY(p.list->isVisible());
}

void tst_PageView::controlsSendTheirCommands_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<QByteArray>("sent"); // after the page request
    QTest::newRow("kind Chase picked") << "kind 3" << bytes({0xA5, 0x0E, 3});
    QTest::newRow("page down") << "down" << bytes({0xA5, 0x0D, 0x00});
    QTest::newRow("page up") << "up" << bytes({0xA5, 0x0D, 0xFF});
    QTest::newRow("row 5") << "pick" << bytes({0xA5, 0x0F, 4, 0});
    QTest::newRow("row 5, Ctrl-click") << "ctrl-click" << bytes({0xA5, 0x0F, 4, 1});
    QTest::newRow("row 5, Ctrl held in the list") << "ctrl held" << bytes({0xA5, 0x0F, 4, 1});
    QTest::newRow("row 5, Ctrl let go") << "ctrl released" << bytes({0xA5, 0x0F, 4, 0});
    QTest::newRow("row 5, Ctrl let go elsewhere") << "ctrl lost" << bytes({0xA5, 0x0F, 4, 0});
}

void tst_PageView::controlsSendTheirCommands()
{
    QFETCH(QString, action);
    QFETCH(QByteArray, sent);
    PageView p;
    p.view->FillLvw(
        ConsolePayloads::PageContents::decode(page(0, 0, 0, 1, QList<QByteArray>(6, "s"))));
    QVERIFY(QTest::qWaitForWindowExposed(p.list));
    auto* upDown = p.view->findChild<QWidget*>("UpDown1");
    if (action == "kind 3")
        emit p.combo->activated(3);
    else if (action == "down" || action == "up")
        QTest::mouseClick(upDown->findChild<QToolButton*>(action), Qt::LeftButton);
    else if (action == "pick" || action == "ctrl-click")
        p.pick(5, action == "pick" ? Qt::NoModifier : Qt::ControlModifier);
    else {
        p.list->setFocus();
        QTest::keyPress(p.list, Qt::Key_Control);
        QVERIFY(p.view->ctrlDown());
        if (action == "ctrl released") {
            QTest::keyRelease(p.list, Qt::Key_Control);
        } else if (action == "ctrl lost") {
            QEvent focusOut(QEvent::FocusOut);
            QCoreApplication::sendEvent(p.list, &focusOut);
        }
        p.pick(5);
    }
    QCOMPARE(p.rig.writes(), (QList<QByteArray>{bytes({0xA5, 0x02}), sent}));
    QVERIFY(p.list->selectionModel()->selectedIndexes().isEmpty());
}

void tst_PageView::typingIsSwallowedButTheListOpensFromTheKeyboard()
{
    PageView p;
    p.contents(page(0, 2, 0, 1, {"A"}));
    p.rig.backend->clearWrites();
    p.combo->setFocus();
    QTest::keyClicks(p.combo, "x");
    for (Qt::Key k : {Qt::Key_Down, Qt::Key_Up, Qt::Key_PageDown, Qt::Key_Backspace, Qt::Key_Delete,
                      Qt::Key_Return})
        QTest::keyClick(p.combo, k);
    QTest::keyClick(p.combo, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(p.combo->currentText(), QStringLiteral("Scene Page 3"));
    QCOMPARE(p.combo->currentIndex(), -1);
    QVERIFY(!p.combo->view()->isVisible());

    // The list opens from the keyboard (the keys that do are tried on the show list window), and
    // choosing in it is a pick.
    QTest::keyClick(p.combo, Qt::Key_F4);
    QTRY_VERIFY(p.combo->view()->isVisible());
    QTest::keyClick(p.combo->view(), Qt::Key_End);
    QTest::keyClick(p.combo->view(), Qt::Key_Return);
    QCOMPARE(p.rig.writes(), QList<QByteArray>{bytes({0xA5, 0x0E, 5})});
}

QTEST_MAIN(tst_PageView)
#include "tst_pageview.moc"
