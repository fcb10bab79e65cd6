#include "views/page/frmPage.h"

#include "controls/Grid.h"
#include "controls/PickOnlyCombo.h"
#include "link/Commands.h"
#include "link/Receiver.h"
#include "link/SerialPort.h"
#include "model/SharedState.h"
#include "shell/Twips.h"
#include "views/page/UpDown.h"

#include <QComboBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>

#include <array>

namespace {

using ConsolePayloads::FixturePage;
constexpr int CtrlKey = 17;
constexpr int MaxPickRow = 256;

const QString MnumKey = QStringLiteral("mnum");
const QString MnameKey = QStringLiteral("mname");
const QString FSelKey = QStringLiteral("FSel");
constexpr int MnumColumn = 1;
constexpr int MnameColumn = 2;
constexpr int FSelColumn = 3;

// Positions and sizes in twips.
constexpr QRect ComboTwips(120, 240, 2775, 0);
constexpr QPoint LabelTwips(3000, 240);
constexpr QRect UpDownTwips(3480, 120, 240, 495);
constexpr QRect GridTwips(120, 720, 5655, 4815);
// The list follows the window's outer size with these margins.
constexpr float WidthMarginTwips = 300;
constexpr float HeightMarginTwips = 1200;

} // namespace

frmPage::frmPage(const ViewContext& context, QWidget* parent)
    : MonitorView(context, QStringLiteral("frmPage"), QStringLiteral("page"),
                  QSizeF(DefaultWidthTwips, DefaultHeightTwips), parent),
      cboPage(new QComboBox(this)), Label1(new QLabel(QStringLiteral("Page:"), this)),
      UpDown1(new UpDown(this)), lvwPage(new Grid(this))
{
    setWindowTitle(QStringLiteral("Memory Page"));
    const auto px = [this](int x) { return Twips::layoutX(*this, float(x)); };
    const auto py = [this](int y) { return Twips::layoutY(*this, float(y)); };

    cboPage->setObjectName(QStringLiteral("cboPage"));
    cboPage->setEditable(true);
    cboPage->setInsertPolicy(QComboBox::NoInsert);
    cboPage->setAccessibleName(QStringLiteral("Page"));
    cboPage->move(px(ComboTwips.x()), py(ComboTwips.y()));
    cboPage->resize(px(ComboTwips.width()), cboPage->sizeHint().height());
    // The text field shows the page's caption; the user changes the page only by picking in the
    // list. The view's own filter, installed last, sees Ctrl before the keys are swallowed.
    PickOnlyCombo::install(cboPage);
    cboPage->installEventFilter(this);
    cboPage->lineEdit()->installEventFilter(this);

    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setBuddy(cboPage);
    Label1->move(px(LabelTwips.x()), py(LabelTwips.y()));
    Label1->adjustSize();

    UpDown1->setObjectName(QStringLiteral("UpDown1"));
    UpDown1->setGeometry(px(UpDownTwips.x()), py(UpDownTwips.y()), px(UpDownTwips.width()),
                         py(UpDownTwips.height()));

    lvwPage->setObjectName(QStringLiteral("lvwPage"));
    lvwPage->setAccessibleName(QStringLiteral("Memory page entries"));
    lvwPage->setGeometry(px(GridTwips.x()), py(GridTwips.y()), px(GridTwips.width()),
                         py(GridTwips.height()));
    lvwPage->installEventFilter(this);
    lvwPage->viewport()->installEventFilter(this);

    connect(cboPage, &QComboBox::activated, this, &frmPage::cboPage_activated);
    connect(UpDown1, &UpDown::downClick, this, [this] { sendIfOpen(Commands::PageDown()); });
    connect(UpDown1, &UpDown::upClick, this, [this] { sendIfOpen(Commands::PageUp()); });
    connect(lvwPage, &Grid::cellSelected, this, &frmPage::lvwPage_cellSelected);
    connect(&context.console, &Receiver::pageContents, this, &frmPage::FillLvw);
    connect(&context.console, &Receiver::noPageDisplayed, this, &frmPage::NoPageDisp);
    connect(&context.console, &Receiver::fixtureSelectionChanged, this, &frmPage::UpdateFixtSel);
    connect(lvwPage, &Grid::keyDown, this, [this](int keyCode, int, bool*) {
        if (keyCode == CtrlKey)
            CtrlDown = true;
    });
    connect(lvwPage, &Grid::keyUp, this, [this](int keyCode, int) {
        if (keyCode == CtrlKey)
            CtrlDown = false;
    });
}

