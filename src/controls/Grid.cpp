#include "controls/Grid.h"

#include "controls/GridModel.h"

#include <QAccessible>
#include <QApplication>
#include <QFontDatabase>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QVarLengthArray>

#include <optional>

Grid::Grid(QWidget* parent) : QTableView(parent), m_model(new GridModel(this))
{
    setModel(m_model);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    // The headers follow changed cells only to size sections to their contents, which no grid
    // does: a value changing many times a second need not reach them.
    for (QHeaderView* header : {horizontalHeader(), verticalHeader()})
        disconnect(m_model, &QAbstractItemModel::dataChanged, header, nullptr);
    connect(m_model, &GridModel::cellsChanged, this, &Grid::repaintCells);
    setFont(defaultFont());
    setShowGrid(true);
    setEditTriggers(NoEditTriggers);
    setWordWrap(false);
    verticalHeader()->hide();
    verticalHeader()->setMinimumSectionSize(1);
    verticalHeader()->setDefaultSectionSize(LineHeight);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    horizontalHeader()->setFixedHeight(LineHeight);
    horizontalHeader()->setMinimumSectionSize(1);
    horizontalHeader()->setStretchLastSection(false);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    setHeaderButtons(true);
    setMultiSelect(true);
    setRowMode(true);
}

QFont Grid::defaultFont()
{
    const QString classic = QStringLiteral("MS Sans Serif");
    QFont font = QFontDatabase::hasFamily(classic) ? QFont(classic) : QApplication::font();
    font.setPointSizeF(8.25);
    return font;
}

QColor Grid::resolveColour(quint32 colour) const
{
    if (colour & 0x80000000u)
        return palette().color((colour & 0xFF) == 15 ? QPalette::Button : QPalette::Base);
    return QColor(int(colour & 0xFF), int((colour >> 8) & 0xFF), int((colour >> 16) & 0xFF));
}

void Grid::addColumn(const QString& key, const QString& header, int alignment, int /*icon*/,
                     int width)
{
    m_model->addColumn(key, header, alignment);
    const int column = m_model->columnCount() - 1;
    setColumnWidth(column, std::max(width, headerWidth(header)));
}

int Grid::headerWidth(const QString& text) const
{
    // The header's text and the room the style keeps around it.
    const int margin = style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, horizontalHeader());
    return horizontalHeader()->fontMetrics().horizontalAdvance(text) + 2 * margin + 2;
}

void Grid::keepColumns(int columns)
{
    m_model->dropColumnsFrom(columns);
}

int Grid::columns() const
{
    return m_model->columnCount();
}

int Grid::rows() const
{
    return m_model->rowCount();
}

void Grid::setRows(int rows)
{
    m_model->setRows(rows);
}

QString Grid::cellText(int row, int column) const
{
    return m_model->text(row - 1, column - 1);
}

void Grid::setCellText(int row, int column, const QString& text)
{
    m_model->setText(row - 1, column - 1, text);
}

void Grid::setCellText(int row, int column, qint64 value)
{
    m_model->setText(row - 1, column - 1, QString::number(value));
}

QColor Grid::cellBackColor(int row, int column) const
{
    return m_model->background(row - 1, column - 1);
}

void Grid::setCellBackColor(int row, int column, quint32 colour)
{
    m_model->setBackground(row - 1, column - 1, resolveColour(colour));
}

void Grid::clearCellBackColor(int row, int column)
{
    m_model->setBackground(row - 1, column - 1, QColor());
}

int Grid::cellTextAlign(int row, int column) const
{
    return m_model->alignment(row - 1, column - 1);
}

void Grid::setCellTextAlign(int row, int column, int alignment)
{
    m_model->setAlignment(row - 1, column - 1, alignment);
}

void Grid::setCellForeColor(int row, int column, const QColor& colour)
{
    m_model->setForeground(row - 1, column - 1, colour);
}

void Grid::setCellToolTipSource(std::function<QString(int row, int column)> source)
{
    if (!source) {
        m_model->setToolTipSource({});
        return;
    }
    m_model->setToolTipSource(
        [source = std::move(source)](int row, int column) { return source(row + 1, column + 1); });
}

