#include "shell/ViewFactory.h"

#include "shell/MonitorView.h"

MonitorView* createView(SessionHost::View view, const ViewContext& context)
{
    (void)context;
    switch (view) {
    case SessionHost::View::Dimmers:
    case SessionHost::View::Fixtures:
    case SessionHost::View::Playbacks:
    case SessionHost::View::Page:
    case SessionHost::View::Scene:
    case SessionHost::View::Show:
        return nullptr;
    }
    return nullptr;
}
