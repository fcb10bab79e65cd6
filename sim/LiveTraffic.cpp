#include "LiveTraffic.h"

#include "Encoder.h"

#include <cmath>

LiveTraffic::LiveTraffic(Rig& rig) : m_rig(rig), m_rng(rig.seed() ^ 0x11FEu)
{
    for (int d = 0; d < Rig::DimmerCount && m_chaseDimmers.size() < 6; ++d) {
        if (m_rig.dimmer(d).patched)
            m_chaseDimmers.append(d);
    }
    for (int f = 0; f < Rig::FixtureCount; ++f) {
        const RigFixture& fx = m_rig.fixture(f);
        if (fx.type != 255)
            continue;
        if (fx.profile == 1) { // moving heads: pan and tilt
            m_movers.append({f, 0});
            m_movers.append({f, 1});
        } else if (fx.profile == 9) { // LED bar: both cells' red
            m_movers.append({f, 0});
            m_movers.append({f, 3});
        }
    }
}

LiveTraffic::Message LiveTraffic::next()
{
    const int slot = int(m_count++ % 20);
    if (slot == 19)
        return toggleSelection();
    if (slot == 7 || slot == 15)
        return showEvent();
    if (slot == 3 || slot == 11)
        return moveFader();
    if (slot % 2 == 0 || m_movers.isEmpty())
        return m_chaseDimmers.isEmpty() ? moveFader() : chaseStep();
    return moveFixture();
}

LiveTraffic::Message LiveTraffic::dmx(int address, quint8 value, const QString& what)
{
    return {KindDmxLevel, Encoder::dmxLevel(quint16(address), value),
            QStringLiteral("DMX %1 = %2 (%3)").arg(address).arg(value).arg(what)};
}

LiveTraffic::Message LiveTraffic::chaseStep()
{
    // Each step takes the lit dimmer down and the next one up; the two halves go out as
    // separate messages, alternately as a dimmer level and as a DMX level.
    int d = m_chaseDimmers.at(m_chaseAt);
    quint8 level = 0;
    if (m_chaseOn) {
        m_chaseAt = (m_chaseAt + 1) % int(m_chaseDimmers.size());
        d = m_chaseDimmers.at(m_chaseAt);
        level = 255;
    }
    m_chaseOn = !m_chaseOn;
    m_rig.setDimmerLevel(d, level);
    if (m_count % 4 < 2)
        return {KindDimmerLevel, Encoder::dimmerLevel(quint8(d), level),
                QStringLiteral("dimmer %1 level %2 (chase)").arg(d).arg(level)};
    return dmx(m_rig.dimmer(d).dmxAddr, level, QStringLiteral("chase, dimmer %1").arg(d));
}

LiveTraffic::Message LiveTraffic::moveFixture()
{
    const auto [f, ch] = m_movers.at(m_moveAt);
    m_moveAt = (m_moveAt + 1) % int(m_movers.size());
    const double phase = double(m_count) / 40.0 + ch;
    const quint8 value = quint8(std::lround(127.5 + 127.5 * std::sin(phase)));
    const int address = m_rig.setChannelValue(f, ch, value);
    return dmx(address, value, QStringLiteral("fixture %1 channel %2").arg(f).arg(ch));
}

LiveTraffic::Message LiveTraffic::moveFader()
{
    QList<int> assigned;
    for (int p = 0; p < Rig::PlaybackCount; ++p) {
        if (m_rig.playback(p).assigned)
            assigned.append(p);
    }
    const int p = assigned.at(int(m_rng.bounded(int(assigned.size()))));
    const quint8 level = m_rng.bounded(4) == 0 ? 0 : quint8(m_rng.bounded(256));
    m_rig.setPlaybackLevel(p, level);
    return {KindPlaybackLevel, Encoder::playbackLevel(quint8(p), level),
            QStringLiteral("playback %1 level %2").arg(p).arg(level)};
}

LiveTraffic::Message LiveTraffic::showEvent()
{
    const RigShow& show = m_rig.shows().at(m_showIndex);
    if (m_showStep < 0 || m_showStep + 1 >= show.steps.size()) {
        if (m_showStep >= 0) // the last step has played: the next show starts
            m_showIndex = (m_showIndex + 1) % int(m_rig.shows().size());
        const RigShow& next = m_rig.shows().at(m_showIndex);
        m_showStep = 0;
        return {KindShowStarted, Encoder::showStarted(next.number, next.page),
                QStringLiteral("show %1 page %2 started").arg(next.number).arg(next.page)};
    }
    ++m_showStep;
    return {
        KindShowStep, Encoder::showStep(show.number, show.page, quint8(m_showStep)),
        QStringLiteral("show %1 page %2 step %3").arg(show.number).arg(show.page).arg(m_showStep)};
}

LiveTraffic::Message LiveTraffic::toggleSelection()
{
    QList<int> used;
    for (int f = 0; f < Rig::FixtureCount; ++f) {
        if (!m_rig.fixture(f).isEmpty())
            used.append(f);
    }
    const int f = used.at(int(m_rng.bounded(int(used.size()))));
    const bool selected = !m_rig.fixture(f).selected;
    m_rig.setSelected(f, selected);
    return {KindFixtureSelection, Encoder::fixtureSelection(quint8(f), selected),
            QStringLiteral("fixture %1 %2").arg(f).arg(selected ? "selected" : "deselected")};
}
