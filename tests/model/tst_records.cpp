// The records: how each console payload unpacks, what a short or oversized payload does, and how
// live values are named through profiles.

#include "Payloads.h"
#include "model/AnsiText.h"
#include "model/Dimmer.h"
#include "model/Fixture.h"
#include "model/Playback.h"
#include "model/Profile.h"

#include <QTest>

using namespace Payloads;

class tst_Records : public QObject
{
    Q_OBJECT

private slots:
    void ansiTextKeepsEveryByteAsOneCharacter_data();
    void ansiTextKeepsEveryByteAsOneCharacter();

    void fixtureEmptySlotChangesOnlyTypeAndCopy();
    void fixtureLayoutEdges_data();
    void fixtureLayoutEdges();
    void fixtureShortOrOversizedPayloadStaysInBounds_data();
    void fixtureShortOrOversizedPayloadStaysInBounds();

    void valueNames_data();
    void valueNames();
    void valueNamesFollowNewProfileData();

    void profileEdges_data();
    void profileEdges();

    void dimmerUnpacks_data();
    void dimmerUnpacks();
    void playbackUnpacks_data();
    void playbackUnpacks();
};

void tst_Records::ansiTextKeepsEveryByteAsOneCharacter_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::newRow("nul kept") << bytes({'A', 0, 'B', 0}) << QString::fromUtf16(u"A\0B\0", 4);
    QTest::newRow("euro and quotes") << bytes({0x80, 0x93, 0x94}) << QStringLiteral("€“”");
    QTest::newRow("unassigned byte") << bytes({0x81}) << QString(QChar(0x81));
    QTest::newRow("latin-1 half") << bytes({0xE9, 0xFF}) << QStringLiteral("éÿ");
}

void tst_Records::ansiTextKeepsEveryByteAsOneCharacter()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QCOMPARE(AnsiText::decode(bytes, 0, bytes.size()), text);
    // Reading past the end gives only what is there.
    QCOMPARE(AnsiText::decode(bytes, 0, bytes.size() + 10), text);
}

void tst_Records::fixtureEmptySlotChangesOnlyTypeAndCopy()
{
    Fixture f;
    f.UnpackFixtData(fixture({}), false);
    f.UpdateFxChnlVal(1, 99, {});
    QByteArray empty = fixture({});
    empty[1] = 0;
    empty[5] = 50;
    empty.replace(13, 4, "XXXX");
    f.UnpackFixtData(empty, false);
    QCOMPARE(f.FixtType(), quint8(0));
    QCOMPARE(f.DmxAddr(), qint16(1));
    QCOMPARE(f.FixtName().left(4), QStringLiteral("Spot"));
    QCOMPARE(f.ChName(0), QStringLiteral("Pan     "));
    QCOMPARE(f.chval(1), quint8(99));
    QCOMPARE(f.GetFixtData(), empty);
}

void tst_Records::fixtureLayoutEdges_data()
{
    QTest::addColumn<int>("multi");
    QTest::addColumn<int>("nchnls");
    QTest::addColumn<bool>("extended");
    QTest::addColumn<int>("expectedMulti");
    QTest::addColumn<int>("expectedFMaxCh");
    QTest::newRow("multi 0 reads as 1") << 0 << 5 << false << 1 << 5;
    QTest::newRow("extended format") << 2 << 3 << true << 2 << 6;
    QTest::newRow("32 channels exactly") << 4 << 8 << false << 4 << 32;
    QTest::newRow("more than 32 capped") << 5 << 8 << false << 5 << 32;
    QTest::newRow("255 x 255 capped") << 255 << 255 << false << 255 << 32;
}

void tst_Records::fixtureLayoutEdges()
{
    QFETCH(int, multi);
    QFETCH(int, nchnls);
    QFETCH(bool, extended);
    QFETCH(int, expectedMulti);
    QFETCH(int, expectedFMaxCh);
    FixtureLayout s;
    s.multi = multi;
    s.nchnls = nchnls;
    s.extended = extended;
    s.channelNames = {"One", "Two"};
    Fixture f;
    f.UnpackFixtData(fixture(s), extended);
    QCOMPARE(int(f.Multi()), expectedMulti);
    QCOMPARE(int(f.FMaxCh()), expectedFMaxCh);
    // The extended format's extra byte must not be taken for the name count.
    QCOMPARE(f.ChName(0), QStringLiteral("One     "));
    QCOMPARE(f.ChName(1), QStringLiteral("Two     "));
}

