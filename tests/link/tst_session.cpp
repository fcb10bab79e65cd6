// The session with the console: the speed search with the exact bytes and line settings at each
// step, the link-up and what follows it, reconnecting, line errors, and a port that cannot be
// opened or goes away.

#include "Payloads.h"
#include "SessionLink.h"
#include "model/Settings.h"

#include <QFile>
#include <QTest>

using namespace Payloads;

namespace {

struct Console : SessionLink
{
    QString line() const
    {
        return QStringLiteral("%1,%2,%3")
            .arg(backend->settings.baud)
            .arg(backend->settings.dataBits)
            .arg(QChar(backend->settings.parity));
    }
    void linkUpAtFullSpeed()
    {
        session.Connect();
        backend->deliver(bytes({0xA5, 0x01}));
        session.Timer1_Timer();
        backend->clearWrites();
    }
};

const QString notResponding =
    QStringLiteral("Lumivane not responding. Check that the console is switched on, that the "
                   "cable is plugged in at both ends, and that the right port is chosen.");

void clearSettings()
{
    QFile::remove(qEnvironmentVariable("LVMONITOR_SETTINGS"));
}

} // namespace

class tst_Session : public QObject
{
    Q_OBJECT

private slots:
    void init() { clearSettings(); }
    void speedSearchTriesEachSpeedThenGivesUp();
    void consoleAnswersAtOneSpeed_data();
    void consoleAnswersAtOneSpeed();
    void connectWhileRunningStartsOver();
    void lineErrorWhileLinkedResetsTheReceiver_data();
    void lineErrorWhileLinkedResetsTheReceiver();
    void lineErrorDuringSpeedSearchIsSilent_data();
    void lineErrorDuringSpeedSearchIsSilent();
    void rejectedLineSettingsAreReportedWithoutEndingTheSearch();
    void errorBoxHoldsTheSearchAndTheReplyIsReadAfterIt();
    void portThatCannotBeOpened_data();
    void portThatCannotBeOpened();
    void lostDeviceIsReopenedUntilItIsBack();
    void reconnectingIsOptional();
};

// Each speed's hello is sent at that speed: the status bar's end-to-end test shows the line
// settings at each step, and the simulated console answers only the right hello at its speed.
void tst_Session::speedSearchTriesEachSpeedThenGivesUp()
{
    Console c;
    c.session.Connect();
    QVERIFY(c.session.Timer1.isActive());
    c.session.Timer1_Timer();
    QVERIFY(c.session.Timer1.isActive());
    c.session.Timer1_Timer();
    QCOMPARE(c.host.statuses, (QStringList{
                                  "Trying to communicate with the Lumivane. Trying 38400 bit/s.",
                                  "Trying to communicate with the Lumivane. Trying 19200 bit/s.",
                                  "Trying to communicate with the Lumivane. Trying 1200 bit/s.",
                              }));
    QCOMPARE(c.backend->writes, (QList<QByteArray>{bytes({0xA5, 0x01}), bytes({0xA5, 0x01}),
                                                   bytes({0x55, 0x25, 0x05})}));
    QCOMPARE(c.line(), QStringLiteral("1200,7,n"));

    c.session.Timer1_Timer();
    QCOMPARE(c.host.statuses.last(), notResponding);
    QVERIFY(!c.port.PortOpen());
    QVERIFY(!c.session.Timer1.isActive());
    c.session.Timer1_Timer(); // a stray tick does nothing more
    QCOMPARE(c.backend->writes.size(), 3);
}

void tst_Session::consoleAnswersAtOneSpeed_data()
{
    QTest::addColumn<int>("ticks");
    QTest::addColumn<QByteArray>("reply");
    QTest::newRow("38400") << 0 << bytes({0xA5, 0x01});
    QTest::newRow("19200") << 1 << bytes({0xA5, 0x01});
    QTest::newRow("1200") << 2 << bytes({0x55, 0x25, 0x05});
}

