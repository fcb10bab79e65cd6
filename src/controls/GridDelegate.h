#pragma once

#include <QAbstractItemDelegate>
#include <QFont>
#include <QHash>
#include <QStaticText>

#include <utility>

// Paints the grid's cells: the background, then the text on one line, cut short with an ellipsis
// where it does not fit. Texts are laid out once and kept, so the values the console repeats many
// times a second are shaped once rather than at every repaint.
class GridDelegate : public QAbstractItemDelegate
{
    Q_OBJECT
public:
    using QAbstractItemDelegate::QAbstractItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    // The text as drawn in a space this wide, laid out in the font.
    const QStaticText& laidOut(const QString& text, int width, const QFont& font) const;

    mutable QHash<std::pair<QString, int>, QStaticText> m_laidOut;
    mutable QFont m_font;
};
