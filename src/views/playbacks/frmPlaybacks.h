#pragma once

#include "link/ConsolePayloads.h"
#include "shell/MonitorView.h"

class Grid;

// The "Playbacks" window: for each of the 16 faders the assigned memory, its name and the level.
// The eight playback faders are in grdPB, the eight flex faders in grdFlexPB, which shows above
// them only while the console has a flex page active. The window asks the console for its pages
// when it opens and fills each fader's column as the answers come in.
class frmPlaybacks : public MonitorView
{
    Q_OBJECT
public:
    static constexpr int DefaultWidthTwips = 16000;
    static constexpr int DefaultHeightTwips = 3630;

    explicit frmPlaybacks(const ViewContext& context, QWidget* parent = nullptr);

    // Shows playback p (0..7 playback faders, 8..15 flex faders) from its record.
    void UpdatePlayback(qint16 p);
    // Rewrites the level of playback p; a fader pulled to 0 may have lost its memory, so its
    // data is asked for again.
    void UpdatePlaybackLevel(qint16 p);
    // The console turned a page of the playback faders (byte 0 = 0) or of the flex faders
    // (byte 1 = FF: no flex page active).
    void PageChange(const ConsolePayloads::PlaybackPageChange& change);
    // A new link: every fader shows its cleared record until the console's data comes.
    void RecordsCleared();

protected:
    void Form_Load() override;
    void Form_Unload() override;

private:
    // The grid and column (from 1) that show playback p.
    Grid* gridOf(int p) const { return p < 8 ? grdPB : grdFlexPB; }
    static int columnOf(int p) { return p < 8 ? p + 1 : p - 7; }
    void moveGrid(Grid* grid, float topTwips);
    void requestPlaybacks(int first, int last);

    Grid* grdFlexPB;
    Grid* grdPB;
};
