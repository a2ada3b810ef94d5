#include "tessaro/net/Stack.h"
#include "tests/support/Loopback.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <condition_variable>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <mutex>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace
{

using namespace testsupport;
using std::chrono::seconds;

struct Event
{
    std::string kind;
    int index;
    int arg;
    std::string data;
};

// A stack that records its callbacks and lets a test wait for them, with a clock the test can
// move forward.
class TestStack : public Stack
{
public:
    TestStack(int nodes = 3, int readBuf = 64, int writeBuf = 64) : Stack(nodes, readBuf, writeBuf) {}
    ~TestStack() override { Stop(); }

    void CallbackAddSocketNode(int i) override { Record({"add", i, m_pNodes[i].iType, ""}); }
    void CallbackDelSocketNode(int i, int reason) override { Record({"del", i, reason, ""}); }
    void CallbackDelSocketNodeFromKillFlag(int i) override { Record({"kill", i, 0, ""}); }
    void CallbackSocketTimeOut(int i) override
    {
        Record({"timeout", i, 0, ""});
        Stack::CallbackSocketTimeOut(i);
    }
    void CallbackTCPReadData(int i) override
    {
        SocketNode& n = m_pNodes[i];
        Event e{"read", i, n.iReadMsgPos, std::string(n.pReadBuf, static_cast<size_t>(n.iReadMsgPos + n.iReadBytes))};
        if (onRead)
            onRead(n, i);
        else
            ResetReadState(i);
        // Recorded last, so a test that saw the event also sees the node re-armed.
        Record(std::move(e));
    }
    void CallbackUDPReadData(int i, unsigned long addr, unsigned short port) override
    {
        SocketNode& n = m_pNodes[i];
        Record({"udp", i, ntohs(port), std::string(n.pReadBuf, static_cast<size_t>(n.iReadBytes))});
        lastUdpAddr = addr;
        ResetReadState(i);
    }
    void CallbackProxyConnected(int) override { Record({"proxy", 0, 0, ""}); }

    std::int64_t Now() const override { return Stack::Now() + clockOffset.load(); }

    // Waits (at most 10 s) until the recorded events satisfy `done`.
    bool WaitFor(const std::function<bool(const std::vector<Event>&)>& done)
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        return m_cv.wait_for(lock, seconds(10), [&] { return done(m_events); });
    }
    bool WaitForKind(const std::string& kind, size_t count = 1)
    {
        return WaitFor([&](const std::vector<Event>& ev) { return Count(ev, kind) >= count; });
    }
    static size_t Count(const std::vector<Event>& ev, const std::string& kind)
    {
        size_t n = 0;
        for (const Event& e : ev)
            n += e.kind == kind;
        return n;
    }
    std::vector<Event> Events()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_events;
    }

    SocketNode& Node(int i) { return m_pNodes[i]; }
    int MaxIndex() const { return m_iMaxNodeIndex.load(); }

    std::function<void(SocketNode&, int)> onRead;
    std::atomic<std::int64_t> clockOffset{0};
    std::atomic<unsigned long> lastUdpAddr{0};

private:
    void Record(Event e)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_events.push_back(std::move(e));
        m_cv.notify_all();
    }

    std::mutex m_mutex;
    std::condition_variable m_cv;
    std::vector<Event> m_events;
};

size_t Occurrences(const std::string& text, const std::string& what)
{
    size_t n = 0;
    for (size_t p = text.find(what); p != std::string::npos; p = text.find(what, p + 1))
        ++n;
    return n;
}

} // namespace

TEST(Stack, ReadsMessagesInStepsWhateverTheSegments)
{
    RawListener server;
    TestStack stack;
    // Messages are one length byte and a body: the header step asks for the body behind it.
    stack.onRead = [&](SocketNode& n, int i)
    {
        if (n.iReadMsgPos == 0)
        {
            n.iReadMsgPos = 1;
            n.iReadMsgLen = static_cast<unsigned char>(n.pReadBuf[0]);
            n.iReadBytes = 0;
        }
        else
        {
            stack.ResetReadState(i);
        }
    };
    int index = stack.ConnectTCP("127.0.0.1", server.port, 1, 0, 0);
    ASSERT_EQ(index, 0);
    int peer = server.Accept();
    ASSERT_TRUE(stack.Start());

    ASSERT_TRUE(SendAll(peer, std::string("\x03"
                                          "abc\x02"
                                          "de\x05"
                                          "fg",
                                          10)));
    ASSERT_TRUE(SendAll(peer, "hij"));
    ASSERT_TRUE(stack.WaitForKind("read", 6));
    std::vector<std::string> bodies;
    for (const Event& e : stack.Events())
    {
        if (e.kind == "read" && e.arg == 1)
            bodies.push_back(e.data.substr(1));
    }
    EXPECT_EQ(bodies, (std::vector<std::string>{"abc", "de", "fghij"}));
    close(peer);
}

