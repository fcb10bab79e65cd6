#include "link/Session.h"

#include "link/Commands.h"
#include "link/Receiver.h"
#include "link/SerialPort.h"
#include "model/Settings.h"

#include <algorithm>
#include <utility>

namespace {
bool isLineError(int commEvent)
{
    return commEvent == SerialPort::comEventBreak || commEvent == SerialPort::comEventFrame ||
           commEvent == SerialPort::comEventOverrun || commEvent == SerialPort::comEventRxOver ||
           commEvent == SerialPort::comEventRxParity;
}

bool detectingSpeed(qint16 rxState)
{
    return rxState == Receiver::AwaitHello38400 || rxState == Receiver::AwaitHello19200 ||
           rxState == Receiver::AwaitHello1200;
}
} // namespace

Session::Session(SerialPort& port, Receiver& receiver, SessionHost& host, QObject* parent)
    : QObject(parent), m_port(port), m_receiver(receiver), m_host(host)
{
    Timer1.setObjectName(QStringLiteral("Timer1"));
    Timer1.setSingleShot(true);
    Timer1.setInterval(StepMs);
    connect(&Timer1, &QTimer::timeout, this, &Session::Timer1_Timer);
    ReconnectTimer.setObjectName(QStringLiteral("ReconnectTimer"));
    ReconnectTimer.setInterval(ReconnectMs);
    connect(&ReconnectTimer, &QTimer::timeout, this, &Session::ReconnectTimer_Timer);
    connect(&m_port, &SerialPort::OnComm, this, &Session::MSComm1_OnComm);
    connect(&m_port, &SerialPort::connectionLost, this, &Session::connectionLost);
    m_receiver.onLinkUp = [this] { linkUp(); };
}

void Session::Connect()
{
    stopReconnecting();
    if (!openAndSearch()) {
        m_host.setStatus(openFailureText(m_port.CommPort(),
                                         SerialPort::deviceFor(m_port.CommPort()),
                                         m_port.lastOpenFailure(), m_port.lastOpenError()));
        setLinkState(LinkState::NotConnected);
    }
}

bool Session::openAndSearch()
{
    Timer1.stop();
    if (m_port.PortOpen())
        m_port.setPortOpen(false);
    const bool com1 =
        Settings().GetBool(QString::fromLatin1(Settings::Startup), QStringLiteral("Com1"), true);
    m_port.setCommPort(com1 ? 1 : 2);
    m_port.setSettings(QStringLiteral("38400,n,8,1"));
    if (!m_port.setPortOpen(true)) {
        SessionStep = NotStarted;
        m_receiver.RxState = Receiver::Idle;
        return false;
    }
    m_port.Output(Commands::Hello());
    m_port.setRThreshold(2);
    m_receiver.RxState = Receiver::AwaitHello38400;
    SessionStep = Trying38400;
    armTimer();
    setLinkState(LinkState::Searching, 38400);
    return true;
}

void Session::ReconnectTimer_Timer()
{
    // Quietly: the device may take a while to come back, and nothing is shown until it does.
    if (openAndSearch())
        ReconnectTimer.stop();
}

void Session::stopReconnecting()
{
    if (!ReconnectTimer.isActive())
        return;
    ReconnectTimer.stop();
    if (m_linkState == LinkState::Reconnecting)
        setLinkState(LinkState::Lost);
}

QString Session::openFailureText(int commPort, const QString& path, OpenFailure kind,
                                 const QString& reason)
{
    // A NUL in the path is shown, not taken as the end of the text.
    const QString device = QString(path).replace(QChar(u'\0'), QLatin1String("\\0"));
    QString text =
        QStringLiteral("Could not open Com%1 (%2): %3.").arg(commPort).arg(device, reason);
    switch (kind) {
    case OpenFailure::Missing:
        return text + QStringLiteral(" %1 does not exist. Is the adapter plugged in?").arg(device);
    case OpenFailure::NotASerialPort:
        return text + QStringLiteral(" %1 is not a serial port.").arg(device);
    case OpenFailure::NoPermission:
#ifdef Q_OS_LINUX
        return text +
               QStringLiteral(" Add your user to the dialout group (sudo usermod -aG dialout "
                              "$USER) and log in again.");
#else
        return text + QStringLiteral(" Ask an administrator for access to the port.");
#endif
    case OpenFailure::InUse:
        return text + QStringLiteral(" Another program is using it: close that program, then "
                                     "press Connect again.");
    case OpenFailure::Other:
        break;
    }
    return text;
}

void Session::setLinkState(LinkState state, int baud)
{
    m_linkState = state;
    m_searchBaud = baud;
    if (state == LinkState::Searching)
        m_host.setStatus(
            QStringLiteral("Trying to communicate with the Lumivane. Trying %1 bit/s.").arg(baud));
    emit linkStateChanged();
}

void Session::Disconnect()
{
    Timer1.stop();
    ReconnectTimer.stop();
    if (m_port.PortOpen()) {
        m_port.Output(Commands::MonitorClosing());
        m_port.drainOutput();
        m_port.setPortOpen(false);
    }
    SessionStep = NotStarted;
    m_receiver.RxState = Receiver::Idle;
    m_host.setStatus(QStringLiteral("Disconnected. Press Connect to link up again."));
    setLinkState(LinkState::NotConnected);
}

void Session::Refresh()
{
    if (m_port.PortOpen())
        m_port.Output(Commands::RequestAllData());
}

