#include "link/SessionRecordingWriter.h"

#include <QDateTime>
#include <QFileInfo>

#include <algorithm>

using Type = SessionRecording::Type;

SessionRecordingWriter::SessionRecordingWriter(QObject* parent) : QObject(parent)
{
    m_flushTimer.setInterval(FlushIntervalMs);
    connect(&m_flushTimer, &QTimer::timeout, this, &SessionRecordingWriter::flush);
}

SessionRecordingWriter::~SessionRecordingWriter()
{
    close();
}

bool SessionRecordingWriter::open(const QString& path, IfExists ifExists, QString* error)
{
    close();
    const auto fail = [error](const QString& text) {
        if (error)
            *error = text;
        return false;
    };
    if (ifExists == IfExists::Refuse && QFileInfo::exists(path))
        return fail(QStringLiteral("%1 already exists. Choose another name for the recording, or "
                                   "agree to replace the file.")
                        .arg(path));
    m_file.setFileName(path);
    // NewOnly closes the gap between the check above and the creation.
    const QIODevice::OpenMode mode =
        QIODevice::WriteOnly | QIODevice::Unbuffered |
        (ifExists == IfExists::Refuse ? QIODevice::NewOnly : QIODevice::Truncate);
    if (!m_file.open(mode))
        return fail(QStringLiteral("Cannot create %1: %2. Choose a folder you may write to.")
                        .arg(path, m_file.errorString()));
    m_buffer.clear();
    m_buffer.reserve(FlushBytes + SessionRecording::MaxRecordBytes);
    SessionRecording::appendHeader(m_buffer, QDateTime::currentMSecsSinceEpoch());
    m_clock.start();
    m_lastUs = 0;
    m_lastSettings.clear();
    m_flushTimer.start();
    return flush() || fail(QStringLiteral("Cannot write to %1. Choose another folder.").arg(path));
}

void SessionRecordingWriter::attach(SerialPort& port)
{
    detach();
    if (!isRecording())
        return;
    m_port = &port;
    port.addObserver(this);
    followPortSettings();
}

void SessionRecordingWriter::detach()
{
    if (m_port)
        m_port->removeObserver(this);
    m_port = nullptr;
}

void SessionRecordingWriter::close()
{
    detach();
    if (!isRecording())
        return;
    flush();
    m_flushTimer.stop();
    m_file.close();
}

void SessionRecordingWriter::markLinkUp()
{
    record(Type::LinkUp, nullptr, 0);
}

void SessionRecordingWriter::lineSettingsChanged(const QString& text)
{
    if (!isRecording() || text == m_lastSettings)
        return;
    m_lastSettings = text;
    const QByteArray latin = text.toLatin1();
    record(Type::LineSettings, latin.constData(), latin.size());
}

void SessionRecordingWriter::followPortSettings()
{
    // The port changes its settings without telling anyone; what matters is the setting in force
    // when bytes cross, so look as they do.
    if (m_port && m_port->Settings() != m_lastSettings)
        lineSettingsChanged(m_port->Settings());
}

void SessionRecordingWriter::received(const QByteArray& bytes)
{
    followPortSettings();
    record(Type::FromConsole, bytes.constData(), bytes.size());
}

void SessionRecordingWriter::sent(const QByteArray& bytes)
{
    followPortSettings();
    record(Type::ToConsole, bytes.constData(), bytes.size());
}

void SessionRecordingWriter::record(Type type, const char* data, qsizetype size)
{
    if (!isRecording())
        return;
    const qint64 nowUs = m_clock.nsecsElapsed() / 1000;
    quint64 delta = quint64(std::max<qint64>(nowUs - m_lastUs, 0));
    m_lastUs = std::max(nowUs, m_lastUs);
    // A piece larger than a record holds goes into several, at the same time.
    qsizetype done = 0;
    do {
        const qsizetype n = std::min<qsizetype>(size - done, SessionRecording::MaxRecordBytes);
        SessionRecording::appendRecord(m_buffer, type, delta, data + done, n);
        delta = 0;
        done += n;
    } while (done < size);
    if (m_buffer.size() >= FlushBytes)
        flush();
}

bool SessionRecordingWriter::flush()
{
    if (!isRecording())
        return false;
    if (m_buffer.isEmpty())
        return true;
    const qint64 written = m_file.write(m_buffer);
    if (written == m_buffer.size()) {
        m_buffer.resize(0);
        return true;
    }
    const QString text = QStringLiteral("Recording to %1 stopped: %2. Free some space or choose "
                                        "another folder, then start recording again.")
                             .arg(m_file.fileName(), m_file.errorString());
    m_buffer.clear();
    detach();
    m_flushTimer.stop();
    m_file.close();
    emit failed(text);
    return false;
}
