#include "link/ConsolePayloads.h"

#include "model/AnsiText.h"

#include <algorithm>
#include <iterator>

namespace ConsolePayloads {

namespace {

quint8 at(const QByteArray& p, qsizetype i)
{
    return quint8(p[i]);
}

constexpr int kNameLength = 16;
// Show list: number, page, name, step count, then per step the scene, its page and its name.
constexpr int kShowNameAt = 2;
constexpr int kShowCountAt = 18;
constexpr int kFirstStepAt = 19;
constexpr int kStepLength = 18;

} // namespace

const PageKindText* pageKindText(quint8 kind)
{
    static constexpr PageKindText kinds[] = {
        {"Scene Page", true, "Scene #", "Scene Name"},
        {"Show Page", true, "Show #", "Show Name"},
        {"Preset Page", true, "Preset #", "Preset Name"},
        {"Factory Preset Page", true, "Preset #", "Preset Name"},
        {"Chase Page", true, "Chase #", "Chase Name"},
        {"Factory Chase Page", true, "Chase #", "Chase Name"},
        {"Fixture Page", false, "Fixture #", "Fixture Name"},
        {"Fixture Group Page", false, "Group #", "Group Name"},
    };
    return kind < std::size(kinds) ? &kinds[kind] : nullptr;
}

QString pageCaption(quint8 kind, quint8 page, quint8 fixture)
{
    const PageKindText* words = pageKindText(kind);
    if (!words)
        return {};
    QString text = QLatin1String(words->caption);
    if (words->numbered)
        text += QLatin1Char(' ') + QString::number(page + 1);
    if (kind == FactoryPresetPage)
        text += QStringLiteral(" (fixture ") +
                (fixture == PageContents::NoFixture ? QStringLiteral("(none selected)")
                                                    : QString::number(fixture + 1)) +
                QLatin1Char(')');
    return text;
}

std::optional<PageSelection> PageSelection::decode(const QByteArray& p)
{
    if (!p.isEmpty() && at(p, 0) == None)
        return PageSelection{};
    if (p.size() < 2)
        return std::nullopt;
    return PageSelection{at(p, 0), at(p, 1)};
}

PageContents PageContents::decode(const QByteArray& p)
{
    PageContents c;
    const auto byteAt = [&p](qsizetype i, quint8 absent) {
        return i < p.size() ? at(p, i) : absent;
    };
    c.kind = byteAt(0, 0xFF);
    c.page = byteAt(1, 0);
    c.fixture = byteAt(2, NoFixture);
    c.announced = byteAt(3, 0);
    c.entryLength = byteAt(4, 0);
    c.headerWhole = p.size() >= HeaderSize;
    if (!c.headerWhole)
        return c;
    const int whole =
        c.entryLength == 0
            ? c.announced
            : int(std::min<qsizetype>(c.announced, (p.size() - HeaderSize) / c.entryLength));
    c.entries.reserve(whole);
    for (int k = 0; k < whole; ++k)
        c.entries << AnsiText::decode(p, HeaderSize + qsizetype(k) * c.entryLength, c.entryLength);
    return c;
}

std::optional<PlaybackPageChange> PlaybackPageChange::decode(const QByteArray& p)
{
    if (p.size() < 2)
        return std::nullopt;
    return PlaybackPageChange{at(p, 0) != 0, at(p, 1)};
}

std::optional<ShowList> ShowList::decode(const QByteArray& p)
{
    ShowList list;
    if (!p.isEmpty() && at(p, 0) == NoShow) {
        list.noSuchShow = true;
        return list;
    }
    if (p.size() <= kShowCountAt)
        return std::nullopt;
    list.number = at(p, 0);
    list.page = at(p, 1);
    list.name = AnsiText::decode(p, kShowNameAt, kNameLength);
    list.announced = at(p, kShowCountAt);
    const qsizetype whole = (p.size() - kFirstStepAt) / kStepLength;
    const int steps = int(std::min<qsizetype>(list.announced, whole));
    list.steps.reserve(steps);
    for (int k = 0; k < steps; ++k) {
        const qsizetype o = kFirstStepAt + qsizetype(k) * kStepLength;
        list.steps.append({at(p, o), at(p, o + 1), AnsiText::decode(p, o + 2, kNameLength)});
    }
    return list;
}

std::optional<ShowStarted> ShowStarted::decode(const QByteArray& p)
{
    if (p.size() < 2)
        return std::nullopt;
    return ShowStarted{at(p, 0), at(p, 1)};
}

std::optional<ShowStep> ShowStep::decode(const QByteArray& p)
{
    if (p.size() < 3)
        return std::nullopt;
    return ShowStep{at(p, 0), at(p, 1), at(p, 2)};
}

} // namespace ConsolePayloads
