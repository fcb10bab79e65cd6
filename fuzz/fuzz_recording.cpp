// Fuzz target: the session recording's reader, as lvconsole-sim --replay meets any file. An input
// is either refused with a reason, or read into records whose times never go back and that read
// back the same once written again; what is read then goes through the replay's extraction and
// the traffic decoder, both ways, which must take whatever bytes the line carried.

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
    const auto rec = SessionRecording::parse(input, &error);
    if (!rec) {
        check(!error.isEmpty());
        return 0;
    }
    qint64 time = 0;
    for (const auto& e : rec->events) {
        check(e.timeUs >= time);
        check(e.bytes.size() <= SessionRecording::MaxRecordBytes);
        time = e.timeUs;
    }
    const auto again = SessionRecording::parse(written(*rec), &error);
    check(again && again->events == rec->events &&
          again->startMsSinceEpoch == rec->startMsSinceEpoch);

    const ReplaySession replay = ReplaySession::fromRecording(*rec);
    qint64 at = 0;
    for (const auto& c : replay.chunks) {
        check(c.atUs >= at && !c.bytes.isEmpty());
        at = c.atUs;
    }

    static const SharedState state;
    TrafficDecoder decoder(state);
    std::vector<TrafficLine> lines;
    QString settings = QStringLiteral("38400,n,8,1");
    for (const auto& e : rec->events) {
        const qint64 ms = e.timeUs / 1000;
        if (e.type == SessionRecording::Type::FromConsole)
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
