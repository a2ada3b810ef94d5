// Leaving a table: the escape key, the server's escape-state query, another player leaving, the
// automatic leave, and closing the session, which still lets the last messages reach the server.
// The lobby is a bus window of the test; the server a loopback peer that reads what the game sent
// while the session closes.
#include "tests/players/PlayersTestSupport.h"
#include "tests/support/Loopback.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <mutex>
#include <thread>
#include <tuple>

namespace
{

using namespace playerstest;

constexpr int kMe = 10001;
constexpr int kOther = 10002;

// The view's leave hooks, recorded.
class EscapeView : public PlayersView
{
public:
    using PlayersView::PlayersView;
    void CallBackOtherPlayerLeave(Ostra::PlayerNode* player) override { leaves.push_back(player->iUserId); }
    void HandleEscapeNotice(std::uintptr_t, long) override { ++escapeNotices; }

    std::vector<int> leaves;
    int escapeNotices = 0;
};

// What the server got, shortly: "type" and, for the exits' messages, their values.
std::string Describe(const std::string& msg)
{
    const auto* b = reinterpret_cast<const unsigned char*>(msg.data());
    auto le32 = [&](int at)
    { return std::to_string(static_cast<std::int32_t>(b[at] | b[at + 1] << 8 | b[at + 2] << 16 | b[at + 3] << 24)); };
    const int type = b[1];
    if (type == Ostra::MSG_ESCAPE_REQ && msg.size() == 12)
        return "115:" + std::to_string(b[8]) + "," + std::to_string(b[9]);
    if (type == Ostra::MSG_PLAYER_INFO_CHANGE && msg.size() == 40)
        return "241:" + le32(8) + "/" + le32(36); // money, user
    if (type == Ostra::MSG_GAME_STATE_CHANGE && msg.size() == 12)
        return "242:" + std::to_string(b[8]);
    return std::to_string(type);
}

// A game at a table of three chairs with its lobby window and its server; confirmations get
// `answer`.
class EscapeGame
{
public:
    EscapeGame() : view(&app), wnd(&app, &view)
    {
        Ostra::g_AppInfo.iUserId = kMe;
        Ostra::g_AppInfo.iMaxPlayerNum = 3;
        Ostra::g_AppInfo.iWatchChairId = -1;
        Ostra::g_AppInfo.cEscapeMode = 1;
        Ostra::g_AppInfo.hLobbyWnd = lobby.Handle();
        app.m_pGameView = &view;
        app.m_pGameWnd = &wnd;
        harness.GetWidgetManager()->AddWidget(&wnd);
        wnd.AddWidget(&view);
        view.m_iTablePlayerNum = 3;
        app.SetMsgBoxHandler(
            [this](const std::string& text, const std::string&, int)
            {
                std::lock_guard<std::mutex> lock(m_mutex);
                m_boxes.push_back(text);
                return answer;
            });
        AnswerMessageDialogs(harness, app);
    }
    ~EscapeGame()
    {
        wnd.CloseSession();
        Ostra::g_AppInfo = Ostra::AppInfo{};
    }

    void Deliver(std::string msg)
    {
        wnd.FilterNetMessage(reinterpret_cast<std::uintptr_t>(&msg[0]), static_cast<long>(msg.size()));
        for (int i = 0; i < 10 && view.GetDelayMsgCount() > 0; ++i)
            harness.Step(1);
    }
    // The own player at chair 0 (or looking at chair 1) and another at chair 1.
    void Seat(bool looker = false)
    {
        Ostra::g_AppInfo.iWatchChairId = looker ? 1 : -1;
        Deliver(Snapshot({looker ? Looker(kMe, "me", 1) : Seated(kMe, "me", 0), Seated(kOther, "other", 1)}));
    }
    bool Connect()
    {
        std::snprintf(Ostra::g_AppInfo.szServerAddr, sizeof(Ostra::g_AppInfo.szServerAddr), "127.0.0.1");
        Ostra::g_AppInfo.iServerPort = server.port;
        if (wnd.OpenSession() < 0)
            return false;
        peer = server.Accept();
        return peer.Valid();
    }
    bool PumpUntil(const std::function<bool()>& done) { return PumpHarnessUntil(harness, done); }
    // Closes the session and returns what reached the server, described.
    std::vector<std::string> CloseAndRead()
    {
        // The server reads while the game closes, as a server does.
        std::vector<std::string> got;
        std::thread reader(
            [&]
            {
                std::string msg;
                while (peer.ReadMessage(msg, kWaitMs))
                    got.push_back(Describe(msg));
            });
        wnd.CloseSession();
        reader.join();
        return got;
    }
    std::vector<std::string> Boxes()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_boxes;
    }
    // The exits the lobby was told of, as (wParam, lParam).
    std::vector<std::pair<int, int>> Exits() const
    {
        std::vector<std::pair<int, int>> out;
        for (const LobbyWindow::Received& r : lobby.Messages())
        {
            if (r.msg == platform::WM_LOBBY_GAMEEXIT)
                out.emplace_back(static_cast<int>(r.wParam), static_cast<int>(r.lParam));
        }
        return out;
    }

