#include "views/page/UpDown.h"

#include <QToolButton>

namespace {

QToolButton* stepButton(QWidget* parent, Qt::ArrowType arrow, const char* name,
                        const QString& accessibleName)
{
    auto* button = new QToolButton(parent);
    button->setObjectName(QLatin1String(name));
    button->setArrowType(arrow);
    button->setAccessibleName(accessibleName);
    button->setToolTip(accessibleName);
    return button;
}

} // namespace

UpDown::UpDown(QWidget* parent)
    : QWidget(parent), m_up(stepButton(this, Qt::UpArrow, "up", QStringLiteral("Page up"))),
      m_down(stepButton(this, Qt::DownArrow, "down", QStringLiteral("Page down")))
{
    connect(m_up, &QToolButton::clicked, this, &UpDown::upClick);
    connect(m_down, &QToolButton::clicked, this, &UpDown::downClick);
}

void UpDown::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    const int upper = height() / 2;
    m_up->setGeometry(0, 0, width(), upper);
    m_down->setGeometry(0, upper, width(), height() - upper);
}
