#include "ConsoleSimulator.h"

#include "Encoder.h"
#include "SpeedMatcher.h"

namespace {

QString hex(const QByteArray& bytes)
{
    return QString::fromLatin1(bytes.toHex(' ').toUpper());
}

} // namespace

ConsoleSimulator::ConsoleSimulator(const SimulatorOptions& options, QObject* parent)
    : QObject(parent), m_options(options), m_rig(options.seed), m_live(m_rig),
      m_noise(options.seed ^ 0x5A5Au)
{
    if (!SpeedMatcher::isSupportedSpeed(m_options.speed))
        m_options.speed = 38400;
    // A replay keeps the recorded timing, which already is the line's.
    if (m_options.replay)
        m_options.pacing = false;
    if (!(m_options.speedFactor > 0))
        m_options.speedFactor = 1.0;
    m_pacer.setEnabled(m_options.pacing);
    m_pacer.setBitsPerSecond(m_options.speed);
    connect(&m_pacer, &Pacer::release, &m_transport, &LineTransport::write);
    connect(&m_transport, &LineTransport::received, this, &ConsoleSimulator::onReceived);
    connect(&m_transport, &LineTransport::peerClosed, this, &ConsoleSimulator::onPeerClosed);
    connect(&m_transport, &LineTransport::peerOpened, this,
            [this] { detail(QStringLiteral("the program opened the port")); });
    m_linkPoll.setInterval(10);
    connect(&m_linkPoll, &QTimer::timeout, this, &ConsoleSimulator::checkLinkSpeed);
    connect(&m_liveTimer, &QTimer::timeout, this, &ConsoleSimulator::liveTick);
    connect(&m_player, &ReplayPlayer::bytesDue, &m_transport, &LineTransport::write);
    m_player.setBacklog([this] { return m_transport.pendingOutput(); });
    connect(&m_player, &ReplayPlayer::finished, this, [this] {
        info(QStringLiteral("replay finished; the line stays up"));
        emit replayFinished();
    });
    setLiveRate(m_options.rate);
}

bool ConsoleSimulator::openPty(QString* error)
{
    reset();
    return m_transport.openPty(error);
}

bool ConsoleSimulator::openDevice(const QString& path, QString* error)
{
    reset();
    if (!m_transport.openDevice(path, error))
        return false;
    m_transport.setLineSettings({m_options.speed, SpeedMatcher::dataBitsFor(m_options.speed)});
    return true;
}

void ConsoleSimulator::close()
{
    reset();
    m_transport.close();
}

void ConsoleSimulator::setLiveRate(int perSecond)
{
    m_options.rate = qMax(0, perSecond);
    if (m_options.flood) {
        m_liveTimer.setInterval(2);
    } else if (m_options.rate > 100) {
        m_liveTimer.setInterval(10);
        m_perTick = m_options.rate / 100;
    } else if (m_options.rate > 0) {
        m_liveTimer.setInterval(1000 / m_options.rate);
        m_perTick = 1;
    }
    if (m_options.rate == 0 && !m_options.flood)
        m_liveTimer.stop();
    else
        maybeStartLive();
}

void ConsoleSimulator::reset()
{
    m_state = State::WaitingForHello;
    m_linkPoll.stop();
    m_liveTimer.stop();
    m_player.stop();
    m_pacer.clear();
    m_pacer.setBitsPerSecond(m_options.speed);
    m_parser.reset();
    m_fixturesSent = false;
    m_dimmersSent = false;
    m_dataLoadReported = false;
    m_liveStopped = false;
}

void ConsoleSimulator::info(const QString& text)
{
    emit logLine(text);
}

void ConsoleSimulator::detail(const QString& text)
{
    if (m_options.verbose)
        emit logLine(text);
}

void ConsoleSimulator::onPeerClosed()
{
    info(QStringLiteral("the program closed the port; waiting for a hello at %1 bit/s")
             .arg(m_options.speed));
    reset();
    if (!m_transport.isPty())
        return;
    emit programClosedPort();
}

