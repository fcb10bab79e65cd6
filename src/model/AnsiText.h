#pragma once

#include <QByteArray>
#include <QString>

// Text fields from the console: one Windows-1252 character per byte, nothing trimmed, NULs kept.
namespace AnsiText {

// Decodes `count` bytes of `data` from `start`. Bytes past the end of `data` are not read, so a
// short payload gives a shorter text.
QString decode(const QByteArray& data, qsizetype start, qsizetype count);

// The character that the byte stands for.
QChar charOf(quint8 byte);

} // namespace AnsiText
