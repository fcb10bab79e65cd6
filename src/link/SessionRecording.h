#pragma once

#include <QByteArray>
#include <QString>

#include <optional>
#include <vector>

// A recorded session with the console: every byte that crossed the line, both ways, with its time
// and direction, the line settings in force and the moment the link came up. The writer is
// SessionRecordingWriter; this class is the file format and its reader.
//
// File layout (all numbers little-endian):
//   header, 18 bytes: the signature 4C 56 52 45 43 0D 0A 1A ("LVREC", CR, LF, Ctrl-Z), the
//   format version (2 bytes, 1), the start time (8 bytes, signed, ms since 1970-01-01 UTC);
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
    };

    struct Event
    {
        qint64 timeUs = 0; // since the start of the recording
        Type type = Type::FromConsole;
        QByteArray bytes;

        bool operator==(const Event&) const = default;
    };

    static constexpr char Signature[8] = {'L', 'V', 'R', 'E', 'C', '\r', '\n', '\x1A'};
    static constexpr quint16 Version = 1;
    static constexpr int HeaderSize = 18;
    // The most bytes one record carries; the writer splits larger pieces.
    static constexpr int MaxRecordBytes = 65536;
    // A file larger than this is not read (about three days of a full line).
    static constexpr qint64 MaxFileBytes = qint64(1) << 30;

    qint64 startMsSinceEpoch = 0;
    std::vector<Event> events;

    // Parses a whole recording. On failure returns nothing and says what is wrong in `error`:
    // not a recording at all, a newer format, cut short, or damaged, with the record and byte
    // offset where it went wrong.
    static std::optional<SessionRecording> parse(const QByteArray& data, QString* error);
    // Reads and parses a file; the error names the file.
    static std::optional<SessionRecording> load(const QString& path, QString* error);

    // The encoding, shared with the writer.
    static void appendHeader(QByteArray& out, qint64 startMsSinceEpoch);
    static void appendRecord(QByteArray& out, Type type, quint64 deltaUs, const char* data,
                             qsizetype size);
};
