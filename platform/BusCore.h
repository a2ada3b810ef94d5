// The inside of the window-message bus, shared by its parts: windows and the registry, the
// per-thread mailboxes, the I/O thread that serves other processes (BusServer.cpp) and the
// connections this process opens to them (BusClient.cpp). Internal to platform (and its tests).
//
// Lock order: the registry lock and a mailbox lock are never held together, and no bus lock is
// held while a handler runs or while a thread waits.
#pragma once

#include "platform/BusWire.h"
#include "platform/WindowBus.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <sched.h>
#include <string>
#include <unordered_map>
#include <vector>

namespace platform::bus
{

class Mailbox;
struct ServerConn;

struct Window
{
    Window(WindowHandle h, WindowProc p, std::shared_ptr<Mailbox> m)
        : handle(h), proc(std::move(p)), owner(std::move(m))
    {
    }

    const WindowHandle handle;
    const WindowProc proc;
    const std::shared_ptr<Mailbox> owner;
    // Cleared under the owner's mailbox lock when the window is destroyed, so no entry is queued
    // for it afterwards; read without the lock just before a handler runs.
    std::atomic<bool> alive{true};
    // Under the owner's mailbox lock: the posts queued for the window, and the flood of refused
    // posts under way (reported when it starts and when it ends).
    std::size_t postsWaiting = 0;
    bool flooded = false;
    std::uint64_t postsRefused = 0;
};

// Where an in-process sender waits for its result. Completed exactly once, by whoever runs or
// drops the entry.
struct ReplySlot
{
    explicit ReplySlot(std::shared_ptr<Mailbox> w) : waiter(std::move(w)) {}
    void Complete(bool bOk, LRESULT r);

    std::atomic<bool> done{false};
    LRESULT result = 0; // valid once done
    bool ok = false;
    std::shared_ptr<Mailbox> waiter; // woken on completion; kept alive for it
};

struct Entry
{
    std::shared_ptr<Window> window;
    unsigned msg = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    bool send = false;
    bool copyData = false; // the handler gets a COPYDATASTRUCT over dwData and data
    std::uintptr_t dwData = 0;
    std::vector<std::uint8_t> data;
    std::shared_ptr<ReplySlot> reply; // a send from this process
    std::shared_ptr<ServerConn> conn; // a send from another process: the reply goes here
    std::uint32_t seq = 0;            // ... with this number
    std::uint64_t order = 0;          // arrival order within the mailbox
};

// The queue of one thread's windows, with an eventfd that wakes the thread for new entries and
// for the completion of its own sends.
class Mailbox
{
public:
    // Null when no eventfd could be had.
    static std::shared_ptr<Mailbox> Create();

    int WakeFd() const { return m_wake.Get(); }
    void Wake();
    void Drain();

    enum class PushResult
    {
        Queued,
        Gone, // the window is gone or the mailbox is closed
        Full, // a post, and kMaxPostsWaiting posts already wait for the window
    };
    // Queues the entry; unless it was queued, the entry is untouched. Sends are never refused for
    // being many: a sender waits for its answer, so sends cannot pile up without bound.
    PushResult Push(Entry& e);
    // Takes the oldest entry, or the oldest send when bSendsOnly.
    bool Pop(bool bSendsOnly, Entry* out);
    // Takes back the send waiting with this reply slot; false when it is no longer queued (it
    // runs or has run).
    bool Withdraw(const ReplySlot* slot);
    // How many entries (or sends) wait; without the lock, for watching while spinning.
    std::size_t Waiting(bool bSendsOnly) const
    {
        return (bSendsOnly ? m_waitingSends : m_waitingAll).load(std::memory_order_acquire);
    }

    // Marks the window gone and takes its queued entries, to be failed by the caller.
    std::vector<Entry> Forget(Window& w);
    // Refuses everything from now on, marks the given windows gone and takes all queued entries.
    std::vector<Entry> Close(const std::vector<std::shared_ptr<Window>>& windows);
    bool Closed();

private:
    void Recount(); // under the lock, after the queues changed

