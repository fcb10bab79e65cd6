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

    for (quint32 seed : {1u, 7u}) {
        const Rig rig(seed);
        for (bool ext : {false, true}) {
            for (int n = 0; n < Rig::FixtureCount; ++n) {
                const RigFixture& f = rig.fixture(n);
                const int names = f.isEmpty() ? 0 : int(f.channelNames.size());
                QTest::addRow("seed %u fixture %d ext %d", seed, n, ext)
                    << Encoder::fixtureData(n, f, ext) << (ext ? 63 : 62) + 8 * names;
            }
            QTest::addRow("seed %u scene events ext %d", seed, ext)
                << Encoder::sceneEvents(rig.sceneEvents(ext), ext)
                << (ext ? 5 * 6 + 11 * 2 + 8 + 5 + 1 + 7 * 2 + 1
                        : 3 * 6 + 9 * 2 + 6 + 12 + 1 + 6 * 2 + 1);
        }
        for (const RigProfile& p : rig.profiles()) {
            int steps = 0;
            for (const ProfileChannel& c : p.channels)
                steps += int(c.steps.size());
            QTest::addRow("seed %u profile %d", seed, p.number)
                << Encoder::profileData(p) << 202 + 8 * int(p.channels.size()) + 11 * steps;
        }
        for (int n = 0; n < Rig::DimmerCount; n += 9)
            QTest::addRow("seed %u dimmer %d", seed, n)
                << Encoder::dimmerData(n, rig.dimmer(n)) << 24;
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
    QTest::newRow("console info") << Encoder::consoleInfo(true) << 4;
    QTest::newRow("page selection") << Encoder::pageSelection(PageNone, 3) << 2;
    QTest::newRow("channel value") << Encoder::channelValue(1, 2, 3) << 3;
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
