// The fixtures window fed through the receive path: block layout, header rows, columns added for
// wider fixtures, channel updates that miss every block, the channel pick, what it tells the
// console as it opens and closes. The channel edit dialog opened from a pick in it: what it shows,
// the exact commands it writes in each edit mode, and what the keys do to the value typed.

#include "Rig.h"
#include "model/Settings.h"
#include "views/dimmers/frmDimmers.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

using namespace Payloads;

namespace {

FixtureLayout spot(int number, int nchnls, int multi = 1, QList<QByteArray> names = {})
{
    return {.number = number,
            .profile = 3,
            .nchnls = nchnls,
            .multi = multi,
            .address = 1 + 32 * number,
            .name = "Spot " + QByteArray::number(number + 1),
            .channelNames = names};
}

QStringList rowTexts(Grid& grid, int row)
{
    QStringList texts;
    for (int c = 1; c <= grid.columns(); ++c)
        texts << grid.cellText(row, c);
    return texts;
}

// Columns of `row` whose cell is button-face grey.
QList<int> greyColumns(Grid& grid, int row)
{
    const QColor face = grid.resolveColour(Grid::ButtonFace);
    QList<int> grey;
    for (int c = 1; c <= grid.columns(); ++c)
        if (grid.cellBackColor(row, c) == face)
            grey << c;
    return grey;
}

QList<int> range(int first, int last)
{
    QList<int> out;
    for (int i = first; i <= last; ++i)
        out << i;
    return out;
}

// Steps of the profile's channel 1: the pick lists these names and sends their values.
const QList<Step> Gobo{{10, 0, 63, "OPEN"}, {80, 64, 127, "STAR"}, {165, 128, 255, "SPIN"}};

FixtureLayout fixtureOf(int number, int type, int profile, int multi)
{
    return {.number = number,
            .type = type,
            .profile = profile,
            .multi = multi,
            .address = 1 + 32 * number,
            .name = "Unit " + QByteArray::number(number + 1),
            .channelNames = {"Pan", "Gobo", "Dim"}};
}

QByteArray cmd(int f, int c, int v)
{
    QByteArray out = bytes({0xA5, 0x08, f, c, v});
    if (v == 0xA5)
        out.append('\0');
    return out;
}

void setMode(const QString& mode)
{
    Settings s;
    for (const char* key : {"this", "all", "sel"})
        s.SaveBool("edit", QString::fromLatin1(key), mode == QLatin1String(key));
}

// The console's rig for these tests: fixtures 0, 2 and 5 are profile 7 fixtures with two cells of
// three channels; fixture 3 is a library fixture of type 7; fixture 4 a library fixture of type
// 5 ... beside profile fixture 6 of profile 5; fixture 1 is an empty slot, beside profile fixture
// 8 of profile 0.
struct EditRig : Rig
{
    frmFixtures2* view;
    EditRig()
    {
        say(message(7, profile(7, {{}, Gobo, {}})));
        fixture(fixtureOf(0, 255, 7, 2));
        fixture(fixtureOf(2, 255, 7, 2));
        fixture(fixtureOf(3, 7, 0, 2));
        fixture(fixtureOf(4, 5, 0, 1));
        fixture(fixtureOf(5, 255, 7, 1));
        fixture(fixtureOf(6, 255, 5, 1));
        fixture(fixtureOf(8, 255, 0, 1));
        channelValue(0, 1, 70); // STAR
        channelValue(3, 1, 42);
        view = open();
        backend->clearWrites();
    }
    // Picks the value cell of flat channel `ch` of fixture `f`.
    frmEdit* pick(int f, int ch)
    {
        emit grid().cellSelected(view->FixtureRow(f) + 1, ch + 2);
        return view->editDialog();
    }
    template <typename T>
    T* control(frmEdit* dialog, const char* name)
    {
        return dialog->findChild<T*>(QString::fromLatin1(name));
    }
};

} // namespace

