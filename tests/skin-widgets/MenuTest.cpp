// The popup menu: the visible text of coded lines, where it opens near the screen's edges, which
// lines answer the mouse, what it draws, and that losing the focus hides it.
#include "tessaro/widgets/MenuWidget.h"

#include "pop/Font.h"
#include "pop/Listeners.h"
#include "pop/SysFont.h"
#include "pop/TestHarness.h"
#include "pop/WidgetManager.h"

#include "tests/skin-widgets/SkinWidgetsSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace
{

using skintest::CountNear;

using Sexy::Color;
using Sexy::MenuWidget;

struct Clicks : Sexy::ListListener
{
    std::vector<int> rows;
    void ListClicked(int, int row, int) override { rows.push_back(row); }
};

TEST(Menu, TheVisibleTextLeavesColourCodesOut)
{
    const std::pair<std::wstring, std::wstring> cases[] = {
        {L"^ff00000[红]", L"[红]"},
        {L"a^ 0ccff0b^oldclr0c", L"abc"},
        {L"a^^b", L"a^b"},
        {L"ab^ff", L"ab"}, // a code cut short ends the text
        {L"", L""},
    };
    for (const auto& [line, text] : cases)
        EXPECT_EQ(MenuWidget::VisibleText(line), text);
}

class MenuTest : public ::testing::Test
{
protected:
    MenuTest() : font("Arial", 12), menu(5, &font, &clicks, &h.App())
    {
        menu.SetItemHeight(20);
        menu.AddLine(L"^ffffff0名片");
        menu.AddSeparator();
        menu.AddLine(L"[查看资料]");
        menu.AddLine(L"[请他离开]^ff00000");
        h.GetWidgetManager()->AddWidget(&menu);
    }
    ~MenuTest() override { h.GetWidgetManager()->RemoveWidget(&menu); }

    Sexy::TestHarness h;
    Sexy::SysFont font;
    Clicks clicks;
    MenuWidget menu;
};

TEST_F(MenuTest, ItOpensAtThePointOrTurnsAtTheRightAndBottomEdges)
{
    // The widest visible text, codes left out (a separator counts by its name).
    int widest = 0;
    for (const wchar_t* text : {L"名片", MenuWidget::kSeparator, L"[查看资料]", L"[请他离开]"})
        widest = std::max(widest, font.StringWidth(text));
    widest += 2 * MenuWidget::kTextX; // the text's margins
    struct Case
    {
        int x, y, left, top;
    };
    const int height = 4 * 20 + 16;
    const Case cases[] = {
        {100, 100, 100, 100},
        {1024 - widest, 100, 1024 - widest, 100},
        {1024 - widest + 1, 100, 1024 - 2 * widest + 1, 100},
        {100, 718 - height - 1, 100, 718 - height - 1},
        {100, 718 - height, 100, 718 - 2 * height},
    };
    for (const Case& c : cases)
    {
        menu.TrackPopupMenu(c.x, c.y, 4711);
        EXPECT_EQ(menu.mWidth, widest);
        EXPECT_EQ(menu.mHeight, height);
        EXPECT_EQ(menu.mX, c.left) << c.x;
        EXPECT_EQ(menu.mY, c.top) << c.y;
        EXPECT_TRUE(menu.mVisible);
    }
    EXPECT_EQ(menu.GetUserID(), 4711);
}

TEST_F(MenuTest, OnlyLinesInBracketsAnswerTheMouseAndLosingTheFocusHidesIt)
{
    menu.TrackPopupMenu(100, 100, 1);
    auto rowY = [](int row) { return 100 + MenuWidget::kTopMargin + row * 20 + 10; };
    h.MouseMove(110, rowY(0));
    EXPECT_EQ(menu.mHiliteIdx, -1);
    h.MouseMove(110, rowY(2));
    EXPECT_EQ(menu.mHiliteIdx, 2);
    h.Click(110, rowY(0));
    h.Step(50);
    h.Click(110, rowY(1));
    h.Step(50);
    h.Click(110, rowY(3));
    EXPECT_EQ(clicks.rows, std::vector<int>{3});

    // Drawn: the clickable lines in their blue, the separator in its colour, the plain line in its
    // own code's white.
    h.MouseMove(300, 300);
    h.Draw();
    EXPECT_GT(CountNear(h, 100, rowY(2) - 10, menu.mWidth, 20, Color(0, 188, 255)), 5);
    EXPECT_GT(CountNear(h, 100, rowY(1) - 1, menu.mWidth, 3, Color(55, 30, 30)), menu.mWidth / 2);
    EXPECT_GT(CountNear(h, 100, rowY(0) - 10, menu.mWidth, 20, Color(255, 255, 255)), 5);
    EXPECT_EQ(CountNear(h, 100, rowY(0) - 10, menu.mWidth, 20, Color(0, 188, 255)), 0);

    h.GetWidgetManager()->SetFocus(&menu);
    h.GetWidgetManager()->SetFocus(nullptr);
    EXPECT_FALSE(menu.mVisible);
}

} // namespace
