// The real serial backend on a pseudo-terminal: a read that comes with a line error is reported
// and dropped, never handed on as data; a write reaches the driver at once; and what a device that
// cannot be a console's is called, with what to do about it.

#include "link/QtSerialBackend.h"
#include "link/Session.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// The driver's error counters as the test sets them; a pty keeps none of its own.
class CountedLine : public QtSerialBackend
{
public:
    std::array<int, 5> counts{};

protected:
    bool readCounters(std::array<int, 5>& c) const override
    {
        c = counts;
        return true;
    }
};

} // namespace

class tst_SerialLine : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup() { ::close(m_console); }
    void readWithALineErrorIsDropped();
    void aWriteReachesTheDriverAtOnce();
    void devicesThatCannotBeAConsolesAreExplained_data();
    void devicesThatCannotBeAConsolesAreExplained();

private:
    void console(const QByteArray& bytes)
    {
        QVERIFY(::write(m_console, bytes.data(), size_t(bytes.size())) == bytes.size());
    }
    int m_console = -1;
    QString m_device;
};

void tst_SerialLine::init()
{
    m_console = posix_openpt(O_RDWR | O_NOCTTY);
    QVERIFY(m_console >= 0 && grantpt(m_console) == 0 && unlockpt(m_console) == 0);
    m_device = QString::fromLocal8Bit(ptsname(m_console));
}

void tst_SerialLine::readWithALineErrorIsDropped()
{
    CountedLine line;
    QSignalSpy received(&line, &SerialBackend::received);
    QSignalSpy errors(&line, &SerialBackend::lineError);
    QVERIFY(line.open(m_device, LineSettings{}, nullptr));
    console("ok");
    QTRY_COMPARE(received.size(), 1);
    line.counts[1] = 1; // a parity error with the next bytes
    console("??");
    QTRY_COMPARE(errors.size(), 1);
    QCOMPARE(errors[0][0].toInt(), 1009);
    console("go");
    QTRY_COMPARE(received.size(), 2);
    QCOMPARE(received[1][0].toByteArray(), QByteArray("go"));
}

void tst_SerialLine::aWriteReachesTheDriverAtOnce()
{
    QtSerialBackend line;
    QVERIFY(line.open(m_device, LineSettings{}, nullptr));
    const QByteArray request("\xA5\x01\x02", 3);
    for (int i = 0; i < 3; ++i)
        line.write(request);
    // Without the event loop running: the bytes are with the driver already, though the pty may
    // hand them over in more than one read.
    QByteArray arrived;
    QDeadlineTimer deadline(5000);
    while (arrived.size() < 9 && !deadline.hasExpired()) {
        pollfd ready{m_console, POLLIN, 0};
        char buffer[64];
        if (::poll(&ready, 1, int(deadline.remainingTime())) > 0)
            if (const ssize_t n = ::read(m_console, buffer, sizeof buffer); n > 0)
                arrived.append(buffer, n);
    }
    QCOMPARE(arrived, request + request + request);
}

void tst_SerialLine::devicesThatCannotBeAConsolesAreExplained_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("advice");
    QTest::newRow("missing") << "missing"
                             << "does not exist. Is the adapter plugged in?";
    QTest::newRow("regular file") << "file"
                                  << "is not a serial port.";
    QTest::newRow("directory") << "directory"
                               << "is not a serial port.";
    // /dev/tty in a process without a controlling terminal: the path is there, nothing answers;
    // it is not called missing.
    QTest::newRow("no device behind the path")
        << "tty"
        << "No device answers at that path (No such device or address).";
}

void tst_SerialLine::devicesThatCannotBeAConsolesAreExplained()
{
    QFETCH(QString, kind);
    QFETCH(QString, advice);
    QTemporaryDir dir;
    QString path = QDir(dir.path()).filePath(QStringLiteral("ttyUSB9"));
    if (kind == QLatin1String("file")) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
    } else if (kind == QLatin1String("directory")) {
        path = dir.path();
    } else if (kind == QLatin1String("tty")) {
        path = QStringLiteral("/dev/tty");
    }
    // Opened in a child process with no controlling terminal.
    int fds[2];
    QVERIFY(::pipe(fds) == 0);
    const pid_t child = ::fork();
    QVERIFY(child >= 0);
    if (child == 0) {
        ::close(fds[0]);
        ::setsid(); // no controlling terminal from here on
        QtSerialBackend line;
        OpenError error;
        const QByteArray text =
            line.open(path, LineSettings{}, &error)
                ? QByteArray("opened")
                : Session::openFailureText(1, path, error.kind, error.reason).toUtf8();
        const bool written = ::write(fds[1], text.data(), size_t(text.size())) == text.size();
        ::_exit(written ? 0 : 1);
    }
    ::close(fds[1]);
    QByteArray text;
    char buffer[512];
    for (ssize_t n; (n = ::read(fds[0], buffer, sizeof buffer)) > 0;)
        text.append(buffer, n);
    ::close(fds[0]);
    int status = 0;
    QCOMPARE(::waitpid(child, &status, 0), child);
    const QString said = QString::fromUtf8(text);
    QVERIFY2(said.startsWith(QStringLiteral("Could not open Com1 (%1): ").arg(path)) &&
                 said.endsWith(advice),
             qPrintable(said));
}

QTEST_GUILESS_MAIN(tst_SerialLine)
#include "tst_serialline.moc"
