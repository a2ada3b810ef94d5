#include "pop/Common.h"

#include "platform/Text.h"

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <vector>

namespace Sexy
{

std::string vformat(const char* fmt, va_list args)
{
    char small[256];
    va_list copy;
    va_copy(copy, args);
    int n = std::vsnprintf(small, sizeof(small), fmt, copy);
    va_end(copy);
    if (n < 0)
        return std::string();
    if (static_cast<size_t>(n) < sizeof(small))
        return std::string(small, static_cast<size_t>(n));
    std::string out(static_cast<size_t>(n) + 1, '\0');
    std::vsnprintf(out.data(), out.size(), fmt, args);
    out.resize(static_cast<size_t>(n));
    return out;
}

std::string StrFormat(const char* fmt, ...)
{
    va_list args;
    va_start(args, fmt);
    std::string out = vformat(fmt, args);
    va_end(args);
    return out;
}

std::wstring vformat(const wchar_t* fmt, va_list args)
{
    // vswprintf does not report the length it would need, so grow until the text fits. It also
    // fails on a conversion error, which no buffer size mends: give up at a generous bound.
    constexpr size_t kMaxChars = 1u << 20;
    std::vector<wchar_t> buf(256);
    while (buf.size() <= kMaxChars)
    {
        va_list copy;
        va_copy(copy, args);
        int n = std::vswprintf(buf.data(), buf.size(), fmt, copy);
        va_end(copy);
        if (n >= 0 && static_cast<size_t>(n) < buf.size())
            return std::wstring(buf.data(), static_cast<size_t>(n));
        buf.resize(buf.size() * 4);
    }
    return std::wstring();
}

std::wstring StrFormat(const wchar_t* fmt, ...)
{
    va_list args;
    va_start(args, fmt);
    std::wstring out = vformat(fmt, args);
    va_end(args);
    return out;
}

std::string SexyStringToString(const SexyString& text)
{
    return platform::WideToGbk(text);
}

std::string WStringToString(const std::wstring& text)
{
    return platform::WideToGbk(text);
}

SexyString StringToSexyString(const std::string& text)
{
    return platform::GbkToWide(text);
}

std::wstring StringToWString(const std::string& text)
{
    return platform::GbkToWide(text);
}

void OutputDebug(const char* fmt, ...)
{
    static const bool enabled = []
    {
        const char* v = std::getenv("POP_DEBUG");
        return v && *v;
    }();
    if (!enabled)
        return;
    va_list args;
    va_start(args, fmt);
    std::string text = vformat(fmt, args);
    va_end(args);
    std::string utf8 = platform::GbkToUtf8(text);
    std::fwrite(utf8.data(), 1, utf8.size(), stderr);
}

} // namespace Sexy
