#pragma once

#include <QByteArray>
#include <QString>

#include <optional>
#include <vector>

class QIODevice;

// A recorded session with the console: every byte that crossed the line, both ways, with its time
// and direction, the line settings in force and the moment the link came up. The writer is
// SessionRecordingWriter; this class is the file format and its reader.
//
// File layout (all numbers little-endian):
//   header, 18 bytes: the signature 4C 56 52 45 43 0D 0A 1A ("LVREC", CR, LF, Ctrl-Z), the
//   format version (2 bytes, 2; version 1 files, which hold no snapshot, are read too), the start
//   time (8 bytes, signed, ms since 1970-01-01 UTC);
//   then records, each: a type byte, the time since the previous record (or since the start)
//   in microseconds and the number of bytes that follow, both as unsigned LEB128 numbers (7 bits
//   a byte, low group first, high bit set on every byte but the last), then those bytes.
class SessionRecording
{
public:
    enum class Type : quint8
    {
        FromConsole = 1,  // bytes the console sent, as they reached the program
        ToConsole = 2,    // bytes the program wrote
        LineSettings = 3, // the line settings from now on, as text: "38400,n,8,1"
        LinkUp = 4,       // the console answered the hello: the session begins; no bytes
        // What the program knew of the console when a recording began on a live link, as the
        // console's messages that would tell it; they did not cross the line then.
        Snapshot = 5,
    };

    struct Event
    {
        qint64 timeUs = 0; // since the start of the recording
        Type type = Type::FromConsole;
        QByteArray bytes;

        bool operator==(const Event&) const = default;
    };

    static constexpr char Signature[8] = {'L', 'V', 'R', 'E', 'C', '\r', '\n', '\x1A'};
    static constexpr quint16 Version = 2;
    static constexpr quint16 OldestVersion = 1; // no snapshot records yet
    static constexpr int HeaderSize = 18;
    // The most bytes one record carries; the writer splits larger pieces.
    static constexpr int MaxRecordBytes = 65536;
    // load() and parse() hold a whole recording; they read no more than this. Reader reads any
    // size a record at a time.
    static constexpr qint64 MaxLoadBytes = qint64(64) << 20;

    // Reads a recording from a file or any device a record at a time: whatever the file's size,
    // it holds one record and a read-ahead of a quarter of a megabyte.
    class Reader
    {
    public:
        explicit Reader(QIODevice& device) : m_device(device) {}

        // Reads and checks the header. False, with the reason in `error`, for a file that is no
        // recording, one in a format this program does not read, or one cut inside its header.
        bool readHeader(QString* error);
        qint64 startMsSinceEpoch() const { return m_startMs; }

        enum class Result
        {
            Record,  // `event` holds the next record
            End,     // no more records; note() says so if the file ended inside one
            Refused, // the file is damaged or unreadable here; `error` says what and where
        };
        Result next(Event& event, QString* error);
        // Set once the file has been found to end inside a record, as a file does when the
        // program writing it stopped: "stopped at byte N: the file ends inside record K; ...".
        // The records before it were read whole.
        QString note() const { return m_note; }

        // Where the next record begins, to come back to it with seek().
        struct Position
        {
            qint64 offset = HeaderSize;
            qint64 index = 0;
            qint64 timeUs = 0;
        };
        Position position() const { return {m_bufferOffset + m_at, m_index, m_timeUs}; }
        bool seek(const Position& position);

    private:
        // Makes at least n bytes past m_at available, fewer only at the end of the device.
        qsizetype fill(qsizetype n);

        QIODevice& m_device;
        QByteArray m_buffer;
        qsizetype m_at = 0;        // next byte to read in m_buffer
        qint64 m_bufferOffset = 0; // file offset of m_buffer[0]
        bool m_atEnd = false;
        QString m_readError;
        quint16 m_version = 0;
        qint64 m_startMs = 0;
        qint64 m_index = 0;
        qint64 m_timeUs = 0;
        QString m_note;
    };

    qint64 startMsSinceEpoch = 0;
    std::vector<Event> events;

    // Parses a whole recording. On failure returns nothing and says what is wrong in `error`:
    // not a recording at all, a newer format, or damaged, with the record and byte offset where it
    // went wrong. A recording cut short is read up to its last whole record, and `note` (when
    // given) says where it stopped.
    static std::optional<SessionRecording> parse(const QByteArray& data, QString* error,
                                                 QString* note = nullptr);
    // Reads and parses a file; the error and the note name the file.
    static std::optional<SessionRecording> load(const QString& path, QString* error,
                                                QString* note = nullptr);

    // The encoding, shared with the writer.
    static void appendHeader(QByteArray& out, qint64 startMsSinceEpoch);
    static void appendRecord(QByteArray& out, Type type, quint64 deltaUs, const char* data,
                             qsizetype size);
    // The length of the longest run of whole records at the start of `data` (records only, no
    // header).
    static qsizetype wholeRecords(const char* data, qsizetype size);
};
