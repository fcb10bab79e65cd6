#pragma once

#include "model/SharedState.h"
#include "shell/MonitorView.h"

#include <array>

class Grid;

// The "Conventional Dimmers" window: one grid row per patched dimmer with its fader, page and
// live level. Dimmers patched when the window opens come in number order, later ones at the
// bottom; a row, once given, stays with its dimmer until the window closes.
class frmDimmers : public MonitorView
{
    Q_OBJECT
public:
    static constexpr int DefaultWidthTwips = 5030;
    static constexpr int DefaultHeightTwips = 7500;

    explicit frmDimmers(const ViewContext& context, QWidget* parent = nullptr);

    // Shows dimmer d from its record, giving it the next row if it has none; an unpatched
    // dimmer is left as it is.
    void UpdateDimmer(qint16 d);
    // Rewrites the level and percentage of dimmer d, if it has a row.
    void UpdateDimmerLevel(qint16 d);
    // A new link: no dimmer has a row until the console's data names it again.
    void RecordsCleared();

protected:
    void Form_Load() override;
    void Form_Unload() override;

private:
    // Grid row of dimmer d, 0 when it has none.
    qint16 rowOf(int d) const;
    void writeLevel(int row, const Dimmer& dimmer);
    // The DMX address and raw level behind a level or "%" cell.
    QString levelToolTip(int row, int column) const;

    Grid* grdDimmers;
    std::array<qint16, SharedState::DimmerCount> DimmerRow{};
    qint16 DimmerRowCount = 0;
};
