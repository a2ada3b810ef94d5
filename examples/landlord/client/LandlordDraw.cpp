// The demo game's drawing on the felt: what LandlordView shows of the round, over the library's
// table screen (background, portraits, names) and under its children and overlay (buttons, chat,
// animation layers, bubbles).
#include "examples/landlord/client/LandlordView.h"

#include "examples/landlord/client/ViewLayout.h"

#include "pop/Graphics.h"
#include "pop/Image.h"
#include "pop/SysFont.h"
#include "tessaro/session/PlayerNode.h"
#include "tessaro/widgets/TextConversion.h"

#include <algorithm>
#include <cstring>

namespace landlord
{

using namespace layout;

namespace
{

const Sexy::Color kGold(255, 214, 90);
const Sexy::Color kWhite(255, 255, 255);
const Sexy::Color kSweep(90, 160, 255, 90);
const Sexy::Color kWin(255, 226, 120);
const Sexy::Color kLose(170, 200, 255);

std::wstring Wide(const std::string& gbk)
{
    return Ostra::string2wstring(gbk);
}

void Text(Sexy::Graphics* g, Sexy::Font* font, const std::wstring& text, int x, int y, const Sexy::Color& color,
          int justify = -1)
{
    if (!font)
        return;
    const int width = font->StringWidth(text);
    const int left = justify < 0 ? x : justify == 0 ? x - width / 2 : x - width;
    // A dark edge keeps the text legible on the felt's light and dark patches alike.
    font->DrawString(g, left + 1, y + font->GetAscent() + 1, text, Sexy::Color(0, 0, 0, 160));
    font->DrawString(g, left, y + font->GetAscent(), text, color);
}

} // namespace

void LandlordView::Draw(Sexy::Graphics* g)
{
    GameViewBase::Draw(g);
    DrawTable(g);
}

void LandlordView::DrawTable(Sexy::Graphics* g)
{
    DrawKeptBack(g);
    DrawOthers(g);
    DrawTrick(g);
    DrawHand(g);
    DrawSeatMarks(g);
    DrawClock(g);
    if (m_bShowResult)
        DrawResult(g);
}

void LandlordView::DrawCard(Sexy::Graphics* g, Sexy::Image* strip, int cel, int x, int y, int width, int height)
{
    if (strip)
    {
        g->DrawImageCel(strip, x, y, cel);
        return;
    }
    // Without the skin's cards: a plain face with the rank, so the game stays playable.
    g->SetColor(cel == kBackCel ? Sexy::Color(150, 40, 40) : kWhite);
    g->FillRect(x, y, width, height);
    g->SetColor(Sexy::Color(40, 40, 40));
    g->DrawRect(x, y, width - 1, height - 1);
    if (cel != kBackCel)
    {
        const bool red = cel == kBigJoker || (cel < 52 && (cel / 13 == 1 || cel / 13 == 3));
        Text(g, m_pFont10B.get(), Wide(RankName(RankOf(static_cast<Card>(cel)))), x + 3, y + 2,
             red ? Sexy::Color(200, 0, 0) : Sexy::Color(0, 0, 0));
    }
}

void LandlordView::DrawSmallCards(Sexy::Graphics* g, const Cards& cards, int left, int y, int step)
{
    for (size_t i = 0; i < cards.size(); ++i)
        DrawCard(g, m_pSmallCardImage.get(), cards[i], left + static_cast<int>(i) * step, y, kSmallWidth, kSmallHeight);
}

void LandlordView::DrawKeptBack(Sexy::Graphics* g)
{
    const bool dealt = m_state.OwnChair() >= 0 || m_state.Landlord() >= 0;
    if (!dealt)
        return;
    const Cards& kept = m_state.KeptBack();
    const int left = kCentreX - (2 * kKeptBackStep + kSmallWidth) / 2;
    for (int i = 0; i < kKeptBack; ++i)
    {
        // Face down until the landlord takes them.
        const int cel = i < static_cast<int>(kept.size()) ? kept[static_cast<size_t>(i)] : kBackCel;
        DrawCard(g, m_pSmallCardImage.get(), cel, left + i * kKeptBackStep, kKeptBackY, kSmallWidth, kSmallHeight);
    }
    std::string stake =
        "底分 " + std::to_string(m_pAppInfo && m_pAppInfo->iGameBaseTimes > 0 ? m_pAppInfo->iGameBaseTimes * 100 : 100);
    stake += "   倍数 " + std::to_string(m_state.Landlord() >= 0 ? m_state.Multiple() : 1);
    if (m_state.HighestBid() > 0)
        stake += "   叫分 " + std::to_string(m_state.HighestBid());
    Text(g, m_pFont12B.get(), Wide(stake), kCentreX, kStakeY, kGold, 0);
}

void LandlordView::DrawOthers(Sexy::Graphics* g)
{
    if (m_state.OwnChair() < 0 && m_state.Landlord() < 0)
        return;
    for (int chair = 0; chair < kPlayers; ++chair)
    {
        const int seat = SeatOfChair(chair);
        if (seat == 1 || seat < 0)
            continue;
        const int left = m_state.CardsLeft(chair);
        if (left <= 0)
            continue;
        // A short stack of backs, thicker for more cards, with the count on it.
        const int layers = std::min(3, (left + 5) / 6);
        for (int i = 0; i < layers; ++i)
            DrawCard(g, m_pSmallCardImage.get(), kBackCel, kBackX[seat] + i * 3, kBackY + i * 3, kSmallWidth,
                     kSmallHeight);
        Text(g, m_pFont12B.get(), std::to_wstring(left), kBackX[seat] + kSmallWidth / 2 + 3, kBackY + kSmallHeight + 10,
             left <= 2 ? Sexy::Color(255, 90, 70) : kWhite, 0);
    }
}

void LandlordView::DrawTrick(Sexy::Graphics* g)
{
    for (int chair = 0; chair < kPlayers; ++chair)
    {
        const int seat = SeatOfChair(chair);
        if (seat < 0)
            continue;
        const Cards& cards = m_state.TableCards(chair);
        std::wstring word;
        if (m_state.RoundOver())
        {
            // At the end every hand lies open where its tricks were.
            const Cards& rest = m_state.LastEnd().hands[chair];
            if (seat != 1 && !rest.empty())
            {
                const int width = static_cast<int>(rest.size() - 1) * kTrickStep + kSmallWidth;
                DrawSmallCards(g, rest, seat == 0 ? kTrickX[0] : kTrickX[2] - width, kTrickY[seat], kTrickStep);
            }
            continue;
        }
        if (!cards.empty() && !m_bFlying[static_cast<size_t>(chair)])
        {
            const int width = static_cast<int>(cards.size() - 1) * kTrickStep + kSmallWidth;
            const int left = seat == 0 ? kTrickX[0] : seat == 2 ? kTrickX[2] - width : kTrickX[1] - width / 2;
            DrawSmallCards(g, cards, left, kTrickY[seat], kTrickStep);
            continue;
        }
        if (m_state.Passed(chair))
            word = L"不出";
        else if (m_state.Landlord() < 0 && m_state.BidOf(chair) == 0)
            word = L"不叫";
        else if (m_state.Landlord() < 0 && m_state.BidOf(chair) > 0)
            word = std::to_wstring(m_state.BidOf(chair)) + L"分";
        if (!word.empty())
        {
            const int x = seat == 0 ? kTrickX[0] : seat == 2 ? kTrickX[2] : kTrickX[1];
            Text(g, m_pFont12B.get(), word, x, kTrickY[seat] + 20, kWhite, seat == 0 ? -1 : seat == 2 ? 1 : 0);
        }
    }
}

void LandlordView::DrawHand(Sexy::Graphics* g)
{
    const Cards& cards = m_hand.GetCards();
    const int from = m_hand.SweepFrom();
    const int to = m_hand.SweepTo();
    for (int i = 0; i < static_cast<int>(cards.size()); ++i)
    {
        const int x = m_hand.CardX(i);
        const int y = m_hand.CardY(i);
        DrawCard(g, m_pCardImage.get(), cards[static_cast<size_t>(i)], x, y, kCardWidth, kCardHeight);
        if (i >= from && i <= to && from >= 0)
        {
            // The sweep in progress tints what it covers.
            const int width = i + 1 < static_cast<int>(cards.size()) ? kHandStep : kCardWidth;
            g->SetColor(kSweep);
            g->FillRect(x, y, width, kCardHeight);
        }
    }
}

void LandlordView::DrawSeatMarks(Sexy::Graphics* g)
{
    for (int seat = 0; seat < kPlayers; ++seat)
    {
        const Ostra::PlayerNode* node = seat == 1 && !m_pTableUser[1] ? m_pSelfNode : m_pTableUser[seat];
        if (!node)
            continue;
        const int x = kPortraitX[seat];
        const int y = kPortraitY[seat];
        const int chair = node->cChairId;
        // The landlord's mark (or the farmers') on the portrait's corner once the bidding is over.
        if (m_state.Landlord() >= 0 && chair >= 0 && chair < kPlayers)
        {
            Sexy::Image* mark = chair == m_state.Landlord() ? m_pLandlordMark.get() : m_pFarmerMark.get();
            if (mark)
                g->DrawImage(mark, x + kPortrait - mark->GetWidth() / 2, y - mark->GetHeight() / 2);
            else
                Text(g, m_pFont12B.get(), chair == m_state.Landlord() ? L"地主" : L"农民", x, y - 16, kGold);
        }
        // Below the name: ready before a round, the system's play, being away, the net delay.
        std::wstring status;
        if (!m_bGamePlaying && node->cReady == 1)
            status = L"准备";
        if (m_cOffline[seat])
            status = L"离线";
        else if (m_cAutoPlay[seat] || (chair >= 0 && chair < kPlayers && m_state.SystemPlays(chair)) ||
                 (seat == 1 && m_bAutoPlay))
            status = L"托管";
        const int below = y + kPortrait + kNameBelow + 18;
        if (!status.empty())
            Text(g, m_pFont10B.get(), status, x + kPortrait / 2, below, kGold, 0);
        if (m_iNetDelay[seat] > 0)
        {
            const int delay = m_iNetDelay[seat];
            const Sexy::Color color = delay < 150   ? Sexy::Color(120, 230, 120)
                                      : delay < 500 ? Sexy::Color(240, 210, 90)
                                                    : Sexy::Color(250, 100, 80);
            Text(g, m_pFont10.get(), std::to_wstring(delay) + L"ms", x + kPortrait / 2, below + 16, color, 0);
        }
    }
}

void LandlordView::DrawClock(Sexy::Graphics* g)
{
    if (m_iTurnUpdates <= 0 || m_state.RoundOver() || m_iDealShown >= 0)
        return;
    const int seat = SeatOfChair(m_state.TurnChair());
    if (seat < 0)
        return;
    const int seconds = (m_iTurnUpdates + 99) / 100;
    const int x = kClockX[seat];
    const int y = kClockY[seat];
    if (m_pClockImage)
        g->DrawImage(m_pClockImage.get(), x, y);
    const int width = m_pClockImage ? m_pClockImage->GetWidth() : 52;
    const int height = m_pClockImage ? m_pClockImage->GetHeight() : 56;
    Text(g, m_pFont12B.get(), std::to_wstring(seconds), x + width / 2, y + height / 2 - 6,
         seconds <= 5 ? Sexy::Color(230, 40, 30) : Sexy::Color(30, 30, 30), 0);
}

void LandlordView::DrawResult(Sexy::Graphics* g)
{
    const RoundEndMsg& end = m_state.LastEnd();
    const int width = m_pResultImage ? m_pResultImage->GetWidth() : 440;
    const int height = m_pResultImage ? m_pResultImage->GetHeight() : 280;
    if (m_pResultImage)
    {
        g->DrawImage(m_pResultImage.get(), kResultX, kResultY);
    }
    else
    {
        g->SetColor(Sexy::Color(30, 50, 40, 230));
        g->FillRect(kResultX, kResultY, width, height);
    }
    const int own = m_state.OwnChair();
    const bool ownWon = own >= 0 && end.delta[own] > 0;
    std::wstring title = own < 0 ? (end.landlordWon ? L"地主胜" : L"农民胜") : ownWon ? L"胜利" : L"失败";
    if (end.spring)
        title += L"  春天";
    else if (end.antiSpring)
        title += L"  反春";
    Text(g, m_pFont12B.get(), title, kResultX + width / 2, kResultY + 12, ownWon ? kWin : kLose, 0);
    const int columns[] = {kResultX + 30, kResultX + 180, kResultX + 260, kResultX + 410};
    int y = kResultY + 60;
    Text(g, m_pFont11B.get(), L"玩家", columns[0], y, kGold);
    Text(g, m_pFont11B.get(), L"身份", columns[1], y, kGold);
    Text(g, m_pFont11B.get(), L"剩牌", columns[2], y, kGold);
    Text(g, m_pFont11B.get(), L"游戏币", columns[3], y, kGold, 1);
    for (int chair = 0; chair < kPlayers; ++chair)
    {
        y += 34;
        const Sexy::Color color = chair == own ? kGold : kWhite;
        std::wstring nick = Wide(m_strNick[static_cast<size_t>(chair)]);
        if (nick.empty())
            nick = L"座位" + std::to_wstring(chair + 1);
        Text(g, m_pFont11.get(), nick, columns[0], y, color);
        Text(g, m_pFont11.get(), chair == end.landlord ? L"地主" : L"农民", columns[1], y, color);
        Text(g, m_pFont11.get(), std::to_wstring(end.hands[chair].size()), columns[2], y, color);
        const std::int32_t delta = end.delta[chair];
        Text(g, m_pFont11B.get(), (delta > 0 ? L"+" : L"") + std::to_wstring(delta), columns[3], y,
             delta > 0 ? kWin : kLose, 1);
    }
    std::wstring detail = L"叫分 " + std::to_wstring(end.bid) + L"   炸弹 " + std::to_wstring(end.doublings) +
                          L"   倍数 " + std::to_wstring(end.multiple);
    Text(g, m_pFont10.get(), detail, kResultX + width / 2, kResultY + height - 40, kWhite, 0);
}

} // namespace landlord
