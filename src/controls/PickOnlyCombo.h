#pragma once

#include <QObject>

class QComboBox;

// Keeps a combo box's choice from being stepped by typing, arrow keys or the mouse wheel, so that
// nothing is chosen (and sent to the console) by accident. F4, Alt+Down and Alt+Up open the list,
// where the arrow keys and Enter choose as the mouse does; Tab moves on.
class PickOnlyCombo : public QObject
{
    Q_OBJECT
public:
    // Filters the combo box (and its text field, if it has one) for as long as it lives.
    static void install(QComboBox* combo);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit PickOnlyCombo(QComboBox* combo);
    QComboBox* m_combo;
};
