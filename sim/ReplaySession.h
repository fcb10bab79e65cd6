#pragma once

#include "link/SessionRecording.h"

#include <QByteArray>
#include <QIODevice>
#include <QString>

#include <memory>

class QTemporaryFile;

// The console's side of a recorded session, ready to play back: what the console sent from the
// link-up on, each piece at its time after the link-up.
//
// The hello and its reply are not played: the simulator answers the program's own hello. Bytes
// that came in the same piece as the reply (the console talks on at once) are played at the
// link-up. Playing ends where the program started a new connect attempt (its next hello) or
// where the recording ends. A recording begun while the link was up has no link-up: it is
// played from its start. A snapshot (what the program knew when the recording began on a live
// link) is played like the console's bytes, where it lies: right after the link-up.
//
// The file is checked whole when loaded and read again, a record at a time, as it plays: memory
// stays small whatever its size.
class ReplaySession
{
public:
    struct Chunk
    {
        qint64 atUs = 0; // after the link-up
        QByteArray bytes;
    };

    // The speed factors a replay takes: from a hundredth of the recorded pace to a thousand
    // times as fast.
    static constexpr double MinSpeedFactor = 0.01;
    static constexpr double MaxSpeedFactor = 1000;

    // The speed the console answered the hello at, from the line settings recorded then; 0 when
    // the recording does not tell.
    int consoleSpeed = 0;
    qint64 byteCount = 0;
    qint64 chunkCount = 0;
    qint64 durationUs = 0;
    // Where a recording cut short stopped ("<file>: stopped at byte N: ..."); empty for a whole
    // file.
    QString note;

    // Reads and checks a recording file; null with a message naming the file on failure.
    static std::shared_ptr<const ReplaySession> load(const QString& path, QString* error);
    // The same from a recording in memory.
    static std::shared_ptr<const ReplaySession> fromBytes(const QByteArray& data, QString* error);

    // The pieces to play, in order, read from the file as they are asked for.
    class Cursor
    {
    public:
        // The next piece, or false at the end of the play (or if the file can no longer be read:
        // error() says why).
        bool next(Chunk& chunk);
        QString error() const { return m_error; }

    private:
        friend class ReplaySession;
        std::unique_ptr<QIODevice> m_device;
        std::unique_ptr<SessionRecording::Reader> m_reader;
        QByteArray m_atLinkUp;
        qint64 m_originUs = 0;
        bool m_ended = false;
        QString m_error;
    };
    std::unique_ptr<Cursor> play() const;

private:
    std::unique_ptr<QIODevice> openSource() const;
    bool scan(QString* error);

    QString m_path;                            // the file, read again at each play
    QByteArray m_data;                         // or the recording in memory
    std::shared_ptr<QTemporaryFile> m_copy;    // what a pipe gave, kept for the plays
    SessionRecording::Reader::Position m_from; // the first record played
    qint64 m_originUs = 0;
    QByteArray m_atLinkUp; // what came with the hello reply, played at once
};
