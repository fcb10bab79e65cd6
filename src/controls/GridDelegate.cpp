#include "controls/GridDelegate.h"

#include <QApplication>
#include <QFontMetrics>
#include <QPainter>
#include <QStyle>
#include <QWidget>

namespace {

// Distinct texts kept; the values of a lit rig are far fewer, and the cache starts over when full.
constexpr qsizetype kMaxLaidOut = 4096;

int textMargin(const QStyleOptionViewItem& option)
{
    const QStyle* style = option.widget ? option.widget->style() : QApplication::style();
    return style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, option.widget) + 1;
}

} // namespace

const QStaticText& GridDelegate::laidOut(const QString& text, int width, const QFont& font) const
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
    const QFontMetrics metrics(font);
    QStaticText laid(metrics.horizontalAdvance(text) > width
                         ? metrics.elidedText(text, Qt::ElideRight, width)
                         : text);
    laid.setTextFormat(Qt::PlainText);
    laid.setPerformanceHint(QStaticText::AggressiveCaching);
    laid.prepare(QTransform(), font);
    return *m_laidOut.insert(key, laid);
}

void GridDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                         const QModelIndex& index) const
{
    const QPalette::ColorGroup group = !(option.state & QStyle::State_Enabled) ? QPalette::Disabled
                                       : (option.state & QStyle::State_Active) ? QPalette::Active
                                                                               : QPalette::Inactive;
    const bool selected = option.state & QStyle::State_Selected;
    if (selected) {
        painter->fillRect(option.rect, option.palette.brush(group, QPalette::Highlight));
    } else if (const QVariant background = index.data(Qt::BackgroundRole);
               background.canConvert<QBrush>()) {
        painter->fillRect(option.rect, background.value<QBrush>());
    }

    const QString text = index.data(Qt::DisplayRole).toString();
    if (!text.isEmpty()) {
        const int margin = textMargin(option);
        const QRect space = option.rect.adjusted(margin, 0, -margin, 0);
        const QStaticText& laid = laidOut(text, space.width(), option.font);
        const QSizeF size = laid.size();
        const auto alignment = index.data(Qt::TextAlignmentRole).value<Qt::Alignment>();
        qreal x = space.left();
        if (alignment & Qt::AlignHCenter)
            x += (space.width() - size.width()) / 2;
        else if (alignment & Qt::AlignRight)
            x += space.width() - size.width();
        const qreal y = space.top() + (space.height() - size.height()) / 2;
        QColor colour = option.palette.color(group, QPalette::Text);
        if (selected)
            colour = option.palette.color(group, QPalette::HighlightedText);
        else if (const QVariant foreground = index.data(Qt::ForegroundRole);
                 foreground.canConvert<QBrush>())
            colour = foreground.value<QBrush>().color();
        // The text is cut to the cell's width already; only a row lower than the font needs a
        // clip, and clipping is dear in a repaint of many cells.
        const bool taller = size.height() > option.rect.height();
        if (taller) {
            painter->save();
            painter->setClipRect(option.rect);
        }
        if (painter->font() != option.font)
            painter->setFont(option.font);
        painter->setPen(colour);
        painter->drawStaticText(QPointF(x, y), laid);
        if (taller)
            painter->restore();
    }

    if (option.state & QStyle::State_HasFocus) {
        QStyleOptionFocusRect focus;
        focus.QStyleOption::operator=(option);
        focus.backgroundColor =
            option.palette.color(group, selected ? QPalette::Highlight : QPalette::Base);
        const QStyle* style = option.widget ? option.widget->style() : QApplication::style();
        style->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, painter, option.widget);
    }
}

QSize GridDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const QFontMetrics metrics(option.font);
    return {metrics.horizontalAdvance(index.data(Qt::DisplayRole).toString()) +
                2 * textMargin(option),
            metrics.height()};
}
