#include "ReplaySession.h"

#include "link/LineSettings.h"

#include <QBuffer>
#include <QFile>
#include <QTemporaryFile>

#include <utility>

namespace {

using Type = SessionRecording::Type;
using Event = SessionRecording::Event;
using Reader = SessionRecording::Reader;

const QByteArray kHello("\xA5\x01", 2);
const QByteArray kSlowHello("\x55\x25\x05", 3);

// The program starts a connect attempt with a write of the hello alone.
bool isHelloWrite(const Event& e)
{
    return e.type == Type::ToConsole && (e.bytes == kHello || e.bytes == kSlowHello);
}

} // namespace

std::unique_ptr<QIODevice> ReplaySession::openSource() const
{
    std::unique_ptr<QIODevice> device;
    if (m_copy || !m_path.isEmpty()) {
        device = std::make_unique<QFile>(m_copy ? m_copy->fileName() : m_path);
    } else {
        auto buffer = std::make_unique<QBuffer>();
        buffer->setData(m_data);
        device = std::move(buffer);
    }
    if (!device->open(QIODevice::ReadOnly))
        return nullptr;
    return device;
}

std::unique_ptr<ReplaySession::Cursor> ReplaySession::play() const
{
    auto cursor = std::unique_ptr<Cursor>(new Cursor);
    cursor->m_device = openSource();
    if (!cursor->m_device) {
        cursor->m_ended = true;
        cursor->m_error = QStringLiteral("the recording can no longer be read");
        return cursor;
    }
    cursor->m_reader = std::make_unique<Reader>(*cursor->m_device);
    if (!cursor->m_reader->readHeader(&cursor->m_error)) {
        cursor->m_ended = true;
        return cursor;
    }
    if (!cursor->m_reader->seek(m_from)) {
        cursor->m_ended = true;
        cursor->m_error = QStringLiteral("the recording can no longer be read");
        return cursor;
    }
    cursor->m_atLinkUp = m_atLinkUp;
    cursor->m_originUs = m_originUs;
    return cursor;
}

bool ReplaySession::Cursor::next(Chunk& chunk)
{
    if (!m_atLinkUp.isEmpty()) {
        chunk = {0, std::exchange(m_atLinkUp, {})};
        return true;
    }
    Event e;
    while (!m_ended) {
        switch (m_reader->next(e, &m_error)) {
        case Reader::Result::Record:
            if (isHelloWrite(e) || e.type == Type::LinkUp) {
                m_ended = true;
            } else if ((e.type == Type::FromConsole || e.type == Type::Snapshot) &&
                       !e.bytes.isEmpty()) {
                chunk = {e.timeUs - m_originUs, std::move(e.bytes)};
                return true;
            }
            break;
        case Reader::Result::End:
        case Reader::Result::Refused:
            m_ended = true;
            break;
        }
    }
    return false;
}

bool ReplaySession::scan(QString* error)
{
    const std::unique_ptr<QIODevice> device = openSource();
    if (!device) {
        if (error)
            *error = QStringLiteral("cannot read it.");
        return false;
    }
    // Up to the first link-up: the hello that was answered, the speed it went out at, and what
    // the console sent since that hello (only its end matters: the reply and what came with it).
    Reader reader(*device);
    if (!reader.readHeader(error))
        return false;
    m_from = reader.position();
    QByteArray reply = kHello;
    QByteArray answer;
    int speed = 0;
    bool first = true;
    bool linked = false;
    Event e;
    Reader::Result result;
    while ((result = reader.next(e, error)) == Reader::Result::Record) {
        if (std::exchange(first, false))
            m_originUs = e.timeUs;
        if (isHelloWrite(e)) {
            reply = e.bytes;
            answer.clear();
        } else if (e.type == Type::LineSettings) {
            if (const auto line = LineSettings::parse(QString::fromLatin1(e.bytes)))
                speed = line->baud;
        } else if (e.type == Type::FromConsole) {
            answer += e.bytes;
            if (answer.size() > 4 * SessionRecording::MaxRecordBytes)
                answer = answer.right(2 * SessionRecording::MaxRecordBytes);
        } else if (e.type == Type::LinkUp) {
            linked = true;
            break;
        }
    }
    if (result == Reader::Result::Refused)
        return false;
    if (linked) {
        m_originUs = e.timeUs;
        m_from = reader.position();
        consoleSpeed = speed;
        const qsizetype at = answer.indexOf(reply);
        if (at >= 0 && at + reply.size() < answer.size())
            m_atLinkUp = answer.mid(at + reply.size());
    }

    // Then what is played, counted, and the rest of the file checked.
    const std::unique_ptr<Cursor> cursor = play();
    Chunk chunk;
    while (cursor->next(chunk)) {
        byteCount += chunk.bytes.size();
        ++chunkCount;
        durationUs = chunk.atUs;
    }
    if (cursor->m_error.isEmpty())
        while (cursor->m_reader->next(e, &cursor->m_error) == Reader::Result::Record) {
        }
    if (!cursor->m_error.isEmpty()) {
        if (error)
            *error = cursor->m_error;
        return false;
    }
    note = cursor->m_reader->note();
    return true;
}

std::shared_ptr<const ReplaySession> ReplaySession::fromBytes(const QByteArray& data,
                                                              QString* error)
{
    auto session = std::make_shared<ReplaySession>();
    session->m_data = data;
    QString why;
    if (!session->scan(&why)) {
        if (error)
            *error = why;
        return nullptr;
    }
    return session;
}

std::shared_ptr<const ReplaySession> ReplaySession::load(const QString& path, QString* error)
{
    const auto fail = [&](const QString& text) {
        if (error)
            *error = QStringLiteral("%1: %2").arg(path, text);
        return nullptr;
    };
    auto session = std::make_shared<ReplaySession>();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return fail(QStringLiteral("cannot read it (%1). Check the name and that you may read "
                                   "the file.")
                        .arg(file.errorString()));
    if (file.isSequential()) {
        // A pipe gives its bytes once: they are kept in a temporary file to play from.
        auto copy = std::make_shared<QTemporaryFile>();
        if (!copy->open())
            return fail(QStringLiteral("cannot keep what it gives in a temporary file (%1).")
                            .arg(copy->errorString()));
        QByteArray piece(1 << 16, Qt::Uninitialized);
        for (;;) {
            const qint64 n = file.read(piece.data(), piece.size());
            if (n < 0)
                return fail(QStringLiteral("reading it failed (%1).").arg(file.errorString()));
            if (n == 0)
                break;
            if (copy->write(piece.constData(), n) != n)
                return fail(QStringLiteral("cannot keep what it gives in a temporary file (%1).")
                                .arg(copy->errorString()));
        }
        copy->close();
        session->m_copy = std::move(copy);
    } else {
        session->m_path = path;
    }
    QString why;
    if (!session->scan(&why))
        return fail(why);
    if (!session->note.isEmpty())
        session->note = QStringLiteral("%1: %2").arg(path, session->note);
    return session;
}
