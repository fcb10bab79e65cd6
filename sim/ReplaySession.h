#pragma once

#include "link/SessionRecording.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <memory>

// The console's side of a recorded session, ready to play back: what the console sent from the
// link-up on, each piece at its time after the link-up.
//
// The hello and its reply are not played: the simulator answers the program's own hello. Bytes
// that came in the same piece as the reply (the console talks on at once) are played at the
// link-up. Playing ends where the program started a new connect attempt (its next hello) or
// where the recording ends. A recording begun while the link was up has no link-up: it is
// played from its start.
struct ReplaySession
{
    struct Chunk
    {
        qint64 atUs = 0; // after the link-up
        QByteArray bytes;
    };

    QList<Chunk> chunks;
    // The speed the console answered the hello at, from the line settings recorded then; 0 when
    // the recording does not tell.
    int consoleSpeed = 0;
    qint64 byteCount = 0;
    qint64 durationUs = 0;

    static ReplaySession fromRecording(const SessionRecording& recording);
    // Reads, checks and extracts a recording file; null with a message on failure.
    static std::shared_ptr<const ReplaySession> load(const QString& path, QString* error);
};
