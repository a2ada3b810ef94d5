#include "tools/lobby/LobbyJson.h"

#include "platform/Text.h"

#include <cstdio>

namespace lobby
{

std::string JsonString(std::string_view utf8)
{
    const std::string clean = platform::WideToUtf8(platform::Utf8ToWide(utf8));
    std::string out = "\"";
    for (const char c : clean)
    {
        const auto b = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\')
        {
            out.push_back('\\');
            out.push_back(c);
        }
        else if (c == '\n')
        {
            out += "\\n";
        }
        else if (c == '\t')
        {
            out += "\\t";
        }
        else if (b < 0x20)
        {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", b);
            out += buf;
        }
        else
        {
            out.push_back(c);
        }
    }
    out.push_back('"');
    return out;
}

std::string JsonGbkString(std::string_view gbk)
{
    return JsonString(platform::GbkToUtf8(gbk));
}

std::string MessageName(unsigned msg)
{
    switch (msg)
    {
    case platform::WM_CLOSE:
        return "WM_CLOSE";
    case platform::WM_COPYDATA:
        return "WM_COPYDATA";
    case platform::WM_LOBBY_GAMEWND:
        return "WM_LOBBY_GAMEWND";
    case platform::WM_LOBBY_GAMEEXIT:
        return "WM_LOBBY_GAMEEXIT";
    case platform::WM_LOBBY_STUCK:
        return "WM_LOBBY_STUCK";
    case platform::WM_LOBBY_REPLAY:
        return "WM_LOBBY_REPLAY";
    default:
        break;
    }
    if (msg >= platform::WM_USER && msg < 0x8000)
    {
        char buf[32];
        std::snprintf(buf, sizeof buf, "WM_USER+0x%X", msg - platform::WM_USER);
        return buf;
    }
    return "unknown";
}

ExitReason DescribeExitReason(std::uintptr_t reason)
{
    switch (reason)
    {
    case 1:
        return {"the player left (escape key, a looker, or no game running)", nullptr};
    case 2:
        return {"automatic leave of an idle player", nullptr};
    case 4:
        return {"the player confirmed leaving a running game", nullptr};
    case 5:
        return {"the watched player left the table", "旁观对象已经离开本桌，您也被强制离桌。"};
    case 8:
        return {"kicked by the server (kick notice kind 1)", nullptr};
    case 9:
        return {"kicked by the server (kick notice kind 4)", nullptr};
    case 10:
        return {"kicked by the server (kick notice kind 3)", nullptr};
    case 12:
        return {"kicked by the server (other kick notice)", nullptr};
    case 14:
    case 15:
        return {"play-time limit reached", nullptr};
    case 17:
        return {"deferred kick notice after the game", nullptr};
    default:
        return {"unknown exit reason", nullptr};
    }
}

namespace
{

const char* ReplayControl(std::uintptr_t wParam)
{
    switch (wParam)
    {
    case 1:
        return "play";
    case 2:
        return "fast";
    case 3:
        return "normal speed";
    case 4:
        return "pause";
    default:
        return "unknown";
    }
}

} // namespace

std::string MessageLine(unsigned msg, platform::WPARAM wParam, platform::LPARAM lParam)
{
    std::string line = "{\"msg\": " + std::to_string(msg) + ", \"name\": " + JsonString(MessageName(msg)) +
                       ", \"wparam\": " + std::to_string(wParam);
    if (msg == platform::WM_COPYDATA)
    {
        // lParam is only this process's pointer to the data: the data's tag and size instead.
        const auto* cds = reinterpret_cast<const platform::COPYDATASTRUCT*>(lParam);
        if (cds)
        {
            line += ", \"tag\": " + std::to_string(cds->dwData) + ", \"bytes\": " + std::to_string(cds->cbData);
        }
        return line + "}";
    }
    line += ", \"lparam\": " + std::to_string(lParam);
    if (msg == platform::WM_LOBBY_GAMEEXIT)
    {
        const ExitReason reason = DescribeExitReason(wParam);
        line += ", \"reason\": " + JsonString(reason.szText);
        if (reason.szNotice)
            line += ", \"notice\": " + JsonGbkString(reason.szNotice);
    }
    else if (msg == platform::WM_LOBBY_REPLAY)
    {
        line += ", \"control\": " + JsonString(ReplayControl(wParam));
    }
    return line + "}";
}

} // namespace lobby
