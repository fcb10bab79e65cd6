#include "link/TrafficDecoder.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr char kStart = char(0xA5);
const QByteArray kHello("\xA5\x01", 2);
const QByteArray kSlowHelloBytes("\x55\x25\x05", 3);

int operandCount(int code)
{
    switch (code) {
    case 0x01:
    case 0x02:
    case 0x05:
        return 0;
    case 0x04:
    case 0x0B:
    case 0x0D:
    case 0x0E:
    case 0x11:
    case 0x13:
    case 0x15:
        return 1;
    case 0x03:
    case 0x0F:
    case 0x16:
        return 2;
    case 0x08:
        return 3;
    default:
        return -1;
    }
}

int u8(const QByteArray& p, qsizetype i)
{
    return quint8(p[i]);
}

} // namespace

TrafficDecoder::TrafficDecoder(const SharedState& state) : m_fields(state)
{
    m_header.reserve(3);
}

void TrafficDecoder::flushSkipped(std::vector<TrafficLine>& out)
{
    if (m_skipped == 0)
        return;
    TrafficLine line;
    line.timeMs = m_skippedSinceMs;
    line.direction = TrafficLine::Direction::FromConsole;
    line.kind = TrafficLine::SkippedBytes;
    line.length = m_skipped;
    line.decoded = m_skipped == 1 ? QStringLiteral("skipped 1 byte")
                                  : QStringLiteral("skipped %1 bytes").arg(m_skipped);
    out.push_back(std::move(line));
    m_skipped = 0;
}

void TrafficDecoder::flush(std::vector<TrafficLine>& out)
{
    flushSkipped(out);
}

void TrafficDecoder::received(const QByteArray& bytes, qint64 nowMs, std::vector<TrafficLine>& out)
{
    m_nowMs = nowMs;
    take(bytes.constData(), bytes.size(), out);
}

void TrafficDecoder::take(const char* data, qsizetype size, std::vector<TrafficLine>& out)
{
    const auto skip = [this](qsizetype n) {
        if (m_skipped == 0)
            m_skippedSinceMs = m_nowMs;
        m_skipped += int(std::min<qsizetype>(n, 1 << 30));
    };
    qsizetype i = 0;
    while (i < size) {
        switch (m_rx) {
        case State::AwaitHello: {
            m_replySoFar.append(data[i++]);
            // Drop what cannot begin the awaited reply, so that a reply after noise is found.
            while (!m_replySoFar.isEmpty() && !m_reply.startsWith(m_replySoFar)) {
                m_replySoFar.remove(0, 1);
                skip(1);
            }
            if (m_replySoFar == m_reply) {
                flushSkipped(out);
                TrafficLine line;
                line.direction = TrafficLine::Direction::FromConsole;
                line.kind = TrafficLine::HelloReply;
                line.length = int(m_reply.size());
                line.payload = m_reply;
                line.decoded = m_helloSpeed;
                out.push_back(std::move(line));
                m_replySoFar.clear();
                m_rx = State::Hunting;
            }
            break;
        }
        case State::Hunting: {
            const void* found = std::memchr(data + i, quint8(kStart), size_t(size - i));
            if (!found) {
                skip(size - i);
                i = size;
                break;
            }
            const qsizetype at = static_cast<const char*>(found) - data;
            if (at > i)
                skip(at - i);
            flushSkipped(out);
            i = at + 1;
            m_header.clear();
            m_rx = State::Header;
            break;
        }
        case State::Header:
            m_header.append(data[i++]);
            if (m_header.size() < 3)
                break;
            m_kind = u8(m_header, 0);
            m_length = u8(m_header, 1) | (u8(m_header, 2) << 8);
            m_payload.clear();
            if (m_length == 0 || m_length > MaxPayload) {
                // The program drops such a header and hunts again; so does the decoder.
                emitMessage(out);
                m_rx = State::Hunting;
            } else {
                m_payload.reserve(m_length);
                m_rx = State::Payload;
            }
            break;
        case State::Payload: {
            const qsizetype n = std::min<qsizetype>(m_length - m_payload.size(), size - i);
            m_payload.append(data + i, n);
            i += n;
            if (m_payload.size() == m_length) {
                emitMessage(out);
                m_rx = State::Hunting;
            }
            break;
        }
        }
    }
}

void TrafficDecoder::emitMessage(std::vector<TrafficLine>& out)
{
    TrafficLine line;
    line.timeMs = m_nowMs;
    line.direction = TrafficLine::Direction::FromConsole;
    line.kind = m_kind;
    line.length = m_length;
    line.payload = m_payload;
    line.decoded = m_length == 0 ? QStringLiteral("no payload: dropped")
                   : m_length > MaxPayload
                       ? QStringLiteral("length %1 is more than a message holds: dropped, the "
                                        "next start byte is sought")
                             .arg(m_length)
                       : m_fields.message(m_kind, m_payload);
    out.push_back(std::move(line));
}

void TrafficDecoder::sent(const QByteArray& bytes, qint64 nowMs, const QString& lineSettings,
                          std::vector<TrafficLine>& out)
{
    m_nowMs = nowMs;
    const qint64 t = nowMs;
    const auto line = [&](int kind, QByteArray payload, QString decoded) {
        TrafficLine l;
        l.timeMs = t;
        l.direction = TrafficLine::Direction::ToConsole;
        l.kind = kind;
        l.length = int(payload.size());
        l.payload = std::move(payload);
        l.decoded = std::move(decoded);
        out.push_back(std::move(l));
    };
    const auto awaitReply = [&](const QByteArray& reply) {
        m_reply = reply;
        m_replySoFar.clear();
        m_helloSpeed = TrafficFields::speed(lineSettings);
        m_rx = State::AwaitHello;
    };
    const qsizetype n = bytes.size();
    qsizetype i = 0;
    while (i < n) {
        if (bytes.mid(i, 3) == kSlowHelloBytes) {
            awaitReply(kSlowHelloBytes);
            line(TrafficLine::SlowHello, {}, TrafficFields::speed(lineSettings));
            i += 3;
            continue;
        }
        if (bytes[i] != kStart) {
            qsizetype j = i + 1;
            while (j < n && bytes[j] != kStart && bytes.mid(j, 3) != kSlowHelloBytes)
                ++j;
            line(TrafficLine::SkippedBytes, bytes.mid(i, j - i),
                 QStringLiteral("%1 bytes outside any command").arg(j - i));
            i = j;
            continue;
        }
        if (i + 1 >= n) {
            line(TrafficLine::SkippedBytes, bytes.mid(i, 1),
                 QStringLiteral("a start byte with no command after it"));
            break;
        }
        const int code = u8(bytes, i + 1);
        const int count = operandCount(code);
        if (count < 0) {
            // Nothing tells where an unknown command ends: the rest of the write goes with it.
            line(code, bytes.mid(i + 2), QStringLiteral("a command the console does not know"));
            break;
        }
        QByteArray ops = bytes.mid(i + 2, count);
        i += 2 + ops.size();
        if (ops.size() < count) {
            line(code, ops,
                 QStringLiteral("cut short: %1 of %2 operand bytes").arg(ops.size()).arg(count));
            break;
        }
        // A value of A5 in a channel value goes out followed by 00, so that the console does
        // not take it for a start.
        if (code == 0x08 && u8(ops, 2) == 0xA5 && i < n && bytes[i] == '\0') {
            ops.append('\0');
            ++i;
        }
        if (code == 0x01)
            awaitReply(kHello);
        line(code, ops,
             code == 0x01 ? TrafficFields::speed(lineSettings) : m_fields.command(code, ops));
    }
}
