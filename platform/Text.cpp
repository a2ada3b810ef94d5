#include "platform/Text.h"

#include <cerrno>
#include <cstdint>
#include <iconv.h>

namespace platform
{
namespace
{

// One iconv descriptor, closed with its owner.
class Iconv
{
public:
    Iconv(const char* to, const char* from) : m_cd(iconv_open(to, from)) {}
    ~Iconv()
    {
        if (Valid())
            iconv_close(m_cd);
    }
    Iconv(const Iconv&) = delete;
    Iconv& operator=(const Iconv&) = delete;

    bool Valid() const { return m_cd != reinterpret_cast<iconv_t>(-1); }

    // Converts as much as it can; returns 0 when all input was taken, else the errno that stopped it.
    int Convert(const char*& in, size_t& inLeft, char*& out, size_t& outLeft)
    {
        char* src = const_cast<char*>(in);
        size_t r = iconv(m_cd, &src, &inLeft, &out, &outLeft);
        int err = r == static_cast<size_t>(-1) ? errno : 0;
        in = src;
        if (err != 0)
            iconv(m_cd, nullptr, nullptr, nullptr, nullptr); // back to the initial state
        return err;
    }

private:
    iconv_t m_cd;
};

// iconv descriptors are not thread-safe and are costly to open, so each thread opens its own
// pair once and keeps it until it ends.
struct ThreadConverters
{
    Iconv gbkToWide{"WCHAR_T", "GBK"};
    Iconv wideToGbk{"GBK", "WCHAR_T"};
};

ThreadConverters& Converters()
{
    thread_local ThreadConverters converters;
    return converters;
}

void AppendCodePoint(std::wstring& out, char32_t cp)
{
    if constexpr (sizeof(wchar_t) == 2)
    {
        if (cp > 0xFFFF)
        {
            cp -= 0x10000;
            out.push_back(static_cast<wchar_t>(0xD800 + (cp >> 10)));
            out.push_back(static_cast<wchar_t>(0xDC00 + (cp & 0x3FF)));
            return;
        }
    }
    out.push_back(static_cast<wchar_t>(cp));
}

bool IsContinuation(unsigned char b, unsigned char lo = 0x80, unsigned char hi = 0xBF)
{
    return b >= lo && b <= hi;
}

} // namespace

std::wstring GbkToWide(std::string_view gbk)
{
    // A GBK character is one or two bytes and becomes one wide character, so the output never
    // has more characters than the input has bytes.
    std::wstring out(gbk.size(), L'\0');
    Iconv& cd = Converters().gbkToWide;
    size_t o = 0;
    size_t i = 0;
    while (i < gbk.size())
    {
        auto c = static_cast<unsigned char>(gbk[i]);
        if (c < 0x80)
        {
            out[o++] = static_cast<wchar_t>(c);
            ++i;
            continue;
        }
        if (cd.Valid())
        {
            const char* in = gbk.data() + i;
            size_t inLeft = gbk.size() - i;
            char* dst = reinterpret_cast<char*>(&out[o]);
            size_t outLeft = (out.size() - o) * sizeof(wchar_t);
            int err = cd.Convert(in, inLeft, dst, outLeft);
            o = static_cast<size_t>(reinterpret_cast<wchar_t*>(dst) - out.data());
            i = gbk.size() - inLeft;
            if (err == 0)
                break;
            if (err == E2BIG) // cannot happen by the bound above; keep going safely if it does
            {
                out.resize(out.size() + gbk.size() - i + 1);
                continue;
            }
            if (i >= gbk.size())
                break;
        }
        // EILSEQ, EINVAL (lead byte cut off at the end) or no converter: this byte is lost.
        if (o == out.size())
            out.push_back(kReplacementChar);
        else
            out[o] = kReplacementChar;
        ++o;
        ++i;
    }
    out.resize(o);
    return out;
}

std::string WideToGbk(std::wstring_view wide, char fallback)
{
    std::string out(wide.size() * 2, '\0');
    Iconv& cd = Converters().wideToGbk;
    size_t o = 0;
    size_t i = 0;
    while (i < wide.size())
    {
        auto c = static_cast<std::uint32_t>(wide[i]);
        if (c < 0x80)
        {
            out[o++] = static_cast<char>(c);
            ++i;
            continue;
        }
        if (cd.Valid())
        {
            const char* in = reinterpret_cast<const char*>(wide.data() + i);
            size_t inLeft = (wide.size() - i) * sizeof(wchar_t);
            char* dst = out.data() + o;
            size_t outLeft = out.size() - o;
            int err = cd.Convert(in, inLeft, dst, outLeft);
            o = static_cast<size_t>(dst - out.data());
            i = wide.size() - inLeft / sizeof(wchar_t);
            if (err == 0)
                break;
            if (err == E2BIG)
            {
                out.resize(out.size() + (wide.size() - i) * 2 + 2);
                continue;
            }
            if (i >= wide.size())
                break;
        }
        out[o++] = fallback;
        ++i;
    }
    out.resize(o);
    return out;
}

std::string WideToUtf8(std::wstring_view wide)
{
    std::string out;
    out.reserve(wide.size());
    for (size_t i = 0; i < wide.size(); ++i)
    {
        auto cp = static_cast<std::uint32_t>(wide[i]);
        if constexpr (sizeof(wchar_t) == 2)
        {
            if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < wide.size())
            {
                auto lo = static_cast<std::uint32_t>(wide[i + 1]);
                if (lo >= 0xDC00 && lo <= 0xDFFF)
                {
                    cp = 0x10000 + ((cp - 0xD800) << 10) + (lo - 0xDC00);
                    ++i;
                }
            }
        }
        if ((cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF)
            cp = kReplacementChar;
        if (cp < 0x80)
        {
            out.push_back(static_cast<char>(cp));
        }
        else if (cp < 0x800)
        {
            out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        }
        else if (cp < 0x10000)
        {
            out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        }
        else
        {
            out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        }
    }
    return out;
}

std::wstring Utf8ToWide(std::string_view utf8)
{
    std::wstring out;
    out.reserve(utf8.size());
    const size_t n = utf8.size();
    auto at = [&](size_t k) { return static_cast<unsigned char>(utf8[k]); };
    size_t i = 0;
    while (i < n)
    {
        unsigned char b0 = at(i);
        if (b0 < 0x80)
        {
            out.push_back(static_cast<wchar_t>(b0));
            ++i;
            continue;
        }
        char32_t cp = 0;
        size_t len = 0;
        if (b0 >= 0xC2 && b0 <= 0xDF)
        {
            if (i + 1 < n && IsContinuation(at(i + 1)))
            {
                cp = ((b0 & 0x1Fu) << 6) | (at(i + 1) & 0x3Fu);
                len = 2;
            }
        }
        else if (b0 >= 0xE0 && b0 <= 0xEF)
        {
            // E0 would be overlong below A0; ED above 9F would be a surrogate.
            unsigned char lo = b0 == 0xE0 ? 0xA0 : 0x80;
            unsigned char hi = b0 == 0xED ? 0x9F : 0xBF;
            if (i + 2 < n && IsContinuation(at(i + 1), lo, hi) && IsContinuation(at(i + 2)))
            {
                cp = ((b0 & 0x0Fu) << 12) | ((at(i + 1) & 0x3Fu) << 6) | (at(i + 2) & 0x3Fu);
                len = 3;
            }
        }
        else if (b0 >= 0xF0 && b0 <= 0xF4)
        {
            unsigned char lo = b0 == 0xF0 ? 0x90 : 0x80;
            unsigned char hi = b0 == 0xF4 ? 0x8F : 0xBF;
            if (i + 3 < n && IsContinuation(at(i + 1), lo, hi) && IsContinuation(at(i + 2)) &&
                IsContinuation(at(i + 3)))
            {
                cp = ((b0 & 0x07u) << 18) | ((at(i + 1) & 0x3Fu) << 12) | ((at(i + 2) & 0x3Fu) << 6) |
                     (at(i + 3) & 0x3Fu);
                len = 4;
            }
        }
        if (len == 0)
        {
            out.push_back(kReplacementChar);
            ++i;
            continue;
        }
        AppendCodePoint(out, cp);
        i += len;
    }
    return out;
}

std::string GbkToUtf8(std::string_view gbk)
{
    return WideToUtf8(GbkToWide(gbk));
}

std::string Utf8ToGbk(std::string_view utf8, char fallback)
{
    return WideToGbk(Utf8ToWide(utf8), fallback);
}

bool IsValidGbk(std::string_view gbk)
{
    // U+FFFD has no GBK form, so it can only come out of the decoder as a replacement.
    return GbkToWide(gbk).find(kReplacementChar) == std::wstring::npos;
}

} // namespace platform
