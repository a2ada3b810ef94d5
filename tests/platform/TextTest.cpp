#include "platform/Text.h"

#include <gtest/gtest.h>

#include <string>

using namespace platform;

namespace
{

std::string Bytes(std::initializer_list<unsigned char> bytes)
{
    return std::string(bytes.begin(), bytes.end());
}

const std::wstring kFffd(1, kReplacementChar);

} // namespace

// Narrow literals are compiled to GBK, so the system's texts reach files and the wire as the
// original platform wrote them.
TEST(GbkLiterals, SystemTextsCompileToTheirGbkBytes)
{
    EXPECT_EQ(std::string("无法连接游戏服务器。"), Bytes({0xCE, 0xDE, 0xB7, 0xA8, 0xC1, 0xAC, 0xBD, 0xD3, 0xD3, 0xCE,
                                                          0xCF, 0xB7, 0xB7, 0xFE, 0xCE, 0xF1, 0xC6, 0xF7, 0xA1, 0xA3}));
    EXPECT_EQ(std::string("启动参数错误。"),
              Bytes({0xC6, 0xF4, 0xB6, 0xAF, 0xB2, 0xCE, 0xCA, 0xFD, 0xB4, 0xED, 0xCE, 0xF3, 0xA1, 0xA3}));
    EXPECT_EQ(std::string("大厅客户端异常关闭，游戏结束。"),
              Bytes({0xB4, 0xF3, 0xCC, 0xFC, 0xBF, 0xCD, 0xBB, 0xA7, 0xB6, 0xCB, 0xD2, 0xEC, 0xB3, 0xA3, 0xB9,
                     0xD8, 0xB1, 0xD5, 0xA3, 0xAC, 0xD3, 0xCE, 0xCF, 0xB7, 0xBD, 0xE1, 0xCA, 0xF8, 0xA1, 0xA3}));
    EXPECT_EQ(std::string("　"), Bytes({0xA1, 0xA1}));
}

TEST(GbkToWide, DecodesChineseAsciiAndTheEuroSign)
{
    EXPECT_EQ(GbkToWide("无法连接游戏服务器。"), L"无法连接游戏服务器。");
    EXPECT_EQ(GbkToWide("Message: 启动参数错误。 42"), L"Message: 启动参数错误。 42");
    EXPECT_EQ(GbkToWide(Bytes({0x80})), L"\u20AC"); // code page 936 puts the euro sign at 0x80
    EXPECT_EQ(GbkToWide(""), L"");
}

TEST(GbkToWide, KeepsEmbeddedNulAndTrailBackslash)
{
    EXPECT_EQ(GbkToWide(std::string("a\0b", 3)), std::wstring(L"a\0b", 3));
    // 0x5C is a valid trail byte: the pair is one character, not a character and a backslash.
    ASSERT_EQ(std::string("乗"), Bytes({0x81, 0x5C}));
    EXPECT_EQ(GbkToWide("乗\\"), L"乗\\");
}

TEST(GbkToWide, EachInvalidByteBecomesOneReplacementAndNeighboursSurvive)
{
    EXPECT_EQ(GbkToWide(Bytes({0xFF})), kFffd);
    EXPECT_EQ(GbkToWide(Bytes({'a', 0xFF, 'b'})), L"a" + kFffd + L"b");
    // A lead byte whose follower is no trail byte: the follower is decoded on its own.
    EXPECT_EQ(GbkToWide(Bytes({0x81, ' ', 'A'})), kFffd + L" A");
    EXPECT_EQ(GbkToWide(Bytes({0x81, 0x7F, 0xB0, 0xA1})), kFffd + L"\x7F" + L"啊");
    // A lead byte cut off at the end of the input.
    EXPECT_EQ(GbkToWide(Bytes({'x', 0xB0})), L"x" + kFffd);
    EXPECT_EQ(GbkToWide(Bytes({0xB0, 0xA1, 0xB0})), L"啊" + kFffd);
}

