#pragma once

// The console's side of the serial protocol, on a pseudo-terminal or a serial device.
//
// How this console behaves where the protocol leaves it open:
// - Speed: it listens at its own speed only (38400 or 19200 with 8 data bits and A5 01; 1200
//   with 7 data bits and 55 25 05). Bytes that arrive while the line is set otherwise are
//   garbage to it and are dropped (with --noise it answers as many bytes of garbage, never
//   A5 or 55). On a pseudo-terminal the data bits cannot be seen (the Linux driver reports 8
//   whatever the program set), so there only the speed is compared.
// - After answering the hello it moves to 38400 bit/s, 8 data bits, and drops what arrives
//   until the program's line is at 38400 too; then the link is up and it sends the
//   console-information message (kind 16: console type 2, or 3 with --extended, then a
//   version 2.7 the program does not read; 4 bytes). At 38400 that is at once.
// - When the program closes the port (the pty's master sees the hang-up) the console drops
//   what it had queued, stops its live traffic and waits for a hello at its own speed again.
//   A hello A5 01 on a line at 38400 while linked is answered and starts a new link-up.
// - A5 04 FF: every profile (kind 7) first, then the 48 fixture slots in order (kind 4).
//   An empty slot is a full-length record of zeros with type 0 and no channel names. A5 04 n
//   (n < 48) sends that one fixture only. Likewise A5 11 FF sends the 128 dimmers in order
//   (kind 17; an unpatched dimmer is 24 bytes of zeros but its number) and A5 11 n one dimmer.
// - Fixture records carry as many channel names as the fixture type names (one library type
//   names fewer than its channels). Bytes the program does not interpret are non-zero filler.
// - Live traffic starts once both A5 04 FF and A5 11 FF have been answered, at --rate
//   messages per second (0: none); A5 0B 00 (the monitor going away) stops it until the next
//   link-up. A5 0B 02 (the monitor shows fixtures) is answered with the value of every fixture
//   channel (kind 8); A5 0B 01 is only logged.
// - Page selection (kind 2) is two bytes: the page kind code and the page number (0 for the
//   fixture and group pages), or FF 00 when no page is on display. The console starts on
//   scene page 1. Page contents (kind 3) for a page that does not exist have no entries.
// - A5 0E k: list index 0..5 chooses scene, show, preset, chase, fixture or group pages and
//   returns to the last page of that kind; any other k leaves no page on display.
// - A5 0D 00 / FF: page down / up, stopping at the first and last page. Page up past the last
//   preset (chase) page goes to the factory preset (chase) pages, page down from the first
//   factory page comes back. On fixture and group pages they change nothing. Every page
//   command is answered by a page selection, also when nothing changed. Other operands of
//   A5 0D are logged and ignored.
// - Factory preset pages show the presets of the first selected fixture (page byte 2), or
//   no entries with fixture byte FF when none is selected. Playbacks and scene events refer
//   to factory preset page Fn as memory page 23 + n.
// - A5 0F e c: on the fixture page, selects fixture e (c = 0: only it, deselecting the others
//   with kind 12 messages first; c = 1: adds it); an empty slot or e >= 48 is ignored. On the
//   group page it selects the group's fixtures the same way. On a scene page it recalls the
//   scene: three dimmers take levels (kind 18). On a show page it starts the show there if
//   one exists (kind 23). On preset and chase pages the recall is only logged. With no page
//   on display it is ignored.
// - A5 08 f c v: a used slot f and a flat channel c below its channel count take the value,
//   answered by kind 8 (f c v) and kind 9 at the channel's DMX address; otherwise ignored.
// - A5 15 FF: two page changes (kind 21): playback faders on page 1 (00 00), flex faders on
//   page 2 (01 01). Other operands are logged and ignored.
// - A5 16 n g: the show's list (kind 22), or the single byte FF when no show is there.
// - A5 13 n with n >= 16, A5 04 n / A5 11 n out of range, unknown codes and garbage are
//   logged and ignored; nothing from the program is fatal.
// - Replaying a recorded session (SimulatorOptions::replay): the hello is answered as above,
//   then the recorded console side is played from the link-up on with its own timing (divided
//   by speedFactor), unpaced, and nothing else is sent; every command from the program is only
//   logged. A new hello starts the replay again.

