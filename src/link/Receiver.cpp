#include "link/Receiver.h"

#include "link/Commands.h"
#include "link/SerialPort.h"
#include "model/SharedState.h"

#include <algorithm>

namespace {

constexpr quint8 kStart = 0xA5;
const char* const kLineAtFullSpeed = "38400,n,8,1";

enum Kind : quint8
{
    PageSelection = 2,
    PageContents = 3,
    FixtureData = 4,
    SceneEvents = 5,
    ProfileData = 7,
    ChannelValue = 8,
    DmxLevel = 9,
    AllLevelsOff = 10,
    FixtureSelection = 12,
    ConsoleInformation = 16,
    DimmerData = 17,
    DimmerLevel = 18,
    PlaybackData = 19,
    PlaybackLevel = 20,
    PlaybackPageChange = 21,
    ShowList = 22,
    ShowStarted = 23,
    ShowStep = 24,
};

inline quint8 at(const QByteArray& p, qsizetype i)
{
    return quint8(p[i]);
}

bool isHello(const QByteArray& d)
{
    return d.size() == 2 && at(d, 0) == 0xA5 && at(d, 1) == 0x01;
}

bool isHello1200(const QByteArray& d)
{
    return d.size() == 3 && at(d, 0) == 0x55 && at(d, 1) == 0x25 && at(d, 2) == 0x05;
}

} // namespace

Receiver::Receiver(SerialPort& port, SharedState& state, QObject* parent)
    : QObject(parent), m_port(port), m_state(state)
{
}

void Receiver::processindata()
{
    if (m_running)
        return;
    m_running = true;
    for (;;) {
        const int n = m_port.RThreshold();
        if (n <= 0 || m_port.InBufferCount() < n)
            break;
        m_port.setInputLen(n);
        m_port.InputInto(RxData);
        if (!actOnUnit())
            break;
        if (m_port.InBufferCount() < m_port.RThreshold())
            break;
    }
    m_running = false;
}

bool Receiver::actOnUnit()
{
    switch (RxState) {
    case AwaitHello38400:
        if (!isHello(RxData))
            return false;
        linkUp();
        return true;
    case AwaitHello1200:
        if (!isHello1200(RxData))
            return false;
        m_port.setSettings(QString::fromLatin1(kLineAtFullSpeed));
        linkUp();
        return true;
    case AwaitHello19200:
        if (!isHello(RxData))
            return false;
        m_port.setSettings(QString::fromLatin1(kLineAtFullSpeed));
        linkUp();
        return true;
    case Hunting:
        if (at(RxData, 0) == kStart) {
            m_port.setRThreshold(3);
            RxState = Header;
        }
        return true;
    case Header: {
        MsgType = at(RxData, 0);
        const int length = at(RxData, 1) | (at(RxData, 2) << 8);
        MsgLen = qint16(quint16(length));
        if (MsgLen <= 0) {
            // An empty or impossibly long message: nothing sensible follows, so look for the
            // next start byte rather than wait on a threshold of 0 or a huge payload.
            m_port.setRThreshold(1);
            RxState = Hunting;
        } else {
            m_port.setRThreshold(MsgLen);
            RxState = Payload;
        }
        return true;
    }
    case Payload:
        ++MessagesReceived;
        dispatch(RxData);
        RxState = Hunting;
        m_port.setRThreshold(1);
        return true;
    default:
        return true; // not in a session: bytes dropped
    }
}

void Receiver::linkUp()
{
    m_state.clearRecords();
    emit recordsCleared();
    RxState = Hunting;
    m_port.setRThreshold(1);
    if (onLinkUp)
        onLinkUp();
}

void Receiver::dispatch(const QByteArray& p)
{
    namespace Payloads = ConsolePayloads;
    switch (MsgType) {
    case PageSelection:
        pageSelection(p);
        break;
    case PageContents:
        emit pageContents(Payloads::PageContents::decode(p));
        break;
    case FixtureData:
        fixtureData(p);
        break;
    case SceneEvents:
        emit sceneEvents(p);
        break;
    case ProfileData:
        profileData(p);
        break;
    case ChannelValue:
        channelValue(p);
        break;
    case DmxLevel:
        dmxLevel(p);
        break;
    case AllLevelsOff:
        allLevelsOff(p);
        break;
    case FixtureSelection:
        fixtureSelection(p);
        break;
    case ConsoleInformation:
        if (at(p, 0) == 3)
            m_state.ExtendedFormat = true;
        emit consoleInformation(at(p, 0));
        break;
    case DimmerData:
        dimmerData(p);
        break;
    case DimmerLevel:
        dimmerLevel(p);
        break;
    case PlaybackData:
        playbackData(p);
        break;
    case PlaybackLevel:
        playbackLevel(p);
        break;
    case PlaybackPageChange:
        if (const auto change = Payloads::PlaybackPageChange::decode(p))
            emit playbackPageChanged(*change);
        break;
    case ShowList:
        if (const auto list = Payloads::ShowList::decode(p))
            emit showList(*list);
        break;
    case ShowStarted:
        if (const auto show = Payloads::ShowStarted::decode(p))
            emit showStarted(*show);
        break;
    case ShowStep:
        if (const auto step = Payloads::ShowStep::decode(p))
            emit showStep(*step);
        break;
    default:
        break; // kinds the monitor has no use for
    }
}

