// The net-speed test: the probe and its echo against tessaro-devserver, the probe timer, the
// per-seat delays of the view and the stuck rule, with the window's clock set by the test.
#include "tessaro/session/PlayerNode.h"
#include "tests/support/DevServerProcess.h"
#include "tests/support/SessionHarness.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace
{

using namespace testsupport;

const std::string kProbeLine = "\"event\":\"recv\",\"conn\":1,\"type\":1,";

// A type-1 message: stage at byte 8, delay big-endian at 12, server chair at byte 16.
std::string NetTestMessage(unsigned char stage, std::uint32_t delay, unsigned char chair)
{
    std::string body(12, '\0');
    body[0] = static_cast<char>(stage);
    Ostra::PutBE32(reinterpret_cast<unsigned char*>(&body[4]), delay);
    body[8] = static_cast<char>(chair);
    return Message(Ostra::MSG_TEST_NET, body);
}

std::vector<std::string> ProbeBodies(const DevServerProcess& server)
{
    std::vector<std::string> bodies;
    for (const std::string& line : server.Lines())
    {
        if (line.find(kProbeLine) != std::string::npos)
            bodies.push_back(JsonStr(line, "body").value_or(""));
    }
    return bodies;
}

size_t ProbesOfStage(const DevServerProcess& server, const std::string& stageHex)
{
    size_t n = 0;
    for (const std::string& body : ProbeBodies(server))
        n += body.compare(0, 2, stageHex) == 0;
    return n;
}

class NetSpeedSession : public ::testing::Test
{
protected:
    void Open(const std::string& script = "")
    {
        server = std::make_unique<DevServerProcess>(std::vector<std::string>{}, script);
        ASSERT_TRUE(server->Started()) << server->Stderr();
        SessionGame::ServerAt(server->Port());
        game.wnd.Init();
        ASSERT_EQ(game.Step(51), 51);
        ASSERT_TRUE(server->WaitForLine("\"event\":\"connect\"", kWaitMs)) << server->Stderr();
    }

    // Waits (running the main window's messages, no frames) until the server has count messages
    // of type 1 from the game.
    bool WaitForProbes(size_t count)
    {
        return game.Pump([&] { return server->WaitForLines(kProbeLine, count, 0).size() >= count; });
    }

    void Mark()
    {
        std::string msg = Message(0, "mark");
        game.wnd.SendNetMessage(&msg[0], 200, static_cast<int>(msg.size()));
        ASSERT_TRUE(server->WaitForLine("\"type\":200,", kWaitMs));
    }

    LogCapture log;
    std::unique_ptr<DevServerProcess> server;
    SessionGame game;
};

} // namespace

TEST_F(NetSpeedSession, TheEchoedProbeIsAnsweredWithStageTwoAndTheRoundTrip)
{
    ASSERT_NO_FATAL_FAILURE(Open());
    game.wnd.SetNow(1000);
    game.wnd.StartTestNetMsg();
    EXPECT_EQ(game.wnd.m_iTestSendTick, 1000u);
    EXPECT_EQ(game.wnd.m_iTestReplyTick, 1000u);
    // The echo is handled on this thread only, once the clock reads 1234.
    game.wnd.SetNow(1234);
    ASSERT_TRUE(WaitForProbes(2)) << server->Stderr();
    const std::vector<std::string> bodies = ProbeBodies(*server);
    ASSERT_EQ(bodies.size(), 2u);
    EXPECT_EQ(bodies[0], std::string(24, '0'));
    // Stage 2, three zero bytes, 234 ms big-endian, the rest as the echo had it.
    EXPECT_EQ(bodies[1], "02000000000000ea00000000");
    EXPECT_EQ(game.wnd.m_iTestReplyTick, 1234u);
    EXPECT_EQ(game.wnd.m_iTestSendTick, 1000u);
    EXPECT_EQ(game.wnd.m_Timer.GetCount(Ostra::TIMER_NET_TEST), 1001);
    // Stage 0 is the window's own business: the view never sees it.
    EXPECT_EQ(game.view.m_iNetDelay[0], 0);
}

