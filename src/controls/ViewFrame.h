#pragma once

#include "controls/DirectRepaint.h"

#include <QMdiSubWindow>

// The frame of a view inside the main window. A caption that the console's data changes many
// times a second (the show list names its show) is repainted with the burst that changed it, in
// the same flush as the grids, instead of one more turn of the event loop and a flush of its own.
class ViewFrame : public QMdiSubWindow, private DirectlyPainted
{
    Q_OBJECT
public:
    explicit ViewFrame(QWidget* parent = nullptr);

protected:
    bool event(QEvent* event) override;

private:
    void paintDirectly(QPainter& painter, const QRegion& region) override;
    // The frame around the view: title bar and borders.
    QRegion frameRegion() const;
};
