#pragma once

#include "web/WebProtocol.h"

#include <QHostAddress>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <functional>
#include <memory>
#include <vector>

class QTcpSocket;
class QWebSocket;
class HttpListener;
class HttpServer;

// The one place that speaks to Qt's HTTP server, a technical preview in Qt 6.4: it listens,
// answers plain requests through WebProtocol and hands upgraded WebSockets on. It keeps the
// connections bounded: at most `maxConnections` at once (more are answered 503 and closed), a
// request no larger than `maxRequestBytes` (a larger one stalls and times out), and a connection
// quiet for `idleMs`, or open for `lifeMs`, is closed. A newer Qt changes this file only.
class HttpFront : public QObject
{
    Q_OBJECT
public:
    struct Limits
    {
        int maxConnections = 64;
        qint64 maxRequestBytes = 16 * 1024;
        int idleMs = 15000;
        int lifeMs = 120000;
    };
    using Answer = std::function<WebProtocol::Reply(const WebProtocol::Request&)>;

    HttpFront(Answer answer, Limits limits, QObject* parent = nullptr);
    ~HttpFront() override;

    bool listen(const QHostAddress& address, quint16 port, QString* error);
    void close();
    bool isListening() const;
    quint16 port() const;
    // The next WebSocket that came through, with its request as sent; null when none waits.
    std::unique_ptr<QWebSocket> nextFeed(WebProtocol::Request* request);

signals:
    void feedArrived();

private:
    void sweep();

    Answer m_answer;
    Limits m_limits;
    std::unique_ptr<HttpServer> m_server;
    QPointer<HttpListener> m_listener;
    QTimer m_sweep;
};
