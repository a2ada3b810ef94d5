// The serving side of the bus: one I/O thread per process accepts connections to the windows'
// sockets, reads requests and queues them in the owners' mailboxes. Replies are written by the
// owner thread right after the handler (SendReply), so a send costs no extra thread hop.
#include "platform/BusCore.h"

#include <cerrno>
#include <condition_variable>
#include <cstdio>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <system_error>
#include <thread>
#include <unistd.h>

namespace platform::bus
{

struct ServerConn
{
    Fd fd;
    WindowHandle target = 0;
    pid_t peer = 0;
    std::mutex writeMutex; // one reply at a time; sends may be answered by several threads
};

namespace
{

std::string WindowTag(WindowHandle h, pid_t peer)
{
    char buf[80];
    std::snprintf(buf, sizeof(buf), "WindowBus: window %08x, peer pid %d: ", h, static_cast<int>(peer));
    return buf;
}

struct Command
{
    bool add = false; // else remove
    WindowHandle handle = 0;
    Fd listener;
};

class IoService
{
public:
    bool Acquire();
    void Release();
    // Hands a command to the I/O thread; with bWait returns once the thread has carried it out.
    void Submit(Command c, bool bWait);
    // At process exit: stops the thread for good, so exit never waits on anything.
    void Shutdown();

private:
    friend class IoLoop;

    bool Start();
    void Stop();

    std::mutex m_lifeMutex; // windows count, start and stop
    int m_windows = 0;
    bool m_shutDown = false;
    bool m_running = false;
    pid_t m_pid = 0;
    std::thread m_thread;
    Fd m_epoll;
    Fd m_wake;
    std::atomic<bool> m_stop{false};

    std::mutex m_commandMutex;
    std::condition_variable m_commandsDone;
    std::vector<Command> m_commands;
    std::uint64_t m_submitted = 0; // commands handed over, and carried out
    std::uint64_t m_carriedOut = 0;
    bool m_accepting = false; // commands are taken while the thread runs
};

// The I/O thread's own state; everything here is touched by that thread only.
class IoLoop
{
public:
    explicit IoLoop(IoService& service) : m_service(service), m_buffer(64 * 1024) {}
    void Run();

private:
    struct Listening
    {
        Fd fd;
        WindowHandle handle;
    };
    struct Served
    {
        std::shared_ptr<ServerConn> conn;
        RequestReader reader;
    };

    static constexpr std::uint64_t kWakeId = 0;

    void RunCommands();
    void Accept(Listening& l);
    void Read(std::uint64_t id, Served& s);
    bool Dispatch(Served& s);
    // bHard: the stream itself is broken; else only the window is gone, and replies to sends
    // already queued may still go out.
    void Close(std::uint64_t id, bool bHard);
    void PauseAccepting();
    void ResumeAccepting();

