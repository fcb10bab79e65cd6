#include "link/QtSerialBackend.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>
#endif
#ifdef Q_OS_LINUX
#include <linux/serial.h>
#include <sys/ioctl.h>
#endif

namespace {

QSerialPort::Parity parityOf(char p)
{
    switch (p) {
    case 'e':
        return QSerialPort::EvenParity;
    case 'o':
        return QSerialPort::OddParity;
    case 'm':
        return QSerialPort::MarkParity;
    case 's':
        return QSerialPort::SpaceParity;
    default:
        return QSerialPort::NoParity;
    }
}

// The serial control's event codes for the counters, in the order they are kept.
constexpr std::array<int, 5> kCounterEvents = {1004, 1009, 1001, 1006, 1008};

} // namespace

QtSerialBackend::QtSerialBackend(QObject* parent) : SerialBackend(parent)
{
    m_frame.setTimerType(Qt::PreciseTimer);
    m_frame.setInterval(UnwatchedMs);
    connect(&m_frame, &QTimer::timeout, this, &QtSerialBackend::readBurst);
    connect(&m_port, &QSerialPort::readyRead, this, &QtSerialBackend::readArrived);
    connect(&m_port, &QSerialPort::errorOccurred, this, &QtSerialBackend::portError);
}

QString QtSerialBackend::devicePath(const QString& device)
{
    // A bare name such as ttyUSB0 is one that QSerialPort finds under /dev.
    return device.contains(QLatin1Char('/')) ? device : QStringLiteral("/dev/") + device;
}

std::optional<OpenFailure> QtSerialBackend::checkPath(const QString& device)
{
#ifdef Q_OS_UNIX
    const QString path = devicePath(device);
    struct stat st
    {
    };
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return errno == EACCES ? std::optional(OpenFailure::NoPermission)
                               : std::optional(OpenFailure::Missing);
    if (!S_ISCHR(st.st_mode))
        return OpenFailure::NotASerialPort;
#else
    Q_UNUSED(device);
#endif
    return std::nullopt;
}

