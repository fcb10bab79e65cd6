#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

// Holds the console's outgoing bytes and lets them out no faster than the line could carry
// them: one start bit, eight data bits and one stop bit make ten bits per byte.
class Pacer : public QObject
{
    Q_OBJECT
public:
    explicit Pacer(QObject* parent = nullptr);

    static qint64 bytesPerSecond(int bitsPerSecond) { return bitsPerSecond / 10; }
    // Bytes the line carries in elapsedMs milliseconds.
    static qint64 budget(int bitsPerSecond, qint64 elapsedMs)
    {
        return bytesPerSecond(bitsPerSecond) * elapsedMs / 1000;
    }
    // Milliseconds the line needs for a number of bytes, rounded up.
    static qint64 durationMs(int bitsPerSecond, qint64 bytes);

    void setBitsPerSecond(int bitsPerSecond);
    int bitsPerSecond() const { return m_bps; }
    void setEnabled(bool enabled) { m_enabled = enabled; }
    bool isEnabled() const { return m_enabled; }

    void enqueue(const QByteArray& bytes);
    qint64 queued() const { return m_queue.size(); }
    void clear();

signals:
    // Bytes that may go onto the line now.
    void release(const QByteArray& bytes);

private:
    void tick();

    QByteArray m_queue;
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_sent = 0; // bytes released since m_clock started
    int m_bps = 38400;
    bool m_enabled = true;
};
