// The command line of tessaro-lobby itself: the commands run, replay, watch, send and copydata.
#pragma once

#include "tools/lobby/LaunchLine.h"

#include <cstdint>
#include <string>
#include <vector>

namespace lobby
{

// How long a game may take to end after SIGTERM before it is killed, by default.
inline constexpr double kDefaultGraceSeconds = 3.0;

struct RunOptions
{
    std::string game;        // the game program
    std::string root;        // the platform root; empty: the folder above the game's folder
    std::string launchBlock; // file sent as WM_COPYDATA with tag 0 once the game has announced itself
    std::string replay;      // path sent as WM_COPYDATA with tag 1
    bool headless = false;
    bool autoPlay = false;     // the word "--autoplay" after the launch values
    double timeoutSeconds = 0; // 0: no time limit
    double graceSeconds = kDefaultGraceSeconds;
    LaunchSettings launch;
};

// The replay: a game started as by run, with a record's messages delivered to it.
struct ReplayOptions
{
    RunOptions run;     // run.replay is the record, so that the game gets its path
    std::string record; // the record file
    int conn = 0;       // the connection replayed; 0: the first in the record
};

struct SendOptions
{
    std::uint32_t to = 0;
    unsigned msg = 0;
    std::uint64_t wParam = 0;
    std::int64_t lParam = 0;
    bool post = false;
};

struct WatchOptions
{
    double timeoutSeconds = 0; // 0: until a signal
};

struct CopyDataOptions
{
    std::uint32_t to = 0;
    std::uint64_t tag = 0;
    std::string file;
};

enum class Parsed
{
    Ok,
    Help,
    Error,
};

// Each takes the words after the command's name. On Error, error says what is wrong.
Parsed ParseRunOptions(const std::vector<std::string>& args, RunOptions& out, std::string& error);
Parsed ParseReplayOptions(const std::vector<std::string>& args, ReplayOptions& out, std::string& error);
Parsed ParseSendOptions(const std::vector<std::string>& args, SendOptions& out, std::string& error);
Parsed ParseCopyDataOptions(const std::vector<std::string>& args, CopyDataOptions& out, std::string& error);
Parsed ParseWatchOptions(const std::vector<std::string>& args, WatchOptions& out, std::string& error);

// The help texts, printed by --help.
std::string MainUsage();
std::string RunUsage();
std::string ReplayUsage();
std::string SendUsage();
std::string CopyDataUsage();
std::string WatchUsage();

} // namespace lobby
