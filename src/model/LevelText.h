#pragma once

#include <QString>

// A level 0..255 as the console shows it in percent: floor((L + 1) * 100 / 255), so 0 and 1 read
// 0% and 254 and 255 read 100%.
inline QString percentText(quint8 level)
{
    return QString::number((int(level) + 1) * 100 / 255) + QLatin1Char('%');
}

// A level as the user chose to read it: 0..255, or in percent.
inline QString levelText(quint8 level, bool inPercent)
{
    return inPercent ? percentText(level) : QString::number(level);
}