void tst_Session::consoleAnswersAtOneSpeed()
{
    QFETCH(int, ticks);
    QFETCH(QByteArray, reply);
    Console c;
    c.state.ExtendedFormat = true;
    c.session.Connect();
    if (ticks > 0)
        c.backend->deliver(bytes({0x13})); // a stray byte, waiting for a second one
    for (int i = 0; i < ticks; ++i)
        c.session.Timer1_Timer();
    // Noise heard at the old speed is gone before the reply, and a message right behind the
    // reply is framed in the same event.
    c.backend->deliver(reply + message(18, bytes({1, 5})));
    QCOMPARE(c.host.statuses.last(), QStringLiteral("Lumivane is connected."));
    QCOMPARE(c.line(), QStringLiteral("38400,8,n"));
    QVERIFY(!c.state.ExtendedFormat);
    QCOMPARE(c.state.Dimmers[1].DimmerLevel(), quint8(5));
    QVERIFY(c.session.Timer1.isActive());
    QVERIFY(c.host.events.isEmpty());

    c.backend->clearWrites();
    c.session.Timer1_Timer();
    QCOMPARE(c.host.events, (QStringList{"hide startup", "reopen views"}));
    QCOMPARE(c.backend->written(), bytes({0xA5, 0x04, 0xFF, 0xA5, 0x11, 0xFF}));
    QCOMPARE(c.backend->writes.size(), 1);
    QVERIFY(!c.session.Timer1.isActive());
}

void tst_Session::connectWhileRunningStartsOver()
{
    Console c;
    c.linkUpAtFullSpeed();
    c.backend->deliver(bytes({0xA5, 18, 3})); // half a message
    c.session.Connect();
    QCOMPARE(c.backend->openCount, 2);
    QCOMPARE(c.backend->written(), bytes({0xA5, 0x01}));
    QCOMPARE(c.line(), QStringLiteral("38400,8,n"));
    QCOMPARE(c.rx.RxState, qint16(1));
    QCOMPARE(c.port.InBufferCount(), 0);
}

void tst_Session::lineErrorWhileLinkedResetsTheReceiver_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("report"); // empty: not a line error
    QTest::newRow("break") << 1001 << "break error on com port";
    QTest::newRow("framing") << 1004 << "framing error on com port";
    QTest::newRow("overrun") << 1006 << "overrun error on com port";
    QTest::newRow("rx overflow") << 1008 << "rx overflow error on com port";
    QTest::newRow("parity") << 1009 << "parity error on com port";
    QTest::newRow("tx full") << 1010 << "tx full error on com port";
    QTest::newRow("cts timeout") << 1002 << "";
    QTest::newRow("send event") << 1 << "";
}

void tst_Session::lineErrorWhileLinkedResetsTheReceiver()
{
    QFETCH(int, code);
    QFETCH(QString, report);
    Console c;
    c.linkUpAtFullSpeed();
    c.backend->deliver(bytes({0xA5, 18, 2, 0, 7})); // cut short by the error
    // While the box is up, further errors are not stacked on it and input waits.
    c.host.whileErrorShown = [&] {
        c.backend->raiseLineError(SerialPort::comEventRxParity);
        c.backend->raiseLineError(SerialPort::comEventBreak);
        c.backend->deliver(bytes({0xA5, 18, 2, 0, 8, 99}));
    };
    c.backend->raiseLineError(code);
    QCOMPARE(c.host.errors, report.isEmpty() ? QStringList{} : QStringList{report});
    if (report.isEmpty())
        return;
    QCOMPARE(c.port.InBufferCount(), 0);
    QCOMPARE(c.rx.RxState, qint16(Receiver::Hunting));
    QCOMPARE(c.port.RThreshold(), 1);
    QCOMPARE(c.state.Dimmers[8].DimmerLevel(), quint8(0)); // thrown away with the waiting input
    c.backend->deliver(bytes({0x00}) + message(18, bytes({8, 42})));
    QCOMPARE(c.state.Dimmers[8].DimmerLevel(), quint8(42));
}

