// The skinned message box, shown through ShowMessage and answered inside its wait: by clicks on its
// buttons or by its countdown, whose seconds are counted in updates (101 to a second).
#include "tessaro/app/MsgDlg.h"

#include "pop/ButtonWidget.h"
#include "pop/Graphics.h"
#include "tessaro/app/SkinImages.h"
#include "tests/frame-dialogs/DialogsSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace
{

using dialogtest::DialogGame;
using dialogtest::ExtentOf;
using Ostra::MsgDlg;
using skintest::BoxFont;
using skintest::ScopedSkinImage;

const Sexy::Color kYellow(255, 255, 0);
const Sexy::Color kWhite(255, 255, 255);

class MsgDlgTest : public ::testing::Test, protected DialogGame
{
protected:
    MsgDlg* Box() { return dynamic_cast<MsgDlg*>(app.GetDialog(MsgDlg::kDialogId)); }

    // Shows the box; every nested wait hands the box being waited for to onWait.
    int Show(int buttonMode, int timeoutResult, int countdown, const std::function<void(MsgDlg&)>& onWait,
             Sexy::TPoint<int> pos = {})
    {
        harness.DriveNestedLoops(
            [&]
            {
                MsgDlg* box = Box();
                if (box != nullptr)
                    onWait(*box);
                return box != nullptr && box->mResult != MsgDlg::kNoResult;
            });
        return app.ShowMessage(std::wstring(L"请确认"), buttonMode, timeoutResult, countdown, pos, true, 0);
    }

    // The box drawn alone on a canvas of its size.
    static std::unique_ptr<Sexy::DDImage> Drawn(MsgDlg& box, int w, int h)
    {
        auto canvas = std::make_unique<Sexy::DDImage>(w, h);
        box.Resize(0, 0, w, h);
        Sexy::Graphics g(canvas.get());
        box.Draw(&g);
        return canvas;
    }
};

TEST_F(MsgDlgTest, ACountdownOfFiveShowsFiveToOneAndAnswersCancelWithoutAClick)
{
    const int start = app.mUpdateCount;
    struct Shown
    {
        int value, update;
        bool white; // the digit's middle on the screen
    };
    std::vector<Shown> seen;
    const int result =
        Show(1, 1, 5,
             [&](MsgDlg& box)
             {
                 if (seen.empty())
                     box.m_pFont = std::make_unique<BoxFont>();
                 if (!seen.empty() && seen.back().value == box.ShownCountdown())
                     return;
                 // The digit's box glyph sits left of x w - 15, above the baseline h - 15.
                 const int x = box.mX + box.mWidth - 15 + BoxFont::kWidth / 2;
                 const int y = box.mY + box.mHeight - 15 - BoxFont::kAscent / 2;
                 seen.push_back({box.ShownCountdown(), app.mUpdateCount - start, harness.Pixel(x, y) == kWhite});
             });

    EXPECT_EQ(result, MsgDlg::ID_CANCEL);
    EXPECT_EQ(app.mUpdateCount - start, 606);
    ASSERT_EQ(seen.size(), 6u);
    EXPECT_EQ(seen[0].value, -1);
    EXPECT_FALSE(seen[0].white);
    for (int i = 1; i <= 5; ++i)
    {
        EXPECT_EQ(seen[i].value, 6 - i);
        EXPECT_EQ(seen[i].update, 101 * i);
        EXPECT_TRUE(seen[i].white) << "digit " << seen[i].value;
    }
    EXPECT_EQ(Box(), nullptr);
}

TEST_F(MsgDlgTest, WithoutACountdownOnlyAClickAnswers)
{
    const struct
    {
        int countdown, timeoutResult;
        bool clickCancel;
        int result;
    } cases[] = {
        {1, 0, false, MsgDlg::ID_OK},
        {1, 2, false, MsgDlg::ID_OK}, // the countdown's OK: by itself
        {0, 1, true, MsgDlg::ID_CANCEL},
        {-3, 0, false, MsgDlg::ID_OK}, // none: clicked after 30 s
    };
    for (const auto& c : cases)
    {
        const bool counts = c.countdown > 0;
        const int start = app.mUpdateCount;
        const int result = Show(2, c.timeoutResult, c.countdown,
                                [&](MsgDlg& box)
                                {
                                    EXPECT_EQ(box.m_nCountdown, counts ? c.countdown : MsgDlg::kNoCountdown);
                                    if (!counts && harness.NestedWaits() == 3000)
                                        ClickOn(c.clickCancel ? box.mNoButton : box.mYesButton);
                                });
        EXPECT_EQ(result, c.result) << c.countdown;
        if (counts)
        {
            EXPECT_EQ(app.mUpdateCount - start, 202); // two seconds: the blank one and the 1
        }
    }
}

TEST_F(MsgDlgTest, ButtonsArePlacedByModeAndAnswerWhenClicked)
{
    const Sexy::Color dark(20, 40, 20);
    const struct
    {
        bool pictures;
        int mode;
        Sexy::TPoint<int> pos;
        Sexy::Rect box;
        int okRight, cancelX; // -1: Cancel hidden
    } cases[] = {
        // 300 x 200 box centred in 1024 x 738; OK alone centred under the text.
        {true, 1, {}, {362, 269, 300, 200}, 362 + 115 + 70, -1},
        // Two buttons 10 pixels either side of the centre, for any mode but 1.
        {true, 2, {}, {362, 269, 300, 200}, 362 + 140, 362 + 160},
        {true, 0, {40, 30}, {40, 30, 300, 200}, 40 + 140, 40 + 160},
        // Without pictures: 320 x 210 and the framework's labelled buttons.
        {false, 2, {}, {352, 264, 320, 210}, 352 + 150, 352 + 170},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.mode);
        std::unique_ptr<ScopedSkinImage> skin[3];
        if (c.pictures)
        {
            skin[0] = std::make_unique<ScopedSkinImage>(Sexy::IMG_BASE_MSG_BG, skintest::SolidImage(300, 200, dark));
            skin[1] =
                std::make_unique<ScopedSkinImage>(Sexy::IMG_BASE_MSG_OK, skintest::CelImage(3, 1, 70, 28, {dark}));
            skin[2] =
                std::make_unique<ScopedSkinImage>(Sexy::IMG_BASE_MSG_CANCEL, skintest::CelImage(3, 1, 60, 24, {dark}));
        }
        const bool clickCancel = c.cancelX >= 0;
        const int result = Show(
            c.mode, 0, 0,
            [&](MsgDlg& box)
            {
                const Sexy::ButtonWidget* ok = box.mYesButton;
                const Sexy::ButtonWidget* cancel = box.mNoButton;
                EXPECT_EQ(Sexy::Rect(box.mX, box.mY, box.mWidth, box.mHeight), c.box);
                EXPECT_EQ(ok->mX + ok->mWidth, c.okRight);
                EXPECT_EQ(ok->mY, c.box.mY + 159);
                EXPECT_EQ(ok->mLabel.empty(), c.pictures);
                EXPECT_EQ(cancel->mVisible, clickCancel);
                if (clickCancel)
                {
                    EXPECT_EQ(cancel->mX, c.cancelX);
                    EXPECT_EQ(cancel->mWidth, c.pictures ? 60 : ok->mWidth);
                }
                ClickOn(clickCancel ? cancel : ok);
            },
            c.pos);
        EXPECT_EQ(result, clickCancel ? MsgDlg::ID_CANCEL : MsgDlg::ID_OK);
    }
}

