#include "assets/SkinWriter.h"

#include "pop/Image.h"

#include <filesystem>
#include <fstream>
#include <set>
#include <system_error>

namespace skin
{
namespace fs = std::filesystem;

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
        const bool written =
            image && (picture.format == FileFormat::Png ? ImageLib::WritePNGImage(path.string(), image.get())
                                                        : ImageLib::WriteJPEGImage(path.string(), image.get(), 92));
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
