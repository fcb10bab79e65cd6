#pragma once

#include "controls/GridCellPainter.h"

#include <QTableView>

class GridModel;

// The grid that shows every list of the program: a table of text cells with grid lines, rows and
// columns counted from 1 (the header line is not a row), column widths in pixels.
//
// Writing a cell repaints that cell alone, once the event loop is back, together with every other
// cell written meanwhile: one update of the cells' union. With the redraw switch off nothing is
// painted and cell changes are gathered; switching it on paints them once.
class Grid : public QTableView
{
    Q_OBJECT
public:
    // The system colour of button faces, as the views pass it for grey cells.
    static constexpr quint32 ButtonFace = 0x8000000F;
    static constexpr int LineHeight = 18;

    explicit Grid(QWidget* parent = nullptr);

    // MS Sans Serif 8.25 pt where the system has it, else the application's family at 8.25 pt.
    static QFont defaultFont();
    // A colour as the views give it: 0x800000nn is system colour nn (only button face, 15, is
    // known; the others read as the window colour), anything else 0x00BBGGRR.
    QColor resolveColour(quint32 colour) const;

    // Appends a column at the right. The icon (-1 = none) is not drawn: the grid has no icons.
    void addColumn(const QString& key, const QString& header, int alignment, int icon, int width);
    int columns() const;
    // Drops the columns right of the first `columns`.
    void keepColumns(int columns);

    int rows() const;
    // More appends empty rows; fewer drops rows from the end.
    void setRows(int rows);

    // Cells outside the grid read as empty and ignore writes.
    QString cellText(int row, int column) const;
    void setCellText(int row, int column, const QString& text);
    void setCellText(int row, int column, qint64 value);
    QColor cellBackColor(int row, int column) const;
    void setCellBackColor(int row, int column, quint32 colour);
    // Back to the grid's own background.
    void clearCellBackColor(int row, int column);
    int cellTextAlign(int row, int column) const;
    // 0 = left, 1 = centred, 2 = right.
    void setCellTextAlign(int row, int column, int alignment);
    // A cell's own text colour (invalid: the grid's) and its tooltip.
    void setCellForeColor(int row, int column, const QColor& colour);
    // Where the cells' tooltips come from (rows and columns from 1), worded when one is shown.
    void setCellToolTipSource(std::function<QString(int row, int column)> source);
    QString cellToolTip(int row, int column) const;

    // Columns addressed by key: the first column with that key; an unknown key does nothing.
    QString columnHeader(const QString& key) const;
    void setColumnHeader(const QString& key, const QString& text);
    bool columnVisible(const QString& key) const;
    void setColumnVisible(const QString& key, bool visible);
    // The same by position, for the views that add columns without keys.
    QString columnHeader(int column) const;

    // Draws every cell's text in the disabled colour, for a list that no longer follows the
    // console; the cells keep their texts and the grid stays usable.
    void setDimmed(bool dimmed);
    bool dimmed() const;

    bool redraw() const;
    void setRedraw(bool on);

    // Empties all rows and keeps the columns.
    void clear();
    // Leaves no cell selected or current, so picking the same cell again is reported again.
    void clearCellSelection();

    // The three start-up options; all on when the grid is made, and the views switch them off
    // before they add columns. Header buttons: clicking a header selects its column. Multi
    // select: ranges of cells can be selected. Row mode: a pick selects the whole row.
    bool headerButtons() const { return m_headerButtons; }
    void setHeaderButtons(bool on);
    bool multiSelect() const { return m_multiSelect; }
    void setMultiSelect(bool on);
    bool rowMode() const { return m_rowMode; }
    void setRowMode(bool on);

    // Frames the current cell, where the keys act (grids whose cells the user edits).
    void setShowsCurrentCell(bool on) { m_showsCurrentCell = on; }

    GridModel& cells() const { return *m_model; }

    // Windows virtual-key code of a key (17 for Ctrl, 65 for A, ...), 0 if it has none.
    static int virtualKeyCode(const QKeyEvent& event);
    // 1 = Shift, 2 = Ctrl, 4 = Alt, added together.
    static int shiftState(Qt::KeyboardModifiers modifiers);

signals:
    // The user picked a cell (row and column from 1), by mouse or keyboard.
    void cellSelected(int row, int column);
    // Before the grid acts on a key; clearing *doDefault keeps the grid from acting on it.
    void keyDown(int keyCode, int shift, bool* doDefault);
    void keyUp(int keyCode, int shift);

protected:
    // Cells that the model reports as written are repainted by repaintCells, each alone; the
    // table view would repaint the whole viewport for the range that holds them.
    void dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                     const QList<int>& roles = {}) override;
    void selectionChanged(const QItemSelection& selected,
                          const QItemSelection& deselected) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    // The cells are painted here rather than through an item delegate: a repaint of the few cells
    // the console changed costs a fraction of the table view's general way.
    void paintEvent(QPaintEvent* event) override;

private:
    void repaintCells(const std::vector<std::pair<int, int>>& cells);
    // The cell's rectangle in the viewport, grid lines included; empty for a hidden column.
    QRect cellRect(int row, int column) const;
    // What a column needs to show its header whole.
    int headerWidth(const QString& text) const;
    int textMargin() const;

    GridCellPainter m_cellPainter;
    GridModel* m_model;
    bool m_headerButtons = true;
    bool m_multiSelect = true;
    bool m_rowMode = true;
    bool m_showsCurrentCell = false;
};
