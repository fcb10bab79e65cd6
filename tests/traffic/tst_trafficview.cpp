// The traffic view: a flooded line keeps the list at its last 10,000 lines; Pause holds the list
// while lines go on being gathered; the filter shows one direction or one kind; Save writes the
// lines shown; a closed view watches no more, and the view and the port may go in either order.

#include "Payloads.h"
#include "ViewHarness.h"
#include "link/Commands.h"
#include "views/traffic/TrafficModel.h"
#include "views/traffic/TrafficView.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QRegularExpression>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

using Payloads::bytes;
using Payloads::message;

namespace {

struct Watched
{
    ViewHarness link;
    TrafficView view{link.context()};
    Watched() { link.port.setPortOpen(true); }

    int shown() const { return view.findChild<QTableView*>("grdTraffic")->model()->rowCount(); }
    QString lastDecoded()
    {
        TrafficModel& m = view.model();
        return m.line(m.rowCount() - 1).decoded;
    }
};

} // namespace

class tst_TrafficView : public QObject
{
    Q_OBJECT
private slots:
    void floodedLineKeepsTheLastLines();
    void pauseHoldsTheListAndResumeShowsWhatCame();
    void filterShowsOneDirectionOrOneKind_data();
    void filterShowsOneDirectionOrOneKind();
    void saveWritesTheLinesShown();
    void aClosedViewWatchesNoMore();
};

void tst_TrafficView::floodedLineKeepsTheLastLines()
{
    Watched w;
    // 25,000 DMX levels in bursts of 50, shown in batches as the timer would.
    int sent = 0;
    for (int burst = 0; burst < 500; ++burst) {
        QByteArray chunk;
        for (int i = 0; i < 50; ++i, ++sent)
            chunk += message(9, bytes({sent & 0xFF, (sent >> 8) & 0x03, sent % 251}));
        w.link.feed(chunk);
        if (burst % 7 == 0)
            w.view.showNewLines();
    }
    w.view.showNewLines();
    QCOMPARE(w.view.model().rowCount(), TrafficModel::Capacity);
    QCOMPARE(w.shown(), TrafficModel::Capacity);
    const int last = sent - 1;
    QVERIFY2(w.lastDecoded().endsWith(QStringLiteral("level %1").arg(last % 251)),
             qPrintable(w.lastDecoded()));
    const int first = sent - TrafficModel::Capacity;
    QVERIFY(w.view.model().line(0).decoded.endsWith(QStringLiteral("level %1").arg(first % 251)));
}

void tst_TrafficView::pauseHoldsTheListAndResumeShowsWhatCame()
{
    Watched w;
    w.link.feed(message(18, bytes({1, 2})));
    w.view.showNewLines();
    QCOMPARE(w.shown(), 1);
    auto* pause = w.view.findChild<QAbstractButton*>("cmdPause");
    pause->click();
    w.link.feed(message(18, bytes({1, 3})) + message(18, bytes({1, 4})));
    w.view.showNewLines();
    QCOMPARE(w.shown(), 1);
    pause->click();
    QCOMPARE(w.shown(), 3);
    QVERIFY(w.lastDecoded().contains(QStringLiteral("level 4")));
    w.view.findChild<QAbstractButton*>("cmdClear")->click();
    QCOMPARE(w.shown(), 0);
}

void tst_TrafficView::filterShowsOneDirectionOrOneKind_data()
{
    QTest::addColumn<QString>("direction");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("rowsLater"); // once a page step and a DMX level more have come
    const QString any = QStringLiteral("All kinds");
    QTest::newRow("everything") << "Both directions" << any << 6 << 8;
    QTest::newRow("from the console") << "console \u2192 PC" << any << 4 << 5;
    QTest::newRow("to the console") << "PC \u2192 console" << any << 2 << 3;
    QTest::newRow("DMX levels") << "Both directions"
                                << "9 DMX level" << 2 << 3;
    QTest::newRow("page steps") << "Both directions"
                                << "A5 0D page step" << 1 << 2;
    QTest::newRow("skipped bytes, either way") << "Both directions"
                                               << "skipped bytes" << 2 << 2;
    QTest::newRow("a kind and the other direction") << "PC \u2192 console"
                                                    << "9 DMX level" << 0 << 0;
}

void tst_TrafficView::filterShowsOneDirectionOrOneKind()
{
    QFETCH(QString, direction);
    QFETCH(QString, kind);
    QFETCH(int, rows);
    QFETCH(int, rowsLater);
    Watched w;
    w.link.port.Output(Commands::PageDown());
    w.link.port.Output(bytes({0x00}));
    w.link.feed(bytes({0x33}) + Payloads::dmxLevel(5, 1) + message(18, bytes({1, 2})) +
                Payloads::dmxLevel(6, 1));
    w.view.showNewLines();
    auto* directions = w.view.findChild<QComboBox*>("cboDirection");
    auto* kinds = w.view.findChild<QComboBox*>("cboKind");
    QVERIFY(directions->findText(direction) >= 0);
    QVERIFY(kinds->findText(kind) >= 0);
    directions->setCurrentIndex(directions->findText(direction));
    kinds->setCurrentIndex(kinds->findText(kind));
    QCOMPARE(w.shown(), rows);
    // New lines are filtered as they come.
    w.link.port.Output(Commands::PageDown());
    w.link.feed(Payloads::dmxLevel(7, 1));
    w.view.showNewLines();
    QCOMPARE(w.shown(), rowsLater);
}

void tst_TrafficView::saveWritesTheLinesShown()
{
    Watched w;
    w.link.port.Output(Commands::PageDown());
    w.link.feed(message(18, bytes({1, 2})));
    w.view.showNewLines();
    auto* directions = w.view.findChild<QComboBox*>("cboDirection");
    directions->setCurrentIndex(directions->findText(QStringLiteral("PC \u2192 console")));
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("traffic.txt"));
    QString error;
    QVERIFY2(w.view.saveTo(file, &error), qPrintable(error));
    QFile in(file);
    QVERIFY(in.open(QIODevice::ReadOnly | QIODevice::Text));
    const QStringList lines = QString::fromUtf8(in.readAll()).split(QLatin1Char('\n'));
    QCOMPARE(lines.size(), 3);
    QCOMPARE(lines[0], QStringLiteral("Time\tDirection\tKind\tLength\tPayload\tFields"));
    // The date and the time of day, to the millisecond.
    QVERIFY2(
        QRegularExpression(QStringLiteral("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\.\\d{3}\t"))
            .match(lines[1])
            .hasMatch(),
        qPrintable(lines[1]));
    QVERIFY(lines[1].endsWith(
        QStringLiteral("\tPC \u2192 console\tA5 0D page step\t1\t00\tpage down")));
    QVERIFY(!w.view.saveTo(dir.filePath(QStringLiteral("no/such/folder.txt")), &error));
    QVERIFY2(error.contains(QStringLiteral("Choose a folder")), qPrintable(error));
}

void tst_TrafficView::aClosedViewWatchesNoMore()
{
    ViewHarness link;
    link.port.setPortOpen(true);
    // Closing its sub-window deletes the view, and with it the watching: what crosses reaches
    // no view that is gone.
    QMdiArea area;
    QPointer<TrafficView> shown = new TrafficView(link.context());
    area.addSubWindow(shown)->show();
    shown->parentWidget()->close();
    shown->deleteLater(); // as the main window does when a view closes
    QTRY_VERIFY(shown.isNull());
    link.feed(message(18, bytes({1, 2})));
    link.port.Output(Commands::PageDown());
}

QTEST_MAIN(tst_TrafficView)
#include "tst_trafficview.moc"
