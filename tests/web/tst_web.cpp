// The web page's server against clients on 127.0.0.1, fed by the fake serial line: what the live
// feed says, who is let in, what the remote control writes, and the limits.

#include "Payloads.h"
#include "ViewHarness.h"
#include "link/Commands.h"
#include "web/WebAccess.h"
#include "web/WebAccessDialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QWebSocket>

using namespace Payloads;

namespace {

// The program's receive side and the web page, on a fake line that is open and linked.
struct Rig : ViewHarness
{
    WebAccess web{state, rx, session, port, options};

    explicit Rig(bool openNetwork = false, WebAccess::Limits limits = {})
    {
        listen();
        web.setLimits(limits);
        web.startForThisRun(
            QHostAddress(openNetwork ? QHostAddress::AnyIPv4 : QHostAddress::LocalHost), 0,
            nullptr);
    }
    QString base() const { return QStringLiteral("127.0.0.1:%1").arg(web.listeningPort()); }
    // A fixture on address 1 with Pan (named by its profile), Tilt and Dim; a dimmer on 300.
    void loadRig()
    {
        feed(message(7, profile(5, {{{10, 0, 127, "Open"}, {200, 128, 255, "Closed"}}})));
        FixtureLayout spot;
        spot.profile = 5;
        feed(message(4, fixture(spot)));
        feed(message(17, dimmer(9, true, 300, "Par", 128)));
    }
};

// A WebSocket client that keeps every message.
struct Client
{
    QWebSocket socket;
    QList<QJsonObject> messages;

    explicit Client(const QString& url, const QString& origin = {}) : socket(origin)
    {
        QObject::connect(&socket, &QWebSocket::textMessageReceived, [this](const QString& t) {
            messages << QJsonDocument::fromJson(t.toUtf8()).object();
        });
        socket.open(QUrl(url));
    }
    bool waitFor(int count)
    {
        return QTest::qWaitFor([&] { return messages.size() >= count; });
    }
    bool waitClosed()
    {
        return QTest::qWaitFor([&] { return socket.state() == QAbstractSocket::UnconnectedState; });
    }
};

// One request as sent on the wire; the whole answer as it came.
QByteArray rawRequest(quint16 port, const QByteArray& head)
{
    QTcpSocket s;
    s.connectToHost(QHostAddress::LocalHost, port);
    if (!s.waitForConnected(2000))
        return {};
    s.write(head + "\r\n");
    QByteArray answer;
    const auto whole = [&] {
        answer += s.readAll();
        const qsizetype body = answer.indexOf("\r\n\r\n");
        const qsizetype length = answer.indexOf("Content-Length: ");
        return body > 0 && length > 0 &&
               answer.size() >= body + 4 + answer.mid(length + 16, 8).split('\r')[0].toInt();
    };
    return QTest::qWaitFor(whole, 3000) ? answer : QByteArray();
}

QJsonObject at(const QJsonValue& array, int i)
{
    return array.toArray().at(i).toObject();
}

QJsonObject channelOf(const QJsonObject& fixture, int c)
{
    return at(fixture[QLatin1String("channels")], c - 1);
}

} // namespace

class tst_Web : public QObject
{
    Q_OBJECT
private slots:
    void valuesFollowTheConsole_data();
    void valuesFollowTheConsole();
    void changesOfAFrameGoTogether();
    void pageAndShow();
    void requestsNeedTheirAccess_data();
    void requestsNeedTheirAccess();
    void feedNeedsItsAccess_data();
    void feedNeedsItsAccess();
    void controlWritesTheViewsBytes_data();
    void controlWritesTheViewsBytes();
    void limits();
    void slowReaderIsDroppedOthersGoOn();
    void dialogOpensItToTheNetworkWithItsToken();
};

void tst_Web::valuesFollowTheConsole_data()
{
    QTest::addColumn<bool>("percent");
    QTest::addColumn<int>("channel");
    QTest::addColumn<int>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("level") << false << 3 << 200 << "200";
    QTest::newRow("level in percent") << true << 3 << 200 << "78%";
    QTest::newRow("named value") << false << 1 << 10 << "10 Open";
    QTest::newRow("named value keeps its number") << true << 1 << 200 << "200 Closed";
}

