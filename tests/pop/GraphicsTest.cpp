#include "PixelTestUtil.h"

#include "pop/Graphics.h"
#include "pop/Image.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>

using namespace Sexy;
using poptest::Near;
using poptest::Solid;

namespace
{

// Counts the pixels of the image that have exactly this colour.
int Count(const MemoryImage& image, const Color& color)
{
    int n = 0;
    uint32_t argb = color.ToARGB();
    for (int y = 0; y < image.GetHeight(); ++y)
        for (int x = 0; x < image.GetWidth(); ++x)
            n += image.GetPixelARGB(x, y) == argb;
    return n;
}

// The bounding box of the pixels that differ from the background colour.
Rect Changed(const MemoryImage& image, const Color& background)
{
    uint32_t bg = background.ToARGB();
    Rect box;
    for (int y = 0; y < image.GetHeight(); ++y)
        for (int x = 0; x < image.GetWidth(); ++x)
            if (image.GetPixelARGB(x, y) != bg)
                box = box.Union(Rect(x, y, 1, 1));
    return box;
}

class GraphicsTest : public ::testing::Test
{
protected:
    void SetUp() override { screen.Clear(Color::Black); }
    MemoryImage screen{64, 48};
    Graphics g{&screen};
};

} // namespace

TEST_F(GraphicsTest, FillRectBlendsByTheColoursAlpha)
{
    g.SetColor(Color(255, 0, 0));
    g.FillRect(0, 0, 10, 10);
    EXPECT_TRUE(Near(screen.GetPixel(9, 9), Color(255, 0, 0)));
    EXPECT_TRUE(Near(screen.GetPixel(10, 10), Color::Black));

    g.SetColor(Color(0, 0, 255, 128));
    g.FillRect(5, 5, 10, 10);
    EXPECT_TRUE(Near(screen.GetPixel(7, 7), Color(127, 0, 128)));
    EXPECT_TRUE(Near(screen.GetPixel(12, 12), Color(0, 0, 128)));

    // On a transparent layer the alpha adds up (128 + 255 * 0.5) and the colour is weighted as on
    // any other background; fills and image draws agree.
    MemoryImage layer(4, 4);
    Graphics lg(&layer);
    lg.SetColor(Color(0, 255, 0, 128));
    lg.FillRect(0, 0, 2, 4);
    lg.FillRect(0, 0, 2, 4);
    auto glass = Solid(2, 4, Color(0, 255, 0, 128));
    lg.DrawImage(glass.get(), 2, 0);
    lg.DrawImage(glass.get(), 2, 0);
    EXPECT_TRUE(Near(layer.GetPixel(1, 1), Color(0, 192, 0, 192)));
    EXPECT_TRUE(Near(layer.GetPixel(3, 1), layer.GetPixel(1, 1)));
}

TEST_F(GraphicsTest, AdditiveModeAddsColourAndKeepsAlpha)
{
    screen.Clear(Color(100, 50, 0));
    g.SetDrawMode(Graphics::DRAWMODE_ADDITIVE);
    g.SetColor(Color(100, 250, 0));
    g.FillRect(0, 0, 4, 4);
    EXPECT_TRUE(Near(screen.GetPixel(0, 0), Color(200, 255, 0)));

    auto image = Solid(2, 2, Color(0, 0, 200, 128));
    g.DrawImage(image.get(), 10, 10);
    EXPECT_TRUE(Near(screen.GetPixel(10, 10), Color(100, 50, 100)));
}

TEST_F(GraphicsTest, OutlinesLinesAndClearsHitTheRightPixels)
{
    g.SetColor(Color::White);
    g.DrawRect(2, 2, 5, 4);
    EXPECT_EQ(Changed(screen, Color::Black), Rect(2, 2, 5, 4));
    EXPECT_EQ(Count(screen, Color::White), 2 * 5 + 2 * 2);
    EXPECT_TRUE(Near(screen.GetPixel(3, 3), Color::Black));

    // A translucent outline is blended once even at the corners.
    screen.Clear(Color::Black);
    g.SetColor(Color(255, 255, 255, 128));
    g.DrawRect(0, 0, 3, 3);
    EXPECT_TRUE(Near(screen.GetPixel(0, 0), screen.GetPixel(1, 0), 0));

    screen.Clear(Color::Black);
    g.SetColor(Color::Green);
    g.DrawLine(1, 1, 10, 1);
    g.DrawLine(0, 20, 9, 29);
    EXPECT_EQ(Count(screen, Color::Green), 20);
    EXPECT_TRUE(Near(screen.GetPixel(10, 1), Color::Green));
    EXPECT_TRUE(Near(screen.GetPixel(5, 25), Color::Green));
    // A line from far outside draws only its visible part.
    g.DrawLine(-1000000000, 40, 1000000000, 40);
    for (int x = 0; x < 64; ++x)
        ASSERT_TRUE(Near(screen.GetPixel(x, 40), Color::Green)) << x;

    g.SetColor(Color(0, 0, 0, 0));
    g.ClearRect(0, 0, 64, 10);
    EXPECT_EQ(screen.GetPixelARGB(5, 1), 0u);
}