TEST(Stack, PeerClosingMidMessageIsLoggedAndReportedOnce)
{
    RawListener server;
    TestStack stack;
    int index = stack.ConnectTCP("127.0.0.1", server.port, 4, 0, 0);
    ASSERT_GE(index, 0);
    int peer = server.Accept();
    ASSERT_TRUE(SendAll(peer, "ab")); // half a header, then gone
    close(peer);
    testing::internal::CaptureStdout();
    ASSERT_TRUE(stack.Start());
    ASSERT_TRUE(stack.WaitForKind("del"));
    stack.Stop();
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(Occurrences(out, "tcp read read_bytes:0error:"), 1u) << out;
    EXPECT_EQ(Occurrences(out, "[TCPReadData]\tread_bytes[0]pos[0]total[2]read[4]"), 1u) << out;
    auto ev = stack.Events();
    ASSERT_EQ(TestStack::Count(ev, "del"), 1u);
    EXPECT_EQ(TestStack::Count(ev, "read"), 0u);
    EXPECT_EQ(ev.back().kind, "del");
    EXPECT_EQ(ev.back().arg, 0);
    EXPECT_EQ(stack.MaxIndex(), -1);
}

TEST(Stack, KillFlagClosesWithinAPassAndOnlyReportsTheKill)
{
    RawListener server;
    TestStack stack;
    ASSERT_EQ(stack.ConnectTCP("127.0.0.1", server.port, 4, 0, 0), 0);
    ASSERT_EQ(stack.ConnectTCP("127.0.0.1", server.port, 4, 0, 0), 1);
    int peer0 = server.Accept();
    int peer1 = server.Accept();
    ASSERT_TRUE(stack.Start());
    stack.SetKillFlag(1, 1);
    stack.SetKillFlag(-1, 1); // outside the table: ignored
    stack.SetKillFlag(99, 1);
    ASSERT_TRUE(stack.WaitForKind("kill"));
    // The peer sees the close; the stack falls back to the lower open node.
    EXPECT_EQ(RecvExactly(peer1, 1), "");
    stack.Stop();
    EXPECT_EQ(TestStack::Count(stack.Events(), "del"), 0u);
    EXPECT_EQ(stack.MaxIndex(), 0);
    EXPECT_EQ(stack.Node(1).iSocket, 0);
    close(peer0);
    close(peer1);
}

TEST(Stack, FullTableRefusesAndClosedSlotsWaitBeforeReuse)
{
    TestStack stack(2);
    int pairs[3][2];
    for (auto& p : pairs)
        ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, p), 0);
    EXPECT_EQ(stack.AddSocketNode(pairs[0][0], 3, 4, 0, false), 0);
    EXPECT_EQ(stack.AddSocketNode(pairs[1][0], 3, 4, 0, true), 1);
    testing::internal::CaptureStdout();
    EXPECT_EQ(stack.AddSocketNode(pairs[2][0], 3, 4, 0, false), -1);
    EXPECT_NE(testing::internal::GetCapturedStdout().find("add socket node error, execeed max node num."),
              std::string::npos);

    stack.DelSocketNode(1, true, 0);
    EXPECT_EQ(stack.MaxIndex(), 0);
    EXPECT_EQ(stack.AddSocketNode(pairs[2][0], 3, 4, 0, false), -1); // closed just now
    stack.clockOffset = 6;
    EXPECT_EQ(stack.AddSocketNode(pairs[2][0], 3, 4, 0, false), 1);
    auto ev = stack.Events();
    ASSERT_EQ(ev.size(), 2u);
    EXPECT_EQ(ev[0].kind, "add");
    EXPECT_EQ(ev[1].kind, "del");
    EXPECT_EQ(stack.AddSocketNode(0, 3, 4, 0, false), -1); // 0 marks a free slot, never a socket
    for (auto& p : pairs)
        close(p[1]);
}

