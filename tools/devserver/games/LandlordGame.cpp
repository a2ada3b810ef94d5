#include "tools/devserver/games/LandlordGame.h"

#include "tools/devserver/Wire.h"
#include "tools/devserver/protocol/Messages.h"

#include <climits>

#include <algorithm>

namespace devserver
{

namespace
{

using landlord::Phase;
using landlord::PlayError;

// A deal that all three pass is dealt again; past this many the round ends with nothing won.
constexpr int kMaxDeals = 10;

// The table protocol's framing around a message the rules' encoders built.
std::string Framed(const std::string& msg)
{
    return GameMessage(static_cast<unsigned char>(msg[1]), msg.substr(landlord::kHeaderLen));
}

} // namespace

LandlordGame::LandlordGame(const LandlordOptions& options, std::uint32_t roundNumber)
    : m_options(options), m_roundNumber(roundNumber)
{
}

void LandlordGame::Start(GameHost& host, const std::vector<GameSeat>& seats)
{
    m_host = &host;
    if (seats.size() != landlord::kPlayers)
    {
        // The game needs three: the round ends at once with nothing won.
        GameResult result;
        for (const GameSeat& seat : seats)
            result.seats.push_back({seat.chair, 0, Outcome::None, 0, 0, 0});
        return host.End(std::move(result));
    }
    std::vector<GameSeat> byChair = seats;
    std::sort(byChair.begin(), byChair.end(), [](const GameSeat& a, const GameSeat& b) { return a.chair < b.chair; });
    for (int seat = 0; seat < landlord::kPlayers; ++seat)
    {
        m_chairs[static_cast<size_t>(seat)] = byChair[static_cast<size_t>(seat)].chair;
        m_bot[static_cast<size_t>(seat)] = byChair[static_cast<size_t>(seat)].bot;
        m_present[static_cast<size_t>(seat)] = true;
    }
    Deal();
    Advance();
}

void LandlordGame::Deal()
{
    ++m_deals;
    // Every round and every new deal of it has a deal of its own, the same for the same seed.
    const std::uint64_t seed = m_options.seed * 1000003u + m_roundNumber * 101u + static_cast<std::uint64_t>(m_deals);
    m_round = std::make_unique<landlord::Round>(seed, static_cast<int>((m_roundNumber + m_deals) % landlord::kPlayers),
                                                m_options.stake);
    for (int seat = 0; seat < landlord::kPlayers; ++seat)
    {
        landlord::DealMsg deal;
        deal.round = m_roundNumber;
        deal.firstBidder = static_cast<std::uint8_t>(ChairOf(m_round->Turn()));
        deal.ownChair = static_cast<std::uint8_t>(ChairOf(seat));
        deal.cards = m_round->Hand(seat);
        m_host->SendToChair(ChairOf(seat), Framed(landlord::Encode(deal)));
    }
}

std::uint32_t LandlordGame::Multiple() const
{
    return static_cast<std::uint32_t>(std::max(m_round->HighestBid(), 1)) << std::min(m_round->Doublings(), 20);
}

void LandlordGame::Advance()
{
    if (m_turnTimer)
        m_host->CancelTimer(m_turnTimer);
    m_turnTimer = 0;
    switch (m_round->GetPhase())
    {
    case Phase::AllPassed:
        if (m_deals >= kMaxDeals)
        {
            GameResult result;
            for (int chair : m_chairs)
                result.seats.push_back({chair, 0, Outcome::Draw, 0, 0, 0});
            return m_host->End(std::move(result));
        }
        Deal();
        return Advance();
    case Phase::Over:
        return Finish();
    case Phase::Bidding:
    case Phase::Playing:
        break;
    }
    const int seat = m_round->Turn();
    const bool thinking = m_bot[static_cast<size_t>(seat)] || !m_present[static_cast<size_t>(seat)] ||
                          m_systemPlays[static_cast<size_t>(seat)];
    const int ms = thinking ? m_options.botDelayMs : m_options.turnMs;
    AnnounceTurn(seat, ms);
    m_turnStartMs = m_host->NowMs();
    SetTurnTimer(ms);
}

void LandlordGame::AnnounceTurn(int seat, int ms)
{
    landlord::TurnMsg turn;
    turn.chair = static_cast<std::uint8_t>(ChairOf(seat));
    turn.seconds = static_cast<std::uint8_t>(std::clamp(ms / 1000, 0, 255));
    if (m_round->GetPhase() == Phase::Bidding)
    {
        turn.value = static_cast<std::uint8_t>(m_round->HighestBid());
        m_host->SendToTable(Framed(landlord::Encode(landlord::MSG_BID_TURN, turn)));
    }
    else
    {
        turn.value = m_round->ToBeat().IsPlay() ? 0 : 1;
        m_host->SendToTable(Framed(landlord::Encode(landlord::MSG_PLAY_TURN, turn)));
    }
}

void LandlordGame::SetTurnTimer(int ms)
{
    if (m_turnTimer)
        m_host->CancelTimer(m_turnTimer);
    m_turnTimer = m_host->SetTimer(ms);
    m_turnDueMs = m_host->NowMs() + ms;
}

void LandlordGame::OnTimer(GameHost::TimerId id)
{
    if (id != m_turnTimer || !m_round)
        return;
    m_turnTimer = 0;
    ActForTurn();
}

void LandlordGame::ActForTurn()
{
    const int seat = m_round->Turn();
    const bool bot = m_bot[static_cast<size_t>(seat)];
    if (!bot && !m_systemPlays[static_cast<size_t>(seat)])
    {
        // A player whose time ran out (or who has gone): the system plays for him from now on.
        m_systemPlays[static_cast<size_t>(seat)] = true;
        m_host->SendToTable(EncodeAutoPlay(static_cast<std::uint8_t>(ChairOf(seat)), 1));
    }
    const PlayError error = m_round->GetPhase() == Phase::Bidding
                                ? Bid(seat, landlord::ChooseBid(m_round->Hand(seat), m_round->HighestBid()))
                                : Play(seat, landlord::ChoosePlay(m_round->ViewFor(seat)), !bot);
    // The decision code only makes legal moves; should one be refused, a pass (or the lowest lead)
    // keeps the round going.
    if (error != PlayError::None && m_round->GetPhase() == Phase::Playing)
    {
        const std::vector<landlord::Move> moves = landlord::LegalMoves(m_round->Hand(seat), m_round->ToBeat());
        Play(seat, m_round->ToBeat().IsPlay() || moves.empty() ? landlord::Cards{} : moves.front().cards, !bot);
    }
    Advance();
}

PlayError LandlordGame::Bid(int seat, int points)
{
    const PlayError error = m_round->Bid(seat, points);
    if (error != PlayError::None)
        return error;
    landlord::BidMsg notice;
    notice.chair = static_cast<std::uint8_t>(ChairOf(seat));
    notice.points = static_cast<std::uint8_t>(points);
    m_host->SendToTable(Framed(landlord::Encode(landlord::MSG_BID_NOTICE, notice)));
    if (m_round->GetPhase() == Phase::Playing)
    {
        landlord::LandlordMsg decided;
        decided.chair = static_cast<std::uint8_t>(ChairOf(m_round->Landlord()));
        decided.bid = static_cast<std::uint8_t>(m_round->HighestBid());
        decided.keptBack = m_round->KeptBack();
        m_host->SendToTable(Framed(landlord::Encode(decided)));
    }
    return PlayError::None;
}

PlayError LandlordGame::Play(int seat, const landlord::Cards& cards, bool bySystem)
{
    const PlayError error = m_round->Play(seat, cards);
    if (error != PlayError::None)
        return error;
    landlord::PlayMsg notice;
    notice.chair = static_cast<std::uint8_t>(ChairOf(seat));
    notice.cards = cards;
    landlord::SortCards(notice.cards);
    notice.left = static_cast<std::uint8_t>(m_round->Hand(seat).size());
    notice.bySystem = bySystem;
    notice.multiple = Multiple();
    m_host->SendToTable(Framed(landlord::Encode(landlord::MSG_PLAY_NOTICE, notice)));
    return PlayError::None;
}

void LandlordGame::OnMessage(int chair, std::string_view msg)
{
    const int seat = SeatOf(chair);
    if (seat < 0 || !m_round)
        return;
    const auto* bytes = reinterpret_cast<const unsigned char*>(msg.data());
    PlayError error = PlayError::WrongPhase;
    switch (landlord::TypeOf(bytes, msg.size()))
    {
    case landlord::MSG_BID_REQ:
    {
        landlord::BidMsg bid;
        if (!landlord::Decode(bytes, msg.size(), bid))
            return;
        error = seat != m_round->Turn() ? PlayError::NotYourTurn : Bid(seat, bid.points);
        break;
    }
    case landlord::MSG_PLAY_REQ:
    {
        landlord::PlayMsg play;
        if (!landlord::Decode(bytes, msg.size(), play))
            return;
        error = seat != m_round->Turn() ? PlayError::NotYourTurn : Play(seat, play.cards, false);
        break;
    }
    default:
        return; // not the game's
    }
    if (error != PlayError::None)
    {
        landlord::RefusedMsg refused;
        refused.error = static_cast<std::uint8_t>(error);
        m_host->SendToChair(chair, Framed(landlord::Encode(refused)));
        return;
    }
    // A player who moves by himself is back in charge of his seat.
    if (m_systemPlays[static_cast<size_t>(seat)])
    {
        m_systemPlays[static_cast<size_t>(seat)] = false;
        m_host->SendToTable(EncodeAutoPlay(static_cast<std::uint8_t>(chair), 0));
    }
    Advance();
}

void LandlordGame::OnPlayerLeave(int chair)
{
    const int seat = SeatOf(chair);
    if (seat < 0 || !m_round)
        return;
    m_present[static_cast<size_t>(seat)] = false;
    // His turn now: the system plays it without waiting out his time.
    if (m_round->Turn() == seat && m_turnTimer)
        SetTurnTimer(m_options.botDelayMs);
}

void LandlordGame::OnPlayerBack(int chair)
{
    const int seat = SeatOf(chair);
    if (seat < 0 || !m_round)
        return;
    m_present[static_cast<size_t>(seat)] = true;
    // Back before the system made his move: the rest of his turn is his again. Once the system
    // has moved for him it goes on doing so until he moves himself.
    // The table hears of it again: a turn that began while he was away was announced with the
    // system's short time, and every countdown at the table should end when his does.
    if (m_round->Turn() == seat && m_turnTimer && !m_systemPlays[static_cast<size_t>(seat)])
    {
        const std::int64_t rest = m_turnStartMs + m_options.turnMs - m_host->NowMs();
        const int ms = static_cast<int>(std::clamp<std::int64_t>(rest, 0, m_options.turnMs));
        AnnounceTurn(seat, ms);
        SetTurnTimer(ms);
    }
}

std::string LandlordGame::RestoreFor(int chair) const
{
    const int own = SeatOf(chair);
    if (own < 0 || !m_round || (m_round->GetPhase() != Phase::Bidding && m_round->GetPhase() != Phase::Playing))
        return {};
    const landlord::Round& round = *m_round;
    const bool playing = round.GetPhase() == Phase::Playing;
    landlord::RestoreMsg m;
    m.round = m_roundNumber;
    m.ownChair = static_cast<std::uint8_t>(chair);
    m.playing = playing;
    m.firstBidder = static_cast<std::uint8_t>(ChairOf(round.FirstBidder()));
    m.highestBid = static_cast<std::uint8_t>(round.HighestBid());
    if (playing)
    {
        m.landlord = ChairOf(round.Landlord());
        m.keptBack = round.KeptBack();
        m.multiple = Multiple();
    }
    m.hand = round.Hand(own);
    m.turn = static_cast<std::uint8_t>(ChairOf(round.Turn()));
    m.leads = playing && !round.ToBeat().IsPlay();
    // A player coming back on his own turn before the system moved has the rest of it (OnPlayerBack).
    const auto ownSeat = static_cast<size_t>(own);
    const bool regains = round.Turn() == own && !m_present[ownSeat] && !m_systemPlays[ownSeat];
    const std::int64_t rest = (regains ? m_turnStartMs + m_options.turnMs : m_turnDueMs) - m_host->NowMs();
    m.seconds = static_cast<std::uint8_t>(std::clamp<std::int64_t>(rest / 1000, 0, 255));
    if (playing && !m.leads)
    {
        m.toBeatChair = ChairOf(round.LastSeat());
        m.toBeat = round.LastCards();
    }
    m.doublings = static_cast<std::uint8_t>(std::min(round.Doublings(), 255));
    for (int seat = 0; seat < landlord::kPlayers; ++seat)
    {
        // The message is by chair, as every chair field of the game's messages.
        const int c = ChairOf(seat);
        if (c < 0 || c >= landlord::kPlayers)
            return {};
        m.bids[c] = round.BidOf(seat);
        m.left[c] = static_cast<std::uint8_t>(round.Hand(seat).size());
        m.trick[c] = round.TrickCards(seat);
        m.passed[c] = round.Passed(seat);
        m.systemPlays[c] = m_systemPlays[static_cast<size_t>(seat)];
    }
    return Framed(landlord::Encode(m));
}

void LandlordGame::Finish()
{
    const landlord::RoundResult r = m_round->Result();
    landlord::RoundEndMsg end;
    end.landlord = static_cast<std::uint8_t>(ChairOf(r.landlord));
    end.landlordWon = r.landlordWon;
    end.spring = r.spring;
    end.antiSpring = r.antiSpring;
    end.bid = static_cast<std::uint8_t>(r.bid);
    end.doublings = static_cast<std::uint8_t>(std::min(r.doublings, 255));
    end.multiple = static_cast<std::uint32_t>(r.multiple);
    GameResult result;
    for (int seat = 0; seat < landlord::kPlayers; ++seat)
    {
        const std::int64_t delta = r.delta[static_cast<size_t>(seat)];
        const auto money = static_cast<std::int32_t>(std::clamp<std::int64_t>(delta, INT32_MIN, INT32_MAX));
        // The message is by seat, in chair order; chairs are told in it too.
        end.delta[seat] = money;
        end.hands[seat] = m_round->Hand(seat);
        result.seats.push_back({ChairOf(seat), money, money > 0 ? Outcome::Win : Outcome::Lose, 0, 0, 0});
    }
    const std::string bytes = landlord::Encode(end);
    m_host->SendToTable(Framed(bytes));
    result.gameBytes = bytes.substr(landlord::kHeaderLen, 124);
    m_host->End(std::move(result));
}

int LandlordGame::SeatOf(int chair) const
{
    for (int seat = 0; seat < landlord::kPlayers; ++seat)
    {
        if (m_chairs[static_cast<size_t>(seat)] == chair)
            return seat;
    }
    return -1;
}

} // namespace devserver