QString Grid::cellToolTip(int row, int column) const
{
    return m_model->toolTip(row - 1, column - 1);
}

QString Grid::columnHeader(const QString& key) const
{
    return columnHeader(m_model->columnOf(key) + 1);
}

void Grid::setColumnHeader(const QString& key, const QString& text)
{
    const int column = m_model->columnOf(key);
    m_model->setHeader(column, text);
    // A column is never narrower than its header.
    if (column >= 0 && columnWidth(column) < headerWidth(text))
        setColumnWidth(column, headerWidth(text));
}

bool Grid::columnVisible(const QString& key) const
{
    const int column = m_model->columnOf(key);
    return column >= 0 && !isColumnHidden(column);
}

void Grid::setColumnVisible(const QString& key, bool visible)
{
    const int column = m_model->columnOf(key);
    if (column >= 0)
        setColumnHidden(column, !visible);
}

QString Grid::columnHeader(int column) const
{
    return m_model->headerData(column - 1, Qt::Horizontal).toString();
}

void Grid::setDimmed(bool dimmed)
{
    if (dimmed == this->dimmed())
        return;
    m_model->setDimText(dimmed ? palette().color(QPalette::Disabled, QPalette::Text) : QColor());
    viewport()->update();
}

bool Grid::dimmed() const
{
    return m_model->dimText().isValid();
}

bool Grid::redraw() const
{
    return !m_model->batching();
}

void Grid::setRedraw(bool on)
{
    // Cell changes wait while it is off and are reported as it goes on, each changed cell once;
    // switching the viewport's updates off and on would repaint all of it every time.
    m_model->setBatching(!on);
}

void Grid::repaintCells(const std::vector<std::pair<int, int>>& cells)
{
    // Many cells at once (a view filling its rows) are one rectangle; a few are each their own.
    constexpr size_t CellsOneByOne = 64;
    QRegion dirty;
    if (cells.size() > CellsOneByOne) {
        QRect bounds;
        for (const auto& [row, column] : cells)
            bounds |= cellRect(row, column);
        dirty = bounds;
    } else {
        for (const auto& [row, column] : cells)
            dirty += cellRect(row, column);
    }
    viewport()->update(dirty & viewport()->rect());
}

void Grid::dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                       const QList<int>& roles)
{
    if (!m_model->reportingCells()) {
        QTableView::dataChanged(topLeft, bottomRight, roles);
        return;
    }
    if (QAccessible::isActive()) {
        QAccessibleTableModelChangeEvent event(this, QAccessibleTableModelChangeEvent::DataChanged);
        event.setFirstRow(topLeft.row());
        event.setFirstColumn(topLeft.column());
        event.setLastRow(bottomRight.row());
        event.setLastColumn(bottomRight.column());
        QAccessible::updateAccessibility(&event);
    }
}

QRect Grid::cellRect(int row, int column) const
{
    if (isColumnHidden(column))
        return {};
    return {columnViewportPosition(column), rowViewportPosition(row), columnWidth(column),
            rowHeight(row)};
}

int Grid::textMargin() const
{
    return style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1;
}