class tst_FixturesView : public QObject
{
    Q_OBJECT
private slots:
    void init() { forgetSettings(); }
    void blocksFollowArrivalOrderThenNumberOrderAfterReopening();
    void headerRowNamesEveryChannelOfEveryCell_data();
    void headerRowNamesEveryChannelOfEveryCell();
    void columnsGrowNeverShrinkAndNewCellsTurnGrey();
    void channelUpdatesOutsideABlockChangeNothing_data();
    void channelUpdatesOutsideABlockChangeNothing();
    void channelCellsOpenTheEditor_data();
    void channelCellsOpenTheEditor();
    void valuesInPercentFollowTheChoice();
    void openingAndClosingTellTheConsole_data();
    void openingAndClosingTellTheConsole();
    void showsThePickedChannel_data();
    void showsThePickedChannel();
    void writesTheCommandsOfTheEditMode_data();
    void writesTheCommandsOfTheEditMode();
    void keysEditTheValue_data();
    void keysEditTheValue();
    void editModeIsStoredAndRestored();
    void cancelAndDeactivationCloseWithoutSending();
};

void tst_FixturesView::blocksFollowArrivalOrderThenNumberOrderAfterReopening()
{
    Rig rig;
    frmFixtures2* view = rig.open();
    rig.fixture(spot(6, 2));
    rig.fixture(spot(1, 2));
    QCOMPARE(view->FixtureRow(6), qint16(1));
    QCOMPARE(view->FixtureRow(1), qint16(4));
    QCOMPARE(rig.grid().rows(), 6);
    QCOMPARE(rig.grid().cellText(4, 1), QStringLiteral("fixture 2"));
    // A value cell's tooltip is its own fixture's DMX address and value, as the record has them.
    const QString unconfirmed =
        QStringLiteral("\nNot yet confirmed by the console since the link came up.");
    QCOMPARE(rig.grid().cellToolTip(2, 3), QStringLiteral("DMX 194, value 0") + unconfirmed);
    rig.channelValue(1, 1, 200);
    QCOMPARE(rig.grid().cellToolTip(5, 3), QStringLiteral("DMX 34, value 200"));
    QCOMPARE(rig.grid().cellToolTip(4, 3), QString()); // the names row
    // Redefining a shown fixture keeps its block.
    rig.fixture(spot(6, 2));
    QCOMPARE(view->FixtureRow(6), qint16(1));
    QCOMPARE(rig.grid().rows(), 6);

    rig.close();
    view = rig.open();
    QCOMPARE(view->FixtureRow(1), qint16(1));
    QCOMPARE(view->FixtureRow(6), qint16(4));
    QCOMPARE(view->FixtureRow(0), qint16(0));
    QCOMPARE(rig.grid().cellText(1, 1), QStringLiteral("fixture 2"));
    QCOMPARE(rig.grid().cellText(5, 1), QStringLiteral("Spot 7          "));
}

void tst_FixturesView::headerRowNamesEveryChannelOfEveryCell_data()
{
    QTest::addColumn<FixtureLayout>("layout");
    QTest::addColumn<QStringList>("header");
    QTest::newRow("named, one cell")
        << spot(4, 3, 1, {"Pan", "Tilt", "Dim"})
        << QStringList{"fixture 5", "Pan     ", "Tilt    ", "Dim     ", ""};
    QTest::newRow("unnamed, two cells")
        << spot(4, 3, 2) << QStringList{"fixture 5 X 2", "channel 1", "channel 2", "channel 3",
                                        "channel 1",     "channel 2", "channel 3"};
    QTest::newRow("partly named") << spot(0, 2, 1, {"Pan"})
                                  << QStringList{"fixture 1", "Pan     ", "channel 2", "", ""};
}

void tst_FixturesView::headerRowNamesEveryChannelOfEveryCell()
{
    QFETCH(FixtureLayout, layout);
    QFETCH(QStringList, header);
    Rig rig;
    rig.open();
    rig.fixture(layout);
    QCOMPARE(rowTexts(rig.grid(), 1), header);
}

