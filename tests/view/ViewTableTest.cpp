// Two clients at one table of tessaro-devserver: this process's game, driven through pop's harness
// like a player at the keyboard and mouse, and the minimal game started by tessaro-lobby. A line
// typed here reaches the other's chat list and speech bubble; the other's line reaches this one's;
// a right click on the other's portrait opens his menu, whose "ask to leave" reaches the server.
//
// Texts to and from the children are UTF-8 (u8 literals); texts inside this process are GBK.
#include "tests/support/DevServerProcess.h"
#include "tests/support/LobbyProcess.h"
#include "tests/view/ViewSupport.h"

#include "platform/Text.h"
#include "tessaro/widgets/ChatShowWidget.h"
#include "tessaro/widgets/MenuWidget.h"
#include "tessaro/widgets/SkinEditWidget.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>

namespace
{

using namespace viewtest;
using testsupport::DevServerProcess;
using testsupport::GameEnvironment;
using testsupport::JsonInt;
using testsupport::JsonStr;
using testsupport::LobbyProcess;

constexpr int kTableWaitMs = 60000;
constexpr int kSelfId = 10001;
constexpr int kOtherId = 10002;

int SeatOf(const Ostra::GameViewBase& view, int userId)
{
    for (int seat = 0; seat < Ostra::kMaxSeats; ++seat)
    {
        if (view.m_pTableUser[seat] && view.m_pTableUser[seat]->iUserId == userId)
            return seat;
    }
    return -1;
}

TEST(ViewTable, TwoClientsChatAndTheMenuAsksTheOtherToLeave)
{
    // The own user is a member (the ask-to-leave entry is a members' one).
    const std::string players = testing::TempDir() + "view-table-players.txt";
    // The server reads its files as UTF-8.
    std::ofstream(players) << u8"user=10001 nick=甲 member=3\nuser=10002 nick=乙 sex=1\n";
    DevServerProcess server({"--tables", "1", "--chairs", "4", "--auto-sit", "--players", players});
    ASSERT_TRUE(server.Started()) << server.Stderr();

    ViewGame game(4, true);
    game.wnd.Resize(0, 0, Ostra::GameAppBase::STANDARD_WIDTH, Ostra::GameAppBase::STANDARD_HEIGHT);
    game.view.Resize(0, 0, Ostra::GameAppBase::STANDARD_WIDTH, Ostra::GameAppBase::STANDARD_HEIGHT);
    for (int seat = 0; seat < 4; ++seat)
    {
        game.view.m_ptUserShow[seat] = Sexy::TPoint<int>(100 + 200 * seat, 200);
        game.view.m_ptUserName[seat] = Sexy::TPoint<int>(100 + 200 * seat, 276);
        game.view.m_pChatShow[seat] =
            std::make_unique<Ostra::ChatShowWidget>(&game.app, &game.view, 0, 60 + 200 * seat, 90, 14, 0);
    }
    ASSERT_GE(game.OpenSessionTo(server.Port()), 0);
    ASSERT_TRUE(game.PumpUntil([&] { return game.wnd.IsSessionOpen(); }));
    unsigned char auth[44] = {};
    Ostra::PutBE32(auth + 8, kSelfId);
    game.wnd.SendNetMessage(auth, 32, sizeof auth);
    ASSERT_TRUE(game.PumpUntil([&] { return game.view.m_pSelfNode != nullptr; }, kTableWaitMs)) << server.Report();

    LobbyProcess other({"run", "--game", MINIMAL_GAME_BIN, "--server", "127.0.0.1:" + std::to_string(server.Port()),
                        "--arg", "2=" + std::to_string(kOtherId), "--headless", "--timeout", "300"},
                       GameEnvironment({std::string("MINIMAL_SAY=") + u8"你好，我是乙"}));
    ASSERT_TRUE(other.Started()) << other.SpawnError();
    ASSERT_TRUE(game.PumpUntil([&] { return SeatOf(game.view, kOtherId) >= 0; }, kTableWaitMs)) << server.Report();
    const int seat = SeatOf(game.view, kOtherId);

    // The other's line: in this chat list and in the bubble over his seat.
    ASSERT_TRUE(game.PumpUntil(
        [&]
        {
            for (const auto& line : ChatLinesOf(game.view))
                if (line.strText.find(L"[乙]说:你好，我是乙") != std::wstring::npos)
                    return true;
            return false;
        },
        kTableWaitMs))
        << other.Report() << server.Report();
    EXPECT_TRUE(game.view.m_pChatShow[seat]->m_bShow);
    EXPECT_NE(game.view.m_pChatShow[seat]->m_strText.find(L"你好，我是乙"), std::wstring::npos);

    // A line typed here: in the other's chat list and in his bubble over this player's seat.
    ASSERT_TRUE(other.WaitForStderr({"=10001@"}, kTableWaitMs)) << other.Report();
    Sexy::SkinEditWidget* edit = game.view.m_pEditChat.get();
    game.harness.Click(edit->mX + 10, edit->mY + edit->mHeight / 2);
    game.harness.Text(L"甲来了");
    game.harness.KeyDown(Sexy::KEYCODE_RETURN);
    game.harness.KeyUp(Sexy::KEYCODE_RETURN);
    EXPECT_TRUE(edit->mString.empty());
    EXPECT_TRUE(other.WaitForStderr({u8"说:甲来了"}, kTableWaitMs)) << other.Report();
    EXPECT_TRUE(other.WaitForStderr({u8"minimal: bubble 甲来了"}, kTableWaitMs)) << other.Report();

    // A right click on his portrait opens his menu at the cursor; its ask-to-leave line goes out.
    const Sexy::TPoint<int> at = game.view.m_ptUserShow[seat];
    game.harness.MouseMove(at.mX + 30, at.mY + 30);
    game.harness.Click(at.mX + 30, at.mY + 30, 1);
    Sexy::MenuWidget* menu = game.view.m_pUserMenu.get();
    ASSERT_TRUE(menu->mVisible);
    const int line = game.view.m_iMenuLine[Ostra::MENU_KICK];
    std::string shown;
    for (const std::wstring& l : menu->mLines)
        shown += platform::WideToUtf8(Sexy::MenuWidget::VisibleText(l)) + "\n";
    ASSERT_GT(line, 0) << shown << " game state " << Ostra::g_AppInfo.iGameState;
    EXPECT_EQ(Sexy::MenuWidget::VisibleText(menu->mLines[static_cast<size_t>(line)]), L"[请他离开(金冠特权)]");
    const int rowY = menu->mY + Sexy::MenuWidget::kTopMargin + line * menu->GetItemHeight() + menu->GetItemHeight() / 2;
    game.harness.MouseMove(menu->mX + 20, rowY);
    game.harness.Click(menu->mX + 20, rowY);
    const auto request = server.WaitForLine(
        [](const std::string& l) { return JsonStr(l, "event") == "recv" && JsonInt(l, "type") == 24; }, kTableWaitMs);
    ASSERT_TRUE(request) << server.Report();
    EXPECT_FALSE(menu->mVisible);
}

} // namespace
