#include "PixelTestUtil.h"

#include "pop/Graphics.h"
#include "pop/Image.h"
#include "pop/SysFont.h"

#include <gtest/gtest.h>

using namespace Sexy;
using poptest::Near;

namespace
{

// The colour of the most strongly covered pixel in a column range (glyph cores are drawn in the
// full text colour; edges are blended with the black background).
Color Brightest(const MemoryImage& image, int x1, int x2, int y1 = 0, int y2 = -1)
{
    if (y2 < 0)
        y2 = image.GetHeight();
    Color best = Color::Black;
    int bestSum = -1;
    for (int y = y1; y < y2; ++y)
        for (int x = x1; x < x2; ++x)
        {
            Color c = image.GetPixel(x, y);
            int sum = c.mRed + c.mGreen + c.mBlue;
            if (sum > bestSum)
            {
                bestSum = sum;
                best = c;
            }
        }
    return best;
}

// First and last columns (and rows) that hold anything but black; empty when nothing is drawn.
Rect Inked(const MemoryImage& image)
{
    Rect box;
    for (int y = 0; y < image.GetHeight(); ++y)
        for (int x = 0; x < image.GetWidth(); ++x)
            if (image.GetPixelARGB(x, y) != 0xFF000000u)
                box = box.Union(Rect(x, y, 1, 1));
    return box;
}

class TextTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        screen.Clear(Color::Black);
        g.SetFont(&font);
    }
    SysFont font{"宋体", 12};
    MemoryImage screen{400, 200};
    Graphics g{&screen};
};

} // namespace

TEST_F(TextTest, DrawStringPutsGlyphsAboveTheBaselineInTheColour)
{
    g.SetColor(Color(255, 200, 0));
    g.DrawString(L"国国", 10, 50);
    Rect ink = Inked(screen);
    ASSERT_FALSE(ink.IsEmpty());
    EXPECT_GE(ink.mX, 10);
    EXPECT_LE(ink.mX + ink.mWidth, 10 + font.StringWidth(L"国国") + 1);
    EXPECT_GE(ink.mY, 50 - font.GetAscent());
    EXPECT_LE(ink.mY + ink.mHeight, 50 + font.GetDescent());
    EXPECT_TRUE(Near(Brightest(screen, 0, 400), Color(255, 200, 0), 3));

    // Without a font nothing is drawn and nothing breaks.
    screen.Clear(Color::Black);
    g.SetFont(nullptr);
    g.DrawString(L"国", 10, 50);
    EXPECT_EQ(g.WriteString(L"国", 10, 50), 0);
    EXPECT_EQ(g.WriteWordWrapped(Rect(0, 0, 100, 100), L"国"), 0);
    EXPECT_TRUE(Inked(screen).IsEmpty());
}

TEST_F(TextTest, ColourCodesSwitchAndRestoreTheColourMidString)
{
    g.SetColor(Color(0, 0, 255));
    const int w = font.StringWidth(L"国国");
    int total = g.WriteString(L"^ff00000国国^00ff000国国^oldclr0国国", 10, 40, -1, -1);
    EXPECT_EQ(total, 3 * w);
    EXPECT_TRUE(Near(Brightest(screen, 10, 10 + w), Color(255, 0, 0), 3));
    EXPECT_TRUE(Near(Brightest(screen, 10 + w, 10 + 2 * w), Color(0, 255, 0), 3));
    EXPECT_TRUE(Near(Brightest(screen, 10 + 2 * w, 10 + 3 * w), Color(0, 0, 255), 3));
    // The Graphics' own colour is unchanged afterwards.
    EXPECT_EQ(g.GetColor(), Color(0, 0, 255));
}

TEST_F(TextTest, BlankInAColourFieldReadsAsZeroAndUppercaseIsAccepted)
{
    const int w = font.StringWidth(L"国");
    // "%2x" pads with a blank: red 255, green " 0", blue " 5".
    g.WriteString(L"^ff 0 50国^ 0CC000国", 0, 40, -1, -1);
    EXPECT_TRUE(Near(Brightest(screen, 0, w), Color(255, 0, 5), 3));
    EXPECT_TRUE(Near(Brightest(screen, w, 2 * w), Color(0, 204, 0), 3));
}

TEST_F(TextTest, CodesAreNotDrawnButMalformedOnesAre)
{
    EXPECT_EQ(g.StringWidth(L"^6fdebc0AB"), font.StringWidth(L"AB"));
    EXPECT_EQ(g.StringWidth(L"^oldclr0"), 0);
    // Not a code: a bad digit, or cut short by the end of the text.
    EXPECT_EQ(g.StringWidth(L"^zzzzzz0"), font.StringWidth(L"^zzzzzz0"));
    EXPECT_EQ(g.StringWidth(L"A^ff00"), font.StringWidth(L"A^ff00"));
    // Measuring draws nothing.
    EXPECT_GT(g.WriteString(L"国", 0, 40, -1, -1, false), 0);
    EXPECT_TRUE(Inked(screen).IsEmpty());
}

