// The receive path, bytes in and record updates and view calls out: framing across any split of
// the input, the dispatch table's gates, the address maps, and input that is wrong. Hostile
// streams are the receive and views fuzz targets' inputs, replayed under CTest.

#include "FakeLink.h"
#include "Payloads.h"
#include "link/FakeSerialBackend.h"
#include "link/Receiver.h"
#include "link/SerialPort.h"
#include "model/SharedState.h"

#include <QTest>

using namespace Payloads;

namespace {

// Linked and hunting; optionally with every view open.
struct Line : FakeLink
{
    int linkUps = 0;

    explicit Line(bool viewsOpen = false)
    {
        if (viewsOpen)
            sink.follow(rx);
        listen();
        rx.onLinkUp = [this] { ++linkUps; };
    }
};

// A stream that touches records, views, an ignored kind and the page request; its DMX level
// reaches a fixture's channel and a dimmer on the same address.
QByteArray mixedStream()
{
    FixtureLayout spot;
    spot.number = 2;
    spot.address = 100;
    spot.nchnls = 6;
    spot.multi = 2;
    return bytes({0xFF, 0x00}) + message(4, fixture(spot)) + message(6, bytes({1, 2, 3, 4, 5})) +
           message(17, dimmer(9, true, 105, "Par", 10)) + dmxLevel(105, 0x80) +
           message(8, bytes({2, 3, 0xA5})) + message(2, bytes({4, 1})) +
           message(3, bytes({1, 2, 3})) + message(12, bytes({2, 1})) + message(20, bytes({3, 99})) +
           bytes({0x11});
}

} // namespace

class tst_Receiver : public QObject
{
    Q_OBJECT

private slots:
    void sameDispatchesWhereverTheInputIsCut();
    void dispatchGates_data();
    void dispatchGates();
    void movedFixtureTakesNoLevelAtItsOldAddresses();
    void addressMapSkipsAddressesOutsideTheMap_data();
    void addressMapSkipsAddressesOutsideTheMap();
    void allLevelsOffClearsFixturesAndPatchedDimmers();
    void profilesAreReusedByNumber();
    void badHeaderLengthReturnsToHunting_data();
    void badHeaderLengthReturnsToHunting();
    void wrongHelloRepliesAreIgnored_data();
    void wrongHelloRepliesAreIgnored();
    void notReenteredFromAView();
};

void tst_Receiver::sameDispatchesWhereverTheInputIsCut()
{
    const QByteArray stream = mixedStream();
    Line whole(true);
    whole.feed(stream);
    QVERIFY(whole.sink.calls.size() >= 8);
    QVERIFY(whole.sink.calls.join(',').contains("UpdateChnl 2 5,UpdateDimmerLevel 9"));
    QCOMPARE(whole.backend->written(), bytes({0xA5, 0x03, 4, 1}));

    for (int cut1 = 0; cut1 <= stream.size(); ++cut1) {
        for (int cut2 = cut1; cut2 <= stream.size(); cut2 += 7) {
            Line parts(true);
            parts.feed(stream.left(cut1));
            parts.feed(stream.mid(cut1, cut2 - cut1));
            parts.feed(stream.mid(cut2));
            QCOMPARE(parts.sink.calls, whole.sink.calls);
            QCOMPARE(parts.backend->written(), whole.backend->written());
            QCOMPARE(parts.state.Fixtures[2].chval(5), quint8(0x80));
            QCOMPARE(parts.state.Fixtures[2].chval(3), quint8(0xA5));
            QCOMPARE(parts.state.Dimmers[9].DimmerLevel(), quint8(0x80));
        }
    }
    // One byte at a time.
    Line bytewise(true);
    for (char c : stream)
        bytewise.feed(QByteArray(1, c));
    QCOMPARE(bytewise.sink.calls, whole.sink.calls);
}

