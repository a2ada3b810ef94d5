#include "platform/BusWire.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <unistd.h>

namespace platform::bus
{
namespace
{

// "TBUS" as bytes, so the magic reads the same whatever the host's byte order.
constexpr std::uint8_t kMagic[4] = {0x54, 0x42, 0x55, 0x53};

template <typename T> void Put(std::uint8_t* out, std::size_t at, T value)
{
    std::memcpy(out + at, &value, sizeof(value));
}

template <typename T> T Get(const std::uint8_t* in, std::size_t at)
{
    T value;
    std::memcpy(&value, in + at, sizeof(value));
    return value;
}

} // namespace

void Fd::Reset(int fd)
{
    if (m_fd >= 0)
    {
        // Linux releases the descriptor even when close reports EINTR; closing again could hit a
        // descriptor another thread has just been given.
        ::close(m_fd);
    }
    m_fd = fd;
}

void EncodeHeader(const Header& h, std::uint8_t* out)
{
    std::memcpy(out, kMagic, sizeof(kMagic));
    Put(out, 4, h.version);
    Put(out, 6, h.kind);
    Put(out, 8, h.seq);
    Put(out, 12, h.msg);
    Put(out, 16, h.wParam);
    Put(out, 24, h.lParam);
    Put(out, 32, h.dwData);
    Put(out, 40, h.length);
}

bool DecodeHeader(const std::uint8_t* in, Header* h)
{
    if (std::memcmp(in, kMagic, sizeof(kMagic)) != 0)
        return false;
    h->version = Get<std::uint16_t>(in, 4);
    h->kind = Get<std::uint16_t>(in, 6);
    h->seq = Get<std::uint32_t>(in, 8);
    h->msg = Get<std::uint32_t>(in, 12);
    h->wParam = Get<std::uint64_t>(in, 16);
    h->lParam = Get<std::int64_t>(in, 24);
    h->dwData = Get<std::uint64_t>(in, 32);
    h->length = Get<std::uint32_t>(in, 40);
    return true;
}

const char* RequestError(const Header& h)
{
    if (h.version != kWireVersion)
        return "unknown version";
    if (h.kind != kKindSend && h.kind != kKindPost)
        return "unknown kind";
    if (h.length > kMaxCopyData)
        return "payload too large";
    if (h.msg == WM_COPYDATA && h.kind != kKindSend)
        return "WM_COPYDATA posted";
    if (h.length > 0 && h.msg != WM_COPYDATA)
        return "payload on a message without one";
    return nullptr;
}

const char* ReplyError(const Header& h)
{
    if (h.version != kWireVersion)
        return "unknown version";
    if (h.kind != kKindReply)
        return "not a reply";
    if (h.length != 0)
        return "reply with a payload";
    return nullptr;
}

RequestReader::Status RequestReader::Feed(const std::uint8_t* p, std::size_t n, std::size_t* pUsed)
{
    *pUsed = 0;
    if (m_error)
        return Status::Bad;
    std::size_t used = 0;
    if (m_have < kHeaderSize)
    {
        std::size_t take = std::min(n, kHeaderSize - m_have);
        std::memcpy(m_raw + m_have, p, take);
        m_have += take;
        used += take;
        if (m_have < kHeaderSize)
        {
            *pUsed = used;
            return Status::NeedMore;
        }
        if (!DecodeHeader(m_raw, &m_header))
            m_error = "bad magic";
        else
            m_error = RequestError(m_header);
        if (m_error)
        {
            *pUsed = used;
            return Status::Bad;
        }
        // The length was checked against the limit above, before anything is allocated for it.
        m_payload.assign(m_header.length, 0);
    }
    std::size_t got = m_have - kHeaderSize;
    std::size_t take = std::min(n - used, static_cast<std::size_t>(m_header.length) - got);
    if (take > 0)
        std::memcpy(m_payload.data() + got, p + used, take);
    m_have += take;
    used += take;
    *pUsed = used;
    if (m_have - kHeaderSize < m_header.length)
        return Status::NeedMore;
    m_have = 0;
    return Status::Frame;
}

socklen_t WindowAddress(WindowHandle hWnd, sockaddr_un* sa)
{
    std::memset(sa, 0, sizeof(*sa));
    sa->sun_family = AF_UNIX;
    // The leading zero byte puts the name in the abstract namespace: no file, gone with the socket.
    int len = std::snprintf(sa->sun_path + 1, sizeof(sa->sun_path) - 1, "tessaro-bus-%08x", hWnd);
    return static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + static_cast<std::size_t>(len));
}

} // namespace platform::bus
