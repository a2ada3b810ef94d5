// The session over a real connection on 127.0.0.1: the test plays the game server with a plain
// socket, writing frames (or broken bytes) however it likes, and the headless game handles what
// arrives on its main thread.
#include "tests/support/SessionHarness.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace
{

using namespace testsupport;

const char kLostText[] =
    "与游戏服务器连接中断，请确保您的网络在2分钟内恢复正常，双击大厅左侧相应房间，即可重新继续游戏！";

class Session : public ::testing::Test
{
protected:
    // Opens the session to the test's listener and takes the connection.
    void Open()
    {
        ASSERT_GE(game.OpenSessionTo(server.port), 0);
        peer = server.Accept();
        ASSERT_TRUE(peer.Valid());
        ASSERT_TRUE(game.wnd.IsNetAvailable());
    }

    // Waits for the whole disconnect path: the box is the last thing it does before the shutdown.
    void ExpectDisconnectPath()
    {
        ASSERT_TRUE(game.PumpUntil([&] { return game.app.IsShuttingDown(); }));
        EXPECT_TRUE(game.wnd.m_bDisconnected);
        EXPECT_EQ(game.wnd.disconnections, 1);
        EXPECT_FALSE(game.wnd.IsNetAvailable());
        EXPECT_TRUE(log.Contains("与游戏服务器连接中断CallbackDelSocketNode m_iIndex[0]")) << log.Text();
        const auto boxes = game.harness.MessageBoxes();
        ASSERT_FALSE(boxes.empty());
        EXPECT_EQ(boxes.back().text, kLostText);
        EXPECT_EQ(boxes.back().title, "Message");
        EXPECT_TRUE(peer.WaitClosed());
    }

    // Sends a game message through the session as a game does.
    void SendFromGame(int type, const std::string& body)
    {
        std::string msg = Message(0, body);
        game.wnd.SendNetMessage(&msg[0], type, static_cast<int>(msg.size()));
    }

    LogCapture log;
    ServerListener server;
    Peer peer; // declared before the game: the session closes before its peer goes
    TestGame game;
};

std::vector<std::uint32_t> Sequences(const std::vector<Handled>& handled)
{
    std::vector<std::uint32_t> out;
    for (const Handled& h : handled)
        out.push_back(SequenceOf(h.bytes));
    return out;
}

std::vector<std::uint32_t> Range(std::uint32_t from, std::uint32_t to)
{
    std::vector<std::uint32_t> out;
    for (std::uint32_t i = from; i < to; ++i)
        out.push_back(i);
    return out;
}

} // namespace

TEST_F(Session, MessagesArriveWholeAndInOrderWhateverTheSegments)
{
    ASSERT_NO_FATAL_FAILURE(Open());
    std::uint32_t seq = 0;
    auto next = [&](int type, int bodyLen = 4) { return Frame(Message(type, SequenceBody(seq++, bodyLen))); };

    // One frame per write; one frame split into single bytes; fifty frames in one write; frames cut
    // at odd places so that pieces hold the end of one and the start of the next.
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(peer.Send(next(26)));
    ASSERT_TRUE(peer.SendInPieces(next(26, 100), 1));
    std::string burst;
    for (int i = 0; i < 50; ++i)
        burst += next(26, i * 7);
    ASSERT_TRUE(peer.Send(burst));
    std::string odd;
    for (int i = 0; i < 20; ++i)
        odd += next(26, 30);
    ASSERT_TRUE(peer.SendInPieces(odd, 7));
    const std::uint32_t immediate = seq;

    // Delayed types travel the same way and leave the delay queue one per frame, in order.
    for (int i = 0; i < 5; ++i)
        ASSERT_TRUE(peer.SendInPieces(next(200, 40), 3));

    ASSERT_TRUE(game.PumpUntil([&] { return game.GameMessages() == seq; }));
    std::vector<Handled> keepAlives;
    std::vector<Handled> games;
    for (const Handled& h : game.journal.entries)
        (h.type == 26 ? keepAlives : games).push_back(h);
    EXPECT_EQ(Sequences(keepAlives), Range(0, immediate));
    EXPECT_EQ(Sequences(games), Range(immediate, seq));
    // Whole: every message is exactly what the server framed.
    EXPECT_EQ(game.journal.entries[3].bytes, Message(26, SequenceBody(3, 100)));
    EXPECT_EQ(game.journal.entries[4 + 49].bytes, Message(26, SequenceBody(4 + 49, 49 * 7)));
    EXPECT_TRUE(game.harness.MessageBoxes().empty());
}