void tst_Session::lineErrorDuringSpeedSearchIsSilent_data()
{
    QTest::addColumn<int>("ticks");
    QTest::newRow("at 38400") << 0;
    QTest::newRow("at 19200") << 1;
    QTest::newRow("at 1200") << 2;
}

void tst_Session::lineErrorDuringSpeedSearchIsSilent()
{
    QFETCH(int, ticks);
    Console c;
    c.session.Connect();
    for (int i = 0; i < ticks; ++i)
        c.session.Timer1_Timer();
    const qint16 state = c.rx.RxState;
    for (int code : {1001, 1004, 1006, 1008, 1009})
        c.backend->raiseLineError(code);
    QVERIFY(c.host.errors.isEmpty());
    QCOMPARE(c.rx.RxState, state);
    QVERIFY(c.session.Timer1.isActive());
    // The search goes on: a reply still links.
    c.backend->deliver(ticks == 2 ? bytes({0x55, 0x25, 0x05}) : bytes({0xA5, 0x01}));
    QCOMPARE(c.session.SessionStep, qint16(3));
}

void tst_Session::rejectedLineSettingsAreReportedWithoutEndingTheSearch()
{
    Console c;
    c.backend->rejectDataBits = 7;
    c.session.Connect();
    c.session.Timer1_Timer();
    c.session.Timer1_Timer();
    QCOMPARE(c.host.errors,
             QStringList{"dcb error on com port\n\nThe port refused the line settings (7 data "
                         "bits, no parity, 1 stop bit at 1200 bit/s). Try another adapter or "
                         "port, or check that the device supports these settings."});
    QCOMPARE(c.rx.RxState, qint16(2));
    QVERIFY(c.session.Timer1.isActive());
    c.session.Timer1_Timer();
    QCOMPARE(c.host.statuses.last(), notResponding);
}

// The box runs an event loop of its own: the search must not move on to another speed under it,
// and a hello reply that came while it was up is read once it closes.
void tst_Session::errorBoxHoldsTheSearchAndTheReplyIsReadAfterIt()
{
    Console c;
    c.session.Connect();
    bool timerRanUnderTheBox = true;
    c.host.whileErrorShown = [&] {
        timerRanUnderTheBox = c.session.Timer1.isActive();
        c.backend->deliver(bytes({0xA5, 0x01}));
    };
    c.backend->raiseLineError(SerialPort::comEventDCB);
    QVERIFY(!timerRanUnderTheBox);
    QCOMPARE(c.session.linkState(), Session::LinkState::Connected);
    QCOMPARE(c.line(), QStringLiteral("38400,8,n"));
}

void tst_Session::portThatCannotBeOpened_data()
{
    QTest::addColumn<QString>("device");
    QTest::addColumn<bool>("stored"); // for Com1, rather than chosen for this run
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("reason");
    QTest::addColumn<QString>("status");
    const QString nul = QStringLiteral("/dev/ttyS0") + QChar(u'\0') + QStringLiteral("1");
    const QString notOpened =
        "Could not open Com1 (/dev/ttyS0\\01): The device path contains a NUL "
        "character. Choose or type the device again.";
    const int other = int(OpenFailure::Other);
    QTest::newRow("no permission")
        << "/dev/x" << false << int(OpenFailure::NoPermission) << "Permission denied"
        << "Could not open Com1 (/dev/x): Permission denied. Add your user to the dialout group "
           "(sudo usermod -aG dialout $USER) and log in again.";
    QTest::newRow("in use") << "/dev/x" << false << int(OpenFailure::InUse)
                            << "Permission error while locking the device"
                            << "Could not open Com1 (/dev/x): Permission error while locking the "
                               "device. Another program is using it: close that program, then "
                               "press Connect again.";
    QTest::newRow("anything else") << "/dev/x" << false << other << "Input/output error"
                                   << "Could not open Com1 (/dev/x): Input/output error.";
    // The system would open the part before the NUL: nothing is opened, and the user is told.
    QTest::newRow("NUL, stored for Com1") << nul << true << other << "" << notOpened;
    QTest::newRow("NUL, chosen for this run") << nul << false << other << "" << notOpened;
}

