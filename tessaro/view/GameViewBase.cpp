#include "tessaro/view/GameViewBase.h"

#include "pop/Color.h"
#include "pop/Graphics.h"
#include "pop/Image.h"
#include "pop/SysFont.h"
#include "pop/WidgetManager.h"
#include "tessaro/app/GameAppBase.h"
#include "tessaro/app/SkinImages.h"
#include "tessaro/net/Log.h"
#include "tessaro/session/GameWndBase.h"
#include "tessaro/session/PlayerNode.h"
#include "tessaro/widgets/AnimLayer.h"
#include "tessaro/widgets/ChatListWidget.h"
#include "tessaro/widgets/ChatShowWidget.h"
#include "tessaro/widgets/MenuWidget.h"
#include "tessaro/widgets/RichListWidget.h"
#include "tessaro/widgets/SkinEditWidget.h"
#include "tessaro/widgets/SkinListWidget.h"
#include "tessaro/widgets/TextConversion.h"
#include "tessaro/widgets/TopBullWidget.h"

#include <algorithm>
#include <cstring>
#include <tuple>

namespace Ostra
{

namespace
{

// The children's fixed places on the 1024 x 738 screen.
const Sexy::Rect kChatListRect(702, 595, 314, 110);
const Sexy::Rect kChatListFirstRect(792, 605, 286, 125); // until the first resize
const Sexy::Rect kLowerListRect(8, 617, 314, 114);       // the user list and the play information
const Sexy::Rect kEditRect(708, 711, 272, 20);
const Sexy::Point kQuickChatListAt(994, 710);
constexpr int kSendButtonGap = 6;
// The table's background: the picture's part under the title bar and the frame behind the edit box.
const Sexy::Rect kGameBgSrc(5, 33, 1014, 700);
const Sexy::Rect kEditSendBgRect(695, 678, 296, 20);
// The tips marquee under the table.
constexpr int kMarqueeX = 195;
constexpr int kMarqueeY = 654;
constexpr int kMarqueeWidth = 365;
constexpr int kMarqueeStep = 5;
constexpr int kMarqueeElapse = 200;
constexpr int kUserListRowHeight = 18;
constexpr int kQuickChatLineHeight = 20;
constexpr int kQuickChatMinWidth = 293;
constexpr int kFrontPriority = 3;

// Places a child at a screen rectangle, for a view at (x, y).
void PlaceAt(Sexy::Widget* child, const Sexy::Rect& r, int x, int y)
{
    child->Resize(r.mX - x, r.mY - y, r.mWidth, r.mHeight);
}

} // namespace

GameViewBase::GameViewBase(GameAppBase* app)
    : m_pApp(app), m_pFont8B(std::make_unique<Sexy::SysFont>("宋体", 8, true)),
      m_pFont10(std::make_unique<Sexy::SysFont>("宋体", 10)),
      m_pFont10B(std::make_unique<Sexy::SysFont>("宋体", 10, true)),
      m_pFont11(std::make_unique<Sexy::SysFont>("宋体", 11)),
      m_pFont11B(std::make_unique<Sexy::SysFont>("宋体", 11, true)),
      m_pFont12(std::make_unique<Sexy::SysFont>("宋体", 12)),
      m_pFont12B(std::make_unique<Sexy::SysFont>("宋体", 12, true))
{
    if (app && app->mWidgetManager)
        app->mWidgetManager->SetFocus(this);

    m_Marquee.m_pFont = app ? app->m_pFont.get() : nullptr;
    m_Marquee.m_Color = Sexy::Color(190, 190, 190);
    m_Marquee.m_strText = app ? app->m_strTips : std::wstring();
    m_Marquee.Resize(kMarqueeX, kMarqueeY, kMarqueeWidth, m_Marquee.mHeight);
    m_Marquee.m_iStep = kMarqueeStep;
    m_Marquee.m_iElapse = kMarqueeElapse;

    CreateChatWidgets();
    CreateUserList();
    for (auto [button, id, picture] : {std::tuple{&m_pBtnQuickChat, kBtnQuickChatId, Sexy::IMG_BASE_BTN_QUICK_CHAT},
                                       std::tuple{&m_pBtnEditSend, kBtnEditSendId, Sexy::IMG_BASE_BTN_EDIT_SEND}})
    {
        *button = std::make_unique<Sexy::ButtonWidget>(id, this);
        (*button)->SetBtnImage(app, picture, true, true, true, true, true);
        AddWidget(button->get());
    }
    CreateChairButtons();

    m_pQuickChatList =
        std::make_unique<Sexy::SkinListWidget>(kQuickChatListId, app ? app->m_pFont.get() : nullptr, this, nullptr);
    int phraseColors[][3] = {{49, 37, 11}, {0, 0, 0}, {251, 232, 215}, {254, 185, 36}, {254, 185, 36}, {254, 185, 36}};
    m_pQuickChatList->SetColors(phraseColors, static_cast<int>(std::size(phraseColors)));
    m_pQuickChatList->SetBGImage(Sexy::IMG_BASE_QUICK_CHAT_BG);
    m_pQuickChatList->SetItemHeight(kQuickChatLineHeight);
    m_pQuickChatList->SetVisible(false);
    m_pQuickChatList->mPriority = kFrontPriority;
    m_pQuickChatList->SetListType(Sexy::SkinListWidget::LIST_POPUP);
    m_pQuickChatList->SetMinWidth(kQuickChatMinWidth);
    AddWidget(m_pQuickChatList.get());

    m_pDelayMsgQueue = std::make_unique<MsgQueue>(kDelayQueueSlots, kDelayQueueSlotSize);
    GetAmountData();
    GetMoneyData();

    m_pEditChat = std::make_unique<Sexy::SkinEditWidget>(kEditChatId, this);
    m_pEditChat->SetFont(m_pFont10.get());
    m_pEditChat->mMaxChars = kMaxChatChars;
    int editColors[][3] = {{0, 0, 0}, {0, 0, 0}, {255, 255, 255}, {255, 255, 255}, {128, 128, 128}, {190, 0, 80}};
    m_pEditChat->SetColors(editColors, static_cast<int>(std::size(editColors)));
    AddWidget(m_pEditChat.get());

    m_Timer.SetTimer(kTimerChatReset, kChatTimerElapse);

    m_pUserMenu = std::make_unique<Sexy::MenuWidget>(kUserMenuId, m_pFont10.get(), this, app);
    m_pUserMenu->SetBGImage(Sexy::IMG_BASE_USER_MENU_BG);
    AddWidget(m_pUserMenu.get());

    // In front of the game's own widgets, hidden until the first announcement.
    m_pTopBull = std::make_unique<CTopBullWidget>(this, app);
    m_pTopBull->mPriority = kFrontPriority;
    m_pTopBull->SetVisible(false);
    AddWidget(m_pTopBull.get());
    m_pTopBull->Resize((mWidth - kTopBullWidth) / 2, 0, kTopBullWidth, kTopBullHeight);
}

void GameViewBase::CreateChatWidgets()
{
    auto makeList = [this]
    {
        auto list = std::make_unique<Sexy::ChatListWidget>(m_pApp);
        list->SetScrollbarImage(Sexy::IMG_BASE_SCROLL_UP, Sexy::IMG_BASE_SCROLL_DOWN, Sexy::IMG_BASE_SCROLL_TRACK,
                                Sexy::IMG_BASE_SCROLL_THUMB);
        AddWidget(list.get());
        return list;
    };
    m_pChatList = makeList();
    PlaceAt(m_pChatList.get(), kChatListFirstRect, 0, 0);
    m_pPlayInfoList = makeList();
    m_pPlayInfoList->SetVisible(false);
}

void GameViewBase::CreateUserList()
{
    m_pUserList = std::make_unique<Sexy::RichListWidget>(kUserListId, m_pApp, this);
    m_pUserList->SetFont(m_pFont10.get());
    m_pUserList->SetItemHeight(kUserListRowHeight);
    m_pUserList->SetHeaderHeight(kUserListRowHeight);
    m_pUserList->SetHeaderImage(nullptr, nullptr, Sexy::IMG_BASE_HEADER_SPAN);
    m_pUserList->SetScrollbarImage(Sexy::IMG_BASE_SCROLL_UP, Sexy::IMG_BASE_SCROLL_DOWN, Sexy::IMG_BASE_SCROLL_THUMB,
                                   Sexy::IMG_BASE_SCROLL_TRACK);
    m_pUserList->SetListHeaderSpanImage(Sexy::IMG_BASE_LIST_HEADER_SPAN);
    InitImageList();
    m_pUserList->SetImageList(&m_vUserImage);
    InitUserList();
    AddWidget(m_pUserList.get());
}

GameViewBase::~GameViewBase()
{
    // The children go before the members that own them.
    RemoveAllWidgets();
    for (Sexy::Image*& picture : m_vUserImage)
    {
        delete picture;
        picture = nullptr;
    }
}

void GameViewBase::Update()
{
    Sexy::Widget::Update();
    ReleaseDelayedMessage();
    UpdateAnimLayers();
    m_Timer.Update([this](int id) { OnTimer(id); });
    for (auto& bubble : m_pChatShow)
    {
        if (bubble)
            bubble->Update();
    }
}

void GameViewBase::ReleaseDelayedMessage()
{
    if (m_bDelayMsgLock || !m_pDelayMsgQueue || m_bDelayBacklog)
        return;
    // The item lives on this frame's stack: a handler may run a nested frame loop (a message
    // box), whose own release must not overwrite the message this one is still reading.
    char item[kDelayItemLen];
    const int n = m_pDelayMsgQueue->Get(item, kDelayItemLen, 0);
    // The freed slot takes the oldest message that had to wait beside the queue.
    if (!m_DelayOverflow.empty() &&
        m_pDelayMsgQueue->Put(m_DelayOverflow.front().data(), static_cast<int>(m_DelayOverflow.front().size()), 0) == 0)
        m_DelayOverflow.pop_front();
    if (n < 4)
        return;
    std::int32_t count = 0;
    std::memcpy(&count, item, 4);
    if (count < 0 || count > n - 4)
        return;
    GameWndBase* wnd = m_pApp ? m_pApp->m_pGameWnd : nullptr;
    if (wnd)
        wnd->OnGameNetMessage(reinterpret_cast<std::uintptr_t>(item + 4), count);
}

void GameViewBase::UpdateAnimLayers()
{
    // A layer's end notice may delete layers (its own among them) or register new ones: the ids
    // are taken first and each is looked up again before its turn.
    std::vector<int> ids;
    ids.reserve(m_mapAnimLayer.size());
    for (const auto& [id, layer] : m_mapAnimLayer)
        ids.push_back(id);
    for (int id : ids)
    {
        const auto found = m_mapAnimLayer.find(id);
        if (found != m_mapAnimLayer.end() && found->second && found->second->m_iLayerId == id)
            found->second->Update();
    }
}

void GameViewBase::Draw(Sexy::Graphics* g)
{
    g->SetColor(Sexy::Color::Black);
    g->FillRect(0, 0, mWidth, mHeight);
    DrawGameBG(g);
    DrawUserShow(g);
    DrawUserName(g);
    DeferOverlay(kOverlayPriority);
}

void GameViewBase::DrawOverlay(Sexy::Graphics* g)
{
    for (const auto& [id, layer] : m_mapAnimLayer)
    {
        if (layer && layer->m_iLayerId == id)
            layer->Draw(g);
    }
    for (auto& bubble : m_pChatShow)
    {
        if (bubble)
            bubble->Draw(g);
    }
}

void GameViewBase::DrawGameBG(Sexy::Graphics* g)
{
    if (Sexy::IMG_GAME_BG)
        g->DrawImage(Sexy::IMG_GAME_BG, 0, 0, kGameBgSrc);
    if (Sexy::IMG_EDIT_SEND_BG)
        g->DrawImageBox(kEditSendBgRect, Sexy::IMG_EDIT_SEND_BG);
}

void GameViewBase::ListClicked(int id, int row, int clickCount)
{
    if (id == kQuickChatListId)
        OnQuickChatClicked(row);
    else if (id == kUserMenuId && m_pUserMenu)
        MenuClicked(row, m_pUserMenu->GetUserID());
    else if (id >= kUserListId)
        OnUserListClicked(row, clickCount);
}

void GameViewBase::EnQueueDelayMsg(char* msg, int len)
{
    if (m_bDelayBacklog)
        return; // the game is ending; its state is past saving
    if (!msg || len < 0 || len > kMaxDelayMsgLen)
    {
        WriteLog(20, "GameViewBase", "EnQueueDelayMsg refused len[%d]", len);
        return;
    }
    char item[kDelayItemLen];
    const std::int32_t count = len;
    std::memcpy(item, &count, 4);
    std::memcpy(item + 4, msg, static_cast<std::size_t>(len));
    // Only this thread empties the queue (one message a frame), so waiting here for a free slot
    // would wait for ever. A full queue - a game holding the lock through a long burst - lets
    // further messages wait beside it, in order; nothing is lost and the frame loop goes on.
    if (m_DelayOverflow.empty() && m_pDelayMsgQueue->Put(item, 4 + len, 0) == 0)
        return;
    if (m_DelayOverflow.empty())
        WriteLog(20, "GameViewBase", "delay queue full[%d], messages wait beside it", m_pDelayMsgQueue->GetCount());
    if (static_cast<int>(m_DelayOverflow.size()) >= kMaxDelayOverflow)
    {
        EndGameOnDelayBacklog();
        return;
    }
    m_DelayOverflow.emplace_back(item, item + 4 + len);
}

void GameViewBase::EndGameOnDelayBacklog()
{
    // Set first: the message box below runs frames and window messages, and with them more
    // messages for this queue.
    m_bDelayBacklog = true;
    WriteLog(20, "GameViewBase", "delay queue never released: %d messages wait, the game ends", GetDelayMsgCount());
    m_DelayOverflow.clear();
    m_DelayOverflow.shrink_to_fit();
    if (!m_pApp)
        return;
    m_pApp->ShowMessage(std::wstring(L"游戏消息处理不过来，本局无法继续，游戏即将退出。"), 1, 1, 10,
                        Sexy::TPoint<int>(0, 0), true, 1);
    m_pApp->Shutdown();
}

void GameViewBase::SendNetMessage(void* msg, int type, int len)
{
    GameWndBase* wnd = m_pApp ? m_pApp->m_pGameWnd : nullptr;
    if (wnd)
        wnd->SendNetMessage(msg, type, len);
    else
        WriteLog(20, "GameViewBase", "SendNetMessage without a game window, type[%d]", type);
}

void GameViewBase::SetAppInfo(AppInfo* pAppInfo)
{
    m_pAppInfo = pAppInfo;
}

void GameViewBase::Resize(int x, int y, int width, int height)
{
    Sexy::Widget::Resize(x, y, width, height);
    // The places are the screen's: the view's own position is taken off.
    if (m_pTopBull)
        m_pTopBull->Resize((width - kTopBullWidth) / 2, 0, kTopBullWidth, kTopBullHeight);
    if (m_pPlayInfoList)
        PlaceAt(m_pPlayInfoList.get(), kLowerListRect, x, y);
    if (m_pUserList)
        PlaceAt(m_pUserList.get(), kLowerListRect, x, y);
    if (m_pEditChat)
    {
        PlaceAt(m_pEditChat.get(), kEditRect, x, y);
        const Sexy::Rect edit = m_pEditChat->GetRect();
        // A button without its picture keeps no size.
        auto place = [](Sexy::ButtonWidget* button, Sexy::Image* picture, int at, int top)
        { button->Resize(at, top, picture ? picture->GetCelWidth() : 0, picture ? picture->GetCelHeight() : 0); };
        if (m_pBtnQuickChat && m_pBtnEditSend)
        {
            place(m_pBtnQuickChat.get(), Sexy::IMG_BASE_BTN_QUICK_CHAT, edit.mX + edit.mWidth, edit.mY + 5);
            place(m_pBtnEditSend.get(), Sexy::IMG_BASE_BTN_EDIT_SEND,
                  m_pBtnQuickChat->mX + m_pBtnQuickChat->mWidth + kSendButtonGap, edit.mY + 1);
        }
    }
    if (m_pQuickChatList)
    {
        const Sexy::Rect visible(0, 0, width, height);
        m_pQuickChatList->ResizeVisible(kQuickChatListAt.mX - x, kQuickChatListAt.mY - y, 0, 0, visible);
    }
    if (m_pChatList)
        PlaceAt(m_pChatList.get(), kChatListRect, x, y);
}

void GameViewBase::HandleTestNetMsg(std::uintptr_t msg, long len)
{
    constexpr int kTestNetMsgLen = 20;
    constexpr int kStageDelay = 2;
    constexpr int kLoggedDelayMs = 1000;
    MsgView view(msg, len);
    if (!view.Has(0, kTestNetMsgLen))
    {
        WriteLog(20, "GameViewBase", "net test message too short[%ld]", len);
        return;
    }
    if (view.Byte(8) != kStageDelay || !m_pAppInfo)
        return;
    const int delay = view.BE32Signed(12);
    const unsigned char chair = view.Byte(16);
    const int seats = std::clamp(m_pAppInfo->iMaxPlayerNum, 0, kMaxSeats);
    for (int seat = 0; seat < seats; ++seat)
    {
        const PlayerNode* player = m_pTableUser[seat];
        if (!player || static_cast<unsigned char>(player->cChairId) != chair)
            continue;
        m_iNetDelay[seat] = delay;
        if (delay > kLoggedDelayMs)
        {
            // Local seat 1 is always the own place.
            if (seat == 1)
                WriteLog(20, "CGameBaseViewHandleTestNetMsg", "myself delay[%d]type[%d]tx[%d]", delay,
                         view.SignedByte(8), view.SignedByte(16));
            else
                WriteLog(20, "CGameBaseViewHandleTestNetMsg", "delay[%d]type[%d]tx[%d]", delay, view.SignedByte(8),
                         view.SignedByte(16));
        }
        return;
    }
}

void GameViewBase::CallBackOtherPlayerDisconnect(int) {}
void GameViewBase::CallBackOtherPlayerLoginAgainNotice(int) {}
void GameViewBase::CallBackOtherPlayerEnter(PlayerNode*, PlayerNode*) {}
void GameViewBase::CallBackOtherPlayerLeave(PlayerNode*) {}
void GameViewBase::HandleReadyNotice(std::uintptr_t, long) {}
void GameViewBase::HandleGameResultServer(std::uintptr_t, long) {}
void GameViewBase::HandleEscapeNotice(std::uintptr_t, long) {}
void GameViewBase::InvalidBtnWhenReplaying() {}

} // namespace Ostra
