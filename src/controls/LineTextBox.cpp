#include "controls/LineTextBox.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QStringListModel>
#include <QStyledItemDelegate>

#include <QHash>

#include <algorithm>
#include <array>

namespace {

// Every line is as high as one line of text and as wide as the widest, measured once a text;
// the list then never asks each line for its size.
class UniformLines : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QSize size;
    bool dimmed = false;
    QSize sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const override { return size; }

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        // Console names keep their zero bytes; they are drawn as blanks.
        option->text.replace(QChar(0), QLatin1Char(' '));
        if (dimmed)
            option->palette.setColor(QPalette::Text,
                                     option->palette.color(QPalette::Disabled, QPalette::Text));
    }
};

} // namespace

LineTextBox::LineTextBox(QWidget* parent) : QListView(parent), m_lines(new QStringListModel(this))
{
    setModel(m_lines);
    setItemDelegate(new UniformLines(this));
    setUniformItemSizes(true);
    setEditTriggers(NoEditTriggers);
    setSelectionMode(ExtendedSelection);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setTextElideMode(Qt::ElideNone);
    setWordWrap(false);

    auto* copy = new QAction(tr("&Copy"), this);
    copy->setShortcut(QKeySequence::Copy);
    copy->setShortcutContext(Qt::WidgetShortcut);
    connect(copy, &QAction::triggered, this, &LineTextBox::copySelection);
    auto* all = new QAction(tr("Select &All"), this);
    all->setShortcut(QKeySequence::SelectAll);
    all->setShortcutContext(Qt::WidgetShortcut);
    connect(all, &QAction::triggered, this, &QAbstractItemView::selectAll);
    addActions({copy, all});
    setContextMenuPolicy(Qt::ActionsContextMenu);
}

void LineTextBox::setText(const QString& text)
{
    QStringList lines = text.split(QStringLiteral("\r\n"));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    // Every line is measured as it is drawn, zero bytes as blanks and wide letters as wide, so
    // that the widest can be scrolled wholly into view: by the sum of its characters' advances,
    // each looked up once (laying out thousands of lines would cost many times the rest).
    const QFontMetrics metrics(font());
    std::array<int, 256> latin1{};
    for (int c = 0; c < 256; ++c)
        latin1[size_t(c)] = metrics.horizontalAdvance(QChar(c == 0 ? ' ' : c));
    QHash<char16_t, int> others;
    int widest = 0;
    for (const QString& line : lines) {
        int width = 0;
        for (const QChar c : line) {
            if (c.unicode() < 256) {
                width += latin1[c.unicode()];
                continue;
            }
            auto it = others.constFind(c.unicode());
            if (it == others.constEnd())
                it = others.insert(c.unicode(), metrics.horizontalAdvance(c));
            width += *it;
        }
        widest = std::max(widest, width);
    }
    const int margin = 2 * style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 8;
    static_cast<UniformLines*>(itemDelegate())->size = QSize(widest + margin, metrics.height() + 2);
    m_lines->setStringList(lines);
}

QStringList LineTextBox::lines() const
{
    return m_lines->stringList();
}

void LineTextBox::copySelection() const
{
    QModelIndexList picked = selectionModel()->selectedRows();
    std::sort(picked.begin(), picked.end());
    QString text;
    for (const QModelIndex& index : picked)
        text += index.data().toString() + QLatin1Char('\n');
    QApplication::clipboard()->setText(text);
}

void LineTextBox::setDimmed(bool dimmed)
{
    static_cast<UniformLines*>(itemDelegate())->dimmed = dimmed;
    viewport()->update();
}

bool LineTextBox::dimmed() const
{
    return static_cast<UniformLines*>(itemDelegate())->dimmed;
}