// The first sentence stays the system's reason; what to do follows it. (A missing device and one
// that is not a serial port are tried on the real backend.)
void tst_Session::portThatCannotBeOpened()
{
    QFETCH(QString, device);
    QFETCH(bool, stored);
    QFETCH(int, kind);
    QFETCH(QString, reason);
    QFETCH(QString, status);
    if (stored)
        Settings().SaveSetting("Startup", "Com1Device", device);
    else
        SerialPort::setDeviceForThisRun(1, device);
    Console c;
    c.backend->failOpenWith = reason;
    c.backend->failOpenKind = OpenFailure(kind);
    c.session.Connect();
    SerialPort::setDeviceForThisRun(1, QString());
    QCOMPARE(c.host.statuses.last(), status);
    QCOMPARE(c.backend->openCount, 0); // no port is open
    QVERIFY(!c.session.Timer1.isActive());
    c.session.Refresh(); // nothing is sent on a closed port
    QVERIFY(c.backend->writes.isEmpty());
    QCOMPARE(c.session.linkState(), Session::LinkState::NotConnected);
}

void tst_Session::lostDeviceIsReopenedUntilItIsBack()
{
    Console c;
    c.linkUpAtFullSpeed();
    c.backend->deliver(message(18, bytes({3, 33})));
    c.backend->loseDevice(QStringLiteral("Input/output error"));
    QVERIFY(c.port.PortOpen()); // closed once control is back in the event loop
    QTRY_VERIFY(!c.port.PortOpen());
    QCOMPARE(c.host.statuses.last(),
             QStringLiteral("Lumivane connection lost. Reconnecting\u2026"));
    // The start-up window is offered meanwhile, and what was shown stays.
    QCOMPARE(c.host.events.last(), QStringLiteral("show startup"));
    QCOMPARE(c.state.Dimmers[3].DimmerLevel(), quint8(33));
    QCOMPARE(c.session.linkState(), Session::LinkState::Reconnecting);
    QVERIFY(c.session.reconnecting());

    // Still gone: nothing said, nothing sent, the retries go on.
    const int statuses = int(c.host.statuses.size());
    c.backend->failOpenWith = QStringLiteral("No such file or directory");
    c.backend->failOpenKind = OpenFailure::Missing;
    c.session.ReconnectTimer_Timer();
    QCOMPARE(c.host.statuses.size(), statuses);
    QVERIFY(c.session.reconnecting());

    // Back: the normal speed search runs and the retries stop.
    c.backend->failOpenWith.clear();
    c.session.ReconnectTimer_Timer();
    QVERIFY(!c.session.reconnecting());
    QCOMPARE(c.backend->written(), bytes({0xA5, 0x01}));
    QCOMPARE(c.session.linkState(), Session::LinkState::Searching);
    c.backend->deliver(bytes({0xA5, 0x01}));
    QCOMPARE(c.session.linkState(), Session::LinkState::Connected);
}

void tst_Session::reconnectingIsOptional()
{
    Settings().SaveBool(QStringLiteral("Startup"), QStringLiteral("Reconnect"), false);
    Console c;
    c.linkUpAtFullSpeed();
    c.backend->loseDevice(QStringLiteral("Input/output error"));
    QTRY_VERIFY(!c.port.PortOpen());
    QCOMPARE(c.host.statuses.last(), QStringLiteral("Lumivane connection lost."));
    QVERIFY(!c.session.reconnecting());
    QCOMPARE(c.session.linkState(), Session::LinkState::Lost);
}

QTEST_GUILESS_MAIN(tst_Session)
#include "tst_session.moc"
