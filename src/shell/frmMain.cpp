#include "shell/frmMain.h"

#include "controls/GridModel.h"
#include "link/Commands.h"
#include "link/QtSerialBackend.h"
#include "link/SessionRecordingWriter.h"
#include "model/Settings.h"
#include "shell/AppIcon.h"
#include "shell/HelpWindow.h"
#include "shell/LinkStatusBar.h"
#include "shell/MonitorView.h"
#include "shell/ViewContext.h"
#include "shell/ViewFactory.h"
#include "shell/WindowPlacement.h"
#include "shell/frmStartup.h"
#include "views/traffic/TrafficView.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFileDialog>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QMessageBox>
#include <QScreen>
#include <QStyle>

namespace {

std::unique_ptr<SerialBackend> orRealPort(std::unique_ptr<SerialBackend> backend)
{
    return backend ? std::move(backend) : std::make_unique<QtSerialBackend>();
}

const char* const kTrafficGeometry = "traffic_frm_geometry";

size_t slot(SessionHost::View view)
{
    return size_t(view);
}

} // namespace

frmMain::frmMain(std::unique_ptr<SerialBackend> backend, QWidget* parent)
    : QMainWindow(parent), m_port(orRealPort(std::move(backend))),
      m_receiver(m_port, m_state, *this), m_session(m_port, m_receiver, *this)
{
    viewFactory = createView;
    m_valuesInPercent = Settings().GetBool(QString::fromLatin1(Settings::Startup),
                                           QStringLiteral("ValuesInPercent"), false);
    // Windows made without main(), as in the tests, show the program's icon too.
    if (QApplication::windowIcon().isNull())
        QApplication::setWindowIcon(appIcon());
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("Lumivane Monitor"));
    m_port.setObjectName(QStringLiteral("MSComm1"));
    m_mdi = new QMdiArea(this);
    m_mdi->setObjectName(QStringLiteral("mdiArea"));
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
    connect(&m_session, &Session::linkStateChanged, this, &frmMain::markViewsOffline);
    connect(&m_port, &SerialPort::inputArriving, this, &GridModel::holdReports);
    connect(&m_port, &SerialPort::inputHandled, this, &GridModel::releaseReports);
    // A recording marks each link-up: a replay plays the console's side from there.
    connect(&m_session, &Session::linkStateChanged, this, [this] {
        if (m_session.linkState() != Session::LinkState::Connected)
            return;
        m_linkedFor.start();
        if (m_recording)
            m_recording->markLinkUp();
    });
    resize(1024, 700);
    restoreMainWindowGeometry();
}

void frmMain::restoreMainWindowGeometry()
{
    const Settings settings;
    const QString section = QString::fromLatin1(Settings::Startup);
    const bool restored = restoreGeometry(QByteArray::fromBase64(
        settings.GetSetting(section, QStringLiteral("main_frm_geometry")).toLatin1()));
    restoreState(QByteArray::fromBase64(
        settings.GetSetting(section, QStringLiteral("main_frm_state")).toLatin1()));
    if (!restored || (windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen)))
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

void frmMain::markViewsOffline()
{
    for (const auto& view : m_views)
        if (view)
            view->setOffline(!online());
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
    connect(addEntry(connection, "mnuConnect", QStringLiteral("&Connect")), &QAction::triggered,
            this, &frmMain::Connect_Window);
    connect(addEntry(connection, "mnuRefresh", QStringLiteral("&Refresh")), &QAction::triggered,
            &m_session, &Session::Refresh);
    m_recordEntry = addEntry(connection, "mnuRecord", QString());
    connect(m_recordEntry, &QAction::triggered, this, [this] {
        if (isRecording())
            stopRecording();
        else
            chooseRecordingFile();
    });
    updateRecordEntry();
    connection->addSeparator();
    QAction* exit = addEntry(connection, "mnuExit", QStringLiteral("E&xit"));
    exit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    connect(exit, &QAction::triggered, this, &QWidget::close);
}

