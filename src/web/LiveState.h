#pragma once

#include "link/ConsolePayloads.h"
#include "model/SharedState.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>

#include <array>
#include <bit>
#include <vector>

class DisplayOptions;
class Receiver;
class Session;

// The live state as the web page shows it, kept as JSON: one fragment per item (the link, the
// options, each fixture, each fixture channel's value, each dimmer, each playback, the memory
// page, the show list and its marker). The receiver's signals mark items changed; a fragment is
// written anew only when it is asked for after a change, once for every client.
class LiveState : public QObject
{
    Q_OBJECT
public:
    // Items, in this order.
    static constexpr int LinkItem = 0;
    static constexpr int OptionsItem = 1;
    static constexpr int PageItem = 2;
    static constexpr int ShowItem = 3;
    static constexpr int MarkerItem = 4;
    static constexpr int FirstFixture = 5;
    static constexpr int FirstDimmer = FirstFixture + SharedState::FixtureCount;
    static constexpr int FirstPlayback = FirstDimmer + SharedState::DimmerCount;
    static constexpr int FirstChannel = FirstPlayback + SharedState::PlaybackCount;
    static constexpr int ItemCount =
        FirstChannel + SharedState::FixtureCount * Fixture::MaxChannels;

    // A set of items, walked in item order.
    class Items
    {
    public:
        void set(int item) { m_words[size_t(item) / 64] |= quint64(1) << (item % 64); }
        void reset(int item) { m_words[size_t(item) / 64] &= ~(quint64(1) << (item % 64)); }
        bool test(int item) const { return (m_words[size_t(item) / 64] >> (item % 64)) & 1u; }
        void setAll();
        void clear() { m_words.fill(0); }
        bool none() const;
        Items& operator|=(const Items& other);
        bool operator==(const Items&) const = default;
        template <typename F>
        void forEach(F&& f) const;

    private:
        std::array<quint64, (ItemCount + 63) / 64> m_words{};
    };

    LiveState(SharedState& state, Receiver& receiver, Session& session, DisplayOptions& options,
              QObject* parent = nullptr);

    // The whole state: {"type":"snapshot", ...} (docs/web-api.md).
    QByteArray snapshot();
    // The items changed since the last call, and forgets them.
    Items takeChanges();
    bool hasChanges() const { return !m_changed.none(); }
    // When the oldest of the changes not yet taken came in (ms since the epoch).
    qint64 changesSince() const { return m_changedSince; }
    // {"type":"change", ...} with the given items, the oldest of which came in at `since`.
    QByteArray changeMessage(const Items& items, qint64 since);

    bool controlAllowed() const { return m_controlAllowed; }
    void setControlAllowed(bool on);

signals:
    // Something changed after a quiet spell: the owner starts its frame timer.
    void changed();

private:
    void mark(int item);
    void markAllFixtures();
    const QByteArray& fragment(int item);
    QByteArray build(int item) const;
    QByteArray linkJson() const;
    QByteArray optionsJson() const;
    QByteArray fixtureJson(int f) const;
    QByteArray channelJson(int f, int ch, bool withIndex) const;
    QByteArray dimmerJson(int d) const;
    QByteArray playbackJson(int p) const;
    QByteArray pageJson() const;
    QByteArray showJson() const;
    QByteArray markerJson() const;

    void pageContents(const ConsolePayloads::PageContents& contents);
    void showList(const ConsolePayloads::ShowList& list);
    void showStep(const ConsolePayloads::ShowStep& step);

    SharedState& m_state;
    Session& m_session;
    DisplayOptions& m_options;
    bool m_controlAllowed = false;
    int m_consoleType = -1;

    // The memory page, as the console last sent it.
    bool m_pageShown = false;
    quint8 m_pageKind = 0xFF;
    QString m_pageCaption;
    QList<QString> m_pageEntries;

    // The show list, as the show view keeps it.
    static constexpr int NoShow = 0xFF;
    int m_showNumber = NoShow;
    int m_showPage = NoShow;
    QString m_showCaption;
    QList<QString> m_showSteps;
    int m_markedStep = 0; // 1-based; 0: none

    Items m_changed;
    qint64 m_changedSince = 0;
    Items m_stale;
    std::vector<QByteArray> m_fragments;
};

template <typename F>
void LiveState::Items::forEach(F&& f) const
{
    for (size_t w = 0; w < m_words.size(); ++w)
        for (quint64 bits = m_words[w]; bits != 0; bits &= bits - 1)
            f(int(w * 64) + std::countr_zero(bits));
}
