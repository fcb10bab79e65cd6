#include "model/SceneEventText.h"

#include "model/SharedState.h"

#include <utility>

namespace {

constexpr uchar End = 0xFF;
constexpr uchar LastFixtureCode = 0x2F;
constexpr uchar Preset = 0x80;
constexpr uchar Chase = 0x90;
constexpr uchar FactoryChaseOrDimmer = 0xA0;
constexpr uchar Pan = 0xB0;
constexpr uchar Tilt = 0xB1;
constexpr uchar NoScene = 0xFF;
// Memory pages above this are the factory preset pages F1, F2, ...
constexpr int LastMemoryPage = 23;

// Bytes of a record, by its code, in the standard and the extended layout.
int recordLength(uchar code, bool extended)
{
    if (code <= LastFixtureCode)
        return extended ? 5 : 3;
    switch (code) {
    case Preset:
        return extended ? 11 : 9;
    case Chase:
        return extended ? 8 : 6;
    case FactoryChaseOrDimmer:
        return extended ? 5 : 12;
    case Pan:
    case Tilt:
        return extended ? 7 : 6;
    default:
        return 1; // an illegal code stands alone
    }
}

const QString Illegal = QStringLiteral("illegal value encountered");
const QString LineEnd = QStringLiteral("\r\n");

} // namespace

QString SceneEventText::render(const QByteArray& events)
{
    m_text.clear();
    const qsizetype size = events.size();
    if (size == 0)
        return m_text;
    const auto* bytes = reinterpret_cast<const uchar*>(events.constData());
    if (bytes[0] == End)
        return QStringLiteral("Scene buffer is empty.");
    const bool extended = m_state.ExtendedFormat;
    // About 16 characters per payload byte holds typical buffers in one allocation.
    m_text.reserve(size * 16 + 64);
    for (qsizetype i = 0; i < size && bytes[i] != End;) {
        const int length = recordLength(bytes[i], extended);
        if (length > size - i)
            break; // cut off by the payload's end
        appendRecord(bytes + i, extended);
        m_text += LineEnd;
        i += length;
    }
    m_text.squeeze();
    return std::exchange(m_text, QString());
}

void SceneEventText::appendRecord(const uchar* b, bool extended)
{
    const uchar code = b[0];
    if (code <= LastFixtureCode) {
        appendFixtureChannel(b, extended);
        return;
    }
    switch (code) {
    case Preset:
        m_text += QLatin1String("preset ");
        appendNumber(b[1] + 1);
        m_text += QLatin1String(" page ");
        if (b[2] > LastMemoryPage) {
            m_text += QLatin1Char('F');
            appendNumber(b[2] - LastMemoryPage);
        } else {
            appendNumber(b[2] + 1);
        }
        if (extended)
            appendSceneReference(b[9], b[10]);
        return;
    case Chase:
        m_text += QLatin1String("chase ");
        appendNumber(b[1] + 1);
        m_text += QLatin1String(" page ");
        appendNumber(b[2] + 1);
        if (extended)
            appendSceneReference(b[6], b[7]);
        return;
    case FactoryChaseOrDimmer:
        if (extended) {
            m_text += QLatin1String("dimmer ");
            appendNumber(b[1] + 1);
            m_text += QLatin1String(": ");
            appendNumber(b[2]);
            appendSceneReference(b[3], b[4]);
        } else {
            m_text += QLatin1String("factory chase ");
            appendNumber(b[1] + 1);
        }
        return;
    case Pan:
    case Tilt:
        appendPanTilt(b, extended);
        return;
    default:
        m_text += Illegal;
        return;
    }
}

void SceneEventText::appendFixtureChannel(const uchar* b, bool extended)
{
    const int fixture = b[0];
    const qint16 channel = b[1];
    const quint8 value = b[2];
    if (channel >= Fixture::MaxChannels) {
        m_text += Illegal;
        return;
    }
    appendFixtureName(fixture);
    const Fixture& f = m_state.Fixtures[size_t(fixture)];
    const QString channelName = f.ChName(channel);
    if (channelName.isEmpty()) {
        m_text += QLatin1String("channel ");
        appendNumber(channel + 1);
    } else {
        m_text += channelName;
    }
    m_text += QLatin1String(": ");
    const QString valueName = f.nameOfValue(channel, value, m_state.Profiles);
    if (valueName.isEmpty())
        appendNumber(value);
    else
        m_text += valueName;
    if (extended)
        appendSceneReference(b[3], b[4]);
}

void SceneEventText::appendPanTilt(const uchar* b, bool extended)
{
    const int fixture = b[1];
    if (fixture >= SharedState::FixtureCount) {
        m_text += Illegal;
        return;
    }
    const int part = extended ? b[2] : 0;
    const int low = b[3];
    const int high = extended ? b[4] : b[5];
    appendFixtureName(fixture);
    if (part != 0) {
        m_text += QLatin1String("multi ");
        appendNumber(part + 1);
        m_text += QLatin1Char(' ');
    }
    m_text += b[0] == Pan ? QLatin1String("pan high byte: ") : QLatin1String("tilt high byte: ");
    appendNumber(high);
    m_text += QLatin1String(" / low byte: ");
    appendNumber(low);
    if (extended)
        appendSceneReference(b[5], b[6]);
}

// "fixture n <name> "
void SceneEventText::appendFixtureName(int fixture)
{
    m_text += QLatin1String("fixture ");
    appendNumber(fixture + 1);
    m_text += QLatin1Char(' ');
    m_text += m_state.Fixtures[size_t(fixture)].FixtName();
    m_text += QLatin1Char(' ');
}

void SceneEventText::appendSceneReference(uchar scene, uchar page)
{
    if (scene == NoScene)
        return;
    m_text += QLatin1String("   (Scene ");
    appendNumber(scene + 1);
    m_text += QLatin1String(" Page ");
    appendNumber(page + 1);
    m_text += QLatin1Char(')');
}

// Decimal, without going through a temporary string: numbers here are 0 to 256.
void SceneEventText::appendNumber(int value)
{
    if (value >= 100)
        m_text += QChar(u'0' + value / 100);
    if (value >= 10)
        m_text += QChar(u'0' + value / 10 % 10);
    m_text += QChar(u'0' + value % 10);
}
