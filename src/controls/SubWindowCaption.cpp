#include "controls/SubWindowCaption.h"

#include <QEvent>
#include <QMdiSubWindow>
#include <QPainter>
#include <QScopedValueRollback>

#include <algorithm>

SubWindowCaption::SubWindowCaption(QMdiSubWindow* frame) : QObject(frame), m_frame(frame)
{
    frame->installEventFilter(this);
}

void SubWindowCaption::set(QWidget* view, const QString& title)
{
    auto* frame = qobject_cast<QMdiSubWindow*>(view->parentWidget());
    if (!frame || !frame->isVisible() || !frame->updatesEnabled() || view->windowTitle() == title) {
        view->setWindowTitle(title);
        return;
    }
    auto* caption = frame->findChild<SubWindowCaption*>(QString(), Qt::FindDirectChildrenOnly);
    if (!caption)
        caption = new SubWindowCaption(frame);
    // The sub-window copies the title and repaints its title bar the usual way; that repaint is
    // left out and asked for here instead.
    frame->setAttribute(Qt::WA_UpdatesDisabled, true);
    view->setWindowTitle(title);
    frame->setAttribute(Qt::WA_UpdatesDisabled, false);
    // The title bar with the border above it: all of the sub-window above the view.
    DirectRepaint::request(frame, caption, QRect(0, 0, frame->width(), view->y()));
}

bool SubWindowCaption::eventFilter(QObject* watched, QEvent* event)
{
    // The title changing is what the kept bars are for, and painting one changes none; anything
    // else may change the bar's look.
    if (watched == m_frame && !m_painting && event->type() != QEvent::WindowTitleChange)
        m_kept.clear();
    return false;
}

void SubWindowCaption::paintDirectly(QPainter& painter, const QRegion& region)
{
    const QRect rect = region.boundingRect();
    const QString title = m_frame->windowTitle();
    auto* store = dynamic_cast<QImage*>(painter.device());
    const QRect inStore = painter.deviceTransform().mapRect(rect);
    // Kept only for a bar whose part in sight is one rectangle: around a window lying over a
    // corner of the bar, the copy would hold what that window showed at the time.
    if (!store || region.rectCount() != 1 ||
        painter.deviceTransform().type() > QTransform::TxScale ||
        !store->rect().contains(inStore)) {
        m_frame->render(&painter, rect.topLeft(), region, QWidget::DrawWindowBackground);
        return;
    }
    const auto kept = std::find_if(m_kept.begin(), m_kept.end(), [&](const KeptBar& bar) {
        return bar.title == title && bar.rect == rect && bar.pixels.format() == store->format() &&
               bar.pixels.devicePixelRatio() == store->devicePixelRatio();
    });
    if (kept == m_kept.end()) {
        // The sub-window's own painting, of the title bar alone (the view below is not touched),
        // on what the window shows there now, exactly as if it were painted in place.
        QImage pixels = store->copy(inStore);
        pixels.setDevicePixelRatio(store->devicePixelRatio());
        {
            const QScopedValueRollback painting(m_painting, true);
            QPainter onPixels(&pixels);
            onPixels.setFont(painter.font());
            m_frame->render(&onPixels, QPoint(), region, QWidget::DrawWindowBackground);
        }
        if (m_kept.size() >= kKeptBars)
            m_kept.erase(m_kept.begin());
        m_kept.push_back({title, rect, std::move(pixels)});
    } else if (kept + 1 != m_kept.end()) {
        std::rotate(kept, kept + 1, m_kept.end());
    }
    painter.save();
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(rect.topLeft(), m_kept.back().pixels);
    painter.restore();
}
