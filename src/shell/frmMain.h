#pragma once

#include "link/Receiver.h"
#include "link/SerialPort.h"
#include "link/Session.h"
#include "link/SessionHost.h"
#include "model/SharedState.h"
#include "shell/DisplayOptions.h"
#include "shell/ViewContext.h"
#include "shell/ViewRegistry.h"
#include "shell/WebPage.h"

#include <QMainWindow>
#include <QPointer>
#include <QUrl>

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class HelpWindow;
class LinkStatusBar;
class SessionRecordingWriter;
class MonitorView;
class QAction;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class frmStartup;

// The main window: the frame inside which every view opens, the menus, the shared state, the
// serial port and the session with the console. The views it offers are those of the view
// registry; each follows the console through the receiver's signals by itself.
class frmMain : public QMainWindow, public SessionHost
{
    Q_OBJECT
public:
    // Without a backend the program uses the real serial device.
    explicit frmMain(std::unique_ptr<SerialBackend> backend = nullptr, QWidget* parent = nullptr);
    ~frmMain() override;

    // Handles the bytes waiting in the port (the port's receive event).
    void processindata() { m_receiver.processindata(); }
    // Offers the start-up window, ready to connect.
    void Connect_Window();
    // Starts a connect attempt (the start-up window's Connect button).
    void Connect() { m_session.Connect(); }
    // True if a loaded window has this window name, hidden or not.
    bool FormIsLoaded(const QString& name) const;

    // Opens the view (loading it if needed), restored and in sight, and brings it to the front;
    // null if the factory makes none.
    MonitorView* showView(ViewId view);
    // The loaded view of this kind, or null.
    MonitorView* loadedView(ViewId view) const { return m_views.open(view); }
    const ViewRegistry& views() const { return m_views; }

    SharedState& state() { return m_state; }
    SerialPort& MSComm1() { return m_port; }
    Session& session() { return m_session; }
    Receiver& receiver() { return m_receiver; }
    frmStartup* startup() const { return m_startup; }
    LinkStatusBar* linkStatusBar() const { return m_statusBar; }
    DisplayOptions& displayOptions() { return m_options; }
    // The built-in web page, its plugin loaded on first use; null, with what the user can do in
    // `error`, when the plugin cannot be loaded.
    WebPage* webPage(QString* error = nullptr);
    // Makes the views; tests put their own in. By default the registry's factory.
    std::function<MonitorView*(ViewId, const ViewContext&)> viewFactory;
    QMdiArea* mdiArea() const { return m_mdi; }

    // Records the session into a file from now on (Connection menu, --record). An existing file
    // is replaced only when the caller has asked the user; false with a message that says what
    // to do.
    bool startRecording(const QString& path, bool replaceExisting, QString* error);
    void stopRecording();
    bool isRecording() const;

    // SessionHost
    void setStatus(const QString& text) override;
    void showStartup() override;
    void hideStartup() override;
    void reopenViews() override;
    void reportLineError(const QString& text) override;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void createMenus();
    void createConnectionMenu();
    void createWindowMenu();
    void createHelpMenu();
    QAction* addEntry(QMenu* menu, const char* name, const QString& caption);
    void mnuAbout_Click();
    // Help opens on the page of the window in use: the active view, the channel edit dialog,
    // the start-up window; otherwise on the contents.
    void mnuLVMonHelp_Click();
    std::optional<QUrl> helpPageInContext() const;
    void storeWindowState();
    void Form_Unload();
    // Views follow the console only while the link is up; otherwise they are marked offline.
    bool online() const;
    void linkStateChanged();
    void consoleInformation();
    void restoreMainWindowGeometry();
    void chooseRecordingFile();
    void updateRecordEntry();
    void updateConnectEntry();
    // Tells the port whether anything shows or records the line as it happens.
    void updateWatched();

    SharedState m_state;
    SerialPort m_port;
    Receiver m_receiver;
    Session m_session;
    DisplayOptions m_options;
    ViewRegistry m_views;
    QMdiArea* m_mdi = nullptr;
    frmStartup* m_startup = nullptr;
    LinkStatusBar* m_statusBar = nullptr;
    QPointer<HelpWindow> m_help;
    // Each kind of view keeps its frame for the life of the window (see showView).
    std::array<QPointer<QMdiSubWindow>, ViewRegistry::Count> m_frames{};
    std::unique_ptr<SessionRecordingWriter> m_recording;
    QAction* m_recordEntry = nullptr;
    QAction* m_connectEntry = nullptr;
    QAction* m_disconnectEntry = nullptr;
    // The views open when the link was last lost: what a later link-up reopens, rather than
    // what was open at the last exit.
    std::optional<std::vector<ViewId>> m_openAtLoss;
    Session::LinkState m_lastLinkState = Session::LinkState::NotConnected;
    bool m_offered = false;
    bool m_unloaded = false;
    std::unique_ptr<WebPage> m_web;
};
