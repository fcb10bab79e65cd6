#include "link/TrafficFields.h"

#include "link/ConsolePayloads.h"
#include "link/LineSettings.h"
#include "model/AnsiText.h"
#include "model/LevelText.h"
#include "model/SharedState.h"

#include <QStringList>

#include <algorithm>

namespace {

int u8(const QByteArray& p, qsizetype i)
{
    return quint8(p[i]);
}

// Texts are put together with one multi-argument arg(), so that a name holding "%1" stays as it
// is.
QString num(int n)
{
    return QString::number(n);
}

// A name in quotes, without the blanks and NULs that fill its field.
QString quoted(QString s)
{
    qsizetype end = s.size();
    while (end > 0 && (s[end - 1] == QLatin1Char(' ') || s[end - 1] == QChar(0)))
        --end;
    s.truncate(end);
    return QLatin1Char('\'') + s + QLatin1Char('\'');
}

QString nameAt(const QByteArray& p, qsizetype start, qsizetype count)
{
    return quoted(AnsiText::decode(p, start, count));
}

QString tooShort(const QByteArray& p)
{
    return p.size() == 1 ? QStringLiteral("too short, 1 byte: ignored")
                         : QStringLiteral("too short, %1 bytes: ignored").arg(p.size());
}

QString pageText(int kind, int number)
{
    const int n = number + 1;
    switch (kind) {
    case 0:
        return QStringLiteral("scene page %1").arg(n);
    case 1:
        return QStringLiteral("show page %1").arg(n);
    case 2:
        return QStringLiteral("preset page %1").arg(n);
    case 3:
        return QStringLiteral("factory preset page %1").arg(n);
    case 4:
        return QStringLiteral("chase page %1").arg(n);
    case 5:
        return QStringLiteral("factory chase page %1").arg(n);
    case 6:
        return QStringLiteral("fixture page");
    case 7:
        return QStringLiteral("fixture group page");
    default:
        return QStringLiteral("page of unknown kind %1").arg(kind);
    }
}

QString faderText(int p)
{
    return p < 8 ? QStringLiteral("playback fader %1").arg(p + 1)
                 : QStringLiteral("flex fader %1").arg(p - 7);
}

QString memoryText(int type, int page, int number)
{
    const int n = number + 1;
    switch (type) {
    case 1:
        return QStringLiteral("scene %1 page %2").arg(n).arg(page + 1);
    case 2:
        return page > 23 ? QStringLiteral("factory preset %1 page F%2").arg(n).arg(page - 23)
                         : QStringLiteral("preset %1 page %2").arg(n).arg(page + 1);
    case 3:
        return QStringLiteral("chase %1 page %2").arg(n).arg(page + 1);
    case 4:
        return QStringLiteral("show %1 page %2").arg(n).arg(page + 1);
    default:
        return QStringLiteral("memory of unknown type %1").arg(type);
    }
}

QString showText(int number, int page)
{
    return QStringLiteral("show %1 page %2").arg(number + 1).arg(page + 1);
}

} // namespace

QString TrafficFields::speed(const QString& lineSettings)
{
    const auto s = LineSettings::parse(lineSettings);
    if (!s)
        return QStringLiteral("at an unknown speed");
    QString text = QStringLiteral("at %1 bit/s").arg(s->baud);
    if (s->dataBits != 8)
        text += QStringLiteral(", %1 data bits").arg(s->dataBits);
    return text;
}

QString TrafficFields::fixtureText(int f) const
{
    QString text = QStringLiteral("fixture %1").arg(f + 1);
    if (f < SharedState::FixtureCount && m_state.Fixtures[size_t(f)].FixtType() != 0)
        text += QLatin1Char(' ') + quoted(m_state.Fixtures[size_t(f)].FixtName());
    return text;
}

QString TrafficFields::dimmerText(int d) const
{
    QString text = QStringLiteral("dimmer %1").arg(d + 1);
    if (d < SharedState::DimmerCount && m_state.Dimmers[size_t(d)].DimmerPatched())
        text += QLatin1Char(' ') + quoted(m_state.Dimmers[size_t(d)].DimmerName());
    return text;
}