bool QtSerialBackend::open(const QString& device, const LineSettings& settings, OpenError* error)
{
    const auto fail = [&](OpenFailure kind, const QString& reason) {
        if (error)
            *error = {kind, reason};
        return false;
    };
    if (const auto bad = checkPath(device); bad && *bad != OpenFailure::NoPermission)
        return fail(*bad, *bad == OpenFailure::Missing ? QStringLiteral("No such file or directory")
                                                       : QStringLiteral("Not a character device"));
    m_port.setPortName(device);
    m_isPty = QFileInfo(device).canonicalFilePath().startsWith(QLatin1String("/dev/pts/"));
#ifdef Q_OS_UNIX
    // The program reads the line itself (see readBurst), through a descriptor of its own opened
    // before QSerialPort claims the device for itself alone; QSerialPort only writes.
    m_readFd = ::open(QFile::encodeName(devicePath(device)).constData(),
                      O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (m_readFd < 0) {
        const int e = errno;
        const QString reason = QString::fromLocal8Bit(std::strerror(e));
        switch (e) {
        case ENOENT:
        case ENODEV:
            return fail(OpenFailure::Missing, reason);
        case ENXIO:
            // The path is there, but nothing stands behind it: /dev/tty without a controlling
            // terminal, a port whose hardware is absent.
            return fail(OpenFailure::Other,
                        QStringLiteral("No device answers at that path (%1)").arg(reason));
        case EACCES:
        case EPERM:
            return fail(OpenFailure::NoPermission, reason);
        case EBUSY:
            return fail(OpenFailure::InUse, reason);
        default:
            return fail(OpenFailure::Other, reason);
        }
    }
    const QIODevice::OpenMode mode = QIODevice::WriteOnly;
#else
    const QIODevice::OpenMode mode = QIODevice::ReadWrite;
#endif
    if (!m_port.open(mode)) {
        closeReader();
        const QSerialPort::SerialPortError code = m_port.error();
        const QString reason = m_port.errorString();
        m_port.clearError();
        switch (code) {
        case QSerialPort::DeviceNotFoundError:
            return fail(OpenFailure::Missing, reason);
        case QSerialPort::PermissionError:
            // The same code stands for a device locked by another program.
            return fail(QFileInfo(device).isWritable() ? OpenFailure::InUse
                                                       : OpenFailure::NoPermission,
                        reason);
        case QSerialPort::UnsupportedOperationError:
            return fail(OpenFailure::NotASerialPort, reason);
        default:
            // A device that is no terminal answers the terminal requests with ENOTTY.
            return fail(reason.contains(QLatin1String("ioctl")) ? OpenFailure::NotASerialPort
                                                                : OpenFailure::Other,
                        reason);
        }
    }
    if (!configure(settings)) {
        close();
        return fail(OpenFailure::NotASerialPort,
                    QStringLiteral("the device rejects the line settings"));
    }
    m_port.clear(QSerialPort::AllDirections);
#ifdef Q_OS_UNIX
    m_readNotifier = std::make_unique<QSocketNotifier>(m_readFd, QSocketNotifier::Read);
    connect(m_readNotifier.get(), &QSocketNotifier::activated, this, &QtSerialBackend::readArrived);
#endif
    m_haveCounters = false;
    m_noCounters = false;
    checkErrorCounters(); // first reading is the baseline
    return true;
}

QtSerialBackend::~QtSerialBackend()
{
    close();
}

void QtSerialBackend::close()
{
    m_frame.stop();
    closeReader();
    if (m_port.isOpen())
        m_port.close();
}

void QtSerialBackend::closeReader()
{
#ifdef Q_OS_UNIX
    m_readNotifier.reset();
    if (m_readFd >= 0)
        ::close(m_readFd);
    m_readFd = -1;
#endif
}

bool QtSerialBackend::configure(const LineSettings& s)
{
    if (!m_port.isOpen())
        return true;
    const bool lineOk =
        m_port.setBaudRate(s.baud) && m_port.setParity(parityOf(s.parity)) &&
        m_port.setStopBits(s.stopBits == 2 ? QSerialPort::TwoStop : QSerialPort::OneStop) &&
        m_port.setFlowControl(QSerialPort::NoFlowControl);
    // A pseudo-terminal has no wire and keeps 8 bits whatever it is told; the character size
    // matters only to a real line.
    const bool bitsOk = m_port.setDataBits(QSerialPort::DataBits(s.dataBits)) || m_isPty;
    m_port.clearError();
    if (!lineOk || !bitsOk)
        return false;
    emit settingsApplied(s);
    return true;
}

void QtSerialBackend::write(const QByteArray& bytes)
{
    if (!m_port.isOpen())
        return;
    // Handed to the driver at once, as far as it takes them, rather than one more turn of the
    // event loop later; what it cannot take yet goes when it can.
    qsizetype taken = 0;
#ifdef Q_OS_UNIX
    // Straight to the driver while nothing of an earlier write waits: the port would leave its
    // write notifier on after writing, and the event loop would wake once more for nothing
    // (once for each request while the console talks).
    if (m_port.bytesToWrite() == 0) {
        const int fd = int(m_port.handle());
        while (taken < bytes.size()) {
            const ssize_t n = ::write(fd, bytes.constData() + taken, size_t(bytes.size() - taken));
            if (n > 0)
                taken += n;
            else if (n < 0 && errno == EINTR)
                continue;
            else
                break; // the driver is full, or failed: the port takes the rest and reports
        }
    }
#endif
    if (taken == bytes.size())
        return;
    m_port.write(bytes.constData() + taken, bytes.size() - taken);
    m_port.flush();
}

void QtSerialBackend::drain()
{
    if (m_port.isOpen() && m_port.bytesToWrite() > 0)
        m_port.waitForBytesWritten(250);
}

void QtSerialBackend::setWatched(bool watched)
{
    m_frame.setInterval(watched ? FrameMs : UnwatchedMs);
}

void QtSerialBackend::readArrived()
{
#ifdef Q_OS_UNIX
    // The first burst after a quiet spell is read at once; from then on, while the console keeps
    // talking, the notifier stays off and the line is read once a frame.
    m_readNotifier->setEnabled(false);
    readBurst();
#else
    if (!m_frame.isActive())
        m_frame.start();
#endif
}

int QtSerialBackend::readWaiting(QByteArray& into)
{
#ifdef Q_OS_UNIX
    for (;;) {
        const qsizetype at = into.size();
        into.resize(at + 4096);
        const ssize_t n = ::read(m_readFd, into.data() + at, 4096);
        into.resize(at + std::max<qsizetype>(n, 0));
        // A read that did not fill its room took all that was there.
        if (n > 0 && n < 4096)
            return 0;
        if (n > 0)
            continue;
        if (n == 0 || errno == EAGAIN || errno == EWOULDBLOCK)
            return 0;
        if (errno != EINTR)
            return errno;
    }
#else
    Q_UNUSED(into);
    return 0;
#endif
}

bool QtSerialBackend::hungUp() const
{
#ifdef Q_OS_UNIX
    pollfd state{m_readFd, POLLIN, 0};
    return ::poll(&state, 1, 0) > 0 && (state.revents & (POLLHUP | POLLERR | POLLNVAL));
#else
    return false;
#endif
}

void QtSerialBackend::readBurst()
{
    if (!m_port.isOpen()) {
        m_frame.stop();
        return;
    }
#ifdef Q_OS_UNIX
    QByteArray bytes;
    if (const int error = readWaiting(bytes)) {
        m_frame.stop();
        emit deviceLost(QString::fromLocal8Bit(std::strerror(error)));
        return;
    }
    if (bytes.isEmpty()) {
        m_frame.stop();
        // Nothing to read: either the device hung up (a pty whose far end closed reads as empty
        // and stays readable), or the console went quiet and the next burst is waited for.
        if (hungUp()) {
            emit deviceLost(QStringLiteral("the device hung up"));
            return;
        }
        m_readNotifier->setEnabled(true);
        return;
    }
    // While the console keeps talking the line is read once a frame, by a timer that repeats
    // rather than one set anew at every frame, and nothing else wakes the program.
    if (!m_frame.isActive())
        m_frame.start();
#else
    const QByteArray bytes = m_port.readAll();
    if (bytes.isEmpty()) {
        m_frame.stop(); // until the port reports more
        return;
    }
#endif
    // Bytes that came with a line error are not to be trusted: the error is reported and the
    // read dropped, rather than handed on into the buffer that the report has just emptied.
    if (checkErrorCounters())
        return;
    emit received(bytes);
}

void QtSerialBackend::portError(QSerialPort::SerialPortError error)
{
    // A pulled adapter reports a resource error; a pty whose far end closed fails every read.
    // Either way the device is gone, and the read notifier would fire again until it is closed.
    if (error == QSerialPort::ResourceError || error == QSerialPort::ReadError) {
        const QString reason = m_port.errorString();
        m_port.clearError();
        emit deviceLost(reason);
    }
}

bool QtSerialBackend::readCounters(std::array<int, 5>& counters) const
{
#ifdef Q_OS_LINUX
    serial_icounter_struct ic{};
    if (::ioctl(int(m_port.handle()), TIOCGICOUNT, &ic) != 0)
        return false; // this driver keeps no counters
    counters = {ic.frame, ic.parity, ic.brk, ic.overrun, ic.buf_overrun};
    return true;
#else
    Q_UNUSED(counters);
    return false;
#endif
}

bool QtSerialBackend::checkErrorCounters()
{
    std::array<int, 5> now{};
    if (!m_port.isOpen() || m_noCounters)
        return false;
    if (!readCounters(now)) {
        m_noCounters = true; // a driver that refuses once is not asked on every read
        return false;
    }
    const bool baseline = !m_haveCounters;
    const std::array<int, 5> before = m_counters;
    m_counters = now;
    m_haveCounters = true;
    if (baseline)
        return false;
    bool raised = false;
    for (size_t i = 0; i < now.size(); ++i)
        if (now[i] != before[i]) {
            raised = true;
            emit lineError(kCounterEvents[i]);
        }
    return raised;
}
