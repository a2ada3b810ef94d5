// A table game's host whose clock moves only when the caller says: time passes by Pass, and a
// timer fires by FireNext, the one due first first. What the game sends is for the subclass: the
// tests record it, the fuzz target checks it.
#pragma once

#include "tools/devserver/room/TableGame.h"

#include <algorithm>
#include <cstdint>
#include <map>

namespace testsupport
{

class ManualClockHost : public devserver::GameHost
{
public:
    explicit ManualClockHost(int chairs) : m_chairs(chairs) {}

    int TableNumber() const override { return 1; }
    int Chairs() const override { return m_chairs; }
    const devserver::PlayerRecord* PlayerAt(int) const override { return nullptr; }
    std::int64_t NowMs() const override { return m_now; }
    TimerId SetTimer(int ms) override
    {
        timers[++m_next] = m_now + ms;
        return m_next;
    }
    void CancelTimer(TimerId id) override { timers.erase(id); }

    // Fires the timer due first, the clock moving on to its time (never back); false when none
    // is set.
    bool FireNext(devserver::TableGame& game)
    {
        if (timers.empty())
            return false;
        auto first = std::min_element(timers.begin(), timers.end(),
                                      [](const auto& a, const auto& b) { return a.second < b.second; });
        const TimerId id = first->first;
        m_now = std::max(m_now, first->second);
        timers.erase(first);
        game.OnTimer(id);
        return true;
    }

    // Time goes on without a timer firing.
    void Pass(std::int64_t ms) { m_now += ms; }

    // The timers set and not yet fired or cancelled: their due times by id.
    std::map<TimerId, std::int64_t> timers;

private:
    int m_chairs;
    TimerId m_next = 0;
    std::int64_t m_now = 0;
};

} // namespace testsupport
