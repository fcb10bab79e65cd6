#include "EventCounter.h"
#include "controls/DirectRepaint.h"
#include "controls/StatusField.h"
#include "controls/SubWindowCaption.h"

#include <QMdiArea>
#include <QMdiSubWindow>

#include <QScreen>
#include <QTest>

class tst_BurstPainted : public QObject
{
    Q_OBJECT
private slots:
    void aTextSetInABurstIsPaintedWithItAsALabelWouldShowIt_data();
    void aTextSetInABurstIsPaintedWithItAsALabelWouldShowIt();
    void aCaptionSetInABurstIsPaintedWithIt_data();
    void aCaptionSetInABurstIsPaintedWithIt();

private:
    static QImage onScreen(QWidget* widget, QRect rect = {})
    {
        if (rect.isNull())
            rect = widget->rect();
        const QPoint at = widget->mapTo(widget->window(), rect.topLeft());
        return widget->screen()
            ->grabWindow(widget->window()->winId(), at.x(), at.y(), rect.width(), rect.height())
            .toImage()
            .convertToFormat(QImage::Format_RGB32);
    }
};

void tst_BurstPainted::aTextSetInABurstIsPaintedWithItAsALabelWouldShowIt_data()
{
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("after");
    QTest::addColumn<int>("alignment");
    QTest::newRow("count grows") << "999 messages"
                                 << "1000 messages" << int(Qt::AlignLeft);
    QTest::newRow("shorter") << "last 12 s ago"
                             << "last under 1 s ago" << int(Qt::AlignLeft);
    QTest::newRow("emptied") << "standard format"
                             << "" << int(Qt::AlignLeft);
    QTest::newRow("too long for the field")
        << "x"
        << "Reconnecting\u2026 Reconnecting\u2026 Reconnecting\u2026" << int(Qt::AlignLeft);
    QTest::newRow("right aligned") << "1 message"
                                   << "2 messages" << int(Qt::AlignRight | Qt::AlignVCenter);
}

// A field changed during a burst posts no repaint of its own; it then shows what a repaint of
// the whole field shows, which is what a label of the same frame and text shows.
void tst_BurstPainted::aTextSetInABurstIsPaintedWithItAsALabelWouldShowIt()
{
    QFETCH(QString, before);
    QFETCH(QString, after);
    QFETCH(int, alignment);
    QWidget window;
    window.resize(400, 60);
    StatusField field(&window);
    field.setGeometry(10, 10, 150, 24);
    field.setAlignment(Qt::Alignment(alignment));
    field.showText(before);
    QLabel label(&window);
    label.setFrameShape(QFrame::StyledPanel);
    label.setFrameShadow(QFrame::Sunken);
    label.setAutoFillBackground(true);
    label.setGeometry(200, 10, 150, 24);
    label.setAlignment(Qt::Alignment(alignment));
    label.setText(after);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCoreApplication::processEvents();
    EventCounter later(QEvent::UpdateRequest); // repaints posted for later
    window.installEventFilter(&later);

    {
        const DirectRepaint::Batch burst;
        field.showText(after);
        field.showText(after); // the same text again changes nothing
    }
    QCOMPARE(field.text(), after);
    const QImage burstPainted = onScreen(&field);
    QCoreApplication::processEvents();
    QCOMPARE(later.count, 0);
    QCOMPARE(burstPainted, onScreen(&label));
    field.repaint();
    QCOMPARE(burstPainted, onScreen(&field));
}

void tst_BurstPainted::aCaptionSetInABurstIsPaintedWithIt_data()
{
    QTest::addColumn<QString>("title");
    QTest::addColumn<bool>("active");
    QTest::addColumn<bool>("activationMoves"); // between the captions, to the other sub-window
    QTest::newRow("active") << "Show List - Finale show" << true << false;
    QTest::newRow("behind another") << "Show List - Act one" << false << false;
    QTest::newRow("too long for the bar")
        << "Show List - a show whose name runs on past the end of the title bar" << true << false;
    QTest::newRow("put behind between captions") << "Show List - Act two" << true << true;
    QTest::newRow("brought to the front between captions")
        << "Show List - Act three" << false << true;
}

// A view's caption changed during a burst posts no repaint of its sub-window; the title bar then
// shows what a repaint of the whole sub-window shows, also when a caption comes round again.
void tst_BurstPainted::aCaptionSetInABurstIsPaintedWithIt()
{
    QFETCH(QString, title);
    QFETCH(bool, active);
    QFETCH(bool, activationMoves);
    QMdiArea area;
    area.resize(600, 400);
    auto* view = new QWidget;
    view->setWindowTitle(QStringLiteral("Show List"));
    QMdiSubWindow* frame = area.addSubWindow(view);
    frame->setGeometry(10, 10, 300, 200);
    QMdiSubWindow* other = area.addSubWindow(new QWidget);
    other->setGeometry(320, 10, 200, 200);
    area.show();
    QVERIFY(QTest::qWaitForWindowExposed(&area));
    area.setActiveSubWindow(active ? frame : other);
    QTest::qWait(20);
    EventCounter later(QEvent::UpdateRequest); // repaints posted for later
    area.installEventFilter(&later);
    const QRect bar(0, 0, frame->width(), view->y());

    // Shows come round again: the second time a caption is painted from what was kept, unless
    // the activation moved in between.
    const QString captions[] = {title, QStringLiteral("Show List - Interval"), title,
                                QStringLiteral("Show List - Interval")};
    QList<QImage> burstPainted;
    EventCounter styled(QEvent::Paint);
    frame->installEventFilter(&styled);
    for (const QString& caption : captions) {
        styled.count = 0;
        {
            const DirectRepaint::Batch burst;
            SubWindowCaption::set(view, caption);
        }
        QCOMPARE(frame->windowTitle(), caption);
        QCOMPARE(styled.count, burstPainted.size() < 2 || activationMoves ? 1 : 0);
        burstPainted.append(onScreen(frame, bar));
        QCoreApplication::processEvents();
        QCOMPARE(later.count, 0);
        if (activationMoves && burstPainted.size() == 2) {
            area.setActiveSubWindow(active ? other : frame);
            QTest::qWait(20);
            later.count = 0;
        }
    }
    // What a repaint of the whole sub-window shows with each caption.
    for (qsizetype i = 2; i < 4; ++i) {
        view->setWindowTitle(captions[i]);
        frame->repaint();
        QCOMPARE(burstPainted[i], onScreen(frame, bar));
        if (!activationMoves)
            QCOMPARE(burstPainted[i - 2], burstPainted[i]);
    }
}

QTEST_MAIN(tst_BurstPainted)
#include "tst_burstpainted.moc"
