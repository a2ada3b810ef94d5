#include "tools/devserver/Options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{

using namespace devserver;

Parsed Parse(const std::vector<std::string>& args, Options& out, std::string& error)
{
    return ParseOptions(args, out, error);
}

TEST(Options, DefaultsServeTheLobbysDefaultServer)
{
    Options o;
    std::string error;
    ASSERT_EQ(Parse({}, o, error), Parsed::Ok);
    EXPECT_EQ(o.host, "127.0.0.1");
    EXPECT_EQ(o.port, 17100);
    EXPECT_EQ(o.maxClients, 64);
    EXPECT_EQ(o.latencyMs, 0);
    EXPECT_TRUE(o.echo.none());
    EXPECT_TRUE(o.script.empty());
    EXPECT_TRUE(o.jsonLog.empty());
    EXPECT_FALSE(o.quiet);
}

TEST(Options, EveryOptionInBothSpellings)
{
    Options a;
    Options b;
    std::string error;
    ASSERT_EQ(Parse({"--listen", "0.0.0.0:0", "--script", "s.txt", "--echo", "5", "--latency", "250", "--json-log",
                     "log.json", "--max-clients", "3", "--quiet", "--stack-log", "stack"},
                    a, error),
              Parsed::Ok)
        << error;
    ASSERT_EQ(Parse({"--listen=0.0.0.0:0", "--script=s.txt", "--echo=5", "--latency=250", "--json-log=log.json",
                     "--max-clients=3", "--quiet", "--stack-log=stack"},
                    b, error),
              Parsed::Ok)
        << error;
    for (const Options* o : {&a, &b})
    {
        EXPECT_EQ(o->host, "0.0.0.0");
        EXPECT_EQ(o->port, 0);
        EXPECT_EQ(o->script, "s.txt");
        EXPECT_TRUE(o->echo.test(5));
        EXPECT_EQ(o->echo.count(), 1u);
        EXPECT_EQ(o->latencyMs, 250);
        EXPECT_EQ(o->jsonLog, "log.json");
        EXPECT_EQ(o->maxClients, 3);
        EXPECT_TRUE(o->quiet);
        EXPECT_EQ(o->stackLog, "stack");
    }
}

TEST(Options, EchoListsTypesAndRanges)
{
    std::bitset<256> types;
    std::string error;
    ASSERT_TRUE(ParseTypeList("200,201,210-212,0,255", types, error)) << error;
    std::bitset<256> expected;
    for (int t : {0, 200, 201, 210, 211, 212, 255})
        expected.set(static_cast<size_t>(t));
    EXPECT_EQ(types, expected);

    // Repeated --echo options add up.
    Options o;
    ASSERT_EQ(ParseOptions({"--echo", "1-3", "--echo", "7"}, o, error), Parsed::Ok);
    EXPECT_EQ(o.echo.count(), 4u);

    for (const char* bad : {"256", "5-3", "1,,2", ",1", "1,", "a", "-5", "1-", "1-2-3", " 1", "0x10"})
    {
        std::bitset<256> untouched;
        EXPECT_FALSE(ParseTypeList(bad, untouched, error)) << bad;
        EXPECT_TRUE(untouched.none()) << bad;
    }
}

TEST(Options, ListenAddress)
{
    std::string host;
    int port = -1;
    std::string error;
    ASSERT_TRUE(ParseListen("localhost:0", host, port, error));
    EXPECT_EQ(host, "127.0.0.1");
    EXPECT_EQ(port, 0);
    ASSERT_TRUE(ParseListen("10.1.2.3:65535", host, port, error));
    EXPECT_EQ(host, "10.1.2.3");
    EXPECT_EQ(port, 65535);
    for (const char* bad : {"127.0.0.1", "127.0.0.1:65536", "127.0.0.1:", ":80", "1.2.3:80", "example.org:80",
                            "127.0.0.1:-1", "[::1]:80"})
        EXPECT_FALSE(ParseListen(bad, host, port, error)) << bad;
}

TEST(Options, BadCommandLinesAreRefused)
{
    const std::vector<std::vector<std::string>> bad = {
        {"--latency", "-5"},
        {"--latency", "600001"},
        {"--latency", "1.5"},
        {"--max-clients", "0"},
        {"--max-clients", "257"},
        {"--echo", "300"},
        {"--listen", "nowhere"},
        {"--bogus"},
        {"stray"},
        {"--script"},
        {"--script="},
        {"--quiet=yes"},
        {"--listen", "127.0.0.1:1", "--json-log"},
    };
    for (const std::vector<std::string>& args : bad)
    {
        Options o;
        std::string error;
        EXPECT_EQ(ParseOptions(args, o, error), Parsed::Error) << args[0];
        EXPECT_FALSE(error.empty());
    }
}

TEST(Options, HelpWinsAndUsageListsTemplates)
{
    Options o;
    std::string error;
    EXPECT_EQ(ParseOptions({"--latency", "5", "--help", "--bogus"}, o, error), Parsed::Help);
    const std::string usage = Usage();
    for (const char* word : {"--listen", "--echo", "--latency", "--json-log", "--max-clients", "probe", "netdelay",
                             "keepalive", "seq TYPE COUNT [BODYLEN]"})
        EXPECT_NE(usage.find(word), std::string::npos) << word;
}

} // namespace
