#pragma once

#include "link/ViewSink.h"

#include <QStringList>

#include <initializer_list>

// Records every call of the receive path on the views, one readable line each.
class RecordingSink : public ViewSink
{
public:
    bool pageLoaded = false;
    bool sceneLoaded = false;
    QStringList calls;

    bool PageViewLoaded() const override { return pageLoaded; }
    bool SceneViewLoaded() const override { return sceneLoaded; }
    void NoPageDisp() override { log("NoPageDisp"); }
    void FillLvw(const QByteArray& p) override { log("FillLvw", p); }
    void UpdateFixtSel(qint16 f) override { log("UpdateFixtSel", {}, {f}); }
    void Display_Events(const QByteArray& p) override { log("Display_Events", p); }
    void UpdateFixt(qint16 f) override { log("UpdateFixt", {}, {f}); }
    void UpdateChnl(qint16 f, qint16 c) override { log("UpdateChnl", {}, {f, c}); }
    void UpdateDimmer(qint16 d) override { log("UpdateDimmer", {}, {d}); }
    void UpdateDimmerLevel(qint16 d) override { log("UpdateDimmerLevel", {}, {d}); }
    void UpdatePlayback(qint16 p) override { log("UpdatePlayback", {}, {p}); }
    void UpdatePlaybackLevel(qint16 p) override { log("UpdatePlaybackLevel", {}, {p}); }
    void PageChange(const QByteArray& p) override { log("PageChange", p); }
    void List_Message(const QByteArray& p) override { log("List_Message", p); }
    void Start_Message(const QByteArray& p) override { log("Start_Message", p); }
    void Step_Message(const QByteArray& p) override { log("Step_Message", p); }
    void ConsoleInfoReceived() override { log("ConsoleInfo"); }

private:
    // The call's name, then its payload in hex or its numbers.
    void log(const char* name, const QByteArray& payload = {},
             std::initializer_list<int> numbers = {})
    {
        QString line = QString::fromLatin1(name);
        if (!payload.isEmpty())
            line += ' ' + QString::fromLatin1(payload.toHex(' '));
        for (int n : numbers)
            line += ' ' + QString::number(n);
        calls << line;
    }
};
