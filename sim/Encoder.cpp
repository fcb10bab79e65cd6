#include "Encoder.h"

namespace {

void put16(QByteArray& out, int offset, quint16 v)
{
    out[offset] = char(v & 0xFF);
    out[offset + 1] = char(v >> 8);
}

void putText(QByteArray& out, int offset, const QByteArray& text, int width)
{
    for (int i = 0; i < width; ++i)
        out[offset + i] = i < text.size() ? text.at(i) : ' ';
}

QByteArray filled(int size)
{
    QByteArray out(size, '\0');
    for (int i = 0; i < size; ++i)
        out[i] = Encoder::filler(i);
    return out;
}

} // namespace

QByteArray Encoder::frame(quint8 kind, const QByteArray& payload)
{
    QByteArray out;
    out.reserve(payload.size() + 4);
    out.append(char(0xA5));
    out.append(char(kind));
    out.append(char(payload.size() & 0xFF));
    out.append(char((payload.size() >> 8) & 0xFF));
    out.append(payload);
    return out;
}

QByteArray Encoder::consoleInfo(bool extended)
{
    // Console type, then a software version the program does not read.
    return QByteArray::fromRawData(extended ? "\x03\x02\x07\x00" : "\x02\x02\x07\x00", 4);
}

QByteArray Encoder::fixtureData(int number, const RigFixture& f, bool extended)
{
    const int names = f.isEmpty() ? 0 : int(f.channelNames.size());
    const int countAt = extended ? 62 : 61;
    QByteArray out = f.isEmpty() ? QByteArray(countAt + 1, '\0') : filled(countAt + 1 + 8 * names);
    out[0] = char(number);
    out[1] = char(f.type);
    if (f.isEmpty())
        return out; // an empty slot: the rest of the record is zero
    out[2] = char(f.profile);
    out[3] = char(f.nchnls);
    out[4] = char(f.multi);
    put16(out, 5, f.dmxAddr);
    putText(out, 13, f.name, 16);
    out[countAt] = char(names);
    for (int k = 0; k < names; ++k)
        putText(out, countAt + 1 + 8 * k, f.channelNames.at(k), 8);
    return out;
}

QByteArray Encoder::profileData(const RigProfile& p)
{
    const int c = int(p.channels.size());
    int steps = 0;
    for (const ProfileChannel& ch : p.channels)
        steps += int(ch.steps.size());
    QByteArray out = filled(202 + 8 * c + 11 * steps);
    out[0] = char(p.number);
    putText(out, 5, p.name, 16);
    putText(out, 23, p.shortName, 8);
    out[31] = char(c);
    for (int k = 0; k < 32; ++k)
        out[70 + k] = char(k < c ? p.channels.at(k).steps.size() : 0);
    for (int k = 0; k < c; ++k)
        putText(out, 138 + 8 * k, p.channels.at(k).name, 8);
    int at = 202 + 8 * c;
    for (const ProfileChannel& ch : p.channels) {
        for (const ProfileStep& s : ch.steps) {
            out[at] = char(s.value);
            out[at + 1] = char(s.start);
            out[at + 2] = char(s.end);
            putText(out, at + 3, s.name, 8);
            at += 11;
        }
    }
    return out;
}

QByteArray Encoder::dimmerData(int number, const RigDimmer& d)
{
    QByteArray out(24, '\0');
    out[0] = char(number);
    if (!d.patched)
        return out;
    out[1] = 1;
    put16(out, 2, d.dmxAddr);
    out[4] = char(d.channels);
    out[5] = char(d.manual);
    out[6] = char(d.latch);
    putText(out, 7, d.name, 16);
    out[23] = char(d.level);
    return out;
}

QByteArray Encoder::playbackData(int number, const RigPlayback& p)
{
    QByteArray out(23, '\0');
    out[0] = char(number);
    if (!p.assigned)
        return out;
    out[1] = 1;
    out[2] = p.active ? 1 : 0;
    out[3] = char(p.memType);
    out[4] = char(p.memPage);
    out[5] = char(p.memNum);
    putText(out, 6, p.name, 16);
    out[22] = char(p.level);
    return out;
}

QByteArray Encoder::pageSelection(quint8 kind, quint8 number)
{
    QByteArray out(2, '\0');
    out[0] = char(kind);
    out[1] = char(kind == PageNone ? 0 : number);
    return out;
}

