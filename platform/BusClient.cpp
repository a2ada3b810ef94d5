// The requesting side of the bus: a thread keeps one connection per window of another process it
// talks to, so its posts to one window arrive in order and a send costs no connect.
#include "platform/BusCore.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <poll.h>
#include <sys/uio.h>
#include <unistd.h>

namespace platform::bus
{
namespace
{

struct ClientConn
{
    Fd fd; // invalid once dropped
    std::uint32_t nextSeq = 1;
    std::uint8_t rx[kHeaderSize] = {};
    std::size_t rxHave = 0;
    // Sends waiting on this connection, innermost last: a handler run during a wait may send to
    // the same window again, and each wait takes only its own reply.
    std::vector<std::uint32_t> waiting;
    std::vector<Header> early; // replies read by an inner wait for an outer one
    std::uint64_t lastUse = 0;
};

class ConnCache
{
public:
    std::shared_ptr<ClientConn> Find(WindowHandle h)
    {
        auto it = m_conns.find(h);
        if (it == m_conns.end())
            return nullptr;
        it->second->lastUse = ++m_clock;
        return it->second;
    }

    void Put(WindowHandle h, const std::shared_ptr<ClientConn>& c)
    {
        if (m_conns.size() >= kMaxConns)
            EvictOldest();
        c->lastUse = ++m_clock;
        m_conns[h] = c;
    }

    void Forget(WindowHandle h, const ClientConn* c)
    {
        auto it = m_conns.find(h);
        if (it != m_conns.end() && it->second.get() == c)
            m_conns.erase(it);
    }

private:
    // Enough for every window a thread plausibly talks to; the bound keeps a thread that talks to
    // very many from holding a descriptor for each.
    static constexpr std::size_t kMaxConns = 64;

    void EvictOldest()
    {
        auto oldest = m_conns.end();
        for (auto it = m_conns.begin(); it != m_conns.end(); ++it)
        {
            if (it->second->waiting.empty() &&
                (oldest == m_conns.end() || it->second->lastUse < oldest->second->lastUse))
                oldest = it;
        }
        if (oldest != m_conns.end())
            m_conns.erase(oldest);
    }

