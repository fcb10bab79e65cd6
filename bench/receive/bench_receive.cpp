// How many messages per CPU-second the receive path handles, against what the serial line can
// carry at all: DMX levels for fixture channels with no view and with the fixtures view open, and
// a mixed live stream (dimmer, DMX, playback levels, show steps) with no view and with every view
// open. Then how long one render of the largest scene buffer the receiver accepts takes.
//
// Runs offscreen with a settings file of its own; never touches the user's settings.

#include "link/FakeSerialBackend.h"
#include "shell/MonitorView.h"
#include "shell/frmMain.h"

#include <QApplication>
#include <QDir>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <initializer_list>
#include <vector>

namespace {

constexpr int Messages = 100000;
constexpr int Rounds = 7;
constexpr int FixtureCount = 48;
constexpr int ChannelsPerFixture = 12;
constexpr int StepsPerChannel = 4;
// 38400 bit/s with start and stop bits: 3840 bytes/s; a DMX level message is 7 bytes.
constexpr int LineMessagesPerSecond = 3840 / 7;
constexpr double TargetNoView = 10'000'000;
constexpr double TargetView = 500'000;
constexpr double TargetMixedNoView = 10'000'000;
constexpr double TargetMixedAllViews = 500'000;
// The traffic window decodes and lists every message: 100 times the line still leaves it at a
// small share of a core.
constexpr double TargetMixedTraffic = 100.0 * LineMessagesPerSecond;
constexpr double TargetSceneRenderMs = 5.0;
constexpr int DimmerCount = 128;
constexpr int FirstDimmerAddress = 1001;
constexpr int ShowSteps = 20;
constexpr int SceneRenders = 30;
constexpr int LargestPayload = 32767;

QByteArray message(int kind, const QByteArray& payload)
{
    QByteArray out;
    out.append(char(0xA5)).append(char(kind));
    out.append(char(payload.size() & 0xFF)).append(char(payload.size() >> 8));
    return out + payload;
}

QByteArray bytes(std::initializer_list<int> list)
{
    QByteArray out;
    for (int b : list)
        out.append(char(b));
    return out;
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

// CPU time of this process: a busy machine slows the wall clock, not the work done.
double cpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Median messages per CPU-second over the rounds; each round ends once the window has painted.
double measure(FakeSerialBackend& backend, const QByteArray& stream)
{
    backend.deliver(stream); // warm up
    QApplication::processEvents();
    std::vector<double> rates;
    for (int r = 0; r < Rounds; ++r) {
        backend.clearWrites();
        const double start = cpuSeconds();
        backend.deliver(stream);
        QApplication::processEvents();
        rates.push_back(Messages / (cpuSeconds() - start));
    }
    return median(rates);
}

QByteArray dimmer(int d)
{
    QByteArray p(24, '\0');
    p[0] = char(d);
    p[1] = 1;
    const int address = FirstDimmerAddress + d;
    p[2] = char(address & 0xFF);
    p[3] = char(address >> 8);
    p[4] = 1;
    p.replace(7, 16, text("Dimmer " + QByteArray::number(d + 1), 16));
    return p;
}

QByteArray playback(int n)
{
    QByteArray p(23, '\0');
    p[0] = char(n);
    p[1] = 1;
    p[2] = 1;
    p[3] = char(1 + n % 4);
    p[4] = char(n % 3);
    p[5] = char(n);
    p.replace(6, 16, text("Memory " + QByteArray::number(n + 1), 16));
    p[22] = char(200);
    return p;
}

QByteArray showList()
{
    QByteArray p(2, '\0'); // show 1 on page 1
    p += text("Bench show", 16);
    p.append(char(ShowSteps));
    for (int k = 0; k < ShowSteps; ++k)
        p.append(char(k)).append(char(0)).append(text("Scene " + QByteArray::number(k + 1), 16));
    return p;
}

// What a busy console sends while a show runs: dimmer levels, DMX levels at dimmer and at
// fixture addresses, playback fader levels and show steps, interleaved.
QByteArray mixedStream()
{
    QByteArray stream;
    stream.reserve(Messages * 7);
    for (int i = 0; i < Messages; ++i) {
        const int level = (i * 7) & 0xFF;
        switch (i % 5) {
        case 0:
            stream.append(message(18, bytes({i % DimmerCount, level})));
            break;
        case 1: {
            const int address = FirstDimmerAddress + (i / 5) % DimmerCount;
            stream.append(message(9, bytes({address & 0xFF, address >> 8, level})));
            break;
        }
        case 2: {
            const int address = 1 + (i / 5) % Addresses;
            stream.append(message(9, bytes({address & 0xFF, address >> 8, level})));
            break;
        }
        case 3: // levels of 0 make the playbacks view ask for the fader's memory again
            stream.append(message(20, bytes({i % 16, level | 1})));
            break;
        default:
            stream.append(message(24, bytes({0, 0, (i / 5) % ShowSteps})));
            break;
        }
    }
    return stream;
}

// The largest scene buffer the receiver accepts: records of every kind, fixture channels the
// most, up to the last byte.
QByteArray sceneBuffer()
{
    QByteArray p;
    p.reserve(LargestPayload);
    for (int i = 0; p.size() < LargestPayload; ++i) {
        QByteArray record;
        switch (i % 8) {
        case 5:
            record = QByteArray::fromHex("800219000000000000"); // preset on a factory page
            break;
        case 6:
            record = QByteArray::fromHex("900302000000"); // chase
            break;
        case 7:
            record = bytes({0xB0 | (i & 1), i % 48, 0, i, 0, i >> 3});
            break;
        default:
            record = bytes({i % 48, i % 12, i * 5});
            break;
        }
        p.append(record.left(LargestPayload - p.size()));
    }
    return p;
}

// Median milliseconds of CPU time for one scene events message, from its bytes to the painted
// text.
double sceneRenderMs(FakeSerialBackend& backend)
{
    const QByteArray events = message(5, sceneBuffer());
    backend.deliver(events); // warm up
    QApplication::processEvents();
    std::vector<double> times;
    for (int r = 0; r < SceneRenders; ++r) {
        const double start = cpuSeconds();
        backend.deliver(events);
        QApplication::processEvents();
        times.push_back((cpuSeconds() - start) * 1000.0);
    }
    return median(times);
}

// The last level of the stream must have reached its fixture, or nothing was measured.
bool lastLevelArrived(const SharedState& state)
{
    const int i = Messages - 1;
    const int address = 1 + i % Addresses;
    const Fixture& f = state.Fixtures[size_t((address - 1) / ChannelsPerFixture)];
    return f.chval(qint16((address - 1) % ChannelsPerFixture)) == levelOf(i, address);
}

bool report(const char* label, double rate, double target)
{
    std::printf("%-26s %12.0f msgs/s  %8.0f x the line  (target %.0f: %s)\n", label, rate,
                rate / double(LineMessagesPerSecond), target, rate >= target ? "met" : "MISSED");
    return rate >= target;
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
    main.resize(1600, 1000);
    main.show();
    SerialPort& port = main.MSComm1();
    port.setPortOpen(true);
    main.receiver().RxState = Receiver::Hunting;
    port.setRThreshold(1);

    QByteArray rig = message(7, profile());
    for (int f = 0; f < FixtureCount; ++f)
        rig += message(4, fixture(f));
    for (int d = 0; d < DimmerCount; ++d)
        rig += message(17, dimmer(d));
    for (int n = 0; n < 16; ++n)
        rig += message(19, playback(n));
    backend->deliver(rig);
    const QByteArray levels = levelStream();
    const QByteArray mixed = mixedStream();

    std::printf("%d messages a round, median of %d rounds, CPU time; %d fixtures of %d channels, "
                "%d dimmers, 16 playbacks\nline ceiling: 38400 bit/s = 3840 bytes/s = %d "
                "messages/s\n",
                Messages, Rounds, FixtureCount, ChannelsPerFixture, DimmerCount,
                LineMessagesPerSecond);

    bool met = true;
    const double noView = measure(*backend, levels);
    if (!lastLevelArrived(main.state())) {
        std::printf("the levels did not reach the fixtures\n");
        return 1;
    }
    met &= report("DMX levels, no view", noView, TargetNoView);
    met &= report("mixed, no view", measure(*backend, mixed), TargetMixedNoView);

    if (!main.showView(ViewId::Fixtures)) {
        std::printf("the fixtures view is missing from this build\n");
        return 1;
    }
    QApplication::processEvents();
    met &= report("DMX levels, fixtures view", measure(*backend, levels), TargetView);

    for (auto view :
         {ViewId::Dimmers, ViewId::Playbacks, ViewId::Page, ViewId::Scene, ViewId::Show}) {
        if (!main.showView(view)) {
            std::printf("view %d is missing from this build\n", int(view));
            return 1;
        }
    }
    backend->deliver(message(22, showList()));
    QApplication::processEvents();
    met &= report("mixed, every view open", measure(*backend, mixed), TargetMixedAllViews);

    main.showView(ViewId::Traffic);
    QApplication::processEvents();
    met &= report("mixed, views + traffic", measure(*backend, mixed), TargetMixedTraffic);
    // Closed, it watches nothing: the figures above are those without it.
    main.findChild<QMdiArea*>()->activeSubWindow()->close();
    QApplication::processEvents();

    main.showView(ViewId::Scene); // in front, so that each render is painted
    const double renderMs = sceneRenderMs(*backend);
    const bool renderMet = renderMs < TargetSceneRenderMs;
    std::printf("scene buffer of %d bytes       %8.2f ms a render          (target < %.0f ms: "
                "%s)\n",
                LargestPayload, renderMs, TargetSceneRenderMs, renderMet ? "met" : "MISSED");
    std::fflush(stdout);
    return met && renderMet ? 0 : 1;
}
