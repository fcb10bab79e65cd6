#pragma once

#include <QByteArray>

#include <functional>

class SerialPort;
class ViewSink;
struct SharedState;

// Frames the console's messages out of the serial input and hands each payload to its record or
// view. Reads in units of exactly the size expected next (the port's RThreshold): a hello reply,
// a start byte, a 3-byte header, a payload.
class Receiver
{
public:
    enum State : qint16
    {
        Idle = 0,
        AwaitHello38400 = 1,
        AwaitHello1200 = 2,
        Hunting = 3,
        Header = 4,
        Payload = 5,
        AwaitHello19200 = 6,
    };

    Receiver(SerialPort& port, SharedState& state, ViewSink& views);

    // Handles every complete unit waiting in the port. Never re-entered: a call made while one is
    // running returns at once and the bytes wait for the running one.
    void processindata();
    // Called after a matching hello reply, once the line runs at 38400,n,8,1.
    std::function<void()> onLinkUp;

    qint16 RxState = Idle;
    qint16 MsgType = 0;
    qint16 MsgLen = 0;
    QByteArray RxData;
    // Messages framed and dispatched since the program started (the status bar shows it).
    quint64 MessagesReceived = 0;

private:
    // Returns false when the call must end at once (an unexpected hello reply).
    bool actOnUnit();
    void linkUp();
    void dispatch(const QByteArray& p);

    void pageSelection(const QByteArray& p);
    void fixtureData(const QByteArray& p);
    void profileData(const QByteArray& p);
    void channelValue(const QByteArray& p);
    void dmxLevel(const QByteArray& p);
    void allLevelsOff(const QByteArray& p);
    void fixtureSelection(const QByteArray& p);
    void consoleInformation(const QByteArray& p);
    void dimmerData(const QByteArray& p);
    void dimmerLevel(const QByteArray& p);
    void playbackData(const QByteArray& p);
    void playbackLevel(const QByteArray& p);

    void mapAddress(int address, quint16 owner, bool fixtureMap);

    SerialPort& m_port;
    SharedState& m_state;
    ViewSink& m_views;
    bool m_running = false;
};
