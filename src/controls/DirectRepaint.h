#pragma once

#include <QPointer>
#include <QRegion>
#include <QWidget>

#include <vector>

class QBackingStore;
class QPainter;
class QWindow;

// A widget that can paint any part of itself with a painter it is handed, outside a paint event.
class DirectlyPainted
{
public:
    // Paints the region (in the widget's coordinates) with the painter, which draws in the
    // widget's coordinates and has the widget's font. The painter is not clipped: nothing may be
    // drawn outside the region.
    virtual void paintDirectly(QPainter& painter, const QRegion& region) = 0;

protected:
    ~DirectlyPainted() = default;
};

// Paints the console's changes to the grids straight into their window's backing store and shows
// them with one flush of the window, during a pass (Batch). The widgets' usual way, update(),
// posts a request and wakes the event loop once more, sends a paint event per widget with its own
// painter, and works out the clipping of every widget above and below again; at 60 bursts a
// second that cost more than the painting itself.
//
// Only what is certainly in sight is painted so: inside every ancestor, not under a sibling
// stacked above it or any ancestor, in a window of its own raster backing store that is on
// screen and no native child window between. What an ancestor cuts off is not painted at all: it
// is not on screen, and the widgets paint it as it comes into sight. Everything else, and every
// request outside a pass, goes the widgets' usual way, so nothing is painted wrongly; at worst it
// is painted later.
class DirectRepaint
{
public:
    // The pass in which requests are gathered; the end of the outermost paints them. Passes
    // nest.
    static void beginBatch();
    static void endBatch();
    class Batch
    {
    public:
        Batch() { beginBatch(); }
        ~Batch() { endBatch(); }
        Batch(const Batch&) = delete;
        Batch& operator=(const Batch&) = delete;
    };
    // Paints what was asked for so far, inside a pass too (an event loop of its own is about to
    // wait in it).
    static void paintPending();

    // Asks for the region of the widget (its coordinates) to be repainted by painter.
    static void request(QWidget* widget, DirectlyPainted* painter, const QRegion& region);

private:
    struct Request
    {
        QPointer<QWidget> widget;
        DirectlyPainted* painter;
        QRegion region;
    };
    // A request's part certainly in sight, and the widget's place in its window.
    struct Part
    {
        const Request* request;
        QRegion region;
        QPoint offset;
    };
    static void paintAll();
    // Paints the parts (all of one window) and shows them.
    static void paint(QBackingStore& store, QWindow& window, const std::vector<Part>& parts,
                      const QRegion& painted);
    // Cuts region (widget coordinates) down to the part certainly in sight, and gives the part
    // under other widgets and the widget's position in its window; false when the widget cannot
    // be painted directly at all. What ancestors cut off is left out of both.
    static bool inSight(const QWidget* widget, QRegion& region, QRegion& covered, QPoint& offset);

    static int s_batches;
    static std::vector<Request> s_requests;
};
