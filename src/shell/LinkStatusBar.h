#pragma once

#include "link/Session.h"

#include <QElapsedTimer>
#include <QStatusBar>
#include <QTimer>

class QLabel;
class StatusField;
class Receiver;
class SerialPort;
struct SharedState;

// The main window's status bar: the device, the line settings in force, where the link stands,
// the console's type once it has said, how many messages came and how long ago the last one
// did. It reads those twice a second rather than being told of every message.
class LinkStatusBar : public QStatusBar
{
    Q_OBJECT
public:
    static constexpr int RefreshMs = 500;
    // While the line is quiet. Longer than RefreshMs, so that while the console talks a burst
    // always comes first and the fields are painted with it, not on a wake-up of their own.
    static constexpr int QuietRefreshMs = 550;
    // The device field is at most this many average characters wide.
    static constexpr int DeviceFieldChars = 48;

    LinkStatusBar(const SerialPort& port, const Session& session, const Receiver& receiver,
                  const SharedState& state, QWidget* parent = nullptr);

    // The console said what it is; forgotten at the next speed search.
    void consoleTypeKnown() { m_consoleKnown = true; }
    // The REC mark, with the file's name in its tooltip, while a recording runs (a name).
    void showRecording(const QString& fileName);
    // Reads everything again now.
    void refresh();

    // "38400 8-N-1" from the serial control's "38400,n,8,1".
    static QString lineText(const QString& settings);
    static QString linkText(Session::LinkState state, int baud);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The device's path, shortened in the middle to the field's width.
    void showDevice(const QString& path);
    static void fixWidth(QLabel* label, const QStringList& widestTexts);
    StatusField* addField(const char* name, const QString& accessibleName, int stretch = 0);

    const SerialPort& m_port;
    const Session& m_session;
    const Receiver& m_receiver;
    const SharedState& m_state;
    StatusField* m_device;
    StatusField* m_line;
    StatusField* m_link;
    StatusField* m_consoleType;
    StatusField* m_messages;
    StatusField* m_lastMessage;
    StatusField* m_recording;
    QTimer m_timer;
    QElapsedTimer m_sinceLast;
    QElapsedTimer m_sinceRefresh;
    QString m_devicePath;
    quint64 m_lastCount = 0;
    bool m_consoleKnown = false;
};
