// Starting the game program the way the lobby does.
#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

namespace lobby
{

// The framework's switch for running without a window or audio device.
inline constexpr const char* kHeadlessVariable = "POP_HEADLESS";

struct GameStart
{
    std::string program;             // absolute path of the game program
    std::string folder;              // its folder, the game's working directory
    std::vector<std::string> values; // the launch values, argv[1] onwards
    bool headless = false;           // POP_HEADLESS=1 in the game's environment
};

// An absolute form of path (relative paths are taken from the working directory); "." and ".."
// components and symbolic links are kept as written.
std::string AbsolutePath(const std::string& path);

// The folder part of an absolute path ("/" for a top-level entry).
std::string ParentFolder(const std::string& absolute);

// Starts the game and returns its pid, or -1 with a reason (for example a program that cannot be
// executed). The game's standard output goes to this process's standard error, so that this
// process's standard output carries only its own report lines.
pid_t StartGame(const GameStart& start, std::string& error);

} // namespace lobby
