#include "Encoder.h"
#include "Rig.h"

#include <QTest>

// Each message's header must announce exactly the payload that follows, and each payload must
// have the size its layout gives; otherwise the program's framing slips from that message on.
class tst_Encoder : public QObject
{
    Q_OBJECT
private slots:
    void lengthFieldMatchesLayoutSize_data();
    void lengthFieldMatchesLayoutSize();
};

void tst_Encoder::lengthFieldMatchesLayoutSize_data()
{
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<int>("layoutSize");

    // Fixtures, profiles and dimmers go through the data load, which the end-to-end link test
    // compares with the rig field by field; the rest only reach a program when a view asks.
    for (quint32 seed : {1u, 7u}) {
        const Rig rig(seed);
        for (bool ext : {false, true})
            QTest::addRow("seed %u scene events ext %d", seed, ext)
                << Encoder::sceneEvents(rig.sceneEvents(ext), ext)
                << (ext ? 5 * 6 + 11 * 2 + 8 + 5 + 1 + 7 * 2 + 1
                        : 3 * 6 + 9 * 2 + 6 + 12 + 1 + 6 * 2 + 1);
        for (int n = 0; n < Rig::PlaybackCount; ++n)
            QTest::addRow("seed %u playback %d", seed, n)
                << Encoder::playbackData(n, rig.playback(n)) << 23;
        for (quint8 kind = 0; kind <= 7; ++kind) {
            const RigPage page = rig.page(kind, 0, 2);
            QTest::addRow("seed %u page kind %d", seed, kind)
                << Encoder::pageContents(page)
                << 5 + Rig::entriesPerPage(kind) * Rig::nameLength(kind);
        }
        for (const RigShow& s : rig.shows())
            QTest::addRow("seed %u show %d/%d", seed, s.number, s.page)
                << Encoder::showList(&s) << 19 + 18 * int(s.steps.size());
    }
    QTest::newRow("no such show") << Encoder::showList(nullptr) << 1;
    QTest::newRow("page selection") << Encoder::pageSelection(PageNone, 3) << 2;
    QTest::newRow("dmx level") << Encoder::dmxLevel(300, 0x80) << 3;
    QTest::newRow("show step") << Encoder::showStep(0, 0, 1) << 3;
}

void tst_Encoder::lengthFieldMatchesLayoutSize()
{
    QFETCH(QByteArray, payload);
    QFETCH(int, layoutSize);
    QCOMPARE(payload.size(), layoutSize);
    const QByteArray framed = Encoder::frame(0x04, payload);
    QCOMPARE(quint8(framed.at(0)), quint8(0xA5));
    QCOMPARE(quint8(framed.at(2)) + 256 * quint8(framed.at(3)), int(payload.size()));
    QCOMPARE(framed.mid(4), payload);
}

QTEST_GUILESS_MAIN(tst_Encoder)
#include "tst_Encoder.moc"
