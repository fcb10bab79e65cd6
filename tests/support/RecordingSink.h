#pragma once

#include "link/Receiver.h"

#include <QObject>
#include <QStringList>

#include <initializer_list>

// Follows every signal of the receiver as the open views would, one readable line per signal.
// Whether the memory page view is open is the one thing the receiver asks about the views.
class RecordingSink : public QObject
{
public:
    QStringList calls;
    bool pageOpen = false;

    void follow(Receiver& rx, bool pageViewOpen = true)
    {
        pageOpen = pageViewOpen;
        rx.pageViewOpen = [this] { return pageOpen; };
        // A slot that logs the call's name and the signal's numbers.
        const auto numbers = [this](const char* name) {
            return [this, name](auto... n) { log(name, {int(n)...}); };
        };
        connect(&rx, &Receiver::fixtureChanged, this, numbers("UpdateFixt"));
        connect(&rx, &Receiver::channelChanged, this, numbers("UpdateChnl"));
        connect(&rx, &Receiver::dimmerChanged, this, numbers("UpdateDimmer"));
        connect(&rx, &Receiver::dimmerLevelChanged, this, numbers("UpdateDimmerLevel"));
        connect(&rx, &Receiver::playbackChanged, this, numbers("UpdatePlayback"));
        connect(&rx, &Receiver::playbackLevelChanged, this, numbers("UpdatePlaybackLevel"));
        connect(&rx, &Receiver::fixtureSelectionChanged, this, numbers("UpdateFixtSel"));
        connect(&rx, &Receiver::noPageDisplayed, this, numbers("NoPageDisp"));
        connect(&rx, &Receiver::playbackPageChanged, this,
                [this](const ConsolePayloads::PlaybackPageChange& c) {
                    log(c.flex ? "PageChange flex" : "PageChange playback", {c.page});
                });
        connect(&rx, &Receiver::showList, this, [this](const ConsolePayloads::ShowList& l) {
            if (l.noSuchShow)
                log("List_Message none");
            else
                log("List_Message", {l.number, l.page, int(l.steps.size())});
        });
        connect(&rx, &Receiver::showStarted, this, [this](const ConsolePayloads::ShowStarted& s) {
            log("Start_Message", {s.number, s.page});
        });
        connect(&rx, &Receiver::showStep, this, [this](const ConsolePayloads::ShowStep& s) {
            log("Step_Message", {s.number, s.page, s.step});
        });
        connect(&rx, &Receiver::pageContents, this, [this](const ConsolePayloads::PageContents& c) {
            log("FillLvw", {c.kind, c.page, int(c.entries.size())});
        });
        connect(&rx, &Receiver::sceneEvents, this, [this](const QByteArray& p) {
            calls << QStringLiteral("Display_Events ") + QString::fromLatin1(p.toHex(' '));
        });
    }

private:
    // The call's name, then its numbers.
    void log(const char* name, std::initializer_list<int> values = {})
    {
        QString line = QString::fromLatin1(name);
        for (int n : values)
            line += ' ' + QString::number(n);
        calls << line;
    }
};
