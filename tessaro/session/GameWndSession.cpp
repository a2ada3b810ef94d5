// The opened session of the game window: the frame-counted timers that open it and keep it
// alive, the net-speed test, the watch on the lobby's process and the login messages (the
// authentication response, the login-again response and the wait-login-again notice).
#include "tessaro/session/GameWndBase.h"

#include "pop/Common.h"
#include "tessaro/app/GameAppBase.h"
#include "tessaro/net/Log.h"
#include "tessaro/view/GameViewBase.h"
#include "tessaro/widgets/TextConversion.h"

#include "platform/Tick.h"
#include "platform/WindowBus.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

namespace Ostra
{

namespace
{

constexpr int kLogLevel = 20;
constexpr const char* kTag = "GameWndBase";

constexpr unsigned long kOpenSessionMs = 500;
constexpr unsigned long kKeepAliveMs = 15000;
constexpr unsigned long kNetTestMs = 10000;
// No echo for longer than this and the game is stuck.
constexpr std::uint32_t kStuckMs = 35000;

constexpr int kTestNetMsgLen = 20;
constexpr int kKeepAliveLen = 12;

// The login-again response: its fixed layout ends with the int at 296.
constexpr long kAgainLoginResLen = 300;
constexpr long kSnapshotOffsetAt = 240;
constexpr long kSnapshotCountAt = 244;
constexpr long kOfflineFlagsAt = 245;
constexpr long kAutoPlayFlagsAt = 255;
// The embedded table snapshot: ten player entries, handed on as a type-52 notice.
constexpr long kSnapshotLen = 10 * kPlayerEntryLen;
constexpr int kSnapshotNoticeLen = 852;
constexpr int kSnapshotNoticeEntriesAt = 12;
constexpr int kSeatFlagCount = 10;

// The wait-login-again notice reads its bytes 8 and 9.
constexpr long kWaitLoginAgainLen = 10;

constexpr int kChatKindSystem = 2;

// Seats a handler may walk: the table's chairs, never more than the view's seat slots.
int TableSeats(const AppInfo& info)
{
    return std::clamp(info.iMaxPlayerNum, 0, kMaxSeats);
}

} // namespace

// ---- Frame, timers and start-up ---------------------------------------------------------------

void GameWndBase::Init()
{
    if (m_pGameView)
        m_pGameView->SetPlayerNode(m_PlayerNode);
    m_Timer.SetTimer(TIMER_OPEN_SESSION, kOpenSessionMs);
}

void GameWndBase::Update()
{
    Sexy::Widget::Update();
    m_Timer.Update(*this);
    UpdateMusic();
}

std::uint32_t GameWndBase::Now()
{
    return platform::TickCount();
}

void GameWndBase::OnTimer(int id)
{
    switch (id)
    {
    case TIMER_OPEN_SESSION:
        OpenGameSession();
        break;
    case TIMER_KEEP_ALIVE:
        if (!m_bDisconnected)
        {
            char keepAlive[kKeepAliveLen] = {};
            SendNetMessage(keepAlive, MSG_KEEP_ALIVE, kKeepAliveLen);
        }
        break;
    case TIMER_NET_TEST:
        SendTestNetProbe();
        break;
    case TIMER_AUTO_LEAVE:
        // Re-armed first: a leave that does not happen waits another full period.
        SetAutoLeaveTime(kAutoLeaveMs);
        JudgeAutoEscape();
        break;
    default:
        break;
    }
}

void GameWndBase::OpenGameSession()
{
    m_Timer.KillTimer(TIMER_OPEN_SESSION);
    // A second Init (or a game that opened the session itself) must not open it again: the
    // refused second opening would read as a server that cannot be reached.
    if (m_bSessionOpened)
    {
        WriteLog(kLogLevel, kTag, "start-up timer: the session is already open");
        return;
    }
    const platform::WindowHandle lobby = m_pAppInfo->hLobbyWnd;
    if (lobby != 0)
        platform::SendWindowMessage(lobby, platform::WM_LOBBY_GAMEWND, GetMainWindow(), 0);

    const int result = OpenSession();
    if (!m_pAppInfo->bReplay)
    {
        if (result < 0)
        {
            ShowSessionMessage(L"无法连接游戏服务器。");
            if (m_pGameApp)
                m_pGameApp->Shutdown();
            return;
        }
        m_Timer.SetTimer(TIMER_KEEP_ALIVE, kKeepAliveMs);
    }
    m_iTestSendTick = Now();
    StartLobbyWatch();
}

void GameWndBase::ShowSessionMessage(const std::wstring& text)
{
    if (m_pGameApp)
        m_pGameApp->ShowMessage(text, 1, 1, 10, Sexy::TPoint<int>(0, 0), true, 1);
    else
        WriteLog(kLogLevel, kTag, "message without an application: %s", Sexy::WStringToString(text).c_str());
}

// ---- The net-speed test --------------------------------------------------------------------------

void GameWndBase::StartTestNetMsg()
{
    char probe[kTestNetMsgLen] = {};
    SendNetMessage(probe, MSG_TEST_NET, kTestNetMsgLen);
    m_iTestSendTick = Now();
    m_iTestReplyTick = m_iTestSendTick;
    m_Timer.SetTimer(TIMER_NET_TEST, kNetTestMs);
}

void GameWndBase::StopTestNetMsg()
{
    m_Timer.KillTimer(TIMER_NET_TEST);
}

void GameWndBase::SendTestNetProbe()
{
    if (!m_bDisconnected)
    {
        char probe[kTestNetMsgLen] = {};
        SendNetMessage(probe, MSG_TEST_NET, kTestNetMsgLen);
    }
    const std::uint32_t now = Now();
    m_iTestSendTick = now;
    // Unsigned, so the measure stays right when the tick count wraps.
    const std::uint32_t sinceEcho = now - m_iTestReplyTick;
    if (sinceEcho <= kStuckMs)
        return;
    StopTestNetMsg();
    WriteLog(kLogLevel, "STUCK", "lag_kill[%d]", static_cast<int>(sinceEcho));
    if (m_pAppInfo->hLobbyWnd != 0)
        platform::PostWindowMessage(m_pAppInfo->hLobbyWnd, platform::WM_LOBBY_STUCK, 0, 0);
    if (m_pGameApp)
        m_pGameApp->Shutdown();
}

void GameWndBase::HandleTestNetMsg(std::uintptr_t msg, long len)
{
    MsgView view(msg, len);
    if (!view.Has(0, kTestNetMsgLen))
    {
        WriteLog(kLogLevel, kTag, "net test message too short[%ld]", len);
        return;
    }
    if (view.Byte(8) != 0)
    {
        if (m_pGameView)
            m_pGameView->HandleTestNetMsg(msg, len);
        return;
    }
    // Our probe came back: answer with the round trip, in the same 20 bytes.
    const std::uint32_t now = Now();
    m_iTestReplyTick = now;
    auto* bytes = reinterpret_cast<unsigned char*>(msg);
    bytes[8] = 2;
    PutBE32(bytes + 12, now - m_iTestSendTick);
    SendNetMessage(bytes, MSG_TEST_NET, kTestNetMsgLen);
}

// ---- The lobby watch ------------------------------------------------------------------------------

WaitLobbyThread::~WaitLobbyThread()
{
    Stop();
}

int WaitLobbyThread::Run()
{
    GameWndBase::WaitLobbyThreadProc(m_pParam);
    return 0;
}

void WaitLobbyThread::WakeUp()
{
    if (m_pParam && m_pParam->pProcess)
        m_pParam->pProcess->Cancel();
}

unsigned long GameWndBase::WaitLobbyThreadProc(void* param)
{
    auto* p = static_cast<WaitLobbyParam*>(param);
    if (!p || !p->pProcess || !p->pWnd)
        return 0;
    // -1: the watch was cancelled (the window goes) or cannot wait; only a real end is told.
    if (p->pProcess->Wait(-1) != 1)
        return 0;
    p->pWnd->ShowSessionMessage(L"大厅客户端异常关闭，游戏结束。");
    return 0;
}

bool GameWndBase::IsWatchingLobby() const
{
    return m_hWaitLobbyThread != nullptr;
}

void GameWndBase::StartLobbyWatch()
{
    if (m_hWaitLobbyThread)
        return;
    const platform::WindowHandle lobby = m_pAppInfo->hLobbyWnd;
    m_dwLobbyPid = lobby != 0 ? platform::GetWindowThreadProcessId(lobby) : 0;
    auto watch = std::make_unique<platform::ProcessWatch>(m_dwLobbyPid);
    if (!watch->Valid())
    {
        // No lobby window, or its process is gone already: there is nothing to wait for.
        WriteLog(kLogLevel, kTag, "no lobby process to watch, window[%u] pid[%d]", static_cast<unsigned>(lobby),
                 static_cast<int>(m_dwLobbyPid));
        return;
    }
    m_hLobbyProcess = std::move(watch);
    m_WaitLobbyParam.pProcess = m_hLobbyProcess.get();
    m_WaitLobbyParam.pWnd = this;
    auto thread = std::make_unique<WaitLobbyThread>(&m_WaitLobbyParam);
    if (!thread->Start())
    {
        thread.reset();
        m_hLobbyProcess.reset();
        m_WaitLobbyParam = WaitLobbyParam();
        ShowSessionMessage(L"WaitLobbyThread ERROR");
        return;
    }
    m_hWaitLobbyThread = std::move(thread);
}

void GameWndBase::StopLobbyWatch()
{
    // The thread goes first: it waits on the watch until it is cancelled.
    if (m_hWaitLobbyThread)
    {
        m_hWaitLobbyThread->Stop();
        m_hWaitLobbyThread.reset();
    }
    m_hLobbyProcess.reset();
    m_WaitLobbyParam = WaitLobbyParam();
}

// ---- Login messages -------------------------------------------------------------------------------

void GameWndBase::HandleAuthenRes(std::uintptr_t, long) {}

void GameWndBase::HandleAgainLoginRes(std::uintptr_t msg, long len)
{
    MsgView view(msg, len);
    if (!view.Has(0, kAgainLoginResLen))
    {
        WriteLog(kLogLevel, kTag, "login-again response too short[%ld]", len);
        return;
    }
    AppInfo& info = *m_pAppInfo;
    info.iTableParamH = 0;
    info.bAgainLogin = true;

    view.Copy(9, info.szNickName, sizeof(info.szNickName));
    info.iTableParamE = view.BE32Signed(28);
    info.iTableParamD = view.BE32Signed(32);
    info.iTableParamA = view.BE32Signed(36);
    // Sent as its complement to 100; wraps rather than overflows for any value.
    info.iTableParamB = static_cast<std::int32_t>(100u - view.BE32(40));
    info.iRoomType = view.SignedByte(48);
    info.iTableParamC = view.BE32Signed(64);
    info.bTableFlag = view.SignedByte(68) > 0;
    info.iTableNo = view.SignedByte(220);
    info.iChairId = view.SignedByte(221);
    info.iGameBaseTimes = view.BE32Signed(236);
    info.iTableParamF = view.BE32Signed(284);
    info.iMaxTimes = view.BE32Signed(288);
    info.bQuickMatchTable = view.Byte(292) == 1;
    info.cQuickMatchFlag2 = static_cast<std::int8_t>(view.Byte(293));
    info.iTableParamG = view.BE32Signed(296);
    // A re-entering player is never a looker.
    info.iWatchChairId = -1;

    if (m_pGameView)
    {
        if (info.iRoomType > 0 && info.iRoomType != 3)
            m_pGameView->AddChat(string2wstring("[系统消息]:续玩状态，获取本桌信息。"), kChatKindSystem);
        else
            m_pGameView->AddChat(StrFormat2wstring("[系统消息]:您在第%d桌续玩，获取本桌信息。\n", info.iTableNo),
                                 kChatKindSystem);
    }

    NameTable(info);

    if (m_pGameView)
        m_pGameView->InitDeskInfo();

    // The table snapshot lies where the message says; one that is not wholly inside the message
    // would be read from beyond it, so it is skipped.
    const long snapshotAt = static_cast<long>(view.BE32(kSnapshotOffsetAt));
    if (view.Has(snapshotAt, kSnapshotLen))
    {
        unsigned char notice[kSnapshotNoticeLen] = {};
        WriteGameMsgHead(notice, MSG_PLAYER_INFO_NOTICE, kSnapshotNoticeLen);
        notice[8] = view.Byte(kSnapshotCountAt);
        view.Copy(snapshotAt, notice + kSnapshotNoticeEntriesAt, kSnapshotLen);
        HandlePlayerInfoNotice(reinterpret_cast<std::uintptr_t>(notice), kSnapshotNoticeLen);
    }
    else
    {
        WriteLog(kLogLevel, kTag, "login-again snapshot outside the message, offset[%ld] len[%ld]", snapshotAt, len);
    }

    if (m_pGameView)
    {
        for (int seat = 0; seat < kMaxSeats; ++seat)
        {
            const PlayerNode* player = m_pGameView->m_pTableUser[seat];
            if (!player)
                continue;
            const int chair = player->cChairId;
            // The flags exist for chairs 0 to 9 only; a seat without such a chair has none set.
            if (chair < 0 || chair >= kSeatFlagCount)
            {
                m_pGameView->m_cOffline[seat] = 0;
                m_pGameView->m_cAutoPlay[seat] = 0;
                continue;
            }
            m_pGameView->m_cOffline[seat] = view.Byte(kOfflineFlagsAt + chair) != 0 ? 1 : 0;
            m_pGameView->m_cAutoPlay[seat] = static_cast<char>(view.Byte(kAutoPlayFlagsAt + chair));
        }
        m_pGameView->HandleAgainLoginRes(msg, len);
    }
}

void GameWndBase::HandleWaitLoginAgainNotice(std::uintptr_t msg, long len)
{
    MsgView view(msg, len);
    if (!view.Has(0, kWaitLoginAgainLen))
    {
        WriteLog(kLogLevel, kTag, "wait-login-again notice too short[%ld]", len);
        return;
    }
    if (!m_pGameView)
        return;
    const unsigned char chair = view.Byte(8);
    const int seats = TableSeats(*m_pAppInfo);
    int seat = 0;
    PlayerNode* player = nullptr;
    for (; seat < seats; ++seat)
    {
        PlayerNode* candidate = m_pGameView->m_pTableUser[seat];
        if (candidate && static_cast<unsigned char>(candidate->cChairId) == chair)
        {
            player = candidate;
            break;
        }
    }
    if (!player)
        return;

    // The nick name fills all 16 bytes when it is that long: no terminator to rely on.
    const std::string nick(player->szNickName, NickNameLength(*player));
    if (view.Byte(9) == 2)
    {
        m_pGameView->AddChat(Sexy::StrFormat("[系统消息]:[%s]掉线，其他玩家请等待该玩家重入。", nick.c_str()),
                             kChatKindSystem);
        player->iOfflineState = 0;
    }
    else
    {
        m_pGameView->AddChat(Sexy::StrFormat("[系统消息]:[%s]强制离开游戏。", nick.c_str()), kChatKindSystem);
        player->iOfflineState = 1;
    }
    m_pGameView->m_cOffline[seat] = 1;
    m_pGameView->CallBackOtherPlayerDisconnect(seat);
}

} // namespace Ostra