TEST_F(Session, SlowHandlerGetsItsMessageOnce)
{
    ASSERT_NO_FATAL_FAILURE(Open());
    // The first handler takes longer than one delivery attempt of the dispatcher, as a game's
    // handler does when it loads a table or waits for the player.
    game.wnd.onGameMessage = [&]
    {
        if (game.GameMessages() == 1)
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
    };
    for (std::uint32_t seq = 0; seq < 3; ++seq)
        ASSERT_TRUE(peer.Send(Frame(Message(26, SequenceBody(seq)))));
    ASSERT_TRUE(game.PumpUntil([&] { return game.GameMessages() >= 3; }));
    // A repeated delivery would come before the next message: one more settles it.
    ASSERT_TRUE(peer.Send(Frame(Message(26, SequenceBody(3)))));
    ASSERT_TRUE(game.PumpUntil([&] { return game.GameMessages() >= 4; }));
    EXPECT_EQ(Sequences(game.journal.entries), Range(0, 4));
}

TEST_F(Session, TenThousandMessagesEachWayNoneLostOrderKept)
{
    ASSERT_NO_FATAL_FAILURE(Open());
    constexpr std::uint32_t kCount = 10000;

    // Server to game: written in large chunks while the game pumps.
    std::atomic<bool> written{false};
    std::thread writer(
        [&]
        {
            std::string chunk;
            for (std::uint32_t i = 0; i < kCount; ++i)
            {
                chunk += Frame(Message(26, SequenceBody(i, static_cast<int>(i % 64) + 4)));
                if (chunk.size() > 60000 || i + 1 == kCount)
                {
                    if (!peer.Send(chunk))
                        return;
                    chunk.clear();
                }
            }
            written = true;
        });
    const bool arrived = game.PumpUntil([&] { return game.GameMessages() >= kCount; }, 60000);
    writer.join();
    ASSERT_TRUE(written);
    ASSERT_TRUE(arrived) << game.GameMessages();
    EXPECT_EQ(game.GameMessages(), kCount);
    EXPECT_EQ(Sequences(game.journal.entries), Range(0, kCount));

    // Game to server: read by a thread of the test while the main thread sends.
    std::vector<std::uint32_t> received;
    std::thread reader(
        [&]
        {
            std::string msg;
            while (received.size() < kCount && peer.ReadMessage(msg, 60000))
            {
                if (msg.size() != static_cast<size_t>(8 + 4 + received.size() % 100) || msg[1] != '\xc8')
                    break;
                received.push_back(SequenceOf(msg));
            }
        });
    for (std::uint32_t i = 0; i < kCount; ++i)
        SendFromGame(200, SequenceBody(i, static_cast<int>(4 + i % 100)));
    reader.join();
    EXPECT_EQ(received, Range(0, kCount));
    EXPECT_FALSE(log.Contains("write buffer error")) << log.Text().substr(0, 2000);
    EXPECT_TRUE(game.harness.MessageBoxes().empty());
}

TEST_F(Session, WrongFrameVersionIsShownThenTheConnectionEnds)
{
    ASSERT_NO_FATAL_FAILURE(Open());
    ASSERT_TRUE(peer.Send(Frame(Message(26, "before"))));
    ASSERT_TRUE(peer.Send(Frame(Message(26, "wrong"), 2)));
    ASSERT_NO_FATAL_FAILURE(ExpectDisconnectPath());
    const auto boxes = game.BoxTexts();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0], "消息版本错误！");
    EXPECT_TRUE(log.Contains("frame version error[2]")) << log.Text();
    // What came before the broken frame was handled; nothing of it after.
    ASSERT_TRUE(game.PumpUntil([&] { return game.GameMessages() == 1; }));
    EXPECT_EQ(game.journal.entries[0].bytes, Message(26, "before"));
}

