#include "link/SessionRecordingWriter.h"

#include "model/SharedState.h"

#include <QDateTime>
#include <QFileInfo>
#include <QRandomGenerator>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include <sys/stat.h>

using Type = SessionRecording::Type;

namespace {

// What stopped a write, in words a user acts on.
QString whyWriteFailed(int err, const QFileDevice& file)
{
    switch (err) {
    case ENOSPC:
        return QStringLiteral("the disk is full");
    case EDQUOT:
        return QStringLiteral("your share of the disk (quota) is used up");
    case EFBIG:
        return QStringLiteral("the file has grown as large as this disk or the system allows");
    case EROFS:
        return QStringLiteral("the disk can no longer be written to (read-only)");
    case EIO:
    case ENODEV:
    case ENXIO:
        return QStringLiteral("the disk reported an error or went away");
    default:
        break;
    }
    if (file.error() == QFileDevice::ResourceError)
        return QStringLiteral("the disk is full");
    if (err != 0)
        return QString::fromLocal8Bit(std::strerror(err));
    return QStringLiteral("the system refused to write it");
}

std::filesystem::path nativePath(const QString& path)
{
    return std::filesystem::path(QFile::encodeName(path).toStdString());
}

// The console's message: A5, kind, length low and high byte, payload.
void appendMessage(QByteArray& out, quint8 kind, const QByteArray& payload)
{
    out.append(char(0xA5));
    out.append(char(kind));
    out.append(char(payload.size() & 0xFF));
    out.append(char((payload.size() >> 8) & 0xFF));
    out.append(payload);
}

void appendMessage(QByteArray& out, quint8 kind, std::initializer_list<quint8> payload)
{
    QByteArray p;
    for (const quint8 b : payload)
        p.append(char(b));
    appendMessage(out, kind, p);
}

} // namespace

SessionRecordingWriter::SessionRecordingWriter(QObject* parent) : QObject(parent)
{
    m_flushTimer.setInterval(FlushIntervalMs);
    connect(&m_flushTimer, &QTimer::timeout, this, &SessionRecordingWriter::flush);
}

SessionRecordingWriter::~SessionRecordingWriter()
{
    close();
}

