#include "tessaro/net/Thread.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <unistd.h>

namespace
{

// A worker that waits without limit until it is woken, as a select loop would.
class Sleeper : public Thread
{
public:
    ~Sleeper() override { Stop(); }

    int Run() override
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        ++m_runs;
        m_started.notify_all();
        m_wake.wait(lock, [this] { return m_woken; });
        m_finished = true;
        return 7;
    }

    void WaitStarted()
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_started.wait(lock, [this] { return m_runs > 0; });
    }

    int m_runs = 0;
    bool m_finished = false;

protected:
    void WakeUp() override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_woken = true;
        m_wake.notify_all();
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_started;
    std::condition_variable m_wake;
    bool m_woken = false;
};

// A worker that polls the stop request between short waits.
class Poller : public Thread
{
public:
    ~Poller() override { Stop(); }
    int Run() override
    {
        while (!IsTerminating())
            ++m_passes;
        return 0;
    }
    std::atomic<long> m_passes{0};
};

} // namespace

TEST(Thread, TerminateWakesTheWorkerAndWaitJoinsIt)
{
    Sleeper s;
    EXPECT_EQ(s.m_dwThreadId, 0);
    ASSERT_TRUE(s.Start());
    EXPECT_NE(s.m_dwThreadId, 0);
    EXPECT_NE(s.m_dwThreadId, gettid());
    EXPECT_FALSE(s.Start()); // already running
    s.WaitStarted();
    s.Terminate();
    s.Wait();
    EXPECT_TRUE(s.m_finished);
    EXPECT_EQ(s.m_runs, 1);
    EXPECT_FALSE(s.GetHandle().joinable());
    s.Wait(); // a second wait returns at once
}

TEST(Thread, PollingWorkerStopsOnRequest)
{
    Poller p;
    ASSERT_TRUE(p.Start());
    p.Stop();
    EXPECT_TRUE(p.IsTerminating());
    p.Stop();
}

TEST(Thread, StopWithoutStartAndRestartAfterStop)
{
    Poller p;
    p.Stop(); // nothing to wait for
    ASSERT_TRUE(p.Start());
    EXPECT_FALSE(p.IsTerminating()); // a new start clears an old request
    p.Stop();
}
