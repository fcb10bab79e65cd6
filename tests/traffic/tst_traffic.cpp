// The traffic log. The decoder: every kind the program receives and every command it sends is
// named and put into words, with the records naming fixtures and dimmers; frames are found across
// any chunking, noise becomes one skipped line, and the hello reply starts the clock. The view: a
// flooded line keeps the list at its last 10,000 lines; Pause holds the list while lines go on
// being gathered; the filter shows one direction or one kind; Save writes the lines shown; a closed
// view watches no more, and the view and the port may go in either order.

#include "Payloads.h"
#include "ViewHarness.h"
#include "link/Commands.h"
#include "link/TrafficDecoder.h"
#include "views/traffic/TrafficModel.h"
#include "views/traffic/TrafficView.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QRegularExpression>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

using Payloads::bytes;
using Payloads::message;
using Direction = TrafficLine::Direction;

namespace {

// A rig the decodings can name: fixture 2 "Spot" at 301 (Pan, Tilt, Dim; profile 5 names Pan's
// values), dimmer 10 "Front L" at 12.
void loadRecords(FakeLink& link)
{
    link.listen();
    link.feed(message(7, Payloads::profile(5, {{{64, 0, 127, "Slow"}, {200, 128, 255, "Fast"}}})));
    link.feed(message(4, Payloads::fixture({.number = 1, .profile = 5, .address = 301})));
    link.feed(message(17, Payloads::dimmer(9, true, 12, "Front L", 0)));
}

// "kind|length|fields" of each line.
QStringList summary(const std::vector<TrafficLine>& lines)
{
    QStringList out;
    for (const TrafficLine& l : lines)
        out << QStringLiteral("%1|%2|%3").arg(l.kindText()).arg(l.length).arg(l.decoded);
    return out;
}

struct Watched
{
    ViewHarness link;
    TrafficView view{link.context()};
    Watched() { link.port.setPortOpen(true); }

    int shown() const { return view.findChild<QTableView*>("grdTraffic")->model()->rowCount(); }
    QString lastDecoded()
    {
        TrafficModel& m = view.model();
        return m.line(m.rowCount() - 1).decoded;
    }
};

} // namespace

class tst_Traffic : public QObject
{
    Q_OBJECT
private slots:
    void everyConsoleKindIsNamedAndDecoded_data();
    void everyConsoleKindIsNamedAndDecoded();
    void everyCommandIsNamedAndDecoded_data();
    void everyCommandIsNamedAndDecoded();
    void framesAreFoundWhateverTheChunkingAndNoiseIsOneLine_data();
    void framesAreFoundWhateverTheChunkingAndNoiseIsOneLine();
    void helloReplyShowsItsSpeedAndLinesKeepTheirTimes();
    void floodedLineKeepsTheLastLines();
    void pauseHoldsTheListAndResumeShowsWhatCame();
    void filterShowsOneDirectionOrOneKind_data();
    void filterShowsOneDirectionOrOneKind();
    void saveWritesTheLinesShown();
    void aClosedViewWatchesNoMore();
};

