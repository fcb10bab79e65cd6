#pragma once

#include <QByteArray>

// How the receive path reaches the views. The main window implements it by forwarding to the
// view that is open; every operation does nothing by default, so a view overrides only its own.
// Record numbers and channels are 0-based; payloads start at the first byte after the header.
class ViewSink
{
public:
    virtual ~ViewSink() = default;

    // Views gated by being loaded rather than by an open flag.
    virtual bool PageViewLoaded() const { return false; }
    virtual bool SceneViewLoaded() const { return false; }

    virtual void NoPageDisp() {}
    virtual void FillLvw(const QByteArray& /*payload*/) {}
    virtual void UpdateFixtSel(qint16 /*fixture*/) {}
    virtual void Display_Events(const QByteArray& /*payload*/) {}
    virtual void UpdateFixt(qint16 /*fixture*/) {}
    virtual void UpdateChnl(qint16 /*fixture*/, qint16 /*channel*/) {}
    virtual void UpdateDimmer(qint16 /*dimmer*/) {}
    virtual void UpdateDimmerLevel(qint16 /*dimmer*/) {}
    virtual void UpdatePlayback(qint16 /*playback*/) {}
    virtual void UpdatePlaybackLevel(qint16 /*playback*/) {}
    virtual void PageChange(const QByteArray& /*payload*/) {}
    virtual void List_Message(const QByteArray& /*payload*/) {}
    virtual void Start_Message(const QByteArray& /*payload*/) {}
    virtual void Step_Message(const QByteArray& /*payload*/) {}
    // A new link began: every record was cleared, and the views show none of the old ones.
    virtual void RecordsCleared() {}
    // The console told what it is: the Dimmers, Playbacks and Show entries become available.
    virtual void ConsoleInfoReceived() {}
};
