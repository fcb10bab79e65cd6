// The show list window through the receive path: step rows, caption and marker; the requests
// that a choice or a started show sends; the stored option; the keys of the combo boxes.

#include "Rig.h"
#include "model/Settings.h"
#include "views/show/frmShow.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>

using namespace Payloads;
using View = ViewId;
using Messages = QList<QByteArray>;

namespace {

const QList<ShowStepLayout> twoSteps{{0, 1, "Red wash"}, {4, 0, "Blue"}};

QString caption(const QByteArray& name)
{
    return QStringLiteral("Show List - ") + QString::fromLatin1(field(name, 16));
}

struct Opened
{
    Rig rig;
    frmShow* view;
    QComboBox* number;
    QComboBox* page;
    Opened()
        : view(rig.open<frmShow>(View::Show)), number(view->findChild<QComboBox*>("cboNum")),
          page(view->findChild<QComboBox*>("cboPg"))
    {
    }
    // Each row as "marker|step|scene".
    QStringList rows() const
    {
        const Grid& grid = *view->findChild<Grid*>("grdShow");
        QStringList out;
        for (int r = 1; r <= grid.rows(); ++r)
            out << grid.cellText(r, 1) + '|' + grid.cellText(r, 2) + '|' + grid.cellText(r, 3);
        return out;
    }
};

} // namespace

class tst_ShowView : public QObject
{
    Q_OBJECT
private slots:
    void init() { forgetSettings(); }
    void listAndStepMessagesShowTheStepsPlayed_data();
    void listAndStepMessagesShowTheStepsPlayed();
    void choiceAndStartedShowAskForTheList_data();
    void choiceAndStartedShowAskForTheList();
    void keysDoNotStepTheListsButOpenThem_data();
    void keysDoNotStepTheListsButOpenThem();
};

void tst_ShowView::listAndStepMessagesShowTheStepsPlayed_data()
{
    QTest::addColumn<Messages>("messages");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QStringList>("rows");
    const auto step = [](int n, int g, int s) { return message(24, bytes({n, g, s})); };
    const QByteArray three = showList(2, 5, "Finale", twoSteps + QList<ShowStepLayout>{{9, 9, ""}});
    const Messages finale{message(22, showList(2, 5, "Finale", twoSteps))};
    const QString red = "|Scn. 1 Pg. 2  " + QString::fromLatin1(field("Red wash", 16));
    const QString blue = "|Scn. 5 Pg. 1  " + QString::fromLatin1(field("Blue", 16));
    const QStringList first{">|1" + red, "|2" + blue}, second{"|1" + red, ">|2" + blue};
    QTest::newRow("second step") << finale + Messages{step(2, 5, 1)} << caption("Finale") << second;
    QTest::newRow("steps beyond the list, of another show or cut short")
        << finale +
               Messages{step(2, 5, 2), step(3, 5, 1), step(2, 6, 1), message(24, bytes({2, 5}))}
        << caption("Finale") << first;
    QTest::newRow("no such show") << finale +
                                         Messages{message(22, bytes({0xFF})), step(255, 255, 0)}
                                  << "Show List - empty" << QStringList{"||"};
    // The caption names the show whose (empty) list is on screen, not the one before.
    QTest::newRow("show without steps")
        << finale + Messages{message(22, showList(7, 0, "Quiet", {}))} << caption("Quiet")
        << QStringList{};
    QTest::newRow("shorter list replaces a longer")
        << Messages{message(22, three), step(2, 5, 2)} + finale << caption("Finale") << first;
    QTest::newRow("last step cut short")
        << Messages{message(22, three.chopped(1)), step(2, 5, 2)} << caption("Finale") << first;
    QTest::newRow("cut short before the step count")
        << Messages{message(22, three.left(18))} << "Show List" << QStringList{};
}

void tst_ShowView::listAndStepMessagesShowTheStepsPlayed()
{
    QFETCH(Messages, messages);
    QFETCH(QString, title);
    QFETCH(QStringList, rows);
    Opened o;
    for (const QByteArray& m : messages)
        o.rig.say(m);
    QCOMPARE(o.view->windowTitle(), title);
    QCOMPARE(o.rows(), rows);
}

