#include "views/traffic/TrafficModel.h"

#include <QDateTime>

#include <algorithm>

namespace {

const char* const kHeaders[] = {"Time", "Direction", "Kind", "Length", "Payload", "Fields"};

// The wall-clock time of a line, to the millisecond, in local time.
QString timeText(qint64 msSinceEpoch)
{
    return QDateTime::fromMSecsSinceEpoch(msSinceEpoch).toString(QStringLiteral("HH:mm:ss.zzz"));
}

QString hex(const QByteArray& bytes)
{
    return QString::fromLatin1(bytes.toHex(' ').toUpper());
}

} // namespace

void TrafficModel::append(std::vector<TrafficLine>& lines)
{
    if (lines.empty())
        return;
    // Of a batch larger than the ring only the newest part can stay.
    const int taken = int(std::min<size_t>(lines.size(), size_t(Capacity)));
    const size_t first = lines.size() - size_t(taken);
    const int overflow = m_count + taken - Capacity;
    if (overflow > 0) {
        beginRemoveRows({}, 0, overflow - 1);
        m_head = (m_head + overflow) % Capacity;
        m_count -= overflow;
        endRemoveRows();
    }
    beginInsertRows({}, m_count, m_count + taken - 1);
    for (size_t i = first; i < lines.size(); ++i) {
        const size_t slot = size_t((m_head + m_count) % Capacity);
        if (slot == m_ring.size())
            m_ring.push_back(std::move(lines[i]));
        else
            m_ring[slot] = std::move(lines[i]);
        ++m_count;
    }
    endInsertRows();
    lines.clear();
}

void TrafficModel::clear()
{
    if (m_count == 0)
        return;
    beginRemoveRows({}, 0, m_count - 1);
    m_ring.clear();
    m_ring.shrink_to_fit();
    m_head = 0;
    m_count = 0;
    endRemoveRows();
}

const TrafficLine& TrafficModel::line(int row) const
{
    return m_ring[size_t((m_head + row) % Capacity)];
}

int TrafficModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_count;
}

int TrafficModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant TrafficModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_count)
        return {};
    if (role == Qt::TextAlignmentRole)
        return index.column() == TimeColumn || index.column() == LengthColumn
                   ? QVariant(Qt::AlignRight | Qt::AlignVCenter)
                   : QVariant(Qt::AlignLeft | Qt::AlignVCenter);
    if (role == Qt::ToolTipRole && index.column() == DecodedColumn)
        return line(index.row()).decoded; // the whole text of a cell cut short
    if (role != Qt::DisplayRole)
        return {};
    // Texts are made as the view asks for the rows in sight, not as lines arrive.
    const TrafficLine& l = line(index.row());
    switch (index.column()) {
    case TimeColumn:
        return timeText(l.timeMs);
    case DirectionColumn:
        return TrafficLine::directionText(l.direction);
    case KindColumn:
        return l.kindText();
    case LengthColumn:
        return l.length;
    case PayloadColumn:
        return l.payload.size() > ShownPayloadBytes
                   ? hex(l.payload.left(ShownPayloadBytes)) + QStringLiteral(" \u2026")
                   : hex(l.payload);
    case DecodedColumn:
        return l.decoded;
    default:
        return {};
    }
}

QVariant TrafficModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section >= ColumnCount)
        return {};
    return QString::fromLatin1(kHeaders[section]);
}

QString TrafficModel::text(const TrafficLine& l)
{
    return QStringLiteral("%1\t%2\t%3\t%4\t%5\t%6")
        .arg(QDateTime::fromMSecsSinceEpoch(l.timeMs).toString(
                 QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")),
             TrafficLine::directionText(l.direction), l.kindText(), QString::number(l.length),
             hex(l.payload), l.decoded);
}

QString TrafficModel::headerText()
{
    QStringList names;
    for (const char* h : kHeaders)
        names << QString::fromLatin1(h);
    return names.join(QLatin1Char('\t'));
}