void tst_Records::fixtureShortOrOversizedPayloadStaysInBounds_data()
{
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<QString>("name0");
    QTest::addColumn<QString>("name2");

    const auto row = [](const char* name, const QByteArray& payload, const char* name0,
                        const char* name2) {
        QTest::newRow(name) << payload << QString(field(name0, 8)) << QString(field(name2, 8));
    };
    FixtureLayout four;
    four.channelNames = {"A", "B", "C", "D"};
    const QByteArray full = fixture(four);
    row("names cut mid-way", full.left(full.size() - 4), "A", "C");
    row("no name count", full.left(40), "old", "old");
    row("one byte", full.left(1), "old", "old");
    FixtureLayout one;
    one.channelNames = {"A"};
    row("fewer names than before keep the rest", fixture(one), "A", "old");
    QByteArray manyNames = fixture(four);
    manyNames[61] = char(200); // claims 200 names, holds 4
    row("count beyond payload", manyNames, "A", "C");
    FixtureLayout forty;
    forty.channelNames.clear();
    for (int i = 0; i < 40; ++i)
        forty.channelNames << QByteArray::number(i);
    row("40 names", fixture(forty), "0", "2");
}

void tst_Records::fixtureShortOrOversizedPayloadStaysInBounds()
{
    QFETCH(QByteArray, payload);
    QFETCH(QString, name0);
    QFETCH(QString, name2);
    Fixture f;
    FixtureLayout old;
    old.channelNames = {"old", "old", "old", "old"};
    f.UnpackFixtData(fixture(old), false);
    f.UnpackFixtData(payload, false);
    QCOMPARE(f.ChName(0), name0);
    QCOMPARE(f.ChName(2), name2);
    QCOMPARE(f.ChName(32), QString());
    QVERIFY(f.FMaxCh() <= 32);
}

void tst_Records::valueNames_data()
{
    QTest::addColumn<int>("fixtureType");
    QTest::addColumn<int>("fixtureProfile");
    QTest::addColumn<int>("channel");
    QTest::addColumn<int>("value");
    QTest::addColumn<QString>("name");

    QTest::newRow("start of a step") << 255 << 5 << 0 << 10 << "Open    ";
    QTest::newRow("end of a step") << 255 << 5 << 0 << 20 << "Open    ";
    QTest::newRow("overlap: lower step wins") << 255 << 5 << 0 << 15 << "Open    ";
    QTest::newRow("between steps") << 255 << 5 << 0 << 5 << "";
    QTest::newRow("second step") << 255 << 5 << 0 << 25 << "Strobe  ";
    QTest::newRow("channel without steps") << 255 << 5 << 1 << 10 << "";
    QTest::newRow("flat channel 4 of two 3-channel cells") << 255 << 5 << 4 << 200 << "Cell2Ch1";
    QTest::newRow("library fixture has no names") << 12 << 5 << 0 << 15 << "";
    QTest::newRow("unknown profile") << 255 << 6 << 0 << 15 << "";
    QTest::newRow("first profile with the number wins") << 255 << 9 << 0 << 1 << "First   ";
}

void tst_Records::valueNames()
{
    QFETCH(int, fixtureType);
    QFETCH(int, fixtureProfile);
    QFETCH(int, channel);
    QFETCH(int, value);
    QFETCH(QString, name);

    ProfileList profiles(3);
    profiles[0].DistributeFileData(profile(5, {{{12, 10, 20, "Open"}, {22, 15, 30, "Strobe"}},
                                               {},
                                               {},
                                               {},
                                               {{201, 190, 210, "Cell2Ch1"}}}));
    profiles[1].DistributeFileData(profile(9, {{{0, 0, 5, "First"}}}));
    profiles[2].DistributeFileData(profile(9, {{{0, 0, 5, "Second"}}}));

    FixtureLayout s;
    s.type = fixtureType;
    s.profile = fixtureProfile;
    s.nchnls = 3;
    s.multi = 2;
    Fixture f;
    f.UnpackFixtData(fixture(s), false);
    f.ChValName(qint16(channel), QStringLiteral("stale"));
    f.UpdateFxChnlVal(qint16(channel), quint8(value), profiles);
    QCOMPARE(f.chval(qint16(channel)), quint8(value));
    QCOMPARE(f.ChValName(qint16(channel)), name);
}