void ConsoleSimulator::onReceived(const QByteArray& bytes)
{
    const bool pty = m_transport.isPty();
    const ConsoleLine line = m_transport.lineSettings();
    const bool visible = m_transport.dataBitsVisible();
    if (m_state == State::WaitingForLinkSpeed) {
        detail(QStringLiteral("<- %1  dropped: waiting for the line to move to 38400")
                   .arg(hex(bytes)));
        return;
    }
    const bool lineOk = !pty || (m_state == State::Linked
                                     ? SpeedMatcher::lineIsLinked(line, visible)
                                     : SpeedMatcher::lineMatches(m_options.speed, line, visible));
    if (!lineOk) {
        info(QStringLiteral("<- %1  not understood: the line is at %2 bit/s, %3 data bits")
                 .arg(hex(bytes))
                 .arg(line.speed)
                 .arg(line.dataBits));
        m_parser.reset();
        emit helloIgnored();
        if (m_options.noise) {
            static const char junk[] = {'\x00', '\x80', '\xF8', '\xFE',
                                        '\xFF', '\x7F', '\xE0', '\x1C'};
            QByteArray garbage;
            for (int i = 0; i < qMin(int(bytes.size()), 8); ++i)
                garbage.append(junk[m_noise.bounded(int(sizeof junk))]);
            sendRaw(garbage, QStringLiteral("noise"));
        }
        return;
    }
    for (const Command& c : m_parser.feed(bytes)) {
        emit commandReceived(c);
        handle(c);
        if (m_state == State::WaitingForLinkSpeed)
            break; // the rest is at a speed this console has left
    }
}

void ConsoleSimulator::handle(const Command& c)
{
    switch (c.type) {
    case Command::Type::Garbage:
    case Command::Type::Bad:
        info(QStringLiteral("<- ") + c.describe());
        return;
    case Command::Type::Hello:
    case Command::Type::SlowHello: {
        detail(QStringLiteral("<- ") + c.describe());
        const int speed = m_state == State::Linked ? SpeedMatcher::LinkSpeed : m_options.speed;
        const ConsoleLine line = m_transport.isPty()
                                     ? m_transport.lineSettings()
                                     : ConsoleLine{speed, SpeedMatcher::dataBitsFor(speed)};
        if (SpeedMatcher::answersHello(speed, c.type, line, m_transport.dataBitsVisible())) {
            answerHello(c.type);
        } else {
            info(QStringLiteral("hello not answered: the console listens at %1 bit/s").arg(speed));
            emit helloIgnored();
        }
        return;
    }
    case Command::Type::Request:
        if (m_options.replay) {
            info(QStringLiteral("<- ") + c.describe()); // a replay only listens
            return;
        }
        if (m_state != State::Linked) {
            info(QStringLiteral("<- %1  ignored before the link is up").arg(c.describe()));
            return;
        }
        if (m_options.verbose || !c.problem.isEmpty())
            info(QStringLiteral("<- ") + c.describe());
        handleRequest(c);
        return;
    }
}

void ConsoleSimulator::answerHello(Command::Type hello)
{
    const bool slow = hello == Command::Type::SlowHello;
    m_liveTimer.stop();
    m_pacer.clear();
    m_pacer.setBitsPerSecond(m_state == State::Linked ? SpeedMatcher::LinkSpeed : m_options.speed);
    sendRaw(slow ? QByteArray("\x55\x25\x05", 3) : QByteArray("\xA5\x01", 2),
            QStringLiteral("hello answer"));
    if (m_state != State::Linked && m_options.speed != SpeedMatcher::LinkSpeed) {
        m_state = State::WaitingForLinkSpeed;
        m_linkPoll.start();
        return;
    }
    linkUp();
}

void ConsoleSimulator::checkLinkSpeed()
{
    if (m_state != State::WaitingForLinkSpeed) {
        m_linkPoll.stop();
        return;
    }
    if (m_transport.isPty()) {
        if (!SpeedMatcher::lineIsLinked(m_transport.lineSettings(), m_transport.dataBitsVisible()))
            return;
    } else {
        // A real line: let the answer go out at the old speed, then switch.
        if (queuedBytes() > 0)
            return;
        m_transport.drain();
        m_transport.setLineSettings({SpeedMatcher::LinkSpeed, 8});
    }
    m_linkPoll.stop();
    linkUp();
}

