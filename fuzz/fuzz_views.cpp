// Fuzz target: every view open in the real main window (offscreen), fed the input as the console's
// bytes in pieces of up to 256 bytes, each followed by the painting it causes. Slower than the
// receive-path target; it is here for the views' payload readers (page contents, scene events,
// show lists, page changes).

#include "link/FakeSerialBackend.h"
#include "shell/MonitorView.h"
#include "shell/frmMain.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>

namespace {

constexpr ViewId AllViews[] = {ViewId::Fixtures, ViewId::Dimmers, ViewId::Playbacks,
                               ViewId::Page,     ViewId::Scene,   ViewId::Show};

QApplication& application()
{
    static QTemporaryDir dir;
    static int argc = 1;
    static char name[] = "fuzz_views";
    static char* argv[] = {name, nullptr};
    static QApplication* app = [] {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        qputenv("LVMONITOR_SETTINGS", QDir(dir.path()).filePath(QStringLiteral("f.ini")).toUtf8());
        return new QApplication(argc, argv);
    }();
    return *app;
}

// One main window with every view open serves all inputs, as the program serves a whole
// evening: each input starts a fresh message, into views that keep what earlier ones showed.
frmMain& program(FakeSerialBackend*& backend)
{
    static FakeSerialBackend* line = nullptr;
    static frmMain* main = [] {
        application();
        line = new FakeSerialBackend;
        auto* window = new frmMain(std::unique_ptr<SerialBackend>(line));
        window->show();
        window->MSComm1().setPortOpen(true);
        for (auto view : AllViews)
            if (!window->showView(view))
                std::abort();
        return window;
    }();
    backend = line;
    return *main;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FakeSerialBackend* backend = nullptr;
    frmMain& main = program(backend);
    main.MSComm1().clearInBuffer();
    main.receiver().RxState = Receiver::Hunting;
    main.MSComm1().setRThreshold(1);
    backend->clearWrites();
    const QByteArray stream(reinterpret_cast<const char*>(data), qsizetype(size));
    for (qsizetype at = 0; at < stream.size(); at += 256) {
        backend->deliver(stream.mid(at, 256));
        QApplication::processEvents();
    }
    for (auto view : AllViews)
        if (!main.loadedView(view))
            std::abort();
    return 0;
}
