// The table view's seats: chairs turned into local seats and back, the seat slots, the stake
// multiplier, the chair buttons with the skin's pictures and the chair request they send.
#include "tests/players/PlayersTestSupport.h"

#include "pop/ButtonWidget.h"
#include "tessaro/app/SkinImages.h"

#include <gtest/gtest.h>

#include <string>

namespace
{

using namespace playerstest;

TEST(SeatTurn, ChairsToSeatsAndBack)
{
    PlayersGame game(4);
    Ostra::AppInfo& info = Ostra::g_AppInfo;
    struct Case
    {
        int chairs, own, watched;
        int seats[4]; // the local seat of chairs 0 to 3
    };
    const Case cases[] = {
        {4, 2, -1, {3, 0, 1, 2}}, // a seated player: his chair is seat 1
        {4, 2, -2, {3, 0, 1, 2}},
        {4, 3, 0, {1, 2, 3, 0}},  // a looker: the watched chair is seat 1 whatever his own
        {4, 1, -3, {0, 1, 2, 3}}, // neither: unturned
    };
    for (const Case& c : cases)
    {
        info.iMaxPlayerNum = c.chairs;
        info.iChairId = c.own;
        info.iWatchChairId = c.watched;
        const int base = c.watched >= 0 ? c.watched : c.own;
        for (int chair = 0; chair < c.chairs; ++chair)
        {
            const int seat = game.view.GetLocalTablePos(chair);
            EXPECT_EQ(seat, c.seats[chair]) << "chair " << chair << " watched " << c.watched;
            if (c.watched >= -2)
            {
                EXPECT_EQ(game.view.GetServerTablePos(c.chairs, seat, base), chair);
            }
        }
    }
    EXPECT_EQ(game.view.GetServerTablePos(4, 1, 2), 2);
    EXPECT_EQ(game.view.GetServerTablePos(4, 2, 1), 2);
    EXPECT_EQ(game.view.GetServerTablePos(0, 1, 2), -1);
    EXPECT_EQ(game.view.GetServerTablePos(-3, 1, 2), -1);
}

TEST(SeatSlots, FilledAroundTheOwnChairWithoutTheOwnRecord)
{
    PlayersGame game(4);
    Ostra::PlayerNode* nodes = game.wnd.m_PlayerNode;
    auto fill = [&](int i, int userId, int chair)
    {
        nodes[i] = Ostra::PlayerNode{};
        nodes[i].iUserId = userId;
        nodes[i].cChairId = static_cast<std::int8_t>(chair);
        nodes[i].cWatchChairId = -1;
    };
    fill(0, 10001, 2);
    fill(1, 20001, 3);
    fill(2, 20002, 0);
    fill(3, 20003, 0); // the same seat as 20002: the later record wins
    nodes[0].iUserType = 0x0C;
    nodes[0].cMemberLevel = 5;
    game.view.SetTableUserInfo(0);
    EXPECT_EQ(Ostra::g_AppInfo.iChairId, 2);
    EXPECT_EQ(Ostra::g_AppInfo.iRightMask, 0x0C);
    EXPECT_EQ(Ostra::g_AppInfo.iVipLevel, 5);
    EXPECT_EQ(game.view.m_pSelfNode, &nodes[0]);
    EXPECT_EQ(game.view.m_pTableUser[1], nullptr);
    EXPECT_EQ(game.view.m_pTableUser[2], &nodes[1]);
    EXPECT_EQ(game.view.m_pTableUser[3], &nodes[3]);
    EXPECT_EQ(game.view.GetPlayerNode(10001), nullptr);
    EXPECT_EQ(game.view.GetPlayerNode(20003), &nodes[3]);
    EXPECT_EQ(game.view.userImages, 1);

    // A record whose chair the turn cannot bring onto a seat is left out, not written outside.
    fill(1, 20001, 9);
    game.view.m_iTablePlayerNum = 3;
    fill(0, 10001, 9);
    fill(2, 20002, 0);
    game.view.SetTableUserInfo(0);
    for (Ostra::PlayerNode* slot : game.view.m_pTableUser)
        EXPECT_NE(slot, &nodes[2]);

    // With no chairs declared nothing is placed, but the multiplier and portraits still follow.
    game.view.m_iTablePlayerNum = 0;
    game.view.SetTableUserInfo(0);
    EXPECT_EQ(game.view.userImages, 3);
    EXPECT_FALSE(game.view.SetUserInfo(10, &nodes[1], true));
    EXPECT_TRUE(game.view.SetUserInfo(9, &nodes[1], true));
    EXPECT_EQ(game.view.m_pTableUser[9], &nodes[1]);
}

TEST(SeatSlots, AMissingOwnRecordIsLoggedAndABrokenChairCountEndsTheGame)
{
    LogCapture log;
    {
        PlayersGame game(4);
        game.view.SetTableUserInfo(0);
        EXPECT_TRUE(log.Contains("[CGameBaseView]\tSetTableUserInfo m_pAppInfo->iTableNumExtra 没有赋值"));
        EXPECT_FALSE(game.app.IsShuttingDown());
    }
    for (int chairs : {0, 11})
    {
        PlayersGame game(chairs);
        game.view.m_pTableUser[0] = &game.wnd.m_PlayerNode[0];
        game.view.SetTableUserInfo(0);
        EXPECT_EQ(game.view.m_pTableUser[0], &game.wnd.m_PlayerNode[0]);
        ASSERT_EQ(game.harness.MessageBoxes().size(), 1u);
        EXPECT_EQ(game.harness.MessageBoxes()[0].text, "iMaxPlayerNum 没有值");
        EXPECT_EQ(game.harness.MessageBoxes()[0].title, "Message");
        EXPECT_TRUE(game.app.IsShuttingDown());
    }
}

TEST(BaseTimes, FromTheStakeUnitAndTheLowestMoney)
{
    struct Case
    {
        int unit, maxTimes, lowestMoney, expected;
    };
    const Case cases[] = {
        {1000005, 0, 10, 5},                      // a fixed multiplier in the unit
        {1000000, 0, 5000, 1},                    // 1000000 itself carries no multiplier: 5000 / 1000000, at least 1
        {100, 0, 50, 1},                          // below one unit: at least 1
        {100, 0, 1000, 10},    {100, 3, 1000, 3}, // capped
        {100, 0, -500, 1},                        // a player in debt
        {1, 0, 1000, -7},                         // a unit below 2 changes nothing
    };
    for (const Case& c : cases)
    {
        PlayersGame game(3);
        Ostra::g_AppInfo.iGameBaseTimes = c.unit;
        Ostra::g_AppInfo.iMaxTimes = c.maxTimes;
        game.view.m_iBaseTimes = -7;
        Ostra::PlayerNode rich{}, poor{};
        rich.iMoney = 99999;
        poor.iMoney = c.lowestMoney;
        game.view.m_pTableUser[0] = &rich;
        game.view.m_pTableUser[2] = &poor;
        game.view.SetGameBaseTimes();
        EXPECT_EQ(game.view.m_iBaseTimes, c.expected) << "unit " << c.unit << " money " << c.lowestMoney;
    }

    // While the game plays the new multiplier waits for the next desk.
    PlayersGame game(3);
    Ostra::g_AppInfo.iGameBaseTimes = 1000004;
    game.view.m_iBaseTimes = 2;
    game.view.m_bGamePlaying = true;
    game.view.m_iNetDelay[3] = 80;
    game.view.SetGameBaseTimes();
    EXPECT_EQ(game.view.m_iBaseTimes, 2);
    EXPECT_EQ(game.view.m_iNextBaseTimes, 4);
    game.view.InitDeskInfo();
    EXPECT_EQ(game.view.m_iBaseTimes, 4);
    EXPECT_EQ(game.view.m_iNextBaseTimes, 0);
    EXPECT_FALSE(game.view.m_bGamePlaying);
    EXPECT_EQ(game.view.m_iNetDelay[3], 0);
}

TEST(ChairButtons, TheSkinsChairsTurnedPerSeatAndAllHidden)
{
    PlayersGame game(7, true);
    ASSERT_NE(Sexy::IMG_BASE_BTN_SIT, nullptr) << "the build stages the skin beside the minimal game";
    ASSERT_NE(Sexy::IMG_BASE_BTN_SIT_OBLIQUE, nullptr);
    Sexy::Image* chair1 = Sexy::IMG_BASE_BTN_SIT;
    Sexy::Image* chair2 = Sexy::IMG_BASE_BTN_SIT_OBLIQUE;
    EXPECT_EQ(chair1->mNumCols, 3);
    EXPECT_EQ(chair2->mNumCols, 3);

    // Each seat's normal look against its source picture, pixel for pixel: plain, mirrored (x
    // turned within the cel), flipped (y turned), or both.
    struct Look
    {
        Sexy::Image* source;
        bool mirror, flip;
    };
    const Look looks[7] = {{chair2, false, true}, {chair2, false, false}, {chair2, true, true},  {chair1, true, false},
                           {chair2, true, false}, {chair2, false, false}, {chair1, false, false}};
    for (int seat = 0; seat < Ostra::kMaxSeats; ++seat)
    {
        Sexy::ButtonWidget* button = game.view.m_pBtnChair[seat].get();
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(button->mId, 104 + seat);
        EXPECT_FALSE(button->mVisible);
        EXPECT_EQ(button->mParent, &game.view);
        if (seat >= 7)
        {
            EXPECT_EQ(button->mButtonImage, nullptr);
            continue;
        }
        const Look& look = looks[seat];
        ASSERT_NE(button->mButtonImage, nullptr);
        EXPECT_EQ(button->mWidth, look.source->GetCelWidth());
        EXPECT_EQ(button->mHeight, look.source->GetCelHeight());
        const int w = look.source->GetCelWidth();
        const int h = look.source->GetCelHeight();
        int differences = 0;
        for (int y = 0; y < h; y += 3)
        {
            for (int x = 0; x < w; x += 3)
            {
                const int sx = look.mirror ? w - 1 - x : x;
                const int sy = look.flip ? h - 1 - y : y;
                differences += button->mButtonImage->GetPixelARGB(x, y) != look.source->GetPixelARGB(sx, sy);
            }
        }
        EXPECT_EQ(differences, 0) << "seat " << seat;
    }
}

TEST(ChairButtons, WithoutTheSkinTheButtonsHaveNoPictures)
{
    PlayersGame game(7);
    EXPECT_EQ(Sexy::IMG_BASE_BTN_SIT, nullptr);
    for (const auto& button : game.view.m_pBtnChair)
    {
        EXPECT_EQ(button->mButtonImage, nullptr);
        EXPECT_EQ(button->mWidth, 0);
    }
    game.harness.Step(2); // drawing and updating buttons without pictures is fine
}

std::string VisibleButtons(const PlayersView& view)
{
    std::string out;
    for (int seat = 0; seat < Ostra::kMaxSeats; ++seat)
        out += view.m_pBtnChair[seat]->mVisible ? '0' + seat : '.';
    return out;
}

TEST(ChairButtons, OnlyEmptySeatsBelowTheChairCountAndNeverSeatOne)
{
    PlayersGame game(5);
    Ostra::PlayerNode other{};
    game.view.m_pTableUser[3] = &other;
    game.view.m_pBtnChair[8]->SetVisible(true); // beyond the chairs: left as it is
    game.view.UpdateBtnChair();
    EXPECT_EQ(VisibleButtons(game.view), "0.2.4...8.");
    for (int roomType : {2, 4})
    {
        Ostra::g_AppInfo.iRoomType = roomType;
        game.view.UpdateBtnChair();
        EXPECT_EQ(VisibleButtons(game.view), "..........");
    }
    Ostra::g_AppInfo.iRoomType = 0;
    game.view.UpdateBtnChair();
    game.view.InvalidAllBtnChair();
    EXPECT_EQ(VisibleButtons(game.view), "..........");
}

TEST(ChairButtons, APressAsksForTheChairUnderTheSeat)
{
    PlayersGame game(4);
    Peer server = game.Connect();
    ASSERT_TRUE(server.Valid());
    // Sitting at chair 2 of table 6: seat 0 is chair 1, seat 3 chair 0.
    game.Deliver(Snapshot({Seated(10001, "我", 2), []
                           {
                               Entry e = Seated(20001, "甲", 3);
                               e.table = 6;
                               return e;
                           }()}));
    ASSERT_EQ(game.view.m_pTableUser[2]->iUserId, 20001);

    game.view.ButtonDepress(104 + 3);
    std::string msg;
    ASSERT_TRUE(ReadMessageOfType(server, Ostra::MSG_SIT_DOWN_REQ, msg));
    ASSERT_EQ(msg.size(), 44u);
    EXPECT_EQ(Hex(msg.substr(0, 12)), "0395000000000024"
                                      "06000000");
    EXPECT_EQ(msg.substr(10), std::string(34, '\0'));
    game.view.OnBtnChair(0);
    ASSERT_TRUE(ReadMessageOfType(server, Ostra::MSG_SIT_DOWN_REQ, msg));
    EXPECT_EQ(msg[9], 1);

    // While a game runs the seated player is told to wait; seats beyond the chairs do nothing.
    Ostra::g_AppInfo.iGameState = 1;
    game.view.OnBtnChair(0);
    ASSERT_FALSE(ChatLinesOf(game.view).empty());
    EXPECT_EQ(ChatLinesOf(game.view).back().strText, L"请等待本局游戏结束。");
    EXPECT_EQ(ChatLinesOf(game.view).back().iKind, 5);
    Ostra::g_AppInfo.iGameState = 0;
    game.view.OnBtnChair(4);
    game.view.ButtonDepress(114);
    // An empty table: nothing to count from, nothing sent.
    game.view.m_pTableUser[2] = nullptr;
    game.view.OnBtnChair(0);
    char keepAlive[12] = {};
    game.wnd.SendNetMessage(keepAlive, Ostra::MSG_KEEP_ALIVE, 12);
    ASSERT_TRUE(server.ReadMessage(msg));
    EXPECT_EQ(static_cast<unsigned char>(msg[1]), Ostra::MSG_KEEP_ALIVE);
}

TEST(ViewCoordinates, ParentPointsAndRectanglesBecomeTheViewsOwn)
{
    PlayersGame game;
    game.view.Move(10, 20);
    Sexy::TPoint<int> points[2] = {{15, 25}, {0, 0}};
    game.view.AbsolutePointToRelativePoint(points, 2);
    EXPECT_EQ(points[0], Sexy::TPoint<int>(5, 5));
    EXPECT_EQ(points[1], Sexy::TPoint<int>(-10, -20));
    Sexy::TRect<int> rect(708, 711, 272, 20);
    game.view.AbsoluteRectToRelativeRect(&rect, 1);
    EXPECT_EQ(rect, Sexy::TRect<int>(698, 691, 272, 20));
    game.view.AbsoluteRectToRelativeRect(&rect, 0);
    game.view.AbsolutePointToRelativePoint(nullptr, 3);
    EXPECT_EQ(rect.mX, 698);
}

} // namespace
