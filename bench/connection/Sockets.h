// Plain blocking TCP sockets on 127.0.0.1 for the baselines and the raw clients: a descriptor that
// closes itself, whole reads and writes, and an echo thread.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <thread>

namespace connbench
{

class Fd
{
public:
    explicit Fd(int fd = -1) : m_fd(fd) {}
    ~Fd() { Reset(); }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int Get() const { return m_fd; }
    void Reset(int fd = -1);

private:
    int m_fd;
};

// Reads or writes exactly len bytes; false on an error or the end of the stream.
bool ReadFull(int fd, char* buf, int len);
bool WriteFull(int fd, const char* buf, int len);

void SetNoDelay(int fd);

// A socket connected to 127.0.0.1:port with TCP_NODELAY set, or -1.
int ConnectLoopback(int port);

// A listener on 127.0.0.1 and a thread that echoes every blockLen bytes of the one connection it
// accepts, unchanged, until the peer closes. An echoed frame decrypts to the message that was sent,
// so the session can use it as a server that costs nothing but the socket.
class EchoThread
{
public:
    explicit EchoThread(int blockLen);
    // The client must have connected and closed (or never connect: then the destructor connects
    // once itself so that the accept ends).
    ~EchoThread();
    EchoThread(const EchoThread&) = delete;
    EchoThread& operator=(const EchoThread&) = delete;

    int Port() const { return m_port; }
    // When the last block had been read whole, before it went back.
    std::chrono::steady_clock::time_point LastReceived() const
    {
        return std::chrono::steady_clock::time_point(std::chrono::steady_clock::duration(m_lastReceived.load()));
    }

private:
    void Run();

    int m_blockLen;
    Fd m_listener;
    int m_port = 0;
    std::atomic<std::chrono::steady_clock::rep> m_lastReceived{0};
    std::thread m_thread;
};

} // namespace connbench
