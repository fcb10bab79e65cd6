// lvconsole-sim as a script starts it: a --link left behind by a simulator that was killed is
// replaced, and the link it makes goes with it when it is stopped.

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

QTEST_GUILESS_MAIN(tst_SimProgram)
#include "tst_SimProgram.moc"
