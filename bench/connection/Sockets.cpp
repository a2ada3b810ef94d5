#include "bench/connection/Sockets.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstdint>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace connbench
{

namespace
{

sockaddr_in Loopback(int port)
{
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    sa.sin_port = htons(static_cast<std::uint16_t>(port));
    return sa;
}

} // namespace

void Fd::Reset(int fd)
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = fd;
}

bool ReadFull(int fd, char* buf, int len)
{
    int got = 0;
    while (got < len)
    {
        ssize_t n = ::recv(fd, buf + got, static_cast<std::size_t>(len - got), 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        got += static_cast<int>(n);
    }
    return true;
}

bool WriteFull(int fd, const char* buf, int len)
{
    int put = 0;
    while (put < len)
    {
        ssize_t n = ::send(fd, buf + put, static_cast<std::size_t>(len - put), MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        put += static_cast<int>(n);
    }
    return true;
}

void SetNoDelay(int fd)
{
    int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof(one));
}

int ConnectLoopback(int port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    sockaddr_in sa = Loopback(port);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&sa), sizeof(sa)) != 0)
    {
        ::close(fd);
        return -1;
    }
    SetNoDelay(fd);
    return fd;
}

EchoThread::EchoThread(int blockLen) : m_blockLen(blockLen)
{
    m_listener.Reset(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_in sa = Loopback(0);
    socklen_t len = sizeof(sa);
    if (m_listener.Get() < 0 || ::bind(m_listener.Get(), reinterpret_cast<sockaddr*>(&sa), sizeof(sa)) != 0 ||
        ::listen(m_listener.Get(), 1) != 0 ||
        ::getsockname(m_listener.Get(), reinterpret_cast<sockaddr*>(&sa), &len) != 0)
        return;
    m_port = ntohs(sa.sin_port);
    m_thread = std::thread([this] { Run(); });
}

EchoThread::~EchoThread()
{
    if (!m_thread.joinable())
        return;
    // A connection that ends at once lets a thread still waiting in accept finish; one that has
    // already accepted refuses it, which changes nothing.
    Fd unblock(ConnectLoopback(m_port));
    unblock.Reset();
    m_thread.join();
}

void EchoThread::Run()
{
    Fd peer(::accept4(m_listener.Get(), nullptr, nullptr, SOCK_CLOEXEC));
    m_listener.Reset();
    if (peer.Get() < 0)
        return;
    SetNoDelay(peer.Get());
    std::vector<char> buf(static_cast<std::size_t>(m_blockLen));
    while (ReadFull(peer.Get(), buf.data(), m_blockLen))
    {
        m_lastReceived.store(std::chrono::steady_clock::now().time_since_epoch().count());
        if (!WriteFull(peer.Get(), buf.data(), m_blockLen))
            break;
    }
}

} // namespace connbench
