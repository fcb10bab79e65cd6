#include "views/scene/frmScene.h"

#include "controls/LineTextBox.h"
#include "link/Commands.h"
#include "link/Receiver.h"
#include "link/SerialPort.h"
#include "model/SceneEventText.h"
#include "shell/Twips.h"

#include <QMdiSubWindow>
#include <QPushButton>

namespace {

// Positions and sizes in twips.
constexpr QRect RefreshTwips(120, 240, 1215, 495);
constexpr QRect TextTwips(120, 960, 6375, 3855);
// The text box follows the window's outer size with these margins.
constexpr float WidthMarginTwips = 400;
constexpr float HeightMarginTwips = 1600;

QRect toPixels(const QWidget& w, const QRect& twips)
{
    return QRect(Twips::layoutX(w, float(twips.x())), Twips::layoutY(w, float(twips.y())),
                 Twips::layoutX(w, float(twips.width())), Twips::layoutY(w, float(twips.height())));
}

} // namespace

frmScene::frmScene(const ViewContext& context, QWidget* parent)
    : MonitorView(context, QStringLiteral("frmScene"), QStringLiteral("scene"),
                  QSizeF(DefaultWidthTwips, DefaultHeightTwips), parent),
      cmdRefresh(new QPushButton(QStringLiteral("Refresh"), this)), txtScene(new LineTextBox(this))
{
    setWindowTitle(QStringLiteral("Scene Event List"));
    cmdRefresh->setObjectName(QStringLiteral("cmdRefresh"));
    cmdRefresh->setGeometry(toPixels(*this, RefreshTwips));
    txtScene->setObjectName(QStringLiteral("txtScene"));
    txtScene->setAccessibleName(QStringLiteral("Scene events"));
    txtScene->setGeometry(toPixels(*this, TextTwips));
    connect(cmdRefresh, &QPushButton::clicked, this, &frmScene::cmdRefresh_Click);
    connect(&context.console, &Receiver::sceneEvents, this, &frmScene::Display_Events);
}

void frmScene::Form_Load()
{
    restoreGeometrySettings();
    followWindowSize(txtScene, WidthMarginTwips, HeightMarginTwips);
    cmdRefresh_Click();
}

void frmScene::cmdRefresh_Click()
{
    if (m_ctx.port.PortOpen())
        m_ctx.port.Output(Commands::SceneEventsRequest());
}

void frmScene::Display_Events(const QByteArray& Events)
{
    m_text = SceneEventText(m_ctx.state).render(Events);
    txtScene->setText(m_text);
}
