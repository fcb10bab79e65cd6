#pragma once

#include <QObject>
#include <QString>

#include <memory>
#include <optional>

class DisplayOptions;
class QWidget;
class Receiver;
class SerialPort;
class Session;
struct SharedState;

// The built-in web page as the main window and the command line see it. The page itself, with
// Qt's network libraries under it, is a plugin (src/web) loaded on first need: a program whose
// web page is off never loads them.
class WebPage : public QObject
{
    Q_OBJECT
public:
    // The web page's settings section; its "Enabled" turns the page on at start-up.
    static constexpr const char* Section = "Web";

    struct ListenAddress
    {
        QString host; // numeric: 127.0.0.1 unless chosen, 0.0.0.0 for every interface
        quint16 port = 0;
    };
    // "[ADDRESS:]PORT" as --web takes it: ADDRESS an IPv4 or IPv6 address (IPv6 in brackets or
    // not), "localhost", or "*" for every interface.
    static std::optional<ListenAddress> parseListenAddress(const QString& text);

    // Whether the stored settings turn the page on at start-up, read without the plugin.
    static bool enabledInSettings();
    // Loads the plugin (once) and makes the page, which applies the stored settings; null with
    // what the user can do in `error` when the plugin cannot be loaded.
    static std::unique_ptr<WebPage> load(SharedState& state, Receiver& receiver, Session& session,
                                         SerialPort& port, DisplayOptions& options, QString* error);

    using QObject::QObject;

    // Turns the server on for this run only (--web), leaving the settings as they are; false,
    // with the reason, when it cannot listen.
    virtual bool startForThisRun(const ListenAddress& address, QString* error) = 0;
    // Connection -> Web Access...: the page's dialog, modal.
    virtual void showDialog(QWidget* parent) = 0;
    // How many watch the page now.
    virtual int clientCount() const = 0;

signals:
    // Listening, stopped, another token, a client came or went.
    void stateChanged();
};

// What the plugin's root object offers.
class WebPageFactory
{
public:
    virtual ~WebPageFactory() = default;
    // The page, with the stored settings applied.
    virtual std::unique_ptr<WebPage> create(SharedState& state, Receiver& receiver,
                                            Session& session, SerialPort& port,
                                            DisplayOptions& options) = 0;
};

#define LV_WEB_PAGE_FACTORY_IID "LVMonitor.WebPageFactory/1"
Q_DECLARE_INTERFACE(WebPageFactory, LV_WEB_PAGE_FACTORY_IID)
