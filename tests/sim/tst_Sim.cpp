// The simulated console: on its side of the line, the commands it reads wherever the reads split
// them, the hello it answers only at its own speed, the pace it writes at, and the length of every
// message it writes; and lvconsole-sim as a script starts it: a --link left behind by a simulator
// that was killed is replaced, and the link it makes goes with it when it is stopped; a
// --speed-factor outside the range a replay takes is refused with the range, one inside it is
// taken.

#include "CommandParser.h"
#include "Encoder.h"
#include "Pacer.h"
#include "Rig.h"
#include "SpeedMatcher.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

// Each result as "type:raw hex", so a failure shows the whole sequence.
static QStringList parse(const QList<QByteArray>& chunks)
{
    CommandParser parser;
    QList<Command> all;
    for (const QByteArray& c : chunks)
        all += parser.feed(c);
    QStringList out;
    // Garbage split by a read boundary is one run of junk to the console.
    for (const Command& c : all) {
        static const char* names[] = {"hello", "slowhello", "req", "junk", "bad"};
        const QString item =
            QStringLiteral("%1:%2").arg(names[int(c.type)], QString::fromLatin1(c.raw.toHex()));
        if (c.type == Command::Type::Garbage && !out.isEmpty() && out.last().startsWith("junk:"))
            out.last() += QString::fromLatin1(c.raw.toHex());
        else
            out << item + (c.problem.isEmpty() ? QString() : QStringLiteral("!"));
    }
    return out;
}

class tst_Sim : public QObject
{
    Q_OBJECT
private slots:
    void recognisesCommandsWhereverTheReadsSplitThem_data();
    void recognisesCommandsWhereverTheReadsSplitThem();
    void helloAnsweredOnlyAtTheConsolesSpeed_data();
    void helloAnsweredOnlyAtTheConsolesSpeed();
    void pacingLetsOutTenthOfTheBitRate_data();
    void pacingLetsOutTenthOfTheBitRate();
    void lengthFieldMatchesLayoutSize_data();
    void lengthFieldMatchesLayoutSize();
    void staleLinkIsReplaced();
    void speedFactorMustBeInItsRange_data();
    void speedFactorMustBeInItsRange();
};

void tst_Sim::recognisesCommandsWhereverTheReadsSplitThem_data()
{
    QTest::addColumn<QByteArray>("stream");
    QTest::addColumn<QStringList>("expected");

    const auto hex = [](const char* h) { return QByteArray::fromHex(h); };
    QTest::newRow("data load request")
        << hex("a504ffa511ff") << QStringList{"req:a504ff", "req:a511ff"};
    // The 00 after an A5 value belongs to the command, not to the next one.
    QTest::newRow("stuffed 00 after A5 value")
        << hex("a50803 04a500 a502") << QStringList{"req:a50803 04a500", "req:a502"};
    QTest::newRow("no stuffing for other values")
        << hex("a5080304a4 00") << QStringList{"req:a5080304a4", "junk:00"};
    // A missing 00 must not swallow the next command's start byte.
    QTest::newRow("missing stuffed 00")
        << hex("a5080304a5 a505") << QStringList{"req:a5080304a5!", "req:a505"};
    QTest::newRow("A5 as an operand elsewhere is plain data")
        << hex("a50fa500 a516a501") << QStringList{"req:a50fa500", "req:a516a501"};
    QTest::newRow("garbage between commands")
        << hex("ff00 a502 1234 a50d00 80")
        << QStringList{"junk:ff00", "req:a502", "junk:1234", "req:a50d00", "junk:80"};
    QTest::newRow("lone start byte before a command")
        << hex("a5a50e03") << QStringList{"junk:a5", "req:a50e03"};
    QTest::newRow("unknown command code")
        << hex("a57f a502") << QStringList{"bad:a57f", "req:a502"};
    QTest::newRow("hellos") << hex("a501 552505") << QStringList{"hello:a501", "slowhello:552505"};
    QTest::newRow("broken slow hello then hello")
        << hex("5525 a501") << QStringList{"junk:5525", "hello:a501"};
    QTest::newRow("U inside junk starts over")
        << hex("55 552505") << QStringList{"junk:55", "slowhello:552505"};
}

