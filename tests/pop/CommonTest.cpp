#include "pop/Common.h"

#include <gtest/gtest.h>

using namespace Sexy;

TEST(StrFormat, FormatsShortAndLongTexts)
{
    EXPECT_EQ(StrFormat("%d %s", 42, "桌"), "42 桌");
    std::string longArg(1000, 'x');
    std::string out = StrFormat("[%s]%d", longArg.c_str(), 7);
    EXPECT_EQ(out, "[" + longArg + "]7");
    EXPECT_EQ(StrFormat("%s", ""), "");
}

TEST(StrFormat, FormatsWideTexts)
{
    EXPECT_EQ(StrFormat(L"%d-%ls", 3, L"游戏"), L"3-游戏");
    std::wstring longArg(5000, L'y');
    EXPECT_EQ(StrFormat(L"%ls!", longArg.c_str()), longArg + L"!");
}

TEST(StringConversions, WideAndSystemTextRoundTrip)
{
    EXPECT_EQ(SexyStringToString(L"大厅 OK"), "大厅 OK");
    EXPECT_EQ(WStringToString(L"\U0001F600"), "?");
    EXPECT_EQ(StringToSexyString("大厅 OK"), L"大厅 OK");
    EXPECT_EQ(StringToWString(WStringToString(L"连接")), L"连接");
}