// The snapshot holds the records; a value the console sends comes as that channel's change.
void tst_Web::valuesFollowTheConsole()
{
    QFETCH(bool, percent);
    QFETCH(int, channel);
    QFETCH(int, value);
    QFETCH(QString, text);
    Rig rig;
    rig.loadRig();
    rig.options.setValuesInPercent(percent);
    Client client(QStringLiteral("ws://%1/live").arg(rig.base()));
    QVERIFY(client.waitFor(1));
    const QJsonObject snapshot = client.messages[0];
    QCOMPARE(snapshot["type"].toString(), "snapshot");
    const QJsonObject spot = at(snapshot["fixtures"], 0);
    QCOMPARE(spot["name"].toString(), "Spot");
    QCOMPARE(channelOf(spot, 2)["name"].toString(), "Tilt");
    const QJsonObject par = at(snapshot["dimmers"], 0);
    QCOMPARE(par["n"].toInt(), 10);
    QCOMPARE(par["percent"].toString(), "50%");

    rig.feed(message(8, bytes({0, channel - 1, value})));
    QVERIFY(client.waitFor(2));
    const QJsonObject change = client.messages[1];
    QCOMPARE(change.keys(), QStringList({"channels", "since", "type"}));
    const QJsonObject ch = at(change["channels"], 0);
    QCOMPARE(ch["c"].toInt(), channel);
    QCOMPARE(ch["value"].toInt(), value);
    QCOMPARE(ch["text"].toString(), text);
    QVERIFY(ch["confirmed"].toBool());
}

// A burst of values within one frame reaches a client as one message with the last of each.
void tst_Web::changesOfAFrameGoTogether()
{
    Rig rig;
    rig.loadRig();
    Client client(QStringLiteral("ws://%1/live").arg(rig.base()));
    QVERIFY(client.waitFor(1));
    QByteArray burst;
    for (int v = 0; v <= 100; ++v)
        burst += dmxLevel(3, v) + dmxLevel(300, 100 - v);
    rig.feed(burst);
    QVERIFY(client.waitFor(2));
    QTest::qWait(150);
    QCOMPARE(client.messages.size(), 2);
    const QJsonObject change = client.messages[1];
    QCOMPARE(change["channels"].toArray().size(), 1);
    QCOMPARE(at(change["channels"], 0)["value"].toInt(), 100);
    QCOMPARE(at(change["dimmers"], 0)["level"].toInt(), 0);
}

void tst_Web::pageAndShow()
{
    Rig rig;
    Client client(QStringLiteral("ws://%1/live").arg(rig.base()));
    QVERIFY(client.waitFor(1));
    rig.feed(message(3, bytes({0, 1, 0xFF, 2, 4}) + "Red Blue"));
    rig.feed(message(22, showList(2, 0, "Intro", {{0, 0, "Open"}, {4, 1, "Blackout"}})));
    rig.feed(message(24, bytes({2, 0, 1})));
    QVERIFY(QTest::qWaitFor([&] { return client.messages.last()["marker"].toInt() == 2; }));
    QJsonObject page, show;
    for (const QJsonObject& m : client.messages) {
        if (m.contains("page"))
            page = m["page"].toObject();
        if (m.contains("show"))
            show = m["show"].toObject();
    }
    QCOMPARE(page["caption"].toString(), "Scene Page 2");
    QCOMPARE(at(page["entries"], 1)["name"].toString(), "Blue");
    QCOMPARE(show["caption"].toString(), "Show List - Intro");
    QCOMPARE(at(show["steps"], 1)["text"].toString(), "Scn. 5 Pg. 2  Blackout");
}

void tst_Web::requestsNeedTheirAccess_data()
{
    QTest::addColumn<bool>("openNetwork");
    QTest::addColumn<QByteArray>("head"); // {T} stands for the right token
    QTest::addColumn<int>("status");
    const QByteArray get = "GET ";
    const QByteArray host = " HTTP/1.1\r\nHost: 127.0.0.1\r\n";
    QTest::newRow("no token") << true << get + "/" + host << 401;
    QTest::newRow("wrong token") << true << get + "/?token=00112233445566778899aabbccddeeff" + host
                                 << 401;
    QTest::newRow("wrong bearer") << true
                                  << get + "/api/state" + host + "Authorization: Bearer x\r\n"
                                  << 401;
    QTest::newRow("token") << true << get + "/?token={T}" + host << 200;
    QTest::newRow("bearer") << true << get + "/api/state" + host + "Authorization: Bearer {T}\r\n"
                            << 200;
    QTest::newRow("script") << true << get + "/app.js?token={T}" + host << 200;
    QTest::newRow("dot dot") << true << get + "/../etc/passwd?token={T}" + host << 404;
    QTest::newRow("encoded dots") << true << get + "/%2e%2e/%2E%2E/etc/passwd?token={T}" + host
                                  << 404;
    QTest::newRow("encoded slash") << true << get + "/..%2fweb%2fapp.js?token={T}" + host << 404;
    QTest::newRow("other file") << true << get + "/index.html?token={T}" + host << 404;
    QTest::newRow("post") << true << "POST /api/state?token={T}" + host + "Content-Length: 0\r\n"
                          << 405;
    QTest::newRow("loopback") << false << get + "/" + host << 200;
    QTest::newRow("a foreign name for this machine")
        << false << get + "/api/state HTTP/1.1\r\nHost: attacker.example:80\r\n"
        << 403;
}

