#include "tessaro/widgets/TextConversion.h"

#include "platform/Text.h"
#include "pop/Common.h"

#include <cstdarg>

namespace Ostra
{

std::wstring string2wstring(std::string text)
{
    return platform::GbkToWide(text);
}

std::wstring string2wstring(char* text)
{
    return string2wstring(static_cast<const char*>(text));
}

std::wstring string2wstring(const char* text)
{
    return text ? platform::GbkToWide(text) : std::wstring();
}

std::wstring StrFormat2wstring(char const* format, ...)
{
    va_list args;
    va_start(args, format);
    std::string text = Sexy::vformat(format, args);
    va_end(args);
    return platform::GbkToWide(text);
}

} // namespace Ostra
