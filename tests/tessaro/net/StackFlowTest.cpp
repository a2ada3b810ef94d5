// The stack's flow control: the write buffer reusing what was sent, waiting for room, and several
// read steps in one select pass.
#include "tessaro/net/Stack.h"
#include "tests/support/Loopback.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <future>
#include <mutex>
#include <netinet/in.h>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace
{

using namespace testsupport;
using std::chrono::milliseconds;
using std::chrono::seconds;

constexpr int kWaitMs = 30000;

// A stack that counts its select passes (each pass reads the clock once when no node has a
// time-out) and records every completed read step with the pass it ran in.
class FlowStack : public Stack
{
public:
    FlowStack(int nodes, int readBuf, int writeBuf) : Stack(nodes, readBuf, writeBuf) {}
    ~FlowStack() override { Stop(); }

    std::int64_t Now() const override
    {
        ++m_passes;
        return Stack::Now();
    }
    void CallbackTCPReadData(int i) override
    {
        const SocketNode& n = m_pNodes[i];
        std::string data(n.pReadBuf, static_cast<size_t>(n.iReadBytes));
        ResetReadState(i);
        std::lock_guard<std::mutex> lock(m_mutex);
        m_reads.push_back({m_passes.load(), std::move(data)});
        m_cv.notify_all();
    }

    struct Read
    {
        long pass;
        std::string data;
    };
    bool WaitForReads(size_t count)
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        return m_cv.wait_for(lock, milliseconds(kWaitMs), [&] { return m_reads.size() >= count; });
    }
    std::vector<Read> Reads()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_reads;
    }
    int Socket(int i) const { return m_pNodes[i].iSocket; }

private:
    mutable std::atomic<long> m_passes{0};
    std::mutex m_mutex;
    std::condition_variable m_cv;
    std::vector<Read> m_reads;
};

// Reads exactly n bytes or until the peer closes or nothing comes for a long time.
std::string ReadAll(int fd, size_t n, size_t piece = 65536)
{
    std::string out;
    std::vector<char> buf(piece);
    while (out.size() < n)
    {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, kWaitMs) <= 0)
            break;
        const ssize_t r = recv(fd, buf.data(), std::min(piece, n - out.size()), 0);
        if (r <= 0)
            break;
        out.append(buf.data(), static_cast<size_t>(r));
    }
    return out;
}

// A connected node whose peer's side is accepted and held by the test, the stack not started.
struct Connected
{
    explicit Connected(int writeBuf, int readHeadLen = 4) : stack(3, 256, writeBuf)
    {
        index = stack.ConnectTCP("127.0.0.1", server.port, readHeadLen, 0, 0);
        peer = server.Accept();
    }
    ~Connected()
    {
        stack.Stop();
        if (peer >= 0)
            close(peer);
    }
    RawListener server;
    FlowStack stack;
    int index = -1;
    int peer = -1;
};

} // namespace

TEST(StackFlow, SteadyStreamLargerThanTheWriteBufferArrivesWhole)
{
    // A local stream pair with a send buffer much smaller than the stack's: its sends are mostly
    // partial, so its buffer holds sent and unsent bytes side by side when the next block comes.
    int pair[2];
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair), 0);
    int small = 16384;
    setsockopt(pair[0], SOL_SOCKET, SO_SNDBUF, &small, sizeof(small));
    ASSERT_EQ(Net_Unblock(pair[0]), 0);
    struct Owned
    {
        FlowStack stack{2, 64, 32768};
        int peer = -1;
        ~Owned()
        {
            stack.Stop();
            close(peer);
        }
    } c;
    c.peer = pair[1];
    ASSERT_EQ(c.stack.AddSocketNode(pair[0], 3, 4, 0, false), 0);
    ASSERT_TRUE(c.stack.Start());

    constexpr size_t kTotal = 2 << 20;
    std::string expected;
    std::vector<std::string> blocks;
    for (size_t i = 0; expected.size() < kTotal; ++i)
    {
        std::string block(1 + (i * 977) % 6000, static_cast<char>('a' + i % 26));
        block[0] = static_cast<char>(i);
        expected += block;
        blocks.push_back(std::move(block));
    }
    std::atomic<int> refused{0};
    std::thread writer(
        [&]
        {
            const auto deadline = std::chrono::steady_clock::now() + milliseconds(2 * kWaitMs);
            for (const std::string& b : blocks)
            {
                const int len = static_cast<int>(b.size());
                const auto left = std::chrono::duration_cast<milliseconds>(deadline - std::chrono::steady_clock::now());
                // Room promised is room given: the block must be taken, never refused.
                if (!c.stack.WaitForWriteRoom(0, len, static_cast<int>(std::max<long long>(left.count(), 0))) ||
                    c.stack.WriteData(0, b.data(), len) != len)
                {
                    ++refused;
                    shutdown(c.peer, SHUT_RDWR); // the reader need not wait for the rest
                    return;
                }
            }
        });
    const std::string got = ReadAll(c.peer, expected.size(), 4096);
    writer.join();
    EXPECT_EQ(refused, 0);
    ASSERT_EQ(got.size(), expected.size());
    EXPECT_TRUE(got == expected);
}

