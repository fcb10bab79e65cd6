#pragma once

#include <QAbstractTableModel>
#include <QColor>
#include <QRect>
#include <QString>

#include <functional>
#include <vector>

// The cells behind a Grid: per cell its text, background and alignment; per column a key, a
// header and an alignment. Indices here are 0-based; Grid translates its 1-based operations.
//
// Cell writes are collected and reported once the event loop is back, each changed cell once,
// however often it was written: the console rewrites the same value cells many times a second,
// and the grid repaints after one report, not after each write. All grids report in the same pass
// and are painted straight after it, so a burst from the console costs one paint of the window.
// While batching (the grid's redraw switch is off) nothing is reported; ending the batch reports
// what changed. The grid takes the report straight (setRepaint); dataChanged is emitted only when
// someone else listens for it.
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
    // The first column with this key, or -1.
    int columnOf(const QString& key) const;
    QString columnKey(int column) const;
    void setHeader(int column, const QString& text);

    void setRows(int rows);
    void clearRows();

    bool validCell(int row, int column) const;
    // A cell as it is painted; the cell must exist. Background invalid: the grid's own. A cell
    // painted while a change waits is repainted whole when the change is reported.
    struct Shown
    {
        const QString& text;
        const QColor& background;
        int alignment;
        QRect& drawnText; // where the painter drew the text, from the cell's top left
    };
    Shown shown(int row, int column) const;
    QString text(int row, int column) const;
    void setText(int row, int column, const QString& text);
    QColor background(int row, int column) const;
    void setBackground(int row, int column, const QColor& colour);
    int alignment(int row, int column) const;
    void setAlignment(int row, int column, int alignment);

    // Every cell's text in this colour (the grid is dimmed); invalid: the grid's own.
    void setDimText(const QColor& colour);
    QColor dimText() const { return m_dimText; }

    bool batching() const { return m_batching; }
    void setBatching(bool on);
    // During a report: where the text on screen in a reported cell is drawn (from the cell's top
    // left) when only its text changed since it was painted, so that repainting there and where
    // the new one goes is enough; null when the whole cell must be repainted.
    const QRect* textOnScreen(int row, int column) const;
    // Takes each report of changed cells (row, column from 0), before dataChanged.
    using Repaint = std::function<void(const std::vector<std::pair<int, int>>& cells)>;
    void setRepaint(Repaint repaint) { m_repaint = std::move(repaint); }
    // While held (holds are counted), the reports of every grid wait; the last release makes
    // them and paints the window at once. A burst from the console is handled under a hold, so it
    // is painted as it ends, without another turn of the event loop.
    static void holdReports();
    static void releaseReports();
    // Reports the cells changed since the last report now (it happens by itself once the event
    // loop is back).
    void reportChanges();

protected:
    // Counts who follows dataChanged, so that a report asks a number rather than the signal's
    // connections.
    void connectNotify(const QMetaMethod& signal) override;
    void disconnectNotify(const QMetaMethod& signal) override;

private:
    struct Cell
    {
        QString text;
        QColor background;    // invalid: the grid's own
        qint8 alignment = -1; // -1: the column's
        bool changed = false; // waiting to be reported
        // While changed: only the text changed since the last report, and nothing painted the
        // cell meanwhile, so the screen still shows the text drawn where drawnText says.
        mutable bool onlyText = false;
        // Where the cell's text was last drawn, from the cell's top left; empty for none.
        mutable QRect drawnText;
    };
    struct Column
    {
        QString key;
        QString header;
        int alignment = AlignLeft;
    };
    static Qt::Alignment toQt(int alignment);
    void changed(int row, int column, bool onlyText);

    std::vector<Column> m_columns;
    std::vector<std::vector<Cell>> m_rows;
    bool m_batching = false;
    QColor m_dimText;
    // Cells changed and not yet reported, each once (Cell::changed).
    std::vector<std::pair<int, int>> m_changed;
    // Kept between reports, so that reporting allocates nothing.
    std::vector<std::pair<int, int>> m_reporting;
    bool m_reportPending = false;
    Repaint m_repaint;
    int m_dataChangedListeners = 0;
    friend class GridReportPass;
};
