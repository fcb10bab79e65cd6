#include "controls/DirectRepaint.h"

#include <QBackingStore>
#include <QCoreApplication>
#include <QPainter>
#include <QWindow>

#include <algorithm>

int DirectRepaint::s_batches = 0;
std::vector<DirectRepaint::Request> DirectRepaint::s_requests;

DirectRepaint::Batch::Batch()
{
    ++s_batches;
}

DirectRepaint::Batch::~Batch()
{
    if (--s_batches == 0 && !s_requests.empty())
        paintAll();
}

void DirectRepaint::request(QWidget* widget, DirectlyPainted* painter, const QRegion& region)
{
    if (!widget || region.isEmpty())
        return;
    if (s_batches == 0) {
        widget->update(region);
        return;
    }
    const auto same = std::find_if(s_requests.begin(), s_requests.end(),
                                   [widget](const Request& r) { return r.widget == widget; });
    if (same != s_requests.end())
        same->region += region;
    else
        s_requests.push_back({widget, painter, region});
}

bool DirectRepaint::inSight(const QWidget* widget, QRegion& region, QPoint& offset)
{
    if (!widget->isVisible() || !widget->updatesEnabled() || widget->graphicsEffect())
        return false;
    region &= widget->rect();
    // Children are stacked above their parent.
    for (const QObject* o : widget->children()) {
        const auto* child = qobject_cast<const QWidget*>(o);
        if (child && !child->isWindow() && child->isVisible())
            region -= child->geometry();
    }
    offset = {};
    const QWidget* w = widget;
    while (!w->isWindow()) {
        if (w->testAttribute(Qt::WA_NativeWindow) || w->graphicsEffect())
            return false; // painted through a window of its own
        const QWidget* parent = w->parentWidget();
        if (!parent)
            return false;
        offset += w->pos();
        region.translate(w->pos());
        region &= parent->rect();
        // Siblings later in the parent's list are stacked above.
        const QObjectList& siblings = parent->children();
        for (auto it = std::find(siblings.begin(), siblings.end(), w) + 1; it < siblings.end();
             ++it) {
            const auto* sibling = qobject_cast<const QWidget*>(*it);
            if (sibling && !sibling->isWindow() && sibling->isVisible())
                region -= sibling->geometry();
        }
        if (region.isEmpty())
            break;
        w = parent;
    }
    region.translate(-offset);
    return true;
}

void DirectRepaint::paintAll()
{
    std::vector<Request> requests;
    requests.swap(s_requests);
    bool usualWay = false;
    // Requests of one window are painted and flushed together.
    std::stable_sort(requests.begin(), requests.end(), [](const Request& a, const Request& b) {
        return (a.widget ? a.widget->window() : nullptr) <
               (b.widget ? b.widget->window() : nullptr);
    });
    for (auto first = requests.begin(); first != requests.end();) {
        QWidget* window = first->widget ? first->widget->window() : nullptr;
        const auto last = std::find_if(first, requests.end(), [window](const Request& r) {
            return (r.widget ? r.widget->window() : nullptr) != window;
        });
        QBackingStore* store = window ? window->backingStore() : nullptr;
        QWindow* handle = window ? window->windowHandle() : nullptr;
        const bool direct = store && handle && handle->isExposed() &&
                            handle->surfaceType() == QSurface::RasterSurface &&
                            store->size() == window->size();
        struct Part
        {
            const Request* request;
            QRegion region;
            QPoint offset;
        };
        std::vector<Part> parts;
        QRegion painted;
        for (auto r = first; r != last; ++r) {
            if (!r->widget)
                continue;
            QRegion sure = r->region;
            QPoint offset;
            if (!direct || !inSight(r->widget, sure, offset)) {
                r->widget->update(r->region);
                usualWay = true;
                continue;
            }
            if (const QRegion rest = r->region - sure; !rest.isEmpty()) {
                r->widget->update(rest); // under something else: the usual way
                usualWay = true;
            }
            if (sure.isEmpty())
                continue;
            painted += sure.translated(offset);
            parts.push_back({&*r, std::move(sure), offset});
        }
        first = last;
        if (parts.empty())
            continue;
        store->beginPaint(painted);
        {
            QPainter painter(store->paintDevice());
            for (const Part& part : parts) {
                painter.setTransform(QTransform::fromTranslate(part.offset.x(), part.offset.y()));
                painter.setFont(part.request->widget->font());
                painter.setLayoutDirection(part.request->widget->layoutDirection());
                painter.setClipping(false);
                part.request->painter->paintDirectly(painter, part.region);
            }
        }
        store->endPaint();
        store->flush(painted, handle);
    }
    // What went the usual way is painted now too. Only then: asking for posted events wakes the
    // event loop once more whenever any other event waits.
    if (usualWay)
        QCoreApplication::sendPostedEvents(nullptr, QEvent::UpdateRequest);
}
