#include "tessaro/net/Thread.h"

#include <future>
#include <system_error>
#include <unistd.h>

Thread::~Thread()
{
    // The derived part is gone by now, so this is only a last guard against std::terminate for an
    // owner that forgot to stop its worker; derived classes stop in their own destructors.
    m_bTerminate.store(true, std::memory_order_release);
    Wait();
}

bool Thread::Start()
{
    if (m_hThread.joinable())
        return false;
    m_bTerminate.store(false, std::memory_order_release);
    std::promise<pid_t> started;
    std::future<pid_t> id = started.get_future();
    try
    {
        m_hThread = std::thread(
            [this, &started]
            {
                started.set_value(gettid());
                Run();
            });
    }
    catch (const std::system_error&)
    {
        return false;
    }
    m_dwThreadId = id.get();
    return true;
}

void Thread::Terminate()
{
    m_bTerminate.store(true, std::memory_order_release);
    WakeUp();
}

void Thread::Wait()
{
    if (m_hThread.joinable() && m_hThread.get_id() != std::this_thread::get_id())
        m_hThread.join();
}

void Thread::Stop()
{
    Terminate();
    Wait();
}
