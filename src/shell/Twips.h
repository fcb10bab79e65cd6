#pragma once

#include <QPaintDevice>

#include <algorithm>
#include <cmath>

// Window geometry is stored in twips: 1440 per logical inch (15 per pixel at 96 DPI).
namespace Twips {

// Stored numbers may be of any size; in pixels they are kept within a million of the origin,
// beyond any screen, so that what is made of them neither overflows nor allocates without end.
inline int boundedPixels(float pixels)
{
    if (!std::isfinite(pixels))
        return 0;
    return int(std::lround(std::clamp(pixels, -1048576.0f, 1048576.0f)));
}

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
    return boundedPixels(twips * float(d.logicalDpiX()) / 1440.0f);
}
inline int toPixelsY(const QPaintDevice& d, float twips)
{
    return boundedPixels(twips * float(d.logicalDpiY()) / 1440.0f);
}

} // namespace Twips
