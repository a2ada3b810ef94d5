// One round of Dou Dizhu from the deal to the settlement, as the server keeps it: the cards dealt
// from a seeded generator, the bidding, the turns, every play checked against the rules, the
// doublings and the result. Seats are 0 to 2, in turn order.
//
//   Bidding   from the first bidder, each seat once: a bid above the highest so far (1 to 3) or a
//             pass; 3 ends the bidding at once. After three turns the highest bidder is the
//             landlord; when all three passed the round is over without one (AllPassed: the table
//             deals again).
//   Playing   the landlord takes the three cards kept back and leads. A seat plays a combination
//             that beats the last play, or passes; after two passes the last player leads again,
//             with any play. Every bomb and the rocket double the stake.
//   Over      a hand is empty: its side wins. Spring: the farmers never played a card; anti-spring:
//             the landlord played only his first lead. Either doubles the stake once more.
#pragma once

#include "examples/landlord/rules/Strategy.h"

#include <array>
#include <cstdint>

namespace landlord
{

enum class Phase : std::uint8_t
{
    Bidding,
    Playing,
    Over,
    AllPassed,
};

enum class PlayError : std::uint8_t
{
    None,
    WrongPhase,
    NotYourTurn,
    BadBid,    // not a pass and not above the highest bid
    NotInHand, // cards the seat does not hold, or a card twice
    NotAPlay,  // no combination
    DoesNotBeat,
    MustLead, // a pass when the seat leads
};

struct RoundResult
{
    int landlord = -1;
    bool landlordWon = false;
    int bid = 0;
    int doublings = 0; // bombs and rockets played
    bool spring = false;
    bool antiSpring = false;
    int multiple = 0;                           // bid x 2^doublings, doubled again by a spring or an anti-spring
    std::array<std::int64_t, kPlayers> delta{}; // money per seat; sums to zero
};

class Round
{
public:
    Round(std::uint64_t seed, int firstBidder, int stake);

    Phase GetPhase() const { return m_phase; }
    int Turn() const { return m_turn; }
    const Cards& Hand(int seat) const { return m_hands[static_cast<size_t>(seat)]; }
    const Cards& KeptBack() const { return m_keptBack; }
    int HighestBid() const { return m_highestBid; }
    int Landlord() const { return m_landlord; }
    // The play to beat and who made it; not a play when the seat to move leads.
    Combination ToBeat() const;
    int LastSeat() const { return m_lastSeat; }
    const Cards& LastCards() const { return m_lastCards; }
    int Doublings() const { return m_doublings; }
    int FirstBidder() const { return m_firstBidder; }
    // The bid a seat made this deal: -1 none yet, 0 a pass.
    int BidOf(int seat) const { return m_bidOf[static_cast<size_t>(seat)]; }
    // What a seat laid in the current trick (empty: nothing, or a pass, which Passed tells). The
    // seat to move has laid nothing yet, and a new trick starts with nothing laid.
    const Cards& TrickCards(int seat) const { return m_trick[static_cast<size_t>(seat)]; }
    bool Passed(int seat) const { return m_passed[static_cast<size_t>(seat)]; }

    PlayError Bid(int seat, int points);
    // Empty cards: a pass.
    PlayError Play(int seat, const Cards& cards);

    // What the seat to move sees, for the bots.
    TurnView ViewFor(int seat) const;
    // The seat to move decides as a bot and its decision is carried out.
    PlayError PlayAsBot();

    // Valid once the phase is Over.
    RoundResult Result() const { return m_result; }

private:
    void Settle(int winner);
    // The turn passes to the next seat: his part of the trick starts afresh, the whole trick
    // when he leads.
    void NextTurn();

    int m_stake;
    Phase m_phase = Phase::Bidding;
    std::array<Cards, kPlayers> m_hands;
    Cards m_keptBack;
    int m_turn;
    int m_firstBidder;
    int m_bids = 0;
    int m_highestBid = 0;
    int m_highestBidder = -1;
    int m_landlord = -1;
    Combination m_last;
    Cards m_lastCards;
    int m_lastSeat = -1;
    int m_doublings = 0;
    std::array<int, kPlayers> m_playsMade{};
    std::array<int, kPlayers> m_bidOf{-1, -1, -1};
    std::array<Cards, kPlayers> m_trick;
    std::array<bool, kPlayers> m_passed{};
    RoundResult m_result;
};

} // namespace landlord
