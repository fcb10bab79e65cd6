#include "shell/LinkStatusBar.h"

#include "controls/StatusField.h"
#include "link/LineSettings.h"
#include "link/Receiver.h"
#include "link/SerialPort.h"
#include "model/SharedState.h"

#include <QEvent>
#include <QLabel>

#include <algorithm>

LinkStatusBar::LinkStatusBar(const SerialPort& port, const Session& session,
                             const Receiver& receiver, const SharedState& state, QWidget* parent)
    : QStatusBar(parent), m_port(port), m_session(session), m_receiver(receiver), m_state(state),
      m_device(addField("lblStatusDevice", QStringLiteral("Serial device"), 1)),
      m_line(addField("lblStatusLine", QStringLiteral("Line settings"))),
      m_link(addField("lblStatusLink", QStringLiteral("Link state"))),
      m_consoleType(addField("lblStatusConsole", QStringLiteral("Console type"))),
      m_messages(addField("lblStatusMessages", QStringLiteral("Messages received"))),
      m_lastMessage(addField("lblStatusLast", QStringLiteral("Time since the last message"))),
      m_recording(addField("lblStatusRecording", QStringLiteral("Recording")))
{
    setObjectName(QStringLiteral("statusBar"));
    // A device path may be of any length (a by-id link, a path from the settings): it is shown
    // shortened in the middle, whole in the tooltip, and the field's width does not follow it.
    const int charWidth = m_device->fontMetrics().averageCharWidth();
    m_device->setMinimumWidth(charWidth * 8);
    m_device->setMaximumWidth(charWidth * DeviceFieldChars);
    m_device->installEventFilter(this);
    // The two fields that change a few times a second get a fixed size: a field that may change
    // size makes the status bar lay out and repaint all of its width.
    fixWidth(m_messages, {QStringLiteral("0000000000 messages")});
    fixWidth(m_lastMessage,
             {QStringLiteral("last under 1 s ago"), QStringLiteral("last 00000000 s ago"),
              QStringLiteral("no message yet")});
    setSizeGripEnabled(true);
    m_recording->setText(QStringLiteral("REC"));
    QPalette recording = m_recording->palette();
    recording.setColor(QPalette::WindowText, Qt::red);
    m_recording->setPalette(recording);
    m_recording->hide();
    connect(&m_session, &Session::linkStateChanged, this, [this] {
        if (m_session.linkState() == Session::LinkState::Searching)
            m_consoleKnown = false;
        refresh();
    });
    // While the console talks, the fields are read as a burst from it has been handled, so that
    // they are painted with what the burst changed rather than after a wake-up of their own; the
    // timer reads them while it is quiet.
    connect(&m_port, &SerialPort::inputHandled, this, [this] {
        if (m_sinceRefresh.elapsed() >= RefreshMs)
            refresh();
    });
    m_timer.setInterval(QuietRefreshMs);
    connect(&m_timer, &QTimer::timeout, this, &LinkStatusBar::refresh);
    m_sinceLast.start();
    refresh();
}

void LinkStatusBar::showDevice(const QString& path)
{
    if (path != m_devicePath) {
        m_devicePath = path;
        m_device->setToolTip(QStringLiteral("Serial device: ") + path);
    }
    const QMargins margins = m_device->contentsMargins();
    // Less the room a label keeps between its frame and its text.
    const int room = m_device->width() - margins.left() - margins.right() - 2 * m_device->margin() -
                     m_device->fontMetrics().horizontalAdvance(u'x');
    m_device->showText(m_device->fontMetrics().elidedText(path, Qt::ElideMiddle, std::max(room, 0)),
                       path);
}

bool LinkStatusBar::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_device && event->type() == QEvent::Resize)
        showDevice(m_devicePath);
    return QStatusBar::eventFilter(watched, event);
}

StatusField* LinkStatusBar::addField(const char* name, const QString& accessibleName, int stretch)
{
    auto* field = new StatusField(accessibleName, this);
    field->setObjectName(QString::fromLatin1(name));
    field->setToolTip(accessibleName);
    addPermanentWidget(field, stretch);
    return field;
}

void LinkStatusBar::showRecording(const QString& fileName)
{
    m_recording->setVisible(!fileName.isEmpty());
    m_recording->setToolTip(QStringLiteral("Recording to ") + fileName);
    m_recording->setAccessibleName(QStringLiteral("Recording to ") + fileName);
}

void LinkStatusBar::fixWidth(QLabel* label, const QStringList& widestTexts)
{
    int text = 0;
    for (const QString& t : widestTexts)
        text = std::max(text, label->fontMetrics().horizontalAdvance(t));
    const QMargins margins = label->contentsMargins();
    label->setFixedSize(text + margins.left() + margins.right() + 2 * label->margin() +
                            label->fontMetrics().averageCharWidth(),
                        label->sizeHint().height());
}

QString LinkStatusBar::lineText(const QString& settings)
{
    const auto s = LineSettings::parse(settings);
    if (!s)
        return settings;
    return QStringLiteral("%1 %2-%3-%4")
        .arg(s->baud)
        .arg(s->dataBits)
        .arg(QChar(s->parity).toUpper())
        .arg(s->stopBits);
}

QString LinkStatusBar::linkText(Session::LinkState state, int baud)
{
    switch (state) {
    case Session::LinkState::NotConnected:
        return QStringLiteral("Not connected");
    case Session::LinkState::Searching:
        return QStringLiteral("Searching at %1").arg(baud);
    case Session::LinkState::Connected:
        return QStringLiteral("Connected");
    case Session::LinkState::Lost:
        return QStringLiteral("Connection lost");
    case Session::LinkState::Reconnecting:
        return QStringLiteral("Reconnecting\u2026");
    }
    return {};
}

void LinkStatusBar::refresh()
{
    m_timer.start(); // the next reading, unless a burst comes first
    m_sinceRefresh.start();
    // A NUL the path may hold is shown, not taken as the end of the text.
    showDevice(
        SerialPort::deviceFor(m_port.CommPort()).replace(QChar(u'\0'), QLatin1String("\\0")));
    m_line->showText(m_port.PortOpen() ? lineText(m_port.Settings())
                                       : QStringLiteral("port closed"));
    m_link->showText(linkText(m_session.linkState(), m_session.searchBaud()));
    m_consoleType->showText(!m_consoleKnown          ? QString()
                            : m_state.ExtendedFormat ? QStringLiteral("extended format")
                                                     : QStringLiteral("standard format"));
    m_consoleType->setVisible(m_consoleKnown);
    const quint64 count = m_receiver.MessagesReceived;
    if (count != m_lastCount) {
        m_lastCount = count;
        m_sinceLast.restart();
    }
    m_messages->showText(count == 1 ? QStringLiteral("1 message")
                                    : QStringLiteral("%1 messages").arg(count));
    if (count == 0) {
        m_lastMessage->showText(QStringLiteral("no message yet"));
        return;
    }
    const qint64 ms = m_sinceLast.elapsed();
    m_lastMessage->showText(ms < 1000 ? QStringLiteral("last under 1 s ago")
                                      : QStringLiteral("last %1 s ago").arg(ms / 1000));
}
