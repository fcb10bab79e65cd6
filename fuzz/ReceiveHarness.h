#pragma once

// The receive path on the fake serial line, linked and hunting, with a sink that counts what it
// is asked to show. Shared by the receive-path fuzz target and its corpus replay.

#include "link/FakeSerialBackend.h"
#include "link/Receiver.h"
#include "link/SerialPort.h"
#include "model/SharedState.h"

#include <memory>

// Follows every signal of the receiver, as if every view were open, and remembers them as a
// running 64-bit digest (FNV-1a), so that two runs can be compared signal for signal without
// keeping them.
class DigestSink : public QObject
{
public:
    quint64 calls = 14695981039346656037ull;

    void follow(Receiver& rx)
    {
        rx.pageViewOpen = [] { return true; };
        connect(&rx, &Receiver::recordsCleared, this, [this] { note('c', 0); });
        connect(&rx, &Receiver::noPageDisplayed, this, [this] { note('n', 0); });
        connect(&rx, &Receiver::pageContents, this, [this](const ConsolePayloads::PageContents& c) {
            note('f', c.kind * 256 + c.page);
            for (const QString& e : c.entries)
                note('e', e.toLatin1());
        });
        connect(&rx, &Receiver::fixtureSelectionChanged, this, [this](qint16 f) { note('s', f); });
        connect(&rx, &Receiver::sceneEvents, this, [this](const QByteArray& p) { note('E', p); });
        connect(&rx, &Receiver::fixtureChanged, this, [this](qint16 f) { note('F', f); });
        connect(&rx, &Receiver::channelChanged, this,
                [this](qint16 f, qint16 c) { note('C', f * 64 + c); });
        connect(&rx, &Receiver::dimmerChanged, this, [this](qint16 d) { note('D', d); });
        connect(&rx, &Receiver::dimmerLevelChanged, this, [this](qint16 d) { note('L', d); });
        connect(&rx, &Receiver::playbackChanged, this, [this](qint16 p) { note('P', p); });
        connect(&rx, &Receiver::playbackLevelChanged, this, [this](qint16 p) { note('V', p); });
        connect(&rx, &Receiver::playbackPageChanged, this,
                [this](const ConsolePayloads::PlaybackPageChange& c) {
                    note('g', int(c.flex) * 256 + c.page);
                });
        connect(&rx, &Receiver::showList, this, [this](const ConsolePayloads::ShowList& l) {
            note('l', l.noSuchShow ? -1 : l.number * 256 + l.page);
            for (const auto& step : l.steps)
                note('x', step.scene * 256 + step.scenePage);
        });
        connect(&rx, &Receiver::showStarted, this, [this](const ConsolePayloads::ShowStarted& s) {
            note('t', s.number * 256 + s.page);
        });
        connect(&rx, &Receiver::showStep, this, [this](const ConsolePayloads::ShowStep& s) {
            note('p', (s.number * 256 + s.page) * 256 + s.step);
        });
        connect(&rx, &Receiver::consoleInformation, this, [this](quint8 t) { note('i', t); });
    }

private:
    void mix(quint8 byte) { calls = (calls ^ byte) * 1099511628211ull; }
    void note(char what, int number)
    {
        mix(quint8(what));
        for (int shift = 0; shift < 32; shift += 8)
            mix(quint8(number >> shift));
    }
    void note(char what, const QByteArray& payload)
    {
        note(what, int(payload.size()));
        for (char c : payload)
            mix(quint8(c));
    }
};

// Built once per process and reset between inputs: building the records anew for every input
// cost most of the search's time.
struct ReceiveHarness
{
    FakeSerialBackend* backend = new FakeSerialBackend;
    SerialPort port{std::unique_ptr<SerialBackend>(backend)};
    SharedState state;
    Receiver rx{port, state};
    DigestSink sink;

    ReceiveHarness()
    {
        // Named for the run, so that opening the port does not read the settings every time.
        SerialPort::setDeviceForThisRun(1, QStringLiteral("fuzz"));
        sink.follow(rx);
        port.setPortOpen(true);
        QObject::connect(&port, &SerialPort::OnComm, [this] {
            if (port.CommEvent() == SerialPort::comEvReceive)
                rx.processindata();
        });
        reset();
    }

    // Linked, hunting, nothing known of the console, every view open.
    void reset()
    {
        // Record by record rather than a new SharedState: the profile list keeps its storage.
        static const Fixture noFixture;
        static const Dimmer noDimmer;
        static const Playback noPlayback;
        state.Fixtures.fill(noFixture);
        state.Dimmers.fill(noDimmer);
        state.Playbacks.fill(noPlayback);
        state.Profiles.clear();
        state.resetMaps();
        state.ExtendedFormat = false;
        port.clearInBuffer();
        rx.RxState = Receiver::Hunting;
        rx.MsgType = rx.MsgLen = 0;
        port.setRThreshold(1);
        backend->clearWrites();
        sink.calls = DigestSink{}.calls;
    }

    // What a reader of the receive path expects after every delivery: the state and the
    // threshold agree, no whole unit is left waiting, and (when asked) the maps name only real
    // records.
    bool invariantsHold(bool withMaps = true) const
    {
        const int threshold = port.RThreshold();
        switch (rx.RxState) {
        case Receiver::Hunting:
            if (threshold != 1)
                return false;
            break;
        case Receiver::Header:
            if (threshold != 3)
                return false;
            break;
        case Receiver::Payload:
            if (rx.MsgLen <= 0 || threshold != rx.MsgLen)
                return false;
            break;
        default:
            return false;
        }
        if (port.InBufferCount() >= threshold)
            return false;
        if (!withMaps)
            return true;
        for (quint16 f : state.DmxFixtureMap)
            if (f >= SharedState::FixtureCount && f != SharedState::NoOwner)
                return false;
        for (quint16 d : state.DmxDimmerMap)
            if (d >= SharedState::DimmerCount && d != SharedState::NoOwner)
                return false;
        return true;
    }

    // Everything the stream left behind is the same in both runs: records, maps, view calls
    // and commands sent.
    bool sameAs(const ReceiveHarness& o) const
    {
        if (state.Fixtures != o.state.Fixtures || state.Dimmers != o.state.Dimmers ||
            state.Playbacks != o.state.Playbacks)
            return false;
        return state.DmxFixtureMap == o.state.DmxFixtureMap &&
               state.DmxDimmerMap == o.state.DmxDimmerMap &&
               state.ProfileCount() == o.state.ProfileCount() &&
               state.ExtendedFormat == o.state.ExtendedFormat &&
               backend->written() == o.backend->written() && sink.calls == o.sink.calls;
    }
};
