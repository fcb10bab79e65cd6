#include "Rig.h"

#include <QHash>
#include <QRandomGenerator>

#include <algorithm>
#include <array>
#include <numeric>

QByteArray fixedText(const QByteArray& text, int width, char pad)
{
    QByteArray out = text.left(width);
    out.append(QByteArray(width - out.size(), pad));
    return out;
}

namespace {

ProfileChannel channel(const char* name, std::initializer_list<ProfileStep> steps = {})
{
    ProfileChannel c;
    c.name = fixedText(name, 8);
    for (ProfileStep s : steps) {
        s.name = fixedText(s.name, 8);
        c.steps.append(s);
    }
    return c;
}

struct FixtureTemplate
{
    const char* name;
    quint8 type;
    quint8 profile;
    quint8 nchnls;
    quint8 multi;
    std::initializer_list<const char*> channelNames;
};

// Library fixtures of the console's own types, and profile fixtures (type 255).
const FixtureTemplate kSpot{
    "Spot", 255, 1, 8, 1, {"Pan", "Tilt", "Dimmer", "Shutter", "Color", "Gobo", "Prism", "Focus"}};
const FixtureTemplate kWash{"Wash", 255, 4,
                            6,      1,   {"Dimmer", "Shutter", "Cyan", "Magenta", "CTO", "Zoom"}};
const FixtureTemplate kLedBar{"LED bar", 255, 9, 3, 2, {"Red", "Green", "Blue"}};
const FixtureTemplate kScanner{
    "Scanner", 12, 0, 6, 1, {"Pan", "Tilt", "Color", "Gobo", "Shutter", "Dimmer"}};
const FixtureTemplate kPar{"Par RGBW", 33, 0, 4, 1, {"Red", "Green", "Blue", "White"}};
const FixtureTemplate kBatten{"Pixel batten", 41, 0, 3, 8, {"Red", "Green", "Blue"}};
const FixtureTemplate kStrip{"RGBW strip", 42, 0, 4, 4, {"Red", "Green", "Blue", "White"}};
// A single-cell fixture that reports 0 cells.
const FixtureTemplate kStrobe{"Strobe", 7, 0, 2, 0, {"Rate", "Flash"}};
// Fewer channel names than channels: the console names only the first.
const FixtureTemplate kHazer{"Hazer", 90, 0, 3, 1, {"Output"}};

const char* const kSceneWords[] = {"Opening", "Blue wash",  "Sunset",    "Ballad", "Chorus",
                                   "Finale",  "Warm front", "Haze look", "Encore", "Night"};
const char* const kPresetWords[] = {"Center", "Stage L",   "Stage R",   "Audience",
                                    "Red",    "Deep blue", "Gobo leaf", "Strobe"};
const char* const kChaseWords[] = {"Sweep", "Rainbow", "Ballyhoo", "Flicker", "Wave", "Step"};
const char* const kFactoryPresets[] = {"Home",   "White",  "Red",    "Green", "Blue",
                                       "Gobo 1", "Gobo 2", "Strobe", "Prism", "Open"};
const char* const kFactoryChases[] = {"Circle", "Fig. 8", "Fan", "Tilt bounce", "Color run"};
const char* const kGroupNames[] = {"All spots", "All washes", "Back truss", "Front truss",
                                   "Floor",     "LED",        "Odd",        "Even"};

template <typename T, std::size_t N>
const char* pick(const T (&words)[N], quint32 h)
{
    return words[h % N];
}

} // namespace

Rig::Rig(quint32 seed) : m_seed(seed)
{
    buildProfiles();
    buildFixtures();
    setStartValues();
    buildDimmers();
    buildShows(); // before the playbacks, which take their names from the show page
    buildPlaybacks();
}

