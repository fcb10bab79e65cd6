#include "views/traffic/TrafficView.h"

#include "link/Session.h"
#include "model/Settings.h"
#include "shell/WindowPlacement.h"
#include "views/traffic/TrafficFilter.h"
#include "views/traffic/TrafficModel.h"

#include <QApplication>
#include <QComboBox>
#include <QDateTime>
#include <QFile>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QTemporaryFile>
#include <QTextStream>
#include <QVBoxLayout>

#include <filesystem>
#include <system_error>

namespace {

using Direction = TrafficLine::Direction;

const char* const kGeometryKey = "traffic_frm_geometry";

// Item data of the kind list: the kind, and the direction it belongs to (-1: either).
constexpr int KindRole = Qt::UserRole;
constexpr int KindDirectionRole = Qt::UserRole + 1;

} // namespace

TrafficView::TrafficView(const ViewContext& context, QWidget* parent)
    : MonitorView(context, QStringLiteral("frmTraffic"), QStringLiteral("traffic"),
                  QSizeF(DefaultWidth * 15, DefaultHeight * 15), parent),
      m_port(&context.port), m_decoder(context.state)
{
    // A list for reading at length, in the desktop's font rather than the views' dialog font.
    setFont(QApplication::font());
    setWindowTitle(QStringLiteral("Traffic"));
    m_model = new TrafficModel(this);
    m_filter = new TrafficFilter(this);
    m_filter->setSourceModel(m_model);
    buildControls();
    m_batchTimer.setInterval(BatchMs);
    connect(&m_batchTimer, &QTimer::timeout, this, &TrafficView::showNewLines);
    context.port.addObserver(this);
    connect(&context.session, &Session::linkStateChanged, this, &TrafficView::noteLinkState);
}

void TrafficView::noteLinkState()
{
    QString text;
    switch (m_ctx.session.linkState()) {
    case Session::LinkState::Connected:
        text = QStringLiteral("link up at 38400 bit/s");
        break;
    case Session::LinkState::Lost:
        text = QStringLiteral("link lost");
        break;
    case Session::LinkState::Reconnecting:
        text = QStringLiteral("link lost, reconnecting");
        break;
    case Session::LinkState::NotConnected:
    case Session::LinkState::Searching:
        return; // the hellos show the search
    }
    m_decoder.flush(m_pending);
    TrafficLine line;
    line.timeMs = QDateTime::currentMSecsSinceEpoch();
    line.direction = Direction::Link;
    line.kind = TrafficLine::LinkEvent;
    line.decoded = text;
    m_pending.push_back(std::move(line));
    armBatch();
}

void TrafficView::restoreGeometrySettings()
{
    QMdiSubWindow* frame = subWindow();
    if (!frame)
        return;
    // Where the user left it last time: "left top width height" in pixels, shown within the
    // main window however large the numbers.
    const QStringList stored =
        Settings()
            .GetSetting(QString::fromLatin1(Settings::Startup), QLatin1String(kGeometryKey))
            .split(QLatin1Char(' '), Qt::SkipEmptyParts);
    QList<qint64> g;
    for (const QString& n : stored) {
        bool ok = false;
        g << n.toLongLong(&ok);
        if (!ok)
            break;
    }
    if (g.size() == 4 && g[2] > 0 && g[3] > 0)
        WindowPlacement::place(*frame, WindowPlacement::fromStored(g[0], g[1], g[2], g[3]));
    else
        frame->resize(DefaultWidth, DefaultHeight);
}

void TrafficView::saveGeometrySettings()
{
    QMdiSubWindow* frame = subWindow();
    if (!frame)
        return;
    const QRect g = WindowPlacement::normalGeometry(*frame);
    Settings().SaveSetting(
        QString::fromLatin1(Settings::Startup), QLatin1String(kGeometryKey),
        QStringLiteral("%1 %2 %3 %4").arg(g.left()).arg(g.top()).arg(g.width()).arg(g.height()));
}

TrafficView::~TrafficView()
{
    if (m_port)
        m_port->removeObserver(this);
}

