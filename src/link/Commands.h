#pragma once

#include <QByteArray>

// Every command the program sends to the console. Each begins with the start byte A5 and a
// command byte (the 1200 bit/s hello excepted) and carries no length. A data request's command
// byte is the kind of the message that answers it.
namespace Commands {

constexpr char Start = char(0xA5);

QByteArray Hello();                                   // A5 01, at 38400 and 19200 bit/s
QByteArray Hello1200();                               // 55 25 05, at 1200 bit/s with 7 data bits
QByteArray PageContentsRequest(quint8 p0, quint8 p1); // A5 03 p0 p1
QByteArray RequestAllData();                          // A5 04 FF A5 11 FF: every fixture and dimmer
QByteArray MonitorClosing();                          // A5 0B 00
QByteArray FixturesViewOpened();                      // A5 0B 02
QByteArray FixturesViewClosed();                      // A5 0B 01
// A5 08 f c v; a value of A5 is followed by 00 so that the console does not take it for a start.
QByteArray ChannelValue(quint8 fixture, quint8 channel, quint8 value);
QByteArray CurrentPageRequest();                       // A5 02
QByteArray PageDown();                                 // A5 0D 00
QByteArray PageUp();                                   // A5 0D FF
QByteArray PageKind(quint8 kind);                      // A5 0E k
QByteArray EntryPick(quint8 entry, bool add);          // A5 0F e c
QByteArray SceneEventsRequest();                       // A5 05
QByteArray PlaybackRequest(quint8 playback);           // A5 13 n
QByteArray PlaybackPagesRequest();                     // A5 15 FF
QByteArray ShowListRequest(quint8 show, quint8 group); // A5 16 n g

} // namespace Commands
