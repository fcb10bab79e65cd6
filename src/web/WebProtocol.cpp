#include "web/WebProtocol.h"

#include "link/Commands.h"

#include <QHostAddress>
#include <QJsonDocument>
#include <QJsonObject>
#include <QUrl>

#include <cmath>

namespace WebProtocol {

namespace {

// "name:port" split; "[v6]:port" keeps the address without its brackets. The port is 80 when
// none is given, and -1 when it is no number.
struct Authority
{
    QByteArray host;
    int port = 80;
};

Authority authorityOf(const QByteArray& hostHeader)
{
    Authority a;
    QByteArray h = hostHeader.trimmed().toLower();
    qsizetype colon = -1;
    if (h.startsWith('[')) {
        const qsizetype close = h.indexOf(']');
        if (close < 0)
            return {h, -1};
        a.host = h.mid(1, close - 1);
        if (close + 1 < h.size()) {
            if (h[close + 1] != ':')
                return {h, -1};
            colon = close + 1;
        }
    } else {
        colon = h.lastIndexOf(':');
        a.host = colon < 0 ? h : h.left(colon);
    }
    if (colon >= 0) {
        bool ok = false;
        const QByteArray digits = h.mid(colon + 1);
        a.port = digits.size() <= 5 ? digits.toInt(&ok) : 0;
        if (!ok || a.port <= 0 || a.port > 65535)
            a.port = -1;
    }
    return a;
}

bool isLoopbackName(const QByteArray& host)
{
    if (host == "localhost")
        return true;
    const QHostAddress address(QString::fromLatin1(host));
    return !address.isNull() && address.isLoopback();
}

std::optional<int> integerIn(const QJsonValue& v, int low, int high)
{
    if (!v.isDouble())
        return std::nullopt;
    const double d = v.toDouble();
    if (!(d >= low && d <= high) || d != std::floor(d))
        return std::nullopt;
    return int(d);
}

Reply text(int status, const char* body)
{
    return {status, "text/plain; charset=utf-8", QByteArray(body) + '\n'};
}

} // namespace

bool sameToken(const QByteArray& a, const QByteArray& b)
{
    if (a.size() != b.size() || a.isEmpty())
        return false;
    unsigned char diff = 0;
    for (qsizetype i = 0; i < a.size(); ++i)
        diff |= uchar(a[i] ^ b[i]);
    return diff == 0;
}

QByteArray tokenOf(const Request& request)
{
    const QByteArray auth = request.authorization.trimmed();
    if (auth.size() > 7 && auth.left(7).toLower() == "bearer ")
        return auth.mid(7).trimmed();
    for (const QByteArray& pair : request.query.split('&'))
        if (pair.startsWith("token="))
            return pair.mid(6);
    return {};
}

std::optional<int> refusal(const Request& request, const Access& access)
{
    if (access.tokenRequired)
        return sameToken(tokenOf(request), access.token) ? std::nullopt : std::optional(401);
    // HTTP/1.0 clients may send no name at all; a browser always does.
    if (!request.host.isEmpty() && !isLoopbackName(authorityOf(request.host).host))
        return 403;
    return std::nullopt;
}

Reply answer(const Request& request, const Access& access,
             const std::function<QByteArray(const char* path)>& resource,
             const std::function<QByteArray()>& state)
{
    if (const auto status = refusal(request, access))
        return *status == 401 ? text(401, "401 Unauthorized: this page needs its access token.")
                              : text(403, "403 Forbidden: use the address 127.0.0.1.");
    if (request.method != "GET")
        return text(405, "405 Method Not Allowed");
    const QByteArray& path = request.path;
    if (path == PagePath) {
        QByteArray page = resource(PagePath);
        // The page's own files are asked for with the token that let the page in.
        page.replace("{{query}}", access.tokenRequired ? "?token=" + access.token : QByteArray());
        return {200, "text/html; charset=utf-8", page};
    }
    if (path == ScriptPath)
        return {200, "text/javascript; charset=utf-8", resource(ScriptPath)};
    if (path == StylePath)
        return {200, "text/css; charset=utf-8", resource(StylePath)};
    if (path == StatePath)
        return {200, "application/json", state()};
    if (path == FeedPath)
        return text(426, "426 Upgrade Required: the live feed is a WebSocket.");
    return text(404, "404 Not Found");
}

std::optional<QString> feedRefusal(const Request& request, const Access& access)
{
    if (request.path != FeedPath)
        return QStringLiteral("no such feed");
    if (const auto status = refusal(request, access))
        return *status == 401 ? QStringLiteral("access token needed")
                              : QStringLiteral("use the address 127.0.0.1");
    if (request.origin.isEmpty())
        return std::nullopt; // not a browser
    const QUrl origin(QString::fromLatin1(request.origin));
    const Authority host = authorityOf(request.host);
    const bool web = origin.scheme() == QLatin1String("http");
    if (!web || host.port < 0 || origin.host().toLower().toLatin1() != host.host ||
        origin.port(80) != host.port)
        return QStringLiteral("origin not allowed");
    return std::nullopt;
}

std::variant<Command, QString> parseCommand(const QByteArray& message)
{
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(message, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return QStringLiteral("not a command");
    const QJsonObject o = document.object();
    const QString cmd = o.value(QLatin1String("cmd")).toString();
    Command c;
    if (cmd == QLatin1String("pageKind")) {
        const auto kind = integerIn(o.value(QLatin1String("kind")), 0, 5);
        if (!kind)
            return QStringLiteral("kind must be 0 to 5");
        c.kind = Command::PageKind;
        c.kindIndex = *kind;
    } else if (cmd == QLatin1String("pageDown")) {
        c.kind = Command::PageDown;
    } else if (cmd == QLatin1String("pageUp")) {
        c.kind = Command::PageUp;
    } else if (cmd == QLatin1String("pick")) {
        const auto entry = integerIn(o.value(QLatin1String("entry")), 1, 256);
        const QJsonValue add = o.value(QLatin1String("add"));
        if (!entry || !(add.isUndefined() || add.isBool()))
            return QStringLiteral("entry must be 1 to 256");
        c.kind = Command::EntryPick;
        c.entry = *entry;
        c.add = add.toBool(false);
    } else if (cmd == QLatin1String("channel")) {
        const auto fixture = integerIn(o.value(QLatin1String("fixture")), 1, 48);
        const auto channel = integerIn(o.value(QLatin1String("channel")), 1, 32);
        const auto value = integerIn(o.value(QLatin1String("value")), 0, 255);
        if (!fixture || !channel || !value)
            return QStringLiteral("fixture 1 to 48, channel 1 to 32, value 0 to 255");
        c.kind = Command::ChannelValue;
        c.fixture = *fixture;
        c.channel = *channel;
        c.value = *value;
    } else {
        return QStringLiteral("unknown command");
    }
    return c;
}

QByteArray bytesOf(const Command& c)
{
    switch (c.kind) {
    case Command::PageKind:
        return Commands::PageKind(quint8(c.kindIndex));
    case Command::PageDown:
        return Commands::PageDown();
    case Command::PageUp:
        return Commands::PageUp();
    case Command::EntryPick:
        return Commands::EntryPick(quint8(c.entry - 1), c.add);
    case Command::ChannelValue:
        return Commands::ChannelValue(quint8(c.fixture - 1), quint8(c.channel - 1),
                                      quint8(c.value));
    }
    return {};
}

QByteArray nameOf(Command::Kind kind)
{
    switch (kind) {
    case Command::PageKind:
        return "pageKind";
    case Command::PageDown:
        return "pageDown";
    case Command::PageUp:
        return "pageUp";
    case Command::EntryPick:
        return "pick";
    case Command::ChannelValue:
        return "channel";
    }
    return {};
}

} // namespace WebProtocol
