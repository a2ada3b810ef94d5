// The session against the local game server, tessaro-devserver, run as a child process: its
// scenarios shape what the game receives (segments, batches, floods, broken frames, a close) and
// its report shows what the game sent.
#include "tests/support/DevServerProcess.h"
#include "tests/support/SessionHarness.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace
{

using namespace testsupport;

const char kLostText[] =
    "与游戏服务器连接中断，请确保您的网络在2分钟内恢复正常，双击大厅左侧相应房间，即可重新继续游戏！";

class DevServerSession : public ::testing::Test
{
protected:
    // Starts the server with its options and scenario and opens the session to it.
    void Start(std::vector<std::string> args, const std::string& script)
    {
        server = std::make_unique<DevServerProcess>(std::move(args), script);
        ASSERT_TRUE(server->Started()) << server->Stderr();
        ASSERT_GE(game.OpenSessionTo(server->Port()), 0);
        ASSERT_TRUE(server->WaitForLine("\"event\":\"connect\"", kWaitMs)) << server->Stderr();
    }

    void SendFromGame(int type, const std::string& body)
    {
        std::string msg = Message(0, body);
        game.wnd.SendNetMessage(&msg[0], type, static_cast<int>(msg.size()));
    }

    std::vector<std::string> Lines(const std::string& what, size_t count)
    {
        return server->WaitForLines(what, count, kWaitMs);
    }

    LogCapture log;
    std::unique_ptr<DevServerProcess> server; // outlives the session, which closes first
    TestGame game;
};

} // namespace

TEST_F(DevServerSession, SplitBatchedAndFloodedMessagesArriveWholeAndInOrder)
{
    const std::string first = Message(26, SequenceBody(7, 100));
    // One frame in forty segments, a hundred frames in one, then a flood.
    const std::string script =
        "split 40 1\nsend 26 " + Hex(first.substr(8)) + "\nbatch 100\nsend seq 26 100 16\nsend seq 26 10000 8\n";
    ASSERT_NO_FATAL_FAILURE((Start({"--quiet"}, script)));
    constexpr size_t kTotal = 1 + 100 + 10000;
    ASSERT_TRUE(game.PumpUntil([&] { return game.GameMessages() >= kTotal; }, 60000)) << game.GameMessages();
    const auto& got = game.journal.entries;
    ASSERT_EQ(got.size(), kTotal);
    EXPECT_EQ(got[0].bytes, first);
    for (std::uint32_t i = 0; i < 100; ++i)
    {
        ASSERT_EQ(got[1 + i].bytes.size(), 24u) << i;
        ASSERT_EQ(SequenceOf(got[1 + i].bytes), i);
    }
    for (std::uint32_t i = 0; i < 10000; ++i)
    {
        ASSERT_EQ(got[101 + i].bytes.size(), 16u) << i;
        ASSERT_EQ(SequenceOf(got[101 + i].bytes), i);
    }
    EXPECT_TRUE(game.harness.MessageBoxes().empty());
}

TEST_F(DevServerSession, TenThousandEchoedMessagesComeBackInOrder)
{
    ASSERT_NO_FATAL_FAILURE((Start({"--echo", "26", "--quiet"}, "")));
    constexpr std::uint32_t kCount = 10000;
    // A game sends as it plays: never far ahead of what it has handled.
    constexpr std::uint32_t kAhead = 100;
    std::uint32_t sent = 0;
    const auto deadline = DeadlineIn(60000);
    while (game.GameMessages() < kCount && SteadyClock::now() < deadline)
    {
        while (sent < kCount && sent < game.GameMessages() + kAhead)
        {
            SendFromGame(26, SequenceBody(sent, static_cast<int>(4 + sent % 200)));
            ++sent;
        }
        game.harness.PumpMessages(10);
    }
    ASSERT_EQ(game.GameMessages(), kCount);
    for (std::uint32_t i = 0; i < kCount; ++i)
    {
        const std::string& bytes = game.journal.entries[i].bytes;
        ASSERT_EQ(bytes, Message(26, SequenceBody(i, static_cast<int>(4 + i % 200)))) << i;
    }
    EXPECT_FALSE(log.Contains("write buffer error")) << log.Text().substr(0, 2000);
}

TEST_F(DevServerSession, DelayedNoticesLeaveOnePerFrameInOrder)
{
    ASSERT_NO_FATAL_FAILURE((Start({}, "batch 20\nsend seq 52 20\n")));
    ASSERT_TRUE(game.PumpUntil([&] { return game.journal.Count("HandlePlayerInfoNotice") == 20; }));
    const auto notices = game.journal.Of("HandlePlayerInfoNotice");
    for (std::uint32_t i = 0; i < 20; ++i)
        EXPECT_EQ(SequenceOf(notices[i].bytes), i);
    EXPECT_EQ(game.view.updateBtnChair, 20);
}

