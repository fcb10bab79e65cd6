// The main window as the user meets it: menus and their keys, the start-up window, About (with
// the program's icon) and Help, line-error boxes, and what is stored and sent when the program
// closes.

#include "../views/Rig.h"
#include "link/SessionRecording.h"
#include "model/Settings.h"
#include "shell/HelpWindow.h"
#include "shell/LinkStatusBar.h"
#include "shell/MonitorView.h"
#include "shell/frmMain.h"
#include "shell/frmStartup.h"
#include "views/traffic/TrafficView.h"

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
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>

using namespace Payloads;
using View = ViewId;

namespace {

// Makes w the window the keyboard works in, as a click on it would.
bool activate(QWidget* w)
{
    w->show();
    w->activateWindow();
    return QTest::qWaitForWindowActive(w);
}

QString setting(const char* key)
{
    return Settings().GetSetting("Startup", QString::fromLatin1(key));
}

} // namespace

class tst_MainWindow : public QObject
{
    Q_OBJECT

private slots:
    void init() { QFile::remove(qEnvironmentVariable("LVMONITOR_SETTINGS")); }
    void consoleInformationRevealsTheHiddenEntries();
    void startupWindowIsOfferedWithTheStoredPort_data();
    void startupWindowIsOfferedWithTheStoredPort();
    void chosenDeviceIsRememberedPerPort();
    void mainWindowComesBackWhereItWas();
    void windowsComeBackWithinReach_data();
    void windowsComeBackWithinReach();
    void deviceFieldStaysNarrow_data();
    void deviceFieldStaysNarrow();
    void closingStoresOpenViewsAndGeometry();
    void closingTellsTheConsoleOnlyWhileOpen_data();
    void closingTellsTheConsoleOnlyWhileOpen();
    void linkUpReopensViewsInFixedOrder_data();
    void linkUpReopensViewsInFixedOrder();
    void recordingKeepsBothDirections();
    void helpOpensOnThePageOfTheWindowInUse_data();
    void helpOpensOnThePageOfTheWindowInUse();
    void helpIsReadWithTheKeyboard();
    void boxesSayWhatHappened_data();
    void boxesSayWhatHappened();
};

// The console's information reveals the entries of the views only some consoles have, and they
// stay across a reconnect. Refresh asks for all the data again.
void tst_MainWindow::consoleInformationRevealsTheHiddenEntries()
{
    Rig p(false);
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
    Rig p(false);
    frmStartup* s = p.main.startup();
    QVERIFY(s->isVisible());
    QCOMPARE(s->Label1->text(), QStringLiteral("Ready to connect to Lumivane."));
    QCOMPARE(s->optCom1->isChecked(), com1);
    QCOMPARE(s->optCom2->isChecked(), !com1);
    // Picking the other port stores the choice.
    QRadioButton* other = com1 ? s->optCom2 : s->optCom1;
    QTest::mouseClick(other, Qt::LeftButton, {}, QPoint(8, other->height() / 2));
    QCOMPARE(setting("Com1"), com1 ? QStringLiteral("False") : QStringLiteral("True"));
}

// Connection > Connect offers the start-up window. A device typed for Com2 is stored as Com2's,
// used for this run even where the environment names another, and shown again when Com2 is
// chosen.
void tst_MainWindow::chosenDeviceIsRememberedPerPort()
{
    qputenv("LVMONITOR_COM2", "/dev/from-the-environment");
    Rig p(false);
    frmStartup* s = p.main.startup();
    s->close();
    p.main.findChild<QAction*>("mnuConnect")->trigger();
    QVERIFY(s->isVisible());
    QTest::mouseClick(s->optCom2, Qt::LeftButton, {}, QPoint(8, s->optCom2->height() / 2));
    QCOMPARE(s->cboDevice->currentText(), QStringLiteral("/dev/from-the-environment"));
    s->cboDevice->setEditText(QStringLiteral("/dev/ttyUSB3"));
    QTest::mouseClick(s->CmdConnect, Qt::LeftButton);
    qunsetenv("LVMONITOR_COM2");
    QCOMPARE(p.backend->openedDevice, QStringLiteral("/dev/ttyUSB3"));
    QCOMPARE(p.backend->written(), bytes({0xA5, 0x01}));
    QCOMPARE(setting("Com2Device"), QStringLiteral("/dev/ttyUSB3"));
    QCOMPARE(setting("Com1Device"), QString());
    QTest::mouseClick(s->optCom1, Qt::LeftButton, {}, QPoint(8, s->optCom1->height() / 2));
    QVERIFY(s->cboDevice->currentText() != QLatin1String("/dev/ttyUSB3"));
    QTest::mouseClick(s->optCom2, Qt::LeftButton, {}, QPoint(8, s->optCom2->height() / 2));
    QCOMPARE(s->cboDevice->device(), QStringLiteral("/dev/ttyUSB3"));
}

