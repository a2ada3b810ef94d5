// tessaro-lobby's command line, the game's launch values and the report lines, without processes.
#include "platform/WindowBus.h"
#include "tools/lobby/LaunchLine.h"
#include "tools/lobby/LobbyJson.h"
#include "tools/lobby/Options.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

namespace
{

using lobby::Parsed;

TEST(LobbyNumberTest, DecimalHexAndTheLimitsOf64Bits)
{
    std::uint64_t u = 0;
    EXPECT_TRUE(lobby::ParseUnsigned("0x46F", u));
    EXPECT_EQ(u, 0x46Fu);
    EXPECT_TRUE(lobby::ParseUnsigned("0XfF", u));
    EXPECT_EQ(u, 255u);
    EXPECT_TRUE(lobby::ParseUnsigned("18446744073709551615", u));
    EXPECT_EQ(u, std::numeric_limits<std::uint64_t>::max());
    for (const char* bad :
         {"", "0x", "18446744073709551616", "0x10000000000000000", "12a", " 1", "1 ", "+1", "-1", "0b1", "1e3"})
        EXPECT_FALSE(lobby::ParseUnsigned(bad, u)) << bad;

    std::int64_t s = 0;
    EXPECT_TRUE(lobby::ParseNumber("-9223372036854775808", s));
    EXPECT_EQ(s, std::numeric_limits<std::int64_t>::min());
    EXPECT_TRUE(lobby::ParseNumber("-0x10", s));
    EXPECT_EQ(s, -16);
    EXPECT_FALSE(lobby::ParseNumber("9223372036854775808", s));
    EXPECT_FALSE(lobby::ParseNumber("-", s));
    EXPECT_FALSE(lobby::ParseNumber("--1", s));
}

TEST(LobbyLaunchLineTest, DefaultsGiveThirtyFourNonEmptyValuesWithoutBlanks)
{
    std::vector<std::string> values;
    std::string error;
    ASSERT_TRUE(lobby::BuildLaunchValues(lobby::LaunchSettings(), 0xFFFFFFFFu, values, error)) << error;
    ASSERT_EQ(values.size(), 34u);
    for (size_t i = 0; i < values.size(); ++i)
    {
        EXPECT_FALSE(values[i].empty()) << i;
        EXPECT_EQ(values[i].find_first_of(" \t\r\n"), std::string::npos) << i;
        const int capacity = lobby::LaunchValue(static_cast<int>(i)).iCapacity;
        if (capacity > 0)
        {
            EXPECT_LT(values[i].size(), static_cast<size_t>(capacity)) << i;
        }
    }
    EXPECT_EQ(values[0], "127.0.0.1");
    EXPECT_EQ(values[1], std::to_string(lobby::kDefaultServerPort));
    // The whole 32-bit handle, in decimal.
    EXPECT_EQ(values[7], "4294967295");
    EXPECT_EQ(values[31], "0");
    EXPECT_EQ(values[5], "演示游戏");
}

TEST(LobbyLaunchLineTest, ServerReplayAndOverridesInThatOrder)
{
    lobby::RunOptions options;
    std::string error;
    ASSERT_EQ(lobby::ParseRunOptions({"--game", "g", "--server", "10.1.2.3:4567", "--replay", "r.rep", "--arg", "1=99",
                                      "--arg=5=\xE6\xA1\xA5\xE7\x89\x8C", "--arg", "7=0", "--arg", "2=0x10"},
                                     options, error),
              Parsed::Ok)
        << error;
    std::vector<std::string> values;
    ASSERT_TRUE(lobby::BuildLaunchValues(options.launch, 1234, values, error)) << error;
    EXPECT_EQ(values[0], "10.1.2.3");
    EXPECT_EQ(values[1], "99");   // --arg wins over --server
    EXPECT_EQ(values[31], "1");   // --replay
    EXPECT_EQ(values[7], "0");    // even the window handle can be replaced
    EXPECT_EQ(values[2], "0x10"); // numbers are passed as written; the game reads them
    // The terminal's UTF-8 (written as bytes here: this file's literals are GBK) becomes GBK.
    EXPECT_EQ(values[5], "桥牌");
    EXPECT_EQ(values[5], std::string("\xC7\xC5\xC5\xC6"));
}

TEST(LobbyLaunchLineTest, RefusesValuesTheGameCouldNotTakeApart)
{
    lobby::LaunchOverride o;
    std::string error;
    // Out of range, malformed, empty, blanks and control characters, no GBK form, too long.
    const std::vector<std::string> bad = {"34=1",
                                          "-1=1",
                                          "x=1",
                                          "5",
                                          "=1",
                                          "5=",
                                          "5=a b",
                                          "5=a\tb",
                                          "5=a\x7f",
                                          "5=\xff\xfe",
                                          "5=\xF0\x9F\x98\x80",
                                          "5=" + std::string(32, 'n'),
                                          "15=" + std::string(26, 'n'),
                                          "99999999999999999999=1"};
    for (const std::string& text : bad)
    {
        error.clear();
        EXPECT_FALSE(lobby::ParseOverride(text, o, error)) << text;
        EXPECT_FALSE(error.empty()) << text;
    }
    // The longest that fits, and values without a field size.
    EXPECT_TRUE(lobby::ParseOverride("5=" + std::string(31, 'n'), o, error)) << error;
    EXPECT_TRUE(lobby::ParseOverride("3=" + std::string(500, '9'), o, error)) << error;
}

TEST(LobbyLaunchLineTest, ACommandLineLongerThanTheGameReadsIsRefused)
{
    lobby::LaunchSettings settings;
    std::string error;
    // Seven 299-byte texts make a line over 2047 characters.
    for (const int index : {8, 16, 17, 19, 24, 25, 33})
    {
        lobby::LaunchOverride o;
        ASSERT_TRUE(
            lobby::ParseOverride(std::to_string(index) + "=" + std::string(index == 8 ? 199 : 299, 'u'), o, error))
            << error;
        settings.overrides.push_back(o);
    }
    std::vector<std::string> values;
    EXPECT_FALSE(lobby::BuildLaunchValues(settings, 1, values, error));
    EXPECT_NE(error.find("2047"), std::string::npos);
    EXPECT_TRUE(values.empty());
    settings.overrides.pop_back();
    EXPECT_TRUE(lobby::BuildLaunchValues(settings, 1, values, error)) << error;
}

TEST(LobbyServerTest, HostAndPort)
{
    std::string host;
    int port = 0;
    std::string error;
    EXPECT_TRUE(lobby::ParseServer("game.local:1", host, port, error));
    EXPECT_EQ(host, "game.local");
    EXPECT_EQ(port, 1);
    const std::vector<std::string> bad = {
        "127.0.0.1", "127.0.0.1:", ":80", "h:0", "h:65536", "h:80x", "a b:80", std::string(32, 'h') + ":80", "h:-1"};
    for (const std::string& text : bad)
        EXPECT_FALSE(lobby::ParseServer(text, host, port, error)) << text;
}

TEST(LobbyCommandTest, RunOptions)
{
    lobby::RunOptions options;
    std::string error;
    ASSERT_EQ(lobby::ParseRunOptions({"--game=/g/x", "--headless", "--autoplay", "--timeout", "0.5", "--grace=1",
                                      "--root", "/r", "--launch-block", "b.bin"},
                                     options, error),
              Parsed::Ok)
        << error;
    EXPECT_EQ(options.game, "/g/x");
    EXPECT_TRUE(options.headless);
    EXPECT_TRUE(options.autoPlay);
    EXPECT_DOUBLE_EQ(options.timeoutSeconds, 0.5);
    EXPECT_DOUBLE_EQ(options.graceSeconds, 1.0);
    EXPECT_EQ(options.root, "/r");
    EXPECT_EQ(options.launchBlock, "b.bin");
    EXPECT_FALSE(options.launch.replay);

    const std::vector<std::vector<std::string>> bad = {
        {"--game", ""},
        {"--game", "g", "--timeout", "0"},
        {"--game", "g", "--timeout", "nan"},
        {"--game", "g", "--headless=1"},
        {"--game", "g", "--autoplay=yes"},
        {"--game", "g", "--replay"},
    };
    for (const auto& args : bad)
    {
        lobby::RunOptions o;
        error.clear();
        EXPECT_EQ(lobby::ParseRunOptions(args, o, error), Parsed::Error) << ::testing::PrintToString(args);
        EXPECT_FALSE(error.empty());
    }
    lobby::RunOptions o;
    EXPECT_EQ(lobby::ParseRunOptions({"--game", "g", "--help"}, o, error), Parsed::Help);
}

TEST(LobbyCommandTest, SendAndCopyDataOptions)
{
    lobby::SendOptions send;
    std::string error;
    ASSERT_EQ(lobby::ParseSendOptions({"--to", "0x10", "--msg", "0x507", "--wparam", "5", "--lparam", "-1", "--post"},
                                      send, error),
              Parsed::Ok)
        << error;
    EXPECT_EQ(send.to, 16u);
    EXPECT_EQ(send.msg, 0x507u);
    EXPECT_EQ(send.wParam, 5u);
    EXPECT_EQ(send.lParam, -1);
    EXPECT_TRUE(send.post);

    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"--to", "1"},
             {"--to", "0", "--msg", "1"},
             {"--to", "0x100000000", "--msg", "1"},
             {"--to", "1", "--msg", "74"},
         })
    {
        lobby::SendOptions s;
        EXPECT_EQ(lobby::ParseSendOptions(args, s, error), Parsed::Error) << ::testing::PrintToString(args);
    }

    lobby::CopyDataOptions copy;
    ASSERT_EQ(lobby::ParseCopyDataOptions({"--tag", "1", "f.bin", "--to", "7"}, copy, error), Parsed::Ok) << error;
    EXPECT_EQ(copy.tag, 1u);
    EXPECT_EQ(copy.to, 7u);
    EXPECT_EQ(copy.file, "f.bin");
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"--to", "7"}, {"f.bin"}, {"--to", "7", "a", "b"}, {"--to", "7", "--tag", "-1", "f"}, {"--to", "7", "-x"}})
    {
        lobby::CopyDataOptions c;
        EXPECT_EQ(lobby::ParseCopyDataOptions(args, c, error), Parsed::Error) << ::testing::PrintToString(args);
    }
}

