#pragma once

// The program linked up with the console simulator over a pty.

#include "ConsoleSimulator.h"
#include "shell/frmMain.h"
#include "shell/frmStartup.h"

#include <QFile>
#include <QLabel>
#include <QSignalSpy>
#include <QTest>

// A console that answers at once and sends nothing unasked.
inline SimulatorOptions quiet(int speed = 38400, quint32 seed = 1, bool extended = false)
{
    return {.speed = speed, .seed = seed, .extended = extended, .pacing = false, .rate = 0};
}

// What the start-up window says.
inline QString status(frmMain& main)
{
    return main.startup()->Label1->text();
}

// Both sides quiet, twice 100 ms apart, so that the last bytes have crossed the pty.
inline bool settled(ConsoleSimulator& sim, frmMain& main)
{
    const auto quiet = [&] {
        return sim.queuedBytes() == 0 && main.MSComm1().InBufferCount() == 0;
    };
    return QTest::qWaitFor([&] { return quiet() && (QTest::qWait(100), quiet()); }, 10000);
}

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
    return loaded.wait(15000) && settled(sim, main);
}
