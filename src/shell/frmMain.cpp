#include "shell/frmMain.h"

#include "link/Commands.h"
#include "link/QtSerialBackend.h"
#include "link/SessionRecordingWriter.h"
#include "model/Settings.h"
#include "shell/AppIcon.h"
#include "shell/AppVersion.h"
#include "shell/HelpWindow.h"
#include "shell/LinkStatusBar.h"
#include "shell/MonitorView.h"
#include "shell/WindowPlacement.h"
#include "shell/frmStartup.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFileDialog>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QMessageBox>
#include <QScreen>
#include <QStyle>

#include <algorithm>

namespace {

std::unique_ptr<SerialBackend> orRealPort(std::unique_ptr<SerialBackend> backend)
{
    return backend ? std::move(backend) : std::make_unique<QtSerialBackend>();
}

// A first start, with no place stored: room for the fixtures and dimmers views side by side.
constexpr QSize kFirstSize(1200, 760);

} // namespace

frmMain::frmMain(std::unique_ptr<SerialBackend> backend, QWidget* parent)
    : QMainWindow(parent), m_port(orRealPort(std::move(backend))), m_receiver(m_port, m_state),
      m_session(m_port, m_receiver, *this)
{
    viewFactory = [](ViewId view, const ViewContext& context) {
        return ViewRegistry::of(view).create(context);
    };
    // Windows made without main(), as in the tests, show the program's icon too.
    if (QApplication::windowIcon().isNull())
        QApplication::setWindowIcon(appIcon());
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("Lumivane Monitor"));
    m_port.setObjectName(QStringLiteral("MSComm1"));
    m_receiver.pageViewOpen = [this] { return m_views.isOpen(ViewId::Page); };
    connect(&m_receiver, &Receiver::consoleInformation, this, &frmMain::consoleInformation);
    m_mdi = new QMdiArea(this);
    m_mdi->setObjectName(QStringLiteral("mdiArea"));
    m_mdi->setAccessibleName(QStringLiteral("Views"));
    setCentralWidget(m_mdi);
    createMenus();
    m_startup = new frmStartup(this);
    connect(m_startup, &frmStartup::connectRequested, this, &frmMain::Connect);
    connect(m_startup, &frmStartup::reconnectChanged, this, [this](bool on) {
        if (!on)
            m_session.stopReconnecting();
    });
    m_statusBar = new LinkStatusBar(m_port, m_session, m_receiver, m_state, this);
    setStatusBar(m_statusBar);
    connect(&m_session, &Session::linkStateChanged, this, &frmMain::linkStateChanged);
    restoreMainWindowGeometry();
    // The web page's plugin, and the network libraries with it, load only when the page is on.
    QString error;
    if (WebPage::enabledInSettings() && !webPage(&error))
        qWarning("%s", qPrintable(error));
}

WebPage* frmMain::webPage(QString* error)
{
    if (!m_web) {
        m_web = WebPage::load(m_state, m_receiver, m_session, m_port, m_options, error);
        // Someone watching the web page watches the line too.
        if (m_web)
            connect(m_web.get(), &WebPage::stateChanged, this, &frmMain::updateWatched);
    }
    return m_web.get();
}

void frmMain::restoreMainWindowGeometry()
{
    const Settings settings;
    const QString section = QString::fromLatin1(Settings::Startup);
    const bool restored = restoreGeometry(QByteArray::fromBase64(
        settings.GetSetting(section, QStringLiteral("main_frm_geometry")).toLatin1()));
    restoreState(QByteArray::fromBase64(
        settings.GetSetting(section, QStringLiteral("main_frm_state")).toLatin1()));
    if (!restored) {
        // A first start: centred on the screen, large enough for the views that open first.
        if (const QScreen* screen = this->screen()) {
            const QRect room = screen->availableGeometry();
            const QSize size = kFirstSize.boundedTo(room.size() * 9 / 10);
            setGeometry(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, size, room));
        } else {
            resize(kFirstSize);
        }
        return;
    }
    if (windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen))
        return;
    // Stored on another screen or by another version: all of it is brought onto the screen it
    // is nearest to, with room above for the title bar, which is not known before it shows.
    QScreen* screen = QGuiApplication::screenAt(geometry().center());
    if (!screen)
        screen = this->screen();
    if (!screen)
        return;
    const QRect room = screen->availableGeometry().adjusted(
        0, style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, this), 0, 0);
    setGeometry(
        WindowPlacement::fitted(geometry(), room, minimumSizeHint().expandedTo(QSize(320, 240))));
}

bool frmMain::online() const
{
    return m_session.linkState() == Session::LinkState::Connected && m_port.PortOpen();
}

