#include "controls/GridCellPainter.h"

#include "controls/GridModel.h"

#include <QCoreApplication>
#include <QFontMetrics>
#include <QHash>
#include <QPainter>
#include <QStaticText>

#include <utility>

namespace {

// Laid-out texts of one font, for every grid: the same values show in many columns and grids.
class LaidOutTexts
{
public:
    static LaidOutTexts& instance()
    {
        static LaidOutTexts texts;
        static const bool dropsWithTheApplication = [] {
            // Laid-out texts hold font data that must go before the application does.
            qAddPostRoutine([] {
                instance().clear();
                instance().m_font = QFont();
            });
            return true;
        }();
        Q_UNUSED(dropsWithTheApplication);
        return texts;
    }

    // The text as drawn in a space this wide. Zero bytes show as blanks.
    QStaticText get(const QString& text, int width, const QFont& font)
    {
        // Every grid has the same font, mostly a copy of one: comparing all of it is dearer.
        if (!font.isCopyOf(m_font) && font != m_font) {
            clear();
            m_font = font;
        }
        auto whole = m_whole.constFind(text);
        if (whole == m_whole.constEnd()) {
            if (m_whole.size() >= kMaxKept)
                m_whole.clear();
            whole = m_whole.insert(text, layOut(shown(text), font));
        }
        if (whole->size().width() <= width)
            return *whole;
        // Too wide for this space: cut short, kept per width.
        const auto key = std::make_pair(text, width);
        if (const auto cut = m_cut.constFind(key); cut != m_cut.constEnd())
            return *cut;
        if (m_cut.size() >= kMaxKept)
            m_cut.clear();
        return *m_cut.insert(
            key, layOut(QFontMetrics(font).elidedText(shown(text), Qt::ElideRight, width), font));
    }

    void clear()
    {
        m_whole.clear();
        m_cut.clear();
    }

private:
    // Distinct texts kept; the values of a lit rig are far fewer, and the cache starts over when
    // full.
    static constexpr qsizetype kMaxKept = 4096;

    // Console names keep their zero bytes; they are drawn as blanks so that a name stays readable
    // instead of showing boxes. The cell's text itself keeps them.
    static QString shown(QString text) { return text.replace(QChar(0), QLatin1Char(' ')); }

    static QStaticText layOut(const QString& line, const QFont& font)
    {
        QStaticText laid(line);
        laid.setTextFormat(Qt::PlainText);
        laid.setPerformanceHint(QStaticText::AggressiveCaching);
        laid.prepare(QTransform(), font);
        return laid;
    }

    QHash<QString, QStaticText> m_whole;
    QHash<std::pair<QString, int>, QStaticText> m_cut;
    QFont m_font;
};

} // namespace

QPointF GridCellPainter::placed(const QRect& space, const QSizeF& size, int alignment)
{
    qreal x = space.left();
    if ((alignment & 3) == GridModel::AlignCentre)
        x += (space.width() - size.width()) / 2;
    else if ((alignment & 3) == GridModel::AlignRight)
        x += space.width() - size.width();
    return {x, space.top() + (space.height() - size.height()) / 2};
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
    const QStaticText laid = LaidOutTexts::instance().get(text, space.width(), painter.font());
    const QSizeF size = laid.size();
    // The text is cut to the cell's width already; only a row lower than the font needs a clip,
    // and clipping is dear in a repaint of many cells.
    const bool taller = size.height() > cell.height();
    if (taller) {
        painter.save();
        painter.setClipRect(cell, Qt::IntersectClip);
    }
    painter.setPen(selected ? look.highlightedText : look.text);
    const QPointF at = placed(space, size, alignment);
    painter.drawStaticText(at, laid);
    if (taller)
        painter.restore();
}