    Fd m_wake;
    std::mutex m_mutex;
    std::deque<Entry> m_sends;
    std::deque<Entry> m_posts;
    std::atomic<std::size_t> m_waitingSends{0};
    std::atomic<std::size_t> m_waitingAll{0};
    std::uint64_t m_nextOrder = 0;
    bool m_closed = false;
};

// The windows of this process by handle.
class Registry
{
public:
    std::shared_ptr<Window> Find(WindowHandle h);
    bool Insert(std::shared_ptr<Window> w); // false when the handle is taken
    std::shared_ptr<Window> Remove(WindowHandle h);
    std::vector<std::shared_ptr<Window>> RemoveOwnedBy(const Mailbox* m);

private:
    std::mutex m_mutex;
    std::unordered_map<WindowHandle, std::shared_ptr<Window>> m_windows;
};

Registry& Windows();

// The calling thread's mailbox, made on first use; null only when no eventfd could be had.
std::shared_ptr<Mailbox> CurrentMailbox();

// Runs the sends waiting for the calling thread's windows (what a thread does while it waits for
// a result of its own). Returns how many ran.
int RunWaitingSends(Mailbox& me);

// Fails the senders of entries that will never run.
void FailEntries(std::vector<Entry>& entries);

void Diagnose(const std::string& line);

// Watches ready() for a short while; true as soon as it holds. Blocking hands the CPU back and
// costs a wake-up later, which on machines whose idle CPUs sleep deeply (virtual machines) takes
// tens of microseconds, several times a whole synchronous round trip. So a thread that is about to
// block for a message or a result first watches for it briefly. Never on a single CPU, where the
// spin would only delay the thread it waits for.
bool SpinningPays(); // more than one CPU to run on

template <typename Ready> bool SpinBriefly(Ready ready)
{
    if (!SpinningPays())
        return false;
    constexpr auto kSpin = std::chrono::microseconds(50);
    auto end = std::chrono::steady_clock::now() + kSpin;
    for (;;)
    {
        for (int i = 0; i < 32; ++i)
        {
            if (ready())
                return true;
#if defined(__x86_64__) || defined(__i386__)
            __builtin_ia32_pause();
#endif
        }
        // The thread just woken may be queued behind this one on the same CPU: give it the CPU
        // rather than spin it out of its turn. With nothing else to run this returns at once.
        sched_yield();
        if (std::chrono::steady_clock::now() >= end)
            return false;
    }
}

// A point in time a wait must end at; unlimited for a negative time-out.
class Deadline
{
public:
    explicit Deadline(int iTimeoutMs);
    // Milliseconds left for poll: -1 unlimited, 0 expired, else at least 1.
    int RemainingMs() const;

private:
    bool m_unlimited;
    std::int64_t m_endNs = 0;
};

// ---- served by the I/O thread (BusServer.cpp)

// Counts a window; the first one starts the I/O thread. False when the thread cannot run.
bool AcquireIo();
// Uncounts a window; the last one stops the I/O thread.
void ReleaseIo();
// Hands a listening socket over to the I/O thread.
void ServeWindow(WindowHandle h, Fd listener);
// Closes the window's socket and turns away every connection to it; returns once that is done, so
// no other process reaches the window afterwards.
void StopServing(WindowHandle h);
// Answers a send of another process (ok false: the window was gone).
void SendReply(ServerConn& conn, std::uint32_t seq, bool bOk, LRESULT result);

// ---- requests to other processes (BusClient.cpp)

bool RemoteSend(WindowHandle h, unsigned msg, WPARAM wParam, LPARAM lParam, int iTimeoutMs, LRESULT* pResult);
bool RemotePost(WindowHandle h, unsigned msg, WPARAM wParam, LPARAM lParam);
// The process listening for h, 0 when none (of this user) does.
pid_t RemotePid(WindowHandle h);

} // namespace platform::bus
