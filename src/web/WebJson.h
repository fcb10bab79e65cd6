#pragma once

#include <QByteArray>
#include <QString>

// Small pieces of JSON written straight into UTF-8: the live feed writes many of them a second.
namespace WebJson {

// `text` as a JSON string, quotes included. Control characters are escaped, so that nothing the
// console sends can end the string or the message.
inline void appendString(QByteArray& out, const QString& text)
{
    static constexpr char Hex[] = "0123456789abcdef";
    const QByteArray utf8 = text.toUtf8();
    out += '"';
    for (const char c : utf8) {
        const auto b = uchar(c);
        if (b == '"' || b == '\\') {
            out += '\\';
            out += c;
        } else if (b < 0x20) {
            out += "\\u00";
            out += Hex[b >> 4];
            out += Hex[b & 15];
        } else {
            out += c;
        }
    }
    out += '"';
}

// A name from the console, without the spaces that pad it to its field's width.
inline void appendName(QByteArray& out, const QString& name)
{
    qsizetype end = name.size();
    while (end > 0 && name[end - 1].isSpace())
        --end;
    appendString(out, name.left(end));
}

inline QByteArray string(const QString& text)
{
    QByteArray out;
    appendString(out, text);
    return out;
}

inline QByteArray boolean(bool value)
{
    return value ? QByteArrayLiteral("true") : QByteArrayLiteral("false");
}

inline QByteArray number(int value)
{
    return QByteArray::number(value);
}

} // namespace WebJson