TEST_F(TextTest, WriteStringJustifiesAndSelectsCharacters)
{
    const int w = font.StringWidth(L"国");
    g.WriteString(L"国", 100, 40, 200, 1);
    Rect right = Inked(screen);
    EXPECT_NEAR(right.mX + right.mWidth, 300, 3);
    screen.Clear(Color::Black);
    g.WriteString(L"国", 100, 40, 200, 0);
    Rect centre = Inked(screen);
    EXPECT_NEAR(centre.mX + centre.mWidth / 2, 200, 3);
    screen.Clear(Color::Black);
    // Offset and length pick the middle character; the code before it still sets its colour.
    EXPECT_EQ(g.WriteString(L"^ff00000国国国", 0, 40, -1, -1, true, 9, 1), w);
    Rect part = Inked(screen);
    EXPECT_LT(part.mX + part.mWidth, w + 2);
    EXPECT_TRUE(Near(Brightest(screen, 0, w), Color(255, 0, 0), 3));
    EXPECT_EQ(g.WriteString(L"国", 0, 40, -1, -1, true, 50, 3), 0);
}

TEST_F(TextTest, WrappedHeightGrowsByTheLineSpacingPerLine)
{
    const int h = font.GetHeight();
    EXPECT_EQ(g.GetWordWrappedHeight(300, L"one line"), h);
    EXPECT_EQ(g.GetWordWrappedHeight(300, L"one\ntwo\nthree", 20), h + 40);
    EXPECT_EQ(g.GetWordWrappedHeight(300, L""), 0);
    const int wordWidth = font.StringWidth(L"word");
    // Three words that only fit one per line.
    int widest = 0;
    EXPECT_EQ(g.GetWordWrappedHeight(wordWidth + 2, L"word word word", 18, &widest), h + 36);
    EXPECT_EQ(widest, wordWidth);
    // Chinese has no blanks: it breaks between characters.
    const int cw = font.CharWidth(L'中');
    EXPECT_EQ(g.GetWordWrappedHeight(cw * 4, L"中文没有空格也要换行", 18, &widest), h + 36);
    EXPECT_LE(widest, cw * 4);
    // A word longer than the line is cut between letters rather than overflowing.
    EXPECT_GT(g.GetWordWrappedHeight(wordWidth, L"wordwordword", 18, &widest), h);
    EXPECT_LE(widest, wordWidth);
}

TEST_F(TextTest, WrappedTextCarriesColourAcrossLinesAndJustifiesEachLine)
{
    const int cw = font.CharWidth(L'中');
    g.SetColor(Color(0, 0, 255));
    int lastWidth = 0;
    int used =
        g.WriteWordWrapped(Rect(20, 10, cw * 3, 100), L"^00ff000中中中中^oldclr0中", 30, -1, nullptr, -1, &lastWidth);
    EXPECT_EQ(used, font.GetHeight() + 30);
    EXPECT_EQ(lastWidth, 2 * cw);
    // First line green; the second line starts green and ends blue after "^oldclr0".
    EXPECT_TRUE(Near(Brightest(screen, 20, 20 + 3 * cw, 0, 40), Color(0, 255, 0), 3));
    EXPECT_TRUE(Near(Brightest(screen, 20, 20 + cw, 40, 80), Color(0, 255, 0), 3));
    EXPECT_TRUE(Near(Brightest(screen, 20 + cw, 20 + 2 * cw, 40, 80), Color(0, 0, 255), 3));
    Rect ink = Inked(screen);
    EXPECT_GE(ink.mY, 10);
    EXPECT_LE(ink.mY + ink.mHeight, 10 + 30 + font.GetHeight());

    // Right-justified lines end at the right edge; maxChars stops drawing early.
    screen.Clear(Color::Black);
    g.WriteWordWrapped(Rect(0, 0, 300, 100), L"AB\nCDEF", -1, 1);
    Rect right = Inked(screen);
    EXPECT_NEAR(right.mX + right.mWidth, 300, 3);
    screen.Clear(Color::Black);
    g.WriteWordWrapped(Rect(0, 0, 300, 100), L"国\n国国", -1, -1, nullptr, 2);
    Rect partial = Inked(screen);
    EXPECT_LT(partial.mX + partial.mWidth, cw + 2);
    EXPECT_GT(partial.mHeight, font.GetAscent());
}
