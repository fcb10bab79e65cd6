// Every view open at once in the real main window: every control a user can reach, in the views
// and in every other window of the program, has a name a screen reader can announce, and closing
// and reopening the views gives back all they took.

#include "../views/Rig.h"
#include "shell/HelpWindow.h"
#include "shell/frmStartup.h"
#include "views/traffic/TrafficView.h"

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QMessageBox>
#include <QTabBar>
#include <QTest>
#include <QTimer>

#if defined(__SANITIZE_ADDRESS__)
extern "C" size_t __sanitizer_get_current_allocated_bytes();
#else
#include <malloc.h>
#endif

using namespace Payloads;
using View = ViewId;

namespace {

constexpr View AllViews[] = {View::Fixtures, View::Dimmers, View::Playbacks,
                             View::Page,     View::Scene,   View::Show};

// The views' rig, with every view open.
struct Program : Rig
{
    explicit Program(bool viewsOpen = true)
    {
        forgetSettings();
        main.resize(1400, 900);
        for (View v : AllViews)
            if (viewsOpen)
                main.showView(v);
    }
};

int liveObjects(const QObject* root)
{
    int n = 1;
    for (const QObject* child : root->children())
        n += liveObjects(child);
    return n;
}

qint64 heapInUse()
{
#if defined(__SANITIZE_ADDRESS__)
    return qint64(__sanitizer_get_current_allocated_bytes());
#else
    return qint64(mallinfo2().uordblks);
#endif
}

// Inner widgets of a grid, a combo box or a text box belong to the control, which carries the name.
bool isPartOfAControl(const QWidget* w, const QWidget* root)
{
    for (const QWidget* p = w->parentWidget(); p && p != root; p = p->parentWidget())
        if (qobject_cast<const QComboBox*>(p) || qobject_cast<const QAbstractScrollArea*>(p))
            return true;
    return false;
}

bool isInteractive(const QWidget* w)
{
    return qobject_cast<const QAbstractButton*>(w) || qobject_cast<const QComboBox*>(w) ||
           qobject_cast<const QLineEdit*>(w) || qobject_cast<const QAbstractSpinBox*>(w) ||
           qobject_cast<const QAbstractSlider*>(w) || qobject_cast<const QTabBar*>(w) ||
           qobject_cast<const QMenuBar*>(w) ||
           (qobject_cast<const QAbstractScrollArea*>(w) && w->focusPolicy() != Qt::NoFocus);
}

// What a screen reader announces: the accessible name, a button's caption, or the label that
// names the control through its buddy.
QString announcedName(const QWidget* w)
{
    QString name = w->accessibleName();
    if (const auto* button = qobject_cast<const QAbstractButton*>(w); name.isEmpty() && button)
        name = button->text();
    for (const QLabel* label : w->window()->findChildren<QLabel*>())
        if (name.isEmpty() && label->buddy() == w)
            name = label->text();
    return name.remove(QLatin1Char('&')).trimmed();
}

// The interactive widgets shown in `root` (a window or a view) without a name; the windows it
// owns are walked on their own.
QStringList unnamedControls(const QWidget* root)
{
    QStringList unnamed;
    for (const QWidget* w : root->findChildren<QWidget*>()) {
        if (!isInteractive(w) || !w->isVisibleTo(root) || w->window() != root->window() ||
            isPartOfAControl(w, root) || !announcedName(w).isEmpty())
            continue;
        unnamed.append(root->objectName() + QLatin1Char('.') + w->objectName() + " (" +
                       w->metaObject()->className() + ")");
    }
    return unnamed;
}

} // namespace

class tst_AllViews : public QObject
{
    Q_OBJECT
private slots:
    void everyControlHasAnAccessibleName_data();
    void everyControlHasAnAccessibleName();
    void reopeningViewsLeavesNothingBehind();
};

void tst_AllViews::everyControlHasAnAccessibleName_data()
{
    QTest::addColumn<QString>("window");
    for (const char* window :
         {"views", "frmMain", "frmStartup", "frmHelp", "frmEdit", "aboutBox", "traffic"})
        QTest::newRow(window) << QString::fromLatin1(window);
}

void tst_AllViews::everyControlHasAnAccessibleName()
{
    QFETCH(QString, window);
    Program p(window == QLatin1String("views") || window == QLatin1String("frmEdit"));
    QStringList unnamed;
    if (window == QLatin1String("views")) {
        for (View v : AllViews)
            unnamed += unnamedControls(p.main.loadedView(v));
    } else if (window == QLatin1String("frmMain")) {
        unnamed = unnamedControls(&p.main);
    } else if (window == QLatin1String("frmStartup")) {
        QVERIFY(p.main.startup()->isVisible());
        unnamed = unnamedControls(p.main.startup());
    } else if (window == QLatin1String("frmHelp")) {
        p.main.findChild<QAction*>("mnuLVMonHelp")->trigger();
        unnamed = unnamedControls(p.main.findChild<HelpWindow*>());
    } else if (window == QLatin1String("traffic")) {
        unnamed = unnamedControls(p.main.showView(View::Traffic));
    } else if (window == QLatin1String("frmEdit")) {
        p.backend->deliver(message(4, fixture({})));
        auto* fixtures = static_cast<frmFixtures2*>(p.main.loadedView(View::Fixtures));
        emit fixtures->grid()->cellSelected(fixtures->FixtureRow(0) + 1, 2);
        QVERIFY(fixtures->editDialog() && fixtures->editDialog()->isVisible());
        unnamed = unnamedControls(fixtures->editDialog());
    } else {
        bool shown = false;
        QTimer::singleShot(0, [&] {
            auto* box = p.main.findChild<QMessageBox*>("aboutBox");
            shown = box && box->isVisible();
            if (box) {
                unnamed = unnamedControls(box);
                box->accept();
            }
        });
        p.main.findChild<QAction*>("mnuAbout")->trigger();
        QVERIFY(shown);
    }
    QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join(QStringLiteral(", ")) +
                                           QStringLiteral(" without an accessible name")));
}

// Closing a view must give back everything it took: a user who opens and closes windows all
// evening must not see the program grow or slow down.
void tst_AllViews::reopeningViewsLeavesNothingBehind()
{
    Program p;
    const auto cycle = [&p] {
        for (View v : AllViews)
            p.main.loadedView(v)->subWindow()->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        for (View v : AllViews)
            p.main.showView(v);
        QCoreApplication::processEvents();
    };
    for (int i = 0; i < 5; ++i) // caches and pools settle first
        cycle();
    const int objects = liveObjects(qApp) + int(QApplication::allWidgets().size());
    const qint64 heap = heapInUse();
    constexpr int Cycles = 60;
    for (int i = 0; i < Cycles; ++i)
        cycle();
    QCOMPARE(liveObjects(qApp) + int(QApplication::allWidgets().size()), objects);
    // A frame left behind per opening cost about 2 KB each in the style's cache; what is left
    // now is allocator noise.
    const qint64 perCycle = (heapInUse() - heap) / (Cycles * qint64(std::size(AllViews)));
    QVERIFY2(perCycle < 512,
             qPrintable(QStringLiteral("%1 bytes more per view opened and closed").arg(perCycle)));
}

QTEST_MAIN(tst_AllViews)
#include "tst_allviews.moc"
