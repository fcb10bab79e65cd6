#pragma once

#include "RigRecords.h"

#include <QByteArray>
#include <QList>

// Message kinds the console sends.
enum MessageKind : quint8
{
    KindPageSelection = 2,
    KindPageContents = 3,
    KindFixtureData = 4,
    KindSceneEvents = 5,
    KindProfileData = 7,
    KindChannelValue = 8,
    KindDmxLevel = 9,
    KindAllOff = 10,
    KindFixtureSelection = 12,
    KindConsoleInfo = 16,
    KindDimmerData = 17,
    KindDimmerLevel = 18,
    KindPlaybackData = 19,
    KindPlaybackLevel = 20,
    KindPlaybackPage = 21,
    KindShowList = 22,
    KindShowStarted = 23,
    KindShowStep = 24,
};

// Builds the console's messages. Payload builders return the payload alone; frame() puts the
// start byte and the header (kind, length low, length high) in front. Bytes the program does
// not interpret are filled with a varied pattern rather than zeros, so that a reader looking
// at the wrong offset sees wrong data.
class Encoder
{
public:
    static QByteArray frame(quint8 kind, const QByteArray& payload);

    static QByteArray consoleInfo(bool extended);
    static QByteArray fixtureData(int number, const RigFixture& fixture, bool extended);
    static QByteArray profileData(const RigProfile& profile);
    static QByteArray dimmerData(int number, const RigDimmer& dimmer);
    static QByteArray playbackData(int number, const RigPlayback& playback);
    static QByteArray pageSelection(quint8 kind, quint8 number);
    static QByteArray pageContents(const RigPage& page);
    static QByteArray sceneEvents(const QList<SceneEvent>& events, bool extended);
    static QByteArray showList(const RigShow* show); // nullptr: no such show
    static QByteArray channelValue(quint8 fixture, quint8 channel, quint8 value);
    static QByteArray dmxLevel(quint16 address, quint8 value);
    static QByteArray fixtureSelection(quint8 fixture, bool selected);
    static QByteArray dimmerLevel(quint8 dimmer, quint8 level);
    static QByteArray playbackLevel(quint8 playback, quint8 level);
    static QByteArray playbackPage(quint8 bank, quint8 page);
    static QByteArray showStarted(quint8 number, quint8 page);
    static QByteArray showStep(quint8 number, quint8 page, quint8 step);

    // Filler for uninterpreted byte at a payload offset.
    static char filler(int offset) { return char((offset * 73 + 0x35) & 0xFF); }
};
