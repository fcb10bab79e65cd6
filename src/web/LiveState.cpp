#include "web/LiveState.h"

#include "link/Receiver.h"
#include "link/Session.h"
#include "model/LevelText.h"
#include "shell/DisplayOptions.h"
#include "shell/LinkStatusBar.h"
#include "web/WebJson.h"

#include <QDateTime>

using namespace WebJson;

namespace {

using ConsolePayloads::FixturePage;

QByteArray linkStateName(Session::LinkState state)
{
    switch (state) {
    case Session::LinkState::NotConnected:
        return "notConnected";
    case Session::LinkState::Searching:
        return "searching";
    case Session::LinkState::Connected:
        return "connected";
    case Session::LinkState::Lost:
        return "lost";
    case Session::LinkState::Reconnecting:
        return "reconnecting";
    }
    return "notConnected";
}

// As the status bar words it.
QString linkStateText(const Session& session)
{
    return LinkStatusBar::linkText(session.linkState(), session.searchBaud());
}

} // namespace

void LiveState::Items::setAll()
{
    m_words.fill(~quint64(0));
    if (ItemCount % 64 != 0)
        m_words.back() = (quint64(1) << (ItemCount % 64)) - 1;
}

bool LiveState::Items::none() const
{
    for (const quint64 w : m_words)
        if (w != 0)
            return false;
    return true;
}

LiveState::Items& LiveState::Items::operator|=(const Items& other)
{
    for (size_t i = 0; i < m_words.size(); ++i)
        m_words[i] |= other.m_words[i];
    return *this;
}

LiveState::LiveState(SharedState& state, Receiver& receiver, Session& session,
                     DisplayOptions& options, QObject* parent)
    : QObject(parent), m_state(state), m_session(session), m_options(options),
      m_fragments(size_t(ItemCount))
{
    m_stale.setAll();
    connect(&receiver, &Receiver::recordsCleared, this, [this] {
        m_consoleType = -1;
        for (int item = FirstFixture; item < ItemCount; ++item)
            mark(item);
        mark(LinkItem);
    });
    connect(&receiver, &Receiver::fixtureChanged, this, [this](qint16 f) {
        if (f >= 0 && f < SharedState::FixtureCount)
            mark(FirstFixture + f);
    });
    connect(&receiver, &Receiver::channelChanged, this, [this](qint16 f, qint16 ch) {
        if (f < 0 || f >= SharedState::FixtureCount || ch < 0 || ch >= Fixture::MaxChannels)
            return;
        // The fixture's own fragment holds the value too; it is written anew for the next
        // snapshot, but only the channel goes to the clients.
        m_stale.set(FirstFixture + f);
        mark(FirstChannel + f * Fixture::MaxChannels + ch);
    });
    const auto dimmer = [this](qint16 d) {
        if (d >= 0 && d < SharedState::DimmerCount)
            mark(FirstDimmer + d);
    };
    connect(&receiver, &Receiver::dimmerChanged, this, dimmer);
    connect(&receiver, &Receiver::dimmerLevelChanged, this, dimmer);
    const auto playback = [this](qint16 p) {
        if (p >= 0 && p < SharedState::PlaybackCount)
            mark(FirstPlayback + p);
    };
    connect(&receiver, &Receiver::playbackChanged, this, playback);
    connect(&receiver, &Receiver::playbackLevelChanged, this, playback);
    connect(&receiver, &Receiver::consoleInformation, this, [this](quint8 type) {
        m_consoleType = type;
        mark(LinkItem);
    });
    connect(&receiver, &Receiver::fixtureSelectionChanged, this, [this] {
        if (m_pageKind == FixturePage)
            mark(PageItem);
    });
    connect(&receiver, &Receiver::noPageDisplayed, this, [this] {
        m_pageShown = false;
        m_pageCaption = QStringLiteral("No page selected");
        mark(PageItem);
    });
    connect(&receiver, &Receiver::pageContents, this, &LiveState::pageContents);
    connect(&receiver, &Receiver::showList, this, &LiveState::showList);
    connect(&receiver, &Receiver::showStep, this, &LiveState::showStep);
    connect(&session, &Session::linkStateChanged, this, [this] { mark(LinkItem); });
    connect(&options, &DisplayOptions::changed, this, [this] {
        mark(OptionsItem);
        markAllFixtures();
    });
}

