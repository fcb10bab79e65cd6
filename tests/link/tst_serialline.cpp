// The real serial backend on a pseudo-terminal: a read that comes with a line error is reported
// and dropped, never handed on as data; a driver without error counters is asked only once; a
// write reaches the driver at once and leaves nothing behind to wake the program.

#include "EventCounter.h"
#include "link/QtSerialBackend.h"

#include <QSignalSpy>
#include <QTest>

#include <fcntl.h>
#include <stdlib.h>
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
    QByteArray arrived(64, '\0');
    const ssize_t n = ::read(m_console, arrived.data(), size_t(arrived.size()));
    QCOMPARE(arrived.left(std::max<qsizetype>(n, 0)), request + request + request);
    QTest::qWait(50);
    QCOMPARE(activations.count, 0);
}

QTEST_GUILESS_MAIN(tst_SerialLine)
#include "tst_serialline.moc"