QString TrafficFields::message(int kind, const QByteArray& p) const
{
    const auto need = [&p](qsizetype n) { return p.size() >= n; };
    switch (kind) {
    case 2: {
        const auto selection = ConsolePayloads::PageSelection::decode(p);
        if (!selection)
            return tooShort(p);
        return selection->none()
                   ? QStringLiteral("no page on display")
                   : pageText(selection->kind, selection->page) + QStringLiteral(" on display");
    }
    case 3: {
        const auto contents = ConsolePayloads::PageContents::decode(p);
        if (!contents.headerWhole)
            return tooShort(p);
        QString text = pageText(contents.kind, contents.page);
        if (contents.kind == 3)
            text += contents.fixture == ConsolePayloads::PageContents::NoFixture
                        ? QStringLiteral(" (no fixture selected)")
                        : QStringLiteral(" (fixture %1)").arg(contents.fixture + 1);
        text += QStringLiteral(": %1 entries of %2 bytes")
                    .arg(contents.announced)
                    .arg(contents.entryLength);
        if (contents.cutShort())
            text += QStringLiteral(", cut short");
        return text;
    }
    case 4: {
        const int f = u8(p, 0);
        if (f >= SharedState::FixtureCount)
            return QStringLiteral("fixture %1 is beyond the 48 slots: ignored").arg(f + 1);
        if (!need(2))
            return tooShort(p);
        if (u8(p, 1) == 0)
            return QStringLiteral("fixture %1: empty slot").arg(f + 1);
        if (!need(29))
            return tooShort(p);
        const int type = u8(p, 1);
        const int address = u8(p, 5) | (u8(p, 6) << 8);
        return QStringLiteral("fixture %1 %2: %3, %4 \u00D7 %5 channels at %6")
            .arg(num(f + 1), nameAt(p, 13, 16),
                 type == 255 ? QStringLiteral("profile %1").arg(u8(p, 2))
                             : QStringLiteral("type %1").arg(type),
                 num(std::max(u8(p, 4), 1)), num(u8(p, 3)), num(address));
    }
    case 5:
        return QStringLiteral("scene buffer, %1 bytes").arg(p.size());
    case 7: {
        QString text = QStringLiteral("profile %1").arg(u8(p, 0));
        if (!need(32))
            return text;
        const int channels = u8(p, 31);
        int steps = 0;
        for (int k = 0; k < std::min(channels, 32) && 70 + k < p.size(); ++k)
            steps += u8(p, 70 + k);
        return text + QStringLiteral(": %1 channels, %2 steps").arg(channels).arg(steps);
    }
    case 8: {
        if (!need(3))
            return tooShort(p);
        const int f = u8(p, 0);
        const int ch = u8(p, 1);
        if (f >= SharedState::FixtureCount || ch >= Fixture::MaxChannels)
            return QStringLiteral("fixture %1 channel %2 is beyond the records: ignored")
                .arg(f + 1)
                .arg(ch + 1);
        return channelText(f, ch) + QStringLiteral(" = ") + valueText(f, ch, u8(p, 2));
    }
    case 9: {
        if (!need(3))
            return tooShort(p);
        const int address = u8(p, 0) | (u8(p, 1) << 8);
        const int value = u8(p, 2);
        if (address > SharedState::MaxDmxAddress)
            return QStringLiteral("address %1 is beyond the last (%2): ignored")
                .arg(address)
                .arg(SharedState::MaxDmxAddress);
        QStringList owners;
        const int f = m_state.DmxFixtureMap[size_t(address)];
        int ch = -1;
        if (f < SharedState::FixtureCount) {
            ch = address - quint16(m_state.Fixtures[size_t(f)].DmxAddr());
            if (ch >= 0 && ch < Fixture::MaxChannels)
                owners << channelText(f, ch);
            else
                ch = -1;
        }
        const int d = m_state.DmxDimmerMap[size_t(address)];
        if (d < SharedState::DimmerCount)
            owners << dimmerText(d);
        const QString level = ch >= 0 ? valueText(f, ch, quint8(value)) : QString::number(value);
        if (owners.isEmpty())
            return QStringLiteral("address %1 (no fixture or dimmer there), level %2")
                .arg(num(address), level);
        return QStringLiteral("address %1 = %2, level %3")
            .arg(num(address), owners.join(QStringLiteral(" and ")), level);
    }
    case 10:
        return need(3) && u8(p, 0) == 0xFF && u8(p, 1) == 0 && u8(p, 2) == 0
                   ? QStringLiteral("every fixture channel and dimmer to 0")
                   : QStringLiteral("not the all-off bytes FF 00 00: ignored");
    case 12:
        if (!need(2))
            return tooShort(p);
        if (u8(p, 0) >= SharedState::FixtureCount)
            return QStringLiteral("fixture %1 is beyond the 48 slots: ignored").arg(u8(p, 0) + 1);
        return fixtureText(u8(p, 0)) +
               (u8(p, 1) ? QStringLiteral(" selected") : QStringLiteral(" deselected"));
    case 16:
        return u8(p, 0) == 3 ? QStringLiteral("console type 3: extended formats")
                             : QStringLiteral("console type %1: standard formats").arg(u8(p, 0));
    case 17: {
        const int d = u8(p, 0);
        if (d >= SharedState::DimmerCount)
            return QStringLiteral("dimmer %1 is beyond the 128: ignored").arg(d + 1);
        if (!need(2))
            return tooShort(p);
        if (u8(p, 1) == 0)
            return QStringLiteral("dimmer %1 not patched").arg(d + 1);
        if (!need(24))
            return tooShort(p);
        return QStringLiteral("dimmer %1 %2 patched at %3, level %4")
            .arg(num(d + 1), nameAt(p, 7, 16), num(u8(p, 2) | (u8(p, 3) << 8)), num(u8(p, 23)));
    }
    case 18:
        if (!need(2))
            return tooShort(p);
        if (u8(p, 0) >= SharedState::DimmerCount)
            return QStringLiteral("dimmer %1 is beyond the 128: ignored").arg(u8(p, 0) + 1);
        return QStringLiteral("%1 level %2 (%3)")
            .arg(dimmerText(u8(p, 0)), num(u8(p, 1)), percentText(quint8(u8(p, 1))));
    case 19: {
        const int n = u8(p, 0);
        if (n >= SharedState::PlaybackCount)
            return QStringLiteral("playback %1 is beyond the 16: ignored").arg(n + 1);
        if (!need(2))
            return tooShort(p);
        if (u8(p, 1) == 0)
            return faderText(n) + QStringLiteral(": nothing assigned");
        if (!need(23))
            return tooShort(p);
        return QStringLiteral("%1: %2 %3, level %4")
            .arg(faderText(n), memoryText(u8(p, 3), u8(p, 4), u8(p, 5)), nameAt(p, 6, 16),
                 num(u8(p, 22)));
    }
    case 20:
        if (!need(2))
            return tooShort(p);
        if (u8(p, 0) >= SharedState::PlaybackCount)
            return QStringLiteral("playback %1 is beyond the 16: ignored").arg(u8(p, 0) + 1);
        return QStringLiteral("%1 level %2 (%3)")
            .arg(faderText(u8(p, 0)))
            .arg(u8(p, 1))
            .arg(percentText(quint8(u8(p, 1))));
    case 21: {
        const auto change = ConsolePayloads::PlaybackPageChange::decode(p);
        if (!change)
            return tooShort(p);
        if (!change->flex)
            return QStringLiteral("playback faders on page %1").arg(change->page + 1);
        return change->noFlexPage()
                   ? QStringLiteral("flex faders: no flex page")
                   : QStringLiteral("flex faders on page %1").arg(change->page + 1);
    }
    case 22: {
        const auto list = ConsolePayloads::ShowList::decode(p);
        if (!list)
            return tooShort(p);
        if (list->noSuchShow)
            return QStringLiteral("no such show");
        QString text =
            QStringLiteral("%1 %2: %3 steps")
                .arg(showText(list->number, list->page), quoted(list->name), num(list->announced));
        if (list->cutShort())
            text += QStringLiteral(", cut short");
        return text;
    }
    case 23: {
        const auto show = ConsolePayloads::ShowStarted::decode(p);
        return show ? showText(show->number, show->page) + QStringLiteral(" started") : tooShort(p);
    }
    case 24: {
        const auto step = ConsolePayloads::ShowStep::decode(p);
        return step ? showText(step->number, step->page) +
                          QStringLiteral(" at step %1").arg(step->step + 1)
                    : tooShort(p);
    }
    default:
        return QStringLiteral("a kind the program has no use for: dropped");
    }
}

