// Where every view opens and how its list follows the window: the size with nothing stored, what
// is stored and what a stored value out of range becomes, the list's margins, and what is stored
// as the view closes.

#include "Rig.h"
#include "model/Settings.h"
#include "shell/ViewRegistry.h"

#include <QFontMetricsF>

#include <algorithm>

using View = ViewId;

namespace {

// Each view's size with nothing stored, and the margins its list keeps to the window's outer
// size, in twips for the classic dialog font: 15 twips a pixel at 96 DPI.
struct Layout
{
    const char* prefix;
    QSizeF size;
    const char* list; // the control that follows the window's size, if any
    QSizeF margins;
};

constexpr Layout Layouts[] = {
    {"dimmer", {5030, 7500}, "grdDimmers", {300, 600}},
    {"fixture", {12000, 7500}, "grdFixtures", {300, 600}},
    {"playback", {16000, 3630}, nullptr, {}},
    {"page", {4000, 6000}, "lvwPage", {300, 1200}},
    {"scene", {6000, 6000}, "txtScene", {400, 1600}},
    {"show", {4000, 6000}, "grdShow", {300, 1800}},
};

const Layout* layoutOf(const QString& prefix)
{
    for (const Layout& l : Layouts)
        if (prefix == QLatin1String(l.prefix))
            return &l;
    return nullptr;
}

// Layouts grow with the font as dialog units do: by its average character against the classic
// font's 6 by 13 pixels, never shrinking. In pixels, from twips of the layout.
QSize layoutPixels(const QWidget& view, QSizeF twips)
{
    const QFontMetricsF font(view.font());
    return {qRound(twips.width() * std::max(1.0, font.averageCharWidth() / 6) / 15),
            qRound(twips.height() * std::max(1.0, font.height() / 13) / 15)};
}

} // namespace

class tst_ViewGeometry : public QObject
{
    Q_OBJECT
private slots:
    void init() { forgetSettings(); }
    void storedGeometryIsTakenWithinLimits_data();
    void storedGeometryIsTakenWithinLimits();
    void listFollowsTheWindowWhileLargerThanItsMargins_data();
    void listFollowsTheWindowWhileLargerThanItsMargins();
};

void tst_ViewGeometry::storedGeometryIsTakenWithinLimits_data()
{
    QTest::addColumn<View>("view");
    QTest::addColumn<QString>("prefix");
    QTest::addColumn<QStringList>("stored"); // left, top, wid, ht in twips; empty: none
    QTest::addColumn<QRect>("expected");     // in pixels; an empty size: the view's own
    const QList<QPair<const char*, QStringList>> cases{
        {"nothing stored", {"", "", "", ""}},
        {"stored", {"1500", "750", "6000", "4500"}},
        {"negative left and top", {"-15", "-300", "6000", "4500"}},
        {"negative size", {"300", "150", "-1", "-30"}},
    };
    const QList<QRect> expected{QRect(0, 0, 0, 0), QRect(100, 50, 400, 300), QRect(0, 0, 400, 300),
                                QRect(20, 10, 0, 0)};
    for (const ViewDescriptor& d : ViewRegistry::all()) {
        if (d.id == View::Traffic)
            continue; // kept in pixels under one key: tst_mainwindow
        for (qsizetype i = 0; i < cases.size(); ++i)
            QTest::addRow("%s, %s", d.settingsPrefix, cases[i].first)
                << d.id << QString::fromLatin1(d.settingsPrefix) << cases[i].second << expected[i];
    }
}

void tst_ViewGeometry::storedGeometryIsTakenWithinLimits()
{
    QFETCH(View, view);
    QFETCH(QString, prefix);
    QFETCH(QStringList, stored);
    QFETCH(QRect, expected);
    const Layout* layout = layoutOf(prefix);
    QVERIFY2(layout, "a view this test does not know");
    const QStringList items{"left", "top", "wid", "ht"};
    Settings settings;
    for (int i = 0; i < 4; ++i)
        if (!stored[i].isEmpty())
            settings.SaveSetting("Startup", prefix + "_frm_" + items[i], stored[i]);
    Rig rig;
    rig.main.resize(2000, 1200); // room for every view's own size
    QCOMPARE(rig.main.logicalDpiX(), 96);
    MonitorView* shown = rig.open<MonitorView>(view);
    if (expected.isEmpty())
        expected.setSize(layoutPixels(*shown, layout->size));
    QCOMPARE(shown->subWindow()->geometry(), expected);

    // Where it is as it closes is stored in twips.
    shown->subWindow()->setGeometry(30, 45, 600, 450);
    rig.close(view);
    QStringList now;
    for (const QString& item : items)
        now << Settings().GetSetting("Startup", prefix + "_frm_" + item);
    QCOMPARE(now, (QStringList{"450", "675", "9000", "6750"}));
}

void tst_ViewGeometry::listFollowsTheWindowWhileLargerThanItsMargins_data()
{
    QTest::addColumn<View>("view");
    QTest::addColumn<QString>("prefix");
    for (const ViewDescriptor& d : ViewRegistry::all())
        if (d.id != View::Traffic) // laid out by Qt's layouts
            QTest::newRow(d.settingsPrefix) << d.id << QString::fromLatin1(d.settingsPrefix);
}

void tst_ViewGeometry::listFollowsTheWindowWhileLargerThanItsMargins()
{
    QFETCH(View, view);
    QFETCH(QString, prefix);
    const Layout* layout = layoutOf(prefix);
    QVERIFY2(layout, "a view this test does not know");
    Rig rig;
    MonitorView* shown = rig.open<MonitorView>(view);
    if (!layout->list) {
        QVERIFY(shown->findChildren<Grid*>().size() > 1); // two fixed grids
        return;
    }
    QWidget* list = shown->findChild<QWidget*>(QString::fromLatin1(layout->list));
    QVERIFY(list);
    const QSize margins = layoutPixels(*shown, layout->margins);
    QMdiSubWindow* frame = shown->subWindow();
    frame->resize(600, 450);
    QCOMPARE(list->size(), QSize(600, 450) - margins);
    // No larger than the margin one way, the list keeps its size that way and follows the other.
    frame->resize(margins.width(), margins.height() + 1);
    QCOMPARE(list->size(), QSize(600 - margins.width(), 1));
    frame->resize(margins.width() + 1, margins.height());
    QCOMPARE(frame->size(), margins + QSize(1, 0));
    QCOMPARE(list->size(), QSize(1, 1));
}

QTEST_MAIN(tst_ViewGeometry)
#include "tst_viewgeometry.moc"
