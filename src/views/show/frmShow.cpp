#include "views/show/frmShow.h"

#include "controls/Grid.h"
#include "controls/PickOnlyCombo.h"
#include "link/Commands.h"
#include "link/Receiver.h"
#include "link/SerialPort.h"
#include "model/Settings.h"
#include "model/SharedState.h"
#include "shell/Twips.h"

#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QMdiSubWindow>

#include <algorithm>

namespace {

constexpr int ShowNumbers = 48;
constexpr int ShowPages = 24;
constexpr qint16 NoShow = 0xFF;
constexpr float GridLeftTwips = 120;
constexpr float GridTopTwips = 1200;
constexpr float WidthMarginTwips = 300;
constexpr float HeightMarginTwips = 1800;
const char* const OptionKey = "show_frm_chk";

QComboBox* numberList(QWidget* parent, const char* name, int count, const QString& accessible)
{
    auto* combo = new QComboBox(parent);
    combo->setObjectName(QString::fromLatin1(name));
    combo->setAccessibleName(accessible);
    for (int i = 1; i <= count; ++i)
        combo->addItem(QString::number(i));
    return combo;
}

} // namespace

frmShow::frmShow(const ViewContext& context, QWidget* parent)
    : MonitorView(context, QStringLiteral("frmShow"), QStringLiteral("show"),
                  QSizeF(DefaultWidthTwips, DefaultHeightTwips), parent)
{
    setWindowTitle(QStringLiteral("Show List"));
    createControls();
    connect(&context.console, &Receiver::showList, this, &frmShow::List_Message);
    connect(&context.console, &Receiver::showStarted, this, &frmShow::Start_Message);
    connect(&context.console, &Receiver::showStep, this, &frmShow::Step_Message);
}

void frmShow::place(QWidget* control, int left, int top, int width, int height)
{
    const QSize hint = control->sizeHint();
    control->setGeometry(Twips::layoutX(*this, float(left)), Twips::layoutY(*this, float(top)),
                         std::max(Twips::layoutX(*this, float(width)), hint.width()),
                         std::max(Twips::layoutY(*this, float(height)), hint.height()));
}

