#pragma once

#include "link/SerialPort.h"
#include "link/SessionRecording.h"

#include <QElapsedTimer>
#include <QFile>
#include <QObject>
#include <QPointer>
#include <QTimer>

struct SharedState;

// Records a session into a file (format in SessionRecording): every byte both ways with its time,
// the line settings in force and the link-up. Bytes are gathered in memory and written once a
// second, when much has gathered, and on close, so a full line costs one write a second and a
// crash loses at most the last second.
//
//   SessionRecordingWriter rec;
//   if (!rec.open(path, SessionRecordingWriter::IfExists::Refuse, &error)) ...
//   rec.attach(port);             // from now on both directions and the line settings
//   rec.markLinkUp();             // each time the console answers the hello (and at once if the
//                                 // link is up already)
//   rec.recordSnapshot(state);    // begun on a live link: what the program knows so far
//   rec.close();                  // or destroy it
//
// The file holds whole records only: when the disk refuses some of a write, the file is cut back
// to its last whole record and the recording stops. It stops too when the file can no longer be
// reached by its name (its folder was removed).
class SessionRecordingWriter : public QObject, public LineObserver
{
    Q_OBJECT
public:
    enum class IfExists
    {
        Refuse, // an existing file is left alone and open() fails
        // The caller has asked the user: a new file takes the name's place. A symbolic link there
        // is replaced itself; the file it points to is left alone.
        Replace,
    };
    static constexpr int FlushIntervalMs = 1000;
    // Gathered bytes are written at once beyond this, whatever the clock says.
    static constexpr qsizetype FlushBytes = 64 * 1024;

    explicit SessionRecordingWriter(QObject* parent = nullptr);
    ~SessionRecordingWriter() override;

    // Creates the file and writes its header; the recording's clock starts now. On failure
    // returns false with a message that says what to do.
    bool open(const QString& path, IfExists ifExists, QString* error = nullptr);
    // Watches the port until close(); the port's line settings are recorded now and whenever
    // they have changed by the time bytes cross.
    void attach(SerialPort& port);
    // The console answered the hello: what follows is the session a replay plays back.
    void markLinkUp();
    // Records what the program knows of the console (its type, profiles, fixtures, dimmers,
    // playbacks and their levels) as the console's messages that would tell it, so that a
    // recording begun after the data load replays the whole rig.
    void recordSnapshot(const SharedState& state);
    // Those messages, framed as the console sends them.
    static QByteArray snapshotOf(const SharedState& state);
    // Records line settings ("38400,n,8,1") if they differ from the last recorded.
    void lineSettingsChanged(const QString& text);
    // Writes what has gathered, stops watching the port and closes the file.
    void close();
    // Writes what has gathered now; false (and failed()) if the file refuses it.
    bool flush();

    bool isRecording() const { return m_file.isOpen(); }
    QString fileName() const { return m_path; }

    // LineObserver
    void received(const QByteArray& bytes) override;
    void sent(const QByteArray& bytes) override;

signals:
    // Writing failed (disk full, the drive went away) or the file can no longer be reached: the
    // recording has stopped and the text says why and what to do.
    void failed(const QString& text);

private:
    void record(SessionRecording::Type type, const char* data, qsizetype size);
    void followPortSettings();
    void detach();
    bool createBeside(const QString& path, QString* error);
    bool stillThere() const;
    void stop(const QString& text);

    QFile m_file;
    QString m_path;
    qint64 m_whole = 0; // bytes in the file, all whole records
    QString m_why;      // what stopped the last write
    QByteArray m_buffer;
    QElapsedTimer m_clock;
    qint64 m_lastUs = 0;
    QTimer m_flushTimer;
    QPointer<SerialPort> m_port;
    QString m_lastSettings;
};