    std::unordered_map<WindowHandle, std::shared_ptr<ClientConn>> m_conns;
    std::uint64_t m_clock = 0;
};

struct ThreadConns
{
    ConnCache cache;
    ~ThreadConns();
};

thread_local bool t_connsGone = false;

ThreadConns::~ThreadConns()
{
    t_connsGone = true;
}

// The thread's connections; null once they are gone at the thread's end (requests then use a
// connection of their own).
ConnCache* Cache()
{
    if (t_connsGone)
        return nullptr;
    thread_local ThreadConns t;
    return &t.cache;
}

void Drop(ConnCache* cache, WindowHandle h, ClientConn& c)
{
    if (cache)
        cache->Forget(h, &c);
    c.fd.Reset();
}

std::string Tag(WindowHandle h)
{
    char buf[40];
    std::snprintf(buf, sizeof(buf), "WindowBus: window %08x: ", h);
    return buf;
}

// A non-blocking connection to the window's socket, or an invalid one when no window of this
// user listens under the handle.
Fd Connect(WindowHandle h, const Deadline& deadline, pid_t* pPid)
{
    sockaddr_un sa;
    socklen_t len = WindowAddress(h, &sa);
    Fd fd;
    for (;;)
    {
        int wait = deadline.RemainingMs();
        if (wait == 0)
            return Fd();
        fd.Reset(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
        if (!fd.Valid())
            return fd;
        // A listener whose backlog is full (its process hangs) makes connect wait: bound it.
        if (wait > 0)
        {
            timeval tv{wait / 1000, (wait % 1000) * 1000};
            ::setsockopt(fd.Get(), SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof(tv));
        }
        if (::connect(fd.Get(), reinterpret_cast<sockaddr*>(&sa), len) == 0)
            break;
        if (errno != EINTR)
            return Fd();
    }
    ucred cred{};
    socklen_t credLen = sizeof(cred);
    if (::getsockopt(fd.Get(), SOL_SOCKET, SO_PEERCRED, &cred, &credLen) != 0 || credLen != sizeof(cred))
        return Fd();
    if (cred.uid != ::geteuid())
    {
        // Abstract names are shared by all users: never hand a message to another user's socket.
        Diagnose(Tag(h) + "the socket belongs to another user (uid " + std::to_string(cred.uid) + "), not used");
        return Fd();
    }
    int flags = ::fcntl(fd.Get(), F_GETFL);
    if (flags < 0 || ::fcntl(fd.Get(), F_SETFL, flags | O_NONBLOCK) != 0)
        return Fd();
    if (pPid)
        *pPid = cred.pid;
    return fd;
}

// Writes the whole frame before the deadline. *pWritten tells how far it got; errno the failure.
bool WriteFrame(ClientConn& c, const Header& h, const void* payload, const Deadline& deadline, std::size_t* pWritten)
{
    std::uint8_t head[kHeaderSize];
    EncodeHeader(h, head);
    const std::size_t total = kHeaderSize + h.length;
    std::size_t off = 0;
    while (off < total)
    {
        iovec iov[2];
        int count = 0;
        if (off < kHeaderSize)
            iov[count++] = {head + off, kHeaderSize - off};
        std::size_t payloadOff = off > kHeaderSize ? off - kHeaderSize : 0;
        if (h.length > payloadOff)
            iov[count++] = {const_cast<std::uint8_t*>(static_cast<const std::uint8_t*>(payload)) + payloadOff,
                            h.length - payloadOff};
        msghdr m{};
        m.msg_iov = iov;
        m.msg_iovlen = static_cast<std::size_t>(count);
        ssize_t n = ::sendmsg(c.fd.Get(), &m, MSG_NOSIGNAL);
        if (n > 0)
        {
            off += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno == EAGAIN)
        {
            pollfd p{c.fd.Get(), POLLOUT, 0};
            int r = ::poll(&p, 1, deadline.RemainingMs());
            if (r == 0)
            {
                errno = ETIMEDOUT;
                break;
            }
            continue;
        }
        break;
    }
    *pWritten = off;
    return off == total;
}

// Something to read (or the end, or an error) waits on the socket.
bool Readable(int fd)
{
    std::uint8_t byte;
    ssize_t n = ::recv(fd, &byte, 1, MSG_PEEK | MSG_DONTWAIT);
    return n >= 0 || (errno != EAGAIN && errno != EINTR);
}

bool Finish(const Header& reply, LRESULT* pResult)
{
    if (reply.wParam != 1)
        return false; // the window was gone before its handler could run
    *pResult = static_cast<LRESULT>(reply.lParam);
    return true;
}

// Waits for the reply to send `seq`, running sends to the thread's own windows meanwhile.
bool AwaitReply(ConnCache* cache, WindowHandle h, const std::shared_ptr<ClientConn>& conn, std::uint32_t seq,
                const Deadline& deadline, LRESULT* pResult)
{
    ClientConn& c = *conn;
    c.waiting.push_back(seq);
    struct Unwait
    {
        ClientConn& c;
        ~Unwait() { c.waiting.pop_back(); }
    } unwait{c};

    auto me = CurrentMailbox();
    for (;;)
    {
        for (auto it = c.early.begin(); it != c.early.end(); ++it)
        {
            if (it->seq == seq)
            {
                Header reply = *it;
                c.early.erase(it);
                return Finish(reply, pResult);
            }
        }
        if (!c.fd.Valid())
            return false; // a wait run meanwhile dropped the connection
        SpinBriefly([&] { return Readable(c.fd.Get()) || (me && me->Waiting(true) > 0); });
        pollfd p[2] = {{c.fd.Get(), POLLIN, 0}, {me ? me->WakeFd() : -1, POLLIN, 0}};
        int r = ::poll(p, 2, deadline.RemainingMs());
        if (r < 0 && errno == EINTR)
            continue;
        if (r <= 0)
        {
            // Hung peer: the connection goes, so a late reply can never be taken for a later send.
            Drop(cache, h, c);
            return false;
        }
        if (p[1].revents & POLLIN)
        {
            me->Drain();
            RunWaitingSends(*me);
            continue;
        }
        ssize_t n = ::read(c.fd.Get(), c.rx + c.rxHave, kHeaderSize - c.rxHave);
        if (n < 0 && (errno == EAGAIN || errno == EINTR))
            continue;
        if (n <= 0)
        {
            // The peer closed or died with the request in hand: fail now, not at the time-out.
            Drop(cache, h, c);
            return false;
        }
        c.rxHave += static_cast<std::size_t>(n);
        if (c.rxHave < kHeaderSize)
            continue;
        c.rxHave = 0;
        Header reply;
        const char* error = DecodeHeader(c.rx, &reply) ? ReplyError(reply) : "bad magic";
        if (!error && reply.seq != seq && std::find(c.waiting.begin(), c.waiting.end(), reply.seq) == c.waiting.end())
            error = "reply to no request";
        if (error)
        {
            Diagnose(Tag(h) + "malformed reply (" + error + "), connection closed");
            Drop(cache, h, c);
            return false;
        }
        if (reply.seq != seq)
        {
            c.early.push_back(reply);
            continue;
        }
        return Finish(reply, pResult);
    }
}

bool Request(WindowHandle h, Header& hdr, const void* payload, const Deadline& deadline, LRESULT* pResult)
{
    ConnCache* cache = Cache();
    for (int attempt = 0; attempt < 2; ++attempt)
    {
        std::shared_ptr<ClientConn> c = cache ? cache->Find(h) : nullptr;
        bool fresh = !c;
        if (fresh)
        {
            Fd fd = Connect(h, deadline, nullptr);
            if (!fd.Valid())
                return false;
            c = std::make_shared<ClientConn>();
            c->fd = std::move(fd);
            if (cache)
                cache->Put(h, c);
        }
        if (hdr.kind == kKindSend)
            hdr.seq = c->nextSeq++;
        std::size_t written = 0;
        if (!WriteFrame(*c, hdr, payload, deadline, &written))
        {
            int error = errno;
            // Half a frame would corrupt the stream: the connection goes whatever happened.
            Drop(cache, h, *c);
            // A cached connection that the window's side has closed since (the window was destroyed,
            // or its process ended and another took the handle) fails before anything went out.
            if (!fresh && written == 0 && (error == EPIPE || error == ECONNRESET))
                continue;
            return false;
        }
        if (hdr.kind == kKindPost)
            return true;
        return AwaitReply(cache, h, c, hdr.seq, deadline, pResult);
    }
    return false;
}

} // namespace

bool RemoteSend(WindowHandle h, unsigned msg, WPARAM wParam, LPARAM lParam, int iTimeoutMs, LRESULT* pResult)
{
    Header hdr;
    hdr.kind = kKindSend;
    hdr.msg = msg;
    hdr.wParam = wParam;
    const void* payload = nullptr;
    if (msg == WM_COPYDATA)
    {
        // Checked by the caller: a structure is given and its size is within the limit.
        auto* cds = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
        hdr.dwData = cds->dwData;
        hdr.length = cds->cbData;
        payload = cds->lpData;
    }
    else
    {
        hdr.lParam = lParam;
    }
    Deadline deadline(iTimeoutMs);
    return Request(h, hdr, payload, deadline, pResult);
}

bool RemotePost(WindowHandle h, unsigned msg, WPARAM wParam, LPARAM lParam)
{
    Header hdr;
    hdr.kind = kKindPost;
    hdr.msg = msg;
    hdr.wParam = wParam;
    hdr.lParam = lParam;
    Deadline deadline(GetSendTimeoutMs());
    return Request(h, hdr, nullptr, deadline, nullptr);
}

pid_t RemotePid(WindowHandle h)
{
    pid_t pid = 0;
    Deadline deadline(GetSendTimeoutMs());
    Fd fd = Connect(h, deadline, &pid);
    return fd.Valid() ? pid : 0;
}

} // namespace platform::bus