    IoService& m_service;
    int m_epoll = -1;
    std::uint64_t m_nextId = 1;
    std::unordered_map<std::uint64_t, Listening> m_listeners;
    std::unordered_map<std::uint64_t, Served> m_conns;
    std::vector<std::uint8_t> m_buffer;
    bool m_paused = false;
};

void IoLoop::Run()
{
    m_epoll = m_service.m_epoll.Get();
    epoll_event events[64];
    while (!m_service.m_stop.load(std::memory_order_acquire))
    {
        // Out of descriptors, accepting waits; it is retried now and then as well as whenever a
        // connection closes.
        int n = ::epoll_wait(m_epoll, events, 64, m_paused ? 100 : -1);
        if (n < 0)
        {
            if (errno == EINTR)
                continue;
            Diagnose("WindowBus: the I/O thread cannot wait for its sockets; other processes no longer reach "
                     "this process's windows");
            // Nobody may wait for commands that will never be carried out.
            {
                std::lock_guard<std::mutex> lock(m_service.m_commandMutex);
                m_service.m_accepting = false;
                m_service.m_commands.clear();
            }
            m_service.m_commandsDone.notify_all();
            return;
        }
        if (n == 0 && m_paused)
            ResumeAccepting();
        for (int i = 0; i < n; ++i)
        {
            std::uint64_t id = events[i].data.u64;
            if (id == kWakeId)
            {
                std::uint64_t count;
                [[maybe_unused]] ssize_t r = ::read(m_service.m_wake.Get(), &count, sizeof(count));
                RunCommands();
                continue;
            }
            // An earlier event of this round may have closed the object: look it up by id.
            if (auto l = m_listeners.find(id); l != m_listeners.end())
                Accept(l->second);
            else if (auto c = m_conns.find(id); c != m_conns.end())
                Read(id, c->second);
        }
    }
}

void IoLoop::RunCommands()
{
    std::vector<Command> commands;
    {
        std::lock_guard<std::mutex> lock(m_service.m_commandMutex);
        commands.swap(m_service.m_commands);
    }
    struct Done
    {
        IoService& service;
        std::size_t count;
        ~Done()
        {
            {
                std::lock_guard<std::mutex> lock(service.m_commandMutex);
                service.m_carriedOut += count;
            }
            service.m_commandsDone.notify_all();
        }
    } done{m_service, commands.size()};
    for (Command& c : commands)
    {
        if (c.add)
        {
            std::uint64_t id = m_nextId++;
            epoll_event ev{};
            ev.events = m_paused ? 0u : static_cast<std::uint32_t>(EPOLLIN);
            ev.data.u64 = id;
            if (::epoll_ctl(m_epoll, EPOLL_CTL_ADD, c.listener.Get(), &ev) != 0)
            {
                Diagnose(WindowTag(c.handle, 0) + "cannot watch the window's socket");
                continue;
            }
            m_listeners.emplace(id, Listening{std::move(c.listener), c.handle});
            continue;
        }
        for (auto it = m_listeners.begin(); it != m_listeners.end();)
        {
            if (it->second.handle == c.handle)
                it = m_listeners.erase(it); // closing removes it from the epoll set
            else
                ++it;
        }
        std::vector<std::uint64_t> doomed;
        for (auto& [id, s] : m_conns)
        {
            if (s.conn->target == c.handle)
                doomed.push_back(id);
        }
        for (std::uint64_t id : doomed)
            Close(id, false);
    }
}

void IoLoop::Accept(Listening& l)
{
    // A few per round, so one busy window cannot starve the others.
    for (int i = 0; i < 16; ++i)
    {
        Fd fd(::accept4(l.fd.Get(), nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK));
        if (!fd.Valid())
        {
            if (errno == ECONNABORTED || errno == EINTR)
                continue;
            if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM)
            {
                Diagnose(WindowTag(l.handle, 0) + "out of descriptors, accepting paused");
                PauseAccepting();
            }
            return;
        }
        ucred cred{};
        socklen_t len = sizeof(cred);
        if (::getsockopt(fd.Get(), SOL_SOCKET, SO_PEERCRED, &cred, &len) != 0 || len != sizeof(cred))
        {
            Diagnose(WindowTag(l.handle, 0) + "peer credentials unavailable, connection refused");
            continue;
        }
        if (cred.uid != ::geteuid())
        {
            Diagnose(WindowTag(l.handle, cred.pid) + "connection of another user (uid " + std::to_string(cred.uid) +
                     ") refused");
            continue;
        }
        auto conn = std::make_shared<ServerConn>();
        conn->fd = std::move(fd);
        conn->target = l.handle;
        conn->peer = cred.pid;
        std::uint64_t id = m_nextId++;
        epoll_event ev{};
        ev.events = EPOLLIN;
        ev.data.u64 = id;
        if (::epoll_ctl(m_epoll, EPOLL_CTL_ADD, conn->fd.Get(), &ev) != 0)
            continue;
        m_conns.emplace(id, Served{std::move(conn), RequestReader()});
    }
}

void IoLoop::Read(std::uint64_t id, Served& s)
{
    ssize_t n = ::read(s.conn->fd.Get(), m_buffer.data(), m_buffer.size());
    if (n < 0 && (errno == EAGAIN || errno == EINTR))
        return;
    if (n <= 0)
    {
        // A peer that merely looked the window up closes between requests: nothing to say.
        if (s.reader.MidFrame())
            Diagnose(WindowTag(s.conn->target, s.conn->peer) + "request cut off, connection closed");
        Close(id, true);
        return;
    }
    std::size_t at = 0;
    auto total = static_cast<std::size_t>(n);
    while (at < total)
    {
        std::size_t used = 0;
        RequestReader::Status status = s.reader.Feed(m_buffer.data() + at, total - at, &used);
        at += used;
        if (status == RequestReader::Status::Bad)
        {
            Diagnose(WindowTag(s.conn->target, s.conn->peer) + "malformed request (" + s.reader.Error() +
                     "), connection closed");
            Close(id, true);
            return;
        }
        if (status == RequestReader::Status::Frame && !Dispatch(s))
        {
            // The window is gone (or its thread ended): the peer learns it from the closed connection.
            Close(id, false);
            return;
        }
    }
}

bool IoLoop::Dispatch(Served& s)
{
    const Header& h = s.reader.Current();
    auto w = Windows().Find(s.conn->target);
    if (!w)
        return false;
    Entry e;
    e.window = std::move(w);
    e.msg = h.msg;
    e.wParam = static_cast<WPARAM>(h.wParam);
    e.lParam = static_cast<LPARAM>(h.lParam);
    e.send = h.kind == kKindSend;
    if (h.msg == WM_COPYDATA)
    {
        e.copyData = true;
        e.dwData = static_cast<std::uintptr_t>(h.dwData);
        e.data = s.reader.TakePayload();
        e.lParam = 0;
    }
    if (e.send)
    {
        e.conn = s.conn;
        e.seq = h.seq;
    }
    // A post the window's full queue refuses is dropped (the mailbox reports the flood); the
    // connection stays, as the peer did nothing wrong and its sends still get through.
    return e.window->owner->Push(e) != Mailbox::PushResult::Gone;
}

void IoLoop::Close(std::uint64_t id, bool bHard)
{
    auto it = m_conns.find(id);
    if (it == m_conns.end())
        return;
    ServerConn& c = *it->second.conn;
    ::epoll_ctl(m_epoll, EPOLL_CTL_DEL, c.fd.Get(), nullptr);
    // A send still queued holds the connection open. Shutting the reading side makes the peer's
    // next request fail at once (EPIPE) while the reply to a send in hand can still reach it; the
    // descriptor closes with the last holder.
    ::shutdown(c.fd.Get(), bHard ? SHUT_RDWR : SHUT_RD);
    m_conns.erase(it);
    if (m_paused)
        ResumeAccepting();
}

void IoLoop::PauseAccepting()
{
    m_paused = true;
    for (auto& [id, l] : m_listeners)
    {
        epoll_event ev{};
        ev.data.u64 = id;
        ::epoll_ctl(m_epoll, EPOLL_CTL_MOD, l.fd.Get(), &ev);
    }
}

void IoLoop::ResumeAccepting()
{
    m_paused = false;
    for (auto& [id, l] : m_listeners)
    {
        epoll_event ev{};
        ev.events = EPOLLIN;
        ev.data.u64 = id;
        ::epoll_ctl(m_epoll, EPOLL_CTL_MOD, l.fd.Get(), &ev);
    }
}

bool IoService::Acquire()
{
    std::lock_guard<std::mutex> lock(m_lifeMutex);
    if (m_shutDown)
        return false;
    if (!m_running && !Start())
        return false;
    ++m_windows;
    return true;
}

void IoService::Release()
{
    std::lock_guard<std::mutex> lock(m_lifeMutex);
    if (m_windows > 0 && --m_windows == 0 && m_running)
        Stop();
}

void IoService::Submit(Command c, bool bWait)
{
    // The wake-up is written under the lock: Stop closes it only after it stopped taking commands.
    std::unique_lock<std::mutex> lock(m_commandMutex);
    if (!m_accepting)
        return; // the socket closes here
    m_commands.push_back(std::move(c));
    std::uint64_t ticket = ++m_submitted;
    std::uint64_t one = 1;
    [[maybe_unused]] ssize_t n = ::write(m_wake.Get(), &one, sizeof(one));
    // The I/O thread never waits for anything but its sockets, so this wait is short.
    if (bWait)
        m_commandsDone.wait(lock, [&] { return m_carriedOut >= ticket || !m_accepting; });
}

void IoService::Shutdown()
{
    std::lock_guard<std::mutex> lock(m_lifeMutex);
    m_shutDown = true;
    if (m_running)
        Stop();
}

bool IoService::Start()
{
    Fd epoll(::epoll_create1(EPOLL_CLOEXEC));
    Fd wake(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
    if (!epoll.Valid() || !wake.Valid())
        return false;
    epoll_event ev{};
    ev.events = EPOLLIN;
    ev.data.u64 = 0;
    if (::epoll_ctl(epoll.Get(), EPOLL_CTL_ADD, wake.Get(), &ev) != 0)
        return false;
    m_epoll = std::move(epoll);
    m_wake = std::move(wake);
    m_stop.store(false);
    {
        std::lock_guard<std::mutex> lock(m_commandMutex);
        m_accepting = true;
    }
    try
    {
        m_thread = std::thread([this] { IoLoop(*this).Run(); });
    }
    catch (const std::system_error&)
    {
        std::lock_guard<std::mutex> lock(m_commandMutex);
        m_accepting = false;
        m_commands.clear();
        return false;
    }
    m_pid = ::getpid();
    m_running = true;
    return true;
}

void IoService::Stop()
{
    {
        std::lock_guard<std::mutex> lock(m_commandMutex);
        m_accepting = false;
        m_commands.clear();
        m_carriedOut = m_submitted;
    }
    m_commandsDone.notify_all();
    m_stop.store(true, std::memory_order_release);
    std::uint64_t one = 1;
    [[maybe_unused]] ssize_t n = ::write(m_wake.Get(), &one, sizeof(one));
    // The thread never blocks on anything but its epoll set, so the join is prompt. A child made by
    // fork has no such thread; it only lets go of the parent's handle.
    if (m_pid == ::getpid())
        m_thread.join();
    else
        m_thread.detach();
    m_running = false;
    m_epoll.Reset();
    m_wake.Reset();
}

struct IoAtExit
{
    explicit IoAtExit(IoService& s) : service(s) {}
    ~IoAtExit() { service.Shutdown(); }
    IoService& service;
};

IoService& Io()
{
    // Immortal like the registry, so late callers still find it; only its thread is stopped, at
    // exit, by the guard below.
    static IoService& service = *new IoService;
    static IoAtExit guard(service);
    return service;
}

} // namespace

void SendReply(ServerConn& conn, std::uint32_t seq, bool bOk, LRESULT result)
{
    Header h;
    h.kind = kKindReply;
    h.seq = seq;
    h.wParam = bOk ? 1 : 0;
    h.lParam = result;
    std::uint8_t buf[kHeaderSize];
    EncodeHeader(h, buf);
    std::lock_guard<std::mutex> lock(conn.writeMutex);
    std::size_t off = 0;
    int error = 0;
    while (off < kHeaderSize)
    {
        ssize_t n = ::send(conn.fd.Get(), buf + off, kHeaderSize - off, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0)
        {
            off += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        error = n < 0 ? errno : EPIPE;
        break;
    }
    if (off == kHeaderSize)
        return;
    // A sender waits for one reply at a time, so a full socket means a peer that does not read; the
    // owner thread must not block on it, and half a reply would corrupt the stream.
    if (error != EPIPE && error != ECONNRESET)
        Diagnose(WindowTag(conn.target, conn.peer) + "reply could not be written, connection closed");
    ::shutdown(conn.fd.Get(), SHUT_RDWR);
}

bool AcquireIo()
{
    return Io().Acquire();
}

void ReleaseIo()
{
    Io().Release();
}

void ServeWindow(WindowHandle h, Fd listener)
{
    Command c;
    c.add = true;
    c.handle = h;
    c.listener = std::move(listener);
    Io().Submit(std::move(c), false);
}

void StopServing(WindowHandle h)
{
    Command c;
    c.handle = h;
    Io().Submit(std::move(c), true);
}

} // namespace platform::bus
