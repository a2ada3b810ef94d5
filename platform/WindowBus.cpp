#include "platform/WindowBus.h"

#include "platform/BusCore.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <poll.h>
#include <sched.h>
#include <sys/eventfd.h>
#include <sys/random.h>
#include <unistd.h>

namespace platform
{
namespace bus
{
namespace
{

std::atomic<int> g_sendTimeoutMs{5000};

struct DiagnosticSink
{
    std::mutex mutex;
    std::function<void(const std::string&)> sink;
};

// The bus's process-wide objects are never destroyed: threads that outlive main (or run during
// static destruction) may still reach them.
DiagnosticSink& Diagnostics()
{
    static DiagnosticSink& d = *new DiagnosticSink;
    return d;
}

// Runs the handler of one entry and completes its sender, also when the handler throws.
void Run(Entry& e)
{
    struct Completion
    {
        Entry& e;
        bool ok = false;
        LRESULT result = 0;
        ~Completion()
        {
            if (e.reply)
                e.reply->Complete(ok, result);
            else if (e.conn && e.send)
                SendReply(*e.conn, e.seq, ok, result);
        }
    } done{e};

    if (!e.window->alive.load(std::memory_order_acquire))
        return;
    LPARAM lParam = e.lParam;
    COPYDATASTRUCT cds{};
    if (e.copyData)
    {
        cds.dwData = e.dwData;
        cds.cbData = static_cast<std::uint32_t>(e.data.size());
        cds.lpData = e.data.empty() ? nullptr : e.data.data();
        lParam = reinterpret_cast<LPARAM>(&cds);
    }
    done.result = e.window->proc(e.msg, e.wParam, lParam);
    done.ok = true;
}

// Runs what is waiting now; entries that arrive meanwhile wait for the next round, so a busy
// sender cannot keep a pump from returning.
int RunQueued(Mailbox& me, bool bSendsOnly)
{
    std::size_t budget = me.Waiting(bSendsOnly);
    int ran = 0;
    Entry e;
    while (budget-- > 0 && me.Pop(bSendsOnly, &e))
    {
        Run(e);
        ++ran;
    }
    return ran;
}

// Waits on the thread's wake-up; false on a time-out.
bool WaitForWake(Mailbox& me, const Deadline& deadline)
{
    int wait = deadline.RemainingMs();
    if (wait == 0)
        return false;
    pollfd p{me.WakeFd(), POLLIN, 0};
    int r = ::poll(&p, 1, wait);
    if (r > 0)
        me.Drain();
    return r != 0;
}

// Waits for an in-process send's result, running sends to the own windows meanwhile.
bool WaitForReply(Mailbox& me, ReplySlot& slot, int iTimeoutMs)
{
    Deadline deadline(iTimeoutMs);
    for (;;)
    {
        if (slot.done.load(std::memory_order_acquire))
            return true;
        RunQueued(me, true);
        if (slot.done.load(std::memory_order_acquire))
            return true;
        if (SpinBriefly([&] { return slot.done.load(std::memory_order_acquire) || me.Waiting(true) > 0; }))
            continue;
        if (!WaitForWake(me, deadline))
            return false;
    }
}

// A closed mailbox owns no windows and takes no entries; it still lets a thread wait.
std::shared_ptr<Mailbox> ClosedMailbox()
{
    auto m = Mailbox::Create();
    if (m)
        m->Close({});
    return m;
}

// The thread's mailbox. At the thread's end its windows are destroyed and whatever still waits
// for them is failed.
struct ThreadMailbox
{
    std::shared_ptr<Mailbox> mailbox;

