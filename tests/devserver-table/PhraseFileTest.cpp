// The quick-chat phrases file: the documented one reads, wrong lines are refused with their line,
// and the program refuses to start on one; a player who sits down gets the phrases.
#include "tests/devserver-table/RoomHarness.h"
#include "tests/devserver/WireClient.h"
#include "tests/support/DevServerProcess.h"
#include "tools/devserver/protocol/Messages.h"
#include "tools/devserver/room/QuickChat.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace
{

using namespace devserver;

// The repository's assets/sounds/quickchat.txt, found from this file's own path.
std::string AssetPhrases()
{
    std::string path = __FILE__;
    path.resize(path.rfind("tests/devserver-table/"));
    return path + "assets/sounds/quickchat.txt";
}

std::string Repeat(const char* piece, int n)
{
    std::string out;
    for (int i = 0; i < n; ++i)
        out += piece;
    return out;
}

TEST(PhrasesFile, WrongLinesNameTheirLineAndReadNothing)
{
    std::string many;
    for (int i = 0; i <= 52; ++i)
        many += "d | f | p" + std::to_string(i) + "\n";
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"# c\n\nsound | a.ogg\n", "q.txt:3: not 'folder | file | phrase'"},
        {" | a.ogg | hi", "q.txt:1: the folder is empty"},
        {"d |  | hi", "the file is empty"},
        {"d | f |   ", "the phrase is empty"},
        {std::string(32, 'd') + " | f | hi", "the folder takes 32 bytes in GBK, at most 31 fit"},
        {"d | " + Repeat(u8"声", 16) + " | hi", "the file takes 32 bytes in GBK, at most 31 fit"},
        {"d | f | " + Repeat(u8"好", 64), "the phrase takes 128 bytes in GBK, at most 127 fit"},
        {"d | f | \xF0\x9F\x98\x80", "the phrase has characters that GBK cannot carry"},
        {many, "q.txt:53: more than 52 phrases"},
    };
    for (const auto& [text, reason] : cases)
    {
        std::vector<QuickChatEntry> phrases = {{"kept", 0, "", ""}};
        PhrasesFileError error;
        EXPECT_FALSE(ParsePhrases(text, "q.txt", phrases, error)) << text;
        EXPECT_NE(error.Text().find(reason), std::string::npos) << text << " gave " << error.Text();
        EXPECT_EQ(phrases.size(), 1u);
    }
    // At the limits, and a phrase may hold the separator.
    std::vector<QuickChatEntry> phrases;
    PhrasesFileError error;
    ASSERT_TRUE(
        ParsePhrases(std::string(31, 'd') + "|f|" + Repeat(u8"好", 63) + "\n d | f | a|b \n", "q.txt", phrases, error))
        << error.Text();
    ASSERT_EQ(phrases.size(), 2u);
    EXPECT_EQ(phrases[0].text.size(), 126u);
    EXPECT_EQ(phrases[1].text, "a|b");
}

TEST(PhrasesFile, TheProgramRefusesABadFileAndSendsTheGoodOneAfterSitting)
{
    char name[] = "/tmp/tessaro-phrases-XXXXXX";
    const int fd = mkstemp(name);
    ASSERT_GE(fd, 0);
    const std::string bad = "d | f | ok\nd | f\n";
    ASSERT_EQ(write(fd, bad.data(), bad.size()), static_cast<ssize_t>(bad.size()));
    close(fd);
    testsupport::DevServerProcess refused({"--tables", "1", "--phrases", name}, "", 2000);
    EXPECT_FALSE(refused.Started());
    EXPECT_EQ(refused.WaitForExit(5000), 2);
    EXPECT_NE(refused.Stderr().find(std::string(name) + ":2: not 'folder | file | phrase'"), std::string::npos)
        << refused.Stderr();
    std::remove(name);

    testsupport::DevServerProcess server(
        {"--tables", "1", "--auto-sit", "--auth-wait", "0", "--quiet", "--phrases", AssetPhrases()});
    ASSERT_TRUE(server.Started()) << server.Stderr();
    devtest::WireClient client(server.Port());
    std::optional<std::string> msg;
    while ((msg = client.ReadMessage(roomtest::kWaitMs)) && MsgType(*msg) != kQuickChatType)
    {
    }
    ASSERT_TRUE(msg);
    ASSERT_EQ(msg->size(), 16u + 8 * 196) << "the eight phrases of the asset";
    EXPECT_EQ(roomtest::Byte(*msg, 8), 8);
    EXPECT_EQ(msg->substr(16, std::string("大家好，很高兴见到各位！").size() + 1),
              std::string("大家好，很高兴见到各位！").append(1, '\0'));
    EXPECT_EQ(msg->substr(16 + 132, 11), std::string("sound\\chat\0", 11));
    EXPECT_EQ(msg->substr(16 + 164, 10), std::string("hello.ogg\0", 10));
    EXPECT_EQ(server.Stop(), 0) << server.Stderr();
}

} // namespace
