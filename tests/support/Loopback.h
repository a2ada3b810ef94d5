// Plain sockets on 127.0.0.1 that tests drive by hand, as the peers of the code under test.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <unistd.h>

namespace testsupport
{

inline sockaddr_in LoopbackAddress(int port)
{
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    sa.sin_port = htons(static_cast<uint16_t>(port));
    return sa;
}

// A TCP socket bound to 127.0.0.1:port (0: any free port), or -1.
inline int BoundSocket(int port)
{
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int one = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof(one));
    sockaddr_in sa = LoopbackAddress(port);
    if (bind(fd, reinterpret_cast<sockaddr*>(&sa), sizeof(sa)) != 0)
    {
        close(fd);
        return -1;
    }
    return fd;
}

inline int LocalPort(int fd)
{
    sockaddr_in sa{};
    socklen_t len = sizeof(sa);
    getsockname(fd, reinterpret_cast<sockaddr*>(&sa), &len);
    return ntohs(sa.sin_port);
}

// A port that was free a moment ago, for a server that wants its port on its command line.
inline int FreePort()
{
    int fd = BoundSocket(0);
    int port = LocalPort(fd);
    close(fd);
    return port;
}

// A connected socket, or -1.
inline int RawConnect(int port)
{
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in sa = LoopbackAddress(port);
    if (connect(fd, reinterpret_cast<sockaddr*>(&sa), sizeof(sa)) != 0)
    {
        close(fd);
        return -1;
    }
    return fd;
}

// A listening socket on a free port.
class RawListener
{
public:
    explicit RawListener(int backlog = 8) : m_fd(BoundSocket(0))
    {
        listen(m_fd, backlog);
        port = LocalPort(m_fd);
    }
    ~RawListener() { close(m_fd); }
    RawListener(const RawListener&) = delete;
    RawListener& operator=(const RawListener&) = delete;

    int Accept() { return accept(m_fd, nullptr, nullptr); }
    // Wakes a thread blocked in Accept, which then returns -1.
    void Shutdown() { shutdown(m_fd, SHUT_RDWR); }

    int port = 0;

private:
    int m_fd;
};

// Sends all of s; false when the peer is gone.
inline bool SendAll(int fd, const std::string& s)
{
    size_t sent = 0;
    while (sent < s.size())
    {
        ssize_t n = send(fd, s.data() + sent, s.size() - sent, MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        sent += static_cast<size_t>(n);
    }
    return true;
}

// Receives n bytes, or fewer when the peer closes first.
inline std::string RecvExactly(int fd, size_t n)
{
    std::string out(n, '\0');
    size_t got = 0;
    while (got < n)
    {
        ssize_t r = recv(fd, out.data() + got, n - got, 0);
        if (r <= 0)
            break;
        got += static_cast<size_t>(r);
    }
    out.resize(got);
    return out;
}

// Writes into fd (without blocking) until its way to the peer is full, so that the next send on it
// would block and a stack must keep what it is given in its write buffer. Returns the bytes
// written, which the peer will read first.
inline size_t SaturateSocket(int fd)
{
    char junk[4096] = {};
    size_t total = 0;
    for (;;)
    {
        ssize_t n = send(fd, junk, sizeof(junk), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n <= 0)
            return total;
        total += static_cast<size_t>(n);
    }
}

} // namespace testsupport
