#pragma once

#include <QPaintDevice>

#include <cmath>

// Window geometry is stored in twips: 1440 per logical inch (15 per pixel at 96 DPI).
namespace Twips {

inline float fromPixelsX(const QPaintDevice& d, int px)
{
    return float(px) * 1440.0f / float(d.logicalDpiX());
}
inline float fromPixelsY(const QPaintDevice& d, int px)
{
    return float(px) * 1440.0f / float(d.logicalDpiY());
}
inline int toPixelsX(const QPaintDevice& d, float twips)
{
    return int(std::lround(twips * float(d.logicalDpiX()) / 1440.0f));
}
inline int toPixelsY(const QPaintDevice& d, float twips)
{
    return int(std::lround(twips * float(d.logicalDpiY()) / 1440.0f));
}

} // namespace Twips
