#include "assets/SkinWriter.h"

#include "pop/Image.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <set>
#include <system_error>

namespace skin
{
namespace fs = std::filesystem;

namespace
{

void PutLe(std::string& out, uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.push_back(char((value >> (8 * i)) & 0xFF));
}

// A 32-bit bitmap with its alpha channel: a version 4 header, whose colour masks name the alpha
// byte, so readers keep the transparency instead of taking the fourth byte for padding.
bool WriteBmp(const fs::path& path, const Sexy::MemoryImage& image)
{
    const uint32_t w = uint32_t(image.GetWidth()), h = uint32_t(image.GetHeight());
    constexpr uint32_t kFileHeader = 14, kInfoHeader = 108;
    const uint32_t pixels = w * h * 4;
    std::string out;
    out.reserve(kFileHeader + kInfoHeader + pixels);
    out += "BM";
    PutLe(out, kFileHeader + kInfoHeader + pixels, 4);
    PutLe(out, 0, 4);
    PutLe(out, kFileHeader + kInfoHeader, 4);
    PutLe(out, kInfoHeader, 4);
    PutLe(out, w, 4);
    PutLe(out, h, 4); // positive: rows from the bottom up
    PutLe(out, 1, 2);
    PutLe(out, 32, 2);
    PutLe(out, 3, 4); // bit fields
    PutLe(out, pixels, 4);
    PutLe(out, 3780, 4); // 96 dots per inch, in dots per metre
    PutLe(out, 3780, 4);
    PutLe(out, 0, 4);
    PutLe(out, 0, 4);
    PutLe(out, 0x00FF0000, 4);
    PutLe(out, 0x0000FF00, 4);
    PutLe(out, 0x000000FF, 4);
    PutLe(out, 0xFF000000, 4);
    PutLe(out, 0x73524742, 4); // the sRGB colour space
    out.append(36 + 12, '\0'); // end points and gamma, unused with sRGB
    for (uint32_t y = h; y-- > 0;)
        for (uint32_t x = 0; x < w; ++x)
            PutLe(out, image.GetPixelARGB(int(x), int(y)), 4);
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(out.data(), std::streamsize(out.size()));
    file.close();
    return bool(file);
}

} // namespace

std::string ManifestLine(const Picture& p)
{
    return PictureFile(p) + " " + std::to_string(p.width) + "x" + std::to_string(p.height) + " " +
           std::to_string(p.cels);
}

WriteResult WriteSkin(const std::vector<Picture>& pictures, const std::string& root)
{
    WriteResult result;
    std::error_code ec;
    // The manifest of an earlier run goes first: until this run has written every picture, there
    // is none, and nothing takes a half-written skin for a whole one.
    const fs::path manifestPath = fs::path(root) / kManifestName;
    fs::remove(manifestPath, ec);
    for (const char* part : {"game", "shared"})
    {
        fs::create_directories(fs::path(root) / part, ec);
        if (ec)
        {
            result.error = "cannot make " + (fs::path(root) / part).string() + ": " + ec.message();
            return result;
        }
    }

    std::set<std::string> seen;
    std::string manifest = "# file size cels\n";
    for (const Picture& picture : pictures)
    {
        const std::string file = PictureFile(picture);
        if (const std::string problem = CheckPicture(picture); !problem.empty())
        {
            result.error = "picture \"" + picture.name + "\": " + problem;
            return result;
        }
        if (!seen.insert(file).second)
        {
            result.error = "picture \"" + picture.name + "\" is in the table twice";
            return result;
        }
        const fs::path path = fs::path(root) / file;
        if (fs::create_directories(path.parent_path(), ec); ec)
        {
            result.error = "cannot make " + path.parent_path().string() + ": " + ec.message();
            return result;
        }
        std::unique_ptr<Sexy::MemoryImage> image = RenderPicture(picture);
        bool written = false;
        if (image && picture.format == FileFormat::Png)
            written = ImageLib::WritePNGImage(path.string(), image.get());
        else if (image && picture.format == FileFormat::Jpeg)
            written = ImageLib::WriteJPEGImage(path.string(), image.get(), 92);
        else if (image)
            written = WriteBmp(path, *image);
        if (!written)
        {
            result.error = "cannot write " + path.string();
            return result;
        }
        result.files.push_back(file);
        manifest += ManifestLine(picture) + "\n";
    }

    // Written last: it tells that the whole skin is there.
    std::ofstream out(manifestPath, std::ios::binary | std::ios::trunc);
    out << manifest;
    out.close();
    if (!out)
    {
        result.error = "cannot write " + manifestPath.string();
        return result;
    }
    result.ok = true;
    return result;
}

std::vector<std::string> CompareFileLists(const std::vector<std::string>& made,
                                          const std::vector<std::string>& declared)
{
    const std::set<std::string> madeSet(made.begin(), made.end());
    const std::set<std::string> declaredSet(declared.begin(), declared.end());
    std::vector<std::string> problems;
    for (const std::string& file : madeSet)
        if (!declaredSet.count(file))
            problems.push_back(file + " is made but not listed in assets/CMakeLists.txt");
    for (const std::string& file : declaredSet)
        if (!madeSet.count(file))
            problems.push_back(file + " is listed in assets/CMakeLists.txt but not made");
    return problems;
}

} // namespace skin
