// The table protocol's decoders against short and odd client input, and the all-players list in
// pages.
#include "tests/devserver-table/RoomHarness.h"
#include "tools/devserver/protocol/Messages.h"

#include <gtest/gtest.h>

namespace
{

using namespace devserver;
using roomtest::Byte;
using roomtest::Int32;

std::string Msg(unsigned char type, size_t len, unsigned char fill = 0)
{
    return GameMessage(type, std::string(len - kMsgHeaderLen, static_cast<char>(fill)));
}

TEST(Protocol, DecodersReadOnlyWhatIsThere)
{
    struct Case
    {
        const char* what;
        std::string msg;
        bool auth, sit, ready;
    };
    const std::string token(40, 'k'); // longer than the token field
    const std::vector<Case> cases = {
        {"a header alone, type 32", Msg(kAuthRequestType, 8), false, false, false},
        {"auth without its last id byte", Msg(kAuthRequestType, 11), false, false, false},
        {"auth with the id only", Msg(kAuthRequestType, 12), true, false, false},
        {"auth of 44 bytes", EncodeAuthRequest(7, "tok"), true, false, false},
        {"auth with more than a token", GameMessage(kAuthRequestType, std::string(4, '\0') + token), true, false,
         false},
        {"a chair request without the chair", Msg(kSitDownRequestType, 9), false, false, false},
        {"a chair request of 10 bytes", Msg(kSitDownRequestType, 10, 3), false, true, false},
        {"a ready answer of a header alone", Msg(kReadyAnswerType, 8), false, false, true},
        {"fewer bytes than a header", std::string("\x03\x20\x00", 3), false, false, false},
        {"another type, long enough for all", Msg(kAuthResponseType, 44), false, false, false},
    };
    for (const Case& c : cases)
    {
        AuthRequest auth;
        SitDownRequest sit;
        EXPECT_EQ(DecodeAuthRequest(c.msg, auth), c.auth) << c.what;
        EXPECT_EQ(DecodeSitDownRequest(c.msg, sit), c.sit) << c.what;
        EXPECT_EQ(DecodeReadyAnswer(c.msg), c.ready) << c.what;
    }
    AuthRequest auth;
    ASSERT_TRUE(DecodeAuthRequest(EncodeAuthRequest(123456, "tok"), auth));
    EXPECT_EQ(auth.userId, 123456);
    EXPECT_EQ(auth.token, "tok");
    ASSERT_TRUE(DecodeAuthRequest(GameMessage(kAuthRequestType, std::string(4, '\0') + token), auth));
    EXPECT_EQ(auth.token, token.substr(0, kAuthTokenLen));
    SitDownRequest sit;
    ASSERT_TRUE(DecodeSitDownRequest(EncodeSitDownRequest(4, 6), sit));
    EXPECT_EQ(sit.table, 4);
    EXPECT_EQ(sit.chair, 6);
}

TEST(Protocol, PlayerListPagesHoldAsManyAsTheClientTakes)
{
    struct Case
    {
        size_t players;
        std::vector<int> pages; // entries per page
    };
    const std::vector<Case> cases = {
        {0, {0}}, {1, {1}}, {123, {123}}, {124, {123, 1}}, {247, {123, 123, 1}},
    };
    for (const Case& c : cases)
    {
        std::vector<PlayerRecord> players(c.players);
        for (size_t i = 0; i < c.players; ++i)
            players[i].userId = static_cast<std::int32_t>(i + 1);
        const std::vector<std::string> pages = EncodePlayerList(players);
        ASSERT_EQ(pages.size(), c.pages.size()) << c.players;
        std::int32_t next = 1;
        for (size_t p = 0; p < pages.size(); ++p)
        {
            const std::string& page = pages[p];
            EXPECT_LE(page.size(), kMaxClientMsgLen);
            EXPECT_EQ(Byte(page, 9), p == 0 ? 1 : 0) << c.players << " page " << p;
            ASSERT_EQ(Byte(page, 10), c.pages[p]) << c.players << " page " << p;
            ASSERT_EQ(page.size(), kListHeaderLen + static_cast<size_t>(c.pages[p]) * kPlayerEntryLen);
            for (int e = 0; e < c.pages[p]; ++e)
                EXPECT_EQ(Int32(page, kListHeaderLen + static_cast<size_t>(e) * kPlayerEntryLen), next++);
        }
    }
}

} // namespace
