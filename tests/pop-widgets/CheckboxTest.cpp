// Checkboxes as a player meets them: clicking to check and uncheck, pictures for both looks,
// the plain box, and boxes that are disabled or hidden.
#include "pop/Checkbox.h"
#include "pop/Image.h"
#include "pop/TestHarness.h"
#include "pop/WidgetManager.h"

#include <gtest/gtest.h>

#include <memory>
#include <utility>
#include <vector>

using namespace Sexy;

namespace
{

class Recorder : public CheckboxListener
{
public:
    std::vector<std::pair<int, bool>> calls;
    void CheckboxChecked(int id, bool checked) override { calls.emplace_back(id, checked); }
};

class CheckboxTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        box.Resize(50, 50, 16, 16);
        h.GetWidgetManager()->AddWidget(&box);
        h.Step();
    }

    TestHarness h;
    Recorder rec;
    Checkbox box{nullptr, nullptr, 4, &rec};
};

} // namespace

TEST_F(CheckboxTest, ClicksToggleAndReportTheNewState)
{
    h.Click(58, 58);
    h.Click(58, 58);
    h.Click(58, 58);
    std::vector<std::pair<int, bool>> want = {{4, true}, {4, false}, {4, true}};
    EXPECT_EQ(rec.calls, want);
    EXPECT_TRUE(box.mChecked);
}

TEST_F(CheckboxTest, SetCheckedTellsTheListenerOnlyWhenAskedAndOnChange)
{
    box.SetChecked(true, false);
    EXPECT_TRUE(box.IsChecked());
    EXPECT_TRUE(rec.calls.empty());
    box.SetChecked(true, true); // no change
    EXPECT_TRUE(rec.calls.empty());
    box.SetChecked(false, true);
    ASSERT_EQ(rec.calls.size(), 1u);
    EXPECT_FALSE(rec.calls[0].second);
}

TEST_F(CheckboxTest, RightClicksDoNotToggle)
{
    h.Click(58, 58, 1);
    EXPECT_FALSE(box.mChecked);
    EXPECT_TRUE(rec.calls.empty());
}

TEST_F(CheckboxTest, DisabledOrHiddenBoxesTakeNoClicksAndEnabledOnesDoAgain)
{
    box.SetDisabled(true);
    h.Click(58, 58);
    EXPECT_FALSE(box.mChecked);
    box.SetDisabled(false);
    box.SetVisible(false);
    h.Click(58, 58);
    EXPECT_FALSE(box.mChecked);
    EXPECT_TRUE(rec.calls.empty());
    box.SetVisible(true);
    h.MouseMove(57, 57);
    h.Click(57, 57);
    EXPECT_TRUE(box.mChecked);
}

TEST_F(CheckboxTest, PlainBoxShowsAMarkOnlyWhenChecked)
{
    h.Step();
    EXPECT_EQ(h.Pixel(58, 58), Color::White);
    EXPECT_EQ(h.Pixel(50, 58), Color::Black); // outline
    h.Click(58, 58);
    h.Step();
    EXPECT_EQ(h.Pixel(58, 58), Color::Black);
    box.SetDisabled(true);
    h.Step();
    EXPECT_NE(h.Pixel(58, 58), Color::Black); // greyed
}

TEST_F(CheckboxTest, OnePictureHoldsBothLooksSideBySide)
{
    // Unchecked on the left half (red), checked on the right half (green), as skins do it.
    auto picture = std::make_unique<DDImage>(32, 16);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 32; ++x)
            picture->SetPixel(x, y, x < 16 ? Color(255, 0, 0) : Color(0, 255, 0));
    Checkbox skinned(picture.get(), picture.get(), 9, &rec);
    skinned.mUncheckedRect = Rect(0, 0, 16, 16);
    skinned.mCheckedRect = Rect(16, 0, 16, 16);
    skinned.Resize(100, 50, 16, 16);
    h.GetWidgetManager()->AddWidget(&skinned);
    h.Step();
    EXPECT_EQ(h.Pixel(108, 58), Color(255, 0, 0));
    h.Click(108, 58);
    h.Step();
    EXPECT_EQ(h.Pixel(108, 58), Color(0, 255, 0));
    ASSERT_EQ(rec.calls.size(), 1u);
    EXPECT_EQ(rec.calls[0], std::make_pair(9, true));
    h.GetWidgetManager()->RemoveWidget(&skinned);
}

TEST_F(CheckboxTest, ListenerMayDeleteTheBoxWhenToggled)
{
    class Closer : public CheckboxListener
    {
    public:
        std::unique_ptr<Checkbox> owned;
        void CheckboxChecked(int, bool) override { owned.reset(); }
    } closer;
    closer.owned = std::make_unique<Checkbox>(nullptr, nullptr, 1, &closer);
    closer.owned->Resize(200, 200, 16, 16);
    h.GetWidgetManager()->AddWidget(closer.owned.get());
    h.Click(205, 205);
    EXPECT_EQ(closer.owned, nullptr);
    h.Step();
}
