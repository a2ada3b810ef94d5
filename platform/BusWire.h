// The frames that carry window messages between processes, and the small socket helpers of the
// window-message bus. Internal to platform (and its tests).
//
// Both ends run on the same machine, so integers travel in host byte order. A frame is a fixed
// header followed by `length` payload bytes:
//   0  magic "TBUS"         4 bytes
//   4  version              u16 (1)
//   6  kind                 u16 (1 send, 2 post, 3 reply)
//   8  seq                  u32 (a send's number on its connection; the reply repeats it)
//   12 msg                  u32
//   16 wParam               u64 (a reply: 1 when the handler ran, 0 when the window was gone)
//   24 lParam               i64 (a reply: the handler's result)
//   32 dwData               u64 (WM_COPYDATA's tag)
//   40 length               u32 (WM_COPYDATA's bytes, at most kMaxCopyData; 0 otherwise)
#pragma once

#include "platform/WindowBus.h"

#include <cstddef>
#include <cstdint>
#include <sys/socket.h>
#include <sys/un.h>
#include <vector>

namespace platform::bus
{

// Owns one file descriptor and closes it.
class Fd
{
public:
    Fd() = default;
    explicit Fd(int fd) : m_fd(fd) {}
    ~Fd() { Reset(); }
    Fd(Fd&& other) noexcept : m_fd(other.Release()) {}
    Fd& operator=(Fd&& other) noexcept
    {
        if (this != &other)
        {
            Reset();
            m_fd = other.Release();
        }
        return *this;
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;

    int Get() const { return m_fd; }
    bool Valid() const { return m_fd >= 0; }
    int Release()
    {
        int fd = m_fd;
        m_fd = -1;
        return fd;
    }
    void Reset(int fd = -1);

private:
    int m_fd = -1;
};

inline constexpr std::uint16_t kWireVersion = 1;
inline constexpr std::uint16_t kKindSend = 1;
inline constexpr std::uint16_t kKindPost = 2;
inline constexpr std::uint16_t kKindReply = 3;
inline constexpr std::size_t kHeaderSize = 44;

struct Header
{
    std::uint16_t version = kWireVersion;
    std::uint16_t kind = 0;
    std::uint32_t seq = 0;
    std::uint32_t msg = 0;
    std::uint64_t wParam = 0;
    std::int64_t lParam = 0;
    std::uint64_t dwData = 0;
    std::uint32_t length = 0;
};

void EncodeHeader(const Header& h, std::uint8_t* out); // writes kHeaderSize bytes
// Reads kHeaderSize bytes; false when they do not start with the magic.
bool DecodeHeader(const std::uint8_t* in, Header* h);

// Why a decoded request cannot be accepted; nullptr when it can.
const char* RequestError(const Header& h);
// Why a decoded reply does not answer a send; nullptr when it does (its seq is checked apart).
const char* ReplyError(const Header& h);

// Collects requests from a byte stream that arrives in pieces of any size.
class RequestReader
{
public:
    enum class Status
    {
        NeedMore, // every byte given was used, no request is complete
        Frame,    // a request is complete: Current() and TakePayload(); *pUsed bytes were used
        Bad,      // the stream is broken: Error() says why; stop reading it
    };

    Status Feed(const std::uint8_t* p, std::size_t n, std::size_t* pUsed);

    const Header& Current() const { return m_header; }
    std::vector<std::uint8_t> TakePayload() { return std::move(m_payload); }
    const char* Error() const { return m_error; }
    // Part of a request has arrived (a stream that ends now was cut off).
    bool MidFrame() const { return m_have > 0; }

private:
    std::uint8_t m_raw[kHeaderSize] = {};
    Header m_header;
    std::vector<std::uint8_t> m_payload;
    std::size_t m_have = 0; // bytes of the current request so far, header included
    const char* m_error = nullptr;
};

// The abstract socket address of a window: "\0tessaro-bus-" and the handle in 8 hex digits.
socklen_t WindowAddress(WindowHandle hWnd, sockaddr_un* sa);

} // namespace platform::bus
