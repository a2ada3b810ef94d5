// The user list and the players round the table: rows, picture cells and game-master columns,
// portrait files and their fall-backs, portraits and names drawn, mouse presses, digit strips.
#include "tests/view/ViewSupport.h"

#include "pop/Graphics.h"
#include "pop/SysFont.h"
#include "tessaro/widgets/MenuWidget.h"
#include "tessaro/widgets/RichListWidget.h"
#include "tessaro/widgets/SkinListWidget.h"

#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>
#include <utility>
#include <vector>

namespace
{

using namespace viewtest;
namespace fs = std::filesystem;

using UsersGame = ViewGame;

// "<scratch>/game" as the current directory for the test, so "..\UserImage" is the scratch's.
struct ScratchGameDir
{
    ScratchGameDir() : old(fs::current_path())
    {
        char tmpl[] = "/tmp/tessaro-users-XXXXXX";
        dir = mkdtemp(tmpl) ? tmpl : "";
        fs::create_directories(dir / "game");
        fs::current_path(dir / "game");
    }
    ~ScratchGameDir()
    {
        fs::current_path(old);
        std::error_code ignored;
        fs::remove_all(dir, ignored);
    }
    // A one-colour PNG under whatever name it is given (the loader goes by the content).
    void Picture(const std::string& relative, const Sexy::Color& color) const
    {
        fs::create_directories((dir / relative).parent_path());
        Sexy::DDImage image(4, 4);
        image.Clear(color);
        ASSERT_TRUE(ImageLib::WritePNGImage((dir / "p.png").string(), &image));
        fs::rename(dir / "p.png", dir / relative);
    }
    fs::path old, dir;
};

Ostra::PlayerNode Record(int userId, int level = 0, int head = 0, int sex = 0)
{
    Ostra::PlayerNode node{};
    node.iUserId = userId;
    std::snprintf(node.szNickName, sizeof(node.szNickName), "u%d", userId);
    node.cMemberLevel = static_cast<std::int8_t>(level);
    node.cHeadId = static_cast<std::int8_t>(head);
    node.cSex = static_cast<std::int8_t>(sex);
    return node;
}

std::wstring Cell(Ostra::GameViewBase& view, int row, int column)
{
    return view.m_pUserList->GetStringAt(row, column);
}

int CountColor(const Sexy::Image& image, const Sexy::Rect& r, const Sexy::Color& color)
{
    int n = 0;
    for (int y = r.mY; y < r.mY + r.mHeight; ++y)
        for (int x = r.mX; x < r.mX + r.mWidth; ++x)
            n += image.GetPixel(x, y) == color;
    return n;
}

TEST(ViewUsers, RowsStartAtTheOwnRecordAndSkipEmptyAndHiddenOnes)
{
    struct Case
    {
        int own, empty, hidden; // record indexes, -1 for none
        std::vector<int> order; // the records of the rows
    };
    const Case cases[] = {{3, -1, -1, {3, 4, 5, 6, 7, 8, 9, 0, 1, 2}},
                          {3, 5, 8, {3, 4, 6, 7, 9, 0, 1, 2}},
                          {0, 4, -1, {0, 1, 2, 3, 5, 6, 7, 8, 9}}};
    UsersGame game(4);
    Ostra::PlayerNode* nodes = game.wnd.m_PlayerNode;
    for (const Case& c : cases)
    {
        for (int i = 0; i < Ostra::kTablePlayerNodes; ++i)
            nodes[i] = i == c.empty ? Ostra::PlayerNode{} : Record(i == c.own ? 10001 : 20000 + i);
        if (c.hidden >= 0)
            nodes[c.hidden].iUserType = 4;
        game.view.InsertAllUserList();
        std::vector<std::wstring> ids, expected;
        for (int row = 0; row < game.view.m_pUserList->GetColumnList(0)->GetLineCount(); ++row)
            ids.push_back(Cell(game.view, row, Ostra::g_iUserIdColumn));
        for (int i : c.order)
            expected.push_back(std::to_wstring(nodes[i].iUserId));
        EXPECT_EQ(ids, expected) << "own at " << c.own;
        EXPECT_EQ(Cell(game.view, 0, 2), L"u10001");
    }
}

TEST(ViewUsers, PictureCellsByRoomTypeAndGameMasterColumns)
{
    // Rows: the own one (level 3, head 2, sex 1), a member (level 5, head 2, sex 1), a player
    // with neither (sex -1: picture -1, which the list does not draw).
    struct Case
    {
        int roomType, ownLevelInAppInfo;
        std::wstring cells[3][2];
    };
    const Case cases[] = {{0, 0, {{L"3", L"17"}, {L"5", L"17"}, {L"", L"-1"}}},
                          {3, 4, {{L"10", L"17"}, {L"5", L"17"}, {L"", L"-1"}}},
                          {2, 4, {{L"10", L"1"}, {L"15", L"1"}, {L"", L"-1"}}},
                          {4, 0, {{L"3", L"1"}, {L"15", L"1"}, {L"", L"-1"}}}};
    UsersGame game(4);
    Ostra::PlayerNode* nodes = game.wnd.m_PlayerNode;
    nodes[0] = Record(10001, 3, 2, 1);
    nodes[1] = Record(20001, 5, 2, 1);
    nodes[2] = Record(20002, 0, 0, -1);
    nodes[2].cAreaId = static_cast<std::int8_t>(200);
    nodes[2].iCMValue = -7;
    for (const Case& c : cases)
    {
        Ostra::g_AppInfo.iRoomType = c.roomType;
        Ostra::g_AppInfo.cMemberLevel = static_cast<std::int8_t>(c.ownLevelInAppInfo);
        game.view.InsertAllUserList();
        for (int row = 0; row < 3; ++row)
            for (int column = 0; column < 2; ++column)
                EXPECT_EQ(Cell(game.view, row, column), c.cells[row][column]) << c.roomType << " " << row;
    }
    Sexy::SkinListWidget* nicks = game.view.m_pUserList->GetColumnList(2);
    EXPECT_TRUE(nicks->IsVip(0) && nicks->IsVip(1) && !nicks->IsVip(2));

    // The shown columns add up to 480; the last five open only for game masters, all but one.
    Sexy::RichListWidget& list = *game.view.m_pUserList;
    auto hidden = [&]
    {
        std::vector<int> out;
        for (size_t column = 10; column < list.m_vecColumn.size(); ++column)
            out.push_back(list.m_vecColumn[column].width);
        return out;
    };
    EXPECT_EQ(list.GetListWidth(), 480);
    game.view.InitGmUserListWidth();
    EXPECT_EQ(hidden(), (std::vector<int>{0, 0, 0, 0, 0}));
    EXPECT_EQ(Cell(game.view, 2, 11), Sexy::SkinListWidget::kPlaceholder);
    Ostra::g_AppInfo.bGmRightB = true;
    game.view.InitGmUserListWidth();
    game.view.InsertAllUserList();
    EXPECT_EQ(hidden(), (std::vector<int>{60, 60, 60, 60, 0}));
    EXPECT_EQ(Cell(game.view, 2, 11), L"200");
    EXPECT_EQ(Cell(game.view, 2, 12), L"-7");
}

TEST(ViewUsers, RightClicksOnARowOrAPortraitOpenTheMenuOfThatUser)
{
    UsersGame game(4);
    game.Deliver(Snapshot({Seated(10001, "me", 1), Seated(10002, "nick", 2)}));
    Sexy::MenuWidget& menu = *game.view.m_pUserMenu;
    menu.SetVisible(false);
    game.view.ListClicked(Ostra::kUserListId + 3, 1, 1); // a left click only selects
    EXPECT_FALSE(menu.mVisible);
    game.view.ListClicked(Ostra::kUserListId + 3, 1, -1);
    EXPECT_TRUE(menu.mVisible && menu.GetUserID() == 10002);

    game.view.m_ptUserShow[2] = {100, 100};
    EXPECT_EQ(game.view.IsInUserShowRect(159, 159), 10002);
    EXPECT_EQ(game.view.IsInUserShowRect(160, 100) + game.view.IsInUserShowRect(100, 99), 0);
    // x, click count, the menu shown afterwards: outside the portraits and on left or middle
    // presses it closes.
    const int cases[][3] = {{110, -1, 1}, {10, -2, 0}, {110, 1, 0}, {110, 3, 0}};
    for (const auto& [x, clickCount, shown] : cases)
    {
        menu.SetVisible(!shown);
        game.view.m_pQuickChatList->SetVisible(true);
        game.view.MouseDown(x, 110, clickCount);
        EXPECT_FALSE(game.view.m_pQuickChatList->mVisible);
        EXPECT_EQ(menu.mVisible, shown != 0) << clickCount;
    }
}

TEST(ViewDisplay, PortraitFilesTheirFallBacksAndThePictureList)
{
    ScratchGameDir dir;
    const Sexy::Color male(200, 0, 0), female(0, 200, 0), small(0, 0, 200), head(200, 200, 0), own(0, 200, 200);
    dir.Picture("UserImage/default0/show_n", male); // the lobby's cache names have no extension
    dir.Picture("UserImage/default1/show_n", female);
    dir.Picture("UserImage/default0/n_6", small);
    dir.Picture("UserImage/Head/head_6_2.png", head);
    dir.Picture("UserImage/20002/show_n", own);
    dir.Picture("UserImage/10001/show_n", own);
    dir.Picture("UserImage/20004/show_n.png", own); // not the name looked for
    dir.Picture("UserImage/Default0/n.jpg", male);
    for (int k : {1, 2, 4})
        dir.Picture("UserImage/Head/head_4_" + std::to_string(k) + ".jpg", Sexy::Color(k, 0, 0));
    struct Case
    {
        int roomType, userId, sex, headId;
        std::string kind;
        const Sexy::Color* expected; // null: no picture
    };
    const Case cases[] = {
        {0, 20002, 0, 2, "show_n", &own},  {0, 20003, 1, 2, "show_n", &female},  {0, 20004, 0, 0, "show_n", &male},
        {2, 20002, 0, 2, "show_n", &male}, {1, 10001, 1, 2, "show_n", &own},     {0, 20002, 0, 2, "n_6", &head},
        {0, 20002, 0, 0, "n_6", &small},   {0, 20003, -1, 0, "show_n", nullptr},
    };
    UsersGame game(4);
    for (Case c : cases)
    {
        Ostra::g_AppInfo.iRoomType = c.roomType;
        Ostra::PlayerNode node = Record(c.userId, 0, c.headId, c.sex);
        std::unique_ptr<Sexy::Image> picture(game.view.GetUserImage(&node, &c.kind[0]));
        ASSERT_EQ(picture != nullptr, c.expected != nullptr) << c.roomType << " " << c.userId << " " << c.kind;
        if (picture)
        {
            EXPECT_EQ(picture->GetPixel(1, 1), *c.expected) << c.roomType << " " << c.userId << " " << c.kind;
        }
    }
    // The head pictures end at the first gap; a missing picture leaves an empty entry.
    const std::vector<Sexy::Image*>& list = game.view.m_vUserImage;
    ASSERT_EQ(list.size(), 18u);
    EXPECT_TRUE(list[0] && !list[1] && list[17]);
    EXPECT_EQ(list[17]->GetPixel(0, 0), Sexy::Color(2, 0, 0));
}

TEST(ViewDisplay, PortraitsAndNamesAtTheirPlaces)
{
    const Sexy::Color red(255, 0, 0), white(255, 255, 255);
    UsersGame game(4);
    game.Deliver(Snapshot({Seated(10001, "me", 1), Seated(10002, "nick", 2)}));
    game.view.m_ptUserShow[2] = {100, 100};
    game.view.m_ptUserName[2] = {300, 120};
    const int cases[][3] = {{0, 0, 30 * 30}, {1, 0, 60 * 60}, {0, 1, 0}}; // small, quick match, red pixels
    for (const auto& [small, quickMatch, redPixels] : cases)
    {
        Ostra::g_AppInfo.bSmallUserImage = small;
        Ostra::g_AppInfo.iRoomType = quickMatch;
        Ostra::g_AppInfo.bQuickMatchTable = quickMatch;
        auto portrait = std::make_unique<Sexy::DDImage>(30, 30);
        portrait->Clear(red);
        game.view.m_pUserImage[2] = std::move(portrait);
        Sexy::MemoryImage screen(640, 480);
        Sexy::Graphics g(&screen);
        game.view.DrawUserShow(&g);
        game.view.DrawUserName(&g);
        EXPECT_EQ(CountColor(screen, Sexy::Rect(100, 100, 60, 60), red), redPixels);
        EXPECT_EQ(CountColor(screen, Sexy::Rect(0, 0, 640, 480), red), redPixels);
        if (game.view.m_pFont11->IsValid())
        {
            EXPECT_TRUE(CountColor(screen, Sexy::Rect(300, 100, 80, 30), white) > 0 &&
                        CountColor(screen, Sexy::Rect(0, 0, 300, 480), white) == 0);
        }
    }
}

TEST(ViewDisplay, NumbersFromADigitStrip)
{
    // The cels 0 to 9 and a prefix cel (10), 10 x 8 each, each of its own colour.
    Sexy::DDImage strip(110, 8);
    strip.mNumCols = 11;
    auto color = [](int cel) { return Sexy::Color(20 + cel * 20, 255 - cel * 20, 100); };
    for (int cel = 0; cel < 11; ++cel)
    {
        Sexy::Graphics g(&strip);
        g.SetColor(color(cel));
        g.FillRect(strip.GetCelRect(cel));
    }
    struct Case
    {
        int number, x, y, width, align, step;
        bool prefix;
        int result;
        std::vector<std::pair<int, int>> cels; // left edge and cel of each one drawn, at y (0 for align 5)
    };
    const Case cases[] = {
        {1205, 10, 0, 100, 0, 0, false, 40, {{40, 1}, {50, 2}, {60, 0}, {70, 5}}},
        {-45, 5, 0, 0, -1, 12, false, 24, {{5, 4}, {17, 5}}},
        {0, 0, 0, 100, 1, 0, true, 20, {{80, 10}, {90, 0}}},
        {0, 3, 0, 0, -1, 15, true, 20, {{3, 10}, {18, 0}}}, // 0 counts cels, not advances
        {9, 3, 0, 0, -1, 15, true, 30, {{3, 10}, {18, 9}}},
        {7, 50, 20, 100, 5, 0, false, 10, {{0, 7}}},
        {INT_MIN,
         0,
         0,
         0,
         -1,
         0,
         false,
         100,
         {{0, 2}, {10, 1}, {20, 4}, {30, 7}, {40, 4}, {50, 8}, {60, 3}, {70, 6}, {80, 4}, {90, 8}}},
    };
    for (const Case& c : cases)
    {
        Sexy::MemoryImage screen(200, 40);
        Sexy::Graphics g(&screen);
        EXPECT_EQ(Ostra::GameViewBase::DrawNum(&g, &strip, c.number, c.x, c.y, c.width, static_cast<char>(c.align),
                                               c.step, c.prefix),
                  c.result);
        for (const auto& [left, cel] : c.cels)
            EXPECT_EQ(CountColor(screen, Sexy::Rect(left, c.align == 5 ? 0 : c.y, 10, 8), color(cel)), 80)
                << c.number << " at " << left;
        EXPECT_EQ(CountColor(screen, Sexy::Rect(0, 0, 200, 40), Sexy::Color::Transparent),
                  200 * 40 - 80 * static_cast<int>(c.cels.size()));
    }
    Sexy::MemoryImage screen(20, 20);
    Sexy::Graphics g(&screen);
    EXPECT_EQ(Ostra::GameViewBase::DrawNum(&g, nullptr, 1205, 0, 0, 20, 0, 0, true), 0);
}

} // namespace
