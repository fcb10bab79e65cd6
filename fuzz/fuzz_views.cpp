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

constexpr SessionHost::View AllViews[] = {SessionHost::View::Fixtures,  SessionHost::View::Dimmers,
                                          SessionHost::View::Playbacks, SessionHost::View::Page,
                                          SessionHost::View::Scene,     SessionHost::View::Show};

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

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    application();
    auto* backend = new FakeSerialBackend;
    frmMain main{std::unique_ptr<SerialBackend>(backend)};
    main.show();
    main.MSComm1().setPortOpen(true);
    main.receiver().RxState = Receiver::Hunting;
    main.MSComm1().setRThreshold(1);
    for (auto view : AllViews)
        if (!main.showView(view))
            std::abort();
    const QByteArray stream(reinterpret_cast<const char*>(data), qsizetype(size));
    for (qsizetype at = 0; at < stream.size(); at += 256) {
        backend->deliver(stream.mid(at, 256));
        QApplication::processEvents();
    }
    main.close();
    return 0;
}
