// What a user sees of every view's layout, in the font the system gives and in its fixed-width
// font, wider, and (a second run) at twice the pixel density: no control lies over another or
// beyond the window, every label and button shows its whole text, and every grid column is as wide
// as its header.

#include "Rig.h"
#include "shell/ViewRegistry.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFontDatabase>
#include <QHeaderView>
#include <QLabel>

using View = ViewId;

class tst_Layout : public QObject
{
    Q_OBJECT
private slots:
    void init() { forgetSettings(); }
    void controlsNeitherOverlapNorCutTheirText_data();
    void controlsNeitherOverlapNorCutTheirText();
};

void tst_Layout::controlsNeitherOverlapNorCutTheirText_data()
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

void tst_Layout::controlsNeitherOverlapNorCutTheirText()
{
    QFETCH(View, view);
    QFETCH(bool, fixedWidth);
    // The views take the family of the application's font.
    const QFont before = QApplication::font();
    if (fixedWidth)
        QApplication::setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    {
        Rig rig;
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

QTEST_MAIN(tst_Layout)
#include "tst_layout.moc"
