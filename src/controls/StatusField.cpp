#include "controls/StatusField.h"

StatusField::StatusField(QWidget* parent) : QLabel(parent)
{
    setTextFormat(Qt::PlainText);
    setFrameShape(QFrame::StyledPanel);
    setFrameShadow(QFrame::Sunken);
}

void StatusField::showText(const QString& text)
{
    if (text != this->text())
        setText(text);
}
