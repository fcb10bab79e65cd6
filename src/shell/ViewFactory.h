#pragma once

#include "link/SessionHost.h"

class MonitorView;
struct ViewContext;

// Creates the view of the given kind, or returns null for a view this build does not have.
MonitorView* createView(SessionHost::View view, const ViewContext& context);
