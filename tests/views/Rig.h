#pragma once

// The program on a fake serial line, already linked up unless told otherwise: tests tell it what
// the console says through the receive path and read what it writes back.

#include "Payloads.h"
#include "controls/Grid.h"
#include "link/FakeSerialBackend.h"
#include "shell/frmMain.h"
#include "views/fixtures/frmFixtures2.h"

#include <QFile>
#include <QMdiSubWindow>
#include <QTest>

struct Rig
{
    FakeSerialBackend* backend = new FakeSerialBackend;
    frmMain main{std::unique_ptr<SerialBackend>(backend)};

    // Roomy: larger than the test screen's first-start size, so that views keep their own.
    explicit Rig(bool linked = true)
    {
        main.resize(1200, 800);
        main.show();
        if (!linked)
            return;
        main.MSComm1().setPortOpen(true);
        main.receiver().RxState = Receiver::Hunting;
        main.MSComm1().setRThreshold(1);
    }
    SharedState& state() { return main.state(); }
    void say(const QByteArray& message) { backend->deliver(message); }
    void fixture(const Payloads::FixtureLayout& layout)
    {
        say(Payloads::message(4, Payloads::fixture(layout)));
    }
    void channelValue(int f, int ch, int v)
    {
        say(Payloads::message(8, Payloads::bytes({f, ch, v})));
    }
    frmFixtures2* open() { return open<frmFixtures2>(ViewId::Fixtures); }
    void close() { close(ViewId::Fixtures); }

    // Any view, opened through the main window as the Window menu does.
    template <class V>
    V* open(ViewId kind)
    {
        return qobject_cast<V*>(main.showView(kind));
    }
    void close(ViewId kind)
    {
        if (MonitorView* v = main.loadedView(kind))
            v->subWindow()->close();
    }
    // The fixtures view's grid.
    Grid& grid() { return *main.loadedView(ViewId::Fixtures)->findChild<Grid*>("grdFixtures"); }
    QList<QByteArray> writes() const { return backend->writes; }
};

// Every cell of a grid, row by row.
inline QStringList texts(const Grid& grid)
{
    QStringList out;
    for (int r = 1; r <= grid.rows(); ++r)
        for (int c = 1; c <= grid.columns(); ++c)
            out << grid.cellText(r, c);
    return out;
}

inline void forgetSettings()
{
    QFile::remove(qEnvironmentVariable("LVMONITOR_SETTINGS"));
}
