#include "views/playbacks/frmPlaybacks.h"

#include "controls/Grid.h"
#include "link/Commands.h"
#include "link/Receiver.h"
#include "link/SerialPort.h"
#include "model/LevelText.h"
#include "model/SharedState.h"
#include "shell/Twips.h"

namespace {

constexpr float GridLeftTwips = 120;
constexpr float TopTwips = 120;
// Where the playback faders go while the flex faders sit above them.
constexpr float BelowFlexTwips = 1800;
constexpr float GridWidthTwips = 15680;
constexpr float GridHeightTwips = 1160;
constexpr int FaderColumns = 8;
constexpr int ColumnWidth = 130;

} // namespace

frmPlaybacks::frmPlaybacks(const ViewContext& context, QWidget* parent)
    : MonitorView(context, QStringLiteral("frmPlaybacks"), QStringLiteral("playback"),
                  QSizeF(DefaultWidthTwips, DefaultHeightTwips), parent),
      grdFlexPB(new Grid(this)), grdPB(new Grid(this))
{
    setWindowTitle(QStringLiteral("Playbacks"));
    grdFlexPB->setObjectName(QStringLiteral("grdFlexPB"));
    grdFlexPB->setAccessibleName(QStringLiteral("Flex faders"));
    grdPB->setObjectName(QStringLiteral("grdPB"));
    grdPB->setAccessibleName(QStringLiteral("Playback faders"));
    moveGrid(grdFlexPB, TopTwips);
    moveGrid(grdPB, TopTwips);
    connect(&context.console, &Receiver::playbackChanged, this, &frmPlaybacks::UpdatePlayback);
    connect(&context.console, &Receiver::playbackLevelChanged, this,
            &frmPlaybacks::UpdatePlaybackLevel);
    connect(&context.console, &Receiver::playbackPageChanged, this, &frmPlaybacks::PageChange);
    connect(&context.console, &Receiver::recordsCleared, this, &frmPlaybacks::RecordsCleared);
}

void frmPlaybacks::Form_Load()
{
    restoreGeometrySettings();
    if (m_ctx.port.PortOpen())
        m_ctx.port.Output(Commands::PlaybackPagesRequest());
    grdFlexPB->hide();
    const QSize size(Twips::layoutX(*this, GridWidthTwips), Twips::layoutY(*this, GridHeightTwips));
    grdPB->resize(size);
    grdFlexPB->resize(size);
    grdPB->hide();
    moveGrid(grdPB, TopTwips);
    grdPB->show();
    for (Grid* grid : {grdPB, grdFlexPB}) {
        grid->setHeaderButtons(false);
        grid->setMultiSelect(false);
        grid->setRowMode(false);
    }
    for (int i = 1; i <= FaderColumns; ++i) {
        grdPB->addColumn(QString(), QStringLiteral("PB fader ") + QString::number(i), 0, -1,
                         ColumnWidth);
        grdFlexPB->addColumn(QString(), QStringLiteral("Flex fader ") + QString::number(i), 0, -1,
                             ColumnWidth);
    }
    grdPB->setRows(3);
    grdFlexPB->setRows(3);
}

void frmPlaybacks::Form_Unload()
{
    saveGeometrySettings();
}

void frmPlaybacks::moveGrid(Grid* grid, float topTwips)
{
    grid->move(Twips::layoutX(*this, GridLeftTwips), Twips::layoutY(*this, topTwips));
}

void frmPlaybacks::RecordsCleared()
{
    for (qint16 p = 0; p < SharedState::PlaybackCount; ++p)
        UpdatePlayback(p);
}

void frmPlaybacks::UpdatePlayback(qint16 p)
{
    if (p < 0 || p >= SharedState::PlaybackCount)
        return;
    const Playback& playback = m_ctx.state.Playbacks[size_t(p)];
    Grid* grid = gridOf(p);
    const int c = columnOf(p);
    grid->setRedraw(false);
    if (!playback.Assigned()) {
        for (int row = 1; row <= 3; ++row)
            grid->setCellText(row, c, QString());
    } else {
        grid->setCellText(1, c, playback.MemoryText());
        grid->setCellText(2, c, playback.Name());
        grid->setCellText(3, c, percentText(playback.Level()));
    }
    grid->setRedraw(true);
}

void frmPlaybacks::UpdatePlaybackLevel(qint16 p)
{
    if (p < 0 || p >= SharedState::PlaybackCount)
        return;
    const quint8 level = m_ctx.state.Playbacks[size_t(p)].Level();
    gridOf(p)->setCellText(3, columnOf(p), percentText(level));
    if (level == 0)
        requestPlaybacks(p, p);
}

void frmPlaybacks::PageChange(const ConsolePayloads::PlaybackPageChange& change)
{
    if (!change.flex) {
        requestPlaybacks(0, 7);
    } else if (!change.noFlexPage()) {
        moveGrid(grdFlexPB, TopTwips);
        grdFlexPB->show();
        moveGrid(grdPB, BelowFlexTwips);
        requestPlaybacks(8, 15);
    } else {
        grdFlexPB->hide();
        moveGrid(grdPB, TopTwips);
    }
}

void frmPlaybacks::requestPlaybacks(int first, int last)
{
    if (!m_ctx.port.PortOpen())
        return;
    // Each request is a write of its own.
    for (int p = first; p <= last; ++p)
        m_ctx.port.Output(Commands::PlaybackRequest(quint8(p)));
}