TEST_F(NetSpeedSession, TimerFourProbesEvery1001UpdatesUnlessTheConnectionIsLost)
{
    ASSERT_NO_FATAL_FAILURE(Open());
    game.wnd.StartTestNetMsg();
    ASSERT_TRUE(WaitForProbes(2));
    ASSERT_EQ(game.Step(1000), 1000);
    ASSERT_NO_FATAL_FAILURE(Mark());
    EXPECT_EQ(ProbesOfStage(*server, "00"), 1u);

    ASSERT_EQ(game.Step(1), 1);
    ASSERT_TRUE(WaitForProbes(4)) << server->Stderr();
    EXPECT_EQ(ProbesOfStage(*server, "00"), 2u);
    EXPECT_EQ(ProbesOfStage(*server, "02"), 2u);

    game.wnd.m_bDisconnected = true;
    ASSERT_EQ(game.Step(1001), 1001);
    ASSERT_NO_FATAL_FAILURE(Mark());
    EXPECT_EQ(ProbesOfStage(*server, "00"), 2u);
    // The check goes on without probes.
    EXPECT_TRUE(game.wnd.m_Timer.IsActive(Ostra::TIMER_NET_TEST));

    game.wnd.m_bDisconnected = false;
    game.wnd.StopTestNetMsg();
    EXPECT_FALSE(game.wnd.m_Timer.IsActive(Ostra::TIMER_NET_TEST));
    ASSERT_EQ(game.Step(1001), 1001);
    ASSERT_NO_FATAL_FAILURE(Mark());
    EXPECT_EQ(ProbesOfStage(*server, "00"), 2u);
}

TEST_F(NetSpeedSession, ADelayFromTheServerReachesTheSeatOfItsChair)
{
    // Chair 3 sits at local seat 1, the own place.
    ASSERT_NO_FATAL_FAILURE(Open("expect 26 60000\nsend netdelay 1001 3\n"));
    Ostra::g_AppInfo.iMaxPlayerNum = 4;
    game.wnd.m_PlayerNode[0].iUserId = 10001;
    game.wnd.m_PlayerNode[0].cChairId = 3;
    game.view.m_pTableUser[1] = &game.wnd.m_PlayerNode[0];
    std::string keepAlive = Message(0, std::string(4, '\0'));
    game.wnd.SendNetMessage(&keepAlive[0], Ostra::MSG_KEEP_ALIVE, static_cast<int>(keepAlive.size()));
    ASSERT_TRUE(game.Pump([&] { return game.view.m_iNetDelay[1] != 0; })) << server->Stderr();
    EXPECT_EQ(game.view.m_iNetDelay[1], 1001);
    EXPECT_TRUE(log.Contains("myself delay[1001]type[2]tx[3]")) << log.Text();
}

namespace
{

// A table of four chairs: local seat 0 chair 2, seat 1 (the own place) chair 3, seat 2 chair 0,
// seat 3 empty; seat 5 holds chair 5, outside the table's seats.
class ViewDelays : public ::testing::Test
{
protected:
    void SetUp() override
    {
        Ostra::g_AppInfo.iMaxPlayerNum = 4;
        const int chairs[] = {2, 3, 0};
        for (int seat = 0; seat < 3; ++seat)
            Seat(seat, chairs[seat]);
        Seat(5, 5);
    }
    void Seat(int seat, int chair)
    {
        Ostra::PlayerNode& node = game.wnd.m_PlayerNode[seat];
        node.iUserId = 100 + seat;
        node.cChairId = static_cast<std::int8_t>(chair);
        game.view.m_pTableUser[seat] = &node;
    }
    void Deliver(unsigned char stage, std::uint32_t delay, unsigned char chair)
    {
        game.Deliver(NetTestMessage(stage, delay, chair));
    }

    LogCapture log;
    SessionGame game;
};

} // namespace

TEST_F(ViewDelays, ADelayOf1000IsStoredButNotLogged1001IsLogged)
{
    Deliver(2, 1000, 2);
    EXPECT_EQ(game.view.m_iNetDelay[0], 1000);
    EXPECT_FALSE(log.Contains("delay[")) << log.Text();

    Deliver(2, 1001, 2);
    EXPECT_EQ(game.view.m_iNetDelay[0], 1001);
    EXPECT_TRUE(log.Contains("delay[1001]type[2]tx[2]")) << log.Text();
    EXPECT_FALSE(log.Contains("myself")) << log.Text();

    Deliver(2, 5000, 3);
    EXPECT_EQ(game.view.m_iNetDelay[1], 5000);
    EXPECT_TRUE(log.Contains("myself delay[5000]type[2]tx[3]")) << log.Text();
    EXPECT_EQ(log.Count("delay["), 2u);
}

TEST_F(ViewDelays, OnlyStageTwoForAChairAtTheTableIsStored)
{
    Deliver(1, 2000, 2);    // another stage
    Deliver(2, 2000, 7);    // nobody on chair 7
    Deliver(2, 2000, 5);    // chair 5 sits beyond the table's four seats
    Deliver(2, 2000, 0xFF); // no seated chair
    const int none[10] = {};
    EXPECT_EQ(std::memcmp(game.view.m_iNetDelay, none, sizeof(none)), 0);
    EXPECT_FALSE(log.Contains("delay[")) << log.Text();

    // A delay that reads negative as a signed number is stored as such and not logged.
    Deliver(2, 0xFFFFFFFFu, 0);
    EXPECT_EQ(game.view.m_iNetDelay[2], -1);
    EXPECT_FALSE(log.Contains("delay[")) << log.Text();
}

