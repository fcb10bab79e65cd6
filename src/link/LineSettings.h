#pragma once

#include <QString>

#include <optional>

// A line settings text of the serial control: "baud,parity,data bits,stop bits", e.g.
// "38400,n,8,1".
struct LineSettings
{
    qint32 baud = 38400;
    char parity = 'n'; // n, e, o, m, s
    int dataBits = 8;
    int stopBits = 1;

    static std::optional<LineSettings> parse(const QString& text);
    bool operator==(const LineSettings&) const = default;
};