void tst_Records::valueNamesFollowNewProfileData()
{
    ProfileList profiles(1);
    profiles[0].DistributeFileData(profile(5, {{{12, 10, 20, "Open"}}}));
    FixtureLayout s;
    s.type = 255;
    s.profile = 5;
    Fixture f;
    f.UnpackFixtData(fixture(s), false);
    f.UpdateFxChnlVal(0, 15, profiles);
    QCOMPARE(f.ChValName(0), QStringLiteral("Open    "));
    // The console sends the profile again with other steps: the next value is named by them.
    profiles[0].DistributeFileData(profile(5, {{{1, 0, 9, "Closed"}, {12, 10, 30, "Wide"}}}));
    f.UpdateFxChnlVal(0, 15, profiles);
    QCOMPARE(f.ChValName(0), QStringLiteral("Wide    "));
    f.UpdateFxChnlVal(0, 31, profiles);
    QCOMPARE(f.ChValName(0), QString());
}

void tst_Records::profileEdges_data()
{
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<int>("channel");
    QTest::addColumn<int>("stepsPer");
    QTest::addColumn<int>("step");
    QTest::addColumn<QString>("stepName");

    // Channel 2's record follows channel 0's directly; a blank name stays blank.
    const QByteArray packed = profile(
        42, {{{1, 0, 9, "A0"}, {11, 10, 19, "A1"}}, {}, {{21, 20, 29, "C0"}}, {{8, 8, 8, "   "}}});
    QTest::newRow("second step") << packed << 0 << 2 << 1 << "A1      ";
    QTest::newRow("channel without steps") << packed << 1 << 0 << 0 << "";
    QTest::newRow("after a channel without steps") << packed << 2 << 1 << 0 << "C0      ";
    QTest::newRow("blank name") << packed << 3 << 1 << 0 << "        ";
    QTest::newRow("channel -1") << packed << -1 << 0 << 0 << "";
    QTest::newRow("step 150") << packed << 0 << 2 << 150 << "";

    // C = 0: counts are taken, no step record is read; the counted steps it did not carry are
    // empty, not left over from the last message.
    QByteArray noChannels = profile(3, {{{1, 1, 1, "x"}}});
    noChannels[31] = 0;
    QTest::newRow("C = 0") << noChannels << 0 << 1 << 0 << "";

    // A channel at or above C keeps its count but no records.
    QByteArray beyondC = profile(3, {{{1, 1, 1, "New"}}});
    beyondC[70 + 5] = 4;
    QTest::newRow("count beyond C") << beyondC << 5 << 4 << 0 << "";

    // 200 steps declared for channel 0: 150 kept, the rest read past so channel 1 lines up.
    QList<Step> many;
    for (int i = 0; i < 200; ++i)
        many.append({i, i, i, QByteArray("S") + QByteArray::number(i)});
    const QByteArray tooMany = profile(3, {many, {{9, 9, 9, "Next"}}});
    QTest::newRow("200 steps: last kept") << tooMany << 0 << 150 << 149 << "S149    ";
    QTest::newRow("200 steps: next channel") << tooMany << 1 << 1 << 0 << "Next    ";

    // Step records cut off: what is whole is taken.
    const QByteArray cut = profile(3, {{{1, 1, 1, "One"}, {2, 2, 2, "Two"}}}).chopped(5);
    QTest::newRow("cut payload") << cut << 0 << 2 << 0 << "One     ";
    QTest::newRow("cut payload, partial record") << cut << 0 << 2 << 1 << "";

    QByteArray hugeC = profile(3, {{{1, 1, 1, "x"}}});
    hugeC[31] = char(250);
    QTest::newRow("C far beyond the payload") << hugeC << 0 << 1 << 0 << "";
}

