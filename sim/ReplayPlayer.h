#pragma once

#include "ReplaySession.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <memory>

// Plays a recorded console side back with its original timing, or `factor` times faster: each
// piece leaves when its time since the start has come.
class ReplayPlayer : public QObject
{
    Q_OBJECT
public:
    explicit ReplayPlayer(QObject* parent = nullptr);

    void start(std::shared_ptr<const ReplaySession> session, double factor);
    void stop();
    bool isPlaying() const { return m_session != nullptr; }

signals:
    void bytesDue(const QByteArray& bytes);
    void finished();

private:
    void play();

    std::shared_ptr<const ReplaySession> m_session;
    double m_factor = 1.0;
    qsizetype m_next = 0;
    QElapsedTimer m_clock;
    QTimer m_timer;
};