void LiveState::setControlAllowed(bool on)
{
    if (on == m_controlAllowed)
        return;
    m_controlAllowed = on;
    mark(OptionsItem);
}

void LiveState::mark(int item)
{
    const bool quiet = m_changed.none();
    m_changed.set(item);
    m_stale.set(item);
    if (quiet) {
        m_changedSince = QDateTime::currentMSecsSinceEpoch();
        emit changed();
    }
}

void LiveState::markAllFixtures()
{
    for (int f = 0; f < SharedState::FixtureCount; ++f)
        mark(FirstFixture + f);
    for (int item = FirstChannel; item < ItemCount; ++item)
        m_stale.set(item);
}

LiveState::Items LiveState::takeChanges()
{
    const Items changes = m_changed;
    m_changed.clear();
    return changes;
}

const QByteArray& LiveState::fragment(int item)
{
    QByteArray& cached = m_fragments[size_t(item)];
    if (m_stale.test(item)) {
        cached = build(item);
        m_stale.reset(item);
    }
    return cached;
}

QByteArray LiveState::build(int item) const
{
    if (item == LinkItem)
        return linkJson();
    if (item == OptionsItem)
        return optionsJson();
    if (item == PageItem)
        return pageJson();
    if (item == ShowItem)
        return showJson();
    if (item == MarkerItem)
        return markerJson();
    if (item < FirstDimmer)
        return fixtureJson(item - FirstFixture);
    if (item < FirstPlayback)
        return dimmerJson(item - FirstDimmer);
    if (item < FirstChannel)
        return playbackJson(item - FirstPlayback);
    const int c = item - FirstChannel;
    return channelJson(c / Fixture::MaxChannels, c % Fixture::MaxChannels, true);
}

QByteArray LiveState::linkJson() const
{
    QByteArray out = "{\"state\":\"" + linkStateName(m_session.linkState()) + "\",\"text\":";
    appendString(out, linkStateText(m_session));
    out += ",\"console\":";
    out += m_consoleType < 0 ? QByteArray("null") : number(m_consoleType);
    out += '}';
    return out;
}

QByteArray LiveState::optionsJson() const
{
    return "{\"percent\":" + boolean(m_options.valuesInPercent()) +
           ",\"control\":" + boolean(m_controlAllowed) + '}';
}

QByteArray LiveState::channelJson(int f, int ch, bool withIndex) const
{
    const Fixture& fixture = m_state.Fixtures[size_t(f)];
    const auto c = qint16(ch);
    const quint8 value = fixture.chval(c);
    const QString valueName = fixture.ChValName(c);
    // A value the profile names is a setting (a colour, a gobo) and keeps its number; only an
    // unnamed value, a level, is shown in percent when the user chose so.
    QString text = levelText(value, m_options.valuesInPercent() && valueName.isEmpty());
    if (!valueName.isEmpty())
        text += QLatin1Char(' ') + valueName;
    while (text.endsWith(QLatin1Char(' ')))
        text.chop(1);
    QByteArray out = "{";
    if (withIndex)
        out += "\"f\":" + number(f + 1) + ',';
    out += "\"c\":" + number(ch + 1);
    if (!withIndex) {
        const int n = fixture.nchnls() == 0 ? 1 : fixture.nchnls();
        const QString name = fixture.ChName(qint16(ch % n));
        out += ",\"name\":";
        appendName(out, name.isEmpty() ? QStringLiteral("channel ") + QString::number(ch % n + 1)
                                       : name);
    }
    out += ",\"value\":" + number(value) + ",\"valueName\":";
    appendName(out, valueName);
    out += ",\"text\":";
    appendString(out, text);
    out += ",\"confirmed\":" + boolean(fixture.chvalConfirmed(c)) + '}';
    return out;
}

