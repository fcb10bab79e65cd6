#pragma once

// The program linked up with the console simulator over a pty.

#include "ConsoleSimulator.h"
#include "shell/frmMain.h"

#include <QFile>
#include <QSignalSpy>
#include <QTest>

// Starts the program on the simulator's line and waits until the data request of the link-up has
// been answered and every byte of the answer read.
inline bool linkUp(ConsoleSimulator& sim, frmMain& main)
{
    QFile::remove(qEnvironmentVariable("LVMONITOR_SETTINGS"));
    if (!sim.openPty())
        return false;
    qputenv("LVMONITOR_COM1", sim.devicePath().toLocal8Bit());
    main.show();
    QSignalSpy loaded(&sim, &ConsoleSimulator::dataLoadSent);
    main.Connect();
    qunsetenv("LVMONITOR_COM1");
    const auto quiet = [&] {
        return sim.queuedBytes() == 0 && main.MSComm1().InBufferCount() == 0;
    };
    // Quiet twice, 100 ms apart, so that the last bytes have crossed the pty.
    const auto settled = [&] { return quiet() && (QTest::qWait(100), quiet()); };
    return loaded.wait(15000) && QTest::qWaitFor(settled, 10000);
}
