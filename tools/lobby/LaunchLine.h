// The game's command line as the lobby builds it: 34 blank-separated values, each with a default
// that a developer can override.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace lobby
{

inline constexpr int kLaunchValueCount = 34;
inline constexpr const char* kDefaultServerHost = "127.0.0.1";
inline constexpr int kDefaultServerPort = 17100;
// The game copies the command line into a buffer of this many bytes, terminator included.
inline constexpr size_t kMaxCommandLine = 2048;

// The value at the lobby's window handle position.
inline constexpr int kLobbyWindowValue = 7;
// The replay switch: 1 makes the game a replay without a server connection.
inline constexpr int kReplayValue = 31;

struct LaunchValueInfo
{
    const char* szDefault; // GBK; null for values the lobby fills in (server, window handle)
    int iCapacity;         // bytes of the game's text field, terminator included; 0 for numbers
    const char* szMeaning; // a short English description
};

// The table of all 34 values, indexed by position.
const LaunchValueInfo& LaunchValue(int index);

// A number in decimal (optionally negative) or in hexadecimal after "0x"; the whole text must be
// the number. False on anything else or when it does not fit 64 bits.
bool ParseNumber(std::string_view text, std::int64_t& out);
bool ParseUnsigned(std::string_view text, std::uint64_t& out);

// "HOST:PORT": a host without blanks that fits the game's address field, and a port 1..65535.
bool ParseServer(std::string_view text, std::string& host, int& port, std::string& error);

struct LaunchOverride
{
    int index = -1;
    std::string value; // GBK, ready for the command line
};

// "N=VALUE" from the developer's (UTF-8) terminal. The value becomes GBK; it must be non-empty,
// hold no blanks or control characters (the game splits its command line at blanks, and an empty
// value would shift every later one), have a GBK form and fit the game's field.
bool ParseOverride(std::string_view text, LaunchOverride& out, std::string& error);

struct LaunchSettings
{
    std::string serverHost = kDefaultServerHost;
    int serverPort = kDefaultServerPort;
    bool replay = false;
    std::vector<LaunchOverride> overrides; // applied in order, after everything else
};

// All 34 values: the defaults, the server, the lobby's window handle, the replay switch, then the
// overrides. Fails (with a reason) when the command line would not fit the game's buffer.
bool BuildLaunchValues(const LaunchSettings& settings, std::uint32_t lobbyWindow, std::vector<std::string>& values,
                       std::string& error);

} // namespace lobby