void ConsoleSimulator::linkUp()
{
    m_state = State::Linked;
    m_pacer.setBitsPerSecond(SpeedMatcher::LinkSpeed);
    m_parser.reset();
    m_fixturesSent = false;
    m_dimmersSent = false;
    m_dataLoadReported = false;
    m_liveStopped = false;
    if (m_options.replay) {
        info(QStringLiteral("link up; replaying %1 bytes in %2 pieces over %3 s%4")
                 .arg(m_options.replay->byteCount)
                 .arg(m_options.replay->chunkCount)
                 .arg(double(m_options.replay->durationUs) / 1e6 / m_options.speedFactor, 0, 'f', 1)
                 .arg(m_options.speedFactor != 1.0
                          ? QStringLiteral(" (%1 times as fast)").arg(m_options.speedFactor)
                          : QString()));
        emit linked();
        m_player.start(m_options.replay, m_options.speedFactor);
        return;
    }
    info(QStringLiteral("link up%1").arg(m_options.extended ? " (extended format)" : ""));
    send(KindConsoleInfo, Encoder::consoleInfo(m_options.extended),
         QStringLiteral("console information, type %1").arg(m_options.extended ? 3 : 2));
    emit linked();
}

void ConsoleSimulator::sendRaw(const QByteArray& bytes, const QString& text)
{
    detail(QStringLiteral("-> %1  %2").arg(hex(bytes), text));
    m_pacer.enqueue(bytes);
}

void ConsoleSimulator::send(quint8 kind, const QByteArray& payload, const QString& text)
{
    const QByteArray framed = Encoder::frame(kind, payload);
    detail(
        QStringLiteral("-> %1  %2 (%3 bytes)").arg(hex(framed.left(4)), text).arg(payload.size()));
    m_pacer.enqueue(framed);
}

void ConsoleSimulator::sendAllChannelValues()
{
    // The monitor now shows fixtures: tell it where every channel stands.
    for (int n = 0; n < Rig::FixtureCount; ++n) {
        const RigFixture& f = m_rig.fixture(n);
        for (int ch = 0; !f.isEmpty() && ch < f.values.size(); ++ch)
            send(KindChannelValue,
                 Encoder::channelValue(quint8(n), quint8(ch), quint8(f.values[ch])),
                 QStringLiteral("fixture %1 channel %2 = %3")
                     .arg(n)
                     .arg(ch)
                     .arg(quint8(f.values[ch])));
    }
}

void ConsoleSimulator::sendFixture(int n)
{
    const RigFixture& f = m_rig.fixture(n);
    send(KindFixtureData, Encoder::fixtureData(n, f, m_options.extended),
         f.isEmpty() ? QStringLiteral("fixture %1: empty").arg(n)
                     : QStringLiteral("fixture %1: type %2, %3")
                           .arg(n)
                           .arg(f.type)
                           .arg(QString::fromLatin1(f.name).trimmed()));
}

void ConsoleSimulator::sendDimmer(int n)
{
    const RigDimmer& d = m_rig.dimmer(n);
    send(KindDimmerData, Encoder::dimmerData(n, d),
         d.patched ? QStringLiteral("dimmer %1 at %2").arg(n).arg(d.dmxAddr)
                   : QStringLiteral("dimmer %1: not patched").arg(n));
}

void ConsoleSimulator::sendPageSelection()
{
    const PageDisplay::Ref p = m_pages.current();
    send(KindPageSelection, Encoder::pageSelection(p.kind, p.number),
         p.kind == PageNone ? QStringLiteral("no page on display")
                            : QStringLiteral("page kind %1 number %2").arg(p.kind).arg(p.number));
}

