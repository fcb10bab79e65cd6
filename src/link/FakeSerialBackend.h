#pragma once

#include "link/SerialBackend.h"

#include <QList>
#include <QStringList>

// A scriptable serial device: records what the program writes and the line settings it sets, and
// lets a test deliver bytes, line errors and the loss of the device.
class FakeSerialBackend : public SerialBackend
{
    Q_OBJECT
public:
    using SerialBackend::SerialBackend;

    bool open(const QString& device, const LineSettings& settings, OpenError* error) override;
    void close() override { m_open = false; }
    bool isOpen() const override { return m_open; }
    bool configure(const LineSettings& settings) override;
    void write(const QByteArray& bytes) override;
    void setWatched(bool on) override { watched = on; }

    void deliver(const QByteArray& bytes) { emit received(bytes); }
    void raiseLineError(int commEvent) { emit lineError(commEvent); }
    void loseDevice(const QString& reason) { emit deviceLost(reason); }

    // Script: opening fails with this reason and kind; settings with these data bits are rejected.
    QString failOpenWith;
    OpenFailure failOpenKind = OpenFailure::Other;
    int rejectDataBits = 0;

    QString openedDevice;
    LineSettings settings;
    QList<QByteArray> writes;
    // Every write with the line settings in force when it was made.
    QList<QPair<QByteArray, LineSettings>> writesWithSettings;
    QByteArray written() const;
    void clearWrites()
    {
        writes.clear();
        writesWithSettings.clear();
    }
    int openCount = 0;
    bool watched = false;

private:
    bool m_open = false;
};
