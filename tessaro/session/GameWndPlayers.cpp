// The players of the game window: the table snapshot, the list of every player on the server and
// its changes, the answer to the own chair request, the ready cycle and the own statistics.
#include "tessaro/session/GameWndBase.h"

#include "pop/Common.h"
#include "tessaro/app/GameAppBase.h"
#include "tessaro/net/Log.h"
#include "tessaro/view/GameViewBase.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace Ostra
{

namespace
{

constexpr int kLogLevel = 20;
constexpr const char* kTag = "GameWndBase";

constexpr int kChatKindSystem = 2;
// A hidden user (kept out of the list of all players).
constexpr int kUserTypeHidden = 4;

// Type 35: the first-page flag, the entry count and the entries.
constexpr long kPageFirstAt = 9;
constexpr long kPageCountAt = 10;
constexpr long kPageEntriesAt = 12;
// Type 52: the entry count, the view's flag and the entries.
constexpr long kSnapshotCountAt = 8;
constexpr long kSnapshotFlagAt = 9;
constexpr long kSnapshotEntriesAt = 12;
// Type 65: the entry in its shorter form, which ends with the int at 84.
constexpr long kJoinEntryAt = 8;
constexpr long kJoinLen = 88;
// Types 66 and 67.
constexpr long kLeaveLen = 12;
constexpr long kSitOrLeaveLen = 15;
// Type 34: its last field is the int at 100.
constexpr long kSitDownResLen = 104;
// Type 53.
constexpr long kReadyNoticeLen = 9;
constexpr unsigned char kGeneralReadyCall = 0xFF;
constexpr int kReadyAnswerLen = 12;
constexpr int kPlayerInfoChangeLen = 40;

// Sit-down results: 32 stands for 1; 1, 2 and 3 seat the player.
constexpr unsigned char kSitResultAlias = 32;

void ResetTable(PlayerNode* nodes)
{
    std::memset(nodes, 0, sizeof(PlayerNode) * kTablePlayerNodes);
    for (int i = 0; i < kTablePlayerNodes; ++i)
    {
        nodes[i].cChairId = -1;
        nodes[i].cWatchChairId = -1;
    }
}

std::string Nick(const PlayerNode& node)
{
    return std::string(node.szNickName, NickNameLength(node));
}

bool SameChair(const PlayerNode& node, unsigned char chair)
{
    return static_cast<unsigned char>(node.cChairId) == chair;
}

void PutLE32(unsigned char* p, std::int32_t value)
{
    const auto v = static_cast<std::uint32_t>(value);
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
    p[2] = static_cast<unsigned char>(v >> 16);
    p[3] = static_cast<unsigned char>(v >> 24);
}

// The whole entries a list message declares from `at` must lie inside it; a negative count
// declares none.
bool EntriesInside(const MsgView& view, long at, int count)
{
    return view.Has(at, static_cast<long>(std::max(count, 0)) * kPlayerEntryLen);
}

} // namespace

// ---- The shown table ------------------------------------------------------------------------------

void GameWndBase::MaskPlayerNode(const PlayerNode& seated, PlayerNode* masked)
{
    PlayerNode m{};
    m.iUserId = seated.iUserId;
    m.cTableId = seated.cTableId;
    m.cChairId = seated.cChairId;
    m.cWatchChairId = seated.cWatchChairId;
    m.cStatus = seated.cStatus;
    m.iUserType = seated.iUserType;
    m.cReady = seated.cReady;
    // One picture set for all three: who sits there must not show.
    m.cSex = seated.cSex;
    m.cHeadType = seated.cSex;
    m.cHeadId = seated.cSex;
    std::memcpy(m.szNickName, "游戏玩家", sizeof("游戏玩家") - 1);
    m.cMemberLevel = static_cast<std::int8_t>(std::rand() % 3);
    m.cBadge = std::rand() % 3 == 1 ? 1 : 0;
    *masked = m;
}

void GameWndBase::HandlePlayerInfoNotice(std::uintptr_t msg, long len)
{
    MsgView view(msg, len);
    const int count = view.SignedByte(kSnapshotCountAt);
    if (!view.Has(0, kSnapshotEntriesAt) || !EntriesInside(view, kSnapshotEntriesAt, count))
    {
        WriteLog(kLogLevel, kTag, "table snapshot too short[%ld] for [%d] entries", len, count);
        return;
    }
    AppInfo& info = *m_pAppInfo;

    PlayerNode before[kTablePlayerNodes];
    std::memcpy(before, m_PlayerNode, sizeof(before));
    ResetTable(m_PlayerNode);
    ResetTable(m_TruePlayerNode);
    ResetTable(m_MaskPlayerNode);
    if (m_pGameView)
        m_pGameView->m_iReadyNum = 0;

    // Lookers follow the table's chairs; a chair count out of range leaves them no room.
    const int lookersAt = std::clamp(info.iMaxPlayerNum, 0, kTablePlayerNodes);
    int seated = 0;
    int lookers = 0;
    int dropped = 0;
    for (int i = 0; i < count; ++i)
    {
        PlayerNode node{};
        ParsePlayerEntry(view, kSnapshotEntriesAt + static_cast<long>(i) * kPlayerEntryLen, &node);
        if (static_cast<unsigned char>(node.cChairId) != 0xFF)
        {
            if (seated >= kTablePlayerNodes)
            {
                ++dropped;
                continue;
            }
            m_PlayerNode[seated] = node;
            m_TruePlayerNode[seated] = node;
            if (node.iUserId != info.iUserId)
                MaskPlayerNode(node, &m_MaskPlayerNode[seated]);
            if (node.cReady == 1 && m_pGameView)
                ++m_pGameView->m_iReadyNum;
            ++seated;
        }
        else
        {
            if (lookersAt + lookers >= kTablePlayerNodes)
            {
                ++dropped;
                continue;
            }
            node.cReady = 0; // a looker's entry carries no readiness
            m_PlayerNode[lookersAt + lookers] = node;
            ++lookers;
        }
    }
    if (dropped > 0)
        WriteLog(kLogLevel, kTag, "table snapshot: [%d] entries beyond the ten records left out", dropped);

    if (m_pGameView)
    {
        m_pGameView->m_iSitNum = seated;
        m_pGameView->InsertAllUserList();
    }

    for (int i = 0; i < kTablePlayerNodes; ++i)
    {
        PlayerNode& newcomer = m_PlayerNode[i];
        if (newcomer.iUserId == 0)
            continue;
        const bool known = std::any_of(std::begin(before), std::end(before),
                                       [&](const PlayerNode& old) { return old.iUserId == newcomer.iUserId; });
        if (known)
            continue;
        std::string line;
        if (newcomer.cWatchChairId >= 0)
        {
            PlayerNode* watched = nullptr;
            for (PlayerNode& candidate : m_PlayerNode)
            {
                if (candidate.cChairId == newcomer.cWatchChairId)
                {
                    watched = &candidate;
                    break;
                }
            }
            if (!watched)
                continue;
            line = Sexy::StrFormat("[系统消息]:[%s]进入本桌，旁观对象[%s]。\n", Nick(newcomer).c_str(),
                                   Nick(*watched).c_str());
            if (m_pGameView)
                m_pGameView->CallBackOtherPlayerEnter(&newcomer, watched);
        }
        else
        {
            if (m_pGameView)
            {
                std::memset(m_pGameView->m_iSeatDataA, 0, sizeof(m_pGameView->m_iSeatDataA));
                std::memset(m_pGameView->m_iSeatDataB, 0, sizeof(m_pGameView->m_iSeatDataB));
                m_pGameView->m_cSeatDataFlag = 0;
            }
            line = Sexy::StrFormat("[系统消息]:[%s]进入本桌。\n", Nick(newcomer).c_str());
            if (m_pGameView)
                m_pGameView->CallBackOtherPlayerEnter(&newcomer, nullptr);
        }
        if ((info.iRoomType == 0 || info.iRoomType == 3) && newcomer.iUserId != info.iUserId && m_pGameView)
            m_pGameView->AddChat(line, kChatKindSystem);
    }

    if (m_pGameView)
        m_pGameView->SetTableUserInfo(static_cast<char>(view.Byte(kSnapshotFlagAt)));
}

void GameWndBase::ResetTruePlayerNodeInfo()
{
    ResetTable(m_PlayerNode);
    std::memcpy(m_PlayerNode, m_TruePlayerNode, sizeof(m_PlayerNode));
    if (m_pGameView)
        m_pGameView->InsertAllUserList();
}

PlayerNode* GameWndBase::GetPlayerNode(int userId)
{
    for (PlayerNode& node : m_PlayerNode)
    {
        if (node.iUserId == userId)
            return &node;
    }
    return nullptr;
}

bool GameWndBase::IsUserType(int mask, unsigned long type)
{
    return (static_cast<unsigned long>(mask) & type) != 0;
}

// ---- Every player on the server ---------------------------------------------------------------------

void GameWndBase::HandlePlayerInfoRes(std::uintptr_t msg, long len)
{
    MsgView view(msg, len);
    const int count = view.SignedByte(kPageCountAt);
    if (!view.Has(0, kPageEntriesAt) || !EntriesInside(view, kPageEntriesAt, count))
    {
        WriteLog(kLogLevel, kTag, "player list page too short[%ld] for [%d] entries", len, count);
        return;
    }
    if (view.Byte(kPageFirstAt) == 1)
    {
        std::memset(m_AllPlayerNode, 0, sizeof(m_AllPlayerNode));
        for (PlayerNode& node : m_AllPlayerNode)
            node.cChairId = -1;
        m_iAllPlayerNum = 0;
    }
    int left = 0;
    for (int i = 0; i < count; ++i)
    {
        if (m_iAllPlayerNum >= kAllPlayerNodes)
        {
            left = count - i;
            break;
        }
        ParsePlayerEntry(view, kPageEntriesAt + static_cast<long>(i) * kPlayerEntryLen,
                         &m_AllPlayerNode[m_iAllPlayerNum]);
        ++m_iAllPlayerNum;
    }
    if (left > 0)
        WriteLog(kLogLevel, kTag, "player list full[%d]: [%d] entries left out", kAllPlayerNodes, left);
}

void GameWndBase::HandlePlayerJoinServer(std::uintptr_t msg, long len)
{
    MsgView view(msg, len);
    if (!view.Has(0, kJoinLen))
    {
        WriteLog(kLogLevel, kTag, "player join too short[%ld]", len);
        return;
    }
    const AppInfo& info = *m_pAppInfo;
    if (!info.bGmRightA && !info.bGmRightB && info.iRoomType == 2)
        return;

    // The shorter form: entry bytes 0..59, then 62, 63, 64, then the four ints from 68 on.
    unsigned char entry[kPlayerEntryLen] = {};
    view.Copy(kJoinEntryAt, entry, 60);
    entry[62] = view.Byte(68);
    entry[63] = view.Byte(69);
    entry[64] = view.Byte(70);
    view.Copy(72, entry + 68, 16);
    PlayerNode node{};
    ParsePlayerEntry(entry, kPlayerEntryLen, &node);
    // The form carries no watched chair: the newcomer watches nobody.
    node.cWatchChairId = -1;

    if (IsUserType(kUserTypeHidden, node.iUserType) || node.iUserId == info.iUserId || node.iUserId == 0)
        return;
    if (m_iAllPlayerNum >= kAllPlayerNodes)
    {
        WriteLog(kLogLevel, kTag, "player list full[%d]: join of [%d] left out", kAllPlayerNodes, node.iUserId);
        return;
    }
    m_AllPlayerNode[m_iAllPlayerNum++] = node;
}

void GameWndBase::HandlePlayerLeaveServer(std::uintptr_t msg, long len)
{
    MsgView view(msg, len);
    if (!view.Has(0, kLeaveLen))
    {
        WriteLog(kLogLevel, kTag, "player leave too short[%ld]", len);
        return;
    }
    const std::int32_t userId = view.BE32Signed(8);
    const int used = std::clamp(m_iAllPlayerNum, 0, kAllPlayerNodes);
    const auto first = m_AllPlayerNode;
    const auto last = m_AllPlayerNode + used;
    PlayerNode* found = std::find_if(first, last, [&](const PlayerNode& n) { return n.iUserId == userId; });
    if (found == last)
        return;
    std::move(found + 1, last, found);
    std::memset(last - 1, 0, sizeof(PlayerNode));
    m_iAllPlayerNum = used - 1;
}

void GameWndBase::HandlePlayerSORLServer(std::uintptr_t msg, long len)
{
    MsgView view(msg, len);
    if (!view.Has(0, kSitOrLeaveLen))
    {
        WriteLog(kLogLevel, kTag, "sit-or-leave notice too short[%ld]", len);
        return;
    }
    const std::int32_t userId = view.BE32Signed(8);
    const int used = std::clamp(m_iAllPlayerNum, 0, kAllPlayerNodes);
    PlayerNode* node = nullptr;
    for (int i = 0; i < used; ++i)
    {
        if (m_AllPlayerNode[i].iUserId == userId)
        {
            node = &m_AllPlayerNode[i];
            break;
        }
    }
    if (!node)
        return;
    const unsigned char mode = view.Byte(14);
    if (mode == 0)
    {
        node->cTableId = 0;
        node->cChairId = -1;
    }
    else if (mode == 1)
    {
        node->cTableId = view.SignedByte(12);
        node->cChairId = view.SignedByte(13);
        AppInfo& info = *m_pAppInfo;
        if (node->iUserId == info.iUserId && node->cTableId > 0 && node->cChairId != -1)
        {
            info.iTableNo = node->cTableId;
            std::snprintf(info.szTableName, sizeof(info.szTableName), "第%d桌", info.iTableNo);
        }
    }
}

// ---- Sitting down and the ready cycle -----------------------------------------------------------------

void GameWndBase::NameTable(AppInfo& info)
{
    std::memset(info.szTableName, 0, sizeof(info.szTableName));
    if (info.iRoomType == 1 || info.iRoomType == 2)
    {
        const char* name = info.iRoomType == 1 && info.bQuickMatchTable ? "网吧快速赛专用桌" : "防作弊桌";
        std::snprintf(info.szTableName, sizeof(info.szTableName), "%s", name);
    }
    else
    {
        std::snprintf(info.szTableName, sizeof(info.szTableName), "第%d桌", info.iTableNo);
    }
}

void GameWndBase::HandleSitDownRes(std::uintptr_t msg, long len)
{
    MsgView view(msg, len);
    if (!view.Has(0, kSitDownResLen))
    {
        WriteLog(kLogLevel, kTag, "sit-down response too short[%ld]", len);
        return;
    }
    if (m_pGameView)
        m_pGameView->InitGmUserListWidth();
    SetAutoLeaveTime(kAutoLeaveMs);

    // The view's part sees 32 as the 1 it stands for.
    auto* bytes = reinterpret_cast<unsigned char*>(msg);
    if (bytes[8] == kSitResultAlias)
        bytes[8] = 1;
    const unsigned char result = bytes[8];
    if (result < 1 || result > 3)
        return;

    if (m_pGameView)
        m_pGameView->InitDeskInfo();
    BringMainWindowForward();

    AppInfo& info = *m_pAppInfo;
    info.iRoomType = view.SignedByte(52);
    info.iTableNo = view.Byte(9);
    info.bQuickMatchTable = false;
    info.cQuickMatchFlag2 = 0;
    if (view.Byte(96) == 1)
    {
        info.bQuickMatchTable = true;
        if (view.Byte(97) == 1)
            info.cQuickMatchFlag2 = 1;
    }
    if (view.SignedByte(28) > 0)
        info.bTableFlag = true;
    info.iTableParamA = view.BE32Signed(40);
    // Sent as its complement to 100; wraps rather than overflows for any value.
    info.iTableParamB = static_cast<std::int32_t>(100u - view.BE32(44));
    info.iGameBaseTimes = view.BE32Signed(76);
    view.Copy(12, info.szNickName, sizeof(info.szNickName));
    info.iTableParamC = view.BE32Signed(68);
    info.iTableParamF = view.BE32Signed(80);
    info.iMaxTimes = view.BE32Signed(92);
    info.iTableParamD = view.BE32Signed(36);
    info.iTableParamE = view.BE32Signed(32);
    info.iTableParamG = view.BE32Signed(100);

    NameTable(info);
    if (info.iRoomType != 1 && info.iRoomType != 2 && result == 1)
        info.iGameState = 0;

    if (m_pGameView)
        m_pGameView->HandleSitDownRes(msg, len);
}

void GameWndBase::BringMainWindowForward()
{
    if (!m_pGameApp)
        return;
    m_pGameApp->RaiseWindow();
    m_pGameApp->SetWindowTopmost(true);
    m_pGameApp->SetWindowTopmost(false);
    m_pGameApp->RestoreWindow();
}

void GameWndBase::SetAutoLeaveTime(int ms)
{
    if (m_pAppInfo->iRoomType == 1 && m_pAppInfo->bQuickMatchTable)
        return;
    m_Timer.KillTimer(TIMER_AUTO_LEAVE);
    m_Timer.SetTimer(TIMER_AUTO_LEAVE, static_cast<unsigned long>(std::max(ms, 0)));
}

void GameWndBase::HandleReadyNotice(std::uintptr_t msg, long len)
{
    MsgView view(msg, len);
    if (!view.Has(0, kReadyNoticeLen))
    {
        WriteLog(kLogLevel, kTag, "ready notice too short[%ld]", len);
        return;
    }
    AppInfo& info = *m_pAppInfo;
    const unsigned char chair = view.Byte(8);
    if (m_pGameView)
    {
        GameViewBase& gameView = *m_pGameView;
        const int seats = std::clamp(info.iMaxPlayerNum, 0, kMaxSeats);
        bool marked = false;
        for (int seat = 0; seat < seats && !marked; ++seat)
        {
            PlayerNode* player = gameView.m_pTableUser[seat];
            if (!player || !SameChair(*player, chair))
                continue;
            player->cReady = 1;
            marked = true;
            if (seat == 1)
                gameView.OnSelfReady();
        }
        // A seated player's own record sits in no seat slot (seat 1 stays empty for him), so his
        // own readiness is found by his chair.
        PlayerNode* self = gameView.m_pSelfNode;
        if (!marked && chair != kGeneralReadyCall && info.iWatchChairId == -1 && self &&
            self->iUserId == info.iUserId && SameChair(*self, chair))
        {
            self->cReady = 1;
            gameView.OnSelfReady();
        }
    }
    if (chair == kGeneralReadyCall && info.iWatchChairId == -1)
    {
        char answer[kReadyAnswerLen] = {};
        SendNetMessage(answer, MSG_READY_ANSWER, kReadyAnswerLen);
        info.bReadySent = true;
    }
    if (m_pGameView)
    {
        m_pGameView->HandleReadyNotice(msg, len);
        if (info.bReplay)
            m_pGameView->InitDeskInfo();
    }
}

void GameWndBase::SendPlayerInfoChange()
{
    const PlayerNode* self = nullptr;
    for (const PlayerNode& node : m_PlayerNode)
    {
        if (node.iUserId == m_pAppInfo->iUserId)
        {
            self = &node;
            break;
        }
    }
    if (!self)
        return;
    std::printf("SendPlayerInfoChange=%d %d\n", self->iUserId, self->iMoney);
    unsigned char change[kPlayerInfoChangeLen] = {};
    PutLE32(change + 8, self->iMoney);
    PutLE32(change + 12, self->iAmount);
    PutLE32(change + 16, self->iWealth);
    PutLE32(change + 20, self->iWinNum);
    PutLE32(change + 24, self->iLoseNum);
    PutLE32(change + 28, self->iDrawNum);
    PutLE32(change + 32, self->iCMValue);
    PutLE32(change + 36, self->iUserId);
    SendNetMessage(change, MSG_PLAYER_INFO_CHANGE, kPlayerInfoChangeLen);
}

} // namespace Ostra
