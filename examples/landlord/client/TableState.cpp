#include "examples/landlord/client/TableState.h"

#include <algorithm>

namespace landlord
{

namespace
{

bool IsChair(int chair)
{
    return chair >= 0 && chair < kPlayers;
}

} // namespace

TableEvent TableState::OnMessage(const unsigned char* msg, std::size_t len)
{
    switch (TypeOf(msg, len))
    {
    case MSG_DEAL:
    {
        DealMsg deal;
        if (!Decode(msg, len, deal))
            return TableEvent::None;
        *this = TableState{};
        m_ownChair = deal.ownChair;
        m_hand = deal.cards;
        SortCards(m_hand);
        m_left.fill(kHandSize);
        m_turnChair = deal.firstBidder;
        m_bidding = true;
        return TableEvent::Dealt;
    }
    case MSG_BID_TURN:
    case MSG_PLAY_TURN:
    {
        TurnMsg turn;
        if (!Decode(msg, len, turn))
            return TableEvent::None;
        m_turnChair = turn.chair;
        m_turnSeconds = turn.seconds;
        m_bidding = TypeOf(msg, len) == MSG_BID_TURN;
        if (m_bidding)
            m_highestBid = turn.value;
        m_leads = !m_bidding && turn.value == 1;
        if (m_leads)
            NewTrick();
        // The chair to move starts his part of the trick afresh.
        if (!m_bidding)
        {
            m_tableCards[static_cast<size_t>(turn.chair)].clear();
            m_passed[static_cast<size_t>(turn.chair)] = false;
        }
        return m_bidding ? TableEvent::BidTurn : TableEvent::PlayTurn;
    }
    case MSG_BID_NOTICE:
    {
        BidMsg bid;
        if (!Decode(msg, len, bid))
            return TableEvent::None;
        m_bids[bid.chair] = bid.points;
        m_highestBid = std::max<int>(m_highestBid, bid.points);
        return TableEvent::BidMade;
    }
    case MSG_LANDLORD:
    {
        LandlordMsg decided;
        if (!Decode(msg, len, decided))
            return TableEvent::None;
        // A round has one landlord: a second message would hand the cards out again.
        if (m_landlord >= 0)
            return TableEvent::None;
        // The own hand takes the cards kept back: one it holds already would be there twice (and
        // the automatic player would offer it twice), so such a message is dropped.
        if (decided.chair == m_ownChair)
        {
            for (Card c : decided.keptBack)
                if (std::find(m_hand.begin(), m_hand.end(), c) != m_hand.end())
                    return TableEvent::None;
        }
        m_landlord = decided.chair;
        m_highestBid = decided.bid;
        m_multiple = decided.bid;
        m_keptBack = decided.keptBack;
        m_left[decided.chair] += kKeptBack;
        if (decided.chair == m_ownChair)
        {
            m_hand.insert(m_hand.end(), m_keptBack.begin(), m_keptBack.end());
            SortCards(m_hand);
        }
        m_bidding = false;
        return TableEvent::Landlord;
    }
    case MSG_PLAY_NOTICE:
    {
        PlayMsg play;
        if (!Decode(msg, len, play))
            return TableEvent::None;
        const size_t chair = play.chair;
        m_left[chair] = play.left;
        m_systemPlays[chair] = play.bySystem;
        m_multiple = play.multiple;
        m_tableCards[chair] = play.cards;
        m_passed[chair] = play.cards.empty();
        if (!play.cards.empty())
        {
            const Combination combo = Classify(play.cards);
            m_last = combo;
            m_lastChair = play.chair;
            if (combo.IsBomb())
                ++m_doublings;
            if (play.chair == m_ownChair)
                m_hand = Without(m_hand, play.cards);
        }
        return TableEvent::Played;
    }
    case MSG_PLAY_REFUSED:
    {
        RefusedMsg refused;
        if (!Decode(msg, len, refused))
            return TableEvent::None;
        m_lastError = refused.error;
        return TableEvent::Refused;
    }
    case MSG_RESTORE:
    {
        RestoreMsg restore;
        if (!Decode(msg, len, restore))
            return TableEvent::None;
        Restore(restore);
        return TableEvent::Restored;
    }
    case MSG_ROUND_END:
    {
        if (!Decode(msg, len, m_end))
            return TableEvent::None;
        m_over = true;
        m_turnChair = -1;
        return TableEvent::RoundEnd;
    }
    default:
        return TableEvent::None;
    }
}

void TableState::Restore(const RestoreMsg& m)
{
    *this = TableState{};
    m_ownChair = m.ownChair;
    m_hand = m.hand;
    SortCards(m_hand);
    for (int c = 0; c < kPlayers; ++c)
    {
        const auto i = static_cast<size_t>(c);
        m_left[i] = m.left[c];
        m_bids[i] = m.bids[c];
        m_tableCards[i] = m.trick[c];
        m_passed[i] = m.passed[c];
        m_systemPlays[i] = m.systemPlays[c];
    }
    m_landlord = m.landlord;
    if (m.playing)
        m_keptBack = m.keptBack;
    m_highestBid = m.highestBid;
    m_turnChair = m.turn;
    m_bidding = !m.playing;
    m_leads = m.leads;
    m_turnSeconds = m.seconds;
    // The live messages keep the last play of the trick; when the seat to move leads there is none.
    if (!m.leads && m.toBeatChair >= 0)
    {
        m_last = Classify(m.toBeat);
        m_lastChair = m.toBeatChair;
    }
    m_multiple = m.multiple;
    m_doublings = m.doublings;
}

void TableState::NewTrick()
{
    for (auto& cards : m_tableCards)
        cards.clear();
    m_passed.fill(false);
    m_last = Combination{};
    m_lastChair = -1;
}

int TableState::CardsLeft(int chair) const
{
    return IsChair(chair) ? m_left[static_cast<size_t>(chair)] : 0;
}

int TableState::BidOf(int chair) const
{
    return IsChair(chair) ? m_bids[static_cast<size_t>(chair)] : -1;
}

const Cards& TableState::TableCards(int chair) const
{
    static const Cards kNone;
    return IsChair(chair) ? m_tableCards[static_cast<size_t>(chair)] : kNone;
}

bool TableState::Passed(int chair) const
{
    return IsChair(chair) && m_passed[static_cast<size_t>(chair)];
}

bool TableState::SystemPlays(int chair) const
{
    return IsChair(chair) && m_systemPlays[static_cast<size_t>(chair)];
}

Combination TableState::ToBeat() const
{
    return m_leads || m_lastChair == m_ownChair ? Combination{} : m_last;
}

bool TableState::CanBid(int points) const
{
    return MyTurn() && m_bidding && (points == 0 || (points > m_highestBid && points <= 3));
}

bool TableState::CanPlay(const Cards& selection) const
{
    if (!MyTurn() || m_bidding || m_landlord < 0 || selection.empty() || !AreDistinctCards(selection) ||
        !HoldsAll(m_hand, selection))
        return false;
    return Beats(Classify(selection), ToBeat());
}

bool TableState::CanPass() const
{
    return MyTurn() && !m_bidding && m_landlord >= 0 && ToBeat().IsPlay();
}

std::optional<Cards> TableState::Hint(int n) const
{
    if (!MyTurn() || m_bidding)
        return std::nullopt;
    const std::vector<Move> moves = LegalMoves(m_hand, ToBeat());
    if (moves.empty())
        return std::nullopt;
    return moves[static_cast<size_t>(((n % static_cast<int>(moves.size())) + static_cast<int>(moves.size())) %
                                     static_cast<int>(moves.size()))]
        .cards;
}

std::optional<AutoMove> TableState::DecideAuto() const
{
    if (!MyTurn())
        return std::nullopt;
    AutoMove move;
    if (m_bidding)
    {
        move.bid = true;
        move.points = ChooseBid(m_hand, m_highestBid);
        return move;
    }
    if (m_landlord < 0)
        return std::nullopt;
    TurnView view;
    view.hand = m_hand;
    view.last = ToBeat();
    view.lastByPartner = view.last.IsPlay() && m_ownChair != m_landlord && m_lastChair != m_landlord;
    view.fewestOpponentCards = kDeckSize;
    for (int chair = 0; chair < kPlayers; ++chair)
    {
        const bool opponent = chair != m_ownChair && (m_ownChair == m_landlord || chair == m_landlord);
        if (opponent)
            view.fewestOpponentCards = std::min(view.fewestOpponentCards, m_left[static_cast<size_t>(chair)]);
    }
    move.cards = ChoosePlay(view);
    return move;
}

std::string TableState::BidRequest(int points)
{
    BidMsg bid;
    bid.points = static_cast<std::uint8_t>(std::clamp(points, 0, 3));
    return Encode(MSG_BID_REQ, bid);
}

std::string TableState::PlayRequest(const Cards& cards)
{
    PlayMsg play;
    play.cards = cards;
    return Encode(MSG_PLAY_REQ, play);
}

} // namespace landlord
