#pragma once

#include "link/TrafficDecoder.h"

#include <QAbstractTableModel>

#include <vector>

// The last Capacity traffic lines, oldest first, in a ring: new lines come in batches at the end,
// and the oldest leave at the front as rows removed, so a view keeps its place and nothing is
// ever reset while the line runs.
class TrafficModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    static constexpr int Capacity = 10000;
    enum Column
    {
        TimeColumn,
        DirectionColumn,
        KindColumn,
        LengthColumn,
        PayloadColumn,
        DecodedColumn,
        ColumnCount
    };
    // The payload column shows this many bytes; saving writes them all.
    static constexpr int ShownPayloadBytes = 32;

    using QAbstractTableModel::QAbstractTableModel;

    // Takes the lines (the vector is left empty); beyond Capacity the oldest go.
    void append(std::vector<TrafficLine>& lines);
    void clear();
    const TrafficLine& line(int row) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    // One line as saved to a text file: the columns separated by tabs, the whole payload.
    static QString text(const TrafficLine& line);
    static QString headerText();

private:
    std::vector<TrafficLine> m_ring;
    int m_head = 0; // slot of the oldest line
    int m_count = 0;
};
