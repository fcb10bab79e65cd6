#pragma once

#include "web/HttpFront.h"
#include "web/LiveState.h"

#include <QHostAddress>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <functional>
#include <memory>
#include <vector>

class DisplayOptions;
class QWebSocket;
class Receiver;
class SerialPort;
class Session;
struct SharedState;

// The built-in web page and its live feed (docs/web-api.md): off until the user turns it on,
// on 127.0.0.1 unless the user chooses otherwise. Anywhere else every request needs the access
// token. The page follows the records through the receiver's signals, as the views do, and its
// remote control sends the views' own commands, only while the user allows it.
class WebAccess : public QObject
{
    Q_OBJECT
public:
    static constexpr quint16 DefaultPort = 8470;

    struct Config
    {
        bool enabled = false;
        QHostAddress address{QHostAddress::LocalHost};
        quint16 port = DefaultPort;
        bool allowControl = false;
    };

    struct Limits
    {
        int maxClients = 32;
        HttpFront::Limits http;
        qint64 maxMessageBytes = 4096;
        // A client with this much not yet taken is sent nothing more until it catches up, and
        // is dropped when it has not within slowCloseMs.
        qint64 slowBytes = 256 * 1024;
        int slowCloseMs = 10000;
        // A client is asked for a sign of life every pingMs and dropped after idleMs without one.
        int pingMs = 20000;
        int idleMs = 60000;
        // Changes are gathered and sent together, at most once a frame: the frame in which the
        // line is read while someone watches, so a change goes out with the burst that brought
        // it.
        int frameMs = 15;
        int messagesPerSecond = 20;
        int commandsPerSecond = 50;
    };

    WebAccess(SharedState& state, Receiver& receiver, Session& session, SerialPort& port,
              DisplayOptions& options, QObject* parent = nullptr);
    ~WebAccess() override;

    // The choice kept in the settings (section WebPage::Section).
    static Config storedConfig();
    // Applies the stored choice (at start-up).
    void startFromSettings();
    // Applies a choice and keeps it; false, with the reason, when the server cannot listen.
    bool apply(const Config& config, QString* error);
    // Turns the server on for this run only (--web), leaving the settings as they are.
    bool startForThisRun(const QHostAddress& address, quint16 port, QString* error);

    const Config& config() const { return m_config; }
    bool isListening() const;
    quint16 listeningPort() const;
    QString lastError() const { return m_lastError; }
    // Off the loopback every request needs the token.
    bool tokenRequired() const;
    QString token();
    // Replaces the token; clients that came in with the old one are sent away.
    void newToken();
    // The page's address, with the token when it needs one.
    QString link();
    int clientCount() const { return int(m_clients.size()); }

    // Tests make the limits small.
    void setLimits(const Limits& limits);

signals:
    // Listening, stopped, another token, a client came or went.
    void stateChanged();

private:
    struct Client;

    bool listen(const Config& config, QString* error);
    void stop();
    void feedArrived();
    void admit(std::unique_ptr<QWebSocket> socket, const WebProtocol::Request& request);
    void message(Client* client, const QString& text);
    void reply(Client* client, const QByteArray& json);
    void startFrame();
    void flush();
    void heartbeat();
    // Sends a client away; `now` only from outside its socket's signals.
    void drop(Client* client, bool abort, bool now = false);
    void firstClient();
    void request(const QByteArray& command);
    WebProtocol::Access access();
    WebProtocol::Reply answer(const WebProtocol::Request& request);

    SharedState& m_state;
    Receiver& m_receiver;
    Session& m_session;
    SerialPort& m_port;
    LiveState m_live;
    std::function<bool()> m_pageViewOpenBefore;
    Config m_config;
    Limits m_limits;
    QString m_lastError;
    QByteArray m_token;
    std::unique_ptr<HttpFront> m_front;
    std::vector<std::unique_ptr<Client>> m_clients;
    // Feeds refused and closing; gone within a second, or with the server.
    std::vector<QPointer<QWebSocket>> m_refused;
    QTimer m_frame;
    qint64 m_lastFlush = 0;
    QTimer m_heartbeat;
    // Commands sent in the current second, from every client.
    qint64 m_commandSecond = 0;
    int m_commandsThisSecond = 0;
};