void ConsoleSimulator::handleRequest(const Command& c)
{
    auto op = [&](int i) { return quint8(c.operands.at(i)); };
    // In verbose mode the command has been logged already.
    auto ignored = [&](const QString& why) {
        info(m_options.verbose ? QStringLiteral("   ignored: %1").arg(why)
                               : QStringLiteral("<- %1  ignored: %2").arg(c.describe(), why));
    };
    switch (c.code) {
    case 0x02:
        sendPageSelection();
        return;
    case 0x03: {
        if (op(0) > PageGroup)
            return ignored(QStringLiteral("no such page kind"));
        const RigPage page = m_rig.page(op(0), op(1), m_rig.firstSelectedFixture());
        send(KindPageContents, Encoder::pageContents(page),
             QStringLiteral("page kind %1 number %2, %3 entries")
                 .arg(page.kind)
                 .arg(page.number)
                 .arg(page.names.size()));
        return;
    }
    case 0x04:
        if (op(0) == 0xFF) {
            for (const RigProfile& p : m_rig.profiles())
                send(KindProfileData, Encoder::profileData(p),
                     QStringLiteral("profile %1").arg(p.number));
            for (int n = 0; n < Rig::FixtureCount; ++n)
                sendFixture(n);
            m_fixturesSent = true;
            dataLoadAnswered();
        } else if (op(0) < Rig::FixtureCount) {
            sendFixture(op(0));
        } else {
            ignored(QStringLiteral("no such fixture"));
        }
        return;
    case 0x05:
        send(KindSceneEvents,
             Encoder::sceneEvents(m_rig.sceneEvents(m_options.extended), m_options.extended),
             QStringLiteral("scene events"));
        return;
    case 0x08: {
        const int address = m_rig.setChannelValue(op(0), op(1), op(2));
        if (address < 0)
            return ignored(QStringLiteral("no such fixture channel"));
        send(KindChannelValue, Encoder::channelValue(op(0), op(1), op(2)),
             QStringLiteral("fixture %1 channel %2 = %3").arg(op(0)).arg(op(1)).arg(op(2)));
        send(KindDmxLevel, Encoder::dmxLevel(quint16(address), op(2)),
             QStringLiteral("DMX %1 = %2").arg(address).arg(op(2)));
        return;
    }
    case 0x0B:
        if (op(0) == 0) {
            info(QStringLiteral("the monitor is going away; live traffic stops"));
            m_liveTimer.stop();
            m_liveStopped = true;
        } else {
            if (!m_options.verbose)
                info(QStringLiteral("<- ") + c.describe());
            if (op(0) == 2)
                sendAllChannelValues();
        }
        return;
    case 0x0D:
        if (op(0) != 0x00 && op(0) != 0xFF)
            return ignored(QStringLiteral("page step must be 00 or FF"));
        m_pages.step(op(0) == 0xFF);
        sendPageSelection();
        return;
    case 0x0E:
        m_pages.choose(op(0));
        sendPageSelection();
        return;
    case 0x0F:
        pickEntry(op(0), op(1) != 0);
        return;
    case 0x11:
        if (op(0) == 0xFF) {
            for (int n = 0; n < Rig::DimmerCount; ++n)
                sendDimmer(n);
            m_dimmersSent = true;
            dataLoadAnswered();
        } else if (op(0) < Rig::DimmerCount) {
            sendDimmer(op(0));
        } else {
            ignored(QStringLiteral("no such dimmer"));
        }
        return;
    case 0x13:
        if (op(0) >= Rig::PlaybackCount)
            return ignored(QStringLiteral("no such playback"));
        send(KindPlaybackData, Encoder::playbackData(op(0), m_rig.playback(op(0))),
             QStringLiteral("playback %1").arg(op(0)));
        return;
    case 0x15:
        if (op(0) != 0xFF)
            return ignored(QStringLiteral("operand must be FF"));
        send(KindPlaybackPage, Encoder::playbackPage(0, m_rig.playbackPage()),
             QStringLiteral("playback faders on page %1").arg(m_rig.playbackPage()));
        send(KindPlaybackPage, Encoder::playbackPage(1, m_rig.flexPage()),
             QStringLiteral("flex faders on page %1").arg(m_rig.flexPage()));
        return;
    case 0x16: {
        const RigShow* show = m_rig.show(op(0), op(1));
        send(KindShowList, Encoder::showList(show),
             show ? QStringLiteral("show %1 page %2, %3 steps")
                        .arg(op(0))
                        .arg(op(1))
                        .arg(show->steps.size())
                  : QStringLiteral("no show %1 on page %2").arg(op(0)).arg(op(1)));
        return;
    }
    default:
        return ignored(QStringLiteral("not a request"));
    }
}

