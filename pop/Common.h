// String helpers of the framework: printf-style formatting and the conversions between the
// framework's wide strings and the system's 8-bit text (GBK).
#pragma once

#include <cstdarg>
#include <string>

namespace Sexy
{

// The framework's own string type: wide text, as widgets draw it.
using SexyString = std::wstring;

// printf-style formatting into a std::string, of any length.
std::string StrFormat(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
std::string vformat(const char* fmt, va_list args) __attribute__((format(printf, 1, 0)));
std::wstring StrFormat(const wchar_t* fmt, ...);
std::wstring vformat(const wchar_t* fmt, va_list args);

// Wide text to the system's 8-bit text; characters GBK cannot hold become '?'.
std::string SexyStringToString(const SexyString& text);
std::string WStringToString(const std::wstring& text);

// The system's 8-bit text to wide text; invalid bytes become U+FFFD.
SexyString StringToSexyString(const std::string& text);
std::wstring StringToWString(const std::string& text);

// Debug output, printf-style, in the system's 8-bit text. It goes to standard error (as UTF-8)
// when the environment variable POP_DEBUG is set and not empty, and nowhere otherwise.
void OutputDebug(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

} // namespace Sexy
