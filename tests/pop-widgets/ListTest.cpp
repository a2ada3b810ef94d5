// The list as a player uses it through the headless application: clicking, hovering, scrolling
// with the wheel and a bound scrollbar, linked columns, and what it draws.
#include "pop/ListWidget.h"
#include "pop/ScrollbarWidget.h"
#include "pop/SysFont.h"
#include "pop/TestHarness.h"
#include "pop/WidgetManager.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <tuple>
#include <vector>

using namespace Sexy;

namespace
{

using Event = std::tuple<int, int, int>;

struct Recorder : ListListener
{
    std::vector<Event> clicks;  // id, row, count
    std::vector<Event> hilites; // id, old, new
    std::function<void()> onClick;

    void ListClicked(int id, int row, int clickCount) override
    {
        clicks.emplace_back(id, row, clickCount);
        if (onClick)
            onClick();
    }
    void ListHiliteChanged(int id, int oldRow, int newRow) override { hilites.emplace_back(id, oldRow, newRow); }
};

// A list of 20-pixel rows at (100, 100), 200 x 104: five whole rows fit.
class ListTest : public ::testing::Test
{
protected:
    ListTest() : font("Arial", 12), list(7, &font, &rec)
    {
        list.SetItemHeight(20);
        list.Resize(100, 100, 200, 104);
        h.GetWidgetManager()->AddWidget(&list);
    }
    ~ListTest() override { h.GetWidgetManager()->RemoveWidget(&list); }

    void Fill(int n)
    {
        for (int i = 0; i < n; ++i)
            list.AddLine(L"line " + std::to_wstring(i));
    }
    // Window y of the middle of a visible row slot.
    static int Slot(int slot) { return 100 + ListWidget::kRowInset + slot * 20 + 10; }
    void Pause() { h.Step(50); } // past the double-click time

    // Whether some pixel of the window rectangle is near the colour.
    bool AnyNear(int x, int y, int w, int hgt, const Color& c)
    {
        for (int yy = y; yy < y + hgt; ++yy)
            for (int xx = x; xx < x + w; ++xx)
            {
                Color p = h.Pixel(xx, yy);
                if (std::abs(p.mRed - c.mRed) + std::abs(p.mGreen - c.mGreen) + std::abs(p.mBlue - c.mBlue) < 40)
                    return true;
            }
        return false;
    }

