// What a client of the demo game knows of the round at its table, kept from the server's messages:
// its own cards, whose turn it is, the play to beat, every chair's cards left and last play, the
// landlord and the stake, and at the end the settlement. It offers the moves the player may make
// (the bids above the highest, whether a selection of cards may be played, the hints) and the
// automatic player's decision, which is the bots' own decision code. Plain logic without drawing,
// so that the view, the automatic player and the tests share it.
#pragma once

#include "examples/landlord/rules/Protocol.h"

#include <array>
#include <cstddef>
#include <optional>
#include <string>

namespace landlord
{

enum class TableEvent
{
    None,  // not the game's message, or one that does not fit (dropped)
    Dealt, // a new deal: the own cards
    BidTurn,
    BidMade,
    Landlord, // the landlord is known and holds the three cards kept back
    PlayTurn,
    Played,
    Refused, // the own bid or play was refused
    RoundEnd,
    Restored, // back in a round after a dropped connection: everything is as the live messages left it
};

// What the automatic player decided: a bid, or cards (none: a pass).
struct AutoMove
{
    bool bid = false;
    int points = 0;
    Cards cards;
};

class TableState
{
public:
    // Applies one message of the server (a whole message, header included).
    TableEvent OnMessage(const unsigned char* msg, std::size_t len);

    int OwnChair() const { return m_ownChair; }
    const Cards& Hand() const { return m_hand; }
    int CardsLeft(int chair) const;
    int Landlord() const { return m_landlord; }
    const Cards& KeptBack() const { return m_keptBack; }
    int HighestBid() const { return m_highestBid; }
    // The bid a chair made this deal: -1 none yet, 0 a pass.
    int BidOf(int chair) const;
    int TurnChair() const { return m_turnChair; }
    bool BiddingTurn() const { return m_bidding; }
    bool MyTurn() const { return m_turnChair == m_ownChair && m_ownChair >= 0 && !m_over; }
    int TurnSeconds() const { return m_turnSeconds; }
    // The play the own chair must beat when it is his turn; not a play when he leads.
    Combination ToBeat() const;
    // The cards a chair laid down in the current trick; empty for none or a pass (Passed tells).
    const Cards& TableCards(int chair) const;
    bool Passed(int chair) const;
    std::uint32_t Multiple() const { return m_multiple; }
    int Doublings() const { return m_doublings; }
    bool SystemPlays(int chair) const;
    bool RoundOver() const { return m_over; }
    const RoundEndMsg& LastEnd() const { return m_end; }
    int LastError() const { return m_lastError; }

    // ---- The own moves --------------------------------------------------------------------------
    bool CanBid(int points) const;
    // Whether the selected cards (of the own hand) may be played now.
    bool CanPlay(const Cards& selection) const;
    bool CanPass() const;
    // The n-th hint (cycling): a play that beats what is to beat; nothing when there is none.
    std::optional<Cards> Hint(int n) const;
    // The automatic player's move for the own turn; nothing when it is not his turn.
    std::optional<AutoMove> DecideAuto() const;

    // The requests to send (header left for the sender).
    static std::string BidRequest(int points);
    static std::string PlayRequest(const Cards& cards);

private:
    void NewTrick();
    void Restore(const RestoreMsg& m);

    int m_ownChair = -1;
    Cards m_hand;
    std::array<int, kPlayers> m_left{};
    std::array<int, kPlayers> m_bids{-1, -1, -1};
    std::array<Cards, kPlayers> m_tableCards;
    std::array<bool, kPlayers> m_passed{};
    std::array<bool, kPlayers> m_systemPlays{};
    Cards m_keptBack;
    int m_landlord = -1;
    int m_highestBid = 0;
    int m_turnChair = -1;
    bool m_bidding = false;
    bool m_leads = false;
    int m_turnSeconds = 0;
    Combination m_last;
    int m_lastChair = -1;
    std::uint32_t m_multiple = 1;
    int m_doublings = 0;
    bool m_over = false;
    RoundEndMsg m_end;
    int m_lastError = 0;
};

} // namespace landlord
