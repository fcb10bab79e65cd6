#include "PageDisplay.h"

#include "Rig.h"

#include <algorithm>

void PageDisplay::set(quint8 kind, int number)
{
    m_current.kind = kind;
    m_current.number = quint8(std::clamp(number, 0, std::max(0, Rig::pageCount(kind) - 1)));
    m_lastPage[kind] = m_current.number;
}

PageDisplay::Ref PageDisplay::choose(int listIndex)
{
    static constexpr quint8 kinds[] = {PageScene, PageShow,    PagePreset,
                                       PageChase, PageFixture, PageGroup};
    if (listIndex < 0 || listIndex > 5) {
        m_current = {PageNone, 0};
        return m_current;
    }
    const quint8 kind = kinds[listIndex];
    set(kind, m_lastPage[kind]);
    return m_current;
}

PageDisplay::Ref PageDisplay::step(bool up)
{
    const quint8 kind = m_current.kind;
    if (kind == PageNone)
        return m_current;
    const int next = m_current.number + (up ? 1 : -1);
    const int last = Rig::pageCount(kind) - 1;
    if (up && next > last && (kind == PagePreset || kind == PageChase))
        set(kind == PagePreset ? PageFactoryPreset : PageFactoryChase, 0);
    else if (!up && next < 0 && (kind == PageFactoryPreset || kind == PageFactoryChase))
        set(kind == PageFactoryPreset ? PagePreset : PageChase, Rig::MemoryPages - 1);
    else
        set(kind, next);
    return m_current;
}