QByteArray LiveState::fixtureJson(int f) const
{
    const Fixture& fixture = m_state.Fixtures[size_t(f)];
    if (fixture.FixtType() == 0)
        return "{\"n\":" + number(f + 1) + ",\"gone\":true}";
    QString title = QStringLiteral("fixture ") + QString::number(f + 1);
    if (fixture.Multi() != 1)
        title += QStringLiteral(" X ") + QString::number(fixture.Multi());
    QByteArray out = "{\"n\":" + number(f + 1) + ",\"title\":";
    appendString(out, title);
    out += ",\"name\":";
    appendName(out, fixture.FixtName());
    out += ",\"channels\":[";
    for (int ch = 0; ch < fixture.FMaxCh(); ++ch) {
        if (ch > 0)
            out += ',';
        out += channelJson(f, ch, false);
    }
    out += "]}";
    return out;
}

QByteArray LiveState::dimmerJson(int d) const
{
    const Dimmer& dimmer = m_state.Dimmers[size_t(d)];
    if (!dimmer.DimmerPatched())
        return "{\"n\":" + number(d + 1) + ",\"gone\":true}";
    QByteArray out = "{\"n\":" + number(d + 1) + ",\"name\":";
    appendName(out, dimmer.DimmerName());
    out += ",\"fader\":" + number(d % 8 + 1) + ",\"page\":" + number(d / 8 + 1) +
           ",\"level\":" + number(dimmer.DimmerLevel()) + ",\"percent\":";
    appendString(out, percentText(dimmer.DimmerLevel()));
    out += ",\"confirmed\":" + boolean(dimmer.DimmerLevelConfirmed()) + '}';
    return out;
}

QByteArray LiveState::playbackJson(int p) const
{
    const Playback& playback = m_state.Playbacks[size_t(p)];
    QByteArray out =
        "{\"n\":" + number(p + 1) + ",\"flex\":" + boolean(p >= SharedState::PlaybackCount / 2) +
        ",\"fader\":" + number(p % 8 + 1) + ",\"assigned\":" + boolean(playback.Assigned());
    if (playback.Assigned()) {
        out += ",\"memory\":";
        appendString(out, playback.MemoryText());
        out += ",\"name\":";
        appendName(out, playback.Name());
        out += ",\"level\":" + number(playback.Level()) + ",\"percent\":";
        appendString(out, percentText(playback.Level()));
    }
    out += '}';
    return out;
}

void LiveState::pageContents(const ConsolePayloads::PageContents& contents)
{
    m_pageKind = contents.kind;
    if (ConsolePayloads::pageKindText(contents.kind))
        m_pageCaption =
            ConsolePayloads::pageCaption(contents.kind, contents.page, contents.fixture);
    m_pageShown = true;
    m_pageEntries = contents.entries;
    mark(PageItem);
}

QByteArray LiveState::pageJson() const
{
    const ConsolePayloads::PageKindText* words = ConsolePayloads::pageKindText(m_pageKind);
    QByteArray out = "{\"shown\":" + boolean(m_pageShown) + ",\"caption\":";
    appendString(out, m_pageCaption);
    out += ",\"numberHeader\":";
    appendString(out, words ? QLatin1String(words->numberHeader) : QString());
    out += ",\"nameHeader\":";
    appendString(out, words ? QLatin1String(words->nameHeader) : QString());
    out += ",\"fixturePage\":" + boolean(m_pageKind == FixturePage) + ",\"entries\":[";
    for (int r = 0; r < m_pageEntries.size(); ++r) {
        if (r > 0)
            out += ',';
        out += "{\"n\":" + number(r + 1) + ",\"name\":";
        appendName(out, m_pageEntries[r]);
        // Entries beyond the 48 fixtures have no fixture to mark.
        const bool selected = m_pageKind == FixturePage && r < SharedState::FixtureCount &&
                              m_state.Fixtures[size_t(r)].Selected();
        out += ",\"selected\":" + boolean(selected) + '}';
    }
    out += "]}";
    return out;
}

