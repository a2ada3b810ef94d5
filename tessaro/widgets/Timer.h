// Frame-counted timers: the timer table that every timed object embeds (the game window, the table
// view, the chat list, dialogs, banners). No operating-system timer is involved: the owner's
// per-frame Update advances the table, and a due timer calls the owner's OnTimer(id) on the main
// thread, inside that Update.
//
// The frame loop runs 100 updates a second, so an update counts as 10 ms: an interval of N ms
// becomes N / 10 + 1 updates (500 ms is 51 updates, 15000 ms is 1501). The owner's Update calls
//
//     m_Timer.Update(*this);        // calls this->OnTimer(id) for every timer due
//
// or passes any callable taking the id.
//
// A timer set or restarted while the table is being walked (from an OnTimer, say) starts counting
// with the next update, so it always fires after its full count of updates.
#pragma once

#include <cstdint>
#include <functional>
#include <map>

namespace Ostra
{

struct TimerItem
{
    int iId = 0;
    std::uint32_t dwElapse = 0; // the interval in milliseconds as given
    int iCount = 0;             // updates left until the timer is due
    int iReset = 0;             // updates per period
    bool bActive = false;
    // The walk during which the timer was last set: that walk leaves it alone.
    std::uint64_t uSetWalk = 0;
};

class Timer
{
public:
    // Updates that an interval of dwElapse milliseconds lasts.
    static int TicksFor(unsigned long dwElapse);

    // Adds the timer, or restarts it with the new interval when the id exists: a full count from
    // the next update on.
    void SetTimer(int iId, unsigned long dwElapse);
    // Stops the timer; its entry stays, and a later SetTimer starts it again. An unknown id is
    // ignored.
    void KillTimer(int iId);

    // One update: walks the timers in ascending id order and counts each active one down; one
    // that reaches 0 is reloaded and onTimer(id) is called. The callback may set and kill timers
    // of this table. Returns how many timers fired.
    int Update(const std::function<void(int)>& onTimer);
    template <typename Owner> int Update(Owner& owner)
    {
        return Update([&owner](int id) { owner.OnTimer(id); });
    }

    bool IsActive(int iId) const;
    // Updates left until the timer is due; -1 when it does not run.
    int GetCount(int iId) const;

private:
    std::map<int, TimerItem> m_mapTimers;
    std::uint64_t m_uWalks = 0;
};

} // namespace Ostra
