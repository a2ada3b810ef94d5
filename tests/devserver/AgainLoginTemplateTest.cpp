// The `againlogin` template: the login-again response (type 36) that seats a player at a table
// again, checked byte by byte against the layout the game's handler reads.
#include "tessaro/session/GameMsg.h"
#include "tools/devserver/Templates.h"
#include "tools/devserver/Wire.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{

using namespace devserver;

// "演示玩家" as a scenario file holds it (UTF-8) and as the wire carries it (GBK). Spelt as bytes:
// the test's own narrow literals are compiled to GBK.
const std::string kNickUtf8 = "\xE6\xBC\x94\xE7\xA4\xBA\xE7\x8E\xA9\xE5\xAE\xB6";
const std::string kNickGbk = "\xD1\xDD\xCA\xBE\xCD\xE6\xBC\xD2";

constexpr size_t kFixedLen = 300;
constexpr size_t kEntryLen = 84;
constexpr size_t kWholeLen = kFixedLen + 10 * kEntryLen;

bool Prepare(const std::vector<std::string>& args, std::string& msg, std::string& error)
{
    const TemplateEntry* tmpl = FindTemplate("againlogin");
    if (!tmpl)
    {
        error = "no againlogin template";
        return false;
    }
    MessageSource source;
    if (!tmpl->prepare(args, source, error))
        return false;
    std::vector<std::string> out;
    const bool all = source(
        [&](std::string m)
        {
            out.push_back(std::move(m));
            return true;
        });
    if (!all || out.size() != 1)
    {
        error = "expected exactly one message";
        return false;
    }
    msg = out.front();
    return true;
}

std::string Build(const std::vector<std::string>& args)
{
    std::string msg;
    std::string error;
    EXPECT_TRUE(Prepare(args, msg, error)) << error;
    return msg;
}

std::string Refusal(const std::vector<std::string>& args)
{
    std::string msg;
    std::string error;
    EXPECT_FALSE(Prepare(args, msg, error)) << "accepted";
    return error;
}

// Takes the bytes at offset out of the copy (replacing them with zeros) and returns them, so that
// what remains after every known field has been taken must be all zero.
std::string Take(std::string& msg, size_t offset, size_t n)
{
    std::string bytes = msg.substr(offset, n);
    msg.replace(offset, n, std::string(n, '\0'));
    return bytes;
}

TEST(AgainLoginTemplate, FieldsAndTheOwnSnapshotEntryAtTheirOffsets)
{
    const std::string msg = Build({"3", "2", kNickUtf8});
    ASSERT_EQ(msg.size(), kWholeLen);
    std::string rest = msg;

    // Header: version 3, type 36, body length 1132.
    EXPECT_EQ(ToHex(Take(rest, 0, 8)), "032400000000046c");
    // The own nick name in GBK, zero-padded to 16 bytes.
    EXPECT_EQ(Take(rest, 9, 16), kNickGbk + std::string(8, '\0'));
    EXPECT_EQ(ToHex(Take(rest, 220, 2)), "0302");
    // The snapshot starts right after the fields and holds one entry.
    EXPECT_EQ(ReadU32(msg, 240), kFixedLen);
    Take(rest, 240, 4);
    EXPECT_EQ(ToHex(Take(rest, 244, 1)), "01");

    // The own entry, first in the snapshot.
    const size_t e = kFixedLen;
    EXPECT_EQ(ReadU32(msg, e), 10001u) << "tessaro-lobby's default user id";
    Take(rest, e, 4);
    EXPECT_EQ(Take(rest, e + 4, 16), kNickGbk + std::string(8, '\0'));
    EXPECT_EQ(ToHex(Take(rest, e + 32, 2)), "0302"); // table, chair
    EXPECT_EQ(ToHex(Take(rest, e + 60, 1)), "ff");   // watches nobody

    // Nothing else: no other player, nobody away or played for, every other field zero.
    EXPECT_EQ(rest, std::string(kWholeLen, '\0'));
}

TEST(AgainLoginTemplate, TheSnapshotLiesInsideTheMessage)
{
    const std::string msg = Build({"127", "9", "a", "2147483647"});
    const Ostra::MsgView view(msg.data(), static_cast<long>(msg.size()));
    const std::uint32_t at = view.BE32(240);
    EXPECT_TRUE(view.Has(at, 10 * kEntryLen));
    EXPECT_EQ(view.Byte(244), 1);
    EXPECT_EQ(view.Byte(220), 127);
    EXPECT_EQ(view.Byte(221), 9);
    EXPECT_EQ(view.BE32(at), 0x7FFFFFFFu);
    EXPECT_EQ(view.Byte(at + 33), 9);
    EXPECT_EQ(view.Byte(at + 4), 'a');
    EXPECT_EQ(view.Byte(at + 5), 0);
}

TEST(AgainLoginTemplate, ANickOfSixteenGbkBytesFillsItsFieldWithoutTerminator)
{
    const std::string sixteen(16, 'n');
    const std::string msg = Build({"1", "0", sixteen});
    EXPECT_EQ(msg.substr(9, 16), sixteen);
    EXPECT_EQ(msg[25], '\0');
    EXPECT_EQ(msg.substr(kFixedLen + 4, 16), sixteen);
    EXPECT_EQ(msg[kFixedLen + 20], '\0'); // the sex byte that follows stays zero
}

TEST(AgainLoginTemplate, RefusesArgumentsTheMessageCannotCarry)
{
    EXPECT_NE(Refusal({"3", "2"}).find("3 to 4 arguments"), std::string::npos);
    EXPECT_NE(Refusal({"3", "2", "x", "1", "extra"}).find("3 to 4 arguments"), std::string::npos);
    EXPECT_NE(Refusal({"0", "2", "x"}).find("TABLE"), std::string::npos);
    EXPECT_NE(Refusal({"128", "2", "x"}).find("TABLE"), std::string::npos);
    EXPECT_NE(Refusal({"3", "10", "x"}).find("CHAIR"), std::string::npos);
    EXPECT_NE(Refusal({"3", "-1", "x"}).find("CHAIR"), std::string::npos);
    EXPECT_NE(Refusal({"3", "2", "x", "0"}).find("USER_ID"), std::string::npos);
    EXPECT_NE(Refusal({"3", "2", "x", "2147483648"}).find("USER_ID"), std::string::npos);
    // Seventeen bytes in GBK, whether plain letters or eight Chinese characters and a letter.
    EXPECT_NE(Refusal({"3", "2", std::string(17, 'n')}).find("at most 16"), std::string::npos);
    EXPECT_NE(Refusal({"3", "2", kNickUtf8 + kNickUtf8 + "n"}).find("at most 16"), std::string::npos);
    // An emoji has no GBK form, nor has a byte that is not UTF-8.
    EXPECT_NE(Refusal({"3", "2", "\xF0\x9F\x98\x80"}).find("GBK"), std::string::npos);
    EXPECT_NE(Refusal({"3", "2", "\xFF"}).find("GBK"), std::string::npos);
}

} // namespace
