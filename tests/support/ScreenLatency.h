#pragma once

// How long a value the console sends takes to reach the screen: from the simulator's write of a
// channel value until the fixtures grid has painted the cell with it.

#include "ConsoleSimulator.h"
#include "Encoder.h"
#include "controls/Grid.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QPaintEvent>
#include <QTest>
#include <QTimer>

class CellPaintWatch : public QObject
{
public:
    CellPaintWatch(Grid& grid, int row, int column) : m_grid(grid), m_row(row), m_column(column)
    {
        grid.viewport()->installEventFilter(this);
    }

    // Milliseconds from the write until a paint of the cell showed a text starting with `text`;
    // -1 after timeoutMs.
    double measure(ConsoleSimulator& sim, const QByteArray& message, const QString& text,
                   int timeoutMs)
    {
        m_text = text;
        m_painted = false;
        QEventLoop loop;
        m_loop = &loop;
        QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
        m_clock.start();
        sim.transport().write(message);
        loop.exec();
        m_loop = nullptr;
        return m_painted ? m_elapsedMs : -1;
    }

protected:
    // The viewport's paint event, seen just before the grid paints it.
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            painted(static_cast<QPaintEvent*>(event)->region());
        return QObject::eventFilter(watched, event);
    }

private:
    void painted(const QRegion& region)
    {
        if (m_loop && !m_painted && m_grid.cellText(m_row, m_column).startsWith(m_text)) {
            const QRect cell = m_grid.visualRect(m_grid.model()->index(m_row - 1, m_column - 1));
            if (region.intersects(cell)) {
                m_elapsedMs = double(m_clock.nsecsElapsed()) / 1e6;
                m_painted = true;
                // After the paint has been shown, not before.
                QTimer::singleShot(0, m_loop, &QEventLoop::quit);
            }
        }
    }

    Grid& m_grid;
    int m_row, m_column;
    QString m_text;
    QElapsedTimer m_clock;
    QEventLoop* m_loop = nullptr;
    bool m_painted = false;
    double m_elapsedMs = 0;
};

// The first fixture of the rig with a channel, or -1.
inline int firstFixtureWithChannels(const Rig& rig)
{
    for (int n = 0; n < Rig::FixtureCount; ++n)
        if (!rig.fixture(n).isEmpty() && !rig.fixture(n).values.isEmpty())
            return n;
    return -1;
}

// Waits until the fixture's first channel shows what the console sent when the view opened, so
// that no answer of the console is still on its way when a measurement starts.
inline bool settledOnRig(const Rig& rig, Grid& grid, int fixture, int row)
{
    const QString shown =
        QString::number(quint8(rig.fixture(fixture).values.at(0))) + QLatin1Char(' ');
    return QTest::qWaitFor([&] { return grid.cellText(row, 2).startsWith(shown); }, 5000);
}

// A value other than the one the cell shows, so that the write changes what is on screen.
inline quint8 newValue(const Grid& grid, int row, int wanted)
{
    const quint8 value = quint8(wanted);
    return grid.cellText(row, 2).startsWith(QString::number(value) + QLatin1Char(' '))
               ? quint8(value + 1)
               : value;
}
