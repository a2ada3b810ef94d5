#include "examples/landlord/rules/Round.h"

#include <algorithm>
#include <random>

namespace landlord
{

Round::Round(std::uint64_t seed, int firstBidder, int stake)
    : m_stake(stake), m_turn(((firstBidder % kPlayers) + kPlayers) % kPlayers), m_firstBidder(m_turn)
{
    // The same seed deals the same cards everywhere: the shuffle uses the generator's raw output,
    // not a distribution whose algorithm the standard leaves open.
    std::mt19937_64 generator(seed);
    Cards deck(kDeckSize);
    for (int i = 0; i < kDeckSize; ++i)
        deck[static_cast<size_t>(i)] = static_cast<Card>(i);
    for (int i = kDeckSize - 1; i > 0; --i)
        std::swap(deck[static_cast<size_t>(i)], deck[static_cast<size_t>(generator() % static_cast<unsigned>(i + 1))]);
    for (int seat = 0; seat < kPlayers; ++seat)
    {
        Cards& hand = m_hands[static_cast<size_t>(seat)];
        hand.assign(deck.begin() + seat * kHandSize, deck.begin() + (seat + 1) * kHandSize);
        SortCards(hand);
    }
    m_keptBack.assign(deck.end() - kKeptBack, deck.end());
    SortCards(m_keptBack);
}

Combination Round::ToBeat() const
{
    return m_lastSeat >= 0 && m_lastSeat != m_turn ? m_last : Combination{};
}

PlayError Round::Bid(int seat, int points)
{
    if (m_phase != Phase::Bidding)
        return PlayError::WrongPhase;
    if (seat != m_turn)
        return PlayError::NotYourTurn;
    if (points != 0 && (points <= m_highestBid || points > 3))
        return PlayError::BadBid;
    if (points > 0)
    {
        m_highestBid = points;
        m_highestBidder = seat;
    }
    m_bidOf[static_cast<size_t>(seat)] = points;
    ++m_bids;
    if (m_highestBid == 3 || m_bids == kPlayers)
    {
        if (m_highestBidder < 0)
        {
            m_phase = Phase::AllPassed;
            return PlayError::None;
        }
        m_landlord = m_highestBidder;
        Cards& hand = m_hands[static_cast<size_t>(m_landlord)];
        hand.insert(hand.end(), m_keptBack.begin(), m_keptBack.end());
        SortCards(hand);
        m_phase = Phase::Playing;
        m_turn = m_landlord;
        return PlayError::None;
    }
    m_turn = (m_turn + 1) % kPlayers;
    return PlayError::None;
}

PlayError Round::Play(int seat, const Cards& cards)
{
    if (m_phase != Phase::Playing)
        return PlayError::WrongPhase;
    if (seat != m_turn)
        return PlayError::NotYourTurn;
    const Combination toBeat = ToBeat();
    if (cards.empty())
    {
        if (!toBeat.IsPlay())
            return PlayError::MustLead;
        m_passed[static_cast<size_t>(seat)] = true;
        NextTurn();
        return PlayError::None;
    }
    Cards& hand = m_hands[static_cast<size_t>(seat)];
    if (!AreDistinctCards(cards) || !HoldsAll(hand, cards))
        return PlayError::NotInHand;
    const Combination combo = Classify(cards);
    if (!combo.IsPlay())
        return PlayError::NotAPlay;
    if (!Beats(combo, toBeat))
        return PlayError::DoesNotBeat;
    hand = Without(hand, cards);
    m_last = combo;
    m_lastCards = cards;
    SortCards(m_lastCards);
    m_lastSeat = seat;
    m_trick[static_cast<size_t>(seat)] = m_lastCards;
    ++m_playsMade[static_cast<size_t>(seat)];
    if (combo.IsBomb())
        ++m_doublings;
    if (hand.empty())
    {
        Settle(seat);
        return PlayError::None;
    }
    NextTurn();
    return PlayError::None;
}

void Round::NextTurn()
{
    m_turn = (m_turn + 1) % kPlayers;
    if (m_lastSeat == m_turn)
    {
        for (Cards& cards : m_trick)
            cards.clear();
        m_passed.fill(false);
    }
    m_trick[static_cast<size_t>(m_turn)].clear();
    m_passed[static_cast<size_t>(m_turn)] = false;
}

TurnView Round::ViewFor(int seat) const
{
    TurnView view;
    view.hand = Hand(seat);
    if (seat == m_turn)
        view.last = ToBeat();
    view.lastByPartner = view.last.IsPlay() && seat != m_landlord && m_lastSeat != m_landlord;
    view.fewestOpponentCards = kDeckSize;
    for (int other = 0; other < kPlayers; ++other)
    {
        const bool opponent = other != seat && (seat == m_landlord || other == m_landlord);
        if (opponent)
            view.fewestOpponentCards = std::min(view.fewestOpponentCards, static_cast<int>(Hand(other).size()));
    }
    return view;
}

PlayError Round::PlayAsBot()
{
    if (m_phase == Phase::Bidding)
        return Bid(m_turn, ChooseBid(Hand(m_turn), m_highestBid));
    if (m_phase != Phase::Playing)
        return PlayError::WrongPhase;
    return Play(m_turn, ChoosePlay(ViewFor(m_turn)));
}

void Round::Settle(int winner)
{
    RoundResult& r = m_result;
    r.landlord = m_landlord;
    r.landlordWon = winner == m_landlord;
    r.bid = m_highestBid;
    r.doublings = m_doublings;
    int farmerPlays = 0;
    for (int seat = 0; seat < kPlayers; ++seat)
    {
        if (seat != m_landlord)
            farmerPlays += m_playsMade[static_cast<size_t>(seat)];
    }
    r.spring = r.landlordWon && farmerPlays == 0;
    r.antiSpring = !r.landlordWon && m_playsMade[static_cast<size_t>(m_landlord)] == 1;
    // At most 20 cards make at most 5 bombs and the rocket: the multiple stays small.
    r.multiple = r.bid << std::min(m_doublings, 20);
    if (r.spring || r.antiSpring)
        r.multiple *= 2;
    const std::int64_t unit = static_cast<std::int64_t>(m_stake) * r.multiple;
    for (int seat = 0; seat < kPlayers; ++seat)
    {
        const bool landlord = seat == m_landlord;
        const std::int64_t amount = landlord ? 2 * unit : unit;
        r.delta[static_cast<size_t>(seat)] = (landlord == r.landlordWon) ? amount : -amount;
    }
    m_phase = Phase::Over;
}

} // namespace landlord