void tst_MainWindow::mainWindowComesBackWhereItWas()
{
    {
        Rig p(false);
        p.main.setGeometry(40, 50, 700, 500);
        p.main.close();
    }
    frmMain again{std::make_unique<FakeSerialBackend>()};
    again.show();
    QCOMPARE(again.size(), QSize(700, 500));
    QVERIFY(again.screen()->availableGeometry().intersects(again.frameGeometry()));
}

void tst_MainWindow::windowsComeBackWithinReach_data()
{
    QTest::addColumn<QStringList>("stored"); // key, value, ...
    QTest::addColumn<QString>("before");     // what was done to the fixtures view first
    QTest::addColumn<bool>("traffic");
    QTest::newRow("view far to the right")
        << QStringList{"fixture_frm_left", "30000"} << "" << false;
    QTest::newRow("view far below, too large")
        << QStringList{"fixture_frm_top", "3e7", "fixture_frm_wid", "1e30"} << "" << false;
    QTest::newRow("traffic 99999999 large")
        << QStringList{"traffic_frm_geometry", "0 0 99999999 99999999"} << "" << true;
    QTest::newRow("traffic far off")
        << QStringList{"traffic_frm_geometry", "-90000 70000 500 300"} << "" << true;
    QTest::newRow("view closed minimized") << QStringList{} << "closed minimized" << false;
    QTest::newRow("view closed maximized") << QStringList{} << "closed maximized" << false;
    QTest::newRow("minimized view chosen again") << QStringList{} << "minimized" << false;
}

// Places and sizes stored on another screen, by another version or as a window was minimized
// come back whole within the main window, restored and in front, as the Window menu brings them.
void tst_MainWindow::windowsComeBackWithinReach()
{
    QFETCH(QStringList, stored);
    QFETCH(QString, before);
    QFETCH(bool, traffic);
    for (qsizetype i = 0; i + 1 < stored.size(); i += 2)
        Settings().SaveSetting("Startup", stored[i], stored[i + 1]);
    Rig p(false);
    QRect normal;
    MonitorView* view = nullptr;
    if (!before.isEmpty()) {
        view = p.main.showView(View::Fixtures);
        QMdiSubWindow* frame = view->subWindow();
        frame->setGeometry(20, 30, 400, 250);
        normal = frame->geometry();
        if (before.contains("minimized"))
            frame->showMinimized();
        else
            frame->showMaximized();
        if (before.startsWith("closed"))
            frame->close();
        p.main.showView(View::Scene); // in front of it
    }
    p.main.findChild<QAction*>(traffic ? "mnuTraffic" : "mnuFixtures")->trigger();
    // The view's own window is in front, and an open view is not opened a second time.
    const QMdiSubWindow* frame = p.main.mdiArea()->activeSubWindow();
    QVERIFY(frame && frame->isVisible());
    QCOMPARE(frame, p.main.loadedView(traffic ? View::Traffic : View::Fixtures)->subWindow());
    if (before == "minimized")
        QCOMPARE(p.main.loadedView(View::Fixtures), view);
    QVERIFY(!frame->isMinimized() && !frame->isMaximized());
    const QRect area = p.main.mdiArea()->viewport()->rect();
    QVERIFY(area.contains(frame->geometry()));
    QVERIFY(frame->width() >= 200 && frame->height() >= 120);
    if (!before.isEmpty())
        QCOMPARE(frame->geometry(), normal);
}