void tst_Traffic::everyConsoleKindIsNamedAndDecoded_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<QString>("expected"); // kind|fields

    const auto row = [](const char* name, int kind, const QByteArray& payload, const char* text) {
        QTest::newRow(name) << kind << payload << QString::fromUtf8(text);
    };
    row("page selection", 2, bytes({0, 5}), "2 page selection|scene page 6 on display");
    row("no page", 2, bytes({0xFF, 0}), "2 page selection|no page on display");
    row("page contents", 3, bytes({3, 1, 4, 2, 8}) + QByteArray(16, 'x'),
        "3 page contents|factory preset page 2 (fixture 5): 2 entries of 8 bytes");
    row("page contents cut short", 3, bytes({0, 0, 0, 3, 8}) + QByteArray(8, 'x'),
        "3 page contents|scene page 1: 3 entries of 8 bytes, cut short");
    row("fixture data", 4,
        Payloads::fixture(
            {.number = 2, .profile = 5, .nchnls = 6, .multi = 2, .address = 101, .name = "Wash"}),
        "4 fixture data|fixture 3 'Wash': profile 5, 2 × 6 channels at 101");
    row("empty fixture slot", 4, bytes({7, 0}), "4 fixture data|fixture 8: empty slot");
    row("longest message the program takes", 5, QByteArray(32767, '\1'),
        "5 scene events|scene buffer, 32767 bytes");
    row("profile data", 7, Payloads::profile(4, {{{1, 0, 9, "A"}, {2, 10, 19, "B"}}, {}}),
        "7 profile data|profile 4: 2 channels, 2 steps");
    row("channel value", 8, bytes({1, 0, 200}),
        "8 channel value|fixture 2 'Spot' channel 1 'Pan' = 200 'Fast'");
    row("channel beyond the records", 8, bytes({48, 0, 1}),
        "8 channel value|fixture 49 channel 1 is beyond the records: ignored");
    row("DMX level at a fixture", 9, bytes({0x2D, 0x01, 128}),
        "9 DMX level|address 301 = fixture 2 'Spot' channel 1 'Pan', level 128 'Fast'");
    row("DMX level at a dimmer", 9, bytes({12, 0, 7}),
        "9 DMX level|address 12 = dimmer 10 'Front L', level 7");
    row("DMX level at nothing", 9, bytes({0x40, 0x06, 7}),
        "9 DMX level|address 1600 (no fixture or dimmer there), level 7");
    row("DMX level beyond the map", 9, bytes({0x41, 0x06, 7}),
        "9 DMX level|address 1601 is beyond the last (1600): ignored");
    row("all levels off", 10, bytes({0xFF, 0, 0}),
        "10 all levels off|every fixture channel and dimmer to 0");
    row("fixture selection", 12, bytes({1, 1}), "12 fixture selection|fixture 2 'Spot' selected");
    row("console information", 16, bytes({3, 2, 7, 0}),
        "16 console information|console type 3: extended formats");
    // A name is taken as it is, never as a format.
    row("dimmer data", 17, Payloads::dimmer(9, true, 12, "%1 %2", 0),
        "17 dimmer data|dimmer 10 '%1 %2' patched at 12, level 0");
    row("dimmer not patched", 17, Payloads::dimmer(3, false, 0, "", 0),
        "17 dimmer data|dimmer 4 not patched");
    row("dimmer level", 18, bytes({9, 128}), "18 dimmer level|dimmer 10 'Front L' level 128 (50%)");
    row("playback data", 19, Payloads::playback(9, 2, 25, 4, 255),
        "19 playback data|flex fader 2: factory preset 5 page F2 'Memory', level 255");
    row("playback level", 20, bytes({2, 0}), "20 playback level|playback fader 3 level 0 (0%)");
    row("playback page change", 21, bytes({1, 0xFF}),
        "21 playback page change|flex faders: no flex page");
    row("show list", 22,
        Payloads::showList(2, 5, "Finale", {{0, 1, "a"}, {4, 0, "b"}, {1, 1, "c"}, {2, 2, "d"}}),
        "22 show list|show 3 page 6 'Finale': 4 steps");
    row("show started", 23, bytes({2, 5}), "23 show started|show 3 page 6 started");
    row("show step", 24, bytes({2, 5, 3}), "24 show step|show 3 page 6 at step 4");
    row("unknown kind", 6, bytes({1, 2}), "6 unknown|a kind the program has no use for: dropped");
    row("short payload", 18, bytes({9}), "18 dimmer level|too short, 1 byte: ignored");
}

void tst_Traffic::everyConsoleKindIsNamedAndDecoded()
{
    QFETCH(int, kind);
    QFETCH(QByteArray, payload);
    QFETCH(QString, expected);
    FakeLink link;
    loadRecords(link);
    TrafficDecoder decoder(link.state);
    std::vector<TrafficLine> lines;
    decoder.received(message(kind, payload), 0, lines);
    QCOMPARE(lines.size(), size_t(1));
    const TrafficLine& line = lines.front();
    QCOMPARE(line.direction, Direction::FromConsole);
    QCOMPARE(line.kind, kind);
    QCOMPARE(line.length, int(payload.size()));
    QCOMPARE(line.payload, payload);
    QCOMPARE(line.kindText() + QLatin1Char('|') + line.decoded, expected);
}

