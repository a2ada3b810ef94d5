// Helpers of the window-bus tests: a thread that owns a window and pumps, a capture of the bus's
// diagnostic lines and a scoped send time-out.
#pragma once

#include "platform/WindowBus.h"

#include <chrono>
#include <condition_variable>
#include <future>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace bustest
{

using namespace platform;

// Ends the pump loop of an OwnerThread.
inline constexpr unsigned kStopPumping = WM_USER + 0x3FF;

// A thread that creates one window with the given handler and pumps until the object goes.
class OwnerThread
{
public:
    explicit OwnerThread(WindowProc proc)
    {
        std::promise<WindowHandle> ready;
        std::future<WindowHandle> handle = ready.get_future();
        m_thread = std::thread(
            [proc = std::move(proc), &ready]
            {
                bool stop = false;
                WindowHandle h = CreateMessageWindow(
                    [&stop, &proc](unsigned msg, WPARAM w, LPARAM l) -> LRESULT
                    {
                        if (msg == kStopPumping)
                        {
                            stop = true;
                            return 0;
                        }
                        return proc(msg, w, l);
                    });
                ready.set_value(h);
                while (h != 0 && !stop)
                    PumpWindowMessages(-1);
                DestroyMessageWindow(h); // before `stop` and `proc` go
            });
        m_handle = handle.get();
    }

    ~OwnerThread()
    {
        PostWindowMessage(m_handle, kStopPumping, 0, 0);
        m_thread.join();
    }

    OwnerThread(const OwnerThread&) = delete;
    OwnerThread& operator=(const OwnerThread&) = delete;

    WindowHandle Handle() const { return m_handle; }

private:
    std::thread m_thread;
    WindowHandle m_handle = 0;
};

// Collects the bus's diagnostic lines while it exists.
class DiagnosticCapture
{
public:
    DiagnosticCapture() : m_state(std::make_shared<State>())
    {
        // The sink holds the state, so a line written while this object goes away is still safe.
        SetBusDiagnostics(
            [state = m_state](const std::string& line)
            {
                {
                    std::lock_guard<std::mutex> lock(state->mutex);
                    state->lines.push_back(line);
                }
                state->changed.notify_all();
            });
    }
    ~DiagnosticCapture() { SetBusDiagnostics(nullptr); }

    DiagnosticCapture(const DiagnosticCapture&) = delete;
    DiagnosticCapture& operator=(const DiagnosticCapture&) = delete;

    // Waits until a line containing `needle` has come (a generous limit against a lost line).
    bool WaitFor(const std::string& needle)
    {
        std::unique_lock<std::mutex> lock(m_state->mutex);
        return m_state->changed.wait_for(lock, std::chrono::seconds(20),
                                         [&]
                                         {
                                             for (const auto& line : m_state->lines)
                                             {
                                                 if (line.find(needle) != std::string::npos)
                                                     return true;
                                             }
                                             return false;
                                         });
    }

    std::vector<std::string> Lines()
    {
        std::lock_guard<std::mutex> lock(m_state->mutex);
        return m_state->lines;
    }

    void Clear()
    {
        std::lock_guard<std::mutex> lock(m_state->mutex);
        m_state->lines.clear();
    }

private:
    struct State
    {
        std::mutex mutex;
        std::condition_variable changed;
        std::vector<std::string> lines;
    };
    std::shared_ptr<State> m_state;
};

class ScopedSendTimeout
{
public:
    explicit ScopedSendTimeout(int ms) : m_old(GetSendTimeoutMs()) { SetSendTimeoutMs(ms); }
    ~ScopedSendTimeout() { SetSendTimeoutMs(m_old); }

private:
    int m_old;
};

inline std::chrono::milliseconds Since(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
}

} // namespace bustest
