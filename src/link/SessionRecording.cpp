#include "link/SessionRecording.h"

#include "link/LineSettings.h"

#include <QFile>

#include <cstring>
#include <initializer_list>
#include <limits>

namespace {

void appendLe(QByteArray& out, quint64 value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.append(char((value >> (8 * i)) & 0xFF));
}

void appendVarint(QByteArray& out, quint64 value)
{
    do {
        quint8 b = value & 0x7F;
        value >>= 7;
        if (value)
            b |= 0x80;
        out.append(char(b));
    } while (value);
}

// Walks the file's bytes; never reads past the end.
class Cursor
{
public:
    explicit Cursor(const QByteArray& data)
        : m_p(reinterpret_cast<const quint8*>(data.constData())), m_size(data.size())
    {
    }
    qsizetype pos() const { return m_pos; }
    qsizetype left() const { return m_size - m_pos; }
    bool atEnd() const { return m_pos >= m_size; }

    quint64 le(int bytes)
    {
        quint64 v = 0;
        for (int i = 0; i < bytes; ++i)
            v |= quint64(m_p[m_pos + i]) << (8 * i);
        m_pos += bytes;
        return v;
    }
    quint8 byte() { return m_p[m_pos++]; }

    enum class Varint
    {
        Ok,
        Truncated,
        TooLarge
    };
    // At most nine bytes (63 bits): a longer number is no time or length this file can hold.
    Varint varint(quint64& value)
    {
        value = 0;
        for (int shift = 0; shift < 63; shift += 7) {
            if (atEnd())
                return Varint::Truncated;
            const quint8 b = byte();
            value |= quint64(b & 0x7F) << shift;
            if (!(b & 0x80))
                return Varint::Ok;
        }
        return Varint::TooLarge;
    }
    QByteArray take(qsizetype n)
    {
        QByteArray out(reinterpret_cast<const char*>(m_p + m_pos), n);
        m_pos += n;
        return out;
    }

private:
    const quint8* m_p;
    qsizetype m_size;
    qsizetype m_pos = 0;
};

bool knownType(quint8 t)
{
    return t >= quint8(SessionRecording::Type::FromConsole) &&
           t <= quint8(SessionRecording::Type::LinkUp);
}

} // namespace

void SessionRecording::appendHeader(QByteArray& out, qint64 startMsSinceEpoch)
{
    out.append(Signature, sizeof Signature);
    appendLe(out, Version, 2);
    appendLe(out, quint64(startMsSinceEpoch), 8);
}

void SessionRecording::appendRecord(QByteArray& out, Type type, quint64 deltaUs, const char* data,
                                    qsizetype size)
{
    out.append(char(type));
    appendVarint(out, deltaUs);
    appendVarint(out, quint64(size));
    if (size > 0)
        out.append(data, size);
}

std::optional<SessionRecording> SessionRecording::parse(const QByteArray& data, QString* error)
{
    const auto fail = [error](const QString& text) {
        if (error)
            *error = text;
        return std::nullopt;
    };
    const qsizetype signatureSize = qsizetype(sizeof Signature);
    if (data.size() < signatureSize ||
        std::memcmp(data.constData(), Signature, sizeof Signature) != 0) {
        return fail(QStringLiteral(
            "this is not a session recording: it does not begin with the recording signature "
            "\"LVREC\". Choose a file written by lvmonitor --record or Connection > Record to "
            "file."));
    }
    if (data.size() < HeaderSize)
        return fail(QStringLiteral("the recording is truncated: it ends inside its %1-byte header, "
                                   "so nothing was recorded. Record the session again.")
                        .arg(HeaderSize));
    Cursor in(data);
    in.take(signatureSize);
    const quint64 version = in.le(2);
    if (version != Version)
        return fail(QStringLiteral("the recording is in format version %1; this program reads "
                                   "version %2. Use the version of lvconsole-sim that came with "
                                   "the program that made it.")
                        .arg(version)
                        .arg(Version));
    SessionRecording rec;
    rec.startMsSinceEpoch = qint64(in.le(8));

    const auto where = [](qsizetype index, qsizetype offset) {
        return QStringLiteral("record %1 (at byte %2)").arg(index + 1).arg(offset);
    };
    const QString truncated =
        QStringLiteral("the recording is truncated: it ends inside %1. The program writing it "
                       "probably stopped before it could finish; the records before it are whole.");
    const QString corrupt = QStringLiteral("the recording is corrupt: %1 %2.");
    qint64 timeUs = 0;
    for (qsizetype index = 0; !in.atEnd(); ++index) {
        const qsizetype start = in.pos();
        const quint8 type = in.byte();
        if (!knownType(type))
            return fail(corrupt.arg(where(index, start),
                                    QStringLiteral("has an unknown type %1").arg(type)));
        quint64 delta = 0;
        quint64 size = 0;
        for (quint64* field : {&delta, &size}) {
            switch (in.varint(*field)) {
            case Cursor::Varint::Truncated:
                return fail(truncated.arg(where(index, start)));
            case Cursor::Varint::TooLarge:
                return fail(corrupt.arg(where(index, start),
                                        QStringLiteral("has a number longer than nine bytes")));
            case Cursor::Varint::Ok:
                break;
            }
        }
        if (delta > quint64(std::numeric_limits<qint64>::max() - timeUs))
            return fail(
                corrupt.arg(where(index, start), QStringLiteral("puts its time beyond any clock")));
        if (size > quint64(MaxRecordBytes))
            return fail(corrupt.arg(where(index, start),
                                    QStringLiteral("claims %1 bytes, more than the %2 a record "
                                                   "holds")
                                        .arg(size)
                                        .arg(MaxRecordBytes)));
        if (qint64(size) > in.left())
            return fail(truncated.arg(where(index, start)));
        timeUs += qint64(delta);
        Event e{timeUs, Type(type), in.take(qsizetype(size))};
        if (e.type == Type::LinkUp && !e.bytes.isEmpty())
            return fail(corrupt.arg(where(index, start),
                                    QStringLiteral("marks the link-up but carries bytes")));
        if (e.type == Type::LineSettings && !LineSettings::parse(QString::fromLatin1(e.bytes)))
            return fail(corrupt.arg(where(index, start), QStringLiteral("holds no line settings")));
        rec.events.push_back(std::move(e));
    }
    return rec;
}

std::optional<SessionRecording> SessionRecording::load(const QString& path, QString* error)
{
    const auto fail = [&](const QString& text) {
        if (error)
            *error = QStringLiteral("%1: %2").arg(path, text);
        return std::nullopt;
    };
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return fail(QStringLiteral("cannot read it (%1). Check the name and that you may read "
                                   "the file.")
                        .arg(file.errorString()));
    // Read in pieces: a pipe or a device tells no size, and a wrong file may never end.
    QByteArray data;
    for (;;) {
        const QByteArray piece = file.read(1 << 20);
        if (piece.isEmpty())
            break;
        if (data.size() + piece.size() > MaxFileBytes)
            return fail(QStringLiteral("the file is larger than %1 MB, more than any recording; "
                                       "choose the recording itself.")
                            .arg(MaxFileBytes >> 20));
        data += piece;
    }
    if (file.error() != QFileDevice::NoError)
        return fail(QStringLiteral("reading it failed (%1). Copy the file somewhere else and "
                                   "try again.")
                        .arg(file.errorString()));
    QString why;
    auto rec = parse(data, &why);
    if (!rec)
        return fail(why);
    return rec;
}