void tst_Traffic::everyCommandIsNamedAndDecoded_data()
{
    QTest::addColumn<QByteArray>("write");
    QTest::addColumn<QString>("line"); // the line settings in force
    QTest::addColumn<QStringList>("expected");

    const auto row = [&](const char* name, const QByteArray& write, const QStringList& expected,
                         const QString& line = QStringLiteral("38400,n,8,1")) {
        QTest::newRow(name) << write << line << expected;
    };
    row("hello", Commands::Hello(), {"A5 01 hello|0|at 19200 bit/s"}, "19200,n,8,1");
    row("hello at 1200", Commands::Hello1200(), {"55 25 05 hello|0|at 1200 bit/s, 7 data bits"},
        "1200,n,7,1");
    row("page contents request", Commands::PageContentsRequest(0, 5),
        {"A5 03 page contents request|2|asks for the scene page 6"});
    row("all data, two commands in one write", Commands::RequestAllData(),
        {"A5 04 fixture data request|1|asks for every fixture",
         "A5 11 dimmer data request|1|asks for every dimmer"});
    row("monitor closing", Commands::MonitorClosing(),
        {"A5 0B monitor notice|1|the monitor is going away"});
    row("fixtures view opened", Commands::FixturesViewOpened(),
        {"A5 0B monitor notice|1|the fixtures view opened"});
    row("channel value", Commands::ChannelValue(1, 0, 64),
        {"A5 08 channel value|3|sets fixture 2 'Spot' channel 1 'Pan' to 64 'Slow'"});
    row("channel value A5 and its 00, then a command",
        Commands::ChannelValue(1, 2, 0xA5) + Commands::PageUp(),
        {"A5 08 channel value|4|sets fixture 2 'Spot' channel 3 'Dim' to 165",
         "A5 0D page step|1|page up"});
    row("page kind", Commands::PageKind(5), {"A5 0E page kind|1|fixture group pages"});
    row("entry pick", Commands::EntryPick(3, true),
        {"A5 0F entry pick|2|entry 4, added to the selection"});
    row("playback request", Commands::PlaybackRequest(9),
        {"A5 13 playback request|1|asks for flex fader 2"});
    row("show list request", Commands::ShowListRequest(2, 5),
        {"A5 16 show list request|2|asks for the steps of show 3 page 6"});
    row("unknown command", bytes({0xA5, 0x30, 1, 2}),
        {"A5 30 unknown|2|a command the console does not know"});
    row("cut short", bytes({0xA5, 0x16, 1}),
        {"A5 16 show list request|1|cut short: 1 of 2 operand bytes"});
    row("bytes outside commands", bytes({1, 2, 0xA5, 0x02}),
        {"skipped bytes|2|2 bytes outside any command",
         "A5 02 current page request|0|which page is on display?"});
}

void tst_Traffic::everyCommandIsNamedAndDecoded()
{
    QFETCH(QByteArray, write);
    QFETCH(QString, line);
    QFETCH(QStringList, expected);
    FakeLink link;
    loadRecords(link);
    TrafficDecoder decoder(link.state);
    std::vector<TrafficLine> lines;
    decoder.sent(write, 0, line, lines);
    QCOMPARE(summary(lines), expected);
    for (const TrafficLine& l : lines)
        QCOMPARE(l.direction, Direction::ToConsole);
}

void tst_Traffic::framesAreFoundWhateverTheChunkingAndNoiseIsOneLine_data()
{
    QTest::addColumn<int>("pieceSize");
    QTest::newRow("all at once") << 1000;
    QTest::newRow("a byte at a time") << 1;
    QTest::newRow("in threes") << 3;
}

