#pragma once

#include <QUrl>
#include <QWidget>

class QTextBrowser;

// The program's help pages, compiled in. Links, Back, Forward and Contents all work from the
// keyboard: Tab moves between links, Enter follows one, Alt+Left and Alt+Right go back and
// forward, Alt+Home shows the contents, Escape closes the window.
class HelpWindow : public QWidget
{
    Q_OBJECT
public:
    // Pages that belong to no view; a view's page is named in the view registry.
    enum class Topic
    {
        Contents,
        Connecting,
        ChannelEdit,
    };

    explicit HelpWindow(QWidget* parent = nullptr);
    QTextBrowser* browser() const { return m_browser; }

    void showTopic(Topic topic) { showPage(url(topic)); }
    void showPage(const QUrl& page);
    static QUrl url(Topic topic);
    // A page of the help by its file name ("fixtures.html").
    static QUrl url(const char* page);

private:
    QTextBrowser* m_browser;
};
