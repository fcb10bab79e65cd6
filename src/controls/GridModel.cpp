#include "controls/GridModel.h"

#include "controls/DirectRepaint.h"

#include <QAbstractEventDispatcher>
#include <QBrush>
#include <QCoreApplication>
#include <QEvent>
#include <QMetaMethod>

#include <algorithm>
#include <utility>

namespace {
// More changed cells than this are reported as the one range that holds them.
constexpr size_t kCellsReportedOneByOne = 64;
} // namespace

// The one pass, once the event loop is back, in which every grid with changed cells reports them;
// the window is painted straight after it rather than one event loop turn later.
class GridReportPass final : public QObject
{
public:
    static GridReportPass& instance()
    {
        static GridReportPass pass;
        return pass;
    }

    GridReportPass()
    {
        // A message box opened while a burst is handled (a line error, a failed recording) runs
        // an event loop of its own, in which the line goes on being read: what is held is
        // painted whenever that loop waits, so the views do not stand still behind the box.
        if (auto* dispatcher = QAbstractEventDispatcher::instance())
            connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this, [this] {
                if (m_holds == 0)
                    return;
                if (!m_models.empty())
                    run();
                DirectRepaint::paintPending();
            });
    }

    void add(GridModel* model)
    {
        if (model->m_reportPending)
            return;
        model->m_reportPending = true;
        m_models.push_back(model);
        if (!m_posted && m_holds == 0) {
            m_posted = true;
            QCoreApplication::postEvent(this, new QEvent(QEvent::User));
        }
    }

    void remove(GridModel* model)
    {
        if (!model->m_reportPending)
            return;
        model->m_reportPending = false;
        m_models.erase(std::remove(m_models.begin(), m_models.end(), model), m_models.end());
    }

    // A hold is also a pass of direct repaints: what the burst repaints besides the reports
    // (a list replaced) is painted with them, in one flush.
    void hold()
    {
        ++m_holds;
        DirectRepaint::beginBatch();
    }

    void release()
    {
        if (m_holds == 0)
            return;
        if (--m_holds == 0 && !m_models.empty())
            run();
        DirectRepaint::endBatch();
    }

protected:
    bool event(QEvent* e) override
    {
        if (e->type() != QEvent::User)
            return QObject::event(e);
        m_posted = false;
        if (m_holds == 0)
            run();
        return true;
    }

private:
    void run()
    {
        std::swap(m_models, m_reporting);
        {
            const DirectRepaint::Batch batch; // paints the grids' reports as it ends
            for (GridModel* model : m_reporting) {
                model->m_reportPending = false;
                model->reportChanges();
            }
        }
        m_reporting.clear();
    }

private:
    std::vector<GridModel*> m_models;
    std::vector<GridModel*> m_reporting;
    bool m_posted = false;
    int m_holds = 0;
};

GridModel::GridModel(QObject* parent) : QAbstractTableModel(parent) {}

void GridModel::holdReports()
{
    GridReportPass::instance().hold();
}

void GridModel::releaseReports()
{
    GridReportPass::instance().release();
}

GridModel::~GridModel()
{
    GridReportPass::instance().remove(this);
}

int GridModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int GridModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_columns.size());
}

Qt::Alignment GridModel::toQt(int alignment)
{
    switch (alignment & 3) {
    case AlignCentre:
        return Qt::AlignHCenter | Qt::AlignVCenter;
    case AlignRight:
        return Qt::AlignRight | Qt::AlignVCenter;
    default:
        return Qt::AlignLeft | Qt::AlignVCenter;
    }
}

QVariant GridModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || !validCell(index.row(), index.column()))
        return {};
    const Cell& cell = m_rows[size_t(index.row())][size_t(index.column())];
    switch (role) {
    case Qt::DisplayRole: {
        // Console names keep their zero bytes; they are drawn as blanks so that a name stays
        // readable instead of showing boxes. The cell's text itself keeps them.
        if (!cell.text.contains(QChar(0)))
            return cell.text;
        QString shown = cell.text;
        return shown.replace(QChar(0), QLatin1Char(' '));
    }
    case Qt::BackgroundRole:
        return cell.background.isValid() ? QVariant(QBrush(cell.background)) : QVariant();
    case Qt::ForegroundRole:
        return m_dimText.isValid() ? QVariant(QBrush(m_dimText)) : QVariant();
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(toQt(alignment(index.row(), index.column())));
    default:
        return {};
    }
}

QVariant GridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= columnCount())
        return {};
    const Column& column = m_columns[size_t(section)];
    if (role == Qt::DisplayRole)
        return column.header;
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(toQt(column.alignment));
    return {};
}

