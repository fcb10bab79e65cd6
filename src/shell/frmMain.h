#pragma once

#include "link/Receiver.h"
#include "link/SerialPort.h"
#include "link/Session.h"
#include "link/SessionHost.h"
#include "link/ViewSink.h"
#include "model/SharedState.h"
#include "shell/HelpWindow.h"
#include "shell/ViewContext.h"

#include <QElapsedTimer>
#include <QMainWindow>
#include <QPointer>

#include <array>
#include <functional>
#include <memory>
#include <optional>

class LinkStatusBar;
class SessionRecordingWriter;
class TrafficView;
class MonitorView;
class QAction;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class frmStartup;

// The main window: the frame inside which every view opens, the menus, the shared state, the
// serial port and the session with the console.
class frmMain : public QMainWindow, public ViewSink, public SessionHost
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

    // Opens the view (loading it if needed) and brings it to the front; null if the view does not
    // exist in this build.
    MonitorView* showView(View view);
    // The loaded view of this kind, or null.
    MonitorView* loadedView(View view) const;

    SharedState& state() { return m_state; }
    SerialPort& MSComm1() { return m_port; }
    Session& session() { return m_session; }
    Receiver& receiver() { return m_receiver; }
    frmStartup* startup() const { return m_startup; }
    LinkStatusBar* linkStatusBar() const { return m_statusBar; }
    // Makes the views; tests put their own in.
    std::function<MonitorView*(View, const ViewContext&)> viewFactory;
    QMdiArea* mdiArea() const { return m_mdi; }

    // Fixture values and dimmer levels in percent rather than 0..255 (Window menu, stored).
    bool valuesInPercent() const { return m_valuesInPercent; }
    void setValuesInPercent(bool on);

    // Opens the traffic view, or brings it to the front.
    TrafficView* showTraffic();
    TrafficView* trafficView() const;

    // Records the session into a file from now on (Connection menu, --record). An existing file
    // is replaced only when the caller has asked the user; false with a message that says what
    // to do.
    bool startRecording(const QString& path, bool replaceExisting, QString* error);
    void stopRecording();
    bool isRecording() const;

    // The About box's first line: "LV Monitor version " major "." minor revision.
    static QString versionText(int major, int minor, int revision);

    // ViewSink: forwards to the open view.
    bool PageViewLoaded() const override;
    bool SceneViewLoaded() const override;
    void NoPageDisp() override;
    void FillLvw(const QByteArray& payload) override;
    void UpdateFixtSel(qint16 fixture) override;
    void Display_Events(const QByteArray& payload) override;
    void UpdateFixt(qint16 fixture) override;
    void UpdateChnl(qint16 fixture, qint16 channel) override;
    void UpdateDimmer(qint16 dimmer) override;
    void UpdateDimmerLevel(qint16 dimmer) override;
    void UpdatePlayback(qint16 playback) override;
    void UpdatePlaybackLevel(qint16 playback) override;
    void PageChange(const QByteArray& payload) override;
    void List_Message(const QByteArray& payload) override;
    void Start_Message(const QByteArray& payload) override;
    void Step_Message(const QByteArray& payload) override;
    void ConsoleInfoReceived() override;

    // SessionHost
    void setStatus(const QString& text) override;
    void showStartup() override;
    void hideStartup() override;
    void openView(View view) override { showView(view); }
    void reportLineError(const QString& text) override;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

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
    std::optional<HelpWindow::Topic> helpTopicInContext() const;
    void storeWindowState();
    void storeTrafficGeometry();
    void Form_Unload();
    ViewSink* sink(View view) const;
    // Views follow the console only while the link is up; otherwise they are marked offline.
    bool online() const;
    void markViewsOffline();
    void restoreMainWindowGeometry();
    void chooseRecordingFile();
    void updateRecordEntry();
    // Tells the port whether anything shows or records the line as it happens.
    void updateWatched();

    SharedState m_state;
    SerialPort m_port;
    Receiver m_receiver;
    Session m_session;
    QMdiArea* m_mdi = nullptr;
    frmStartup* m_startup = nullptr;
    LinkStatusBar* m_statusBar = nullptr;
    QPointer<HelpWindow> m_help;
    std::array<QPointer<MonitorView>, 6> m_views{};
    std::array<QPointer<QMdiSubWindow>, 6> m_frames{};
    QPointer<TrafficView> m_traffic;
    QPointer<QMdiSubWindow> m_trafficFrame;
    std::unique_ptr<SessionRecordingWriter> m_recording;
    QAction* m_recordEntry = nullptr;
    bool m_valuesInPercent = false;
    QElapsedTimer m_linkedFor;
    bool m_offered = false;
    bool m_unloaded = false;
};