bool SessionRecordingWriter::createBeside(const QString& path, QString* error)
{
    // A new file in the same folder takes the name's place once its header is written, so
    // neither a link there nor the file it points to is written through, and a failure leaves
    // the old file as it was.
    for (int attempt = 0; attempt < 8 && !m_file.isOpen(); ++attempt) {
        m_file.setFileName(
            QStringLiteral("%1.%2.new")
                .arg(path)
                .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0')));
        if (!m_file.open(QIODevice::WriteOnly | QIODevice::Unbuffered | QIODevice::NewOnly) &&
            !QFileInfo::exists(m_file.fileName()))
            break;
    }
    if (!m_file.isOpen()) {
        *error = QStringLiteral("Cannot create a file beside %1: %2. Choose a folder you may "
                                "write to.")
                     .arg(path, m_file.errorString());
        return false;
    }
    const QString fresh = m_file.fileName();
    m_path = fresh;
    if (!flush()) {
        QFile::remove(fresh);
        *error = QStringLiteral("Cannot write to %1: %2. Free some space or choose another folder.")
                     .arg(path, m_why);
        return false;
    }
    std::error_code ec;
    std::filesystem::rename(nativePath(fresh), nativePath(path), ec);
    if (ec) {
        m_file.close();
        QFile::remove(fresh);
        *error = QStringLiteral("Cannot replace %1: %2. Choose another name or folder.")
                     .arg(path, QString::fromLocal8Bit(ec.message().c_str()));
        return false;
    }
    m_path = path;
    return true;
}

bool SessionRecordingWriter::open(const QString& path, IfExists ifExists, QString* error)
{
    close();
    const auto fail = [error](const QString& text) {
        if (error)
            *error = text;
        return false;
    };
    const QFileInfo info(path);
    const bool there = info.exists() || info.isSymLink();
    if (ifExists == IfExists::Refuse && there)
        return fail(QStringLiteral("%1 already exists. Choose another name for the recording, or "
                                   "agree to replace the file.")
                        .arg(path));
    m_whole = 0;
    m_buffer.clear();
    m_buffer.reserve(FlushBytes + SessionRecording::MaxRecordBytes);
    SessionRecording::appendHeader(m_buffer, QDateTime::currentMSecsSinceEpoch());
    m_clock.start();
    m_lastUs = 0;
    m_lastSettings.clear();
    // Quiet while opening: a failure here is open()'s answer, not a stopped recording.
    const QSignalBlocker quiet(this);
    if (there && (info.isSymLink() || info.isFile())) {
        QString why;
        if (!createBeside(path, &why))
            return fail(why);
    } else {
        // A new name (NewOnly also closes the gap since the check above), or a device.
        m_path = path;
        m_file.setFileName(path);
        const QIODevice::OpenMode mode = QIODevice::WriteOnly | QIODevice::Unbuffered |
                                         (there ? QIODevice::Truncate : QIODevice::NewOnly);
        if (!m_file.open(mode))
            return fail(QStringLiteral("Cannot create %1: %2. Choose a folder you may write to.")
                            .arg(path, m_file.errorString()));
        if (!flush()) {
            if (!there)
                QFile::remove(path);
            return fail(QStringLiteral("Cannot write to %1: %2. Free some space or choose "
                                       "another folder.")
                            .arg(path, m_why));
        }
    }
    m_flushTimer.start();
    return true;
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

void SessionRecordingWriter::recordSnapshot(const SharedState& state)
{
    const QByteArray messages = snapshotOf(state);
    record(Type::Snapshot, messages.constData(), messages.size());
}

QByteArray SessionRecordingWriter::snapshotOf(const SharedState& state)
{
    // In the order the console sends them after a link-up: its type first (fixture messages are
    // read by it), profiles before the fixtures whose values they name, each record before its
    // levels.
    QByteArray out;
    appendMessage(out, 16, {quint8(state.ExtendedFormat ? 3 : 2)});
    for (const Profile& p : state.Profiles)
        if (!p.GetFileData().isEmpty())
            appendMessage(out, 7, p.GetFileData());
    for (int n = 0; n < SharedState::FixtureCount; ++n) {
        const Fixture& f = state.Fixtures[size_t(n)];
        if (!f.GetFixtData().isEmpty())
            appendMessage(out, 4, f.GetFixtData());
        for (int ch = 0; ch < Fixture::MaxChannels; ++ch)
            if (f.chval(qint16(ch)) != 0)
                appendMessage(out, 8, {quint8(n), quint8(ch), f.chval(qint16(ch))});
        if (f.Selected())
            appendMessage(out, 12, {quint8(n), 1});
    }
    // A level goes with its record where it has moved since.
    for (int n = 0; n < SharedState::DimmerCount; ++n) {
        const Dimmer& d = state.Dimmers[size_t(n)];
        Dimmer fromRecord;
        if (!d.GetDimmerData().isEmpty()) {
            appendMessage(out, 17, d.GetDimmerData());
            fromRecord.UnpackDimmerData(d.GetDimmerData());
        }
        if (d.DimmerLevel() != fromRecord.DimmerLevel())
            appendMessage(out, 18, {quint8(n), d.DimmerLevel()});
    }
    for (int n = 0; n < SharedState::PlaybackCount; ++n) {
        const Playback& p = state.Playbacks[size_t(n)];
        Playback fromRecord;
        if (!p.GetPlaybackData().isEmpty()) {
            appendMessage(out, 19, p.GetPlaybackData());
            fromRecord.UnpackPlaybackData(p.GetPlaybackData());
        }
        if (p.Level() != fromRecord.Level())
            appendMessage(out, 20, {quint8(n), p.Level()});
    }
    return out;
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

bool SessionRecordingWriter::stillThere() const
{
    // Still linked into a folder, and the name still leads to it (not removed with its folder,
    // not moved away).
    struct stat open = {};
    struct stat named = {};
    return ::fstat(m_file.handle(), &open) == 0 && open.st_nlink > 0 &&
           ::stat(QFile::encodeName(m_path).constData(), &named) == 0 &&
           named.st_dev == open.st_dev && named.st_ino == open.st_ino;
}

bool SessionRecordingWriter::flush()
{
    if (!isRecording())
        return false;
    if (!stillThere()) {
        m_why = QStringLiteral("the file can no longer be reached there (its folder was removed or "
                               "renamed, or the disk went away)");
        stop(QStringLiteral("Recording to %1 stopped: %2. Start recording again into a folder "
                            "that is there.")
                 .arg(m_path, m_why));
        return false;
    }
    if (m_buffer.isEmpty())
        return true;
    qint64 done = 0;
    int err = 0;
    while (done < m_buffer.size()) {
        errno = 0;
        const qint64 n = m_file.write(m_buffer.constData() + done, m_buffer.size() - done);
        if (n <= 0) {
            err = errno;
            break;
        }
        done += n;
    }
    if (done == m_buffer.size()) {
        m_whole += done;
        m_buffer.resize(0);
        return true;
    }
    // Keep the whole records that reached the file and cut off the rest of the last one, so
    // that what is there reads to its end.
    const qsizetype header = m_whole == 0 ? SessionRecording::HeaderSize : 0;
    const qint64 kept = done < header
                            ? 0
                            : header + SessionRecording::wholeRecords(m_buffer.constData() + header,
                                                                      qsizetype(done) - header);
    m_file.resize(m_whole + kept);
    m_why = whyWriteFailed(err, m_file);
    stop(QStringLiteral("Recording to %1 stopped: %2. Free some space or choose another folder, "
                        "then start recording again; what was recorded until now is in the file.")
             .arg(m_path, m_why));
    return false;
}

void SessionRecordingWriter::stop(const QString& text)
{
    m_buffer.clear();
    detach();
    m_flushTimer.stop();
    m_file.close();
    emit failed(text);
}
