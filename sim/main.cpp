// lvconsole-sim: a stage-lighting console's side of the monitor's serial protocol.

#include "ConsoleSimulator.h"
#include "ReplaySession.h"
#include "SpeedMatcher.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QTextStream>

#include <csignal>
#include <cstdio>
#include <unistd.h>

namespace {

int g_signalPipe[2] = {-1, -1};

void onSignal(int)
{
    const char b = 1;
    [[maybe_unused]] const ssize_t n = ::write(g_signalPipe[1], &b, 1);
}

const char* const kDescription =
    "Simulates a stage-lighting console on a serial line, for trying and testing LV Monitor\n"
    "without a console on the desk.\n"
    "\n"
    "By default it creates a pseudo-terminal and prints the device path of its slave side on\n"
    "the first line of standard output; point LV Monitor at that device (for example\n"
    "LVMONITOR_COM1=/dev/pts/7) and press Connect. Logs go to standard error.\n"
    "\n"
    "The console answers the monitor's hello only when the line is set to its speed: at\n"
    "38400 or 19200 bit/s it answers A5 01 with A5 01, at 1200 bit/s (7 data bits) it answers\n"
    "55 25 05 with 55 25 05. Then it talks at 38400 bit/s, 8 data bits, sends its console\n"
    "information and answers the monitor's requests from a rig chosen by --seed: profiles,\n"
    "48 fixture slots, 128 dimmers (20 to 40 patched), 16 playbacks, memory pages of every\n"
    "kind, a scene buffer and three shows. Once the fixture and dimmer data are loaded it\n"
    "sends live traffic: a dimmer chase, moving fixtures, fader moves, shows starting and\n"
    "stepping, and fixture selections.\n"
    "\n"
    "With --replay it plays a session recorded by LV Monitor (--record, or Connection > Record\n"
    "to file) back instead: it answers the hello at the speed the recorded console did (or at\n"
    "--speed), then sends what the console sent from the link-up on with its original timing\n"
    "(--speed-factor 4 plays it four times as fast) and logs every command the program sends,\n"
    "in hex. It answers nothing else. A file that is no recording or is damaged is reported\n"
    "and the simulator exits with status 1; a file cut short (the recording program stopped)\n"
    "is played up to its last whole record, and where it stopped is logged.\n"
    "\n"
    "Stop it with Ctrl+C; the --link symbolic link is removed on exit.";

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("lvconsole-sim"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromLatin1(kDescription));
    parser.addHelpOption();
    const QCommandLineOption speed(
        QStringLiteral("speed"),
        QStringLiteral("The console's line speed: 38400 (default), 19200 or 1200. The hello is "
                       "answered only on a line set to this speed (1200: 7 data bits). On a "
                       "pseudo-terminal the data bits cannot be seen, so only the speed counts."),
        QStringLiteral("bps"), QStringLiteral("38400"));
    const QCommandLineOption link(
        QStringLiteral("link"),
        QStringLiteral("Also make a symbolic link at <path> to the pseudo-terminal's slave "
                       "device; removed on exit (also on SIGINT and SIGTERM)."),
        QStringLiteral("path"));
    const QCommandLineOption device(
        QStringLiteral("device"),
        QStringLiteral("Serve an existing serial device (a cable or one end of a null-modem "
                       "pair) instead of a pseudo-terminal. The simulator sets its speed and "
                       "data bits itself, and moves to 38400 after the hello."),
        QStringLiteral("path"));
    const QCommandLineOption seed(
        QStringLiteral("seed"),
        QStringLiteral("Chooses the rig: fixture layout and addresses, dimmer patch, levels. "
                       "The same seed gives the same rig. Default 1."),
        QStringLiteral("n"), QStringLiteral("1"));
    const QCommandLineOption extended(
        QStringLiteral("extended"),
        QStringLiteral("Report console type 3: fixture data and scene events in the extended "
                       "format (default: type 2, standard format)."));
    const QCommandLineOption noise(
        QStringLiteral("noise"),
        QStringLiteral("Answer bytes received at the wrong speed with garbage, as a real line "
                       "would deliver (default: silence)."));
    const QCommandLineOption noPacing(
        QStringLiteral("no-pacing"),
        QStringLiteral("Send as fast as the device takes the bytes, not at speed / 10 bytes "
                       "per second."));
    const QCommandLineOption rate(
        QStringLiteral("rate"),
        QStringLiteral("Live messages per second after the data load; 0 for none. Default 20."),
        QStringLiteral("n"), QStringLiteral("20"));
    const QCommandLineOption flood(
        QStringLiteral("flood"),
        QStringLiteral("Keep the line full of live traffic at its full byte rate (for "
                       "benchmarks); overrides --rate."));
    const QCommandLineOption verbose(
        QStringLiteral("verbose"),
        QStringLiteral("Log every command received and every message sent, one line each, "
                       "e.g. \"<- A5 04 FF  request all fixtures\"."));
    const QCommandLineOption replay(
        QStringLiteral("replay"),
        QStringLiteral("Play back the console's side of a recorded session instead of a rig "
                       "(--seed, --extended, --rate and --flood do not apply)."),
        QStringLiteral("file"));
    const QCommandLineOption speedFactor(
        QStringLiteral("speed-factor"),
        QStringLiteral("With --replay: play the recording <x> times as fast (0.5: half as fast). "
                       "From 0.01 to 1000; default 1, the original timing."),
        QStringLiteral("x"), QStringLiteral("1"));
    parser.addOptions({speed, link, device, seed, extended, noise, noPacing, rate, flood, verbose,
                       replay, speedFactor});
    parser.process(app);

