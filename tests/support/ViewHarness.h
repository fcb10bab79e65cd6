#pragma once

// What a view is made with, around the fake serial device: records, receiver, the session, the
// display options and an empty view registry.

#include "SessionLink.h"
#include "shell/DisplayOptions.h"
#include "shell/ViewContext.h"
#include "shell/ViewRegistry.h"

struct ViewHarness : SessionLink
{
    DisplayOptions options;
    ViewRegistry views;

    ViewContext context() { return {state, port, rx, session, options, views}; }
};
