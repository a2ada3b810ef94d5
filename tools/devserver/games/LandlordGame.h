// The demo game's server side: Dou Dizhu (斗地主) as the table game of the room, for tables of
// three chairs. It deals from the room's seeded generator, runs the bidding and the turns, checks
// every bid and play with the same rules the client uses, plays for a player whose time runs out
// or who has gone (type 126 tells the table, then a legal move), lets bots bid and play with the
// shared decision code, and ends the round with its settlement. A player whose connection drops
// is played for the same way; when he comes back he gets the round as it stands (MSG_RESTORE),
// and the system keeps his seat until he moves himself. The messages are in docs/LANDLORD.md.
#pragma once

#include "examples/landlord/rules/Protocol.h"
#include "tools/devserver/room/TableGame.h"

#include <array>
#include <memory>

namespace devserver
{

struct LandlordOptions
{
    std::uint64_t seed = 1;
    int turnMs = 20000;   // a player's time for a bid or a play
    int botDelayMs = 500; // a bot's (and an absent player's) time to think
    int stake = 100;      // money per multiple
};

class LandlordGame : public TableGame
{
public:
    explicit LandlordGame(const LandlordOptions& options, std::uint32_t roundNumber = 0);

    void Start(GameHost& host, const std::vector<GameSeat>& seats) override;
    void OnMessage(int chair, std::string_view msg) override;
    void OnTimer(GameHost::TimerId id) override;
    void OnPlayerLeave(int chair) override;
    bool TakesPlayersBack() const override { return true; }
    std::string RestoreFor(int chair) const override;
    void OnPlayerBack(int chair) override;

    // For tests: the round in play (null before the start).
    const landlord::Round* CurrentRound() const { return m_round.get(); }

private:
    void Deal();
    // Announces the next turn (or ends the round) and sets its timer.
    void Advance();
    // The seat to move decides as a bot; for a player that is the system playing for him.
    void ActForTurn();
    // A bid or play made by the seat to move: told to the table; false when the rules refused it.
    landlord::PlayError Bid(int seat, int points);
    landlord::PlayError Play(int seat, const landlord::Cards& cards, bool bySystem);
    void Finish();
    int SeatOf(int chair) const;
    // Sends the turn message of the seat to move, with the seconds he has.
    void AnnounceTurn(int seat, int ms);
    // The turn's timer, due ms from now.
    void SetTurnTimer(int ms);
    int ChairOf(int seat) const { return m_chairs[static_cast<size_t>(seat)]; }
    std::uint32_t Multiple() const;

    LandlordOptions m_options;
    std::uint32_t m_roundNumber;
    GameHost* m_host = nullptr;
    std::array<int, landlord::kPlayers> m_chairs{};
    std::array<bool, landlord::kPlayers> m_bot{};
    std::array<bool, landlord::kPlayers> m_present{};
    std::array<bool, landlord::kPlayers> m_systemPlays{};
    std::unique_ptr<landlord::Round> m_round;
    GameHost::TimerId m_turnTimer = 0;
    std::int64_t m_turnStartMs = 0; // the host's clock
    std::int64_t m_turnDueMs = 0;   // when the turn's timer fires
    int m_deals = 0;
};

} // namespace devserver
