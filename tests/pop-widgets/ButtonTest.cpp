// Buttons as a player meets them: hovering, pressing, clicking, dragging off, state pictures from
// cel strips, fading over looks, labels, mirrored and flipped pictures.
#include "pop/ButtonWidget.h"
#include "pop/Graphics.h"
#include "pop/Image.h"
#include "pop/SysFont.h"
#include "pop/TestHarness.h"
#include "pop/WidgetManager.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using namespace Sexy;

namespace
{

const Color kRed(255, 0, 0);
const Color kGreen(0, 255, 0);
const Color kBlue(0, 0, 255);
const Color kYellow(255, 255, 0);
const Color kGrey(128, 128, 128);

// A strip of cels side by side, each cel a solid colour.
std::unique_ptr<DDImage> CelStrip(const std::vector<Color>& colors, int celW = 20, int celH = 20)
{
    auto image = std::make_unique<DDImage>(celW * static_cast<int>(colors.size()), celH);
    image->mNumCols = static_cast<int>(colors.size());
    for (size_t i = 0; i < colors.size(); ++i)
        for (int y = 0; y < celH; ++y)
            for (int x = 0; x < celW; ++x)
                image->SetPixel(static_cast<int>(i) * celW + x, y, colors[i]);
    return image;
}

bool Near(const Color& a, const Color& b, int tol = 3)
{
    return std::abs(a.mRed - b.mRed) <= tol && std::abs(a.mGreen - b.mGreen) <= tol &&
           std::abs(a.mBlue - b.mBlue) <= tol;
}

class Recorder : public ButtonListener
{
public:
    std::vector<std::string> log;
    void ButtonPress(int id, int clickCount) override
    {
        log.push_back("press(" + std::to_string(id) + "," + std::to_string(clickCount) + ")");
    }
    void ButtonDepress(int id) override { log.push_back("depress(" + std::to_string(id) + ")"); }
    void ButtonDownTick(int id) override { log.push_back("tick(" + std::to_string(id) + ")"); }
    void ButtonMouseEnter(int id) override { log.push_back("enter(" + std::to_string(id) + ")"); }
    void ButtonMouseLeave(int id) override { log.push_back("leave(" + std::to_string(id) + ")"); }
    void ButtonMouseMove(int id, int x, int y) override
    {
        log.push_back("move(" + std::to_string(id) + "," + std::to_string(x) + "," + std::to_string(y) + ")");
    }
    int Count(const std::string& prefix) const
    {
        int n = 0;
        for (const auto& entry : log)
            n += entry.rfind(prefix, 0) == 0 ? 1 : 0;
        return n;
    }
};

class ButtonTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        strip = CelStrip({kRed, kGreen, kBlue, kYellow});
        button.SetBtnImage(&h.App(), strip.get(), true, true, true, true, true);
        button.Move(100, 100);
        h.GetWidgetManager()->AddWidget(&button);
        h.Step();
    }
    Color Centre()
    {
        h.Step();
        return h.Pixel(110, 110);
    }

    TestHarness h;
    Recorder rec;
    std::unique_ptr<DDImage> strip;
    ButtonWidget button{7, &rec};
};

} // namespace

// --- clicking and hovering ---------------------------------------------------------------------

TEST_F(ButtonTest, ClickReportsEnterPressAndDepressInOrder)
{
    h.MouseMove(110, 110);
    h.Click(110, 110);
    h.MouseMove(300, 300);
    std::vector<std::string> want = {"enter(7)", "move(7,10,10)", "press(7,1)", "depress(7)", "leave(7)"};
    EXPECT_EQ(rec.log, want);
}

TEST_F(ButtonTest, DoubleClickReportsClickCountTwo)
{
    h.Click(110, 110);
    h.Click(110, 110);
    EXPECT_EQ(rec.Count("press(7,1)"), 1);
    EXPECT_EQ(rec.Count("press(7,2)"), 1);
    EXPECT_EQ(rec.Count("depress(7)"), 2);
}

TEST_F(ButtonTest, ReleaseOutsideClicksNothingAndReturningBeforeReleaseClicks)
{
    h.MouseDown(110, 110);
    h.MouseMove(300, 300);
    h.MouseUp(300, 300);
    EXPECT_EQ(rec.Count("press"), 1);
    EXPECT_EQ(rec.Count("depress"), 0);

    h.MouseDown(110, 110);
    h.MouseMove(300, 300);
    h.MouseMove(115, 115);
    h.MouseUp(115, 115);
    EXPECT_EQ(rec.Count("depress(7)"), 1);
}

