// Writes the skin into an output root:
//
//   <root>/game/...      the pictures a game finds in its own folder
//   <root>/shared/...    the pictures games find in the folder above theirs
//   <root>/pictures.txt  one line per picture: file, size, cels (what staging and artists go by)
//
// Both parts exist even while one of them holds no picture, so staging copies the same layout
// every time.
#pragma once

#include "assets/Picture.h"

#include <string>
#include <vector>

namespace skin
{

constexpr const char* kManifestName = "pictures.txt";

struct WriteResult
{
    bool ok = false;
    std::vector<std::string> files; // written, relative to the root, in table order
    std::string error;              // what failed first, when not ok
};

// Draws and writes every picture of the table. Stops at the first picture that is not valid or
// cannot be written; two rows naming the same file are an error too.
WriteResult WriteSkin(const std::vector<Picture>& pictures, const std::string& root);

// The manifest's line of a picture: "game/images/base/btn/chair1.png 192x64 3".
std::string ManifestLine(const Picture& picture);

// What differs between the files the table made and those the build declared, one line per file
// (empty when they agree): a picture added to one list but not the other.
std::vector<std::string> CompareFileLists(const std::vector<std::string>& made,
                                          const std::vector<std::string>& declared);

} // namespace skin
