#pragma once

// What a view is made with, around the fake serial device: records, receiver, a session with no
// windows around it, the display options and an empty view registry.

#include "FakeLink.h"
#include "link/Session.h"
#include "link/SessionHost.h"
#include "shell/DisplayOptions.h"
#include "shell/ViewContext.h"
#include "shell/ViewRegistry.h"

struct ViewHarness : FakeLink
{
    struct NoWindows : SessionHost
    {
        void setStatus(const QString&) override {}
        void showStartup() override {}
        void hideStartup() override {}
        void reopenViews() override {}
        void reportLineError(const QString&) override {}
    };
    NoWindows host;
    Session session{port, rx, host};
    DisplayOptions options;
    ViewRegistry views;

    ViewContext context() { return {state, port, rx, session, options, views}; }
};
