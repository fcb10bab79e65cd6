// The main window as the user meets it: menus, the start-up window, About and Help, line-error
// boxes, and what is stored and sent when the program closes.

#include "Payloads.h"
#include "link/FakeSerialBackend.h"
#include "model/Settings.h"
#include "shell/HelpWindow.h"
#include "shell/MonitorView.h"
#include "shell/frmMain.h"
#include "shell/frmStartup.h"

#include "shell/DeviceComboBox.h"
#include <QAction>
#include <QFile>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>

using namespace Payloads;
using View = SessionHost::View;

namespace {

struct Program
{
    FakeSerialBackend* backend = new FakeSerialBackend;
    frmMain main{std::unique_ptr<SerialBackend>(backend)};

    Program() { main.show(); }
    QString setting(const char* key) const
    {
        return Settings().GetSetting("Startup", QString::fromLatin1(key));
    }
};

} // namespace

class tst_MainWindow : public QObject
{
    Q_OBJECT

private slots:
    void init() { QFile::remove(qEnvironmentVariable("LVMONITOR_SETTINGS")); }
    void consoleInformationRevealsTheHiddenEntries();
    void startupWindowIsOfferedWithTheStoredPort_data();
    void startupWindowIsOfferedWithTheStoredPort();
    void connectButtonStartsTheSession();
    void chosenDeviceIsRememberedPerPort();
    void deviceEntriesNameTheAdapter_data();
    void deviceEntriesNameTheAdapter();
    void mainWindowComesBackWhereItWas();
    void closingStoresOpenViewsAndGeometry();
    void closingTellsTheConsoleOnlyWhileOpen_data();
    void closingTellsTheConsoleOnlyWhileOpen();
    void viewEntryBringsAnOpenViewToTheFront();
    void formIsLoadedFollowsTheViews();
    void aboutVersionText_data();
    void aboutVersionText();
    void helpShowsTheConnectingPage();
    void lineErrorShowsAWarningBox();
};

// The console's information reveals the entries of the views only some consoles have, and they
// stay across a reconnect. Refresh asks for all the data again.
void tst_MainWindow::consoleInformationRevealsTheHiddenEntries()
{
    Program p;
    const auto shown = [&p](const char* name) {
        return p.main.findChild<QAction*>(name)->isVisible();
    };
    QVERIFY(!shown("mnuShow") && !shown("mnuDimmers") && !shown("mnuPlaybacks"));
    p.main.Connect();
    p.backend->deliver(bytes({0xA5, 0x01}) + message(16, bytes({2})));
    QVERIFY(shown("mnuShow") && shown("mnuDimmers") && shown("mnuPlaybacks"));
    QVERIFY(!p.main.state().ExtendedFormat);
    p.backend->clearWrites();
    p.main.findChild<QAction*>("mnuRefresh")->trigger();
    QCOMPARE(p.backend->written(), bytes({0xA5, 0x04, 0xFF, 0xA5, 0x11, 0xFF}));
    p.main.Connect();
    QVERIFY(shown("mnuShow"));
}

void tst_MainWindow::startupWindowIsOfferedWithTheStoredPort_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<bool>("com1");
    QTest::newRow("nothing stored") << QString() << true;
    QTest::newRow("Com2 stored") << "False" << false;
    QTest::newRow("Com1 stored") << "True" << true;
}

void tst_MainWindow::startupWindowIsOfferedWithTheStoredPort()
{
    QFETCH(QString, stored);
    QFETCH(bool, com1);
    if (!stored.isNull())
        Settings().SaveSetting("Startup", "Com1", stored);
    Program p;
    frmStartup* s = p.main.startup();
    QVERIFY(s->isVisible());
    QCOMPARE(s->Label1->text(), QStringLiteral("Ready to connect to Lumivane."));
    QCOMPARE(s->optCom1->isChecked(), com1);
    QCOMPARE(s->optCom2->isChecked(), !com1);
    // Picking the other port stores the choice.
    QRadioButton* other = com1 ? s->optCom2 : s->optCom1;
    QTest::mouseClick(other, Qt::LeftButton, {}, QPoint(8, other->height() / 2));
    QCOMPARE(p.setting("Com1"), com1 ? QStringLiteral("False") : QStringLiteral("True"));
}

