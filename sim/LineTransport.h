#pragma once

#include "ConsoleLine.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>

class QSocketNotifier;

// The console's end of the serial line: the master side of a pseudo-terminal whose slave the
// program opens, or an existing serial device. Non-blocking, driven by the event loop.
//
// On a pseudo-terminal the master cannot hold bytes back for a reader that is not there: what
// is written while the program has the port closed would wait in the slave's queue and greet
// the program's next open. So the transport notices when the program closes the slave (the
// master reports a hang-up), drops output until it opens it again, and empties the slave's
// input queue in between.
class LineTransport : public QObject
{
    Q_OBJECT
public:
    explicit LineTransport(QObject* parent = nullptr);
    ~LineTransport() override;

    bool openPty(QString* error = nullptr);
    bool openDevice(const QString& path, QString* error = nullptr);
    void close();
    bool isOpen() const { return m_fd >= 0; }
    bool isPty() const { return m_isPty; }
    // The device the program should open: the pty's slave, or the device itself.
    QString devicePath() const { return m_path; }

    // The line settings the program put on the slave (pty), or those of the device.
    ConsoleLine lineSettings() const;
    // Devices only: the console sets its own speed and character size.
    bool setLineSettings(const ConsoleLine& settings);
    // False on a pty, whose driver reports 8 data bits whatever the program set.
    bool dataBitsVisible() const { return m_dataBitsVisible; }
    // Whether the program has the line open (always true for a device).
    bool peerPresent() const { return m_peerPresent; }

    void write(const QByteArray& bytes);
    qint64 pendingOutput() const { return m_out.size(); }
    // Waits until the device has sent everything (devices only; a no-op on a pty).
    void drain();

signals:
    void received(const QByteArray& bytes);
    void peerOpened();
    void peerClosed();

private:
    void onReadable();
    void onWritable();
    void flush();
    void checkPeer();
    void markPeerGone();
    void discardStaleInput();
    bool probeDataBits();

    int m_fd = -1;
    bool m_isPty = false;
    bool m_dataBitsVisible = true;
    bool m_peerPresent = true;
    QString m_path;
    QByteArray m_out;
    QSocketNotifier* m_readNotifier = nullptr;
    QSocketNotifier* m_writeNotifier = nullptr;
    QTimer m_peerPoll;
};