    QTextStream err(stderr);
    bool ok = false;
    SimulatorOptions options;
    options.speed = parser.value(speed).toInt(&ok);
    if (!ok || !SpeedMatcher::isSupportedSpeed(options.speed)) {
        err << "lvconsole-sim: --speed must be 38400, 19200 or 1200\n";
        return 2;
    }
    options.seed = parser.value(seed).toUInt(&ok);
    if (!ok) {
        err << "lvconsole-sim: --seed must be a non-negative number\n";
        return 2;
    }
    options.rate = parser.value(rate).toInt(&ok);
    if (!ok || options.rate < 0) {
        err << "lvconsole-sim: --rate must be a non-negative number\n";
        return 2;
    }
    options.extended = parser.isSet(extended);
    options.noise = parser.isSet(noise);
    options.pacing = !parser.isSet(noPacing);
    options.flood = parser.isSet(flood);
    options.verbose = parser.isSet(verbose);
    if (parser.isSet(device) && parser.isSet(link)) {
        err << "lvconsole-sim: --link applies to the pseudo-terminal, not to --device\n";
        return 2;
    }
    options.speedFactor = parser.value(speedFactor).toDouble(&ok);
    if (!ok) {
        err << "lvconsole-sim: --speed-factor must be a number, e.g. 2 to play twice as fast\n";
        return 2;
    }
    if (!(options.speedFactor >= ReplaySession::MinSpeedFactor &&
          options.speedFactor <= ReplaySession::MaxSpeedFactor)) {
        err << "lvconsole-sim: --speed-factor " << parser.value(speedFactor)
            << " is outside the range it takes, " << ReplaySession::MinSpeedFactor << " to "
            << ReplaySession::MaxSpeedFactor << " (0.5 plays at half speed, 2 twice as fast)\n";
        return 1;
    }
    if (parser.isSet(speedFactor) && !parser.isSet(replay)) {
        err << "lvconsole-sim: --speed-factor applies to --replay\n";
        return 2;
    }
    if (parser.isSet(replay)) {
        QString error;
        options.replay = ReplaySession::load(parser.value(replay), &error);
        if (!options.replay) {
            err << "lvconsole-sim: cannot replay " << error << '\n';
            return 1;
        }
        // The console answers at the speed it did in the recording unless told otherwise.
        if (!parser.isSet(speed) && SpeedMatcher::isSupportedSpeed(options.replay->consoleSpeed))
            options.speed = options.replay->consoleSpeed;
        if (!options.replay->note.isEmpty())
            err << "lvconsole-sim: " << options.replay->note << " It is played up to there.\n";
        if (options.replay->chunkCount == 0)
            err << "lvconsole-sim: the recording holds nothing the console sent after the link-up; "
                   "only the hello will be answered\n";
    }

    ConsoleSimulator sim(options);
    QObject::connect(&sim, &ConsoleSimulator::logLine, &app, [&err](const QString& line) {
        err << line << '\n';
        err.flush();
    });
    QString error;
    const bool opened =
        parser.isSet(device) ? sim.openDevice(parser.value(device), &error) : sim.openPty(&error);
    if (!opened) {
        err << "lvconsole-sim: " << error << '\n';
        return 1;
    }

    // Stopping must remove the link even when it comes at once, before the line is announced.
    if (::pipe(g_signalPipe) == 0) {
        auto* notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, &app);
        QObject::connect(notifier, &QSocketNotifier::activated, &app, &QCoreApplication::quit);
        struct sigaction sa = {};
        sa.sa_handler = onSignal;
        sigemptyset(&sa.sa_mask);
        sigaction(SIGINT, &sa, nullptr);
        sigaction(SIGTERM, &sa, nullptr);
        sigaction(SIGHUP, &sa, nullptr);
    }

    const QString linkPath = parser.value(link);
    if (!linkPath.isEmpty()) {
        const QFileInfo existing(linkPath);
        if (existing.isSymLink())
            QFile::remove(linkPath);
        else if (existing.exists()) {
            err << "lvconsole-sim: " << linkPath << " exists and is not a symbolic link\n";
            return 1;
        }
        if (!QFile::link(sim.devicePath(), linkPath)) {
            err << "lvconsole-sim: cannot make the link " << linkPath << '\n';
            return 1;
        }
    }

    std::printf("%s\n", sim.devicePath().toLocal8Bit().constData());
    std::fflush(stdout);
    if (options.replay)
        err << QStringLiteral("console at %1 bit/s replaying %2 on %3")
                   .arg(options.speed)
                   .arg(parser.value(replay), sim.devicePath())
            << '\n';
    else
        err << QStringLiteral("console at %1 bit/s, seed %2%3 on %4")
                   .arg(options.speed)
                   .arg(options.seed)
                   .arg(options.extended ? ", extended format" : "")
                   .arg(sim.devicePath())
            << '\n';
    err.flush();

    const int rc = app.exec();
    sim.close();
    if (!linkPath.isEmpty())
        QFile::remove(linkPath);
    return rc;
}