    int answer = Sexy::IDOK;

private:
    AppInfoReset m_reset;
    std::mutex m_mutex;
    std::vector<std::string> m_boxes;

public:
    LobbyWindow lobby;
    TestGameApp app;
    Sexy::TestHarness harness{app};
    EscapeView view;
    PlayersWnd wnd;
    ServerListener server;
    Peer peer;
};

using Exits = std::vector<std::pair<int, int>>;
using Strings = std::vector<std::string>;

const char kConfirm[] = "您确定需要退出游戏么？";
const char kConfirmPenalty[] = "逃跑将扣除多倍游戏币，您确定需要退出游戏么？";
const char kConfirmIdle[] = "逃跑将扣除多倍游戏币，您确定需要退出游戏么【2】？";
const char kStats[] = "241:1000/10001";

// The table before the exit, and what the exit left: the boxes asked, the lobby's exits, whether
// the game ends, and what the server got.
struct Before
{
    int mode = 1;
    bool looker = false;
    int gameState = 0;
    bool readySent = false;
    int answer = Sexy::IDOK;
};
struct Outcome
{
    Strings boxes;
    Exits exits;
    Strings wire;
};

// Type 55: chair 8, user 12, reason 16, update flag 17, money, strength and wealth from 20.
std::string PlayerLeft(int chair, int userId, int reason, int update = 0, int money = 0)
{
    std::string body(24, '\0');
    auto* b = reinterpret_cast<unsigned char*>(&body[0]);
    b[0] = static_cast<unsigned char>(chair);
    Ostra::PutBE32(b + 4, static_cast<std::uint32_t>(userId));
    b[8] = static_cast<unsigned char>(reason);
    b[9] = static_cast<unsigned char>(update);
    Ostra::PutBE32(b + 12, static_cast<std::uint32_t>(money));
    return Message(Ostra::MSG_ESCAPE_NOTICE, body);
}

void Play(EscapeGame& game, const Before& s, const std::function<void()>& act, const Outcome& want)
{
    ASSERT_TRUE(game.Connect());
    game.Seat(s.looker);
    Ostra::g_AppInfo.cEscapeMode = static_cast<std::int8_t>(s.mode);
    Ostra::g_AppInfo.iGameState = s.gameState;
    Ostra::g_AppInfo.bReadySent = s.readySent;
    game.answer = s.answer;
    act();
    EXPECT_EQ(game.Boxes(), want.boxes);
    EXPECT_EQ(game.Exits(), want.exits);
    // Every exit tells the lobby or sends the statistics, and ends the game.
    const bool stats =
        std::any_of(want.wire.begin(), want.wire.end(), [](const std::string& m) { return m.rfind("241:", 0) == 0; });
    EXPECT_EQ(game.app.IsShuttingDown(), !want.exits.empty() || stats);
    EXPECT_EQ(game.CloseAndRead(), want.wire);
}

} // namespace

TEST(Escape, TheEscapeKeyByModeSeatAndGame)
{
    const std::pair<Before, Outcome> cases[] = {
        {{0, false, 1}, {{}, {{1, 2}}, {}}}, // mode 0: at once, without statistics, even in a game
        {{1, true, 1}, {{}, {{1, 2}}, {kStats}}},
        {{1, false, 0}, {{}, {{1, 2}}, {kStats}}},
        {{1, false, 1}, {{kConfirm}, {{4, 0}}, {kStats}}},
        {{2, false, 0, true}, {{kConfirm}, {{4, 0}}, {kStats}}},
        {{1, false, 1, false, Sexy::IDCANCEL}, {{kConfirm}, {}, {}}},
        {{1, false, -1}, {}},
    };
    for (const auto& [setup, want] : cases)
    {
        SCOPED_TRACE(testing::Message() << "mode " << setup.mode << " state " << setup.gameState);
        EscapeGame game;
        Play(
            game, setup, [&] { game.wnd.OnButtonEsc(); }, want);
    }
    // Without a connection the key only ends the game.
    EscapeGame game;
    game.Seat();
    game.wnd.OnButtonEsc();
    EXPECT_TRUE(game.app.IsShuttingDown());
    EXPECT_TRUE(game.Exits().empty());
}

