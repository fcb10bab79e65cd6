#include "EventCounter.h"
#include "controls/DirectRepaint.h"
#include "controls/Grid.h"
#include "controls/GridModel.h"

#include <QEventLoop>
#include <QHeaderView>
#include <QPaintEvent>
#include <QScreen>
#include <QSet>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

// Collects what the grid paints, so tests can tell one cell's repaint from a whole view's.
class PaintRecorder : public QObject
{
public:
    int paints = 0;
    QRegion region;
    void record(const QRegion& painted)
    {
        ++paints;
        region += painted;
    }
    void reset()
    {
        paints = 0;
        region = QRegion();
    }
};

// The cells (column, row from 0) that the model reported as changed.
QSet<QPoint> reportedCells(const QSignalSpy& changes)
{
    QSet<QPoint> cells;
    for (const QList<QVariant>& change : changes) {
        const QModelIndex first = change[0].toModelIndex();
        const QModelIndex last = change[1].toModelIndex();
        for (int row = first.row(); row <= last.row(); ++row)
            for (int column = first.column(); column <= last.column(); ++column)
                cells.insert(QPoint(column, row));
    }
    return cells;
}

class tst_Grid : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void rowCountGrowsAndShrinksFromTheEnd();
    void cellsOutsideTheGridIgnoreWritesAndReadEmpty_data();
    void cellsOutsideTheGridIgnoreWritesAndReadEmpty();
    void zeroBytesInNamesAreDrawnAsBlanks();
    void redrawOffPaintsNothingAndOnPaintsTheChangesOnce();
    void manyWritesAreReportedAndPaintedOnce();
    void heldReportsArePaintedWhenReleased();
    void aNewTextLeavesNothingOfTheOldOnScreen_data();
    void aNewTextLeavesNothingOfTheOldOnScreen();
    void aCellUnderAnotherWidgetIsNotPaintedOver();
    void aCellCutOffByItsParentIsPaintedAsItComesIntoSight();
    void rowsThatComeOrGoRepaintOnlyWhatMoved_data();
    void rowsThatComeOrGoRepaintOnlyWhatMoved();
    void cellsArePaintedWithTheirLook_data();
    void cellsArePaintedWithTheirLook();
    void clickAndKeyboardPicksAreReported();

private:
    // What the screen shows of the rectangle (the widget's coordinates).
    static QImage onScreen(QWidget* widget, const QRect& rect)
    {
        const QPoint at = widget->mapTo(widget->window(), rect.topLeft());
        return widget->screen()
            ->grabWindow(widget->window()->winId(), at.x(), at.y(), rect.width(), rect.height())
            .toImage();
    }
    // Shows the grid and records the paints of its cells from now on.
    bool watchPaintsOfShownGrid(PaintRecorder& paints);
    QPoint centreOf(int row, int column) const
    {
        return grid->visualRect(grid->model()->index(row - 1, column - 1)).center();
    }
    Grid* grid = nullptr;
};

void tst_Grid::init()
{
    grid = new Grid;
    grid->resize(600, 300);
    grid->setHeaderButtons(false);
    grid->setMultiSelect(false);
    grid->setRowMode(false);
    grid->addColumn(QStringLiteral("mnum"), QStringLiteral("No."), 0, -1, 60);
    grid->addColumn(QStringLiteral("mname"), QStringLiteral("Name"), 0, -1, 120);
    grid->addColumn(QString(), QStringLiteral("chnl. 1"), 0, -1, 90);
    grid->setRows(4);
}

void tst_Grid::cleanup()
{
    delete grid;
    grid = nullptr;
}

// Rows beyond the new count go; the rows that stay keep their cells.
void tst_Grid::rowCountGrowsAndShrinksFromTheEnd()
{
    grid->setCellText(1, 2, QStringLiteral("first"));
    grid->setCellText(4, 2, QStringLiteral("last"));
    grid->setRows(2);
    QCOMPARE(grid->rows(), 2);
    QCOMPARE(grid->cellText(1, 2), QStringLiteral("first"));
    grid->setRows(5);
    QCOMPARE(grid->cellText(4, 2), QString()); // a new, empty row
    grid->clear();
    QCOMPARE(grid->rows(), 0);
    QCOMPARE(grid->columns(), 3);
}

void tst_Grid::cellsOutsideTheGridIgnoreWritesAndReadEmpty_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("column");
    QTest::newRow("row 0") << 0 << 1;
    QTest::newRow("column 0") << 1 << 0;
    QTest::newRow("row past the end") << 5 << 1;
    QTest::newRow("column past the end") << 1 << 4;
    QTest::newRow("negative") << -1 << -1;
}

