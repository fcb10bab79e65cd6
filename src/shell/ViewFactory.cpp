#include "shell/ViewFactory.h"

#include "shell/MonitorView.h"
#include "views/dimmers/frmDimmers.h"
#include "views/fixtures/frmFixtures2.h"
#include "views/page/frmPage.h"
#include "views/playbacks/frmPlaybacks.h"
#include "views/scene/frmScene.h"
#include "views/show/frmShow.h"

MonitorView* createView(SessionHost::View view, const ViewContext& context)
{
    switch (view) {
    case SessionHost::View::Fixtures:
        return new frmFixtures2(context);
    case SessionHost::View::Dimmers:
        return new frmDimmers(context);
    case SessionHost::View::Playbacks:
        return new frmPlaybacks(context);
    case SessionHost::View::Show:
        return new frmShow(context);
    case SessionHost::View::Page:
        return new frmPage(context);
    case SessionHost::View::Scene:
        return new frmScene(context);
    }
    return nullptr;
}
