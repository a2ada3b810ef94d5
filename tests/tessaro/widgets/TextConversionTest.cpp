#include "tessaro/widgets/TextConversion.h"

#include <gtest/gtest.h>

TEST(TextConversion, ConvertsSystemTextToWide)
{
    EXPECT_EQ(Ostra::string2wstring(std::string("无法连接游戏服务器。")), L"无法连接游戏服务器。");
    char buf[] = "桌号";
    EXPECT_EQ(Ostra::string2wstring(buf), L"桌号");
    EXPECT_EQ(Ostra::string2wstring(static_cast<char*>(nullptr)), L"");
    // The std::string form keeps everything, the pointer form stops at the terminator.
    EXPECT_EQ(Ostra::string2wstring(std::string("a\0b", 3)).size(), 3u);
    EXPECT_EQ(Ostra::string2wstring("a\0b"), L"a");
}

TEST(TextConversion, FormatsThenConverts)
{
    EXPECT_EQ(Ostra::StrFormat2wstring("%s%d号", "第", 3), L"第3号");
    EXPECT_EQ(Ostra::StrFormat2wstring("%s", "\xFF"), L"\uFFFD");
}