void tst_FixturesView::columnsGrowNeverShrinkAndNewCellsTurnGrey()
{
    Rig rig;
    rig.open();
    Grid& grid = rig.grid();
    rig.fixture(spot(0, 6));
    QCOMPARE(grid.columns(), 7);
    QCOMPARE(grid.columnHeader(7), QStringLiteral("chnl. 6"));
    rig.fixture(spot(1, 2));
    QCOMPARE(greyColumns(grid, 1), QList<int>{});
    QCOMPARE(greyColumns(grid, 2), QList<int>{});
    QCOMPARE(greyColumns(grid, 3), range(1, 7));
    QCOMPARE(greyColumns(grid, 4), range(4, 7));
    QCOMPARE(greyColumns(grid, 5), range(4, 7));
    QCOMPARE(greyColumns(grid, 6), range(1, 7));

    // A wider fixture adds columns, grey in every row that was there before it.
    rig.fixture(spot(2, 8));
    QCOMPARE(grid.columns(), 9);
    QCOMPARE(greyColumns(grid, 1), range(8, 9));
    QCOMPARE(greyColumns(grid, 4), range(4, 9));
    QCOMPARE(greyColumns(grid, 6), range(1, 9));
    QCOMPARE(greyColumns(grid, 8), QList<int>{});
    QCOMPARE(greyColumns(grid, 9), range(1, 9));
    QCOMPARE(grid.cellText(8, 9), QStringLiteral("0 "));

    // A shown fixture redefined wider gets its columns rather than writing past the last one;
    // they are its own channels, not grey in its rows.
    rig.fixture(spot(1, 4, 3));
    QCOMPARE(grid.columns(), 13);
    QCOMPARE(grid.cellText(4, 1), QStringLiteral("fixture 2 X 3"));
    QCOMPARE(grid.cellText(4, 13), QStringLiteral("channel 4"));
    QCOMPARE(grid.cellText(5, 13), QStringLiteral("0 "));
    QCOMPARE(greyColumns(grid, 4), QList<int>{});
    QCOMPARE(greyColumns(grid, 5), QList<int>{});
    QCOMPARE(greyColumns(grid, 6), range(1, 13));
}

void tst_FixturesView::channelUpdatesOutsideABlockChangeNothing_data()
{
    QTest::addColumn<int>("fixture");
    QTest::addColumn<int>("channel");
    QTest::newRow("fixture without a block") << 5 << 0;
    QTest::newRow("negative channel") << 0 << -1;
    QTest::newRow("channel at ChnlCols") << 0 << 4;
    QTest::newRow("fixture 48") << 48 << 0;
    QTest::newRow("negative fixture") << -1 << 0;
}

void tst_FixturesView::channelUpdatesOutsideABlockChangeNothing()
{
    QFETCH(int, fixture);
    QFETCH(int, channel);
    Rig rig;
    rig.fixture(spot(0, 2));
    frmFixtures2* view = rig.open(); // four channel columns
    // Values change in every record, so a write anywhere would show.
    for (auto& f : rig.state().Fixtures)
        for (qint16 ch = 0; ch < 32; ++ch)
            f.chval(ch, 99);
    const QStringList before = texts(rig.grid());
    view->UpdateChnl(qint16(fixture), qint16(channel));
    QCOMPARE(texts(rig.grid()), before);
    QCOMPARE(rig.grid().columns(), 5);
}

void tst_FixturesView::channelCellsOpenTheEditor_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("column");
    QTest::addColumn<int>("key"); // 0: a click on the cell
    QTest::addColumn<bool>("opens");
    QTest::newRow("fixture name") << 2 << 1 << 0 << false;
    QTest::newRow("empty cell beside the channels") << 2 << 5 << 0 << false;
    QTest::newRow("value cell") << 2 << 3 << 0 << true;
    QTest::newRow("channel name cell") << 1 << 4 << 0 << true;
    QTest::newRow("Enter") << 2 << 3 << int(Qt::Key_Return) << true;
    QTest::newRow("keypad Enter") << 2 << 3 << int(Qt::Key_Enter) << true;
    QTest::newRow("F2") << 2 << 3 << int(Qt::Key_F2) << true;
    QTest::newRow("F3") << 2 << 3 << int(Qt::Key_F3) << false;
}

void tst_FixturesView::channelCellsOpenTheEditor()
{
    QFETCH(int, row);
    QFETCH(int, column);
    QFETCH(int, key);
    QFETCH(bool, opens);
    Rig rig;
    frmFixtures2* view = rig.open();
    rig.fixture(spot(0, 3));
    Grid& grid = rig.grid();
    QVERIFY(QTest::qWaitForWindowExposed(&grid));
    const QModelIndex cell = grid.model()->index(row - 1, column - 1);
    if (key) {
        grid.setFocus();
        // Made current without a pick, as the arrow keys leave it after the last edit.
        grid.selectionModel()->setCurrentIndex(cell, QItemSelectionModel::NoUpdate);
        QTest::keyClick(&grid, Qt::Key(key));
    } else {
        QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, grid.visualRect(cell).center());
        QVERIFY(grid.selectionModel()->selectedIndexes().isEmpty());
    }
    QCOMPARE(view->editDialog() != nullptr, opens);
    if (opens) {
        QCOMPARE(view->EditRow(), row);
        QCOMPARE(view->EditCol(), column);
        QCOMPARE(view->EditText(), grid.cellText(row, column));
        QVERIFY(view->editDialog()->isVisible());
    }
}