void tst_MainWindow::connectButtonStartsTheSession()
{
    qputenv("LVMONITOR_COM1", "/dev/pretend");
    Program p;
    // Connection > Connect offers the start-up window again.
    p.main.startup()->close();
    p.main.findChild<QAction*>("mnuConnect")->trigger();
    QVERIFY(p.main.startup()->isVisible());
    QCOMPARE(p.main.startup()->optCom1->toolTip(), QStringLiteral("/dev/pretend"));
    QTest::mouseClick(p.main.startup()->CmdConnect, Qt::LeftButton);
    qunsetenv("LVMONITOR_COM1");
    QCOMPARE(p.backend->openedDevice, QStringLiteral("/dev/pretend"));
    QCOMPARE(p.backend->written(), bytes({0xA5, 0x01}));
}

// A device typed for Com2 is stored as Com2's, used for this run even where the environment
// names another, and shown again when Com2 is chosen.
void tst_MainWindow::chosenDeviceIsRememberedPerPort()
{
    qputenv("LVMONITOR_COM2", "/dev/from-the-environment");
    Program p;
    frmStartup* s = p.main.startup();
    QTest::mouseClick(s->optCom2, Qt::LeftButton, {}, QPoint(8, s->optCom2->height() / 2));
    QCOMPARE(s->cboDevice->currentText(), QStringLiteral("/dev/from-the-environment"));
    s->cboDevice->setEditText(QStringLiteral("/dev/ttyUSB3"));
    QTest::mouseClick(s->CmdConnect, Qt::LeftButton);
    qunsetenv("LVMONITOR_COM2");
    QCOMPARE(p.backend->openedDevice, QStringLiteral("/dev/ttyUSB3"));
    QCOMPARE(p.setting("Com2Device"), QStringLiteral("/dev/ttyUSB3"));
    QCOMPARE(p.setting("Com1Device"), QString());
    QTest::mouseClick(s->optCom1, Qt::LeftButton, {}, QPoint(8, s->optCom1->height() / 2));
    QVERIFY(s->cboDevice->currentText() != QLatin1String("/dev/ttyUSB3"));
    QTest::mouseClick(s->optCom2, Qt::LeftButton, {}, QPoint(8, s->optCom2->height() / 2));
    QCOMPARE(s->cboDevice->device(), QStringLiteral("/dev/ttyUSB3"));
    QCOMPARE(s->cboDevice->accessibleName(), QStringLiteral("Device"));
}

void tst_MainWindow::deviceEntriesNameTheAdapter_data()
{
    QTest::addColumn<QString>("description");
    QTest::addColumn<QString>("serial");
    QTest::addColumn<QString>("entry");
    QTest::newRow("both") << "USB UART"
                          << "A10K"
                          << "/dev/ttyUSB0 \u2014 USB UART (A10K)";
    QTest::newRow("no serial number") << "USB UART"
                                      << ""
                                      << "/dev/ttyUSB0 \u2014 USB UART";
    QTest::newRow("serial number only") << ""
                                        << "A10K"
                                        << "/dev/ttyUSB0 \u2014 (A10K)";
    QTest::newRow("nothing known") << ""
                                   << ""
                                   << "/dev/ttyUSB0";
}

void tst_MainWindow::deviceEntriesNameTheAdapter()
{
    QFETCH(QString, description);
    QFETCH(QString, serial);
    QFETCH(QString, entry);
    const QString path = QStringLiteral("/dev/ttyUSB0");
    QCOMPARE(DeviceComboBox::entryText(path, description, serial), entry);
    // Picking such an entry chooses the bare device.
    DeviceComboBox box;
    box.addItem(entry, path);
    box.setCurrentIndex(0);
    QCOMPARE(box.device(), path);
}

void tst_MainWindow::mainWindowComesBackWhereItWas()
{
    {
        Program p;
        p.main.setGeometry(40, 50, 700, 500);
        p.main.close();
    }
    Program again;
    QCOMPARE(again.main.size(), QSize(700, 500));
    QVERIFY(again.main.screen()->availableGeometry().intersects(again.main.frameGeometry()));
}

void tst_MainWindow::closingStoresOpenViewsAndGeometry()
{
    Program p;
    p.main.showView(View::Fixtures);
    p.main.showView(View::Scene)->subWindow()->setGeometry(0, 15, 200, 150);
    p.main.showView(View::Dimmers);
    p.main.loadedView(View::Dimmers)->subWindow()->close();
    p.main.close();
    QCOMPARE(p.setting("fixture_frm_open"), QStringLiteral("True"));
    QCOMPARE(p.setting("scene_frm_open"), QStringLiteral("True"));
    for (const char* key :
         {"dimmer_frm_open", "playback_frm_open", "page_frm_open", "show_frm_open"})
        QCOMPARE(p.setting(key), QStringLiteral("False"));
    // Views still open store their geometry as the program closes; one never opened does not.
    QCOMPARE(p.setting("scene_frm_wid").toFloat(), 200.0f * 1440 / p.main.logicalDpiX());
    QVERIFY(p.setting("page_frm_wid").isEmpty());
}

