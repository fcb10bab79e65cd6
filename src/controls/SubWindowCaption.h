#pragma once

#include "controls/DirectRepaint.h"

#include <QImage>
#include <QObject>

#include <vector>

class QMdiSubWindow;

// The caption of a view that sits in a sub-window. A caption changed while a burst from the
// console is handled (the show list names the show it lists, a few times a second while shows
// run) has the sub-window's title bar painted with the burst, in the same flush; the sub-window's
// own repaint would post a request, wake the program once more and flush the window again.
//
// The title bars painted so are kept, a few captions' worth: running shows come round again and
// again, and a kept bar is copied rather than painted by the style once more. Anything else that
// happens to the sub-window (it is activated, hovered, moved, restyled…) may change how its bar
// looks, and drops them.
class SubWindowCaption final : public QObject, public DirectlyPainted
{
    Q_OBJECT
public:
    // Gives `view` the title, which its sub-window (its parent, if any) shows.
    static void set(QWidget* view, const QString& title);

    void paintDirectly(QPainter& painter, const QRegion& region) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit SubWindowCaption(QMdiSubWindow* frame);

    struct KeptBar
    {
        QString title;
        QRect rect;
        QImage pixels;
    };
    static constexpr size_t kKeptBars = 4;

    QMdiSubWindow* m_frame;
    std::vector<KeptBar> m_kept; // newest last
    bool m_painting = false;
};