quint32 Rig::hash(quint32 a, quint32 b, quint32 c) const
{
    // A small integer mix: deterministic across platforms, unlike std::hash.
    quint32 h = m_seed * 0x9E3779B1u ^ (a + 0x7F4A7C15u);
    for (quint32 v : {b, c}) {
        h ^= v + 0x9E3779B9u + (h << 6) + (h >> 2);
        h *= 0x85EBCA6Bu;
        h ^= h >> 13;
    }
    return h;
}

void Rig::buildProfiles()
{
    RigProfile spot;
    spot.number = 1;
    spot.name = fixedText("Spot 575", 16);
    spot.shortName = fixedText("SPOT575", 8);
    spot.channels = {
        channel("Pan"),
        channel("Tilt"),
        channel("Dimmer"), // a channel without steps
        channel("Shutter", {{0, 0, 31, "Closed"},
                            {32, 32, 63, "Open"},
                            {64, 64, 127, "Strobe"},
                            {128, 128, 191, "Pulse"},
                            {192, 192, 223, "Random"},
                            {255, 224, 255, "Open"}}),
        // Overlapping steps: 120..135 lies in both Rainbow and Split; the lower step wins.
        channel("Color", {{0, 0, 10, "White"},
                          {16, 11, 21, "Red"},
                          {27, 22, 32, "Blue"},
                          {38, 33, 43, "Green"},
                          {48, 44, 54, "Amber"},
                          {100, 55, 127, "Rainbow"},
                          {130, 120, 135, "Split"},
                          {200, 128, 255, "Spin"}}),
        channel("Gobo", {{0, 0, 7, "Open"},
                         {8, 8, 15, "Gobo 1"},
                         {16, 16, 23, "Gobo 2"},
                         {24, 24, 31, "Gobo 3"},
                         {32, 32, 39, "Gobo 4"},
                         {200, 128, 255, "Shake"}}),
        channel("Prism", {{0, 0, 127, "Off"}, {128, 128, 255, "Prism"}, {220, 190, 255, "Rotate"}}),
        channel("Focus"),
    };
    RigProfile wash;
    wash.number = 4;
    wash.name = fixedText("Wash 1200", 16);
    wash.shortName = fixedText("WASH1200", 8);
    wash.channels = {
        channel("Dimmer"),
        channel("Shutter", {{0, 0, 19, "Closed"}, {20, 20, 49, "Open"}, {100, 50, 255, "Strobe"}}),
        channel("Cyan"),
        channel("Magenta"),
        channel("CTO", {{0, 0, 0, "5600K"}, {128, 1, 200, "Mix"}, {255, 201, 255, "3200K"}}),
        channel("Zoom"),
    };
    // A two-cell fixture: the profile describes the flat channels of both cells.
    RigProfile bar;
    bar.number = 9;
    bar.name = fixedText("LED bar 2x3", 16);
    bar.shortName = fixedText("LEDBAR", 8, '\0');
    bar.channels = {
        channel("Red 1", {{0, 0, 0, "Off"}, {255, 1, 255, "Red"}}),
        channel("Green 1"),
        channel("Blue 1"),
        channel("Red 2", {{0, 0, 0, "Off"}, {255, 1, 255, "Red"}}),
        channel("Green 2"),
        channel("Blue 2", {{255, 128, 255, "Blue"}}),
    };
    m_profiles = {spot, wash, bar};
}

const RigProfile* Rig::profile(quint8 number) const
{
    for (const RigProfile& p : m_profiles) {
        if (p.number == number)
            return &p;
    }
    return nullptr;
}

