#pragma once

#include <QAbstractTableModel>
#include <QColor>
#include <QString>

#include <functional>
#include <utility>
#include <vector>

// The cells behind a Grid: per cell its text, background, text colour and alignment; per
// column a key, a header and an alignment. Indices here are 0-based; Grid translates its 1-based
// operations.
//
// Cell writes are gathered and reported once the event loop is back (once per frame while the
// console talks), each changed cell once however often it was written: the console rewrites the
// same value cells many times a second. A report names the changed cells (cellsChanged, for the
// grid to repaint just those) and then the range that holds them (dataChanged, for any other
// viewer). While batching (the grid's redraw switch is off) nothing is reported; ending the batch
// reports what changed.
class GridModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    // Alignment codes of the grid's operations: the low two bits choose left, centre or right.
    enum Align
    {
        AlignLeft = 0,
        AlignCentre = 1,
        AlignRight = 2
    };

    explicit GridModel(QObject* parent = nullptr);
    ~GridModel() override;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    void addColumn(const QString& key, const QString& header, int alignment);
    // Drops the columns from `columns` on (counted from 0); fewer columns than that stay as they
    // are.
    void dropColumnsFrom(int columns);
    // The first column with this key, or -1.
    int columnOf(const QString& key) const;
    QString columnKey(int column) const;
    void setHeader(int column, const QString& text);

    void setRows(int rows);
    void clearRows();

    bool validCell(int row, int column) const;
    QString text(int row, int column) const;
    void setText(int row, int column, const QString& text);
    QColor background(int row, int column) const;
    void setBackground(int row, int column, const QColor& colour);
    // The cell's own text colour; invalid: the grid's.
    QColor foreground(int row, int column) const;
    void setForeground(int row, int column, const QColor& colour);
    // Tooltips are worded when asked for, from what the cell shows now: a value that changes
    // many times a second is seldom hovered over.
    using ToolTipSource = std::function<QString(int row, int column)>;
    QString toolTip(int row, int column) const;
    void setToolTipSource(ToolTipSource source);
    int alignment(int row, int column) const;
    void setAlignment(int row, int column, int alignment);

    // Every cell's text in this colour (the grid is dimmed); invalid: the cells' own.
    void setDimText(const QColor& colour);
    QColor dimText() const { return m_dimText; }

    bool batching() const { return m_batching; }
    void setBatching(bool on);
    // Reports the cells changed since the last report now (it happens by itself once the event
    // loop is back).
    void reportChanges();
    // True while a report's signals are out.
    bool reportingCells() const { return m_reporting; }

signals:
    // Cells changed since the last report, as (row, column), each once.
    void cellsChanged(const std::vector<std::pair<int, int>>& cells);

private:
    struct Cell
    {
        QString text;
        QColor background;    // invalid: the grid's own
        QColor foreground;    // invalid: the grid's own
        qint8 alignment = -1; // -1: the column's
        bool changed = false; // waiting to be reported
    };
    struct Column
    {
        QString key;
        QString header;
        int alignment = AlignLeft;
    };
    static Qt::Alignment toQt(int alignment);
    Cell* cell(int row, int column);
    void changed(int row, int column);

    std::vector<Column> m_columns;
    std::vector<std::vector<Cell>> m_rows;
    bool m_batching = false;
    bool m_reportPending = false;
    bool m_reporting = false;
    QColor m_dimText;
    ToolTipSource m_toolTips;
    // Cells changed and not yet reported, each once (Cell::changed).
    std::vector<std::pair<int, int>> m_changed;
    friend class GridReportPass;
};
