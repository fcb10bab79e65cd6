#include "model/Profile.h"

#include "model/AnsiText.h"

#include <algorithm>

namespace {
constexpr int kChannelCountAt = 31;
constexpr int kStepsPerAt = 70;
constexpr int kStepsBase = 202; // plus 8 bytes per described channel name
constexpr int kStepRecordSize = 11;
constexpr int kStepNameSize = 8;
} // namespace

void Profile::DistributeFileData(const QByteArray& FileData)
{
    const auto& d = FileData;
    const auto at = [&d](qsizetype i) -> int { return i < d.size() ? quint8(d[i]) : -1; };
    if (d.isEmpty())
        return;
    m_fileData = d;

    m_profNum = quint8(d[0]);
    const int c = std::max(at(kChannelCountAt), 0);
    m_channelCount = quint8(c);
    for (int k = 0; k < MaxChannels; ++k) {
        const int s = at(kStepsPerAt + k);
        if (s < 0)
            break; // short payload: counts that are not there keep their earlier values
        m_stepsPer[k] = quint8(std::min(s, MaxSteps));
    }

    // Only the steps this message carries are kept: those the counts announce beyond them read
    // as empty, never as left over from an earlier message, where a stale name could still name
    // a value.
    for (auto& steps : m_steps)
        steps.clear();
    for (auto& table : m_stepOfValue)
        table.clear();

    // The records are packed by channel; a channel's records follow the previous channel's.
    // Counts above the table size are read past (the layout still holds them) but not stored.
    qsizetype p = kStepsBase + qsizetype(8) * c;
    for (int k = 0; k < std::min(c, MaxChannels); ++k) {
        const int declared = at(kStepsPerAt + k);
        for (int s = 0; s < std::max(declared, 0); ++s) {
            if (p + kStepRecordSize > d.size())
                return;
            if (s < MaxSteps)
                m_steps[k].push_back({quint8(d[p]), quint8(d[p + 1]), quint8(d[p + 2]),
                                      GetFileStr(d, p + 3, kStepNameSize)});
            p += kStepRecordSize;
        }
    }
}

const Profile::Step* Profile::stepAt(qint16 chnl, qint16 step) const
{
    if (chnl < 0 || chnl >= MaxChannels || step < 0 || size_t(step) >= m_steps[chnl].size())
        return nullptr;
    return &m_steps[chnl][size_t(step)];
}

quint8 Profile::StepVal(qint16 chnl, qint16 step) const
{
    const Step* s = stepAt(chnl, step);
    return s ? s->val : 0;
}

quint8 Profile::StepStrt(qint16 chnl, qint16 step) const
{
    const Step* s = stepAt(chnl, step);
    return s ? s->start : 0;
}

quint8 Profile::StepEnd(qint16 chnl, qint16 step) const
{
    const Step* s = stepAt(chnl, step);
    return s ? s->end : 0;
}

QString Profile::StepName(qint16 chnl, qint16 step) const
{
    const Step* s = stepAt(chnl, step);
    return s ? s->name : QString();
}

int Profile::stepHolding(qint16 chnl, quint8 value) const
{
    if (chnl < 0 || chnl >= MaxChannels)
        return -1;
    std::vector<qint16>& table = m_stepOfValue[chnl];
    if (table.empty()) {
        table.assign(256, -1);
        int unnamed = 256;
        for (int j = 0; j < m_stepsPer[chnl] && unnamed > 0; ++j) {
            for (int v = StepStrt(chnl, qint16(j)); v <= StepEnd(chnl, qint16(j)); ++v) {
                if (table[size_t(v)] < 0) {
                    table[size_t(v)] = qint16(j);
                    --unnamed;
                }
            }
        }
    }
    return table[value];
}

quint8 Profile::StepsPer(qint16 chnl) const
{
    return chnl >= 0 && chnl < MaxChannels ? m_stepsPer[chnl] : 0;
}

QString Profile::GetFileStr(const QByteArray& FileData, qsizetype start, qsizetype count)
{
    return AnsiText::decode(FileData, start, count);
}