void frmMain::linkStateChanged()
{
    const Session::LinkState now = m_session.linkState();
    const bool lost = now == Session::LinkState::Lost || now == Session::LinkState::Reconnecting;
    if (lost && m_lastLinkState == Session::LinkState::Connected) {
        std::vector<ViewId> open;
        for (const ViewDescriptor& d : ViewRegistry::all())
            if (d.reopens && m_views.isOpen(d.id))
                open.push_back(d.id);
        m_openAtLoss = std::move(open);
    }
    m_lastLinkState = now;
    for (const ViewDescriptor& d : ViewRegistry::all())
        if (MonitorView* view = m_views.open(d.id))
            view->setOffline(!online());
    // A recording marks each link-up: a replay plays the console's side from there.
    if (now == Session::LinkState::Connected && m_recording)
        m_recording->markLinkUp();
    updateConnectEntry();
}

void frmMain::consoleInformation()
{
    m_statusBar->consoleTypeKnown();
    for (const ViewDescriptor& d : ViewRegistry::all())
        if (d.waitsForConsoleType)
            if (auto* action = findChild<QAction*>(QString::fromLatin1(d.menuName)))
                action->setVisible(true);
}

frmMain::~frmMain() = default;

QAction* frmMain::addEntry(QMenu* menu, const char* name, const QString& caption)
{
    QAction* action = menu->addAction(caption);
    action->setObjectName(QString::fromLatin1(name));
    return action;
}

void frmMain::createMenus()
{
    menuBar()->setObjectName(QStringLiteral("menuBar"));
    menuBar()->setAccessibleName(QStringLiteral("Menu bar"));
    createConnectionMenu();
    createWindowMenu();
    createHelpMenu();
}

void frmMain::createConnectionMenu()
{
    QMenu* connection = menuBar()->addMenu(QStringLiteral("&Connection"));
    connection->setObjectName(QStringLiteral("mnuConnection"));
    m_connectEntry = addEntry(connection, "mnuConnect", QStringLiteral("&Connect"));
    connect(m_connectEntry, &QAction::triggered, this, &frmMain::Connect_Window);
    m_disconnectEntry = addEntry(connection, "mnuDisconnect", QStringLiteral("&Disconnect"));
    connect(m_disconnectEntry, &QAction::triggered, &m_session, &Session::Disconnect);
    connect(addEntry(connection, "mnuRefresh", QStringLiteral("&Refresh")), &QAction::triggered,
            &m_session, &Session::Refresh);
    connection->addSeparator();
    m_recordEntry = addEntry(connection, "mnuRecord", QString());
    connect(m_recordEntry, &QAction::triggered, this, [this] {
        if (isRecording())
            stopRecording();
        else
            chooseRecordingFile();
    });
    updateRecordEntry();
    connect(addEntry(connection, "mnuWebAccess", QStringLiteral("&Web Access...")),
            &QAction::triggered, this, [this] {
                QString error;
                if (WebPage* web = webPage(&error))
                    web->showDialog(this);
                else
                    QMessageBox::warning(this, QStringLiteral("Web Access"), error);
            });
    connection->addSeparator();
    QAction* exit = addEntry(connection, "mnuExit", QStringLiteral("E&xit"));
    exit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    connect(exit, &QAction::triggered, this, &QWidget::close);
    updateConnectEntry();
}

void frmMain::updateConnectEntry()
{
    if (!m_connectEntry)
        return;
    // While linked, Connect starts the link anew from the speed search: the entry says so.
    const bool linked = m_session.linkState() == Session::LinkState::Connected;
    m_connectEntry->setText(linked ? QStringLiteral("&Connect again (restarts the link)")
                                   : QStringLiteral("&Connect"));
    m_disconnectEntry->setEnabled(m_port.PortOpen() || m_session.reconnecting());
}

void frmMain::createWindowMenu()
{
    QMenu* window = menuBar()->addMenu(QStringLiteral("&Window"));
    window->setObjectName(QStringLiteral("mnuWindow"));
    std::vector<const ViewDescriptor*> entries;
    for (const ViewDescriptor& d : ViewRegistry::all())
        entries.push_back(&d);
    std::sort(entries.begin(), entries.end(),
              [](const auto* a, const auto* b) { return a->menuPlace < b->menuPlace; });
    bool separated = false;
    for (const ViewDescriptor* d : entries) {
        if (d->menuPlace >= 100 && !separated) {
            window->addSeparator();
            separated = true;
        }
        QAction* action = addEntry(window, d->menuName, QString::fromLatin1(d->menuText));
        const ViewId id = d->id;
        connect(action, &QAction::triggered, this, [this, id] { showView(id); });
        // Offered once the console has told what it is.
        action->setVisible(!d->waitsForConsoleType);
    }
    QAction* percent = addEntry(window, "mnuValuesInPercent", QStringLiteral("Values in p&ercent"));
    percent->setCheckable(true);
    percent->setChecked(m_options.valuesInPercent());
    connect(percent, &QAction::toggled, &m_options, &DisplayOptions::setValuesInPercent);
    connect(&m_options, &DisplayOptions::changed, percent,
            [this, percent] { percent->setChecked(m_options.valuesInPercent()); });
    window->addSeparator();
    connect(addEntry(window, "mnuTile", QStringLiteral("T&ile")), &QAction::triggered, m_mdi,
            &QMdiArea::tileSubWindows);
    connect(addEntry(window, "mnuCascade", QStringLiteral("C&ascade")), &QAction::triggered, m_mdi,
            &QMdiArea::cascadeSubWindows);
}