void tst_MainWindow::deviceFieldStaysNarrow_data()
{
    QTest::addColumn<QString>("device");
    QTest::addColumn<bool>("shortened");
    QTest::newRow("usual") << "/dev/ttyUSB0" << false;
    QTest::newRow("5000 characters") << "/dev/" + QString(4990, 'x') + "ttyS9" << true;
}

// However long the device path, the main window keeps its size; the path is shown shortened in
// the middle and whole in the tooltip.
void tst_MainWindow::deviceFieldStaysNarrow()
{
    QFETCH(QString, device);
    QFETCH(bool, shortened);
    qputenv("LVMONITOR_COM1", device.toLocal8Bit());
    Rig p(false);
    p.main.linkStatusBar()->refresh();
    qunsetenv("LVMONITOR_COM1");
    QCoreApplication::processEvents();
    auto* field = p.main.linkStatusBar()->findChild<QLabel*>("lblStatusDevice");
    QVERIFY(p.main.minimumSizeHint().width() < 1200);
    QVERIFY(field->width() <= field->maximumWidth());
    QCOMPARE(field->toolTip(), "Serial device: " + device);
    QCOMPARE(field->text() == device, !shortened);
    if (shortened) {
        QVERIFY(field->text().startsWith("/dev/x") && field->text().endsWith("ttyS9"));
        QVERIFY(field->text().contains(QChar(0x2026)));
    }
}

void tst_MainWindow::closingStoresOpenViewsAndGeometry()
{
    Rig p(false);
    p.main.showView(View::Fixtures);
    p.main.showView(View::Scene)->subWindow()->setGeometry(0, 15, 200, 150);
    p.main.showView(View::Dimmers);
    p.main.loadedView(View::Dimmers)->subWindow()->close();
    p.main.close();
    QCOMPARE(setting("fixture_frm_open"), QStringLiteral("True"));
    QCOMPARE(setting("scene_frm_open"), QStringLiteral("True"));
    for (const char* key :
         {"dimmer_frm_open", "playback_frm_open", "page_frm_open", "show_frm_open"})
        QCOMPARE(setting(key), QStringLiteral("False"));
    // Views still open store their geometry as the program closes; one never opened does not.
    QCOMPARE(setting("scene_frm_wid").toFloat(), 200.0f * 1440 / p.main.logicalDpiX());
    QVERIFY(setting("page_frm_wid").isEmpty());
    // All of it is on disk as the window closes.
    const QSettings disk(qEnvironmentVariable("LVMONITOR_SETTINGS"), QSettings::IniFormat);
    QCOMPARE(disk.value("Startup/scene_frm_wid").toString(), setting("scene_frm_wid"));
    QCOMPARE(disk.value("Startup/fixture_frm_open").toString(), QStringLiteral("True"));
}

void tst_MainWindow::closingTellsTheConsoleOnlyWhileOpen_data()
{
    QTest::addColumn<bool>("connected");
    QTest::addColumn<bool>("byKey");
    QTest::newRow("port open, Exit") << true << false;
    QTest::newRow("port closed, Exit") << false << false;
    QTest::newRow("port open, Ctrl+Q") << true << true;
}

void tst_MainWindow::closingTellsTheConsoleOnlyWhileOpen()
{
    QFETCH(bool, connected);
    QFETCH(bool, byKey);
    Rig p(false);
    if (connected)
        p.main.Connect();
    p.backend->clearWrites();
    if (byKey) {
        p.main.startup()->hide();
        QVERIFY(activate(&p.main));
        QTest::keyClick(&p.main, Qt::Key_Q, Qt::ControlModifier);
    } else {
        p.main.findChild<QAction*>("mnuExit")->trigger();
    }
    QCOMPARE(p.backend->written(), connected ? bytes({0xA5, 0x0B, 0x00}) : QByteArray());
    QVERIFY(!p.main.isVisible());
}

