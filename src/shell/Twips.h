#pragma once

#include <QFontMetricsF>
#include <QSizeF>
#include <QWidget>

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

// The views' layouts are given in twips for the classic 8 pt dialog font, whose characters average
// 6 by 13 pixels at 96 DPI. In a font that is wider or taller (another family, a larger size)
// every position and size of a layout grows by the ratio, as dialog units do, so that no text
// runs into the next control; a narrower font keeps the layout as it was drawn.
inline QSizeF layoutScale(const QWidget& w)
{
    const QFontMetricsF metrics(w.font(), &w);
    const qreal designWidth = 6.0 * w.logicalDpiX() / 96.0;
    const qreal designHeight = 13.0 * w.logicalDpiY() / 96.0;
    return {std::max<qreal>(1.0, metrics.averageCharWidth() / designWidth),
            std::max<qreal>(1.0, metrics.height() / designHeight)};
}
// A position or size of a layout, in pixels.
inline int layoutX(const QWidget& w, float twips)
{
    return toPixelsX(w, twips * float(layoutScale(w).width()));
}
inline int layoutY(const QWidget& w, float twips)
{
    return toPixelsY(w, twips * float(layoutScale(w).height()));
}

} // namespace Twips
