#include "shell/WindowPlacement.h"

#include <QEvent>
#include <QMdiArea>
#include <QMdiSubWindow>

#include <algorithm>

namespace {

// Far beyond any screen, and small enough that no sum of two overflows.
constexpr qint64 kFar = 1 << 20;

bool isNormal(const QMdiSubWindow& frame)
{
    return !(frame.windowState() &
             (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen)) &&
           !frame.isShaded();
}

// Keeps a sub-window's geometry each time it changes while the window is neither minimized nor
// maximized, since the frame itself tells only the geometry it has now.
class NormalGeometryKeeper : public QObject
{
public:
    explicit NormalGeometryKeeper(QMdiSubWindow* frame) : QObject(frame), m_frame(frame)
    {
        frame->installEventFilter(this);
        note();
    }
    QRect normal() const { return m_normal; }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        switch (event->type()) {
        case QEvent::Move:
        case QEvent::Resize:
        case QEvent::Show:
        case QEvent::WindowStateChange:
            note();
            break;
        default:
            break;
        }
        return false;
    }

private:
    void note()
    {
        if (isNormal(*m_frame))
            m_normal = m_frame->geometry();
    }
    QMdiSubWindow* m_frame;
    QRect m_normal;
};

const NormalGeometryKeeper* keptBy(const QMdiSubWindow& frame)
{
    for (const QObject* child : frame.children())
        if (const auto* keeper = dynamic_cast<const NormalGeometryKeeper*>(child))
            return keeper;
    return nullptr;
}

void keepNormalGeometry(QMdiSubWindow& frame)
{
    if (!keptBy(frame))
        new NormalGeometryKeeper(&frame);
}

} // namespace

namespace WindowPlacement {

QSize minimumSize(const QWidget& window)
{
    return window.minimumSizeHint().expandedTo(QSize(200, 120));
}

QRect fitted(const QRect& wanted, const QRect& area, QSize minimum)
{
    QSize size = wanted.size().expandedTo(minimum);
    if (area.isEmpty())
        return QRect(wanted.topLeft(), size);
    size = size.boundedTo(area.size()).expandedTo(minimum);
    const int left = std::clamp(wanted.left(), area.left(),
                                std::max(area.left(), area.right() + 1 - size.width()));
    const int top = std::clamp(wanted.top(), area.top(),
                               std::max(area.top(), area.bottom() + 1 - size.height()));
    return QRect(QPoint(left, top), size);
}

QRect fromStored(qint64 left, qint64 top, qint64 width, qint64 height)
{
    const auto near = [](qint64 n) { return int(std::clamp(n, -kFar, kFar)); };
    return QRect(near(left), near(top), std::max(near(width), 0), std::max(near(height), 0));
}

QRect visibleArea(const QMdiSubWindow& frame)
{
    const QMdiArea* area = frame.mdiArea();
    if (!area || !area->isVisible())
        return {};
    return area->viewport()->rect();
}

void place(QMdiSubWindow& frame, const QRect& wanted)
{
    keepNormalGeometry(frame);
    frame.setGeometry(fitted(wanted, visibleArea(frame), minimumSize(frame)));
}

void showInSight(QMdiSubWindow& frame)
{
    keepNormalGeometry(frame);
    if (frame.isMinimized() || frame.isShaded())
        frame.showNormal();
    frame.show();
    if (!frame.isMaximized()) {
        const QRect inSight = fitted(frame.geometry(), visibleArea(frame), minimumSize(frame));
        if (inSight != frame.geometry())
            frame.setGeometry(inSight);
    }
    if (QMdiArea* area = frame.mdiArea())
        area->setActiveSubWindow(&frame);
}

QRect normalGeometry(const QMdiSubWindow& frame)
{
    if (isNormal(frame))
        return frame.geometry();
    const NormalGeometryKeeper* kept = keptBy(frame);
    return kept && kept->normal().isValid() ? kept->normal() : frame.geometry();
}

} // namespace WindowPlacement
