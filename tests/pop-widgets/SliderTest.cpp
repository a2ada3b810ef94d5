// Sliders as a player meets them: dragging the thumb, clicking the track, the settled value at the
// end of a drag, limits, and sliders that are disabled.
#include "pop/Slider.h"
#include "pop/Image.h"
#include "pop/TestHarness.h"
#include "pop/WidgetManager.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <vector>

using namespace Sexy;

namespace
{

struct Report
{
    int id;
    double value;
    bool dragging;
};

class Recorder : public SliderListener
{
public:
    Slider* slider = nullptr;
    std::vector<Report> calls;
    void SliderVal(int id, double value) override
    {
        calls.push_back({id, value, slider != nullptr && slider->mDragging});
    }
};

// A plain horizontal slider at (100, 100), 110 x 20: its thumb is 10 wide, so the value is the
// thumb's left edge over 100 pixels.
class SliderTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        rec.slider = &slider;
        slider.Resize(100, 100, 110, 20);
        h.GetWidgetManager()->AddWidget(&slider);
        h.Step();
    }

    TestHarness h;
    Recorder rec;
    Slider slider{nullptr, nullptr, 3, &rec};
};

} // namespace

TEST_F(SliderTest, DraggingTheThumbReportsWhileDraggingAndOnceSettled)
{
    h.MouseDown(104, 110); // the thumb, 4 pixels into it
    EXPECT_TRUE(rec.calls.empty());
    h.MouseMove(154, 110);
    EXPECT_TRUE(slider.mDragging);
    EXPECT_DOUBLE_EQ(slider.mVal, 0.5);
    h.MouseMove(174, 130); // off the track across it: only the position along counts
    EXPECT_DOUBLE_EQ(slider.mVal, 0.7);
    h.MouseUp(174, 130);
    EXPECT_FALSE(slider.mDragging);
    ASSERT_EQ(rec.calls.size(), 3u);
    EXPECT_TRUE(rec.calls[0].dragging);
    EXPECT_DOUBLE_EQ(rec.calls[0].value, 0.5);
    EXPECT_TRUE(rec.calls[1].dragging);
    EXPECT_DOUBLE_EQ(rec.calls[2].value, 0.7);
    EXPECT_FALSE(rec.calls[2].dragging); // the settled value
    EXPECT_EQ(rec.calls[2].id, 3);
}

TEST_F(SliderTest, DraggingPastTheEndsStopsAtZeroAndOne)
{
    h.MouseDown(105, 110);
    h.MouseMove(900, 110);
    EXPECT_DOUBLE_EQ(slider.mVal, 1.0);
    h.MouseMove(0, 110);
    EXPECT_DOUBLE_EQ(slider.mVal, 0.0);
    h.MouseUp(0, 110);
}

TEST_F(SliderTest, ClickingTheTrackJumpsThereAsASettledValue)
{
    h.Click(160, 110); // the thumb's middle goes under the mouse: left edge at 55
    ASSERT_EQ(rec.calls.size(), 1u);
    EXPECT_DOUBLE_EQ(rec.calls[0].value, 0.55);
    EXPECT_FALSE(rec.calls[0].dragging);

    // Holding on after the jump drags the thumb by its middle.
    h.MouseDown(185, 110);
    h.MouseMove(195, 110);
    EXPECT_DOUBLE_EQ(slider.mVal, 0.9);
    h.MouseUp(195, 110);
    EXPECT_FALSE(rec.calls.back().dragging);
    EXPECT_DOUBLE_EQ(rec.calls.back().value, 0.9);
}

TEST_F(SliderTest, ThumbIsDrawnWhereTheValuePutsIt)
{
    auto thumb = std::make_unique<DDImage>(10, 20);
    thumb->Clear(Color(0, 0, 255));
    slider.mThumbImage = thumb.get();
    slider.SetValue(0.5);
    h.Step();
    EXPECT_EQ(h.Pixel(152, 110), Color(0, 0, 255));
    EXPECT_NE(h.Pixel(145, 110), Color(0, 0, 255));
    slider.mThumbImage = nullptr;
}

TEST_F(SliderTest, SetValueClampsAndDoesNotReport)
{
    slider.SetValue(1.7);
    EXPECT_DOUBLE_EQ(slider.mVal, 1.0);
    slider.SetValue(-2);
    EXPECT_DOUBLE_EQ(slider.mVal, 0.0);
    slider.SetValue(std::numeric_limits<double>::quiet_NaN());
    EXPECT_DOUBLE_EQ(slider.mVal, 0.0);
    EXPECT_TRUE(rec.calls.empty());
}

TEST_F(SliderTest, DisabledSliderTakesNoInputAndDisablingEndsADrag)
{
    slider.SetDisabled(true);
    h.Click(160, 110);
    EXPECT_DOUBLE_EQ(slider.mVal, 0.0);

    slider.SetDisabled(false);
    h.MouseDown(105, 110);
    h.MouseMove(135, 110);
    size_t before = rec.calls.size();
    slider.SetDisabled(true);
    EXPECT_FALSE(slider.mDragging);
    h.MouseMove(180, 110);
    h.MouseUp(180, 110);
    EXPECT_EQ(rec.calls.size(), before);
    EXPECT_DOUBLE_EQ(slider.mVal, 0.3);
}

TEST_F(SliderTest, VerticalSliderRunsTopToBottom)
{
    Slider vertical(nullptr, nullptr, 8, &rec);
    vertical.mHorizontal = false;
    vertical.Resize(300, 100, 20, 110);
    h.GetWidgetManager()->AddWidget(&vertical);
    h.MouseDown(310, 104);
    h.MouseMove(310, 129);
    EXPECT_DOUBLE_EQ(vertical.mVal, 0.25);
    h.MouseUp(310, 129);
    h.GetWidgetManager()->RemoveWidget(&vertical);
}

TEST_F(SliderTest, SliderNoLongerThanItsThumbCannotMove)
{
    Slider stub(nullptr, nullptr, 5, &rec);
    stub.Resize(400, 100, 10, 20);
    stub.SetValue(0.4);
    h.GetWidgetManager()->AddWidget(&stub);
    h.MouseDown(405, 110);
    h.MouseMove(450, 110);
    h.MouseUp(450, 110);
    EXPECT_DOUBLE_EQ(stub.mVal, 0.4);
    EXPECT_FALSE(std::isnan(stub.mVal));
    h.GetWidgetManager()->RemoveWidget(&stub);
}
