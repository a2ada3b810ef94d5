// Text conversions between the system's 8-bit code page (GBK, code page 936), wide text and UTF-8.
//
// Every function accepts any input: bytes that are not valid in the source encoding never stop a
// conversion and never make it read past the input. What happens to them:
//   - GBK -> wide: each byte that does not start a valid character (a stray byte, a lead byte
//     whose trail byte is not a valid trail, or a lead byte cut off at the end of the input)
//     becomes one U+FFFD, and decoding continues with the next byte. So "\x81 A" decodes as
//     U+FFFD, ' ', 'A'; valid neighbours are never swallowed.
//   - wide -> GBK: a character with no GBK form becomes the fallback byte ('?' by default).
//   - UTF-8 -> wide: each byte of an ill-formed sequence (overlong forms, surrogates, values past
//     U+10FFFF, truncated sequences) becomes one U+FFFD.
//   - wide -> UTF-8: unpaired surrogates and values past U+10FFFF become U+FFFD.
// Embedded NUL characters are converted like any other character.
#pragma once

#include <string>
#include <string_view>

namespace platform
{

inline constexpr wchar_t kReplacementChar = 0xFFFD;

std::wstring GbkToWide(std::string_view gbk);
std::string WideToGbk(std::wstring_view wide, char fallback = '?');

std::string WideToUtf8(std::wstring_view wide);
std::wstring Utf8ToWide(std::string_view utf8);

std::string GbkToUtf8(std::string_view gbk);
std::string Utf8ToGbk(std::string_view utf8, char fallback = '?');

// True when every byte of the text belongs to a valid GBK character.
bool IsValidGbk(std::string_view gbk);

} // namespace platform