    ~ThreadMailbox();
};

// Trivially destructible, so it can still be read after the thread's other objects are gone.
thread_local bool t_mailboxGone = false;

void Retire(const std::shared_ptr<Window>& w)
{
    StopServing(w->handle);
    ReleaseIo();
}

ThreadMailbox::~ThreadMailbox()
{
    t_mailboxGone = true;
    if (!mailbox)
        return;
    auto windows = Windows().RemoveOwnedBy(mailbox.get());
    auto dropped = mailbox->Close(windows);
    FailEntries(dropped);
    for (auto& w : windows)
        Retire(w);
}

WindowHandle RandomHandle()
{
    std::uint32_t v = 0;
    if (::getrandom(&v, sizeof(v), 0) != sizeof(v))
    {
        // Without the kernel's random source, the clock and the pid still make clashes rare;
        // a clash is detected and retried anyway.
        v = static_cast<std::uint32_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
            (static_cast<std::uint32_t>(::getpid()) << 16);
    }
    // Handles travel as decimal numbers into signed 32-bit fields: keep them positive.
    constexpr std::uint32_t kFirst = 0x00010000, kLast = 0x7FFFFFFF;
    return kFirst + v % (kLast - kFirst + 1);
}

// A socket listening under the handle's name; EADDRINUSE in errno when another window has it.
Fd Listen(WindowHandle h)
{
    Fd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (!fd.Valid())
        return fd;
    sockaddr_un sa;
    socklen_t len = WindowAddress(h, &sa);
    if (::bind(fd.Get(), reinterpret_cast<sockaddr*>(&sa), len) != 0 || ::listen(fd.Get(), SOMAXCONN) != 0)
    {
        int error = errno;
        fd.Reset();
        errno = error;
    }
    return fd;
}

bool CheckCopyData(LPARAM lParam)
{
    auto* cds = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
    return cds && cds->cbData <= kMaxCopyData && (cds->cbData == 0 || cds->lpData);
}

} // namespace

void ReplySlot::Complete(bool bOk, LRESULT r)
{
    ok = bOk;
    result = bOk ? r : 0;
    std::shared_ptr<Mailbox> w = std::move(waiter);
    done.store(true, std::memory_order_release);
    if (w)
        w->Wake();
}

std::shared_ptr<Mailbox> Mailbox::Create()
{
    Fd fd(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
    if (!fd.Valid())
        return nullptr;
    auto m = std::make_shared<Mailbox>();
    m->m_wake = std::move(fd);
    return m;
}

void Mailbox::Wake()
{
    std::uint64_t one = 1;
    // Fails only when the counter is about to overflow, and then the thread is awake anyway.
    [[maybe_unused]] ssize_t n = ::write(m_wake.Get(), &one, sizeof(one));
}

void Mailbox::Drain()
{
    std::uint64_t count;
    [[maybe_unused]] ssize_t n = ::read(m_wake.Get(), &count, sizeof(count));
}

Mailbox::PushResult Mailbox::Push(Entry& e)
{
    // The entry's window holds this mailbox; once the entry is queued the owner thread may run it,
    // drop it and end, so the wake-up below needs a hold of its own.
    std::shared_ptr<Window> hold = e.window;
    bool full = false;
    bool floodStarts = false;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_closed || !hold->alive.load(std::memory_order_relaxed))
            return PushResult::Gone;
        full = !e.send && hold->postsWaiting >= kMaxPostsWaiting;
        if (full)
        {
            ++hold->postsRefused;
            floodStarts = !hold->flooded;
            hold->flooded = true;
        }
        else
        {
            if (!e.send)
                ++hold->postsWaiting;
            e.order = m_nextOrder++;
            (e.send ? m_sends : m_posts).push_back(std::move(e));
            Recount();
        }
    }
    if (!full)
    {
        Wake();
        return PushResult::Queued;
    }
    if (floodStarts)
    {
        char line[128];
        std::snprintf(line, sizeof(line), "WindowBus: window %08x: %zu posts wait unread, further posts refused",
                      hold->handle, kMaxPostsWaiting);
        Diagnose(line);
    }
    return PushResult::Full;
}

bool Mailbox::Pop(bool bSendsOnly, Entry* out)
{
    std::uint64_t floodEnded = 0; // the posts refused during a flood that ends here
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        std::deque<Entry>* from = &m_sends;
        if (!bSendsOnly && !m_posts.empty() && (m_sends.empty() || m_posts.front().order < m_sends.front().order))
            from = &m_posts;
        if (from->empty())
            return false;
        *out = std::move(from->front());
        from->pop_front();
        Recount();
        if (from == &m_posts)
        {
            Window& w = *out->window;
            --w.postsWaiting;
            // At half the limit, so that a queue hovering at the limit makes one flood, not many.
            if (w.flooded && w.postsWaiting <= kMaxPostsWaiting / 2)
            {
                floodEnded = w.postsRefused;
                w.flooded = false;
                w.postsRefused = 0;
            }
        }
    }
    if (floodEnded > 0)
    {
        char line[128];
        std::snprintf(line, sizeof(line), "WindowBus: window %08x: posts accepted again, %llu were refused",
                      out->window->handle, static_cast<unsigned long long>(floodEnded));
        Diagnose(line);
    }
    return true;
}