TEST_F(GraphicsTest, NestedClipsFollowTheTranslationAndPopStateRestoresThem)
{
    g.Translate(10, 10);
    g.ClipRect(0, 0, 20, 20); // (10,10)-(30,30) on the image
    g.PushState();
    g.Translate(5, 0);
    g.ClipRect(10, 10, 100, 100); // (25,20) on the image, narrowed by the outer clip
    EXPECT_EQ(g.GetClipRect(), Rect(25, 20, 5, 10));
    g.SetColor(Color::Red);
    g.FillRect(-100, -100, 1000, 1000);
    EXPECT_EQ(Changed(screen, Color::Black), Rect(25, 20, 5, 10));
    g.PopState();

    EXPECT_EQ(g.mTransX, 10);
    EXPECT_EQ(g.GetClipRect(), Rect(10, 10, 20, 20));
    EXPECT_EQ(g.GetColor(), Color::White);
    g.FillRect(-100, -100, 1000, 1000);
    EXPECT_EQ(Changed(screen, Color::Black), Rect(10, 10, 20, 20));

    g.PopState(); // unbalanced: nothing happens
    g.ClearClipRect();
    EXPECT_EQ(g.GetClipRect(), Rect(0, 0, 64, 48));
    g.SetClipRect(-10, -10, 15, 15); // translated by (10,10), limited to the image
    EXPECT_EQ(g.GetClipRect(), Rect(0, 0, 15, 15));
}

TEST_F(GraphicsTest, AnyRectangleIsClippedSafely)
{
    auto image = Solid(8, 8, Color::Red);
    g.SetColor(Color(0, 255, 0, 100));
    g.FillRect(INT_MIN / 2, INT_MIN / 2, INT_MAX, INT_MAX);
    g.FillRect(INT_MIN, INT_MIN, INT_MAX, INT_MAX);
    g.FillRect(INT_MAX, INT_MAX, INT_MAX, INT_MAX);
    g.FillRect(10, 10, -5, -5);
    g.DrawRect(INT_MAX - 1, 0, INT_MAX, INT_MAX);
    g.DrawImage(image.get(), INT_MAX, INT_MAX);
    g.DrawImage(image.get(), INT_MIN, INT_MIN);
    g.DrawImage(image.get(), 5, 5, Rect(-1000, -1000, 5, 5));
    g.DrawImage(image.get(), Rect(0, 0, -8, 8), Rect(0, 0, 8, 8));
    g.DrawImage(image.get(), Rect(0, 0, 8, 8), Rect(0, 0, 0, 8));
    g.DrawImageMirror(image.get(), INT_MIN + 3, 0);
    g.DrawImageRotated(image.get(), INT_MAX, INT_MAX, 0.5);
    g.DrawImageRotated(image.get(), 0, 0, NAN);
    g.DrawImageBox(Rect(INT_MAX - 10, 0, INT_MAX, 30), image.get());
    g.DrawImage(nullptr, 0, 0);
    g.DrawImageBox(Rect(0, 0, 10, 10), nullptr);
    g.Translate(INT_MAX, INT_MAX);
    g.FillRect(INT_MAX, INT_MAX, 10, 10);
    EXPECT_EQ(Count(screen, Color::Black), 0); // only the first fill touched the picture
    EXPECT_TRUE(Near(screen.GetPixel(63, 47), Color(0, 100, 0)));

    MemoryImage none;
    Graphics ng(&none);
    ng.FillRect(0, 0, 10, 10);
    ng.DrawImage(image.get(), 0, 0);
    Graphics nullDest(nullptr);
    nullDest.FillRect(0, 0, 10, 10);
    nullDest.DrawImage(image.get(), Rect(0, 0, 100, 100), Rect(0, 0, 8, 8));
}

