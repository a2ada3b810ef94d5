// tessaro-devserver as a program, over real sockets on 127.0.0.1, with a hand-written client.
#include "tests/devserver/WireClient.h"
#include "tests/support/DevServerProcess.h"
#include "tools/devserver/Outbox.h"
#include "tools/devserver/Templates.h"
#include "tools/devserver/Wire.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <thread>

namespace
{

using namespace devserver;
using devtest::Clock;
using devtest::WireClient;
using std::chrono::milliseconds;
using testsupport::DevServerProcess;
using testsupport::JsonInt;
using testsupport::JsonStr;

constexpr int kWaitMs = 3000;

// The first line of an event (for a connection).
std::optional<std::string> Event(DevServerProcess& server, const std::string& event, int conn = 0)
{
    return server.WaitForLine(
        [&](const std::string& line)
        { return JsonStr(line, "event") == event && (conn == 0 || JsonInt(line, "conn") == conn); },
        kWaitMs);
}

TEST(DevServer, ListenLineComesFirstWithThePort)
{
    DevServerProcess server;
    ASSERT_TRUE(server.Started()) << server.Stderr();
    const std::vector<std::string> lines = server.Lines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines[0], "{\"event\":\"listen\",\"host\":\"127.0.0.1\",\"port\":" + std::to_string(server.Port()) + "}");
    WireClient client(server.Port());
    EXPECT_TRUE(client.Connected());
}

TEST(DevServer, ProbeIsSentBackUnchanged)
{
    DevServerProcess server;
    ASSERT_TRUE(server.Started()) << server.Stderr();
    WireClient client(server.Port());
    std::string probe = ProbeMessage();
    probe[15] = 0x5A; // bytes the server must not touch
    ASSERT_TRUE(client.SendMessage(probe));
    EXPECT_EQ(client.ReadMessage(kWaitMs), probe);

    const std::optional<std::string> connect = Event(server, "connect");
    ASSERT_TRUE(connect);
    EXPECT_EQ(JsonInt(*connect, "conn"), 1);
    EXPECT_EQ(JsonStr(*connect, "peer").value_or("").rfind("127.0.0.1:", 0), 0u);
    const std::optional<std::string> recv = Event(server, "recv");
    ASSERT_TRUE(recv);
    EXPECT_EQ(JsonInt(*recv, "type"), 1);
    EXPECT_EQ(JsonInt(*recv, "len"), 20);
    EXPECT_EQ(JsonStr(*recv, "body"), "00000000000000"
                                      "5a"
                                      "00000000");
    const std::optional<std::string> send = Event(server, "send");
    ASSERT_TRUE(send);
    EXPECT_EQ(JsonStr(*send, "body"), JsonStr(*recv, "body"));
}

TEST(DevServer, OnlyStageZeroProbesAndEchoTypesAreAnswered)
{
    DevServerProcess server({"--echo", "200-202,7"});
    ASSERT_TRUE(server.Started()) << server.Stderr();
    WireClient client(server.Port());
    // Each unanswered message goes first: had it been answered, that answer would arrive before
    // the answer to the message after it.
    const std::vector<std::pair<std::string, bool>> plan = {
        {KeepAliveMessage(), false},    {GameMessage(200, "a"), true}, {NetDelayMessage(5, 1), false},
        {GameMessage(203, "b"), false}, {GameMessage(202, "c"), true}, {GameMessage(7, ""), true},
        {GameMessage(8, "d"), false},   {ProbeMessage(), true},
    };
    for (const auto& step : plan)
        ASSERT_TRUE(client.SendMessage(step.first));
    for (const auto& step : plan)
    {
        if (step.second)
        {
            EXPECT_EQ(client.ReadMessage(kWaitMs), step.first);
        }
    }
    // The connection carried nothing else.
    ASSERT_TRUE(client.SendMessage(GameMessage(201, "end")));
    EXPECT_EQ(client.ReadMessage(kWaitMs), GameMessage(201, "end"));
}

