#include "model/Playback.h"

#include "model/AnsiText.h"

namespace {
constexpr int kNameAt = 6;
constexpr int kNameSize = 16;
constexpr int kLevelAt = 22;
} // namespace

void Playback::UnpackPlaybackData(const QByteArray& PlaybackData)
{
    const auto& d = PlaybackData;
    m_playbackData = d;
    if (d.size() < 2)
        return;
    m_assigned = d[1] != 0;
    if (!m_assigned) {
        m_active = false;
        return;
    }
    // The payload carries type, page, number in that order. A short payload sets what it carries.
    if (d.size() > 2)
        m_active = d[2] != 0;
    if (d.size() > 3)
        m_memType = quint8(d[3]);
    if (d.size() > 4)
        m_memPage = quint8(d[4]);
    if (d.size() > 5)
        m_memNum = quint8(d[5]);
    if (d.size() > kNameAt)
        m_name = AnsiText::decode(d, kNameAt, kNameSize);
    if (d.size() > kLevelAt)
        m_level = quint8(d[kLevelAt]);
}

QString Playback::MemoryText() const
{
    // Memory pages above this are the factory preset pages F1, F2, ...
    constexpr int LastPresetPage = 23;
    const QString n = QString::number(MemNum() + 1);
    const QString page = QStringLiteral(" Page ") + QString::number(MemPage() + 1);
    switch (MemType()) {
    case 1:
        return QStringLiteral("Scene ") + n + page;
    case 2:
        if (MemPage() > LastPresetPage)
            return QStringLiteral("F. Preset ") + n + QStringLiteral(" Page F") +
                   QString::number(MemPage() - LastPresetPage);
        return QStringLiteral("Preset ") + n + page;
    case 3:
        return QStringLiteral("Chase ") + n + page;
    case 4:
        return QStringLiteral("Show ") + n + page;
    default:
        return QStringLiteral("?");
    }
}