bool Mailbox::Withdraw(const ReplySlot* slot)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    for (auto it = m_sends.begin(); it != m_sends.end(); ++it)
    {
        if (it->reply.get() == slot)
        {
            m_sends.erase(it);
            Recount();
            return true;
        }
    }
    return false;
}

void Mailbox::Recount()
{
    m_waitingSends.store(m_sends.size(), std::memory_order_release);
    m_waitingAll.store(m_sends.size() + m_posts.size(), std::memory_order_release);
}

std::vector<Entry> Mailbox::Forget(Window& w)
{
    std::vector<Entry> dropped;
    std::lock_guard<std::mutex> lock(m_mutex);
    w.alive.store(false, std::memory_order_release);
    for (auto* q : {&m_sends, &m_posts})
    {
        for (auto it = q->begin(); it != q->end();)
        {
            if (it->window.get() == &w)
            {
                dropped.push_back(std::move(*it));
                it = q->erase(it);
            }
            else
            {
                ++it;
            }
        }
    }
    Recount();
    return dropped;
}

std::vector<Entry> Mailbox::Close(const std::vector<std::shared_ptr<Window>>& windows)
{
    std::vector<Entry> dropped;
    std::lock_guard<std::mutex> lock(m_mutex);
    m_closed = true;
    for (auto& w : windows)
        w->alive.store(false, std::memory_order_release);
    for (auto* q : {&m_sends, &m_posts})
    {
        for (auto& e : *q)
            dropped.push_back(std::move(e));
        q->clear();
    }
    Recount();
    return dropped;
}

bool Mailbox::Closed()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_closed;
}

std::shared_ptr<Window> Registry::Find(WindowHandle h)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = m_windows.find(h);
    return it == m_windows.end() ? nullptr : it->second;
}

bool Registry::Insert(std::shared_ptr<Window> w)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    WindowHandle h = w->handle;
    return m_windows.emplace(h, std::move(w)).second;
}

std::shared_ptr<Window> Registry::Remove(WindowHandle h)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = m_windows.find(h);
    if (it == m_windows.end())
        return nullptr;
    auto w = std::move(it->second);
    m_windows.erase(it);
    return w;
}

std::vector<std::shared_ptr<Window>> Registry::RemoveOwnedBy(const Mailbox* m)
{
    std::vector<std::shared_ptr<Window>> removed;
    std::lock_guard<std::mutex> lock(m_mutex);
    for (auto it = m_windows.begin(); it != m_windows.end();)
    {
        if (it->second->owner.get() == m)
        {
            removed.push_back(std::move(it->second));
            it = m_windows.erase(it);
        }
        else
        {
            ++it;
        }
    }
    return removed;
}

Registry& Windows()
{
    static Registry& r = *new Registry; // immortal, see Diagnostics()
    return r;
}