TEST(Escape, TheServersStateQueryIsConfirmedAndAnswered)
{
    const std::string idle(1, '\0');
    const std::tuple<std::string, Before, Outcome> cases[] = {
        {"\x01", {1}, {{kConfirm}, {}, {"115:2,1"}}},
        {"\x01", {0}, {{kConfirmPenalty}, {}, {"115:3,1"}}},
        {idle, {1}, {{kConfirmIdle}, {}, {"115:3,1"}}},
        {idle, {1, false, 0, false, Sexy::IDCANCEL}, {{kConfirmIdle}, {}, {}}},
        {"\x01", {1, true}, {{}, {}, {"115:0,0"}}},
        {"\xff", {1}, {{}, {}, {"115:0,0"}}},
        {"", {1}, {}}, // too short: dropped
    };
    for (const auto& [body, setup, want] : cases)
    {
        SCOPED_TRACE(testing::Message() << "state " << Hex(body) << " mode " << setup.mode);
        LogCapture log;
        EscapeGame game;
        Play(
            game, setup, [&] { game.Deliver(Message(Ostra::MSG_ESCAPE_GAME_STATE_NOTICE, body)); }, want);
        EXPECT_EQ(log.Contains("escape state query too short[8]"), body.empty());
    }
    // State 2 ends the game without a word to anyone.
    EscapeGame game;
    ASSERT_TRUE(game.Connect());
    game.Deliver(Message(Ostra::MSG_ESCAPE_GAME_STATE_NOTICE, "\x02"));
    EXPECT_TRUE(game.app.IsShuttingDown());
    EXPECT_TRUE(game.Exits().empty());
    EXPECT_EQ(game.CloseAndRead(), Strings{});
}

TEST(Escape, APlayerLeavingTheTable)
{
    struct Case
    {
        std::string msg;
        bool looker;
        bool otherLeft;  // the other player's leave reaches the view and the chat
        int viewNotices; // the view's own HandleEscapeNotice
        Outcome want;
    };
    const Case cases[] = {
        {PlayerLeft(0xFF, kOther, 0), false, true, 0, {}},
        {PlayerLeft(1, kOther, 1), false, true, 1, {{"玩家协商离开，牌局结束！"}, {}, {}}},
        {PlayerLeft(1, kOther, 0), true, true, 0, {{"旁观对象已经离开本桌，您也被强制离桌。"}, {{5, 0}}, {kStats}}},
        {PlayerLeft(0, kMe, 2, 1, 777), false, false, 0, {{"管理员解散本桌，牌局结束！"}, {}, {"241:777/10001"}}},
        {PlayerLeft(2, 55555, 0), false, false, 0, {}},
        {PlayerLeft(1, kOther, 0).substr(0, 17), false, false, 0, {}},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(Hex(c.msg.substr(8)));
        EscapeGame game;
        size_t chatBefore = 0;
        Play(
            game, {1, c.looker},
            [&]
            {
                chatBefore = game.view.ChatTexts().size();
                game.Deliver(c.msg);
            },
            c.want);
        EXPECT_EQ(game.view.leaves, c.otherLeft ? std::vector<int>{kOther} : std::vector<int>{});
        const auto chat = game.view.ChatTexts();
        ASSERT_EQ(chat.size(), chatBefore + (c.otherLeft ? 1 : 0));
        if (c.otherLeft)
        {
            EXPECT_EQ(chat.back(), L"[系统消息]:[other]离开本桌。\n");
        }
        EXPECT_EQ(game.view.escapeNotices, c.viewNotices);
    }
}

TEST(Escape, AutomaticLeaveRulesAndTheQuickMatchTimer)
{
    // The own seat stays empty in the view: only the others count.
    struct Case
    {
        int mode;
        int roomType;
        int others;
        int gameState;
        bool leaves;
    };
    const Case cases[] = {
        {0, 0, 1, 0, true},  {0, 0, 1, 1, false}, {1, 2, 1, 0, true}, {1, 0, 2, 0, true},
        {1, 0, 1, 0, false}, {2, 2, 1, 0, false}, {2, 2, 2, 0, true},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(testing::Message() << "mode " << c.mode << " kind " << c.roomType << " others " << c.others);
        EscapeGame game;
        std::vector<Entry> entries = {Seated(kMe, "me", 0), Seated(kOther, "other", 1), Seated(kOther + 1, "third", 2)};
        entries.resize(static_cast<size_t>(1 + c.others));
        game.Deliver(Snapshot(entries));
        Ostra::g_AppInfo.cEscapeMode = static_cast<std::int8_t>(c.mode);
        Ostra::g_AppInfo.iRoomType = c.roomType;
        Ostra::g_AppInfo.iGameState = c.gameState;
        EXPECT_EQ(game.wnd.JudgeAutoEscape(), c.leaves);
        EXPECT_EQ(game.Exits(), (c.leaves ? Exits{{2, 0}} : Exits{}));
    }
    // A quick-match table keeps timer 5 as it is; any other table restarts it.
    EscapeGame game;
    game.wnd.SetAutoLeaveTime(1000);
    Ostra::g_AppInfo.iRoomType = 1;
    Ostra::g_AppInfo.bQuickMatchTable = true;
    game.harness.Step(3);
    game.wnd.SetAutoLeaveTime(1200000);
    EXPECT_EQ(game.wnd.m_Timer.GetCount(Ostra::TIMER_AUTO_LEAVE), Ostra::Timer::TicksFor(1000) - 3);
    Ostra::g_AppInfo.bQuickMatchTable = false;
    game.wnd.SetAutoLeaveTime(1200000);
    EXPECT_EQ(game.wnd.m_Timer.GetCount(Ostra::TIMER_AUTO_LEAVE), Ostra::Timer::TicksFor(1200000));
}