void frmMain::createWindowMenu()
{
    QMenu* window = menuBar()->addMenu(QStringLiteral("&Window"));
    window->setObjectName(QStringLiteral("mnuWindow"));
    const auto viewEntry = [this, window](const char* name, const QString& caption, View view) {
        QAction* action = addEntry(window, name, caption);
        connect(action, &QAction::triggered, this, [this, view] { showView(view); });
        return action;
    };
    viewEntry("mnuFixtures", QStringLiteral("&Fixtures"), View::Fixtures);
    viewEntry("mnuPage", QStringLiteral("&Page"), View::Page);
    viewEntry("mnuScene", QStringLiteral("&Scene"), View::Scene);
    // Offered once the console has told what it is.
    viewEntry("mnuShow", QStringLiteral("&Show"), View::Show)->setVisible(false);
    viewEntry("mnuDimmers", QStringLiteral("&Dimmers"), View::Dimmers)->setVisible(false);
    viewEntry("mnuPlaybacks", QStringLiteral("&Playbacks"), View::Playbacks)->setVisible(false);
    window->addSeparator();
    connect(addEntry(window, "mnuTraffic", QStringLiteral("&Traffic")), &QAction::triggered, this,
            &frmMain::showTraffic);
    QAction* percent = addEntry(window, "mnuValuesInPercent", QStringLiteral("Values in p&ercent"));
    percent->setCheckable(true);
    percent->setChecked(m_valuesInPercent);
    connect(percent, &QAction::toggled, this, &frmMain::setValuesInPercent);
}

void frmMain::setValuesInPercent(bool on)
{
    if (on == m_valuesInPercent)
        return;
    m_valuesInPercent = on;
    Settings().SaveBool(QString::fromLatin1(Settings::Startup), QStringLiteral("ValuesInPercent"),
                        on);
    if (auto* action = findChild<QAction*>(QStringLiteral("mnuValuesInPercent")))
        action->setChecked(on);
    // The open views write their values anew in the chosen form.
    if (ViewSink* fixtures = sink(View::Fixtures))
        for (qint16 f = 0; f < SharedState::FixtureCount; ++f)
            fixtures->UpdateFixt(f);
    if (ViewSink* dimmers = sink(View::Dimmers))
        for (qint16 d = 0; d < SharedState::DimmerCount; ++d)
            dimmers->UpdateDimmer(d);
}

TrafficView* frmMain::showTraffic()
{
    if (!m_traffic) {
        m_traffic = new TrafficView(m_port, m_state);
        m_trafficFrame = m_mdi->addSubWindow(m_traffic);
        m_trafficFrame->setAttribute(Qt::WA_DeleteOnClose);
        // Where the user left it last time: "left top width height" in pixels, shown within the
        // main window however large the numbers.
        const QStringList stored =
            Settings()
                .GetSetting(QString::fromLatin1(Settings::Startup), QLatin1String(kTrafficGeometry))
                .split(QLatin1Char(' '), Qt::SkipEmptyParts);
        QList<qint64> g;
        for (const QString& n : stored) {
            bool ok = false;
            g << n.toLongLong(&ok);
            if (!ok)
                break;
        }
        if (g.size() == 4 && g[2] > 0 && g[3] > 0)
            WindowPlacement::place(*m_trafficFrame,
                                   WindowPlacement::fromStored(g[0], g[1], g[2], g[3]));
        else
            m_trafficFrame->resize(900, 360);
        m_trafficFrame->installEventFilter(this);
        connect(m_traffic, &QObject::destroyed, this, &frmMain::updateWatched,
                Qt::QueuedConnection);
        updateWatched();
        // Opened on a live link: its times count from that link-up too.
        if (online() && m_linkedFor.isValid())
            m_traffic->setLinkedFor(m_linkedFor.elapsed());
    }
    WindowPlacement::showInSight(*m_trafficFrame);
    return m_traffic;
}

TrafficView* frmMain::trafficView() const
{
    return m_traffic;
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
    bool watched = m_traffic || isRecording();
    for (const auto& view : m_views)
        watched = watched || view;
    m_port.backend().setWatched(watched);
}

void frmMain::chooseRecordingFile()
{
    // The file dialog asks before it lets an existing file be chosen.
    const QString path = QFileDialog::getSaveFileName(
        this, QStringLiteral("Record to File"), QString(),
        QStringLiteral("LV Monitor recordings (*.lvrec);;All files (*)"));
    if (path.isEmpty())
        return;
    QString error;
    if (!startRecording(path, true, &error))
        QMessageBox::warning(this, QStringLiteral("LV Monitor"), error);
}

