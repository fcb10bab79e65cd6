// The program's command line, as a shell user meets it: help and version print and leave, also
// where there is no display, anything it does not know is refused with the usage and status 1,
// a recording never replaces a file that is there, and a web page whose plugin is missing says
// where it was looked for.

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
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
    // As over a remote shell or in a package check: no display to open a window on. The
    // arguments are read before one is looked for.
    QTest::newRow("version, no display") << QStringList{"--version"} << 0 << "LV Monitor 1.0.0"
                                         << "" << false;
    QTest::newRow("help, no display") << QStringList{"--help"} << 0 << "--port <device>"
                                      << "" << false;
    QTest::newRow("manual page, no display") << QStringList{"--help-man"} << 0 << "\\-\\-record"
                                             << "" << false;
    QTest::newRow("unknown option, no display") << QStringList{"--no-such-option"} << 1 << ""
                                                << "Unknown option 'no-such-option'." << false;
    QTest::newRow("unknown option beside Qt's own")
        << QStringList{"-platform", "xcb", "--baud"} << 1 << ""
        << "Unknown option 'baud'." << false;
    QTest::newRow("stray argument") << QStringList{"/dev/ttyUSB0"} << 1 << ""
                                    << "Unexpected argument '/dev/ttyUSB0'." << true;
    QTest::newRow("option without its value") << QStringList{"--port"} << 1 << ""
                                              << "Missing value after '--port'." << false;
    QTest::newRow("web address that is none, no display")
        << QStringList{"--web", "1.2.3:80"} << 1 << ""
        << "--web takes [ADDRESS:]PORT, not '1.2.3:80'." << false;
    // ALONE runs a copy of the program in a folder of its own, without its plugin.
    QTest::newRow("web page without its plugin")
        << QStringList{"ALONE", "--web", "127.0.0.1:9"} << 1 << ""
        << "lvmonitor-web.so" << true;
    // EXISTING stands for a file the test makes: it must come through untouched.
    QTest::newRow("record into an existing file") << QStringList{"--record", "EXISTING"} << 1 << ""
                                                  << "already exists" << true;
}

void tst_CommandLine::optionsThatEndAtOnce()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QString, stdoutHas);
    QFETCH(QString, stderrHas);
    QFETCH(bool, display);
    QTemporaryDir dir;
    const QString existing = dir.filePath(QStringLiteral("taken.lvrec"));
    {
        QFile file(existing);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("keep me");
    }
    arguments.replaceInStrings(QStringLiteral("EXISTING"), existing);
    QString binary = QStringLiteral(LVMONITOR_BINARY);
    const bool alone = arguments.removeAll(QStringLiteral("ALONE")) > 0;
    if (alone) {
        binary = dir.filePath(QStringLiteral("lvmonitor"));
        QVERIFY(QFile::copy(QStringLiteral(LVMONITOR_BINARY), binary));
    }
    QProcess program;
    if (!display) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("DISPLAY"));
        env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        program.setProcessEnvironment(env);
    }
    program.start(binary, arguments);
    QVERIFY(program.waitForFinished(20000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), status);
    const QString out = QString::fromLocal8Bit(program.readAllStandardOutput());
    const QString err = QString::fromLocal8Bit(program.readAllStandardError());
    QVERIFY2(out.contains(stdoutHas), qPrintable(out));
    QVERIFY2(err.contains(stderrHas), qPrintable(err));
    const bool badOption = !arguments.contains(existing) && !alone;
    if (status != 0 && badOption) // refused: the usage follows the reason
        QVERIFY2(err.contains(QLatin1String("Usage:")), qPrintable(err));
    QFile kept(existing);
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QCOMPARE(kept.readAll(), QByteArray("keep me"));
}

QTEST_GUILESS_MAIN(tst_CommandLine)
#include "tst_commandline.moc"