Qt::ItemFlags GridModel::flags(const QModelIndex& index) const
{
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

void GridModel::addColumn(const QString& key, const QString& header, int alignment)
{
    const int at = columnCount();
    beginInsertColumns({}, at, at);
    m_columns.push_back({key, header, alignment});
    for (auto& row : m_rows)
        row.emplace_back();
    endInsertColumns();
}

int GridModel::columnOf(const QString& key) const
{
    const auto it = std::find_if(m_columns.begin(), m_columns.end(),
                                 [&](const Column& c) { return c.key == key; });
    return it == m_columns.end() ? -1 : int(it - m_columns.begin());
}

QString GridModel::columnKey(int column) const
{
    return column >= 0 && column < columnCount() ? m_columns[size_t(column)].key : QString();
}

void GridModel::setHeader(int column, const QString& text)
{
    if (column < 0 || column >= columnCount())
        return;
    m_columns[size_t(column)].header = text;
    emit headerDataChanged(Qt::Horizontal, column, column);
}

void GridModel::setRows(int rows)
{
    rows = std::max(rows, 0);
    const int now = rowCount();
    if (rows > now) {
        beginInsertRows({}, now, rows - 1);
        m_rows.resize(size_t(rows), std::vector<Cell>(m_columns.size()));
        endInsertRows();
    } else if (rows < now) {
        beginRemoveRows({}, rows, now - 1);
        m_rows.resize(size_t(rows));
        endRemoveRows();
    }
    // Cells of dropped rows are no longer there to report.
    std::erase_if(m_changed, [rows](const auto& cell) { return cell.first >= rows; });
}

void GridModel::clearRows()
{
    setRows(0);
}

bool GridModel::validCell(int row, int column) const
{
    return row >= 0 && row < rowCount() && column >= 0 && column < columnCount();
}

const QRect* GridModel::textOnScreen(int row, int column) const
{
    if (!validCell(row, column))
        return nullptr;
    const Cell& cell = m_rows[size_t(row)][size_t(column)];
    return cell.changed && cell.onlyText ? &cell.drawnText : nullptr;
}

GridModel::Shown GridModel::shown(int row, int column) const
{
    const Cell& cell = m_rows[size_t(row)][size_t(column)];
    cell.onlyText = false; // the screen shows this text from now on
    return {cell.text, cell.background,
            cell.alignment >= 0 ? cell.alignment : m_columns[size_t(column)].alignment,
            cell.drawnText};
}

QString GridModel::text(int row, int column) const
{
    return validCell(row, column) ? m_rows[size_t(row)][size_t(column)].text : QString();
}

void GridModel::setText(int row, int column, const QString& text)
{
    if (!validCell(row, column))
        return;
    Cell& cell = m_rows[size_t(row)][size_t(column)];
    if (cell.text == text)
        return;
    cell.text = text;
    changed(row, column, true);
}

QColor GridModel::background(int row, int column) const
{
    return validCell(row, column) ? m_rows[size_t(row)][size_t(column)].background : QColor();
}

void GridModel::setBackground(int row, int column, const QColor& colour)
{
    if (!validCell(row, column))
        return;
    QColor& cell = m_rows[size_t(row)][size_t(column)].background;
    if (cell == colour)
        return;
    cell = colour;
    changed(row, column, false);
}

int GridModel::alignment(int row, int column) const
{
    if (!validCell(row, column))
        return AlignLeft;
    const qint8 own = m_rows[size_t(row)][size_t(column)].alignment;
    return own >= 0 ? own : m_columns[size_t(column)].alignment;
}

void GridModel::setAlignment(int row, int column, int alignment)
{
    if (!validCell(row, column))
        return;
    qint8& cell = m_rows[size_t(row)][size_t(column)].alignment;
    if (cell == qint8(alignment & 3))
        return;
    cell = qint8(alignment & 3);
    changed(row, column, false);
}

void GridModel::changed(int row, int column, bool onlyText)
{
    Cell& cell = m_rows[size_t(row)][size_t(column)];
    if (!cell.changed) {
        cell.changed = true;
        cell.onlyText = onlyText;
        m_changed.emplace_back(row, column);
    } else if (!onlyText) {
        cell.onlyText = false;
    }
    if (!m_batching)
        GridReportPass::instance().add(this);
}

void GridModel::setBatching(bool on)
{
    if (on == m_batching)
        return;
    m_batching = on;
    if (!on && !m_changed.empty())
        GridReportPass::instance().add(this);
}

void GridModel::reportChanges()
{
    GridReportPass::instance().remove(this);
    if (m_batching || m_changed.empty())
        return;
    std::swap(m_changed, m_reporting);
    // Cells of rows dropped meanwhile are gone.
    std::erase_if(m_reporting,
                  [this](const auto& cell) { return !validCell(cell.first, cell.second); });
    if (m_reporting.empty())
        return;
    if (m_repaint)
        m_repaint(m_reporting);
    int top = rowCount(), bottom = -1, left = columnCount(), right = -1;
    for (const auto& [row, column] : m_reporting) {
        Cell& cell = m_rows[size_t(row)][size_t(column)];
        cell.changed = false;
        cell.onlyText = false;
        top = std::min(top, row);
        bottom = std::max(bottom, row);
        left = std::min(left, column);
        right = std::max(right, column);
    }
    if (m_dataChangedListeners <= 0) {
        // Nobody else follows the cells.
    } else if (m_reporting.size() > kCellsReportedOneByOne) {
        emit dataChanged(index(top, left), index(bottom, right));
    } else {
        for (const auto& [row, column] : m_reporting)
            emit dataChanged(index(row, column), index(row, column));
    }
    m_reporting.clear();
}

void GridModel::connectNotify(const QMetaMethod& signal)
{
    if (signal == QMetaMethod::fromSignal(&QAbstractItemModel::dataChanged))
        ++m_dataChangedListeners;
}

void GridModel::disconnectNotify(const QMetaMethod& signal)
{
    // Not for an invalid signal (a disconnection of all signals at once, perhaps of one listener
    // of several): counting one too many costs a report no more than asking the connections.
    if (signal == QMetaMethod::fromSignal(&QAbstractItemModel::dataChanged))
        m_dataChangedListeners = std::max(0, m_dataChangedListeners - 1);
}

void GridModel::setDimText(const QColor& colour)
{
    if (colour == m_dimText)
        return;
    m_dimText = colour;
    if (rowCount() > 0 && columnCount() > 0)
        emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1),
                         {Qt::ForegroundRole});
}