void tst_Grid::cellsOutsideTheGridIgnoreWritesAndReadEmpty()
{
    QFETCH(int, row);
    QFETCH(int, column);
    QSignalSpy changes(grid->model(), &QAbstractItemModel::dataChanged);
    grid->setCellText(row, column, QStringLiteral("x"));
    grid->setCellText(row, column, qint64(7));
    grid->setCellBackColor(row, column, Grid::ButtonFace);
    grid->setCellTextAlign(row, column, 1);
    QCOMPARE(grid->cellText(row, column), QString());
    QVERIFY(!grid->cellBackColor(row, column).isValid());
    QCOMPARE(changes.count(), 0);
    QCOMPARE(grid->rows(), 4);
    QCOMPARE(grid->columns(), 3);
}

void tst_Grid::zeroBytesInNamesAreDrawnAsBlanks()
{
    const QString name = QStringLiteral("Wash") + QString(4, QChar(0));
    grid->setCellText(1, 2, name);
    QCOMPARE(grid->cellText(1, 2), name); // kept as received
    QCOMPARE(grid->model()->index(0, 1).data().toString(), QStringLiteral("Wash    "));
}

bool tst_Grid::watchPaintsOfShownGrid(PaintRecorder& paints)
{
    grid->show();
    if (!QTest::qWaitForWindowExposed(grid))
        return false;
    connect(grid, &Grid::painted, &paints, &PaintRecorder::record);
    QCoreApplication::processEvents();
    paints.reset(); // only what the test itself causes
    return true;
}

void tst_Grid::redrawOffPaintsNothingAndOnPaintsTheChangesOnce()
{
    PaintRecorder paints;
    QVERIFY(watchPaintsOfShownGrid(paints));
    QSignalSpy changes(grid->model(), &QAbstractItemModel::dataChanged);

    grid->setRedraw(false);
    QVERIFY(!grid->redraw());
    grid->setCellText(1, 1, QStringLiteral("a"));
    grid->setCellText(4, 3, QStringLiteral("b"));
    grid->setCellBackColor(2, 2, Grid::ButtonFace);
    grid->setRows(6);
    grid->setCellText(6, 1, QStringLiteral("c"));
    QTest::qWait(50);
    QCOMPARE(paints.paints, 0);
    QCOMPARE(changes.count(), 0);
    QCOMPARE(grid->cellText(4, 3), QStringLiteral("b")); // the data is there, only unpainted

    grid->setRedraw(true);
    QCOMPARE(reportedCells(changes), (QSet<QPoint>{{0, 0}, {2, 3}, {1, 1}, {0, 5}}));
    QTRY_VERIFY(paints.paints > 0);
    QVERIFY(paints.region.boundingRect().contains(grid->visualRect(grid->model()->index(5, 0))));
    // Switching on again, with nothing changed, reports nothing.
    const qsizetype reports = changes.count();
    grid->setRedraw(true);
    QCoreApplication::processEvents();
    QCOMPARE(changes.count(), reports);
}

void tst_Grid::manyWritesAreReportedAndPaintedOnce()
{
    PaintRecorder paints;
    QVERIFY(watchPaintsOfShownGrid(paints));
    QSignalSpy changes(grid->model(), &QAbstractItemModel::dataChanged);
    // A burst from the console rewrites the same cells many times before the program is idle.
    for (int value = 0; value < 200; ++value) {
        grid->setCellText(2, 2, qint64(value));
        grid->setCellText(3, 3, qint64(value % 7));
    }
    QCOMPARE(changes.count(), 0); // nothing reported while the burst is handled
    QTRY_COMPARE(reportedCells(changes), (QSet<QPoint>{{1, 1}, {2, 2}}));
    QCOMPARE(changes.count(), 2);
    QTRY_COMPARE(paints.paints, 1);
    QVERIFY(!paints.region.contains(grid->visualRect(grid->model()->index(0, 0))));
    QCOMPARE(grid->cellText(2, 2), QStringLiteral("199"));
}

