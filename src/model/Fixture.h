#pragma once

#include "model/Profile.h"

#include <QByteArray>
#include <QString>

#include <array>

// One of the console's 48 fixture slots: `Multi` cells of `nchnls` channels, at most 32 channels
// in all. Live values and value names are kept per flat channel (cell * nchnls + channel), channel
// names per channel within a cell.
class Fixture
{
public:
    static constexpr int MaxChannels = 32;
    static constexpr quint8 ProfileType = 255;

    // Unpacks the console's fixture message (kind 4). The extended console format carries one
    // more byte before the channel-name count.
    void UnpackFixtData(const QByteArray& FixtData, bool extendedFormat);
    QString FixtName() const { return m_fixtName; }
    QByteArray GetFixtData() const { return m_fixtData; }
    quint8 FixtType() const { return m_fixtType; }
    qint16 DmxAddr() const { return m_dmxAddr; }
    quint8 Profile() const { return m_profile; }
    quint8 nchnls() const { return m_nchnls; }
    quint8 Multi() const { return m_multi; }
    // Channel numbers outside 0..31 read as empty / 0 and are ignored by the writes.
    QString ChName(qint16 ch) const;
    quint8 chval(qint16 ch) const;
    // Whether the console has sent channel ch's value since the record was made: until then the
    // value is only the record's starting 0.
    bool chvalConfirmed(qint16 ch) const { return validChannel(ch) && (m_confirmed >> ch) & 1u; }
    void chval(qint16 ch, quint8 ChV);
    QString ChValName(qint16 ch) const;
    void ChValName(qint16 ch, const QString& ChN);
    // Multi * nchnls, capped at the 32 channels a fixture can hold.
    quint8 FMaxCh() const;
    // Stores the live value and names it by the fixture's profile (first profile with its number).
    void UpdateFxChnlVal(qint16 ch, quint8 chval, const ProfileList& profiles);
    bool Selected() const { return m_selected; }
    void Selected(bool sel) { m_selected = sel; }
    // The name that the fixture's profile gives `value` on flat channel ch: the first step whose
    // range holds it; empty when the fixture has no profile or no step holds the value.
    QString nameOfValue(qint16 ch, quint8 value, const ProfileList& profiles) const;

    // Same contents, field by field.
    bool operator==(const Fixture&) const = default;

private:
    static bool validChannel(qint16 ch) { return ch >= 0 && ch < MaxChannels; }

    bool m_selected = false;
    quint8 m_fixtType = 0;
    quint8 m_profile = 0;
    quint8 m_nchnls = 0;
    quint8 m_multi = 0;
    qint16 m_dmxAddr = 0;
    quint32 m_confirmed = 0; // one bit per channel
    QString m_fixtName = QStringLiteral("undefined");
    std::array<QString, MaxChannels> m_chName{};
    std::array<quint8, MaxChannels> m_chval{};
    std::array<QString, MaxChannels> m_chValName{};
    QByteArray m_fixtData;
};