void tst_ShowView::choiceAndStartedShowAskForTheList_data()
{
    QTest::addColumn<QString>("stored"); // the option as stored; empty: nothing stored
    QTest::addColumn<bool>("ticked");
    QTest::newRow("nothing stored") << "" << true;
    QTest::newRow("0") << "0" << false;
    QTest::newRow("not a number") << "yes" << true;
}

void tst_ShowView::choiceAndStartedShowAskForTheList()
{
    QFETCH(QString, stored);
    QFETCH(bool, ticked);
    if (!stored.isEmpty())
        Settings().SaveSetting("Startup", "show_frm_chk", stored);
    Opened o;
    QCOMPARE(o.number->currentText() + o.page->currentText(), QStringLiteral("1"));
    const auto sent = [](bool yes, const QByteArray& b) {
        return yes ? QList<QByteArray>{b} : QList<QByteArray>{};
    };
    // A page alone sends nothing; the twelfth number on the third page asks for that show.
    o.page->setCurrentIndex(2);
    emit o.page->activated(2);
    o.number->setCurrentIndex(11);
    emit o.number->activated(11);
    QCOMPARE(o.rig.writes(), sent(true, bytes({0xA5, 0x16, 11, 2})));

    auto* option = o.view->findChild<QCheckBox*>("chkShow");
    QCOMPARE(option->isChecked(), ticked);
    for (const bool tickedNow : {ticked, !ticked}) {
        o.rig.backend->clearWrites();
        o.rig.say(message(23, bytes({7}))); // cut short: nothing
        o.rig.say(message(23, bytes({7, 2})));
        QCOMPARE(o.rig.writes(), sent(tickedNow, bytes({0xA5, 0x16, 7, 2})));
        QTest::mouseClick(option, Qt::LeftButton, {}, QPoint(5, option->height() / 2));
        QCOMPARE(Settings().GetSetting("Startup", "show_frm_chk"), tickedNow ? "0" : "1");
    }
}

void tst_ShowView::keysDoNotStepTheListsButOpenThem_data()
{
    QTest::addColumn<QString>("combo");
    QTest::addColumn<QKeySequence>("key");
    QTest::addColumn<bool>("opens");
    QTest::newRow("Down") << "cboNum" << QKeySequence(Qt::Key_Down) << false;
    QTest::newRow("digit") << "cboPg" << QKeySequence(Qt::Key_5) << false;
    QTest::newRow("Tab moves on") << "cboNum" << QKeySequence(Qt::Key_Tab) << false;
    QTest::newRow("F4") << "cboNum" << QKeySequence(Qt::Key_F4) << true;
    QTest::newRow("Alt+Down") << "cboNum" << QKeySequence(Qt::ALT | Qt::Key_Down) << true;
    QTest::newRow("Alt+Up") << "cboPg" << QKeySequence(Qt::ALT | Qt::Key_Up) << true;
}

void tst_ShowView::keysDoNotStepTheListsButOpenThem()
{
    QFETCH(QString, combo);
    QFETCH(QKeySequence, key);
    QFETCH(bool, opens);
    Opened o;
    auto* box = o.view->findChild<QComboBox*>(combo);
    const int index = box->currentIndex();
    QVERIFY(QTest::qWaitForWindowActive(&o.rig.main));
    box->setFocus();
    QTest::keySequence(box, key);
    QCOMPARE(box->currentIndex(), index);
    QCOMPARE(o.rig.writes(), QList<QByteArray>{});
    QCOMPARE(box->view()->isVisible(), opens);
    QCOMPARE(box->hasFocus(), key != QKeySequence(Qt::Key_Tab) && !opens);
    if (!opens)
        return;
    // In the open list the keys choose, as the mouse does.
    QTest::keyClick(box->view(), Qt::Key_Down);
    QTest::keyClick(box->view(), Qt::Key_Return);
    QTRY_VERIFY(!box->view()->isVisible());
    QVERIFY(box->currentIndex() != index);
    const QByteArray asked = bytes({0xA5, 0x16, box->currentIndex(), 0});
    QCOMPARE(o.rig.writes(), box == o.number ? QList<QByteArray>{asked} : QList<QByteArray>{});
}

QTEST_MAIN(tst_ShowView)
#include "tst_showview.moc"
