// Fuzz target: the speed search. From the start of a connect attempt, each input byte is a step:
// bytes from the console (the next few input bytes), a tick of the session timer, a line error,
// or the user pressing Connect again. Whatever comes, the session is always linked, searching
// with its timer running, or given up with the port closed; and once the console falls silent,
// at most four ticks end the search one way or the other.

#include "link/FakeSerialBackend.h"
#include "link/Receiver.h"
#include "link/SerialPort.h"
#include "link/Session.h"
#include "model/SharedState.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>
#include <memory>

namespace {

struct QuietHost : SessionHost
{
    void setStatus(const QString&) override {}
    void showStartup() override {}
    void hideStartup() override {}
    void reopenViews() override {}
    void reportLineError(const QString&) override {}
};

struct Line
{
    FakeSerialBackend* backend = new FakeSerialBackend;
    SerialPort port{std::unique_ptr<SerialBackend>(backend)};
    SharedState state;
    Receiver rx{port, state};
    QuietHost host;
    Session session{port, rx, host};

    bool searching() const
    {
        const auto step = session.SessionStep;
        return port.PortOpen() && session.Timer1.isActive() &&
               (step == Session::Trying38400 || step == Session::Trying19200 ||
                step == Session::Trying1200);
    }
    bool linked() const
    {
        return port.PortOpen() && session.SessionStep == Session::Linked &&
               rx.RxState >= Receiver::Hunting && rx.RxState <= Receiver::Payload;
    }
    bool gaveUp() const { return !port.PortOpen() && !session.Timer1.isActive(); }
};

// The session's timer needs an application; the settings go to a file of the run's own.
void applicationOnce()
{
    static QTemporaryDir dir;
    static int argc = 1;
    static char name[] = "fuzz_speedsearch";
    static char* argv[] = {name, nullptr};
    static QCoreApplication* app = [] {
        qputenv("LVMONITOR_SETTINGS", QDir(dir.path()).filePath(QStringLiteral("f.ini")).toUtf8());
        return new QCoreApplication(argc, argv);
    }();
    (void)app;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    applicationOnce();
    Line line;
    line.session.Connect();
    for (size_t i = 0; i < size; ++i) {
        const uint8_t op = data[i];
        switch (op & 3) {
        case 0:
            line.session.Timer1_Timer();
            break;
        case 1: { // up to 15 bytes from the console
            const size_t n = std::min<size_t>(op >> 4, size - i - 1);
            line.backend->deliver(
                QByteArray(reinterpret_cast<const char*>(data + i + 1), qsizetype(n)));
            i += n;
            break;
        }
        case 2:
            line.backend->raiseLineError(op & 4 ? SerialPort::comEventFrame
                                                : SerialPort::comEventRxParity);
            break;
        default:
            if ((op >> 2) == 0x3F) // rarely: Connect pressed again
                line.session.Connect();
            break;
        }
        if (!line.searching() && !line.linked() && !line.gaveUp())
            std::abort();
    }
    for (int tick = 0; tick < 4 && line.searching(); ++tick)
        line.session.Timer1_Timer();
    if (line.searching())
        std::abort();
    return 0;
}
