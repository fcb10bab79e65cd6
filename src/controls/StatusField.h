#pragma once

#include <QLabel>

// A field of the status bar: a sunken frame with one line of plain text. Screen readers hear its
// caption and what it shows ("Link state: Connected").
class StatusField : public QLabel
{
public:
    StatusField(const QString& caption, QWidget* parent = nullptr);

    // Shows the text; a text equal to the one shown changes nothing. `spoken` is what a screen
    // reader hears after the caption when it differs from the text (a path shortened to fit).
    void showText(const QString& text, const QString& spoken = {});

private:
    QString m_caption;
};