// A burst from the console is handled under a hold: nothing is painted while it lasts, however
// long the event loop runs, and its end paints every changed cell straight away.
void tst_Grid::heldReportsArePaintedWhenReleased()
{
    PaintRecorder paints;
    QVERIFY(watchPaintsOfShownGrid(paints));
    GridModel::holdReports();
    GridModel::holdReports(); // holds nest
    grid->setCellText(1, 1, QStringLiteral("held"));
    grid->setCellText(4, 3, QStringLiteral("too"));
    QTest::qWait(30);
    GridModel::releaseReports();
    QTest::qWait(30);
    QCOMPARE(paints.paints, 0);
    GridModel::releaseReports(); // the last release paints, before the event loop runs again
    QCOMPARE(paints.paints, 1);
    QVERIFY(paints.region.contains(grid->visualRect(grid->model()->index(0, 0))));
    QVERIFY(paints.region.contains(grid->visualRect(grid->model()->index(3, 2))));
    QVERIFY(!paints.region.contains(grid->visualRect(grid->model()->index(1, 1))));
    // A message box opened inside a burst runs a loop of its own: the held changes are painted
    // when it waits, not only when the burst ends.
    GridModel::holdReports();
    grid->setCellText(3, 1, QStringLiteral("behind a box"));
    QEventLoop box;
    QTimer::singleShot(30, &box, &QEventLoop::quit);
    box.exec();
    QCOMPARE(paints.paints, 2);
    QVERIFY(paints.region.contains(grid->visualRect(grid->model()->index(2, 0))));
    GridModel::releaseReports();
    GridModel::releaseReports(); // one release too many does nothing
    grid->setCellText(2, 2, QStringLiteral("after"));
    QTRY_COMPARE(paints.paints, 3);
}

void tst_Grid::aNewTextLeavesNothingOfTheOldOnScreen_data()
{
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("paintedMeanwhile"); // empty: nothing paints the cell meanwhile
    QTest::addColumn<QString>("after");
    QTest::addColumn<int>("alignment");
    const QString wide = QStringLiteral("WWWWWWWWWWWWWWWWWWWW"); // wider than the cell
    QTest::newRow("long to short") << wide << QString() << QStringLiteral("1") << 0;
    QTest::newRow("short to long") << QStringLiteral("1") << QString() << wide << 0;
    QTest::newRow("to empty") << QStringLiteral("WWWW") << QString() << QString() << 0;
    QTest::newRow("right-aligned")
        << QStringLiteral("WWWW") << QString() << QStringLiteral("1") << 2;
    QTest::newRow("centred") << QStringLiteral("1") << QString() << QStringLiteral("WWWW") << 1;
    QTest::newRow("a wider text painted meanwhile")
        << QStringLiteral("1") << wide << QStringLiteral("2") << 0;
}

// A changed text repaints only where texts are drawn; what is on screen afterwards must be what a
// paint of the whole grid shows.
void tst_Grid::aNewTextLeavesNothingOfTheOldOnScreen()
{
    QFETCH(QString, before);
    QFETCH(QString, paintedMeanwhile);
    QFETCH(QString, after);
    QFETCH(int, alignment);
    grid->show();
    QVERIFY(QTest::qWaitForWindowExposed(grid));
    grid->setCellTextAlign(2, 2, alignment);
    grid->setCellText(2, 2, before);
    QCoreApplication::processEvents();
    if (!paintedMeanwhile.isEmpty()) {
        grid->setCellText(2, 2, paintedMeanwhile);
        grid->viewport()->repaint(); // before the change is reported
    }
    grid->setCellText(2, 2, after);
    QCoreApplication::processEvents();

    const QRect cell = grid->visualRect(grid->model()->index(1, 1));
    const QImage shown = onScreen(grid->viewport(), cell);
    grid->viewport()->repaint();
    QCOMPARE(shown, onScreen(grid->viewport(), cell));
}

