// The scene event list fed through the receive path: records of both formats as their lines,
// untrusted payloads, and the requests the window sends.

#include "Rig.h"
#include "views/scene/frmScene.h"

#include "controls/LineTextBox.h"
#include <QPushButton>

using namespace Payloads;

namespace {

struct SceneView
{
    Rig rig;
    frmScene* view;
    LineTextBox* text;

    SceneView()
        : view(rig.open<frmScene>(ViewId::Scene)), text(view->findChild<LineTextBox*>("txtScene"))
    {
    }
};

const QString illegal = QStringLiteral("illegal value encountered\r\n");
// Fixture 3 is a library fixture named Spot with only its channel 0 named.
const QString spot = QStringLiteral("fixture 4 Spot             ");

} // namespace

class tst_SceneView : public QObject
{
    Q_OBJECT
private slots:
    void init() { forgetSettings(); }
    void eachRecordBecomesItsLine_data();
    void eachRecordBecomesItsLine();
    void asksForTheBufferOnOpeningAndRefresh();
};

void tst_SceneView::eachRecordBecomesItsLine_data()
{
    QTest::addColumn<bool>("extended");
    QTest::addColumn<QByteArray>("events");
    QTest::addColumn<QString>("text");
    const auto hex = [](const char* h) { return QByteArray::fromHex(h); };
    QTest::newRow("unnamed channel, three digits")
        << false << hex("030564ff") << spot + "channel 6: 100\r\n";
    QTest::newRow("named channel with its scene")
        << true << hex("03000704 01ff") << spot + "Pan     : 7   (Scene 5 Page 2)\r\n";
    QTest::newRow("empty buffer") << false << hex("ff") << "Scene buffer is empty.";
    QTest::newRow("empty payload") << true << QByteArray() << "";
    QTest::newRow("preset without a scene, chase with one")
        << true << hex("800017000000000000ff00 900102000000 0000ff")
        << "preset 1 page 24\r\nchase 2 page 3   (Scene 1 Page 1)\r\n";
    QTest::newRow("pan of a second part, no scene")
        << true << hex("b003013412ff00ff") << spot + "multi 2 pan high byte: 18 / low byte: 52\r\n";
    QTest::newRow("illegal code stands alone")
        << false << hex("50030580ff") << illegal + spot + "channel 6: 128\r\n";
    QTest::newRow("channel 32") << false << hex("032080ff") << illegal;
    QTest::newRow("pan of fixture 48 consumed whole")
        << true << hex("b0300102030405 0305800000")
        << illegal + spot + "channel 6: 128   (Scene 1 Page 1)\r\n";
    QTest::newRow("values named by the profile")
        << false << hex("0502c8 050210")
        << "fixture 6 Wash             channel 3: Closed  \r\n"
           "fixture 6 Wash             channel 3: Open    \r\n";
    QTest::newRow("profile not loaded")
        << false << hex("0602c8") << "fixture 7 Beam             channel 3: 200\r\n";
    QTest::newRow("record cut off") << false << hex("030580 800219") << spot + "channel 6: 128\r\n";
}

void tst_SceneView::eachRecordBecomesItsLine()
{
    QFETCH(bool, extended);
    QFETCH(QByteArray, events);
    QFETCH(QString, text);
    SceneView s;
    const QList<Step> shutter{{60, 0, 127, "Open"}, {200, 128, 255, "Closed"}};
    s.rig.say(message(7, profile(7, {{}, {}, shutter})));
    s.rig.fixture({.number = 3, .type = 5, .profile = 7, .name = "Spot", .channelNames = {"Pan"}});
    s.rig.fixture({.number = 5, .profile = 7, .name = "Wash", .channelNames = {}});
    s.rig.fixture({.number = 6, .profile = 8, .name = "Beam", .channelNames = {}});
    s.rig.state().ExtendedFormat = extended;
    s.rig.say(message(5, bytes({0x50})));
    QVERIFY(!s.view->Text().isEmpty()); // to be replaced whole
    if (events.isEmpty())
        s.view->Display_Events(events); // the receive path passes no empty payload
    else
        s.rig.say(message(5, events));
    QCOMPARE(s.view->Text(), text);
    QStringList lines = text.split("\r\n");
    if (text.endsWith("\r\n"))
        lines.removeLast();
    QCOMPARE(s.text->lines(), text.isEmpty() ? QStringList{} : lines);
}

void tst_SceneView::asksForTheBufferOnOpeningAndRefresh()
{
    SceneView s;
    QTest::mouseClick(s.view->findChild<QPushButton*>("cmdRefresh"), Qt::LeftButton);
    QCOMPARE(s.rig.writes(), QList<QByteArray>(2, bytes({0xA5, 0x05})));
}

QTEST_MAIN(tst_SceneView)
#include "tst_sceneview.moc"