#include "CommandParser.h"
#include "LineTransport.h"
#include "LiveTraffic.h"
#include "Pacer.h"
#include "PageDisplay.h"
#include "ReplayPlayer.h"
#include "ReplaySession.h"
#include "Rig.h"

#include <QObject>
#include <QRandomGenerator>
#include <QTimer>

struct SimulatorOptions
{
    int speed = 38400; // 38400, 19200 or 1200
    quint32 seed = 1;  // chooses the rig
    bool extended = false;
    bool noise = false; // answer a hello at the wrong speed with garbage
    bool pacing = true; // no faster than speed / 10 bytes per second
    int rate = 20;      // live messages per second once the data are loaded; 0: none
    bool flood = false; // keep the line full of live traffic
    bool verbose = false;
    std::shared_ptr<const ReplaySession> replay = nullptr; // play this back, not the rig
    double speedFactor = 1.0;                              // replay this many times faster
};

class ConsoleSimulator : public QObject
{
    Q_OBJECT
public:
    enum class State
    {
        WaitingForHello,
        WaitingForLinkSpeed,
        Linked
    };

    explicit ConsoleSimulator(const SimulatorOptions& options = {}, QObject* parent = nullptr);

    // Creates a pseudo-terminal; the program opens devicePath().
    bool openPty(QString* error = nullptr);
    // Serves an existing serial device at --speed.
    bool openDevice(const QString& path, QString* error = nullptr);
    // Closes the line: on a pty the program sees the console go away.
    void close();
    QString devicePath() const { return m_transport.devicePath(); }

    State state() const { return m_state; }
    bool isLinked() const { return m_state == State::Linked; }
    bool isReplaying() const { return m_player.isPlaying(); }
    const SimulatorOptions& options() const { return m_options; }
    Rig& rig() { return m_rig; }
    const Rig& rig() const { return m_rig; }
    const PageDisplay& pageDisplay() const { return m_pages; }
    LineTransport& transport() { return m_transport; }

    // Live messages per second from now on (0 stops them; takes effect after the data load).
    void setLiveRate(int perSecond);
    bool liveTrafficRunning() const { return m_liveTimer.isActive(); }
    // Bytes accepted but not yet on the line.
    qint64 queuedBytes() const { return m_pacer.queued() + m_transport.pendingOutput(); }

signals:
    void logLine(const QString& line);
    void linked();
    void helloIgnored();
    void commandReceived(const Command& command);
    void dataLoadSent(); // both all-fixtures and all-dimmers answered (once per link)
    void programClosedPort();
    void replayFinished();

private:
    void onReceived(const QByteArray& bytes);
    void onPeerClosed();
    void handle(const Command& command);
    void handleRequest(const Command& command);
    void answerHello(Command::Type hello);
    void checkLinkSpeed();
    void linkUp();
    void reset();
    void send(quint8 kind, const QByteArray& payload, const QString& text);
    void sendRaw(const QByteArray& bytes, const QString& text);
    void sendFixture(int n);
    void sendAllChannelValues();
    void sendDimmer(int n);
    void sendPageSelection();
    void pickEntry(quint8 entry, bool add);
    void select(const QList<int>& fixtures, bool add);
    void dataLoadAnswered();
    void maybeStartLive();
    void liveTick();
    void info(const QString& text);
    void detail(const QString& text);

    SimulatorOptions m_options;
    Rig m_rig;
    PageDisplay m_pages;
    LiveTraffic m_live;
    CommandParser m_parser;
    LineTransport m_transport;
    Pacer m_pacer;
    QTimer m_linkPoll;
    QTimer m_liveTimer;
    QRandomGenerator m_noise;
    ReplayPlayer m_player;
    State m_state = State::WaitingForHello;
    bool m_fixturesSent = false;
    bool m_dimmersSent = false;
    bool m_dataLoadReported = false;
    bool m_liveStopped = false;
    int m_perTick = 1;
};
