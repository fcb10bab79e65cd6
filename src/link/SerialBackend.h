#pragma once

#include "link/LineSettings.h"

#include <QByteArray>
#include <QObject>

// Why a device could not be opened, as far as the user can act on it.
enum class OpenFailure
{
    Other,
    Missing,        // no such device: the adapter is not plugged in, the path is wrong
    NotASerialPort, // a regular file, a directory, a device that is no terminal
    NoPermission,   // the user may not open it (on Linux: not in the dialout group)
    InUse,          // another program holds it
};

struct OpenError
{
    OpenFailure kind = OpenFailure::Other;
    QString reason; // the system's own words
};

// What SerialPort needs of a serial device: open, configure, write, and word of what arrives.
// The real backend drives QSerialPort; tests use FakeSerialBackend.
class SerialBackend : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    // On failure returns false and says why in `error`.
    virtual bool open(const QString& device, const LineSettings& settings, OpenError* error) = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    // Returns false when the device rejects the settings.
    virtual bool configure(const LineSettings& settings) = 0;
    virtual void write(const QByteArray& bytes) = 0;
    // Waits briefly until what was written has left, before the program exits.
    virtual void drain() {}
    // Whether the line is shown or recorded as it happens. A backend that paces its reads may
    // read a talking line less often while nobody watches.
    virtual void setWatched(bool watched) { Q_UNUSED(watched); }

signals:
    void received(const QByteArray& bytes);
    // A line error, as the serial control's event code (1001 break, 1004 framing, ...).
    void lineError(int commEvent);
    // The device went away while open (a USB adapter pulled out, the far end of a pty closed).
    void deviceLost(const QString& reason);
    // The device took these line settings (opening counts).
    void settingsApplied(const LineSettings& settings);
};
