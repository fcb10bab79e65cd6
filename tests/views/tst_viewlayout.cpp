// Every view's layout and geometry. What a user sees of it, in the font the system gives and in
// its fixed-width font, wider, and (a second run) at twice the pixel density: no control lies over
// another or beyond the window, every label and button shows its whole text, and every grid column
// is as wide as its header. Where it opens: what is stored and what a stored value out of range
// becomes, and what is stored as the view closes; and how its list follows the window.

#include "Rig.h"
#include "model/Settings.h"
#include "shell/ViewRegistry.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFontDatabase>
#include <QHeaderView>
#include <QLabel>

using View = ViewId;

class tst_ViewLayout : public QObject
{
    Q_OBJECT
private slots:
    void init() { forgetSettings(); }
    void controlsNeitherOverlapNorCutTheirText_data();
    void controlsNeitherOverlapNorCutTheirText();
    void storedGeometryIsTakenWithinLimits_data();
    void storedGeometryIsTakenWithinLimits();
    void listFollowsTheWindowWhileLargerThanItsMargins_data();
    void listFollowsTheWindowWhileLargerThanItsMargins();
};

void tst_ViewLayout::controlsNeitherOverlapNorCutTheirText_data()
{
    QTest::addColumn<View>("view");
    QTest::addColumn<bool>("fixedWidth");
    for (const ViewDescriptor& d : ViewRegistry::all()) {
        if (d.id == View::Traffic)
            continue; // laid out by Qt's layouts
        for (bool fixed : {false, true})
            QTest::addRow("%s, %s font", d.settingsPrefix, fixed ? "fixed-width" : "system")
                << d.id << fixed;
    }
}

void tst_ViewLayout::controlsNeitherOverlapNorCutTheirText()
{
    QFETCH(View, view);
    QFETCH(bool, fixedWidth);
    // The views take the family of the application's font.
    const QFont before = QApplication::font();
    if (fixedWidth)
        QApplication::setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    {
        Rig rig;
        rig.main.resize(2000, 1200); // room for every view's own size
        MonitorView* shown = rig.open<MonitorView>(view);
        QVERIFY(QTest::qWaitForWindowExposed(shown));
        QList<QWidget*> controls;
        for (QWidget* w : shown->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            if (w->isVisible())
                controls << w;
        for (qsizetype i = 0; i < controls.size(); ++i) {
            QWidget* a = controls[i];
            if (qobject_cast<QLabel*>(a) || qobject_cast<QAbstractButton*>(a))
                QVERIFY2(a->width() >= a->sizeHint().width(), qPrintable(a->objectName()));
            // The view's own size holds it: nothing lies beyond the window's edge.
            QVERIFY2(shown->rect().contains(a->geometry()), qPrintable(a->objectName()));
            for (qsizetype j = i + 1; j < controls.size(); ++j)
                QVERIFY2(!a->geometry().intersects(controls[j]->geometry()),
                         qPrintable(a->objectName() + " / " + controls[j]->objectName()));
        }
        for (Grid* grid : shown->findChildren<Grid*>()) {
            const QHeaderView* header = grid->horizontalHeader();
            for (int c = 0; c < grid->columns(); ++c)
                QVERIFY2(header->sectionSize(c) >=
                             header->fontMetrics().horizontalAdvance(grid->columnHeader(c + 1)),
                         qPrintable(grid->objectName() + " " + grid->columnHeader(c + 1)));
        }
    }
    QApplication::setFont(before);
}

void tst_ViewLayout::storedGeometryIsTakenWithinLimits_data()
{
    QTest::addColumn<View>("view");
    QTest::addColumn<QString>("prefix");
    for (const ViewDescriptor& d : ViewRegistry::all())
        if (d.id != View::Traffic) // kept in pixels under one key: tst_mainwindow
            QTest::newRow(d.settingsPrefix) << d.id << QString::fromLatin1(d.settingsPrefix);
}

// Stored in twips, 15 a pixel at 96 DPI: left, top, width and height.
void tst_ViewLayout::storedGeometryIsTakenWithinLimits()
{
    QFETCH(View, view);
    QFETCH(QString, prefix);
    const QStringList items{"left", "top", "wid", "ht"};
    Rig rig;
    rig.main.resize(2000, 1200); // room for every view's own size
    QCOMPARE(rig.main.logicalDpiX(), 96);
    const auto openWith = [&](const QStringList& stored) {
        rig.close(view);
        for (int i = 0; i < 4; ++i)
            Settings().SaveSetting("Startup", prefix + "_frm_" + items[i], stored[i]);
        return rig.open<MonitorView>(view)->subWindow()->geometry();
    };
    // With nothing stored, the view opens at the top left at its own size.
    const QRect own = rig.open<MonitorView>(view)->subWindow()->geometry();
    QCOMPARE(own.topLeft(), QPoint(0, 0));
    QCOMPARE(openWith({"1500", "750", "6000", "4500"}), QRect(100, 50, 400, 300));
    QCOMPARE(openWith({"-15", "-300", "6000", "4500"}), QRect(0, 0, 400, 300));
    QCOMPARE(openWith({"300", "150", "-1", "-30"}), QRect(QPoint(20, 10), own.size()));

    // Where it is as it closes is stored in twips.
    rig.main.loadedView(view)->subWindow()->setGeometry(30, 45, 600, 450);
    rig.close(view);
    QStringList now;
    for (const QString& item : items)
        now << Settings().GetSetting("Startup", prefix + "_frm_" + item);
    QCOMPARE(now, (QStringList{"450", "675", "9000", "6750"}));
}

void tst_ViewLayout::listFollowsTheWindowWhileLargerThanItsMargins_data()
{
    QTest::addColumn<View>("view");
    QTest::addColumn<QString>("list");
    QTest::newRow("dimmer") << View::Dimmers << "grdDimmers";
    QTest::newRow("fixture") << View::Fixtures << "grdFixtures";
    QTest::newRow("page") << View::Page << "lvwPage";
    QTest::newRow("scene") << View::Scene << "txtScene";
    QTest::newRow("show") << View::Show << "grdShow";
}

void tst_ViewLayout::listFollowsTheWindowWhileLargerThanItsMargins()
{
    QFETCH(View, view);
    QFETCH(QString, list);
    Rig rig;
    MonitorView* shown = rig.open<MonitorView>(view);
    QWidget* follower = shown->findChild<QWidget*>(list);
    QVERIFY(follower);
    QMdiSubWindow* frame = shown->subWindow();
    const QSize margins = frame->size() - follower->size();
    QVERIFY(margins.width() > 0 && margins.height() > 0);
    frame->resize(600, 450);
    QCOMPARE(follower->size(), QSize(600, 450) - margins);
    // No larger than the margin one way, the list keeps its size that way and follows the other.
    frame->resize(margins.width(), margins.height() + 1);
    QCOMPARE(follower->size(), QSize(600 - margins.width(), 1));
    frame->resize(margins.width() + 1, margins.height());
    QCOMPARE(frame->size(), margins + QSize(1, 0));
    QCOMPARE(follower->size(), QSize(1, 1));
}

QTEST_MAIN(tst_ViewLayout)
#include "tst_viewlayout.moc"
