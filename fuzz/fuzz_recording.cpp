// Fuzz target: the session recording's reader, as lvconsole-sim --replay meets any file. An input
// is either refused with a reason, by the reader and the replay alike, or read (up to a cut, if it
// was cut short) into records whose times never go back and that read back the same, whole, once
// written again; the replay then plays pieces in time order that add up to what it announced, and
// the traffic decoder takes what was read, both ways, whatever bytes the line carried.

#include "ReplaySession.h"
#include "link/SessionRecording.h"
#include "link/TrafficDecoder.h"
#include "model/SharedState.h"

#include <cstdint>
#include <cstdlib>

namespace {

void check(bool ok)
{
    if (!ok)
        std::abort();
}

QByteArray written(const SessionRecording& rec)
{
    QByteArray out;
    SessionRecording::appendHeader(out, rec.startMsSinceEpoch);
    qint64 time = 0;
    for (const auto& e : rec.events) {
        SessionRecording::appendRecord(out, e.type, quint64(e.timeUs - time), e.bytes.constData(),
                                       e.bytes.size());
        time = e.timeUs;
    }
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray input =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    QString error;
    QString note;
    const auto rec = SessionRecording::parse(input, &error, &note);
    const auto replay = ReplaySession::fromBytes(input, &error);
    if (!rec) {
        check(!error.isEmpty() && !replay);
        return 0;
    }
    check(replay != nullptr && replay->note == note);
    qint64 time = 0;
    for (const auto& e : rec->events) {
        check(e.timeUs >= time);
        check(e.bytes.size() <= SessionRecording::MaxRecordBytes);
        time = e.timeUs;
    }
    QString againNote;
    const auto again = SessionRecording::parse(written(*rec), &error, &againNote);
    check(again && again->events == rec->events &&
          again->startMsSinceEpoch == rec->startMsSinceEpoch && againNote.isEmpty());

    const auto cursor = replay->play();
    ReplaySession::Chunk chunk;
    qint64 at = 0;
    qint64 bytes = 0;
    qint64 count = 0;
    while (cursor->next(chunk)) {
        check(chunk.atUs >= at && !chunk.bytes.isEmpty());
        at = chunk.atUs;
        bytes += chunk.bytes.size();
        ++count;
    }
    check(cursor->error().isEmpty() && bytes == replay->byteCount && count == replay->chunkCount &&
          at == replay->durationUs);

    static const SharedState state;
    TrafficDecoder decoder(state);
    std::vector<TrafficLine> lines;
    QString settings = QStringLiteral("38400,n,8,1");
    for (const auto& e : rec->events) {
        const qint64 ms = e.timeUs / 1000;
        if (e.type == SessionRecording::Type::FromConsole ||
            e.type == SessionRecording::Type::Snapshot)
            decoder.received(e.bytes, ms, lines);
        else if (e.type == SessionRecording::Type::ToConsole)
            decoder.sent(e.bytes, ms, settings, lines);
        else if (e.type == SessionRecording::Type::LineSettings)
            settings = QString::fromLatin1(e.bytes);
    }
    decoder.flush(lines);
    for (const TrafficLine& l : lines)
        check(!l.kindText().isEmpty() && l.payload.size() <= TrafficDecoder::MaxPayload);
    return 0;
}