void tst_Receiver::dispatchGates_data()
{
    QTest::addColumn<bool>("pageOpen"); // the memory page view
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QStringList>("calls");

    const auto fix = [](int n) {
        FixtureLayout s;
        s.number = n;
        return message(4, fixture(s));
    };
    QTest::newRow("page selection, view closed")
        << false << message(2, bytes({4, 1})) << QStringList{};
    QTest::newRow("no page to show")
        << true << message(2, bytes({0xFF, 0})) << QStringList{"NoPageDisp"};
    QTest::newRow("page contents")
        << true << message(3, bytes({7, 8})) << QStringList{"FillLvw 7 8 0"};
    QTest::newRow("fixture data") << false << fix(5) << QStringList{"UpdateFixt 5"};
    QTest::newRow("fixture 48 ignored") << false << fix(48) << QStringList{};
    QTest::newRow("scene events") << false << message(5, bytes({1}))
                                  << QStringList{"Display_Events 01"};
    QTest::newRow("channel value")
        << false << message(8, bytes({1, 31, 9})) << QStringList{"UpdateChnl 1 31"};
    QTest::newRow("channel 32 ignored") << false << message(8, bytes({1, 32, 9})) << QStringList{};
    QTest::newRow("channel value, short") << false << message(8, bytes({1, 2})) << QStringList{};
    QTest::newRow("selection") << true << message(12, bytes({47, 1}))
                               << QStringList{"UpdateFixtSel 47"};
    QTest::newRow("selection of 48 ignored")
        << true << message(12, bytes({48, 1})) << QStringList{};
    QTest::newRow("dimmer data") << false << message(17, dimmer(127, true, 5, "D", 1))
                                 << QStringList{"UpdateDimmer 127"};
    QTest::newRow("dimmer 128 ignored")
        << false << message(17, dimmer(128, true, 5, "D", 1)) << QStringList{};
    QTest::newRow("dimmer level") << false << message(18, bytes({3, 4}))
                                  << QStringList{"UpdateDimmerLevel 3"};
    QTest::newRow("playback data")
        << false << message(19, bytes({15, 0})) << QStringList{"UpdatePlayback 15"};
    QTest::newRow("playback 16 ignored") << false << message(19, bytes({16, 0})) << QStringList{};
    QTest::newRow("playback level")
        << false << message(20, bytes({0, 4})) << QStringList{"UpdatePlaybackLevel 0"};
    QTest::newRow("playback page change")
        << false << message(21, bytes({1, 4})) << QStringList{"PageChange flex 4"};
    QTest::newRow("playback page change, short")
        << false << message(21, bytes({1})) << QStringList{};
    QTest::newRow("show messages")
        << false
        << message(22, bytes({0xFF})) + message(23, bytes({2, 3})) + message(24, bytes({1, 2, 3}))
        << QStringList{"List_Message none", "Start_Message 2 3", "Step_Message 1 2 3"};
    QTest::newRow("show messages, short")
        << false << message(22, bytes({1})) + message(23, bytes({2})) + message(24, bytes({1, 2}))
        << QStringList{};
    QTest::newRow("ignored kinds")
        << true
        << message(0, bytes({1})) + message(1, bytes({1})) + message(11, bytes({1})) +
               message(13, bytes({1})) + message(15, bytes({1})) + message(25, bytes({1})) +
               message(255, bytes({1}))
        << QStringList{};
    QTest::newRow("all off with other bytes")
        << false << message(10, bytes({0xFF, 0, 1})) << QStringList{};
}

void tst_Receiver::dispatchGates()
{
    QFETCH(bool, pageOpen);
    QFETCH(QByteArray, input);
    QFETCH(QStringList, calls);
    Line line;
    line.sink.follow(line.rx, pageOpen);
    line.feed(input);
    QCOMPARE(line.sink.calls, calls);
    QVERIFY(line.backend->written().isEmpty());
    QCOMPARE(line.rx.RxState, qint16(Receiver::Hunting));
}

// Map entries are never cleared: a fixture that moves leaves its old addresses pointing at it, and
// a level there must not reach outside its channels.
void tst_Receiver::movedFixtureTakesNoLevelAtItsOldAddresses()
{
    Line line;
    FixtureLayout s;
    s.number = 2;
    s.address = 100;
    line.feed(message(4, fixture(s)));
    s.address = 1000;
    line.feed(message(4, fixture(s)) + dmxLevel(100, 5));
    QCOMPARE(line.state.DmxFixtureMap[100], quint16(2));
    for (int ch = 0; ch < 32; ++ch)
        QCOMPARE(line.state.Fixtures[2].chval(qint16(ch)), quint8(0));
}

void tst_Receiver::addressMapSkipsAddressesOutsideTheMap_data()
{
    QTest::addColumn<int>("address");
    QTest::addColumn<int>("firstMapped");
    QTest::addColumn<int>("lastMapped");
    QTest::newRow("ends at 1600") << 1589 << 1589 << 1600;
    QTest::newRow("runs past 1600") << 1595 << 1595 << 1600;
    QTest::newRow("wholly beyond") << 2000 << -1 << -1;
    // Two unsigned bytes: 0x8000 and up lie beyond the map, never wrapped onto the low addresses.
    QTest::newRow("0x8000") << 0x8000 << -1 << -1;
    QTest::newRow("0xFFFA, not -6") << 0xFFFA << -1 << -1;
}

void tst_Receiver::addressMapSkipsAddressesOutsideTheMap()
{
    QFETCH(int, address);
    QFETCH(int, firstMapped);
    QFETCH(int, lastMapped);
    Line line;
    FixtureLayout s;
    s.number = 7;
    s.address = address;
    s.nchnls = 6;
    s.multi = 2; // two cells: twelve addresses
    // The dimmer sits on the fixture's last mapped address, 1600 where the map ends.
    const int last = lastMapped >= 0 ? lastMapped : address;
    line.feed(message(4, fixture(s)) + message(17, dimmer(1, true, last, "D", 0)));
    for (int a = 0; a <= SharedState::MaxDmxAddress; ++a) {
        const bool mapped = a >= firstMapped && a <= lastMapped && firstMapped >= 0;
        QCOMPARE(line.state.DmxFixtureMap[a], mapped ? quint16(7) : SharedState::NoOwner);
    }
    // A level for an address beyond the map is skipped; one at the last address arrives.
    line.feed(dmxLevel(1601, 9) + dmxLevel(0xFFFF, 9));
    QCOMPARE(line.state.Dimmers[1].DimmerLevel(), quint8(0));
    if (lastMapped < 0)
        return;
    line.feed(dmxLevel(lastMapped, 9));
    QCOMPARE(line.state.Dimmers[1].DimmerLevel(), quint8(9));
    QCOMPARE(line.state.Fixtures[7].chval(qint16(lastMapped - address)), quint8(9));
}

