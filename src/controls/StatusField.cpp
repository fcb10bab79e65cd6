#include "controls/StatusField.h"

StatusField::StatusField(const QString& caption, QWidget* parent)
    : QLabel(parent), m_caption(caption)
{
    setTextFormat(Qt::PlainText);
    setFrameShape(QFrame::StyledPanel);
    setFrameShadow(QFrame::Sunken);
    setAccessibleName(caption);
}

void StatusField::showText(const QString& text, const QString& spoken)
{
    if (text == this->text() && spoken.isEmpty())
        return;
    setText(text);
    const QString heard = spoken.isEmpty() ? text : spoken;
    setAccessibleName(heard.isEmpty() ? m_caption : m_caption + QStringLiteral(": ") + heard);
}
