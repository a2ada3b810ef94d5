// The demo game's server side against a recording host: a whole round with one player who never
// moves (the system plays for him) and two bots, a play the rules refuse, the game's messages
// read back only when they are whole, and a returning player's restore against what the live
// messages told his client.
#include "tools/devserver/games/LandlordGame.h"
#include "examples/landlord/client/TableState.h"
#include "examples/landlord/rules/Protocol.h"
#include "tests/support/ManualClockHost.h"

#include <gtest/gtest.h>

#include <map>
#include <numeric>

namespace
{

using namespace devserver;
namespace ll = landlord;

// Records what the game sends; timers run when the test says so.
class RecordingHost : public testsupport::ManualClockHost
{
public:
    RecordingHost() : ManualClockHost(3) {}
    void SendToChair(int chair, std::string msg) override
    {
        log.emplace_back(chair, msg);
        toChair[chair].push_back(std::move(msg));
    }
    void SendToTable(std::string msg) override
    {
        log.emplace_back(-1, msg);
        toTable.push_back(std::move(msg));
    }
    void End(GameResult r) override
    {
        if (!ended)
            result = std::move(r);
        ended = true;
    }

    // The table messages of a type.
    std::vector<std::string> OfType(int type) const
    {
        std::vector<std::string> out;
        for (const std::string& m : toTable)
            if (static_cast<unsigned char>(m[1]) == type)
                out.push_back(m);
        return out;
    }

