#include "link/SerialPort.h"

#include "model/Settings.h"

#include <QMetaObject>

#include <algorithm>
#include <array>

SerialPort::SerialPort(std::unique_ptr<SerialBackend> backend, QObject* parent)
    : QObject(parent), m_backend(std::move(backend))
{
    m_line = *LineSettings::parse(m_settingsText);
    connect(m_backend.get(), &SerialBackend::received, this, &SerialPort::bytesArrived);
    connect(m_backend.get(), &SerialBackend::lineError, this, &SerialPort::raise);
    connect(m_backend.get(), &SerialBackend::deviceLost, this, &SerialPort::deviceLost);
}

SerialPort::~SerialPort()
{
    m_backend->disconnect(this);
    m_backend->close();
}

namespace {
constexpr qsizetype kKeptCapacity = 64 * 1024;

// COM1 and COM2 as chosen for this run; empty: not chosen.
std::array<QString, 2>& devicesForThisRun()
{
    static std::array<QString, 2> devices;
    return devices;
}
} // namespace

void SerialPort::setDeviceForThisRun(int commPort, const QString& device)
{
    if (commPort == 1 || commPort == 2)
        devicesForThisRun()[size_t(commPort - 1)] = device;
}

QString SerialPort::deviceFor(int commPort)
{
    if ((commPort == 1 || commPort == 2) && !devicesForThisRun()[size_t(commPort - 1)].isEmpty())
        return devicesForThisRun()[size_t(commPort - 1)];
    const QString n = QString::number(commPort);
    const QString fromEnv = qEnvironmentVariable(qPrintable(QStringLiteral("LVMONITOR_COM") + n));
    if (!fromEnv.isEmpty())
        return fromEnv;
    const QString fromSettings = ::Settings().GetSetting(QString::fromLatin1(::Settings::Startup),
                                                         QStringLiteral("Com%1Device").arg(n));
    if (!fromSettings.isEmpty())
        return fromSettings;
#ifdef Q_OS_WIN
    return QStringLiteral("COM") + n;
#else
    return QStringLiteral("/dev/ttyS%1").arg(commPort - 1);
#endif
}

void SerialPort::setSettings(const QString& settings)
{
    const auto parsed = LineSettings::parse(settings);
    if (!parsed) {
        raise(comEventDCB);
        return;
    }
    m_settingsText = settings;
    m_line = *parsed;
    if (PortOpen() && !m_backend->configure(m_line))
        raise(comEventDCB);
}

bool SerialPort::PortOpen() const
{
    return m_backend->isOpen();
}

bool SerialPort::setPortOpen(bool open)
{
    m_lastOpenError = {};
    if (open == PortOpen())
        return true;
    clearInBuffer();
    if (!open) {
        m_backend->close();
        return true;
    }
    const QString device = deviceFor(m_commPort);
    // The system would take the path only up to the NUL, and open another device.
    if (device.contains(QChar(u'\0'))) {
        m_lastOpenError = {OpenFailure::Other,
                           QStringLiteral("The device path contains a NUL character. Choose or "
                                          "type the device again")};
        return false;
    }
    OpenError error;
    if (!m_backend->open(device, m_line, &error)) {
        m_lastOpenError = error;
        if (m_lastOpenError.reason.isEmpty())
            m_lastOpenError.reason = QStringLiteral("unknown error");
        return false;
    }
    m_lossPending = false;
    return true;
}

void SerialPort::Output(const QByteArray& bytes)
{
    if (!PortOpen() || bytes.isEmpty())
        return;
    m_backend->write(bytes);
    for (LineObserver* observer : m_observers)
        observer->sent(bytes);
}

void SerialPort::addObserver(LineObserver* observer)
{
    if (observer &&
        std::find(m_observers.begin(), m_observers.end(), observer) == m_observers.end())
        m_observers.push_back(observer);
}

void SerialPort::removeObserver(LineObserver* observer)
{
    m_observers.erase(std::remove(m_observers.begin(), m_observers.end(), observer),
                      m_observers.end());
}

void SerialPort::clearInBuffer()
{
    // Keep the room for the next burst rather than allocate it again, unless a flood made the
    // buffer far larger than a burst needs.
    if (m_in.capacity() > kKeptCapacity)
        m_in = QByteArray();
    else
        m_in.resize(0);
    m_readPos = 0;
}

QByteArray SerialPort::Input()
{
    QByteArray out;
    InputInto(out);
    return out;
}

void SerialPort::InputInto(QByteArray& into)
{
    const qsizetype waiting = m_in.size() - m_readPos;
    const qsizetype n = m_inputLen <= 0 ? waiting : std::min<qsizetype>(m_inputLen, waiting);
    into.resize(n);
    if (n > 0)
        std::copy_n(m_in.constData() + m_readPos, n, into.data());
    m_readPos += n;
    if (m_readPos == m_in.size())
        clearInBuffer();
}

void SerialPort::bytesArrived(const QByteArray& bytes)
{
    // A closed port hears nothing, also what a device reports after it was closed.
    if (!PortOpen())
        return;
    // Keep the buffer from growing without end: move the unread tail to the front once the read
    // part is the larger.
    if (m_readPos > 0 && m_readPos >= m_in.size() / 2) {
        m_in.remove(0, m_readPos);
        m_readPos = 0;
    }
    emit inputArriving();
    for (LineObserver* observer : m_observers)
        observer->received(bytes);
    const qsizetype room = InBufferSize - InBufferCount();
    const bool overflow = bytes.size() > room;
    m_in.append(bytes.constData(), std::min<qsizetype>(bytes.size(), std::max<qsizetype>(room, 0)));
    if (overflow)
        raise(comEventRxOver);
    if (m_rThreshold > 0 && InBufferCount() >= m_rThreshold)
        raise(comEvReceive);
    emit inputHandled();
}

void SerialPort::raise(int commEvent)
{
    m_commEvent = commEvent;
    emit OnComm();
}

void SerialPort::deviceLost(const QString& reason)
{
    // The backend reports from inside its own error handling; close once control is back in the
    // event loop.
    if (m_lossPending)
        return;
    m_lossPending = true;
    QMetaObject::invokeMethod(
        this, [this, reason] { closeAfterLoss(reason); }, Qt::QueuedConnection);
}

void SerialPort::closeAfterLoss(const QString& reason)
{
    if (!m_lossPending)
        return; // reopened meanwhile
    m_lossPending = false;
    if (!PortOpen())
        return;
    m_backend->close();
    clearInBuffer();
    emit connectionLost(reason);
}
