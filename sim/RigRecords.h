#pragma once

#include <QByteArray>
#include <QList>

// Plain records of what the simulated console holds. Every text is the raw fixed-width byte
// field as it goes on the wire (names 16 bytes, channel and step names 8 bytes), so a test can
// compare byte for byte with what the program decoded.

struct ProfileStep
{
    quint8 value = 0;
    quint8 start = 0;
    quint8 end = 0;
    QByteArray name; // 8 bytes
};

struct ProfileChannel
{
    QByteArray name; // 8 bytes
    QList<ProfileStep> steps;
};

struct RigProfile
{
    quint8 number = 0;
    QByteArray name;      // 16 bytes
    QByteArray shortName; // 8 bytes
    QList<ProfileChannel> channels;
};

struct RigFixture
{
    quint8 type = 0; // 0 = empty slot, 255 = profile-defined, else a library type
    quint8 profile = 0;
    quint8 nchnls = 0;
    quint8 multi = 0; // raw byte as sent; 0 means one cell
    quint16 dmxAddr = 0;
    QByteArray name;                // 16 bytes
    QList<QByteArray> channelNames; // 8 bytes each; may be fewer than nchnls
    QByteArray values;              // live value per flat channel
    bool selected = false;

    bool isEmpty() const { return type == 0; }
    int cells() const { return multi == 0 ? 1 : multi; }
    int channelCount() const { return cells() * nchnls; }
};

struct RigDimmer
{
    bool patched = false;
    quint16 dmxAddr = 0;
    quint8 channels = 0;
    quint8 manual = 0; // raw flag byte; any non-zero value is true
    quint8 latch = 0;
    QByteArray name; // 16 bytes
    quint8 level = 0;
};

// Memory types carried by playback data.
enum MemoryType : quint8
{
    MemScene = 1,
    MemPreset = 2,
    MemChase = 3,
    MemShow = 4
};

struct RigPlayback
{
    bool assigned = false;
    bool active = false;
    quint8 memType = 0;
    quint8 memPage = 0; // above 23: factory preset page (F1 = 24)
    quint8 memNum = 0;
    QByteArray name; // 16 bytes
    quint8 level = 0;
};

// Kind codes of a memory page.
enum PageKind : quint8
{
    PageScene = 0,
    PageShow = 1,
    PagePreset = 2,
    PageFactoryPreset = 3,
    PageChase = 4,
    PageFactoryChase = 5,
    PageFixture = 6,
    PageGroup = 7,
    PageNone = 0xFF,
};

struct RigPage
{
    quint8 kind = 0;
    quint8 number = 0;
    quint8 fixture = 0xFF; // factory preset pages only
    int nameLength = 16;
    QList<QByteArray> names; // nameLength bytes each
};

struct ShowStep
{
    quint8 scene = 0;
    quint8 page = 0;
    QByteArray name; // 16 bytes, the scene's name
};

struct RigShow
{
    quint8 number = 0;
    quint8 page = 0;
    QByteArray name; // 16 bytes
    QList<ShowStep> steps;
};

// One event of the scene buffer, independent of the wire format. The encoder lays it out in
// the standard or the extended record format.
struct SceneEvent
{
    enum class Type
    {
        FixtureChannel,
        Preset,
        Chase,
        FactoryChase,
        Dimmer,
        Pan,
        Tilt,
        Illegal
    };
    Type type = Type::Illegal;
    quint8 number = 0;   // fixture, preset, chase, factory chase or dimmer number
    quint8 channel = 0;  // fixture channel
    quint8 value = 0;    // channel value or dimmer level
    quint8 memPage = 0;  // page of a preset or chase
    quint8 part = 0;     // cell of a multi-cell fixture (pan/tilt, extended format only)
    quint8 low = 0;      // pan/tilt
    quint8 high = 0;     // pan/tilt
    quint8 scene = 0xFF; // extended format: scene reference, 0xFF = none
    quint8 scenePage = 0;
    quint8 code = 0x50; // the code byte of an illegal record
};