void TrafficView::buildControls()
{
    m_pause = new QPushButton(QStringLiteral("&Pause"), this);
    m_pause->setObjectName(QStringLiteral("cmdPause"));
    m_pause->setAccessibleName(QStringLiteral("Pause"));
    m_pause->setCheckable(true);
    connect(m_pause, &QPushButton::toggled, this, &TrafficView::setPaused);

    auto* clearButton = new QPushButton(QStringLiteral("&Clear"), this);
    clearButton->setObjectName(QStringLiteral("cmdClear"));
    clearButton->setAccessibleName(QStringLiteral("Clear"));
    connect(clearButton, &QPushButton::clicked, this, &TrafficView::clear);

    auto* saveButton = new QPushButton(QStringLiteral("&Save\u2026"), this);
    saveButton->setObjectName(QStringLiteral("cmdSave"));
    saveButton->setAccessibleName(QStringLiteral("Save"));
    connect(saveButton, &QPushButton::clicked, this, &TrafficView::save);

    m_direction = new QComboBox(this);
    m_direction->setObjectName(QStringLiteral("cboDirection"));
    m_direction->addItem(QStringLiteral("Both directions"), -1);
    m_direction->addItem(TrafficLine::directionText(Direction::FromConsole),
                         int(Direction::FromConsole));
    m_direction->addItem(TrafficLine::directionText(Direction::ToConsole),
                         int(Direction::ToConsole));
    auto* directionLabel = new QLabel(QStringLiteral("&Direction:"), this);
    directionLabel->setBuddy(m_direction);
    m_direction->setAccessibleName(QStringLiteral("Direction"));

    m_kind = new QComboBox(this);
    m_kind->setObjectName(QStringLiteral("cboKind"));
    m_kind->addItem(QStringLiteral("All kinds"));
    for (Direction d : {Direction::FromConsole, Direction::ToConsole}) {
        for (int kind : TrafficLine::knownKinds(d)) {
            if (kind == TrafficLine::SkippedBytes)
                continue;
            m_kind->addItem(TrafficLine::kindName(d, kind));
            m_kind->setItemData(m_kind->count() - 1, kind, KindRole);
            m_kind->setItemData(m_kind->count() - 1, int(d), KindDirectionRole);
        }
    }
    m_kind->addItem(TrafficLine::kindName(Direction::FromConsole, TrafficLine::SkippedBytes));
    m_kind->setItemData(m_kind->count() - 1, int(TrafficLine::SkippedBytes), KindRole);
    m_kind->setItemData(m_kind->count() - 1, -1, KindDirectionRole);
    auto* kindLabel = new QLabel(QStringLiteral("&Kind:"), this);
    kindLabel->setBuddy(m_kind);
    m_kind->setAccessibleName(QStringLiteral("Kind"));
    connect(m_direction, &QComboBox::currentIndexChanged, this, &TrafficView::applyFilter);
    connect(m_kind, &QComboBox::currentIndexChanged, this, &TrafficView::applyFilter);

    m_find = new QLineEdit(this);
    m_find->setObjectName(QStringLiteral("txtFind"));
    m_find->setAccessibleName(QStringLiteral("Find"));
    m_find->setPlaceholderText(QStringLiteral("kind or fields"));
    m_find->setClearButtonEnabled(true);
    auto* findLabel = new QLabel(QStringLiteral("&Find:"), this);
    findLabel->setBuddy(m_find);
    connect(m_find, &QLineEdit::textChanged, m_filter, &TrafficFilter::setText);

    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("lblStatus"));
    m_status->setAccessibleName(QStringLiteral("Lines"));

    m_table = new QTableView(this);
    m_table->setObjectName(QStringLiteral("grdTraffic"));
    m_table->setAccessibleName(QStringLiteral("Traffic"));
    m_table->setModel(m_filter);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setWordWrap(false);
    m_table->setAlternatingRowColors(true);
    // Fixed row heights: the table never measures 10,000 rows.
    m_table->verticalHeader()->hide();
    m_table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_table->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    QHeaderView* header = m_table->horizontalHeader();
    header->setStretchLastSection(true);
    const QFontMetrics fm = fontMetrics();
    header->resizeSection(TrafficModel::TimeColumn,
                          fm.horizontalAdvance(QStringLiteral("00:00:00.000  ")));
    header->resizeSection(TrafficModel::DirectionColumn,
                          fm.horizontalAdvance(QStringLiteral("PC \u2192 console  ")));
    header->resizeSection(TrafficModel::KindColumn,
                          fm.horizontalAdvance(QStringLiteral("A5 16 playback pages request ")));
    header->resizeSection(TrafficModel::LengthColumn,
                          fm.horizontalAdvance(QStringLiteral("Length  ")));
    header->resizeSection(TrafficModel::PayloadColumn,
                          fm.horizontalAdvance(QStringLiteral("00 ")) * 12);

    auto* bar = new QHBoxLayout;
    bar->addWidget(m_pause);
    bar->addWidget(clearButton);
    bar->addWidget(saveButton);
    bar->addSpacing(12);
    bar->addWidget(directionLabel);
    bar->addWidget(m_direction);
    bar->addWidget(kindLabel);
    bar->addWidget(m_kind);
    bar->addWidget(findLabel);
    bar->addWidget(m_find, 1);
    bar->addStretch(1);
    bar->addWidget(m_status);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addWidget(m_table);
    updateStatus();
}