QString TrafficFields::channelText(int f, int ch) const
{
    QString text = fixtureText(f) + QStringLiteral(" channel %1").arg(ch + 1);
    const Fixture& fixture = m_state.Fixtures[size_t(f)];
    if (fixture.FixtType() != 0 && fixture.nchnls() > 0) {
        const QString name = fixture.ChName(qint16(ch % fixture.nchnls()));
        if (!name.isEmpty())
            text += QLatin1Char(' ') + quoted(name);
    }
    return text;
}

QString TrafficFields::valueText(int f, int ch, quint8 value) const
{
    const QString name =
        m_state.Fixtures[size_t(f)].nameOfValue(qint16(ch), value, m_state.Profiles);
    return name.isEmpty() ? QString::number(value)
                          : QStringLiteral("%1 %2").arg(value).arg(quoted(name));
}

QString TrafficFields::command(int code, const QByteArray& ops) const
{
    const auto op = [&ops](int i) { return u8(ops, i); };
    switch (code) {
    case 0x02:
        return QStringLiteral("which page is on display?");
    case 0x03:
        return QStringLiteral("asks for the %1").arg(pageText(op(0), op(1)));
    case 0x04:
        return op(0) == 0xFF ? QStringLiteral("asks for every fixture")
                             : QStringLiteral("asks for fixture %1").arg(op(0) + 1);
    case 0x05:
        return QStringLiteral("asks for the scene buffer");
    case 0x08:
        if (op(0) >= SharedState::FixtureCount || op(1) >= Fixture::MaxChannels)
            return QStringLiteral("sets fixture %1 channel %2 to %3")
                .arg(op(0) + 1)
                .arg(op(1) + 1)
                .arg(op(2));
        return QStringLiteral("sets %1 to %2")
            .arg(channelText(op(0), op(1)), valueText(op(0), op(1), quint8(op(2))));
    case 0x0B:
        switch (op(0)) {
        case 0:
            return QStringLiteral("the monitor is going away");
        case 1:
            return QStringLiteral("the fixtures view closed");
        case 2:
            return QStringLiteral("the fixtures view opened");
        default:
            return QStringLiteral("notice %1").arg(op(0));
        }
    case 0x0D:
        return op(0) == 0      ? QStringLiteral("page down")
               : op(0) == 0xFF ? QStringLiteral("page up")
                               : QStringLiteral("page step %1").arg(op(0));
    case 0x0E: {
        static const char* const kinds[] = {"scene", "show",    "preset",
                                            "chase", "fixture", "fixture group"};
        return op(0) < 6 ? QStringLiteral("%1 pages").arg(QLatin1String(kinds[op(0)]))
                         : QStringLiteral("no page (list entry %1)").arg(op(0));
    }
    case 0x0F:
        return QStringLiteral("entry %1%2")
            .arg(op(0) + 1)
            .arg(op(1) ? QStringLiteral(", added to the selection") : QString());
    case 0x11:
        return op(0) == 0xFF ? QStringLiteral("asks for every dimmer")
                             : QStringLiteral("asks for dimmer %1").arg(op(0) + 1);
    case 0x13:
        return op(0) < SharedState::PlaybackCount
                   ? QStringLiteral("asks for %1").arg(faderText(op(0)))
                   : QStringLiteral("asks for playback %1").arg(op(0) + 1);
    case 0x15:
        return QStringLiteral("asks for the playback pages");
    case 0x16:
        return QStringLiteral("asks for the steps of %1").arg(showText(op(0), op(1)));
    default:
        return {};
    }
}