QByteArray Encoder::pageContents(const RigPage& page)
{
    const int n = int(page.names.size());
    QByteArray out(5 + n * page.nameLength, '\0');
    out[0] = char(page.kind);
    out[1] = char(page.number);
    out[2] = char(page.fixture);
    out[3] = char(n);
    out[4] = char(page.nameLength);
    for (int e = 0; e < n; ++e)
        putText(out, 5 + e * page.nameLength, page.names.at(e), page.nameLength);
    return out;
}

QByteArray Encoder::sceneEvents(const QList<SceneEvent>& events, bool extended)
{
    using T = SceneEvent::Type;
    QByteArray out;
    for (const SceneEvent& e : events) {
        QByteArray r;
        switch (e.type) {
        case T::FixtureChannel:
            r = QByteArray(3, '\0');
            r[0] = char(e.number);
            r[1] = char(e.channel);
            r[2] = char(e.value);
            break;
        case T::Preset:
            r = filled(9);
            r[0] = char(0x80);
            r[1] = char(e.number);
            r[2] = char(e.memPage);
            break;
        case T::Chase:
            r = filled(6);
            r[0] = char(0x90);
            r[1] = char(e.number);
            r[2] = char(e.memPage);
            break;
        case T::FactoryChase:
            if (extended)
                continue; // the extended format has no factory chase record
            r = filled(12);
            r[0] = char(0xA0);
            r[1] = char(e.number);
            break;
        case T::Dimmer:
            if (!extended)
                continue; // the standard format has no dimmer record
            r = QByteArray(3, '\0');
            r[0] = char(0xA0);
            r[1] = char(e.number);
            r[2] = char(e.value);
            break;
        case T::Pan:
        case T::Tilt:
            r = filled(extended ? 5 : 6);
            r[0] = char(e.type == T::Pan ? 0xB0 : 0xB1);
            r[1] = char(e.number);
            if (extended) {
                r[2] = char(e.part);
                r[3] = char(e.low);
                r[4] = char(e.high);
            } else {
                r[3] = char(e.low);
                r[5] = char(e.high);
            }
            break;
        case T::Illegal:
            out.append(char(e.code));
            continue;
        }
        if (extended) {
            r.append(char(e.scene));
            r.append(char(e.scenePage));
        }
        out.append(r);
    }
    out.append(char(0xFF));
    return out;
}

QByteArray Encoder::showList(const RigShow* show)
{
    if (!show)
        return QByteArray(1, char(0xFF));
    const int n = int(show->steps.size());
    QByteArray out(19 + 18 * n, '\0');
    out[0] = char(show->number);
    out[1] = char(show->page);
    putText(out, 2, show->name, 16);
    out[18] = char(n);
    for (int k = 0; k < n; ++k) {
        const ShowStep& s = show->steps.at(k);
        out[19 + 18 * k] = char(s.scene);
        out[20 + 18 * k] = char(s.page);
        putText(out, 21 + 18 * k, s.name, 16);
    }
    return out;
}

namespace {
QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray out;
    for (int v : values)
        out.append(char(v & 0xFF));
    return out;
}
} // namespace

QByteArray Encoder::channelValue(quint8 fixture, quint8 channel, quint8 value)
{
    return bytes({fixture, channel, value});
}

QByteArray Encoder::dmxLevel(quint16 address, quint8 value)
{
    return bytes({address & 0xFF, address >> 8, value});
}

QByteArray Encoder::fixtureSelection(quint8 fixture, bool selected)
{
    return bytes({fixture, selected ? 1 : 0});
}

QByteArray Encoder::dimmerLevel(quint8 dimmer, quint8 level)
{
    return bytes({dimmer, level});
}

QByteArray Encoder::playbackLevel(quint8 playback, quint8 level)
{
    return bytes({playback, level});
}

QByteArray Encoder::playbackPage(quint8 bank, quint8 page)
{
    return bytes({bank, page});
}

QByteArray Encoder::showStarted(quint8 number, quint8 page)
{
    return bytes({number, page});
}

QByteArray Encoder::showStep(quint8 number, quint8 page, quint8 step)
{
    return bytes({number, page, step});
}
