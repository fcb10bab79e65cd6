#include "controls/PickOnlyCombo.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>

namespace {

bool opensList(const QKeyEvent& key)
{
    const Qt::KeyboardModifiers mods = key.modifiers() & ~Qt::KeypadModifier;
    if (key.key() == Qt::Key_F4)
        return mods == Qt::NoModifier;
    return mods == Qt::AltModifier && (key.key() == Qt::Key_Down || key.key() == Qt::Key_Up);
}

} // namespace

PickOnlyCombo::PickOnlyCombo(QComboBox* combo) : QObject(combo), m_combo(combo) {}

void PickOnlyCombo::install(QComboBox* combo)
{
    auto* filter = new PickOnlyCombo(combo);
    combo->installEventFilter(filter);
    if (QLineEdit* edit = combo->lineEdit()) {
        // Nothing typed, pasted or dropped: the text field only shows.
        edit->setReadOnly(true);
        edit->installEventFilter(filter);
    }
}

bool PickOnlyCombo::eventFilter(QObject* /*watched*/, QEvent* event)
{
    switch (event->type()) {
    case QEvent::KeyPress: {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab)
            return false;
        // Qt would step the choice on Alt+Up; opening the list is all these keys do here.
        if (opensList(*key))
            m_combo->showPopup();
        return true;
    }
    case QEvent::Wheel:
    case QEvent::InputMethod:
        return true;
    default:
        return false;
    }
}
