#include "tessaro/view/GameViewBase.h"

#include "pop/Color.h"
#include "pop/Graphics.h"
#include "tessaro/app/GameAppBase.h"
#include "tessaro/net/Log.h"
#include "tessaro/session/GameWndBase.h"
#include "tessaro/session/PlayerNode.h"
#include "tessaro/widgets/AnimLayer.h"
#include "tessaro/widgets/TextConversion.h"
#include "tessaro/widgets/TopBullWidget.h"

#include <algorithm>
#include <cstring>

namespace Ostra
{

GameViewBase::GameViewBase(GameAppBase* app)
    : m_pApp(app), m_pDelayMsgQueue(std::make_unique<MsgQueue>(kDelayQueueSlots, kDelayQueueSlotSize))
{
    CreateChairButtons();
    // In front of the game's own widgets, hidden until the first announcement.
    m_pTopBull = std::make_unique<CTopBullWidget>(this, app);
    m_pTopBull->mPriority = 3;
    m_pTopBull->SetVisible(false);
    AddWidget(m_pTopBull.get());
    m_pTopBull->Resize((mWidth - kTopBullWidth) / 2, 0, kTopBullWidth, kTopBullHeight);
}

GameViewBase::~GameViewBase() = default;

void GameViewBase::Update()
{
    Sexy::Widget::Update();
    ReleaseDelayedMessage();
    UpdateAnimLayers();
}

void GameViewBase::ReleaseDelayedMessage()
{
    if (m_bDelayMsgLock || !m_pDelayMsgQueue)
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
}

void GameViewBase::EnQueueDelayMsg(char* msg, int len)
{
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
    m_DelayOverflow.emplace_back(item, item + 4 + len);
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

void GameViewBase::AddChat(char* text, int kind)
{
    if (!text || *text == '\0')
        return;
    AddChat(std::string(text), kind);
}

void GameViewBase::AddChat(std::string text, int kind)
{
    AddChat(string2wstring(text), kind);
}

void GameViewBase::AddChat(std::wstring text, int kind)
{
    if (m_vecChatLines.size() >= kMaxChatLines)
        m_vecChatLines.erase(m_vecChatLines.begin());
    m_vecChatLines.push_back(ChatLine{std::move(text), kind});
}

void GameViewBase::Resize(int x, int y, int width, int height)
{
    Sexy::Widget::Resize(x, y, width, height);
    if (m_pTopBull)
        m_pTopBull->Resize((width - kTopBullWidth) / 2, 0, kTopBullWidth, kTopBullHeight);
}

void GameViewBase::HandleQuickChatInfoRes(std::uintptr_t msg, long len)
{
    // The count is little-endian, unlike the protocol's other numbers.
    constexpr long kCountAt = 8;
    constexpr long kEntriesAt = 16;
    constexpr long kEntryLen = 196;
    MsgView view(msg, len);
    m_vQuickChat.clear();
    if (!view.Has(kCountAt, 4))
        return;
    const unsigned char* p = view.Data() + kCountAt;
    const auto count =
        static_cast<std::int32_t>(static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
                                  static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24);
    if (count <= 0)
        return;
    const long present = view.Length() > kEntriesAt ? (view.Length() - kEntriesAt) / kEntryLen : 0;
    const long n = std::min<long>(count, present);
    if (n < count)
        WriteLog(20, "GameViewBase", "quick chat count[%d] but [%ld] entries in len[%ld]", count, n, len);
    m_vQuickChat.reserve(static_cast<std::size_t>(n));
    for (long i = 0; i < n; ++i)
    {
        const long at = kEntriesAt + i * kEntryLen;
        // On the wire the 32-bit value sits between the phrase and the folder.
        QuickChatInfo entry{};
        view.Copy(at, entry.szText, sizeof(entry.szText));
        view.Copy(at + 128, &entry.iReserved, sizeof(entry.iReserved));
        view.Copy(at + 132, entry.szSoundDir, sizeof(entry.szSoundDir));
        view.Copy(at + 164, entry.szSoundFile, sizeof(entry.szSoundFile));
        m_vQuickChat.push_back(entry);
    }
    // The phrase list widget, which gets a line per phrase with text, comes with the chat input.
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

// Operations whose behaviour comes with the player display, the user list, the chat and the view's
// construction; empty until then. SetUserImage draws nothing until the portraits exist.
void GameViewBase::ShowChatInfo(int, std::wstring) {}
void GameViewBase::ShowChatInfo(int, std::string) {}
void GameViewBase::ShowChatInfo(int, char*) {}
void GameViewBase::DrawUserShow(Sexy::Graphics*) {}
void GameViewBase::DrawUserName(Sexy::Graphics*) {}
void GameViewBase::CallBackOtherPlayerDisconnect(int) {}
void GameViewBase::CallBackOtherPlayerLoginAgainNotice(int) {}
void GameViewBase::CallBackOtherPlayerEnter(PlayerNode*, PlayerNode*) {}
void GameViewBase::CallBackOtherPlayerLeave(PlayerNode*) {}
void GameViewBase::InitUserList() {}
void GameViewBase::InitImageList() {}
void GameViewBase::InitGmUserListWidth() {}
void GameViewBase::InsertAllUserList() {}
void GameViewBase::ShowShoutContent(wchar_t*, int) {}
void GameViewBase::OnBtnQuickChat() {}
void GameViewBase::OnBtnEditSend() {}
void GameViewBase::SetUserImage() {}
void GameViewBase::DrawGameBG(Sexy::Graphics*) {}
void GameViewBase::OnTimer(int) {}
// Without a title table (it comes with the player menu's files) no value has a title.
int GameViewBase::GetMoneyName(int, char* out)
{
    if (out)
        std::memcpy(out, "-\0\0", 4);
    return 0;
}
int GameViewBase::GetAmountName(int, char* out)
{
    if (out)
        std::memcpy(out, "-\0\0", 4);
    return 0;
}
void GameViewBase::HandleReadyNotice(std::uintptr_t, long) {}
void GameViewBase::HandleGameResultServer(std::uintptr_t, long) {}
void GameViewBase::HandleEscapeNotice(std::uintptr_t, long) {}
int GameViewBase::IsInUserShowRect(int, int)
{
    return 0;
}
void GameViewBase::InvalidBtnWhenReplaying() {}

} // namespace Ostra