TEST(Stack, WriteDataTakesExactlyTheFreeSpace)
{
    TestStack stack(2, 16, 10);
    int p[2];
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, p), 0);
    ASSERT_EQ(stack.AddSocketNode(p[0], 3, 4, 0, false), 0);
    ASSERT_GT(SaturateSocket(p[0]), 0u); // the socket takes nothing more: WriteData must queue
    EXPECT_EQ(stack.WriteData(0, "abcd", 4), 4);
    EXPECT_EQ(stack.WriteData(0, "efghij", 6), 6);
    testing::internal::CaptureStdout();
    EXPECT_EQ(stack.WriteData(0, "k", 1), -1);
    EXPECT_EQ(stack.WriteData(1, "k", 1), -1);
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("write buffer error, index:0 data_size:1 empty:[0]-[10]=10"), std::string::npos) << out;
    EXPECT_NE(out.find("socket index error, index:1 max_node_index:0"), std::string::npos) << out;
    EXPECT_EQ(std::string(stack.Node(0).pWriteBuf, 10), "abcdefghij"); // nothing cut, nothing lost
    close(p[1]);
}

TEST(Stack, WriteDataOnAnIdleNodeSendsAtOnceWithoutTheStackThread)
{
    TestStack stack(2, 16, 10);
    int p[2];
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, p), 0);
    ASSERT_EQ(stack.AddSocketNode(p[0], 3, 4, 0, false), 0);
    // Two blocks that together exceed the write buffer: neither waits in it.
    EXPECT_EQ(stack.WriteData(0, "abcdefgh", 8), 8);
    EXPECT_EQ(stack.Node(0).iWriteLen, 0);
    EXPECT_EQ(stack.WriteData(0, "ijklmnop", 8), 8);
    EXPECT_EQ(stack.Node(0).iWriteLen, 0);
    EXPECT_EQ(RecvExactly(p[1], 16), "abcdefghijklmnop");
    close(p[1]);
}

TEST(Stack, ReadStepPastTheBufferClosesTheNode)
{
    RawListener server;
    TestStack stack(2, 16, 16);
    stack.onRead = [](SocketNode& n, int)
    {
        n.iReadMsgPos = 4;
        n.iReadMsgLen = 13; // 4 + 13 > 16
        n.iReadBytes = 0;
    };
    ASSERT_EQ(stack.ConnectTCP("127.0.0.1", server.port, 4, 0, 0), 0);
    int peer = server.Accept();
    testing::internal::CaptureStdout();
    ASSERT_TRUE(stack.Start());
    ASSERT_TRUE(SendAll(peer, "headbody"));
    ASSERT_TRUE(stack.WaitForKind("del"));
    stack.Stop();
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("[ReadBuffError]\tread_buffer_size[16]read_msg_pos[4]>read_msg_len[13]"), std::string::npos)
        << out;
    close(peer);
}

TEST(Stack, TimeOutRunsFromTheLastCompletedMessage)
{
    RawListener server;
    TestStack stack;
    ASSERT_EQ(stack.ConnectTCP("127.0.0.1", server.port, 4, 30, 0), 0);
    int peer = server.Accept();
    testing::internal::CaptureStdout();
    ASSERT_TRUE(stack.Start());
    ASSERT_TRUE(SendAll(peer, "ping"));
    ASSERT_TRUE(stack.WaitForKind("read"));
    EXPECT_EQ(TestStack::Count(stack.Events(), "timeout"), 0u);
    stack.clockOffset = 31;
    stack.Wake();
    ASSERT_TRUE(stack.WaitForKind("del"));
    stack.Stop();
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("socket node time out, socket:"), std::string::npos) << out;
    auto ev = stack.Events();
    EXPECT_EQ(TestStack::Count(ev, "timeout"), 1u);
    EXPECT_EQ(ev.back().arg, 0);
    close(peer);
}

TEST(Stack, ListenerAcceptsConnectionsAsNodesOfItsOwn)
{
    TestStack stack(4);
    int listener = stack.ListenTCP("127.0.0.1", 0, 2, 0);
    ASSERT_EQ(listener, 0);
    int port = stack.GetLocalPort(listener);
    ASSERT_GT(port, 0);
    ASSERT_TRUE(stack.Start());
    int client = RawConnect(port);
    ASSERT_GE(client, 0);
    ASSERT_TRUE(stack.WaitForKind("add", 2));
    auto ev = stack.Events();
    EXPECT_EQ(ev[1].index, 1);
    EXPECT_EQ(ev[1].arg, 2); // an accepted connection
    ASSERT_TRUE(SendAll(client, "hi"));
    ASSERT_TRUE(stack.WaitForKind("read"));
    EXPECT_EQ(stack.WriteData(1, "back", 4), 4);
    EXPECT_EQ(RecvExactly(client, 4), "back");
    close(client);
    ASSERT_TRUE(stack.WaitForKind("del"));
    EXPECT_EQ(stack.Node(0).iSocket > 0, true); // the listener stays
}

