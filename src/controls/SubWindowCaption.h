#pragma once

#include "controls/DirectRepaint.h"

#include <QObject>

class QMdiSubWindow;

// The caption of a view that sits in a sub-window. A caption changed while a burst from the
// console is handled (the show list names the show it lists, a few times a second while shows
// run) has the sub-window's title bar painted with the burst, in the same flush; the sub-window's
// own repaint would post a request, wake the program once more and flush the window again.
class SubWindowCaption final : public QObject, public DirectlyPainted
{
    Q_OBJECT
public:
    // Gives `view` the title, which its sub-window (its parent, if any) shows.
    static void set(QWidget* view, const QString& title);

    void paintDirectly(QPainter& painter, const QRegion& region) override;

private:
    explicit SubWindowCaption(QMdiSubWindow* frame);
    QMdiSubWindow* m_frame;
};