void Rig::buildFixtures()
{
    QRandomGenerator rng(m_seed);
    QList<const FixtureTemplate*> kinds;
    const int spots = 4 + rng.bounded(3);
    const int washes = 3 + rng.bounded(3);
    for (int i = 0; i < spots; ++i)
        kinds.append(&kSpot);
    for (int i = 0; i < washes; ++i)
        kinds.append(&kWash);
    for (const FixtureTemplate* t : {&kLedBar, &kLedBar, &kScanner, &kScanner, &kPar, &kPar, &kPar,
                                     &kBatten, &kStrip, &kStrobe, &kHazer})
        kinds.append(t);
    std::shuffle(kinds.begin(), kinds.end(), rng);

    m_fixtures.resize(FixtureCount);
    QHash<const FixtureTemplate*, int> counts;
    int slot = rng.bounded(2); // slot 0 is sometimes empty
    int addr = 201;
    for (const FixtureTemplate* t : kinds) {
        if (slot >= FixtureCount - 1)
            break;
        RigFixture& f = m_fixtures[slot];
        f.type = t->type;
        f.profile = t->profile;
        f.nchnls = t->nchnls;
        f.multi = t->multi;
        f.dmxAddr = quint16(addr);
        const int number = ++counts[t];
        f.name = fixedText(QByteArray(t->name) + ' ' + QByteArray::number(number), 16);
        for (const char* n : t->channelNames)
            f.channelNames.append(fixedText(n, 8));
        f.values = QByteArray(f.channelCount(), '\0');
        addr += f.channelCount() + int(rng.bounded(3)) * 4;
        slot += rng.bounded(5) == 0 ? 2 : 1; // at most 22 fixtures, so all fit
    }
    // The last slot is always used, with a name in the console's code page and zero padding.
    RigFixture& last = m_fixtures[FixtureCount - 1];
    last.type = kWash.type;
    last.profile = kWash.profile;
    last.nchnls = kWash.nchnls;
    last.multi = 1;
    last.dmxAddr = quint16(addr);
    last.name = fixedText("Fa\xE7"
                          "ade wash",
                          16, '\0');
    for (const char* n : kWash.channelNames)
        last.channelNames.append(fixedText(n, 8));
    last.values = QByteArray(last.channelCount(), '\0');
}

// The look on stage when the monitor connects: profile channels sit inside one of their named
// steps, the others at a level of their own.
void Rig::setStartValues()
{
    for (int n = 0; n < FixtureCount; ++n) {
        RigFixture& f = m_fixtures[n];
        const RigProfile* p = f.type == 255 ? profile(f.profile) : nullptr;
        for (int ch = 0; ch < f.values.size(); ++ch) {
            const quint32 h = hash(quint32(n), quint32(ch), 0x5747u);
            quint8 v = quint8(h % 256);
            if (p && ch < p->channels.size() && !p->channels[ch].steps.isEmpty()) {
                const auto& steps = p->channels[ch].steps;
                const ProfileStep& step = steps[qsizetype(h % quint32(steps.size()))];
                v = quint8((int(step.start) + int(step.end)) / 2);
            }
            f.values[ch] = char(v);
        }
    }
}

void Rig::buildDimmers()
{
    QRandomGenerator rng(m_seed ^ 0xD1D1u);
    m_dimmers.resize(DimmerCount);
    const int patched = 20 + rng.bounded(21);
    QList<int> numbers(DimmerCount);
    std::iota(numbers.begin(), numbers.end(), 0);
    std::shuffle(numbers.begin(), numbers.end(), rng);
    QList<int> addresses(190);
    std::iota(addresses.begin(), addresses.end(), 1); // below the fixtures' addresses
    std::shuffle(addresses.begin(), addresses.end(), rng);
    for (int i = 0; i < patched; ++i) {
        RigDimmer& d = m_dimmers[numbers.at(i)];
        d.patched = true;
        d.dmxAddr = quint16(addresses.at(i));
        d.channels = 1;
        d.manual = rng.bounded(5) == 0 ? 0x80 : 0;
        d.latch = rng.bounded(6) == 0 ? 1 : 0;
        d.name = fixedText("Dimmer " + QByteArray::number(numbers.at(i) + 1), 16,
                           i % 3 == 0 ? '\0' : ' ');
        d.level = rng.bounded(4) == 0 ? 0 : quint8(rng.bounded(256));
    }
}

