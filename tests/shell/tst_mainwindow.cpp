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
#include <QMenuBar>
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

// A view that keeps an open flag the way the real views do.
class StubView : public MonitorView
{
public:
    StubView(const ViewContext& c, const QString& name, const QString& prefix, bool* flag)
        : MonitorView(c, name, prefix, QSizeF(6000, 4000)), m_flag(flag)
    {
    }

protected:
    void Form_Load() override
    {
        restoreGeometrySettings();
        if (m_flag)
            *m_flag = true;
    }
    void Form_Unload() override
    {
        saveGeometrySettings();
        if (m_flag)
            *m_flag = false;
    }

private:
    bool* m_flag;
};

struct Program
{
    FakeSerialBackend* backend = new FakeSerialBackend;
    frmMain main{std::unique_ptr<SerialBackend>(backend)};

    Program()
    {
        main.viewFactory = [this](View v, const ViewContext& c) -> MonitorView* {
            SharedState& s = main.state();
            switch (v) {
            case View::Fixtures:
                return new StubView(c, "frmFixtures2", "fixture", &s.FixturesViewOpen);
            case View::Dimmers:
                return new StubView(c, "frmDimmers", "dimmer", &s.DimmersViewOpen);
            case View::Scene:
                return new StubView(c, "frmScene", "scene", nullptr);
            case View::Page:
                return new StubView(c, "frmPage", "page", nullptr);
            default:
                return nullptr;
            }
        };
        main.show();
    }
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
    void menusAsTheUserSeesThem();
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

void tst_MainWindow::menusAsTheUserSeesThem()
{
    Program p;
    QCOMPARE(p.main.windowTitle(), QStringLiteral("Lumivane Monitor"));
    QStringList seen;
    for (QAction* top : p.main.menuBar()->actions()) {
        seen << top->menu()->objectName() + "=" + top->text();
        for (QAction* entry : top->menu()->actions())
            seen << QStringLiteral("  %1=%2%3")
                        .arg(entry->objectName(), entry->text(),
                             entry->isVisible() ? "" : " (hidden)");
    }
    const QStringList expected = {
        "mnuConnection=&Connection",
        "  mnuConnect=&Connect",
        "  mnuRefresh=&Refresh",
        "  mnuExit=E&xit",
        "mnuWindow=&Window",
        "  mnuFixtures=&Fixtures",
        "  mnuPage=&Page",
        "  mnuScene=&Scene",
        "  mnuShow=&Show (hidden)",
        "  mnuDimmers=&Dimmers (hidden)",
        "  mnuPlaybacks=&Playbacks (hidden)",
        "mnuHelp=&Help",
        "  mnuLVMonHelp=&LV Monitor Help",
        "  mnuAbout=&About LV Monitor",
    };
    QCOMPARE(seen, expected);
}

void tst_MainWindow::consoleInformationRevealsTheHiddenEntries()
{
    Program p;
    p.main.Connect();
    p.backend->deliver(bytes({0xA5, 0x01}) + message(16, bytes({2})));
    for (const char* name : {"mnuShow", "mnuDimmers", "mnuPlaybacks"})
        QVERIFY2(p.main.findChild<QAction*>(name)->isVisible(), name);
    QVERIFY(!p.main.state().ExtendedFormat);
    // They stay visible across a reconnect.
    p.main.Connect();
    QVERIFY(p.main.findChild<QAction*>("mnuShow")->isVisible());
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
    QCOMPARE(s->windowTitle(), QStringLiteral("Initialize Com Port"));
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
    QCOMPARE(p.main.startup()->optCom1->toolTip(), QStringLiteral("/dev/pretend"));
    QTest::mouseClick(p.main.startup()->CmdConnect, Qt::LeftButton);
    qunsetenv("LVMONITOR_COM1");
    QCOMPARE(p.backend->openedDevice, QStringLiteral("/dev/pretend"));
    QCOMPARE(p.backend->written(), bytes({0xA5, 0x01}));
    QCOMPARE(p.main.startup()->Label1->text(),
             QStringLiteral("Trying to communicate with the Lumivane. Trying 38400 bit/s."));
    p.backend->deliver(bytes({0xA5, 0x01}));
    QCOMPARE(p.main.startup()->Label1->text(), QStringLiteral("Lumivane is connected."));
    p.main.session().Timer1_Timer();
    QVERIFY(!p.main.startup()->isVisible());
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
    QTest::newRow("both") << "FT232R USB UART"
                          << "A10K3XYZ"
                          << "/dev/ttyUSB0 \u2014 FT232R USB UART (A10K3XYZ)";
    QTest::newRow("no serial number") << "FT232R USB UART"
                                      << ""
                                      << "/dev/ttyUSB0 \u2014 FT232R USB UART";
    QTest::newRow("serial number only") << ""
                                        << "A10K3XYZ"
                                        << "/dev/ttyUSB0 \u2014 (A10K3XYZ)";
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
    p.main.showView(View::Fixtures)->subWindow()->setGeometry(30, 45, 600, 300);
    p.main.showView(View::Scene)->subWindow()->setGeometry(0, 15, 200, 150);
    p.main.showView(View::Dimmers);
    p.main.loadedView(View::Dimmers)->subWindow()->close();
    p.main.close();
    QCOMPARE(p.setting("fixture_frm_open"), QStringLiteral("True"));
    QCOMPARE(p.setting("scene_frm_open"), QStringLiteral("True"));
    for (const char* key :
         {"dimmer_frm_open", "playback_frm_open", "page_frm_open", "show_frm_open"})
        QCOMPARE(p.setting(key), QStringLiteral("False"));
    const int dpi = p.main.logicalDpiX();
    QCOMPARE(p.setting("fixture_frm_wid").toFloat(), 600.0f * 1440 / dpi);
    QCOMPARE(p.setting("fixture_frm_ht").toFloat(), 300.0f * 1440 / dpi);
    QCOMPARE(p.setting("fixture_frm_left").toFloat(), 30.0f * 1440 / dpi);
    QCOMPARE(p.setting("fixture_frm_top").toFloat(), 45.0f * 1440 / dpi);
    QCOMPARE(p.setting("scene_frm_wid").toFloat(), 200.0f * 1440 / dpi);
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
    // An entry whose view this build lacks does nothing.
    p.main.findChild<QAction*>("mnuPlaybacks")->trigger();
    QCOMPARE(p.main.mdiArea()->subWindowList().size(), 2);
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
    QTest::newRow("1.2.7") << 1 << 2 << 7 << "LV Monitor version 1.27";
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
