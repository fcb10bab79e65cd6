#include "shell/ViewFactory.h"

#include "shell/MonitorView.h"
#include "views/fixtures/frmFixtures2.h"

MonitorView* createView(SessionHost::View view, const ViewContext& context)
{
    switch (view) {
    case SessionHost::View::Fixtures:
        return new frmFixtures2(context);
    case SessionHost::View::Dimmers:
    case SessionHost::View::Playbacks:
    case SessionHost::View::Page:
    case SessionHost::View::Scene:
    case SessionHost::View::Show:
        return nullptr;
    }
    return nullptr;
}
