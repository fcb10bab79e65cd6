#pragma once

class DisplayOptions;
class Receiver;
class SerialPort;
class Session;
class ViewRegistry;
struct SharedState;

// What a view gets when it is created: the records, the port to send its commands through, the
// receiving side whose signals tell what the console changed, the session with its link state, the
// display options, and which other views are open.
struct ViewContext
{
    SharedState& state;
    SerialPort& port;
    Receiver& console;
    const Session& session;
    const DisplayOptions& options;
    const ViewRegistry& views;
};
