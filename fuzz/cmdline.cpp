// Any text as the lobby's command line, through GameAppBase::ParseCmdLine into g_AppInfo. Whatever
// the text, every text field ends within its capacity and holds its token whole or cut after a
// whole character, the numbers are their tokens' values clamped to the field, the table seats
// seven, the GM flags follow the rights mask, and exactly a line of fewer than eight tokens shows
// the start-up box and ends the game.
//
// Input: the command line, bytes as they are (zero bytes included: the line ends at the first).
#include "fuzz/FuzzApp.h"
#include "tessaro/app/AppInfo.h"
#include "tessaro/app/GameAppBase.h"
#include "tessaro/app/LaunchData.h"
#include "tessaro/net/Log.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace
{

using namespace Ostra;

using fuzzapp::Check;

class App : public fuzzapp::ContainedApp
{
public:
    void Shutdown() override { ++shutdowns; }
    int shutdowns = 0;
};

struct Shared
{
    Shared()
    {
        app.SetMsgBoxHandler(
            [this](const std::string& text, const std::string& title, int flags)
            {
                Check(text == "启动参数错误。" && title == "Message" && flags == 0);
                ++boxes;
                return 1;
            });
    }
    App app;
    int boxes = 0;
};

Shared& Globals()
{
    static Shared shared;
    return shared;
}

// The tokens as a plain reading of the rules sees them: the line up to its first zero byte and
// at most 2047 characters, split at runs of blanks.
std::vector<std::string> Tokens(const std::string& cmdLine)
{
    std::string line = cmdLine.substr(0, cmdLine.find('\0'));
    line.resize(std::min<size_t>(line.size(), 2047));
    std::vector<std::string> out;
    std::string current;
    for (char c : line)
    {
        if (c != ' ')
        {
            current += c;
            continue;
        }
        if (!current.empty())
            out.push_back(current);
        current.clear();
    }
    if (!current.empty())
        out.push_back(current);
    return out;
}

long long Number64(const std::string& token)
{
    errno = 0;
    return std::strtoll(token.c_str(), nullptr, 10);
}

std::int32_t Number32(const std::string& token)
{
    return static_cast<std::int32_t>(std::clamp<long long>(Number64(token), INT_MIN, INT_MAX));
}

// A text field: terminated within cap, and the token itself when it fits, else a prefix of it of
// cap - 1 bytes or (a two-byte character not split) cap - 2.
void CheckText(const char* field, size_t cap, const std::string* token)
{
    const size_t len = strnlen(field, cap);
    Check(len < cap);
    if (!token)
    {
        Check(len == 0);
        return;
    }
    if (token->size() < cap)
    {
        Check(std::string(field, len) == *token);
        return;
    }
    Check(len == cap - 1 || len == cap - 2);
    Check(token->compare(0, len, field, len) == 0);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size)
{
    Shared& s = Globals();
    g_AppInfo = AppInfo{};
    const int boxesBefore = s.boxes;
    const int shutdownsBefore = s.app.shutdowns;

    const std::string cmdLine(reinterpret_cast<const char*>(data), size);
    s.app.ParseCmdLine(cmdLine);

    const std::vector<std::string> tokens = Tokens(cmdLine);
    const bool refused = tokens.size() < static_cast<size_t>(kMinLaunchTokens);
    Check(s.boxes - boxesBefore == (refused ? 1 : 0));
    Check(s.app.shutdowns - shutdownsBefore == (refused ? 1 : 0));

    const AppInfo& info = g_AppInfo;
    auto token = [&](size_t i) { return i < tokens.size() ? &tokens[i] : nullptr; };
    auto number = [&](size_t i) { return i < tokens.size() ? Number32(tokens[i]) : 0; };

    CheckText(info.szServerAddr, sizeof(info.szServerAddr), token(0));
    CheckText(info.szGameName, sizeof(info.szGameName), token(5));
    CheckText(info.szLaunchArg6, sizeof(info.szLaunchArg6), token(6));
    CheckText(info.szLaunchArg8, sizeof(info.szLaunchArg8), token(8));
    CheckText(info.szToken, sizeof(info.szToken), token(10));
    CheckText(info.szLaunchArg13, sizeof(info.szLaunchArg13), token(13));
    CheckText(info.szLaunchArg15, sizeof(info.szLaunchArg15), token(15));
    CheckText(info.szLaunchUrl16, sizeof(info.szLaunchUrl16), token(16));
    CheckText(info.szLaunchUrl17, sizeof(info.szLaunchUrl17), token(17));
    CheckText(info.szLaunchArg19, sizeof(info.szLaunchArg19), token(19));
    CheckText(info.szLaunchArg24, sizeof(info.szLaunchArg24), token(24));
    CheckText(info.szLaunchArg25, sizeof(info.szLaunchArg25), token(25));
    CheckText(info.szLaunchArg30, sizeof(info.szLaunchArg30), token(30));
    CheckText(info.szLaunchArg33, sizeof(info.szLaunchArg33), token(33));

    Check(info.iServerPort == number(1));
    Check(info.iUserId == number(2));
    Check(info.iRightMask == number(4));
    const long long lobby = tokens.size() > 7 ? Number64(tokens[7]) : 0;
    Check(info.hLobbyWnd == static_cast<std::uint32_t>(static_cast<std::uint64_t>(lobby)));
    Check(static_cast<std::uint8_t>(info.cLaunchArg9) == static_cast<std::uint8_t>(number(9) & 0xFF));
    Check(info.llLaunchArg22 == number(22));
    Check(info.bReplay == (number(31) != 0));
    Check(info.iMaxPlayerNum == 7);
    Check(info.bGmRightA == ((info.iRightMask & 4) != 0));
    Check(info.bGmRightB == ((info.iRightMask & 8) != 0));
    return 0;
}
