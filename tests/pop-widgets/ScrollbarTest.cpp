// The scrollbar through the headless application: arrows, track, thumb, wheel, the empty range,
// orientation, hiding when there is nothing to scroll, and its drawing.
#include "pop/ScrollbarWidget.h"
#include "pop/TestHarness.h"
#include "pop/WidgetManager.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

using namespace Sexy;

namespace
{

struct Positions : ScrollListener
{
    std::vector<double> values;
    void ScrollPosition(int, double position) override { values.push_back(position); }
};

// A vertical bar at (300, 100), 16 x 200: arrows of 16, a track of 168 from y 116 to 284. With
// maximum 100 and page 10 the thumb is 17 long and travels 151 pixels for the values 0..90.
class ScrollbarTest : public ::testing::Test
{
protected:
    static constexpr int kMid = 308;
    static constexpr int kDown = 292; // on the down arrow

    ScrollbarTest() : bar(4, &pos)
    {
        bar.Resize(300, 100, 16, 200);
        bar.SetMaxValue(100);
        bar.SetPageSize(10);
        h.GetWidgetManager()->AddWidget(&bar);
    }
    ~ScrollbarTest() override { h.GetWidgetManager()->RemoveWidget(&bar); }

    int ThumbTop() { return 100 + bar.GetThumbPosition(); }
    void Pause() { h.Step(50); }

