#include "tessaro/session/GameWndBase.h"

#include "tessaro/app/GameAppBase.h"
#include "tessaro/net/Log.h"
#include "tessaro/view/GameViewBase.h"

#include <chrono>
#include <cstring>
#include <ctime>

namespace Ostra
{

namespace
{

constexpr int kLogLevel = 20;

} // namespace

GameWndBase::GameWndBase(GameAppBase* app, GameViewBase* view)
    : m_pGameApp(app), m_pGameView(view), m_pAppInfo(&g_AppInfo), m_pSendItem(new char[kQueueItemLen]())
{
    CreateButtons();
    if (m_pGameView)
    {
        m_pGameView->SetAppInfo(m_pAppInfo);
        m_pGameView->SetPlayerNode(m_PlayerNode);
    }
}

GameWndBase::~GameWndBase()
{
    StopLobbyWatch();
    CloseSession();
    if (m_pGameApp && m_pGameApp->m_pGameWnd == this)
        m_pGameApp->m_pGameWnd = nullptr;
}

void GameWndBase::SetAppInfo(AppInfo* pAppInfo)
{
    // The window reads its record everywhere; a null one would only move the crash elsewhere.
    if (!pAppInfo)
        return;
    m_pAppInfo = pAppInfo;
    if (m_pGameView)
        m_pGameView->SetAppInfo(pAppInfo);
}

// ---- Virtual operations whose behaviour comes with the rest of the session --------------------

void GameWndBase::CallBackTCPDisconnection() {}

bool GameWndBase::IsDelayMsg(int type)
{
    return type != MSG_TEST_NET && type != MSG_KEEP_ALIVE && type != MSG_CHAT_INFO_NOTICE && type != MSG_CHAT_INFO_RES;
}

// ---- Sending ------------------------------------------------------------------------------------

void GameWndBase::SendNetMessage(void* msg, int type, int len)
{
    if (m_pAppInfo->bReplay || m_pAppInfo->cNoSend == 1)
        return;
    if (!msg || len < kGameMsgHeadLen || len > kMaxItemMsgLen)
    {
        WriteLog(kLogLevel, "GameWndBase", "SendNetMessage refused type[%d] len[%d]", type, len);
        return;
    }
    if (!m_pSendQueue)
    {
        WriteLog(kLogLevel, "GameWndBase", "SendNetMessage before the session opened, type[%d] len[%d]", type, len);
        return;
    }
    WriteGameMsgHead(msg, type, len);
    char* item = m_pSendItem.get();
    const std::int32_t count = len;
    std::memcpy(item, &count, kQueueItemCountLen);
    std::memcpy(item + kQueueItemCountLen, msg, static_cast<std::size_t>(len));
    const int itemLen = kQueueItemCountLen + len;
    m_pSendQueue->Put(item, itemLen);
    if ((type == MSG_GAME_ALT || type == MSG_KEEP_ALIVE) && m_pClientStack2)
        m_pClientStack2->SendClientMsg(item, itemLen);
}

// ---- Receiving ----------------------------------------------------------------------------------

void GameWndBase::FilterNetMessage(std::uintptr_t msg, long len)
{
    MsgView view(msg, len);
    if (view.Length() < kGameMsgHeadLen)
    {
        WriteLog(kLogLevel, "FilterNetMessage", "MSG ERROR LENGTH[%ld]", len);
        return;
    }
    if (view.Version() != kGameMsgVersion)
    {
        WriteLog(kLogLevel, "FilterNetMessage", "MSG ERROR VERSION[%x][%x]", view.Version(), view.Type());
        return;
    }
    if (IsDelayMsg(view.Type()) && m_pGameView)
        m_pGameView->EnQueueDelayMsg(reinterpret_cast<char*>(msg), static_cast<int>(len));
    else
        OnGameNetMessage(msg, len);
}

GameWndBase::Handler GameWndBase::HandlerFor(int type)
{
    switch (type)
    {
    case MSG_TEST_NET:
        return &GameWndBase::HandleTestNetMsg;
    case MSG_AUTHEN_RES:
        return &GameWndBase::HandleAuthenRes;
    case MSG_SIT_DOWN_RES:
        return &GameWndBase::HandleSitDownRes;
    case MSG_PLAYER_INFO_RES:
        return &GameWndBase::HandlePlayerInfoRes;
    case MSG_AGAIN_LOGIN_RES:
        return &GameWndBase::HandleAgainLoginRes;
    case MSG_KICK_PLAYER_RES:
        return &GameWndBase::HandleKickPlayerRes;
    case MSG_CHAT_INFO_NOTICE:
        return &GameWndBase::HandleChatInfoNotice;
    case MSG_PLAYER_INFO_NOTICE:
        return &GameWndBase::HandlePlayerInfoNotice;
    case MSG_READY_NOTICE:
        return &GameWndBase::HandleReadyNotice;
    case MSG_WAIT_LOGIN_AGAIN_NOTICE:
        return &GameWndBase::HandleWaitLoginAgainNotice;
    case MSG_ESCAPE_NOTICE:
        return &GameWndBase::HandleEscapeNotice;
    case MSG_PLAYER_JOIN_SERVER:
        return &GameWndBase::HandlePlayerJoinServer;
    case MSG_PLAYER_LEAVE_SERVER:
        return &GameWndBase::HandlePlayerLeaveServer;
    case MSG_PLAYER_SORL_SERVER:
        return &GameWndBase::HandlePlayerSORLServer;
    case MSG_KICK_OUT_SERVER:
        return &GameWndBase::HandleKickOutServer;
    case MSG_GAME_RESULT_SERVER:
        return &GameWndBase::HandleGameResultServer;
    case MSG_ESCAPE_GAME_STATE_NOTICE:
        return &GameWndBase::HandleEscapeGameStateNotice;
    case MSG_AUTO_SEND_NOTICE:
        return &GameWndBase::HandleAutoSendNotice;
    case MSG_QUICK_CHAT_INFO_RES:
        return &GameWndBase::ForwardQuickChatInfoRes;
    case MSG_PRESENT_MONEY_SERVER:
        return &GameWndBase::HandlePresentMoneyServer;
    case MSG_CHAT_INFO_RES:
        return &GameWndBase::HandleChatInfoRes;
    default:
        return &GameWndBase::HandleGameMessage;
    }
}

void GameWndBase::ForwardQuickChatInfoRes(std::uintptr_t msg, long len)
{
    if (m_pGameView)
        m_pGameView->HandleQuickChatInfoRes(msg, len);
}

void GameWndBase::OnGameNetMessage(std::uintptr_t msg, long len)
{
    MsgView view(msg, len);
    if (view.Length() < kGameMsgHeadLen)
    {
        WriteLog(kLogLevel, "GameWndBase", "message too short[%ld]", len);
        return;
    }
    if (view.Version() != kGameMsgVersion)
    {
        WriteLog(kLogLevel, "GameWndBase", "pMsgHead->cVersion[%x]", view.Version());
        return;
    }
    if (m_pAppInfo->iGameState > 0)
        m_pAppInfo->bReadySent = false;
    const int type = view.Type();
    (this->*HandlerFor(type))(msg, len);
    MarkDirty();

    switch (type)
    {
    case MSG_SIT_DOWN_RES:
        if (m_pAppInfo->iWatchChairId < 0)
            StartTestNetMsg();
        if (m_pGameView)
            m_pGameView->UpdateBtnChair();
        break;
    case MSG_AGAIN_LOGIN_RES:
        StartTestNetMsg();
        break;
    case MSG_PLAYER_INFO_NOTICE:
    case MSG_READY_NOTICE:
        if (m_pGameView)
            m_pGameView->UpdateBtnChair();
        break;
    case MSG_GAME_RESULT_SERVER:
        if (m_pAppInfo->tPlayStart > 0)
        {
            const std::int64_t seconds = static_cast<std::int64_t>(std::time(nullptr)) - m_pAppInfo->tPlayStart;
            m_pAppInfo->iPlayMinutes += static_cast<std::int32_t>(seconds / 60);
            m_pAppInfo->tPlayStart = 0;
        }
        if (m_pGameView)
            m_pGameView->UpdateBtnChair();
        break;
    default:
        break;
    }
}

// ---- The session --------------------------------------------------------------------------------

platform::WindowHandle GameWndBase::GetMainWindow() const
{
    return m_pGameApp ? m_pGameApp->mHWnd : 0;
}

int GameWndBase::OpenSession()
{
    if (m_bSessionOpened)
        return -1;
    m_bSessionOpened = true;
    m_pRecvQueue = std::make_unique<MsgQueue>(kSessionQueueSlots, kSessionQueueSlotSize);
    m_pSendQueue = std::make_unique<MsgQueue>(kSessionQueueSlots, kSessionQueueSlotSize);
    m_pClientStack = std::make_unique<ClientStack>();
    m_pClientDQ = std::make_unique<ClientDQ>();
    m_pClientDQ->Initialize(m_pSendQueue.get(), m_pClientStack.get());
    m_pClientDQ->Start();
    m_pDispacher = std::make_unique<Dispacher>();
    m_pDispacher->StartThread(m_pRecvQueue.get(), this);
    if (m_pAppInfo->bReplay)
        return 0;

    if (!m_ProxySettings.iEnabled)
        ReadProxySettings(&m_ProxySettings);
    m_pClientStack->m_Proxy = m_ProxySettings;
    char address[sizeof(m_pAppInfo->szServerAddr) + 1] = {};
    std::memcpy(address, m_pAppInfo->szServerAddr, sizeof(m_pAppInfo->szServerAddr));
    const int result = m_pClientStack->Initialize(address, m_pAppInfo->iServerPort, m_pRecvQueue.get(), this);
    if (result >= 0)
        m_pClientStack->Start();
    return result;
}

void GameWndBase::CloseSession()
{
    // Every exit sends its last messages (the own statistics) right before the application ends,
    // so closing lets them out first: the sender empties the outgoing queue, then each connection
    // sends what it holds and ends cleanly, all by one deadline. A connection already lost has
    // nothing to wait for. Nothing is deleted before every worker has ended: the sender uses the
    // connection and the connection the incoming queue until then.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kSessionCloseDrainMs);
    // Nothing more is handed to the main thread, which is here.
    if (m_pRecvQueue)
        m_pRecvQueue->Interrupt();
    if (m_pDispacher)
        m_pDispacher->Stop();
    if (m_pClientDQ)
    {
        if (IsNetAvailable())
            m_pClientDQ->FinishBy(deadline);
        else
            m_pClientDQ->Terminate();
        m_pClientDQ->Wait();
    }
    ClientStack* stacks[] = {m_pClientStack2.get(), m_pClientStack.get()};
    for (ClientStack* stack : stacks)
    {
        if (stack)
            stack->FinishBy(deadline);
    }
    for (ClientStack* stack : stacks)
    {
        if (stack)
            stack->Wait();
    }
    m_pClientStack2.reset();
    m_pClientStack.reset();
    m_pClientDQ.reset();
    m_pDispacher.reset();
    m_pRecvQueue.reset();
    m_pSendQueue.reset();
}

bool GameWndBase::IsNetAvailable()
{
    return m_pClientStack && m_pClientStack->m_iIndex.load() >= 0;
}

void GameWndBase::DelServerConnect(bool flag)
{
    if (m_pClientStack)
    {
        m_pClientStack->m_bDelFlag = flag;
        m_pClientStack->SetKillFlag(m_pClientStack->m_iIndex.load(), 1);
    }
    if (m_pClientStack2)
        m_pClientStack2->SetKillFlag(m_pClientStack2->m_iIndex.load(), 1);
}

} // namespace Ostra