TEST_F(GraphicsTest, HugeScaledDrawsStayInsideTheClip)
{
    auto image = Solid(2, 2, Color::Blue);
    image->SetPixel(1, 1, Color::Yellow);
    g.ClipRect(10, 10, 20, 20);
    // A 2 x 2 picture stretched over two billion pixels: only the clip is coloured, by the top
    // left source pixel.
    g.DrawImage(image.get(), Rect(0, 0, 2000000000, 2000000000), Rect(0, 0, 2, 2));
    EXPECT_EQ(Changed(screen, Color::Black), Rect(10, 10, 20, 20));
    EXPECT_EQ(Count(screen, Color::Blue), 400);
}

TEST_F(GraphicsTest, SourceRectanglesScalingAndCels)
{
    auto image = std::make_unique<MemoryImage>(4, 2);
    const Color cels[4] = {Color::Red, Color::Green, Color::Blue, Color::Yellow};
    for (int x = 0; x < 4; ++x)
        for (int y = 0; y < 2; ++y)
            image->SetPixel(x, y, cels[x]);
    image->mNumCols = 4;

    g.DrawImageCel(image.get(), 0, 0, 2);
    EXPECT_EQ(Changed(screen, Color::Black), Rect(0, 0, 1, 2));
    EXPECT_TRUE(Near(screen.GetPixel(0, 1), Color::Blue));
    g.DrawImageCel(image.get(), 5, 0, 3, 0);
    EXPECT_TRUE(Near(screen.GetPixel(5, 0), Color::Yellow));

    // Source rectangle partly outside the picture: only the part inside is drawn, in place.
    screen.Clear(Color::Black);
    g.DrawImage(image.get(), 10, 10, Rect(2, -1, 5, 5));
    EXPECT_EQ(Changed(screen, Color::Black), Rect(10, 11, 2, 2));
    EXPECT_TRUE(Near(screen.GetPixel(10, 11), Color::Blue));
    EXPECT_TRUE(Near(screen.GetPixel(11, 12), Color::Yellow));

    // Scaled by 3: each source pixel becomes a 3 x 3 block.
    screen.Clear(Color::Black);
    g.DrawImage(image.get(), 1, 1, 12, 6);
    EXPECT_EQ(Changed(screen, Color::Black), Rect(1, 1, 12, 6));
    EXPECT_TRUE(Near(screen.GetPixel(1, 1), Color::Red));
    EXPECT_TRUE(Near(screen.GetPixel(3, 6), Color::Red));
    EXPECT_TRUE(Near(screen.GetPixel(4, 1), Color::Green));
    EXPECT_TRUE(Near(screen.GetPixel(12, 6), Color::Yellow));

    // Scaled from a source rectangle, then shrunk.
    screen.Clear(Color::Black);
    g.DrawImage(image.get(), Rect(0, 0, 4, 4), Rect(1, 0, 2, 2));
    EXPECT_TRUE(Near(screen.GetPixel(1, 1), Color::Green));
    EXPECT_TRUE(Near(screen.GetPixel(2, 3), Color::Blue));
    EXPECT_EQ(Changed(screen, Color::Black), Rect(0, 0, 4, 4));
}

TEST_F(GraphicsTest, TranslucentImagesBlendAndOpaqueOnesCopy)
{
    screen.Clear(Color(0, 0, 200));
    auto glass = Solid(3, 3, Color(255, 0, 0, 64));
    g.DrawImage(glass.get(), 0, 0);
    EXPECT_TRUE(Near(screen.GetPixel(1, 1), Color(64, 0, 150), 3));
    auto wall = Solid(3, 3, Color(10, 20, 30));
    g.DrawImage(wall.get(), 0, 0);
    EXPECT_TRUE(Near(screen.GetPixel(1, 1), Color(10, 20, 30)));
    // The alpha state follows changes of the picture.
    wall->SetPixel(0, 0, Color(0, 0, 0, 0));
    g.DrawImage(wall.get(), 10, 0);
    EXPECT_TRUE(Near(screen.GetPixel(10, 0), Color(0, 0, 200)));
}

TEST_F(GraphicsTest, ColourisedImagesAreMultipliedByTheColourAlphaIncluded)
{
    auto white = Solid(4, 4, Color::White);
    g.SetColorizeImages(true);
    g.SetColor(Color(255, 128, 0, 128));
    g.DrawImage(white.get(), 0, 0);
    EXPECT_TRUE(Near(screen.GetPixel(0, 0), Color(128, 64, 0)));
    g.DrawImageMirror(white.get(), 10, 0);
    EXPECT_TRUE(Near(screen.GetPixel(10, 0), Color(128, 64, 0)));
    g.DrawImageRotated(white.get(), 20, 20, 0.3);
    EXPECT_TRUE(Near(screen.GetPixel(22, 22), Color(128, 64, 0)));

    g.SetColorizeImages(false);
    g.DrawImage(white.get(), 30, 0);
    EXPECT_TRUE(Near(screen.GetPixel(30, 0), Color::White));
}