void LiveState::showList(const ConsolePayloads::ShowList& list)
{
    m_markedStep = 0;
    m_showSteps.clear();
    if (list.noSuchShow) {
        m_showNumber = NoShow;
        m_showPage = NoShow;
        m_showCaption = QStringLiteral("Show List - empty");
    } else {
        m_showNumber = list.number;
        m_showPage = list.page;
        m_showCaption = QStringLiteral("Show List - ") + list.name;
        // Only the steps that arrived whole are listed, so a marker never points past them.
        for (const auto& step : list.steps)
            m_showSteps.append(QStringLiteral("Scn. ") + QString::number(step.scene + 1) +
                               QStringLiteral(" Pg. ") + QString::number(step.scenePage + 1) +
                               QStringLiteral("  ") + step.sceneName);
        if (!m_showSteps.isEmpty())
            m_markedStep = 1;
    }
    mark(ShowItem);
    mark(MarkerItem);
}

void LiveState::showStep(const ConsolePayloads::ShowStep& step)
{
    if (step.number != m_showNumber || step.page != m_showPage || step.step >= m_showSteps.size())
        return;
    m_markedStep = step.step + 1;
    mark(MarkerItem);
}

QByteArray LiveState::showJson() const
{
    QByteArray out = "{\"caption\":";
    appendName(out, m_showCaption.isEmpty() ? QStringLiteral("Show List") : m_showCaption);
    out += ",\"steps\":[";
    for (int r = 0; r < m_showSteps.size(); ++r) {
        if (r > 0)
            out += ',';
        out += "{\"n\":" + number(r + 1) + ",\"text\":";
        appendName(out, m_showSteps[r]);
        out += '}';
    }
    out += "]}";
    return out;
}

QByteArray LiveState::markerJson() const
{
    return number(m_markedStep);
}

QByteArray LiveState::snapshot()
{
    QByteArray out = "{\"type\":\"snapshot\",\"link\":" + fragment(LinkItem) +
                     ",\"options\":" + fragment(OptionsItem) + ",\"fixtures\":[";
    bool first = true;
    for (int f = 0; f < SharedState::FixtureCount; ++f) {
        if (m_state.Fixtures[size_t(f)].FixtType() == 0)
            continue;
        if (!first)
            out += ',';
        first = false;
        out += fragment(FirstFixture + f);
    }
    out += "],\"dimmers\":[";
    first = true;
    for (int d = 0; d < SharedState::DimmerCount; ++d) {
        if (!m_state.Dimmers[size_t(d)].DimmerPatched())
            continue;
        if (!first)
            out += ',';
        first = false;
        out += fragment(FirstDimmer + d);
    }
    out += "],\"playbacks\":[";
    for (int p = 0; p < SharedState::PlaybackCount; ++p) {
        if (p > 0)
            out += ',';
        out += fragment(FirstPlayback + p);
    }
    out += "],\"page\":" + fragment(PageItem) + ",\"show\":" + fragment(ShowItem) +
           ",\"marker\":" + fragment(MarkerItem) + '}';
    return out;
}

QByteArray LiveState::changeMessage(const Items& items, qint64 since)
{
    QByteArray out = "{\"type\":\"change\",\"since\":" + QByteArray::number(since);
    for (const auto& [item, key] : {std::pair{LinkItem, "link"}, std::pair{OptionsItem, "options"},
                                    std::pair{PageItem, "page"}, std::pair{ShowItem, "show"},
                                    std::pair{MarkerItem, "marker"}})
        if (items.test(item))
            out += ",\"" + QByteArray(key) + "\":" + fragment(item);
    // The records in groups: "fixtures":[...], "dimmers":[...], ... A channel of a fixture sent
    // whole is not sent again.
    const char* group = nullptr;
    items.forEach([&](int item) {
        if (item < FirstFixture)
            return;
        const char* key = item < FirstDimmer     ? "fixtures"
                          : item < FirstPlayback ? "dimmers"
                          : item < FirstChannel  ? "playbacks"
                                                 : "channels";
        if (item >= FirstChannel &&
            items.test(FirstFixture + (item - FirstChannel) / Fixture::MaxChannels))
            return;
        if (key != group) {
            out += group ? "],\"" : ",\"";
            out += key;
            out += "\":[";
            group = key;
        } else {
            out += ',';
        }
        out += fragment(item);
    });
    if (group)
        out += ']';
    out += '}';
    return out;
}
