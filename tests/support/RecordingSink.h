#pragma once

#include "link/ViewSink.h"

#include <QStringList>

// Records every call of the receive path on the views, one readable line each.
class RecordingSink : public ViewSink
{
public:
    bool pageLoaded = false;
    bool sceneLoaded = false;
    QStringList calls;
    int consoleInfo = 0;

    bool PageViewLoaded() const override { return pageLoaded; }
    bool SceneViewLoaded() const override { return sceneLoaded; }
    void NoPageDisp() override { calls << QStringLiteral("NoPageDisp"); }
    void FillLvw(const QByteArray& p) override
    {
        calls << QStringLiteral("FillLvw ") + p.toHex(' ');
    }
    void UpdateFixtSel(qint16 f) override { calls << QStringLiteral("UpdateFixtSel %1").arg(f); }
    void Display_Events(const QByteArray& p) override
    {
        calls << QStringLiteral("Display_Events ") + p.toHex(' ');
    }
    void UpdateFixt(qint16 f) override { calls << QStringLiteral("UpdateFixt %1").arg(f); }
    void UpdateChnl(qint16 f, qint16 c) override
    {
        calls << QStringLiteral("UpdateChnl %1 %2").arg(f).arg(c);
    }
    void UpdateDimmer(qint16 d) override { calls << QStringLiteral("UpdateDimmer %1").arg(d); }
    void UpdateDimmerLevel(qint16 d) override
    {
        calls << QStringLiteral("UpdateDimmerLevel %1").arg(d);
    }
    void UpdatePlayback(qint16 p) override { calls << QStringLiteral("UpdatePlayback %1").arg(p); }
    void UpdatePlaybackLevel(qint16 p) override
    {
        calls << QStringLiteral("UpdatePlaybackLevel %1").arg(p);
    }
    void PageChange(const QByteArray& p) override
    {
        calls << QStringLiteral("PageChange ") + p.toHex(' ');
    }
    void List_Message(const QByteArray& p) override
    {
        calls << QStringLiteral("List_Message ") + p.toHex(' ');
    }
    void Start_Message(const QByteArray& p) override
    {
        calls << QStringLiteral("Start_Message ") + p.toHex(' ');
    }
    void Step_Message(const QByteArray& p) override
    {
        calls << QStringLiteral("Step_Message ") + p.toHex(' ');
    }
    void ConsoleInfoReceived() override
    {
        ++consoleInfo;
        calls << QStringLiteral("ConsoleInfo");
    }
};
