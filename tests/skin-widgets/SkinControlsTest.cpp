// The skinned controls drawn over a backdrop: the scroll bar's thumb length and its cels per state,
// the slider's fill, and the text field's caret and selection without a background of its own.
#include "tests/skin-widgets/SkinWidgetsSupport.h"

#include "pop/WidgetManager.h"
#include "tessaro/widgets/SkinEditWidget.h"
#include "tessaro/widgets/SkinScrollbarWidget.h"
#include "tessaro/widgets/SkinSlider.h"

#include <gtest/gtest.h>

namespace
{

using namespace skintest;
using Sexy::Color;

// Thumb cels by (column, row): the column is the state of a vertical thumb, the row its piece.
Color ThumbCel(int col, int row)
{
    return Color(40 + 80 * col, 40 + 80 * row, 7);
}

struct ControlsTest : ::testing::Test
{
    ControlsTest()
    {
        backdrop.Resize(0, 0, 1024, 738);
        harness.GetWidgetManager()->AddWidget(&backdrop);
        std::vector<Color> cels;
        for (int row = 0; row < 3; ++row)
            for (int col = 0; col < 3; ++col)
                cels.push_back(ThumbCel(col, row));
        thumb = CelImage(3, 3, 16, 8, cels);
        thumb->mNumRows = thumb->mNumCols = 1; // as loaded: SetImage cuts it
    }

