// The program's command line, as a shell user meets it: help and version print and leave, also
// where there is no display, and anything it does not know is refused with the usage and status 1.

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
    QTest::addColumn<bool>("display");
    QTest::newRow("version") << QStringList{"--version"} << 0 << "LV Monitor 1.00"
                             << "" << true;
    QTest::newRow("help") << QStringList{"--help"} << 0 << "--port <device>"
                          << "" << true;
    // As over a remote shell or in a package check: no display to open a window on.
    QTest::newRow("version, no display") << QStringList{"--version"} << 0 << "LV Monitor 1.00"
                                         << "" << false;
    QTest::newRow("help, no display") << QStringList{"--help"} << 0 << "--port <device>"
                                      << "" << false;
    QTest::newRow("unknown option") << QStringList{"--baud", "9600"} << 1 << ""
                                    << "Unknown option 'baud'." << true;
    QTest::newRow("stray argument") << QStringList{"/dev/ttyUSB0"} << 1 << ""
                                    << "Unexpected argument '/dev/ttyUSB0'." << true;
    QTest::newRow("option without its value") << QStringList{"--port"} << 1 << ""
                                              << "Missing value after '--port'." << true;
}

void tst_CommandLine::optionsThatEndAtOnce()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QString, stdoutHas);
    QFETCH(QString, stderrHas);
    QFETCH(bool, display);
    QProcess program;
    if (!display) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("DISPLAY"));
        env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        program.setProcessEnvironment(env);
    }
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