TEST(DevServer, ScriptSendsMessagesTemplatesAndRawBytes)
{
    DevServerProcess server({}, "send 9 0102 03\n"
                                "send netdelay 250 3\n"
                                "sendmsg 04 05 0000 00000001 ee\n"
                                "frame-version 6\n"
                                "send keepalive\n"
                                "send 10\n"
                                "raw 03 00 00 04\n"
                                "raw deadbeef\n");
    ASSERT_TRUE(server.Started()) << server.Stderr();
    WireClient client(server.Port());
    EXPECT_EQ(client.ReadMessage(kWaitMs), GameMessage(9, "\x01\x02\x03"));
    EXPECT_EQ(client.ReadMessage(kWaitMs), NetDelayMessage(250, 3));
    EXPECT_EQ(client.ReadMessage(kWaitMs), std::string("\x04\x05\x00\x00\x00\x00\x00\x01\xee", 9));
    // The version applies to one frame only.
    const std::optional<std::string> odd = client.ReadFrame(kWaitMs);
    ASSERT_TRUE(odd);
    EXPECT_EQ(static_cast<unsigned char>((*odd)[0]), 6);
    EXPECT_EQ(WireClient::Open(*odd), KeepAliveMessage());
    const std::optional<std::string> normal = client.ReadFrame(kWaitMs);
    ASSERT_TRUE(normal);
    EXPECT_EQ(static_cast<unsigned char>((*normal)[0]), 3);
    EXPECT_EQ(WireClient::Open(*normal), GameMessage(10, ""));
    EXPECT_EQ(client.ReadExactly(8, kWaitMs), std::string("\x03\x00\x00\x04\xde\xad\xbe\xef", 8));

    const std::vector<std::string> raws = server.WaitForLines("\"event\":\"send-raw\"", 2, kWaitMs);
    ASSERT_EQ(raws.size(), 2u);
    EXPECT_EQ(JsonStr(raws[0], "hex"), "03000004");
    EXPECT_EQ(JsonStr(raws[1], "hex"), "deadbeef");
    EXPECT_EQ(JsonInt(raws[1], "len"), 4);
    const std::optional<std::string> odd6 = server.WaitForLine("\"frame_version\":6", kWaitMs);
    ASSERT_TRUE(odd6);
    EXPECT_EQ(JsonInt(*odd6, "type"), 26);
    const std::optional<std::string> end = Event(server, "script-end");
    ASSERT_TRUE(end);
    EXPECT_NE(end->find("\"completed\":true"), std::string::npos);
}

TEST(DevServer, SplitFrameArrivesInSeparatePieces)
{
    constexpr int kGapMs = 80;
    const std::string body(52, '\x11');
    DevServerProcess server({}, "split 3 " + std::to_string(kGapMs) + "\nsend 12 " + ToHex(body) + "\n");
    ASSERT_TRUE(server.Started()) << server.Stderr();
    WireClient client(server.Port());
    // 80 bytes on the wire: pieces of 27, 27 and 26.
    std::string frame;
    std::vector<size_t> reads;
    Clock::time_point last{};
    while (frame.size() < 80)
    {
        const std::optional<std::string> got = client.ReadSome(4096, kWaitMs);
        ASSERT_TRUE(got && !got->empty()) << "after " << frame.size() << " bytes";
        frame += *got;
        reads.push_back(frame.size());
        last = Clock::now();
    }
    EXPECT_EQ(frame.size(), 80u);
    EXPECT_EQ(WireClient::Open(frame), GameMessage(12, body));
    // Every read ends where a piece ends, and the last piece cannot have come before two gaps.
    ASSERT_GE(reads.size(), 2u);
    for (size_t end : reads)
        EXPECT_TRUE(end == 27 || end == 54 || end == 80) << end;
    EXPECT_GE(last - client.connectedAt, milliseconds(2 * kGapMs));
    const std::optional<std::string> send = Event(server, "send");
    ASSERT_TRUE(send);
    EXPECT_EQ(JsonInt(*send, "pieces"), 3);
}

