#include "tessaro/widgets/Timer.h"

namespace Ostra
{

int Timer::TicksFor(unsigned long dwElapse)
{
    // The interval is a 32-bit count of milliseconds; anything larger is taken as the largest.
    const unsigned long ms = dwElapse > 0xFFFFFFFFul ? 0xFFFFFFFFul : dwElapse;
    return static_cast<int>(ms / 10 + 1);
}

void Timer::SetTimer(int iId, unsigned long dwElapse)
{
    TimerItem& item = m_mapTimers[iId];
    item.iId = iId;
    item.dwElapse = static_cast<std::uint32_t>(dwElapse > 0xFFFFFFFFul ? 0xFFFFFFFFul : dwElapse);
    item.iCount = item.iReset = TicksFor(dwElapse);
    item.bActive = true;
    item.uSetWalk = m_uWalks;
}

void Timer::KillTimer(int iId)
{
    auto it = m_mapTimers.find(iId);
    if (it != m_mapTimers.end())
        it->second.bActive = false;
}

int Timer::Update(const std::function<void(int)>& onTimer)
{
    // Entries are never erased, so the iterator stays valid while OnTimer adds timers; a nested
    // walk (an OnTimer that runs a modal loop) is a later update and has a number of its own.
    const std::uint64_t walk = ++m_uWalks;
    int fired = 0;
    for (auto it = m_mapTimers.begin(); it != m_mapTimers.end(); ++it)
    {
        TimerItem& item = it->second;
        if (!item.bActive || item.uSetWalk >= walk)
            continue;
        if (--item.iCount > 0)
            continue;
        item.iCount = item.iReset;
        ++fired;
        if (onTimer)
            onTimer(item.iId);
    }
    return fired;
}

bool Timer::IsActive(int iId) const
{
    auto it = m_mapTimers.find(iId);
    return it != m_mapTimers.end() && it->second.bActive;
}

int Timer::GetCount(int iId) const
{
    auto it = m_mapTimers.find(iId);
    return it != m_mapTimers.end() && it->second.bActive ? it->second.iCount : -1;
}

} // namespace Ostra