void tst_FixturesView::valuesInPercentFollowTheChoice()
{
    Rig rig;
    rig.say(message(17, dimmer(4, true, 200, "Front", 128)));
    rig.open();
    auto* dimmers = rig.open<frmDimmers>(ViewId::Dimmers);
    rig.fixture(spot(0, 2));
    rig.channelValue(0, 0, 128);
    rig.channelValue(0, 1, 255);
    Grid& dimmerGrid = *dimmers->findChild<Grid*>();
    QCOMPARE(rig.grid().cellText(2, 2), QStringLiteral("128 "));
    QCOMPARE(dimmerGrid.cellText(1, 4), QStringLiteral("128"));

    rig.main.findChild<QAction*>(QStringLiteral("mnuValuesInPercent"))->trigger();
    QCOMPARE(rig.grid().cellText(2, 2), QStringLiteral("50% "));
    QCOMPARE(rig.grid().cellText(2, 3), QStringLiteral("100% "));
    QCOMPARE(dimmerGrid.cellText(1, 4), QStringLiteral("128")); // beside its own "%" column
    rig.channelValue(0, 0, 1);
    QCOMPARE(rig.grid().cellText(2, 2), QStringLiteral("0% "));

    // The choice is kept for the next start.
    frmMain next{std::make_unique<FakeSerialBackend>()};
    QVERIFY(next.displayOptions().valuesInPercent());
    rig.main.displayOptions().setValuesInPercent(false);
    QCOMPARE(rig.grid().cellText(2, 2), QStringLiteral("1 "));
}

void tst_FixturesView::openingAndClosingTellTheConsole_data()
{
    QTest::addColumn<bool>("dimmersOpen");
    QTest::addColumn<QList<QByteArray>>("written");
    const QByteArray opened = bytes({0xA5, 0x0B, 0x02});
    QTest::newRow("alone") << false << QList<QByteArray>{opened, bytes({0xA5, 0x0B, 0x01})};
    // The console must go on sending levels for the dimmers view.
    QTest::newRow("dimmers view open") << true << QList<QByteArray>{opened};
}

void tst_FixturesView::openingAndClosingTellTheConsole()
{
    QFETCH(bool, dimmersOpen);
    QFETCH(QList<QByteArray>, written);
    Rig rig;
    if (dimmersOpen)
        rig.open<frmDimmers>(ViewId::Dimmers);
    rig.open();
    rig.close();
    QCOMPARE(rig.writes(), written);
}

// The channel edit dialog.
void tst_FixturesView::showsThePickedChannel_data()
{
    QTest::addColumn<int>("fixture");
    QTest::addColumn<int>("channel");
    QTest::addColumn<QStringList>("labels");
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("editProf");
    const QStringList gobo{"OPEN    ", "STAR    ", "SPIN    "};
    // The second cell shows the first cell's channel: name, steps and value name.
    QTest::newRow("second cell") << 0 << 4
                                 << QStringList{"1 - Unit 1          ", "Channel 5", "Gobo    "}
                                 << gobo << "STAR    " << 0;
    QTest::newRow("library fixture: the value")
        << 3 << 4 << QStringList{"4 - Unit 4          ", "Channel 5", "Gobo    "} << QStringList{}
        << "42" << 0;
    QTest::newRow("profile not received")
        << 6 << 1 << QStringList{"7 - Unit 7          ", "Channel 2", "Gobo    "} << QStringList{}
        << "0" << -1;
    QTest::newRow("channel without steps")
        << 5 << 0 << QStringList{"6 - Unit 6          ", "Channel 1", "Pan     "} << QStringList{}
        << "0" << 0;
}

