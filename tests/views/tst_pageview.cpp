// The memory page window fed through the receive path: what each kind of page shows, the
// fixture marks, and the bytes its controls send to the console.

#include "Rig.h"
#include "views/page/frmPage.h"

#include <QComboBox>
#include <QToolButton>

using namespace Payloads;
using Messages = QList<QByteArray>;

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
    void pagesAndSelectionsShowTheirCaptionHeadersEntriesAndMarks_data();
    void pagesAndSelectionsShowTheirCaptionHeadersEntriesAndMarks();
    void controlsSendTheirCommands_data();
    void controlsSendTheirCommands();
    void typingIsSwallowed();
};

void tst_PageView::pagesAndSelectionsShowTheirCaptionHeadersEntriesAndMarks_data()
{
    QTest::addColumn<Messages>("messages");
    QTest::addColumn<QString>("seen");
    QTest::addColumn<bool>("listShown");
    const auto contents = [](const QByteArray& p) { return message(3, p); };
    const auto select = [](int fixture, bool on) {
        return message(12, bytes({fixture, on ? 1 : 0}));
    };
    const Messages selected{select(1, true), select(47, true)};
    const auto kind = [&](const char* tag, const QByteArray& p, const QString& seen) {
        QTest::newRow(tag) << selected + Messages{contents(p)} << seen << true;
    };
    kind("show, blanks and zeros kept", page(1, 0, 9, 3, {QByteArray("A\0 ", 3), "   "}),
         QStringLiteral("Show Page 1 / Show #|Show Name / 1|A") + QChar(0) + "  / 2|   ");
    kind("preset", page(2, 23, 0, 1, {"P"}), "Preset Page 24 / Preset #|Preset Name / 1|P");
    kind("factory preset of fixture 5", page(3, 1, 4, 1, {"F"}),
         "Factory Preset Page 2 (fixture 5) / Preset #|Preset Name / 1|F");
    kind("factory preset, no fixture, no entries", page(3, 0, 0xFF, 8, {}),
         "Factory Preset Page 1 (fixture (none selected)) / Preset #|Preset Name");
    kind("factory chase", page(5, 1, 0, 1, {"C"}),
         "Factory Chase Page 2 / Chase #|Chase Name / 1|C");
    kind("fixture group", page(7, 2, 0, 1, {"G"}), "Fixture Group Page / Group #|Group Name / 1|G");
    kind("only whole entries of a short payload", page(0, 0, 0, 2, {"AA", "BB", "C"}),
         "Scene Page 1 / Scene #|Scene Name / 1|AA / 2|BB");
    kind("header cut short", bytes({2, 4}), "Preset Page 5 / Preset #|Preset Name");
    // Rows past the 48 fixtures have no fixture to mark.
    QString fifty = "Fixture Page / Fixture #|Fixture Name|";
    for (int r = 1; r <= 50; ++r)
        fifty += QStringLiteral(" / %1|f|%2").arg(r).arg(r == 2 || r == 48 ? "X" : "");
    kind("fixture page of 50 entries", page(6, 0, 0, 1, QList<QByteArray>(50, "f")), fifty);

    const QByteArray scenes = page(0, 0, 0, 1, {"a", "b", "c"});
    const QByteArray fixtures = page(6, 0, 0, 1, {"a", "b", "c"});
    QTest::newRow("a selection leaves another kind of page alone")
        << Messages{contents(scenes), select(1, true)}
        << "Scene Page 1 / Scene #|Scene Name / 1|a / 2|b / 3|c" << true;
    QTest::newRow("marks follow the selection on a fixture page")
        << Messages{contents(scenes), select(1, true),  contents(fixtures),
                    select(0, true),  select(1, false), select(40, true)}
        << "Fixture Page / Fixture #|Fixture Name| / 1|a|X / 2|b| / 3|c|" << true;
    QTest::newRow("an unknown kind keeps caption and headers, hides the marks")
        << Messages{contents(fixtures), contents(page(9, 0, 0, 1, {"z"}))}
        << "Fixture Page / Fixture #|Fixture Name / 1|z" << true;
    QTest::newRow("nothing yet") << Messages{} << " / |" << false;
    QTest::newRow("no page selected")
        << Messages{contents(scenes), message(2, bytes({0xFF, 0}))}
        << "No page selected / Scene #|Scene Name / 1|a / 2|b / 3|c" << false;
    QTest::newRow("the next page after none")
        << Messages{contents(scenes), message(2, bytes({0xFF, 0})),
                    contents(page(1, 1, 0, 1, {"S"}))}
        << "Show Page 2 / Show #|Show Name / 1|S" << true;
}

// What the console says of the page on display is shown; nothing is sent back.
void tst_PageView::pagesAndSelectionsShowTheirCaptionHeadersEntriesAndMarks()
{
    QFETCH(Messages, messages);
    QFETCH(QString, seen);
    QFETCH(bool, listShown);
    PageView p;
    for (const QByteArray& m : messages)
        p.rig.say(m);
    QCOMPARE(p.seen(), seen);
    QCOMPARE(p.list->isVisible(), listShown);
    QCOMPARE(p.rig.writes(), QList<QByteArray>{bytes({0xA5, 0x02})});
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

// Typing, the arrow keys and pasting change nothing and send nothing; the keys that open the list
// are tried on the show list window, whose choices are kept the same way.
void tst_PageView::typingIsSwallowed()
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
    QCOMPARE(p.rig.writes(), QList<QByteArray>{});
}

QTEST_MAIN(tst_PageView)
#include "tst_pageview.moc"
