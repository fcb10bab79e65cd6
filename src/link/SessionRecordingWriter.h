#pragma once

#include "link/SerialPort.h"
#include "link/SessionRecording.h"

#include <QElapsedTimer>
#include <QFile>
#include <QObject>
#include <QPointer>
#include <QTimer>

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
//   rec.close();                  // or destroy it
class SessionRecordingWriter : public QObject, public LineObserver
{
    Q_OBJECT
public:
    enum class IfExists
    {
        Refuse,  // an existing file is left alone and open() fails
        Replace, // the caller has asked the user: the file is overwritten
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
    // Records line settings ("38400,n,8,1") if they differ from the last recorded.
    void lineSettingsChanged(const QString& text);
    // Writes what has gathered, stops watching the port and closes the file.
    void close();
    // Writes what has gathered now; false (and failed()) if the file refuses it.
    bool flush();

    bool isRecording() const { return m_file.isOpen(); }
    QString fileName() const { return m_file.fileName(); }

    // LineObserver
    void received(const QByteArray& bytes) override;
    void sent(const QByteArray& bytes) override;

signals:
    // Writing failed (disk full, the drive went away): the recording has stopped and the text
    // says so and what to do.
    void failed(const QString& text);

private:
    void record(SessionRecording::Type type, const char* data, qsizetype size);
    void followPortSettings();
    void detach();

    QFile m_file;
    QByteArray m_buffer;
    QElapsedTimer m_clock;
    qint64 m_lastUs = 0;
    QTimer m_flushTimer;
    QPointer<SerialPort> m_port;
    QString m_lastSettings;
};
