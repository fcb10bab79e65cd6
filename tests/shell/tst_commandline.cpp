// The program's command line, as a shell user meets it: help and version print and leave, and
// anything it does not know is refused with the usage and status 1.

#include <QProcess>
#include <QTest>

class tst_CommandLine : public QObject
{
    Q_OBJECT
private slots:
    void optionsThatEndAtOnce_data();
    void optionsThatEndAtOnce();
};

void tst_CommandLine::optionsThatEndAtOnce_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("stdoutHas");
    QTest::addColumn<QString>("stderrHas");
    QTest::newRow("version") << QStringList{"--version"} << 0 << "LV Monitor 1.00"
                             << "";
    QTest::newRow("help") << QStringList{"--help"} << 0 << "--port <device>"
                          << "";
    QTest::newRow("unknown option") << QStringList{"--baud", "9600"} << 1 << ""
                                    << "Unknown option 'baud'.";
    QTest::newRow("stray argument") << QStringList{"/dev/ttyUSB0"} << 1 << ""
                                    << "Unexpected argument '/dev/ttyUSB0'.";
    QTest::newRow("option without its value") << QStringList{"--port"} << 1 << ""
                                              << "Missing value after '--port'.";
}

void tst_CommandLine::optionsThatEndAtOnce()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QString, stdoutHas);
    QFETCH(QString, stderrHas);
    QProcess program;
    program.start(QStringLiteral(LVMONITOR_BINARY), arguments);
    QVERIFY(program.waitForFinished(20000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), status);
    const QString out = QString::fromLocal8Bit(program.readAllStandardOutput());
    const QString err = QString::fromLocal8Bit(program.readAllStandardError());
    QVERIFY2(out.contains(stdoutHas), qPrintable(out));
    QVERIFY2(err.contains(stderrHas), qPrintable(err));
    if (status != 0) // refused: the usage follows the reason
        QVERIFY2(err.contains(QLatin1String("Usage:")), qPrintable(err));
}

QTEST_GUILESS_MAIN(tst_CommandLine)
#include "tst_commandline.moc"
