#pragma once

#include "controls/DirectRepaint.h"

#include <QLabel>

// A field of the status bar: a sunken frame with one line of plain text. A text set while a
// burst from the console is handled (the message count) is painted with the burst's changes, in
// the same flush; a label's own repaint would post a request, wake the program once more and
// flush the window again, a few times a second while the console talks.
class StatusField : public QLabel, public DirectlyPainted
{
public:
    explicit StatusField(QWidget* parent = nullptr);

    // Shows the text; a text equal to the one shown changes nothing.
    void showText(const QString& text);

protected:
    void paintEvent(QPaintEvent* event) override;
    void paintDirectly(QPainter& painter, const QRegion& region) override;

private:
    // The frame and the text, the same whichever way the field is painted.
    void paintField(QPainter& painter);
};
