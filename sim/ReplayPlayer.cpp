#include "ReplayPlayer.h"

#include <algorithm>
#include <cmath>

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
    m_factor = factor > 0 ? factor : 1.0;
    m_next = 0;
    m_clock.start();
    play();
}

void ReplayPlayer::stop()
{
    m_timer.stop();
    m_session.reset();
}

void ReplayPlayer::play()
{
    if (!m_session)
        return;
    const auto& chunks = m_session->chunks;
    const auto dueUs = [this, &chunks](qsizetype i) {
        return qint64(std::llround(double(chunks[i].atUs) / m_factor));
    };
    const qint64 nowUs = m_clock.nsecsElapsed() / 1000;
    // Pieces that are due together go out as one write.
    QByteArray due;
    while (m_next < chunks.size() && dueUs(m_next) <= nowUs)
        due += chunks[m_next++].bytes;
    if (!due.isEmpty())
        emit bytesDue(due);
    if (!m_session)
        return; // stopped by a receiver
    if (m_next >= chunks.size()) {
        m_session.reset();
        emit finished();
        return;
    }
    const qint64 waitMs = (dueUs(m_next) - nowUs + 999) / 1000;
    m_timer.start(int(std::clamp<qint64>(waitMs, 0, 24 * 3600 * 1000)));
}
