#include "controls/DirectRepaint.h"

#include <QBackingStore>
#include <QCoreApplication>
#include <QPainter>
#include <QVarLengthArray>
#include <QWindow>

#include <algorithm>

int DirectRepaint::s_batches = 0;
std::vector<DirectRepaint::Request> DirectRepaint::s_requests;

void DirectRepaint::beginBatch()
{
    ++s_batches;
}

void DirectRepaint::endBatch()
{
    if (s_batches > 0 && --s_batches == 0)
        paintPending();
}

void DirectRepaint::paintPending()
{
    if (!s_requests.empty())
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

bool DirectRepaint::inSight(const QWidget* widget, QRegion& region, QRegion& covered,
                            QPoint& offset)
{
    if (!widget->isVisible() || !widget->updatesEnabled() || widget->graphicsEffect())
        return false;
    // Worked out on rectangles, in the coordinates of the level reached: what every ancestor
    // leaves in sight, and what lies on top of it.
    QRect clip = widget->rect();
    QVarLengthArray<QRect, 8> covers;
    const auto coverWith = [&](const QObject* o) {
        if (!o->isWidgetType())
            return;
        const auto* w = static_cast<const QWidget*>(o);
        if (!w->isWindow() && w->isVisible() && w->geometry().intersects(clip))
            covers.append(w->geometry());
    };
    for (const QObject* child : widget->children()) // children are stacked above their parent
        coverWith(child);
    offset = {};
    const QWidget* w = widget;
    while (!w->isWindow()) {
        if (w->testAttribute(Qt::WA_NativeWindow) || w->graphicsEffect())
            return false; // painted through a window of its own
        const QWidget* parent = w->parentWidget();
        if (!parent)
            return false;
        const QPoint pos = w->pos();
        offset += pos;
        clip.translate(pos);
        for (QRect& cover : covers)
            cover.translate(pos);
        clip &= parent->rect();
        if (clip.isEmpty())
            break;
        // Siblings later in the parent's list are stacked above.
        const QObjectList& siblings = parent->children();
        for (auto it = std::find(siblings.begin(), siblings.end(), w) + 1; it < siblings.end();
             ++it)
            coverWith(*it);
        w = parent;
    }
    // What an ancestor cuts off is not on screen: it is painted when it comes into sight.
    region &= clip.translated(-offset);
    covered = {};
    for (const QRect& cover : covers) {
        const QRect under = cover.translated(-offset);
        if (region.intersects(under)) {
            covered += region & under;
            region -= under;
        }
    }
    return true;
}

void DirectRepaint::paintAll()
{
    std::vector<Request> requests;
    requests.swap(s_requests);
    bool usualWay = false;
    // Requests of one window are painted and flushed together; there is mostly one window.
    std::vector<Request> otherWindows;
    while (!requests.empty()) {
        QWidget* window = requests.front().widget ? requests.front().widget->window() : nullptr;
        const auto first = requests.begin();
        const auto last =
            std::partition(requests.begin(), requests.end(), [window](const Request& r) {
                return (r.widget ? r.widget->window() : nullptr) == window;
            });
        QBackingStore* store = window ? window->backingStore() : nullptr;
        QWindow* handle = window ? window->windowHandle() : nullptr;
        const bool direct = store && handle && handle->isExposed() &&
                            handle->surfaceType() == QSurface::RasterSurface &&
                            store->size() == window->size();
        std::vector<Part> parts;
        QRegion painted;
        for (auto r = first; r != last; ++r) {
            if (!r->widget)
                continue;
            QRegion sure = r->region;
            QRegion covered;
            QPoint offset;
            if (!direct || !inSight(r->widget, sure, covered, offset)) {
                r->widget->update(r->region);
                usualWay = true;
                continue;
            }
            if (!covered.isEmpty()) {
                r->widget->update(covered); // under something else: the usual way
                usualWay = true;
            }
            if (sure.isEmpty())
                continue;
            painted += sure.translated(offset);
            parts.push_back({&*r, std::move(sure), offset});
        }
        if (!parts.empty())
            paint(*store, *handle, parts, painted);
        otherWindows.assign(std::make_move_iterator(last), std::make_move_iterator(requests.end()));
        requests.swap(otherWindows);
    }
    // What went the usual way is painted now too. Only then: asking for posted events wakes the
    // event loop once more whenever any other event waits.
    if (usualWay)
        QCoreApplication::sendPostedEvents(nullptr, QEvent::UpdateRequest);
}

void DirectRepaint::paint(QBackingStore& store, QWindow& window, const std::vector<Part>& parts,
                          const QRegion& painted)
{
    store.beginPaint(painted);
    {
        QPainter painter(store.paintDevice());
        for (const Part& part : parts) {
            painter.setTransform(QTransform::fromTranslate(part.offset.x(), part.offset.y()));
            painter.setFont(part.request->widget->font());
            painter.setLayoutDirection(part.request->widget->layoutDirection());
            painter.setClipping(false);
            part.request->painter->paintDirectly(painter, part.region);
        }
    }
    store.endPaint();
    store.flush(painted, &window);
}