void frmMain::updateRecordEntry()
{
    if (!m_recordEntry)
        return;
    m_recordEntry->setText(isRecording() ? QStringLiteral("Stop &Recording")
                                         : QStringLiteral("&Record to File..."));
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
    QMessageBox box(QMessageBox::Warning, QApplication::applicationName(), text, QMessageBox::Ok,
                    this);
    box.setObjectName(QStringLiteral("lineErrorBox"));
    box.exec();
}

bool frmMain::FormIsLoaded(const QString& name) const
{
    if (objectName() == name || m_startup->objectName() == name)
        return true;
    for (const auto& view : m_views)
        if (view && view->objectName() == name)
            return true;
    return m_help && m_help->objectName() == name;
}

MonitorView* frmMain::loadedView(View view) const
{
    return m_views[slot(view)].data();
}

MonitorView* frmMain::showView(View view)
{
    if (MonitorView* open = loadedView(view)) {
        if (QMdiSubWindow* frame = open->subWindow())
            WindowPlacement::showInSight(*frame);
        return open;
    }
    MonitorView* created = viewFactory(view, ViewContext{m_state, m_port, *this});
    if (!created)
        return nullptr;
    m_views[slot(view)] = created;
    connect(created, &MonitorView::unloaded, this, [this, view] {
        if (MonitorView* closed = m_views[slot(view)]) {
            m_views[slot(view)] = nullptr;
            closed->deleteLater();
            updateWatched();
        }
    });
    // Each kind of view keeps its frame for the life of the window and only the view inside is
    // made anew: a new frame for every opening would leave the style's cached drawings of each
    // old one behind, and the program would grow with every window the user opened.
    QPointer<QMdiSubWindow>& frame = m_frames[slot(view)];
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

ViewSink* frmMain::sink(View view) const
{
    return m_views[slot(view)].data();
}

bool frmMain::PageViewLoaded() const
{
    return sink(View::Page) != nullptr;
}

bool frmMain::SceneViewLoaded() const
{
    return sink(View::Scene) != nullptr;
}

void frmMain::NoPageDisp()
{
    if (ViewSink* v = sink(View::Page))
        v->NoPageDisp();
}

void frmMain::FillLvw(const QByteArray& payload)
{
    if (ViewSink* v = sink(View::Page))
        v->FillLvw(payload);
}

void frmMain::UpdateFixtSel(qint16 fixture)
{
    if (ViewSink* v = sink(View::Page))
        v->UpdateFixtSel(fixture);
}

void frmMain::Display_Events(const QByteArray& payload)
{
    if (ViewSink* v = sink(View::Scene))
        v->Display_Events(payload);
}

void frmMain::UpdateFixt(qint16 fixture)
{
    if (ViewSink* v = sink(View::Fixtures))
        v->UpdateFixt(fixture);
}

void frmMain::UpdateChnl(qint16 fixture, qint16 channel)
{
    if (ViewSink* v = sink(View::Fixtures))
        v->UpdateChnl(fixture, channel);
}

void frmMain::UpdateDimmer(qint16 dimmer)
{
    if (ViewSink* v = sink(View::Dimmers))
        v->UpdateDimmer(dimmer);
}

void frmMain::UpdateDimmerLevel(qint16 dimmer)
{
    if (ViewSink* v = sink(View::Dimmers))
        v->UpdateDimmerLevel(dimmer);
}

void frmMain::UpdatePlayback(qint16 playback)
{
    if (ViewSink* v = sink(View::Playbacks))
        v->UpdatePlayback(playback);
}

void frmMain::UpdatePlaybackLevel(qint16 playback)
{
    if (ViewSink* v = sink(View::Playbacks))
        v->UpdatePlaybackLevel(playback);
}

void frmMain::PageChange(const QByteArray& payload)
{
    if (ViewSink* v = sink(View::Playbacks))
        v->PageChange(payload);
}

void frmMain::List_Message(const QByteArray& payload)
{
    if (ViewSink* v = sink(View::Show))
        v->List_Message(payload);
}

void frmMain::Start_Message(const QByteArray& payload)
{
    if (ViewSink* v = sink(View::Show))
        v->Start_Message(payload);
}

void frmMain::Step_Message(const QByteArray& payload)
{
    if (ViewSink* v = sink(View::Show))
        v->Step_Message(payload);
}

void frmMain::ConsoleInfoReceived()
{
    m_statusBar->consoleTypeKnown();
    for (const char* name : {"mnuDimmers", "mnuPlaybacks", "mnuShow"})
        if (auto* action = findChild<QAction*>(QString::fromLatin1(name)))
            action->setVisible(true);
}

QString frmMain::versionText(int major, int minor, int revision)
{
    return QStringLiteral("LV Monitor version %1.%2%3").arg(major).arg(minor).arg(revision);
}

void frmMain::mnuAbout_Click()
{
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("About LV Monitor"),
                    versionText(LV_VERSION_MAJOR, LV_VERSION_MINOR, LV_VERSION_REVISION) +
                        QStringLiteral("\n\nWatches a Lumivane lighting console over its serial "
                                       "line."),
                    QMessageBox::Ok, this);
    box.setObjectName(QStringLiteral("aboutBox"));
    box.setIconPixmap(QApplication::windowIcon().pixmap(64));
    box.exec();
}