void tst_Records::profileEdges()
{
    QFETCH(QByteArray, payload);
    QFETCH(int, channel);
    QFETCH(int, stepsPer);
    QFETCH(int, step);
    QFETCH(QString, stepName);
    Profile p;
    QList<Step> old;
    for (int i = 0; i < 3; ++i)
        old.append({0, 0, 0, "old"});
    p.DistributeFileData(profile(3, {old}));
    p.DistributeFileData(payload);
    QCOMPARE(int(p.StepsPer(qint16(channel))), stepsPer);
    QCOMPARE(p.StepName(qint16(channel), qint16(step)), stepName);
}

void tst_Records::dimmerUnpacks_data()
{
    QTest::addColumn<QByteArray>("second");
    QTest::addColumn<bool>("patched");
    QTest::addColumn<int>("address");
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("level");

    QTest::newRow("unpatched keeps the rest")
        << bytes({3, 0, 9, 9, 9, 9, 9}) << false << 513 << "Key light       " << 77;
    QByteArray nul = dimmer(3, true, 20, QByteArray("Fill\0\0\0\0\0\0\0\0\0\0\0\0", 16), 5);
    QTest::newRow("name with NULs")
        << nul << true << 20 << QString::fromUtf16(u"Fill\0\0\0\0\0\0\0\0\0\0\0\0", 16) << 5;
    QTest::newRow("short payload sets what it carries")
        << bytes({3, 1, 0x10, 0}) << true << 16 << "Key light       " << 77;
}

void tst_Records::dimmerUnpacks()
{
    QFETCH(QByteArray, second);
    QFETCH(bool, patched);
    QFETCH(int, address);
    QFETCH(QString, name);
    QFETCH(int, level);
    Dimmer d;
    QByteArray first = dimmer(3, true, 0x0201, "Key light", 77);
    first[5] = char(0x80);
    first[6] = char(0x01);
    d.UnpackDimmerData(first);
    QVERIFY(d.DimmerManual());
    QVERIFY(d.DimmerLatch());
    QCOMPARE(d.DmxAddr(), qint16(513));
    d.UnpackDimmerData(second);
    QCOMPARE(d.DimmerPatched(), patched);
    QCOMPARE(int(d.DmxAddr()), address);
    QCOMPARE(d.DimmerName(), name);
    QCOMPARE(int(d.DimmerLevel()), level);
    d.DimmerLevel(255);
    QCOMPARE(d.DimmerLevel(), quint8(255));
    QCOMPARE(d.DimmerPatched(), patched);
}

void tst_Records::playbackUnpacks_data()
{
    QTest::addColumn<QByteArray>("second");
    QTest::addColumn<bool>("assigned");
    QTest::addColumn<bool>("active");
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("page");
    QTest::addColumn<int>("number");
    QTest::addColumn<int>("level");

    QTest::newRow("unassigned keeps the memory")
        << bytes({2, 0, 1, 9, 9, 9}) << false << false << 3 << 4 << 5 << 200;
    QByteArray other = bytes({2, 1, 0, 7, 1, 2}) + QByteArray(16, 'n') + bytes({0});
    QTest::newRow("type 7 kept as it is") << other << true << false << 7 << 1 << 2 << 0;
    QTest::newRow("short payload") << bytes({2, 1, 1}) << true << true << 3 << 4 << 5 << 200;
}

void tst_Records::playbackUnpacks()
{
    QFETCH(QByteArray, second);
    QFETCH(bool, assigned);
    QFETCH(bool, active);
    QFETCH(int, type);
    QFETCH(int, page);
    QFETCH(int, number);
    QFETCH(int, level);
    Playback p;
    // On the wire: type, page, number.
    p.UnpackPlaybackData(bytes({2, 1, 1, 3, 4, 5}) + field("Chase A", 16) + bytes({200}));
    QCOMPARE(p.Name(), QStringLiteral("Chase A         "));
    p.UnpackPlaybackData(second);
    QCOMPARE(p.Assigned(), assigned);
    QCOMPARE(p.Active(), active);
    QCOMPARE(int(p.MemType()), type);
    QCOMPARE(int(p.MemPage()), page);
    QCOMPARE(int(p.MemNum()), number);
    QCOMPARE(int(p.Level()), level);
}

QTEST_APPLESS_MAIN(tst_Records)
#include "tst_records.moc"