void ConsoleSimulator::select(const QList<int>& fixtures, bool add)
{
    if (!add) {
        for (int f = 0; f < Rig::FixtureCount; ++f) {
            if (m_rig.fixture(f).selected && !fixtures.contains(f)) {
                m_rig.setSelected(f, false);
                send(KindFixtureSelection, Encoder::fixtureSelection(quint8(f), false),
                     QStringLiteral("fixture %1 deselected").arg(f));
            }
        }
    }
    for (int f : fixtures) {
        m_rig.setSelected(f, true);
        send(KindFixtureSelection, Encoder::fixtureSelection(quint8(f), true),
             QStringLiteral("fixture %1 selected").arg(f));
    }
}

void ConsoleSimulator::pickEntry(quint8 entry, bool add)
{
    const PageDisplay::Ref page = m_pages.current();
    switch (page.kind) {
    case PageFixture:
        if (entry >= Rig::FixtureCount || m_rig.fixture(entry).isEmpty())
            return info(QStringLiteral("entry pick %1: no fixture there").arg(entry));
        select({entry}, add);
        return;
    case PageGroup:
        if (entry >= Rig::GroupCount)
            return info(QStringLiteral("entry pick %1: no group there").arg(entry));
        select(m_rig.groupMembers(entry), add);
        return;
    case PageScene: {
        // Recalling a scene brings up a few dimmers.
        int lit = 0;
        for (int d = (entry * 7 + page.number) % Rig::DimmerCount; lit < 3;
             d = (d + 1) % Rig::DimmerCount) {
            if (!m_rig.dimmer(d).patched)
                continue;
            const quint8 level = quint8(85 * (lit + 1));
            m_rig.setDimmerLevel(d, level);
            send(KindDimmerLevel, Encoder::dimmerLevel(quint8(d), level),
                 QStringLiteral("dimmer %1 level %2 (scene %3 recalled)")
                     .arg(d)
                     .arg(level)
                     .arg(entry));
            ++lit;
        }
        return;
    }
    case PageShow:
        if (!m_rig.show(entry, page.number))
            return info(QStringLiteral("entry pick %1: no show there").arg(entry));
        send(KindShowStarted, Encoder::showStarted(entry, page.number),
             QStringLiteral("show %1 page %2 started").arg(entry).arg(page.number));
        return;
    case PageNone:
        return info(QStringLiteral("entry pick %1: no page on display").arg(entry));
    default:
        info(QStringLiteral("entry %1 of page kind %2 number %3 recalled")
                 .arg(entry)
                 .arg(page.kind)
                 .arg(page.number));
        return;
    }
}

void ConsoleSimulator::dataLoadAnswered()
{
    if (m_fixturesSent && m_dimmersSent && !m_dataLoadReported) {
        m_dataLoadReported = true;
        emit dataLoadSent();
    }
    maybeStartLive();
}

void ConsoleSimulator::maybeStartLive()
{
    if (m_state != State::Linked || !m_fixturesSent || !m_dimmersSent || m_liveStopped)
        return;
    if (m_options.rate == 0 && !m_options.flood)
        return;
    if (!m_liveTimer.isActive())
        m_liveTimer.start();
}

void ConsoleSimulator::liveTick()
{
    if (!m_transport.peerPresent())
        return;
    int budget = m_perTick;
    if (m_options.flood) {
        // Keep about 20 ms of line time queued, or the pty's buffer busy without pacing.
        const qint64 low =
            m_options.pacing ? qMax<qint64>(64, Pacer::bytesPerSecond(m_pacer.bitsPerSecond()) / 50)
                             : 4096;
        budget = 0;
        while (queuedBytes() < low && budget < 1000) {
            const LiveTraffic::Message m = m_live.next();
            send(m.kind, m.payload, m.text);
            ++budget;
        }
        return;
    }
    for (int i = 0; i < budget; ++i) {
        const LiveTraffic::Message m = m_live.next();
        send(m.kind, m.payload, m.text);
    }
}
