#include "tessaro/app/LaunchData.h"

#include "tessaro/app/AppInfo.h"
#include "tessaro/net/Frame.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <limits>

namespace Ostra
{

namespace
{

bool IsGbkLead(unsigned char c)
{
    return c >= 0x81 && c <= 0xFE;
}

bool IsGbkTrail(unsigned char c)
{
    return c >= 0x40 && c <= 0xFE && c != 0x7F;
}

// Reads an optionally signed decimal number like atoi, with the magnitude clamped to limit (and to
// limit + 1 for a negative number).
template <typename Int> Int ParseClamped(const char* text)
{
    if (!text)
        return 0;
    const char* p = text;
    while (std::isspace(static_cast<unsigned char>(*p)))
        ++p;
    bool negative = false;
    if (*p == '+' || *p == '-')
        negative = *p++ == '-';
    using Wide = unsigned long long;
    const Wide limit = static_cast<Wide>(std::numeric_limits<Int>::max()) + (negative ? 1u : 0u);
    Wide magnitude = 0;
    for (; *p >= '0' && *p <= '9'; ++p)
    {
        const Wide digit = static_cast<Wide>(*p - '0');
        if (magnitude > (limit - digit) / 10)
        {
            magnitude = limit;
            break;
        }
        magnitude = magnitude * 10 + digit;
    }
    if (!negative)
        return static_cast<Int>(magnitude);
    // -(limit) is the type's minimum: form it without overflowing.
    return magnitude == 0 ? Int(0) : static_cast<Int>(-static_cast<Int>(magnitude - 1) - 1);
}

template <std::size_t N> void CopyToken(char (&field)[N], std::string_view token)
{
    CopyTextField(field, N, token);
}

std::int8_t LowByte(std::int32_t value)
{
    return static_cast<std::int8_t>(static_cast<std::uint8_t>(value & 0xFF));
}

// Stores token number index in its field.
void StoreToken(int index, std::string_view token, AppInfo& info)
{
    const std::string text(token);
    const char* s = text.c_str();
    switch (index)
    {
    case 0:
        CopyToken(info.szServerAddr, token);
        break;
    case 1:
        info.iServerPort = LaunchInt(s);
        break;
    case 2:
        info.iUserId = LaunchInt(s);
        break;
    case 3:
        info.iLaunchArg3 = LaunchInt(s);
        break;
    case 4:
        info.iRightMask = LaunchInt(s);
        break;
    case 5:
        CopyToken(info.szGameName, token);
        break;
    case 6:
        CopyToken(info.szLaunchArg6, token);
        break;
    case 7:
        // The lobby writes its window handle as a 64-bit number; a window handle is 32 bits wide.
        info.hLobbyWnd = static_cast<platform::WindowHandle>(static_cast<std::uint64_t>(LaunchInt64(s)));
        break;
    case 8:
        CopyToken(info.szLaunchArg8, token);
        break;
    case 9:
        info.cLaunchArg9 = LowByte(LaunchInt(s));
        break;
    case 10:
        CopyToken(info.szToken, token);
        break;
    case 13:
        CopyToken(info.szLaunchArg13, token);
        break;
    case 14:
        info.iLaunchArg14 = LaunchInt(s);
        break;
    case 15:
        CopyToken(info.szLaunchArg15, token);
        break;
    case 16:
        CopyToken(info.szLaunchUrl16, token);
        break;
    case 17:
        CopyToken(info.szLaunchUrl17, token);
        break;
    case 18:
        info.cEscapeMode = LowByte(LaunchInt(s));
        break;
    case 19:
        CopyToken(info.szLaunchArg19, token);
        break;
    case 20:
        info.iLaunchArg20 = LaunchInt(s);
        break;
    case 22:
        info.llLaunchArg22 = LaunchInt(s);
        break;
    case 23:
        info.iPlayMinutes = LaunchInt(s);
        break;
    case 24:
        CopyToken(info.szLaunchArg24, token);
        break;
    case 25:
        CopyToken(info.szLaunchArg25, token);
        break;
    case 26:
        info.cMemberLevel = LowByte(LaunchInt(s));
        break;
    case 27:
        info.iRoomType = LaunchInt(s);
        break;
    case 28:
        info.iMaxPlayerNum = LaunchInt(s);
        break;
    case 29:
        info.iLaunchArg29 = LaunchInt(s);
        break;
    case 30:
        CopyToken(info.szLaunchArg30, token);
        break;
    case 31:
        info.bReplay = LaunchInt(s) != 0;
        break;
    case 32:
        info.iMaxTimes = LaunchInt(s);
        break;
    case 33:
        CopyToken(info.szLaunchArg33, token);
        break;
    default:
        // 11, 12, 21 and everything from 34 on carry nothing for the game.
        break;
    }
}

} // namespace

void CopyTextField(char* field, std::size_t cap, std::string_view text)
{
    if (!field || cap == 0)
        return;
    const std::size_t end = std::min(text.find('\0'), text.size());
    const std::size_t room = cap - 1;
    std::size_t used = 0;
    while (used < end)
    {
        const auto c = static_cast<unsigned char>(text[used]);
        const bool pair = IsGbkLead(c) && used + 1 < end && IsGbkTrail(static_cast<unsigned char>(text[used + 1]));
        const std::size_t step = pair ? 2 : 1;
        if (used + step > room)
            break;
        used += step;
    }
    if (used > 0)
        std::memcpy(field, text.data(), used);
    field[used] = '\0';
}

std::string FieldText(const char* field, std::size_t cap)
{
    if (!field)
        return std::string();
    return std::string(field, strnlen(field, cap));
}

std::int32_t LaunchInt(const char* text)
{
    return ParseClamped<std::int32_t>(text);
}

std::int64_t LaunchInt64(const char* text)
{
    return ParseClamped<std::int64_t>(text);
}

int ParseLaunchArgs(std::string_view cmdLine, AppInfo& info)
{
    std::string_view line = cmdLine.substr(0, std::min(cmdLine.find('\0'), cmdLine.size()));
    line = line.substr(0, std::min(line.size(), kMaxCmdLineLen));

    int count = 0;
    std::size_t pos = 0;
    for (;;)
    {
        pos = line.find_first_not_of(' ', pos);
        if (pos == std::string_view::npos)
            break;
        const std::size_t end = std::min(line.find(' ', pos), line.size());
        StoreToken(count, line.substr(pos, end - pos), info);
        ++count;
        pos = end;
    }

    info.iMaxPlayerNum = kTablePlayerNum;
    info.bGmRightA = (info.iRightMask & kRightGmA) != 0;
    info.bGmRightB = (info.iRightMask & kRightGmB) != 0;
    return count;
}

int OpenLaunchBlock(const unsigned char* data, std::size_t len, char* out, int outCap, unsigned char* pVersion)
{
    if (pVersion)
        *pVersion = 0;
    if (!data || len == 0)
        return kLaunchBlockLengthError;
    if (pVersion)
        *pVersion = data[0];
    if (data[0] != kFrameVersion)
        return kLaunchBlockVersionError;
    if (len < static_cast<std::size_t>(kFrameHeaderLen))
        return kLaunchBlockLengthError;
    const int total = FrameTotalLen(data);
    if (total < kFrameHeaderLen || static_cast<std::size_t>(total) > len)
        return kLaunchBlockLengthError;
    const int n = OpenFrameBody(kWireKeyText, reinterpret_cast<const char*>(data) + kFrameHeaderLen,
                                total - kFrameHeaderLen, out, outCap);
    return n < 0 ? kLaunchBlockCipherError : n;
}

} // namespace Ostra
