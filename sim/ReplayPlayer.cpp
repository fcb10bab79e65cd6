#include "ReplayPlayer.h"

#include <algorithm>
#include <cmath>

namespace {
// Waiting for the line to take what it has: how often to look.
constexpr int kBacklogPollMs = 5;
} // namespace

ReplayPlayer::ReplayPlayer(QObject* parent) : QObject(parent)
{
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &ReplayPlayer::play);
}

void ReplayPlayer::start(std::shared_ptr<const ReplaySession> session, double factor)
{
    stop();
    m_session = std::move(session);
    m_factor = std::clamp(factor > 0 ? factor : 1.0, ReplaySession::MinSpeedFactor,
                          ReplaySession::MaxSpeedFactor);
    m_cursor = m_session->play();
    m_hasNext = false;
    m_clock.start();
    play();
}

void ReplayPlayer::stop()
{
    m_timer.stop();
    m_session.reset();
    m_cursor.reset();
    m_hasNext = false;
}

qint64 ReplayPlayer::dueUs(qint64 atUs) const
{
    // Held below any clock's end, however late the recording says and however slow the play.
    const double us = double(atUs) / m_factor;
    return us >= 4e18 ? qint64(4e18) : qint64(std::llround(us));
}

void ReplayPlayer::play()
{
    if (!m_session)
        return;
    if (m_backlog && m_backlog() >= MaxWrite) {
        m_timer.start(kBacklogPollMs);
        return;
    }
    const qint64 nowUs = m_clock.nsecsElapsed() / 1000;
    // Pieces that are due together go out as one write.
    QByteArray due;
    for (;;) {
        if (!m_hasNext)
            m_hasNext = m_cursor->next(m_next);
        if (!m_hasNext || dueUs(m_next.atUs) > nowUs || due.size() >= MaxWrite)
            break;
        due += m_next.bytes;
        m_hasNext = false;
    }
    if (!due.isEmpty())
        emit bytesDue(due);
    if (!m_session)
        return; // stopped by a receiver
    if (!m_hasNext) {
        stop();
        emit finished();
        return;
    }
    const qint64 waitMs = (dueUs(m_next.atUs) - nowUs + 999) / 1000;
    m_timer.start(int(std::clamp<qint64>(waitMs, 0, 24 * 3600 * 1000)));
}
