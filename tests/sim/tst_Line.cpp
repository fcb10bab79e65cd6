#include "CommandParser.h"
#include "Pacer.h"
#include "SpeedMatcher.h"

#include <QTest>

class tst_Line : public QObject
{
    Q_OBJECT
private slots:
    void helloAnsweredOnlyAtTheConsolesSpeed_data();
    void helloAnsweredOnlyAtTheConsolesSpeed();
    void pacingLetsOutTenthOfTheBitRate_data();
    void pacingLetsOutTenthOfTheBitRate();
};

void tst_Line::helloAnsweredOnlyAtTheConsolesSpeed_data()
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

void tst_Line::helloAnsweredOnlyAtTheConsolesSpeed()
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

void tst_Line::pacingLetsOutTenthOfTheBitRate_data()
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

void tst_Line::pacingLetsOutTenthOfTheBitRate()
{
    QFETCH(int, bps);
    QFETCH(qint64, elapsedMs);
    QFETCH(qint64, budget);
    QCOMPARE(Pacer::budget(bps, elapsedMs), budget);
    // The time for that many bytes never exceeds the time they were allowed in.
    QVERIFY(Pacer::durationMs(bps, budget) <= elapsedMs);
}

QTEST_GUILESS_MAIN(tst_Line)
#include "tst_Line.moc"
