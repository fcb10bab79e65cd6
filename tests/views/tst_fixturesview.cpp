// The fixtures window fed through the receive path: block layout, header rows, columns added for
// wider fixtures, channel updates that miss every block, the channel pick, what it tells the
// console as it opens and closes.

#include "Rig.h"
#include "views/dimmers/frmDimmers.h"

#include <QAction>

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
    frmFixtures2* view = rig.open();
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
    QVERIFY(view);

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

QTEST_MAIN(tst_FixturesView)
#include "tst_fixturesview.moc"