std::shared_ptr<Mailbox> CurrentMailbox()
{
    if (t_mailboxGone)
        return ClosedMailbox();
    thread_local ThreadMailbox t;
    if (!t.mailbox)
        t.mailbox = Mailbox::Create();
    return t.mailbox;
}

int RunWaitingSends(Mailbox& me)
{
    return RunQueued(me, true);
}

void FailEntries(std::vector<Entry>& entries)
{
    for (auto& e : entries)
    {
        if (e.reply)
            e.reply->Complete(false, 0);
        else if (e.conn && e.send)
            SendReply(*e.conn, e.seq, false, 0);
    }
    entries.clear();
}

void Diagnose(const std::string& line)
{
    std::function<void(const std::string&)> sink;
    {
        std::lock_guard<std::mutex> lock(Diagnostics().mutex);
        sink = Diagnostics().sink;
    }
    if (sink)
        sink(line);
    else
        std::fprintf(stderr, "%s\n", line.c_str());
}

bool SpinningPays()
{
    static const bool s_pays = []
    {
        cpu_set_t set;
        return ::sched_getaffinity(0, sizeof(set), &set) == 0 && CPU_COUNT(&set) > 1;
    }();
    return s_pays;
}

Deadline::Deadline(int iTimeoutMs) : m_unlimited(iTimeoutMs < 0)
{
    if (!m_unlimited)
        m_endNs = std::chrono::duration_cast<std::chrono::nanoseconds>(
                      std::chrono::steady_clock::now().time_since_epoch() + std::chrono::milliseconds(iTimeoutMs))
                      .count();
}

int Deadline::RemainingMs() const
{
    if (m_unlimited)
        return -1;
    std::int64_t now =
        std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
            .count();
    if (now >= m_endNs)
        return 0;
    // Rounded up, so a wait never ends a fraction of a millisecond early and spins.
    std::int64_t ms = (m_endNs - now + 999999) / 1000000;
    return ms > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(ms);
}

} // namespace bus

using namespace bus;

WindowHandle CreateMessageWindow(WindowProc proc)
{
    if (!proc)
        return 0;
    auto me = CurrentMailbox();
    if (!me || me->Closed())
        return 0;
    if (!AcquireIo())
        return 0;
    for (int attempt = 0; attempt < 64; ++attempt)
    {
        WindowHandle h = RandomHandle();
        if (Windows().Find(h))
            continue;
        Fd listener = Listen(h);
        if (!listener.Valid())
        {
            if (errno == EADDRINUSE)
                continue;
            break;
        }
        if (!Windows().Insert(std::make_shared<Window>(h, proc, me)))
            continue;
        ServeWindow(h, std::move(listener));
        return h;
    }
    ReleaseIo();
    Diagnose("WindowBus: no window could be created");
    return 0;
}

bool DestroyMessageWindow(WindowHandle hWnd)
{
    auto w = Windows().Remove(hWnd);
    if (!w)
        return false;
    auto dropped = w->owner->Forget(*w);
    FailEntries(dropped);
    Retire(w);
    return true;
}

int PumpWindowMessages(int iWaitMs)
{
    auto me = CurrentMailbox();
    if (!me)
        return 0;
    int ran = RunQueued(*me, false);
    if (ran > 0 || iWaitMs == 0)
        return ran;
    if (SpinBriefly([&] { return me->Waiting(false) > 0; }))
        return RunQueued(*me, false);
    Deadline deadline(iWaitMs);
    while (WaitForWake(*me, deadline))
    {
        ran = RunQueued(*me, false);
        if (ran > 0)
            return ran;
    }
    return 0;
}