void tst_Traffic::framesAreFoundWhateverTheChunkingAndNoiseIsOneLine()
{
    QFETCH(int, pieceSize);
    // Noise, a DMX level, one stray byte, an empty message, a header too long to be real, and a
    // dimmer level; then noise still running.
    const QByteArray stream = bytes({0xFF, 0x00}) + message(9, bytes({0x2D, 0x01, 0x80})) +
                              bytes({0x7E, 0xA5, 0x12, 0x00, 0x00, 0xA5, 0x12, 0x00, 0x80}) +
                              message(18, bytes({9, 0x40})) + bytes({1, 2, 3});
    SharedState state;
    TrafficDecoder decoder(state);
    std::vector<TrafficLine> lines;
    for (qsizetype i = 0; i < stream.size(); i += pieceSize)
        decoder.received(stream.mid(i, pieceSize), 0, lines);
    decoder.flush(lines);
    QCOMPARE(summary(lines),
             QStringList({"skipped bytes|2|skipped 2 bytes",
                          "9 DMX level|3|address 301 (no fixture or dimmer there), level 128",
                          "skipped bytes|1|skipped 1 byte", "18 dimmer level|0|no payload: dropped",
                          "18 dimmer level|32768|length 32768 is more than a message holds: "
                          "dropped, the next start byte is sought",
                          "18 dimmer level|2|dimmer 10 level 64 (25%)",
                          "skipped bytes|3|skipped 3 bytes"}));
}

void tst_Traffic::helloReplyShowsItsSpeedAndLinesKeepTheirTimes()
{
    SharedState state;
    TrafficDecoder decoder(state);
    std::vector<TrafficLine> lines;
    decoder.sent(Commands::Hello(), 100, QStringLiteral("38400,n,8,1"), lines);
    decoder.sent(Commands::Hello(), 1100, QStringLiteral("19200,n,8,1"), lines);
    // Garbage from the speed before, then the reply and the console information in pieces.
    decoder.received(bytes({0xE0, 0xA5}), 1150, lines);
    decoder.received(bytes({0x01, 0xA5, 0x10, 0x04}), 1200, lines);
    decoder.received(bytes({0x00, 3, 2, 7, 0}), 1210, lines);
    QCOMPARE(summary(lines),
             QStringList({"A5 01 hello|0|at 38400 bit/s", "A5 01 hello|0|at 19200 bit/s",
                          "skipped bytes|1|skipped 1 byte", "hello reply|2|at 19200 bit/s",
                          "16 console information|4|console type 3: extended "
                          "formats"}));
    // Each line keeps the clock's time it crossed at; skipped bytes the time the first came.
    QCOMPARE(lines[0].timeMs, qint64(100));
    QCOMPARE(lines[1].timeMs, qint64(1100));
    QCOMPARE(lines[2].timeMs, qint64(1150));
    QCOMPARE(lines[4].timeMs, qint64(1210));
}

void tst_Traffic::floodedLineKeepsTheLastLines()
{
    Watched w;
    // 25,000 DMX levels in bursts of 50, shown in batches as the timer would.
    int sent = 0;
    for (int burst = 0; burst < 500; ++burst) {
        QByteArray chunk;
        for (int i = 0; i < 50; ++i, ++sent)
            chunk += message(9, bytes({sent & 0xFF, (sent >> 8) & 0x03, sent % 251}));
        w.link.feed(chunk);
        if (burst % 7 == 0)
            w.view.showNewLines();
    }
    w.view.showNewLines();
    QCOMPARE(w.view.model().rowCount(), TrafficModel::Capacity);
    QCOMPARE(w.shown(), TrafficModel::Capacity);
    const int last = sent - 1;
    QVERIFY2(w.lastDecoded().endsWith(QStringLiteral("level %1").arg(last % 251)),
             qPrintable(w.lastDecoded()));
    const int first = sent - TrafficModel::Capacity;
    QVERIFY(w.view.model().line(0).decoded.endsWith(QStringLiteral("level %1").arg(first % 251)));
}

void tst_Traffic::pauseHoldsTheListAndResumeShowsWhatCame()
{
    Watched w;
    w.link.feed(message(18, bytes({1, 2})));
    w.view.showNewLines();
    QCOMPARE(w.shown(), 1);
    auto* pause = w.view.findChild<QAbstractButton*>("cmdPause");
    pause->click();
    w.link.feed(message(18, bytes({1, 3})) + message(18, bytes({1, 4})));
    w.view.showNewLines();
    QCOMPARE(w.shown(), 1);
    pause->click();
    QCOMPARE(w.shown(), 3);
    QVERIFY(w.lastDecoded().contains(QStringLiteral("level 4")));
    w.view.findChild<QAbstractButton*>("cmdClear")->click();
    QCOMPARE(w.shown(), 0);
}

