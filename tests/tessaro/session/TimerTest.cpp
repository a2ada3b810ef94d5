// Ostra::Timer on its own: an owner that counts its updates and notes when each timer fired.
#include "tessaro/widgets/Timer.h"

#include <gtest/gtest.h>

#include <functional>
#include <utility>
#include <vector>

namespace
{

struct Firing
{
    int update;
    int id;
    bool operator==(const Firing& o) const { return update == o.update && id == o.id; }
};

// An owner as every timed object is one: its Update advances its timer table.
class Owner
{
public:
    void Update()
    {
        ++m_update;
        m_Timer.Update(*this);
    }
    void Run(int updates)
    {
        for (int i = 0; i < updates; ++i)
            Update();
    }
    void OnTimer(int id)
    {
        fired.push_back({m_update, id});
        if (onTimer)
            onTimer(id);
    }
    std::vector<int> UpdatesOf(int id) const
    {
        std::vector<int> out;
        for (const Firing& f : fired)
        {
            if (f.id == id)
                out.push_back(f.update);
        }
        return out;
    }
    int CurrentUpdate() const { return m_update; }

    Ostra::Timer m_Timer;
    std::vector<Firing> fired;
    std::function<void(int)> onTimer;

private:
    int m_update = 0;
};

} // namespace

TEST(TimerTicks, IntervalsBecomeATenthPlusOneUpdates)
{
    EXPECT_EQ(Ostra::Timer::TicksFor(0), 1);
    EXPECT_EQ(Ostra::Timer::TicksFor(9), 1);
    EXPECT_EQ(Ostra::Timer::TicksFor(10), 2);
    EXPECT_EQ(Ostra::Timer::TicksFor(500), 51);
    EXPECT_EQ(Ostra::Timer::TicksFor(1000), 101);
    EXPECT_EQ(Ostra::Timer::TicksFor(10000), 1001);
    EXPECT_EQ(Ostra::Timer::TicksFor(15000), 1501);
    EXPECT_EQ(Ostra::Timer::TicksFor(0xFFFFFFFFul), 429496730);
}

TEST(Timer, FifteenSecondsFireOnEvery1501stUpdate)
{
    Owner owner;
    owner.m_Timer.SetTimer(3, 15000);
    owner.Run(4503);
    EXPECT_EQ(owner.UpdatesOf(3), (std::vector<int>{1501, 3002, 4503}));
    EXPECT_EQ(owner.m_Timer.GetCount(3), 1501);
}

TEST(Timer, SettingTheSameIdAgainRestartsTheCount)
{
    Owner owner;
    owner.m_Timer.SetTimer(3, 15000);
    owner.Run(1000);
    owner.m_Timer.SetTimer(3, 15000);
    owner.Run(1500);
    EXPECT_TRUE(owner.fired.empty());
    owner.Update();
    EXPECT_EQ(owner.UpdatesOf(3), std::vector<int>{2501});
    // A new interval replaces the old one.
    owner.m_Timer.SetTimer(3, 100);
    owner.Run(22);
    EXPECT_EQ(owner.UpdatesOf(3), (std::vector<int>{2501, 2512, 2523}));
}

TEST(Timer, KillingAnUnknownIdDoesNothingAndALaterSetWorks)
{
    Owner owner;
    owner.m_Timer.KillTimer(7);
    EXPECT_FALSE(owner.m_Timer.IsActive(7));
    EXPECT_EQ(owner.m_Timer.GetCount(7), -1);
    owner.Run(3);
    EXPECT_TRUE(owner.fired.empty());

    owner.m_Timer.SetTimer(7, 20);
    EXPECT_TRUE(owner.m_Timer.IsActive(7));
    owner.Run(9);
    EXPECT_EQ(owner.UpdatesOf(7), (std::vector<int>{6, 9, 12}));
}

TEST(Timer, AKilledTimerStopsAndStartsAgainFromAFullCount)
{
    Owner owner;
    owner.m_Timer.SetTimer(4, 50); // 6 updates
    owner.Run(8);
    owner.m_Timer.KillTimer(4);
    EXPECT_FALSE(owner.m_Timer.IsActive(4));
    owner.Run(20);
    EXPECT_EQ(owner.UpdatesOf(4), std::vector<int>{6});
    owner.m_Timer.SetTimer(4, 50);
    owner.Run(6);
    EXPECT_EQ(owner.UpdatesOf(4), (std::vector<int>{6, 34}));
}

TEST(Timer, TimersDueInOneUpdateFireInAscendingIdOrder)
{
    Owner owner;
    // Set in descending order: the order of the ids counts, not the order of setting.
    owner.m_Timer.SetTimer(9, 100);
    owner.m_Timer.SetTimer(5, 100);
    owner.m_Timer.SetTimer(2, 100);
    owner.Run(11);
    EXPECT_EQ(owner.fired, (std::vector<Firing>{{11, 2}, {11, 5}, {11, 9}}));
}

TEST(Timer, AOneShotTimerKilledInItsOwnCallFiresOnce)
{
    Owner owner;
    owner.onTimer = [&](int id) { owner.m_Timer.KillTimer(id); };
    owner.m_Timer.SetTimer(2, 500);
    owner.Run(500);
    EXPECT_EQ(owner.UpdatesOf(2), std::vector<int>{51});
}

TEST(Timer, ATimerSetFromACallbackCountsFromTheNextUpdate)
{
    Owner owner;
    owner.onTimer = [&](int id)
    {
        if (id != 2)
            return;
        owner.m_Timer.KillTimer(2);
        // A higher id, which the same walk is still to reach, and a lower one.
        owner.m_Timer.SetTimer(3, 0);
        owner.m_Timer.SetTimer(1, 10);
    };
    owner.m_Timer.SetTimer(2, 30); // 4 updates
    owner.Run(6);
    EXPECT_EQ(owner.fired, (std::vector<Firing>{{4, 2}, {5, 3}, {6, 1}, {6, 3}}));
}

TEST(Timer, ATimerKilledByAnEarlierOneInTheSameUpdateDoesNotFire)
{
    Owner owner;
    owner.onTimer = [&](int id)
    {
        if (id == 1)
            owner.m_Timer.KillTimer(8);
    };
    owner.m_Timer.SetTimer(1, 0);
    owner.m_Timer.SetTimer(8, 0);
    owner.Run(3);
    EXPECT_EQ(owner.fired, (std::vector<Firing>{{1, 1}, {2, 1}, {3, 1}}));
}

TEST(Timer, UpdateTakesAnyCallableAndCountsWhatFired)
{
    Ostra::Timer timer;
    timer.SetTimer(1, 0);
    timer.SetTimer(2, 10);
    std::vector<int> ids;
    EXPECT_EQ(timer.Update([&](int id) { ids.push_back(id); }), 1);
    EXPECT_EQ(timer.Update([&](int id) { ids.push_back(id); }), 2);
    EXPECT_EQ(ids, (std::vector<int>{1, 1, 2}));
    // Without a callback the table still advances.
    EXPECT_EQ(timer.Update(std::function<void(int)>()), 1);
    EXPECT_EQ(timer.GetCount(2), 1);
}
