#pragma once

#include "link/SerialBackend.h"

#include <QSerialPort>

#include <array>
#include <optional>

// The real serial device, through QSerialPort. QSerialPort no longer reports parity, framing or
// break errors, so on Linux the driver's error counters are read after each arrival and their
// increases raised as line errors. Drivers without counters (a pty) report none.
class QtSerialBackend : public SerialBackend
{
    Q_OBJECT
public:
    explicit QtSerialBackend(QObject* parent = nullptr);

    bool open(const QString& device, const LineSettings& settings, OpenError* error) override;
    void close() override;
    bool isOpen() const override { return m_port.isOpen(); }
    bool configure(const LineSettings& settings) override;
    void write(const QByteArray& bytes) override;
    void drain() override;

protected:
    // The driver's error counters (frame, parity, break, overrun, buffer overrun); false when the
    // driver keeps none. Tests put their own counts in.
    virtual bool readCounters(std::array<int, 5>& counters) const;

private:
    // What stands at the path, before QSerialPort is asked: nothing, or not a terminal device.
    static std::optional<OpenFailure> checkPath(const QString& device);
    void readArrived();
    void portError(QSerialPort::SerialPortError error);
    // Raises a line error for each counter that went up; true if any did.
    bool checkErrorCounters();

    QSerialPort m_port;
    // frame, parity, brk, overrun, buf_overrun as last read; empty when the driver has none.
    bool m_isPty = false;
    bool m_haveCounters = false;
    bool m_noCounters = false;
    std::array<int, 5> m_counters{};
};
