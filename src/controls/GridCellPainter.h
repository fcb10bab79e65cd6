#pragma once

#include <QBrush>
#include <QColor>
#include <QFont>
#include <QRect>

class QPainter;

// Paints one grid cell: the background, then the text on one line, cut short with an ellipsis where
// it does not fit. Texts are laid out once and kept for every grid, so the values the console
// repeats many times a second, and shows in many columns, are shaped once rather than at every
// repaint.
class GridCellPainter
{
public:
    // What every cell of one repaint shares.
    struct Look
    {
        QBrush highlight;
        QColor text;
        QColor highlightedText;
        int margin = 0; // between the cell's sides and its text
    };

    // background: invalid for the grid's own; alignment: 0 left, 1 centred, 2 right.
    void paint(QPainter& painter, const QRect& cell, const QString& text, int alignment,
               const QColor& background, bool selected, const Look& look);

private:
    // Where the laid-out text's top left goes in the cell.
    static QPointF placed(const QRect& space, const QSizeF& size, int alignment);
};