void Session::Timer1_Timer()
{
    Timer1.stop();
    switch (SessionStep) {
    case Trying38400:
        tryNextSpeed("19200,n,8,1", Commands::Hello(), 2, Receiver::AwaitHello19200, Trying19200);
        setLinkState(LinkState::Searching, 19200);
        break;
    case Trying19200:
        tryNextSpeed("1200,n,7,1", Commands::Hello1200(), 3, Receiver::AwaitHello1200, Trying1200);
        setLinkState(LinkState::Searching, 1200);
        break;
    case Trying1200:
        m_host.setStatus(QStringLiteral(
            "Lumivane not responding. Check that the console is switched on, that the cable is "
            "plugged in at both ends, and that the right port is chosen."));
        m_port.setPortOpen(false);
        // No session any more: a late reply must not link up a port that is closed.
        m_receiver.RxState = Receiver::Idle;
        setLinkState(LinkState::NotConnected);
        break;
    case Linked: {
        m_host.hideStartup();
        if (m_port.PortOpen())
            m_port.Output(Commands::RequestAllData());
        m_host.reopenViews();
        break;
    }
    default:
        break;
    }
}

void Session::tryNextSpeed(const char* settings, const QByteArray& hello, int threshold,
                           qint16 rxState, Step next)
{
    m_port.setSettings(QString::fromLatin1(settings));
    // What arrived at the old speed means nothing at the new one, and a stray byte left waiting
    // would put the reply out of step with the reads.
    m_port.clearInBuffer();
    m_port.Output(hello);
    m_port.setRThreshold(threshold);
    m_receiver.RxState = rxState;
    SessionStep = next;
    armTimer();
}

void Session::linkUp()
{
    Timer1.stop();
    m_host.setStatus(QStringLiteral("Lumivane is connected."));
    SessionStep = Linked;
    armTimer();
    setLinkState(LinkState::Connected);
}

void Session::armTimer()
{
    Timer1.setInterval(StepMs);
    Timer1.start();
}

void Session::MSComm1_OnComm()
{
    // While a line error is on screen nothing else runs: bytes wait in the port and further
    // errors are not stacked as more boxes.
    if (m_reporting)
        return;
    const int event = m_port.CommEvent();
    if (event == SerialPort::comEvReceive) {
        m_receiver.processindata();
        return;
    }
    if (errorText(event).isEmpty())
        return;
    // A console at another speed garbles what we hear while we look for its speed; that is
    // expected and must not end the search.
    if (isLineError(event) && detectingSpeed(m_receiver.RxState))
        return;
    report(event);
}

void Session::report(int commEvent)
{
    // The box has an event loop of its own: the search must not move on to the next speed
    // underneath it, and what arrives meanwhile waits in the port.
    const int remaining = Timer1.isActive() ? Timer1.remainingTime() : -1;
    Timer1.stop();
    m_reporting = true;
    m_host.reportLineError(lineErrorText(commEvent, m_port.Settings()));
    m_reporting = false;
    if (detectingSpeed(m_receiver.RxState)) {
        // The search goes on where it stood, and a reply that came during the box is read now.
        if (remaining >= 0)
            Timer1.start(std::max(remaining, 0));
        if (m_port.InBufferCount() >= m_port.RThreshold())
            m_receiver.processindata();
        return;
    }
    if (remaining >= 0)
        Timer1.start(std::max(remaining, 0));
    m_port.clearInBuffer();
    m_receiver.RxState = Receiver::Hunting;
    m_port.setRThreshold(1);
}

void Session::connectionLost()
{
    Timer1.stop();
    SessionStep = NotStarted;
    m_receiver.RxState = Receiver::Idle;
    const bool retry = Settings().GetBool(QString::fromLatin1(Settings::Startup),
                                          QStringLiteral("Reconnect"), true);
    m_host.setStatus(retry ? QStringLiteral("Lumivane connection lost. Reconnecting\u2026")
                           : QStringLiteral("Lumivane connection lost."));
    m_host.showStartup();
    if (retry) {
        ReconnectTimer.start();
        setLinkState(LinkState::Reconnecting);
    } else {
        setLinkState(LinkState::Lost);
    }
}

QString Session::lineErrorText(int commEvent, const QString& lineSettings)
{
    const QString text = errorText(commEvent) + QStringLiteral(" on com port");
    if (commEvent != SerialPort::comEventDCB)
        return text;
    QString settings;
    if (const auto s = LineSettings::parse(lineSettings)) {
        const char* parity = s->parity == 'e'   ? "even parity"
                             : s->parity == 'o' ? "odd parity"
                             : s->parity == 'm' ? "mark parity"
                             : s->parity == 's' ? "space parity"
                                                : "no parity";
        settings = QStringLiteral(" (%1 data bits, %2, %3 stop bit%4 at %5 bit/s)")
                       .arg(s->dataBits)
                       .arg(QLatin1String(parity))
                       .arg(s->stopBits)
                       .arg(s->stopBits == 1 ? QString() : QStringLiteral("s"))
                       .arg(s->baud);
    }
    return text + QStringLiteral("\n\nThe port refused the line settings%1. Try another adapter or "
                                 "port, or check that the device supports these settings.")
                      .arg(settings);
}

QString Session::errorText(int commEvent)
{
    switch (commEvent) {
    case SerialPort::comEventBreak:
        return QStringLiteral("break error");
    case SerialPort::comEventFrame:
        return QStringLiteral("framing error");
    case SerialPort::comEventOverrun:
        return QStringLiteral("overrun error");
    case SerialPort::comEventRxOver:
        return QStringLiteral("rx overflow error");
    case SerialPort::comEventRxParity:
        return QStringLiteral("parity error");
    case SerialPort::comEventTxFull:
        return QStringLiteral("tx full error");
    case SerialPort::comEventDCB:
        return QStringLiteral("dcb error");
    default:
        return {};
    }
}