void tst_Sim::recognisesCommandsWhereverTheReadsSplitThem()
{
    QFETCH(QByteArray, stream);
    QFETCH(QStringList, expected);
    for (QString& e : expected)
        e.remove(' ');
    QCOMPARE(parse({stream}), expected);
    // Cut the stream at every point, and also byte by byte.
    for (int cut = 1; cut < stream.size(); ++cut)
        QCOMPARE(parse({stream.left(cut), stream.mid(cut)}), expected);
    QList<QByteArray> single;
    for (char b : stream)
        single << QByteArray(1, b);
    QCOMPARE(parse(single), expected);
}

void tst_Sim::helloAnsweredOnlyAtTheConsolesSpeed_data()
{
    QTest::addColumn<int>("console");
    QTest::addColumn<int>("hello"); // Command::Type
    QTest::addColumn<int>("lineSpeed");
    QTest::addColumn<int>("dataBits");
    QTest::addColumn<bool>("bitsVisible");
    QTest::addColumn<bool>("answers");
    const int fast = int(Command::Type::Hello), slow = int(Command::Type::SlowHello);
    QTest::newRow("38400 at 38400") << 38400 << fast << 38400 << 8 << true << true;
    QTest::newRow("38400 console, line at 19200") << 38400 << fast << 19200 << 8 << true << false;
    QTest::newRow("1200 at 1200, 7 bits") << 1200 << slow << 1200 << 7 << true << true;
    QTest::newRow("1200 with 8 bits") << 1200 << slow << 1200 << 8 << true << false;
    // A pty reports 8 data bits whatever the program set: only the speed can be checked.
    QTest::newRow("1200 on a pty") << 1200 << slow << 1200 << 8 << false << true;
    QTest::newRow("1200 console, A5 01") << 1200 << fast << 1200 << 7 << true << false;
    QTest::newRow("38400 console, slow hello") << 38400 << slow << 38400 << 8 << true << false;
    QTest::newRow("38400 with 7 bits") << 38400 << fast << 38400 << 7 << true << false;
}

void tst_Sim::helloAnsweredOnlyAtTheConsolesSpeed()
{
    QFETCH(int, console);
    QFETCH(int, hello);
    QFETCH(int, lineSpeed);
    QFETCH(int, dataBits);
    QFETCH(bool, bitsVisible);
    QFETCH(bool, answers);
    QCOMPARE(SpeedMatcher::answersHello(console, Command::Type(hello), {lineSpeed, dataBits},
                                        bitsVisible),
             answers);
}

void tst_Sim::pacingLetsOutTenthOfTheBitRate_data()
{
    QTest::addColumn<int>("bps");
    QTest::addColumn<qint64>("elapsedMs");
    QTest::addColumn<qint64>("budget");
    QTest::newRow("38400, 1 s") << 38400 << qint64(1000) << qint64(3840);
    QTest::newRow("38400, 5 ms") << 38400 << qint64(5) << qint64(19);
    QTest::newRow("1200, 8 ms: not a whole byte") << 1200 << qint64(8) << qint64(0);
    QTest::newRow("1200, 25 ms: the 3-byte hello answer") << 1200 << qint64(25) << qint64(3);
    QTest::newRow("38400, 1 hour, no overflow") << 38400 << qint64(3600000) << qint64(13824000);
}

void tst_Sim::pacingLetsOutTenthOfTheBitRate()
{
    QFETCH(int, bps);
    QFETCH(qint64, elapsedMs);
    QFETCH(qint64, budget);
    QCOMPARE(Pacer::budget(bps, elapsedMs), budget);
    // The time for that many bytes never exceeds the time they were allowed in.
    QVERIFY(Pacer::durationMs(bps, budget) <= elapsedMs);
}

