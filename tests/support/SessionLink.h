#pragma once

// The session over the fake serial device, with windows around it that only note what they are
// asked.

#include "FakeLink.h"
#include "link/Session.h"
#include "link/SessionHost.h"

#include <functional>

struct SessionLink : FakeLink
{
    struct Windows : SessionHost
    {
        QStringList statuses, events, errors;
        std::function<void()> whileErrorShown;

        void setStatus(const QString& text) override { statuses << text; }
        void showStartup() override { events << QStringLiteral("show startup"); }
        void hideStartup() override { events << QStringLiteral("hide startup"); }
        void reopenViews() override { events << QStringLiteral("reopen views"); }
        void reportLineError(const QString& text) override
        {
            errors << text;
            if (whileErrorShown)
                whileErrorShown();
        }
    };
    Windows host;
    Session session{port, rx, host};
};