void frmMain::mnuLVMonHelp_Click()
{
    const std::optional<HelpWindow::Topic> topic = helpTopicInContext();
    if (!m_help)
        m_help = new HelpWindow(this);
    if (topic)
        m_help->showTopic(*topic);
    m_help->show();
    m_help->raise();
    m_help->activateWindow();
}

std::optional<HelpWindow::Topic> frmMain::helpTopicInContext() const
{
    const QWidget* active = QApplication::activeWindow();
    if (m_help && active == m_help)
        return std::nullopt; // the page being read stays
    if (active == m_startup)
        return HelpWindow::Topic::Connecting;
    if (active && active->objectName() == QLatin1String("frmEdit"))
        return HelpWindow::Topic::ChannelEdit;
    if (m_trafficFrame && m_mdi->activeSubWindow() == m_trafficFrame)
        return HelpWindow::Topic::Traffic;
    if (const QMdiSubWindow* frame = m_mdi->activeSubWindow())
        for (size_t i = 0; i < m_frames.size(); ++i)
            if (m_frames[i] == frame && m_views[i])
                return HelpWindow::topicFor(View(i));
    return HelpWindow::Topic::Contents;
}

bool frmMain::eventFilter(QObject* watched, QEvent* event)
{
    // The type first: the frame's pointer is only looked at while the frame is whole.
    if (event->type() == QEvent::Close && watched == m_trafficFrame)
        storeTrafficGeometry();
    return QMainWindow::eventFilter(watched, event);
}

void frmMain::storeTrafficGeometry()
{
    if (!m_trafficFrame)
        return;
    const QRect g = WindowPlacement::normalGeometry(*m_trafficFrame);
    Settings().SaveSetting(
        QString::fromLatin1(Settings::Startup), QLatin1String(kTrafficGeometry),
        QStringLiteral("%1 %2 %3 %4").arg(g.left()).arg(g.top()).arg(g.width()).arg(g.height()));
}

void frmMain::storeWindowState()
{
    storeTrafficGeometry();
    Settings settings;
    const QString section = QString::fromLatin1(Settings::Startup);
    const auto store = [&](const char* key, bool value) {
        settings.SaveBool(section, QString::fromLatin1(key), value);
    };
    store("fixture_frm_open", m_state.FixturesViewOpen);
    store("dimmer_frm_open", m_state.DimmersViewOpen);
    store("playback_frm_open", m_state.PlaybacksViewOpen);
    store("show_frm_open", m_state.ShowViewOpen);
    store("scene_frm_open", FormIsLoaded(QStringLiteral("frmScene")));
    store("page_frm_open", FormIsLoaded(QStringLiteral("frmPage")));

    const std::array<std::pair<bool, View>, 6> geometryOrder = {{
        {m_state.FixturesViewOpen, View::Fixtures},
        {m_state.DimmersViewOpen, View::Dimmers},
        {m_state.PlaybacksViewOpen, View::Playbacks},
        {FormIsLoaded(QStringLiteral("frmScene")), View::Scene},
        {FormIsLoaded(QStringLiteral("frmPage")), View::Page},
        {m_state.ShowViewOpen, View::Show},
    }};
    for (const auto& [open, view] : geometryOrder)
        if (MonitorView* v = loadedView(view); open && v)
            v->saveGeometrySettings();
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
