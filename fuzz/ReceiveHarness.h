#pragma once

// The receive path on the fake serial line, linked and hunting, with a sink that counts what it
// is asked to show. Shared by the receive-path fuzz target and its corpus replay.

#include "link/FakeSerialBackend.h"
#include "link/Receiver.h"
#include "link/SerialPort.h"
#include "link/ViewSink.h"
#include "model/SharedState.h"

#include <QCryptographicHash>

#include <memory>

// Every view open and every call remembered as a running digest, so that two runs can be
// compared call for call without keeping the calls.
class DigestSink : public ViewSink
{
public:
    QCryptographicHash calls{QCryptographicHash::Sha1};
    bool PageViewLoaded() const override { return true; }
    bool SceneViewLoaded() const override { return true; }
    void NoPageDisp() override { note('n', {}); }
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
    void ConsoleInfoReceived() override { note('i', {}); }

private:
    void note(char what, int number)
    {
        calls.addData(QByteArrayView(&what, 1));
        calls.addData(QByteArrayView(reinterpret_cast<const char*>(&number), sizeof number));
    }
    void note(char what, const QByteArray& payload)
    {
        note(what, int(payload.size()));
        calls.addData(payload);
    }
};

struct ReceiveHarness
{
    FakeSerialBackend* backend = new FakeSerialBackend;
    SerialPort port{std::unique_ptr<SerialBackend>(backend)};
    SharedState state;
    DigestSink sink;
    Receiver rx{port, state, sink};

    ReceiveHarness()
    {
        port.setPortOpen(true);
        state.FixturesViewOpen = state.DimmersViewOpen = true;
        state.PlaybacksViewOpen = state.ShowViewOpen = true;
        rx.RxState = Receiver::Hunting;
        port.setRThreshold(1);
        QObject::connect(&port, &SerialPort::OnComm, [this] {
            if (port.CommEvent() == SerialPort::comEvReceive)
                rx.processindata();
        });
    }

    // What a reader of the receive path expects after every delivery: the state and the
    // threshold agree, no whole unit is left waiting, and the maps name only real records.
    bool invariantsHold() const
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
        for (quint16 f : state.DmxFixtureMap)
            if (f >= SharedState::FixtureCount && f != SharedState::NoOwner)
                return false;
        for (quint16 d : state.DmxDimmerMap)
            if (d >= SharedState::DimmerCount && d != SharedState::NoOwner)
                return false;
        return true;
    }

    // Everything the stream left behind: records, maps, view calls and commands sent.
    QByteArray digest()
    {
        QCryptographicHash h(QCryptographicHash::Sha1);
        for (const Fixture& f : state.Fixtures) {
            h.addData(f.GetFixtData());
            for (qint16 ch = 0; ch < Fixture::MaxChannels; ++ch) {
                const char v = char(f.chval(ch));
                h.addData(QByteArrayView(&v, 1));
                h.addData(f.ChValName(ch).toUtf8());
            }
            h.addData(QByteArray(1, f.Selected() ? 's' : '-'));
        }
        for (const Dimmer& d : state.Dimmers)
            h.addData(d.DimmerName().toUtf8() + char(d.DimmerLevel()) + char(d.DimmerPatched()));
        for (const Playback& p : state.Playbacks)
            h.addData(p.Name().toUtf8() + char(p.Level()) + char(p.MemType()));
        h.addData(QByteArrayView(reinterpret_cast<const char*>(state.DmxFixtureMap.data()),
                                 qsizetype(sizeof state.DmxFixtureMap)));
        h.addData(QByteArrayView(reinterpret_cast<const char*>(state.DmxDimmerMap.data()),
                                 qsizetype(sizeof state.DmxDimmerMap)));
        h.addData(QByteArray::number(state.ProfileCount()) + char(state.ExtendedFormat));
        h.addData(backend->written());
        h.addData(sink.calls.result());
        return h.result();
    }
};
