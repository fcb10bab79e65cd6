#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// One frame on the line, as the traffic view lists it.
struct TrafficLine
{
    enum class Direction : quint8
    {
        FromConsole,
        ToConsole,
        Link, // what happened to the link itself: lost, reconnecting, up
    };
    // Kinds that are no message kind or command byte.
    enum : int
    {
        SkippedBytes = -1, // bytes outside any frame; length is their count
        HelloReply = -2,   // the console's answer to the hello
        LinkEvent = -3,    // a line of its own about the link; decoded says what
    };
    // The hello at 1200 bit/s is 55 25 05, not A5 and a command byte; it is listed as kind 0x55.
    static constexpr int SlowHello = 0x55;

    qint64 timeMs = 0; // the wall clock, milliseconds since the epoch
    Direction direction = Direction::FromConsole;
    // The console's message kind, or the command byte after A5, or one of the values above.
    int kind = 0;
    int length = 0;     // payload bytes (for a command: its operands)
    QByteArray payload; // without start byte and header
    QString decoded;    // the fields in words

    // "9 DMX level", "A5 0F entry pick", "hello reply", "skipped bytes".
    QString kindText() const { return kindName(direction, kind); }
    static QString kindName(Direction direction, int kind);
    static QString directionText(Direction direction);
    // Kinds the program knows in each direction: what the traffic view offers to filter by.
    static QList<int> knownKinds(Direction direction);
};