void tst_MainWindow::linkUpReopensViewsInFixedOrder_data()
{
    QTest::addColumn<QStringList>("openKeys");
    QTest::addColumn<QList<View>>("openAtLoss"); // empty: the link is not lost
    QTest::addColumn<QList<View>>("reopened");
    QTest::newRow("nothing stored") << QStringList{} << QList<View>{} << QList<View>{};
    QTest::newRow("fixtures and scene")
        << QStringList{"scene_frm_open", "fixture_frm_open"} << QList<View>{}
        << QList<View>{View::Fixtures, View::Scene};
    QTest::newRow("all six") << QStringList{"show_frm_open",    "scene_frm_open",
                                            "page_frm_open",    "playback_frm_open",
                                            "fixture_frm_open", "dimmer_frm_open"}
                             << QList<View>{}
                             << QList<View>{View::Dimmers, View::Fixtures, View::Playbacks,
                                            View::Page,    View::Scene,    View::Show};
    // After a reconnect: the views open as the link went, not those stored at the last exit.
    QTest::newRow("after a loss") << QStringList{"scene_frm_open", "fixture_frm_open"}
                                  << QList<View>{View::Show, View::Dimmers}
                                  << QList<View>{View::Dimmers, View::Show};
}

void tst_MainWindow::linkUpReopensViewsInFixedOrder()
{
    QFETCH(QStringList, openKeys);
    QFETCH(QList<View>, openAtLoss);
    QFETCH(QList<View>, reopened);
    for (const auto& key : openKeys)
        Settings().SaveSetting(QStringLiteral("Startup"), key, QStringLiteral("True"));
    Rig p(false);
    QList<View> made;
    p.main.viewFactory = [&made](View view, const ViewContext& context) {
        made << view;
        return ViewRegistry::of(view).create(context);
    };
    if (!openAtLoss.isEmpty()) {
        p.main.Connect();
        p.backend->deliver(bytes({0xA5, 0x01}));
        for (View v : openAtLoss)
            p.main.showView(v);
        p.backend->loseDevice(QStringLiteral("unplugged"));
        QTRY_VERIFY(p.main.session().reconnecting());
        for (const ViewDescriptor& d : ViewRegistry::all())
            if (MonitorView* v = p.main.loadedView(d.id))
                v->subWindow()->close();
        made.clear();
    }
    p.main.reopenViews();
    QCOMPARE(made, reopened);
}

// What crosses the line both ways is recorded until Stop Recording. (That an existing file is
// refused is tried from the command line.)
void tst_MainWindow::recordingKeepsBothDirections()
{
    Rig p(false);
    QTemporaryDir dir;
    auto* entry = p.main.findChild<QAction*>("mnuRecord");
    QCOMPARE(entry->text(), QStringLiteral("Record to &File..."));
    QString error;
    const QString path = dir.filePath(QStringLiteral("session.lvrec"));
    QVERIFY(p.main.startRecording(path, false, &error));
    QCOMPARE(entry->text(), QStringLiteral("S&top Recording"));
    p.main.MSComm1().setPortOpen(true);
    p.main.MSComm1().Output(QByteArray::fromHex("a501"));
    p.backend->deliver(QByteArray::fromHex("a501"));
    entry->trigger(); // Stop Recording
    QVERIFY(!p.main.isRecording());
    const auto recording = SessionRecording::load(path, &error);
    QVERIFY2(recording, qPrintable(error));
    QByteArray sent, heard;
    for (const SessionRecording::Event& e : recording->events) {
        if (e.type == SessionRecording::Type::ToConsole)
            sent += e.bytes;
        if (e.type == SessionRecording::Type::FromConsole)
            heard += e.bytes;
    }
    QCOMPARE(sent, QByteArray::fromHex("a501"));
    QCOMPARE(heard, QByteArray::fromHex("a501"));
}

