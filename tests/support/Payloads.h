#pragma once

// Builders for console messages in tests: whole messages and the payloads of the record kinds.

#include <QByteArray>
#include <QList>
#include <QString>

#include <initializer_list>

namespace Payloads {

inline QByteArray bytes(std::initializer_list<int> list)
{
    QByteArray out;
    for (int b : list)
        out.append(char(b));
    return out;
}

// A5, kind, length low, length high, payload.
inline QByteArray message(int kind, const QByteArray& payload)
{
    QByteArray out = bytes({0xA5, kind, int(payload.size() & 0xFF), int(payload.size() >> 8)});
    return out + payload;
}

inline QByteArray field(const QByteArray& text, int width)
{
    QByteArray out = text.left(width);
    out.append(QByteArray(width - out.size(), ' '));
    return out;
}

struct FixtureLayout
{
    int number = 0;
    int type = 255;
    int profile = 0;
    int nchnls = 3;
    int multi = 1;
    int address = 1;
    QByteArray name = "Spot";
    QList<QByteArray> channelNames = {"Pan", "Tilt", "Dim"};
    bool extended = false;
};

inline QByteArray fixture(const FixtureLayout& s)
{
    QByteArray p(61, '\0');
    p[0] = char(s.number);
    p[1] = char(s.type);
    p[2] = char(s.profile);
    p[3] = char(s.nchnls);
    p[4] = char(s.multi);
    p[5] = char(s.address & 0xFF);
    p[6] = char((s.address >> 8) & 0xFF);
    p.replace(13, 16, field(s.name, 16));
    if (s.extended)
        p.append(char(0x77)); // the extended format's extra byte
    p.append(char(s.channelNames.size()));
    for (const auto& n : s.channelNames)
        p.append(field(n, 8));
    return p;
}

struct Step
{
    int value, start, end;
    QByteArray name;
};

// Steps per described channel; channels beyond the list have none.
inline QByteArray profile(int number, const QList<QList<Step>>& channels)
{
    const int c = int(channels.size());
    QByteArray p(202 + 8 * c, '\0');
    p[0] = char(number);
    p[31] = char(c);
    for (int k = 0; k < c; ++k)
        p[70 + k] = char(channels[k].size());
    for (const auto& steps : channels)
        for (const auto& st : steps) {
            p.append(char(st.value));
            p.append(char(st.start));
            p.append(char(st.end));
            p.append(field(st.name, 8));
        }
    return p;
}

inline QByteArray dimmer(int number, bool patched, int address, const QByteArray& name, int level)
{
    QByteArray p(24, '\0');
    p[0] = char(number);
    p[1] = char(patched ? 1 : 0);
    p[2] = char(address & 0xFF);
    p[3] = char(address >> 8);
    p[4] = 1;
    p.replace(7, 16, field(name, 16));
    p[23] = char(level);
    return p;
}

inline QByteArray dmxLevel(int address, int value)
{
    return message(9, bytes({address & 0xFF, address >> 8, value}));
}

// Playback data (kind 19) of an assigned fader.
inline QByteArray playback(int number, int type, int page, int memory, int level)
{
    return bytes({number, 1, 0, type, page, memory}) + field("Memory", 16) + bytes({level});
}

struct ShowStepLayout
{
    int scene, page;
    QByteArray name;
};

// Show list (kind 22).
inline QByteArray showList(int number, int page, const QByteArray& name,
                           const QList<ShowStepLayout>& steps)
{
    QByteArray p = bytes({number, page}) + field(name, 16) + bytes({int(steps.size())});
    for (const auto& s : steps)
        p += bytes({s.scene, s.page}) + field(s.name, 16);
    return p;
}

} // namespace Payloads