void tst_Web::requestsNeedTheirAccess()
{
    QFETCH(bool, openNetwork);
    QFETCH(QByteArray, head);
    QFETCH(int, status);
    Rig rig(openNetwork);
    const QByteArray answer =
        rawRequest(rig.web.listeningPort(), head.replace("{T}", rig.web.token().toLatin1()));
    QCOMPARE(answer.left(12), "HTTP/1.1 " + QByteArray::number(status));
    QVERIFY(!answer.contains("Access-Control"));
    if (status == 200 && head.startsWith("GET /?"))
        QVERIFY(answer.contains("app.js?token=" + rig.web.token().toLatin1()));
}

void tst_Web::feedNeedsItsAccess_data()
{
    QTest::addColumn<QString>("query");  // {T}: the right token
    QTest::addColumn<QString>("origin"); // {H}: the page's own host
    QTest::addColumn<bool>("admitted");
    QTest::newRow("no token") << ""
                              << "" << false;
    QTest::newRow("token") << "?token={T}"
                           << "" << true;
    QTest::newRow("token, page's origin") << "?token={T}"
                                          << "http://{H}" << true;
    QTest::newRow("token, other site") << "?token={T}"
                                       << "http://attacker.example" << false;
}

void tst_Web::feedNeedsItsAccess()
{
    QFETCH(QString, query);
    QFETCH(QString, origin);
    QFETCH(bool, admitted);
    Rig rig(true);
    Client client(QStringLiteral("ws://%1/live").arg(rig.base()) +
                      query.replace(QLatin1String("{T}"), rig.web.token()),
                  origin.replace(QLatin1String("{H}"), rig.base()));
    if (admitted) {
        QVERIFY(client.waitFor(1));
        QCOMPARE(client.messages[0]["type"].toString(), "snapshot");
    } else {
        QVERIFY(client.waitClosed());
        QVERIFY(client.messages.isEmpty());
        QCOMPARE(client.socket.closeCode(), QWebSocketProtocol::CloseCodePolicyViolated);
    }
}

void tst_Web::controlWritesTheViewsBytes_data()
{
    QTest::addColumn<bool>("allowed");
    QTest::addColumn<QString>("command");
    QTest::addColumn<QByteArray>("written");
    QTest::newRow("not allowed") << false << R"({"cmd":"pageUp"})" << QByteArray();
    QTest::newRow("page kind") << true << R"({"cmd":"pageKind","kind":4})" << Commands::PageKind(4);
    QTest::newRow("page down") << true << R"({"cmd":"pageDown"})" << Commands::PageDown();
    QTest::newRow("page up") << true << R"({"cmd":"pageUp"})" << Commands::PageUp();
    QTest::newRow("pick") << true << R"({"cmd":"pick","entry":3,"add":true})"
                          << Commands::EntryPick(2, true);
    QTest::newRow("channel") << true << R"({"cmd":"channel","fixture":1,"channel":2,"value":165})"
                             << Commands::ChannelValue(0, 1, 165);
    QTest::newRow("no such channel")
        << true << R"({"cmd":"channel","fixture":1,"channel":4,"value":1})" << QByteArray();
    QTest::newRow("out of range") << true << R"({"cmd":"pageKind","kind":6})" << QByteArray();
    QTest::newRow("no command") << true << "<b>hello</b>" << QByteArray();
}

void tst_Web::controlWritesTheViewsBytes()
{
    QFETCH(bool, allowed);
    QFETCH(QString, command);
    QFETCH(QByteArray, written);
    Rig rig;
    rig.loadRig();
    WebAccess::Config config = rig.web.config();
    config.allowControl = allowed;
    QVERIFY(rig.web.apply(config, nullptr));
    Client client(QStringLiteral("ws://%1/live").arg(rig.base()));
    QVERIFY(client.waitFor(1));
    rig.backend->clearWrites();
    client.socket.sendTextMessage(command);
    QVERIFY(QTest::qWaitFor([&] {
        return client.messages.last()["type"] ==
               QLatin1String(written.isEmpty() ? "refused" : "sent");
    }));
    QCOMPARE(rig.backend->writes, written.isEmpty() ? QList<QByteArray>() : QList{written});
}

