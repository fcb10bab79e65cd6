#pragma once

#include "link/TrafficDecoder.h"

#include <QSortFilterProxyModel>

#include <optional>

// Shows the traffic lines of one direction, of one kind, holding a text, or all three; the rest
// stay in the ring.
class TrafficFilter : public QSortFilterProxyModel
{
    Q_OBJECT
public:
    using QSortFilterProxyModel::QSortFilterProxyModel;

    // No direction: both.
    void setDirection(std::optional<TrafficLine::Direction> direction);
    // No kind: every kind. A kind without direction matches it either way (skipped bytes).
    void setKind(std::optional<int> kind, std::optional<TrafficLine::Direction> kindDirection);
    // Lines whose kind name or fields hold the text, in any case; empty: every line.
    void setText(const QString& text);

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;

private:
    std::optional<TrafficLine::Direction> m_direction;
    std::optional<int> m_kind;
    std::optional<TrafficLine::Direction> m_kindDirection;
    QString m_text;
};
