#pragma once

#include <QListView>

class QStringListModel;

// A read-only multi-line text box for long texts that are replaced whole: it keeps the lines in
// a list and lays out and draws only the ones in sight, so even tens of thousands of lines show
// at once. Lines can be selected (click, Shift, Ctrl, Ctrl+A) and copied (Ctrl+C, context menu).
class LineTextBox : public QListView
{
    Q_OBJECT
public:
    explicit LineTextBox(QWidget* parent = nullptr);

    // Shows the text, its lines separated by CR LF; a last line end adds no empty line.
    void setText(const QString& text);
    QStringList lines() const;
    // The selected lines, in order, each ending with a line break, on the clipboard.
    void copySelection() const;
    // Draws the text in the disabled colour, for a text that no longer follows the console.
    void setDimmed(bool dimmed);
    bool dimmed() const;

private:
    QStringListModel* m_lines;
};
