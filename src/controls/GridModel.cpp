#include "controls/GridModel.h"

#include <QBrush>
#include <QCoreApplication>
#include <QEvent>

#include <algorithm>

// The one pass, once the event loop is back, in which every grid with changed cells reports them.
class GridReportPass final : public QObject
{
public:
    static GridReportPass& instance()
    {
        static GridReportPass pass;
        return pass;
    }

    void add(GridModel* model)
    {
        if (model->m_reportPending)
            return;
        model->m_reportPending = true;
        m_models.push_back(model);
        if (!m_posted) {
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

protected:
    bool event(QEvent* e) override
    {
        if (e->type() != QEvent::User)
            return QObject::event(e);
        m_posted = false;
        // A report may add models again (a listener writes cells): those wait for the next pass.
        std::vector<GridModel*> models;
        models.swap(m_models);
        for (GridModel* model : models) {
            model->m_reportPending = false;
            model->reportChanges();
        }
        return true;
    }

private:
    std::vector<GridModel*> m_models;
    bool m_posted = false;
};

GridModel::GridModel(QObject* parent) : QAbstractTableModel(parent) {}

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
        // Console names keep their zero bytes; they are shown as blanks so that a name stays
        // readable instead of showing boxes. The cell's text itself keeps them.
        if (!cell.text.contains(QChar(0)))
            return cell.text;
        QString shown = cell.text;
        return shown.replace(QChar(0), QLatin1Char(' '));
    }
    case Qt::BackgroundRole:
        return cell.background.isValid() ? QVariant(QBrush(cell.background)) : QVariant();
    case Qt::ForegroundRole: {
        const QColor& colour = m_dimText.isValid() ? m_dimText : cell.foreground;
        return colour.isValid() ? QVariant(QBrush(colour)) : QVariant();
    }
    case Qt::ToolTipRole: {
        const QString tip = toolTip(index.row(), index.column());
        return tip.isEmpty() ? QVariant() : QVariant(tip);
    }
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

void GridModel::dropColumnsFrom(int columns)
{
    const int now = columnCount();
    columns = std::max(columns, 0);
    if (columns >= now)
        return;
    beginRemoveColumns({}, columns, now - 1);
    m_columns.resize(size_t(columns));
    for (auto& row : m_rows)
        row.resize(size_t(columns));
    endRemoveColumns();
    std::erase_if(m_changed, [columns](const auto& cell) { return cell.second >= columns; });
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

GridModel::Cell* GridModel::cell(int row, int column)
{
    return validCell(row, column) ? &m_rows[size_t(row)][size_t(column)] : nullptr;
}

QString GridModel::text(int row, int column) const
{
    return validCell(row, column) ? m_rows[size_t(row)][size_t(column)].text : QString();
}

void GridModel::setText(int row, int column, const QString& text)
{
    Cell* c = cell(row, column);
    if (!c || c->text == text)
        return;
    c->text = text;
    changed(row, column);
}

QColor GridModel::background(int row, int column) const
{
    return validCell(row, column) ? m_rows[size_t(row)][size_t(column)].background : QColor();
}

void GridModel::setBackground(int row, int column, const QColor& colour)
{
    Cell* c = cell(row, column);
    if (!c || c->background == colour)
        return;
    c->background = colour;
    changed(row, column);
}

QColor GridModel::foreground(int row, int column) const
{
    return validCell(row, column) ? m_rows[size_t(row)][size_t(column)].foreground : QColor();
}

void GridModel::setForeground(int row, int column, const QColor& colour)
{
    Cell* c = cell(row, column);
    if (!c || c->foreground == colour)
        return;
    c->foreground = colour;
    changed(row, column);
}

QString GridModel::toolTip(int row, int column) const
{
    return validCell(row, column) && m_toolTips ? m_toolTips(row, column) : QString();
}

void GridModel::setToolTipSource(ToolTipSource source)
{
    m_toolTips = std::move(source);
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
    Cell* c = cell(row, column);
    if (!c || c->alignment == qint8(alignment & 3))
        return;
    c->alignment = qint8(alignment & 3);
    changed(row, column);
}

void GridModel::changed(int row, int column)
{
    Cell& c = m_rows[size_t(row)][size_t(column)];
    if (!c.changed) {
        c.changed = true;
        m_changed.emplace_back(row, column);
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
    std::vector<std::pair<int, int>> reporting;
    reporting.swap(m_changed);
    int top = rowCount(), bottom = -1, left = columnCount(), right = -1;
    for (const auto& [row, column] : reporting) {
        if (!validCell(row, column))
            continue; // its row was dropped meanwhile
        m_rows[size_t(row)][size_t(column)].changed = false;
        top = std::min(top, row);
        bottom = std::max(bottom, row);
        left = std::min(left, column);
        right = std::max(right, column);
    }
    if (bottom < 0)
        return;
    // The grid repaints the cells themselves; other viewers learn of the range that holds them.
    std::erase_if(reporting,
                  [this](const auto& cell) { return !validCell(cell.first, cell.second); });
    m_reporting = true;
    emit cellsChanged(reporting);
    emit dataChanged(index(top, left), index(bottom, right));
    m_reporting = false;
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
