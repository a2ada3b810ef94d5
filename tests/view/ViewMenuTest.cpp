// The player menu: its lines for each kind of target and viewer, the actions behind its entries
// and the messages they send, and the title tables with the default skin's.
#include "tests/view/ViewSupport.h"

#include "pop/Common.h"
#include "tessaro/widgets/MenuWidget.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <tuple>
#include <unistd.h>
#include <vector>

namespace
{

using namespace viewtest;
namespace fs = std::filesystem;

// Made first: a scratch folder as the current directory, where the view reads its title files.
struct ScratchCwd
{
    fs::path old = fs::current_path();
    fs::path dir = fs::path(testing::TempDir()) / ("tessaro-menu-" + std::to_string(getpid()));
    ScratchCwd()
    {
        fs::create_directories(dir);
        fs::current_path(dir);
    }
    ~ScratchCwd()
    {
        fs::current_path(old);
        fs::remove_all(dir);
    }
};

// The own user 10001 ("我") in chair 0 and 甲 (20002, sex 0) in chair 1 of a table of four.
struct MenuTable
{
    ScratchCwd cwd;
    ViewGame game{4};
    Ostra::AppInfo& info = Ostra::g_AppInfo;

    MenuTable()
    {
        std::snprintf(info.szNickName, sizeof(info.szNickName), "我");
        game.Deliver(Snapshot({Seated(10001, "我", 0), Seated(20002, "甲", 1)}));
    }
    std::vector<std::string> Lines() const // GBK
    {
        std::vector<std::string> out;
        for (const std::wstring& line : game.view.m_pUserMenu->mLines)
            out.push_back(Sexy::SexyStringToString(line));
        return out;
    }
    // The menu's listener hears a click on the line with that text.
    bool Click(const std::string& text)
    {
        const std::vector<std::string> lines = Lines();
        const auto at = std::find(lines.begin(), lines.end(), text);
        if (at != lines.end())
            game.view.ListClicked(Ostra::kUserMenuId, static_cast<int>(at - lines.begin()), 1);
        return at != lines.end();
    }
};

// The next menu message (types 20, 24, 113), skipping the session's own.
std::string NextMenuMessage(Peer& peer)
{
    std::string msg;
    while (peer.ReadMessage(msg, kWaitMs))
    {
        if (msg.size() >= 2 && (msg[1] == 20 || msg[1] == 24 || msg[1] == 113))
            return msg;
    }
    return std::string();
}

TEST(ViewMenu, FiguresAtTheCursor)
{
    MenuTable t;
    Ostra::PlayerNode& target = *t.game.view.GetPlayerNode(20002);
    target.iMoney = -250;
    target.iAmount = 1234;
    target.iLoseNum = 1;
    target.iWinNum = 3;
    std::memcpy(target.szNickName, "ABCDEFGHIJKLMNOP", 16); // no terminator
    t.game.harness.MouseMove(300, 200);
    t.game.view.ShowUserInfoMenu(20002);
    std::vector<std::string> lines = t.Lines();
    lines.resize(7);
    EXPECT_EQ(lines,
              (std::vector<std::string>{"^ffffff0ABCDEFGHIJKLMNOP^oldclr0", "_seperator", "游戏币: ^6fdebc0-250",
                                        "实力积分: ^6fdebc01234      ^oldclr0实力称号: ^6fdebc0-    ",
                                        "胜: ^6fdebc03        ^oldclr0负: ^6fdebc01        ^oldclr0平: ^6fdebc00      ",
                                        "胜率: ^6fdebc075%^oldclr0", "_seperator"}));
    const Sexy::MenuWidget& menu = *t.game.view.m_pUserMenu;
    EXPECT_TRUE(menu.mVisible);
    EXPECT_EQ(menu.GetItemHeight(), 17);
    EXPECT_EQ(menu.GetUserID(), 20002);
    EXPECT_EQ(Sexy::Point(menu.mX, menu.mY), Sexy::Point(300, 200) - t.game.view.GetAbsPos());

    target.iWinNum = target.iLoseNum = 0;
    t.game.view.ShowUserInfoMenu(20002);
    EXPECT_EQ(t.Lines()[5], "胜率: ^6fdebc00%");
    // No seat slot (the own user has none): no menu.
    for (int nobody : {10001, 30003})
        t.game.view.ShowUserInfoMenu(nobody);
    EXPECT_EQ(t.Lines()[5], "胜率: ^6fdebc00%");
}

TEST(ViewMenu, EntriesByTargetViewerAndRights)
{
    const std::string her = "[请她离开(金冠特权)]", him = "[请他离开(金冠特权)]", cards = "[请求旁观看牌]",
                      watch = "[旁观该玩家]", detail = "[查看详细资料]";
    struct Case
    {
        const char* what;
        int target; // 20002 seated; 30003 a looker (sex 1) and 10001 the own record, put in slots
        int gameState, watchChair, roomType;
        bool againLogin, gm;
        std::vector<std::string> entries; // after the GM part for game masters
    };
    const Case cases[] = {
        {"idle table", 20002, 0, -1, 0, false, false, {her, watch, detail}},
        {"running game", 20002, 1, -1, 0, false, false, {detail}},
        {"running game, looker", 30003, 1, -1, 0, false, false, {him, detail}},
        {"not placed yet", 20002, 1, -2, 0, false, false, {watch, detail}},
        {"watching him after login again", 20002, 1, 1, 0, true, false, {cards, detail}},
        {"watching him", 20002, 0, 1, 0, false, false, {her, detail}},
        {"watching another", 20002, 1, 3, 0, true, false, {watch, detail}},
        {"game master, anti-cheat room", 20002, 0, -1, 4, false, true, {her, watch}},
        {"own record, game master", 10001, 0, -1, 0, false, true, {detail}},
    };
    for (const Case& c : cases)
    {
        MenuTable t;
        Ostra::PlayerNode other = *t.game.view.GetPlayerNode(20002);
        other.iUserId = c.target;
        other.cChairId = c.target == 30003 ? -1 : 1;
        other.cSex = 1;
        if (c.target != 20002)
            t.game.view.SetUserInfo(3, &other, false);
        t.info.iGameState = c.gameState;
        t.info.iWatchChairId = c.watchChair;
        t.info.iRoomType = c.roomType;
        t.info.bAgainLogin = c.againLogin;
        t.info.bGmRightB = c.gm;
        t.game.view.ShowUserInfoMenu(c.target);
        std::vector<std::string> expected = c.entries;
        if (c.gm)
            expected.insert(expected.begin(),
                            {"用户ID:" + std::to_string(c.target), "_seperator", "[查询此玩家详细信息]",
                             "[禁止此玩家发言]", "[踢除此玩家(GM提示,关大厅)]", "[解散此玩家所在桌]", "_seperator",
                             "[强制踢除此玩家(踢断线)", "_seperator"});
        const std::vector<std::string> lines = t.Lines();
        EXPECT_EQ(std::vector<std::string>(lines.begin() + std::min<size_t>(7, lines.size()), lines.end()), expected)
            << c.what;
    }
}

TEST(ViewMenu, ActionsSendTheirRequestsAndChatLines)
{
    MenuTable t;
    t.info.iLaunchArg3 = 0x01020304;
    t.info.iLaunchArg20 = 0x1234;
    Peer peer = t.game.Connect();
    ASSERT_TRUE(peer.Valid());

    // Without a membership level a box instead of the request; without rights the GM actions and
    // the figures' lines do nothing; calling oneself or a player without a seat neither.
    t.game.view.ShowUserInfoMenu(20002);
    ASSERT_TRUE(t.Click("[请她离开(金冠特权)]"));
    EXPECT_EQ(BoxTextsOf(t.game.harness), std::vector<std::string>{"只有金冠会员才能使用该功能。"});
    EXPECT_FALSE(t.game.view.m_pUserMenu->mVisible);
    for (auto action : {&Ostra::GameViewBase::OnMenuGmFindUserInfo, &Ostra::GameViewBase::OnMenuGmKickChat,
                        &Ostra::GameViewBase::OnMenuGmKick, &Ostra::GameViewBase::OnMenuGmDisTable,
                        &Ostra::GameViewBase::OnMenuGmForceKick})
        (t.game.view.*action)(20002);
    for (int row : {0, 2, 5})
        t.game.view.ListClicked(Ostra::kUserMenuId, row, 1);
    t.game.view.OnMenuPlayerCall(10001);
    t.game.view.OnMenuPlayerCall(30003);
    t.game.view.OnMenuSeeCardReq(20002);
    std::string msg = NextMenuMessage(peer);
    ASSERT_EQ(msg.size(), 12u);
    EXPECT_EQ(msg[1], 113);
    EXPECT_EQ(BE32At(msg, 8), 20002);

    t.info.iVipLevel = 1;
    t.info.bGmRightA = true;
    t.game.view.ShowUserInfoMenu(20002);
    for (auto [entry, command] : {std::pair{"[请她离开(金冠特权)]", 0}, std::pair{"[禁止此玩家发言]", 2},
                                  std::pair{"[踢除此玩家(GM提示,关大厅)]", 1}, std::pair{"[解散此玩家所在桌]", 5}})
    {
        ASSERT_TRUE(t.Click(entry)) << entry;
        msg = NextMenuMessage(peer);
        ASSERT_EQ(msg.size(), 276u) << entry;
        EXPECT_EQ(msg[1], 24);
        EXPECT_EQ(BE32At(msg, 8), 20002);
        EXPECT_EQ(msg[12], command) << entry;
        EXPECT_EQ(msg.find_first_not_of('\0', 13), std::string::npos) << entry;
    }

    // Chat lines: sender id and nick, addressee nick, text, kind, the two launch values.
    t.Click("[查询此玩家详细信息]");
    t.Click("[强制踢除此玩家(踢断线)");
    t.game.view.OnMenuPlayerCall(20002);
    const std::string chats[][4] = {{"", "", "/chaxun 20002", "0 0 0"},
                                    {"我", "", "/forcekick  20002", "1 16909060 52"},
                                    {"我", "甲", "[我]呼叫[甲]", "4 0 0"}};
    for (const auto& c : chats)
    {
        msg = NextMenuMessage(peer);
        ASSERT_EQ(msg.size(), 572u) << c[2];
        EXPECT_EQ(BE32At(msg, 8), 10001);
        EXPECT_EQ((std::vector<std::string>{msg.c_str() + 12, msg.c_str() + 32, msg.c_str() + 48,
                                            std::to_string(msg[560]) + " " + std::to_string(BE32At(msg, 564)) + " " +
                                                std::to_string(static_cast<unsigned char>(msg[568]))}),
                  (std::vector<std::string>{c[0], c[1], c[2], c[3]}));
    }

    // No asking to leave in anti-cheat rooms.
    t.info.iRoomType = 2;
    t.game.view.OnMenuKick(20002);
    t.game.view.OnMenuSeeCardReq(1);
    EXPECT_EQ(BE32At(NextMenuMessage(peer), 8), 1);
}

TEST(ViewMenu, TheDetailsEntryOpensThePlayersPage)
{
    MenuTable t;
    // An address opener that notes what it opens; no browser starts.
    const fs::path bin = t.cwd.dir / "bin", opened = t.cwd.dir / "opened";
    fs::create_directories(bin);
    std::ofstream(bin / "xdg-open") << "#!/bin/sh\nprintf '%s\\n' \"$1\" >> '" << opened.string() << "'\n";
    fs::permissions(bin / "xdg-open", fs::perms::owner_all);
    const std::string path = std::getenv("PATH") ? std::getenv("PATH") : "";
    setenv("PATH", (bin.string() + ":" + path).c_str(), 1);
    std::snprintf(t.info.szDetailUrl, sizeof(t.info.szDetailUrl), "http://detail.example/u?");
    t.game.view.ShowUserInfoMenu(20002);
    ASSERT_TRUE(t.Click("[查看详细资料]"));
    t.game.view.OnMenuSeeDetail(10001);
    const std::string expected = "http://detail.example/u?xId=20002\nhttp://detail.example/u?xId=10001\n";
    std::string text;
    EXPECT_TRUE(PollUntil(
        [&]
        {
            std::ifstream in(opened);
            text.assign(std::istreambuf_iterator<char>(in), {});
            return text.size() >= expected.size();
        }));
    setenv("PATH", path.c_str(), 1);
    EXPECT_EQ(text, expected);
}

TEST(ViewMenu, TitleTables)
{
    MenuTable t;
    Ostra::GameViewBase& view = t.game.view;
    char out[Ostra::kTitleLen];
    EXPECT_EQ(view.GetMoneyData(), -1);
    EXPECT_EQ(view.GetMoneyName(5000, out), 0);
    EXPECT_STREQ(out, "-");

    // Blank lines skipped, titles cut to whole characters within 15 bytes with their thresholds kept.
    std::ofstream(t.cwd.dir / "amountname.dat", std::ios::binary)
        << "新手 0\n\r\n入门 100\n\n   \nABCDEFGHIJKLMNOPQRS 1000\n一二三四五六七八 5000\n";
    ASSERT_EQ(view.GetAmountData(), 0);
    EXPECT_EQ(view.m_iAmountNameNum, 4);
    for (auto [value, index, title] :
         {std::tuple{0, 0, "-"}, std::tuple{1, 0, "新手"}, std::tuple{100, 0, "新手"}, std::tuple{101, 1, "入门"},
          std::tuple{1001, 2, "ABCDEFGHIJKLMNO"}, std::tuple{9999, 3, "一二三四五六七"}})
    {
        EXPECT_EQ(view.GetAmountName(value, out), index) << value;
        EXPECT_STREQ(out, title) << value;
    }
    // 150 entries keep the first 100; an over-long line is one entry.
    std::ofstream money(t.cwd.dir / "moneyname.dat", std::ios::binary);
    money << std::string(12000, 'x') << " 0\n";
    for (int i = 0; i < 150; ++i)
        money << "t" << i << " " << i * 10 << "\r\n";
    money.close();
    ASSERT_EQ(view.GetMoneyData(), 0);
    EXPECT_EQ(view.GetMoneyName(1000000, out), 99);
    EXPECT_STREQ(out, "t98");

    // The default skin's tables, in the staged game's folder: ten titles or more, rising.
    fs::current_path(fs::path(MINIMAL_GAME_BIN).parent_path());
    ASSERT_EQ(view.GetMoneyData() + view.GetAmountData(), 0);
    EXPECT_STREQ(view.m_szMoneyName[0], "平民");
    EXPECT_STREQ(view.m_szAmountName[0], "新手");
    for (auto [values, count] :
         {std::pair{view.m_iMoneyValue, view.m_iMoneyNameNum}, std::pair{view.m_iAmountValue, view.m_iAmountNameNum}})
    {
        EXPECT_GE(count, 10);
        EXPECT_EQ(std::adjacent_find(values, values + count, std::greater_equal<int>()), values + count);
    }
}

} // namespace