TEST_F(ButtonTest, RightAndMiddleButtonsDoNotWorkTheButton)
{
    h.Click(110, 110, 1);
    h.Click(110, 110, 2);
    EXPECT_EQ(rec.Count("press"), 0);
    EXPECT_EQ(rec.Count("depress"), 0);
}

TEST_F(ButtonTest, DisabledAndHiddenButtonsTakeNoClicks)
{
    button.SetDisabled(true);
    h.Click(110, 110);
    button.SetDisabled(false);
    button.SetVisible(false);
    h.Click(110, 110);
    EXPECT_EQ(rec.Count("press"), 0);
    EXPECT_EQ(rec.Count("depress"), 0);

    button.SetVisible(true);
    h.Click(110, 110);
    EXPECT_EQ(rec.Count("depress(7)"), 1);
}

TEST_F(ButtonTest, DisablingWhileHeldCancelsTheClick)
{
    h.MouseDown(110, 110);
    button.SetDisabled(true);
    h.MouseUp(110, 110);
    EXPECT_EQ(rec.Count("depress"), 0);
}

TEST_F(ButtonTest, DownTicksOncePerUpdateWhileHeldOverTheButton)
{
    h.MouseDown(110, 110);
    h.Step(5);
    EXPECT_EQ(rec.Count("tick(7)"), 5);
    h.MouseMove(300, 300);
    h.Step(5);
    EXPECT_EQ(rec.Count("tick(7)"), 5);
    h.MouseUp(300, 300);
    h.Step(3);
    EXPECT_EQ(rec.Count("tick(7)"), 5);
}

TEST_F(ButtonTest, ShowsTheHandCursorWhileHovered)
{
    h.MouseMove(110, 110);
    EXPECT_TRUE(h.GetWidgetManager()->WantsHandCursor());
    button.mDoFinger = false;
    EXPECT_FALSE(h.GetWidgetManager()->WantsHandCursor());
}

TEST_F(ButtonTest, ListenerMayDeleteTheButtonWhenClicked)
{
    class Closer : public ButtonListener
    {
    public:
        std::unique_ptr<ButtonWidget> owned;
        void ButtonDepress(int) override { owned.reset(); }
    } closer;
    closer.owned = std::make_unique<ButtonWidget>(3, &closer);
    closer.owned->Resize(300, 300, 20, 20);
    h.GetWidgetManager()->AddWidget(closer.owned.get());
    h.Click(310, 310);
    EXPECT_EQ(closer.owned, nullptr);
    h.Step(2);
}

TEST_F(ButtonTest, RemovedWhileHeldDoesNotClickOnReturn)
{
    h.MouseDown(110, 110);
    h.GetWidgetManager()->RemoveWidget(&button);
    h.GetWidgetManager()->AddWidget(&button);
    h.MouseUp(110, 110);
    h.Click(110, 110);
    EXPECT_EQ(rec.Count("depress(7)"), 1); // only the second, whole click
}

// --- state pictures ----------------------------------------------------------------------------

TEST_F(ButtonTest, DrawsTheCelOfEachState)
{
    EXPECT_EQ(button.mWidth, 20);
    EXPECT_EQ(button.mHeight, 20);
    EXPECT_TRUE(Near(Centre(), kRed));
    h.MouseMove(110, 110);
    EXPECT_TRUE(Near(Centre(), kGreen));
    h.MouseDown(110, 110);
    EXPECT_TRUE(Near(Centre(), kBlue));
    h.MouseMove(300, 300); // held but off the button: not down
    EXPECT_TRUE(Near(Centre(), kRed));
    h.MouseUp(300, 300);
    button.SetDisabled(true);
    EXPECT_TRUE(Near(Centre(), kYellow));
}

TEST_F(ButtonTest, StatesWithoutTheirOwnCelFallBack)
{
    // No over cel: hovering shows the normal one; pressing still shows the down cel.
    button.SetBtnImage(nullptr, strip.get(), true, false, true, true, true);
    h.MouseMove(110, 110);
    EXPECT_TRUE(Near(Centre(), kRed));
    h.MouseDown(110, 110);
    EXPECT_TRUE(Near(Centre(), kBlue));
    h.MouseUp(110, 110);

    // No down cel: pressing shows the over look.
    button.SetBtnImage(nullptr, strip.get(), true, true, false, true, true);
    h.MouseDown(110, 110);
    EXPECT_TRUE(Near(Centre(), kGreen));
    h.MouseUp(110, 110);
}

