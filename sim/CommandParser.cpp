#include "CommandParser.h"

namespace {

constexpr char kStart = char(0xA5);

QString hexBytes(const QByteArray& bytes)
{
    return QString::fromLatin1(bytes.toHex(' ').toUpper());
}

QString requestText(quint8 code, const QByteArray& op)
{
    auto u = [&](int i) { return int(quint8(op.at(i))); };
    switch (code) {
    case 0x02:
        return QStringLiteral("request current page");
    case 0x03:
        return QStringLiteral("request page contents, kind %1 page %2").arg(u(0)).arg(u(1));
    case 0x04:
        return u(0) == 0xFF ? QStringLiteral("request all fixtures")
                            : QStringLiteral("request fixture %1").arg(u(0));
    case 0x05:
        return QStringLiteral("request scene events");
    case 0x08:
        return QStringLiteral("set fixture %1 channel %2 to %3").arg(u(0)).arg(u(1)).arg(u(2));
    case 0x0B:
        return u(0) == 0   ? QStringLiteral("monitor going away")
               : u(0) == 1 ? QStringLiteral("fixtures view closed")
               : u(0) == 2 ? QStringLiteral("fixtures view opened")
                           : QStringLiteral("monitor notice %1").arg(u(0));
    case 0x0D:
        return u(0) == 0 ? QStringLiteral("page down") : QStringLiteral("page up");
    case 0x0E:
        return QStringLiteral("choose page kind %1").arg(u(0));
    case 0x0F:
        return QStringLiteral("pick entry %1%2").arg(u(0)).arg(u(1) ? " (add)" : "");
    case 0x11:
        return u(0) == 0xFF ? QStringLiteral("request all dimmers")
                            : QStringLiteral("request dimmer %1").arg(u(0));
    case 0x13:
        return QStringLiteral("request playback %1").arg(u(0));
    case 0x15:
        return QStringLiteral("request playback pages");
    case 0x16:
        return QStringLiteral("request show %1 on page %2").arg(u(0)).arg(u(1));
    default:
        return QStringLiteral("command %1").arg(code);
    }
}

} // namespace

QString Command::describe() const
{
    QString text;
    switch (type) {
    case Type::Hello:
        text = QStringLiteral("hello");
        break;
    case Type::SlowHello:
        text = QStringLiteral("hello at 1200 bit/s");
        break;
    case Type::Request:
        text = requestText(code, operands);
        break;
    case Type::Garbage:
        text = QStringLiteral("garbage, %1 byte(s)").arg(raw.size());
        break;
    case Type::Bad:
        text = QStringLiteral("unknown command");
        break;
    }
    if (!problem.isEmpty())
        text += QStringLiteral(" (%1)").arg(problem);
    return hexBytes(raw) + QStringLiteral("  ") + text;
}

int CommandParser::operandCount(quint8 code)
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

void CommandParser::reset()
{
    m_state = State::Hunt;
    m_current = Command();
    m_needed = 0;
    m_garbage.clear();
}

QList<Command> CommandParser::feed(const QByteArray& bytes)
{
    QList<Command> out;
    for (char b : bytes)
        take(b, out);
    flushGarbage(out);
    return out;
}

void CommandParser::flushGarbage(QList<Command>& out)
{
    if (m_garbage.isEmpty())
        return;
    Command g;
    g.type = Command::Type::Garbage;
    g.raw = m_garbage;
    out.append(g);
    m_garbage.clear();
}

void CommandParser::emitCurrent(QList<Command>& out)
{
    out.append(m_current);
    m_current = Command();
    m_state = State::Hunt;
}

void CommandParser::take(char byte, QList<Command>& out)
{
    switch (m_state) {
    case State::Hunt:
        if (byte == kStart || byte == 0x55) {
            flushGarbage(out);
            m_current = Command();
            m_current.raw.append(byte);
            m_state = byte == kStart ? State::Code : State::SlowHello;
        } else {
            m_garbage.append(byte);
        }
        return;
    case State::SlowHello: {
        static const QByteArray hello("\x55\x25\x05", 3);
        if (byte == hello.at(m_current.raw.size())) {
            m_current.raw.append(byte);
            if (m_current.raw.size() == hello.size()) {
                m_current.type = Command::Type::SlowHello;
                emitCurrent(out);
            }
            return;
        }
        // Not a hello after all: what was held is junk; look at this byte afresh.
        m_garbage.append(m_current.raw);
        m_state = State::Hunt;
        take(byte, out);
        return;
    }
    case State::Code: {
        const quint8 code = quint8(byte);
        if (byte == kStart) {
            // A lone start byte; this one may begin the real command.
            m_garbage.append(m_current.raw);
            flushGarbage(out);
            m_current.raw = QByteArray(1, kStart);
            return;
        }
        m_current.raw.append(byte);
        m_current.code = code;
        const int n = operandCount(code);
        if (n < 0) {
            m_current.type = Command::Type::Bad;
            emitCurrent(out);
        } else if (code == 0x01) {
            m_current.type = Command::Type::Hello;
            emitCurrent(out);
        } else {
            m_current.type = Command::Type::Request;
            m_needed = n;
            if (n == 0)
                emitCurrent(out);
            else
                m_state = State::Operands;
        }
        return;
    }
    case State::Operands:
        m_current.raw.append(byte);
        m_current.operands.append(byte);
        if (--m_needed > 0)
            return;
        if (m_current.code == 0x08 && byte == kStart)
            m_state = State::Stuffed;
        else
            emitCurrent(out);
        return;
    case State::Stuffed:
        if (byte == 0) {
            m_current.raw.append(byte);
            emitCurrent(out);
            return;
        }
        // The program left out the 00: keep the command and read this byte afresh.
        m_current.problem = QStringLiteral("no 00 after the value A5");
        emitCurrent(out);
        take(byte, out);
        return;
    }
}
