// The generator's table written to disk and read back the way a game reads its pictures, and the
// generator's refusals: bad rows, a folder it cannot write, a file list that does not match.
#include "assets/SkinWriter.h"
#include "assets/Picture.h"
#include "tests/pop/PixelTestUtil.h"

#include "pop/Image.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

using namespace skin;
namespace fs = std::filesystem;

namespace
{

std::string ReadFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The system's form of a picture's name: backslashes, no extension.
std::string SystemName(const std::string& root, const Picture& picture)
{
    std::string name = picture.name;
    std::replace(name.begin(), name.end(), '/', '\\');
    return root + (picture.part == SkinPart::Game ? "/game/" : "/shared/") + name;
}

Picture Row(std::string name, int width = 8, int height = 4, int cels = 2)
{
    return {std::move(name), SkinPart::Game, width, height, cels, FileFormat::Png, [](Canvas& cel, int) {
                cel.Fill(Path().AddRect(1, 1, cel.Width() - 2, cel.Height() - 2), Paint::Solid(Sexy::Color::White));
            }};
}

} // namespace

// The whole skin, as a game gets it: each picture loads by its system name and has the table's
// size; and each cel of a strip (button states, the levels of a light) is a picture of its own:
// transparent all round its border (nothing cut off where the strip is divided, nothing showing on
// the felt but the drawing), opaque in the middle, and different from the other cels.
TEST(SkinFiles, EveryPictureLoadsBackAndStripsSplitIntoCels)
{
    poptest::TempDir dir;
    ASSERT_FALSE(dir.Path().empty());
    const std::vector<Picture> pictures = SkinPictures();
    const WriteResult result = WriteSkin(pictures, dir.Path());
    ASSERT_TRUE(result.ok) << result.error;
    ASSERT_EQ(result.files.size(), pictures.size());

    std::string manifest = "# file size cels\n";
    for (size_t i = 0; i < pictures.size(); ++i)
    {
        const Picture& p = pictures[i];
        SCOPED_TRACE(p.name);
        EXPECT_EQ(result.files[i], PictureFile(p));
        manifest += ManifestLine(p) + "\n";

        const std::unique_ptr<Sexy::DDImage> image = Sexy::LoadImageWithoutExtension(SystemName(dir.Path(), p));
        ASSERT_TRUE(image);
        ASSERT_EQ(image->GetWidth(), p.width);
        ASSERT_EQ(image->GetHeight(), p.height);
        if (p.cels == 1)
            continue;
        const int w = p.CelWidth(), h = p.height;
        std::vector<std::vector<uint32_t>> cels(p.cels);
        for (int cel = 0; cel < p.cels; ++cel)
        {
            const int x0 = cel * w;
            int borderAlpha = 0;
            for (int k = 0; k < w; ++k)
                borderAlpha =
                    std::max({borderAlpha, image->GetPixel(x0 + k, 0).mAlpha, image->GetPixel(x0 + k, h - 1).mAlpha});
            for (int k = 0; k < h; ++k)
                borderAlpha =
                    std::max({borderAlpha, image->GetPixel(x0, k).mAlpha, image->GetPixel(x0 + w - 1, k).mAlpha});
            EXPECT_EQ(borderAlpha, 0) << "cel " << cel;
            // A button's disabled look (its fourth cel) is half transparent on purpose.
            if (cel < 3)
                EXPECT_EQ(image->GetPixel(x0 + w / 2, h / 2).mAlpha, 255) << "cel " << cel;
            else
                EXPECT_GT(image->GetPixel(x0 + w / 2, h / 2).mAlpha, 100) << "cel " << cel;
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x)
                    cels[cel].push_back(image->GetPixelARGB(x0 + x, y));
        }
        for (int a = 0; a < p.cels; ++a)
            for (int b = a + 1; b < p.cels; ++b)
                EXPECT_NE(cels[a], cels[b]) << "cels " << a << " and " << b << " look the same";
    }
    EXPECT_EQ(ReadFile(fs::path(dir.Path()) / kManifestName), manifest);
    EXPECT_TRUE(fs::is_directory(fs::path(dir.Path()) / "shared"));
}

