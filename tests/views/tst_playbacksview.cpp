// The playbacks window through the receive path: the fader columns and how a memory reads, the
// layouts of the page changes, and the requests it sends.

#include "Rig.h"
#include "views/playbacks/frmPlaybacks.h"

using namespace Payloads;
using View = ViewId;
using Messages = QList<QByteArray>;

namespace {

QList<QByteArray> requests(int first, int last)
{
    QList<QByteArray> out;
    for (int p = first; p <= last; ++p)
        out << bytes({0xA5, 0x13, p});
    return out;
}

} // namespace

class tst_PlaybacksView : public QObject
{
    Q_OBJECT
private slots:
    void faderColumnShowsTheMemory_data();
    void faderColumnShowsTheMemory();
    void pageChangesSwitchLayoutAndAskForTheFaders_data();
    void pageChangesSwitchLayoutAndAskForTheFaders();
};

void tst_PlaybacksView::faderColumnShowsTheMemory_data()
{
    QTest::addColumn<Messages>("messages");
    QTest::addColumn<int>("playback");
    QTest::addColumn<QStringList>("cells");
    const auto data = [](int p, int type, int page, int num, int level) {
        return Messages{message(19, playback(p, type, page, num, level))};
    };
    const QString name = QString::fromLatin1(field("Memory", 16));
    QTest::newRow("scene") << data(0, 1, 0, 0, 0) << 0 << QStringList{"Scene 1 Page 1", name, "0%"};
    QTest::newRow("chase") << data(7, 3, 2, 9, 127) << 7
                           << QStringList{"Chase 10 Page 3", name, "50%"};
    QTest::newRow("last preset page")
        << data(8, 2, 23, 0, 1) << 8 << QStringList{"Preset 1 Page 24", name, "0%"};
    QTest::newRow("factory preset F1")
        << data(9, 2, 24, 4, 254) << 9 << QStringList{"F. Preset 5 Page F1", name, "100%"};
    QTest::newRow("show") << data(15, 4, 3, 1, 2) << 15 << QStringList{"Show 2 Page 4", name, "1%"};
    QTest::newRow("type 5, level to 200")
        << data(12, 5, 0, 0, 0) + Messages{message(20, bytes({12, 200}))} << 12
        << QStringList{"?", name, "78%"};
    QTest::newRow("unassigned after a memory")
        << data(2, 1, 0, 0, 200) + Messages{message(19, bytes({2, 0}) + QByteArray(21, '\0'))} << 2
        << QStringList{"", "", ""};
}

void tst_PlaybacksView::faderColumnShowsTheMemory()
{
    QFETCH(Messages, messages);
    QFETCH(int, playback);
    QFETCH(QStringList, cells);
    Rig rig;
    auto* view = rig.open<frmPlaybacks>(View::Playbacks);
    for (const QByteArray& m : messages)
        rig.say(m);
    view->UpdatePlayback(16); // out of range: nothing
    // Playback p is column p + 1 of the playback faders or p - 7 of the flex faders; every other
    // cell of both grids stays empty.
    QStringList expected(24), empty(24);
    for (int r = 0; r < 3; ++r)
        expected[r * 8 + playback % 8] = cells[r];
    QCOMPARE(texts(*view->findChild<Grid*>("grdPB")), playback < 8 ? expected : empty);
    QCOMPARE(texts(*view->findChild<Grid*>("grdFlexPB")), playback < 8 ? empty : expected);
}

void tst_PlaybacksView::pageChangesSwitchLayoutAndAskForTheFaders_data()
{
    QTest::addColumn<Messages>("messages");
    QTest::addColumn<bool>("flexShown");
    QTest::addColumn<QList<QByteArray>>("written"); // after A5 15 FF at opening
    const auto page = [](int bank, int number) { return message(21, bytes({bank, number})); };
    QTest::newRow("playback page") << Messages{page(0, 5)} << false << requests(0, 7);
    QTest::newRow("flex page") << Messages{page(1, 2)} << true << requests(8, 15);
    QTest::newRow("flex page, then none")
        << Messages{page(1, 2), page(1, 0xFF)} << false << requests(8, 15);
    QTest::newRow("cut short") << Messages{message(21, bytes({1}))} << false << QList<QByteArray>{};
    QTest::newRow("level 0 asks again")
        << Messages{message(20, bytes({3, 0}))} << false << requests(3, 3);
    QTest::newRow("level 1") << Messages{message(20, bytes({3, 1}))} << false
                             << QList<QByteArray>{};
}

void tst_PlaybacksView::pageChangesSwitchLayoutAndAskForTheFaders()
{
    QFETCH(Messages, messages);
    QFETCH(bool, flexShown);
    QFETCH(QList<QByteArray>, written);
    Rig rig;
    auto* view = rig.open<frmPlaybacks>(View::Playbacks);
    auto* pb = view->findChild<Grid*>("grdPB");
    auto* flex = view->findChild<Grid*>("grdFlexPB");
    for (const QByteArray& m : messages)
        rig.say(m);
    QCOMPARE(rig.writes(), QList<QByteArray>{bytes({0xA5, 0x15, 0xFF})} + written);
    // The playback faders sit below the flex faders while those show, in their place otherwise.
    QCOMPARE(flex->isVisible(), flexShown);
    QVERIFY(pb->isVisible());
    QCOMPARE(pb->x(), flex->x());
    QCOMPARE(pb->y() > flex->geometry().bottom(), flexShown);
    QCOMPARE(pb->y() == flex->y(), !flexShown);
}

QTEST_MAIN(tst_PlaybacksView)
#include "tst_playbacksview.moc"
