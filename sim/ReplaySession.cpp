#include "ReplaySession.h"

#include "link/LineSettings.h"

namespace {

using Type = SessionRecording::Type;
using Event = SessionRecording::Event;

const QByteArray kHello("\xA5\x01", 2);
const QByteArray kSlowHello("\x55\x25\x05", 3);

// The program starts a connect attempt with a write of the hello alone.
bool isHelloWrite(const Event& e)
{
    return e.type == Type::ToConsole && (e.bytes == kHello || e.bytes == kSlowHello);
}

} // namespace

ReplaySession ReplaySession::fromRecording(const SessionRecording& recording)
{
    const auto& events = recording.events;
    ReplaySession session;
    size_t linkUp = 0;
    while (linkUp < events.size() && events[linkUp].type != Type::LinkUp)
        ++linkUp;
    size_t from = 0;
    qint64 originUs = events.empty() ? 0 : events.front().timeUs;
    if (linkUp < events.size()) {
        originUs = events[linkUp].timeUs;
        from = linkUp + 1;
        // The hello that was answered, the speed it went out at, and what came with the reply.
        size_t hello = linkUp;
        while (hello > 0 && !isHelloWrite(events[hello - 1]))
            --hello;
        for (size_t i = 0; i < linkUp; ++i) {
            if (events[i].type != Type::LineSettings)
                continue;
            if (const auto line = LineSettings::parse(QString::fromLatin1(events[i].bytes)))
                session.consoleSpeed = line->baud;
        }
        QByteArray answer;
        for (size_t i = hello; i < linkUp; ++i)
            if (events[i].type == Type::FromConsole)
                answer += events[i].bytes;
        const QByteArray reply = hello > 0 ? events[hello - 1].bytes : kHello;
        const qsizetype at = answer.indexOf(reply);
        if (at >= 0 && at + reply.size() < answer.size())
            session.chunks.append({0, answer.mid(at + reply.size())});
    }
    for (size_t i = from; i < events.size(); ++i) {
        const Event& e = events[i];
        if (isHelloWrite(e) || e.type == Type::LinkUp)
            break;
        if (e.type == Type::FromConsole && !e.bytes.isEmpty())
            session.chunks.append({e.timeUs - originUs, e.bytes});
    }
    for (const Chunk& c : session.chunks)
        session.byteCount += c.bytes.size();
    session.durationUs = session.chunks.isEmpty() ? 0 : session.chunks.last().atUs;
    return session;
}

std::shared_ptr<const ReplaySession> ReplaySession::load(const QString& path, QString* error)
{
    const auto recording = SessionRecording::load(path, error);
    if (!recording)
        return nullptr;
    return std::make_shared<const ReplaySession>(fromRecording(*recording));
}
