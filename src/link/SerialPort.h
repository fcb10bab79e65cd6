#pragma once

#include "link/LineSettings.h"
#include "link/SerialBackend.h"

#include <QByteArray>
#include <QObject>

#include <memory>
#include <vector>

// Sees every byte that crosses the line, both ways, as it passes: the traffic view, a recording.
class LineObserver
{
public:
    virtual ~LineObserver() = default;
    // Bytes from the console, as they enter the input buffer.
    virtual void received(const QByteArray& bytes) = 0;
    // Bytes the program writes to the console.
    virtual void sent(const QByteArray& bytes) = 0;
};

// The program's serial port, with the properties of the serial control that the session, the
// receive path and the views use. Input is binary and buffered here; OnComm is raised with
// CommEvent 2 each time bytes arrive and at least RThreshold bytes wait, and with an error code
// for each line error.
class SerialPort : public QObject
{
    Q_OBJECT
public:
    // Event codes of the serial control.
    enum : int
    {
        comEvReceive = 2,
        comEventBreak = 1001,
        comEventFrame = 1004,
        comEventOverrun = 1006,
        comEventRxOver = 1008,
        comEventRxParity = 1009,
        comEventTxFull = 1010,
        comEventDCB = 1011,
    };
    // Bytes the input buffer holds at most; more is dropped and raised as an overflow.
    static constexpr qsizetype InBufferSize = 1 << 20;

    explicit SerialPort(std::unique_ptr<SerialBackend> backend, QObject* parent = nullptr);
    ~SerialPort() override;

    int CommPort() const { return m_commPort; }
    void setCommPort(int port) { m_commPort = port; }
    // The device behind COM1 or COM2: the device chosen for this run (the start-up window's
    // device list, --port), else LVMONITOR_COMn, else the "ComnDevice" setting, else the
    // platform's name for the port.
    static QString deviceFor(int commPort);
    static void setDeviceForThisRun(int commPort, const QString& device);

    QString Settings() const { return m_settingsText; }
    // Applied at once when the port is open; a setting the device rejects raises 1011.
    void setSettings(const QString& settings);

    bool PortOpen() const;
    // Opening may fail (missing, busy, no permission): returns false, reason in lastOpenError().
    bool setPortOpen(bool open);
    QString lastOpenError() const { return m_lastOpenError.reason; }
    OpenFailure lastOpenFailure() const { return m_lastOpenError.kind; }

    // One write of the whole array; nothing while the port is closed.
    void Output(const QByteArray& bytes);
    // Lets written bytes leave before the program goes away.
    void drainOutput() { m_backend->drain(); }

    int RThreshold() const { return m_rThreshold; }
    void setRThreshold(int n) { m_rThreshold = n; }
    int InBufferCount() const { return int(m_in.size() - m_readPos); }
    // Setting InBufferCount to 0: the waiting input is thrown away.
    void clearInBuffer();
    int InputLen() const { return m_inputLen; }
    void setInputLen(int n) { m_inputLen = n; }
    // Reads InputLen bytes (all that wait when InputLen is 0, fewer when fewer wait).
    QByteArray Input();
    // The same read into a buffer the caller keeps, so the receive path allocates nothing.
    void InputInto(QByteArray& into);
    int CommEvent() const { return m_commEvent; }

    SerialBackend& backend() { return *m_backend; }

    // Observers are told in the order they were added; one that goes away removes itself first.
    void addObserver(LineObserver* observer);
    void removeObserver(LineObserver* observer);

signals:
    void OnComm();
    // Around the handling of each arrival of bytes (a burst from the line), so that whatever the
    // burst changes on screen can be painted once, when it is over.
    void inputArriving();
    void inputHandled();
    // The device went away while open; the port is closed by the time this is raised.
    void connectionLost(const QString& reason);

private:
    void bytesArrived(const QByteArray& bytes);
    void raise(int commEvent);
    void deviceLost(const QString& reason);
    void closeAfterLoss(const QString& reason);

    std::unique_ptr<SerialBackend> m_backend;
    int m_commPort = 1;
    QString m_settingsText = QStringLiteral("9600,n,8,1");
    LineSettings m_line;
    OpenError m_lastOpenError;
    int m_rThreshold = 0;
    int m_inputLen = 0;
    int m_commEvent = 0;
    QByteArray m_in;
    qsizetype m_readPos = 0;
    bool m_lossPending = false;
    std::vector<LineObserver*> m_observers;
};