TEST(SkinWriter, RefusesBadRows)
{
    struct Case
    {
        const char* what;
        Picture row;
    };
    Picture noDraw = Row("images/x");
    noDraw.draw = nullptr;
    const Case cases[] = {
        {"empty name", Row("")},
        {"absolute", Row("/images/x")},
        {"folder", Row("images/x/")},
        {"backslashes", Row("images\\x")},
        {"steps out", Row("images/../../x")},
        {"dot folder", Row("./x")},
        {"extension", Row("images/x.png")},
        {"no size", Row("images/x", 0, 4, 1)},
        {"negative height", Row("images/x", 8, -1, 1)},
        {"cels do not divide", Row("images/x", 9, 4, 2)},
        {"no cels", Row("images/x", 8, 4, 0)},
        {"no draw function", noDraw},
    };
    for (const Case& c : cases)
    {
        EXPECT_FALSE(CheckPicture(c.row).empty()) << c.what;
        EXPECT_FALSE(RenderPicture(c.row)) << c.what;
    }
    EXPECT_EQ(CheckPicture(Row("images.v2/base/x")), ""); // a dot in a folder's name is no extension
}

// A run that fails says so and leaves no manifest behind, even where an earlier run left one: the
// manifest is what staging goes by.
TEST(SkinWriter, FailuresAreReportedAndLeaveNoManifest)
{
    poptest::TempDir dir;
    const fs::path root = fs::path(dir.Path()) / "skin";
    ASSERT_TRUE(WriteSkin({Row("images/a")}, root.string()).ok);
    ASSERT_TRUE(fs::exists(root / kManifestName));

    const WriteResult twice = WriteSkin({Row("images/a"), Row("images/a")}, root.string());
    EXPECT_FALSE(twice.ok);
    EXPECT_NE(twice.error.find("twice"), std::string::npos) << twice.error;
    EXPECT_FALSE(fs::exists(root / kManifestName));

    const WriteResult bad = WriteSkin({Row("images/a"), Row("images/b.png")}, root.string());
    EXPECT_FALSE(bad.ok);
    EXPECT_NE(bad.error.find("images/b.png"), std::string::npos) << bad.error;

    // The output folder is a file, or a folder of the picture is one.
    std::ofstream(fs::path(dir.Path()) / "plain") << "x";
    const WriteResult notAFolder = WriteSkin({Row("images/a")}, (fs::path(dir.Path()) / "plain").string());
    EXPECT_FALSE(notAFolder.ok);
    EXPECT_NE(notAFolder.error.find("plain"), std::string::npos) << notAFolder.error;
    std::ofstream(root / "game" / "images" / "c") << "x";
    const WriteResult blocked = WriteSkin({Row("images/c/d")}, root.string());
    EXPECT_FALSE(blocked.ok);
    EXPECT_FALSE(fs::exists(root / kManifestName));
}

TEST(SkinFileLists, DifferencesAreNamedBothWays)
{
    struct Case
    {
        const char* what;
        std::vector<std::string> made, declared;
        std::vector<std::string> problems;
    };
    const Case cases[] = {
        {"same, in another order", {"game/a.png", "game/b.png"}, {"game/b.png", "game/a.png"}, {}},
        {"nothing at all", {}, {}, {}},
        {"made, not declared",
         {"game/a.png", "shared/n.png"},
         {"game/a.png"},
         {"shared/n.png is made but not listed in assets/CMakeLists.txt"}},
        {"declared, not made",
         {"game/a.png"},
         {"game/a.png", "game/a.jpg"},
         {"game/a.jpg is listed in assets/CMakeLists.txt but not made"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CompareFileLists(c.made, c.declared), c.problems) << c.what;
}