void tst_Receiver::allLevelsOffClearsFixturesAndPatchedDimmers()
{
    Line line;
    FixtureLayout s;
    s.number = 3;
    s.nchnls = 2;
    line.feed(message(4, fixture(s)) + message(8, bytes({3, 1, 50})) +
              message(8, bytes({5, 1, 60})) + message(17, dimmer(0, true, 1, "D", 70)) +
              message(17, dimmer(1, true, 2, "E", 80)) + message(17, bytes({1, 0})));
    line.sink.follow(line.rx);
    line.feed(message(10, bytes({0xFF, 0, 0})));
    QCOMPARE(line.state.Fixtures[3].chval(1), quint8(0));
    QCOMPARE(line.state.Fixtures[5].chval(1), quint8(60)); // empty slot untouched
    QCOMPARE(line.state.Dimmers[0].DimmerLevel(), quint8(0));
    QCOMPARE(line.state.Dimmers[1].DimmerLevel(), quint8(80)); // unpatched keeps its level
    QCOMPARE(line.sink.calls.count(QStringLiteral("UpdateChnl 3 1")), 1);
    QCOMPARE(line.sink.calls.filter(QStringLiteral("UpdateDimmerLevel")).size(), 128);
}

void tst_Receiver::profilesAreReusedByNumber()
{
    Line line;
    line.feed(message(7, profile(5, {{{1, 0, 9, "A"}}})) + message(7, profile(9, {})));
    QCOMPARE(line.state.ProfileCount(), qint16(2));
    line.feed(message(7, profile(5, {{{1, 0, 9, "B"}}})));
    QCOMPARE(line.state.ProfileCount(), qint16(2));
    QCOMPARE(line.state.Profiles[0].StepName(0, 0), QStringLiteral("B       "));
}

void tst_Receiver::badHeaderLengthReturnsToHunting_data()
{
    QTest::addColumn<QByteArray>("header");
    QTest::newRow("length 0") << bytes({0xA5, 9, 0, 0});
    QTest::newRow("length 32768") << bytes({0xA5, 9, 0, 0x80});
    QTest::newRow("length 65535") << bytes({0xA5, 9, 0xFF, 0xFF});
}

void tst_Receiver::badHeaderLengthReturnsToHunting()
{
    QFETCH(QByteArray, header);
    Line line;
    line.feed(header);
    QCOMPARE(line.rx.RxState, qint16(Receiver::Hunting));
    QCOMPARE(line.port.RThreshold(), 1);
    line.feed(message(18, bytes({2, 77})));
    QCOMPARE(line.state.Dimmers[2].DimmerLevel(), quint8(77));
}

// Each speed's right reply is tried with the whole session; these must not link.
void tst_Receiver::wrongHelloRepliesAreIgnored_data()
{
    QTest::addColumn<int>("state");
    QTest::addColumn<QByteArray>("reply");
    QTest::newRow("38400, wrong reply") << 1 << bytes({0xA5, 2});
    QTest::newRow("1200 given the fast hello") << 2 << bytes({0xA5, 1, 0});
    QTest::newRow("idle ignores all") << 0 << bytes({0xA5, 1});
}

void tst_Receiver::wrongHelloRepliesAreIgnored()
{
    QFETCH(int, state);
    QFETCH(QByteArray, reply);
    Line line;
    line.port.setSettings(QStringLiteral("19200,n,8,1"));
    line.rx.RxState = qint16(state);
    line.port.setRThreshold(int(reply.size()));
    line.feed(reply + message(18, bytes({1, 5})));
    QCOMPARE(line.linkUps, 0);
    QCOMPARE(line.port.Settings(), QStringLiteral("19200,n,8,1"));
    QCOMPARE(line.rx.RxState, qint16(state));
    QCOMPARE(line.state.Dimmers[1].DimmerLevel(), quint8(0));
}

void tst_Receiver::notReenteredFromAView()
{
    // A view that lets the event loop run (a message box) while handling a message must not
    // cause the next message to be handled inside it.
    Line line;
    QStringList calls;
    QObject::connect(&line.rx, &Receiver::dimmerLevelChanged, [&](qint16 d) {
        calls << QStringLiteral("UpdateDimmerLevel %1").arg(d);
        if (d == 1)
            line.feed(message(18, bytes({2, 9})));
        calls << QStringLiteral("done %1").arg(d);
    });
    line.feed(message(18, bytes({1, 5})));
    QCOMPARE(calls,
             (QStringList{"UpdateDimmerLevel 1", "done 1", "UpdateDimmerLevel 2", "done 2"}));
}

QTEST_GUILESS_MAIN(tst_Receiver)
#include "tst_receiver.moc"
