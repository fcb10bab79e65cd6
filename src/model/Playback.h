#pragma once

#include <QByteArray>
#include <QString>

// One of the 16 faders: 0..7 playback faders, 8..15 flex faders.
class Playback
{
public:
    // Unpacks the console's playback message (kind 19). An unassigned fader keeps its last memory.
    void UnpackPlaybackData(const QByteArray& PlaybackData);
    // The last playback message's payload, as the console sent it.
    QByteArray GetPlaybackData() const { return m_playbackData; }
    QString Name() const { return m_name; }
    // The memory on the fader as the console words it: "Scene 3 Page 1", "F. Preset 5 Page F2",
    // or "?" for a memory type it does not know.
    QString MemoryText() const;
    bool Active() const { return m_active; }
    bool Assigned() const { return m_assigned; }
    quint8 MemPage() const { return m_memPage; }
    quint8 MemNum() const { return m_memNum; }
    // 1 scene, 2 preset, 3 chase, 4 show; other values are kept as they come.
    quint8 MemType() const { return m_memType; }
    quint8 Level() const { return m_level; }
    void Level(quint8 v) { m_level = v; }

    // Same contents, field by field.
    bool operator==(const Playback&) const = default;

private:
    bool m_active = false;
    bool m_assigned = false;
    quint8 m_memPage = 0;
    quint8 m_memNum = 0;
    quint8 m_memType = 0;
    QString m_name;
    quint8 m_level = 0;
    QByteArray m_playbackData;
};