    TestHarness h;
    Positions pos;
    ScrollbarWidget bar;
};

TEST_F(ScrollbarTest, ValueStaysInRangeAndEveryChangeIsReportedOnce)
{
    EXPECT_EQ(bar.GetThumbSize(), 17);
    bar.SetValue(45);
    EXPECT_EQ(bar.GetThumbPosition(), 16 + 76);
    bar.SetValue(45);
    bar.SetValue(-3);
    bar.SetValue(1000);
    EXPECT_EQ(bar.GetThumbPosition(), 16 + 151);
    bar.SetValue(NAN);
    bar.SetValue(80);
    bar.SetMaxValue(50); // shrinking the range clamps the value
    bar.SetPageSize(60); // nothing to scroll
    std::vector<double> want = {45, 0, 90, 0, 80, 40, 0};
    EXPECT_EQ(pos.values, want);
}

TEST_F(ScrollbarTest, ArrowsStepAndRepeatWhileHeldAndTheWheelScrolls)
{
    h.Click(kMid, kDown);
    Pause();
    h.Click(kMid, kDown, 1); // the right button does not scroll
    Pause();
    h.Click(kMid, 108); // up arrow
    Pause();
    h.Click(kMid, 108);
    EXPECT_EQ(pos.values, (std::vector<double>{1, 0}));

    h.MouseDown(kMid, kDown);
    h.Step(ScrollbarWidget::kRepeatDelayTicks - 2);
    EXPECT_EQ(bar.mValue, 1.0);
    h.Step(2 + 4 * ScrollbarWidget::kRepeatTicks);
    EXPECT_EQ(bar.mValue, 6.0);
    h.MouseUp(kMid, kDown);
    h.Step(100);
    EXPECT_EQ(bar.mValue, 6.0);
    h.Wheel(-2); // three per notch
    EXPECT_EQ(bar.mValue, 12.0);
    h.Wheel(5);
    EXPECT_EQ(bar.mValue, 0.0);
}

TEST_F(ScrollbarTest, TrackPagesTowardsThePointerUntilTheThumbGetsThere)
{
    h.Click(kMid, 250);
    EXPECT_EQ(bar.mValue, 10.0);
    Pause();
    h.Click(kMid, 120); // above the thumb
    EXPECT_EQ(bar.mValue, 0.0);
    Pause();
    h.MouseDown(kMid, 200); // held
    h.Step(ScrollbarWidget::kRepeatDelayTicks + 20 * ScrollbarWidget::kRepeatTicks);
    h.MouseUp(kMid, 200);
    EXPECT_EQ(bar.mValue, 50.0);
    EXPECT_LE(ThumbTop(), 200);
    EXPECT_GT(ThumbTop() + bar.GetThumbSize(), 200);
}

TEST_F(ScrollbarTest, DraggingTheThumbMovesTheValueProportionally)
{
    int grab = ThumbTop() + 5;
    h.MouseDown(kMid, grab);
    EXPECT_TRUE(bar.mPressedOnThumb);
    EXPECT_TRUE(pos.values.empty()); // grabbing alone does not move it
    h.MouseMove(kMid, grab + 50);
    EXPECT_NEAR(bar.mValue, 50 * 90.0 / 151, 1e-9);
    h.MouseMove(kMid + 200, grab + 151); // far to the side: the bar keeps the mouse
    EXPECT_NEAR(bar.mValue, 90.0, 1e-9);
    h.MouseMove(kMid, grab - 400);
    EXPECT_EQ(bar.mValue, 0.0);
    h.MouseUp(kMid, grab - 400);
    h.MouseMove(kMid, grab + 50); // released: no longer dragging
    EXPECT_EQ(bar.mValue, 0.0);
}

// A subclass with a thumb of its own length: hit testing and dragging use it.
class LongThumbBar : public ScrollbarWidget
{
public:
    using ScrollbarWidget::ScrollbarWidget;
    int GetThumbSize() override { return CanScroll() ? 68 : 0; }
};

TEST(ScrollbarThumb, DragUsesTheSubclassThumbSize)
{
    TestHarness h;
    LongThumbBar bar(1, nullptr);
    bar.Resize(0, 0, 16, 200);
    bar.SetMaxValue(100);
    bar.SetPageSize(10);
    h.GetWidgetManager()->AddWidget(&bar);
    h.MouseDown(8, 16 + 60);      // inside the long thumb
    h.MouseMove(8, 16 + 60 + 50); // half of the 100 pixels of travel
    h.MouseUp(8, 16 + 60 + 50);
    EXPECT_NEAR(bar.mValue, 45.0, 1e-9);
    h.GetWidgetManager()->RemoveWidget(&bar);
}

TEST_F(ScrollbarTest, MaximumZeroHasNoThumbAndIgnoresTheMouse)
{
    bar.SetMaxValue(0);
    bar.SetPageSize(0);
    EXPECT_EQ(bar.GetThumbSize(), 0);
    EXPECT_EQ(bar.GetThumbPosition(), 16);
    h.Click(kMid, 200);
    h.MouseDown(kMid, 120);
    h.MouseMove(kMid, 250);
    h.MouseUp(kMid, 250);
    h.Click(kMid, kDown);
    h.Wheel(-3);
    EXPECT_EQ(bar.mValue, 0.0);
    EXPECT_TRUE(pos.values.empty());
    h.Draw(); // the track without a thumb
    EXPECT_EQ(h.Pixel(kMid, 200), bar.GetColor(ScrollbarWidget::COLOR_TRACK));

    bar.SetMaxValue(100);
    bar.Resize(300, 100, 16, 20); // too short for a track: arrows of 10 each
    EXPECT_EQ(bar.GetThumbSize(), 0);
    h.Click(kMid, 115);
    EXPECT_EQ(bar.mValue, 1.0);
}

TEST_F(ScrollbarTest, InvisibleWhileThereIsNothingToScrollUnlessHiddenByItsOwner)
{
    bar.SetInvisIfNoScroll(true);
    EXPECT_TRUE(bar.mVisible);
    bar.SetMaxValue(5);
    EXPECT_FALSE(bar.mVisible);
    EXPECT_EQ(h.GetWidgetManager()->GetWidgetAt(kMid, 108), nullptr); // nor its arrows
    bar.SetMaxValue(30);
    EXPECT_TRUE(bar.mVisible);

    bar.SetVisible(false); // the owner's choice stands
    bar.SetMaxValue(5);
    bar.SetMaxValue(300);
    EXPECT_FALSE(bar.mVisible);
    bar.SetMaxValue(5);
    bar.SetVisible(true); // shown while empty: appears once there is something to scroll
    EXPECT_FALSE(bar.mVisible);
    bar.SetMaxValue(300);
    EXPECT_TRUE(bar.mVisible);

    bar.SetInvisIfNoScroll(false); // stays visible
    bar.SetMaxValue(5);
    EXPECT_TRUE(bar.mVisible);
}

TEST(ScrollbarHorizontal, ArrowsAtTheEndsAndDragAlongX)
{
    TestHarness h;
    ScrollbarWidget bar(4, nullptr);
    bar.SetHorizontal(true);
    bar.Resize(100, 50, 216, 16); // arrows 16, track 184
    bar.SetMaxValue(40);
    bar.SetPageSize(20); // thumb and travel 92 each
    h.GetWidgetManager()->AddWidget(&bar);
    EXPECT_EQ(bar.mDownButton->GetRect(), Rect(200, 0, 16, 16));
    h.Click(308, 58);
    EXPECT_EQ(bar.mValue, 1.0);
    int grab = 100 + bar.GetThumbPosition() + 3;
    h.MouseDown(grab, 58);
    h.MouseMove(grab + 46, 158);
    h.MouseUp(grab + 46, 158);
    EXPECT_NEAR(bar.mValue, 11.0, 0.3);
    h.GetWidgetManager()->RemoveWidget(&bar);
}

TEST_F(ScrollbarTest, ThumbIsDrawnWhereTheValuePutsIt)
{
    bar.SetColor(ScrollbarWidget::COLOR_TRACK, Color(10, 10, 10));
    bar.SetColor(ScrollbarWidget::COLOR_THUMB, Color(0, 200, 0));
    bar.SetValue(90);
    h.Draw();
    EXPECT_EQ(h.Pixel(kMid, 276), Color(0, 200, 0));
    EXPECT_EQ(h.Pixel(kMid, 124), Color(10, 10, 10));
}

} // namespace