TEST_F(ViewDelays, TheFirstSeatOfTheChairTakesTheDelay)
{
    Seat(3, 2); // chair 2 a second time, at a later seat
    Deliver(2, 40, 2);
    EXPECT_EQ(game.view.m_iNetDelay[0], 40);
    EXPECT_EQ(game.view.m_iNetDelay[3], 0);
}

TEST_F(ViewDelays, ATableOfMoreThanTenChairsStaysInsideTheSeats)
{
    Ostra::g_AppInfo.iMaxPlayerNum = 200;
    Seat(9, 9);
    Deliver(2, 70, 9);
    EXPECT_EQ(game.view.m_iNetDelay[9], 70);
    Deliver(2, 71, 11); // no seat 11 to look at
    EXPECT_EQ(game.view.m_iNetDelay[9], 70);
}

TEST_F(ViewDelays, AShortMessageIsDroppedWithALogLine)
{
    std::string msg = NetTestMessage(2, 3000, 2);
    msg.resize(19);
    game.view.HandleTestNetMsg(reinterpret_cast<std::uintptr_t>(msg.data()), static_cast<long>(msg.size()));
    EXPECT_EQ(game.view.m_iNetDelay[0], 0);
    EXPECT_TRUE(log.Contains("[GameViewBase]\tnet test message too short[19]")) << log.Text();
    // The window drops it before the view.
    game.Deliver(msg);
    EXPECT_TRUE(log.Contains("[GameWndBase]\tnet test message too short[19]")) << log.Text();
    EXPECT_EQ(game.view.m_iNetDelay[0], 0);
}

namespace
{

// The stuck rule, in replay mode: no connection, so no echo can move the reply time.
class StuckGame : public ::testing::Test
{
protected:
    void SetUp() override
    {
        Ostra::g_AppInfo.hLobbyWnd = lobby.Handle();
        Ostra::g_AppInfo.bReplay = true;
        game.wnd.Init();
        ASSERT_EQ(game.Step(51), 51);
    }

    LogCapture log;
    LobbyWindow lobby;
    SessionGame game;
};

} // namespace

TEST_F(StuckGame, ExactlyThirtyFiveSecondsWithoutAnEchoIsNotStuckOneMoreIs)
{
    game.wnd.SetNow(5000);
    game.wnd.StartTestNetMsg();
    game.wnd.SetNow(5000 + 35000);
    ASSERT_EQ(game.Step(1001), 1001);
    EXPECT_EQ(game.wnd.m_iTestSendTick, 40000u);
    EXPECT_FALSE(game.app.IsShuttingDown());
    EXPECT_TRUE(game.wnd.m_Timer.IsActive(Ostra::TIMER_NET_TEST));
    EXPECT_FALSE(log.Contains("STUCK"));
    EXPECT_EQ(lobby.Count(platform::WM_LOBBY_STUCK), 0u);

    game.wnd.SetNow(5000 + 35001);
    ASSERT_EQ(game.Step(1001), 1001);
    EXPECT_TRUE(game.app.IsShuttingDown());
    EXPECT_FALSE(game.wnd.m_Timer.IsActive(Ostra::TIMER_NET_TEST));
    EXPECT_TRUE(log.Contains("[STUCK]\tlag_kill[35001]")) << log.Text();
    LobbyWindow::Received stuck;
    ASSERT_TRUE(lobby.WaitFor(platform::WM_LOBBY_STUCK, &stuck));
    EXPECT_EQ(stuck.wParam, 0u);
    EXPECT_EQ(stuck.lParam, 0);
    EXPECT_TRUE(game.app.Shown().empty());
}

TEST_F(StuckGame, TheMeasureSurvivesTheTickCountWrapping)
{
    game.wnd.SetNow(0xFFFFF000u);
    game.wnd.StartTestNetMsg();
    game.wnd.SetNow(0xFFFFF000u + 35000u); // past the wrap
    ASSERT_EQ(game.Step(1001), 1001);
    EXPECT_FALSE(game.app.IsShuttingDown());
    game.wnd.SetNow(0xFFFFF000u + 40000u);
    ASSERT_EQ(game.Step(1001), 1001);
    EXPECT_TRUE(game.app.IsShuttingDown());
    EXPECT_TRUE(log.Contains("lag_kill[40000]")) << log.Text();
}

TEST_F(StuckGame, AnEchoInTimeKeepsTheGameAlive)
{
    game.wnd.SetNow(1000);
    game.wnd.StartTestNetMsg();
    game.wnd.SetNow(30000);
    game.Deliver(NetTestMessage(0, 0, 0)); // the echo of the probe
    EXPECT_EQ(game.wnd.m_iTestReplyTick, 30000u);
    game.wnd.SetNow(30000 + 35000);
    ASSERT_EQ(game.Step(1001), 1001);
    EXPECT_FALSE(game.app.IsShuttingDown());
    EXPECT_FALSE(log.Contains("STUCK"));
}
