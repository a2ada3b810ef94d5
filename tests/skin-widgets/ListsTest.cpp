// The skin list and the rich list: rows kept aligned across linked columns, the cut with "...",
// the popup list growing upward, picture cells, the header drag with its bounds and cursor, the
// horizontal scroll, the turned scrollbar pictures, and clicks.
#include "tessaro/widgets/RichListWidget.h"
#include "tessaro/widgets/SkinListWidget.h"
#include "tessaro/widgets/SkinScrollbarWidget.h"

#include "pop/SexyAppBase.h"
#include "pop/TestHarness.h"
#include "pop/WidgetManager.h"

#include "tests/skin-widgets/SkinWidgetsSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace
{

using Sexy::Color;
using Sexy::SkinListWidget;
using skintest::BoxFont;
using skintest::CountNear;

struct Clicks : Sexy::ListListener
{
    std::vector<std::vector<int>> got;
    void ListClicked(int id, int row, int count) override { got.push_back({id, row, count}); }
};

std::vector<std::wstring> Lines(const SkinListWidget& list)
{
    return list.mLines;
}

TEST(SkinList, LinkedColumnsAddRowsTogetherAndShareVipRows)
{
    BoxFont font;
    SkinListWidget a(1, &font, nullptr, nullptr), b(2, &font, nullptr, nullptr), c(3, &font, nullptr, nullptr);
    a.m_pNext = &b;
    b.m_pPrev = &a;
    b.m_pNext = &c;
    c.m_pPrev = &b;
    EXPECT_EQ(b.AddLine(L"a", false), 0);
    EXPECT_EQ(b.AddLine(L"c", false), 1);
    EXPECT_EQ(Lines(a), (std::vector<std::wstring>{L"-", L"-"}));
    EXPECT_EQ(Lines(c), (std::vector<std::wstring>{L"-", L"-"}));
    // Sorted: before the first greater text of this column, at the same row in every column.
    EXPECT_EQ(b.AddLine(L"b", true), 1);
    EXPECT_EQ(Lines(b), (std::vector<std::wstring>{L"a", L"b", L"c"}));
    EXPECT_EQ(Lines(c), (std::vector<std::wstring>{L"-", L"-", L"-"}));
    EXPECT_EQ(c.AddLine(L"z", true), 3); // nothing greater: at the end

    b.SetVip(2);
    b.SetVip(2);
    for (SkinListWidget* list : {&a, &b, &c})
        EXPECT_EQ(list->m_vecVip, std::vector<int>{2});
    b.RemoveAll();
    EXPECT_TRUE(b.m_vecVip.empty());
    EXPECT_EQ(a.m_vecVip, std::vector<int>{2});
}

TEST(SkinList, TooWideTextsAreCutWithDotsThatFitAndPicturesNeedANumber)
{
    BoxFont font; // 6 pixels a character; "..." is 18
    const struct
    {
        std::wstring text;
        int width;
        std::wstring shown;
    } cases[] = {
        {L"abcdefghij", 64, L"abcdefghij"},   // 60 + 4 fits
        {L"abcdefghijkl", 67, L"abcdefg..."}, // 42 + 18 + 4 <= 67
        {L"abcdefghij", 63, L"abcdef..."},    // seven would overrun by one pixel
        {L"abcdefghij", 60, L"abcdef..."},    {L"abcdefghij", 10, L"..."}, {L"", 0, L""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SkinListWidget::FitText(&font, c.text, c.width), c.shown) << c.width;

    for (const auto& [text, index] : std::vector<std::pair<std::wstring, int>>{
             {L"0", 0}, {L"12", 12}, {L"-", -1}, {L"", -1}, {L"3a", -1}, {L"-1", -1}, {L"99999999999", -1}})
        EXPECT_EQ(SkinListWidget::PictureIndex(text), index) << text.size();
}

TEST(SkinList, DrawsTheCutTextInsideItsColumnAndPicturesOnlyForKnownIndices)
{
    Sexy::TestHarness h(200, 100);
    BoxFont font;
    skintest::Backdrop backdrop;
    backdrop.Resize(0, 0, 200, 100);
    SkinListWidget text(1, &font, nullptr, nullptr);
    SkinListWidget pictures(2, &font, nullptr, nullptr);
    int colors[][3] = {{0, 0, 0}, {0, 0, 0}, {250, 250, 0}};
    text.SetColors(colors, 3);
    text.Resize(0, 0, 63, 60);
    text.AddLine(L"abcdefghij", false);
    auto red = skintest::SolidImage(12, 12, Color(255, 0, 0));
    std::vector<Sexy::Image*> images{red.get()};
    pictures.SetListType(SkinListWidget::LIST_PICTURE);
    pictures.SetImageList(&images);
    pictures.Resize(100, 0, 40, 100);
    for (const wchar_t* cell : {L"0", L"-", L"1"})
        pictures.AddLine(cell, false);
    for (Sexy::Widget* w : {static_cast<Sexy::Widget*>(&backdrop), static_cast<Sexy::Widget*>(&text),
                            static_cast<Sexy::Widget*>(&pictures)})
        h.GetWidgetManager()->AddWidget(w);
    h.Draw();
    const Color yellow(250, 250, 0);
    // "abcdef..." from x = 2: nine boxes, and the dots end inside the 63-pixel column.
    EXPECT_EQ(CountNear(h, 2, 2, 54, 12, yellow), 54 * 12);
    EXPECT_EQ(CountNear(h, 56, 0, 7, 60, yellow), 0);
    // Row height 12 from y = 2: only row 0 has a picture ("-" and an index past the list draw none).
    EXPECT_EQ(CountNear(h, 100, 2, 12, 12, Color(255, 0, 0)), 144);
    EXPECT_EQ(CountNear(h, 100, 14, 40, 86, Color(255, 0, 0)), 0);
    for (Sexy::Widget* w : {static_cast<Sexy::Widget*>(&backdrop), static_cast<Sexy::Widget*>(&text),
                            static_cast<Sexy::Widget*>(&pictures)})
        h.GetWidgetManager()->RemoveWidget(w);
}

TEST(SkinList, APopupListGrowsUpwardFromItsBottomRightCorner)
{
    BoxFont font;
    SkinListWidget popup(1, &font, nullptr, nullptr);
    popup.SetListType(SkinListWidget::LIST_POPUP);
    popup.SetMinWidth(40);
    popup.Resize(100, 300, 50, 0);
    popup.AddLine(L"ab", false); // 12 + 8 < 40
    EXPECT_EQ(popup.GetRect(), Sexy::Rect(110, 280, 40, 20));
    popup.AddLine(L"abcdefghij", false); // 60 + 8
    EXPECT_EQ(popup.GetRect(), Sexy::Rect(82, 268, 68, 32));
}

// A rich list of three columns (100, 80, 60) on a 1024 x 738 screen, 15-pixel scrollbar pictures.
class RichListTest : public ::testing::Test
{
protected:
    RichListTest() : list(40, &h.App(), &clicks)
    {
        up = skintest::CelImage(4, 1, 15, 15, {Color(255, 0, 0), Color(0, 255, 0), Color(0, 0, 255), Color(9, 9, 9)});
        // A mark on the tip (top row) of the up arrow's first cel.
        Sexy::Graphics g(up.get());
        g.SetColor(Color(255, 255, 255));
        g.FillRect(0, 0, 15, 2);
        down = skintest::SolidImage(60, 15, Color(0, 0, 80));
        thumb = skintest::SolidImage(45, 45, Color(0, 80, 0));
        track = skintest::SolidImage(15, 30, Color(80, 0, 0));
        list.SetFont(&font);
        list.SetScrollbarImage(up.get(), down.get(), thumb.get(), track.get());
        for (int width : {100, 80, 60})
        {
            Sexy::ListColumn column;
            column.title = L"T" + std::to_wstring(width);
            column.width = width;
            list.InsertColumn(&column);
        }
        list.Resize(100, 100, 200, 150);
        h.GetWidgetManager()->AddWidget(&list);
    }
    ~RichListTest() override { h.GetWidgetManager()->RemoveWidget(&list); }

    int AddRow(const std::wstring& name)
    {
        Sexy::ListItem item{name, 0, 0};
        const int row = list.InsertItem(&item);
        for (int c = 1; c < 3; ++c)
        {
            Sexy::ListItem cell{name + std::to_wstring(c), row, c};
            list.SetItem(&cell);
        }
        return row;
    }

    Sexy::TestHarness h;
    BoxFont font;
    Clicks clicks;
    std::unique_ptr<Sexy::DDImage> up, down, thumb, track;
    Sexy::RichListWidget list;
};

TEST_F(RichListTest, RowsCellsAndTheirBounds)
{
    Sexy::RichListWidget empty(1, &h.App(), nullptr);
    Sexy::ListItem item{L"x", 0, 0};
    EXPECT_EQ(empty.InsertItem(&item), 0);
    EXPECT_EQ(empty.GetHeaderHeight(), 0);

    EXPECT_EQ(AddRow(L"a"), 0);
    EXPECT_EQ(AddRow(L"b"), 1);
    EXPECT_EQ(list.GetStringAt(1, 2), L"b2");
    EXPECT_EQ(list.GetStringAt(2, 1), L"");
    EXPECT_EQ(list.GetStringAt(0, 7), L"");
    Sexy::ListItem beyond{L"no", 2, 1};
    list.SetItem(&beyond);
    Sexy::ListItem noColumn{L"no", 0, 3};
    list.SetItem(&noColumn);
    EXPECT_EQ(list.InsertItem(&noColumn), -1);
    EXPECT_EQ(list.GetColumnList(1)->mLines, (std::vector<std::wstring>{L"a1", L"b1"}));
    EXPECT_EQ(list.GetListWidth(), 240);
    EXPECT_EQ(list.GetHeaderHeight(), 15);

    list.SetVip(1);
    for (int c = 0; c < 3; ++c)
        EXPECT_EQ(list.GetColumnList(c)->m_vecVip, std::vector<int>{1});
    list.DeleteAllItems();
    for (int c = 0; c < 3; ++c)
        EXPECT_EQ(list.GetColumnList(c)->GetLineCount(), 0);
}

TEST_F(RichListTest, TheHorizontalBarShiftsEveryColumnAndUsesTurnedPictures)
{
    list.m_pHScrollbar->SetValue(5);
    EXPECT_EQ(list.GetColumnList(0)->mX, -50);
    EXPECT_EQ(list.GetColumnList(1)->mX, 50);
    EXPECT_EQ(list.GetColumnList(2)->mX, 130);
    EXPECT_EQ(list.m_pHScrollbar->GetRect(), Sexy::Rect(0, 135, 185, 15));
    EXPECT_EQ(list.m_pVScrollbar->GetRect(), Sexy::Rect(185, 0, 15, 135));
    EXPECT_DOUBLE_EQ(list.m_pHScrollbar->mMaxValue, 24.0);
    EXPECT_DOUBLE_EQ(list.m_pHScrollbar->mPageSize, 18.5);
    // A column width set while scrolled keeps the scroll.
    list.SetColumnWidth(1, 90);
    EXPECT_EQ(list.GetColumnList(2)->mX, 140);

    // The left arrow: the up arrow turned right and mirrored, its states one above the other, the
    // tip (marked white) now on the left.
    Sexy::DDImage* left = list.m_pHScrollUpImage.get();
    ASSERT_NE(left, nullptr);
    EXPECT_EQ(left->mNumCols, 1);
    EXPECT_EQ(left->mNumRows, 4);
    EXPECT_EQ(left->GetCelWidth(), 15);
    EXPECT_EQ(left->GetPixel(0, 7), Color(255, 255, 255));
    EXPECT_EQ(left->GetPixel(14, 7), Color(255, 0, 0));
    EXPECT_EQ(left->GetPixel(7, 22), Color(0, 255, 0));
}

TEST_F(RichListTest, DraggingAHeaderEdgeResizesItsColumnWithinBounds)
{
    AddRow(L"a");
    // The first column's header spans (100..200, 100..115) on the screen; its edge is x 197..200.
    h.MouseMove(150, 107);
    EXPECT_EQ(h.App().GetShownCursor(), Sexy::CURSOR_POINTER);
    h.MouseMove(198, 107);
    EXPECT_EQ(h.App().GetShownCursor(), Sexy::CURSOR_SIZEWE);
    h.MouseDown(198, 107);
    h.MouseMove(102, 107); // x 2 in the header: the font's ascent
    EXPECT_EQ(list.m_vecColumn[0].width, BoxFont::kAscent);
    EXPECT_EQ(list.GetColumnList(1)->mX, BoxFont::kAscent);
    h.MouseMove(900, 107); // far right: the list's width less two bars
    EXPECT_EQ(list.m_vecColumn[0].width, 200 - 30);
    h.MouseUp(900, 107);
    h.MouseMove(150, 130);
    EXPECT_EQ(h.App().GetShownCursor(), Sexy::CURSOR_POINTER);

    // A click on a header neither sorts nor selects; a click on a cell selects the row everywhere.
    AddRow(L"0");
    h.Click(150, 107);
    EXPECT_EQ(list.GetStringAt(0, 0), L"a");
    EXPECT_EQ(list.GetColumnList(0)->mSelectIdx, -1);
    h.Step(50);
    // Row 1 of the second column: y = 100 + 15 + 2 + 12 + 6.
    h.Click(100 + 170 + 5, 135);
    ASSERT_EQ(clicks.got.size(), 1u);
    EXPECT_EQ(clicks.got[0], (std::vector<int>{41, 1, 1}));
    for (int c = 0; c < 3; ++c)
        EXPECT_EQ(list.GetColumnList(c)->mSelectIdx, 1);
    EXPECT_EQ(h.GetWidgetManager()->GetFocusWidget(), list.GetColumnList(0));
}

} // namespace