TEST_F(ButtonTest, ThreeCelStripHasNoDisabledCel)
{
    auto three = CelStrip({kRed, kGreen, kBlue}, 16, 12);
    button.SetBtnImage(nullptr, three.get(), true, true, true, true, false);
    EXPECT_EQ(button.mWidth, 20); // the size was kept
    button.Resize(100, 100, three->GetCelWidth(), three->GetCelHeight());
    button.SetDisabled(true);
    EXPECT_TRUE(Near(Centre(), kRed));
    EXPECT_FALSE(button.HaveButtonImage(ButtonWidget::STATE_DISABLED) && button.mDisabledImage != nullptr);
}

TEST_F(ButtonTest, ResizeFlagTakesTheCelSizeAndKeepsThePosition)
{
    auto big = CelStrip({kGrey, kGrey, kGrey}, 40, 30);
    button.Move(50, 60);
    button.SetBtnImage(nullptr, big.get(), true, true, true, true, true);
    EXPECT_EQ(button.mX, 50);
    EXPECT_EQ(button.mY, 60);
    EXPECT_EQ(button.mWidth, 40);
    EXPECT_EQ(button.mHeight, 30);
}

TEST_F(ButtonTest, NullPictureClearsTheLooksAndDrawsAPlainButton)
{
    button.SetBtnImage(nullptr, nullptr, true, true, true, true, true);
    EXPECT_EQ(button.mButtonImage, nullptr);
    button.SetColor(ButtonWidget::COLOR_BKG, kBlue);
    EXPECT_TRUE(Near(Centre(), kBlue));
}

TEST_F(ButtonTest, TransparentPixelsLetTheMouseThroughWhenAsked)
{
    auto half = std::make_unique<DDImage>(20, 20); // left half transparent, right half opaque
    for (int y = 0; y < 20; ++y)
        for (int x = 10; x < 20; ++x)
            half->SetPixel(x, y, kRed);
    button.SetBtnImage(nullptr, half.get(), true, false, false, false, true);
    button.mHitTestAlpha = true;
    h.Click(103, 110);
    EXPECT_EQ(rec.Count("press"), 0);
    h.Click(115, 110);
    EXPECT_EQ(rec.Count("press"), 1);

    button.mHitTestAlpha = false;
    h.Click(103, 110);
    EXPECT_EQ(rec.Count("press"), 2);
}

// --- fading over look --------------------------------------------------------------------------

TEST_F(ButtonTest, OverLookFadesOutStepByStepAfterTheMouseLeaves)
{
    button.mOverAlpha = 1.0;
    button.mOverAlphaSpeed = 0.05;
    button.mOverAlphaFadeInSpeed = 0.05;
    h.Step(10);
    EXPECT_NEAR(button.mOverAlpha, 0.5, 1e-9);
    EXPECT_TRUE(Near(h.Pixel(110, 110), Color(128, 128, 0), 4)); // half red, half green
    h.Step(10);
    EXPECT_NEAR(button.mOverAlpha, 0.0, 1e-9);
    EXPECT_TRUE(Near(Centre(), kRed));
}

TEST_F(ButtonTest, OverLookFadesInWhileHovered)
{
    button.mOverAlphaFadeInSpeed = 0.25;
    button.mOverAlphaSpeed = 0.5;
    h.MouseMove(110, 110);
    h.Step(2);
    EXPECT_NEAR(button.mOverAlpha, 0.5, 1e-9);
    EXPECT_TRUE(Near(h.Pixel(110, 110), Color(128, 128, 0), 4));
    h.Step(2);
    EXPECT_TRUE(Near(h.Pixel(110, 110), kGreen));
    h.Step(10);
    EXPECT_NEAR(button.mOverAlpha, 1.0, 1e-9);
    h.MouseMove(300, 300);
    h.Step(1);
    EXPECT_NEAR(button.mOverAlpha, 0.5, 1e-9);
    h.Step(1);
    EXPECT_TRUE(Near(h.Pixel(110, 110), kRed));
}

TEST_F(ButtonTest, WithoutFadeSpeedsTheOverLookSwitchesAtOnce)
{
    h.MouseMove(110, 110);
    EXPECT_TRUE(Near(Centre(), kGreen));
    h.MouseMove(300, 300);
    EXPECT_TRUE(Near(Centre(), kRed));
}

// --- label -------------------------------------------------------------------------------------

