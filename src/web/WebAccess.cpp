#include "web/WebAccess.h"

#include "link/Commands.h"
#include "link/Receiver.h"
#include "link/SerialPort.h"
#include "link/Session.h"
#include "model/Settings.h"
#include "model/SharedState.h"
#include "shell/WebPage.h"
#include "web/WebJson.h"

#include <QDateTime>
#include <QFile>
#include <QNetworkInterface>
#include <QRandomGenerator>
#include <QWebSocket>

// The page's files are compiled into the plugin; a static library needs them named once.
static void initWebResources()
{
    Q_INIT_RESOURCE(web);
}

namespace {

const QString Section = QString::fromLatin1(WebPage::Section);
constexpr int TokenBytes = 16; // 128 bits

qint64 now()
{
    return QDateTime::currentMSecsSinceEpoch();
}

bool validToken(const QByteArray& token)
{
    if (token.size() < 2 * TokenBytes)
        return false;
    for (const char c : token)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')))
            return false;
    return true;
}

QByteArray makeToken()
{
    std::array<quint32, TokenBytes / 4> words{};
    QRandomGenerator::system()->fillRange(words.data(), qsizetype(words.size()));
    return QByteArray(reinterpret_cast<const char*>(words.data()), TokenBytes).toHex();
}

QByteArray pageFile(const char* path)
{
    const QString name = QString::fromLatin1(path) == QLatin1String("/")
                             ? QStringLiteral(":/web/index.html")
                             : QStringLiteral(":/web") + QString::fromLatin1(path);
    QFile file(name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

struct WebAccess::Client
{
    std::unique_ptr<QWebSocket> socket;
    LiveState::Items pending;
    qint64 pendingSince = 0;
    qint64 backedUpSince = -1;
    qint64 heard = 0;
    qint64 second = 0;
    int messagesThisSecond = 0;
};

WebAccess::WebAccess(SharedState& state, Receiver& receiver, Session& session, SerialPort& port,
                     DisplayOptions& options, QObject* parent)
    : QObject(parent), m_state(state), m_receiver(receiver), m_session(session), m_port(port),
      m_live(state, receiver, session, options)
{
    initWebResources();
    m_frame.setSingleShot(true);
    m_frame.setTimerType(Qt::PreciseTimer);
    connect(&m_frame, &QTimer::timeout, this, &WebAccess::flush);
    connect(&m_live, &LiveState::changed, this, [this] {
        if (m_clients.empty())
            m_live.takeChanges(); // nobody to tell; a snapshot reads the records anew
        else if (!m_frame.isActive())
            startFrame();
    });
    connect(&m_heartbeat, &QTimer::timeout, this, &WebAccess::heartbeat);
    // The console's page selection is followed by a request for its contents while the page
    // view is open, and also while someone watches the web page.
    m_pageViewOpenBefore = receiver.pageViewOpen;
    receiver.pageViewOpen = [this] {
        return (m_pageViewOpenBefore && m_pageViewOpenBefore()) || !m_clients.empty();
    };
    // As the views ask: a show that starts is listed, the faders of a page turned are asked for.
    connect(&receiver, &Receiver::showStarted, this,
            [this](const ConsolePayloads::ShowStarted& show) {
                if (!m_clients.empty())
                    request(Commands::ShowListRequest(show.number, show.page));
            });
    connect(&receiver, &Receiver::playbackPageChanged, this,
            [this](const ConsolePayloads::PlaybackPageChange& change) {
                if (m_clients.empty() || change.noFlexPage())
                    return;
                const int first = change.flex ? 8 : 0;
                for (int p = first; p < first + 8; ++p)
                    request(Commands::PlaybackRequest(quint8(p)));
            });
    connect(&session, &Session::linkStateChanged, this, [this] {
        if (m_session.linkState() == Session::LinkState::Connected && !m_clients.empty())
            firstClient();
    });
}

WebAccess::~WebAccess()
{
    stop();
    m_receiver.pageViewOpen = m_pageViewOpenBefore;
}

WebAccess::Config WebAccess::storedConfig()
{
    const Settings settings;
    Config c;
    c.enabled = settings.GetBool(Section, QStringLiteral("Enabled"), false);
    const QHostAddress address(settings.GetSetting(Section, QStringLiteral("Address")).trimmed());
    if (!address.isNull())
        c.address = address;
    bool ok = false;
    const int port = settings.GetSetting(Section, QStringLiteral("Port")).trimmed().toInt(&ok);
    if (ok && port > 0 && port <= 65535)
        c.port = quint16(port);
    c.allowControl = settings.GetBool(Section, QStringLiteral("AllowControl"), false);
    return c;
}

void WebAccess::startFromSettings()
{
    const Config c = storedConfig();
    m_config = c;
    m_live.setControlAllowed(c.allowControl);
    if (c.enabled)
        listen(c, &m_lastError);
    emit stateChanged();
}

bool WebAccess::apply(const Config& config, QString* error)
{
    Settings settings;
    settings.SaveBool(Section, QStringLiteral("Enabled"), config.enabled);
    settings.SaveSetting(Section, QStringLiteral("Address"), config.address.toString());
    settings.SaveSetting(Section, QStringLiteral("Port"), QString::number(config.port));
    settings.SaveBool(Section, QStringLiteral("AllowControl"), config.allowControl);
    const bool moved = config.enabled != m_config.enabled || config.address != m_config.address ||
                       config.port != m_config.port || !isListening();
    m_config = config;
    m_live.setControlAllowed(config.allowControl);
    bool ok = true;
    m_lastError.clear();
    if (!config.enabled)
        stop();
    else if (moved)
        ok = listen(config, &m_lastError);
    if (error)
        *error = m_lastError;
    emit stateChanged();
    return ok;
}

bool WebAccess::startForThisRun(const QHostAddress& address, quint16 port, QString* error)
{
    Config c = m_config;
    c.enabled = true;
    c.address = address;
    c.port = port;
    m_config = c;
    m_lastError.clear();
    const bool ok = listen(c, &m_lastError);
    if (error)
        *error = m_lastError;
    emit stateChanged();
    return ok;
}

void WebAccess::setLimits(const Limits& limits)
{
    m_limits = limits;
}

void WebAccess::startFrame()
{
    // A change after a quiet frame goes out as soon as the burst that brought it is handled;
    // then no sooner than a frame after the last.
    const qint64 since = now() - m_lastFlush;
    m_frame.start(int(std::clamp<qint64>(m_limits.frameMs - since, 0, m_limits.frameMs)));
}

bool WebAccess::isListening() const
{
    return m_front && m_front->isListening();
}

quint16 WebAccess::listeningPort() const
{
    return m_front ? m_front->port() : 0;
}

bool WebAccess::tokenRequired() const
{
    return !m_config.address.isLoopback();
}

QString WebAccess::token()
{
    if (!validToken(m_token)) {
        m_token = Settings().GetSetting(Section, QStringLiteral("Token")).trimmed().toLatin1();
        if (!validToken(m_token)) {
            m_token = makeToken();
            Settings().SaveSetting(Section, QStringLiteral("Token"), QString::fromLatin1(m_token));
        }
    }
    return QString::fromLatin1(m_token);
}

void WebAccess::newToken()
{
    m_token = makeToken();
    Settings().SaveSetting(Section, QStringLiteral("Token"), QString::fromLatin1(m_token));
    // Whoever came in with the old token has it no more.
    if (tokenRequired())
        while (!m_clients.empty())
            drop(m_clients.back().get(), false);
    emit stateChanged();
}

QString WebAccess::link()
{
    QString host = m_config.address.toString();
    if (m_config.address.isLoopback()) {
        host = QStringLiteral("127.0.0.1");
    } else if (m_config.address == QHostAddress(QHostAddress::AnyIPv4) ||
               m_config.address == QHostAddress(QHostAddress::Any)) {
        // An address others can reach this machine at.
        host.clear();
        for (const QHostAddress& a : QNetworkInterface::allAddresses())
            if (!a.isLoopback() && a.protocol() == QAbstractSocket::IPv4Protocol) {
                host = a.toString();
                break;
            }
        if (host.isEmpty())
            host = QStringLiteral("127.0.0.1");
    } else if (m_config.address.protocol() == QAbstractSocket::IPv6Protocol) {
        host = QLatin1Char('[') + host + QLatin1Char(']');
    }
    const quint16 port = isListening() ? listeningPort() : m_config.port;
    QString url = QStringLiteral("http://%1:%2/").arg(host).arg(port);
    if (tokenRequired())
        url += QStringLiteral("?token=") + token();
    return url;
}

WebProtocol::Access WebAccess::access()
{
    WebProtocol::Access a;
    a.tokenRequired = tokenRequired();
    if (a.tokenRequired)
        a.token = token().toLatin1();
    return a;
}

bool WebAccess::listen(const Config& config, QString* error)
{
    stop();
    if (tokenRequired())
        token(); // made now, so that the dialog and the server agree
    m_front = std::make_unique<HttpFront>(
        [this](const WebProtocol::Request& r) { return answer(r); }, m_limits.http);
    connect(m_front.get(), &HttpFront::feedArrived, this, &WebAccess::feedArrived);
    QString reason;
    if (!m_front->listen(config.address, config.port, &reason)) {
        m_front.reset();
        if (error)
            *error = QStringLiteral("The web page cannot listen on %1 port %2: %3")
                         .arg(config.address.toString())
                         .arg(config.port)
                         .arg(reason);
        return false;
    }
    m_heartbeat.start(m_limits.pingMs);
    return true;
}

void WebAccess::stop()
{
    m_frame.stop();
    m_heartbeat.stop();
    // The clients go before the server whose connections they use.
    while (!m_clients.empty())
        drop(m_clients.back().get(), true, true);
    for (const QPointer<QWebSocket>& s : m_refused)
        delete s.data();
    m_refused.clear();
    m_front.reset();
}

WebProtocol::Reply WebAccess::answer(const WebProtocol::Request& request)
{
    return WebProtocol::answer(request, access(), pageFile, [this] { return m_live.snapshot(); });
}

void WebAccess::feedArrived()
{
    WebProtocol::Request request;
    while (m_front)
        if (auto socket = m_front->nextFeed(&request))
            admit(std::move(socket), request);
        else
            break;
}

void WebAccess::admit(std::unique_ptr<QWebSocket> socket, const WebProtocol::Request& request)
{
    socket->setMaxAllowedIncomingFrameSize(quint64(m_limits.maxMessageBytes));
    socket->setMaxAllowedIncomingMessageSize(quint64(m_limits.maxMessageBytes));
    socket->setReadBufferSize(m_limits.http.maxRequestBytes);
    std::optional<QString> refused = WebProtocol::feedRefusal(request, access());
    if (!refused && clientCount() >= m_limits.maxClients)
        refused = QStringLiteral("too many clients");
    if (refused) {
        // Closed at once, and gone within a second whatever the peer does.
        QWebSocket* s = socket.release();
        std::erase_if(m_refused, [](const auto& r) { return r.isNull(); });
        m_refused.emplace_back(s);
        s->close(QWebSocketProtocol::CloseCodePolicyViolated, *refused);
        connect(s, &QWebSocket::disconnected, s, &QObject::deleteLater);
        QTimer::singleShot(1000, s, [s] {
            s->abort();
            s->deleteLater();
        });
        return;
    }
    auto client = std::make_unique<Client>();
    Client* c = client.get();
    c->socket = std::move(socket);
    c->heard = now();
    QWebSocket* s = c->socket.get();
    connect(s, &QWebSocket::textMessageReceived, this,
            [this, c](const QString& text) { message(c, text); });
    connect(s, &QWebSocket::binaryMessageReceived, this,
            [this, c] { reply(c, R"({"type":"refused","reason":"text messages only"})"); });
    connect(s, &QWebSocket::pong, this, [c] { c->heard = now(); });
    connect(s, &QWebSocket::disconnected, this, [this, c] { drop(c, false); });
    m_clients.push_back(std::move(client));
    s->sendTextMessage(QString::fromUtf8(m_live.snapshot()));
    if (m_clients.size() == 1)
        firstClient();
    emit stateChanged();
}

void WebAccess::firstClient()
{
    // What the page shows and no open view may have asked for: the console's page, the faders.
    request(Commands::CurrentPageRequest());
    for (int p = 0; p < SharedState::PlaybackCount; ++p)
        request(Commands::PlaybackRequest(quint8(p)));
}

void WebAccess::request(const QByteArray& command)
{
    if (m_port.PortOpen() && m_session.linkState() == Session::LinkState::Connected)
        m_port.Output(command);
}

void WebAccess::reply(Client* client, const QByteArray& json)
{
    client->socket->sendTextMessage(QString::fromUtf8(json));
}

void WebAccess::message(Client* client, const QString& text)
{
    client->heard = now();
    const qint64 second = client->heard / 1000;
    if (second != client->second) {
        client->second = second;
        client->messagesThisSecond = 0;
    }
    // Beyond its share a client's messages are dropped unread.
    if (++client->messagesThisSecond > m_limits.messagesPerSecond)
        return;
    const auto parsed = WebProtocol::parseCommand(text.toUtf8());
    const auto refuse = [&](const QString& reason) {
        reply(client, R"({"type":"refused","reason":)" + WebJson::string(reason) + '}');
    };
    if (const auto* error = std::get_if<QString>(&parsed))
        return refuse(*error);
    const auto& command = std::get<WebProtocol::Command>(parsed);
    if (!m_config.allowControl)
        return refuse(QStringLiteral("control from the web is off"));
    if (!m_port.PortOpen())
        return refuse(QStringLiteral("the serial port is closed"));
    if (command.kind == WebProtocol::Command::ChannelValue) {
        const Fixture& f = m_state.Fixtures[size_t(command.fixture - 1)];
        if (f.FixtType() == 0 || command.channel > f.FMaxCh())
            return refuse(QStringLiteral("no such channel"));
    }
    if (second != m_commandSecond) {
        m_commandSecond = second;
        m_commandsThisSecond = 0;
    }
    if (++m_commandsThisSecond > m_limits.commandsPerSecond)
        return refuse(QStringLiteral("too many commands"));
    // As the views send it: one write per command, only while the port is open.
    m_port.Output(WebProtocol::bytesOf(command));
    reply(client, R"({"type":"sent","cmd":")" + WebProtocol::nameOf(command.kind) + "\"}");
}

void WebAccess::flush()
{
    const qint64 since = m_live.changesSince();
    const LiveState::Items changes = m_live.takeChanges();
    const qint64 t = now();
    m_lastFlush = t;
    QString shared;
    bool waiting = false;
    std::vector<Client*> slow;
    for (const auto& client : m_clients) {
        Client* c = client.get();
        const bool caughtUp = c->pending.none();
        if (caughtUp)
            c->pendingSince = since;
        c->pending |= changes;
        if (c->pending.none())
            continue;
        // A client that does not take what it is sent gets nothing more until it does: what
        // changes meanwhile waits as a set of items, never as a queue of messages.
        if (c->socket->bytesToWrite() > m_limits.slowBytes) {
            if (c->backedUpSince < 0)
                c->backedUpSince = t;
            else if (t - c->backedUpSince > m_limits.slowCloseMs)
                slow.push_back(c);
            waiting = true;
            continue;
        }
        c->backedUpSince = -1;
        if (caughtUp) {
            if (shared.isEmpty())
                shared = QString::fromUtf8(m_live.changeMessage(changes, since));
            c->socket->sendTextMessage(shared);
        } else {
            c->socket->sendTextMessage(
                QString::fromUtf8(m_live.changeMessage(c->pending, c->pendingSince)));
        }
        c->pending.clear();
        // Handed to the kernel now, rather than on a wake-up of its own for each client.
        c->socket->flush();
    }
    for (Client* c : slow)
        drop(c, true);
    if (waiting && !m_frame.isActive())
        startFrame();
}

void WebAccess::heartbeat()
{
    const qint64 t = now();
    std::vector<Client*> quiet;
    for (const auto& client : m_clients)
        if (t - client->heard > m_limits.idleMs)
            quiet.push_back(client.get());
        else
            client->socket->ping();
    for (Client* c : quiet)
        drop(c, true);
    // One that stopped reading is looked at even while nothing changes.
    if (!m_clients.empty() && !m_frame.isActive())
        startFrame();
}

void WebAccess::drop(Client* client, bool abort, bool now)
{
    const auto it = std::find_if(m_clients.begin(), m_clients.end(),
                                 [client](const auto& c) { return c.get() == client; });
    if (it == m_clients.end())
        return;
    QWebSocket* s = (*it)->socket.release();
    m_clients.erase(it);
    s->disconnect(this);
    if (abort)
        s->abort();
    else if (s->state() == QAbstractSocket::ConnectedState)
        s->close(QWebSocketProtocol::CloseCodePolicyViolated, QStringLiteral("token replaced"));
    if (now)
        delete s;
    else
        s->deleteLater(); // not in the middle of its own signal

    emit stateChanged();
}
