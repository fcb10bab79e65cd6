#include "link/SerialPort.h"
#include "model/Settings.h"
#include "shell/AppIcon.h"
#include "shell/AppVersion.h"
#include "shell/WebPage.h"
#include "shell/frmMain.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFile>
#include <QTimer>

#include <algorithm>
#include <cstdio>

namespace {

struct CommandLine
{
    QCommandLineParser parser;
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
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
    const QCommandLineOption web{
        QStringLiteral("web"),
        QStringLiteral("Turn the built-in web page on for this run, on 127.0.0.1 unless an "
                       "address is given (any other needs the access token)."),
        QStringLiteral("[address:]port")};
    // The program's own options, in the order --help and the manual page list them.
    const QList<QCommandLineOption> own{port, connectNow, settingsFile, record, web};
    // Writes the manual page (at build time); not for users, so --help leaves it out.
    QCommandLineOption manPage{QStringLiteral("help-man")};

    CommandLine()
    {
        parser.setApplicationDescription(
            QStringLiteral("Watches a Lumivane lighting console over its serial line."));
        parser.addOptions(own);
        manPage.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(manPage);
    }
    // False with the reason in `error` when the arguments are refused.
    bool parse(const QStringList& arguments, QString* error)
    {
        if (!parser.parse(arguments)) {
            *error = parser.errorText();
            return false;
        }
        if (!parser.positionalArguments().isEmpty()) {
            *error = QStringLiteral("Unexpected argument '%1'.")
                         .arg(parser.positionalArguments().constFirst());
            return false;
        }
        if (parser.isSet(web) && !WebPage::parseListenAddress(parser.value(web))) {
            *error = QStringLiteral("--web takes [ADDRESS:]PORT, not '%1'.").arg(parser.value(web));
            return false;
        }
        return true;
    }
    bool answersAndLeaves() const
    {
        return parser.isSet(help) || parser.isSet(QStringLiteral("help-all")) ||
               parser.isSet(version) || parser.isSet(manPage);
    }
    // Prints the help, the version or the manual page. Needs a QCoreApplication.
    int answer(const QStringList& arguments)
    {
        if (parser.isSet(manPage)) {
            std::fputs(manPageText().toUtf8().constData(), stdout);
            return 0;
        }
        parser.process(arguments); // prints the help (--help-all with Qt's options) or version
        return 0;
    }
    QString manPageText() const;
    // The description as the manual page's NAME line has it: "watches … serial line".
    QString summary() const
    {
        QString text = parser.applicationDescription();
        text[0] = text[0].toLower();
        text.chop(1);
        return text;
    }
};

// Text for a manual page: backslashes and hyphens as roff wants them, and no line taken for a
// request.
QString roff(QString text)
{
    text.replace(QLatin1Char('\\'), QLatin1String("\\e"))
        .replace(QLatin1Char('-'), QLatin1String("\\-"));
    if (text.startsWith(QLatin1Char('.')) || text.startsWith(QLatin1Char('\'')))
        text.prepend(QLatin1String("\\&"));
    return text;
}

QString optionSyntax(const QCommandLineOption& option)
{
    QStringList names;
    for (const QString& name : option.names())
        names << QStringLiteral("\\fB%1%2\\fR")
                     .arg(name.size() == 1 ? QStringLiteral("\\-") : QStringLiteral("\\-\\-"),
                          roff(name));
    QString syntax = names.join(QStringLiteral(", "));
    if (!option.valueName().isEmpty())
        syntax += QStringLiteral(" \\fI%1\\fR").arg(roff(option.valueName()));
    return syntax;
}

QString CommandLine::manPageText() const
{
    QString page = QStringLiteral(".TH LVMONITOR 1 \"\" \"LV Monitor %1\" \"User Commands\"\n"
                                  ".SH NAME\n"
                                  "lvmonitor \\- %2\n"
                                  ".SH SYNOPSIS\n"
                                  ".B lvmonitor\n")
                       .arg(roff(appVersion()), roff(summary()));
    for (const QCommandLineOption& option : own)
        page += QLatin1Char('[') + optionSyntax(option) + QStringLiteral("]\n");
    page += QStringLiteral(".SH DESCRIPTION\n%1\n.PP\n"
                           "Pick the serial port and press Connect: the program finds the speed "
                           "at which the console answers, links up and shows the console's live "
                           "state in windows inside one main window. Help \\(-> LV Monitor Help "
                           "(F1) opens the program's own help.\n"
                           ".SH OPTIONS\n")
                .arg(roff(parser.applicationDescription()));
    const auto entry = [&page](const QString& syntax, const QString& description) {
        page += QStringLiteral(".TP\n%1\n%2\n").arg(syntax, roff(description));
    };
    entry(optionSyntax(help), help.description());
    entry(QStringLiteral("\\fB\\-\\-help\\-all\\fR"),
          QStringLiteral("Displays the help with Qt's own options too."));
    entry(optionSyntax(version), version.description());
    for (const QCommandLineOption& option : own)
        entry(optionSyntax(option), option.description());
    page += QStringLiteral(
        ".PP\n"
        "Qt's own options, such as \\fB\\-platform\\fR and \\fB\\-style\\fR, are taken too.\n"
        ".SH ENVIRONMENT\n"
        ".TP\n"
        ".B LVMONITOR_SETTINGS\n"
        "Keep the settings in this INI file.\n"
        ".TP\n"
        ".BR LVMONITOR_COM1 \", \" LVMONITOR_COM2\n"
        "The device behind Com1 or Com2 for this run.\n"
        ".SH FILES\n"
        ".TP\n"
        ".I ~/.config/LVMonitor/LVMonitor.conf\n"
        "The settings.\n"
        ".SH EXIT STATUS\n"
        "1 when an argument is refused or the recording asked for cannot start; 0 when the "
        "program is left.\n"
        ".SH SEE ALSO\n"
        "\\fBlvconsole\\-sim \\-\\-help\\fR, the console simulator that comes with the program.\n");
    return page;
}

// Qt's own options, which QApplication takes out of the arguments itself, with one dash or two.
// They are set aside here so that the program's arguments can be read before any window system
// is opened.
QStringList withoutQtOptions(const QStringList& arguments)
{
    static const QStringList withValue =
        QStringLiteral("platform platformpluginpath platformtheme plugin qwindowgeometry geometry "
                       "qwindowtitle title qwindowicon icon session style stylesheet display name "
                       "visual ncols qmljsdebugger")
            .split(u' ');
    static const QStringList alone =
        QStringLiteral("reverse testability widgetcount cmap nograb dograb sync").split(u' ');
    static const QStringList joined =
        QStringLiteral("qmljsdebugger= style= stylesheet=").split(u' ');
    QStringList kept;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (argument == QLatin1String("--")) { // the rest is no option
            kept += arguments.mid(i);
            break;
        }
        if (i == 0 || !argument.startsWith(QLatin1Char('-'))) {
            kept << argument;
            continue;
        }
        const QString name = argument.mid(argument.startsWith(QLatin1String("--")) ? 2 : 1);
        if (withValue.contains(name)) {
            ++i; // and its value
            continue;
        }
        const auto joins = [&name](const QString& prefix) { return name.startsWith(prefix); };
        if (alone.contains(name) || std::any_of(joined.begin(), joined.end(), joins))
            continue;
        kept << argument;
    }
    return kept;
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication::setApplicationName(QStringLiteral("LV Monitor"));
    QApplication::setOrganizationName(QStringLiteral("LVMonitor"));
    QApplication::setApplicationVersion(appVersion());

    // The arguments are read before a display is opened, so help, version and a refused
    // argument answer from any terminal, with a display or without.
    CommandLine cl;
    {
        QStringList arguments;
        for (int i = 0; i < argc; ++i)
            arguments.append(QString::fromLocal8Bit(argv[i]));
        arguments = withoutQtOptions(arguments);
        QString error;
        const bool taken = cl.parse(arguments, &error);
        if (!taken || cl.answersAndLeaves()) {
            const QCoreApplication app(argc, argv);
            if (taken)
                return cl.answer(arguments);
            std::fprintf(stderr, "%s\n\n%s", qPrintable(error), qPrintable(cl.parser.helpText()));
            return 1;
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
    if (cl.parser.isSet(cl.web)) {
        // Taken when the arguments were read.
        const auto address = WebPage::parseListenAddress(cl.parser.value(cl.web));
        QString error;
        WebPage* web = main.webPage(&error);
        if (!web || !web->startForThisRun(*address, &error)) {
            std::fprintf(stderr, "lvmonitor: %s\n", qPrintable(error));
            return 1;
        }
    }
    main.show();
    if (cl.parser.isSet(cl.connectNow))
        QTimer::singleShot(0, &main, &frmMain::Connect);
    return app.exec();
}
