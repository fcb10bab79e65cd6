#include "views/dimmers/frmDimmers.h"

#include "controls/Grid.h"
#include "link/Receiver.h"
#include "model/LevelText.h"
#include "shell/Twips.h"

#include <QMdiSubWindow>

#include <algorithm>

namespace {

// The grid sits 120 twips in from the window's top left corner and follows the window's size
// with these margins.
constexpr float GridOffsetTwips = 120;
constexpr float WidthMarginTwips = 300;
constexpr float HeightMarginTwips = 600;

} // namespace

frmDimmers::frmDimmers(const ViewContext& context, QWidget* parent)
    : MonitorView(context, QStringLiteral("frmDimmers"), QStringLiteral("dimmer"),
                  QSizeF(DefaultWidthTwips, DefaultHeightTwips), parent),
      grdDimmers(new Grid(this))
{
    setWindowTitle(QStringLiteral("Conventional Dimmers"));
    grdDimmers->setObjectName(QStringLiteral("grdDimmers"));
    grdDimmers->setAccessibleName(QStringLiteral("Conventional Dimmers"));
    grdDimmers->setCellToolTipSource(
        [this](int row, int column) { return levelToolTip(row, column); });
    grdDimmers->move(Twips::layoutX(*this, GridOffsetTwips),
                     Twips::layoutY(*this, GridOffsetTwips));
    connect(&context.console, &Receiver::dimmerChanged, this, &frmDimmers::UpdateDimmer);
    connect(&context.console, &Receiver::dimmerLevelChanged, this, &frmDimmers::UpdateDimmerLevel);
    connect(&context.console, &Receiver::recordsCleared, this, &frmDimmers::RecordsCleared);
}

qint16 frmDimmers::rowOf(int d) const
{
    return d >= 0 && d < SharedState::DimmerCount ? DimmerRow[size_t(d)] : 0;
}

void frmDimmers::Form_Load()
{
    restoreGeometrySettings();
    DimmerRow.fill(0);
    DimmerRowCount = 0;
    followWindowSize(grdDimmers, WidthMarginTwips, HeightMarginTwips);
    grdDimmers->setHeaderButtons(false);
    grdDimmers->setMultiSelect(false);
    grdDimmers->setRowMode(false);
    grdDimmers->addColumn(QString(), QStringLiteral("Dimmer"), 0, -1, 130);
    for (const char* header : {"Fader", "Page", "Level", "%"})
        grdDimmers->addColumn(QString(), QString::fromLatin1(header), 0, -1, 45);
    for (qint16 d = 0; d < SharedState::DimmerCount; ++d)
        UpdateDimmer(d);
}

void frmDimmers::RecordsCleared()
{
    grdDimmers->clear();
    DimmerRow.fill(0);
    DimmerRowCount = 0;
}

void frmDimmers::Form_Unload()
{
    saveGeometrySettings();
}

void frmDimmers::UpdateDimmer(qint16 d)
{
    if (d < 0 || d >= SharedState::DimmerCount)
        return;
    const Dimmer& dimmer = m_ctx.state.Dimmers[size_t(d)];
    if (!dimmer.DimmerPatched())
        return;
    grdDimmers->setRedraw(false);
    qint16& row = DimmerRow[size_t(d)];
    if (row == 0) {
        grdDimmers->setRows(grdDimmers->rows() + 1);
        row = ++DimmerRowCount;
    }
    grdDimmers->setCellText(row, 1,
                            QString::number(d + 1) + QStringLiteral(" - ") + dimmer.DimmerName());
    grdDimmers->setCellText(row, 2, d % 8 + 1);
    grdDimmers->setCellText(row, 3, d / 8 + 1);
    writeLevel(row, dimmer);
    grdDimmers->setRedraw(true);
}

void frmDimmers::UpdateDimmerLevel(qint16 d)
{
    const int row = rowOf(d);
    if (row != 0)
        writeLevel(row, m_ctx.state.Dimmers[size_t(d)]);
}

void frmDimmers::writeLevel(int row, const Dimmer& dimmer)
{
    // 0..255 always: the "%" column beside it gives the percentage.
    grdDimmers->setCellText(row, 4, dimmer.DimmerLevel());
    grdDimmers->setCellText(row, 5, percentText(dimmer.DimmerLevel()));
    // A level the console has not sent since the link came up is only the record's starting 0.
    const QColor shade = dimmer.DimmerLevelConfirmed()
                             ? QColor()
                             : palette().color(QPalette::Disabled, QPalette::Text);
    for (int column : {4, 5})
        grdDimmers->setCellForeColor(row, column, shade);
}

QString frmDimmers::levelToolTip(int row, int column) const
{
    if (column != 4 && column != 5)
        return {};
    const auto at = std::find(DimmerRow.begin(), DimmerRow.end(), row);
    if (row == 0 || at == DimmerRow.end())
        return {};
    const Dimmer& dimmer = m_ctx.state.Dimmers[size_t(at - DimmerRow.begin())];
    QString tip =
        QStringLiteral("DMX %1, level %2").arg(quint16(dimmer.DmxAddr())).arg(dimmer.DimmerLevel());
    if (!dimmer.DimmerLevelConfirmed())
        tip += QStringLiteral("\nNot yet confirmed by the console since the link came up.");
    return tip;
}