void Rig::buildPlaybacks()
{
    QRandomGenerator rng(m_seed ^ 0x9B9Bu);
    m_playbacks.resize(PlaybackCount);
    struct Slot
    {
        quint8 type;
        quint8 page;
    };
    // One of each memory kind at least, a factory preset, and fader 5 left unassigned.
    const std::array<Slot, PlaybackCount> layout{{{MemScene, 0},
                                                  {MemScene, 1},
                                                  {MemPreset, 0},
                                                  {MemChase, 0},
                                                  {MemShow, 0},
                                                  {0, 0},
                                                  {MemPreset, 25},
                                                  {MemScene, 3},
                                                  {MemScene, 2},
                                                  {MemChase, 2},
                                                  {MemShow, 3},
                                                  {MemPreset, 23},
                                                  {MemPreset, 24},
                                                  {MemScene, 0},
                                                  {MemChase, 1},
                                                  {MemScene, 5}}};
    for (int p = 0; p < PlaybackCount; ++p) {
        RigPlayback& pb = m_playbacks[p];
        if (layout[p].type == 0)
            continue;
        pb.assigned = true;
        pb.active = rng.bounded(2) == 1;
        pb.memType = layout[p].type;
        pb.memPage = layout[p].page;
        quint8 kind = PageScene;
        int entries = entriesPerPage(PageScene);
        switch (pb.memType) {
        case MemPreset:
            kind = pb.memPage > 23 ? PageFactoryPreset : PagePreset;
            entries = entriesPerPage(kind);
            break;
        case MemChase:
            kind = PageChase;
            entries = entriesPerPage(kind);
            break;
        case MemShow:
            kind = PageShow;
            break;
        default:
            break;
        }
        pb.memNum = quint8(rng.bounded(std::min(entries, 12)));
        if (pb.memType == MemShow)
            pb.memNum = pb.memPage == 0 ? 0 : 1; // shows that exist (buildShows)
        const quint8 page = kind == PageFactoryPreset ? quint8(pb.memPage - 24) : pb.memPage;
        pb.name = fixedText(memoryName(kind, page, pb.memNum), 16);
        pb.level = rng.bounded(3) == 0 ? 0 : quint8(rng.bounded(256));
    }
}

void Rig::buildShows()
{
    // Three shows of different lengths, on show pages 1 and 4.
    struct Def
    {
        quint8 number;
        quint8 page;
        const char* name;
        int steps;
    };
    const Def defs[] = {
        {0, 0, "Act one", 4}, {5, 0, "Interval loop", 9}, {1, 3, "Finale show", 15}};
    for (const Def& d : defs) {
        RigShow s;
        s.number = d.number;
        s.page = d.page;
        s.name = fixedText(d.name, 16);
        for (int k = 0; k < d.steps; ++k) {
            ShowStep st;
            st.scene = quint8(hash(d.number, d.page, k) % entriesPerPage(PageScene));
            st.page = quint8((d.page + k / 5) % MemoryPages);
            st.name = memoryName(PageScene, st.page, st.scene);
            s.steps.append(st);
        }
        m_shows.append(s);
    }
}

const RigShow* Rig::show(quint8 number, quint8 page) const
{
    for (const RigShow& s : m_shows) {
        if (s.number == number && s.page == page)
            return &s;
    }
    return nullptr;
}

int Rig::pageCount(quint8 kind)
{
    switch (kind) {
    case PageScene:
    case PageShow:
    case PagePreset:
    case PageChase:
        return MemoryPages;
    case PageFactoryPreset:
        return FactoryPresetPages;
    case PageFactoryChase:
        return FactoryChasePages;
    case PageFixture:
    case PageGroup:
        return 1;
    default:
        return 0;
    }
}

int Rig::entriesPerPage(quint8 kind)
{
    switch (kind) {
    case PageScene:
        return 12;
    case PageShow:
        return 48;
    case PagePreset:
        return 24;
    case PageFactoryPreset:
        return 10;
    case PageChase:
    case PageFactoryChase:
        return 12;
    case PageFixture:
        return FixtureCount;
    case PageGroup:
        return GroupCount;
    default:
        return 0;
    }
}

