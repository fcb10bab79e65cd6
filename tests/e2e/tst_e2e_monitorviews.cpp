// The playbacks and show list windows against the simulated console: each shows what the console
// holds, through the real port and the requests the windows send themselves.

#include "SimulatorLink.h"
#include "controls/Grid.h"
#include "shell/MonitorView.h"

#include <QComboBox>

#include <memory>

using View = ViewId;

namespace {

QString percent(quint8 level)
{
    return QString::number((level + 1) * 100 / 255) + QLatin1Char('%');
}

QStringList texts(const Grid* grid)
{
    QStringList out;
    for (int r = 1; r <= grid->rows(); ++r)
        for (int c = 1; c <= grid->columns(); ++c)
            out << grid->cellText(r, c);
    return out;
}

} // namespace

class tst_E2eMonitorViews : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase() { m_main.reset(), m_sim.reset(); }
    void playbacksViewShowsEveryFaderOfBothPages();
    void showViewListsEachShowChosen();

private:
    std::unique_ptr<ConsoleSimulator> m_sim;
    std::unique_ptr<frmMain> m_main;
};

void tst_E2eMonitorViews::initTestCase()
{
    m_sim =
        std::make_unique<ConsoleSimulator>(SimulatorOptions{.seed = 5, .pacing = false, .rate = 0});
    m_main = std::make_unique<frmMain>();
    QVERIFY(linkUp(*m_sim, *m_main));
}

void tst_E2eMonitorViews::playbacksViewShowsEveryFaderOfBothPages()
{
    QStringList names, levels;
    for (int p = 0; p < Rig::PlaybackCount; ++p) {
        const RigPlayback& pb = m_sim->rig().playback(p);
        names << (pb.assigned ? QString::fromLatin1(pb.name) : QString());
        levels << (pb.assigned ? percent(pb.level) : QString());
    }
    // Opening asks for the pages; the console's page changes ask for the faders.
    MonitorView* view = m_main->showView(View::Playbacks);
    const auto rows = [view](int from) {
        return texts(view->findChild<Grid*>("grdPB")).mid(from, 8) +
               texts(view->findChild<Grid*>("grdFlexPB")).mid(from, 8);
    };
    QTRY_COMPARE_WITH_TIMEOUT(rows(8) + rows(16), names + levels, 5000);
    QVERIFY(view->findChild<Grid*>("grdFlexPB")->isVisible()); // a flex page is active
}

void tst_E2eMonitorViews::showViewListsEachShowChosen()
{
    MonitorView* view = m_main->showView(View::Show);
    const auto choose = [view](int number, int page) {
        auto* pg = view->findChild<QComboBox*>("cboPg");
        auto* num = view->findChild<QComboBox*>("cboNum");
        pg->setCurrentIndex(page);
        emit pg->activated(page);
        num->setCurrentIndex(number);
        emit num->activated(number);
    };
    for (const RigShow& show : m_sim->rig().shows()) {
        choose(show.number, show.page);
        QTRY_COMPARE_WITH_TIMEOUT(view->windowTitle(),
                                  "Show List - " + QString::fromLatin1(show.name), 5000);
        QStringList expected;
        for (int k = 0; k < show.steps.size(); ++k)
            expected << (k ? "" : ">") << QString::number(k + 1)
                     << QStringLiteral("Scn. %1 Pg. %2  ")
                                .arg(show.steps[k].scene + 1)
                                .arg(show.steps[k].page + 1) +
                            QString::fromLatin1(show.steps[k].name);
        QCOMPARE(texts(view->findChild<Grid*>("grdShow")), expected);
    }
    QVERIFY(!m_sim->rig().show(47, 23));
    choose(47, 23);
    QTRY_COMPARE_WITH_TIMEOUT(view->windowTitle(), QStringLiteral("Show List - empty"), 5000);
}

QTEST_MAIN(tst_E2eMonitorViews)
#include "tst_e2e_monitorviews.moc"
