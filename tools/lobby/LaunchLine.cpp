#include "tools/lobby/LaunchLine.h"

#include "platform/Text.h"

#include <limits>

namespace lobby
{

namespace
{

// Numbers are read by the game with atoi; texts are copied with the field's capacity as bound.
const LaunchValueInfo kValues[kLaunchValueCount] = {
    {nullptr, 32, "game server address (--server)"},
    {nullptr, 0, "game server port (--server)"},
    {"10001", 0, "own user id"},
    {"0", 0, "sent in the GM force-kick chat message"},
    {"0", 0, "rights mask (4 and 8 are the GM rights)"},
    {"演示游戏", 32, "game name shown in the play-time warning"},
    {"0", 32, "for the game (text)"},
    {nullptr, 0, "the lobby's window handle (filled in by the lobby)"},
    {"0", 200, "for the game (text)"},
    {"0", 0, "for the game (number, low byte)"},
    {"devtoken", 32, "login token appended to the shop links"},
    {"0", 0, "ignored by the game"},
    {"0", 0, "ignored by the game"},
    {"0", 32, "for the game (text)"},
    {"0", 0, "for the game (number)"},
    {"0", 26, "for the game (text)"},
    {"http://127.0.0.1/shop?from=kick", 300, "shop address opened after a kick for lack of money"},
    {"http://127.0.0.1/help", 300, "help address of the game window's help button"},
    {"1", 0, "escape mode (0 strict, other values lenient)"},
    {"0", 300, "for the game (text)"},
    {"0", 0, "its low byte ends the GM force-kick chat message"},
    {"0", 0, "ignored by the game"},
    {"0", 0, "for the game (number)"},
    {"0", 0, "minutes played today"},
    {"0", 300, "for the game (text)"},
    {"0", 300, "for the game (text)"},
    {"0", 0, "membership level (2 to 7 pick the user-list icon)"},
    {"0", 0, "room type (1 and 2 are anti-cheat tables)"},
    {"7", 0, "seats per table (the game always uses 7)"},
    {"0", 0, "for the game (number)"},
    {"0", 32, "for the game (text)"},
    {"0", 0, "replay mode (1 with --replay)"},
    {"0", 0, "cap of the stake multiplier"},
    {"0", 300, "for the game (text)"},
};

bool ParseDigits(std::string_view text, bool hex, std::uint64_t& out)
{
    if (text.empty())
        return false;
    const unsigned base = hex ? 16 : 10;
    std::uint64_t value = 0;
    for (const char c : text)
    {
        unsigned digit;
        if (c >= '0' && c <= '9')
            digit = static_cast<unsigned>(c - '0');
        else if (hex && c >= 'a' && c <= 'f')
            digit = static_cast<unsigned>(c - 'a' + 10);
        else if (hex && c >= 'A' && c <= 'F')
            digit = static_cast<unsigned>(c - 'A' + 10);
        else
            return false;
        if (value > (std::numeric_limits<std::uint64_t>::max() - digit) / base)
            return false;
        value = value * base + digit;
    }
    out = value;
    return true;
}

bool HasHexPrefix(std::string_view text)
{
    return text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
}

} // namespace

const LaunchValueInfo& LaunchValue(int index)
{
    return kValues[index];
}

bool ParseUnsigned(std::string_view text, std::uint64_t& out)
{
    if (HasHexPrefix(text))
        return ParseDigits(text.substr(2), true, out);
    return ParseDigits(text, false, out);
}

bool ParseNumber(std::string_view text, std::int64_t& out)
{
    const bool negative = !text.empty() && text[0] == '-';
    if (negative)
        text.remove_prefix(1);
    std::uint64_t magnitude;
    if (!ParseUnsigned(text, magnitude))
        return false;
    const std::uint64_t limit =
        static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()) + (negative ? 1 : 0);
    if (magnitude > limit)
        return false;
    out = negative ? static_cast<std::int64_t>(0 - magnitude) : static_cast<std::int64_t>(magnitude);
    return true;
}

