#include "controls/Grid.h"
#include "controls/GridModel.h"

#include <QSignalSpy>
#include <QTest>

class tst_Grid : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void rowCountGrowsAndShrinksFromTheEnd();
    void cellsOutsideTheGridIgnoreWritesAndReadEmpty_data();
    void cellsOutsideTheGridIgnoreWritesAndReadEmpty();
    void cellsArePaintedWithTheirLook_data();
    void cellsArePaintedWithTheirLook();
    void clickAndKeyboardPicksAreReported();

private:
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

void tst_Grid::cellsArePaintedWithTheirLook_data()
{
    QTest::addColumn<QString>("look");
    QTest::newRow("plain") << QStringLiteral("plain");
    QTest::newRow("own background") << QStringLiteral("background");
    QTest::newRow("selected") << QStringLiteral("selected");
    QTest::newRow("dimmed") << QStringLiteral("dimmed");
    QTest::newRow("own text colour") << QStringLiteral("foreground");
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
    } else if (look == QLatin1String("foreground")) {
        grid->setCellForeColor(2, 2, Qt::blue);
        text = Qt::blue;
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
    if (look == QLatin1String("zeros")) {
        QCOMPARE(pixelsNear(text), 0);
        QCOMPARE(grid->cellText(2, 2), written); // kept as received
    } else
        QVERIFY(pixelsNear(text) > 10);
    if (look == QLatin1String("dimmed") || look == QLatin1String("foreground"))
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
