#pragma once

#include <QEvent>
#include <QObject>

// Counts the events of one type that the objects it filters receive: UpdateRequest for a
// window's repaints posted for later, SockAct for the wake-ups of socket notifiers.
class EventCounter : public QObject
{
public:
    explicit EventCounter(QEvent::Type type) : m_type(type) {}
    int count = 0;
    bool eventFilter(QObject*, QEvent* event) override
    {
        count += event->type() == m_type;
        return false;
    }

private:
    QEvent::Type m_type;
};
