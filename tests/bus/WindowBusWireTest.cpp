// The bus's frames: the request reader on its own, and a window of this process driven through its
// socket by hand, as a broken or hostile peer would.
#include "platform/BusWire.h"
#include "tests/bus/WindowBusTestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <unistd.h>

using namespace platform;
using namespace platform::bus;
using namespace bustest;

namespace
{

constexpr unsigned kAdd = WM_USER + 1;
constexpr unsigned kMark = WM_USER + 2;

std::vector<std::uint8_t> Frame(const Header& h, const std::vector<std::uint8_t>& payload = {})
{
    std::vector<std::uint8_t> out(kHeaderSize);
    EncodeHeader(h, out.data());
    out.insert(out.end(), payload.begin(), payload.end());
    return out;
}

Header Request(std::uint16_t kind, unsigned msg, std::uint32_t length = 0)
{
    Header h;
    h.kind = kind;
    h.seq = 5;
    h.msg = msg;
    h.wParam = 20;
    h.lParam = 22;
    h.length = length;
    return h;
}

} // namespace

// ---- the request reader

TEST(WindowBusWire, ARequestSplitAnywhereReadsTheSame)
{
    Header h = Request(kKindSend, WM_COPYDATA, 9);
    h.dwData = 0xDEADBEEF;
    std::vector<std::uint8_t> payload = {1, 2, 3, 4, 5, 6, 7, 8, 9};
    std::vector<std::uint8_t> bytes = Frame(h, payload);
    for (std::size_t cut = 0; cut <= bytes.size(); ++cut)
    {
        SCOPED_TRACE(cut);
        RequestReader reader;
        std::size_t used = 0;
        RequestReader::Status s = reader.Feed(bytes.data(), cut, &used);
        ASSERT_EQ(used, cut);
        if (cut < bytes.size())
        {
            ASSERT_EQ(s, RequestReader::Status::NeedMore);
            EXPECT_EQ(reader.MidFrame(), cut > 0);
            s = reader.Feed(bytes.data() + cut, bytes.size() - cut, &used);
            ASSERT_EQ(used, bytes.size() - cut);
        }
        ASSERT_EQ(s, RequestReader::Status::Frame);
        EXPECT_FALSE(reader.MidFrame());
        EXPECT_EQ(reader.Current().seq, 5u);
        EXPECT_EQ(reader.Current().dwData, 0xDEADBEEFu);
        EXPECT_EQ(reader.TakePayload(), payload);
    }
}

TEST(WindowBusWire, AnOversizedRequestIsRefusedOnItsHeaderAlone)
{
    std::vector<std::uint8_t> bytes = Frame(Request(kKindSend, WM_COPYDATA, kMaxCopyData + 1));
    RequestReader reader;
    std::size_t used = 0;
    ASSERT_EQ(reader.Feed(bytes.data(), bytes.size(), &used), RequestReader::Status::Bad);
    EXPECT_STREQ(reader.Error(), "payload too large");
    // A broken stream stays broken, whatever follows.
    std::vector<std::uint8_t> good = Frame(Request(kKindPost, kMark));
    EXPECT_EQ(reader.Feed(good.data(), good.size(), &used), RequestReader::Status::Bad);
    EXPECT_EQ(used, 0u);
}

// ---- a window's socket, driven by hand