TEST(Stack, DatagramsArriveWithTheirSender)
{
    TestStack stack(2, 64, 64);
    int index = stack.OpenUDP("127.0.0.1", 0, 4);
    ASSERT_EQ(index, 0);
    int port = stack.GetLocalPort(index);
    ASSERT_TRUE(stack.Start());

    int udp = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    to.sin_port = htons(static_cast<uint16_t>(port));
    ASSERT_EQ(sendto(udp, "", 0, 0, reinterpret_cast<sockaddr*>(&to), sizeof(to)), 0);
    ASSERT_EQ(sendto(udp, "datagram", 8, 0, reinterpret_cast<sockaddr*>(&to), sizeof(to)), 8);
    ASSERT_TRUE(stack.WaitForKind("udp", 2));
    auto ev = stack.Events();
    EXPECT_EQ(ev[1].data, "");
    EXPECT_EQ(ev[2].data, "datagram");
    sockaddr_in me{};
    socklen_t len = sizeof(me);
    getsockname(udp, reinterpret_cast<sockaddr*>(&me), &len);
    EXPECT_EQ(ev[2].arg, ntohs(me.sin_port));
    EXPECT_EQ(stack.lastUdpAddr, htonl(INADDR_LOOPBACK));
    EXPECT_EQ(TestStack::Count(ev, "del"), 0u); // an empty datagram does not close the node

    EXPECT_EQ(stack.SendDatagram(index, me.sin_addr.s_addr, me.sin_port, "re", 2), 2);
    char buf[8];
    EXPECT_EQ(recv(udp, buf, sizeof(buf), 0), 2);
    close(udp);
}

TEST(Stack, WritesFromAnotherThreadArriveWholeAndInOrder)
{
    RawListener server;
    TestStack stack(2, 64, 256);
    ASSERT_EQ(stack.ConnectTCP("127.0.0.1", server.port, 4, 0, 0), 0);
    int peer = server.Accept();
    ASSERT_TRUE(stack.Start());

    constexpr int kBlocks = 2000;
    std::string expected;
    for (int i = 0; i < kBlocks; ++i)
        expected += "<" + std::to_string(i) + ">";
    testing::internal::CaptureStdout(); // every refused block is logged
    std::thread writer(
        [&]
        {
            for (int i = 0; i < kBlocks; ++i)
            {
                std::string block = "<" + std::to_string(i) + ">";
                // A full buffer refuses the whole block; try again once the stack has sent some.
                while (stack.WriteData(0, block.data(), static_cast<int>(block.size())) < 0)
                    std::this_thread::yield();
            }
        });
    std::string got = RecvExactly(peer, expected.size());
    writer.join();
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(got, expected);
    close(peer);
}

TEST(Stack, ConnectFailuresAreBoundedAndLogged)
{
    int closedPort;
    {
        RawListener gone;
        closedPort = gone.port;
    }
    TestStack stack;
    testing::internal::CaptureStdout();
    EXPECT_EQ(stack.ConnectTCP("127.0.0.1", closedPort, 4, 0, 0), -1);
    EXPECT_EQ(stack.ConnectTCP("not an address", 80, 4, 0, 0), -1);

    // A listener whose queue is full lets new connections hang: the wait must end by itself.
    RawListener full(0);
    std::vector<int> fillers;
    for (int i = 0; i < 4; ++i)
    {
        int fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
        sockaddr_in sa{};
        sa.sin_family = AF_INET;
        sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        sa.sin_port = htons(static_cast<uint16_t>(full.port));
        connect(fd, reinterpret_cast<sockaddr*>(&sa), sizeof(sa));
        fillers.push_back(fd);
    }
    stack.m_iConnectTimeoutMs = 300;
    int index = stack.ConnectTCP("127.0.0.1", full.port, 4, 0, 0);
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("[Net_SetupTCPClient]\tconnect, error:111-111"), std::string::npos) << out;
    EXPECT_EQ(index, -1);
    EXPECT_NE(out.find("connect, error:110-110"), std::string::npos) << out; // timed out
    for (int fd : fillers)
        close(fd);
}