void frmShow::createControls()
{
    const QString number = QStringLiteral("Show Number");
    const QString page = QStringLiteral("Show Page");
    cboNum = numberList(this, "cboNum", ShowNumbers, number);
    cboPg = numberList(this, "cboPg", ShowPages, page);
    label1 = new QLabel(number, this);
    label1->setObjectName(QStringLiteral("label1"));
    label1->setBuddy(cboNum);
    Label2 = new QLabel(page, this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setBuddy(cboPg);
    const QString option = QStringLiteral("Always display running show");
    chkShow = new QCheckBox(option, this);
    chkShow->setObjectName(QStringLiteral("chkShow"));
    chkShow->setAccessibleName(option);
    grdShow = new Grid(this);
    grdShow->setObjectName(QStringLiteral("grdShow"));
    grdShow->setAccessibleName(QStringLiteral("Show steps"));

    place(label1, 120, 120, 1215, 240);
    place(cboNum, 360, 360, 615, 315);
    place(Label2, 1320, 120, 975, 240);
    place(cboPg, 1440, 360, 615, 315);
    // A label wider in this font than the layout allowed for pushes the next pair right.
    const int gap = Twips::layoutX(*this, 120);
    const int overlap = std::max(label1->geometry().right(), cboNum->geometry().right()) + gap -
                        std::min(Label2->x(), cboPg->x());
    if (overlap > 0) {
        Label2->move(Label2->x() + overlap, Label2->y());
        cboPg->move(cboPg->x() + overlap, cboPg->y());
    }
    place(chkShow, 360, 840, 2415, 255);
    grdShow->move(Twips::layoutX(*this, GridLeftTwips), Twips::layoutY(*this, GridTopTwips));

    // The lists are not stepped through by key or wheel, so a show is never asked for by
    // accident.
    PickOnlyCombo::install(cboNum);
    PickOnlyCombo::install(cboPg);
    connect(cboNum, &QComboBox::activated, this, &frmShow::cboNum_Click);
    connect(chkShow, &QCheckBox::clicked, this, &frmShow::chkShow_Click);
}

void frmShow::Form_Load()
{
    restoreGeometrySettings();
    followWindowSize(grdShow, WidthMarginTwips, HeightMarginTwips);
    grdShow->setHeaderButtons(false);
    grdShow->setMultiSelect(false);
    grdShow->setRowMode(false);
    grdShow->addColumn(QString(), QString(), 0, -1, 15);
    grdShow->addColumn(QString(), QStringLiteral("Step"), 0, -1, 35);
    grdShow->addColumn(QString(), QStringLiteral("Scene"), 0, -1, 240);
    cboNum->setCurrentIndex(-1);
    cboPg->setCurrentIndex(0);
    bool ok = false;
    const int option =
        Settings()
            .GetSetting(QString::fromLatin1(Settings::Startup), QString::fromLatin1(OptionKey))
            .trimmed()
            .toInt(&ok);
    chkShow->setChecked(!ok || option != 0);
    AlwaysShowRunning = chkShow->isChecked();
}

void frmShow::Form_Unload()
{
    saveGeometrySettings();
}

void frmShow::cboNum_Click(int index)
{
    // The page chosen in its own list takes effect with the next choice of a number.
    if (index >= 0 && cboPg->currentIndex() >= 0)
        sendIfOpen(Commands::ShowListRequest(quint8(index), quint8(cboPg->currentIndex())));
}

void frmShow::chkShow_Click()
{
    AlwaysShowRunning = chkShow->isChecked();
    Settings().SaveSetting(QString::fromLatin1(Settings::Startup), QString::fromLatin1(OptionKey),
                           AlwaysShowRunning ? QStringLiteral("1") : QStringLiteral("0"));
}

void frmShow::List_Message(const ConsolePayloads::ShowList& list)
{
    if (list.noSuchShow) {
        ListShowNum = NoShow;
        ListShowPage = NoShow;
        MarkedStep = 0;
        ShowName = QStringLiteral("empty");
        StepCount = 0;
        grdShow->clear();
        grdShow->setRows(1);
        setWindowTitle(QStringLiteral("Show List - empty"));
        return;
    }
    ListShowNum = list.number;
    ListShowPage = list.page;
    MarkedStep = 0;
    ShowName = list.name;
    // Only the steps that arrived whole are listed, so a marker never points past them.
    StepCount = qint16(list.steps.size());
    grdShow->setRedraw(false);
    grdShow->setRows(StepCount);
    for (int r = 1; r <= StepCount; ++r) {
        const auto& step = list.steps[r - 1];
        grdShow->setCellText(r, 1, QString());
        grdShow->setCellText(r, 2, r);
        grdShow->setCellText(r, 3,
                             QStringLiteral("Scn. ") + QString::number(step.scene + 1) +
                                 QStringLiteral(" Pg. ") + QString::number(step.scenePage + 1) +
                                 QStringLiteral("  ") + step.sceneName);
    }
    // Named also when the show has no steps, so the caption never names another show than the
    // list shows.
    setWindowTitle(QStringLiteral("Show List - ") + ShowName);
    if (StepCount > 0) {
        grdShow->setCellText(1, 1, QStringLiteral(">"));
        MarkedStep = 1;
    }
    grdShow->setRedraw(true);
}

void frmShow::Start_Message(const ConsolePayloads::ShowStarted& show)
{
    if (AlwaysShowRunning)
        sendIfOpen(Commands::ShowListRequest(show.number, show.page));
}

void frmShow::Step_Message(const ConsolePayloads::ShowStep& step)
{
    if (step.number != ListShowNum || step.page != ListShowPage || step.step >= StepCount)
        return;
    if (MarkedStep != 0)
        grdShow->setCellText(MarkedStep, 1, QString());
    MarkedStep = qint16(step.step + 1);
    grdShow->setCellText(MarkedStep, 1, QStringLiteral(">"));
}
