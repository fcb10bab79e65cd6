#pragma once

#include "RigRecords.h"

#include <QList>

// The simulated console's content: profiles, the 48 fixture slots, the 128 dimmers, the 16
// playbacks, the memory names of every page, three shows and the scene buffer. It is built
// deterministically from a seed, and the live state (channel values, levels, selection) is
// kept here as the console changes it, so a test can compare what the program received.
class Rig
{
public:
    static constexpr int FixtureCount = 48;
    static constexpr int DimmerCount = 128;
    static constexpr int PlaybackCount = 16;
    static constexpr int MemoryPages = 24;       // scene, show, preset and chase pages
    static constexpr int FactoryPresetPages = 3; // shown as pages F1..F3 (memory page 24..26)
    static constexpr int FactoryChasePages = 2;

    explicit Rig(quint32 seed = 1);

    quint32 seed() const { return m_seed; }

    const QList<RigProfile>& profiles() const { return m_profiles; }
    const RigProfile* profile(quint8 number) const;
    const RigFixture& fixture(int n) const { return m_fixtures.at(n); }
    const RigDimmer& dimmer(int n) const { return m_dimmers.at(n); }
    const RigPlayback& playback(int n) const { return m_playbacks.at(n); }
    const QList<RigShow>& shows() const { return m_shows; }
    const RigShow* show(quint8 number, quint8 page) const;
    // The scene buffer in the events the given format can carry (factory chases exist only
    // in the standard format, dimmer events only in the extended one).
    QList<SceneEvent> sceneEvents(bool extended) const;

    // Memory pages.
    static int pageCount(quint8 kind);
    static int entriesPerPage(quint8 kind);
    static int nameLength(quint8 kind);
    QByteArray memoryName(quint8 kind, quint8 page, quint8 entry) const;
    // Contents of a page; for a factory preset page, the presets of the given fixture
    // (0xFF: none selected, no entries). An invalid kind or page gives no entries.
    RigPage page(quint8 kind, quint8 number, quint8 fixture = 0xFF) const;
    // Fixture groups: the fixtures that recalling group g selects.
    static constexpr int GroupCount = 8;
    QList<int> groupMembers(int group) const;

    // Playback pages on display.
    quint8 playbackPage() const { return 0; }
    quint8 flexPage() const { return 1; } // 0xFF would mean no flex page

    // Live state changes made by the console.
    // Sets flat channel ch of fixture f; returns its DMX address, or -1 if there is none.
    int setChannelValue(int f, int ch, quint8 value);
    void setDimmerLevel(int d, quint8 level);
    void setPlaybackLevel(int p, quint8 level);
    void setSelected(int f, bool selected);
    // The first selected fixture, whose factory presets the console offers; 0xFF if none.
    quint8 firstSelectedFixture() const;
    // Dimmer patched at a DMX address, or -1.
    int dimmerAt(int dmxAddr) const;

private:
    void buildProfiles();
    void buildFixtures();
    void setStartValues();
    void buildDimmers();
    void buildPlaybacks();
    void buildShows();
    quint32 hash(quint32 a, quint32 b, quint32 c) const;

    quint32 m_seed;
    QList<RigProfile> m_profiles;
    QList<RigFixture> m_fixtures;
    QList<RigDimmer> m_dimmers;
    QList<RigPlayback> m_playbacks;
    QList<RigShow> m_shows;
};

// A text as a fixed-width field: cut or padded with the pad byte.
QByteArray fixedText(const QByteArray& text, int width, char pad = ' ');
