#pragma once

#include <QByteArray>
#include <QString>

#include <array>
#include <vector>

// How the values 0..255 of each channel of a profile-defined fixture divide into named steps.
// Filled from the console's profile message (kind 7).
class Profile
{
public:
    static constexpr int MaxChannels = 32;
    static constexpr int MaxSteps = 150;

    void DistributeFileData(const QByteArray& FileData);
    // The last profile message's payload, as the console sent it.
    QByteArray GetFileData() const { return m_fileData; }

    // Out-of-range channel or step numbers read as 0 / empty.
    quint8 StepVal(qint16 chnl, qint16 step) const;
    quint8 StepStrt(qint16 chnl, qint16 step) const;
    quint8 StepEnd(qint16 chnl, qint16 step) const;
    QString StepName(qint16 chnl, qint16 step) const;
    quint8 StepsPer(qint16 chnl) const;
    // The first of the channel's counted steps whose range holds the value (a counted step the
    // message did not carry spans 0..0), or -1. Answered from a table built on first use per
    // channel: the console names values many times a second.
    int stepHolding(qint16 chnl, quint8 value) const;
    qint16 ProfNum() const { return m_profNum; }
    quint8 ChannelCount() const { return m_channelCount; }

private:
    struct Step
    {
        quint8 val = 0;
        quint8 start = 0;
        quint8 end = 0;
        QString name;
    };
    const Step* stepAt(qint16 chnl, qint16 step) const;
    static QString GetFileStr(const QByteArray& FileData, qsizetype start, qsizetype count);

    QByteArray m_fileData;
    qint16 m_profNum = 0;
    quint8 m_channelCount = 0;
    std::array<quint8, MaxChannels> m_stepsPer{};
    // Each channel holds the steps the last message carried for it (at most MaxSteps).
    std::array<std::vector<Step>, MaxChannels> m_steps{};
    // Per channel: value -> step index (or -1); empty until first asked, emptied by new data.
    mutable std::array<std::vector<qint16>, MaxChannels> m_stepOfValue{};
};

#include <deque>

// Profiles in arrival order, one per profile number; a deque so that growing it never moves the
// records that a view may be reading.
using ProfileList = std::deque<Profile>;