void Grid::paintEvent(QPaintEvent* event)
{
    QPainter painter(viewport());
    const QRegion& region = event->region();
    // The viewport paints its own background (it is opaque), in the same painter as the cells.
    const QBrush base = viewport()->palette().brush(viewport()->backgroundRole());
    // The style's view of the grid, needed only for a focus frame or grid lines.
    std::optional<QStyleOptionViewItem> option;
    const auto viewOption = [&]() -> const QStyleOptionViewItem& {
        if (!option) {
            option.emplace();
            initViewItemOption(&*option);
        }
        return *option;
    };
    const QPalette::ColorGroup group = !isEnabled()       ? QPalette::Disabled
                                       : isActiveWindow() ? QPalette::Active
                                                          : QPalette::Inactive;
    GridCellPainter::Look look;
    look.highlight = palette().brush(group, QPalette::Highlight);
    const QColor gridText = palette().color(group, QPalette::Text);
    look.highlightedText = palette().color(group, QPalette::HighlightedText);
    look.margin = textMargin();

    const QItemSelectionModel* selection = selectionModel();
    const bool anySelected = selection && selection->hasSelection();
    const QModelIndex current = currentIndex();
    const bool showCurrent = m_showsCurrentCell && current.isValid();

    // Each cell's grid lines are at its right and bottom edge, drawn after the cells. Solid lines
    // are filled as one-pixel rectangles: the painter's line drawing costs many times more.
    QVarLengthArray<QLine, 64> lines;
    const auto drawLines = [&] {
        if (lines.isEmpty())
            return;
        const auto gridColour = QColor::fromRgba(
            QRgb(style()->styleHint(QStyle::SH_Table_GridLineColor, &viewOption(), this)));
        if (gridStyle() == Qt::SolidLine) {
            for (const QLine& line : lines)
                painter.fillRect(QRect(line.p1(), line.p2()), gridColour);
        } else {
            painter.setPen(QPen(gridColour, 0, gridStyle()));
            painter.drawLines(lines.constData(), int(lines.size()));
        }
        lines.clear();
    };
    // Where the columns are, looked up once: the header's lookups are dear for every cell.
    struct ColumnSpan
    {
        int column;
        int left;
        int width;
    };
    QVarLengthArray<ColumnSpan, 32> spans;
    for (int column = 0; column < columns(); ++column)
        if (!isColumnHidden(column))
            spans.append({column, columnViewportPosition(column), columnWidth(column)});
    // Each rectangle of the region is painted inside a clip of its own: within a plain rectangle
    // the painter fills, draws lines and text on its fast path, against a region span by span.
    const bool severalRectangles = region.rectCount() > 1;
    const int lastRowOfGrid = rows() - 1;
    for (const QRect& dirty : region) {
        if (severalRectangles)
            painter.setClipRect(dirty);
        painter.fillRect(dirty, base);
        const int firstRow = rowAt(dirty.top());
        if (firstRow < 0)
            continue; // below the last row
        const int bottomRow = rowAt(dirty.bottom());
        const int lastRow = bottomRow < 0 ? lastRowOfGrid : bottomRow;
        // The lines of the cells painted: one along the bottom of each row, one down the right
        // of each column.
        QVarLengthArray<int, 32> columnEdges;
        int rowsLeft = -1, rowsRight = -1;
        for (int row = firstRow; row <= lastRow; ++row) {
            const int top = rowViewportPosition(row);
            const int height = rowHeight(row);
            for (const ColumnSpan& span : spans) {
                if (span.left + span.width <= dirty.left() || span.left > dirty.right())
                    continue;
                const int column = span.column;
                const QRect whole(span.left, top, span.width, height);
                const QRect cell = whole.adjusted(0, 0, -1, -1);
                const bool selected =
                    anySelected && selection->isSelected(m_model->index(row, column));
                const QColor own = m_model->foreground(row, column);
                look.text = dimmed() ? m_model->dimText() : own.isValid() ? own : gridText;
                m_cellPainter.paint(painter, cell, m_model->text(row, column),
                                    m_model->alignment(row, column),
                                    m_model->background(row, column), selected, look);
                if (showCurrent && current.row() == row && current.column() == column) {
                    // The current cell, where the keys act, framed in the selection's colour;
                    // a thin frame while the grid has not the focus.
                    painter.save();
                    const bool focused = hasFocus() || viewport()->hasFocus();
                    painter.setPen(
                        QPen(palette().color(group, QPalette::Highlight), focused ? 2 : 1));
                    painter.drawRect(QRectF(cell).adjusted(focused ? 1 : 0.5, focused ? 1 : 0.5,
                                                           focused ? -1 : -0.5,
                                                           focused ? -1 : -0.5));
                    painter.restore();
                }
                if (row == firstRow) {
                    if (rowsLeft < 0)
                        rowsLeft = whole.left();
                    rowsRight = whole.right();
                    columnEdges.append(whole.right());
                }
            }
            if (rowsLeft >= 0)
                lines.append(QLine(rowsLeft, top + height - 1, rowsRight, top + height - 1));
        }
        if (!columnEdges.isEmpty()) {
            const int top = rowViewportPosition(firstRow);
            const int bottom = rowViewportPosition(lastRow) + rowHeight(lastRow) - 1;
            for (const int x : columnEdges)
                lines.append(QLine(x, top, x, bottom));
        }
        drawLines(); // inside this rectangle's clip
    }
}