TEST(LobbyJsonTest, StringsAreEscapedAndAlwaysValidUtf8)
{
    EXPECT_EQ(lobby::JsonString("a\"b\\c\nd\x01"), "\"a\\\"b\\\\c\\nd\\u0001\"");
    // A byte that is not UTF-8 becomes U+FFFD.
    EXPECT_EQ(lobby::JsonString("x\xff"), "\"x\xEF\xBF\xBD\"");
    EXPECT_EQ(lobby::JsonGbkString("\xC7\xC5"), "\"\xE6\xA1\xA5\"");
}

TEST(LobbyJsonTest, MessageLinesTheRunTestsDoNotSee)
{
    EXPECT_NE(lobby::MessageLine(platform::WM_LOBBY_GAMEEXIT, 3, 0).find("\"reason\": \"unknown exit reason\""),
              std::string::npos);
    EXPECT_NE(lobby::MessageLine(platform::WM_LOBBY_REPLAY, 4, 0).find("\"control\": \"pause\""), std::string::npos);
    EXPECT_EQ(lobby::MessageLine(0x400 + 0x77, 0, -3),
              "{\"msg\": 1143, \"name\": \"WM_USER+0x77\", \"wparam\": 0, \"lparam\": -3}");
    // The pointer in lParam means nothing outside this process: tag and size instead.
    char data[5] = {1, 2, 3, 4, 5};
    platform::COPYDATASTRUCT cds{1, 5, data};
    EXPECT_EQ(lobby::MessageLine(platform::WM_COPYDATA, 9, reinterpret_cast<platform::LPARAM>(&cds)),
              "{\"msg\": 74, \"name\": \"WM_COPYDATA\", \"wparam\": 9, \"tag\": 1, \"bytes\": 5}");
}

} // namespace
