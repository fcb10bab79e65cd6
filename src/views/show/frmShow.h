#pragma once

#include "link/ConsolePayloads.h"
#include "shell/MonitorView.h"

class Grid;
class QCheckBox;
class QComboBox;
class QLabel;

// The "Show List" window: the steps of one show stored in the console, each with the scene it
// plays, and a ">" on the step the console is playing. The user asks for a show by page and
// number; with "Always display running show" ticked the window also follows every show that the
// console starts.
class frmShow : public MonitorView
{
    Q_OBJECT
public:
    static constexpr int DefaultWidthTwips = 4000;
    static constexpr int DefaultHeightTwips = 6000;

    explicit frmShow(const ViewContext& context, QWidget* parent = nullptr);

    // The console's step list of a show (or FF: no show there).
    void List_Message(const ConsolePayloads::ShowList& list);
    // The console started a show: number, page.
    void Start_Message(const ConsolePayloads::ShowStarted& show);
    // The console plays a step: show number, page, step.
    void Step_Message(const ConsolePayloads::ShowStep& step);

protected:
    void Form_Load() override;
    void Form_Unload() override;

private:
    void createControls();
    // Places a control at its position in twips, no smaller than its content needs.
    void place(QWidget* control, int left, int top, int width, int height);
    void cboNum_Click(int index);
    void chkShow_Click();

    QLabel* label1;
    QComboBox* cboNum;
    QLabel* Label2;
    QComboBox* cboPg;
    QCheckBox* chkShow;
    Grid* grdShow;

    bool AlwaysShowRunning = false;
    qint16 ListShowNum = 0;  // 255: the console has no such show
    qint16 ListShowPage = 0; // 255 along with it
    QString ShowName;
    qint16 StepCount = 0;
    qint16 MarkedStep = 0; // grid row carrying ">", 0 = none
};
