#include "controls/DirectRepaint.h"
#include "controls/ViewFrame.h"

#include <QLabel>
#include <QMdiArea>
#include <QScreen>
#include <QTest>

namespace {

// Counts the requests to repaint a window later, the widgets' usual way.
class LaterRepaints : public QObject
{
public:
    int count = 0;
    bool eventFilter(QObject*, QEvent* event) override
    {
        count += event->type() == QEvent::UpdateRequest;
        return false;
    }
};

QImage onScreen(QWidget* widget)
{
    const QPoint at = widget->mapTo(widget->window(), QPoint());
    return widget->screen()
        ->grabWindow(widget->window()->winId(), at.x(), at.y(), widget->width(), widget->height())
        .toImage();
}

} // namespace

class tst_ViewFrame : public QObject
{
    Q_OBJECT
private slots:
    void aCaptionChangedInABurstIsPaintedWithIt_data();
    void aCaptionChangedInABurstIsPaintedWithIt();
};

void tst_ViewFrame::aCaptionChangedInABurstIsPaintedWithIt_data()
{
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("after");
    QTest::addColumn<bool>("inBurst");
    QTest::newRow("longer") << "Show List - A"
                            << "Show List - Warm front, second act" << true;
    QTest::newRow("shorter") << "Show List - Warm front, second act"
                             << "Show List - B" << true;
    QTest::newRow("outside a burst") << "Show List - A"
                                     << "Show List - B" << false;
}

// The caption shows at the end of the burst that changed it, with nothing left for a later
// turn of the event loop, and looks just as a repaint of the whole frame draws it.
void tst_ViewFrame::aCaptionChangedInABurstIsPaintedWithIt()
{
    QFETCH(QString, before);
    QFETCH(QString, after);
    QFETCH(bool, inBurst);
    QMdiArea area;
    area.resize(600, 400);
    auto* frame = new ViewFrame;
    auto* view = new QLabel(QStringLiteral("view"));
    frame->setWidget(view);
    area.addSubWindow(frame);
    frame->setGeometry(20, 20, 300, 200);
    view->setWindowTitle(before);
    area.show();
    QVERIFY(QTest::qWaitForWindowExposed(&area));
    QCoreApplication::processEvents();
    LaterRepaints later;
    area.installEventFilter(&later);

    if (inBurst)
        DirectRepaint::beginBatch();
    view->setWindowTitle(after);
    if (inBurst)
        DirectRepaint::endBatch();
    QCOMPARE(frame->windowTitle(), after);
    const QImage atBurstEnd = onScreen(frame);
    QCoreApplication::processEvents();
    QCOMPARE(later.count, inBurst ? 0 : 1);
    const QImage settled = onScreen(frame);
    frame->repaint();
    QCOMPARE(settled, onScreen(frame));
    if (inBurst)
        QCOMPARE(atBurstEnd, settled);
}

QTEST_MAIN(tst_ViewFrame)
#include "tst_viewframe.moc"