TEST_F(GraphicsTest, MirroredDrawsReverseColumns)
{
    auto image = std::make_unique<MemoryImage>(3, 1);
    image->SetPixel(0, 0, Color::Red);
    image->SetPixel(1, 0, Color::Green);
    image->SetPixel(2, 0, Color::Blue);
    g.DrawImageMirror(image.get(), 5, 5);
    EXPECT_TRUE(Near(screen.GetPixel(5, 5), Color::Blue));
    EXPECT_TRUE(Near(screen.GetPixel(7, 5), Color::Red));

    // Scaled and clipped on the left: the visible part is still the right part of the mirror.
    g.ClipRect(1, 0, 100, 100);
    g.DrawImageMirror(image.get(), Rect(0, 10, 6, 2), Rect(0, 0, 3, 1));
    EXPECT_TRUE(Near(screen.GetPixel(0, 10), Color::Black));
    EXPECT_TRUE(Near(screen.GetPixel(1, 10), Color::Blue));
    EXPECT_TRUE(Near(screen.GetPixel(3, 11), Color::Green));
    EXPECT_TRUE(Near(screen.GetPixel(5, 11), Color::Red));

    g.DrawImageMirror(image.get(), 20, 20, false);
    EXPECT_TRUE(Near(screen.GetPixel(20, 20), Color::Red));
}

TEST_F(GraphicsTest, RotatedDrawsTurnCounterClockwise)
{
    auto image = std::make_unique<MemoryImage>(4, 4);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            image->SetPixel(x, y, Color(40 * x + 20, 40 * y + 20, 90));
    // A quarter turn about the middle equals the counter-clockwise copy drawn in place.
    g.DrawImageRotated(image.get(), 10, 10, M_PI / 2);
    auto expected = RotateImage90Left(image.get());
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            ASSERT_TRUE(Near(screen.GetPixel(10 + x, 10 + y), expected->GetPixel(x, y), 1)) << x << "," << y;
    EXPECT_EQ(Changed(screen, Color::Black), Rect(10, 10, 4, 4));

    // Half a turn about the top left corner lands up and to the left of it.
    screen.Clear(Color::Black);
    g.DrawImageRotated(image.get(), 30, 30, M_PI, 0, 0);
    EXPECT_EQ(Changed(screen, Color::Black), Rect(26, 26, 4, 4));
    EXPECT_TRUE(Near(screen.GetPixel(29, 29), image->GetPixel(0, 0), 1));

    // A whole turn is a plain draw.
    screen.Clear(Color::Black);
    g.DrawImageRotated(image.get(), 0, 0, 2 * M_PI);
    EXPECT_TRUE(Near(screen.GetPixel(3, 0), image->GetPixel(3, 0), 0));
}

