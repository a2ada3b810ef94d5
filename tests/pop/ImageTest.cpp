#include "PixelTestUtil.h"

#include "pop/Image.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

using namespace Sexy;
using poptest::Near;

namespace
{

// A w x h image whose every pixel tells its own position: red = x, green = y.
std::unique_ptr<MemoryImage> Coordinates(int w, int h)
{
    auto image = std::make_unique<MemoryImage>(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image->SetPixel(x, y, Color(x, y, 7));
    return image;
}

} // namespace

TEST(ImageCels, GridGivesCelSizesAndRectangles)
{
    MemoryImage image(40, 21);
    image.mNumCols = 4;
    image.mNumRows = 3;
    EXPECT_EQ(image.GetCelWidth(), 10);
    EXPECT_EQ(image.GetCelHeight(), 7);
    EXPECT_EQ(image.GetCelCount(), 12);
    EXPECT_EQ(image.GetCelRect(5), Rect(10, 7, 10, 7));
    EXPECT_EQ(image.GetCelRect(3, 2), Rect(30, 14, 10, 7));
    // Numbers outside the grid wrap into it instead of pointing past the pixels.
    EXPECT_EQ(image.GetCelRect(12), Rect(0, 0, 10, 7));
    EXPECT_EQ(image.GetCelRect(-1), Rect(30, 14, 10, 7));
    image.mNumCols = 0;
    EXPECT_EQ(image.GetCelWidth(), 40);
}

TEST(ImagePixels, AccessOutsideTheImageIsHarmless)
{
    MemoryImage image(3, 3);
    image.SetPixel(-1, 0, Color::Red);
    image.SetPixel(3, 3, Color::Red);
    EXPECT_EQ(image.GetPixelARGB(-1, 0), 0u);
    EXPECT_EQ(image.GetPixelARGB(0, 3), 0u);
    EXPECT_TRUE(image.HasAlpha()); // freshly made images are transparent

    MemoryImage empty;
    EXPECT_FALSE(empty.IsValid());
    empty.Clear(Color::Red);
    empty.SetPixel(0, 0, Color::Red);
    EXPECT_FALSE(empty.Create(0, 5));
    EXPECT_FALSE(empty.Create(-3, 5));
    EXPECT_FALSE(empty.Create(100000, 100000));
    EXPECT_EQ(empty.GetWidth(), 0);
}

TEST(ImageCopies, MirrorAndFlipWorkCelByCel)
{
    // Two cels of 3 x 2 side by side; each has one marked pixel in its top left corner.
    MemoryImage strip(6, 2);
    strip.Clear(Color::Black);
    strip.mNumCols = 2;
    strip.SetPixel(0, 0, Color::Red);
    strip.SetPixel(3, 0, Color::Green);

    auto mirrored = MirrorImage(&strip);
    ASSERT_TRUE(mirrored);
    EXPECT_EQ(mirrored->mNumCols, 2);
    EXPECT_TRUE(Near(mirrored->GetPixel(2, 0), Color::Red)); // stays in cel 0
    EXPECT_TRUE(Near(mirrored->GetPixel(5, 0), Color::Green));
    EXPECT_TRUE(Near(mirrored->GetPixel(0, 0), Color::Black));

    auto flipped = FlipImage(&strip);
    ASSERT_TRUE(flipped);
    EXPECT_TRUE(Near(flipped->GetPixel(0, 1), Color::Red));
    EXPECT_TRUE(Near(flipped->GetPixel(3, 1), Color::Green));
    EXPECT_TRUE(Near(flipped->GetPixel(0, 0), Color::Black));

    // The source is untouched.
    EXPECT_TRUE(Near(strip.GetPixel(0, 0), Color::Red));
    EXPECT_EQ(MirrorImage(nullptr), nullptr);
}

TEST(ImageCopies, QuarterTurnsMovePixelsAndSwapTheGrid)
{
    auto image = Coordinates(3, 2);
    image->mNumCols = 3;
    auto right = RotateImage90Right(image.get());
    ASSERT_TRUE(right);
    ASSERT_EQ(right->GetWidth(), 2);
    ASSERT_EQ(right->GetHeight(), 3);
    EXPECT_EQ(right->mNumCols, 1);
    EXPECT_EQ(right->mNumRows, 3);
    // Clockwise: the top row becomes the right column, the left column the top row.
    EXPECT_TRUE(Near(right->GetPixel(1, 0), Color(0, 0, 7)));
    EXPECT_TRUE(Near(right->GetPixel(1, 2), Color(2, 0, 7)));
    EXPECT_TRUE(Near(right->GetPixel(0, 0), Color(0, 1, 7)));
    // Cel 0 (left) is now at the top.
    EXPECT_EQ(right->GetCelRect(0), Rect(0, 0, 2, 1));

    auto back = RotateImage90Left(right.get());
    ASSERT_TRUE(back);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            EXPECT_EQ(back->GetPixelARGB(x, y), image->GetPixelARGB(x, y)) << x << "," << y;
}

TEST(ImageFiles, PngRoundTripKeepsEveryPixel)
{
    poptest::TempDir dir;
    auto image = Coordinates(17, 9);
    image->SetPixel(4, 4, Color(10, 20, 30, 77));
    std::string file = dir.Path() + "/shot.png";
    ASSERT_TRUE(ImageLib::WritePNGImage(file, image.get()));
    auto loaded = LoadImageFromFile(file);
    ASSERT_TRUE(loaded);
    ASSERT_EQ(loaded->GetWidth(), 17);
    ASSERT_EQ(loaded->GetHeight(), 9);
    for (int y = 0; y < 9; ++y)
        for (int x = 0; x < 17; ++x)
            ASSERT_EQ(loaded->GetPixelARGB(x, y), image->GetPixelARGB(x, y)) << x << "," << y;
    EXPECT_TRUE(loaded->HasAlpha());
}

TEST(ImageFiles, JpegIsARealJpegThatLoadsBack)
{
    poptest::TempDir dir;
    MemoryImage image(64, 32);
    image.Clear(Color(200, 40, 40));
    for (int y = 0; y < 32; ++y)
        for (int x = 32; x < 64; ++x)
            image.SetPixel(x, y, Color(30, 60, 220));
    // A system name: backslashes are turned into slashes.
    std::string file = dir.Path() + "\\screen.jpg";
    ASSERT_TRUE(ImageLib::WriteJPEGImage(file, &image));
    std::string native = dir.Path() + "/screen.jpg";
    std::ifstream in(native, std::ios::binary);
    unsigned char magic[3] = {};
    in.read(reinterpret_cast<char*>(magic), 3);
    EXPECT_EQ(magic[0], 0xFF);
    EXPECT_EQ(magic[1], 0xD8);
    EXPECT_EQ(magic[2], 0xFF);

    auto loaded = LoadImageFromFile(native);
    ASSERT_TRUE(loaded);
    EXPECT_EQ(loaded->GetWidth(), 64);
    EXPECT_EQ(loaded->GetHeight(), 32);
    EXPECT_FALSE(loaded->HasAlpha());
    EXPECT_TRUE(Near(loaded->GetPixel(10, 16), Color(200, 40, 40), 12));
    EXPECT_TRUE(Near(loaded->GetPixel(50, 16), Color(30, 60, 220), 12));
}

TEST(ImageFiles, WritersRefuseWhatTheyCannotWrite)
{
    MemoryImage empty;
    EXPECT_FALSE(ImageLib::WriteJPEGImage("/tmp/never.jpg", nullptr));
    EXPECT_FALSE(ImageLib::WriteJPEGImage("/tmp/never.jpg", &empty));
    EXPECT_FALSE(ImageLib::WritePNGImage("/tmp/never.png", &empty));
    MemoryImage image(2, 2);
    EXPECT_FALSE(ImageLib::WritePNGImage("/nonexistent-folder/x/y.png", &image));
    EXPECT_FALSE(ImageLib::WriteJPEGImage("/nonexistent-folder/x/y.jpg", &image));
}

TEST(ImageFiles, LoadsBySystemNameWithoutExtensionInAnyCase)
{
    poptest::TempDir dir;
    std::filesystem::create_directories(dir.Path() + "/Images/Data");
    auto png = poptest::Solid(5, 4, Color(1, 2, 3));
    ASSERT_TRUE(ImageLib::WritePNGImage(dir.Path() + "/Images/Data/Bg.PNG", png.get()));
    MemoryImage jpg(6, 6);
    jpg.Clear(Color::White);
    ASSERT_TRUE(ImageLib::WriteJPEGImage(dir.Path() + "/Images/Data/only_jpeg.jpg", &jpg));
    std::ofstream(dir.Path() + "/Images/Data/broken.png") << "not a picture";

    auto bg = LoadImageWithoutExtension(dir.Path() + "\\images\\DATA\\bg");
    ASSERT_TRUE(bg);
    EXPECT_EQ(bg->GetWidth(), 5);
    EXPECT_TRUE(Near(bg->GetPixel(2, 2), Color(1, 2, 3)));
    EXPECT_EQ(bg->mFilePath, dir.Path() + "\\images\\DATA\\bg");

    auto other = LoadImageWithoutExtension(dir.Path() + "\\images\\data\\ONLY_JPEG");
    ASSERT_TRUE(other);
    EXPECT_EQ(other->GetHeight(), 6);

    // A name that already carries its extension loads as it is.
    EXPECT_TRUE(LoadImageWithoutExtension(dir.Path() + "/Images/Data/Bg.PNG"));

    EXPECT_EQ(LoadImageWithoutExtension(dir.Path() + "\\images\\data\\missing"), nullptr);
    EXPECT_EQ(LoadImageWithoutExtension(dir.Path() + "\\images\\data\\broken"), nullptr);
    EXPECT_EQ(LoadImageWithoutExtension(dir.Path() + "\\images\\data"), nullptr); // a folder
    EXPECT_EQ(LoadImageWithoutExtension(""), nullptr);
}
