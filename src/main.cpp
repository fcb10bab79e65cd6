#include "link/SerialPort.h"
#include "model/Settings.h"
#include "shell/AppIcon.h"
#include "shell/frmMain.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFile>
#include <QTimer>

#include <cstdio>

namespace {

struct CommandLine
{
    QCommandLineParser parser;
    const QCommandLineOption port{QStringLiteral("port"),
                                  QStringLiteral("Use <device> as Com1 for this run, selected."),
                                  QStringLiteral("device")};
    const QCommandLineOption connectNow{QStringLiteral("connect"),
                                        QStringLiteral("Press Connect once the window is up.")};
    const QCommandLineOption settingsFile{
        QStringLiteral("settings"),
        QStringLiteral("Keep the settings in this INI file (as LVMONITOR_SETTINGS does)."),
        QStringLiteral("file")};
    const QCommandLineOption record{
        QStringLiteral("record"),
        QStringLiteral("Record the session, both ways, into <file> from the start (an existing "
                       "file is left alone)."),
        QStringLiteral("file")};

    CommandLine()
    {
        parser.setApplicationDescription(
            QStringLiteral("Watches a Lumivane lighting console over its serial line."));
        parser.addHelpOption();
        parser.addVersionOption();
        parser.addOptions({port, connectNow, settingsFile, record});
    }
    bool parse(const QStringList& arguments)
    {
        return parser.parse(arguments) && parser.positionalArguments().isEmpty();
    }
    bool printsAndLeaves() const
    {
        return parser.isSet(QStringLiteral("help")) || parser.isSet(QStringLiteral("version"));
    }
    void printAndLeave()
    {
        if (parser.isSet(QStringLiteral("help")))
            parser.showHelp(0);
        parser.showVersion();
    }
};

} // namespace

int main(int argc, char* argv[])
{
    QApplication::setApplicationName(QStringLiteral("LV Monitor"));
    QApplication::setOrganizationName(QStringLiteral("LVMonitor"));
    QApplication::setApplicationVersion(QStringLiteral(LV_VERSION_STRING));

    // Help and version need no display, so they answer from any terminal. Qt's own options
    // (-platform …) fail this first reading and are left to QApplication.
    {
        QStringList arguments;
        for (int i = 0; i < argc; ++i)
            arguments.append(QString::fromLocal8Bit(argv[i]));
        CommandLine early;
        if (early.parse(arguments) && early.printsAndLeaves()) {
            const QCoreApplication app(argc, argv);
            early.printAndLeave();
        }
    }

    // The program repaints a few cells many times a second. Under X11, images in shared memory
    // make each repaint wait for the server to finish with the one before; small images sent
    // over the connection cost less. The user's own choice stands.
    if (!qEnvironmentVariableIsSet("QT_XCB_NO_MITSHM"))
        qputenv("QT_XCB_NO_MITSHM", "1");
    // While the console talks the program wakes about sixty times a second; Qt's own event loop
    // costs less per wake-up than the GLib one. Some desktops run their native file dialogs
    // through GLib's loop, so without it the program uses Qt's own dialogs. The user's own
    // choice stands.
    const bool ownEventLoop = !qEnvironmentVariableIsSet("QT_NO_GLIB");
    if (ownEventLoop) {
        qputenv("QT_NO_GLIB", "1");
        QApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
    }
    QApplication app(argc, argv);
    // Every window shows the icon; the desktop matches the windows to the installed entry.
    QApplication::setWindowIcon(appIcon());
    QGuiApplication::setDesktopFileName(QStringLiteral("lvmonitor"));

    CommandLine cl;
    if (!cl.parse(QApplication::arguments())) {
        const QString error = cl.parser.errorText().isEmpty()
                                  ? QStringLiteral("Unexpected argument '%1'.")
                                        .arg(cl.parser.positionalArguments().value(0))
                                  : cl.parser.errorText();
        std::fprintf(stderr, "%s\n\n%s", qPrintable(error), qPrintable(cl.parser.helpText()));
        return 1;
    }
    if (cl.printsAndLeaves())
        cl.printAndLeave();

    if (cl.parser.isSet(cl.settingsFile))
        qputenv("LVMONITOR_SETTINGS", QFile::encodeName(cl.parser.value(cl.settingsFile)));
    if (cl.parser.isSet(cl.port)) {
        SerialPort::setDeviceForThisRun(1, cl.parser.value(cl.port));
        Settings().SaveBool(QString::fromLatin1(Settings::Startup), QStringLiteral("Com1"), true);
    }

    frmMain main;
    if (cl.parser.isSet(cl.record)) {
        // From the command line nobody can be asked, so an existing file stays as it is.
        QString error;
        if (!main.startRecording(cl.parser.value(cl.record), false, &error)) {
            std::fprintf(stderr, "lvmonitor: %s\n", qPrintable(error));
            return 1;
        }
    }
    main.show();
    if (cl.parser.isSet(cl.connectNow))
        QTimer::singleShot(0, &main, &frmMain::Connect);
    return app.exec();
}
