#include "link/SerialPort.h"
#include "model/Settings.h"
#include "shell/frmMain.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFile>
#include <QTimer>

#include <cstdio>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("LV Monitor"));
    QApplication::setOrganizationName(QStringLiteral("LVMonitor"));
    QApplication::setApplicationVersion(QStringLiteral(LV_VERSION_STRING));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Watches a Lumivane lighting console over its serial line."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption port(QStringLiteral("port"),
                                  QStringLiteral("Use <device> as Com1 for this run, selected."),
                                  QStringLiteral("device"));
    const QCommandLineOption connectNow(QStringLiteral("connect"),
                                        QStringLiteral("Press Connect once the window is up."));
    const QCommandLineOption settingsFile(
        QStringLiteral("settings"),
        QStringLiteral("Keep the settings in this INI file (as LVMONITOR_SETTINGS does)."),
        QStringLiteral("file"));
    parser.addOptions({port, connectNow, settingsFile});
    if (!parser.parse(QApplication::arguments()) || !parser.positionalArguments().isEmpty()) {
        const QString error = parser.errorText().isEmpty()
                                  ? QStringLiteral("Unexpected argument '%1'.")
                                        .arg(parser.positionalArguments().value(0))
                                  : parser.errorText();
        std::fprintf(stderr, "%s\n\n%s", qPrintable(error), qPrintable(parser.helpText()));
        return 1;
    }
    if (parser.isSet(QStringLiteral("help")))
        parser.showHelp(0);
    if (parser.isSet(QStringLiteral("version")))
        parser.showVersion();

    if (parser.isSet(settingsFile))
        qputenv("LVMONITOR_SETTINGS", QFile::encodeName(parser.value(settingsFile)));
    if (parser.isSet(port)) {
        SerialPort::setDeviceForThisRun(1, parser.value(port));
        Settings().SaveBool(QString::fromLatin1(Settings::Startup), QStringLiteral("Com1"), true);
    }

    frmMain main;
    main.show();
    if (parser.isSet(connectNow))
        QTimer::singleShot(0, &main, &frmMain::Connect);
    return app.exec();
}