void Grid::clear()
{
    m_model->clearRows();
}

void Grid::clearCellSelection()
{
    if (QItemSelectionModel* selection = selectionModel()) {
        selection->clearSelection();
        selection->clearCurrentIndex();
    }
}

void Grid::setHeaderButtons(bool on)
{
    m_headerButtons = on;
    horizontalHeader()->setSectionsClickable(on);
    horizontalHeader()->setHighlightSections(on);
}

void Grid::setMultiSelect(bool on)
{
    m_multiSelect = on;
    setSelectionMode(on ? ExtendedSelection : SingleSelection);
}

void Grid::setRowMode(bool on)
{
    m_rowMode = on;
    setSelectionBehavior(on ? SelectRows : SelectItems);
}

void Grid::selectionChanged(const QItemSelection& selected, const QItemSelection& deselected)
{
    QTableView::selectionChanged(selected, deselected);
    if (selected.isEmpty())
        return;
    // A click makes the cell current before selecting it; the keyboard selects first. Prefer the
    // current cell when it is the one just selected, so that row mode reports the picked column.
    const QModelIndex current = currentIndex();
    const QModelIndex picked = selected.contains(current) ? current : selected.indexes().first();
    emit cellSelected(picked.row() + 1, picked.column() + 1);
}

void Grid::mouseMoveEvent(QMouseEvent* event)
{
    // Dragging over cells would pick every cell passed over; with one cell at a time only the
    // press picks.
    if (!m_multiSelect && event->buttons() != Qt::NoButton)
        return;
    QTableView::mouseMoveEvent(event);
}

void Grid::keyPressEvent(QKeyEvent* event)
{
    bool doDefault = true;
    emit keyDown(virtualKeyCode(*event), shiftState(event->modifiers()), &doDefault);
    if (doDefault)
        QTableView::keyPressEvent(event);
    else
        event->accept();
}

void Grid::keyReleaseEvent(QKeyEvent* event)
{
    emit keyUp(virtualKeyCode(*event), shiftState(event->modifiers()));
    QTableView::keyReleaseEvent(event);
}

int Grid::shiftState(Qt::KeyboardModifiers modifiers)
{
    return (modifiers & Qt::ShiftModifier ? 1 : 0) | (modifiers & Qt::ControlModifier ? 2 : 0) |
           (modifiers & Qt::AltModifier ? 4 : 0);
}

int Grid::virtualKeyCode(const QKeyEvent& event)
{
    const int key = event.key();
    if ((key >= Qt::Key_0 && key <= Qt::Key_9) || (key >= Qt::Key_A && key <= Qt::Key_Z))
        return key; // the same codes as ASCII digits and capitals
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24)
        return 0x70 + (key - Qt::Key_F1);
    switch (key) {
    case Qt::Key_Backspace:
        return 0x08;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return 0x09;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return 0x0D;
    case Qt::Key_Shift:
        return 0x10;
    case Qt::Key_Control:
        return 0x11;
    case Qt::Key_Alt:
        return 0x12;
    case Qt::Key_Escape:
        return 0x1B;
    case Qt::Key_Space:
        return 0x20;
    case Qt::Key_PageUp:
        return 0x21;
    case Qt::Key_PageDown:
        return 0x22;
    case Qt::Key_End:
        return 0x23;
    case Qt::Key_Home:
        return 0x24;
    case Qt::Key_Left:
        return 0x25;
    case Qt::Key_Up:
        return 0x26;
    case Qt::Key_Right:
        return 0x27;
    case Qt::Key_Down:
        return 0x28;
    case Qt::Key_Insert:
        return 0x2D;
    case Qt::Key_Delete:
        return 0x2E;
    default:
        return 0;
    }
}
