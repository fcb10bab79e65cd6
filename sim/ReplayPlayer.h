#pragma once

#include "ReplaySession.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <functional>
#include <memory>

// Plays a recorded console side back with its original timing, or `factor` times faster: each
// piece leaves when its time since the start has come. Pieces are read from the recording as
// they are due, and while the line has not taken the last ones (see setBacklog) no more are read.
class ReplayPlayer : public QObject
{
    Q_OBJECT
public:
    // Pieces due together go out as one write, up to this many bytes.
    static constexpr qsizetype MaxWrite = 64 * 1024;

    explicit ReplayPlayer(QObject* parent = nullptr);

    // The bytes written that the line has not taken yet; while there are MaxWrite or more, the
    // player waits.
    void setBacklog(std::function<qint64()> backlog) { m_backlog = std::move(backlog); }
    // `factor` is held within ReplaySession::MinSpeedFactor..MaxSpeedFactor.
    void start(std::shared_ptr<const ReplaySession> session, double factor);
    void stop();
    bool isPlaying() const { return m_session != nullptr; }

signals:
    void bytesDue(const QByteArray& bytes);
    void finished();

private:
    void play();
    qint64 dueUs(qint64 atUs) const;

    std::shared_ptr<const ReplaySession> m_session;
    std::unique_ptr<ReplaySession::Cursor> m_cursor;
    ReplaySession::Chunk m_next;
    bool m_hasNext = false;
    double m_factor = 1.0;
    std::function<qint64()> m_backlog;
    QElapsedTimer m_clock;
    QTimer m_timer;
};