TEST_F(Session, FrameShorterThanItsCipherOverheadEndsTheConnection)
{
    ASSERT_NO_FATAL_FAILURE(Open());
    ASSERT_TRUE(peer.Send(std::string("\x03\x00\x00\x13", 4) + std::string(15, 'x')));
    ASSERT_NO_FATAL_FAILURE(ExpectDisconnectPath());
    EXPECT_TRUE(log.Contains("frame length error[19]")) << log.Text();
    EXPECT_EQ(game.BoxTexts(), std::vector<std::string>{kLostText});
    EXPECT_EQ(game.GameMessages(), 0u);
}

TEST_F(Session, FrameLongerThanTheReadBufferEndsTheConnection)
{
    ASSERT_NO_FATAL_FAILURE(Open());
    // 30849 bytes in all: one more than a node can read.
    ASSERT_TRUE(peer.Send(std::string("\x03\x00\x78\x81", 4)));
    ASSERT_NO_FATAL_FAILURE(ExpectDisconnectPath());
    EXPECT_TRUE(log.Contains("ReadBuffError")) << log.Text();
}

TEST_F(Session, LosingTheConnectionRunsTheDisconnectPathAndLaterSendsFail)
{
    ASSERT_NO_FATAL_FAILURE(Open());
    peer.Close();
    ASSERT_TRUE(game.PumpUntil([&] { return game.app.IsShuttingDown(); }));
    EXPECT_TRUE(game.wnd.m_bDisconnected);
    EXPECT_EQ(game.wnd.disconnections, 1);
    EXPECT_FALSE(game.wnd.IsNetAvailable());
    EXPECT_EQ(log.Count("与游戏服务器连接中断CallbackDelSocketNode m_iIndex[0]"), 1u) << log.Text();
    const auto boxes = game.harness.MessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, kLostText);
    EXPECT_EQ(boxes[0].title, "Message");

    // Straight into the connection, and through the sender thread as a game sends.
    char item[4 + 12] = {};
    const std::int32_t count = 12;
    std::memcpy(item, &count, 4);
    EXPECT_EQ(game.wnd.m_pClientStack->SendClientMsg(item, sizeof(item)), -1);
    EXPECT_EQ(log.Count("socket index error, index:-1"), 1u) << log.Text();
    SendFromGame(26, "late");
    EXPECT_TRUE(PollUntil([&] { return log.Count("socket index error, index:-1") == 2; })) << log.Text();
    EXPECT_EQ(game.wnd.disconnections, 1);
}

TEST_F(Session, DelServerConnectClosesWithoutMessageOrShutdown)
{
    ASSERT_NO_FATAL_FAILURE(Open());
    game.wnd.DelServerConnect(true);
    EXPECT_TRUE(peer.WaitClosed());
    EXPECT_TRUE(game.PumpUntil([&] { return !game.wnd.IsNetAvailable(); }));
    EXPECT_TRUE(game.wnd.m_pClientStack->m_bDelFlag);
    EXPECT_FALSE(game.app.IsShuttingDown());
    EXPECT_FALSE(game.wnd.m_bDisconnected);
    EXPECT_EQ(game.wnd.disconnections, 0);
    EXPECT_TRUE(game.harness.MessageBoxes().empty());
    EXPECT_FALSE(log.Contains("与游戏服务器连接中断")) << log.Text();
}

TEST_F(Session, ReplayModeOpensNoConnection)
{
    Ostra::g_AppInfo.bReplay = true;
    EXPECT_EQ(game.OpenSessionTo(server.port), 0);
    EXPECT_TRUE(game.wnd.IsSessionOpen());
    // The connect would have been complete when OpenSession returned.
    EXPECT_FALSE(server.HasPending());
    EXPECT_FALSE(game.wnd.IsNetAvailable());
    EXPECT_EQ(game.wnd.OpenSession(), -1); // once only
}

TEST_F(Session, RefusedConnectIsShownWithoutEndingTheGame)
{
    int closedPort;
    {
        ServerListener gone;
        closedPort = gone.port;
    }
    EXPECT_LT(game.OpenSessionTo(closedPort), 0);
    EXPECT_EQ(game.BoxTexts(), std::vector<std::string>{"111"}); // ECONNREFUSED
    EXPECT_EQ(game.harness.MessageBoxes()[0].title, "Error");
    EXPECT_FALSE(game.wnd.IsNetAvailable());
    EXPECT_FALSE(game.app.IsShuttingDown());
}