TEST(DevServer, BatchArrivesInOneRead)
{
    DevServerProcess server({}, "batch 3\nsend 1 aa\nraw 0102\nsend 3 cccc\n");
    ASSERT_TRUE(server.Started()) << server.Stderr();
    WireClient client(server.Port());
    const std::optional<std::string> got = client.ReadSome(65536, kWaitMs);
    ASSERT_TRUE(got);
    ASSERT_EQ(got->size(), 29u + 2u + 30u);
    EXPECT_EQ(WireClient::Open(got->substr(0, 29)), GameMessage(1, "\xaa"));
    EXPECT_EQ(got->substr(29, 2), "\x01\x02");
    EXPECT_EQ(WireClient::Open(got->substr(31)), GameMessage(3, "\xcc\xcc"));
    const std::vector<std::string> lines = server.WaitForLines("\"batch\":3", 3, kWaitMs);
    EXPECT_EQ(lines.size(), 3u);
}

TEST(DevServer, ScriptCloseSendsEverythingFirst)
{
    DevServerProcess server({}, "send seq 5 20 100\nclose\nsend 6\n");
    ASSERT_TRUE(server.Started()) << server.Stderr();
    WireClient client(server.Port());
    for (std::uint32_t i = 0; i < 20; ++i)
        ASSERT_EQ(client.ReadMessage(kWaitMs), SeqMessage(5, i, 100)) << i;
    EXPECT_TRUE(client.WaitForClose(kWaitMs));
    const std::optional<std::string> close = Event(server, "close");
    ASSERT_TRUE(close);
    EXPECT_EQ(JsonStr(*close, "by"), "server");
    EXPECT_EQ(JsonStr(*close, "reason"), "script");
    EXPECT_EQ(server.WaitForLines("\"event\":\"send\"", 21, 200).size(), 20u);
}

TEST(DevServer, BadFramesCloseTheConnection)
{
    struct Case
    {
        std::string header;
        const char* reason;
    };
    const Case cases[] = {
        {std::string("\x04\x00\x00\x20", 4), "frame version 4"},
        {std::string("\x03\x00\x00\x13", 4), "frame length 19 below"},
        {std::string("\x03\x00\x00\x00", 4), "frame length 0 below"},
        {std::string("\x03\x00\x78\x81", 4), "frame length 30849 above the read buffer (30848)"},
        {std::string("\x03\x00\xff\xff", 4), "frame length 65535 above"},
    };
    DevServerProcess server({"--echo", "9"});
    ASSERT_TRUE(server.Started()) << server.Stderr();
    int conn = 0;
    for (const Case& c : cases)
    {
        ++conn;
        WireClient client(server.Port());
        // A good message first: the bad frame must end a connection that worked.
        ASSERT_TRUE(client.SendMessage(GameMessage(9, "ok")));
        ASSERT_EQ(client.ReadMessage(kWaitMs), GameMessage(9, "ok"));
        ASSERT_TRUE(client.SendRaw(c.header));
        EXPECT_TRUE(client.WaitForClose(kWaitMs)) << c.reason;
        const std::optional<std::string> bad = Event(server, "bad-frame", conn);
        ASSERT_TRUE(bad) << c.reason;
        EXPECT_NE(JsonStr(*bad, "reason").value_or("").find(c.reason), std::string::npos) << *bad;
        EXPECT_EQ(JsonStr(*bad, "hex"), ToHex(c.header));
        const std::optional<std::string> close = Event(server, "close", conn);
        ASSERT_TRUE(close);
        EXPECT_EQ(JsonStr(*close, "reason"), "bad-frame");
    }
}

