#include "web/HttpFront.h"

#include <QAbstractHttpServer>
#include <QDateTime>
#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QTcpServer>
#include <QTcpSocket>
#include <QWebSocket>

namespace {

// The page's files come from the program itself: no other origin may script, style or frame it.
const QByteArray Policy = "default-src 'none'; script-src 'self'; style-src 'self'; "
                          "connect-src 'self'; img-src 'self' data:; base-uri 'none'; "
                          "form-action 'none'; frame-ancestors 'none'";

qint64 now()
{
    return QDateTime::currentMSecsSinceEpoch();
}

} // namespace

// Accepts the connections, at most so many at once, and keeps an eye on each until it becomes a
// WebSocket (which then looks after itself) or goes away.
class HttpListener : public QTcpServer
{
public:
    HttpListener(const HttpFront::Limits& limits, QObject* parent)
        : QTcpServer(parent), m_limits(limits)
    {
    }

    struct Connection
    {
        QPointer<QTcpSocket> socket;
        qint64 opened = 0;
        qint64 active = 0;
        bool feed = false;
        QPointer<QWebSocket> owner;
    };

    // A WebSocket now reads and writes the connection from this peer.
    void handedOver(QWebSocket* owner)
    {
        for (Connection& c : m_connections)
            if (c.socket && c.socket->peerPort() == owner->peerPort() &&
                c.socket->peerAddress() == owner->peerAddress()) {
                c.feed = true;
                c.owner = owner;
            }
    }

    void sweep(qint64 t)
    {
        std::erase_if(m_connections, [](const Connection& c) { return c.socket.isNull(); });
        for (Connection& c : m_connections) {
            if (c.feed) {
                // Left behind by a WebSocket that has gone.
                if (!c.owner) {
                    c.socket->abort();
                    c.socket->deleteLater();
                }
                continue;
            }
            if (c.socket->state() == QAbstractSocket::UnconnectedState)
                c.socket->deleteLater(); // gone in the middle of a request
            else if (t - c.active > m_limits.idleMs || t - c.opened > m_limits.lifeMs)
                c.socket->abort();
        }
    }

protected:
    void incomingConnection(qintptr descriptor) override
    {
        auto* socket = new QTcpSocket(this);
        if (!socket->setSocketDescriptor(descriptor)) {
            delete socket;
            return;
        }
        // Each change is a small message of its own, due the moment it is sent: with Nagle's
        // rule the kernel would hold one back until the one before is acknowledged, which a
        // receiver may delay by up to 40 ms.
        socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        std::erase_if(m_connections, [](const Connection& c) { return c.socket.isNull(); });
        if (int(m_connections.size()) >= m_limits.maxConnections) {
            socket->write("HTTP/1.1 503 Service Unavailable\r\nContent-Length: 0\r\n"
                          "Connection: close\r\n\r\n");
            socket->disconnectFromHost();
            // Closed within a second whether or not the peer reads.
            QTimer::singleShot(1000, socket, [socket] { socket->abort(); });
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            return;
        }
        // Qt's server keeps a request until it is whole: a larger one stops being read here.
        socket->setReadBufferSize(m_limits.maxRequestBytes);
        const qint64 t = now();
        m_connections.push_back({socket, t, t, false, {}});
        const auto touch = [this, socket] {
            for (Connection& c : m_connections)
                if (c.socket == socket)
                    c.active = now();
        };
        connect(socket, &QTcpSocket::readyRead, this, touch);
        connect(socket, &QTcpSocket::bytesWritten, this, touch);
        addPendingConnection(socket);
    }

private:
    HttpFront::Limits m_limits;
    std::vector<Connection> m_connections;
};

class HttpServer : public QAbstractHttpServer
{
public:
    explicit HttpServer(HttpFront::Answer answer) : m_answer(std::move(answer)) {}

protected:
    bool handleRequest(const QHttpServerRequest& request, QTcpSocket* socket) override
    {
        // Qt 6.4 shows the server a WebSocket's opening request too, and then upgrades it
        // whatever the answer: it gets none here.
        if (request.value("Upgrade").compare("websocket", Qt::CaseInsensitive) == 0)
            return true;
        WebProtocol::Request r;
        r.method = request.method() == QHttpServerRequest::Method::Get ? "GET" : "OTHER";
        r.path = request.url().path(QUrl::FullyEncoded).toLatin1();
        r.query = request.url().query(QUrl::FullyEncoded).toLatin1();
        r.host = request.value("Host");
        r.authorization = request.value("Authorization");
        r.origin = request.value("Origin");
        const WebProtocol::Reply reply = m_answer(r);
        const auto status = QHttpServerResponder::StatusCode(reply.status);
        QHttpServerResponder responder = makeResponder(request, socket);
        // No Access-Control-* header: no other site may read the answers.
        if (reply.status == 401)
            responder.write(reply.body,
                            {{"Content-Type", reply.contentType},
                             {"WWW-Authenticate", "Bearer realm=\"LV Monitor\""},
                             {"Cache-Control", "no-store"}},
                            status);
        else
            responder.write(reply.body,
                            {{"Content-Type", reply.contentType},
                             {"Cache-Control", "no-store"},
                             {"X-Content-Type-Options", "nosniff"},
                             {"X-Frame-Options", "DENY"},
                             {"Referrer-Policy", "no-referrer"},
                             {"Content-Security-Policy", Policy}},
                            status);
        return true;
    }
    void missingHandler(const QHttpServerRequest&, QTcpSocket*) override {}

private:
    HttpFront::Answer m_answer;
};

HttpFront::HttpFront(Answer answer, Limits limits, QObject* parent)
    : QObject(parent), m_answer(std::move(answer)), m_limits(limits)
{
    m_sweep.setInterval(1000);
    connect(&m_sweep, &QTimer::timeout, this, &HttpFront::sweep);
}

HttpFront::~HttpFront() = default;

bool HttpFront::listen(const QHostAddress& address, quint16 port, QString* error)
{
    close();
    auto server = std::make_unique<HttpServer>(m_answer);
    auto* listener = new HttpListener(m_limits, nullptr);
    if (!listener->listen(address, port)) {
        if (error)
            *error = listener->errorString();
        delete listener;
        return false;
    }
    server->bind(listener); // the server takes it
    connect(server.get(), &QAbstractHttpServer::newWebSocketConnection, this,
            &HttpFront::feedArrived);
    m_server = std::move(server);
    m_listener = listener;
    m_sweep.start();
    return true;
}

void HttpFront::close()
{
    m_sweep.stop();
    // The connections go with the listener, their parent.
    m_server.reset();
}

bool HttpFront::isListening() const
{
    return m_listener && m_listener->isListening();
}

quint16 HttpFront::port() const
{
    return m_listener ? m_listener->serverPort() : 0;
}

std::unique_ptr<QWebSocket> HttpFront::nextFeed(WebProtocol::Request* request)
{
    if (!m_server || !m_server->hasPendingWebSocketConnections())
        return nullptr;
    std::unique_ptr<QWebSocket> socket = m_server->nextPendingWebSocketConnection();
    if (!socket)
        return nullptr;
    if (m_listener)
        m_listener->handedOver(socket.get());
    const QNetworkRequest sent = socket->request();
    request->method = "GET";
    request->path = sent.url().path(QUrl::FullyEncoded).toLatin1();
    request->query = sent.url().query(QUrl::FullyEncoded).toLatin1();
    request->host = sent.rawHeader("Host");
    request->authorization = sent.rawHeader("Authorization");
    request->origin = socket->origin().toLatin1();
    return socket;
}

void HttpFront::sweep()
{
    if (m_listener)
        m_listener->sweep(now());
}
