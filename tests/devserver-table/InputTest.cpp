// What the table mode reads from its user: the players file and the table options.
#include "tools/devserver/Options.h"
#include "tools/devserver/room/PlayerDirectory.h"

#include <gtest/gtest.h>

namespace
{

using namespace devserver;

TEST(PlayersFile, WrongLinesNameTheirLineAndAddNothing)
{
    struct Case
    {
        const char* text;
        const char* error;
    };
    const std::vector<Case> cases = {
        {"user=10001 nick=A\n\nuser=10001\n", "p.txt:3: user 10001 is already on line 1"},
        {"nick=A", "p.txt:1: no user=ID"},
        {"user=0", "p.txt:1: user must be a number from 1 to 999999999, not '0'"},
        {"user=1000000000", "p.txt:1: user must be"},
        {"user=5 money=abc", "p.txt:1: money must be a number from -2147483648 to 2147483647, not 'abc'"},
        {"user=5 money=2147483648", "money must be"},
        {"user=5 sex=128", "sex must be a number from 0 to 127"},
        {"user=5 usertype=0x100000000", "usertype must be"},
        {"user=5 colour=red", "unknown key 'colour'"},
        {"user=5 money", "'money' is not key=value"},
        {"user=5 =3", "'=3' is not key=value"},
        {"user=5 money=1 money=2", "'money' given twice"},
        {"# players\r\nuser=5 nick="
         u8"一二三四五六七八九",
         "p.txt:2: NICK takes 18 bytes in GBK, at most 16 fit"},
        {"user=5 nick=\xF0\x9F\x98\x80", "GBK cannot carry"},
    };
    for (const Case& c : cases)
    {
        PlayerDirectory directory;
        PlayersFileError error;
        EXPECT_FALSE(directory.Parse(c.text, "p.txt", error)) << c.text;
        EXPECT_NE(error.Text().find(c.error), std::string::npos) << c.text << " gave " << error.Text();
        EXPECT_EQ(directory.Size(), 0u) << c.text;
    }
    PlayerDirectory directory;
    PlayersFileError error;
    EXPECT_FALSE(directory.Load("/nonexistent/players.txt", error));
    EXPECT_EQ(error.Text().rfind("/nonexistent/players.txt: cannot read the file", 0), 0u) << error.Text();
}

TEST(PlayersFile, ALineSetsItsFieldsAndTheRestIsGenerated)
{
    PlayerDirectory directory(7);
    PlayersFileError error;
    ASSERT_TRUE(directory.Parse("  # the demo's player\n"
                                "user=10001\tnick="
                                u8"演示玩家"
                                " money=-5 usertype=0x4 member=3 \r\n",
                                "p.txt", error))
        << error.Text();
    const PlayerRecord r = directory.RecordFor(10001);
    EXPECT_EQ(r.nick, "\xD1\xDD\xCA\xBE\xCD\xE6\xBC\xD2");
    EXPECT_EQ(r.money, -5);
    EXPECT_EQ(r.userType, 4u);
    EXPECT_EQ(r.memberLevel, 3);
    const PlayerRecord generated = PlayerDirectory(7).RecordFor(10001);
    EXPECT_EQ(r.wins, generated.wins);
    EXPECT_EQ(r.amount, generated.amount);
    // Generated records follow the seed, not the order of asking.
    EXPECT_EQ(PlayerDirectory(7).RecordFor(10002).money, directory.RecordFor(10002).money);
    EXPECT_NE(PlayerDirectory(8).RecordFor(10002).money, directory.RecordFor(10002).money);
}

TEST(TableOptions, DefaultsAndErrors)
{
    Options o;
    std::string error;
    ASSERT_EQ(ParseOptions({"--tables=2", "--chairs", "3", "--auto-sit"}, o, error), Parsed::Ok) << error;
    EXPECT_EQ(o.table.tables, 2);
    EXPECT_EQ(o.table.minPlayers, 3) << "the chair count";
    EXPECT_EQ(o.table.userId, 10001);
    EXPECT_TRUE(o.table.autoSit);
    Options off;
    ASSERT_EQ(ParseOptions({"--tables", "0"}, off, error), Parsed::Ok) << error;
    EXPECT_EQ(off.table.tables, 0);

    struct Case
    {
        std::vector<std::string> args;
        const char* error;
    };
    const std::vector<Case> cases = {
        {{"--chairs", "5"}, "--chairs belongs to the table mode"},
        {{"--players", "p.txt"}, "--players belongs to the table mode"},
        {{"--tables", "0", "--auto-sit"}, "--auto-sit belongs to the table mode"},
        {{"--tables", "128"}, "--tables takes a number from 0 to 127, not '128'"},
        {{"--tables", "1", "--chairs", "11"}, "--chairs takes a number from 1 to 10"},
        {{"--tables", "1", "--chairs", "0"}, "--chairs takes a number from 1 to 10"},
        {{"--tables", "1", "--chairs", "3", "--min-players", "4"}, "--min-players 4 is more than the 3 chairs"},
        {{"--tables", "1", "--chairs", "3", "--bots", "3"}, "--bots 3 leaves no chair of 3"},
        {{"--tables", "1", "--auto-sit=yes"}, "--auto-sit takes no value"},
        {{"--tables", "1", "--seed", "-1"}, "--seed takes a number"},
        {{"--tables", "1", "--user", "1000000000"}, "--user takes a number from 1 to 999999999"},
        {{"--tables", "1", "--round-pause"}, "--round-pause needs a value"},
    };
    for (const Case& c : cases)
    {
        Options bad;
        EXPECT_EQ(ParseOptions(c.args, bad, error), Parsed::Error) << c.args[0];
        EXPECT_NE(error.find(c.error), std::string::npos) << error;
    }
}

} // namespace
