#pragma once

#include "link/ConsolePayloads.h"

#include <QByteArray>
#include <QObject>

#include <functional>

class SerialPort;
struct SharedState;

// Frames the console's messages out of the serial input, keeps the records up to date and tells
// what changed. Reads in units of exactly the size expected next (the port's RThreshold): a hello
// reply, a start byte, a 3-byte header, a payload.
//
// Record messages update the records whatever listens; then a signal names what changed. The
// messages that only feed a view are signalled decoded: a view that is not open is not connected,
// and they are dropped.
class Receiver : public QObject
{
    Q_OBJECT
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

    Receiver(SerialPort& port, SharedState& state, QObject* parent = nullptr);

    // Handles every complete unit waiting in the port. Never re-entered: a call made while one is
    // running returns at once and the bytes wait for the running one.
    void processindata();
    // Called after a matching hello reply, once the line runs at 38400,n,8,1.
    std::function<void()> onLinkUp;
    // Whether the memory page view is open: the console's page selection is followed by a request
    // for the page's contents only then.
    std::function<bool()> pageViewOpen;

    qint16 RxState = Idle;
    qint16 MsgType = 0;
    qint16 MsgLen = 0;
    QByteArray RxData;
    // Messages framed and dispatched since the program started (the status bar shows it).
    quint64 MessagesReceived = 0;

signals:
    // A new link began: every record was cleared.
    void recordsCleared();
    void fixtureChanged(qint16 fixture);
    void channelChanged(qint16 fixture, qint16 channel);
    void dimmerChanged(qint16 dimmer);
    void dimmerLevelChanged(qint16 dimmer);
    void playbackChanged(qint16 playback);
    void playbackLevelChanged(qint16 playback);
    void fixtureSelectionChanged(qint16 fixture);
    // The console told what it is (type 3: extended formats).
    void consoleInformation(quint8 type);
    void noPageDisplayed();
    void pageContents(const ConsolePayloads::PageContents& contents);
    // The scene buffer, as the console sent it: its events are read against the records.
    void sceneEvents(const QByteArray& events);
    void playbackPageChanged(const ConsolePayloads::PlaybackPageChange& change);
    void showList(const ConsolePayloads::ShowList& list);
    void showStarted(const ConsolePayloads::ShowStarted& show);
    void showStep(const ConsolePayloads::ShowStep& step);

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
    void dimmerData(const QByteArray& p);
    void dimmerLevel(const QByteArray& p);
    void playbackData(const QByteArray& p);
    void playbackLevel(const QByteArray& p);

    void mapAddress(int address, quint16 owner, bool fixtureMap);

    SerialPort& m_port;
    SharedState& m_state;
    bool m_running = false;
};