bool frmMain::isRecording() const
{
    return m_recording && m_recording->isRecording();
}

bool frmMain::startRecording(const QString& path, bool replaceExisting, QString* error)
{
    stopRecording();
    auto recording = std::make_unique<SessionRecordingWriter>();
    if (!recording->open(path,
                         replaceExisting ? SessionRecordingWriter::IfExists::Replace
                                         : SessionRecordingWriter::IfExists::Refuse,
                         error))
        return false;
    connect(recording.get(), &SessionRecordingWriter::failed, this, [this](const QString& text) {
        // Out of the writer's own call before it goes.
        QMetaObject::invokeMethod(this, &frmMain::stopRecording, Qt::QueuedConnection);
        QMessageBox::warning(this, QStringLiteral("LV Monitor"), text);
    });
    recording->attach(m_port);
    if (online()) {
        // Begun on a live link: the file starts with what the program knows, so that its replay
        // shows the rig.
        recording->markLinkUp();
        recording->recordSnapshot(m_state);
    }
    m_recording = std::move(recording);
    updateRecordEntry();
    updateWatched();
    return true;
}

void frmMain::stopRecording()
{
    if (m_recording)
        m_recording->close();
    m_recording.reset();
    updateRecordEntry();
    updateWatched();
}

void frmMain::updateWatched()
{
    m_port.backend().setWatched(m_views.anyOpen() || isRecording() ||
                                (m_web && m_web->clientCount() > 0));
}

