#include "views/traffic/TrafficFilter.h"

#include "views/traffic/TrafficModel.h"

void TrafficFilter::setDirection(std::optional<TrafficLine::Direction> direction)
{
    m_direction = direction;
    invalidateRowsFilter();
}

void TrafficFilter::setKind(std::optional<int> kind,
                            std::optional<TrafficLine::Direction> kindDirection)
{
    m_kind = kind;
    m_kindDirection = kindDirection;
    invalidateRowsFilter();
}

void TrafficFilter::setText(const QString& text)
{
    m_text = text.trimmed();
    invalidateRowsFilter();
}

bool TrafficFilter::filterAcceptsRow(int sourceRow, const QModelIndex&) const
{
    if (!m_direction && !m_kind && m_text.isEmpty())
        return true;
    const auto* model = static_cast<const TrafficModel*>(sourceModel());
    const TrafficLine& line = model->line(sourceRow);
    if (m_direction && line.direction != *m_direction)
        return false;
    if (m_kind && (line.kind != *m_kind || (m_kindDirection && line.direction != *m_kindDirection)))
        return false;
    if (!m_text.isEmpty() && !line.decoded.contains(m_text, Qt::CaseInsensitive) &&
        !line.kindText().contains(m_text, Qt::CaseInsensitive))
        return false;
    return true;
}