void TrafficView::received(const QByteArray& bytes)
{
    m_decoder.received(bytes, QDateTime::currentMSecsSinceEpoch(), m_pending);
    armBatch();
}

void TrafficView::sent(const QByteArray& bytes)
{
    m_decoder.sent(bytes, QDateTime::currentMSecsSinceEpoch(),
                   m_port ? m_port->Settings() : QString(), m_pending);
    armBatch();
}

void TrafficView::armBatch()
{
    // Never restarted while it runs: a flooded line must not keep pushing the batch away.
    if (!m_batchTimer.isActive())
        m_batchTimer.start();
}

void TrafficView::showNewLines()
{
    m_decoder.flush(m_pending);
    if (m_paused) {
        // Held back meanwhile: only as many as the list could show.
        if (m_pending.size() > size_t(TrafficModel::Capacity) * 2)
            m_pending.erase(m_pending.begin(), m_pending.end() - TrafficModel::Capacity);
        updateStatus();
        return;
    }
    if (m_pending.empty()) {
        m_batchTimer.stop();
        return;
    }
    QScrollBar* scroll = m_table->verticalScrollBar();
    const bool following = scroll->value() >= scroll->maximum();
    m_model->append(m_pending);
    if (following)
        m_table->scrollToBottom();
    updateStatus();
}

void TrafficView::setPaused(bool paused)
{
    m_paused = paused;
    m_pause->setText(paused ? QStringLiteral("&Resume") : QStringLiteral("&Pause"));
    m_pause->setAccessibleName(paused ? QStringLiteral("Resume") : QStringLiteral("Pause"));
    if (!paused)
        showNewLines();
    updateStatus();
}

void TrafficView::clear()
{
    m_pending.clear();
    m_model->clear();
    updateStatus();
}

void TrafficView::applyFilter()
{
    const int direction = m_direction->currentData().toInt();
    m_filter->setDirection(direction < 0 ? std::nullopt
                                         : std::optional<Direction>(Direction(direction)));
    const QVariant kind = m_kind->currentData(KindRole);
    const int kindDirection = m_kind->currentData(KindDirectionRole).toInt();
    m_filter->setKind(kind.isValid() ? std::optional<int>(kind.toInt()) : std::nullopt,
                      kind.isValid() && kindDirection >= 0
                          ? std::optional<Direction>(Direction(kindDirection))
                          : std::nullopt);
    updateStatus();
}

void TrafficView::updateStatus()
{
    QString text =
        QStringLiteral("%1 of %2 lines").arg(m_filter->rowCount()).arg(m_model->rowCount());
    if (m_paused)
        text += QStringLiteral(", paused: %1 new").arg(m_pending.size());
    m_status->setText(text);
}

bool TrafficView::saveTo(const QString& path, QString* error) const
{
    const auto fail = [&](const QString& text) {
        if (error)
            *error = text;
        return false;
    };
    // Written beside the chosen name and then put in its place, so that a symbolic link there is
    // replaced itself (not the file it points to) and a failed save leaves the old file as it was.
    QTemporaryFile file(path + QStringLiteral(".XXXXXX.new"));
    if (!file.open())
        return fail(QStringLiteral("Cannot save the traffic to %1: %2. Choose a folder you may "
                                   "write to.")
                        .arg(path, file.errorString()));
    QTextStream out(&file);
    out << TrafficModel::headerText() << '\n';
    for (int row = 0; row < m_filter->rowCount(); ++row)
        out << TrafficModel::text(
                   m_model->line(m_filter->mapToSource(m_filter->index(row, 0)).row()))
            << '\n';
    out.flush();
    if (file.error() != QFileDevice::NoError || !file.flush())
        return fail(QStringLiteral("Saving the traffic to %1 failed: %2. Free some space or "
                                   "choose another folder.")
                        .arg(path, file.errorString()));
    // A temporary file is readable by its owner only; a saved list is an ordinary file.
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup |
                        QFileDevice::ReadOther);
    std::error_code ec;
    std::filesystem::rename(QFile::encodeName(file.fileName()).toStdString(),
                            QFile::encodeName(path).toStdString(), ec);
    if (ec)
        return fail(QStringLiteral("Cannot save the traffic to %1: %2. Choose another name or "
                                   "folder.")
                        .arg(path, QString::fromLocal8Bit(ec.message().c_str())));
    file.setAutoRemove(false); // it has the chosen name now
    return true;
}

void TrafficView::save()
{
    const QString path = QFileDialog::getSaveFileName(
        this, QStringLiteral("Save the traffic"), QStringLiteral("traffic.txt"),
        QStringLiteral("Text files (*.txt);;All files (*)"));
    if (path.isEmpty())
        return;
    QString error;
    if (!saveTo(path, &error))
        QMessageBox::warning(this, windowTitle(), error);
}