TEST_F(DevServerSession, SittingDownRunsTheNetTestThroughTheServer)
{
    Ostra::g_AppInfo.iWatchChairId = -1;
    ASSERT_NO_FATAL_FAILURE((Start({}, "send 34 " + std::string(32, '0') + "\n")));
    // The game's probe (stage 0) comes back from the server's probe handler; the game answers
    // it with stage 2 and the round trip.
    const std::string probeLine = "\"event\":\"recv\",\"conn\":1,\"type\":1,";
    ASSERT_TRUE(game.PumpUntil([&] { return server->WaitForLines(probeLine, 2, 0).size() == 2; })) << server->Stderr();
    const auto probes = Lines(probeLine, 2);
    EXPECT_EQ(JsonStr(probes[0], "body").value_or(""), std::string(24, '0'));
    const std::string answer = JsonStr(probes[1], "body").value_or("");
    ASSERT_EQ(answer.size(), 24u);
    EXPECT_EQ(answer.substr(0, 8), "02000000");
    EXPECT_EQ(answer.substr(16), "00000000");
    ASSERT_TRUE(game.PumpUntil([&] { return game.view.updateBtnChair == 1; }));
    EXPECT_EQ(game.journal.Count("HandleSitDownRes"), 1u);
}

TEST_F(DevServerSession, WrongFrameVersionIsShownAndEndsTheSession)
{
    ASSERT_NO_FATAL_FAILURE((Start({}, "send 26 01\nframe-version 2\nsend 26 02\n")));
    ASSERT_TRUE(game.PumpUntil([&] { return game.app.IsShuttingDown(); }));
    EXPECT_EQ(game.BoxTexts(), (std::vector<std::string>{"消息版本错误！", kLostText}));
    EXPECT_TRUE(game.wnd.m_bDisconnected);
    EXPECT_TRUE(log.Contains("与游戏服务器连接中断CallbackDelSocketNode m_iIndex[0]")) << log.Text();
    EXPECT_TRUE(server->WaitForLine("\"by\":\"client\"", kWaitMs));
    ASSERT_TRUE(game.PumpUntil([&] { return game.GameMessages() == 1; }));
    EXPECT_EQ(game.journal.entries[0].bytes, Message(26, "\x01"));
}

TEST_F(DevServerSession, ShortFrameHeaderEndsTheSession)
{
    ASSERT_NO_FATAL_FAILURE((Start({}, "raw 03000013 " + std::string(30, 'e') + "\n")));
    ASSERT_TRUE(game.PumpUntil([&] { return game.app.IsShuttingDown(); }));
    EXPECT_TRUE(log.Contains("frame length error[19]")) << log.Text();
    EXPECT_EQ(game.BoxTexts(), std::vector<std::string>{kLostText});
    EXPECT_EQ(game.wnd.disconnections, 1);
}

TEST_F(DevServerSession, ServerClosingRunsTheDisconnectPathAndLaterSendsFail)
{
    ASSERT_NO_FATAL_FAILURE((Start({}, "send 26 00\nclose\n")));
    ASSERT_TRUE(game.PumpUntil([&] { return game.app.IsShuttingDown(); }));
    EXPECT_EQ(game.BoxTexts(), std::vector<std::string>{kLostText});
    EXPECT_EQ(game.wnd.disconnections, 1);
    EXPECT_FALSE(game.wnd.IsNetAvailable());
    SendFromGame(26, "late");
    EXPECT_TRUE(log.WaitFor("socket index error, index:-1")) << log.Text();
    EXPECT_TRUE(server->WaitForLine("\"reason\":\"script\"", kWaitMs));
}

TEST_F(DevServerSession, DelServerConnectIsSeenAsTheClientClosing)
{
    ASSERT_NO_FATAL_FAILURE((Start({}, "")));
    SendFromGame(200, "bye");
    ASSERT_TRUE(server->WaitForLine("\"type\":200", kWaitMs));
    game.wnd.DelServerConnect(false);
    const auto closed = server->WaitForLine("\"event\":\"close\"", kWaitMs);
    ASSERT_TRUE(closed);
    EXPECT_EQ(JsonStr(*closed, "by").value_or(""), "client");
    EXPECT_TRUE(game.PumpUntil([&] { return !game.wnd.IsNetAvailable(); }));
    EXPECT_TRUE(game.harness.MessageBoxes().empty());
    EXPECT_FALSE(game.app.IsShuttingDown());
}
