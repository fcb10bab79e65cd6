#include "link/SessionRecording.h"

#include "link/LineSettings.h"

#include <QBuffer>
#include <QFile>

#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <limits>

namespace {

// A record's type byte and its two numbers take at most this many bytes.
constexpr qsizetype kMaxRecordHead = 1 + 9 + 9;
// What the reader asks of the device at a time.
constexpr qsizetype kReadAhead = qsizetype(256) << 10;

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

quint64 readLe(const char* p, int bytes)
{
    quint64 v = 0;
    for (int i = 0; i < bytes; ++i)
        v |= quint64(quint8(p[i])) << (8 * i);
    return v;
}

enum class Varint
{
    Ok,
    Truncated,
    TooLarge
};

// At most nine bytes (63 bits): a longer number is no time or length this file can hold. Reads
// nothing at or past `end`.
Varint readVarint(const char*& p, const char* end, quint64& value)
{
    value = 0;
    for (int shift = 0; shift < 63; shift += 7) {
        if (p >= end)
            return Varint::Truncated;
        const quint8 b = quint8(*p++);
        value |= quint64(b & 0x7F) << shift;
        if (!(b & 0x80))
            return Varint::Ok;
    }
    return Varint::TooLarge;
}

bool knownType(quint8 t, quint16 version)
{
    const auto last =
        version >= 2 ? SessionRecording::Type::Snapshot : SessionRecording::Type::LinkUp;
    return t >= quint8(SessionRecording::Type::FromConsole) && t <= quint8(last);
}

QString where(qint64 index, qint64 offset)
{
    return QStringLiteral("record %1 (at byte %2)").arg(index + 1).arg(offset);
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

qsizetype SessionRecording::wholeRecords(const char* data, qsizetype size)
{
    const char* const end = data + size;
    const char* p = data;
    qsizetype whole = 0;
    while (p < end) {
        ++p; // type
        quint64 delta = 0;
        quint64 length = 0;
        if (readVarint(p, end, delta) != Varint::Ok || readVarint(p, end, length) != Varint::Ok ||
            length > quint64(end - p))
            break;
        p += length;
        whole = p - data;
    }
    return whole;
}

qsizetype SessionRecording::Reader::fill(qsizetype n)
{
    while (m_buffer.size() - m_at < n && !m_atEnd) {
        // Move what is left to the front, then read behind it.
        if (m_at > 0) {
            m_buffer.remove(0, m_at);
            m_bufferOffset += m_at;
            m_at = 0;
        }
        const qsizetype kept = m_buffer.size();
        const qsizetype want = std::max(kReadAhead, n) - kept;
        m_buffer.resize(kept + want);
        const qint64 got = m_device.read(m_buffer.data() + kept, want);
        m_buffer.resize(kept + std::max<qint64>(got, 0));
        if (got <= 0)
            m_atEnd = true;
        if (got < 0)
            m_readError = m_device.errorString();
    }
    return std::min(n, m_buffer.size() - m_at);
}

bool SessionRecording::Reader::readHeader(QString* error)
{
    const auto fail = [error](const QString& text) {
        if (error)
            *error = text;
        return false;
    };
    m_buffer.clear();
    m_at = 0;
    m_bufferOffset = m_device.pos();
    m_atEnd = false;
    m_readError.clear();
    const qsizetype have = fill(HeaderSize);
    const char* p = m_buffer.constData();
    if (have < HeaderSize && !m_readError.isEmpty())
        return fail(QStringLiteral("reading it failed (%1). Copy the file somewhere else and try "
                                   "again.")
                        .arg(m_readError));
    if (have < qsizetype(sizeof Signature) || std::memcmp(p, Signature, sizeof Signature) != 0)
        return fail(QStringLiteral(
            "this is not a session recording: it does not begin with the recording signature "
            "\"LVREC\". Choose a file written by lvmonitor --record or Connection > Record to "
            "file."));
    if (have < HeaderSize)
        return fail(QStringLiteral("the recording is truncated: it ends inside its %1-byte header, "
                                   "so nothing was recorded. Record the session again.")
                        .arg(HeaderSize));
    m_version = quint16(readLe(p + sizeof Signature, 2));
    if (m_version < OldestVersion || m_version > Version)
        return fail(QStringLiteral("the recording is in format version %1; this program reads "
                                   "versions %2 to %3. Use the version of lvconsole-sim that came "
                                   "with the program that made it.")
                        .arg(m_version)
                        .arg(OldestVersion)
                        .arg(Version));
    m_startMs = qint64(readLe(p + sizeof Signature + 2, 8));
    m_at = HeaderSize;
    m_index = 0;
    m_timeUs = 0;
    m_note.clear();
    return true;
}

SessionRecording::Reader::Result SessionRecording::Reader::next(Event& event, QString* error)
{
    if (m_version == 0 || !m_note.isEmpty())
        return Result::End;
    const qint64 start = m_bufferOffset + m_at;
    const auto refuse = [&](const QString& what) {
        if (error)
            *error =
                QStringLiteral("the recording is corrupt: %1 %2.").arg(where(m_index, start), what);
        return Result::Refused;
    };
    const auto cut = [&] {
        m_note = QStringLiteral("stopped at byte %1: the file ends inside %2; the records before "
                                "it are whole. The program writing it probably stopped before it "
                                "could finish.")
                     .arg(start)
                     .arg(where(m_index, start));
        return Result::End;
    };

    const auto unreadable = [&] {
        if (error)
            *error = QStringLiteral("reading it failed at byte %1 (%2). Copy the file somewhere "
                                    "else and try again.")
                         .arg(start)
                         .arg(m_readError);
        return Result::Refused;
    };

    const qsizetype have = fill(kMaxRecordHead);
    if (have < kMaxRecordHead && !m_readError.isEmpty())
        return unreadable();
    if (have == 0)
        return Result::End;
    const char* const head = m_buffer.constData() + m_at;
    const char* p = head;
    const char* const end = head + have;
    const quint8 type = quint8(*p++);
    if (!knownType(type, m_version))
        return refuse(QStringLiteral("has an unknown type %1").arg(type));
    quint64 delta = 0;
    quint64 size = 0;
    for (quint64* field : {&delta, &size}) {
        switch (readVarint(p, end, *field)) {
        case Varint::Truncated:
            return cut();
        case Varint::TooLarge:
            return refuse(QStringLiteral("has a number longer than nine bytes"));
        case Varint::Ok:
            break;
        }
    }
    if (delta > quint64(std::numeric_limits<qint64>::max() - m_timeUs))
        return refuse(QStringLiteral("puts its time beyond any clock"));
    if (size > quint64(MaxRecordBytes))
        return refuse(QStringLiteral("claims %1 bytes, more than the %2 a record holds")
                          .arg(size)
                          .arg(MaxRecordBytes));
    const qsizetype headSize = p - head;
    // Bounded by the check above: never more than a record and its head.
    if (fill(headSize + qsizetype(size)) < headSize + qsizetype(size))
        return m_readError.isEmpty() ? cut() : unreadable();
    const Type t = Type(type);
    if (t == Type::LinkUp && size != 0)
        return refuse(QStringLiteral("marks the link-up but carries bytes"));
    QByteArray bytes(m_buffer.constData() + m_at + headSize, qsizetype(size));
    if (t == Type::LineSettings && !LineSettings::parse(QString::fromLatin1(bytes)))
        return refuse(QStringLiteral("holds no line settings"));
    m_at += headSize + qsizetype(size);
    m_timeUs += qint64(delta);
    ++m_index;
    event = Event{m_timeUs, t, std::move(bytes)};
    return Result::Record;
}

bool SessionRecording::Reader::seek(const Position& position)
{
    if (m_version == 0 || !m_device.seek(position.offset))
        return false;
    m_buffer.clear();
    m_at = 0;
    m_bufferOffset = position.offset;
    m_atEnd = false;
    m_readError.clear();
    m_index = position.index;
    m_timeUs = position.timeUs;
    m_note.clear();
    return true;
}

std::optional<SessionRecording> SessionRecording::parse(const QByteArray& data, QString* error,
                                                        QString* note)
{
    QByteArray copy = data; // shared, not copied
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    Reader reader(buffer);
    if (!reader.readHeader(error))
        return std::nullopt;
    SessionRecording rec;
    rec.startMsSinceEpoch = reader.startMsSinceEpoch();
    Event e;
    for (;;) {
        switch (reader.next(e, error)) {
        case Reader::Result::Record:
            rec.events.push_back(std::move(e));
            continue;
        case Reader::Result::Refused:
            return std::nullopt;
        case Reader::Result::End:
            break;
        }
        break;
    }
    if (note)
        *note = reader.note();
    return rec;
}

std::optional<SessionRecording> SessionRecording::load(const QString& path, QString* error,
                                                       QString* note)
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
        if (data.size() + piece.size() > MaxLoadBytes)
            return fail(QStringLiteral("the file is larger than the %1 MB read at once.")
                            .arg(MaxLoadBytes >> 20));
        data += piece;
    }
    if (file.error() != QFileDevice::NoError)
        return fail(QStringLiteral("reading it failed (%1). Copy the file somewhere else and "
                                   "try again.")
                        .arg(file.errorString()));
    QString why;
    QString stopped;
    auto rec = parse(data, &why, &stopped);
    if (!rec)
        return fail(why);
    if (note)
        *note = stopped.isEmpty() ? QString() : QStringLiteral("%1: %2").arg(path, stopped);
    return rec;
}
