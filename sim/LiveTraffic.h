#pragma once

#include "Rig.h"

#include <QByteArray>
#include <QList>
#include <QRandomGenerator>
#include <QString>

// What a running console reports by itself: a chase running on a few dimmers (kinds 18 and 9),
// moving heads and an LED bar changing (kind 9 at their addresses), playback faders moved
// (kind 20, now and then to 0), shows starting (kind 23) and stepping (kind 24), and now and
// then a fixture selected or deselected (kind 12). Each message is applied to the rig first.
class LiveTraffic
{
public:
    struct Message
    {
        quint8 kind = 0;
        QByteArray payload;
        QString text;
    };

    explicit LiveTraffic(Rig& rig);

    Message next();

private:
    Message chaseStep();
    Message moveFixture();
    Message moveFader();
    Message showEvent();
    Message toggleSelection();
    Message dmx(int address, quint8 value, const QString& what);

    Rig& m_rig;
    QRandomGenerator m_rng;
    quint64 m_count = 0;
    QList<int> m_chaseDimmers;
    int m_chaseAt = 0;
    bool m_chaseOn = true;
    QList<QPair<int, int>> m_movers; // fixture, flat channel
    int m_moveAt = 0;
    int m_showIndex = 0;
    int m_showStep = -1; // -1: the show has not started yet
};