namespace
{

Fd Connect(WindowHandle h)
{
    Fd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    // A window that never answers must fail the test, not hang it.
    timeval limit{20, 0};
    ::setsockopt(fd.Get(), SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof(limit));
    sockaddr_un sa;
    socklen_t len = WindowAddress(h, &sa);
    if (::connect(fd.Get(), reinterpret_cast<sockaddr*>(&sa), len) != 0)
        fd.Reset();
    return fd;
}

bool WriteAll(const Fd& fd, const std::vector<std::uint8_t>& bytes)
{
    return ::send(fd.Get(), bytes.data(), bytes.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(bytes.size());
}

// Reads one reply; false on the end of the stream or a time-out.
bool ReadReply(const Fd& fd, Header* reply)
{
    std::uint8_t raw[kHeaderSize];
    std::size_t have = 0;
    while (have < kHeaderSize)
    {
        ssize_t n = ::read(fd.Get(), raw + have, kHeaderSize - have);
        if (n <= 0)
            return false;
        have += static_cast<std::size_t>(n);
    }
    return DecodeHeader(raw, reply) && ReplyError(*reply) == nullptr;
}

// True when the window's side closed the connection.
bool ClosedByWindow(const Fd& fd)
{
    std::uint8_t byte;
    return ::read(fd.Get(), &byte, 1) == 0;
}

class WindowBusSocket : public ::testing::Test
{
protected:
    WindowBusSocket()
        : owner(
              [this](unsigned msg, WPARAM w, LPARAM l) -> LRESULT
              {
                  ++calls;
                  if (msg == kMark)
                  {
                      std::lock_guard<std::mutex> lock(marksMutex);
                      marks.push_back(w);
                  }
                  if (msg == WM_COPYDATA)
                  {
                      auto* cds = reinterpret_cast<const COPYDATASTRUCT*>(l);
                      std::uint64_t sum = cds->dwData;
                      for (std::uint32_t i = 0; i < cds->cbData; ++i)
                          sum += static_cast<const std::uint8_t*>(cds->lpData)[i];
                      return static_cast<LRESULT>(sum);
                  }
                  if (msg == kAdd)
                  {
                      std::lock_guard<std::mutex> lock(marksMutex);
                      return static_cast<LRESULT>(w) + l + static_cast<LRESULT>(marks.size()) * 1000;
                  }
                  return 0;
              })
    {
    }

    // A send that goes by hand over a fresh connection; the handler's result.
    LRESULT SendByHand(WPARAM w, LPARAM l)
    {
        Fd fd = Connect(owner.Handle());
        Header h = Request(kKindSend, kAdd);
        h.seq = 77;
        h.wParam = w;
        h.lParam = l;
        Header reply;
        if (!WriteAll(fd, Frame(h)) || !ReadReply(fd, &reply) || reply.seq != 77 || reply.wParam != 1)
            return -1;
        return static_cast<LRESULT>(reply.lParam);
    }

    std::atomic<int> calls{0};
    std::mutex marksMutex;
    std::vector<WPARAM> marks;
    DiagnosticCapture diagnostics; // before the window, so it outlives the window's thread
    OwnerThread owner;
};

} // namespace

TEST_F(WindowBusSocket, AMalformedRequestClosesItsConnectionAndTheWindowKeepsServing)
{
    struct Case
    {
        const char* name;
        std::vector<std::uint8_t> bytes;
        bool cutOff; // the peer stops writing after the bytes
        const char* diagnostic;
    };
    Header badVersion = Request(kKindSend, kAdd);
    badVersion.version = 2;
    std::vector<std::uint8_t> validCopy = Frame(Request(kKindSend, WM_COPYDATA, 100), std::vector<std::uint8_t>(100));
    std::vector<Case> cases = {
        {"garbage", std::vector<std::uint8_t>(kHeaderSize, 'x'), false, "bad magic"},
        {"oversized", Frame(Request(kKindSend, WM_COPYDATA, kMaxCopyData + 1)), false, "payload too large"},
        {"huge length", Frame(Request(kKindSend, WM_COPYDATA, 0xFFFFFFFF)), false, "payload too large"},
        {"other version", Frame(badVersion), false, "unknown version"},
        {"a reply as request", Frame(Request(kKindReply, kAdd)), false, "unknown kind"},
        {"copy data posted", Frame(Request(kKindPost, WM_COPYDATA)), false, "WM_COPYDATA posted"},
        {"bytes on another message", Frame(Request(kKindSend, kAdd, 4), {1, 2, 3, 4}), false, "payload on a message"},
        {"truncated header", std::vector<std::uint8_t>(validCopy.begin(), validCopy.begin() + 20), true, "cut off"},
        {"truncated payload", std::vector<std::uint8_t>(validCopy.begin(), validCopy.begin() + 90), true, "cut off"},
    };
    char tag[16];
    std::snprintf(tag, sizeof(tag), "%08x", owner.Handle());
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        diagnostics.Clear();
        Fd fd = Connect(owner.Handle());
        ASSERT_TRUE(fd.Valid());
        ASSERT_TRUE(WriteAll(fd, c.bytes));
        if (c.cutOff)
            ::shutdown(fd.Get(), SHUT_WR);
        EXPECT_TRUE(ClosedByWindow(fd));
        EXPECT_TRUE(diagnostics.WaitFor(c.diagnostic)) << "no diagnostic line";
        EXPECT_TRUE(diagnostics.WaitFor(tag)) << "the line does not name the window";
        EXPECT_EQ(SendByHand(40, 2), 42);
    }
    EXPECT_EQ(calls.load(), static_cast<int>(cases.size())) << "only the good sends reached the handler";
}

TEST_F(WindowBusSocket, ARequestArrivingByteByByteIsAnswered)
{
    std::vector<std::uint8_t> payload(300);
    std::uint64_t sum = 1000;
    for (std::size_t i = 0; i < payload.size(); ++i)
    {
        payload[i] = static_cast<std::uint8_t>(i);
        sum += payload[i];
    }
    Header h = Request(kKindSend, WM_COPYDATA, static_cast<std::uint32_t>(payload.size()));
    h.dwData = 1000;
    std::vector<std::uint8_t> bytes = Frame(h, payload);
    Fd fd = Connect(owner.Handle());
    for (std::uint8_t b : bytes)
        ASSERT_EQ(::send(fd.Get(), &b, 1, MSG_NOSIGNAL), 1);
    Header reply;
    ASSERT_TRUE(ReadReply(fd, &reply));
    EXPECT_EQ(reply.seq, h.seq);
    EXPECT_EQ(reply.wParam, 1u);
    EXPECT_EQ(static_cast<std::uint64_t>(reply.lParam), sum);
    EXPECT_TRUE(diagnostics.Lines().empty());
}

TEST_F(WindowBusSocket, RequestsInOneWriteRunInTheirOrder)
{
    std::vector<std::uint8_t> bytes;
    for (WPARAM i = 1; i <= 3; ++i)
    {
        Header post = Request(kKindPost, kMark);
        post.wParam = i;
        auto f = Frame(post);
        bytes.insert(bytes.end(), f.begin(), f.end());
    }
    auto send = Frame(Request(kKindSend, kAdd));
    bytes.insert(bytes.end(), send.begin(), send.end());
    Fd fd = Connect(owner.Handle());
    ASSERT_TRUE(WriteAll(fd, bytes));
    Header reply;
    ASSERT_TRUE(ReadReply(fd, &reply));
    // The send ran after the three posts that came before it.
    EXPECT_EQ(reply.lParam, 20 + 22 + 3000);
    std::lock_guard<std::mutex> lock(marksMutex);
    EXPECT_EQ(marks, (std::vector<WPARAM>{1, 2, 3}));
}
