#pragma once

#include "model/Dimmer.h"
#include "model/Fixture.h"
#include "model/Playback.h"
#include "model/Profile.h"

#include <array>

// Everything the program knows of the console, created once when the main window loads and kept
// for the life of the program. The receive path writes it; the views read it.
struct SharedState
{
    static constexpr int FixtureCount = 48;
    static constexpr int DimmerCount = 128;
    static constexpr int PlaybackCount = 16;
    static constexpr int MaxDmxAddress = 1600;
    static constexpr quint16 NoOwner = 256;

    SharedState() { resetMaps(); }
    void resetMaps()
    {
        DmxFixtureMap.fill(NoOwner);
        DmxDimmerMap.fill(NoOwner);
    }
    // What a new link starts from: no fixtures, dimmers, playbacks or profiles, no addresses
    // owned, the console's type unknown. Records kept from an earlier link would show one
    // console's rig as another's.
    void clearRecords()
    {
        Fixtures.fill(Fixture{});
        Dimmers.fill(Dimmer{});
        Playbacks.fill(Playback{});
        Profiles.clear();
        resetMaps();
        ExtendedFormat = false;
    }
    qint16 ProfileCount() const { return qint16(Profiles.size()); }
    // The first profile with this number, or null.
    const Profile* findProfile(int profNum) const
    {
        for (const auto& p : Profiles)
            if (p.ProfNum() == profNum)
                return &p;
        return nullptr;
    }

    std::array<Fixture, FixtureCount> Fixtures{};
    std::array<Dimmer, DimmerCount> Dimmers{};
    std::array<Playback, PlaybackCount> Playbacks{};
    ProfileList Profiles;

    bool ExtendedFormat = false;

    // DMX address -> fixture or dimmer number; NoOwner where no record owns the address.
    std::array<quint16, MaxDmxAddress + 1> DmxFixtureMap{};
    std::array<quint16, MaxDmxAddress + 1> DmxDimmerMap{};
};
