#include "model/Fixture.h"

#include "model/AnsiText.h"

#include <algorithm>

namespace {
constexpr int kNameAt = 13;
constexpr int kNameSize = 16;
constexpr int kNameCountAt = 61;
constexpr int kChannelNameSize = 8;
} // namespace

void Fixture::UnpackFixtData(const QByteArray& FixtData, bool extendedFormat)
{
    const auto& d = FixtData;
    m_fixtData = d;
    if (d.size() < 2)
        return;
    m_fixtType = quint8(d[1]);
    if (m_fixtType == 0)
        return; // an empty slot keeps everything else it had

    const auto byteAt = [&d](qsizetype i) -> int { return i < d.size() ? quint8(d[i]) : -1; };
    if (byteAt(2) >= 0)
        m_profile = quint8(byteAt(2));
    if (byteAt(3) >= 0)
        m_nchnls = quint8(byteAt(3));
    if (byteAt(4) >= 0)
        m_multi = byteAt(4) == 0 ? 1 : quint8(byteAt(4));
    if (byteAt(6) >= 0)
        m_dmxAddr = qint16(quint16(byteAt(5) | (byteAt(6) << 8)));
    if (d.size() > kNameAt)
        m_fixtName = AnsiText::decode(d, kNameAt, kNameSize);

    qsizetype p = extendedFormat ? kNameCountAt + 1 : kNameCountAt;
    const int n = std::min(byteAt(p), MaxChannels);
    ++p;
    for (int k = 0; k < n && p + kChannelNameSize <= d.size(); ++k, p += kChannelNameSize)
        m_chName[k] = AnsiText::decode(d, p, kChannelNameSize);
}

QString Fixture::ChName(qint16 ch) const
{
    return validChannel(ch) ? m_chName[ch] : QString();
}

quint8 Fixture::chval(qint16 ch) const
{
    return validChannel(ch) ? m_chval[ch] : 0;
}

void Fixture::chval(qint16 ch, quint8 ChV)
{
    if (validChannel(ch))
        m_chval[ch] = ChV;
}

QString Fixture::ChValName(qint16 ch) const
{
    return validChannel(ch) ? m_chValName[ch] : QString();
}

void Fixture::ChValName(qint16 ch, const QString& ChN)
{
    if (validChannel(ch))
        m_chValName[ch] = ChN;
}

quint8 Fixture::FMaxCh() const
{
    return quint8(std::min(int(m_multi) * int(m_nchnls), MaxChannels));
}

void Fixture::UpdateFxChnlVal(qint16 ch, quint8 chval, const ProfileList& profiles)
{
    if (!validChannel(ch))
        return;
    m_chval[ch] = chval;
    m_confirmed |= 1u << ch;
    m_chValName[ch] = nameOfValue(ch, chval, profiles);
}

QString Fixture::nameOfValue(qint16 ch, quint8 value, const ProfileList& profiles) const
{
    if (m_fixtType != ProfileType)
        return {};
    const auto profile = std::find_if(profiles.begin(), profiles.end(), [this](const ::Profile& p) {
        return p.ProfNum() == m_profile;
    });
    if (profile == profiles.end())
        return {};
    // The profile is consulted at the flat channel: each cell may have its own steps.
    const int step = profile->stepHolding(ch, value);
    return step < 0 ? QString() : profile->StepName(ch, qint16(step));
}
