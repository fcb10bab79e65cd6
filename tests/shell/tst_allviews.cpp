// Every view open at once in the real main window: a hostile stream through the receive path
// must leave each of them working, and every control a user can reach has a name a screen reader
// can announce.

#include "Payloads.h"
#include "RandomStream.h"
#include "controls/Grid.h"
#include "link/FakeSerialBackend.h"
#include "shell/MonitorView.h"
#include "shell/frmMain.h"

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QComboBox>
#include <QFile>
#include <QMdiSubWindow>
#include <QTest>

#if defined(__SANITIZE_ADDRESS__)
extern "C" size_t __sanitizer_get_current_allocated_bytes();
#else
#include <malloc.h>
#endif

using namespace Payloads;
using View = SessionHost::View;

namespace {

constexpr View AllViews[] = {View::Fixtures, View::Dimmers, View::Playbacks,
                             View::Page,     View::Scene,   View::Show};

struct Program
{
    FakeSerialBackend* backend = new FakeSerialBackend;
    frmMain main{std::unique_ptr<SerialBackend>(backend)};

    Program()
    {
        QFile::remove(qEnvironmentVariable("LVMONITOR_SETTINGS"));
        main.resize(1400, 900);
        main.show();
        main.MSComm1().setPortOpen(true);
        main.receiver().RxState = Receiver::Hunting;
        main.MSComm1().setRThreshold(1);
        for (View v : AllViews)
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

QByteArray showList(const QByteArray& name, int steps)
{
    QByteArray p = bytes({4, 1}) + field(name, 16);
    p.append(char(steps));
    for (int k = 0; k < steps; ++k)
        p += bytes({k, 0}) + field("Scene", 16);
    return p;
}

// Inner widgets of a grid, a combo box or a text box belong to the control, which carries the name.
bool isPartOfAControl(const QWidget* w, const QWidget* view)
{
    for (const QWidget* p = w->parentWidget(); p && p != view; p = p->parentWidget())
        if (qobject_cast<const QComboBox*>(p) || qobject_cast<const QAbstractScrollArea*>(p))
            return true;
    return false;
}

} // namespace

class tst_AllViews : public QObject
{
    Q_OBJECT
private slots:
    void randomStreamLeavesEveryViewWorking();
    void everyControlHasAnAccessibleName();
    void reopeningViewsLeavesNothingBehind();
};

void tst_AllViews::randomStreamLeavesEveryViewWorking()
{
    Program p;
    for (View v : AllViews)
        QVERIFY2(p.main.loadedView(v), "a view is missing from this build");
    RandomStream stream(1206);
    QByteArray chunk;
    for (int i = 0; i < 20000; ++i) {
        chunk += stream.next();
        if (chunk.size() > 4096 || i == 19999) {
            stream.deliverInPieces(chunk,
                                   [&](const QByteArray& piece) { p.backend->deliver(piece); });
            chunk.clear();
            p.backend->clearWrites();
            QCoreApplication::processEvents(); // paint what came, as the event loop would
        }
    }
    // A run of zeros ends any payload in progress; the views still follow the console.
    p.backend->deliver(QByteArray(70000, '\0') +
                       message(17, dimmer(100, true, 1500, "After the storm", 0)) +
                       message(22, showList("Still here", 2)) + message(24, bytes({4, 1, 1})));
    QCOMPARE(p.main.receiver().RxState, qint16(Receiver::Hunting));
    QCOMPARE(p.main.loadedView(View::Show)->windowTitle(),
             QStringLiteral("Show List - Still here      "));
    Grid* steps = p.main.loadedView(View::Show)->findChild<Grid*>(QStringLiteral("grdShow"));
    QVERIFY(steps);
    QCOMPARE(steps->rows(), 2);
    QCOMPARE(steps->cellText(2, 1), QStringLiteral(">"));
    for (View v : AllViews)
        QVERIFY(p.main.loadedView(v)->isVisible());
}

void tst_AllViews::everyControlHasAnAccessibleName()
{
    Program p;
    for (View v : AllViews) {
        MonitorView* view = p.main.loadedView(v);
        QVERIFY(view);
        for (QWidget* w : view->findChildren<QWidget*>()) {
            const bool interactive =
                qobject_cast<QAbstractButton*>(w) || qobject_cast<QComboBox*>(w) ||
                qobject_cast<Grid*>(w) ||
                (qobject_cast<QAbstractScrollArea*>(w) && w->focusPolicy() != Qt::NoFocus);
            if (!interactive || !w->isVisibleTo(view) || isPartOfAControl(w, view))
                continue;
            // A screen reader announces the accessible name, or a button's caption.
            const auto* button = qobject_cast<QAbstractButton*>(w);
            QString name = !w->accessibleName().isEmpty() ? w->accessibleName()
                           : button                       ? button->text()
                                                          : QString();
            QVERIFY2(!name.remove(QLatin1Char('&')).trimmed().isEmpty(),
                     qPrintable(view->objectName() + QLatin1Char('.') + w->objectName() + " (" +
                                w->metaObject()->className() + ") has no accessible name"));
        }
    }
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
    for (int i = 0; i < 20; ++i) // caches and pools settle first
        cycle();
    const int objects = liveObjects(qApp) + int(QApplication::allWidgets().size());
    const qint64 heap = heapInUse();
    for (int i = 0; i < 500; ++i)
        cycle();
    QCOMPARE(liveObjects(qApp) + int(QApplication::allWidgets().size()), objects);
    // A frame left behind per opening cost about 2 KB each in the style's cache; what is left
    // now is allocator noise of a few dozen bytes.
    const qint64 perCycle = (heapInUse() - heap) / (500 * qint64(std::size(AllViews)));
    QVERIFY2(perCycle < 128,
             qPrintable(QStringLiteral("%1 bytes more per view opened and closed").arg(perCycle)));
}

QTEST_MAIN(tst_AllViews)
#include "tst_allviews.moc"
