// The faults of --chaos as a client's reader meets them: each kind's bytes break the wire in
// exactly its own way, the choice is the seed's alone, and the options are checked.
#include "tools/devserver/Chaos.h"
#include "tools/devserver/Options.h"
#include "tools/devserver/Wire.h"
#include "tools/devserver/protocol/Messages.h"

#include <gtest/gtest.h>

#include <set>

namespace
{

using namespace devserver;

// What a reader of the item bytes finds first: the first header it refuses, or the messages.
struct Seen
{
    std::string refused;           // empty: every frame was whole and well-formed
    std::vector<std::string> msgs; // the messages of the whole frames before that
    size_t cutAt = 0;              // bytes of a frame that never completed (0: none)
    bool closes = false;           // the fault ends with a close
    int pieces = 1;
    int gapMs = 0;
};

Seen Read(const ChaosFault& fault)
{
    Seen seen;
    std::string wire;
    for (const OutItem& item : fault.items)
    {
        if (item.kind == OutItem::Kind::Close)
            seen.closes = true;
        wire += item.wire;
        seen.pieces = std::max(seen.pieces, item.pieces);
        seen.gapMs = std::max(seen.gapMs, item.gapMs);
    }
    size_t pos = 0;
    while (pos < wire.size())
    {
        if (wire.size() - pos < static_cast<size_t>(Ostra::kFrameHeaderLen))
        {
            seen.cutAt = wire.size() - pos;
            break;
        }
        const auto* header = reinterpret_cast<const unsigned char*>(wire.data() + pos);
        const int total = Ostra::FrameTotalLen(header);
        if (header[0] != Ostra::kFrameVersion)
        {
            seen.refused = "version";
            break;
        }
        if (total < Ostra::kMinFrameLen)
        {
            seen.refused = "short";
            break;
        }
        if (wire.size() - pos < static_cast<size_t>(total))
        {
            seen.cutAt = wire.size() - pos;
            break;
        }
        std::vector<char> out(70000);
        const int len = Ostra::OpenFrameBody(Ostra::kWireKeyText, wire.data() + pos + Ostra::kFrameHeaderLen,
                                             total - Ostra::kFrameHeaderLen, out.data(), static_cast<int>(out.size()));
        EXPECT_GE(len, 0);
        seen.msgs.emplace_back(out.data(), static_cast<size_t>(std::max(len, 0)));
        pos += static_cast<size_t>(total);
    }
    return seen;
}

bool LengthFieldRight(const std::string& msg)
{
    return HasMsgHeader(msg) && ReadU32(msg, 4) == msg.size() - kMsgHeaderLen;
}

TEST(ChaosTest, EachKindBreaksTheWireItsOwnWay)
{
    const std::string again = EncodeAgainLogin(1, 2, "me", {});
    for (std::uint64_t seed = 1; seed <= 30; ++seed)
    {
        for (int k = 0; k < kChaosKinds; ++k)
        {
            const auto kind = static_cast<ChaosKind>(k);
            ChaosRng rng(seed);
            const ChaosFault fault = MakeChaosFault(kind, rng, again, 3);
            const Seen seen = Read(fault);
            SCOPED_TRACE(std::string(ChaosKindName(kind)) + " seed " + std::to_string(seed));
            ASSERT_EQ(fault.kind, kind);
            const bool refused = !seen.refused.empty();
            EXPECT_EQ(seen.closes, kind == ChaosKind::Drop);
            EXPECT_EQ(seen.cutAt > 0, kind == ChaosKind::Drop);
            EXPECT_EQ(refused,
                      kind == ChaosKind::Garbage || kind == ChaosKind::OtherVersion || kind == ChaosKind::ShortFrame);
            if (refused || seen.cutAt > 0)
            {
                EXPECT_TRUE(seen.msgs.empty());
                if (refused)
                {
                    EXPECT_EQ(seen.refused, kind == ChaosKind::ShortFrame ? "short" : "version");
                }
                continue;
            }
            ASSERT_FALSE(seen.msgs.empty());
            const std::string& first = seen.msgs.front();
            switch (kind)
            {
            case ChaosKind::WrongLength:
                ASSERT_EQ(seen.msgs.size(), 1u);
                EXPECT_FALSE(LengthFieldRight(first));
                break;
            case ChaosKind::LatencySpike:
                EXPECT_EQ(seen.pieces, 2);
                EXPECT_GE(seen.gapMs, 1000);
                EXPECT_EQ(seen.gapMs, fault.spikeMs);
                EXPECT_TRUE(LengthFieldRight(first));
                break;
            case ChaosKind::Burst:
                EXPECT_EQ(static_cast<int>(seen.msgs.size()), fault.count);
                EXPECT_GE(fault.count, 10);
                for (const std::string& msg : seen.msgs)
                {
                    EXPECT_TRUE(LengthFieldRight(msg));
                    EXPECT_TRUE(MsgType(msg) == kChatLineType || MsgType(msg) == kServerTextType);
                }
                break;
            case ChaosKind::Oversized:
                EXPECT_GT(first.size(), static_cast<size_t>(Ostra::kMaxRecvMsgLen));
                EXPECT_TRUE(LengthFieldRight(first));
                break;
            case ChaosKind::LoginAgain:
                EXPECT_EQ(first, again);
                break;
            case ChaosKind::GhostChair:
            {
                ASSERT_EQ(seen.msgs.size(), 3u);
                EXPECT_GE(fault.chair, 9);
                EXPECT_LT(fault.chair, 0xFF);
                std::set<int> types;
                for (const std::string& msg : seen.msgs)
                {
                    types.insert(MsgType(msg));
                    EXPECT_EQ(static_cast<unsigned char>(msg[8]), fault.chair);
                }
                EXPECT_EQ(types, (std::set<int>{kReadyNoticeType, kWaitLoginAgainType, kAutoPlayType}));
                break;
            }
            default:
                ADD_FAILURE() << "a kind that should have been refused or cut";
            }
        }
    }
}

TEST(ChaosTest, TheSeedAloneDecides)
{
    auto run = [](std::uint64_t seed)
    {
        ChaosRng rng(seed);
        // A digest of each fault: its messages, and of raw bytes their length and header (the
        // cipher's own randomness makes the rest of a cut frame differ from run to run).
        std::vector<size_t> trace;
        std::set<int> kinds;
        double total = 0;
        for (int i = 0; i < 500; ++i)
        {
            const ChaosKind kind = PickChaosKind(rng);
            kinds.insert(static_cast<int>(kind));
            std::string digest;
            for (const OutItem& item : MakeChaosFault(kind, rng, {}, 3).items)
            {
                for (const OutUnit& unit : item.units)
                    digest += unit.raw ? std::to_string(unit.bytes.size()) + unit.bytes.substr(0, 4) : unit.bytes;
                digest += std::to_string(item.pieces) + "/" + std::to_string(item.gapMs) + "|";
            }
            trace.push_back(std::hash<std::string>()(digest));
            total += NextChaosDelayMs(rng, 6);
        }
        EXPECT_EQ(static_cast<int>(kinds.size()), kChaosKinds);
        EXPECT_NEAR(total / 500, 10000, 1500); // six a minute: ten seconds apart on average
        return trace;
    };
    const std::vector<size_t> a = run(7);
    EXPECT_EQ(a, run(7));
    EXPECT_NE(a, run(8));
}

TEST(ChaosTest, OptionsBelongToTheTableMode)
{
    struct Case
    {
        std::vector<std::string> args;
        bool ok;
    };
    const Case cases[] = {
        {{"--tables", "1", "--chaos", "5", "--chaos-rate", "30"}, true},
        {{"--chaos", "5"}, false},
        {{"--tables", "1", "--chaos", "x"}, false},
        {{"--tables", "1", "--chaos", "1", "--chaos-rate", "0"}, false},
        {{"--tables", "1", "--chaos-rate", "601"}, false},
    };
    for (const Case& c : cases)
    {
        Options options;
        std::string error;
        EXPECT_EQ(ParseOptions(c.args, options, error) == Parsed::Ok, c.ok) << c.args[0] << " " << error;
        if (c.ok)
        {
            EXPECT_TRUE(options.table.chaos);
            EXPECT_EQ(options.table.chaosSeed, 5u);
            EXPECT_EQ(options.table.chaosRate, 30);
        }
    }
}

} // namespace
