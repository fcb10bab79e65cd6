#pragma once

// The receive side of the program over the fake serial device: port, records, the receiver and a
// sink that records what it signals.

#include "RecordingSink.h"
#include "link/FakeSerialBackend.h"
#include "link/Receiver.h"
#include "link/SerialPort.h"
#include "model/SharedState.h"

#include <memory>

struct FakeLink
{
    FakeSerialBackend* backend = new FakeSerialBackend;
    SerialPort port{std::unique_ptr<SerialBackend>(backend)};
    SharedState state;
    Receiver rx{port, state};
    RecordingSink sink;

    void feed(const QByteArray& bytes) { backend->deliver(bytes); }
    // Linked and hunting, every received byte going to the receiver.
    void listen()
    {
        port.setPortOpen(true);
        rx.RxState = Receiver::Hunting;
        port.setRThreshold(1);
        QObject::connect(&port, &SerialPort::OnComm, [this] {
            if (port.CommEvent() == SerialPort::comEvReceive)
                rx.processindata();
        });
    }
};
