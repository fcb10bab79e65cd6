#pragma once

#include "link/SessionHost.h"

#include <QObject>
#include <QTimer>

class Receiver;
class SerialPort;

// The session with the console: opening the port, the hello at 38400, 19200 and 1200 bit/s (one
// second each), the data request one second after the link is up, the reopening of the views
// that were open at the last exit, and the port's events.
class Session : public QObject
{
    Q_OBJECT
public:
    enum Step : qint16
    {
        NotStarted = 0,
        Trying38400 = 1,
        Trying1200 = 2,
        Linked = 3,
        Trying19200 = 4,
    };

    static constexpr int StepMs = 1000;

    Session(SerialPort& port, Receiver& receiver, SessionHost& host, QObject* parent = nullptr);

    // Starts a connect attempt on the port chosen in the start-up window.
    void Connect();
    // Asks the console again for all fixture and dimmer data; nothing while the port is closed.
    void Refresh();
    // The one-shot timer's tick: runs the current step. Tests call it directly.
    void Timer1_Timer();
    // The port's event: received bytes go to the receiver, line errors are reported.
    void MSComm1_OnComm();

    qint16 SessionStep = NotStarted;
    QTimer Timer1;

    static QString errorText(int commEvent);

private:
    void linkUp();
    void armTimer();
    void tryNextSpeed(const char* settings, const QByteArray& hello, int threshold, qint16 rxState,
                      Step next);
    void report(int commEvent);
    void connectionLost();

    SerialPort& m_port;
    Receiver& m_receiver;
    SessionHost& m_host;
    bool m_reporting = false;
};
