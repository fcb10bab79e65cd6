#include "Pacer.h"

Pacer::Pacer(QObject* parent) : QObject(parent)
{
    m_timer.setTimerType(Qt::PreciseTimer);
    m_timer.setInterval(5);
    connect(&m_timer, &QTimer::timeout, this, &Pacer::tick);
}

qint64 Pacer::durationMs(int bitsPerSecond, qint64 bytes)
{
    const qint64 rate = bytesPerSecond(bitsPerSecond);
    return rate <= 0 ? 0 : (bytes * 1000 + rate - 1) / rate;
}

void Pacer::setBitsPerSecond(int bitsPerSecond)
{
    if (bitsPerSecond == m_bps)
        return;
    m_bps = bitsPerSecond;
    m_clock.invalidate(); // a new rate starts a new account
}

void Pacer::enqueue(const QByteArray& bytes)
{
    if (!m_enabled) {
        emit release(bytes);
        return;
    }
    m_queue.append(bytes);
    if (!m_timer.isActive()) {
        m_clock.invalidate(); // an idle line banks no credit
        m_timer.start();
    }
    tick();
}

void Pacer::clear()
{
    m_queue.clear();
    m_timer.stop();
    m_clock.invalidate();
}

void Pacer::tick()
{
    if (m_queue.isEmpty()) {
        m_timer.stop();
        return;
    }
    if (!m_clock.isValid()) {
        m_clock.start();
        m_sent = 0;
    }
    // Always let the first byte go, so a slow line is never stuck behind the rounding.
    const qint64 allowed = qMax<qint64>(budget(m_bps, m_clock.elapsed()) - m_sent + 1, 0);
    const qint64 n = qMin<qint64>(allowed, m_queue.size());
    if (n <= 0)
        return;
    const QByteArray chunk = m_queue.left(n);
    m_queue.remove(0, n);
    m_sent += n;
    emit release(chunk);
    if (m_queue.isEmpty())
        m_timer.stop();
}
