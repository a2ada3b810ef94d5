// The table's banners: the bulletin strip taking announcements in turn on its 30 s / 11 s cycle and
// its close button, and the marquee scrolling its line through, out at the left and in again.
#include "tests/skin-widgets/SkinWidgetsSupport.h"

#include "tessaro/app/SkinImages.h"
#include "tessaro/widgets/Marquee.h"
#include "tessaro/widgets/Timer.h"
#include "tessaro/widgets/TopBullWidget.h"

#include <gtest/gtest.h>

#include <cstring>

namespace
{

using namespace skintest;
using Sexy::Color;

Ostra::ChatInfo Bull(const char* gbk)
{
    Ostra::ChatInfo info{};
    std::strncpy(info.szText, gbk, sizeof(info.szText));
    return info;
}

// The bulletin in the view where the view places it, with a close button of three 20 x 16 cels
// and a background picture.
struct BullGame : SkinGame
{
    BullGame()
    {
        view.Resize(0, 0, 1024, 738);
        bull.SetVisible(false); // as the view makes it
        view.AddWidget(&bull);
        bull.Resize(6, 0, 1012, 32);
    }
    // The text shown, or null while the strip is hidden.
    const wchar_t* Shown() const { return bull.mVisible && bull.m_bShow ? bull.m_strShow.c_str() : nullptr; }

    ScopedSkinImage close{Sexy::IMG_BASE_BULL_CLOSE,
                          CelImage(3, 1, 20, 16, {Color(200, 0, 0), Color(0, 200, 0), Color(0, 0, 200)})};
    ScopedSkinImage back{Sexy::IMG_BASE_IMPBULL_BAK, SolidImage(4, 26, Color(10, 20, 160))};
    Ostra::CTopBullWidget bull{&view, &app};
};

TEST(TopBull, AnnouncementsTakeTurnsEachShownElevenSeconds)
{
    BullGame game;
    EXPECT_FALSE(game.bull.mVisible);
    Ostra::ChatInfo first = Bull("第一条公告"), second = Bull("第二条"), third = Bull("第三条");
    game.bull.AddBull(&first);
    game.bull.AddBull(&second);
    game.bull.AddBull(&third);

    const int hide = Ostra::Timer::TicksFor(11000);
    const int next = Ostra::Timer::TicksFor(30000);
    struct Moment
    {
        int update;
        const wchar_t* shown; // null: hidden
    };
    const Moment moments[] = {
        {0, L"第一条公告"},         {hide - 1, L"第一条公告"},    {hide, nullptr},        {next - 1, nullptr},
        {next, L"第二条"},          {next + hide - 1, L"第二条"}, {next + hide, nullptr}, {2 * next, L"第三条"},
        {2 * next + hide, nullptr}, {3 * next, nullptr},
    };
    int now = 0;
    for (const Moment& m : moments)
    {
        game.harness.Step(m.update - now);
        now = m.update;
        if (m.shown)
            EXPECT_STREQ(game.Shown(), m.shown) << "update " << now;
        else
            EXPECT_EQ(game.Shown(), nullptr) << "update " << now;
        EXPECT_EQ(game.bull.m_pBtnClose->mVisible, m.shown != nullptr);
    }
    EXPECT_TRUE(game.bull.m_lstBull.empty());
}

TEST(TopBull, DrawnOverItsBackgroundAndClosedByItsButton)
{
    BullGame game;
    Sexy::ButtonWidget& close = *game.bull.m_pBtnClose;
    // 18 pixels left of the application's right edge, in the strip's coordinates.
    EXPECT_EQ(close.GetRect(), Sexy::Rect(1024 - 20 - 18, 6, 20, 16));

    Ostra::ChatInfo first = Bull("公告"), second = Bull("下一条");
    game.bull.AddBull(&first);
    game.bull.AddBull(&second);
    game.harness.Step();
    // The background stretched over the strip from y 2, 26 pixels high; the button's normal cel.
    EXPECT_EQ(game.harness.Pixel(6 + 3, 2), Color(10, 20, 160));
    EXPECT_EQ(game.harness.Pixel(6 + 1000, 27), Color(10, 20, 160));
    EXPECT_NE(game.harness.Pixel(6 + 1000, 28), Color(10, 20, 160));
    EXPECT_EQ(game.harness.Pixel(6 + 986 + 10, 6 + 8), Color(200, 0, 0));

    game.harness.Click(6 + 986 + 10, 6 + 8);
    EXPECT_FALSE(game.bull.mVisible);
    EXPECT_FALSE(game.bull.m_bShow);
    ASSERT_EQ(game.bull.m_lstBull.size(), 1u); // the next waits for the cycle
    EXPECT_STREQ(game.bull.m_lstBull.front().szText, "下一条");
}

// The owner draws the marquee with its own graphics, as the table view does.
class MarqueeOwner : public Sexy::Widget
{
public:
    void Update() override
    {
        Widget::Update();
        marquee.Update();
        MarkDirty();
    }
    void Draw(Sexy::Graphics* g) override { marquee.Draw(g); }

    Ostra::Marquee marquee;
};

TEST(Marquee, ScrollsThroughOutAtTheLeftAndInAgainFromTheRight)
{
    SkinGame game;
    BoxFont font;
    MarqueeOwner owner;
    owner.Resize(0, 0, 1024, 738);
    game.harness.GetWidgetManager()->AddWidget(&owner);
    Ostra::Marquee& m = owner.marquee;
    m.m_pFont = &font;
    m.m_Color = Color(250, 250, 0);
    m.m_strText = L"ABCDEFGHIJKLMNO"; // 90 pixels
    m.m_iStep = 10;
    m.m_iElapse = 200;
    m.Resize(100, 600, 50, 20);
    m.Start();
    ASSERT_NE(m.m_pTextImage, nullptr);
    EXPECT_EQ(m.m_pTextImage->GetWidth(), 90);
    EXPECT_EQ(m.m_pTextImage->GetHeight(), BoxFont::kAscent + BoxFont::kDescent);

    struct Tick
    {
        int drawX, srcX, srcW;
    };
    const Tick ticks[] = {
        {140, 0, 10},  {130, 0, 20},  {120, 0, 30},  {110, 0, 40},  {100, 10, 50}, {100, 20, 50}, {100, 30, 50},
        {100, 40, 50}, {100, 50, 40}, {100, 60, 30}, {100, 70, 20}, {100, 80, 10}, {140, 0, 10},  {130, 0, 20},
    };
    const int period = Ostra::Timer::TicksFor(200);
    for (size_t i = 0; i < std::size(ticks); ++i)
    {
        game.harness.Step(period - 1);
        game.harness.Step();
        EXPECT_EQ(m.m_iDrawX, ticks[i].drawX) << "tick " << i + 1;
        EXPECT_EQ(m.m_rcSrc.mX, ticks[i].srcX) << "tick " << i + 1;
        EXPECT_EQ(m.m_rcSrc.mWidth, ticks[i].srcW) << "tick " << i + 1;
        if (i == 0)
        {
            // Only the first 10 pixels of the text, at the marquee's right end.
            EXPECT_EQ(game.harness.Pixel(145, 605), Color(250, 250, 0));
            EXPECT_NE(game.harness.Pixel(139, 605), Color(250, 250, 0));
        }
    }

    // A text narrower than the marquee is rendered as wide as the marquee.
    m.m_strText = L"AB";
    m.Start();
    ASSERT_NE(m.m_pTextImage, nullptr);
    EXPECT_EQ(m.m_pTextImage->GetWidth(), 50);
    EXPECT_EQ(m.m_pTextImage->GetPixelARGB(20, 5), 0u);
}

} // namespace
