// A hand-written client of the game-server connection for the server's tests: a plain socket,
// frames built and opened with the library's own frame functions, and reads with deadlines.
#pragma once

#include "tessaro/net/Frame.h"
#include "tests/support/Loopback.h"
#include "tools/devserver/Wire.h"

#include <chrono>
#include <cstring>
#include <netinet/in.h>
#include <optional>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <unistd.h>

namespace devtest
{

using Clock = std::chrono::steady_clock;

class WireClient
{
public:
    // Connects to 127.0.0.1:port. receiveBuffer > 0 sets the socket's receive buffer first, for a
    // client whose window fills quickly.
    explicit WireClient(int port, int receiveBuffer = 0)
    {
        m_fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (receiveBuffer > 0)
            setsockopt(m_fd, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
        sockaddr_in sa = testsupport::LoopbackAddress(port);
        if (connect(m_fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0)
        {
            close(m_fd);
            m_fd = -1;
        }
        connectedAt = Clock::now();
    }
    ~WireClient()
    {
        if (m_fd >= 0)
            close(m_fd);
    }
    WireClient(const WireClient&) = delete;
    WireClient& operator=(const WireClient&) = delete;

    bool Connected() const { return m_fd >= 0; }
    int Fd() const { return m_fd; }

    bool SendRaw(const std::string& bytes) { return testsupport::SendAll(m_fd, bytes); }

    // Frames and sends a whole game message.
    bool SendMessage(const std::string& msg)
    {
        std::string frame;
        return devserver::FrameMessage(msg, frame) && SendRaw(frame);
    }

    // One receive of at most max bytes once data is there: the bytes, "" when the server has
    // closed, nothing when none came in time.
    std::optional<std::string> ReadSome(size_t max, int timeoutMs)
    {
        if (!WaitReadable(Clock::now() + std::chrono::milliseconds(timeoutMs)))
            return std::nullopt;
        std::string buf(max, '\0');
        const ssize_t n = recv(m_fd, buf.data(), max, 0);
        if (n <= 0)
            return std::string();
        buf.resize(static_cast<size_t>(n));
        return buf;
    }

    // Exactly n bytes, or nothing when they do not all come in time or the server closes first.
    std::optional<std::string> ReadExactly(size_t n, int timeoutMs)
    {
        const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
        std::string out;
        while (out.size() < n)
        {
            if (!WaitReadable(deadline))
                return std::nullopt;
            char buf[65536];
            const ssize_t r = recv(m_fd, buf, std::min(sizeof buf, n - out.size()), 0);
            if (r <= 0)
                return std::nullopt;
            out.append(buf, static_cast<size_t>(r));
        }
        return out;
    }

    // The raw bytes of one whole frame.
    std::optional<std::string> ReadFrame(int timeoutMs)
    {
        const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
        std::optional<std::string> header = ReadExactly(Ostra::kFrameHeaderLen, timeoutMs);
        if (!header)
            return std::nullopt;
        const int total = Ostra::FrameTotalLen(reinterpret_cast<const unsigned char*>(header->data()));
        if (total < Ostra::kMinFrameLen)
            return std::nullopt;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        std::optional<std::string> body =
            ReadExactly(static_cast<size_t>(total - Ostra::kFrameHeaderLen), static_cast<int>(std::max<long>(left, 0)));
        if (!body)
            return std::nullopt;
        return *header + *body;
    }

    // The message of one whole frame.
    std::optional<std::string> ReadMessage(int timeoutMs)
    {
        std::optional<std::string> frame = ReadFrame(timeoutMs);
        if (!frame)
            return std::nullopt;
        return Open(*frame);
    }

    // The message in a whole frame, or nothing when it cannot be opened.
    static std::optional<std::string> Open(const std::string& frame)
    {
        if (frame.size() < static_cast<size_t>(Ostra::kMinFrameLen))
            return std::nullopt;
        std::string msg(frame.size(), '\0');
        const int len = Ostra::OpenFrameBody(Ostra::kWireKeyText, frame.data() + Ostra::kFrameHeaderLen,
                                             static_cast<int>(frame.size()) - Ostra::kFrameHeaderLen, msg.data(),
                                             static_cast<int>(msg.size()));
        if (len < 0)
            return std::nullopt;
        msg.resize(static_cast<size_t>(len));
        return msg;
    }

    // True when the server closes the connection within the time, with nothing more to read.
    bool WaitForClose(int timeoutMs)
    {
        std::optional<std::string> r = ReadSome(4096, timeoutMs);
        return r && r->empty();
    }

    Clock::time_point connectedAt;

private:
    bool WaitReadable(Clock::time_point deadline)
    {
        while (true)
        {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
            pollfd p{m_fd, POLLIN, 0};
            const int r = poll(&p, 1, static_cast<int>(std::max<long>(left, 0)));
            if (r > 0)
                return true;
            if (r == 0 || errno != EINTR)
                return false;
        }
    }

    int m_fd = -1;
};

} // namespace devtest
