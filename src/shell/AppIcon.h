#pragma once

#include <QIcon>

// The program's own icon (a lamp over a row of faders), at every size the desktop asks for.
// Drawn from PNGs compiled in, so no image plugin is needed to show it.
QIcon appIcon();
