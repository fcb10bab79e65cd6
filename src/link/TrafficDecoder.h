#pragma once

#include "link/TrafficFields.h"
#include "link/TrafficLine.h"

#include <QByteArray>
#include <QString>

#include <vector>

struct SharedState;

// Frames the bytes that cross the line, both ways, into TrafficLines as they pass, each with its
// fields in words (TrafficFields). Reads only what is there: the bytes are the line's and may be
// anything.
//
// The console's side: hunt for the start byte A5, a 3-byte header (kind, length low, high), the
// payload; while the program awaits a hello reply, that reply. The program's side: each command
// as the program writes it, A5 and a command byte and its operands, and the hellos.
class TrafficDecoder
{
public:
    explicit TrafficDecoder(const SharedState& state);

    // Times are the wall clock's milliseconds since the epoch; lines carry them as they are. New
    // lines are appended to `out`.
    void received(const QByteArray& bytes, qint64 nowMs, std::vector<TrafficLine>& out);
    // lineSettings is the setting in force ("19200,n,8,1"), for the speed of a hello.
    void sent(const QByteArray& bytes, qint64 nowMs, const QString& lineSettings,
              std::vector<TrafficLine>& out);
    // Bytes skipped while hunting become one line once a start byte is found; this lets a run
    // that is still going show now (the view calls it before it shows new lines).
    void flush(std::vector<TrafficLine>& out);

    // The longest payload a console message may have; a longer header is noise.
    static constexpr int MaxPayload = 32767;

private:
    enum class State
    {
        Hunting,
        Header,
        Payload,
        AwaitHello, // the program has sent a hello; m_reply is the answer that would match
    };

    void take(const char* data, qsizetype size, std::vector<TrafficLine>& out);
    void flushSkipped(std::vector<TrafficLine>& out);
    void emitMessage(std::vector<TrafficLine>& out);

    TrafficFields m_fields;
    State m_rx = State::Hunting;
    qint64 m_nowMs = 0;
    QByteArray m_header;
    QByteArray m_payload;
    int m_kind = 0;
    int m_length = 0;
    int m_skipped = 0;
    qint64 m_skippedSinceMs = 0;
    QByteArray m_reply;      // the awaited hello reply
    QByteArray m_replySoFar; // what of it has come
    QString m_helloSpeed;    // "at 19200 bit/s": the line the hello went out on
};
