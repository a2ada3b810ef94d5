// Every way out of a table: the escape key, the server's escape-state query, a player leaving the
// table, the automatic leave of an idle client, and the escape and game-state reports to the server.
#include "tessaro/app/GameAppBase.h"
#include "tessaro/net/Log.h"
#include "tessaro/session/GameWndBase.h"
#include "tessaro/view/GameViewBase.h"

#include "pop/Common.h"

#include <algorithm>
#include <cstring>
#include <ctime>

namespace Ostra
{

namespace
{

constexpr int kLogLevel = 20;
constexpr const char* kTag = "GameWndBase";

// Exit reasons to the lobby (wParam, lParam).
constexpr int kExitLeft = 1;
constexpr int kExitLeftDetail = 2;
constexpr int kExitAuto = 2;
constexpr int kExitConfirmed = 4;
constexpr int kExitWatchedLeft = 5;

constexpr int kEscapeReqLen = 12;
constexpr int kGameStateLen = 12;
constexpr int kEscapeStateLen = 9;
// The player-left notice: chair 8, user id 12, reason 16, update flag 17; money, strength and
// wealth at 20, 24 and 28 when the flag is set.
constexpr int kEscapeNoticeLen = 18;
constexpr int kEscapeNoticeUpdateLen = 32;
constexpr unsigned char kNoChair = 0xFF;

constexpr int kChatKindSystem = 2;

const char* const kConfirmQuit = "您确定需要退出游戏么？";
const char* const kConfirmQuitPenalty = "逃跑将扣除多倍游戏币，您确定需要退出游戏么？";
const char* const kConfirmQuitPenaltyIdle = "逃跑将扣除多倍游戏币，您确定需要退出游戏么【2】？";

} // namespace

void GameWndBase::OnButtonEsc()
{
    if (!IsNetAvailable())
    {
        if (m_pGameApp)
            m_pGameApp->Shutdown();
        return;
    }
    if (m_pAppInfo->cEscapeMode == 0)
    {
        ExitToLobby(kExitLeft, kExitLeftDetail, false);
        return;
    }
    if (m_pAppInfo->iWatchChairId >= 0)
    {
        ExitToLobby(kExitLeft, kExitLeftDetail, true);
        return;
    }
    const int state = m_pAppInfo->iGameState;
    if (state < 0)
        return;
    if (state > 0 || m_pAppInfo->bReadySent)
    {
        if (ConfirmMessage(kConfirmQuit))
            SendEscapeReq(kExitConfirmed, 0, true);
        return;
    }
    SendEscapeReq(kExitLeft, kExitLeftDetail, true);
}

void GameWndBase::SendEscapeReq(int first, int second, bool toLobby)
{
    if (toLobby)
    {
        ExitToLobby(first, second, true);
        return;
    }
    unsigned char req[kEscapeReqLen] = {};
    req[8] = static_cast<unsigned char>(second);
    req[9] = static_cast<unsigned char>(first);
    SendNetMessage(req, MSG_ESCAPE_REQ, kEscapeReqLen);
}

void GameWndBase::SendGameStateChange(unsigned int state)
{
    if (state == 1)
        m_pAppInfo->tPlayStart = static_cast<std::int64_t>(std::time(nullptr));
    unsigned char msg[kGameStateLen] = {};
    msg[8] = static_cast<unsigned char>(state);
    SendNetMessage(msg, MSG_GAME_STATE_CHANGE, kGameStateLen);
}

void GameWndBase::HandleEscapeGameStateNotice(std::uintptr_t msg, long len)
{
    MsgView view(msg, len);
    if (!view.Has(0, kEscapeStateLen))
    {
        WriteLog(kLogLevel, kTag, "escape state query too short[%ld]", len);
        return;
    }
    const int state = view.SignedByte(8);
    if (state == 2)
    {
        if (m_pGameApp)
            m_pGameApp->Shutdown();
        return;
    }
    // The answer's bytes as SendEscapeReq takes them: (byte 9, byte 8).
    if (m_pAppInfo->iWatchChairId >= 0 || state < 0)
    {
        SendEscapeReq(0, 0, false);
        return;
    }
    if (state > 0)
    {
        if (m_pAppInfo->cEscapeMode != 0)
        {
            if (ConfirmMessage(kConfirmQuit))
                SendEscapeReq(1, 2, false);
        }
        else if (ConfirmMessage(kConfirmQuitPenalty))
        {
            SendEscapeReq(1, 3, false);
        }
        return;
    }
    if (ConfirmMessage(kConfirmQuitPenaltyIdle))
        SendEscapeReq(1, 3, false);
}

void GameWndBase::HandleEscapeNotice(std::uintptr_t msg, long len)
{
    MsgView view(msg, len);
    if (!view.Has(0, kEscapeNoticeLen))
    {
        WriteLog(kLogLevel, kTag, "player-left notice too short[%ld]", len);
        return;
    }
    const unsigned char chair = view.Byte(8);
    const std::int32_t userId = view.BE32Signed(12);
    const int reason = view.Byte(16);
    const bool update = view.Byte(17) == 1;
    if (reason == 1)
        ShowNotice(std::string("玩家协商离开，牌局结束！"));
    else if (reason == 2)
        ShowNotice(std::string("管理员解散本桌，牌局结束！"));

    if (userId == m_pAppInfo->iUserId)
    {
        if (update)
        {
            if (!view.Has(0, kEscapeNoticeUpdateLen))
                WriteLog(kLogLevel, kTag, "player-left notice without its values[%ld]", len);
            else if (PlayerNode* self = GetPlayerNode(userId))
            {
                self->iMoney = view.BE32Signed(20);
                self->iAmount = view.BE32Signed(24);
                self->iWealth = view.BE32Signed(28);
            }
        }
        SendPlayerInfoChange();
        if (m_pGameApp)
            m_pGameApp->Shutdown();
        return;
    }

    PlayerNode* player = GetPlayerNode(userId);
    if (!player)
        return;
    if (m_pGameView)
    {
        m_pGameView->CallBackOtherPlayerLeave(player);
        if (m_pAppInfo->iRoomType == 0 || m_pAppInfo->iRoomType == 3)
        {
            char nick[sizeof(player->szNickName) + 1] = {};
            std::memcpy(nick, player->szNickName, NickNameLength(*player));
            m_pGameView->AddChat(Sexy::StrFormat("[系统消息]:[%s]离开本桌。\n", nick), kChatKindSystem);
        }
    }
    if (chair == kNoChair || !m_pGameView)
        return;

    const int seats = std::clamp(m_pAppInfo->iMaxPlayerNum, 0, kMaxSeats);
    for (int seat = 0; seat < seats; ++seat)
    {
        const PlayerNode* node = m_pGameView->m_pTableUser[seat];
        if (!node || static_cast<unsigned char>(node->cChairId) != chair)
            continue;
        if (seat == 1 && m_pAppInfo->iWatchChairId != -1)
        {
            ShowNotice(std::string("旁观对象已经离开本桌，您也被强制离桌。"));
            ExitToLobby(kExitWatchedLeft, 0, true);
            return;
        }
        m_pGameView->HandleEscapeNotice(msg, len);
        return;
    }
}

bool GameWndBase::JudgeAutoEscape()
{
    if (m_pAppInfo->iGameState >= 1)
        return false;
    const int seats = std::min(m_pAppInfo->iMaxPlayerNum, kMaxSeats);
    if (seats <= 0 || !m_pGameView)
        return false;
    int taken = 0;
    for (int seat = 0; seat < seats; ++seat)
    {
        if (m_pGameView->m_pTableUser[seat])
            ++taken;
    }
    const int mode = m_pAppInfo->cEscapeMode;
    const int roomType = m_pAppInfo->iRoomType;
    // Strict tables leave a table that is not full; lenient ones a table where others wait.
    const bool strict = mode == 0 || (mode == 1 && roomType != 0 && roomType != 3);
    const bool leave = strict ? taken < seats : taken >= 2;
    if (!leave)
        return false;
    ExitToLobby(kExitAuto, 0, true);
    return true;
}

} // namespace Ostra
