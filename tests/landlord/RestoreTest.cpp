// The restore a returning player gets: it reads back, every field out of its range or contradicting
// another is refused, and it is found in a login-again response only whole.
#include "examples/landlord/rules/Protocol.h"
#include "tools/devserver/Wire.h"
#include "tools/devserver/protocol/Messages.h"

#include <gtest/gtest.h>

namespace
{

namespace ll = landlord;

const unsigned char* Bytes(const std::string& m)
{
    return reinterpret_cast<const unsigned char*>(m.data());
}

// Chair 1 is the landlord, chair 2 to beat chair 0's pair of fives; chair 1 passed.
ll::RestoreMsg Sample()
{
    ll::RestoreMsg m;
    m.round = 7;
    m.ownChair = 1;
    m.playing = true;
    m.firstBidder = 2;
    m.highestBid = 3;
    m.bids[1] = 3;
    m.bids[2] = 0;
    m.landlord = 1;
    m.keptBack = {12, 52, 53};
    m.hand = {0, 13, 26, 52, 53};
    m.left[0] = 15;
    m.left[1] = 5;
    m.left[2] = 17;
    m.turn = 2;
    m.seconds = 12;
    m.toBeatChair = 0;
    m.toBeat = {2, 15};
    m.trick[0] = {2, 15};
    m.passed[1] = true;
    m.multiple = 6;
    m.doublings = 1;
    m.systemPlays[0] = true;
    return m;
}

std::string Framed(const std::string& msg)
{
    return devserver::GameMessage(static_cast<unsigned char>(msg[1]), msg.substr(ll::kHeaderLen));
}

TEST(Restore, ReadsBackAndRefusesWhatDoesNotFit)
{
    const std::string bytes = ll::Encode(Sample());
    ll::RestoreMsg back;
    ASSERT_TRUE(ll::Decode(Bytes(bytes), bytes.size(), back));
    // Every field written is read back: the decoded restore encodes to the same bytes.
    EXPECT_EQ(ll::Encode(back), bytes);
    EXPECT_EQ(back.hand, Sample().hand);
    EXPECT_EQ(back.trick[0], Sample().trick[0]);
    EXPECT_EQ(back.bids[0], -1);
    EXPECT_TRUE(back.passed[1] && back.systemPlays[0] && !back.systemPlays[1]);

    struct Broken
    {
        const char* what;
        size_t at;
        unsigned char value;
    };
    const Broken broken[] = {
        {"own chair 3", 12, 3},
        {"a phase past playing", 13, 2},
        {"a bid of 4", 16, 4},
        {"no landlord while playing", 19, 0xFF},
        {"a kept-back card that is no card", 20, 54},
        {"whose turn: chair 3", 23, 3},
        {"system-play bits beyond the chairs", 27, 8},
        {"21 cards left", 32, 21},
        {"a hand of other size than its cards left", 33, 6},
        {"a play to beat without its chair", 35, 0xFF},
        {"a hand of 21 cards", 36, 21},
        {"a hand card that is no card", 37, 60},
        {"a hand card twice", 38, 0},
        {"a play to beat of 21 cards", 57, 21},
        {"a trick of 21 cards", 79, 21},
        {"a trick card that is no card", 80, 99},
    };
    for (const Broken& b : broken)
    {
        std::string bad = bytes;
        bad[b.at] = static_cast<char>(b.value);
        EXPECT_FALSE(ll::Decode(Bytes(bad), bad.size(), back)) << b.what;
    }
    EXPECT_FALSE(ll::Decode(Bytes(bytes), bytes.size() - 1, back)) << "short";

    // While bidding there is no landlord, and no kept-back cards to read.
    ll::RestoreMsg bidding = Sample();
    bidding.playing = false;
    bidding.landlord = bidding.toBeatChair = -1;
    bidding.toBeat.clear();
    std::string open = ll::Encode(bidding);
    ASSERT_TRUE(ll::Decode(Bytes(open), open.size(), back));
    EXPECT_TRUE(back.keptBack.empty());
    open[19] = 0;
    EXPECT_FALSE(ll::Decode(Bytes(open), open.size(), back)) << "a landlord while bidding";
}

TEST(Restore, FoundInALoginAgainResponseOnlyWhole)
{
    const std::string restore = Framed(ll::Encode(Sample()));
    devserver::AgainLogin again;
    again.table = 1;
    again.chair = 1;
    again.game = restore;
    const std::string whole = devserver::EncodeAgainLogin(again);

    const unsigned char* block = nullptr;
    size_t blockLen = 0;
    ASSERT_TRUE(ll::FindRestore(Bytes(whole), whole.size(), block, blockLen));
    EXPECT_EQ(block, Bytes(whole) + devserver::kAgainLoginLen);
    EXPECT_EQ(blockLen, restore.size());
    ll::RestoreMsg back;
    EXPECT_TRUE(ll::Decode(block, blockLen, back));

    auto with = [&](size_t at, unsigned char value)
    {
        std::string m = whole;
        m[at] = static_cast<char>(value);
        return m;
    };
    const std::pair<const char*, std::string> cases[] = {
        {"nothing after the snapshot", devserver::EncodeAgainLogin(devserver::AgainLogin{})},
        {"the restore cut short", whole.substr(0, whole.size() - 1)},
        {"only its header's first bytes", whole.substr(0, devserver::kAgainLoginLen + 4)},
        {"a snapshot offset beyond the message", with(240, 0xFF)},
        {"a snapshot that runs past the end", with(243, 0xFF)},
        {"not a login-again response", with(1, devserver::kTableSnapshotType)},
        {"another message after the snapshot", with(devserver::kAgainLoginLen + 1, ll::MSG_PLAY_NOTICE)},
        {"a body length beyond the message", with(devserver::kAgainLoginLen + 4, 1)},
    };
    for (const auto& [what, msg] : cases)
    {
        const unsigned char* found = nullptr;
        size_t foundLen = 0;
        EXPECT_FALSE(ll::FindRestore(Bytes(msg), msg.size(), found, foundLen) || found) << what;
    }
    EXPECT_FALSE(ll::FindRestore(Bytes(whole), 243, block, blockLen)) << "too short for the offset";
}

} // namespace
