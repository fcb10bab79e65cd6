#pragma once

#include "link/SerialBackend.h"

#include <QSerialPort>
#include <QSocketNotifier>
#include <QTimer>

#include <array>
#include <memory>
#include <optional>

// The real serial device. QSerialPort opens, configures and writes it; on Unix the program reads
// it through a descriptor of its own. The console sends a few bytes at a time, and waking for each
// of them would cost more than handling them: the first burst after a quiet spell is read at once,
// and while the console keeps talking the line is read once a frame, with nothing else waking the
// program. QSerialPort no longer reports parity, framing or break errors, so on Linux the driver's
// error counters are read after each read and their increases raised as line errors. Drivers
// without counters (a pty) report none.
class QtSerialBackend : public SerialBackend
{
    Q_OBJECT
public:
    // How often a talking line is read: with the repaint that follows, within the 20 ms in which
    // a value must be on screen.
    static constexpr int FrameMs = 15;
    // How often a talking line is read while nothing shows or records it: then only the status
    // bar's count follows it, and the console's replies still come at once after a quiet spell.
    static constexpr int UnwatchedMs = 50;

    explicit QtSerialBackend(QObject* parent = nullptr);
    ~QtSerialBackend() override;

    bool open(const QString& device, const LineSettings& settings, OpenError* error) override;
    void close() override;
    bool isOpen() const override { return m_port.isOpen(); }
    bool configure(const LineSettings& settings) override;
    void write(const QByteArray& bytes) override;
    void drain() override;
    void setWatched(bool watched) override;

protected:
    // The driver's error counters (frame, parity, break, overrun, buffer overrun); false when the
    // driver keeps none. Tests put their own counts in.
    virtual bool readCounters(std::array<int, 5>& counters) const;

private:
    // What stands at the path, before QSerialPort is asked: nothing, or not a terminal device.
    static std::optional<OpenFailure> checkPath(const QString& device);
    static QString devicePath(const QString& device);
    void closeReader();
    bool hungUp() const;
    void readArrived();
    void readBurst();
    // Appends what the device holds beyond QSerialPort's buffer; the error number if the device
    // is gone, else 0.
    int readWaiting(QByteArray& into);
    void portError(QSerialPort::SerialPortError error);
    // Raises a line error for each counter that went up; true if any did.
    bool checkErrorCounters();

    QSerialPort m_port;
    QTimer m_frame;
    // The descriptor the line is read through, and its notifier (Unix); QSerialPort only writes.
    int m_readFd = -1;
    std::unique_ptr<QSocketNotifier> m_readNotifier;
    // frame, parity, brk, overrun, buf_overrun as last read; empty when the driver has none.
    bool m_isPty = false;
    bool m_haveCounters = false;
    bool m_noCounters = false;
    std::array<int, 5> m_counters{};
};
