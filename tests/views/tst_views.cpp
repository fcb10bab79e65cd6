// The dimmers, playbacks, scene, show list and memory page windows fed through the receive path:
// what each shows of what the console says, and the requests their controls send.

#include "Rig.h"
#include "controls/LineTextBox.h"
#include "model/Settings.h"
#include "views/dimmers/frmDimmers.h"
#include "views/page/frmPage.h"
#include "views/playbacks/frmPlaybacks.h"
#include "views/scene/frmScene.h"
#include "views/show/frmShow.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QToolButton>

using namespace Payloads;
using View = ViewId;
using Messages = QList<QByteArray>;

namespace {

QStringList row(int d, const QByteArray& name, const QStringList& rest)
{
    return QStringList{QString::number(d + 1) + " - " + QString::fromLatin1(field(name, 16))} +
           rest;
}

Grid& grid(QWidget* view)
{
    return *view->findChild<Grid*>(QStringLiteral("grdDimmers"));
}

QList<QByteArray> requests(int first, int last)
{
    QList<QByteArray> out;
    for (int p = first; p <= last; ++p)
        out << bytes({0xA5, 0x13, p});
    return out;
}

struct SceneView
{
    Rig rig;
    frmScene* view;
    LineTextBox* text;

    SceneView()
        : view(rig.open<frmScene>(ViewId::Scene)), text(view->findChild<LineTextBox*>("txtScene"))
    {
    }
};

const QString illegal = QStringLiteral("illegal value encountered\r\n");
// Fixture 3 is a library fixture named Spot with only its channel 0 named.
const QString spot = QStringLiteral("fixture 4 Spot             ");

const QList<ShowStepLayout> twoSteps{{0, 1, "Red wash"}, {4, 0, "Blue"}};

QString caption(const QByteArray& name)
{
    return QStringLiteral("Show List - ") + QString::fromLatin1(field(name, 16));
}

struct Opened
{
    Rig rig;
    frmShow* view;
    QComboBox* number;
    QComboBox* page;
    Opened()
        : view(rig.open<frmShow>(View::Show)), number(view->findChild<QComboBox*>("cboNum")),
          page(view->findChild<QComboBox*>("cboPg"))
    {
    }
    // Each row as "marker|step|scene".
    QStringList rows() const
    {
        const Grid& grid = *view->findChild<Grid*>("grdShow");
        QStringList out;
        for (int r = 1; r <= grid.rows(); ++r)
            out << grid.cellText(r, 1) + '|' + grid.cellText(r, 2) + '|' + grid.cellText(r, 3);
        return out;
    }
};

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

class tst_Views : public QObject
{
    Q_OBJECT
private slots:
    void init() { forgetSettings(); }
    void rowsFollowThePatchOrderAndTheLevels();
    void faderColumnShowsTheMemory_data();
    void faderColumnShowsTheMemory();
    void pageChangesSwitchLayoutAndAskForTheFaders_data();
    void pageChangesSwitchLayoutAndAskForTheFaders();
    void eachRecordBecomesItsLine_data();
    void eachRecordBecomesItsLine();
    void asksForTheBufferOnOpeningAndRefresh();
    void listAndStepMessagesShowTheStepsPlayed_data();
    void listAndStepMessagesShowTheStepsPlayed();
    void choiceAndStartedShowAskForTheList_data();
    void choiceAndStartedShowAskForTheList();
    void pagesAndSelectionsShowTheirCaptionHeadersEntriesAndMarks_data();
    void pagesAndSelectionsShowTheirCaptionHeadersEntriesAndMarks();
    void controlsSendTheirCommands_data();
    void controlsSendTheirCommands();
    void keysDoNotStepTheChoicesButOpenTheirLists_data();
    void keysDoNotStepTheChoicesButOpenTheirLists();
};

// The dimmers window: rows in patch order, names, channels and levels.
void tst_Views::rowsFollowThePatchOrderAndTheLevels()
{
    Rig rig;
    const QByteArray nuls = QByteArray("Wash") + QByteArray(12, '\0');
    rig.say(message(17, dimmer(127, true, 40, "Cyc", 254)));
    rig.say(message(17, dimmer(0, true, 30, nuls, 0)));
    auto* view = rig.open<frmDimmers>(View::Dimmers);
    rig.say(message(17, dimmer(9, true, 50, "Back", 1))); // patched later: at the bottom
    rig.say(message(17, dimmer(127, false, 0, "", 0)));   // unpatched: keeps its row...
    rig.say(message(18, bytes({127, 253})));              // ...and follows its level
    rig.say(dmxLevel(30, 127));
    rig.say(message(18, bytes({5, 99}))); // no row: nothing to show
    view->UpdateDimmer(-1);
    view->UpdateDimmerLevel(128);
    QCOMPARE(texts(grid(view)), row(0, nuls, {"1", "1", "127", "50%"}) +
                                    row(127, "Cyc", {"8", "16", "253", "99%"}) +
                                    row(9, "Back", {"2", "2", "1", "0%"}));
    // The level cells' tooltips are their own dimmer's DMX address and level.
    QVERIFY(grid(view).cellToolTip(2, 5).startsWith(QStringLiteral("DMX 40, level 253")));
    QVERIFY(grid(view).cellToolTip(3, 4).startsWith(QStringLiteral("DMX 50, level 1")));
    QCOMPARE(grid(view).cellToolTip(3, 1), QString());
    rig.say(message(18, bytes({9, 2})));
    rig.say(message(18, bytes({0, 255})));
    rig.close(View::Dimmers);
    view = rig.open<frmDimmers>(View::Dimmers); // the patched dimmers in number order
    QCOMPARE(texts(grid(view)),
             row(0, nuls, {"1", "1", "255", "100%"}) + row(9, "Back", {"2", "2", "2", "1%"}));
}

// The playbacks window: the fader columns and how a memory reads, the layouts of the page changes,
// and the requests it sends.
void tst_Views::faderColumnShowsTheMemory_data()
{
    QTest::addColumn<Messages>("messages");
    QTest::addColumn<int>("playback");
    QTest::addColumn<QStringList>("cells");
    const auto data = [](int p, int type, int page, int num, int level) {
        return Messages{message(19, playback(p, type, page, num, level))};
    };
    const QString name = QString::fromLatin1(field("Memory", 16));
    QTest::newRow("scene") << data(0, 1, 0, 0, 0) << 0 << QStringList{"Scene 1 Page 1", name, "0%"};
    QTest::newRow("chase") << data(7, 3, 2, 9, 127) << 7
                           << QStringList{"Chase 10 Page 3", name, "50%"};
    QTest::newRow("last preset page")
        << data(8, 2, 23, 0, 1) << 8 << QStringList{"Preset 1 Page 24", name, "0%"};
    QTest::newRow("factory preset F1")
        << data(9, 2, 24, 4, 254) << 9 << QStringList{"F. Preset 5 Page F1", name, "100%"};
    QTest::newRow("show") << data(15, 4, 3, 1, 2) << 15 << QStringList{"Show 2 Page 4", name, "1%"};
    QTest::newRow("type 5, level to 200")
        << data(12, 5, 0, 0, 0) + Messages{message(20, bytes({12, 200}))} << 12
        << QStringList{"?", name, "78%"};
    QTest::newRow("unassigned after a memory")
        << data(2, 1, 0, 0, 200) + Messages{message(19, bytes({2, 0}) + QByteArray(21, '\0'))} << 2
        << QStringList{"", "", ""};
}

void tst_Views::faderColumnShowsTheMemory()
{
    QFETCH(Messages, messages);
    QFETCH(int, playback);
    QFETCH(QStringList, cells);
    Rig rig;
    auto* view = rig.open<frmPlaybacks>(View::Playbacks);
    for (const QByteArray& m : messages)
        rig.say(m);
    view->UpdatePlayback(16); // out of range: nothing
    // Playback p is column p + 1 of the playback faders or p - 7 of the flex faders; every other
    // cell of both grids stays empty.
    QStringList expected(24), empty(24);
    for (int r = 0; r < 3; ++r)
        expected[r * 8 + playback % 8] = cells[r];
    QCOMPARE(texts(*view->findChild<Grid*>("grdPB")), playback < 8 ? expected : empty);
    QCOMPARE(texts(*view->findChild<Grid*>("grdFlexPB")), playback < 8 ? empty : expected);
}

void tst_Views::pageChangesSwitchLayoutAndAskForTheFaders_data()
{
    QTest::addColumn<Messages>("messages");
    QTest::addColumn<bool>("flexShown");
    QTest::addColumn<QList<QByteArray>>("written"); // after A5 15 FF at opening
    const auto page = [](int bank, int number) { return message(21, bytes({bank, number})); };
    QTest::newRow("playback page") << Messages{page(0, 5)} << false << requests(0, 7);
    QTest::newRow("flex page") << Messages{page(1, 2)} << true << requests(8, 15);
    QTest::newRow("flex page, then none")
        << Messages{page(1, 2), page(1, 0xFF)} << false << requests(8, 15);
    QTest::newRow("cut short") << Messages{message(21, bytes({1}))} << false << QList<QByteArray>{};
    QTest::newRow("level 0 asks again")
        << Messages{message(20, bytes({3, 0}))} << false << requests(3, 3);
    QTest::newRow("level 1") << Messages{message(20, bytes({3, 1}))} << false
                             << QList<QByteArray>{};
}

void tst_Views::pageChangesSwitchLayoutAndAskForTheFaders()
{
    QFETCH(Messages, messages);
    QFETCH(bool, flexShown);
    QFETCH(QList<QByteArray>, written);
    Rig rig;
    auto* view = rig.open<frmPlaybacks>(View::Playbacks);
    auto* pb = view->findChild<Grid*>("grdPB");
    auto* flex = view->findChild<Grid*>("grdFlexPB");
    for (const QByteArray& m : messages)
        rig.say(m);
    QCOMPARE(rig.writes(), QList<QByteArray>{bytes({0xA5, 0x15, 0xFF})} + written);
    // The playback faders sit below the flex faders while those show, in their place otherwise.
    QCOMPARE(flex->isVisible(), flexShown);
    QVERIFY(pb->isVisible());
    QCOMPARE(pb->x(), flex->x());
    QCOMPARE(pb->y() > flex->geometry().bottom(), flexShown);
    QCOMPARE(pb->y() == flex->y(), !flexShown);
}

// The scene event list: records of both formats as their lines, untrusted payloads, and the
// requests the window sends.
void tst_Views::eachRecordBecomesItsLine_data()
{
    QTest::addColumn<bool>("extended");
    QTest::addColumn<QByteArray>("events");
    QTest::addColumn<QString>("text");
    const auto hex = [](const char* h) { return QByteArray::fromHex(h); };
    QTest::newRow("unnamed channel, three digits")
        << false << hex("030564ff") << spot + "channel 6: 100\r\n";
    QTest::newRow("named channel with its scene")
        << true << hex("03000704 01ff") << spot + "Pan     : 7   (Scene 5 Page 2)\r\n";
    QTest::newRow("empty buffer") << false << hex("ff") << "Scene buffer is empty.";
    QTest::newRow("empty payload") << true << QByteArray() << "";
    QTest::newRow("preset without a scene, chase with one")
        << true << hex("800017000000000000ff00 900102000000 0000ff")
        << "preset 1 page 24\r\nchase 2 page 3   (Scene 1 Page 1)\r\n";
    QTest::newRow("pan of a second part, no scene")
        << true << hex("b003013412ff00ff") << spot + "multi 2 pan high byte: 18 / low byte: 52\r\n";
    QTest::newRow("illegal code stands alone")
        << false << hex("50030580ff") << illegal + spot + "channel 6: 128\r\n";
    QTest::newRow("channel 32") << false << hex("032080ff") << illegal;
    QTest::newRow("pan of fixture 48 consumed whole")
        << true << hex("b0300102030405 0305800000")
        << illegal + spot + "channel 6: 128   (Scene 1 Page 1)\r\n";
    QTest::newRow("values named by the profile")
        << false << hex("0502c8 050210")
        << "fixture 6 Wash             channel 3: Closed  \r\n"
           "fixture 6 Wash             channel 3: Open    \r\n";
    QTest::newRow("profile not loaded")
        << false << hex("0602c8") << "fixture 7 Beam             channel 3: 200\r\n";
    QTest::newRow("record cut off") << false << hex("030580 800219") << spot + "channel 6: 128\r\n";
}

void tst_Views::eachRecordBecomesItsLine()
{
    QFETCH(bool, extended);
    QFETCH(QByteArray, events);
    QFETCH(QString, text);
    SceneView s;
    const QList<Step> shutter{{60, 0, 127, "Open"}, {200, 128, 255, "Closed"}};
    s.rig.say(message(7, profile(7, {{}, {}, shutter})));
    s.rig.fixture({.number = 3, .type = 5, .profile = 7, .name = "Spot", .channelNames = {"Pan"}});
    s.rig.fixture({.number = 5, .profile = 7, .name = "Wash", .channelNames = {}});
    s.rig.fixture({.number = 6, .profile = 8, .name = "Beam", .channelNames = {}});
    s.rig.state().ExtendedFormat = extended;
    s.rig.say(message(5, bytes({0x50})));
    QVERIFY(!s.view->Text().isEmpty()); // to be replaced whole
    if (events.isEmpty())
        s.view->Display_Events(events); // the receive path passes no empty payload
    else
        s.rig.say(message(5, events));
    QCOMPARE(s.view->Text(), text);
    QStringList lines = text.split("\r\n");
    if (text.endsWith("\r\n"))
        lines.removeLast();
    QCOMPARE(s.text->lines(), text.isEmpty() ? QStringList{} : lines);
}

void tst_Views::asksForTheBufferOnOpeningAndRefresh()
{
    SceneView s;
    QTest::mouseClick(s.view->findChild<QPushButton*>("cmdRefresh"), Qt::LeftButton);
    QCOMPARE(s.rig.writes(), QList<QByteArray>(2, bytes({0xA5, 0x05})));
}

// The show list window: step rows, caption and marker; the requests that a choice or a started
// show sends; the stored option.
void tst_Views::listAndStepMessagesShowTheStepsPlayed_data()
{
    QTest::addColumn<Messages>("messages");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QStringList>("rows");
    const auto step = [](int n, int g, int s) { return message(24, bytes({n, g, s})); };
    const QByteArray three = showList(2, 5, "Finale", twoSteps + QList<ShowStepLayout>{{9, 9, ""}});
    const Messages finale{message(22, showList(2, 5, "Finale", twoSteps))};
    const QString red = "|Scn. 1 Pg. 2  " + QString::fromLatin1(field("Red wash", 16));
    const QString blue = "|Scn. 5 Pg. 1  " + QString::fromLatin1(field("Blue", 16));
    const QStringList first{">|1" + red, "|2" + blue}, second{"|1" + red, ">|2" + blue};
    QTest::newRow("second step") << finale + Messages{step(2, 5, 1)} << caption("Finale") << second;
    QTest::newRow("steps beyond the list, of another show or cut short")
        << finale +
               Messages{step(2, 5, 2), step(3, 5, 1), step(2, 6, 1), message(24, bytes({2, 5}))}
        << caption("Finale") << first;
    QTest::newRow("no such show") << finale +
                                         Messages{message(22, bytes({0xFF})), step(255, 255, 0)}
                                  << "Show List - empty" << QStringList{"||"};
    // The caption names the show whose (empty) list is on screen, not the one before.
    QTest::newRow("show without steps")
        << finale + Messages{message(22, showList(7, 0, "Quiet", {}))} << caption("Quiet")
        << QStringList{};
    QTest::newRow("shorter list replaces a longer")
        << Messages{message(22, three), step(2, 5, 2)} + finale << caption("Finale") << first;
    QTest::newRow("last step cut short")
        << Messages{message(22, three.chopped(1)), step(2, 5, 2)} << caption("Finale") << first;
    QTest::newRow("cut short before the step count")
        << Messages{message(22, three.left(18))} << "Show List" << QStringList{};
}

void tst_Views::listAndStepMessagesShowTheStepsPlayed()
{
    QFETCH(Messages, messages);
    QFETCH(QString, title);
    QFETCH(QStringList, rows);
    Opened o;
    for (const QByteArray& m : messages)
        o.rig.say(m);
    QCOMPARE(o.view->windowTitle(), title);
    QCOMPARE(o.rows(), rows);
}

void tst_Views::choiceAndStartedShowAskForTheList_data()
{
    QTest::addColumn<QString>("stored"); // the option as stored; empty: nothing stored
    QTest::addColumn<bool>("ticked");
    QTest::newRow("nothing stored") << "" << true;
    QTest::newRow("0") << "0" << false;
    QTest::newRow("not a number") << "yes" << true;
}

void tst_Views::choiceAndStartedShowAskForTheList()
{
    QFETCH(QString, stored);
    QFETCH(bool, ticked);
    if (!stored.isEmpty())
        Settings().SaveSetting("Startup", "show_frm_chk", stored);
    Opened o;
    QCOMPARE(o.number->currentText() + o.page->currentText(), QStringLiteral("1"));
    const auto sent = [](bool yes, const QByteArray& b) {
        return yes ? QList<QByteArray>{b} : QList<QByteArray>{};
    };
    // A page alone sends nothing; the twelfth number on the third page asks for that show.
    o.page->setCurrentIndex(2);
    emit o.page->activated(2);
    o.number->setCurrentIndex(11);
    emit o.number->activated(11);
    QCOMPARE(o.rig.writes(), sent(true, bytes({0xA5, 0x16, 11, 2})));

    auto* option = o.view->findChild<QCheckBox*>("chkShow");
    QCOMPARE(option->isChecked(), ticked);
    for (const bool tickedNow : {ticked, !ticked}) {
        o.rig.backend->clearWrites();
        o.rig.say(message(23, bytes({7}))); // cut short: nothing
        o.rig.say(message(23, bytes({7, 2})));
        QCOMPARE(o.rig.writes(), sent(tickedNow, bytes({0xA5, 0x16, 7, 2})));
        QTest::mouseClick(option, Qt::LeftButton, {}, QPoint(5, option->height() / 2));
        QCOMPARE(Settings().GetSetting("Startup", "show_frm_chk"), tickedNow ? "0" : "1");
    }
}

// The memory page window: what each kind of page shows, the fixture marks, and the bytes its
// controls send to the console.
void tst_Views::pagesAndSelectionsShowTheirCaptionHeadersEntriesAndMarks_data()
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
void tst_Views::pagesAndSelectionsShowTheirCaptionHeadersEntriesAndMarks()
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

void tst_Views::controlsSendTheirCommands_data()
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

void tst_Views::controlsSendTheirCommands()
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

// The show list's and the memory page's choices: typing, the arrow keys and pasting neither step
// them nor send anything; F4, Alt+Down and Alt+Up open the list, where the keys choose as the
// mouse does.
void tst_Views::keysDoNotStepTheChoicesButOpenTheirLists_data()
{
    QTest::addColumn<View>("view");
    QTest::addColumn<QString>("combo");
    QTest::addColumn<QKeySequence>("key");
    QTest::addColumn<bool>("opens");
    QTest::newRow("Down") << View::Show << "cboNum" << QKeySequence(Qt::Key_Down) << false;
    QTest::newRow("digit") << View::Show << "cboPg" << QKeySequence(Qt::Key_5) << false;
    QTest::newRow("Tab moves on") << View::Show << "cboNum" << QKeySequence(Qt::Key_Tab) << false;
    QTest::newRow("F4") << View::Show << "cboNum" << QKeySequence(Qt::Key_F4) << true;
    QTest::newRow("Alt+Down") << View::Show << "cboNum" << QKeySequence(Qt::ALT | Qt::Key_Down)
                              << true;
    QTest::newRow("Alt+Up") << View::Show << "cboPg" << QKeySequence(Qt::ALT | Qt::Key_Up) << true;
    // The page's caption stands in a text field that only shows.
    QTest::newRow("page, a letter") << View::Page << "cboPage" << QKeySequence(Qt::Key_X) << false;
    QTest::newRow("page, Backspace")
        << View::Page << "cboPage" << QKeySequence(Qt::Key_Backspace) << false;
    QTest::newRow("page, paste") << View::Page << "cboPage" << QKeySequence(QKeySequence::Paste)
                                 << false;
    QTest::newRow("page, Up") << View::Page << "cboPage" << QKeySequence(Qt::Key_Up) << false;
    QTest::newRow("page, F4") << View::Page << "cboPage" << QKeySequence(Qt::Key_F4) << true;
}

void tst_Views::keysDoNotStepTheChoicesButOpenTheirLists()
{
    QFETCH(View, view);
    QFETCH(QString, combo);
    QFETCH(QKeySequence, key);
    QFETCH(bool, opens);
    Rig rig;
    auto* box = rig.open<MonitorView>(view)->findChild<QComboBox*>(combo);
    if (view == View::Page)
        rig.say(message(3, page(0, 2, 0, 1, {"A"}))); // a caption to keep
    rig.backend->clearWrites();
    const int index = box->currentIndex();
    const QString text = box->currentText();
    QVERIFY(QTest::qWaitForWindowActive(&rig.main));
    box->setFocus();
    QTest::keySequence(box, key);
    QCOMPARE(box->currentIndex(), index);
    QCOMPARE(box->currentText(), text);
    QCOMPARE(rig.writes(), QList<QByteArray>{});
    QCOMPARE(box->view()->isVisible(), opens);
    QCOMPARE(box->hasFocus(), key != QKeySequence(Qt::Key_Tab) && !opens);
    if (!opens)
        return;
    QTest::keyClick(box->view(), Qt::Key_Down);
    QTest::keyClick(box->view(), Qt::Key_Return);
    QTRY_VERIFY(!box->view()->isVisible());
    QVERIFY(box->currentIndex() != index);
    // A show number asks for its list, a page kind for its page; a show page alone asks nothing.
    QList<QByteArray> asked;
    if (combo == QLatin1String("cboNum"))
        asked << bytes({0xA5, 0x16, box->currentIndex(), 0});
    if (combo == QLatin1String("cboPage"))
        asked << bytes({0xA5, 0x0E, box->currentIndex()});
    QCOMPARE(rig.writes(), asked);
}

QTEST_MAIN(tst_Views)
#include "tst_views.moc"
