// The lobby's report lines: one JSON object per line, UTF-8.
#pragma once

#include "platform/WindowBus.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace lobby
{

// A JSON string literal (quotes included) of UTF-8 text. Bytes that are not valid UTF-8 become
// U+FFFD, so the line stays valid whatever a path or a peer contained.
std::string JsonString(std::string_view utf8);

// The same for the system's GBK text.
std::string JsonGbkString(std::string_view gbk);

// The name of a message the game sends the lobby ("WM_LOBBY_GAMEEXIT", "WM_COPYDATA", ...);
// "WM_USER+0x..." or "unknown" for others.
std::string MessageName(unsigned msg);

struct ExitReason
{
    const char* szText;   // short English description
    const char* szNotice; // the notice (GBK) the game showed before leaving, or null
};

// The meaning of the exit reason of message 0x507; an "unknown" text for numbers the game does
// not send.
ExitReason DescribeExitReason(std::uintptr_t reason);

// The line for one received message. For WM_COPYDATA, lParam is the COPYDATASTRUCT the handler
// received (or null).
std::string MessageLine(unsigned msg, platform::WPARAM wParam, platform::LPARAM lParam);

} // namespace lobby
