// The web page's plugin, loaded by the program on first need (shell/WebPage). It holds the web
// page and its dialog; the program's own classes come from the program itself.

#include "shell/WebPage.h"
#include "web/WebAccess.h"
#include "web/WebAccessDialog.h"

#include <QHostAddress>

namespace {

class WebAccessPage final : public WebPage
{
public:
    WebAccessPage(SharedState& state, Receiver& receiver, Session& session, SerialPort& port,
                  DisplayOptions& options)
        : m_web(state, receiver, session, port, options)
    {
        connect(&m_web, &WebAccess::stateChanged, this, &WebPage::stateChanged);
        m_web.startFromSettings();
    }

    bool startForThisRun(const ListenAddress& address, QString* error) override
    {
        return m_web.startForThisRun(QHostAddress(address.host), address.port, error);
    }
    void showDialog(QWidget* parent) override
    {
        WebAccessDialog dialog(m_web, parent);
        dialog.exec();
    }
    int clientCount() const override { return m_web.clientCount(); }

private:
    WebAccess m_web;
};

} // namespace

class WebPagePlugin : public QObject, public WebPageFactory
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID LV_WEB_PAGE_FACTORY_IID)
    Q_INTERFACES(WebPageFactory)
public:
    std::unique_ptr<WebPage> create(SharedState& state, Receiver& receiver, Session& session,
                                    SerialPort& port, DisplayOptions& options) override
    {
        return std::make_unique<WebAccessPage>(state, receiver, session, port, options);
    }
};

#include "WebPagePlugin.moc"