bool ParseServer(std::string_view text, std::string& host, int& port, std::string& error)
{
    const size_t colon = text.rfind(':');
    if (colon == std::string_view::npos)
    {
        error = "--server needs HOST:PORT";
        return false;
    }
    const std::string_view hostPart = text.substr(0, colon);
    std::uint64_t value;
    if (!ParseDigits(text.substr(colon + 1), false, value) || value < 1 || value > 65535)
    {
        error = "--server: the port must be a number from 1 to 65535";
        return false;
    }
    if (hostPart.empty() || hostPart.size() >= static_cast<size_t>(kValues[0].iCapacity))
    {
        error = "--server: the host must have 1 to 31 characters";
        return false;
    }
    for (const char c : hostPart)
    {
        const auto b = static_cast<unsigned char>(c);
        if (b <= 0x20 || b >= 0x7F)
        {
            error = "--server: the host must be printable ASCII without blanks";
            return false;
        }
    }
    host = std::string(hostPart);
    port = static_cast<int>(value);
    return true;
}

bool ParseOverride(std::string_view text, LaunchOverride& out, std::string& error)
{
    const size_t eq = text.find('=');
    std::uint64_t index;
    if (eq == std::string_view::npos || !ParseDigits(text.substr(0, eq), false, index))
    {
        error = "--arg needs N=VALUE";
        return false;
    }
    if (index >= static_cast<std::uint64_t>(kLaunchValueCount))
    {
        error = "--arg: N must be from 0 to 33";
        return false;
    }
    const std::string_view utf8 = text.substr(eq + 1);
    const std::string prefix = "--arg " + std::to_string(index) + ": ";
    if (utf8.empty())
    {
        error = prefix + "the value must not be empty";
        return false;
    }
    for (const char c : utf8)
    {
        const auto b = static_cast<unsigned char>(c);
        if (b <= 0x20 || b == 0x7F)
        {
            error = prefix + "the value must not contain blanks or control characters";
            return false;
        }
    }
    std::string gbk = platform::Utf8ToGbk(utf8);
    if (platform::GbkToUtf8(gbk) != utf8)
    {
        error = prefix + "the value is not UTF-8 text with a GBK form";
        return false;
    }
    const int capacity = kValues[index].iCapacity;
    if (capacity > 0 && gbk.size() >= static_cast<size_t>(capacity))
    {
        error = prefix + "the value has " + std::to_string(gbk.size()) + " bytes; the game's field holds " +
                std::to_string(capacity - 1);
        return false;
    }
    out.index = static_cast<int>(index);
    out.value = std::move(gbk);
    return true;
}

bool BuildLaunchValues(const LaunchSettings& settings, std::uint32_t lobbyWindow, std::vector<std::string>& values,
                       std::string& error)
{
    std::vector<std::string> result(kLaunchValueCount);
    for (int i = 0; i < kLaunchValueCount; ++i)
    {
        if (kValues[i].szDefault)
            result[i] = kValues[i].szDefault;
    }
    result[0] = settings.serverHost;
    result[1] = std::to_string(settings.serverPort);
    result[kLobbyWindowValue] = std::to_string(lobbyWindow);
    if (settings.replay)
        result[kReplayValue] = "1";
    for (const LaunchOverride& o : settings.overrides)
    {
        if (o.index >= 0 && o.index < kLaunchValueCount)
            result[o.index] = o.value;
    }
    size_t length = kLaunchValueCount - 1;
    for (const std::string& v : result)
        length += v.size();
    if (length >= kMaxCommandLine)
    {
        error = "the command line would have " + std::to_string(length) + " characters; the game reads at most " +
                std::to_string(kMaxCommandLine - 1);
        return false;
    }
    values = std::move(result);
    return true;
}

} // namespace lobby