TEST(Escape, TwentyIdleMinutesOfFramesLeaveATableWithAnEmptyChair)
{
    // Alone at the table: strict tables leave one that is not full, lenient ones only one where
    // others wait.
    for (int mode : {0, 2})
    {
        SCOPED_TRACE(mode);
        EscapeGame game;
        ASSERT_TRUE(game.Connect());
        game.Deliver(Snapshot({Seated(kMe, "me", 0)}));
        Ostra::g_AppInfo.cEscapeMode = static_cast<std::int8_t>(mode);
        game.wnd.SetAutoLeaveTime(1200000); // as the sit-down response does
        game.harness.Step(120000);
        EXPECT_TRUE(game.Exits().empty());
        game.harness.Step(1);
        EXPECT_EQ(game.Exits(), (mode == 0 ? Exits{{2, 0}} : Exits{}));
        EXPECT_EQ(game.wnd.m_Timer.GetCount(Ostra::TIMER_AUTO_LEAVE), Ostra::Timer::TicksFor(1200000));
        EXPECT_EQ(game.CloseAndRead(), mode == 0 ? Strings{kStats} : Strings{});
    }
}

TEST(Escape, GameStateReportsAndThePlayStart)
{
    EscapeGame game;
    ASSERT_TRUE(game.Connect());
    game.wnd.SendGameStateChange(2);
    EXPECT_EQ(Ostra::g_AppInfo.tPlayStart, 0);
    const auto before = static_cast<std::int64_t>(std::time(nullptr));
    game.wnd.SendGameStateChange(1);
    EXPECT_GE(Ostra::g_AppInfo.tPlayStart, before);
    EXPECT_LE(Ostra::g_AppInfo.tPlayStart, static_cast<std::int64_t>(std::time(nullptr)));
    EXPECT_EQ(game.CloseAndRead(), (Strings{"242:2", "242:1"}));
}

// An exit's last messages: everything queued before the close, the statistics last, reaches the
// server.
TEST(SessionClose, TheLastMessagesReachTheServer)
{
    EscapeGame game;
    constexpr int kCount = 250;
    Strings want(kCount, "200");
    want.push_back(kStats);
    Play(game, {},
         [&]
         {
             for (int i = 0; i < kCount; ++i)
             {
                 std::string msg = Message(0, SequenceBody(static_cast<std::uint32_t>(i), 1000));
                 game.wnd.SendNetMessage(&msg[0], 200, static_cast<int>(msg.size()));
             }
             game.wnd.OnButtonEsc();
         },
         {{}, {{1, 2}}, want});
}

// A lost connection is not waited for; a server that stops reading holds the close only up to
// the bound.
TEST(SessionClose, ALostConnectionClosesAtOnceAndAStalledOneByTheBound)
{
    using Clock = std::chrono::steady_clock;
    auto closeMs = [](EscapeGame& game)
    {
        const auto start = Clock::now();
        game.wnd.CloseSession();
        return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
    };
    std::string msg = Message(0, std::string(3000, 'x'));
    {
        EscapeGame game;
        ASSERT_TRUE(game.Connect());
        game.peer.Close();
        ASSERT_TRUE(game.PumpUntil([&] { return !game.wnd.IsNetAvailable(); }));
        game.wnd.SendNetMessage(&msg[0], 200, static_cast<int>(msg.size()));
        EXPECT_LT(closeMs(game), Ostra::kSessionCloseDrainMs / 2);
    }
    LogCapture log;
    EscapeGame game;
    ASSERT_TRUE(game.Connect());
    // The way out is full, so the frames wait in the write buffer.
    SaturateSocket(game.wnd.m_pClientStack->m_iSocket);
    for (int i = 0; i < 3; ++i)
        game.wnd.SendNetMessage(&msg[0], 200, static_cast<int>(msg.size()));
    const auto ms = closeMs(game);
    EXPECT_GE(ms, Ostra::kSessionCloseDrainMs - 50);
    EXPECT_LT(ms, Ostra::kSessionCloseDrainMs + 5000);
    EXPECT_TRUE(log.Contains("closing with bytes unsent")) << log.Text();
}