// F1 opens the help on the page of the window the user works in.
void tst_MainWindow::helpOpensOnThePageOfTheWindowInUse_data()
{
    QTest::addColumn<QList<View>>("views");
    QTest::addColumn<bool>("inStartup");
    QTest::addColumn<QString>("page");
    QTest::newRow("main window") << QList<View>{} << false << "index.html";
    QTest::newRow("start-up window") << QList<View>{View::Fixtures} << true << "connecting.html";
    QTest::newRow("the view in front")
        << QList<View>{View::Page, View::Show} << false << "show.html";
}

void tst_MainWindow::helpOpensOnThePageOfTheWindowInUse()
{
    QFETCH(QList<View>, views);
    QFETCH(bool, inStartup);
    QFETCH(QString, page);
    Rig p(false);
    for (View v : views)
        p.main.showView(v);
    QWidget* inUse = &p.main;
    if (inStartup)
        inUse = p.main.startup();
    else
        p.main.startup()->hide();
    QVERIFY(activate(inUse));
    QTest::keyClick(inUse, Qt::Key_F1);
    auto* help = p.main.findChild<HelpWindow*>();
    QVERIFY(help && help->isVisible());
    QCOMPARE(help->browser()->source().fileName(), page);
    QVERIFY(!help->browser()->toPlainText().isEmpty());
}

// Tab reaches the links, Enter follows one, Alt+Left and Alt+Right go back and forth, Alt+Home
// shows the contents and Escape closes the window: no mouse needed.
void tst_MainWindow::helpIsReadWithTheKeyboard()
{
    HelpWindow help;
    QVERIFY(activate(&help));
    QTextBrowser* browser = help.browser();
    QVERIFY(browser->hasFocus());
    const auto page = [browser] { return browser->source().fileName(); };
    QTest::keyClick(browser, Qt::Key_Tab);
    QTest::keyClick(browser, Qt::Key_Return);
    QCOMPARE(page(), QStringLiteral("connecting.html"));
    QTest::keyClick(browser, Qt::Key_Left, Qt::AltModifier);
    QCOMPARE(page(), QStringLiteral("index.html"));
    QTest::keyClick(browser, Qt::Key_Right, Qt::AltModifier);
    QCOMPARE(page(), QStringLiteral("connecting.html"));
    QTest::keyClick(browser, Qt::Key_Home, Qt::AltModifier);
    QCOMPARE(page(), QStringLiteral("index.html"));
    QTest::keyClick(browser, Qt::Key_Escape);
    QVERIFY(!help.isVisible());
}

void tst_MainWindow::boxesSayWhatHappened_data()
{
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("text"); // how the box's text begins
    QTest::addColumn<int>("icon");
    // The one version string of --version and the package, not major.minor+revision run
    // together, beside the program's own icon.
    QTest::newRow("About") << "aboutBox" << QStringLiteral("LV Monitor version " LV_VERSION "\n\n")
                           << int(QMessageBox::NoIcon);
    QTest::newRow("line error") << "lineErrorBox"
                                << "parity error on com port" << int(QMessageBox::Warning);
}

void tst_MainWindow::boxesSayWhatHappened()
{
    QFETCH(QString, box);
    QFETCH(QString, text);
    QFETCH(int, icon);
    Rig p(false);
    const bool about = box == QLatin1String("aboutBox");
    if (!about) {
        p.main.Connect();
        p.backend->deliver(bytes({0xA5, 0x01}));
    }
    QString shown;
    int shownIcon = -1;
    bool picture = false;
    QTimer::singleShot(0, [&] {
        auto* b = p.main.findChild<QMessageBox*>(box);
        QVERIFY(b);
        shown = b->text();
        shownIcon = b->icon();
        picture = !b->iconPixmap().isNull();
        b->accept();
    });
    if (about)
        p.main.findChild<QAction*>("mnuAbout")->trigger();
    else
        p.backend->raiseLineError(1009);
    QVERIFY2(shown.startsWith(text), qPrintable(shown));
    QCOMPARE(shownIcon, icon);
    QVERIFY(picture);
}

QTEST_MAIN(tst_MainWindow)
#include "tst_mainwindow.moc"
