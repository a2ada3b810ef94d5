// The demo game's server side (LandlordGame) at a recording host, driven by arbitrary client
// messages from arbitrary chairs, timer firings, time passing, players leaving and coming back:
// after every call the round stays legal (the 54 cards all there, in the hands, the cards kept
// back or the plays made, none twice), every message the game sends is a whole message that its
// reader takes, a restore told to a returning player agrees with the round, and the game ends at
// most once and is called no more after it.
//
// Input: byte 0 the seats that are bots (bits 0-2); bytes 1-2 the seed; byte 3 the round number.
// Then up to 256 operations, each a byte: bits 0-2 the operation, bits 3-4 the chair (3: one
// that is not seated):
//   0  a message from the chair: a type byte (bit 7 clear: the request of bits 0-6 mod 2, a bid
//      or a play), a length byte and its bytes, the header written for them
//   1  the chair to move makes a move the rules allow (bid or play chosen by the next byte);
//      the chair of the operation is ignored
//   2  the timer due first fires (time goes on to it)
//   3  the chair leaves (his connection drops)
//   4  the chair comes back: the restore for him, then OnPlayerBack when he was away
//   5  time passes: the next byte times 100 ms
//   6, 7  a message from the chair as in 0, of a type from the next byte
#include "examples/landlord/rules/Moves.h"
#include "examples/landlord/rules/Protocol.h"
#include "fuzz/FuzzInput.h"
#include "tests/support/ManualClockHost.h"
#include "tools/devserver/Wire.h"
#include "tools/devserver/games/LandlordGame.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

namespace
{

using namespace devserver;
namespace ll = landlord;

// A failed check names its line, then ends the run as a finding.
void Check(bool ok, int line = __builtin_LINE())
{
    if (ok)
        return;
    std::fprintf(stderr, "check failed at %s:%d\n", __FILE__, line);
    std::abort();
}

const unsigned char* Bytes(const std::string& m)
{
    return reinterpret_cast<const unsigned char*>(m.data());
}

class Host : public testsupport::ManualClockHost
{
public:
    Host() : ManualClockHost(ll::kPlayers) {}
    void SendToChair(int chair, std::string msg) override
    {
        Check(!ended && chair >= 0 && chair < ll::kPlayers);
        Take(msg);
    }
    void SendToTable(std::string msg) override
    {
        Check(!ended);
        Take(msg);
    }
    TimerId SetTimer(int ms) override
    {
        Check(!ended && ms >= 0);
        return ManualClockHost::SetTimer(ms);
    }
    void End(GameResult r) override
    {
        Check(!ended);
        ended = true;
        Check(r.seats.size() == static_cast<size_t>(ll::kPlayers) && r.gameBytes.size() <= 124);
        std::int64_t sum = 0;
        for (const SeatResult& s : r.seats)
            sum += s.money;
        // The stake is small enough here that no change is clamped: what one side wins the other loses.
        Check(sum == 0);
    }

