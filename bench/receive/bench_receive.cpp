// How many DMX level messages a second the receive path handles, with no view open and with the
// fixtures view open, against what the serial line can carry at all.
//
// Runs offscreen with a settings file of its own; never touches the user's settings.

#include "link/FakeSerialBackend.h"
#include "shell/MonitorView.h"
#include "shell/frmMain.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int Messages = 100000;
constexpr int Rounds = 7;
constexpr int FixtureCount = 48;
constexpr int ChannelsPerFixture = 12;
constexpr int StepsPerChannel = 4;
// 38400 bit/s with start and stop bits: 3840 bytes/s; a DMX level message is 7 bytes.
constexpr int LineMessagesPerSecond = 3840 / 7;
constexpr double TargetNoView = 2'000'000;
constexpr double TargetView = 200'000;

QByteArray message(int kind, const QByteArray& payload)
{
    QByteArray out;
    out.append(char(0xA5)).append(char(kind));
    out.append(char(payload.size() & 0xFF)).append(char(payload.size() >> 8));
    return out + payload;
}

QByteArray text(const QByteArray& s, int width)
{
    return s.left(width) + QByteArray(width - std::min<int>(width, int(s.size())), ' ');
}

// A profile that names every channel's values in four steps, so each level gets a name looked up.
QByteArray profile()
{
    QByteArray p(202 + 8 * ChannelsPerFixture, '\0');
    p[0] = 1;
    p[31] = char(ChannelsPerFixture);
    for (int k = 0; k < ChannelsPerFixture; ++k)
        p[70 + k] = char(StepsPerChannel);
    for (int k = 0; k < ChannelsPerFixture; ++k)
        for (int s = 0; s < StepsPerChannel; ++s) {
            const int start = s * 64;
            p.append(char(start)).append(char(start)).append(char(start + 63));
            p.append(text("STEP " + QByteArray::number(s), 8));
        }
    return p;
}

QByteArray fixture(int f)
{
    QByteArray p(61, '\0');
    p[0] = char(f);
    p[1] = char(255);
    p[2] = 1;
    p[3] = char(ChannelsPerFixture);
    p[4] = 1;
    const int address = 1 + f * ChannelsPerFixture;
    p[5] = char(address & 0xFF);
    p[6] = char(address >> 8);
    p.replace(13, 16, text("Moving head " + QByteArray::number(f + 1), 16));
    p.append(char(ChannelsPerFixture));
    for (int c = 0; c < ChannelsPerFixture; ++c)
        p.append(text("chan " + QByteArray::number(c + 1), 8));
    return p;
}

constexpr int Addresses = FixtureCount * ChannelsPerFixture;

int levelOf(int i, int address)
{
    return (i / Addresses * 7 + address) & 0xFF;
}

// Levels for every fixture channel in turn, the values moving as a fader would.
QByteArray levelStream()
{
    QByteArray stream;
    stream.reserve(Messages * 7);
    for (int i = 0; i < Messages; ++i) {
        const int address = 1 + i % Addresses;
        const int value = levelOf(i, address);
        const char payload[] = {char(address & 0xFF), char(address >> 8), char(value)};
        stream.append(message(9, QByteArray(payload, sizeof payload)));
    }
    return stream;
}

// Median messages per second over the rounds; each round ends once the window has painted.
double measure(FakeSerialBackend& backend, const QByteArray& stream)
{
    backend.deliver(stream); // warm up
    QApplication::processEvents();
    std::vector<double> rates;
    for (int r = 0; r < Rounds; ++r) {
        QElapsedTimer timer;
        timer.start();
        backend.deliver(stream);
        QApplication::processEvents();
        rates.push_back(Messages / (double(timer.nsecsElapsed()) / 1e9));
    }
    std::sort(rates.begin(), rates.end());
    return rates[rates.size() / 2];
}

// The last level of the stream must have reached its fixture, or nothing was measured.
bool lastLevelArrived(const SharedState& state)
{
    const int i = Messages - 1;
    const int address = 1 + i % Addresses;
    const Fixture& f = state.Fixtures[size_t((address - 1) / ChannelsPerFixture)];
    return f.chval(qint16((address - 1) % ChannelsPerFixture)) == levelOf(i, address);
}

void report(const char* label, double rate, double target)
{
    std::printf("%-22s %12.0f msgs/s  %8.0f x the line  (target %.0f: %s)\n", label, rate,
                rate / double(LineMessagesPerSecond), target, rate >= target ? "met" : "MISSED");
}

} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir settingsDir;
    qputenv("LVMONITOR_SETTINGS", QDir(settingsDir.path()).filePath("bench.ini").toUtf8());
    QApplication app(argc, argv);

    auto* backend = new FakeSerialBackend;
    frmMain main{std::unique_ptr<SerialBackend>(backend)};
    main.show();
    SerialPort& port = main.MSComm1();
    port.setPortOpen(true);
    main.receiver().RxState = Receiver::Hunting;
    port.setRThreshold(1);

    QByteArray rig = message(7, profile());
    for (int f = 0; f < FixtureCount; ++f)
        rig += message(4, fixture(f));
    backend->deliver(rig);
    const QByteArray stream = levelStream();

    std::printf("%d DMX level messages of 7 bytes, %d fixtures of %d channels, median of %d "
                "rounds\nline ceiling: 38400 bit/s = 3840 bytes/s = %d messages/s\n",
                Messages, FixtureCount, ChannelsPerFixture, Rounds, LineMessagesPerSecond);

    const double noView = measure(*backend, stream);
    if (!lastLevelArrived(main.state())) {
        std::printf("the levels did not reach the fixtures\n");
        return 1;
    }
    report("no view", noView, TargetNoView);

    MonitorView* view = main.showView(SessionHost::View::Fixtures);
    if (!view) {
        std::printf("the fixtures view is missing from this build\n");
        return 1;
    }
    QApplication::processEvents();
    const double withView = measure(*backend, stream);
    report("fixtures view open", withView, TargetView);
    std::fflush(stdout);

    return noView >= TargetNoView && withView >= TargetView ? 0 : 1;
}
