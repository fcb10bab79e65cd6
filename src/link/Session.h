#pragma once

#include "link/SerialBackend.h"
#include "link/SessionHost.h"

#include <QObject>
#include <QTimer>

class Receiver;
class SerialPort;

// The session with the console: opening the port, the hello at 38400, 19200 and 1200 bit/s (one
// second each), the data request one second after the link is up, the reopening of the views
// that were open at the last exit, the port's events, and reopening a device that went away.
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
    static constexpr int ReconnectMs = 2000;

    // Where the link stands, for the status bar and the views' offline marking.
    enum class LinkState
    {
        NotConnected,
        Searching, // at searchBaud()
        Connected,
        Lost,
        Reconnecting,
    };

    Session(SerialPort& port, Receiver& receiver, SessionHost& host, QObject* parent = nullptr);

    // Starts a connect attempt on the port chosen in the start-up window.
    void Connect();
    // Asks the console again for all fixture and dimmer data; nothing while the port is closed.
    void Refresh();
    // Ends the session at the user's wish: the console is told that the monitor is going away,
    // the port closes and no reconnect follows.
    void Disconnect();
    // The one-shot timer's tick: runs the current step. Tests call it directly.
    void Timer1_Timer();
    // The port's event: received bytes go to the receiver, line errors are reported.
    void MSComm1_OnComm();

    qint16 SessionStep = NotStarted;
    QTimer Timer1;

    static QString errorText(int commEvent);
    // The line error box's text: errorText and " on com port"; for line settings the port
    // refused, which ones and what to try.
    static QString lineErrorText(int commEvent, const QString& lineSettings);
    // The start-up window's text for a port that could not be opened: the system's reason, then
    // what the user can do about it.
    static QString openFailureText(int commPort, const QString& device, OpenFailure kind,
                                   const QString& reason);

    LinkState linkState() const { return m_linkState; }
    int searchBaud() const { return m_searchBaud; }
    // Once the device is lost, retry opening it every two seconds (the "Reconnect" setting).
    bool reconnecting() const { return ReconnectTimer.isActive(); }
    void stopReconnecting();
    QTimer ReconnectTimer;
    // The retry timer's tick: tries to open the device, quietly. Tests call it directly.
    void ReconnectTimer_Timer();

signals:
    void linkStateChanged();

private:
    void setLinkState(LinkState state, int baud = 0);
    bool openAndSearch();

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
    LinkState m_linkState = LinkState::NotConnected;
    int m_searchBaud = 0;
};
