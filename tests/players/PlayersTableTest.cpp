// A whole table at the local game server: tessaro-devserver in its table mode (one table of seven
// chairs, one bot, three players start the ready cycle, every arrival seated at the first free
// chair), a game in this process (user 10001) and the minimal game started by tessaro-lobby (user
// 10002). Both games see the same table from their own chair, answer the ready call, see each
// other move and leave.
//
// Every wait is for a line of a child or a state of the game in this process, with a deadline.
#include "platform/WindowBus.h"
#include "tests/players/PlayersTestSupport.h"
#include "tests/support/DevServerProcess.h"
#include "tests/support/LobbyProcess.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace
{

using namespace playerstest;
using testsupport::DevServerProcess;
using testsupport::GameEnvironment;
using testsupport::LobbyProcess;

// Generous: two games, the lobby and the server share two cores, under the thread sanitizer too.
constexpr int kTableWaitMs = 60000;

constexpr int kSelfId = 10001;
constexpr int kOtherId = 10002;

// The authentication request the devserver takes a connection's user from: type 32, the user id
// at 8 (big-endian), the launch token at 12.
void Authenticate(PlayersGame& game, int userId)
{
    unsigned char req[44] = {};
    Ostra::PutBE32(req + 8, static_cast<std::uint32_t>(userId));
    game.wnd.SendNetMessage(req, 32, sizeof req);
}

int SeatUser(const PlayersView& view, int seat)
{
    const Ostra::PlayerNode* node = view.m_pTableUser[seat];
    return node ? node->iUserId : 0;
}

std::vector<int> ShownChairButtons(const PlayersView& view)
{
    std::vector<int> seats;
    for (int seat = 0; seat < Ostra::kMaxSeats; ++seat)
    {
        if (view.m_pBtnChair[seat] && view.m_pBtnChair[seat]->mVisible)
            seats.push_back(seat);
    }
    return seats;
}

// A server line of an event about one user.
DevServerProcess::Match UserEvent(const std::string& event, long long userId)
{
    return [event, userId](const std::string& line)
    { return testsupport::JsonStr(line, "event") == event && testsupport::JsonInt(line, "user") == userId; };
}

TEST(PlayersTable, TwoGamesAndABotSitPlayMoveAndLeave)
{
    // No second ready call during the test: the round pause outlasts it.
    DevServerProcess server({"--tables", "1", "--chairs", "7", "--bots", "1", "--min-players", "3", "--auto-sit",
                             "--round-pause", "600000", "--bot-delay", "50"});
    ASSERT_TRUE(server.Started()) << server.Stderr();

    // This game arrives first: chair 0, and the bot beside it at chair 1, which is seat 2 here.
    PlayersGame self(7, true);
    ASSERT_GE(self.OpenSessionTo(server.Port()), 0);
    ASSERT_TRUE(self.PumpUntil([&] { return self.wnd.IsSessionOpen(); }));
    Authenticate(self, kSelfId);
    const std::optional<std::string> botArrival = server.WaitForLine(
        [](const std::string& line)
        { return testsupport::JsonStr(line, "event") == "arrive" && line.find("\"bot\":true") != std::string::npos; },
        kTableWaitMs);
    ASSERT_TRUE(botArrival) << server.Report();
    const int bot = static_cast<int>(testsupport::JsonInt(*botArrival, "user").value_or(0));
    ASSERT_TRUE(self.PumpUntil([&] { return SeatUser(self.view, 2) == bot; }, kTableWaitMs)) << server.Report();
    ASSERT_NE(self.view.m_pSelfNode, nullptr);
    EXPECT_EQ(self.view.m_pSelfNode->cChairId, 0);

    // The minimal game arrives second: chair 2. Turned around its chair, the bot (chair 1) is at
    // seat 0 and this game (chair 0) at seat 6; the buttons stand over the four empty seats.
    LobbyProcess lobby({"run", "--game", MINIMAL_GAME_BIN, "--server", "127.0.0.1:" + std::to_string(server.Port()),
                        "--arg", "2=" + std::to_string(kOtherId), "--headless", "--timeout", "300"},
                       GameEnvironment({"MINIMAL_CHAIRS=7"}));
    ASSERT_TRUE(lobby.Started()) << lobby.SpawnError();
    const std::string otherSeats =
        "minimal: seats 0=" + std::to_string(bot) + "@1 1=self@2 2=- 3=- 4=- 5=- 6=10001@0 buttons 2,3,4,5\n";
    ASSERT_TRUE(lobby.WaitForStderr({otherSeats}, kTableWaitMs)) << lobby.Report() << server.Report();

    // Here the other game sits at seat 3; the buttons stand over the empty seats, never over seat 1.
    ASSERT_TRUE(self.PumpUntil([&] { return SeatUser(self.view, 3) == kOtherId; }, kTableWaitMs));
    EXPECT_EQ(SeatUser(self.view, 1), 0);
    EXPECT_EQ(ShownChairButtons(self.view), (std::vector<int>{0, 4, 5, 6}));
    EXPECT_NE(self.wnd.GetPlayerNode(kOtherId), nullptr);
    EXPECT_TRUE(self.wnd.InRoom(kOtherId) && self.wnd.InRoom(bot));

    // Three seated: the ready call, answered by both games (and the bot), and the game played.
    ASSERT_TRUE(
        self.PumpUntil([&] { return server.WaitForLine(UserEvent("ready", kSelfId), 0).has_value(); }, kTableWaitMs))
        << server.Report();
    EXPECT_TRUE(server.WaitForLine(UserEvent("ready", kOtherId), kTableWaitMs)) << server.Report();
    const std::optional<std::string> start = server.WaitForLine("\"event\":\"game-start\"", kTableWaitMs);
    ASSERT_TRUE(start) << server.Report();
    EXPECT_NE(start->find("\"chairs\":[0,1,2]"), std::string::npos) << *start;
    ASSERT_TRUE(server.WaitForLine("\"event\":\"game-end\"", kTableWaitMs)) << server.Report();

    // Once the game result is in, a click on the chair button of seat 4 here asks for chair 3; the
    // other game sees this one there, at its seat 2, and its button there gone.
    ASSERT_TRUE(self.PumpUntil([&] { return self.wnd.gameResults == 1; }, kTableWaitMs));
    self.view.ButtonDepress(104 + 4);
    ASSERT_TRUE(lobby.WaitForStderr({otherSeats, "6=- buttons 3,4,5,6\n"}, kTableWaitMs))
        << lobby.Report() << server.Report();
    EXPECT_TRUE(lobby.WaitForStderr({otherSeats, "2=10001@3"}, 0)) << lobby.Report();
    ASSERT_TRUE(
        self.PumpUntil([&] { return self.view.m_pSelfNode && self.view.m_pSelfNode->cChairId == 3; }, kTableWaitMs));
    // Turned around chair 3 now: the bot (chair 1) at seat 6, the other game (chair 2) at seat 0.
    ASSERT_TRUE(self.PumpUntil([&] { return SeatUser(self.view, 6) == bot && SeatUser(self.view, 0) == kOtherId; },
                               kTableWaitMs));

    // The other game closes: this one sees it leave the table (67, 52) and the server (66).
    const std::optional<std::string> announce = lobby.WaitForLine("\"msg\": 1135,", kTableWaitMs);
    ASSERT_TRUE(announce) << lobby.Report();
    const auto otherWnd = static_cast<platform::WindowHandle>(testsupport::JsonInt(*announce, "wparam").value_or(0));
    ASSERT_TRUE(platform::PostWindowMessage(otherWnd, platform::WM_CLOSE, 0, 0));
    EXPECT_EQ(lobby.WaitForExitLine(kTableWaitMs), 0) << lobby.Report();
    ASSERT_TRUE(self.PumpUntil(
        [&] { return SeatUser(self.view, 0) == 0 && !self.wnd.GetPlayerNode(kOtherId) && !self.wnd.InRoom(kOtherId); },
        kTableWaitMs))
        << server.Report();
    EXPECT_EQ(SeatUser(self.view, 6), bot);

    // The last real player gone, the bot leaves too.
    self.wnd.CloseSession();
    EXPECT_TRUE(server.WaitForLine(UserEvent("depart", bot), kTableWaitMs)) << server.Report();
}

} // namespace
