#include "tools/devserver/room/EventLoop.h"

namespace devserver
{

EventLoop::~EventLoop()
{
    Stop();
}

void EventLoop::WakeUp()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_bStopped = true;
    m_tasks.clear();
    m_wake.notify_all();
}

void EventLoop::Post(Task task)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_bStopped)
        return;
    m_tasks.push_back(std::move(task));
    m_wake.notify_all();
}

EventLoop::TimerId EventLoop::After(Clock::duration delay, Task task)
{
    const TimerId id = m_nextTimer++;
    const Clock::time_point due = Clock::now() + delay;
    m_timers.emplace(std::make_pair(due, id), std::move(task));
    m_timerDue.emplace(id, due);
    return id;
}

void EventLoop::Cancel(TimerId id)
{
    const auto it = m_timerDue.find(id);
    if (it == m_timerDue.end())
        return;
    m_timers.erase(std::make_pair(it->second, id));
    m_timerDue.erase(it);
}

void EventLoop::RunDueTimers()
{
    // One pass over what is due now; timers that the tasks set meanwhile wait for the next one.
    const Clock::time_point now = Clock::now();
    while (!IsTerminating() && !m_timers.empty() && m_timers.begin()->first.first <= now)
    {
        auto first = m_timers.begin();
        Task task = std::move(first->second);
        m_timerDue.erase(first->first.second);
        m_timers.erase(first);
        task();
    }
}

int EventLoop::Run()
{
    while (!IsTerminating())
    {
        std::deque<Task> batch;
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            auto ready = [&] { return IsTerminating() || !m_tasks.empty(); };
            if (m_timers.empty())
                m_wake.wait(lock, ready);
            else
                m_wake.wait_until(lock, m_timers.begin()->first.first, ready);
            batch.swap(m_tasks);
        }
        for (Task& task : batch)
        {
            if (IsTerminating())
                break;
            task();
        }
        RunDueTimers();
    }
    return 0;
}

} // namespace devserver
