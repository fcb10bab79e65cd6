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

    m_profNum = quint8(d[0]);
    const int c = std::max(at(kChannelCountAt), 0);
    m_channelCount = quint8(c);
    for (int k = 0; k < MaxChannels; ++k) {
        const int s = at(kStepsPerAt + k);
        if (s < 0)
            break; // short payload: counts that are not there keep their earlier values
        m_stepsPer[k] = quint8(std::min(s, MaxSteps));
    }

    // Steps that the counts announce and the message does not carry are empty, never left over
    // from an earlier message, where a stale name could still name a value.
    for (int k = 0; k < MaxChannels; ++k)
        m_steps[k].assign(m_stepsPer[k], Step{});

    // The records are packed by channel; a channel's records follow the previous channel's.
    // Counts above the table size are read past (the layout still holds them) but not stored.
    qsizetype p = kStepsBase + qsizetype(8) * c;
    for (int k = 0; k < std::min(c, MaxChannels); ++k) {
        const int declared = at(kStepsPerAt + k);
        for (int s = 0; s < std::max(declared, 0); ++s) {
            if (p + kStepRecordSize > d.size())
                return;
            if (s < MaxSteps) {
                Step& step = m_steps[k][size_t(s)];
                step.val = quint8(d[p]);
                step.start = quint8(d[p + 1]);
                step.end = quint8(d[p + 2]);
                step.name = GetFileStr(d, p + 3, kStepNameSize);
            }
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

quint8 Profile::StepsPer(qint16 chnl) const
{
    return chnl >= 0 && chnl < MaxChannels ? m_stepsPer[chnl] : 0;
}

QString Profile::GetFileStr(const QByteArray& FileData, qsizetype start, qsizetype count)
{
    return AnsiText::decode(FileData, start, count);
}
