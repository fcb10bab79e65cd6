#include "controls/ViewFrame.h"

#include <QEvent>

ViewFrame::ViewFrame(QWidget* parent) : QMdiSubWindow(parent) {}

QRegion ViewFrame::frameRegion() const
{
    QRegion frame(rect());
    if (const QWidget* view = widget(); view && view->isVisible())
        frame -= view->geometry();
    return frame;
}

bool ViewFrame::event(QEvent* event)
{
    if (event->type() != QEvent::WindowTitleChange || !DirectRepaint::inBatch() ||
        !updatesEnabled() || !isVisible())
        return QMdiSubWindow::event(event);
    // The frame would ask for its title bar to be painted later; it is painted with the burst.
    setAttribute(Qt::WA_UpdatesDisabled, true);
    const bool handled = QMdiSubWindow::event(event);
    setAttribute(Qt::WA_UpdatesDisabled, false);
    DirectRepaint::request(this, this, frameRegion());
    return handled;
}

void ViewFrame::paintDirectly(QPainter& painter, const QRegion& region)
{
    render(&painter, QPoint(), region, DrawWindowBackground | DrawChildren);
}