int Rig::nameLength(quint8 kind)
{
    switch (kind) {
    case PageFactoryPreset:
        return 8;
    case PageGroup:
        return 12;
    default:
        return 16;
    }
}

QByteArray Rig::memoryName(quint8 kind, quint8 page, quint8 entry) const
{
    const int width = nameLength(kind);
    const quint32 h = hash(kind, page, entry);
    const QByteArray suffix =
        ' ' + QByteArray::number(page + 1) + '.' + QByteArray::number(entry + 1);
    switch (kind) {
    case PageScene:
    case PagePreset:
    case PageChase: {
        if (h % 5 == 0)
            return QByteArray(width, '\0'); // an unused memory
        const char* word = kind == PageScene    ? pick(kSceneWords, h >> 8)
                           : kind == PagePreset ? pick(kPresetWords, h >> 8)
                                                : pick(kChaseWords, h >> 8);
        return fixedText(word + suffix, width);
    }
    case PageShow:
        for (const RigShow& s : m_shows) {
            if (s.page == page && s.number == entry)
                return s.name;
        }
        return QByteArray(width, ' ');
    case PageFactoryPreset:
        return fixedText(kFactoryPresets[(page * 10 + entry) % 10], width);
    case PageFactoryChase:
        return fixedText(kFactoryChases[(page * 12 + entry) % 5] + suffix, width);
    case PageFixture:
        return entry < FixtureCount && !m_fixtures.at(entry).isEmpty()
                   ? fixedText(m_fixtures.at(entry).name, width)
                   : QByteArray(width, ' ');
    case PageGroup:
        return fixedText(kGroupNames[entry % GroupCount], width);
    default:
        return QByteArray(width, ' ');
    }
}

RigPage Rig::page(quint8 kind, quint8 number, quint8 fixture) const
{
    RigPage p;
    p.kind = kind;
    p.number = number;
    p.fixture = kind == PageFactoryPreset ? fixture : 0xFF;
    p.nameLength = nameLength(kind);
    if (number >= pageCount(kind))
        return p;
    if (kind == PageFactoryPreset && fixture >= FixtureCount)
        return p;
    const int entries = entriesPerPage(kind);
    for (int e = 0; e < entries; ++e)
        p.names.append(memoryName(kind, number, quint8(e)));
    return p;
}

QList<int> Rig::groupMembers(int group) const
{
    QList<int> members;
    for (int f = 0; f < FixtureCount; ++f) {
        const RigFixture& fx = m_fixtures.at(f);
        if (fx.isEmpty())
            continue;
        bool in = false;
        switch (group) {
        case 0:
            in = fx.profile == 1 && fx.type == 255;
            break;
        case 1:
            in = fx.profile == 4 && fx.type == 255;
            break;
        case 6:
            in = f % 2 == 0;
            break;
        case 7:
            in = f % 2 == 1;
            break;
        default:
            in = (hash(group, f, 7) % 3) == 0;
            break;
        }
        if (in)
            members.append(f);
    }
    return members;
}

