#pragma once

#include <QString>

// The program's version, as the package carries it: --version, the About box and the manual page
// all show this one string, set once by the project's VERSION in CMakeLists.txt.
inline QString appVersion()
{
    return QStringLiteral(LV_VERSION);
}
