#include "model/Dimmer.h"

#include "model/AnsiText.h"

namespace {
constexpr int kNameAt = 7;
constexpr int kNameSize = 16;
constexpr int kLevelAt = 23;
} // namespace

void Dimmer::UnpackDimmerData(const QByteArray& DimmerData)
{
    const auto& d = DimmerData;
    m_dimmerData = d;
    if (d.size() < 2)
        return;
    m_patched = d[1] != 0;
    if (!m_patched)
        return;
    // A short payload sets what it carries and leaves the rest as it was.
    if (d.size() > 3)
        m_dmxAddr = qint16(quint16(quint8(d[2]) | (quint8(d[3]) << 8)));
    if (d.size() > 4)
        m_channels = quint8(d[4]);
    if (d.size() > 5)
        m_manual = d[5] != 0;
    if (d.size() > 6)
        m_latch = d[6] != 0;
    if (d.size() > kNameAt)
        m_name = AnsiText::decode(d, kNameAt, kNameSize);
    if (d.size() > kLevelAt)
        DimmerLevel(quint8(d[kLevelAt]));
}
