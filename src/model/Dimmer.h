#pragma once

#include <QByteArray>
#include <QString>

// One of the console's 128 conventional dimmers, as the console last reported it.
class Dimmer
{
public:
    // Unpacks the console's dimmer message (kind 17). An unpatched dimmer keeps its last data.
    void UnpackDimmerData(const QByteArray& DimmerData);
    // The last dimmer message's payload, as the console sent it.
    QByteArray GetDimmerData() const { return m_dimmerData; }
    QString DimmerName() const { return m_name; }
    bool DimmerPatched() const { return m_patched; }
    qint16 DmxAddr() const { return m_dmxAddr; }
    quint8 DimmerChnls() const { return m_channels; }
    bool DimmerManual() const { return m_manual; }
    bool DimmerLatch() const { return m_latch; }
    quint8 DimmerLevel() const { return m_level; }
    void DimmerLevel(quint8 v)
    {
        m_level = v;
        m_levelConfirmed = true;
    }
    // Whether the console has sent the level since the record was made.
    bool DimmerLevelConfirmed() const { return m_levelConfirmed; }

    // Same contents, field by field.
    bool operator==(const Dimmer&) const = default;

private:
    bool m_patched = false;
    qint16 m_dmxAddr = 0;
    quint8 m_channels = 0;
    bool m_manual = false;
    bool m_latch = false;
    QString m_name;
    quint8 m_level = 0;
    bool m_levelConfirmed = false;
    QByteArray m_dimmerData;
};