void tst_Traffic::filterShowsOneDirectionOrOneKind_data()
{
    QTest::addColumn<QString>("direction");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("rowsLater"); // once a page step and a DMX level more have come
    const QString any = QStringLiteral("All kinds");
    QTest::newRow("everything") << "Both directions" << any << 6 << 8;
    QTest::newRow("from the console") << "console \u2192 PC" << any << 4 << 5;
    QTest::newRow("to the console") << "PC \u2192 console" << any << 2 << 3;
    QTest::newRow("DMX levels") << "Both directions"
                                << "9 DMX level" << 2 << 3;
    QTest::newRow("page steps") << "Both directions"
                                << "A5 0D page step" << 1 << 2;
    QTest::newRow("skipped bytes, either way") << "Both directions"
                                               << "skipped bytes" << 2 << 2;
    QTest::newRow("a kind and the other direction") << "PC \u2192 console"
                                                    << "9 DMX level" << 0 << 0;
}

void tst_Traffic::filterShowsOneDirectionOrOneKind()
{
    QFETCH(QString, direction);
    QFETCH(QString, kind);
    QFETCH(int, rows);
    QFETCH(int, rowsLater);
    Watched w;
    w.link.port.Output(Commands::PageDown());
    w.link.port.Output(bytes({0x00}));
    w.link.feed(bytes({0x33}) + Payloads::dmxLevel(5, 1) + message(18, bytes({1, 2})) +
                Payloads::dmxLevel(6, 1));
    w.view.showNewLines();
    auto* directions = w.view.findChild<QComboBox*>("cboDirection");
    auto* kinds = w.view.findChild<QComboBox*>("cboKind");
    QVERIFY(directions->findText(direction) >= 0);
    QVERIFY(kinds->findText(kind) >= 0);
    directions->setCurrentIndex(directions->findText(direction));
    kinds->setCurrentIndex(kinds->findText(kind));
    QCOMPARE(w.shown(), rows);
    // New lines are filtered as they come.
    w.link.port.Output(Commands::PageDown());
    w.link.feed(Payloads::dmxLevel(7, 1));
    w.view.showNewLines();
    QCOMPARE(w.shown(), rowsLater);
}

void tst_Traffic::saveWritesTheLinesShown()
{
    Watched w;
    w.link.port.Output(Commands::PageDown());
    w.link.feed(message(18, bytes({1, 2})));
    w.view.showNewLines();
    auto* directions = w.view.findChild<QComboBox*>("cboDirection");
    directions->setCurrentIndex(directions->findText(QStringLiteral("PC \u2192 console")));
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("traffic.txt"));
    QString error;
    QVERIFY2(w.view.saveTo(file, &error), qPrintable(error));
    QFile in(file);
    QVERIFY(in.open(QIODevice::ReadOnly | QIODevice::Text));
    const QStringList lines = QString::fromUtf8(in.readAll()).split(QLatin1Char('\n'));
    QCOMPARE(lines.size(), 3);
    QCOMPARE(lines[0], QStringLiteral("Time\tDirection\tKind\tLength\tPayload\tFields"));
    // The date and the time of day, to the millisecond.
    QVERIFY2(
        QRegularExpression(QStringLiteral("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\.\\d{3}\t"))
            .match(lines[1])
            .hasMatch(),
        qPrintable(lines[1]));
    QVERIFY(lines[1].endsWith(
        QStringLiteral("\tPC \u2192 console\tA5 0D page step\t1\t00\tpage down")));
    QVERIFY(!w.view.saveTo(dir.filePath(QStringLiteral("no/such/folder.txt")), &error));
    QVERIFY2(error.contains(QStringLiteral("Choose a folder")), qPrintable(error));
}

void tst_Traffic::aClosedViewWatchesNoMore()
{
    ViewHarness link;
    link.port.setPortOpen(true);
    // Closing its sub-window deletes the view, and with it the watching: what crosses reaches
    // no view that is gone.
    QMdiArea area;
    QPointer<TrafficView> shown = new TrafficView(link.context());
    area.addSubWindow(shown)->show();
    shown->parentWidget()->close();
    shown->deleteLater(); // as the main window does when a view closes
    QTRY_VERIFY(shown.isNull());
    link.feed(message(18, bytes({1, 2})));
    link.port.Output(Commands::PageDown());
}

QTEST_MAIN(tst_Traffic)
#include "tst_traffic.moc"
