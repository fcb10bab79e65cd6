#include "LineTransport.h"

#include <QSocketNotifier>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

namespace {

struct SpeedCode
{
    int bps;
    speed_t code;
};
constexpr SpeedCode kSpeeds[] = {{1200, B1200},   {2400, B2400},    {4800, B4800},
                                 {9600, B9600},   {19200, B19200},  {38400, B38400},
                                 {57600, B57600}, {115200, B115200}};

int bpsOf(speed_t code)
{
    for (const SpeedCode& s : kSpeeds) {
        if (s.code == code)
            return s.bps;
    }
    return 0;
}

speed_t codeOf(int bps)
{
    for (const SpeedCode& s : kSpeeds) {
        if (s.bps == bps)
            return s.code;
    }
    return B38400;
}

QString errnoText(const char* what)
{
    return QStringLiteral("%1: %2").arg(QLatin1String(what),
                                        QString::fromLocal8Bit(strerror(errno)));
}

} // namespace

LineTransport::LineTransport(QObject* parent) : QObject(parent)
{
    m_peerPoll.setInterval(20);
    connect(&m_peerPoll, &QTimer::timeout, this, &LineTransport::checkPeer);
}

LineTransport::~LineTransport()
{
    close();
}

bool LineTransport::openPty(QString* error)
{
    close();
    const int fd = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd < 0 || grantpt(fd) != 0 || unlockpt(fd) != 0) {
        if (error)
            *error = errnoText("cannot create a pseudo-terminal");
        if (fd >= 0)
            ::close(fd);
        return false;
    }
    const char* slave = ptsname(fd);
    m_path = slave ? QString::fromLocal8Bit(slave) : QString();
    m_fd = fd;
    m_isPty = true;
    m_dataBitsVisible = probeDataBits();
    m_readNotifier = new QSocketNotifier(m_fd, QSocketNotifier::Read, this);
    connect(m_readNotifier, &QSocketNotifier::activated, this, &LineTransport::onReadable);
    m_writeNotifier = new QSocketNotifier(m_fd, QSocketNotifier::Write, this);
    m_writeNotifier->setEnabled(false);
    connect(m_writeNotifier, &QSocketNotifier::activated, this, &LineTransport::onWritable);
    // Nobody has the slave open yet (the probe closed it again): wait for the program.
    m_readNotifier->setEnabled(false);
    m_peerPresent = false;
    m_peerPoll.start();
    return true;
}