QList<SceneEvent> Rig::sceneEvents(bool extended) const
{
    using T = SceneEvent::Type;
    // Fixture channel events on the first spot (named values, also in the overlap) and on the
    // hazer (a channel without a name).
    int spot = -1, hazer = -1, bar = -1;
    for (int f = 0; f < FixtureCount; ++f) {
        const RigFixture& fx = m_fixtures.at(f);
        if (spot < 0 && fx.type == 255 && fx.profile == 1)
            spot = f;
        if (hazer < 0 && fx.type == kHazer.type)
            hazer = f;
        if (bar < 0 && fx.type == 255 && fx.profile == 9)
            bar = f;
    }
    QList<SceneEvent> ev;
    auto channelEvent = [&](int f, quint8 ch, quint8 v, quint8 scene, quint8 page) {
        SceneEvent e;
        e.type = T::FixtureChannel;
        e.number = quint8(f);
        e.channel = ch;
        e.value = v;
        e.scene = scene;
        e.scenePage = page;
        ev.append(e);
    };
    channelEvent(spot, 3, 40, 0, 0);  // Shutter: Open
    channelEvent(spot, 4, 125, 0, 0); // Color: Rainbow and Split overlap, Rainbow wins
    channelEvent(spot, 2, 200, 0, 0); // Dimmer: no steps, shown as a number
    channelEvent(spot, 6, 240, 1, 0); // Prism: Prism
    channelEvent(hazer, 2, 77, 1, 0); // channel without a name
    channelEvent(bar, 5, 200, 2, 1);  // second cell of a two-cell profile fixture: Blue
    SceneEvent preset;
    preset.type = T::Preset;
    preset.number = 2;
    preset.memPage = 1;
    preset.scene = 0xFF; // names no scene
    ev.append(preset);
    preset.number = 4;
    preset.memPage = 25; // factory preset page F2
    preset.scene = 3;
    preset.scenePage = 2;
    ev.append(preset);
    SceneEvent chase;
    chase.type = T::Chase;
    chase.number = 9;
    chase.memPage = 2;
    chase.scene = 4;
    chase.scenePage = 0;
    ev.append(chase);
    if (!extended) {
        SceneEvent fc;
        fc.type = T::FactoryChase;
        fc.number = 1;
        ev.append(fc);
    } else {
        for (int d = 0; d < DimmerCount; ++d) {
            if (m_dimmers.at(d).patched) {
                SceneEvent de;
                de.type = T::Dimmer;
                de.number = quint8(d);
                de.value = 255;
                de.scene = 2;
                de.scenePage = 0;
                ev.append(de);
                break;
            }
        }
    }
    SceneEvent illegal;
    illegal.type = T::Illegal;
    illegal.code = 0x50;
    ev.append(illegal);
    SceneEvent pan;
    pan.type = T::Pan;
    pan.number = quint8(bar);
    pan.part = extended ? 1 : 0;
    pan.low = 0x34;
    pan.high = 0x12;
    pan.scene = 0xFF;
    ev.append(pan);
    SceneEvent tilt = pan;
    tilt.type = T::Tilt;
    tilt.number = quint8(spot);
    tilt.part = 0;
    tilt.low = 0xA5; // a start byte inside a payload
    tilt.high = 0x80;
    tilt.scene = 5;
    tilt.scenePage = 23;
    ev.append(tilt);
    return ev;
}

int Rig::setChannelValue(int f, int ch, quint8 value)
{
    if (f < 0 || f >= FixtureCount)
        return -1;
    RigFixture& fx = m_fixtures[f];
    if (fx.isEmpty() || ch < 0 || ch >= fx.channelCount() || ch >= fx.values.size())
        return -1;
    fx.values[ch] = char(value);
    return fx.dmxAddr + ch;
}

void Rig::setDimmerLevel(int d, quint8 level)
{
    if (d >= 0 && d < DimmerCount)
        m_dimmers[d].level = level;
}

void Rig::setPlaybackLevel(int p, quint8 level)
{
    if (p >= 0 && p < PlaybackCount)
        m_playbacks[p].level = level;
}

void Rig::setSelected(int f, bool selected)
{
    if (f >= 0 && f < FixtureCount)
        m_fixtures[f].selected = selected;
}

quint8 Rig::firstSelectedFixture() const
{
    for (int f = 0; f < FixtureCount; ++f) {
        if (m_fixtures.at(f).selected && !m_fixtures.at(f).isEmpty())
            return quint8(f);
    }
    return 0xFF;
}

int Rig::dimmerAt(int dmxAddr) const
{
    for (int d = 0; d < DimmerCount; ++d) {
        if (m_dimmers.at(d).patched && m_dimmers.at(d).dmxAddr == dmxAddr)
            return d;
    }
    return -1;
}
