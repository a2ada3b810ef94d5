// Every way out of a table and the chat between two players, end to end: tessaro-devserver in its
// table mode with its operator console on standard input, the minimal game started by
// tessaro-lobby, and a game in this process whose lobby is `tessaro-lobby watch`. What the server
// got is read from its lines (in the order it got it), what the lobby got from the lobby's.
//
// Texts to and from the children are UTF-8 (u8 literals); texts inside this process are GBK.
#include "platform/Text.h"
#include "platform/WindowBus.h"
#include "tests/players/PlayersTestSupport.h"
#include "tests/support/DevServerProcess.h"
#include "tests/support/LobbyProcess.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace
{

using namespace playerstest;
using testsupport::DevServerProcess;
using testsupport::GameEnvironment;
using testsupport::JsonInt;
using testsupport::JsonStr;
using testsupport::LobbyProcess;

// Generous: the games, the lobby and the server share two cores, under the thread sanitizer too.
constexpr int kTableWaitMs = 60000;
constexpr int kSelfId = 10001;
constexpr int kOtherId = 10002;
constexpr int kGameExitMsg = 0x507;

using Exit = std::pair<long long, long long>;

// The (wParam, lParam) of the first count 0x507 messages the lobby reported.
std::vector<Exit> ExitsAtLobby(LobbyProcess& lobby, size_t count, int timeoutMs)
{
    std::vector<Exit> exits;
    const std::string prefix = "{\"msg\": " + std::to_string(kGameExitMsg) + ",";
    for (const std::string& line : lobby.WaitForLines(prefix, count, timeoutMs))
        exits.emplace_back(JsonInt(line, "wparam").value_or(-1), JsonInt(line, "lparam").value_or(-1));
    return exits;
}

// The server's connection of a user, from its arrival.
int ConnOf(DevServerProcess& server, int userId)
{
    const std::optional<std::string> arrive =
        server.WaitForLine([userId](const std::string& line)
                           { return JsonStr(line, "event") == "arrive" && JsonInt(line, "user") == userId; },
                           kTableWaitMs);
    return arrive ? static_cast<int>(JsonInt(*arrive, "conn").value_or(-1)) : -1;
}

// The types the server got on a connection up to its close, in order, once it has closed; "close"
// last when it did.
std::vector<int> ReceivedUntilClose(DevServerProcess& server, int conn)
{
    server.WaitForLine([conn](const std::string& line)
                       { return JsonStr(line, "event") == "close" && JsonInt(line, "conn") == conn; },
                       kTableWaitMs);
    std::vector<int> types;
    for (const std::string& line : server.Lines())
    {
        if (JsonInt(line, "conn") != conn)
            continue;
        const std::optional<std::string> event = JsonStr(line, "event");
        if (event == "recv")
            types.push_back(static_cast<int>(JsonInt(line, "type").value_or(-1)));
        else if (event == "close")
        {
            types.push_back(-1);
            break;
        }
    }
    return types;
}

bool Holds(const std::vector<int>& types, int type)
{
    return std::find(types.begin(), types.end(), type) != types.end();
}

// Whether a type came before another; both must be there.
bool Before(const std::vector<int>& types, int first, int second)
{
    const auto a = std::find(types.begin(), types.end(), first);
    const auto b = std::find(types.begin(), types.end(), second);
    return a != types.end() && b != types.end() && a < b;
}

// ---- The minimal game as a child of the lobby ----------------------------------------------------

// The minimal game leaves its table two ways: the server's play-time notice (kind 14: its box,
// the statistics, then the lobby told 14) and the escape key on a table of escape mode 0 (the lobby
// told (1, 2) at once, no statistics). Either way the game ends by itself and the statistics, when
// sent, reach the server before the connection closes.
TEST(NoticesTable, TheMinimalGameLeavesByNoticeAndByTheEscapeKey)
{
    struct Case
    {
        const char* name;
        std::vector<std::string> args;
        std::vector<std::string> env;
        std::string console; // an operator's command once the game is seated
        Exit exit;
        bool statistics;
        std::string box; // UTF-8, empty for none
    };
    const Case cases[] = {
        {"play-time notice", {}, {}, "notice 10002 14\n", {14, 0}, true, u8"中累计游戏时间过长,请健康游戏"},
        {"escape key, mode 0", {"--arg", "18=0"}, {"MINIMAL_ESCAPE=1"}, "", {1, 2}, false, ""},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        DevServerProcess server({"--tables", "1", "--chairs", "3", "--auto-sit", "--console"});
        ASSERT_TRUE(server.Started()) << server.Stderr();
        std::vector<std::string> args{"run",
                                      "--game",
                                      MINIMAL_GAME_BIN,
                                      "--server",
                                      "127.0.0.1:" + std::to_string(server.Port()),
                                      "--arg",
                                      "2=" + std::to_string(kOtherId),
                                      "--headless",
                                      "--timeout",
                                      "300"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        LobbyProcess lobby(args, GameEnvironment(c.env));
        ASSERT_TRUE(lobby.Started()) << lobby.SpawnError();
        ASSERT_TRUE(lobby.WaitForStderr({"minimal: seats"}, kTableWaitMs)) << lobby.Report() << server.Report();
        if (!c.console.empty())
        {
            ASSERT_TRUE(server.WriteInput(c.console));
        }

        EXPECT_EQ(ExitsAtLobby(lobby, 1, kTableWaitMs), std::vector<Exit>{c.exit}) << lobby.Report();
        EXPECT_EQ(lobby.WaitForExitLine(kTableWaitMs), 0) << lobby.Report();
        const std::string shown = c.box.empty() ? "[MsgBox] " : c.box;
        EXPECT_EQ(lobby.Stderr().find(shown) != std::string::npos, !c.box.empty()) << lobby.Report();

        const std::vector<int> got = ReceivedUntilClose(server, ConnOf(server, kOtherId));
        ASSERT_FALSE(got.empty() || got.back() != -1) << server.Report();
        EXPECT_EQ(Holds(got, Ostra::MSG_PLAYER_INFO_CHANGE), c.statistics) << server.Report();
    }
}

// ---- A game in this process ------------------------------------------------------------------------

// The lobby of the game in this process: tessaro-lobby watch, its window handed to the game.
class WatchLobby : public LobbyProcess
{
public:
    WatchLobby() : LobbyProcess({"watch", "--timeout", "300"}, GameEnvironment({}))
    {
        const std::optional<std::string> line = WaitForLine("\"event\": \"lobby\"", kTableWaitMs);
        m_hwnd = line ? static_cast<platform::WindowHandle>(JsonInt(*line, "hwnd").value_or(0)) : 0;
    }
    platform::WindowHandle Handle() const { return m_hwnd; }

private:
    platform::WindowHandle m_hwnd = 0;
};

// The game of user 10001 at the server, seated, with its lobby.
class TableGame
{
public:
    explicit TableGame(DevServerProcess& server) : m_server(server)
    {
        Ostra::g_AppInfo.hLobbyWnd = lobby.Handle();
        if (lobby.Handle() == 0 || game.OpenSessionTo(server.Port()) < 0 ||
            !game.PumpUntil([&] { return game.wnd.IsSessionOpen(); }))
            return;
        unsigned char auth[44] = {};
        Ostra::PutBE32(auth + 8, static_cast<std::uint32_t>(kSelfId));
        game.wnd.SendNetMessage(auth, 32, sizeof auth);
        m_seated = game.PumpUntil([&] { return game.view.m_pSelfNode != nullptr; }, kTableWaitMs);
    }
    bool Seated() const { return m_seated; }

    // Pumps the game until the server has written a line that matches.
    std::optional<std::string> PumpUntilServer(const std::string& fragment)
    {
        std::optional<std::string> line;
        game.PumpUntil([&] { return (line = m_server.WaitForLine(fragment, 0)).has_value(); }, kTableWaitMs);
        return line;
    }

    // A chat line (type 20) as a game sends it: to the table, or to one player by id and nick.
    void Say(const std::string& text, int target = 0, const std::string& targetNick = "")
    {
        unsigned char msg[572] = {};
        Ostra::PutBE32(msg + 8, static_cast<std::uint32_t>(kSelfId));
        Ostra::PutBE32(msg + 28, static_cast<std::uint32_t>(target));
        std::memcpy(msg + 32, targetNick.data(), std::min<size_t>(targetNick.size(), 15));
        std::memcpy(msg + 48, text.data(), std::min<size_t>(text.size(), 511));
        msg[560] = 1;
        game.wnd.SendNetMessage(msg, 20, sizeof msg);
    }
    bool HasChatLine(const std::string& gbk) const
    {
        for (const auto& line : ChatLinesOf(game.view))
        {
            if (platform::WideToGbk(line.strText) == gbk)
                return true;
        }
        return false;
    }

    WatchLobby lobby;
    PlayersGame game{3};

private:
    DevServerProcess& m_server;
    bool m_seated = false;
};

// A kick (kind 0) that arrives during a running game waits for its end: no box while the game
// runs; the game result shows it, sends the statistics and tells the lobby 17.
TEST(NoticesTable, AKickDuringAGameWaitsForTheGameResult)
{
    // Two bots fill the table; the game ends six seconds after it starts.
    DevServerProcess server({"--tables", "1", "--chairs", "3", "--bots", "2", "--min-players", "3", "--auto-sit",
                             "--bot-delay", "50", "--game-length", "6000", "--round-pause", "600000", "--console"});
    ASSERT_TRUE(server.Started()) << server.Stderr();
    TableGame table(server);
    ASSERT_TRUE(table.Seated()) << server.Report();
    PlayersGame& game = table.game;

    ASSERT_TRUE(table.PumpUntilServer("\"event\":\"game-start\"")) << server.Report();
    Ostra::g_AppInfo.iGameState = 1; // as a game does when its play begins
    game.wnd.SendGameStateChange(1);
    ASSERT_TRUE(server.WriteInput(u8"notice 10001 0 您被请出本桌\n"));
    ASSERT_TRUE(game.PumpUntil([&] { return !game.wnd.m_strKickNotice.empty(); }, kTableWaitMs)) << server.Report();
    EXPECT_TRUE(game.harness.MessageBoxes().empty());
    EXPECT_FALSE(game.app.IsShuttingDown());

    ASSERT_TRUE(game.PumpUntil([&] { return game.app.IsShuttingDown(); }, kTableWaitMs)) << server.Report();
    EXPECT_EQ(game.wnd.gameResults, 1);
    EXPECT_EQ(BoxTextsOf(game.harness), std::vector<std::string>{"您被请出本桌"});
    EXPECT_EQ(ExitsAtLobby(table.lobby, 1, kTableWaitMs), (std::vector<Exit>{{17, 0}})) << table.lobby.Report();
    game.wnd.CloseSession();
    const std::vector<int> got = ReceivedUntilClose(server, ConnOf(server, kSelfId));
    EXPECT_TRUE(Before(got, Ostra::MSG_GAME_STATE_CHANGE, Ostra::MSG_PLAYER_INFO_CHANGE)) << server.Report();
    EXPECT_TRUE(Before(got, Ostra::MSG_PLAYER_INFO_CHANGE, -1)) << server.Report();
}

// Alone at a table of three: a kick for want of money with the shop skipped shows its box and the
// game plays on (the next bulletin still comes in); twenty idle minutes of frames later the game
// leaves by itself, the statistics reaching the server and the lobby told (2, 0).
TEST(NoticesTable, AMoneyKickKeepsTheGameAndTwentyIdleMinutesEndIt)
{
    DevServerProcess server({"--tables", "1", "--chairs", "3", "--auto-sit", "--console"});
    ASSERT_TRUE(server.Started()) << server.Stderr();
    TableGame table(server);
    ASSERT_TRUE(table.Seated()) << server.Report();
    PlayersGame& game = table.game;
    Ostra::g_AppInfo.cSkipShopOnKick = 1;

    ASSERT_TRUE(server.WriteInput(u8"notice 10001 0 您的游戏币不够100\nbulletin 10001 system 欢迎回来\n"));
    ASSERT_TRUE(game.PumpUntil([&] { return table.HasChatLine("[系统公告]:欢迎回来\n"); }, kTableWaitMs))
        << server.Report();
    EXPECT_EQ(BoxTextsOf(game.harness), std::vector<std::string>{"您的游戏币不够100"});
    EXPECT_EQ(Ostra::g_AppInfo.cSkipShopOnKick, 0);
    EXPECT_FALSE(game.app.IsShuttingDown());
    EXPECT_TRUE(game.wnd.IsNetAvailable());

    // Timer 5 was armed by the sit-down response; its last frame leaves.
    const int left = game.wnd.m_Timer.GetCount(Ostra::TIMER_AUTO_LEAVE);
    ASSERT_GT(left, 1);
    game.harness.Step(left - 1);
    EXPECT_FALSE(game.app.IsShuttingDown());
    game.harness.Step(1);
    EXPECT_TRUE(game.app.IsShuttingDown());
    EXPECT_EQ(ExitsAtLobby(table.lobby, 1, kTableWaitMs), (std::vector<Exit>{{2, 0}})) << table.lobby.Report();
    game.wnd.CloseSession();
    const std::vector<int> got = ReceivedUntilClose(server, ConnOf(server, kSelfId));
    EXPECT_TRUE(Before(got, Ostra::MSG_PLAYER_INFO_CHANGE, -1)) << server.Report();
}

// Two players at one table: a public line of the minimal game reaches this one; this one's private
// line reaches the minimal game and comes back as its own line; once the other has left, a private
// line to him comes back as a failure.
TEST(NoticesTable, TwoPlayersChatPubliclyAndPrivately)
{
    DevServerProcess server({"--tables", "1", "--chairs", "3", "--auto-sit"});
    ASSERT_TRUE(server.Started()) << server.Stderr();
    TableGame table(server);
    ASSERT_TRUE(table.Seated()) << server.Report();
    PlayersGame& game = table.game;

    LobbyProcess other({"run", "--game", MINIMAL_GAME_BIN, "--server", "127.0.0.1:" + std::to_string(server.Port()),
                        "--arg", "2=" + std::to_string(kOtherId), "--headless", "--timeout", "300"},
                       GameEnvironment({std::string("MINIMAL_SAY=") + u8"大家好"}));
    ASSERT_TRUE(other.Started()) << other.SpawnError();
    ASSERT_TRUE(game.PumpUntil([&] { return table.HasChatLine("[玩家10002]说:大家好"); }, kTableWaitMs))
        << other.Report() << server.Report();

    table.Say("悄悄话", kOtherId, "玩家10002");
    ASSERT_TRUE(game.PumpUntil([&] { return table.HasChatLine("您对[玩家10002]说:悄悄话\n"); }, kTableWaitMs))
        << server.Report();
    EXPECT_TRUE(other.WaitForStderr({u8"minimal: chat 8 [玩家10001]对您说:悄悄话"}, kTableWaitMs)) << other.Report();

    const std::optional<std::string> announce = other.WaitForLine("\"msg\": 1135,", kTableWaitMs);
    ASSERT_TRUE(announce) << other.Report();
    const auto otherWnd = static_cast<platform::WindowHandle>(JsonInt(*announce, "wparam").value_or(0));
    ASSERT_TRUE(platform::PostWindowMessage(otherWnd, platform::WM_CLOSE, 0, 0));
    EXPECT_EQ(other.WaitForExitLine(kTableWaitMs), 0) << other.Report();
    ASSERT_TRUE(table.PumpUntilServer("\"event\":\"depart\"")) << server.Report();

    table.Say("还在吗", kOtherId, "玩家10002");
    EXPECT_TRUE(game.PumpUntil([&] { return table.HasChatLine("[系统消息]:发送私聊失败[玩家10002]已经离开游戏\n"); },
                               kTableWaitMs))
        << server.Report();
}

} // namespace
