#pragma once

#include <QLabel>

// A field of the status bar: a sunken frame with one line of plain text. A plain label, so that
// screen readers read its text.
class StatusField : public QLabel
{
public:
    explicit StatusField(QWidget* parent = nullptr);

    // Shows the text; a text equal to the one shown changes nothing.
    void showText(const QString& text);
};