// A burst's changes are painted straight into the window, but never over a widget stacked above
// the grid: what it covers is left to it, and shows the new text once it goes.
void tst_Grid::aCellUnderAnotherWidgetIsNotPaintedOver()
{
    QWidget window;
    window.resize(700, 400);
    grid->setParent(&window);
    grid->setGeometry(0, 0, 600, 300);
    const QRect cell = grid->visualRect(grid->model()->index(1, 1));
    QWidget cover(&window);
    cover.setAutoFillBackground(true);
    QPalette red;
    red.setColor(QPalette::Window, Qt::red);
    cover.setPalette(red);
    // Over the left half of cell (2, 2).
    const QRect covered(cell.topLeft(), QSize(cell.width() / 2, cell.height()));
    cover.setGeometry(QRect(grid->viewport()->mapTo(&window, covered.topLeft()), covered.size()));
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    PaintRecorder paints;
    connect(grid, &Grid::painted, &paints, &PaintRecorder::record);

    GridModel::holdReports();
    grid->setCellText(2, 2, QStringLiteral("WWWWWWWWWWWW"));
    GridModel::releaseReports();
    QCOMPARE(paints.paints, 1);
    QVERIFY(!paints.region.intersects(covered));
    QImage redPatch(covered.size(), QImage::Format_RGB32);
    redPatch.fill(Qt::red);
    QCOMPARE(onScreen(grid->viewport(), covered).convertToFormat(QImage::Format_RGB32), redPatch);
    const QImage shown = onScreen(grid->viewport(), cell);
    cover.hide();
    QCoreApplication::processEvents();
    const QImage uncovered = onScreen(grid->viewport(), cell);
    const int half = cell.width() / 2;
    QCOMPARE(shown.copy(half, 0, cell.width() - half, cell.height()),
             uncovered.copy(half, 0, cell.width() - half, cell.height()));
    grid->viewport()->repaint();
    QCOMPARE(uncovered, onScreen(grid->viewport(), cell));
    grid->setParent(nullptr);
}

// What the grid's parent cuts off is not on screen: a burst paints only the part in sight and
// leaves nothing to paint later, and the rest shows the new text as it comes into sight.
void tst_Grid::aCellCutOffByItsParentIsPaintedAsItComesIntoSight()
{
    QWidget window;
    window.resize(700, 400);
    QWidget frame(&window);
    grid->setParent(&frame);
    grid->setGeometry(0, 0, 600, 300);
    const QRect cell = grid->visualRect(grid->model()->index(1, 1));
    // The frame ends in the middle of cell (2, 2).
    frame.setGeometry(0, 0, grid->viewport()->mapTo(&frame, cell.center()).x(), 300);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCoreApplication::processEvents();
    PaintRecorder paints;
    connect(grid, &Grid::painted, &paints, &PaintRecorder::record);
    EventCounter later(QEvent::UpdateRequest); // repaints posted for later
    window.installEventFilter(&later);

    GridModel::holdReports();
    grid->setCellText(2, 2, QStringLiteral("WWWWWWWWWWWWWWW"));
    GridModel::releaseReports();
    QCoreApplication::processEvents();
    QCOMPARE(paints.paints, 1);
    QCOMPARE(later.count, 0);
    const QRect inSight(QPoint(0, 0),
                        grid->viewport()->mapFrom(&frame, QPoint(frame.width(), 300)));
    QVERIFY(inSight.contains(paints.region.boundingRect()));

    frame.resize(700, 300);
    QCoreApplication::processEvents();
    const QImage shown = onScreen(grid->viewport(), cell);
    grid->viewport()->repaint();
    QCOMPARE(shown, onScreen(grid->viewport(), cell));
    grid->setParent(nullptr);
}

void tst_Grid::rowsThatComeOrGoRepaintOnlyWhatMoved_data()
{
    QTest::addColumn<int>("rowsAfter");
    QTest::addColumn<bool>("emptiedFirst");
    QTest::addColumn<int>("firstRowRepainted"); // from 1
    QTest::newRow("fewer") << 2 << false << 3;
    QTest::newRow("more") << 7 << false << 5;
    QTest::newRow("emptied and refilled") << 3 << true << 1;
    QTest::newRow("emptied") << 0 << true << 1;
}

// A list replaced with one of another length (a show's steps) repaints, as the redraw switch
// goes on, the rows that came or went and the changed cells: not the rows above that stayed, nor
// the empty grid below the longer of the two lists. Nothing is left to a later turn of the event
// loop, and the screen then shows what a paint of the whole grid shows.
void tst_Grid::rowsThatComeOrGoRepaintOnlyWhatMoved()
{
    QFETCH(int, rowsAfter);
    QFETCH(bool, emptiedFirst);
    QFETCH(int, firstRowRepainted);
    for (int row = 1; row <= 4; ++row)
        grid->setCellText(row, 2, QStringLiteral("step %1").arg(row));
    PaintRecorder paints;
    QVERIFY(watchPaintsOfShownGrid(paints));
    grid->clearCellSelection(); // the header would follow a current cell that goes
    QCoreApplication::processEvents();
    paints.reset();
    EventCounter later(QEvent::UpdateRequest); // repaints posted for later
    grid->window()->installEventFilter(&later);
    grid->setRedraw(false);
    if (emptiedFirst)
        grid->clear();
    grid->setRows(rowsAfter);
    for (int row = 1; row <= rowsAfter; ++row)
        grid->setCellText(row, 2, QStringLiteral("step %1").arg(row));
    {
        const DirectRepaint::Batch burst;
        grid->setRedraw(true);
    }
    const int line = grid->verticalHeader()->defaultSectionSize();
    const QRect moved(0, (firstRowRepainted - 1) * line, grid->viewport()->width(),
                      (std::max(4, rowsAfter) - firstRowRepainted + 1) * line);
    QCOMPARE(paints.region, QRegion(moved));
    QTest::qWait(20); // whatever the view would still do on its own
    QCOMPARE(later.count, 0);
    QCOMPARE(paints.region, QRegion(moved));
    const QImage shown = onScreen(grid->viewport(), grid->viewport()->rect());
    grid->viewport()->repaint();
    QCOMPARE(shown, onScreen(grid->viewport(), grid->viewport()->rect()));
}

