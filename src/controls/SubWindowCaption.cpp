#include "controls/SubWindowCaption.h"

#include <QMdiSubWindow>
#include <QPainter>

SubWindowCaption::SubWindowCaption(QMdiSubWindow* frame) : QObject(frame), m_frame(frame) {}

void SubWindowCaption::set(QWidget* view, const QString& title)
{
    auto* frame = qobject_cast<QMdiSubWindow*>(view->parentWidget());
    if (!frame || !frame->isVisible() || !frame->updatesEnabled() || view->windowTitle() == title) {
        view->setWindowTitle(title);
        return;
    }
    // The sub-window copies the title and repaints its title bar the usual way; that repaint is
    // left out and asked for here instead.
    frame->setAttribute(Qt::WA_UpdatesDisabled, true);
    view->setWindowTitle(title);
    frame->setAttribute(Qt::WA_UpdatesDisabled, false);
    auto* caption = frame->findChild<SubWindowCaption*>(QString(), Qt::FindDirectChildrenOnly);
    if (!caption)
        caption = new SubWindowCaption(frame);
    // The title bar with the border above it: all of the sub-window above the view.
    DirectRepaint::request(frame, caption, QRect(0, 0, frame->width(), view->y()));
}

void SubWindowCaption::paintDirectly(QPainter& painter, const QRegion& region)
{
    // The sub-window's own painting, of the title bar alone: the view below is not touched.
    m_frame->render(&painter, region.boundingRect().topLeft(), region,
                    QWidget::DrawWindowBackground);
}
