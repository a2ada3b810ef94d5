#include "pop/Image.h"
#include "pop/SysFont.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace Sexy;

// Faces are given in the system's 8-bit text, as the games write them.
TEST(SysFont, ChineseFaceFallsBackToAnInstalledChineseFont)
{
    SysFont font("宋体", 12);
    ASSERT_TRUE(font.IsValid());
    EXPECT_FALSE(font.GetFontFile().empty());
    EXPECT_EQ(font.GetFace(), "宋体");
    EXPECT_EQ(font.GetPointSize(), 12);
    // 12 points at 96 dots per inch are 16 pixels: the em square of a Chinese character.
    EXPECT_NEAR(font.CharWidth(L'中'), 16, 1);
    EXPECT_GE(font.GetHeight(), 16);
    EXPECT_LE(font.GetHeight(), 16 * 13 / 10);
    EXPECT_EQ(font.GetHeight(), font.GetAscent() + font.GetDescent());
    EXPECT_GE(font.GetLineSpacing(), font.GetHeight());
    EXPECT_GT(font.StringWidth(L"中文"), 0);
    EXPECT_NEAR(font.StringWidth(L"中文字"), 3 * font.CharWidth(L'中'), 2);
    EXPECT_EQ(font.StringWidth(L""), 0);
}

TEST(SysFont, UnknownFaceFallsBackAndStillDrawsChinese)
{
    SysFont font("No Such Face 9000", 9);
    ASSERT_TRUE(font.IsValid());
    EXPECT_GT(font.StringWidth(L"斗地主"), font.StringWidth(L"斗"));
    EXPECT_NEAR(font.CharWidth(L'斗'), 12, 1);

    SysFont latin("Arial", 10);
    ASSERT_TRUE(latin.IsValid());
    EXPECT_GT(latin.StringWidth(L"牌桌 Table"), latin.StringWidth(L"Table"));
}

TEST(SysFont, SizesGrowWithPointsAndStylesApply)
{
    SysFont small("宋体", 9);
    SysFont large("宋体", 18);
    EXPECT_NEAR(double(large.GetHeight()) / small.GetHeight(), 2.0, 0.25);
    SysFont bold("宋体", 12, true);
    SysFont plain("宋体", 12);
    EXPECT_TRUE(bold.IsBold());
    EXPECT_GE(bold.StringWidth(L"Wide text"), plain.StringWidth(L"Wide text"));
    // A nonsense size is limited instead of failing.
    SysFont zero("宋体", 0);
    EXPECT_TRUE(zero.IsValid());
}

TEST(SysFont, DuplicateAndCopyMeasureAlike)
{
    SysFont font("宋体", 11, false, true, true);
    std::unique_ptr<Font> dup = font.Duplicate();
    ASSERT_TRUE(dup);
    EXPECT_EQ(dup->GetHeight(), font.GetHeight());
    EXPECT_EQ(dup->StringWidth(L"复制 copy"), font.StringWidth(L"复制 copy"));
    SysFont copy(font);
    EXPECT_TRUE(copy.IsItalic());
    EXPECT_TRUE(copy.IsUnderline());
    EXPECT_EQ(copy.GetAscent(), font.GetAscent());
}

TEST(SysFont, TextImagesAreCachedAndWhite)
{
    SysFont font("宋体", 12);
    MemoryImage* first = font.GetTextImage(L"缓存");
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->GetWidth(), font.StringWidth(L"缓存"));
    EXPECT_EQ(first->GetHeight(), font.GetHeight());
    EXPECT_EQ(font.GetTextImage(L"缓存"), first);
    // The coverage is in the alpha channel, the colour is white wherever something is drawn.
    int covered = 0;
    for (int y = 0; y < first->GetHeight(); ++y)
        for (int x = 0; x < first->GetWidth(); ++x)
        {
            uint32_t p = first->GetPixelARGB(x, y);
            if ((p >> 24) != 0)
            {
                ++covered;
                ASSERT_EQ(p & 0xFFFFFF, 0xFFFFFFu);
            }
        }
    EXPECT_GT(covered, 20);
    // Many different texts push the oldest out without trouble.
    for (int i = 0; i < 600; ++i)
        ASSERT_NE(font.GetTextImage(std::to_wstring(i)), nullptr);
    EXPECT_EQ(font.GetTextImage(L""), nullptr);

    // A line break that ends a line of text draws nothing (no box) and takes no room.
    MemoryImage* ended = font.GetTextImage(L"缓存\n");
    ASSERT_NE(ended, nullptr);
    EXPECT_EQ(ended->GetWidth(), font.StringWidth(L"缓存"));
    EXPECT_EQ(font.StringWidth(L"缓存\r\n"), font.StringWidth(L"缓存"));
    EXPECT_EQ(font.GetTextImage(L"\n"), nullptr);
}
