// tessaro-skin: draws the default skin.
//
//   tessaro-skin --list                     the files it makes, one a line, relative to the root
//   tessaro-skin ROOT [EXPECTED-FILE...]    makes them under ROOT; with a list of expected files
//                                           (what the build declared), fails unless the two agree
//
// The build passes its own list of outputs, so a picture added to the table but not to
// assets/CMakeLists.txt (or the other way round) stops the build instead of going unnoticed.
#include "assets/SkinWriter.h"

#include <cstdio>
#include <string>
#include <vector>

namespace
{

int Usage()
{
    std::fprintf(stderr, "usage: tessaro-skin --list\n       tessaro-skin ROOT [EXPECTED-FILE...]\n");
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
        return Usage();
    const std::string first = argv[1];
    const std::vector<skin::Picture> pictures = skin::SkinPictures();
    if (first == "--list")
    {
        if (argc != 2)
            return Usage();
        for (const skin::Picture& picture : pictures)
            std::printf("%s\n", skin::PictureFile(picture).c_str());
        return 0;
    }
    if (first.empty() || first[0] == '-')
        return Usage();

    // Checked before anything is written: a failed run must leave the build's outputs stale, so
    // that the next build runs it again instead of taking the files for made.
    if (argc > 2)
    {
        std::vector<std::string> files;
        for (const skin::Picture& picture : pictures)
            files.push_back(skin::PictureFile(picture));
        const std::vector<std::string> problems =
            skin::CompareFileLists(files, std::vector<std::string>(argv + 2, argv + argc));
        for (const std::string& problem : problems)
            std::fprintf(stderr, "tessaro-skin: %s\n", problem.c_str());
        if (!problems.empty())
            return 1;
    }
    const skin::WriteResult result = skin::WriteSkin(pictures, first);
    if (!result.ok)
    {
        std::fprintf(stderr, "tessaro-skin: %s\n", result.error.c_str());
        return 1;
    }
    return 0;
}