// Texts of at least the given width in the application's bold font.
std::wstring TextWiderThan(Sexy::Font& font, int width)
{
    std::wstring text = L"字";
    while (font.StringWidth(text) <= width)
        text += L"字";
    return text;
}

TEST_F(MsgDlgTest, TheLinesTheBoldFontNeedsSetTheTextsTop)
{
    ScopedSkinImage bg(Sexy::IMG_BASE_MSG_BG, skintest::SolidImage(320, 210, Sexy::Color(20, 40, 20)));
    Sexy::Font& bold = *app.m_pBoldFont;
    ASSERT_GT(bold.StringWidth(L"字"), 0) << "no font to measure with";
    const int tw = 256;
    const struct
    {
        std::wstring text;
        int lines, top;
    } cases[] = {
        {L"", 1, 85},
        {L"字", 1, 85},
        {TextWiderThan(bold, tw), 2, 76},
        {TextWiderThan(bold, 2 * tw), 3, 66},
        {TextWiderThan(bold, 5 * tw), 3, 66},
    };
    for (const auto& c : cases)
    {
        MsgDlg box(&app, c.text, 2, 0, 0, true, 0);
        const MsgDlg::TextLayout layout = box.GetTextLayout();
        EXPECT_EQ(layout.iWidth, tw);
        EXPECT_EQ(layout.iLines, c.lines) << c.text.size();
        EXPECT_EQ(layout.iTop, c.top) << c.text.size();
        if (c.text.empty())
            continue;
        box.m_pFont = std::make_unique<BoxFont>();
        EXPECT_EQ(ExtentOf(*Drawn(box, 320, 210), kYellow).top, c.top) << c.text.size();
    }
}