void frmPage::Form_Load()
{
    restoreGeometrySettings();
    cboPage->addItems({QStringLiteral("Scene"), QStringLiteral("Show"), QStringLiteral("Preset"),
                       QStringLiteral("Chase"), QStringLiteral("Fixture"),
                       QStringLiteral("Fixture Group")});
    // Adding the entries chose the first; the text field stays empty until the first caption.
    cboPage->setCurrentIndex(-1);
    lvwPage->hide();
    followWindowSize(lvwPage, WidthMarginTwips, HeightMarginTwips);
    lvwPage->setHeaderButtons(false);
    lvwPage->setMultiSelect(false);
    lvwPage->addColumn(MnumKey, QString(), 0, -1, 60);
    lvwPage->addColumn(MnameKey, QString(), 0, -1, 120);
    lvwPage->addColumn(FSelKey, QString(), 0, -1, 15);
    lvwPage->setColumnVisible(FSelKey, false);
    // The names take the room the window gives the list.
    lvwPage->horizontalHeader()->setSectionResizeMode(MnameColumn - 1, QHeaderView::Stretch);
    sendIfOpen(Commands::CurrentPageRequest());
}

void frmPage::FillLvw(const ConsolePayloads::PageContents& Names)
{
    const quint8 kind = Names.kind;
    PageKind = kind;
    const ConsolePayloads::PageKindText* words = ConsolePayloads::pageKindText(kind);
    const bool known = words != nullptr;
    if (known)
        cboPage->setEditText(ConsolePayloads::pageCaption(kind, Names.page, Names.fixture));
    lvwPage->setRedraw(false);
    lvwPage->setColumnVisible(FSelKey, false);
    if (known) {
        lvwPage->setColumnHeader(MnumKey, QLatin1String(words->numberHeader));
        if (kind == FixturePage)
            lvwPage->setColumnVisible(FSelKey, true);
        lvwPage->setColumnHeader(MnameKey, QLatin1String(words->nameHeader));
    }
    // Only the entries that the payload holds whole are listed.
    const int rows = int(Names.entries.size());
    lvwPage->setRows(rows);
    const auto& fixtures = m_ctx.state.Fixtures;
    for (int r = 1; r <= rows; ++r) {
        lvwPage->setCellText(r, MnumColumn, qint64(r));
        lvwPage->setCellText(r, MnameColumn, Names.entries[r - 1]);
        if (PageKind == FixturePage)
            lvwPage->setCellTextAlign(r, FSelColumn, 1);
        // Entries beyond the 48 fixtures have no fixture to mark.
        const bool selected = r <= SharedState::FixtureCount && fixtures[size_t(r - 1)].Selected();
        lvwPage->setCellText(r, FSelColumn, selected ? QStringLiteral("X") : QString());
    }
    lvwPage->setRedraw(true);
    lvwPage->show();
    lvwPage->clearCellSelection();
}

void frmPage::NoPageDisp()
{
    cboPage->setEditText(QStringLiteral("No page selected"));
    lvwPage->hide();
}

void frmPage::UpdateFixtSel(qint16 fixt)
{
    if (PageKind != FixturePage || fixt < 0 || fixt >= SharedState::FixtureCount ||
        fixt >= lvwPage->rows())
        return;
    const bool selected = m_ctx.state.Fixtures[size_t(fixt)].Selected();
    lvwPage->setCellText(fixt + 1, FSelColumn, selected ? QStringLiteral("X") : QString());
}

void frmPage::cboPage_activated(int index)
{
    if (!m_ctx.port.PortOpen())
        return;
    int k = index;
    if (k < 0 || k > 255) {
        cboPage->setCurrentIndex(0);
        k = 0;
    }
    m_ctx.port.Output(Commands::PageKind(quint8(k)));
}

void frmPage::lvwPage_cellSelected(int row, int /*column*/)
{
    // Ctrl counts when it went down in the list or the combo box, and also when it was already
    // held as the list got the focus: then only the click shows it.
    const bool add = CtrlDown || m_pressWithCtrl;
    m_pressWithCtrl = false;
    if (row >= 1 && row <= MaxPickRow)
        sendIfOpen(Commands::EntryPick(quint8(row - 1), add));
    lvwPage->clearCellSelection();
}

bool frmPage::eventFilter(QObject* watched, QEvent* event)
{
    // A Ctrl released while the focus was elsewhere never reaches us: forget it with the focus.
    if (event->type() == QEvent::FocusOut)
        CtrlDown = false;
    if ((watched == cboPage || watched == cboPage->lineEdit()) &&
        (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease)) {
        if (Grid::virtualKeyCode(*static_cast<QKeyEvent*>(event)) == CtrlKey)
            CtrlDown = event->type() == QEvent::KeyPress;
        return false;
    }
    if (watched == lvwPage->viewport() && event->type() == QEvent::MouseButtonPress)
        m_pressWithCtrl =
            static_cast<QMouseEvent*>(event)->modifiers().testFlag(Qt::ControlModifier);
    else if (watched == lvwPage->viewport() && event->type() == QEvent::MouseButtonRelease)
        m_pressWithCtrl = false;
    return MonitorView::eventFilter(watched, event);
}

void frmPage::changeEvent(QEvent* event)
{
    MonitorView::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && !isActiveWindow())
        CtrlDown = false;
}
