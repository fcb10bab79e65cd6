#pragma once

class SerialPort;
class frmMain;
struct SharedState;

// What a view gets when it is created: the records and the port to send its commands through.
struct ViewContext
{
    SharedState& state;
    SerialPort& port;
    frmMain& main;
};