TEST_F(Session, SecondConnectionGetsGameAltAndKeepAliveOnly)
{
    ASSERT_NO_FATAL_FAILURE(Open());
    ServerListener server2;
    char address[] = "127.0.0.1";
    game.wnd.m_pClientStack2 = std::make_unique<Ostra::ClientStack>();
    ASSERT_GE(game.wnd.m_pClientStack2->Initialize(address, server2.port, game.wnd.m_pRecvQueue.get(), &game.wnd), 0);
    ASSERT_TRUE(game.wnd.m_pClientStack2->Start());
    Peer peer2 = server2.Accept();
    ASSERT_TRUE(peer2.Valid());

    SendFromGame(17, "alt");
    SendFromGame(20, std::string(564, 'c'));
    SendFromGame(26, "ka");
    SendFromGame(17, "end");
    std::vector<std::string> main(4);
    for (auto& m : main)
        ASSERT_TRUE(peer.ReadMessage(m));
    std::vector<std::string> second(3);
    for (auto& m : second)
        ASSERT_TRUE(peer2.ReadMessage(m));
    EXPECT_EQ(main[0], Message(17, "alt"));
    EXPECT_EQ(main[1], Message(20, std::string(564, 'c')));
    EXPECT_EQ(main[2], Message(26, "ka"));
    EXPECT_EQ(main[3], Message(17, "end"));
    EXPECT_EQ(second, (std::vector<std::string>{Message(17, "alt"), Message(26, "ka"), Message(17, "end")}));

    // What the second server sends reaches the game as well.
    ASSERT_TRUE(peer2.Send(Frame(Message(26, "from the second"))));
    ASSERT_TRUE(game.PumpUntil([&] { return game.GameMessages() == 1; }));
    EXPECT_EQ(game.journal.entries[0].bytes, Message(26, "from the second"));

    // Closing the session ends both connections without a word to the player.
    game.wnd.CloseSession();
    EXPECT_TRUE(peer.WaitClosed());
    EXPECT_TRUE(peer2.WaitClosed());
    EXPECT_TRUE(game.harness.MessageBoxes().empty());
    EXPECT_FALSE(game.app.IsShuttingDown());
}

TEST_F(Session, OversizedMessagesAreDroppedAndTheNextStillArrives)
{
    ASSERT_NO_FATAL_FAILURE(Open());
    const std::string largest = MessageOfLength(26, 10496);
    ASSERT_TRUE(peer.Send(Frame(largest)));
    // One byte over what a queue item holds; past the decryption area; the longest frame a node
    // reads at all.
    for (int len : {10497, 20000, 30828})
        ASSERT_TRUE(peer.Send(Frame(MessageOfLength(26, len))));
    ASSERT_TRUE(peer.Send(Frame(Message(26, "next"))));
    ASSERT_TRUE(game.PumpUntil([&] { return game.GameMessages() == 2; }));
    EXPECT_EQ(game.journal.entries[0].bytes, largest);
    EXPECT_EQ(game.journal.entries[1].bytes, Message(26, "next"));
    for (int len : {10497, 20000, 30828})
        EXPECT_TRUE(log.Contains("message too long[" + std::to_string(len) + "], dropped")) << len << log.Text();
    EXPECT_TRUE(game.wnd.IsNetAvailable());
    EXPECT_TRUE(game.harness.MessageBoxes().empty());
}

TEST_F(Session, LongestSendableMessageLeavesAndTheNextLongerIsRefused)
{
    ASSERT_NO_FATAL_FAILURE(Open());
    const std::string longest = MessageOfLength(200, 6124);
    std::string copy = longest;
    game.wnd.SendNetMessage(&copy[0], 200, 6124);
    std::string tooLong = MessageOfLength(200, 6125);
    game.wnd.SendNetMessage(&tooLong[0], 200, 6125);
    SendFromGame(200, "next");
    std::string msg;
    ASSERT_TRUE(peer.ReadMessage(msg));
    EXPECT_EQ(msg, longest);
    ASSERT_TRUE(peer.ReadMessage(msg));
    EXPECT_EQ(msg, Message(200, "next"));
    EXPECT_TRUE(log.Contains("SendClientMsg message too long[6125] max[6124]")) << log.Text();
}