TEST_F(GraphicsTest, ImageBoxKeepsCornersAndStretchesEdges)
{
    // 9 x 9 source: nine 3 x 3 blocks of distinct colours.
    MemoryImage box(9, 9);
    Color blocks[3][3];
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
        {
            blocks[r][c] = Color(40 + 80 * c, 40 + 80 * r, 100);
            for (int y = 0; y < 3; ++y)
                for (int x = 0; x < 3; ++x)
                    box.SetPixel(3 * c + x, 3 * r + y, blocks[r][c]);
        }
    g.DrawImageBox(Rect(2, 2, 30, 20), &box);
    EXPECT_EQ(Changed(screen, Color::Black), Rect(2, 2, 30, 20));
    auto at = [&](int x, int y) { return screen.GetPixel(2 + x, 2 + y); };
    // Corners at their own size.
    EXPECT_TRUE(Near(at(0, 0), blocks[0][0], 0));
    EXPECT_TRUE(Near(at(2, 2), blocks[0][0], 0));
    EXPECT_TRUE(Near(at(3, 2), blocks[0][1], 0));
    EXPECT_TRUE(Near(at(29, 19), blocks[2][2], 0));
    EXPECT_TRUE(Near(at(27, 17), blocks[2][2], 0));
    EXPECT_TRUE(Near(at(26, 17), blocks[2][1], 0));
    EXPECT_TRUE(Near(at(0, 17), blocks[2][0], 0));
    // Edges stretched along one axis only, the centre both ways.
    for (int x = 3; x < 27; ++x)
    {
        ASSERT_TRUE(Near(at(x, 0), blocks[0][1], 0)) << x;
        ASSERT_TRUE(Near(at(x, 19), blocks[2][1], 0)) << x;
    }
    for (int y = 3; y < 17; ++y)
    {
        ASSERT_TRUE(Near(at(0, y), blocks[1][0], 0)) << y;
        ASSERT_TRUE(Near(at(29, y), blocks[1][2], 0)) << y;
        ASSERT_TRUE(Near(at(15, y), blocks[1][1], 0)) << y;
    }

    // Narrower than the corners: the corners share the room, nothing is drawn outside it.
    screen.Clear(Color::Black);
    g.DrawImageBox(Rect(40, 0, 4, 40), &box);
    EXPECT_EQ(Changed(screen, Color::Black), Rect(40, 0, 4, 40));
    EXPECT_TRUE(Near(screen.GetPixel(40, 0), blocks[0][0], 0));
    EXPECT_TRUE(Near(screen.GetPixel(43, 39), blocks[2][2], 0));

    // A source rectangle: the box is cut from the middle row of blocks only.
    screen.Clear(Color::Black);
    g.DrawImageBox(Rect(0, 3, 9, 3), Rect(0, 0, 12, 3), &box);
    EXPECT_TRUE(Near(screen.GetPixel(0, 0), blocks[1][0], 0));
    EXPECT_TRUE(Near(screen.GetPixel(6, 1), blocks[1][1], 0));
    EXPECT_TRUE(Near(screen.GetPixel(11, 2), blocks[1][2], 0));
}

TEST_F(GraphicsTest, DrawingAnImageOntoItselfUsesACopy)
{
    screen.SetPixel(0, 0, Color::Red);
    g.DrawImage(&screen, Rect(1, 0, 63, 48), Rect(0, 0, 63, 48));
    EXPECT_TRUE(Near(screen.GetPixel(1, 0), Color::Red));
    EXPECT_TRUE(Near(screen.GetPixel(2, 0), Color::Black));
    g.DrawImageMirror(&screen, 0, 0);
    EXPECT_TRUE(Near(screen.GetPixel(62, 0), Color::Red));
}

TEST(GraphicsCopy, CopyTakesTheStateButNotTheStack)
{
    MemoryImage image(10, 10);
    Graphics g(&image);
    g.SetColor(Color::Red);
    g.Translate(2, 3);
    g.ClipRect(0, 0, 4, 4);
    g.PushState();
    Graphics copy(g);
    EXPECT_EQ(copy.GetColor(), Color::Red);
    EXPECT_EQ(copy.mTransY, 3);
    EXPECT_EQ(copy.GetClipRect(), Rect(2, 3, 4, 4));
    copy.SetColor(Color::Blue);
    copy.PopState(); // nothing to pop in the copy
    EXPECT_EQ(copy.GetColor(), Color::Blue);
    EXPECT_EQ(copy.GetDestImage(), &image);
}

TEST(RectArithmetic, ExtremeValuesNeitherOverflowNorLie)
{
    Rect huge(INT_MAX - 5, INT_MAX - 5, INT_MAX, INT_MAX);
    EXPECT_TRUE(huge.Contains(INT_MAX - 1, INT_MAX - 1));
    EXPECT_FALSE(huge.Contains(0, 0));
    EXPECT_TRUE(huge.Intersection(Rect(0, 0, 100, 100)).IsEmpty());
    // This one ends just before (-1, -1).
    EXPECT_EQ(Rect(INT_MIN, INT_MIN, INT_MAX, INT_MAX).Intersection(Rect(-10, -10, 20, 20)), Rect(-10, -10, 9, 9));
    EXPECT_EQ(Rect(INT_MIN, 0, INT_MAX, 10).Union(Rect(0, 0, INT_MAX, 10)), Rect(INT_MIN, 0, INT_MAX, 10));
    EXPECT_EQ(Rect(0, 0, 10, 10).Intersection(Rect(5, -5, 10, 10)), Rect(5, 0, 5, 5));
    EXPECT_FALSE(Rect(0, 0, -3, 10).Intersects(Rect(-5, 0, 10, 10)));
    Rect r(1, 2, 3, 4);
    r.Offset(1, 1).Inflate(1, 1);
    EXPECT_EQ(r, Rect(1, 2, 5, 6));
}
