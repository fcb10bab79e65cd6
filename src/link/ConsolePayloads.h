#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

// The layouts of the console's view messages, decoded once for the views and the traffic log.
// Each decode reads only the bytes there are; a payload too short for what a reader needs gives
// no value, and what a cut-short payload holds whole is kept.
namespace ConsolePayloads {

// Kind 2: the page on the console's display.
struct PageSelection
{
    static constexpr quint8 None = 0xFF;
    quint8 kind = None; // None: no page on display
    quint8 page = 0;

    bool none() const { return kind == None; }
    // Empty when it names a page but lacks its number.
    static std::optional<PageSelection> decode(const QByteArray& p);
};

// Kind 3: the entries of the page on display. Header bytes that the payload lacks read as absent:
// no known kind, no fixture selected, no entries.
struct PageContents
{
    static constexpr quint8 NoFixture = 0xFF;
    static constexpr int HeaderSize = 5;
    quint8 kind = 0xFF;
    quint8 page = 0;
    quint8 fixture = NoFixture; // the fixture of a factory preset page
    int announced = 0;          // entries the header announces
    int entryLength = 0;
    bool headerWhole = false;
    // The entries the payload holds whole (all of them when they have no bytes), in order.
    QList<QString> entries;

    bool cutShort() const { return entries.size() < announced; }
    static PageContents decode(const QByteArray& p);
};

// The words of each kind of memory page, as the console's display names them: its caption,
// whether the caption carries the page number, and the headers of the number and name columns.
struct PageKindText
{
    const char* caption;
    bool numbered;
    const char* numberHeader;
    const char* nameHeader;
};
constexpr quint8 FactoryPresetPage = 3;
constexpr quint8 FixturePage = 6;
// Null for a kind the console does not have.
const PageKindText* pageKindText(quint8 kind);
// "Scene Page 3", "Factory Preset Page 1 (fixture 2)", "Fixture Page"; empty for an unknown kind.
QString pageCaption(quint8 kind, quint8 page, quint8 fixture);

// Kind 21: the console turned a page of the playback faders or of the flex faders.
struct PlaybackPageChange
{
    bool flex = false;
    quint8 page = 0; // 0xFF for the flex faders: no flex page active

    bool noFlexPage() const { return flex && page == 0xFF; }
    static std::optional<PlaybackPageChange> decode(const QByteArray& p);
};

// Kind 22: a show's steps, or "no such show".
struct ShowList
{
    static constexpr quint8 NoShow = 0xFF;
    struct Step
    {
        quint8 scene = 0;
        quint8 scenePage = 0;
        QString sceneName;
    };
    bool noSuchShow = false;
    quint8 number = 0;
    quint8 page = 0;
    QString name;
    int announced = 0; // steps the list announces
    // The steps that arrived whole, at most the announced ones.
    QList<Step> steps;

    bool cutShort() const { return steps.size() < announced; }
    // Empty when a show's list is cut short before its step count.
    static std::optional<ShowList> decode(const QByteArray& p);
};

// Kind 23: a show started; kind 24: a show moved to a step.
struct ShowStarted
{
    quint8 number = 0;
    quint8 page = 0;
    static std::optional<ShowStarted> decode(const QByteArray& p);
};

struct ShowStep
{
    quint8 number = 0;
    quint8 page = 0;
    quint8 step = 0;
    static std::optional<ShowStep> decode(const QByteArray& p);
};

} // namespace ConsolePayloads
