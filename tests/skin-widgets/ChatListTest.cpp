// The chat pane and the speech bubble: lines cut by measuring and coloured by their colour code,
// the store of 1000 lines, the scrollbar and the wheel, the queued lines of timer 1, and the
// bubble's four seconds. Drawn headless; the colours are read back from the screen.
#include "tessaro/widgets/ChatListWidget.h"
#include "tessaro/widgets/ChatShowWidget.h"
#include "tessaro/widgets/SkinScrollbarWidget.h"

#include "pop/Font.h"
#include "pop/Graphics.h"
#include "pop/Image.h"
#include "pop/TestHarness.h"
#include "pop/WidgetManager.h"

#include "tests/skin-widgets/SkinWidgetsSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace
{

using skintest::CountNear;

using Sexy::ChatListWidget;
using Sexy::Color;

// A chat pane of 314 x 100 at (20, 40) in the harness's window.
class ChatListTest : public ::testing::Test
{
protected:
    ChatListTest() : list(&h.App())
    {
        list.Resize(20, 40, 314, 100);
        h.GetWidgetManager()->AddWidget(&list);
    }
    ~ChatListTest() override { h.GetWidgetManager()->RemoveWidget(&list); }

    // A solid picture of w x h in cels across x down.
    static std::unique_ptr<Sexy::MemoryImage> Picture(int w, int hgt, int across, int down, const Color& c)
    {
        auto image = std::make_unique<Sexy::MemoryImage>(w, hgt);
        image->Clear(c);
        image->mNumCols = across;
        image->mNumRows = down;
        return image;
    }
    void AddScrollbar()
    {
        up = Picture(64, 16, 4, 1, Color(90, 90, 90));
        down = Picture(64, 16, 4, 1, Color(90, 90, 90));
        track = Picture(16, 16, 1, 1, Color(40, 40, 40));
        thumb = Picture(48, 48, 3, 3, Color(200, 200, 200));
        list.SetScrollbarImage(up.get(), down.get(), track.get(), thumb.get());
        list.Resize(20, 40, 314, 100);
    }
    Sexy::TestHarness h;
    ChatListWidget list;
    std::unique_ptr<Sexy::MemoryImage> up, down, track, thumb;
};

TEST_F(ChatListTest, EveryLineStartsWithTheCodeOfItsColourAndPlayersCannotAddCodes)
{
    struct Case
    {
        std::wstring text;
        int color;
        std::vector<std::wstring> lines;
    };
    const Case cases[] = {
        {L"你好", 2, {L"^ffda990你好"}},
        // A component below 16 is a blank and one digit.
        {L"蓝", 9, {L"^ 0ccff0蓝"}},
        {L"白", 10, {L"^ffffff0白"}},
        {L"白", -1, {L"^ffffff0白"}},
        {L"^ff00000红", 0, {L"^9b9b9b0 ff00000红"}},
        {L"换行\n", 1, {L"^debcff0换行\n"}},
        {L"一\n二", 1, {L"^debcff0一\n", L"^debcff0二"}},
        {L"", 1, {}},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(testing::PrintToString(c.color));
        list.RemoveAll();
        list.AddChat(c.text, c.color);
        EXPECT_EQ(list.m_vecLines, c.lines);
    }
}

TEST_F(ChatListTest, TextIsCutWhereItFirstReachesTheWidthLessThirty)
{
    std::wstring text;
    for (int i = 0; i < 50; ++i)
        text += i % 3 == 0 ? L"中文" : L"Latin ";
    list.AddChat(text, 0);
    ASSERT_GT(list.m_vecLines.size(), 2u);
    std::wstring joined;
    const int limit = 314 - ChatListWidget::kCutMargin;
    for (size_t i = 0; i < list.m_vecLines.size(); ++i)
    {
        const std::wstring piece = list.m_vecLines[i].substr(8);
        joined += piece;
        // Only the first piece begins a text; the next text begins a row of its own.
        EXPECT_EQ(list.m_vecEntryStart[i], i == 0) << i;
        if (i + 1 == list.m_vecLines.size())
            break;
        // Every line but the last reaches the limit, and one character less does not.
        EXPECT_GE(list.m_pFont->StringWidth(piece), limit) << i;
        EXPECT_LT(list.m_pFont->StringWidth(piece.substr(0, piece.size() - 1)), limit) << i;
    }
    EXPECT_EQ(joined, text);
    list.AddChat(L"next", 0);
    EXPECT_TRUE(list.m_vecEntryStart.back());
}

TEST_F(ChatListTest, TheNewestThousandLinesStayAndTheViewFollowsThem)
{
    EXPECT_EQ(list.m_nShowLines, 6); // 100 / 16
    for (int i = 0; i <= 1000; ++i)
        list.AddChat(std::to_wstring(i), 0);
    ASSERT_EQ(list.m_vecLines.size(), 1000u);
    EXPECT_EQ(list.m_vecLines.front(), L"^9b9b9b01");
    EXPECT_EQ(list.m_nFirstLine, 1000 - 6);

    // Without a scrollbar the wheel does nothing.
    list.MouseWheel(1);
    EXPECT_EQ(list.m_nFirstLine, 994);

    AddScrollbar();
    EXPECT_EQ(list.m_nScrollbarWidth, 16);
    list.AddChat(L"新", 0);
    EXPECT_DOUBLE_EQ(list.m_pScrollbar->mMaxValue, 1001.0);
    EXPECT_DOUBLE_EQ(list.m_pScrollbar->mPageSize, 100.0 / 16);
    // The wheel moves three lines through the scrollbar, which tells the list.
    list.MouseWheel(1);
    EXPECT_EQ(list.m_nFirstLine, static_cast<int>(list.m_pScrollbar->mValue));
    EXPECT_LT(list.m_nFirstLine, 994);
    const int before = list.m_nFirstLine;
    list.MouseWheel(-1);
    EXPECT_EQ(list.m_nFirstLine, before + 3);
}

TEST_F(ChatListTest, LinesAreDrawnInTheirColoursWithoutTheirCodes)
{
    list.AddChat(L"国国国国", 5); // (255, 99, 111)
    list.AddChat(L"国国国国", 9); // (0, 204, 255)
    h.Draw();
    // Row i has its baseline at 16 i + 16: the first row lies in y 40..56 of the window.
    EXPECT_GT(CountNear(h, 20, 40, 314, 16, Color(255, 99, 111)), 10);
    EXPECT_EQ(CountNear(h, 20, 40, 314, 16, Color(0, 204, 255)), 0);
    EXPECT_GT(CountNear(h, 20, 56, 314, 16, Color(0, 204, 255)), 10);
    // The text starts at x 5: nothing of the eight characters of the code is drawn before it.
    EXPECT_EQ(CountNear(h, 20, 40, 5, 32, Color(255, 99, 111)) + CountNear(h, 20, 40, 5, 32, Color(0, 204, 255)), 0);
}

TEST_F(ChatListTest, QueuedLinesArriveOneEveryPeriodOfTimerOne)
{
    list.m_vecPending = {L"甲", L"乙"};
    list.m_nTickPeriod = 3;
    list.m_Timer.SetTimer(1, 10); // every update but one
    const int tick = Ostra::Timer::TicksFor(10);
    h.Step(3 * tick - 1);
    EXPECT_TRUE(list.m_vecLines.empty());
    h.Step(1);
    EXPECT_EQ(list.m_vecLines, (std::vector<std::wstring>{L"^debcff0甲"}));
    h.Step(6 * tick);
    EXPECT_EQ(list.m_vecLines.size(), 2u);
    EXPECT_TRUE(list.m_vecPending.empty());
}

TEST(ChatShow, ABubbleShowsItsLineForFourSecondsAndDrawsItInTheBubble)
{
    Sexy::TestHarness h;
    Ostra::ChatShowWidget bubble(nullptr, nullptr, 1, 10, 20, 8, 0);
    EXPECT_EQ(bubble.m_pBubbleImage, nullptr);
    bubble.SetChatInfo(L"你好");
    const int ticks = Ostra::Timer::TicksFor(Ostra::ChatShowWidget::kShowMs);
    for (int i = 0; i < ticks - 1; ++i)
        bubble.Update();
    EXPECT_TRUE(bubble.m_bShow);
    EXPECT_EQ(bubble.m_strText, L"你好");
    bubble.Update();
    EXPECT_FALSE(bubble.m_bShow);
    EXPECT_TRUE(bubble.m_strText.empty());

    // With a picture of 120 x 100 the text is written in the bubble, in the bubble's gold.
    auto picture = std::make_unique<Sexy::MemoryImage>(120, 100);
    picture->Clear(Color(20, 20, 60));
    bubble.m_pBubbleImage = std::move(picture);
    bubble.SetChatInfo(L"国国国");
    Sexy::MemoryImage screen(200, 200);
    screen.Clear(Color(0, 0, 0));
    Sexy::Graphics g(&screen);
    bubble.Draw(&g);
    int gold = 0;
    int outside = 0;
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 200; ++x)
        {
            const Color p = screen.GetPixel(x, y);
            const bool near = std::abs(p.mRed - 255) + std::abs(p.mGreen - 218) + std::abs(p.mBlue - 153) < 60;
            const bool inside = x >= 18 && x < 122 && y >= 20 && y < 120;
            gold += near && inside;
            outside += near && !inside;
        }
    EXPECT_GT(gold, 10);
    EXPECT_EQ(outside, 0);
}

} // namespace
