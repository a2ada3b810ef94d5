// The conversions with which the system's 8-bit text (GBK) becomes the wide text widgets draw.
#pragma once

#include <string>

namespace Ostra
{

std::wstring string2wstring(std::string text);
// A null pointer converts to an empty string.
std::wstring string2wstring(char* text);
std::wstring string2wstring(const char* text);

// Formats with the framework's 8-bit formatter, then converts like string2wstring.
std::wstring StrFormat2wstring(char const* format, ...) __attribute__((format(printf, 1, 2)));

} // namespace Ostra
