#pragma once

#include "shell/MonitorView.h"

class LineTextBox;
class QPushButton;

// The "Scene Event List" window: the console's scene buffer as text, one line per event. It asks
// for the buffer when it opens and on "Refresh"; each answer replaces the whole text.
class frmScene : public MonitorView
{
    Q_OBJECT
public:
    static constexpr int DefaultWidthTwips = 6000;
    static constexpr int DefaultHeightTwips = 6000;

    explicit frmScene(const ViewContext& context, QWidget* parent = nullptr);

    void Display_Events(const QByteArray& Events);

    // The list as rendered, lines ending in CR LF; the text box shows it line by line.
    QString Text() const { return m_text; }

protected:
    void Form_Load() override;

private:
    void cmdRefresh_Click();

    QPushButton* cmdRefresh;
    LineTextBox* txtScene;
    QString m_text;
};