TEST(StackFlow, WaitForWriteRoomEndsWhenThePeerReads)
{
    Connected c(4096);
    ASSERT_EQ(c.index, 0);
    const size_t prefilled = SaturateSocket(c.stack.Socket(0));
    ASSERT_TRUE(c.stack.Start());
    std::string block(4096, 'w');
    ASSERT_EQ(c.stack.WriteData(0, block.data(), 4096), 4096);
    EXPECT_EQ(c.stack.GetPendingWrite(0), 4096);
    EXPECT_FALSE(c.stack.WaitForWriteRoom(0, 1, 0));

    // Without a limit: only the stack's word that it made room can end the wait.
    auto waiter = std::async(std::launch::async, [&] { return c.stack.WaitForWriteRoom(0, 4096, -1); });
    std::string drained;
    std::thread reader([&] { drained = ReadAll(c.peer, prefilled + 4096); });
    const bool ended = waiter.wait_for(milliseconds(kWaitMs)) == std::future_status::ready;
    if (!ended)
        c.stack.Stop(); // frees the waiter
    EXPECT_TRUE(ended);
    EXPECT_TRUE(waiter.get() || !ended);
    reader.join();
    EXPECT_EQ(drained.size(), prefilled + 4096);
    EXPECT_EQ(drained.substr(prefilled), block);
}

TEST(StackFlow, WaitForWriteRoomTimesOutWhileThePeerNeverReads)
{
    Connected c(4096);
    ASSERT_EQ(c.index, 0);
    SaturateSocket(c.stack.Socket(0));
    ASSERT_TRUE(c.stack.Start());
    std::string block(4000, 'w');
    ASSERT_EQ(c.stack.WriteData(0, block.data(), 4000), 4000);

    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(c.stack.WaitForWriteRoom(0, 97, 300));
    EXPECT_GE(std::chrono::steady_clock::now() - start, milliseconds(290));
    EXPECT_TRUE(c.stack.WaitForWriteRoom(0, 96, 0)); // what is left is free
    EXPECT_EQ(c.stack.GetPendingWrite(0), 4000);
    // A block larger than the whole buffer never fits.
    EXPECT_FALSE(c.stack.WaitForWriteRoom(0, 4097, -1));
}

TEST(StackFlow, WaitForWriteRoomEndsWhenTheNodeClosesOrTheStackStops)
{
    for (const bool stop : {false, true})
    {
        SCOPED_TRACE(stop ? "stop" : "close");
        Connected c(4096);
        ASSERT_EQ(c.index, 0);
        SaturateSocket(c.stack.Socket(0));
        ASSERT_TRUE(c.stack.Start());
        std::string block(4096, 'w');
        ASSERT_EQ(c.stack.WriteData(0, block.data(), 4096), 4096);

        auto waiter = std::async(std::launch::async, [&] { return c.stack.WaitForWriteRoom(0, 1, -1); });
        if (stop)
            c.stack.Terminate();
        else
            c.stack.SetKillFlag(0, 1);
        if (waiter.wait_for(milliseconds(kWaitMs)) != std::future_status::ready)
        {
            c.stack.Stop(); // frees the waiter, whatever else went wrong
            FAIL() << "the wait did not end";
        }
        EXPECT_FALSE(waiter.get());
    }

    // Nothing to wait for on a node that is not open or outside the table.
    FlowStack idle(2, 16, 16);
    EXPECT_FALSE(idle.WaitForWriteRoom(0, 1, -1));
    EXPECT_FALSE(idle.WaitForWriteRoom(-1, 1, -1));
    EXPECT_FALSE(idle.WaitForWriteRoom(2, 1, -1));
    EXPECT_EQ(idle.GetPendingWrite(-1), 0);
    EXPECT_EQ(idle.GetPendingWrite(5), 0);
}

TEST(StackFlow, WriteDataRefusesANodeThatClosedWhileAHigherOneIsOpen)
{
    FlowStack stack(2, 16, 16);
    int a[2];
    int b[2];
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, a), 0);
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, b), 0);
    ASSERT_EQ(stack.AddSocketNode(a[0], 3, 4, 0, false), 0);
    ASSERT_EQ(stack.AddSocketNode(b[0], 3, 4, 0, false), 1);
    ASSERT_GT(SaturateSocket(b[0]), 0u); // what node 1 is given now stays queued
    stack.DelSocketNode(0, false, 0);
    testing::internal::CaptureStdout();
    EXPECT_EQ(stack.WriteData(0, "lost", 4), -1);
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("socket index error, index:0"), std::string::npos) << out;
    EXPECT_EQ(stack.GetPendingWrite(0), 0);
    EXPECT_EQ(stack.WriteData(1, "kept", 4), 4);
    EXPECT_EQ(stack.GetPendingWrite(1), 4);
    close(a[1]);
    close(b[1]);
}

TEST(StackFlow, BurstOfSmallMessagesIsReadInOnePass)
{
    Connected c(256);
    ASSERT_EQ(c.index, 0);
    // Fifty 4-byte messages in one segment, there before the stack looks.
    std::string burst;
    for (int i = 0; i < 50; ++i)
        burst += "m" + std::to_string(100 + i);
    ASSERT_TRUE(SendAll(c.peer, burst));
    ASSERT_TRUE(c.stack.Start());
    ASSERT_TRUE(c.stack.WaitForReads(50));
    const auto reads = c.stack.Reads();
    ASSERT_EQ(reads.size(), 50u);
    for (int i = 0; i < 50; ++i)
    {
        EXPECT_EQ(reads[i].data, "m" + std::to_string(100 + i));
        EXPECT_EQ(reads[i].pass, reads[0].pass) << "message " << i << " came in a later pass";
    }

    // A longer burst than one pass takes is read whole all the same, in order.
    std::string longer;
    for (int i = 0; i < 300; ++i)
        longer += "n" + std::to_string(100 + i % 900);
    ASSERT_TRUE(SendAll(c.peer, longer));
    ASSERT_TRUE(c.stack.WaitForReads(350));
    const auto all = c.stack.Reads();
    ASSERT_EQ(all.size(), 350u);
    for (int i = 0; i < 300; ++i)
        EXPECT_EQ(all[50 + i].data, "n" + std::to_string(100 + i % 900));
}
