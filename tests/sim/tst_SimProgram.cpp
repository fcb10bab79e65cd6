// lvconsole-sim as a script starts it: a --link left behind by a simulator that was killed is
// replaced, and the link it makes goes with it when it is stopped; a --speed-factor outside the
// range a replay takes is refused with the range, one inside it is taken.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

class tst_SimProgram : public QObject
{
    Q_OBJECT
private slots:
    void staleLinkIsReplaced();
    void speedFactorMustBeInItsRange_data();
    void speedFactorMustBeInItsRange();
};

void tst_SimProgram::staleLinkIsReplaced()
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

void tst_SimProgram::speedFactorMustBeInItsRange_data()
{
    QTest::addColumn<QString>("factor");
    QTest::addColumn<bool>("taken");
    QTest::newRow("tiny: every time would overflow") << "1e-300" << false;
    QTest::newRow("too fast") << "1e7" << false;
    QTest::newRow("not a number") << "nan" << false;
    QTest::newRow("slowest") << "0.01" << true;
    QTest::newRow("fastest") << "1000" << true;
}

void tst_SimProgram::speedFactorMustBeInItsRange()
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

QTEST_GUILESS_MAIN(tst_SimProgram)
#include "tst_SimProgram.moc"