void tst_Grid::cellsArePaintedWithTheirLook_data()
{
    QTest::addColumn<QString>("look");
    QTest::newRow("plain") << QStringLiteral("plain");
    QTest::newRow("own background") << QStringLiteral("background");
    QTest::newRow("selected") << QStringLiteral("selected");
    QTest::newRow("dimmed") << QStringLiteral("dimmed");
    QTest::newRow("zero bytes as blanks") << QStringLiteral("zeros");
}

// The cell's background at its corner, and its text in the colour it is drawn in (and in no
// other), as the user sees them.
void tst_Grid::cellsArePaintedWithTheirLook()
{
    QFETCH(QString, look);
    grid->show();
    QVERIFY(QTest::qWaitForWindowExposed(grid));
    const QPalette palette = grid->palette();
    QColor background = palette.color(QPalette::Base);
    QColor text = palette.color(QPalette::Text);
    QString written = QStringLiteral("WWWW");
    if (look == QLatin1String("background")) {
        grid->setCellBackColor(2, 2, 0x0000FF); // red, as 0x00BBGGRR
        background = Qt::red;
    } else if (look == QLatin1String("selected")) {
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, centreOf(2, 2));
        background = palette.color(QPalette::Active, QPalette::Highlight);
        text = palette.color(QPalette::Active, QPalette::HighlightedText);
    } else if (look == QLatin1String("dimmed")) {
        grid->setDimmed(true);
        text = palette.color(QPalette::Disabled, QPalette::Text);
    } else if (look == QLatin1String("zeros")) {
        written = QString(4, QChar(0)); // blanks: no text drawn at all
    }
    grid->setCellText(2, 2, written);
    QCoreApplication::processEvents();

    const QRect cell = grid->visualRect(grid->model()->index(1, 1)).adjusted(0, 0, -1, -1);
    const QImage shot = grid->viewport()->grab(cell).toImage();
    QCOMPARE(shot.pixelColor(1, 1), background);
    // The text is smoothed: count the pixels near its colour.
    const auto pixelsNear = [&shot](const QColor& colour) {
        int n = 0;
        for (int y = 0; y < shot.height(); ++y)
            for (int x = 0; x < shot.width(); ++x) {
                const QColor p = shot.pixelColor(x, y);
                n += std::abs(p.red() - colour.red()) + std::abs(p.green() - colour.green()) +
                         std::abs(p.blue() - colour.blue()) <
                     60;
            }
        return n;
    };
    if (look == QLatin1String("zeros"))
        QCOMPARE(pixelsNear(text), 0);
    else
        QVERIFY(pixelsNear(text) > 10);
    if (look == QLatin1String("dimmed"))
        QCOMPARE(pixelsNear(palette.color(QPalette::Text)), 0);
}

void tst_Grid::clickAndKeyboardPicksAreReported()
{
    grid->show();
    QVERIFY(QTest::qWaitForWindowExposed(grid));
    QSignalSpy picks(grid, &Grid::cellSelected);
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, centreOf(2, 3));
    QCOMPARE(picks.count(), 1);
    QCOMPARE(picks[0], (QList<QVariant>{2, 3}));
    QTest::keyClick(grid, Qt::Key_Down);
    QCOMPARE(picks.count(), 2);
    QCOMPARE(picks[1], (QList<QVariant>{3, 3}));

    // The same cell again is news only after the selection was cleared.
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, centreOf(3, 3));
    QCOMPARE(picks.count(), 2);
    grid->clearCellSelection();
    QVERIFY(grid->selectionModel()->selectedIndexes().isEmpty());
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, centreOf(3, 3));
    QCOMPARE(picks.count(), 3);
}

QTEST_MAIN(tst_Grid)
#include "tst_grid.moc"