TEST(GbkToWide, NeverProducesMoreCharactersThanBytesForAnyPair)
{
    // Every one- and two-byte input: no crash, a bounded result, and valid GBK round-trips.
    for (int a = 0; a < 256; ++a)
    {
        for (int b = 0; b < 256; ++b)
        {
            std::string in = Bytes({static_cast<unsigned char>(a), static_cast<unsigned char>(b)});
            std::wstring wide = GbkToWide(in);
            ASSERT_LE(wide.size(), 2u);
            ASSERT_GE(wide.size(), 1u);
            if (wide.find(kReplacementChar) == std::wstring::npos)
            {
                ASSERT_EQ(WideToGbk(wide), in) << a << "," << b;
            }
        }
    }
}

TEST(WideToGbk, EncodesAndReplacesWhatGbkCannotHold)
{
    EXPECT_EQ(WideToGbk(L"无法连接游戏服务器。"), "无法连接游戏服务器。");
    EXPECT_EQ(WideToGbk(L"a\u20ACb"), Bytes({'a', 0x80, 'b'}));
    EXPECT_EQ(WideToGbk(L"x\U0001F600y"), "x?y");
    EXPECT_EQ(WideToGbk(std::wstring(1, static_cast<wchar_t>(0xD800)) + L"z"), "?z");
    EXPECT_EQ(WideToGbk(std::wstring(1, static_cast<wchar_t>(-5))), "?");
    EXPECT_EQ(WideToGbk(L"\u0E01k", '*'), "*k"); // a Thai letter has no GBK form
}

TEST(WideToUtf8, EncodesEveryLengthAndReplacesNonCharacters)
{
    EXPECT_EQ(WideToUtf8(L"A\u00E9\u4E2D\U0001F600"), "A\xC3\xA9\xE4\xB8\xAD\xF0\x9F\x98\x80");
    EXPECT_EQ(WideToUtf8(std::wstring(1, static_cast<wchar_t>(0xDC00))), "\xEF\xBF\xBD");
    EXPECT_EQ(WideToUtf8(std::wstring(1, static_cast<wchar_t>(0x110000))), "\xEF\xBF\xBD");
    EXPECT_EQ(WideToUtf8(std::wstring(L"\0", 1)), std::string("\0", 1));
}

TEST(Utf8ToWide, DecodesValidTextAndRejectsIllFormedSequencesBytewise)
{
    EXPECT_EQ(Utf8ToWide("A\xC3\xA9\xE4\xB8\xAD\xF0\x9F\x98\x80"), L"A\u00E9\u4E2D\U0001F600");
    EXPECT_EQ(Utf8ToWide("\xC0\x80"), kFffd + kFffd);                             // overlong NUL
    EXPECT_EQ(Utf8ToWide("\xE0\x80\xAF"), kFffd + kFffd + kFffd);                 // overlong slash
    EXPECT_EQ(Utf8ToWide("\xED\xA0\x80"), kFffd + kFffd + kFffd);                 // surrogate
    EXPECT_EQ(Utf8ToWide("\xF4\x90\x80\x80"), std::wstring(4, kReplacementChar)); // past U+10FFFF
    EXPECT_EQ(Utf8ToWide("\xE4\xB8"), kFffd + kFffd);                             // truncated
    EXPECT_EQ(Utf8ToWide("\xE4\xB8x"), kFffd + kFffd + L"x");
    EXPECT_EQ(Utf8ToWide("\x80z"), kFffd + L"z");
}

TEST(Utf8ToWide, RoundTripsEveryScalarValue)
{
    for (char32_t cp = 1; cp <= 0x10FFFF; cp += (cp < 0x800 ? 1 : 97))
    {
        if (cp >= 0xD800 && cp <= 0xDFFF)
            continue;
        std::wstring w(1, static_cast<wchar_t>(cp));
        ASSERT_EQ(Utf8ToWide(WideToUtf8(w)), w) << static_cast<unsigned>(cp);
    }
}

TEST(GbkUtf8, ConvertsThroughWideTextAndTellsValidity)
{
    EXPECT_EQ(GbkToUtf8("游戏"), "\xE6\xB8\xB8\xE6\x88\x8F");
    EXPECT_EQ(Utf8ToGbk("\xE6\xB8\xB8\xE6\x88\x8F"), "游戏");
    EXPECT_TRUE(IsValidGbk("大厅 lobby"));
    EXPECT_TRUE(IsValidGbk(""));
    EXPECT_FALSE(IsValidGbk(Bytes({'a', 0xB0})));
    EXPECT_FALSE(IsValidGbk(Bytes({0xFF})));
}
