#include "examples/landlord/client/LandlordView.h"

#include "examples/landlord/client/ViewLayout.h"
#include "examples/landlord/rules/Combination.h"

#include "platform/Text.h"
#include "pop/ButtonWidget.h"
#include "pop/Image.h"
#include "tessaro/app/GameAppBase.h"
#include "tessaro/session/GameWndBase.h"
#include "tessaro/session/PlayerNode.h"
#include "tessaro/widgets/AnimLayer.h"
#include "tessaro/widgets/ChatShowWidget.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace landlord
{

using namespace layout;

namespace
{

constexpr int kUpdatesPerSecond = 100;
// A card of the deal every this many updates.
constexpr int kDealStepUpdates = 4;
// The alarm ticks in the own turn's last seconds.
constexpr int kAlarmSeconds = 5;
// The middle of the play, for the screenshot of it: half of the 54 cards are on the table.
constexpr int kMidPlayCards = 27;

const char* const kButtonPictures[] = {"btn_bid0", "btn_bid1", "btn_bid2", "btn_bid3",
                                       "btn_pass", "btn_hint", "btn_play", "btn_auto"};

std::string CardsText(const Cards& cards)
{
    std::string text;
    for (Card card : cards)
        text += (text.empty() ? "" : ",") + RankName(RankOf(card));
    return text.empty() ? "-" : text;
}

std::string Nick(const Ostra::PlayerNode& node)
{
    return std::string(node.szNickName, strnlen(node.szNickName, sizeof(node.szNickName)));
}

// Why the server refused the own move, as the player reads it.
const char* RefusalText(int error)
{
    switch (static_cast<PlayError>(error))
    {
    case PlayError::NotYourTurn:
        return "[系统消息]:还没有轮到您。";
    case PlayError::BadBid:
        return "[系统消息]:叫分必须高于当前的最高分。";
    case PlayError::NotInHand:
        return "[系统消息]:您没有这些牌。";
    case PlayError::NotAPlay:
        return "[系统消息]:这些牌不成牌型。";
    case PlayError::DoesNotBeat:
        return "[系统消息]:您出的牌大不过上家。";
    case PlayError::MustLead:
        return "[系统消息]:您是首家，必须出牌。";
    default:
        return "[系统消息]:现在不能出牌。";
    }
}

} // namespace

LandlordView::LandlordView(Ostra::GameAppBase* app)
    : GameViewBase(app), m_hand(HandGeometry{kCentreX, kHandTop, kCardWidth, kCardHeight, kHandStep, kHandRaise})
{
    Resize(kViewX, kViewY, kViewWidth, kViewHeight);
    LoadPictures();
    CreateButtons();
    PlaceWidgets();
    for (auto& layer : m_pLayers)
        layer = std::make_unique<Ostra::AnimLayer>(this);
}

LandlordView::~LandlordView()
{
    // The layers leave the view's map before the view's members go.
    for (auto& layer : m_pLayers)
        layer.reset();
    for (auto& button : m_pButtons)
    {
        if (button)
            RemoveWidget(button.get());
    }
}

void LandlordView::LoadPictures()
{
    auto load = [this](const char* name) { return std::unique_ptr<Sexy::Image>(m_pApp->GetImage(name, true)); };
    m_pCardImage = load("images\\cards\\card");
    m_pSmallCardImage = load("images\\cards\\card_small");
    for (Sexy::Image* strip : {m_pCardImage.get(), m_pSmallCardImage.get()})
    {
        if (strip)
            strip->mNumCols = kCardCels;
    }
    m_pLandlordMark = load("images\\landlord\\mark_landlord");
    m_pFarmerMark = load("images\\landlord\\mark_farmer");
    m_pClockImage = load("images\\landlord\\clock");
    m_pResultImage = load("images\\landlord\\result_bg");
    m_pUnautoImage = load("images\\landlord\\btn_unauto");
    if (m_pUnautoImage)
        m_pUnautoImage->mNumCols = 4;
}

void LandlordView::CreateButtons()
{
    for (int i = 0; i < kButtons; ++i)
    {
        auto button = std::make_unique<Sexy::ButtonWidget>(BTN_BID0 + i, this);
        m_pButtonImages[static_cast<size_t>(i)].reset(
            m_pApp->GetImage(std::string("images\\landlord\\") + kButtonPictures[i], true));
        if (Sexy::Image* picture = m_pButtonImages[static_cast<size_t>(i)].get())
        {
            picture->mNumCols = 4;
            button->SetBtnImage(m_pApp, picture, true, true, true, true, true);
        }
        else
        {
            // Without the skin the buttons still work, as plain labelled ones.
            static const wchar_t* const labels[] = {L"不叫", L"1分",  L"2分",  L"3分",
                                                    L"不出", L"提示", L"出牌", L"托管"};
            button->mLabel = labels[i];
            button->Resize(0, 0, 96, 40);
        }
        button->SetVisible(i == BTN_AUTO - BTN_BID0);
        AddWidget(button.get());
        m_pButtons[static_cast<size_t>(i)] = std::move(button);
    }
}

void LandlordView::PlaceWidgets()
{
    for (int seat = 0; seat < 3; ++seat)
    {
        m_ptUserShow[seat] = Sexy::TPoint<int>(kPortraitX[seat], kPortraitY[seat]);
        m_ptUserName[seat] = Sexy::TPoint<int>(kPortraitX[seat], kPortraitY[seat] + kPortrait + kNameBelow);
        if (Sexy::ButtonWidget* chair = m_pBtnChair[seat].get())
            chair->Move(kPortraitX[seat] + kPortrait / 2 - chair->mWidth / 2,
                        kPortraitY[seat] + kPortrait / 2 - chair->mHeight / 2);
    }
    // The bubbles stand above the portraits, their tails towards them.
    m_pChatShow[0] =
        std::make_unique<Ostra::ChatShowWidget>(m_pApp, this, 0, kPortraitX[0], kPortraitY[0] - 108, 14, 0);
    m_pChatShow[1] =
        std::make_unique<Ostra::ChatShowWidget>(m_pApp, this, 0, kPortraitX[1], kPortraitY[1] - 108, 14, 0);
    m_pChatShow[2] = std::make_unique<Ostra::ChatShowWidget>(m_pApp, this, 1, kPortraitX[2] + kPortrait - 170,
                                                             kPortraitY[2] - 108, 14, 0);
    if (Sexy::ButtonWidget* autoButton = Button(BTN_AUTO))
        autoButton->Move(kAutoX, kAutoY);
}

int LandlordView::SeatOfChair(int chair)
{
    if (chair < 0 || chair >= kPlayers)
        return -1;
    int base = m_state.OwnChair();
    if (base < 0 && m_pAppInfo)
        base = m_pAppInfo->iWatchChairId >= 0 ? m_pAppInfo->iWatchChairId : m_pAppInfo->iChairId;
    if (base < 0 || base >= kPlayers)
        base = 1;
    return ((chair - base + 1) % kPlayers + kPlayers) % kPlayers;
}

Ostra::AnimLayer* LandlordView::Layer(int id)
{
    const size_t i = static_cast<size_t>(id - LAYER_DEAL_LEFT);
    return i < m_pLayers.size() ? m_pLayers[i].get() : nullptr;
}

void LandlordView::Print(const std::string& line) const
{
    std::fprintf(stderr, "landlord: %s\n", line.c_str());
}

// ---- The server's messages -------------------------------------------------------------------

void LandlordView::OnGameMessage(const unsigned char* msg, std::size_t len)
{
    const TableEvent event = m_state.OnMessage(msg, len);
    switch (event)
    {
    case TableEvent::None:
        return;
    case TableEvent::Dealt:
    {
        DealMsg deal;
        Decode(msg, len, deal);
        Print("deal round " + std::to_string(deal.round) + " chair " + std::to_string(m_state.OwnChair()) + " cards " +
              std::to_string(m_state.Hand().size()));
        OnDealt();
        break;
    }
    case TableEvent::BidTurn:
    case TableEvent::PlayTurn:
        m_bMoveSent = false;
        m_iHint = 0;
        m_iTurnUpdates = m_state.TurnSeconds() * kUpdatesPerSecond;
        m_iAlarmSecond = -1;
        m_iAutoWait = m_iThinkUpdates;
        if (event == TableEvent::BidTurn)
            m_uMoments |= MOMENT_BIDDING;
        Print("turn chair " + std::to_string(m_state.TurnChair()) + (event == TableEvent::BidTurn ? " bid" : " play") +
              " seconds " + std::to_string(m_state.TurnSeconds()));
        break;
    case TableEvent::BidMade:
    {
        BidMsg bid;
        Decode(msg, len, bid);
        Print("bid chair " + std::to_string(bid.chair) + " points " + std::to_string(bid.points));
        const char* voices[] = {"bid0", "bid1", "bid2", "bid3"};
        PlayVoice(bid.chair, voices[std::min<int>(bid.points, 3)]);
        break;
    }
    case TableEvent::Landlord:
        Print("landlord chair " + std::to_string(m_state.Landlord()) + " bid " + std::to_string(m_state.HighestBid()));
        PlayVoice(m_state.Landlord(), "landlord");
        if (m_state.Landlord() == m_state.OwnChair())
        {
            // The three cards come into the hand standing up, so the player sees which they are.
            m_hand.SetCards(m_state.Hand());
            m_hand.Pick(m_state.KeptBack());
        }
        break;
    case TableEvent::Played:
    {
        PlayMsg play;
        Decode(msg, len, play);
        OnPlayed(play.chair);
        break;
    }
    case TableEvent::Refused:
        m_bMoveSent = false;
        Print("refused " + std::to_string(m_state.LastError()));
        AddChat(std::string(RefusalText(m_state.LastError())), 2);
        break;
    case TableEvent::RoundEnd:
        OnRoundEnd();
        break;
    case TableEvent::Restored:
        // The round as it stands (a restore normally comes inside the login-again response).
        OnRestored();
        return;
    }
    UpdateButtons();
    MarkDirty();
}

void LandlordView::OnDealt()
{
    m_bShowResult = false;
    m_iCardsPlayed = 0;
    m_bFlying.fill(false);
    m_iTurnUpdates = 0;
    for (int chair = 0; chair < kPlayers; ++chair)
    {
        const int seat = SeatOfChair(chair);
        const Ostra::PlayerNode* node = seat == 1 && !m_pTableUser[1] ? m_pSelfNode : m_pTableUser[seat];
        if (node)
            m_strNick[static_cast<size_t>(chair)] = Nick(*node);
    }
    // The round is on: the server hears it, and leaving now asks first.
    ReportGameState(1);
    m_bGamePlaying = true;
    StartDealAnimation();
}

void LandlordView::StartDealAnimation()
{
    m_hand.SetCards({});
    m_iDealShown = 0;
    m_iDealWait = 0;
    // The bidding waits until the cards are in the hand.
    LockDelayMsg();
}

void LandlordView::StepDealAnimation()
{
    if (m_iDealShown < 0 || --m_iDealWait > 0)
        return;
    m_iDealWait = kDealStepUpdates;
    const Cards& full = m_state.Hand();
    if (m_iDealShown >= static_cast<int>(full.size()))
    {
        m_iDealShown = -1;
        m_hand.SetCards(full);
        UnLockDelayMsg();
        MarkDirty();
        return;
    }
    ++m_iDealShown;
    // The hand fills in the order it is sorted, a card at a time.
    m_hand.SetCards(Cards(full.begin(), full.begin() + m_iDealShown));
    PlayEffectSound("deal");
    const Sexy::TPoint<int> from(kCentreX - kCardWidth / 2, kKeptBackY);
    for (int side : {0, 2})
    {
        Ostra::AnimLayer* layer = Layer(side == 0 ? LAYER_DEAL_LEFT : LAYER_DEAL_RIGHT);
        if (!layer || !m_pCardImage)
            continue;
        layer->Init(m_pCardImage.get(), side == 0 ? LAYER_DEAL_LEFT : LAYER_DEAL_RIGHT, false, false);
        layer->ShowAnimate(from, Sexy::TPoint<int>(kBackX[side], kBackY), 10, 1, 1, true, kBackCel, 255, 255, 4, false,
                           false, nullptr);
    }
    MarkDirty();
}

void LandlordView::OnPlayed(int chair)
{
    const Cards& cards = m_state.TableCards(chair);
    Print("play chair " + std::to_string(chair) + " cards " + CardsText(cards) + " left " +
          std::to_string(m_state.CardsLeft(chair)));
    if (chair == m_state.OwnChair())
        m_hand.SetCards(m_state.Hand());
    if (cards.empty())
    {
        PlayVoice(chair, "pass");
        return;
    }
    m_iCardsPlayed += static_cast<int>(cards.size());
    if (m_iCardsPlayed >= kMidPlayCards)
        m_uMoments |= MOMENT_MID_PLAY;
    const Combination combination = Classify(cards);
    switch (combination.kind)
    {
    case Kind::Rocket:
        PlayEffect(LAYER_ROCKET, "rocket", 8, "rocket");
        break;
    case Kind::Bomb:
        PlayEffect(LAYER_BOMB, "bomb", 8, "bomb");
        break;
    case Kind::Airplane:
    case Kind::AirplaneSingles:
    case Kind::AirplanePairs:
        PlayEffect(LAYER_PLANE, "plane", 6, "plane");
        break;
    default:
        PlayEffectSound("play");
        break;
    }
    FlyCards(chair, cards);
}

void LandlordView::FlyCards(int chair, const Cards& cards)
{
    const int seat = SeatOfChair(chair);
    Ostra::AnimLayer* layer = Layer(LAYER_PLAY_FIRST + seat);
    if (!layer || !m_pSmallCardImage || seat < 0)
        return;
    const Sexy::TPoint<int> from =
        seat == 1 ? Sexy::TPoint<int>(kCentreX - kSmallWidth / 2, kHandTop) : Sexy::TPoint<int>(kBackX[seat], kBackY);
    const int trickWidth = static_cast<int>(cards.size() - 1) * kTrickStep + kSmallWidth;
    const int toX = seat == 0 ? kTrickX[0] : seat == 2 ? kTrickX[2] - trickWidth : kTrickX[1] - trickWidth / 2;
    layer->Init(m_pSmallCardImage.get(), LAYER_PLAY_FIRST + seat, false, false);
    layer->ShowAnimate(from, Sexy::TPoint<int>(toX, kTrickY[seat]), 10, 1, 1, true, cards.front(), 255, 255, 6, false,
                       false, nullptr);
    m_bFlying[static_cast<size_t>(chair)] = true;
}

void LandlordView::PlayEffect(int layerId, const char* picture, int cels, const char* sound)
{
    PlayEffectSound(sound);
    Ostra::AnimLayer* layer = Layer(layerId);
    if (!layer)
        return;
    layer->Init(std::string("images\\landlord\\") + picture, 1, cels, layerId, false, false);
    layer->SetCenterShow(true);
    Sexy::TPoint<int> from(kCentreX, 250);
    Sexy::TPoint<int> to = from;
    if (layerId == LAYER_ROCKET)
    {
        from = Sexy::TPoint<int>(kCentreX, 420);
        to = Sexy::TPoint<int>(kCentreX, 60);
    }
    else if (layerId == LAYER_PLANE)
    {
        from = Sexy::TPoint<int>(120, 230);
        to = Sexy::TPoint<int>(894, 230);
    }
    layer->ShowAnimate(from, to, 90, 0, 1, true, -1, 255, layerId == LAYER_BOMB ? 120 : 255, 0, false, false, nullptr);
}

void LandlordView::OnRoundEnd()
{
    const RoundEndMsg& end = m_state.LastEnd();
    Print("end landlord " + std::to_string(end.landlord) + " won " + std::to_string(end.landlordWon ? 1 : 0) +
          " multiple " + std::to_string(end.multiple) + " money " + std::to_string(end.delta[0]) + "," +
          std::to_string(end.delta[1]) + "," + std::to_string(end.delta[2]));
    m_bShowResult = true;
    m_iTurnUpdates = 0;
    ++m_iRoundsEnded;
    m_uMoments |= MOMENT_RESULT;
    const int own = m_state.OwnChair();
    if (own >= 0)
        PlayEffectSound(end.delta[own] > 0 ? "win" : "lose");
    if (end.spring || end.antiSpring)
        PlayEffect(LAYER_SPRING, "spring", 6, "spring");
    m_bGamePlaying = false;
    ReportGameState(0);
    m_hand.ClearPicks();
}

void LandlordView::ReportGameState(int state)
{
    if (!m_pAppInfo || m_pAppInfo->iGameState == state)
        return;
    m_pAppInfo->iGameState = state;
    Ostra::GameWndBase* wnd = m_pApp->m_pGameWnd;
    if (wnd && wnd->IsSessionOpen())
        wnd->SendGameStateChange(static_cast<unsigned>(state));
}

void LandlordView::OnRestored()
{
    m_iDealShown = -1;
    UnLockDelayMsg();
    m_hand.SetCards(m_state.Hand());
    m_bShowResult = false;
    m_bFlying.fill(false);
    m_bMoveSent = false;
    m_iTurnUpdates = m_state.TurnSeconds() * kUpdatesPerSecond;
    m_iAutoWait = m_iThinkUpdates;
    m_bGamePlaying = !m_state.RoundOver();
    if (m_bGamePlaying && m_pAppInfo)
        m_pAppInfo->iGameState = 1; // the server knows: the round went on without him
    Print("restored chair " + std::to_string(m_state.OwnChair()) + " cards " + std::to_string(m_state.Hand().size()) +
          " turn " + std::to_string(m_state.TurnChair()));
    UpdateButtons();
    MarkDirty();
}

// ---- The own moves ---------------------------------------------------------------------------

void LandlordView::UpdateButtons()
{
    const bool myTurn = m_state.MyTurn() && !m_bMoveSent && m_iDealShown < 0 && !m_bAutoPlay;
    const bool bidding = myTurn && m_state.BiddingTurn();
    const bool playing = myTurn && !m_state.BiddingTurn();
    const int bidButtons[] = {BTN_BID0, BTN_BID1, BTN_BID2, BTN_BID3};
    const int playButtons[] = {BTN_PASS, BTN_HINT, BTN_PLAY};
    // Each row is centred above the hand.
    auto row = [this](const int* ids, int count, bool show)
    {
        int width = 0;
        for (int i = 0; i < count; ++i)
            width += Button(ids[i])->mWidth + (i ? kButtonGap : 0);
        int x = kCentreX - width / 2;
        for (int i = 0; i < count; ++i)
        {
            Sexy::ButtonWidget* button = Button(ids[i]);
            button->Move(x, kButtonRowY);
            button->SetVisible(show);
            x += button->mWidth + kButtonGap;
        }
    };
    row(bidButtons, 4, bidding);
    row(playButtons, 3, playing);
    for (int points = 0; points <= 3; ++points)
        Button(BTN_BID0 + points)->SetDisabled(!m_state.CanBid(points));
    Button(BTN_PASS)->SetDisabled(!m_state.CanPass());
    Button(BTN_HINT)->SetDisabled(!m_state.Hint(0));
    Button(BTN_PLAY)->SetDisabled(!m_state.CanPlay(m_hand.Picked()));
    Sexy::ButtonWidget* autoButton = Button(BTN_AUTO);
    Sexy::Image* look =
        m_bAutoPlay && m_pUnautoImage ? m_pUnautoImage.get() : m_pButtonImages[BTN_AUTO - BTN_BID0].get();
    if (look)
        autoButton->SetBtnImage(m_pApp, look, true, true, true, true, true);
    else
        autoButton->mLabel = m_bAutoPlay ? L"取消托管" : L"托管";
    autoButton->SetVisible(!m_pAppInfo || m_pAppInfo->iWatchChairId < 0);
}

void LandlordView::SetAutoPlay(bool on)
{
    if (m_bAutoPlay == on)
        return;
    m_bAutoPlay = on;
    m_iAutoWait = m_iThinkUpdates;
    Print(std::string("autoplay ") + (on ? "on" : "off"));
    UpdateButtons();
    MarkDirty();
}

bool LandlordView::BidNow(int points)
{
    if (m_bMoveSent || m_iDealShown >= 0 || !m_state.CanBid(points))
        return false;
    std::string request = TableState::BidRequest(points);
    SendNetMessage(request.data(), MSG_BID_REQ, static_cast<int>(request.size()));
    m_bMoveSent = true;
    UpdateButtons();
    return true;
}

bool LandlordView::PlayPicked()
{
    const Cards picked = m_hand.Picked();
    if (m_bMoveSent || m_iDealShown >= 0 || !m_state.CanPlay(picked))
        return false;
    SendPlay(picked);
    return true;
}

bool LandlordView::PassNow()
{
    if (m_bMoveSent || m_iDealShown >= 0 || !m_state.CanPass())
        return false;
    SendPlay({});
    return true;
}

void LandlordView::SendPlay(const Cards& cards)
{
    std::string request = TableState::PlayRequest(cards);
    SendNetMessage(request.data(), MSG_PLAY_REQ, static_cast<int>(request.size()));
    m_bMoveSent = true;
    m_hand.ClearPicks();
    UpdateButtons();
}

void LandlordView::HintNow()
{
    if (const std::optional<Cards> hint = m_state.Hint(m_iHint++))
        m_hand.Pick(*hint);
    else
        m_hand.ClearPicks();
    UpdateButtons();
    MarkDirty();
}

void LandlordView::RunAutoPlay()
{
    if (!m_bAutoPlay || m_bMoveSent || m_iDealShown >= 0 || !m_state.MyTurn() || --m_iAutoWait > 0)
        return;
    const std::optional<AutoMove> move = m_state.DecideAuto();
    if (!move)
        return;
    if (move->bid)
    {
        BidNow(move->points);
        return;
    }
    m_hand.Pick(move->cards);
    if (move->cards.empty() ? !PassNow() : !PlayPicked())
    {
        // The decision code only makes legal moves; should one not be, the server's time-out
        // plays for the seat. Nothing is sent twice.
        m_bMoveSent = true;
    }
}

// ---- Sounds -------------------------------------------------------------------------------------

void LandlordView::PlayEffectSound(const char* name)
{
    m_pApp->PlaySoundA(std::string("sound\\landlord\\") + name + ".ogg");
}

void LandlordView::PlayVoice(int chair, const char* name)
{
    const int seat = SeatOfChair(chair);
    const Ostra::PlayerNode* node = seat == 1 && !m_pTableUser[1] ? m_pSelfNode
                                    : seat >= 0                   ? m_pTableUser[seat]
                                                                  : nullptr;
    const bool male = node && node->cSex % 2 != 0;
    m_pApp->PlaySpeech(std::string("sound\\landlord\\") + (male ? "m_" : "w_") + name + ".ogg");
}

// ---- The library's view ---------------------------------------------------------------------

void LandlordView::Update()
{
    GameViewBase::Update();
    StepDealAnimation();
    if (m_iTurnUpdates > 0)
    {
        const int before = (m_iTurnUpdates + kUpdatesPerSecond - 1) / kUpdatesPerSecond;
        --m_iTurnUpdates;
        const int after = (m_iTurnUpdates + kUpdatesPerSecond - 1) / kUpdatesPerSecond;
        if (after != before)
        {
            MarkDirty();
            if (m_state.MyTurn() && !m_bMoveSent && after <= kAlarmSeconds && after != m_iAlarmSecond)
            {
                m_iAlarmSecond = after;
                PlayEffectSound("alarm");
            }
        }
    }
    RunAutoPlay();
}

void LandlordView::ButtonDepress(int id)
{
    switch (id)
    {
    case BTN_BID0:
    case BTN_BID1:
    case BTN_BID2:
    case BTN_BID3:
        BidNow(id - BTN_BID0);
        return;
    case BTN_PASS:
        PassNow();
        return;
    case BTN_HINT:
        HintNow();
        return;
    case BTN_PLAY:
        PlayPicked();
        return;
    case BTN_AUTO:
        SetAutoPlay(!m_bAutoPlay);
        return;
    default:
        GameViewBase::ButtonDepress(id);
    }
}

void LandlordView::MouseDown(int x, int y, int button, int clickCount)
{
    GameViewBase::MouseDown(x, y, button, clickCount);
    if (button == 0 && m_iDealShown < 0 && m_hand.PressAt(x, y))
    {
        MarkDirty();
        return;
    }
    // A right click plays what is picked out, when that is a legal play.
    if (button == 1 && m_state.MyTurn() && !m_state.BiddingTurn())
        PlayPicked();
}

void LandlordView::MouseDrag(int x, int y)
{
    GameViewBase::MouseDrag(x, y);
    if (m_hand.Sweeping())
    {
        m_hand.DragTo(x, y);
        MarkDirty();
    }
}

void LandlordView::MouseUp(int x, int y, int button, int clickCount)
{
    GameViewBase::MouseUp(x, y, button, clickCount);
    if (m_hand.Sweeping())
    {
        m_hand.Release();
        UpdateButtons();
        MarkDirty();
    }
}

void LandlordView::SetTableUserInfo(char cFlag)
{
    m_iTablePlayerNum = kPlayers;
    GameViewBase::SetTableUserInfo(cFlag);
    // The own player is drawn at seat 1 like the others.
    if (m_pSelfNode && m_pAppInfo && m_pAppInfo->iWatchChairId == -1 && !m_pTableUser[1])
    {
        SetUserInfo(1, m_pSelfNode, true);
        SetUserImage();
    }
    UpdateButtons();
}

void LandlordView::InitDeskInfo()
{
    GameViewBase::InitDeskInfo();
    MarkDirty();
}

void LandlordView::OnSelfReady()
{
    MarkDirty();
}

void LandlordView::OnAnimateEnd(int layer)
{
    const int seat = layer - LAYER_PLAY_FIRST;
    if (seat >= 0 && seat < kPlayers)
    {
        for (int chair = 0; chair < kPlayers; ++chair)
        {
            if (SeatOfChair(chair) == seat)
                m_bFlying[static_cast<size_t>(chair)] = false;
        }
    }
    MarkDirty();
}

void LandlordView::HandleSitDownRes(std::uintptr_t, long)
{
    m_bSeated = m_pAppInfo && m_pAppInfo->iTableNo > 0;
}

void LandlordView::HandleAgainLoginRes(std::uintptr_t msg, long len)
{
    m_bSeated = m_pAppInfo && m_pAppInfo->iTableNo > 0;
    const unsigned char* block = nullptr;
    std::size_t blockLen = 0;
    if (len <= 0 ||
        !FindRestore(reinterpret_cast<const unsigned char*>(msg), static_cast<std::size_t>(len), block, blockLen))
        return; // between rounds: nothing of the game to restore
    if (m_state.OnMessage(block, blockLen) == TableEvent::Restored)
        OnRestored();
}

void LandlordView::HandleGameResultServer(std::uintptr_t msg, long len)
{
    GameViewBase::HandleGameResultServer(msg, len);
    MarkDirty();
}

} // namespace landlord
