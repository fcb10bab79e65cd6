#pragma once

#include <QByteArray>
#include <QString>

struct SharedState;

// Puts the fields of a frame into words, e.g. "address 301 = fixture 2 'Spot' channel 1 'Pan',
// level 128" or "dimmer 10 'Front L' patched at 12", naming fixtures, channels, values and
// dimmers from the records. Numbers the console counts from 0 are shown counted from 1. Reads
// only the bytes there are: a short payload is said to be short.
class TrafficFields
{
public:
    explicit TrafficFields(const SharedState& state) : m_state(state) {}

    // A console message's payload (at least one byte).
    QString message(int kind, const QByteArray& payload) const;
    // A command's operands, all of them there.
    QString command(int code, const QByteArray& operands) const;
    // "at 19200 bit/s", with the data bits when they are not 8.
    static QString speed(const QString& lineSettings);

private:
    QString fixtureText(int f) const;
    QString channelText(int f, int ch) const;
    QString valueText(int f, int ch, quint8 value) const;
    QString dimmerText(int d) const;

    const SharedState& m_state;
};