TEST(DevServer, OddMessagesInGoodFramesAreReportedAndTheConnectionLives)
{
    DevServerProcess server({"--echo", "9"});
    ASSERT_TRUE(server.Started()) << server.Stderr();
    WireClient client(server.Port());
    // An empty message (the smallest frame), one shorter than a header, and one whose header has
    // another version and a length field that does not match.
    ASSERT_TRUE(client.SendMessage(""));
    ASSERT_TRUE(client.SendMessage(std::string("\x03\x09\x00", 3)));
    ASSERT_TRUE(client.SendMessage(std::string("\x05\x09\x00\x00\x00\x00\x00\x63\x01", 9)));
    const std::vector<std::string> recv = server.WaitForLines("\"event\":\"recv\"", 3, kWaitMs);
    ASSERT_EQ(recv.size(), 3u);
    EXPECT_EQ(JsonInt(recv[0], "len"), 0);
    EXPECT_EQ(JsonStr(recv[0], "hex"), "");
    EXPECT_EQ(JsonStr(recv[1], "hex"), "030900");
    EXPECT_FALSE(JsonInt(recv[1], "type"));
    EXPECT_EQ(JsonInt(recv[2], "version"), 5);
    EXPECT_EQ(JsonInt(recv[2], "length_field"), 99);
    // The last one is of an echo type all the same.
    EXPECT_EQ(client.ReadMessage(kWaitMs), std::string("\x05\x09\x00\x00\x00\x00\x00\x63\x01", 9));
}

TEST(DevServer, LatencyDelaysTheAnswer)
{
    constexpr int kLatencyMs = 150;
    DevServerProcess server({"--latency", std::to_string(kLatencyMs)});
    ASSERT_TRUE(server.Started()) << server.Stderr();
    WireClient client(server.Port());
    const Clock::time_point sent = Clock::now();
    ASSERT_TRUE(client.SendMessage(ProbeMessage()));
    ASSERT_EQ(client.ReadMessage(kWaitMs + kLatencyMs), ProbeMessage());
    EXPECT_GE(Clock::now() - sent, milliseconds(kLatencyMs));
}

TEST(DevServer, ClientsAreServedAtOnceEachWithItsOwnScript)
{
    DevServerProcess server({"--echo", "50"}, "expect 50\nsend 51 01\n");
    ASSERT_TRUE(server.Started()) << server.Stderr();
    WireClient a(server.Port());
    WireClient b(server.Port());
    ASSERT_TRUE(Event(server, "connect", 2));
    // b first: each script waits for its own client only.
    ASSERT_TRUE(b.SendMessage(GameMessage(50, "bb")));
    EXPECT_EQ(b.ReadMessage(kWaitMs), GameMessage(50, "bb"));
    EXPECT_EQ(b.ReadMessage(kWaitMs), GameMessage(51, "\x01"));
    ASSERT_TRUE(a.SendMessage(GameMessage(50, "aa")));
    EXPECT_EQ(a.ReadMessage(kWaitMs), GameMessage(50, "aa"));
    EXPECT_EQ(a.ReadMessage(kWaitMs), GameMessage(51, "\x01"));
    EXPECT_EQ(server.WaitForLines("\"completed\":true", 2, kWaitMs).size(), 2u);
}

TEST(DevServer, ExpectTimeOutIsReportedAndTheScriptGoesOn)
{
    DevServerProcess server({}, "expect 26 100\nsend 5 01\n");
    ASSERT_TRUE(server.Started()) << server.Stderr();
    WireClient client(server.Port());
    EXPECT_EQ(client.ReadMessage(kWaitMs), GameMessage(5, "\x01"));
    EXPECT_GE(Clock::now() - client.connectedAt, milliseconds(100));
    const std::optional<std::string> error = Event(server, "script-error");
    ASSERT_TRUE(error);
    EXPECT_EQ(JsonInt(*error, "line"), 1);
    EXPECT_EQ(JsonStr(*error, "command"), "expect 26 100");
}

