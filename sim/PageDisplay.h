#pragma once

#include "RigRecords.h"

#include <array>

// The memory page the console has on display, and how the page keys move it. The console
// remembers the last page of each kind, so choosing a kind again returns to it.
class PageDisplay
{
public:
    struct Ref
    {
        quint8 kind = PageScene; // PageNone: no page on display
        quint8 number = 0;
    };

    Ref current() const { return m_current; }
    // The list index of the page-kind choice: 0 scene, 1 show, 2 preset, 3 chase, 4 fixture,
    // 5 fixture group. Any other index leaves no page on display.
    Ref choose(int listIndex);
    // Page up past the last preset (chase) page goes on to the factory preset (chase) pages;
    // page down from the first factory page comes back. Other kinds stop at their ends.
    Ref step(bool up);

private:
    void set(quint8 kind, int number);

    Ref m_current;
    std::array<quint8, 8> m_lastPage{};
};