    bool ended = false;
    // The cards played since the last deal, from the notices.
    ll::Cards played;

private:
    // Every message reads back as what its type says.
    void Take(const std::string& msg)
    {
        Check(HasMsgHeader(msg) && static_cast<unsigned char>(msg[0]) == kMsgVersion);
        Check(ReadU32(msg, 4) == msg.size() - kMsgHeaderLen);
        const unsigned char* p = Bytes(msg);
        const size_t n = msg.size();
        switch (MsgType(msg))
        {
        case ll::MSG_DEAL:
        {
            ll::DealMsg m;
            Check(ll::Decode(p, n, m));
            played.clear();
            break;
        }
        case ll::MSG_BID_TURN:
        case ll::MSG_PLAY_TURN:
        {
            ll::TurnMsg m;
            Check(ll::Decode(p, n, m));
            break;
        }
        case ll::MSG_BID_NOTICE:
        {
            ll::BidMsg m;
            Check(ll::Decode(p, n, m));
            break;
        }
        case ll::MSG_LANDLORD:
        {
            ll::LandlordMsg m;
            Check(ll::Decode(p, n, m));
            break;
        }
        case ll::MSG_PLAY_NOTICE:
        {
            ll::PlayMsg m;
            Check(ll::Decode(p, n, m));
            played.insert(played.end(), m.cards.begin(), m.cards.end());
            break;
        }
        case ll::MSG_PLAY_REFUSED:
        {
            ll::RefusedMsg m;
            Check(ll::Decode(p, n, m) && m.error != 0);
            break;
        }
        case ll::MSG_ROUND_END:
        {
            ll::RoundEndMsg m;
            Check(ll::Decode(p, n, m));
            break;
        }
        case 126: // the system plays a chair, or stops
            Check(n >= 10 && static_cast<unsigned char>(msg[8]) < ll::kPlayers);
            break;
        default:
            Check(false);
        }
    }
};

// The round's cards: every one of the 54 exactly once, in a hand, kept back or played.
void CheckRound(const ll::Round& round, const ll::Cards& played)
{
    std::array<int, ll::kDeckSize> seen{};
    auto count = [&](const ll::Cards& cards)
    {
        for (ll::Card c : cards)
        {
            Check(ll::IsCard(c));
            ++seen[c];
        }
    };
    for (int seat = 0; seat < ll::kPlayers; ++seat)
        count(round.Hand(seat));
    const ll::Phase phase = round.GetPhase();
    if (phase == ll::Phase::Bidding || phase == ll::Phase::AllPassed)
        count(round.KeptBack());
    count(played);
    for (int n : seen)
        Check(n == 1);
    Check(round.Turn() >= 0 && round.Turn() < ll::kPlayers);
}

// A restore agrees with the round: the own hand, the cards each holds, the turn.
void CheckRestore(const std::string& msg, const ll::Round& round, int chair)
{
    if (msg.empty())
    {
        Check(round.GetPhase() != ll::Phase::Bidding && round.GetPhase() != ll::Phase::Playing);
        return;
    }
    Check(HasMsgHeader(msg) && ReadU32(msg, 4) == msg.size() - kMsgHeaderLen);
    ll::RestoreMsg m;
    Check(ll::Decode(Bytes(msg), msg.size(), m));
    Check(m.ownChair == chair && m.turn == round.Turn() && m.playing == (round.GetPhase() == ll::Phase::Playing));
    ll::Cards hand = round.Hand(chair);
    ll::SortCards(hand);
    ll::SortCards(m.hand);
    Check(m.hand == hand);
    for (int c = 0; c < ll::kPlayers; ++c)
        Check(m.left[c] == round.Hand(c).size());
}

std::string ClientMessage(FuzzInput& in, int type)
{
    std::string body(in.Byte(), '\0');
    for (char& c : body)
        c = static_cast<char>(in.Byte());
    return GameMessage(static_cast<unsigned char>(type), body);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size)
{
    FuzzInput in(data, size);
    const int bots = in.Byte();
    LandlordOptions options;
    options.seed = static_cast<std::uint64_t>(in.BE16());
    const std::uint32_t roundNumber = in.Byte();
    LandlordGame game(options, roundNumber);
    Host host;
    // The seats in any order: the game sorts them by chair.
    std::vector<GameSeat> seats;
    for (int chair = ll::kPlayers - 1; chair >= 0; --chair)
        seats.push_back({chair, 10001 + chair, (bots >> chair & 1) != 0});
    game.Start(host, seats);
    std::array<bool, ll::kPlayers> away{};

    for (int i = 0; i < 256 && !in.AtEnd() && !host.ended; ++i)
    {
        const ll::Round* round = game.CurrentRound();
        Check(round != nullptr);
        const int op = in.Byte();
        const int chair = op >> 3 & 3;
        switch (op & 7)
        {
        case 0:
        {
            const int pick = in.Byte();
            const int type = pick & 0x80 ? pick : (pick & 1 ? ll::MSG_PLAY_REQ : ll::MSG_BID_REQ);
            game.OnMessage(chair, ClientMessage(in, type));
            break;
        }
        case 1:
        {
            const int seat = round->Turn();
            const int pick = in.Byte();
            std::string msg;
            if (round->GetPhase() == ll::Phase::Bidding)
            {
                ll::BidMsg bid;
                bid.points = static_cast<std::uint8_t>(pick % 4);
                msg = ll::Encode(ll::MSG_BID_REQ, bid);
            }
            else
            {
                const std::vector<ll::Move> moves = ll::LegalMoves(round->Hand(seat), round->ToBeat());
                ll::PlayMsg play;
                // One past the moves is a pass.
                if (!moves.empty() && static_cast<size_t>(pick) % (moves.size() + 1) < moves.size())
                    play.cards = moves[static_cast<size_t>(pick) % (moves.size() + 1)].cards;
                msg = ll::Encode(ll::MSG_PLAY_REQ, play);
            }
            game.OnMessage(seat, GameMessage(static_cast<unsigned char>(msg[1]), msg.substr(ll::kHeaderLen)));
            break;
        }
        case 2:
            host.FireNext(game);
            break;
        case 3:
            if (chair < ll::kPlayers)
                away[static_cast<size_t>(chair)] = true;
            game.OnPlayerLeave(chair);
            break;
        case 4:
            if (chair < ll::kPlayers)
            {
                CheckRestore(game.RestoreFor(chair), *round, chair);
                if (away[static_cast<size_t>(chair)])
                    game.OnPlayerBack(chair);
                away[static_cast<size_t>(chair)] = false;
            }
            else
            {
                Check(game.RestoreFor(chair).empty());
            }
            break;
        case 5:
            host.Pass(100 * in.Byte());
            break;
        default:
            game.OnMessage(chair, ClientMessage(in, in.Byte()));
            break;
        }
        if (host.ended)
            break;
        // A deal all three passed is dealt again at once: the round in play is always a live one.
        CheckRound(*game.CurrentRound(), host.played);
    }
    return 0;
}