    // Everything sent, in order: the chair, or -1 for the table.
    std::vector<std::pair<int, std::string>> log;
    std::map<int, std::vector<std::string>> toChair;
    std::vector<std::string> toTable;
    GameResult result;
    bool ended = false;
};

const unsigned char* Bytes(const std::string& m)
{
    return reinterpret_cast<const unsigned char*>(m.data());
}

TEST(LandlordGame, APlayerWhoNeverMovesIsPlayedForUntilTheRoundSettles)
{
    LandlordOptions options;
    options.seed = 42;
    LandlordGame game(options);
    RecordingHost host;
    game.Start(host, {{0, 10001, false}, {1, 90001, true}, {2, 90002, true}});
    ASSERT_EQ(host.toChair[0].size(), 1u);
    ll::DealMsg deal;
    ASSERT_TRUE(ll::Decode(Bytes(host.toChair[0][0]), host.toChair[0][0].size(), deal));
    EXPECT_EQ(deal.ownChair, 0);
    EXPECT_EQ(deal.cards, game.CurrentRound()->Hand(0));
    for (int i = 0; i < 500 && !host.ended; ++i)
        ASSERT_TRUE(host.FireNext(game));
    ASSERT_TRUE(host.ended);

    // Once out of time, the system plays for chair 0 and says so once.
    const auto autoPlays = host.OfType(126);
    ASSERT_EQ(autoPlays.size(), 1u);
    EXPECT_EQ(autoPlays[0][8], 0);
    EXPECT_EQ(autoPlays[0][9], 1);
    // Every play notice reads back, and the round's end matches the money of the result.
    for (const std::string& m : host.OfType(ll::MSG_PLAY_NOTICE))
    {
        ll::PlayMsg play;
        EXPECT_TRUE(ll::Decode(Bytes(m), m.size(), play));
    }
    const auto ends = host.OfType(ll::MSG_ROUND_END);
    ASSERT_EQ(ends.size(), 1u);
    ll::RoundEndMsg end;
    ASSERT_TRUE(ll::Decode(Bytes(ends[0]), ends[0].size(), end));
    ASSERT_EQ(host.result.seats.size(), 3u);
    std::int64_t sum = 0;
    for (const SeatResult& seat : host.result.seats)
    {
        EXPECT_EQ(seat.money, end.delta[seat.chair]);
        EXPECT_EQ(seat.outcome, seat.money > 0 ? Outcome::Win : Outcome::Lose);
        sum += seat.money;
    }
    EXPECT_EQ(sum, 0);
    EXPECT_EQ(host.result.gameBytes, ends[0].substr(8));
}

// A client's view of the table, fed with what the server sends to its chair, plays a whole round
// with its automatic player against two bots: every move it makes is accepted, it always knows its
// cards, and its round end is the server's.
TEST(LandlordGame, AClientPlayingAutomaticallyFinishesTheRoundWithTheServer)
{
    for (std::uint64_t seed : {3u, 11u, 29u})
    {
        SCOPED_TRACE(seed);
        LandlordOptions options;
        options.seed = seed;
        LandlordGame game(options);
        RecordingHost host;
        ll::TableState client;
        size_t read = 0;
        int moves = 0;
        game.Start(host, {{0, 10001, false}, {1, 90001, true}, {2, 90002, true}});
        for (int step = 0; step < 1000 && !host.ended; ++step)
        {
            for (; read < host.log.size(); ++read)
            {
                const auto& [to, msg] = host.log[read];
                if (to == -1 || to == 0)
                    client.OnMessage(Bytes(msg), msg.size());
            }
            if (const auto move = client.DecideAuto())
            {
                game.OnMessage(0, move->bid ? ll::TableState::BidRequest(move->points)
                                            : ll::TableState::PlayRequest(move->cards));
                ++moves;
                continue;
            }
            ASSERT_TRUE(host.FireNext(game));
        }
        ASSERT_TRUE(host.ended);
        for (; read < host.log.size(); ++read)
            client.OnMessage(Bytes(host.log[read].second), host.log[read].second.size());
        EXPECT_GT(moves, 1);
        EXPECT_TRUE(host.toChair[0].size() == 1) << "a move of the client was refused";
        EXPECT_TRUE(host.OfType(126).empty()) << "the server had to play for the client";
        ASSERT_TRUE(client.RoundOver());
        EXPECT_EQ(client.Hand(), game.CurrentRound()->Hand(0));
        for (const SeatResult& seat : host.result.seats)
            EXPECT_EQ(client.LastEnd().delta[seat.chair], seat.money);
    }
}

TEST(LandlordGame, PlaysTheRulesRefuseAreAnsweredAndChangeNothing)
{
    LandlordOptions options;
    options.seed = 7;
    LandlordGame game(options);
    RecordingHost host;
    game.Start(host, {{0, 10001, false}, {1, 10002, false}, {2, 10003, false}});
    const ll::Round& round = *game.CurrentRound();
    const int turn = round.Turn();
    const int other = (turn + 1) % 3;

    // Out of turn, then a bid of 4: refused to the sender only.
    game.OnMessage(other, ll::Encode(ll::MSG_BID_REQ, ll::BidMsg{0, 1}));
    ASSERT_EQ(host.toChair[other].size(), 2u); // the deal, then the refusal
    ll::RefusedMsg refused;
    ASSERT_TRUE(ll::Decode(Bytes(host.toChair[other][1]), host.toChair[other][1].size(), refused));
    EXPECT_EQ(refused.error, static_cast<int>(ll::PlayError::NotYourTurn));
    std::string four = ll::Encode(ll::MSG_BID_REQ, ll::BidMsg{0, 3});
    four[9] = 4;
    game.OnMessage(turn, four); // not even a bid: dropped
    EXPECT_EQ(host.toChair[turn].size(), 1u);

    // A bid of 3 ends the bidding; then the landlord plays a card he does not hold.
    game.OnMessage(turn, ll::Encode(ll::MSG_BID_REQ, ll::BidMsg{0, 3}));
    ASSERT_EQ(round.GetPhase(), ll::Phase::Playing);
    const int landlord = round.Landlord();
    ll::PlayMsg bad;
    bad.cards = {round.Hand((landlord + 1) % 3).front()};
    game.OnMessage(landlord, ll::Encode(ll::MSG_PLAY_REQ, bad));
    ASSERT_TRUE(ll::Decode(Bytes(host.toChair[landlord].back()), host.toChair[landlord].back().size(), refused));
    EXPECT_EQ(refused.error, static_cast<int>(ll::PlayError::NotInHand));
    EXPECT_EQ(round.Hand(landlord).size(), 20u);
}

TEST(LandlordGame, MessagesReadBackOnlyWhenWhole)
{
    ll::PlayMsg play;
    play.chair = 2;
    play.cards = {3, 16, 29};
    play.left = 14;
    play.multiple = 6;
    ll::RoundEndMsg end;
    end.landlord = 1;
    end.delta[0] = -300;
    end.delta[1] = 600;
    end.delta[2] = -300;
    end.hands[0] = {1, 2};
    ll::DealMsg deal;
    deal.cards = ll::Cards(17);
    std::iota(deal.cards.begin(), deal.cards.end(), ll::Card{0});
    const std::string messages[] = {ll::Encode(ll::MSG_PLAY_NOTICE, play), ll::Encode(end), ll::Encode(deal)};
    for (const std::string& m : messages)
    {
        SCOPED_TRACE(static_cast<int>(static_cast<unsigned char>(m[1])));
        ll::PlayMsg p;
        ll::RoundEndMsg e;
        ll::DealMsg d;
        auto decode = [&](size_t len)
        {
            switch (m[1])
            {
            case static_cast<char>(ll::MSG_PLAY_NOTICE):
                return ll::Decode(Bytes(m), len, p);
            case static_cast<char>(ll::MSG_ROUND_END):
                return ll::Decode(Bytes(m), len, e);
            default:
                return ll::Decode(Bytes(m), len, d);
            }
        };
        EXPECT_TRUE(decode(m.size()));
        EXPECT_FALSE(decode(m.size() - 1));
        EXPECT_FALSE(decode(0));
    }
    ll::PlayMsg back;
    ASSERT_TRUE(ll::Decode(Bytes(messages[0]), messages[0].size(), back));
    EXPECT_EQ(back.cards, play.cards);
    EXPECT_EQ(back.left, 14);
    EXPECT_EQ(back.multiple, 6u);
    // A card twice, or one that is no card, is refused.
    std::string twice = messages[0];
    twice[13] = twice[12];
    EXPECT_FALSE(ll::Decode(Bytes(twice), twice.size(), back));
    std::string noCard = messages[0];
    noCard[12] = 60;
    EXPECT_FALSE(ll::Decode(Bytes(noCard), noCard.size(), back));
}

// What a client knows and would do, in one line to compare.
std::string Knows(const ll::TableState& t)
{
    std::string out;
    auto add = [&](long long v) { out += std::to_string(v) + ' '; };
    auto cards = [&](const ll::Cards& c)
    {
        out += '[';
        for (ll::Card card : c)
            add(card);
        out += "] ";
    };
    cards(t.Hand());
    cards(t.KeptBack());
    const ll::Combination toBeat = t.ToBeat();
    for (long long v : {t.Landlord(), t.HighestBid(), t.TurnChair(), int{t.BiddingTurn()}, int(toBeat.kind), toBeat.key,
                        toBeat.cards, static_cast<int>(t.Multiple()), t.Doublings(), int{t.CanPass()}})
        add(v);
    for (int chair = 0; chair < 3; ++chair)
    {
        add(t.CardsLeft(chair));
        add(t.BidOf(chair));
        add(t.Passed(chair));
        cards(t.TableCards(chair));
    }
    if (const auto move = t.DecideAuto())
    {
        out += move->bid ? "bid " + std::to_string(move->points) + ' ' : "play ";
        cards(move->cards);
    }
    return out;
}

// At every point of whole rounds a client restored from the server's MSG_RESTORE knows the table
// as the client that got every live message, and makes the same moves, which the server takes.
TEST(LandlordGame, ARestoredClientKnowsWhatTheLiveOneKnows)
{
    for (std::uint64_t seed : {3u, 11u, 29u, 57u})
    {
        SCOPED_TRACE(seed);
        LandlordOptions options;
        options.seed = seed;
        LandlordGame game(options);
        RecordingHost host;
        ll::TableState live;
        size_t read = 0;
        int compared = 0;
        game.Start(host, {{0, 10001, false}, {1, 90001, true}, {2, 90002, true}});
        for (int step = 0; step < 1000 && !host.ended; ++step, ++compared)
        {
            for (; read < host.log.size(); ++read)
            {
                if (host.log[read].first <= 0)
                    live.OnMessage(Bytes(host.log[read].second), host.log[read].second.size());
            }
            const std::string restore = game.RestoreFor(0);
            ll::TableState back;
            ASSERT_EQ(back.OnMessage(Bytes(restore), restore.size()), ll::TableEvent::Restored);
            ASSERT_EQ(Knows(back), Knows(live)) << "step " << step;
            if (const auto move = back.DecideAuto())
                game.OnMessage(0, move->bid ? ll::TableState::BidRequest(move->points)
                                            : ll::TableState::PlayRequest(move->cards));
            else
                ASSERT_TRUE(host.FireNext(game));
        }
        ASSERT_TRUE(host.ended);
        EXPECT_GT(compared, 20);
        EXPECT_EQ(host.toChair[0].size(), 1u) << "a move of the restored client was refused";
        EXPECT_TRUE(game.RestoreFor(0).empty()) << "nothing to restore once the round is over";
    }
}

// Back before the system moved for him, a player has the rest of his turn, and the table's
// countdown is told so: whether he left during his turn or his turn began while he was away.
TEST(LandlordGame, APlayerBackInTimeHasTheRestOfHisTurn)
{
    for (const bool awayAtStart : {false, true})
    {
        SCOPED_TRACE(awayAtStart ? "away when his turn began" : "left during his turn");
        LandlordOptions options;
        LandlordGame game(options);
        RecordingHost host;
        game.Start(host, {{0, 10001, false}, {1, 10002, false}, {2, 10003, false}});
        const int first = game.CurrentRound()->Turn();
        int turn = first;
        long long startMs = 0;
        if (awayAtStart)
        {
            turn = (first + 1) % 3;
            game.OnPlayerLeave(turn);
            host.Pass(1000);
            startMs = 1000;
            game.OnMessage(first, ll::TableState::BidRequest(1));
            ASSERT_EQ(game.CurrentRound()->Turn(), turn);
            ASSERT_EQ(host.timers.begin()->second, startMs + options.botDelayMs);
        }
        else
        {
            host.Pass(5000);
            game.OnPlayerLeave(turn);
            ASSERT_EQ(host.timers.size(), 1u);
            EXPECT_EQ(host.timers.begin()->second, 5000 + options.botDelayMs);
        }
        host.Pass(100);
        const long long nowMs = awayAtStart ? 1100 : 5100;
        // The restore, made before he is back, already tells him the time he will have.
        ll::RestoreMsg restore;
        const std::string msg = game.RestoreFor(turn);
        game.OnPlayerBack(turn);
        ASSERT_EQ(host.timers.size(), 1u);
        EXPECT_EQ(host.timers.begin()->second, startMs + options.turnMs);
        ASSERT_TRUE(ll::Decode(Bytes(msg), msg.size(), restore));
        const int seconds = static_cast<int>((startMs + options.turnMs - nowMs) / 1000);
        EXPECT_EQ(restore.seconds, seconds);
        const auto turns = host.OfType(ll::MSG_BID_TURN);
        ll::TurnMsg last;
        ASSERT_TRUE(ll::Decode(Bytes(turns.back()), turns.back().size(), last));
        EXPECT_EQ(last.chair, turn);
        EXPECT_EQ(last.seconds, seconds);
        EXPECT_TRUE(host.OfType(126).empty());
    }
}

} // namespace
