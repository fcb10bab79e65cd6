#include "shell/MonitorView.h"

#include "controls/Grid.h"
#include "controls/LineTextBox.h"
#include "link/Receiver.h"
#include "link/SerialPort.h"
#include "model/Settings.h"
#include "shell/DisplayOptions.h"
#include "shell/Twips.h"
#include "shell/WindowPlacement.h"

#include <QCloseEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QStyle>

MonitorView::MonitorView(const ViewContext& context, const QString& formName,
                         const QString& settingsPrefix, QSizeF defaultSizeTwips, QWidget* parent)
    : QWidget(parent), m_ctx(context), m_prefix(settingsPrefix), m_defaultTwips(defaultSizeTwips)
{
    setObjectName(formName);
    // The views' controls are placed in twips for the console's classic 8 pt dialog font.
    setFont(Grid::defaultFont());
}

QMdiSubWindow* MonitorView::subWindow() const
{
    return qobject_cast<QMdiSubWindow*>(parentWidget());
}

QString MonitorView::key(const char* item) const
{
    return m_prefix + QStringLiteral("_frm_") + QLatin1String(item);
}

void MonitorView::restoreGeometrySettings()
{
    const Settings settings;
    const QString section = QString::fromLatin1(Settings::Startup);
    // The default size is the layout's, which grows with the font.
    const QSizeF scale = Twips::layoutScale(*this);
    const QSizeF defaultTwips(m_defaultTwips.width() * scale.width(),
                              m_defaultTwips.height() * scale.height());
    float width = settings.GetNumber(section, key("wid"), float(defaultTwips.width()));
    float height = settings.GetNumber(section, key("ht"), float(defaultTwips.height()));
    float left = settings.GetNumber(section, key("left"), 0);
    float top = settings.GetNumber(section, key("top"), 0);
    if (left < 0)
        left = 0;
    if (top < 0)
        top = 0;
    if (width <= 0)
        width = float(defaultTwips.width());
    if (height <= 0)
        height = float(defaultTwips.height());
    QRect wanted(Twips::toPixelsX(*this, left), Twips::toPixelsY(*this, top),
                 Twips::toPixelsX(*this, width), Twips::toPixelsY(*this, height));
    QMdiSubWindow* frame = subWindow();
    // With no place of its own stored, a view opens below and right of those already open
    // rather than on top of them.
    if (frame && frame->mdiArea() && settings.GetSetting(section, key("left")).isEmpty() &&
        settings.GetSetting(section, key("top")).isEmpty()) {
        int others = 0;
        for (const QMdiSubWindow* other : frame->mdiArea()->subWindowList())
            others += other != frame && other->isVisible();
        const int step = frame->style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, frame);
        wanted.moveTopLeft(QPoint(others * step, others * step));
    }
    if (!frame) {
        setGeometry(wanted);
        return;
    }
    // The frame outlives the view inside it: one closed minimized or maximized opens normal.
    if (frame->windowState() & (Qt::WindowMinimized | Qt::WindowMaximized))
        frame->showNormal();
    // Stored on another screen or by another version, it is shown where it can be reached.
    WindowPlacement::place(*frame, wanted);
}

void MonitorView::followWindowSize(QWidget* child, float widthMarginTwips, float heightMarginTwips)
{
    m_follower = child;
    m_widthMargin = widthMarginTwips;
    m_heightMargin = heightMarginTwips;
    fitFollower();
}

void MonitorView::fitFollower()
{
    if (!m_follower)
        return;
    // The margins are measured against the window's outer size, as it is stored.
    // The margins belong to the layout and grow with its font.
    const QWidget* frame = subWindow() ? static_cast<const QWidget*>(subWindow()) : this;
    const int widthMargin = Twips::layoutX(*this, m_widthMargin);
    const int heightMargin = Twips::layoutY(*this, m_heightMargin);
    QSize size = m_follower->size();
    if (frame->width() > widthMargin)
        size.setWidth(frame->width() - widthMargin);
    if (frame->height() > heightMargin)
        size.setHeight(frame->height() - heightMargin);
    m_follower->resize(size);
}

void MonitorView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    fitFollower();
}

void MonitorView::sendIfOpen(const QByteArray& command)
{
    if (m_ctx.port.PortOpen())
        m_ctx.port.Output(command);
}

void MonitorView::saveGeometrySettings()
{
    // Its place as a normal window, also when it is minimized or maximized now.
    const QRect g = subWindow() ? WindowPlacement::normalGeometry(*subWindow()) : geometry();
    Settings settings;
    const QString section = QString::fromLatin1(Settings::Startup);
    settings.SaveNumber(section, key("ht"), Twips::fromPixelsY(*this, g.height()));
    settings.SaveNumber(section, key("wid"), Twips::fromPixelsX(*this, g.width()));
    settings.SaveNumber(section, key("top"), Twips::fromPixelsY(*this, g.y()));
    settings.SaveNumber(section, key("left"), Twips::fromPixelsX(*this, g.x()));
}

void MonitorView::setOffline(bool offline)
{
    if (offline == m_offline)
        return;
    m_offline = offline;
    showOfflineInTitle();
    // The lists' text goes grey; their palettes stay as they are, so the style's cached
    // drawings keep serving every view.
    for (Grid* grid : findChildren<Grid*>())
        grid->setDimmed(offline);
    for (LineTextBox* text : findChildren<LineTextBox*>())
        text->setDimmed(offline);
}

void MonitorView::showOfflineInTitle()
{
    // The sub-window copies the view's title whenever it changes; the mark goes on the copy, so
    // the view's own caption stays as the console's data made it.
    if (QMdiSubWindow* frame = subWindow())
        frame->setWindowTitle(m_offline ? windowTitle() + QStringLiteral(" (offline)")
                                        : windowTitle());
}

void MonitorView::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowTitleChange && m_offline)
        showOfflineInTitle();
}

void MonitorView::closeEvent(QCloseEvent* event)
{
    if (!m_unloaded) {
        m_unloaded = true;
        Form_Unload();
        // Closed, it follows the console no more, also until it is gone.
        QObject::disconnect(&m_ctx.console, nullptr, this, nullptr);
        QObject::disconnect(&m_ctx.options, nullptr, this, nullptr);
        emit unloaded();
    }
    event->accept();
}