    TestHarness h;
    SysFont font;
    Recorder rec;
    ListWidget list;
};

TEST_F(ListTest, ClicksSelectTheRowAndReportItsCount)
{
    Fill(4);
    h.Click(150, Slot(1));
    h.Click(150, Slot(1)); // double click
    Pause();
    h.Click(150, Slot(3), 1); // right
    Pause();
    h.Click(150, Slot(0), 2); // middle
    Pause();
    h.Click(150, Slot(4)); // below the last line
    h.Click(150, 100);     // the inset above the first row
    std::vector<Event> want = {{7, 1, 1}, {7, 1, 2}, {7, 3, -1}, {7, 0, 3}};
    EXPECT_EQ(rec.clicks, want);
    EXPECT_EQ(list.mSelectIdx, 0);

    list.RemoveAll();
    Fill(20);
    h.MouseMove(150, Slot(0));
    h.Wheel(-2); // six rows down
    h.Click(150, Slot(1));
    EXPECT_EQ(rec.clicks.back(), Event(7, 7, 1));
}

// A skinned list that overrides the three-value press and lays its rows out under a header of its
// own gets clicks through the list on the rows it shows.
class HeaderList : public ListWidget
{
public:
    using ListWidget::ListWidget;
    int presses = 0;
    void MouseDown(int x, int y, int clickCount) override
    {
        ++presses;
        ListWidget::MouseDown(x, y, clickCount);
    }
    using ListWidget::MouseDown;
    void MouseMove(int, int y) override { SetHilite(y < 30 ? -1 : (y - 30) / GetItemHeight()); }
};

TEST_F(ListTest, SubclassPressAndRowLayoutReachTheClick)
{
    HeaderList skinned(9, &font, &rec);
    skinned.SetItemHeight(20);
    skinned.Resize(400, 100, 200, 200);
    for (int i = 0; i < 5; ++i)
        skinned.AddLine(L"x");
    h.GetWidgetManager()->AddWidget(&skinned);
    h.Click(450, 105); // the header
    Pause();
    h.Click(450, 100 + 30 + 20 + 3, 1);
    EXPECT_EQ(skinned.presses, 2);
    EXPECT_EQ(rec.clicks, std::vector<Event>{Event(9, 1, -1)});
    h.GetWidgetManager()->RemoveWidget(&skinned);
}

TEST_F(ListTest, ListenerMayDeleteTheListInItsClickHandler)
{
    auto doomed = std::make_unique<ListWidget>(1, &font, &rec);
    doomed->Resize(0, 0, 50, 50);
    doomed->AddLine(L"a");
    h.GetWidgetManager()->AddWidget(doomed.get());
    rec.onClick = [&] { doomed.reset(); };
    h.Click(10, 10);
    h.Step(2);
    EXPECT_EQ(doomed, nullptr);
}

TEST_F(ListTest, HoverFollowsThePointerTheWheelAndShowsTheHand)
{
    Fill(20);
    h.MouseMove(150, Slot(1));
    h.MouseMove(160, Slot(1)); // same row: no report
    EXPECT_EQ(h.App().GetShownCursor(), CURSOR_POINTER);
    list.mDoFingerWhenHilited = true;
    h.MouseMove(150, Slot(2));
    EXPECT_EQ(h.App().GetShownCursor(), CURSOR_HAND);
    h.Wheel(-1); // the rows move under the pointer
    EXPECT_EQ(list.mHiliteIdx, 5);
    h.MouseMove(150, 99); // off the list
    EXPECT_EQ(h.App().GetShownCursor(), CURSOR_POINTER);
    std::vector<Event> want = {{7, -1, 1}, {7, 1, 2}, {7, 2, 5}, {7, 5, -1}};
    EXPECT_EQ(rec.hilites, want);
}

TEST_F(ListTest, LinesKeepSelectionOnTheirRowRefuseMissingRowsAndClearAll)
{
    EXPECT_EQ(list.AddLine(L"b", true), 0);
    EXPECT_EQ(list.AddLine(L"d", true), 1);
    list.SetSelect(1);
    EXPECT_EQ(list.AddLine(L"a", true), 0);
    EXPECT_EQ(list.AddLine(L"c", true), 2);
    EXPECT_EQ(list.AddLine(L"0"), 4); // unsorted: at the end
    EXPECT_EQ(list.GetStringAt(list.mSelectIdx), L"d");
    EXPECT_EQ(list.RemoveLine(0), 0);
    EXPECT_EQ(list.GetStringAt(list.mSelectIdx), L"d");
    EXPECT_EQ(list.RemoveLine(list.mSelectIdx), 0);
    EXPECT_EQ(list.mSelectIdx, -1);
    EXPECT_EQ(list.mLineColors.size(), list.mLines.size());

    EXPECT_EQ(list.SetLine(3, L"x"), -1);
    EXPECT_EQ(list.RemoveLine(-1), -1);
    EXPECT_EQ(list.GetStringAt(9), L"");
    list.SetSelect(9);
    EXPECT_EQ(list.mSelectIdx, -1);

    ScrollbarWidget bar(3, nullptr);
    list.SetScrollbar(&bar);
    Fill(20);
    h.Click(150, Slot(1));
    list.SetScrollPosition(10);
    list.RemoveAll();
    EXPECT_EQ(list.GetLineCount(), 0);
    EXPECT_EQ(list.mSelectIdx, -1);
    EXPECT_EQ(list.mHiliteIdx, -1);
    EXPECT_EQ(list.mPosition, 0.0);
    EXPECT_EQ(bar.mValue, 0.0);
}

TEST_F(ListTest, ItemHeightFollowsTheFontUnlessFixedAndResizeKeepsThePage)
{
    ScrollbarWidget bar(3, nullptr);
    list.SetScrollbar(&bar);
    list.SetItemHeight(-1);
    int fh = font.GetHeight();
    ASSERT_GT(fh, 0);
    EXPECT_EQ(list.mPageSize, 100 / fh);
    Fill(30);
    h.Click(150, 100 + ListWidget::kRowInset + 3 * fh + 1);
    EXPECT_EQ(std::get<1>(rec.clicks.back()), 3);

    list.SetItemHeight(50);
    EXPECT_EQ(list.mPageSize, 2);
    EXPECT_EQ(bar.mPageSize, 2.0);
    list.SetItemHeight(20);
    list.Resize(100, 100, 200, 204);
    EXPECT_EQ(bar.mPageSize, 10.0);
    list.SetScrollPosition(100);
    EXPECT_EQ(list.mPosition, 20.0);
    list.Resize(100, 100, 200, 404); // a larger page pulls the position back
    EXPECT_EQ(list.mPosition, 10.0);
}

TEST_F(ListTest, BoundScrollbarAndListFollowEachOther)
{
    ScrollbarWidget bar(3, nullptr);
    bar.Resize(300, 100, 16, 104);
    h.GetWidgetManager()->AddWidget(&bar);
    list.SetScrollbar(&bar);
    EXPECT_EQ(bar.mScrollListener, &list);
    Fill(12);
    EXPECT_EQ(bar.mMaxValue, 12.0);
    h.MouseMove(150, Slot(0));
    h.Wheel(-1);
    EXPECT_EQ(bar.mValue, 3.0);
    h.Click(308, 200); // the down arrow
    EXPECT_EQ(list.mPosition, 4.0);
    bar.SetValue(100);
    EXPECT_EQ(list.mPosition, 7.0);
    list.SetScrollPosition(2);
    EXPECT_EQ(bar.mValue, 2.0);

    int thumb = 100 + bar.GetThumbPosition() + 2;
    h.MouseDown(308, thumb);
    h.MouseMove(308, thumb + 300); // far below the bar
    h.MouseUp(308, thumb + 300);
    EXPECT_EQ(list.mPosition, 7.0);
    for (int i = 0; i < 6; ++i)
        list.RemoveLine(0); // six lines: at most 1
    EXPECT_EQ(list.mPosition, 1.0);
    EXPECT_EQ(bar.mValue, 1.0);
    h.GetWidgetManager()->RemoveWidget(&bar);
}

TEST_F(ListTest, BindingSurvivesEitherSideGoingAway)
{
    Fill(20);
    {
        ScrollbarWidget bar(3, nullptr);
        list.SetScrollbar(&bar);
        bar.SetValue(5);
        EXPECT_EQ(list.mPosition, 5.0);
    }
    EXPECT_EQ(list.mScrollbar, nullptr);
    h.MouseMove(150, Slot(0));
    h.Wheel(-1);
    EXPECT_EQ(list.mPosition, 8.0);
    h.Wheel(-9); // twenty lines, five shown: at most 15
    EXPECT_EQ(list.mPosition, 15.0);

    ScrollbarWidget second(2, nullptr);
    {
        ListWidget other(2, &font, nullptr);
        other.SetScrollbar(&second);
        other.AddLine(L"x");
    }
    EXPECT_EQ(second.mScrollListener, nullptr);
    list.SetScrollbar(&second);
    second.SetValue(4);
    EXPECT_EQ(list.mPosition, 4.0);
}

// Three columns side by side sharing one bar that reports to the first, as a table lays them out.
TEST(ListColumns, LinkedListsScrollHoverAndSelectTogether)
{
    TestHarness h;
    SysFont font("Arial", 12);
    Recorder rec;
    auto cols = std::vector<std::unique_ptr<ListWidget>>();
    for (int i = 0; i < 3; ++i)
        cols.push_back(std::make_unique<ListWidget>(10 + i, &font, &rec));
    ScrollbarWidget bar(0, cols[0].get());
    for (int i = 0; i < 3; ++i)
    {
        ListWidget& c = *cols[i];
        c.SetItemHeight(20);
        c.Resize(100 * i, 0, 100, 104);
        for (int r = 0; r < 12; ++r)
            c.AddLine(L"cell");
        c.SetScrollbar(&bar);
        if (i > 0)
        {
            c.m_pPrev = cols[i - 1].get();
            cols[i - 1]->m_pNext = &c;
        }
        h.GetWidgetManager()->AddWidget(&c);
    }
    EXPECT_EQ(bar.mScrollListener, cols[0].get());
    h.MouseMove(250, 10);
    h.Wheel(-1);
    bar.SetValue(bar.mValue + 1);
    h.MouseMove(150, 2 + 20 * 2 + 5);
    h.Click(250, 2 + 20 * 1 + 5);
    for (auto& c : cols)
    {
        EXPECT_EQ(c->mPosition, 4.0);
        EXPECT_EQ(c->mSelectIdx, 5);
        EXPECT_EQ(c->mHiliteIdx, 5);
    }
    EXPECT_EQ(rec.clicks, std::vector<Event>{Event(12, 5, 1)});

    cols[1].reset(); // the chain closes over a deleted column
    EXPECT_EQ(cols[0]->m_pNext, cols[2].get());
    cols[2]->SetScrollPosition(0);
    EXPECT_EQ(cols[0]->mPosition, 0.0);
    cols[2]->m_pNext = cols[0].get(); // links that loop do not hang
    cols[0]->m_pPrev = cols[2].get();
    cols[0]->SetSelect(1);
    EXPECT_EQ(cols[2]->mSelectIdx, 1);
}

TEST_F(ListTest, LinesAreDrawnInTheirColoursClippedToTheirRows)
{
    SysFont bold("Arial", 16, true);
    list.SetFont(&bold);
    list.AddLine(L"WWWWWW");
    list.AddLine(L"^00c8000WWWWWW"); // a colour code: green
    list.AddLine(L"WWWWWW");
    list.SetLineColor(0, Color(220, 0, 0));
    list.SetLineColor(2, Color(0, 0, 220));
    h.Draw();
    EXPECT_TRUE(AnyNear(100, 102, 120, 20, Color(220, 0, 0)));
    EXPECT_TRUE(AnyNear(100, 122, 120, 20, Color(0, 200, 0)));
    EXPECT_FALSE(AnyNear(100, 122, 200, 20, Color(0, 0, 0)));
    EXPECT_TRUE(AnyNear(100, 142, 120, 20, Color(0, 0, 220)));
    EXPECT_FALSE(AnyNear(100, 102, 200, 40, Color(0, 0, 220)));
    EXPECT_EQ(h.Pixel(290, 104), Color::White); // the background

    SysFont big("Arial", 20, true);
    list.SetFont(&big);
    list.SetItemHeight(8); // lower than the font
    h.Draw();
    EXPECT_TRUE(AnyNear(100, 102, 200, 8, Color(220, 0, 0)));
    EXPECT_FALSE(AnyNear(100, 110, 200, 8, Color(220, 0, 0)));
}

TEST_F(ListTest, SelectionAndHoverAreFilled)
{
    Fill(10);
    list.SetColor(ListWidget::COLOR_SELECT, Color(0, 0, 255));
    list.SetColor(ListWidget::COLOR_HILITE, Color(255, 255, 0));
    h.Click(150, Slot(1));
    h.MouseMove(150, Slot(3));
    h.Draw();
    EXPECT_EQ(h.Pixel(295, Slot(1)), Color(0, 0, 255));
    EXPECT_EQ(h.Pixel(295, Slot(3)), Color::White); // hover not filled by default
    list.mDrawSelectWhenHilited = true;
    h.MouseMove(150, Slot(1)); // the hover look wins over the selection
    h.Draw();
    EXPECT_EQ(h.Pixel(295, Slot(1)), Color(255, 255, 0));
    h.MouseMove(150, 99);
    list.SetScrollPosition(1); // the selected row moves up a slot
    h.Draw();
    EXPECT_EQ(h.Pixel(295, Slot(0)), Color(0, 0, 255));
    EXPECT_EQ(h.Pixel(295, Slot(1)), Color::White);
}

} // namespace
