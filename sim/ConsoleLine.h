#pragma once

// Speed and character size of a serial line, as seen by the console's side.
struct ConsoleLine
{
    int speed = 0;    // bit/s; 0 when the speed is not one the console knows
    int dataBits = 8; // 5..8
};
