#include "CommandParser.h"

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

class tst_CommandParser : public QObject
{
    Q_OBJECT
private slots:
    void recognisesCommandsWhereverTheReadsSplitThem_data();
    void recognisesCommandsWhereverTheReadsSplitThem();
};

void tst_CommandParser::recognisesCommandsWhereverTheReadsSplitThem_data()
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

void tst_CommandParser::recognisesCommandsWhereverTheReadsSplitThem()
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

QTEST_GUILESS_MAIN(tst_CommandParser)
#include "tst_CommandParser.moc"