bool LineTransport::probeDataBits()
{
    // Open the slave once: set it raw (no echo) and see whether 7 data bits stick.
    const int s = ::open(m_path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (s < 0)
        return false;
    bool visible = false;
    termios t{};
    if (tcgetattr(s, &t) == 0) {
        cfmakeraw(&t);
        t.c_cflag = (t.c_cflag & ~CSIZE) | CS7;
        tcsetattr(s, TCSANOW, &t);
        termios back{};
        visible = tcgetattr(s, &back) == 0 && (back.c_cflag & CSIZE) == CS7;
        t.c_cflag = (t.c_cflag & ~CSIZE) | CS8;
        tcsetattr(s, TCSANOW, &t);
    }
    ::close(s);
    return visible;
}

bool LineTransport::openDevice(const QString& path, QString* error)
{
    close();
    const int fd = ::open(path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        if (error)
            *error = errnoText("cannot open the device");
        return false;
    }
    termios t{};
    if (tcgetattr(fd, &t) != 0) {
        if (error)
            *error = errnoText("not a serial device");
        ::close(fd);
        return false;
    }
    cfmakeraw(&t);
    t.c_cflag |= CLOCAL | CREAD;
    t.c_cflag &= ~(CRTSCTS | PARENB | CSTOPB);
    tcsetattr(fd, TCSANOW, &t);
    m_fd = fd;
    m_path = path;
    m_isPty = false;
    m_dataBitsVisible = true;
    m_peerPresent = true;
    m_readNotifier = new QSocketNotifier(m_fd, QSocketNotifier::Read, this);
    connect(m_readNotifier, &QSocketNotifier::activated, this, &LineTransport::onReadable);
    m_writeNotifier = new QSocketNotifier(m_fd, QSocketNotifier::Write, this);
    m_writeNotifier->setEnabled(false);
    connect(m_writeNotifier, &QSocketNotifier::activated, this, &LineTransport::onWritable);
    return true;
}

void LineTransport::close()
{
    m_peerPoll.stop();
    delete m_readNotifier;
    m_readNotifier = nullptr;
    delete m_writeNotifier;
    m_writeNotifier = nullptr;
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    m_out.clear();
}

ConsoleLine LineTransport::lineSettings() const
{
    ConsoleLine s;
    termios t{};
    if (m_fd < 0 || tcgetattr(m_fd, &t) != 0)
        return s;
    s.speed = bpsOf(cfgetospeed(&t));
    switch (t.c_cflag & CSIZE) {
    case CS5:
        s.dataBits = 5;
        break;
    case CS6:
        s.dataBits = 6;
        break;
    case CS7:
        s.dataBits = 7;
        break;
    default:
        s.dataBits = 8;
        break;
    }
    return s;
}

bool LineTransport::setLineSettings(const ConsoleLine& settings)
{
    if (m_fd < 0 || m_isPty)
        return false;
    termios t{};
    if (tcgetattr(m_fd, &t) != 0)
        return false;
    cfsetispeed(&t, codeOf(settings.speed));
    cfsetospeed(&t, codeOf(settings.speed));
    t.c_cflag = (t.c_cflag & ~CSIZE) | (settings.dataBits == 7 ? CS7 : CS8);
    return tcsetattr(m_fd, TCSANOW, &t) == 0;
}

void LineTransport::write(const QByteArray& bytes)
{
    if (m_fd < 0 || !m_peerPresent)
        return; // nobody listens: the bytes are lost, as on an unplugged cable
    m_out.append(bytes);
    flush();
}

void LineTransport::drain()
{
    if (m_fd < 0 || m_isPty)
        return;
    while (!m_out.isEmpty()) {
        pollfd p{m_fd, POLLOUT, 0};
        if (::poll(&p, 1, 1000) <= 0)
            break;
        flush();
    }
    tcdrain(m_fd);
}

void LineTransport::flush()
{
    while (!m_out.isEmpty()) {
        const ssize_t n = ::write(m_fd, m_out.constData(), size_t(m_out.size()));
        if (n > 0) {
            m_out.remove(0, n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            m_writeNotifier->setEnabled(true);
            return;
        }
        if (m_isPty) // EIO: the program closed the port meanwhile
            markPeerGone();
        else
            m_out.clear();
        return;
    }
    m_writeNotifier->setEnabled(false);
}

void LineTransport::onWritable()
{
    flush();
}

void LineTransport::onReadable()
{
    char buf[4096];
    for (;;) {
        const ssize_t n = ::read(m_fd, buf, sizeof buf);
        if (n > 0) {
            emit received(QByteArray(buf, int(n)));
            if (m_fd < 0)
                return; // a receiver closed the line
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return;
        // EIO (pty: no slave open) or end of file.
        if (m_isPty)
            markPeerGone();
        else
            m_readNotifier->setEnabled(false);
        return;
    }
}

void LineTransport::markPeerGone()
{
    m_readNotifier->setEnabled(false);
    m_writeNotifier->setEnabled(false);
    m_out.clear();
    discardStaleInput();
    const bool was = m_peerPresent;
    m_peerPresent = false;
    m_peerPoll.start();
    if (was)
        emit peerClosed();
}

void LineTransport::discardStaleInput()
{
    // Bytes still queued for the slave would be the first thing the next open reads.
    const int s = ::open(m_path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (s >= 0) {
        tcflush(s, TCIOFLUSH);
        ::close(s);
    }
}

void LineTransport::checkPeer()
{
    if (m_fd < 0 || !m_isPty)
        return;
    pollfd p{m_fd, POLLIN, 0};
    if (::poll(&p, 1, 0) < 0)
        return;
    const bool hungUp = (p.revents & POLLHUP) != 0;
    if (hungUp) {
        if (m_peerPresent) {
            markPeerGone();
        } else if (!m_peerPoll.isActive()) {
            m_peerPoll.start();
        }
        return;
    }
    if (!m_peerPresent) {
        m_peerPresent = true;
        m_peerPoll.stop();
        m_readNotifier->setEnabled(true);
        emit peerOpened();
    }
}
