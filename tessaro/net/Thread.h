// The base of every worker thread: the socket stack, the sender and the dispatcher.
//
// A worker's Run() loops until its owner asks it to stop. Stopping is cooperative: Terminate()
// sets a stop request and calls WakeUp() so that a wait in progress ends at once; the loop checks
// IsTerminating() between its waits (each of which is bounded or woken by WakeUp) and returns.
// The owner then waits for the end with Wait(). A derived class calls Stop() (Terminate + Wait)
// in its own destructor, before its members go away.
#pragma once

#include <atomic>
#include <sys/types.h>
#include <thread>

class Thread
{
public:
    Thread() = default;
    Thread(const Thread&) = delete;
    Thread& operator=(const Thread&) = delete;
    virtual ~Thread();

    // The thread's work; its result is ignored.
    virtual int Run() = 0;

    // Starts the thread, which calls Run() once. Returns false when it is already running or the
    // system refuses a new thread. m_dwThreadId is set when Start returns true.
    bool Start();

    // Asks the thread to stop and wakes it; returns at once. Safe from any thread, any number of
    // times, before or after Start.
    void Terminate();

    // Waits for the thread's end. Returns at once for a thread that never started or has already
    // been waited for; a thread must not wait for itself.
    void Wait();

    // Terminate, then Wait.
    void Stop();

    // The thread as the standard library sees it, for an owner that waits or detaches itself.
    std::thread& GetHandle() { return m_hThread; }

    bool IsTerminating() const { return m_bTerminate.load(std::memory_order_acquire); }

    // The operating system's id of the thread (as in the log), 0 before Start.
    pid_t m_dwThreadId = 0;

protected:
    // Called by Terminate after the stop request is set: end any wait of Run() that would not
    // otherwise end soon. Runs on the terminating thread.
    virtual void WakeUp() {}

    std::thread m_hThread;

private:
    std::atomic<bool> m_bTerminate{false};
};