void frmMain::chooseRecordingFile()
{
    // The file dialog asks before it lets an existing file be chosen; a name without an
    // extension gets .lvrec.
    QFileDialog dialog(this, QStringLiteral("Record to File"), QString(),
                       QStringLiteral("LV Monitor recordings (*.lvrec);;All files (*)"));
    dialog.setObjectName(QStringLiteral("recordFileDialog"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("lvrec"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    QString error;
    if (!startRecording(dialog.selectedFiles().constFirst(), true, &error))
        QMessageBox::warning(this, QStringLiteral("LV Monitor"), error);
}

void frmMain::updateRecordEntry()
{
    if (m_statusBar)
        m_statusBar->showRecording(isRecording() ? m_recording->fileName() : QString());
    if (!m_recordEntry)
        return;
    m_recordEntry->setText(isRecording() ? QStringLiteral("S&top Recording")
                                         : QStringLiteral("Record to &File..."));
}

void frmMain::createHelpMenu()
{
    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    help->setObjectName(QStringLiteral("mnuHelp"));
    QAction* helpEntry = addEntry(help, "mnuLVMonHelp", QStringLiteral("&LV Monitor Help"));
    helpEntry->setShortcut(QKeySequence(Qt::Key_F1));
    // F1 works in every window of the program, the start-up window and the edit dialog too.
    helpEntry->setShortcutContext(Qt::ApplicationShortcut);
    connect(helpEntry, &QAction::triggered, this, &frmMain::mnuLVMonHelp_Click);
    connect(addEntry(help, "mnuAbout", QStringLiteral("&About LV Monitor")), &QAction::triggered,
            this, &frmMain::mnuAbout_Click);
}

void frmMain::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (!m_offered) {
        m_offered = true;
        Connect_Window();
    }
}

void frmMain::Connect_Window()
{
    m_startup->setStatus(QStringLiteral("Ready to connect to Lumivane."));
    showStartup();
}

void frmMain::showStartup()
{
    m_startup->show();
    m_startup->raise();
    m_startup->activateWindow();
}

void frmMain::hideStartup()
{
    m_startup->hide();
}

void frmMain::setStatus(const QString& text)
{
    m_startup->setStatus(text);
}

void frmMain::reportLineError(const QString& text)
{
    QMessageBox box(QMessageBox::Warning, QStringLiteral("LV Monitor"), text, QMessageBox::Ok,
                    this);
    box.setObjectName(QStringLiteral("lineErrorBox"));
    box.exec();
}

void frmMain::reopenViews()
{
    // After a link was lost: the views open at that moment. Otherwise those open at the last
    // exit.
    const Settings settings;
    for (const ViewDescriptor& d : ViewRegistry::all()) {
        if (!d.reopens)
            continue;
        const bool wasOpen =
            m_openAtLoss
                ? std::find(m_openAtLoss->begin(), m_openAtLoss->end(), d.id) != m_openAtLoss->end()
                : settings.GetBool(
                      QString::fromLatin1(Settings::Startup),
                      QString::fromLatin1(d.settingsPrefix) + QStringLiteral("_frm_open"), false);
        if (wasOpen)
            showView(d.id);
    }
}

bool frmMain::FormIsLoaded(const QString& name) const
{
    if (objectName() == name || m_startup->objectName() == name)
        return true;
    if (m_views.openByName(name))
        return true;
    return m_help && m_help->objectName() == name;
}

MonitorView* frmMain::showView(ViewId view)
{
    QPointer<QMdiSubWindow>& frame = m_frames[size_t(view)];
    if (MonitorView* open = m_views.open(view)) {
        if (frame)
            WindowPlacement::showInSight(*frame);
        return open;
    }
    MonitorView* created =
        viewFactory(view, ViewContext{m_state, m_port, m_receiver, m_session, m_options, m_views});
    if (!created)
        return nullptr;
    m_views.setOpen(view, created);
    connect(created, &MonitorView::unloaded, this, [this, view] {
        if (MonitorView* closed = m_views.open(view)) {
            m_views.setOpen(view, nullptr);
            closed->deleteLater();
            updateWatched();
        }
    });
    // Each kind of view keeps its frame for the life of the window and only the view inside is
    // made anew: a new frame for every opening would leave the style's cached drawings of each
    // old one behind, and the program would grow with every window the user opened.
    if (!frame) {
        frame = m_mdi->addSubWindow(created);
        frame->setAttribute(Qt::WA_DeleteOnClose, false);
    } else {
        frame->setWidget(created);
    }
    created->load();
    created->setOffline(!online());
    updateWatched();
    WindowPlacement::showInSight(*frame);
    return created;
}

void frmMain::mnuAbout_Click()
{
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("About LV Monitor"),
                    QStringLiteral("LV Monitor version ") + appVersion() +
                        QStringLiteral("\n\nWatches a Lumivane lighting console over its serial "
                                       "line."),
                    QMessageBox::Ok, this);
    box.setObjectName(QStringLiteral("aboutBox"));
    box.setIconPixmap(QApplication::windowIcon().pixmap(64));
    box.exec();
}

void frmMain::mnuLVMonHelp_Click()
{
    const std::optional<QUrl> page = helpPageInContext();
    if (!m_help)
        m_help = new HelpWindow(this);
    if (page)
        m_help->showPage(*page);
    m_help->show();
    m_help->raise();
    m_help->activateWindow();
}

std::optional<QUrl> frmMain::helpPageInContext() const
{
    const QWidget* active = QApplication::activeWindow();
    if (m_help && active == m_help)
        return std::nullopt; // the page being read stays
    if (active == m_startup)
        return HelpWindow::url(HelpWindow::Topic::Connecting);
    if (active && active->objectName() == QLatin1String("frmEdit"))
        return HelpWindow::url(HelpWindow::Topic::ChannelEdit);
    if (const QMdiSubWindow* frame = m_mdi->activeSubWindow())
        for (const ViewDescriptor& d : ViewRegistry::all())
            if (m_frames[size_t(d.id)] == frame && m_views.isOpen(d.id))
                return HelpWindow::url(d.helpPage);
    return HelpWindow::url(HelpWindow::Topic::Contents);
}

void frmMain::storeWindowState()
{
    Settings settings;
    const QString section = QString::fromLatin1(Settings::Startup);
    for (const ViewDescriptor& d : ViewRegistry::all()) {
        MonitorView* view = m_views.open(d.id);
        if (d.reopens)
            settings.SaveBool(section,
                              QString::fromLatin1(d.settingsPrefix) + QStringLiteral("_frm_open"),
                              view != nullptr);
        if (view)
            view->saveGeometrySettings();
    }
    // The main window's own place and size, so it comes back where the user left it.
    settings.SaveSetting(section, QStringLiteral("main_frm_geometry"),
                         QString::fromLatin1(saveGeometry().toBase64()));
    settings.SaveSetting(section, QStringLiteral("main_frm_state"),
                         QString::fromLatin1(saveState().toBase64()));
}

void frmMain::closeEvent(QCloseEvent* event)
{
    if (!m_unloaded) {
        storeWindowState();
        m_mdi->closeAllSubWindows();
        Form_Unload();
        Settings::flush();
    }
    event->accept();
}

void frmMain::Form_Unload()
{
    m_unloaded = true;
    m_session.Timer1.stop();
    m_session.ReconnectTimer.stop();
    if (m_port.PortOpen()) {
        m_port.Output(Commands::MonitorClosing());
        m_port.drainOutput();
    }
    m_startup->close();
    if (m_help)
        m_help->close();
}
