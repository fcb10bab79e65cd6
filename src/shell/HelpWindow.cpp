#include "shell/HelpWindow.h"

#include <QAction>
#include <QHBoxLayout>
#include <QTextBrowser>
#include <QToolButton>
#include <QVBoxLayout>

// The pages live in a static library, whose resources the linker would otherwise drop.
static void initHelpResources()
{
    Q_INIT_RESOURCE(help);
}

namespace {

// A button for a navigation step, with its key shown in the tooltip.
QToolButton* navigationButton(QWidget* parent, const QString& caption, const QKeySequence& key)
{
    auto* action = new QAction(caption, parent);
    action->setObjectName(QStringLiteral("act") + caption);
    action->setShortcut(key);
    action->setToolTip(caption + QStringLiteral(" (") + key.toString(QKeySequence::NativeText) +
                       QLatin1Char(')'));
    parent->addAction(action);
    auto* button = new QToolButton(parent);
    button->setObjectName(QStringLiteral("cmd") + caption);
    button->setDefaultAction(action);
    button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    return button;
}

} // namespace

HelpWindow::HelpWindow(QWidget* parent) : QWidget(parent, Qt::Window)
{
    initHelpResources();
    setObjectName(QStringLiteral("frmHelp"));
    setWindowTitle(QStringLiteral("LV Monitor Help"));
    m_browser = new QTextBrowser(this);
    m_browser->setObjectName(QStringLiteral("txtHelp"));
    m_browser->setAccessibleName(QStringLiteral("Help page"));
    m_browser->setOpenExternalLinks(false);
    m_browser->setSource(url(Topic::Contents));

    QToolButton* back =
        navigationButton(this, QStringLiteral("Back"), QKeySequence(Qt::ALT | Qt::Key_Left));
    QToolButton* forward =
        navigationButton(this, QStringLiteral("Forward"), QKeySequence(Qt::ALT | Qt::Key_Right));
    QToolButton* contents =
        navigationButton(this, QStringLiteral("Contents"), QKeySequence(Qt::ALT | Qt::Key_Home));
    back->defaultAction()->setEnabled(false);
    forward->defaultAction()->setEnabled(false);
    connect(back->defaultAction(), &QAction::triggered, m_browser, &QTextBrowser::backward);
    connect(forward->defaultAction(), &QAction::triggered, m_browser, &QTextBrowser::forward);
    connect(contents->defaultAction(), &QAction::triggered, this,
            [this] { showTopic(Topic::Contents); });
    connect(m_browser, &QTextBrowser::backwardAvailable, back->defaultAction(),
            &QAction::setEnabled);
    connect(m_browser, &QTextBrowser::forwardAvailable, forward->defaultAction(),
            &QAction::setEnabled);
    auto* close = new QAction(this);
    close->setShortcut(QKeySequence(Qt::Key_Escape));
    addAction(close);
    connect(close, &QAction::triggered, this, &QWidget::close);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(back);
    buttons->addWidget(forward);
    buttons->addWidget(contents);
    buttons->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addLayout(buttons);
    layout->addWidget(m_browser, 1);
    // Keys go to the page first: arrows scroll it, Tab walks its links.
    setFocusProxy(m_browser);
    resize(760, 640);
}

void HelpWindow::showPage(const QUrl& target)
{
    if (m_browser->source() != target)
        m_browser->setSource(target);
}

QUrl HelpWindow::url(Topic topic)
{
    switch (topic) {
    case Topic::Connecting:
        return url("connecting.html");
    case Topic::ChannelEdit:
        return url("fixtures.html#edit");
    case Topic::Contents:
        break;
    }
    return url("index.html");
}

QUrl HelpWindow::url(const char* page)
{
    return QUrl(QStringLiteral("qrc:/help/") + QLatin1String(page));
}