TEST_F(MsgDlgTest, TheTextBoxIs190WideWithoutThePictureAndLongTextsAreWrittenInFull)
{
    // 40 box glyphs of 6 pixels: one line in 256 pixels, two in 190 (31 on the first).
    const std::wstring forty(40, L'x');
    const struct
    {
        int bgWidth; // 0: no picture
        int textWidth, left, lines;
    } cases[] = {
        {0, 190, 65 + 2, 2},
        {320, 256, 32 + 8, 1},
        {40, 1, -1, 0}, // narrower than the margin: still a width to divide by
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.bgWidth);
        std::unique_ptr<ScopedSkinImage> bg;
        if (c.bgWidth > 0)
            bg = std::make_unique<ScopedSkinImage>(Sexy::IMG_BASE_MSG_BG,
                                                   skintest::SolidImage(c.bgWidth, 210, Sexy::Color(20, 40, 20)));
        MsgDlg box(&app, forty, 2, 0, 0, true, 0);
        box.m_pFont = std::make_unique<BoxFont>();
        const MsgDlg::TextLayout layout = box.GetTextLayout();
        EXPECT_EQ(layout.iWidth, c.textWidth);
        const dialogtest::Extent text = ExtentOf(*Drawn(box, 320, 210), kYellow);
        if (c.lines == 0)
            continue;
        EXPECT_EQ(text.left, c.left);
        EXPECT_EQ(text.top, layout.iTop);
        EXPECT_EQ(text.bottom, layout.iTop + (c.lines - 1) * 20 + BoxFont::kAscent + BoxFont::kDescent - 1);
    }

    // Five lines of glyphs: the top assumes three, the fifth is still written.
    ScopedSkinImage bg(Sexy::IMG_BASE_MSG_BG, skintest::SolidImage(320, 210, Sexy::Color(20, 40, 20)));
    MsgDlg box(&app, std::wstring(5 * 42, L'x'), 2, 0, 0, true, 0);
    box.m_pFont = std::make_unique<BoxFont>();
    const dialogtest::Extent text = ExtentOf(*Drawn(box, 320, 210), kYellow);
    EXPECT_EQ(text.top, 66);
    EXPECT_EQ(text.bottom, 66 + 4 * 20 + BoxFont::kAscent + BoxFont::kDescent - 1);
}

TEST_F(MsgDlgTest, AMessageFromAnotherThreadGoesToTheFrameworksBox)
{
    harness.SetMsgBoxAnswer(Sexy::IDCANCEL);
    int result = 0;
    std::thread other([&] { result = app.ShowMessage(std::wstring(L"线程"), 2, 0, 0, {}, true, 0); });
    other.join();
    EXPECT_EQ(result, MsgDlg::ID_CANCEL);
    ASSERT_EQ(harness.MessageBoxes().size(), 1u);
    EXPECT_EQ(harness.MessageBoxes()[0].text, "线程");
    EXPECT_EQ(harness.MessageBoxes()[0].flags, Sexy::MB_OKCANCEL);
    EXPECT_EQ(app.GetDialogCount(), 0);
}

} // namespace