void tst_MainWindow::closingTellsTheConsoleOnlyWhileOpen_data()
{
    QTest::addColumn<bool>("connected");
    QTest::newRow("port open") << true;
    QTest::newRow("port closed") << false;
}

void tst_MainWindow::closingTellsTheConsoleOnlyWhileOpen()
{
    QFETCH(bool, connected);
    Program p;
    if (connected)
        p.main.Connect();
    p.backend->clearWrites();
    p.main.findChild<QAction*>("mnuExit")->trigger();
    QCOMPARE(p.backend->written(), connected ? bytes({0xA5, 0x0B, 0x00}) : QByteArray());
    QVERIFY(!p.main.isVisible());
}

void tst_MainWindow::viewEntryBringsAnOpenViewToTheFront()
{
    Program p;
    MonitorView* fixtures = p.main.showView(View::Fixtures);
    p.main.showView(View::Scene);
    p.main.findChild<QAction*>("mnuFixtures")->trigger();
    QCOMPARE(p.main.showView(View::Fixtures), fixtures);
    QCOMPARE(p.main.mdiArea()->subWindowList().size(), 2);
    QCOMPARE(p.main.mdiArea()->activeSubWindow(), fixtures->subWindow());
}

void tst_MainWindow::formIsLoadedFollowsTheViews()
{
    Program p;
    QVERIFY(!p.main.FormIsLoaded("frmPage"));
    MonitorView* page = p.main.showView(View::Page);
    p.main.showView(View::Fixtures); // page now behind another window
    page->subWindow()->hide();
    QVERIFY(p.main.FormIsLoaded("frmPage"));
    QVERIFY(!p.main.FormIsLoaded("frmpage"));
    page->subWindow()->close();
    QVERIFY(!p.main.FormIsLoaded("frmPage"));
    QVERIFY(p.main.FormIsLoaded("frmMain"));
}

void tst_MainWindow::aboutVersionText_data()
{
    QTest::addColumn<int>("major");
    QTest::addColumn<int>("minor");
    QTest::addColumn<int>("revision");
    QTest::addColumn<QString>("text");
    QTest::newRow("2.0.3") << 2 << 0 << 3 << "LV Monitor version 2.03";
    QTest::newRow("1.10.12") << 1 << 10 << 12 << "LV Monitor version 1.1012";
}

void tst_MainWindow::aboutVersionText()
{
    QFETCH(int, major);
    QFETCH(int, minor);
    QFETCH(int, revision);
    QFETCH(QString, text);
    QCOMPARE(frmMain::versionText(major, minor, revision), text);

    Program p;
    QString shown, title;
    QTimer::singleShot(0, [&] {
        auto* box = p.main.findChild<QMessageBox*>("aboutBox");
        QVERIFY(box);
        shown = box->text();
        title = box->windowTitle();
        box->accept();
    });
    p.main.findChild<QAction*>("mnuAbout")->trigger();
    QCOMPARE(title, QStringLiteral("About LV Monitor"));
    QVERIFY(shown.startsWith(QStringLiteral("LV Monitor version 1.00\n\n")));
}

void tst_MainWindow::helpShowsTheConnectingPage()
{
    Program p;
    p.main.findChild<QAction*>("mnuLVMonHelp")->trigger();
    auto* help = p.main.findChild<HelpWindow*>();
    QVERIFY(help && help->isVisible());
    QVERIFY(help->browser()->toPlainText().contains(QStringLiteral("Connecting to the console")));
}

void tst_MainWindow::lineErrorShowsAWarningBox()
{
    Program p;
    p.main.Connect();
    p.backend->deliver(bytes({0xA5, 0x01}));
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QTimer::singleShot(0, [&] {
        auto* box = p.main.findChild<QMessageBox*>("lineErrorBox");
        QVERIFY(box);
        text = box->text();
        icon = box->icon();
        box->accept();
    });
    p.backend->raiseLineError(1009);
    QCOMPARE(text, QStringLiteral("parity error on com port"));
    QCOMPARE(icon, QMessageBox::Warning);
}

QTEST_MAIN(tst_MainWindow)
#include "tst_mainwindow.moc"