void Receiver::pageSelection(const QByteArray& p)
{
    if (!pageViewOpen || !pageViewOpen())
        return;
    const auto selection = ConsolePayloads::PageSelection::decode(p);
    if (!selection)
        return;
    if (selection->none())
        emit noPageDisplayed();
    else
        m_port.Output(Commands::PageContentsRequest(selection->kind, selection->page));
}

void Receiver::fixtureData(const QByteArray& p)
{
    const quint8 f = at(p, 0);
    if (f >= SharedState::FixtureCount)
        return;
    Fixture& fixture = m_state.Fixtures[f];
    fixture.UnpackFixtData(p, m_state.ExtendedFormat);
    emit fixtureChanged(f);
    // The address travels as two unsigned bytes: one of 0x8000 or more is far beyond the map,
    // not a negative number reaching back over the low addresses.
    const int first = quint16(fixture.DmxAddr());
    for (int a = first; a < first + fixture.FMaxCh(); ++a)
        mapAddress(a, f, true);
}

void Receiver::profileData(const QByteArray& p)
{
    const quint8 number = at(p, 0);
    auto& profiles = m_state.Profiles;
    auto it = std::find_if(profiles.begin(), profiles.end(), [number](const Profile& profile) {
        return profile.ProfNum() == number;
    });
    if (it == profiles.end()) {
        profiles.emplace_back();
        it = profiles.end() - 1;
    }
    it->DistributeFileData(p);
}

void Receiver::channelValue(const QByteArray& p)
{
    if (p.size() < 3)
        return;
    const quint8 f = at(p, 0);
    const quint8 ch = at(p, 1);
    if (f >= SharedState::FixtureCount || ch >= Fixture::MaxChannels)
        return;
    m_state.Fixtures[f].UpdateFxChnlVal(ch, at(p, 2), m_state.Profiles);
    emit channelChanged(f, ch);
}

void Receiver::dmxLevel(const QByteArray& p)
{
    if (p.size() < 3)
        return;
    const int address = at(p, 0) | (at(p, 1) << 8);
    if (address > SharedState::MaxDmxAddress)
        return;
    const quint8 value = at(p, 2);
    const quint16 f = m_state.DmxFixtureMap[address];
    const quint16 d = m_state.DmxDimmerMap[address];
    if (f < SharedState::FixtureCount) {
        Fixture& fixture = m_state.Fixtures[f];
        const int ch = address - quint16(fixture.DmxAddr());
        // A stale map entry (the fixture has moved since) can point outside its channels.
        if (ch >= 0 && ch < Fixture::MaxChannels) {
            fixture.UpdateFxChnlVal(qint16(ch), value, m_state.Profiles);
            emit channelChanged(qint16(f), qint16(ch));
        }
    }
    if (d < SharedState::DimmerCount) {
        m_state.Dimmers[d].DimmerLevel(value);
        emit dimmerLevelChanged(qint16(d));
    }
}

void Receiver::allLevelsOff(const QByteArray& p)
{
    if (p.size() < 3 || at(p, 0) != 0xFF || at(p, 1) != 0 || at(p, 2) != 0)
        return;
    for (qint16 f = 0; f < SharedState::FixtureCount; ++f) {
        Fixture& fixture = m_state.Fixtures[f];
        if (fixture.FixtType() == 0)
            continue;
        for (qint16 ch = 0; ch < fixture.FMaxCh(); ++ch) {
            fixture.UpdateFxChnlVal(ch, 0, m_state.Profiles);
            emit channelChanged(f, ch);
        }
    }
    for (qint16 d = 0; d < SharedState::DimmerCount; ++d) {
        if (m_state.Dimmers[d].DimmerPatched())
            m_state.Dimmers[d].DimmerLevel(0);
        emit dimmerLevelChanged(d);
    }
}

void Receiver::fixtureSelection(const QByteArray& p)
{
    if (p.size() < 2 || at(p, 0) >= SharedState::FixtureCount)
        return;
    m_state.Fixtures[at(p, 0)].Selected(at(p, 1) != 0);
    emit fixtureSelectionChanged(at(p, 0));
}

void Receiver::dimmerData(const QByteArray& p)
{
    const quint8 d = at(p, 0);
    if (d >= SharedState::DimmerCount)
        return;
    Dimmer& dimmer = m_state.Dimmers[d];
    dimmer.UnpackDimmerData(p);
    emit dimmerChanged(d);
    mapAddress(quint16(dimmer.DmxAddr()), d, false);
}

void Receiver::dimmerLevel(const QByteArray& p)
{
    if (p.size() < 2 || at(p, 0) >= SharedState::DimmerCount)
        return;
    m_state.Dimmers[at(p, 0)].DimmerLevel(at(p, 1));
    emit dimmerLevelChanged(at(p, 0));
}

void Receiver::playbackData(const QByteArray& p)
{
    if (at(p, 0) >= SharedState::PlaybackCount)
        return;
    m_state.Playbacks[at(p, 0)].UnpackPlaybackData(p);
    emit playbackChanged(at(p, 0));
}

void Receiver::playbackLevel(const QByteArray& p)
{
    if (p.size() < 2 || at(p, 0) >= SharedState::PlaybackCount)
        return;
    m_state.Playbacks[at(p, 0)].Level(at(p, 1));
    emit playbackLevelChanged(at(p, 0));
}

void Receiver::mapAddress(int address, quint16 owner, bool fixtureMap)
{
    // Addresses outside the map (negative, or beyond the last DMX address) are skipped.
    if (address < 0 || address > SharedState::MaxDmxAddress)
        return;
    (fixtureMap ? m_state.DmxFixtureMap : m_state.DmxDimmerMap)[address] = owner;
}