TEST(DevServer, ThousandsOfMessagesArriveWholeAndInOrderForASlowReader)
{
    // About 1.1 MB: far more than the write buffer and the sockets hold, so the server has to wait
    // for the client again and again.
    constexpr std::uint32_t kCount = 5000;
    constexpr int kBodyLen = 200;
    DevServerProcess server({"--quiet"},
                            "send seq 40 " + std::to_string(kCount) + " " + std::to_string(kBodyLen) + "\n");
    ASSERT_TRUE(server.Started()) << server.Stderr();
    WireClient client(server.Port(), 4096);
    const size_t frameLen = 8 + kBodyLen + 20;
    std::string pending;
    std::uint32_t next = 0;
    int reads = 0;
    while (next < kCount)
    {
        const std::optional<std::string> got = client.ReadSome(2048, kWaitMs);
        ASSERT_TRUE(got && !got->empty()) << "stopped after message " << next;
        pending += *got;
        while (pending.size() >= frameLen)
        {
            ASSERT_EQ(client.Open(pending.substr(0, frameLen)), SeqMessage(40, next, kBodyLen)) << next;
            pending.erase(0, frameLen);
            ++next;
        }
        // A slow client: it takes its time over the first few hundred reads.
        if (++reads < 300)
            std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
    EXPECT_TRUE(pending.empty());
    EXPECT_TRUE(server.WaitForLine("\"completed\":true", kWaitMs));
}

// What the latency still holds back is no backlog: the client has not been able to read any of
// it. Half as much again as the limit waits out the latency at once, then arrives whole.
TEST(DevServer, BytesTheLatencyHoldsBackAreNoBacklog)
{
    constexpr int kLatencyMs = 5000;
    DevServerProcess server({"--quiet", "--echo", "200", "--latency", std::to_string(kLatencyMs)});
    ASSERT_TRUE(server.Started()) << server.Stderr();
    WireClient client(server.Port());
    const std::string msg = GameMessage(200, std::string(20000, 'x'));
    const size_t count = 3 * Outbox::kBacklogLimit / 2 / msg.size();
    for (size_t i = 0; i < count; ++i)
        ASSERT_TRUE(client.SendMessage(msg)) << i;
    for (size_t i = 0; i < count; ++i)
    {
        const std::optional<std::string> echo = client.ReadMessage(kLatencyMs + kWaitMs);
        ASSERT_TRUE(echo && *echo == msg) << "echo " << i << " of " << count << "\n" << server.Report();
    }
    EXPECT_FALSE(server.WaitForLine("\"event\":\"close\"", 0)) << server.Report();
}

TEST(DevServer, AClientThatStopsReadingIsClosedOnceItsBacklogPassesTheLimit)
{
    DevServerProcess server({"--quiet", "--echo", "200"});
    ASSERT_TRUE(server.Started()) << server.Stderr();
    WireClient client(server.Port(), 4096);
    // Echoes of four times the limit: more than the limit and every socket buffer on the way can
    // hold. The client never reads; the server's close ends its sending.
    const std::string msg = GameMessage(200, std::string(20000, 'x'));
    const size_t most = 4 * Outbox::kBacklogLimit / msg.size();
    size_t sent = 0;
    while (sent < most && client.SendMessage(msg))
        ++sent;
    const std::optional<std::string> close = Event(server, "close", 1);
    ASSERT_TRUE(close);
    EXPECT_EQ(JsonStr(*close, "by"), "server");
    EXPECT_EQ(JsonStr(*close, "reason"), "backlog");
    EXPECT_GT(sent * msg.size(), Outbox::kBacklogLimit) << "closed before the limit";

    WireClient other(server.Port());
    ASSERT_TRUE(other.SendMessage(ProbeMessage()));
    EXPECT_EQ(other.ReadMessage(kWaitMs), ProbeMessage());
}

TEST(DevServer, ClientsBeyondTheLimitAreRefused)
{
    DevServerProcess server({"--max-clients", "1"});
    ASSERT_TRUE(server.Started()) << server.Stderr();
    WireClient first(server.Port());
    ASSERT_TRUE(Event(server, "connect", 1));
    WireClient second(server.Port());
    EXPECT_TRUE(second.WaitForClose(kWaitMs));
    ASSERT_TRUE(Event(server, "refuse"));
    ASSERT_TRUE(first.SendMessage(ProbeMessage()));
    EXPECT_EQ(first.ReadMessage(kWaitMs), ProbeMessage());
}

TEST(DevServer, ClientCloseIsReported)
{
    DevServerProcess server({}, "wait 10000\n");
    ASSERT_TRUE(server.Started()) << server.Stderr();
    {
        WireClient client(server.Port());
        ASSERT_TRUE(Event(server, "connect"));
    }
    const std::optional<std::string> close = Event(server, "close");
    ASSERT_TRUE(close);
    EXPECT_EQ(JsonStr(*close, "by"), "client");
    // The script's runner ends with its connection.
    const std::optional<std::string> end = Event(server, "script-end");
    ASSERT_TRUE(end);
    EXPECT_NE(end->find("\"completed\":false"), std::string::npos);
}

TEST(DevServer, TermStopsCleanly)
{
    DevServerProcess server({}, "send 1\nwait 60000\n");
    ASSERT_TRUE(server.Started()) << server.Stderr();
    WireClient client(server.Port());
    ASSERT_TRUE(client.ReadMessage(kWaitMs));
    const Clock::time_point asked = Clock::now();
    EXPECT_EQ(server.Stop(), 0) << server.Stderr();
    EXPECT_LT(Clock::now() - asked, std::chrono::seconds(2));
    const std::vector<std::string> lines = server.Lines();
    ASSERT_GE(lines.size(), 3u);
    EXPECT_NE(lines.back().find("\"event\":\"script-end\""), std::string::npos) << lines.back();
    EXPECT_TRUE(server.WaitForLine("\"event\":\"stop\",\"signal\":\"SIGTERM\"", 0));
    const std::optional<std::string> close = server.WaitForLine("\"reason\":\"shutdown\"", 0);
    ASSERT_TRUE(close);
    EXPECT_EQ(JsonInt(*close, "conn"), 1);
    EXPECT_TRUE(client.WaitForClose(kWaitMs));
}

TEST(DevServer, JsonLogGoesToItsFile)
{
    char dir[] = "/tmp/devserver-log-XXXXXX";
    ASSERT_TRUE(mkdtemp(dir));
    const std::string fifo = std::string(dir) + "/log";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    // The listen line comes through the fifo: the helper sees none on standard output.
    DevServerProcess server({"--json-log", fifo}, "", 0);
    // Not blocking: a server that failed before opening its end must not hang the test.
    const int fd = open(fifo.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    pollfd p{fd, POLLIN, 0};
    ASSERT_EQ(poll(&p, 1, kWaitMs), 1);
    char buf[256] = {};
    const ssize_t n = read(fd, buf, sizeof buf - 1);
    ASSERT_GT(n, 0);
    const std::string line(buf, static_cast<size_t>(n));
    EXPECT_EQ(line.rfind("{\"event\":\"listen\",\"host\":\"127.0.0.1\",\"port\":", 0), 0u) << line;
    EXPECT_EQ(server.Stop(), 0);
    EXPECT_TRUE(server.Lines().empty());
    close(fd);
    unlink(fifo.c_str());
    rmdir(dir);
}

TEST(DevServer, BadCommandLinesAndScriptsExitWithTwo)
{
    const std::vector<std::vector<std::string>> bad = {
        {"--latency", "-5"},
        {"--echo", "256"},
        {"--listen", "127.0.0.1:99999"},
        {"--bogus"},
        {"--script", "/nonexistent/script.txt"},
        {"--tables", "1", "--players", "/nonexistent/players.txt"},
    };
    for (const std::vector<std::string>& args : bad)
    {
        DevServerProcess server(args, "", 0);
        EXPECT_EQ(server.WaitForExit(kWaitMs, true), 2) << args[0];
        EXPECT_TRUE(server.Lines().empty()) << args[0];
        EXPECT_NE(server.Stderr().find("tessaro-devserver: "), std::string::npos) << server.Stderr();
    }
    DevServerProcess script({}, "send 1\n\n# fine so far\nsplit\n", 0);
    EXPECT_EQ(script.WaitForExit(kWaitMs, true), 2);
    EXPECT_TRUE(script.Lines().empty());
    EXPECT_NE(script.Stderr().find(script.ScriptPath() + ":4: usage: split N [GAP_MS]"), std::string::npos)
        << script.Stderr();
    DevServerProcess room({}, "send 1\nrepeat 2\n  room ready\nend\n", 0);
    EXPECT_EQ(room.WaitForExit(kWaitMs, true), 2);
    EXPECT_NE(room.Stderr().find(room.ScriptPath() + ":3: room needs the table mode"), std::string::npos)
        << room.Stderr();
}

} // namespace