TEST_F(ButtonTest, LabelIsDrawnCentredInItsColour)
{
    SysFont font("Arial", 14);
    ButtonWidget labelled(9, &rec);
    labelled.Resize(400, 100, 120, 40);
    labelled.SetFont(&font);
    labelled.mLabel = L"OK OK";
    labelled.SetColor(ButtonWidget::COLOR_BKG, Color::White);
    labelled.SetColor(ButtonWidget::COLOR_LABEL, kRed);
    h.GetWidgetManager()->AddWidget(&labelled);
    h.Step();

    int minX = 10000, maxX = -1, minY = 10000, maxY = -1;
    for (int y = 100; y < 140; ++y)
        for (int x = 400; x < 520; ++x)
        {
            Color c = h.Pixel(x, y);
            if (c.mRed > 200 && c.mGreen < 80 && c.mBlue < 80)
            {
                minX = std::min(minX, x);
                maxX = std::max(maxX, x);
                minY = std::min(minY, y);
                maxY = std::max(maxY, y);
            }
        }
    ASSERT_GE(maxX, 0) << "no label pixels";
    EXPECT_NEAR((minX + maxX) / 2.0, 460.0, 3.0);
    EXPECT_NEAR((minY + maxY) / 2.0, 120.0, 4.0);
    h.GetWidgetManager()->RemoveWidget(&labelled);
}

// --- mirrored and flipped pictures -------------------------------------------------------------

namespace
{

// Two cels of 20 x 10; cel 0 is red on the left half and green on the right, cel 1 blue over
// yellow (top half, bottom half).
std::unique_ptr<DDImage> HalvesStrip()
{
    auto image = std::make_unique<DDImage>(40, 10);
    image->mNumCols = 2;
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 20; ++x)
        {
            image->SetPixel(x, y, x < 10 ? kRed : kGreen);
            image->SetPixel(20 + x, y, y < 5 ? kBlue : kYellow);
        }
    return image;
}

} // namespace

TEST_F(ButtonTest, MirrorAndFlipTurnEachCelInPlaceOnTheButtonsOwnCopy)
{
    auto halves = HalvesStrip();
    button.SetBtnImage(nullptr, halves.get(), true, true, false, false, true);
    button.MirrorImage();
    EXPECT_NE(button.mButtonImage, halves.get());
    EXPECT_EQ(button.mButtonImage, button.mOverImage); // one copy for both looks
    h.Step();
    EXPECT_TRUE(Near(h.Pixel(102, 102), kGreen));
    EXPECT_TRUE(Near(h.Pixel(117, 102), kRed));
    // The caller's picture is untouched.
    EXPECT_EQ(halves->GetPixel(2, 2), kRed);

    button.FlipImage(); // mirrored, then flipped
    h.MouseMove(110, 104);
    h.Step();
    EXPECT_TRUE(Near(h.Pixel(110, 102), kYellow));
    EXPECT_TRUE(Near(h.Pixel(110, 107), kBlue));
    EXPECT_EQ(halves->GetPixel(25, 2), kBlue);

    // New looks drop the copy; the original shows again.
    button.SetBtnImage(nullptr, halves.get(), true, true, false, false, true);
    h.MouseMove(300, 300);
    h.Step();
    EXPECT_TRUE(Near(h.Pixel(102, 102), kRed));
}

TEST_F(ButtonTest, MirrorMovesASourceRectangleWithinItsCel)
{
    auto halves = HalvesStrip();
    button.mButtonImage = halves.get();
    button.mNormalRect = Rect(0, 0, 10, 10); // the red left half of cel 0
    button.Resize(100, 100, 10, 10);
    button.MirrorImage();
    EXPECT_EQ(button.mNormalRect.mX, 10);
    h.Step();
    EXPECT_TRUE(Near(h.Pixel(105, 105), kRed));
}

TEST(ButtonImageHelpers, StaticMirrorAndFlipReturnCopiesCelByCel)
{
    auto halves = HalvesStrip();
    std::unique_ptr<DDImage> mirrored = ButtonWidget::MirrorImage(halves.get());
    ASSERT_NE(mirrored, nullptr);
    EXPECT_EQ(mirrored->mNumCols, 2);
    EXPECT_EQ(mirrored->GetPixel(2, 2), kGreen);
    EXPECT_EQ(mirrored->GetPixel(25, 2), kBlue); // cel 1 stays where it was
    std::unique_ptr<DDImage> flipped = ButtonWidget::FlipImage(halves.get());
    ASSERT_NE(flipped, nullptr);
    EXPECT_EQ(flipped->GetPixel(25, 2), kYellow);
    EXPECT_EQ(ButtonWidget::MirrorImage(nullptr), nullptr);
}
