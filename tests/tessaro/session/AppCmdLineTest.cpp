// The lobby's command line: the token table, the blanks between tokens, the values the game fixes
// itself, the refusal of a short line, and damaged lines (too long, text too long for its field,
// numbers out of range).
#include "tests/tessaro/session/AppTestSupport.h"

#include "pop/TestHarness.h"
#include "tessaro/app/LaunchData.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace
{

using Ostra::AppInfo;
using Ostra::g_AppInfo;

std::string Join(const std::vector<std::string>& tokens, const std::string& blank = " ")
{
    std::string line;
    for (const std::string& t : tokens)
        line += (line.empty() ? "" : blank) + t;
    return line;
}

// The 34 launch values, each telling its number.
std::vector<std::string> AllTokens()
{
    return {"10.0.0.7", "17100", "4711", "31",    "12",    "麻将", "arg6",  "522143735", "arg8",
            "9",        "tok10", "11",   "12",    "arg13", "14",   "arg15", "http://16", "http://17",
            "18",       "arg19", "20",   "21",    "-22",   "23",   "arg24", "arg25",     "6",
            "2",        "4",     "29",   "arg30", "1",     "32",   "arg33"};
}

std::string Text(const char* field, size_t cap)
{
    return Ostra::FieldText(field, cap);
}
#define FIELD(f) Text(info.f, sizeof(info.f))

// Every field that tokens 8 to 33 fill is still zero.
void ExpectLaterTokensUntouched(const AppInfo& info)
{
    EXPECT_EQ(FIELD(szLaunchArg8), "");
    EXPECT_EQ(info.cLaunchArg9, 0);
    EXPECT_EQ(FIELD(szToken), "");
    EXPECT_EQ(FIELD(szLaunchArg13), "");
    EXPECT_EQ(info.iLaunchArg14, 0);
    EXPECT_EQ(FIELD(szLaunchArg15), "");
    EXPECT_EQ(FIELD(szLaunchUrl16), "");
    EXPECT_EQ(FIELD(szLaunchUrl17), "");
    EXPECT_EQ(info.cEscapeMode, 0);
    EXPECT_EQ(FIELD(szLaunchArg19), "");
    EXPECT_EQ(info.iLaunchArg20, 0);
    EXPECT_EQ(info.llLaunchArg22, 0);
    EXPECT_EQ(info.iPlayMinutes, 0);
    EXPECT_EQ(FIELD(szLaunchArg24), "");
    EXPECT_EQ(FIELD(szLaunchArg25), "");
    EXPECT_EQ(info.cMemberLevel, 0);
    EXPECT_EQ(info.iRoomType, 0);
    EXPECT_EQ(info.iLaunchArg29, 0);
    EXPECT_EQ(FIELD(szLaunchArg30), "");
    EXPECT_FALSE(info.bReplay);
    EXPECT_EQ(info.iMaxTimes, 0);
    EXPECT_EQ(FIELD(szLaunchArg33), "");
}

class AppCmdLineTest : public apptest::AppTest
{
};

// ---- Through the application ----------------------------------------------------------------------

TEST_F(AppCmdLineTest, ExactlyEightTokensStartTheGameAndLeaveTheRestZero)
{
    apptest::StartupApp app(GameDir());
    Sexy::TestHarness harness(app);
    app.ParseCmdLine("127.0.0.1 17100 4711 3 0 游戏 six 99");

    EXPECT_TRUE(harness.MessageBoxes().empty());
    EXPECT_EQ(app.shutdowns, 0);
    const AppInfo& info = g_AppInfo;
    EXPECT_EQ(FIELD(szServerAddr), "127.0.0.1");
    EXPECT_EQ(info.iServerPort, 17100);
    EXPECT_EQ(info.iUserId, 4711);
    EXPECT_EQ(info.iLaunchArg3, 3);
    EXPECT_EQ(info.iRightMask, 0);
    EXPECT_EQ(FIELD(szGameName), "游戏");
    EXPECT_EQ(FIELD(szLaunchArg6), "six");
    EXPECT_EQ(info.hLobbyWnd, 99u);
    ExpectLaterTokensUntouched(info);
    EXPECT_EQ(info.iMaxPlayerNum, 7);
}

TEST_F(AppCmdLineTest, FewerThanEightTokensShowTheBoxAndEndTheGame)
{
    for (const std::string& line : {std::string("127.0.0.1 17100 4711 3 0 游戏 six"), std::string(""),
                                    std::string("       "), std::string("a  b  c  d  e  f  g   ")})
    {
        g_AppInfo = AppInfo{};
        apptest::StartupApp app(GameDir());
        Sexy::TestHarness harness(app);
        app.ParseCmdLine(line);

        const auto boxes = harness.MessageBoxes();
        ASSERT_EQ(boxes.size(), 1u) << line;
        EXPECT_EQ(boxes[0].text, "启动参数错误。");
        EXPECT_EQ(boxes[0].title, "Message");
        EXPECT_EQ(boxes[0].flags, 0);
        EXPECT_EQ(app.shutdowns, 1);
        EXPECT_TRUE(app.IsShuttingDown());
        // What was there is still stored, and the seat count is fixed all the same.
        EXPECT_EQ(g_AppInfo.iMaxPlayerNum, 7);
    }
}

TEST_F(AppCmdLineTest, TheFrameworksArgumentsReachTheTokenTable)
{
    apptest::StartupApp app(GameDir());
    Sexy::TestHarness harness(app);
    std::vector<std::string> tokens = AllTokens();
    std::vector<char*> argv{const_cast<char*>("game")};
    for (std::string& t : tokens)
        argv.push_back(&t[0]);
    app.SetCommandLine(static_cast<int>(argv.size()), argv.data());

    EXPECT_TRUE(harness.MessageBoxes().empty());
    EXPECT_EQ(g_AppInfo.iUserId, 4711);
    EXPECT_EQ(Text(g_AppInfo.szLaunchArg33, sizeof(g_AppInfo.szLaunchArg33)), "arg33");
}

// ---- The token table --------------------------------------------------------------------------------

TEST(LaunchArgs, EveryTokenLandsInItsField)
{
    AppInfo info{};
    std::vector<std::string> tokens = AllTokens();
    tokens.push_back("34");
    tokens.push_back("35");
    EXPECT_EQ(Ostra::ParseLaunchArgs(Join(tokens), info), 36);

    EXPECT_EQ(FIELD(szServerAddr), "10.0.0.7");
    EXPECT_EQ(info.iServerPort, 17100);
    EXPECT_EQ(info.iUserId, 4711);
    EXPECT_EQ(info.iLaunchArg3, 31);
    EXPECT_EQ(info.iRightMask, 12);
    EXPECT_EQ(FIELD(szGameName), "麻将");
    EXPECT_EQ(FIELD(szLaunchArg6), "arg6");
    EXPECT_EQ(info.hLobbyWnd, 522143735u);
    EXPECT_EQ(FIELD(szLaunchArg8), "arg8");
    EXPECT_EQ(info.cLaunchArg9, 9);
    EXPECT_EQ(FIELD(szToken), "tok10");
    EXPECT_EQ(FIELD(szLaunchArg13), "arg13");
    EXPECT_EQ(info.iLaunchArg14, 14);
    EXPECT_EQ(FIELD(szLaunchArg15), "arg15");
    EXPECT_EQ(FIELD(szLaunchUrl16), "http://16");
    EXPECT_EQ(FIELD(szLaunchUrl17), "http://17");
    EXPECT_EQ(info.cEscapeMode, 18);
    EXPECT_EQ(FIELD(szLaunchArg19), "arg19");
    EXPECT_EQ(info.iLaunchArg20, 20);
    EXPECT_EQ(info.llLaunchArg22, -22);
    EXPECT_EQ(info.iPlayMinutes, 23);
    EXPECT_EQ(FIELD(szLaunchArg24), "arg24");
    EXPECT_EQ(FIELD(szLaunchArg25), "arg25");
    EXPECT_EQ(info.cMemberLevel, 6);
    EXPECT_EQ(info.iRoomType, 2);
    EXPECT_EQ(info.iMaxPlayerNum, 7);
    EXPECT_EQ(info.iLaunchArg29, 29);
    EXPECT_EQ(FIELD(szLaunchArg30), "arg30");
    EXPECT_TRUE(info.bReplay);
    EXPECT_EQ(info.iMaxTimes, 32);
    EXPECT_EQ(FIELD(szLaunchArg33), "arg33");
    EXPECT_TRUE(info.bGmRightA);
    EXPECT_TRUE(info.bGmRightB);
}

TEST(LaunchArgs, IgnoredTokensChangeNothing)
{
    // Tokens 11, 12, 21 and 34 on carry values the game has no field for: whatever they say, the
    // record comes out as with zeros there.
    std::vector<std::string> tokens = AllTokens();
    AppInfo plain{};
    Ostra::ParseLaunchArgs(Join(tokens), plain);
    tokens[11] = "99999";
    tokens[12] = "http://x";
    tokens[21] = "-1";
    tokens.push_back("77");
    AppInfo loud{};
    Ostra::ParseLaunchArgs(Join(tokens), loud);
    EXPECT_EQ(std::memcmp(&plain, &loud, sizeof(AppInfo)), 0);
}

TEST(LaunchArgs, RunsOfBlanksAreOneSeparator)
{
    AppInfo info{};
    const std::string line = "   10.0.0.7  17100   4711 3  8 麻将 arg6  522143735    arg8 ";
    EXPECT_EQ(Ostra::ParseLaunchArgs(line, info), 9);
    EXPECT_EQ(FIELD(szServerAddr), "10.0.0.7");
    EXPECT_EQ(info.iServerPort, 17100);
    EXPECT_EQ(info.iUserId, 4711);
    EXPECT_EQ(FIELD(szGameName), "麻将");
    EXPECT_EQ(info.hLobbyWnd, 522143735u);
    EXPECT_EQ(FIELD(szLaunchArg8), "arg8");
    // A tab is no separator: it stays inside its token.
    AppInfo tabbed{};
    EXPECT_EQ(Ostra::ParseLaunchArgs("a\tb c", tabbed), 2);
    EXPECT_EQ(Text(tabbed.szServerAddr, sizeof(tabbed.szServerAddr)), "a\tb");
}

TEST(LaunchArgs, TheTableAlwaysSeatsSeven)
{
    for (const char* seats : {"4", "0", "10", "-3"})
    {
        std::vector<std::string> tokens = AllTokens();
        tokens[28] = seats;
        AppInfo info{};
        Ostra::ParseLaunchArgs(Join(tokens), info);
        EXPECT_EQ(info.iMaxPlayerNum, 7) << seats;
    }
    AppInfo shortLine{};
    Ostra::ParseLaunchArgs("a 1 2 3 4 b c 5", shortLine);
    EXPECT_EQ(shortLine.iMaxPlayerNum, 7);
}

TEST(LaunchArgs, GameMasterRightsFollowBitsFourAndEight)
{
    struct Case
    {
        const char* mask;
        bool a;
        bool b;
    };
    for (const Case& c : {Case{"12", true, true}, Case{"4", true, false}, Case{"8", false, true},
                          Case{"3", false, false}, Case{"-1", true, true}, Case{"0", false, false}})
    {
        AppInfo info{};
        // Flags left over from before are cleared first.
        info.bGmRightA = true;
        info.bGmRightB = true;
        Ostra::ParseLaunchArgs(std::string("a 1 2 3 ") + c.mask + " b c 5", info);
        EXPECT_EQ(info.bGmRightA, c.a) << c.mask;
        EXPECT_EQ(info.bGmRightB, c.b) << c.mask;
    }
}

TEST(LaunchArgs, NumbersReadLikeTheLobbyWritesThem)
{
    std::vector<std::string> tokens = AllTokens();
    tokens[1] = "17100abc";      // digits, then text: the digits count
    tokens[2] = "abc";           // no digits: 0
    tokens[3] = "99999999999";   // beyond the int range: clamped
    tokens[9] = "300";           // low byte of 300 is 44
    tokens[18] = "200";          // low byte 0xC8 as a signed byte
    tokens[22] = "-2147483648";  // sign-extended 32-bit number
    tokens[23] = "-99999999999"; // clamped at the other end
    tokens[26] = "-1";           // low byte 0xFF
    tokens[31] = "0";            // no replay
    AppInfo info{};
    Ostra::ParseLaunchArgs(Join(tokens), info);
    EXPECT_EQ(info.iServerPort, 17100);
    EXPECT_EQ(info.iUserId, 0);
    EXPECT_EQ(info.iLaunchArg3, 2147483647);
    EXPECT_EQ(info.cLaunchArg9, 44);
    EXPECT_EQ(info.cEscapeMode, -56);
    EXPECT_EQ(info.llLaunchArg22, -2147483648LL);
    EXPECT_EQ(info.iPlayMinutes, -2147483647 - 1);
    EXPECT_EQ(info.cMemberLevel, -1);
    EXPECT_FALSE(info.bReplay);
}

TEST(LaunchArgs, TheLobbyWindowKeepsTheLowThirtyTwoBits)
{
    struct Case
    {
        const char* token;
        std::uint32_t handle;
    };
    for (const Case& c :
         {Case{"4294967297", 1u}, Case{"8589934594", 2u}, Case{"4294967295", 0xFFFFFFFFu}, Case{"-1", 0xFFFFFFFFu},
          Case{"522143735", 522143735u}, Case{"99999999999999999999999", 0xFFFFFFFFu}, Case{"x", 0u}})
    {
        AppInfo info{};
        Ostra::ParseLaunchArgs(std::string("a 1 2 3 4 b c ") + c.token, info);
        EXPECT_EQ(info.hLobbyWnd, c.handle) << c.token;
    }
}

// ---- Damaged lines ------------------------------------------------------------------------------------

TEST(LaunchArgs, TextTooLongForItsFieldIsCutToIt)
{
    std::vector<std::string> tokens = AllTokens();
    tokens[0] = std::string(40, 'a');
    tokens[8] = std::string(250, 'b');
    tokens[15] = std::string(26, 'c');
    tokens[16] = std::string(400, 'd');
    AppInfo info{};
    Ostra::ParseLaunchArgs(Join(tokens), info);
    EXPECT_EQ(FIELD(szServerAddr), std::string(31, 'a'));
    EXPECT_EQ(FIELD(szLaunchArg8), std::string(199, 'b'));
    EXPECT_EQ(FIELD(szLaunchArg15), std::string(25, 'c'));
    EXPECT_EQ(FIELD(szLaunchUrl16), std::string(299, 'd'));
    // The fields after them are their own tokens' values, not the overflow.
    EXPECT_EQ(info.iServerPort, 17100);
    EXPECT_EQ(info.cLaunchArg9, 9);
    EXPECT_EQ(FIELD(szLaunchUrl17), "http://17");
}

TEST(LaunchArgs, TextIsNeverCutInsideACharacter)
{
    // 16 two-byte characters are 32 bytes: 15 of them fit a 32-byte field with its terminator.
    std::string name;
    for (int i = 0; i < 16; ++i)
        name += "游";
    AppInfo info{};
    Ostra::ParseLaunchArgs("a 1 2 3 4 " + name + " c 5", info);
    EXPECT_EQ(FIELD(szGameName), name.substr(0, 30));
    // One byte first: 31 bytes hold it and 15 characters exactly.
    AppInfo shifted{};
    Ostra::ParseLaunchArgs("a 1 2 3 4 x" + name + " c 5", shifted);
    EXPECT_EQ(Text(shifted.szGameName, sizeof(shifted.szGameName)), "x" + name.substr(0, 30));
}

TEST(LaunchArgs, OnlyTheFirst2047CharactersAreRead)
{
    const std::string head = "h 1 2 3 4 n 6 7 "; // 16 characters, tokens 0 to 7
    // Token 9 ends exactly at character 2047: read whole.
    {
        const std::string line = head + std::string(2047 - head.size() - 3, 'x') + " 57";
        ASSERT_EQ(line.size(), 2047u);
        AppInfo info{};
        EXPECT_EQ(Ostra::ParseLaunchArgs(line, info), 10);
        EXPECT_EQ(info.cLaunchArg9, 57);
    }
    // One character more: the last digit is cut off.
    {
        const std::string line = head + std::string(2047 - head.size() - 2, 'x') + " 57";
        AppInfo info{};
        EXPECT_EQ(Ostra::ParseLaunchArgs(line, info), 10);
        EXPECT_EQ(info.cLaunchArg9, 5);
    }
    // A token that starts past the limit does not exist.
    {
        const std::string line = head + std::string(2047 - head.size(), 'x') + " 57 tok10";
        AppInfo info{};
        EXPECT_EQ(Ostra::ParseLaunchArgs(line, info), 9);
        EXPECT_EQ(info.cLaunchArg9, 0);
        EXPECT_EQ(FIELD(szToken), "");
        EXPECT_EQ(FIELD(szLaunchArg8), std::string(199, 'x'));
    }
}

TEST(LaunchArgs, AZeroByteEndsTheLine)
{
    AppInfo info{};
    const std::string line("a 1 2 3 4 b c 5\0 tok9 tok10", 27);
    EXPECT_EQ(Ostra::ParseLaunchArgs(line, info), 8);
    EXPECT_EQ(FIELD(szToken), "");
}

TEST(LaunchArgs, MissingTokensKeepWhatTheFieldsHeld)
{
    AppInfo info{};
    info.iRoomType = 3;
    std::snprintf(info.szLaunchArg33, sizeof(info.szLaunchArg33), "before");
    Ostra::ParseLaunchArgs("a 1 2 3 4 b c 5", info);
    EXPECT_EQ(info.iRoomType, 3);
    EXPECT_EQ(FIELD(szLaunchArg33), "before");
}

} // namespace
