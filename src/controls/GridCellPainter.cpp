#include "controls/GridCellPainter.h"

#include "controls/GridModel.h"

#include <QFontMetrics>
#include <QPainter>

namespace {
// Distinct texts kept; the values of a lit rig are far fewer, and the cache starts over when full.
constexpr qsizetype kMaxLaidOut = 4096;
} // namespace

const QStaticText& GridCellPainter::laidOut(const QString& text, int width, const QFont& font)
{
    if (font != m_font) {
        m_laidOut.clear();
        m_font = font;
    }
    const auto key = std::make_pair(text, width);
    if (const auto it = m_laidOut.constFind(key); it != m_laidOut.constEnd())
        return *it;
    if (m_laidOut.size() >= kMaxLaidOut)
        m_laidOut.clear();
    // Console names keep their zero bytes; they are drawn as blanks so that a name stays readable
    // instead of showing boxes. The cell's text itself keeps them.
    QString shown = text;
    shown.replace(QChar(0), QLatin1Char(' '));
    const auto layOut = [&font](const QString& line) {
        QStaticText laid(line);
        laid.setTextFormat(Qt::PlainText);
        laid.setPerformanceHint(QStaticText::AggressiveCaching);
        laid.prepare(QTransform(), font);
        return laid;
    };
    // Most texts fit; only one that does not is shaped a second time, cut short.
    QStaticText laid = layOut(shown);
    if (laid.size().width() > width)
        laid = layOut(QFontMetrics(font).elidedText(shown, Qt::ElideRight, width));
    return *m_laidOut.insert(key, laid);
}

QPointF GridCellPainter::placed(const QRect& space, const QSizeF& size, int alignment)
{
    qreal x = space.left();
    if ((alignment & 3) == GridModel::AlignCentre)
        x += (space.width() - size.width()) / 2;
    else if ((alignment & 3) == GridModel::AlignRight)
        x += space.width() - size.width();
    return {x, space.top() + (space.height() - size.height()) / 2};
}

QRect GridCellPainter::textRect(const QRect& cell, const QString& text, int alignment,
                                const QFont& font, int margin)
{
    if (text.isEmpty())
        return {};
    const QRect space = cell.adjusted(margin, 0, -margin, 0);
    const QSizeF size = laidOut(text, space.width(), font).size();
    const QRectF drawn(placed(space, size, alignment), size);
    return drawn.toAlignedRect().adjusted(-1, -1, 1, 1).intersected(cell);
}

void GridCellPainter::paint(QPainter& painter, const QRect& cell, const QString& text,
                            int alignment, const QColor& background, bool selected,
                            const Look& look)
{
    if (selected)
        painter.fillRect(cell, look.highlight);
    else if (background.isValid())
        painter.fillRect(cell, background);
    if (text.isEmpty())
        return;

    const QRect space = cell.adjusted(look.margin, 0, -look.margin, 0);
    const QStaticText& laid = laidOut(text, space.width(), painter.font());
    const QSizeF size = laid.size();
    // The text is cut to the cell's width already; only a row lower than the font needs a clip,
    // and clipping is dear in a repaint of many cells.
    const bool taller = size.height() > cell.height();
    if (taller) {
        painter.save();
        painter.setClipRect(cell, Qt::IntersectClip);
    }
    painter.setPen(selected ? look.highlightedText : look.text);
    painter.drawStaticText(placed(space, size, alignment), laid);
    if (taller)
        painter.restore();
}