namespace
{

// iLocalMs limits a wait for a window of this process, iRemoteMs one for another process.
bool Send(WindowHandle hWnd, unsigned msg, WPARAM wParam, LPARAM lParam, int iLocalMs, int iRemoteMs, LRESULT* pResult)
{
    *pResult = 0;
    if (hWnd == 0)
        return false;
    if (msg == WM_COPYDATA && !CheckCopyData(lParam))
        return false;
    auto w = Windows().Find(hWnd);
    if (!w)
        return RemoteSend(hWnd, msg, wParam, lParam, iRemoteMs, pResult);

    auto me = CurrentMailbox();
    if (!me)
        return false;
    if (w->owner == me)
    {
        if (!w->alive.load(std::memory_order_acquire))
            return false;
        *pResult = w->proc(msg, wParam, lParam);
        return true;
    }
    Entry e;
    e.window = w;
    e.msg = msg;
    e.wParam = wParam;
    e.lParam = lParam;
    e.send = true;
    if (msg == WM_COPYDATA)
    {
        // The sender may give up (a time-out) before the handler runs, so the handler gets a copy.
        auto* cds = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
        auto* bytes = static_cast<const std::uint8_t*>(cds->lpData);
        e.copyData = true;
        e.dwData = cds->dwData;
        e.data.assign(bytes, bytes + cds->cbData);
    }
    auto slot = std::make_shared<ReplySlot>(me);
    e.reply = slot;
    if (w->owner->Push(e) != Mailbox::PushResult::Queued)
        return false;
    if (!WaitForReply(*me, *slot, iLocalMs))
    {
        // Given up: take the message back so that it never runs after the caller has moved on
        // (its wParam and lParam may point into the caller's stack). A handler that has already
        // started is waited for, for the same reason.
        if (w->owner->Withdraw(slot.get()))
            return false;
        // Too late to take back: the handler runs, and its result is the call's.
        WaitForReply(*me, *slot, -1);
    }
    if (!slot->ok)
        return false;
    *pResult = slot->result;
    return true;
}

} // namespace

bool SendWindowMessageTimeout(WindowHandle hWnd, unsigned msg, WPARAM wParam, LPARAM lParam, int iTimeoutMs,
                              LRESULT* pResult)
{
    LRESULT result;
    bool ok = Send(hWnd, msg, wParam, lParam, iTimeoutMs, iTimeoutMs, &result);
    if (pResult)
        *pResult = result;
    return ok;
}

LRESULT SendWindowMessage(WindowHandle hWnd, unsigned msg, WPARAM wParam, LPARAM lParam, bool* pbOk)
{
    LRESULT result;
    bool ok = Send(hWnd, msg, wParam, lParam, -1, GetSendTimeoutMs(), &result);
    if (pbOk)
        *pbOk = ok;
    return result;
}

bool PostWindowMessage(WindowHandle hWnd, unsigned msg, WPARAM wParam, LPARAM lParam)
{
    if (hWnd == 0 || msg == WM_COPYDATA)
        return false;
    auto w = Windows().Find(hWnd);
    if (!w)
        return RemotePost(hWnd, msg, wParam, lParam);
    Entry e;
    e.window = std::move(w);
    e.msg = msg;
    e.wParam = wParam;
    e.lParam = lParam;
    return e.window->owner->Push(e) == Mailbox::PushResult::Queued;
}

pid_t GetWindowThreadProcessId(WindowHandle hWnd)
{
    if (hWnd == 0)
        return 0;
    if (Windows().Find(hWnd))
        return ::getpid();
    return RemotePid(hWnd);
}

bool IsWindow(WindowHandle hWnd)
{
    return GetWindowThreadProcessId(hWnd) != 0;
}

void SetSendTimeoutMs(int iTimeoutMs)
{
    g_sendTimeoutMs.store(iTimeoutMs, std::memory_order_relaxed);
}

int GetSendTimeoutMs()
{
    return g_sendTimeoutMs.load(std::memory_order_relaxed);
}

void SetBusDiagnostics(std::function<void(const std::string&)> sink)
{
    std::lock_guard<std::mutex> lock(Diagnostics().mutex);
    Diagnostics().sink = std::move(sink);
}

} // namespace platform
