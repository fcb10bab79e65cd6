#pragma once

#include "link/SessionHost.h"

#include <QWidget>

class QTextBrowser;

// The program's help pages, compiled in. Links, Back, Forward and Contents all work from the
// keyboard: Tab moves between links, Enter follows one, Alt+Left and Alt+Right go back and
// forward, Alt+Home shows the contents, Escape closes the window.
class HelpWindow : public QWidget
{
    Q_OBJECT
public:
    enum class Topic
    {
        Contents,
        Connecting,
        Fixtures,
        ChannelEdit,
        Dimmers,
        Playbacks,
        Page,
        Scene,
        Show,
        Traffic
    };

    explicit HelpWindow(QWidget* parent = nullptr);
    QTextBrowser* browser() const { return m_browser; }

    void showTopic(Topic topic);
    // The page that explains this view.
    static Topic topicFor(SessionHost::View view);
    static QUrl url(Topic topic);

private:
    QTextBrowser* m_browser;
};
