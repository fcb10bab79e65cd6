#include "SpeedMatcher.h"

bool SpeedMatcher::lineMatches(int consoleSpeed, const ConsoleLine& line, bool dataBitsVisible)
{
    if (line.speed != consoleSpeed)
        return false;
    return !dataBitsVisible || line.dataBits == dataBitsFor(consoleSpeed);
}

bool SpeedMatcher::lineIsLinked(const ConsoleLine& line, bool dataBitsVisible)
{
    return lineMatches(LinkSpeed, line, dataBitsVisible);
}

bool SpeedMatcher::answersHello(int consoleSpeed, Command::Type hello, const ConsoleLine& line,
                                bool dataBitsVisible)
{
    const Command::Type expected =
        consoleSpeed == 1200 ? Command::Type::SlowHello : Command::Type::Hello;
    return hello == expected && lineMatches(consoleSpeed, line, dataBitsVisible);
}
