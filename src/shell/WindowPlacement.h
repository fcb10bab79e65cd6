#pragma once

#include <QRect>

class QMdiSubWindow;
class QWidget;

// Where restored windows go. Stored places and sizes may come from another screen, another
// version or a damaged file: what is shown is brought within the visible area, never smaller
// than a window the user can still grab and use.
namespace WindowPlacement {

// The smallest a restored window is made: its title bar with the buttons, and a few lines.
QSize minimumSize(const QWidget& window);

// `wanted` at no less than `minimum`, no larger than `area` (unless that is below the minimum),
// moved as little as needed to lie within `area`. An empty area leaves the place as it is.
QRect fitted(const QRect& wanted, const QRect& area, QSize minimum);

// A rectangle from stored numbers of any size, each kept within reach of a screen.
QRect fromStored(qint64 left, qint64 top, qint64 width, qint64 height);

// The part of its MDI area a sub-window can be seen in; empty while the area is not laid out.
QRect visibleArea(const QMdiSubWindow& frame);

// Sets the frame's geometry to `wanted`, brought within its MDI area.
void place(QMdiSubWindow& frame, const QRect& wanted);

// Shows the frame not minimized, within its MDI area, and makes it the active one.
void showInSight(QMdiSubWindow& frame);

// The frame's place and size as last seen neither minimized nor maximized: what is stored.
QRect normalGeometry(const QMdiSubWindow& frame);

} // namespace WindowPlacement
