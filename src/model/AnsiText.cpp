#include "model/AnsiText.h"

#include <array>

namespace AnsiText {

namespace {
// 0x80..0x9F differ from Latin-1; the five unassigned bytes map to the C1 code points, as the
// system's own conversion does.
constexpr std::array<char16_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
} // namespace

QChar charOf(quint8 byte)
{
    if (byte >= 0x80 && byte <= 0x9F)
        return QChar(kHighControls[byte - 0x80]);
    return QChar(char16_t(byte));
}

QString decode(const QByteArray& data, qsizetype start, qsizetype count)
{
    if (start < 0 || count <= 0 || start >= data.size())
        return {};
    const qsizetype end = std::min(data.size(), start + count);
    QString text(end - start, Qt::Uninitialized);
    QChar* out = text.data();
    for (qsizetype i = start; i < end; ++i)
        *out++ = charOf(quint8(data[i]));
    return text;
}

} // namespace AnsiText
