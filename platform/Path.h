// File names and well-known folders.
//
// The system writes file names the way its original platform did: 8-bit GBK text, backslashes as
// separators, and letter case that does not matter ("..\\UserImage\\default0\\n" and
// "../UserImage/Default0/n.jpg" name the same folder). Every file access goes through ResolvePath,
// which turns such a name into a path of this file system.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace platform
{

// Turns a system file name into a native path:
//   - the GBK text becomes UTF-8, the file system's encoding (a name that is not valid GBK is
//     kept byte for byte);
//   - backslashes become slashes (only real backslash characters: a GBK trail byte 0x5C is part
//     of its character);
//   - when the path does not exist as written, each component is looked up in its folder without
//     regard to ASCII letter case. Components from the first one that cannot be found on are kept
//     as written, so a path to a file that is about to be created still resolves its folders.
//     When several entries match a component, the exact spelling wins, then the first in byte
//     order.
std::string ResolvePath(std::string_view systemPath);

// Only the separator and encoding steps of ResolvePath, without looking at the file system.
std::string NativePathSpelling(std::string_view systemPath);

// The folder that holds the running program, without a trailing slash.
std::string ProgramDir();

// The user's desktop folder: XDG_DESKTOP_DIR from the user-dirs.dirs file of the XDG
// configuration folder, else ~/Desktop. The folder is not created.
std::string DesktopDir();

// The desktop entry of a user-dirs.dirs text, with $HOME expanded; nothing when the text does not
// set it in a form this reader understands.
std::optional<std::string> DesktopDirFromUserDirs(std::string_view userDirsText, std::string_view home);

} // namespace platform
