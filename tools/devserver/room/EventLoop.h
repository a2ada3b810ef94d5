// The room's thread: a queue of tasks that any thread may post, run one after the other on the
// loop's own thread, and a timer queue that only the tasks use. Everything the room owns is
// touched on this thread alone, so the room needs no locks of its own.
//
// Stop() (or the destructor) ends the loop: tasks still queued and timers still pending are
// dropped, and tasks posted afterwards are dropped as well.
#pragma once

#include "tessaro/net/Thread.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <utility>

namespace devserver
{

using Clock = std::chrono::steady_clock;

class EventLoop : public Thread
{
public:
    using Task = std::function<void()>;
    using TimerId = std::uint64_t;

    ~EventLoop() override;

    int Run() override;

    // Queues a task behind those posted before it. Any thread; never waits.
    void Post(Task task);

    // On the loop's thread only (from a task): runs the task once the delay has passed, after the
    // tasks posted before that moment. Timers that fall due together run in the order they were
    // set. The id is never 0.
    TimerId After(Clock::duration delay, Task task);
    // On the loop's thread only. Nothing happens for a timer that has run or was cancelled.
    void Cancel(TimerId id);

protected:
    void WakeUp() override;

private:
    void RunDueTimers();

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<Task> m_tasks;
    bool m_bStopped = false;

    // The loop thread's own.
    std::map<std::pair<Clock::time_point, TimerId>, Task> m_timers;
    std::map<TimerId, Clock::time_point> m_timerDue;
    TimerId m_nextTimer = 1;
};

} // namespace devserver
