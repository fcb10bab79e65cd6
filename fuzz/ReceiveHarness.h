#pragma once

// The receive path on the fake serial line, linked and hunting, with a sink that counts what it
// is asked to show. Shared by the receive-path fuzz target and its corpus replay.

#include "link/FakeSerialBackend.h"
#include "link/Receiver.h"
#include "link/SerialPort.h"
#include "link/ViewSink.h"
#include "model/SharedState.h"

#include <memory>

// Every view open and every call remembered as a running 64-bit digest (FNV-1a), so that two
// runs can be compared call for call without keeping the calls.
class DigestSink : public ViewSink
{
public:
    quint64 calls = 14695981039346656037ull;
    bool PageViewLoaded() const override { return true; }
    bool SceneViewLoaded() const override { return true; }
    void NoPageDisp() override { note('n', 0); }
    void FillLvw(const QByteArray& p) override { note('f', p); }
    void UpdateFixtSel(qint16 f) override { note('s', f); }
    void Display_Events(const QByteArray& p) override { note('e', p); }
    void UpdateFixt(qint16 f) override { note('F', f); }
    void UpdateChnl(qint16 f, qint16 c) override { note('C', f * 64 + c); }
    void UpdateDimmer(qint16 d) override { note('D', d); }
    void UpdateDimmerLevel(qint16 d) override { note('L', d); }
    void UpdatePlayback(qint16 p) override { note('P', p); }
    void UpdatePlaybackLevel(qint16 p) override { note('V', p); }
    void PageChange(const QByteArray& p) override { note('g', p); }
    void List_Message(const QByteArray& p) override { note('l', p); }
    void Start_Message(const QByteArray& p) override { note('t', p); }
    void Step_Message(const QByteArray& p) override { note('p', p); }
    void ConsoleInfoReceived() override { note('i', 0); }

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
    DigestSink sink;
    Receiver rx{port, state, sink};

    ReceiveHarness()
    {
        // Named for the run, so that opening the port does not read the settings every time.
        SerialPort::setDeviceForThisRun(1, QStringLiteral("fuzz"));
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
        state.FixturesViewOpen = state.DimmersViewOpen = true;
        state.PlaybacksViewOpen = state.ShowViewOpen = true;
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