// Each message's header must announce exactly the payload that follows, and each payload must
// have the size its layout gives; otherwise the program's framing slips from that message on.
void tst_Sim::lengthFieldMatchesLayoutSize_data()
{
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<int>("layoutSize");

    // Fixtures, profiles and dimmers go through the data load, which the end-to-end test
    // compares with the rig field by field; the rest only reach a program when a view asks.
    for (quint32 seed : {1u, 7u}) {
        const Rig rig(seed);
        for (bool ext : {false, true})
            QTest::addRow("seed %u scene events ext %d", seed, ext)
                << Encoder::sceneEvents(rig.sceneEvents(ext), ext)
                << (ext ? 5 * 6 + 11 * 2 + 8 + 5 + 1 + 7 * 2 + 1
                        : 3 * 6 + 9 * 2 + 6 + 12 + 1 + 6 * 2 + 1);
        for (int n = 0; n < Rig::PlaybackCount; ++n)
            QTest::addRow("seed %u playback %d", seed, n)
                << Encoder::playbackData(n, rig.playback(n)) << 23;
        for (quint8 kind = 0; kind <= 7; ++kind) {
            const RigPage page = rig.page(kind, 0, 2);
            QTest::addRow("seed %u page kind %d", seed, kind)
                << Encoder::pageContents(page)
                << 5 + Rig::entriesPerPage(kind) * Rig::nameLength(kind);
        }
        for (const RigShow& s : rig.shows())
            QTest::addRow("seed %u show %d/%d", seed, s.number, s.page)
                << Encoder::showList(&s) << 19 + 18 * int(s.steps.size());
    }
    QTest::newRow("no such show") << Encoder::showList(nullptr) << 1;
    QTest::newRow("page selection") << Encoder::pageSelection(PageNone, 3) << 2;
    QTest::newRow("dmx level") << Encoder::dmxLevel(300, 0x80) << 3;
    QTest::newRow("show step") << Encoder::showStep(0, 0, 1) << 3;
}

void tst_Sim::lengthFieldMatchesLayoutSize()
{
    QFETCH(QByteArray, payload);
    QFETCH(int, layoutSize);
    QCOMPARE(payload.size(), layoutSize);
    const QByteArray framed = Encoder::frame(0x04, payload);
    QCOMPARE(quint8(framed.at(0)), quint8(0xA5));
    QCOMPARE(quint8(framed.at(2)) + 256 * quint8(framed.at(3)), int(payload.size()));
    QCOMPARE(framed.mid(4), payload);
}

void tst_Sim::staleLinkIsReplaced()
{
    QTemporaryDir dir;
    const QString link = QDir(dir.path()).filePath(QStringLiteral("console"));
    QVERIFY(QFile::link(QStringLiteral("/dev/pts/no-longer-there"), link));
    QProcess sim;
    sim.start(QStringLiteral(LVCONSOLE_SIM_BINARY),
              {QStringLiteral("--link"), link, QStringLiteral("--rate"), QStringLiteral("0")});
    QVERIFY(sim.waitForReadyRead(10000));
    const QString device = QString::fromLocal8Bit(sim.readLine()).trimmed();
    QCOMPARE(QFileInfo(link).symLinkTarget(), device);
    sim.terminate();
    QVERIFY(sim.waitForFinished(5000));
    QCOMPARE(sim.exitCode(), 0);
    QVERIFY(!QFileInfo(link).isSymLink());
}

void tst_Sim::speedFactorMustBeInItsRange_data()
{
    QTest::addColumn<QString>("factor");
    QTest::addColumn<bool>("taken");
    QTest::newRow("tiny: every time would overflow") << "1e-300" << false;
    QTest::newRow("too fast") << "1e7" << false;
    QTest::newRow("not a number") << "nan" << false;
    QTest::newRow("slowest") << "0.01" << true;
    QTest::newRow("fastest") << "1000" << true;
}

void tst_Sim::speedFactorMustBeInItsRange()
{
    QFETCH(QString, factor);
    QFETCH(bool, taken);
    QTemporaryDir dir;
    const QString file = QDir(dir.path()).filePath(QStringLiteral("empty.lvrec"));
    QFile recording(file);
    QVERIFY(recording.open(QIODevice::WriteOnly));
    recording.write(QByteArray("LVREC\r\n\x1A\x02\x00", 10) + QByteArray(8, '\0'));
    recording.close();
    QProcess sim;
    sim.start(QStringLiteral(LVCONSOLE_SIM_BINARY),
              {QStringLiteral("--replay"), file, QStringLiteral("--speed-factor"), factor});
    if (taken) {
        QVERIFY(sim.waitForReadyRead(10000)); // the line is offered
        sim.terminate();
        QVERIFY(sim.waitForFinished(5000));
        QCOMPARE(sim.exitCode(), 0);
        return;
    }
    QVERIFY(sim.waitForFinished(10000));
    QCOMPARE(sim.exitCode(), 1);
    const QString said = QString::fromLocal8Bit(sim.readAllStandardError());
    QVERIFY2(said.contains(QStringLiteral("0.01 to 1000")) && said.contains(factor),
             qPrintable(said));
}

QTEST_GUILESS_MAIN(tst_Sim)
#include "tst_Sim.moc"