    Sexy::TestHarness harness;
    Backdrop backdrop;
    std::unique_ptr<Sexy::DDImage> up = CelImage(4, 1, 16, 16, {Color(1, 200, 1)});
    std::unique_ptr<Sexy::DDImage> down = CelImage(4, 1, 16, 16, {Color(1, 1, 200)});
    std::unique_ptr<Sexy::DDImage> track = SolidImage(8, 4, Color(150, 150, 150));
    std::unique_ptr<Sexy::DDImage> thumb;
};

TEST_F(ControlsTest, ScrollbarThumbLengthAndItsCelsPerState)
{
    // A vertical bar 200 high: 16-pixel arrows leave a 168-pixel track; thumb cels are 8 high.
    Sexy::SkinScrollbarWidget bar(nullptr, 1, nullptr);
    bar.Resize(100, 100, 16, 200);
    bar.SetImage(up.get(), down.get(), track.get(), thumb.get());
    struct Case
    {
        double max, page;
        int thumb;
    };
    const Case cases[] = {
        {20, 20, 168}, {10, 20, 0},   {0, 0, 0}, // all, none (also with nothing at all)
        {100, 10, 24}, {1000, 1, 24},            // never shorter than three cels
        {100, 50, 84},                           // proportional: the bar drawn below
    };
    for (const Case& c : cases)
    {
        bar.SetMaxValue(c.max);
        bar.SetPageSize(c.page);
        EXPECT_EQ(bar.GetThumbSize(), c.thumb) << c.max << " / " << c.page;
    }

    backdrop.AddWidget(&bar);
    harness.Step();
    // Thumb at 16..100 of the bar, as wide as the bar; the track, 8 wide, at x 4..12.
    EXPECT_EQ(harness.Pixel(108, 100 + 17), ThumbCel(0, 0));
    EXPECT_EQ(harness.Pixel(108, 100 + 58), ThumbCel(0, 1));
    EXPECT_EQ(harness.Pixel(108, 100 + 99), ThumbCel(0, 2));
    EXPECT_EQ(harness.Pixel(106, 100 + 150), Color(150, 150, 150));
    EXPECT_EQ(harness.Pixel(102, 100 + 150), Backdrop::kColor);
    EXPECT_EQ(harness.Pixel(108, 100 + 8), Color(1, 200, 1)); // the arrows draw their own cels

    harness.MouseMove(108, 100 + 50);
    harness.Step();
    EXPECT_EQ(harness.Pixel(108, 100 + 17), ThumbCel(1, 0));
    harness.MouseDown(108, 100 + 50);
    harness.Step();
    EXPECT_EQ(harness.Pixel(108, 100 + 58), ThumbCel(2, 1));
    harness.MouseUp(108, 100 + 50);
    harness.MouseMove(108, 100 + 150); // the track, below the thumb
    harness.Step();
    EXPECT_EQ(harness.Pixel(108, 100 + 17), ThumbCel(0, 0));

    // Nothing to scroll: neither thumb nor track.
    bar.SetMaxValue(10);
    bar.SetPageSize(20);
    harness.Step();
    EXPECT_EQ(harness.Pixel(108, 100 + 17), Backdrop::kColor);
    EXPECT_EQ(harness.Pixel(106, 100 + 150), Backdrop::kColor);
}

TEST_F(ControlsTest, SliderFillsUpToItsValue)
{
    auto fill = SolidImage(100, 6, Color(0, 200, 0));
    auto back = SolidImage(100, 6, Color(0, 0, 200));
    auto knob = SolidImage(10, 20, Color(200, 0, 0));
    Sexy::SkinSlider slider(fill.get(), back.get(), knob.get(), 1, nullptr);
    slider.Resize(10, 300, 100, 20);
    slider.SetValue(0.5);
    backdrop.AddWidget(&slider);
    harness.Step();
    // Lying down: fill over 0..50, background beyond, thumb at (100 - 10) * 0.5; pictures centred.
    EXPECT_EQ(harness.Pixel(10 + 20, 310), Color(0, 200, 0));
    EXPECT_EQ(harness.Pixel(10 + 70, 310), Color(0, 0, 200));
    EXPECT_EQ(harness.Pixel(10 + 50, 301), Color(200, 0, 0));
    EXPECT_EQ(harness.Pixel(10 + 20, 306), Backdrop::kColor);

    // Standing: the thumb alone.
    slider.mHorizontal = false;
    slider.Resize(10, 300, 20, 100);
    slider.SetValue(0.25);
    harness.Step();
    EXPECT_EQ(harness.Pixel(10 + 10, 300 + 25), Color(200, 0, 0)); // thumb at y (100 - 20) * 0.25
    EXPECT_EQ(harness.Pixel(10 + 10, 300 + 60), Backdrop::kColor);
}

TEST_F(ControlsTest, EditDrawsTextCaretAndSelectionOnly)
{
    const Color text(255, 255, 255), hilite(0, 200, 0), hiliteText(128, 128, 128);
    Sexy::SkinEditWidget edit(1, nullptr);
    edit.Resize(10, 400, 100, 20);
    edit.SetFont(std::make_unique<BoxFont>());
    edit.SetColor(Sexy::EditWidget::COLOR_TEXT, text);
    edit.SetColor(Sexy::EditWidget::COLOR_HILITE, hilite);
    edit.SetColor(Sexy::EditWidget::COLOR_HILITE_TEXT, hiliteText);
    edit.SetText(L"abc"); // boxes 6 wide from x 2, rows 4..15
    edit.mBlinkDelay = 1000;
    backdrop.AddWidget(&edit);
    harness.GetWidgetManager()->SetFocus(&edit);
    harness.Step();
    const int y = 400 + 8;
    EXPECT_EQ(harness.Pixel(10 + 3, y), text);
    EXPECT_EQ(harness.Pixel(10, y), Backdrop::kColor); // no background, no outline
    // The caret after "abc", 2 pixels, in its on phase only.
    EXPECT_EQ(harness.Pixel(10 + 20, y), hilite);
    EXPECT_EQ(harness.Pixel(10 + 21, y), hilite);
    EXPECT_EQ(harness.Pixel(10 + 22, y), Backdrop::kColor);
    edit.mShowingCursor = false;
    edit.MarkDirty();
    harness.Step();
    EXPECT_EQ(harness.Pixel(10 + 20, y), Backdrop::kColor);

    // "bc" selected: its text in the highlight-text colour on the highlight.
    edit.mShowingCursor = true;
    edit.SetSelection(1, 3);
    harness.Step();
    EXPECT_EQ(harness.Pixel(10 + 5, y), text);
    EXPECT_EQ(harness.Pixel(10 + 10, y), hiliteText);
    EXPECT_EQ(harness.Pixel(10 + 10, 400 + 3), Backdrop::kColor); // only as tall as the font
    harness.GetWidgetManager()->SetFocus(nullptr);
    harness.Step();
    EXPECT_EQ(harness.Pixel(10 + 10, y), text);
}

} // namespace