void tst_FixturesView::showsThePickedChannel()
{
    QFETCH(int, fixture);
    QFETCH(int, channel);
    QFETCH(QStringList, labels);
    QFETCH(QStringList, steps);
    QFETCH(QString, text);
    QFETCH(int, editProf);
    EditRig rig;
    frmEdit* dialog = rig.pick(fixture, channel);
    QVERIFY(dialog);
    QCOMPARE(rig.control<QLabel>(dialog, "label1")->text(), labels[0]);
    QCOMPARE(rig.control<QLabel>(dialog, "Label2")->text(), labels[1]);
    QCOMPARE(rig.control<QLabel>(dialog, "Label3")->text(), labels[2]);
    auto* combo = rig.control<QComboBox>(dialog, "cboEdit");
    QStringList listed;
    for (int i = 0; i < combo->count(); ++i)
        listed << combo->itemText(i);
    QCOMPARE(listed, steps);
    QCOMPARE(combo->currentText(), text);
    // Typing replaces what the dialog opened with.
    QCOMPARE(combo->lineEdit()->selectedText(), text);
    QCOMPARE(dialog->EditFixt(), quint8(fixture));
    QCOMPARE(dialog->EditChnl(), quint8(channel));
    QCOMPARE(dialog->EditProf(), qint16(editProf));
    QVERIFY(rig.control<QRadioButton>(dialog, "optThisFixt")->isChecked());
}

void tst_FixturesView::writesTheCommandsOfTheEditMode_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<int>("fixture");
    QTest::addColumn<int>("channel");
    QTest::addColumn<QList<int>>("selected");
    QTest::addColumn<QString>("typed"); // empty: pick the list's second step (STAR, 80)
    QTest::addColumn<QList<QByteArray>>("written");

    QTest::newRow("this, 007 is 7")
        << "this" << 0 << 4 << QList<int>{} << "007" << QList<QByteArray>{cmd(0, 4, 7)};
    QTest::newRow("this, 165 is followed by 00")
        << "this" << 2 << 1 << QList<int>{} << "165" << QList<QByteArray>{cmd(2, 1, 0xA5)};
    QTest::newRow("this, 255") << "this" << 2 << 1 << QList<int>{} << "255"
                               << QList<QByteArray>{cmd(2, 1, 255)};
    // Every profile 7 fixture, each of its cells, in fixture then cell order.
    QTest::newRow("all, profile fixtures with two cells")
        << "all" << 0 << 4 << QList<int>{} << ""
        << QList<QByteArray>{cmd(0, 1, 80), cmd(0, 4, 80), cmd(2, 1, 80), cmd(2, 4, 80),
                             cmd(5, 1, 80)};
    // Library type 7 is not profile 7; library type 5 is not profile 5.
    QTest::newRow("all, library type")
        << "all" << 3 << 2 << QList<int>{} << "9" << QList<QByteArray>{cmd(3, 2, 9), cmd(3, 5, 9)};
    QTest::newRow("all, library type 5 beside profile 5")
        << "all" << 4 << 0 << QList<int>{} << "1" << QList<QByteArray>{cmd(4, 0, 1)};
    // An empty slot has type 0 and profile 0: it is not a profile 0 fixture.
    QTest::newRow("all, profile 0 beside empty slots")
        << "all" << 8 << 2 << QList<int>{} << "3" << QList<QByteArray>{cmd(8, 2, 3)};
    QTest::newRow("sel, nothing selected")
        << "sel" << 0 << 1 << QList<int>{} << "50" << QList<QByteArray>{};
    QTest::newRow("sel, the picked flat channel")
        << "sel" << 0 << 4 << QList<int>{3, 6} << "50"
        << QList<QByteArray>{cmd(3, 4, 50), cmd(6, 4, 50)};
    QTest::newRow("no mode stored") << "" << 0 << 4 << QList<int>{} << "50" << QList<QByteArray>{};
}

void tst_FixturesView::writesTheCommandsOfTheEditMode()
{
    QFETCH(QString, mode);
    QFETCH(int, fixture);
    QFETCH(int, channel);
    QFETCH(QList<int>, selected);
    QFETCH(QString, typed);
    QFETCH(QList<QByteArray>, written);
    setMode(mode);
    EditRig rig;
    for (int f : selected)
        rig.say(message(12, bytes({f, 1})));
    QPointer<frmEdit> dialog = rig.pick(fixture, channel);
    QVERIFY(dialog);
    auto* combo = rig.control<QComboBox>(dialog, "cboEdit");
    if (typed.isEmpty()) {
        emit combo->activated(1);
    } else {
        combo->lineEdit()->clear();
        QTest::keyClicks(combo, typed);
        QTest::keyClick(combo, Qt::Key_Return);
        if (dialog)
            QCOMPARE(combo->currentText(), QString::number(typed.toInt()));
    }
    QCOMPARE(rig.writes(), written);
    QTRY_VERIFY(!dialog); // a value sent closes the dialog
}