void tst_Web::limits()
{
    WebAccess::Limits limits;
    limits.http.idleMs = 300;
    Rig rig(false, limits);
    const QString url = QStringLiteral("ws://%1/live").arg(rig.base());
    // A frame above 4 KiB ends its connection.
    Client big(url);
    QVERIFY(big.waitFor(1));
    big.socket.sendTextMessage(QString(5000, QLatin1Char('x')));
    QVERIFY(big.waitClosed());
    QCOMPARE(big.socket.closeCode(), QWebSocketProtocol::CloseCodeTooMuchData);

    std::vector<std::unique_ptr<Client>> clients;
    for (int i = 0; i < 33; ++i)
        clients.push_back(std::make_unique<Client>(url));
    QVERIFY(QTest::qWaitFor([&] { return clients.back()->socket.closeCode() != 1000; }));
    QCOMPARE(rig.web.clientCount(), 32);
    QCOMPARE(clients.back()->socket.closeCode(), QWebSocketProtocol::CloseCodePolicyViolated);

    // A request that never ends, however large, is cut off once it stops moving; the live
    // feeds, quiet as they are, stay.
    QTcpSocket endless;
    endless.connectToHost(QHostAddress::LocalHost, rig.web.listeningPort());
    QVERIFY(endless.waitForConnected(2000));
    endless.write("GET / HTTP/1.1\r\nX-Pad: " + QByteArray(256 * 1024, 'a'));
    QVERIFY(QTest::qWaitFor([&] { return endless.state() == QAbstractSocket::UnconnectedState; },
                            5000));
    QCOMPARE(rig.web.clientCount(), 32);
}

// A client that stops reading is sent nothing more, then dropped; the others go on.
void tst_Web::slowReaderIsDroppedOthersGoOn()
{
    WebAccess::Limits limits;
    limits.slowBytes = 64 * 1024;
    limits.slowCloseMs = 300;
    limits.frameMs = 10;
    Rig rig(false, limits);
    for (int f = 0; f < SharedState::FixtureCount; ++f) {
        FixtureLayout big;
        big.number = f;
        big.nchnls = 32;
        big.address = 1 + 32 * f;
        big.channelNames.fill("Channel", 32);
        rig.feed(message(4, fixture(big)));
    }
    QTcpSocket stalled;
    stalled.setReadBufferSize(1);
    stalled.connectToHost(QHostAddress::LocalHost, rig.web.listeningPort());
    QVERIFY(stalled.waitForConnected(2000));
    stalled.write("GET /live HTTP/1.1\r\nHost: 127.0.0.1\r\nUpgrade: websocket\r\n"
                  "Connection: Upgrade\r\nSec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\n"
                  "Sec-WebSocket-Version: 13\r\n\r\n");
    Client reader(QStringLiteral("ws://%1/live").arg(rig.base()));
    QVERIFY(reader.waitFor(1));
    QCOMPARE(rig.web.clientCount(), 2);
    // Every value written anew, frame after frame.
    QVERIFY(QTest::qWaitFor(
        [&] {
            rig.options.setValuesInPercent(!rig.options.valuesInPercent());
            return rig.web.clientCount() == 1;
        },
        20000));
    rig.feed(message(8, bytes({7, 3, 99})));
    // As a channel of its own, or within the whole fixture when it changed in the same frame.
    QVERIFY(QTest::qWaitFor([&] {
        const QJsonObject& m = reader.messages.last();
        return at(m["channels"], 0)["value"].toInt() == 99 ||
               channelOf(at(m["fixtures"], 7), 4)["value"].toInt() == 99;
    }));
}

// Every interface: the link carries the token, which a request without it lacks; a new token
// replaces the old one in the link.
void tst_Web::dialogOpensItToTheNetworkWithItsToken()
{
    Rig rig;
    QTcpServer probe; // a free port
    QVERIFY(probe.listen(QHostAddress::LocalHost));
    const quint16 port = probe.serverPort();
    probe.close();
    WebAccessDialog dialog(rig.web);
    dialog.findChild<QComboBox*>("cboAddress")->setCurrentIndex(1);
    dialog.findChild<QSpinBox*>("spnPort")->setValue(port);
    dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Apply)->click();
    const auto link = [&] { return dialog.findChild<QLineEdit*>("txtLink")->text(); };
    QVERIFY(link().endsWith(QStringLiteral(":%1/?token=%2").arg(port).arg(rig.web.token())));
    QCOMPARE(rawRequest(port, "GET / HTTP/1.1\r\nHost: 127.0.0.1\r\n").left(12), "HTTP/1.1 401");
    const QString before = rig.web.token();
    dialog.findChild<QPushButton*>("btnNewToken")->click();
    QVERIFY(rig.web.token() != before && link().endsWith(rig.web.token()));
}

QTEST_MAIN(tst_Web)
#include "tst_web.moc"
