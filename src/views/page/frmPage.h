#pragma once

#include "link/ConsolePayloads.h"
#include "shell/MonitorView.h"

class Grid;
class QComboBox;
class QLabel;
class UpDown;

// The "Memory Page" window: the page that the console has on display, with its entries, and a
// small remote control of that display (page kind, page down and up, entry pick). The controls
// only send commands; what the window shows changes when the console answers.
class frmPage : public MonitorView
{
    Q_OBJECT
public:
    static constexpr int DefaultWidthTwips = 4000;
    static constexpr int DefaultHeightTwips = 6000;

    explicit frmPage(const ViewContext& context, QWidget* parent = nullptr);

    // The page contents: kind, page number, fixture, entry count N, name length L, the names.
    void FillLvw(const ConsolePayloads::PageContents& Names);
    // The console has no page on display.
    void NoPageDisp();
    // Fixture fixt's selection changed: its mark on a fixture page follows.
    void UpdateFixtSel(qint16 fixt);

    qint16 pageKind() const { return PageKind; }
    bool ctrlDown() const { return CtrlDown; }

protected:
    void Form_Load() override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void cboPage_activated(int index);
    void lvwPage_cellSelected(int row, int column);

    QComboBox* cboPage;
    QLabel* Label1;
    UpDown* UpDown1;
    Grid* lvwPage;
    qint16 PageKind = 0;
    bool CtrlDown = false;
    // Ctrl as the mouse press on the list reported it.
    bool m_pressWithCtrl = false;
};
