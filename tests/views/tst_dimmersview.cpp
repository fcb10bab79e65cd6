// The dimmers window through the receive path: rows in patch order, names, channels and levels.

#include "Rig.h"
#include "views/dimmers/frmDimmers.h"

using namespace Payloads;
using View = ViewId;

namespace {

QStringList row(int d, const QByteArray& name, const QStringList& rest)
{
    return QStringList{QString::number(d + 1) + " - " + QString::fromLatin1(field(name, 16))} +
           rest;
}

Grid& grid(QWidget* view)
{
    return *view->findChild<Grid*>(QStringLiteral("grdDimmers"));
}

} // namespace

class tst_DimmersView : public QObject
{
    Q_OBJECT
private slots:
    void init() { forgetSettings(); }
    void rowsFollowThePatchOrderAndTheLevels();
};

void tst_DimmersView::rowsFollowThePatchOrderAndTheLevels()
{
    Rig rig;
    const QByteArray nuls = QByteArray("Wash") + QByteArray(12, '\0');
    rig.say(message(17, dimmer(127, true, 40, "Cyc", 254)));
    rig.say(message(17, dimmer(0, true, 30, nuls, 0)));
    auto* view = rig.open<frmDimmers>(View::Dimmers);
    rig.say(message(17, dimmer(9, true, 50, "Back", 1))); // patched later: at the bottom
    rig.say(message(17, dimmer(127, false, 0, "", 0)));   // unpatched: keeps its row...
    rig.say(message(18, bytes({127, 253})));              // ...and follows its level
    rig.say(dmxLevel(30, 127));
    rig.say(message(18, bytes({5, 99}))); // no row: nothing to show
    view->UpdateDimmer(-1);
    view->UpdateDimmerLevel(128);
    QCOMPARE(texts(grid(view)), row(0, nuls, {"1", "1", "127", "50%"}) +
                                    row(127, "Cyc", {"8", "16", "253", "99%"}) +
                                    row(9, "Back", {"2", "2", "1", "0%"}));
    rig.say(message(18, bytes({9, 2})));
    rig.say(message(18, bytes({0, 255})));
    rig.close(View::Dimmers);
    view = rig.open<frmDimmers>(View::Dimmers); // the patched dimmers in number order
    QCOMPARE(texts(grid(view)),
             row(0, nuls, {"1", "1", "255", "100%"}) + row(9, "Back", {"2", "2", "2", "1%"}));
}

QTEST_MAIN(tst_DimmersView)
#include "tst_dimmersview.moc"
