#pragma once

#include "CommandParser.h"
#include "ConsoleLine.h"

// Decides whether the program's line settings let the console understand it. A console set to
// 1200 bit/s listens with 7 data bits for 55 25 05; at 38400 or 19200 it listens with 8 data
// bits for A5 01. Once linked the line runs at 38400 bit/s, 8 data bits. On a pseudo-terminal
// the data bits cannot be seen (Linux reports 8 whatever the program set), so they are only
// compared where they are visible.
class SpeedMatcher
{
public:
    static bool isSupportedSpeed(int speed)
    {
        return speed == 38400 || speed == 19200 || speed == 1200;
    }
    static int dataBitsFor(int consoleSpeed) { return consoleSpeed == 1200 ? 7 : 8; }
    static constexpr int LinkSpeed = 38400;

    // The line as the console at consoleSpeed expects it before the link is up.
    static bool lineMatches(int consoleSpeed, const ConsoleLine& line, bool dataBitsVisible);
    // The line after the link-up.
    static bool lineIsLinked(const ConsoleLine& line, bool dataBitsVisible);
    // True if the console at consoleSpeed answers this hello received on this line.
    static bool answersHello(int consoleSpeed, Command::Type hello, const ConsoleLine& line,
                             bool dataBitsVisible);
};
