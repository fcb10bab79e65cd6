#include "shell/ViewRegistry.h"

#include "shell/MonitorView.h"
#include "views/dimmers/frmDimmers.h"
#include "views/fixtures/frmFixtures2.h"
#include "views/page/frmPage.h"
#include "views/playbacks/frmPlaybacks.h"
#include "views/scene/frmScene.h"
#include "views/show/frmShow.h"
#include "views/traffic/TrafficView.h"

#include <algorithm>

namespace {

template <class View>
MonitorView* make(const ViewContext& context)
{
    return new View(context);
}

} // namespace

const std::vector<ViewDescriptor>& ViewRegistry::all()
{
    // id, menu entry, its text, its place, settings prefix, help page, waits for the console's
    // type, reopens; in the order the views reopen after a link-up.
    static const std::vector<ViewDescriptor> table{
        {ViewId::Dimmers, "mnuDimmers", "&Dimmers", 5, "dimmer", "dimmers.html", true, true,
         make<frmDimmers>},
        {ViewId::Fixtures, "mnuFixtures", "&Fixtures", 1, "fixture", "fixtures.html", false, true,
         make<frmFixtures2>},
        {ViewId::Playbacks, "mnuPlaybacks", "Play&backs", 6, "playback", "playbacks.html", true,
         true, make<frmPlaybacks>},
        {ViewId::Page, "mnuPage", "&Page", 2, "page", "page.html", false, true, make<frmPage>},
        {ViewId::Scene, "mnuScene", "S&cene", 3, "scene", "scene.html", false, true,
         make<frmScene>},
        {ViewId::Show, "mnuShow", "&Show", 4, "show", "show.html", true, true, make<frmShow>},
        {ViewId::Traffic, "mnuTraffic", "&Traffic", 100, "traffic", "traffic.html", false, false,
         make<TrafficView>},
    };
    return table;
}

const ViewDescriptor& ViewRegistry::of(ViewId id)
{
    const auto& table = all();
    return *std::find_if(table.begin(), table.end(),
                         [id](const ViewDescriptor& d) { return d.id == id; });
}

bool ViewRegistry::anyOpen() const
{
    return std::any_of(m_open.begin(), m_open.end(), [](const auto& view) { return view; });
}

MonitorView* ViewRegistry::openByName(const QString& formName) const
{
    for (const auto& view : m_open)
        if (view && view->objectName() == formName)
            return view;
    return nullptr;
}
