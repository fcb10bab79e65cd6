#pragma once

#include <QAbstractTableModel>
#include <QColor>
#include <QString>

#include <vector>

// The cells behind a Grid: per cell its text, background and alignment; per column a key, a
// header and an alignment. Indices here are 0-based; Grid translates its 1-based operations.
//
// While batching (the grid's redraw switch is off) cell writes are only collected; ending the
// batch reports everything that changed as one range.
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

    using QAbstractTableModel::QAbstractTableModel;

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

private:
    struct Cell
    {
        QString text;
        QColor background;    // invalid: the grid's own
        qint8 alignment = -1; // -1: the column's
    };
    struct Column
    {
        QString key;
        QString header;
        int alignment = AlignLeft;
    };
    static Qt::Alignment toQt(int alignment);
    void changed(int row, int column, int role);

    std::vector<Column> m_columns;
    std::vector<std::vector<Cell>> m_rows;
    bool m_batching = false;
    QColor m_dimText;
    // The range changed while batching; m_dirtyTop < 0 when nothing changed.
    int m_dirtyTop = -1, m_dirtyBottom = -1, m_dirtyLeft = -1, m_dirtyRight = -1;
};