void tst_FixturesView::keysEditTheValue_data()
{
    // Fixture 3's channel opens with 42 selected, fixture 0's with the step name STAR.
    QTest::addColumn<QString>("keys"); // one key sequence after another
    QTest::addColumn<int>("fixture");
    QTest::addColumn<QString>("text"); // left in the entry while the dialog stays open
    QTest::addColumn<QList<QByteArray>>("written");
    const QList<QByteArray> none;
    QTest::newRow("backspace") << "1 2 Backspace 5 Return" << 3 << "" << QList{cmd(3, 1, 15)};
    QTest::newRow("other characters dropped") << "1 A 2 Space . 3 / -" << 3 << "123" << none;
    QTest::newRow("home, delete") << "Home Delete 9" << 3 << "92" << none;
    QTest::newRow("arrows") << "End Left 1" << 3 << "412" << none;
    QTest::newRow("select all") << "End Ctrl+A 7" << 3 << "7" << none;
    QTest::newRow("cut, paste") << "Ctrl+X 1 Ctrl+V" << 3 << "142" << none;
    QTest::newRow("copy, shift+insert") << "Ctrl+C End Shift+Insert" << 3 << "4242" << none;
    QTest::newRow("escape") << "7 Escape" << 3 << "" << none;
    // Out of range or no number: wiped, and never sent wrapped round.
    QTest::newRow("256") << "2 5 6 Return" << 3 << "" << none;
    QTest::newRow("very long") << QString("9 ").repeated(20) + "Return" << 3 << "" << none;
    QTest::newRow("empty") << "Backspace Return" << 3 << "" << none;
    QTest::newRow("a step name") << "Return" << 0 << "" << none;
}

void tst_FixturesView::keysEditTheValue()
{
    QFETCH(QString, keys);
    QFETCH(int, fixture);
    QFETCH(QString, text);
    QFETCH(QList<QByteArray>, written);
    EditRig rig;
    QPointer<frmEdit> dialog = rig.pick(fixture, 1);
    QVERIFY(dialog);
    auto* combo = rig.control<QComboBox>(dialog, "cboEdit");
    for (const QString& key : keys.split(u' ', Qt::SkipEmptyParts))
        if (dialog)
            QTest::keySequence(combo, QKeySequence::fromString(key));
    const bool closes = !written.isEmpty() || keys.endsWith("Escape");
    if (!closes)
        QCOMPARE(combo->currentText(), text);
    QCOMPARE(rig.writes(), written);
    QTRY_COMPARE(!dialog, closes);
}

void tst_FixturesView::editModeIsStoredAndRestored()
{
    EditRig rig;
    frmEdit* dialog = rig.pick(0, 1);
    QTest::mouseClick(rig.control<QRadioButton>(dialog, "optAllFixt"), Qt::LeftButton);
    const Settings s;
    QCOMPARE(s.GetSetting("edit", "this"), QStringLiteral("False"));
    QCOMPARE(s.GetSetting("edit", "all"), QStringLiteral("True"));
    QCOMPARE(s.GetSetting("edit", "sel"), QStringLiteral("False"));
    dialog->close();
    dialog = rig.pick(2, 1);
    QVERIFY(rig.control<QRadioButton>(dialog, "optAllFixt")->isChecked());
    QVERIFY(!rig.control<QRadioButton>(dialog, "optThisFixt")->isChecked());
}

void tst_FixturesView::cancelAndDeactivationCloseWithoutSending()
{
    EditRig rig;
    QPointer<frmEdit> dialog = rig.pick(0, 1);
    QTest::mouseClick(rig.control<QPushButton>(dialog, "cmdCancel"), Qt::LeftButton);
    QTRY_VERIFY(!dialog);

    dialog = rig.pick(0, 1);
    dialog->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(dialog));
    rig.main.activateWindow();
    QTRY_VERIFY(!dialog);
    // Deactivated with a step name in the text: still nothing sent.
    QCOMPARE(rig.writes(), QList<QByteArray>{});
}

QTEST_MAIN(tst_FixturesView)
#include "tst_fixturesview.moc"
