#include "link/TrafficLine.h"

namespace {

const char* consoleKindName(int kind)
{
    switch (kind) {
    case 2:
        return "page selection";
    case 3:
        return "page contents";
    case 4:
        return "fixture data";
    case 5:
        return "scene events";
    case 7:
        return "profile data";
    case 8:
        return "channel value";
    case 9:
        return "DMX level";
    case 10:
        return "all levels off";
    case 12:
        return "fixture selection";
    case 16:
        return "console information";
    case 17:
        return "dimmer data";
    case 18:
        return "dimmer level";
    case 19:
        return "playback data";
    case 20:
        return "playback level";
    case 21:
        return "playback page change";
    case 22:
        return "show list";
    case 23:
        return "show started";
    case 24:
        return "show step";
    default:
        return nullptr;
    }
}

const char* commandName(int code)
{
    switch (code) {
    case 0x01:
        return "hello";
    case 0x02:
        return "current page request";
    case 0x03:
        return "page contents request";
    case 0x04:
        return "fixture data request";
    case 0x05:
        return "scene events request";
    case 0x08:
        return "channel value";
    case 0x0B:
        return "monitor notice";
    case 0x0D:
        return "page step";
    case 0x0E:
        return "page kind";
    case 0x0F:
        return "entry pick";
    case 0x11:
        return "dimmer data request";
    case 0x13:
        return "playback request";
    case 0x15:
        return "playback pages request";
    case 0x16:
        return "show list request";
    default:
        return nullptr;
    }
}

} // namespace

QString TrafficLine::kindName(Direction direction, int kind)
{
    if (kind == SkippedBytes)
        return QStringLiteral("skipped bytes");
    if (kind == HelloReply)
        return QStringLiteral("hello reply");
    if (kind == LinkEvent)
        return QStringLiteral("link");
    if (direction == Direction::FromConsole) {
        const char* name = consoleKindName(kind);
        return QStringLiteral("%1 %2").arg(kind).arg(QLatin1String(name ? name : "unknown"));
    }
    if (kind == SlowHello)
        return QStringLiteral("55 25 05 hello");
    const char* name = commandName(kind);
    return QStringLiteral("A5 %1 %2")
        .arg(kind, 2, 16, QLatin1Char('0'))
        .toUpper()
        .arg(QLatin1String(name ? name : "unknown"));
}

QString TrafficLine::directionText(Direction direction)
{
    switch (direction) {
    case Direction::FromConsole:
        return QStringLiteral("console \u2192 PC");
    case Direction::ToConsole:
        return QStringLiteral("PC \u2192 console");
    case Direction::Link:
        break;
    }
    return QStringLiteral("link");
}

QList<int> TrafficLine::knownKinds(Direction direction)
{
    // The kinds the receive path dispatches, and the commands of link/Commands.
    if (direction == Direction::FromConsole)
        return {HelloReply, 2,  3,  4,  5,  7,  8,  9,  10, 12,
                16,         17, 18, 19, 20, 21, 22, 23, 24, SkippedBytes};
    return {0x01, SlowHello, 0x02, 0x03, 0x04, 0x05, 0x08, 0x0B,
            0x0D, 0x0E,      0x0F, 0x11, 0x13, 0x15, 0x16, SkippedBytes};
}
