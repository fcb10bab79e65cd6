// The real serial backend on a pseudo-terminal: a read that comes with a line error is reported
// and dropped, never handed on as data; a driver without error counters is asked only once; a
// write reaches the driver at once and leaves nothing behind to wake the program; a path with no
// device behind it is not called missing.

#include "EventCounter.h"
#include "link/QtSerialBackend.h"
#include "link/Session.h"

#include <QDeadlineTimer>
#include <QSignalSpy>
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
    bool keepsCounters = true;
    mutable int asked = 0;

protected:
    bool readCounters(std::array<int, 5>& c) const override
    {
        ++asked;
        c = counts;
        return keepsCounters;
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
    void driverWithoutCountersIsAskedOnce();
    void aWriteReachesTheDriverAtOnceAndWakesNothingLater();
    void pathWithNoDeviceBehindItIsNotCalledMissing();

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

void tst_SerialLine::driverWithoutCountersIsAskedOnce()
{
    CountedLine line;
    line.keepsCounters = false;
    QSignalSpy received(&line, &SerialBackend::received);
    QVERIFY(line.open(m_device, LineSettings{}, nullptr));
    for (const char* bytes : {"a", "b", "c"}) {
        console(bytes);
        QTRY_COMPARE(received.size(), bytes[0] - 'a' + 1);
    }
    QCOMPARE(line.asked, 1);
}

void tst_SerialLine::aWriteReachesTheDriverAtOnceAndWakesNothingLater()
{
    QtSerialBackend line;
    QVERIFY(line.open(m_device, LineSettings{}, nullptr));
    EventCounter activations(QEvent::SockAct); // wake-ups of socket notifiers
    QCoreApplication::instance()->installEventFilter(&activations);
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
    QTest::qWait(50);
    QCOMPARE(activations.count, 0);
}

// /dev/tty in a process without a controlling terminal: the path is there, nothing answers.
void tst_SerialLine::pathWithNoDeviceBehindItIsNotCalledMissing()
{
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
            line.open(QStringLiteral("/dev/tty"), LineSettings{}, &error)
                ? QByteArray("opened")
                : Session::openFailureText(1, QStringLiteral("/dev/tty"), error.kind, error.reason)
                      .toUtf8();
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
    QCOMPARE(text, QByteArray("Could not open Com1 (/dev/tty): No device answers at that path (No "
                              "such device or address)."));
}

QTEST_GUILESS_MAIN(tst_SerialLine)
#include "tst_serialline.moc"
