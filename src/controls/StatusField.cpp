#include "controls/StatusField.h"

#include <QPainter>
#include <QStyle>

StatusField::StatusField(QWidget* parent) : QLabel(parent)
{
    setTextFormat(Qt::PlainText);
    setFrameShape(QFrame::StyledPanel);
    setFrameShadow(QFrame::Sunken);
    // Painting its own background spares the status bar and the window beneath a repaint.
    setAutoFillBackground(true);
}

void StatusField::showText(const QString& text)
{
    if (text == this->text())
        return;
    // The label's own repaint is left out; the field asks for one that a burst paints itself.
    const bool updatesWereOn = !testAttribute(Qt::WA_UpdatesDisabled);
    setAttribute(Qt::WA_UpdatesDisabled, true);
    setText(text);
    setAttribute(Qt::WA_UpdatesDisabled, !updatesWereOn);
    if (updatesWereOn)
        DirectRepaint::request(this, this, rect());
}

void StatusField::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    paintField(painter);
}

void StatusField::paintDirectly(QPainter& painter, const QRegion&)
{
    // The whole field is asked for: the background the window would fill first, then the field.
    painter.fillRect(rect(), palette().brush(backgroundRole()));
    paintField(painter);
}

void StatusField::paintField(QPainter& painter)
{
    drawFrame(&painter);
    QRect room = contentsRect().adjusted(margin(), margin(), -margin(), -margin());
    // As a label keeps its text off a frame: half an x's width in from the side it is aligned to.
    const int inset =
        indent() >= 0 ? indent()
                      : (frameWidth() ? fontMetrics().horizontalAdvance(u'x') / 2 - margin() : 0);
    const Qt::LayoutDirection direction =
        text().isRightToLeft() ? Qt::RightToLeft : Qt::LeftToRight;
    const int align = int(QStyle::visualAlignment(direction, alignment()));
    if (inset > 0) {
        if (align & Qt::AlignLeft)
            room.setLeft(room.left() + inset);
        if (align & Qt::AlignRight)
            room.setRight(room.right() - inset);
        if (align & Qt::AlignTop)
            room.setTop(room.top() + inset);
        if (align & Qt::AlignBottom)
            room.setBottom(room.bottom() - inset);
    }
    const int flags = align | (direction == Qt::LeftToRight ? Qt::TextForceLeftToRight
                                                            : Qt::TextForceRightToLeft);
    style()->drawItemText(&painter, room, flags, palette(), isEnabled(), text(), foregroundRole());
}
