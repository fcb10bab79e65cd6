#include "link/Commands.h"

#include <initializer_list>

namespace Commands {

namespace {
QByteArray bytes(std::initializer_list<quint8> list)
{
    QByteArray out;
    out.reserve(qsizetype(list.size()));
    for (quint8 b : list)
        out.append(char(b));
    return out;
}
} // namespace

QByteArray Hello()
{
    return bytes({0xA5, 0x01});
}
QByteArray Hello1200()
{
    return bytes({0x55, 0x25, 0x05});
}
QByteArray PageContentsRequest(quint8 p0, quint8 p1)
{
    return bytes({0xA5, 0x03, p0, p1});
}
QByteArray RequestAllData()
{
    return bytes({0xA5, 0x04, 0xFF, 0xA5, 0x11, 0xFF});
}
QByteArray MonitorClosing()
{
    return bytes({0xA5, 0x0B, 0x00});
}
QByteArray FixturesViewOpened()
{
    return bytes({0xA5, 0x0B, 0x02});
}
QByteArray FixturesViewClosed()
{
    return bytes({0xA5, 0x0B, 0x01});
}

QByteArray ChannelValue(quint8 fixture, quint8 channel, quint8 value)
{
    QByteArray out = bytes({0xA5, 0x08, fixture, channel, value});
    if (value == 0xA5)
        out.append('\0');
    return out;
}

QByteArray CurrentPageRequest()
{
    return bytes({0xA5, 0x02});
}
QByteArray PageDown()
{
    return bytes({0xA5, 0x0D, 0x00});
}
QByteArray PageUp()
{
    return bytes({0xA5, 0x0D, 0xFF});
}
QByteArray PageKind(quint8 kind)
{
    return bytes({0xA5, 0x0E, kind});
}
QByteArray EntryPick(quint8 entry, bool add)
{
    return bytes({0xA5, 0x0F, entry, quint8(add ? 1 : 0)});
}
QByteArray SceneEventsRequest()
{
    return bytes({0xA5, 0x05});
}
QByteArray PlaybackRequest(quint8 playback)
{
    return bytes({0xA5, 0x13, playback});
}
QByteArray PlaybackPagesRequest()
{
    return bytes({0xA5, 0x15, 0xFF});
}
QByteArray ShowListRequest(quint8 show, quint8 group)
{
    return bytes({0xA5, 0x16, show, group});
}

} // namespace Commands
