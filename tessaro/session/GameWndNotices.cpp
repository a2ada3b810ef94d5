// The server's text traffic and the notices that end or change a player's stay: table and private
// chat, server texts (bulletins, horns, invitations), the system playing a seat, the answer to the
// own request that a player leave, kicks and account notices, the free daily wage and the rewards
// of a game result.
//
// Every message is read through MsgView and its texts end at their field or at the message's end,
// whichever comes first, so a short message or a text without its terminator is never read past.
#include "tessaro/session/GameWndBase.h"

#include "pop/Common.h"
#include "tessaro/app/GameAppBase.h"
#include "tessaro/net/Log.h"
#include "tessaro/session/ChatRecords.h"
#include "tessaro/view/GameViewBase.h"
#include "tessaro/widgets/TextConversion.h"
#include "tessaro/widgets/TopBullWidget.h"

#include "platform/Process.h"
#include "platform/Text.h"

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

// Chat line kinds (colours of the chat list).
enum ChatKind : int
{
    CHAT_PLAYER_ANON = 0,
    CHAT_TEXT = 1,
    CHAT_SYSTEM = 2,
    CHAT_ADMIN = 3,
    CHAT_BIG_HORN = 4,
    CHAT_NOTICE = 5,
    CHAT_SMALL_HORN = 7,
    CHAT_PLAYER = 8,
    CHAT_MEMBER = 9,
};

// Type 49: the kind byte is the last field read.
constexpr long kChatNoticeLen = 561;
// Type 144: the text starts at 57; a longer one than 480 bytes is refused.
constexpr long kServerTextAt = 57;
constexpr std::size_t kServerTextMax = 480;
constexpr std::size_t kServerLineMax = 511;
// Type 126: chair and mode.
constexpr long kAutoSendLen = 10;
// Type 38: result, a 256-byte text at 10 and the target's sex at 266.
constexpr long kKickResLen = 9;
constexpr long kKickResTextAt = 10;
constexpr long kKickResTextLen = 256;
constexpr long kKickResSexAt = 266;
// Type 68: kind, a text from 16 that ends by 279, an int at 280 for kind 13.
constexpr long kKickOutLen = 9;
constexpr long kKickOutTextAt = 16;
constexpr long kKickOutTextLen = 280 - kKickOutTextAt;
constexpr long kKickOutParamAt = 280;
// Type 129: kind, daily limit, today's number, amount.
constexpr long kWageLen = 24;
// Type 78, the reward part.
constexpr long kResultMinutesAt = 132;
constexpr long kResultRewardAt = 136;
constexpr long kResultXAt = 140;
constexpr long kResultYAt = 180;
constexpr long kResultZAt = 220;
constexpr long kResultShortGameAt = 264;
constexpr int kResultChairs = 10;

// Exit reasons told to the lobby.
constexpr int kExitMoneyKick = 17;

const char* const kCallSound = "wav//call.wav";

// The text at `at`: up to its terminator, the end of its field of `size` bytes, or the end of the
// message, whichever comes first.
std::string TextAt(const MsgView& view, long at, long size)
{
    if (at < 0 || at >= view.Length())
        return std::string();
    const long n = std::min(size, view.Length() - at);
    return FieldText(reinterpret_cast<const char*>(view.Data() + at), static_cast<std::size_t>(n));
}

std::string Nick(const PlayerNode& node)
{
    return std::string(node.szNickName, NickNameLength(node));
}

// The own record at the table: seat 1 holds the watched player for a looker, and a seated
// player's own record is kept beside the seats rather than in seat 1, which would leave the
// rewards and the statistics after a wage or a game result out for every seated player.
const PlayerNode* OwnTableRecord(const GameViewBase& gameView)
{
    return gameView.m_pTableUser[1] ? gameView.m_pTableUser[1] : gameView.m_pSelfNode;
}

bool IsAdminKind(unsigned kind)
{
    return kind == 3 || kind == 5;
}

// The answer's own text when the server sent none; empty for results without one.
std::string FormLeaveAnswer(unsigned result, const char* pronoun, const std::string& moneyName)
{
    switch (result)
    {
    case 11:
        return "您无法请正在游戏中的玩家离开！";
    case 9:
        return Sexy::StrFormat("请遵守正常游戏秩序，不要对同一玩家短时间内重复请%s离开，谢谢配合!", pronoun);
    case 10:
        return "旁观玩家不能使用该功能!";
    case 8:
        return "您今天的使用该功能的次数已达上限!";
    case 7:
        return "非金冠会员不能使用该功能";
    case 1:
        return "该玩家已经离开";
    case 3:
        return Sexy::StrFormat("您的%s不够使用该功能!", moneyName.c_str());
    case 2:
        return "非金冠会员不能请金冠会员玩家离开";
    case 4:
        return Sexy::StrFormat("您的金冠等级与对方相同，不能请%s离开", pronoun);
    case 5:
        return Sexy::StrFormat("您的金冠等级低于对方，不能请%s离开", pronoun);
    case 6:
        return Sexy::StrFormat("对方是先入坐进行游戏的金冠会员，不能请%s离开", pronoun);
    case 0:
        return Sexy::StrFormat("已成功请%s离开", pronoun);
    default:
        return std::string();
    }
}

// The escape reason of a kick that ends the stay.
int KickEscapeReason(unsigned kind)
{
    switch (kind)
    {
    case 1:
        return 8;
    case 3:
        return 10;
    case 4:
        return 9;
    default:
        return 12;
    }
}

void ClearReady(PlayerNode* nodes)
{
    for (int i = 0; i < kTablePlayerNodes; ++i)
        nodes[i].cReady = 0;
}

} // namespace

// ---- Chat -----------------------------------------------------------------------------------------

void GameWndBase::HandleChatInfoNotice(std::uintptr_t msg, long len)
{
    MsgView view(msg, len);
    if (!view.Has(0, kChatNoticeLen))
    {
        WriteLog(kLogLevel, kTag, "chat notice too short[%ld]", len);
        return;
    }
    if (!m_pGameView)
        return;
    GameViewBase& gameView = *m_pGameView;
    ChatMsg chat;
    ReadChatMsg(view, &chat);
    const unsigned kind = chat.cKind;
    // The narrow chat and the bubble take the text as char*; the copy ends in its terminator.
    std::string text = FieldText(chat.szText);
    const std::string sendNick = FieldText(chat.szSendNick);
    const std::string recvNick = FieldText(chat.szRecvNick);

    if (kind == 10 || kind == 11)
    {
        gameView.AddChat(text.data(), kind == 10 ? CHAT_SMALL_HORN : CHAT_ADMIN);
        return;
    }

    if (chat.iRecvId != 0)
    {
        if (chat.iSendId == 0)
            gameView.AddChat(Sexy::StrFormat("[系统消息]:发送私聊失败[%s]已经离开游戏\n", recvNick.c_str()),
                             CHAT_PLAYER);
        else if (chat.iSendId == m_pAppInfo->iUserId)
            gameView.AddChat(StrFormat2wstring("您对[%s]说:%s\n", recvNick.c_str(), text.c_str()),
                             IsAdminKind(kind) ? CHAT_ADMIN : CHAT_PLAYER);
        else if (IsAdminKind(kind))
            gameView.AddChat(StrFormat2wstring("[管理员]:对您说:%s\n", text.c_str()), CHAT_ADMIN);
        else
            gameView.AddChat(StrFormat2wstring("[%s]对您说:%s\n", sendNick.c_str(), text.c_str()), CHAT_PLAYER);
        return;
    }

    switch (kind)
    {
    case 2:
        gameView.AddChat(text.data(), CHAT_TEXT);
        if (m_pGameApp)
            m_pGameApp->PlaySoundA(std::string(kCallSound));
        break;
    case 4:
        gameView.AddChat(Sexy::StrFormat("[管理员]:呼叫[%s]\n", recvNick.c_str()), CHAT_NOTICE);
        if (m_pGameApp)
            m_pGameApp->PlaySoundA(std::string(kCallSound));
        break;
    case 3:
    case 5:
        gameView.AddChat(Sexy::StrFormat("[管理员]:%s\n", text.c_str()), CHAT_NOTICE);
        break;
    default:
    {
        SoundChatInfo(text.data(), chat.iSendId);
        const int roomType = m_pAppInfo->iRoomType;
        if (roomType == 1 || roomType == 2)
        {
            // Anti-cheat tables hide who speaks.
            gameView.AddChat(Sexy::StrFormat("[游戏玩家]说：%s", text.c_str()), CHAT_PLAYER_ANON);
        }
        else
        {
            const PlayerNode* sender = GetPlayerNode(chat.iSendId);
            const int lineKind = sender && sender->cMemberLevel > 0 ? CHAT_MEMBER : CHAT_PLAYER;
            gameView.AddChat(Sexy::StrFormat("[%s]说:%s", sendNick.c_str(), text.c_str()), lineKind);
        }
        gameView.ShowChatInfo(chat.iSendId, text.data());
        break;
    }
    }
}

void GameWndBase::SoundChatInfo(char* text, int senderId)
{
    if (!text || !m_pGameView || !m_pGameApp)
        return;
    const PlayerNode* sender = GetPlayerNode(senderId);
    const bool male = sender && sender->cSex % 2 != 0;
    for (const QuickChatInfo& entry : m_pGameView->m_vQuickChat)
    {
        // A phrase without text would match every line.
        const std::string phrase = FieldText(entry.szText);
        if (phrase.empty() || !std::strstr(text, phrase.c_str()))
            continue;
        const std::string dir = FieldText(entry.szSoundDir);
        const std::string file = FieldText(entry.szSoundFile);
        // A phrase without a voice has nothing to play ("<folder>\m_" names no clip).
        if (file.empty())
            return;
        m_pGameApp->PlaySpeech(Sexy::StrFormat(male ? "%s\\m_%s" : "%s\\w_%s", dir.c_str(), file.c_str()));
        return;
    }
}

void GameWndBase::HandleChatInfoRes(std::uintptr_t msg, long len)
{
    MsgView view(msg, len);
    if (!view.Has(0, kServerTextAt))
    {
        WriteLog(kLogLevel, kTag, "server text too short[%ld]", len);
        return;
    }
    ChatInfo record;
    ReadChatInfo(view, &record);
    const unsigned kind = record.cKind;
    const std::string text = FieldText(record.szText);
    if (text.size() > kServerTextMax)
    {
        WriteLog(kLogLevel, kTag, "HandleChatInfoRes_too_long,%d,len%d,%s,", static_cast<int>(kind),
                 static_cast<int>(text.size()), text.c_str());
        return;
    }
    const std::string name = FieldText(record.szName);

    char line[kServerLineMax + 1] = {};
    int chatKind = CHAT_NOTICE;
    switch (kind)
    {
    case 0:
        std::snprintf(line, sizeof(line), "[小喇叭]:%s：%s\n", name.c_str(), text.c_str());
        chatKind = CHAT_SMALL_HORN;
        break;
    case 1:
        std::snprintf(line, sizeof(line), "[系统公告]:%s\n", text.c_str());
        chatKind = CHAT_SYSTEM;
        break;
    case 2:
        std::snprintf(line, sizeof(line), "[管理员公告]:%s\n", text.c_str());
        chatKind = CHAT_ADMIN;
        break;
    case 6:
        std::snprintf(line, sizeof(line), "[大喇叭]:%s：%s\n", name.c_str(), text.c_str());
        chatKind = CHAT_BIG_HORN;
        break;
    case 0x80:
        std::snprintf(line, sizeof(line), "[系统消息]:[%s]邀请您加入本桌！\n", name.c_str());
        chatKind = CHAT_NOTICE;
        break;
    case 0x7F:
        std::snprintf(line, sizeof(line), "%s\n", text.c_str());
        chatKind = CHAT_PLAYER;
        break;
    default:
        std::snprintf(line, sizeof(line), "%s\n", text.c_str());
        chatKind = CHAT_NOTICE;
        break;
    }
    // The bulletin shows the record with the formatted line in place of the text.
    std::memset(record.szText, 0, sizeof(record.szText));
    std::memcpy(record.szText, line, std::strlen(line));

    if (!m_pGameView)
        return;
    const bool toBulletin = (kind >= 1 && kind <= 5) || (kind >= 8 && kind <= 126) || kind >= 129;
    const bool toChat = kind <= 2 || (kind >= 6 && kind <= 8) || kind >= 127;
    if (toBulletin)
        if (m_pGameView->m_pTopBull)
            m_pGameView->m_pTopBull->AddBull(&record);
    if (toChat)
        m_pGameView->AddChat(line, chatKind);
}

// ---- Seats played by the system ---------------------------------------------------------------------

void GameWndBase::HandleAutoSendNotice(std::uintptr_t msg, long len)
{
    MsgView view(msg, len);
    if (!view.Has(0, kAutoSendLen))
    {
        WriteLog(kLogLevel, kTag, "auto-play notice too short[%ld]", len);
        return;
    }
    if (!m_pGameView)
        return;
    GameViewBase& gameView = *m_pGameView;
    const unsigned char chair = view.Byte(8);
    const unsigned char mode = view.Byte(9);
    const int seats = std::clamp(m_pAppInfo->iMaxPlayerNum, 0, kMaxSeats);
    for (int seat = 0; seat < seats; ++seat)
    {
        const PlayerNode* player = gameView.m_pTableUser[seat];
        if (!player || static_cast<unsigned char>(player->cChairId) != chair)
            continue;
        const std::string nick = Nick(*player);
        gameView.m_cAutoPlay[seat] = static_cast<char>(mode);
        if (mode == 1)
        {
            gameView.m_cOffline[seat] = 1;
            gameView.AddChat(Sexy::StrFormat("[系统消息]:[%s]由系统代打中...", nick.c_str()), CHAT_SYSTEM);
        }
        else if (mode == 2)
        {
            gameView.m_cOffline[seat] = 0;
            gameView.AddChat(Sexy::StrFormat("[系统消息]:[%s]已经回到游戏。", nick.c_str()), CHAT_SYSTEM);
            gameView.m_cAutoPlay[seat] = 0;
            gameView.CallBackOtherPlayerLoginAgainNotice(seat);
        }
        else if (mode == 0)
        {
            gameView.m_cOffline[seat] = 0;
            gameView.AddChat(Sexy::StrFormat("[系统消息]:[%s]已经回到游戏，系统代打取消。", nick.c_str()), CHAT_SYSTEM);
            gameView.CallBackOtherPlayerLoginAgainNotice(seat);
        }
        // Other modes are only stored: there is no line for them.
        return;
    }
}

// ---- Requests that a player leave, kicks and account notices ----------------------------------------

void GameWndBase::HandleKickPlayerRes(std::uintptr_t msg, long len)
{
    MsgView view(msg, len);
    if (!view.Has(0, kKickResLen))
    {
        WriteLog(kLogLevel, kTag, "leave-request answer too short[%ld]", len);
        return;
    }
    const unsigned result = view.Byte(8);
    std::string text = TextAt(view, kKickResTextAt, kKickResTextLen);
    if (text.empty())
    {
        const char* pronoun = view.Byte(kKickResSexAt) == 0 ? "她" : "他";
        text = FormLeaveAnswer(result, pronoun, FieldText(m_pAppInfo->szMoneyName));
    }
    if (text.empty())
        return;
    if (result == 8 || result == 9)
    {
        if (m_pGameView)
            m_pGameView->AddChat(StrFormat2wstring("[系统消息]:%s", text.c_str()), CHAT_SYSTEM);
    }
    else
    {
        ShowNotice(text);
    }
}

void GameWndBase::HandleKickOutServer(std::uintptr_t msg, long len)
{
    MsgView view(msg, len);
    if (!view.Has(0, kKickOutLen))
    {
        WriteLog(kLogLevel, kTag, "kick notice too short[%ld]", len);
        return;
    }
    AppInfo& info = *m_pAppInfo;
    const unsigned kind = view.Byte(8);
    const std::string text = TextAt(view, kKickOutTextAt, kKickOutTextLen);
    switch (kind)
    {
    case 14:
    case 15:
        ShowNotice(
            Sexy::StrFormat("本帐号今日在“%s”中累计游戏时间过长,请健康游戏", FieldText(info.szGameName).c_str()));
        ExitToLobby(static_cast<int>(kind), 0, true);
        break;
    case 13:
        if (view.Has(kKickOutParamAt, 4))
            info.iTableParamG = view.BE32Signed(kKickOutParamAt);
        else
            WriteLog(kLogLevel, kTag, "table value notice too short[%ld]", len);
        break;
    case 2:
        m_strForbidChatMsg = string2wstring(text);
        info.bChatForbidden = true;
        break;
    case 9:
        info.bChatForbidden = false;
        break;
    case 10:
        if (m_pGameView)
            m_pGameView->AddChat(StrFormat2wstring("[管理员]:%s\n", text.c_str()), CHAT_ADMIN);
        info.bChatForbidden = false;
        break;
    case 11:
    case 12:
        break;
    case 0:
        m_strKickNotice = string2wstring(text);
        std::memset(m_KickOutMsg, 0, sizeof(m_KickOutMsg));
        view.Copy(0, m_KickOutMsg, std::min<long>(view.Length(), kKickOutMsgLen));
        // A seated player in a running game sees the notice when the game ends (the game result).
        if (info.iGameState != 0 && info.iWatchChairId == -1)
            break;
        CallBackKickNotice();
        break;
    default:
        ShowNotice(text);
        SendEscapeReq(KickEscapeReason(kind), 0, true);
        break;
    }
}

bool GameWndBase::CallBackKickNotice()
{
    if (m_strKickNotice.empty())
        return false;
    // Taken before the box: while it is open the frame loop runs on, and a game result arriving
    // then must not show the same notice a second time.
    const std::wstring notice = std::move(m_strKickNotice);
    m_strKickNotice.clear();
    const bool lackOfMoney =
        notice.find(L"您的游戏币不够") != std::wstring::npos || notice.find(L"游戏币低于") != std::wstring::npos;
    ShowNotice(notice);
    if (lackOfMoney)
    {
        AppInfo& info = *m_pAppInfo;
        if (info.cSkipShopOnKick == 1)
        {
            info.cSkipShopOnKick = 0;
            return true;
        }
        const std::string shop = platform::GbkToUtf8(FieldText(info.szLaunchUrl16));
        if (!platform::OpenUrl(shop))
            WriteLog(kLogLevel, kTag, "shop address not opened[%s]", FieldText(info.szLaunchUrl16).c_str());
    }
    ExitToLobby(kExitMoneyKick, 0, true);
    return true;
}

// ---- The daily wage and the game result -------------------------------------------------------------

void GameWndBase::HandlePresentMoneyServer(std::uintptr_t msg, long len)
{
    MsgView view(msg, len);
    if (!view.Has(0, kWageLen))
    {
        WriteLog(kLogLevel, kTag, "wage notice too short[%ld]", len);
        return;
    }
    const unsigned kind = view.Byte(8);
    const int limit = view.BE32Signed(12);
    const int today = view.BE32Signed(16);
    const int amount = view.BE32Signed(20);
    switch (kind)
    {
    case 2:
    case 4:
    {
        PlayerNode* self = m_pAppInfo->iUserId != 0 ? GetPlayerNode(m_pAppInfo->iUserId) : nullptr;
        // Wraps rather than overflows, whatever the server sends.
        if (self)
            self->iMoney = static_cast<std::int32_t>(static_cast<std::uint32_t>(self->iMoney) +
                                                     static_cast<std::uint32_t>(amount));
        if (!m_pGameView)
            return;
        m_pGameView->InsertAllUserList();
        m_pGameView->AddChat(
            StrFormat2wstring("[系统消息]:您身上的游戏币已不足%d，已免费领取今天第%d次工资:%d游戏币(每天%d次)。",
                              amount, today, amount, limit),
            CHAT_NOTICE);
        if (OwnTableRecord(*m_pGameView))
            SendPlayerInfoChange();
        break;
    }
    case 3:
    case 5:
    {
        const char* reason = "";
        if (limit == 0)
            reason = "您的领工资次数已达上限！";
        else if (today == 0)
            reason = "本电脑允许领工资次数已达上限！";
        if (m_pGameView)
            m_pGameView->AddChat(StrFormat2wstring("[系统消息]:%s", reason), CHAT_NOTICE);
        break;
    }
    case 6:
        if (m_pGameView)
            m_pGameView->AddChat(StrFormat2wstring("[系统消息]:您已经成功免费领取今天第%d次工资:%d游戏币(每天%d次)。",
                                                   today, amount, limit),
                                 CHAT_NOTICE);
        break;
    default:
        break;
    }
}

void GameWndBase::HandleGameResultServer(std::uintptr_t msg, long len)
{
    ClearReady(m_PlayerNode);
    ClearReady(m_TruePlayerNode);
    ClearReady(m_MaskPlayerNode);
    if (m_pGameView)
        m_pGameView->HandleGameResultServer(msg, len);
    HandleGameResultPresent(msg, len);
    if (m_pGameView && OwnTableRecord(*m_pGameView))
        SendPlayerInfoChange();
    // A kick notice held back during the game takes effect now.
    CallBackKickNotice();
}

void GameWndBase::HandleGameResultPresent(std::uintptr_t msg, long len)
{
    if (!m_pGameView)
        return;
    const PlayerNode* own = OwnTableRecord(*m_pGameView);
    const AppInfo& info = *m_pAppInfo;
    if (!own || own->cChairId == -1 || info.iChairId == -1 || info.iWatchChairId == -2)
        return;
    // Fields the message does not hold read as zero: no line for them.
    MsgView view(msg, len);
    const int minutes = view.BE32Signed(kResultMinutesAt);
    const int reward = view.BE32Signed(kResultRewardAt);
    if (minutes != 0 && reward != 0)
        m_pGameView->AddChat(Sexy::StrFormat("本局时长 %d 分钟，您已获赠 %d 游戏币奖励！", minutes, reward),
                             CHAT_NOTICE);
    else if (view.Byte(kResultShortGameAt) != 0)
        m_pGameView->AddChat(std::string("本局时长未满一分钟。"), CHAT_NOTICE);

    const int chair = own->cChairId;
    if (chair < 0 || chair >= kResultChairs)
        return;
    const int x = view.BE32Signed(kResultXAt + 4 * chair);
    const int y = view.BE32Signed(kResultYAt + 4 * chair);
    const int z = view.BE32Signed(kResultZAt + 4 * chair);
    if (y == 0 || z == 0)
        return;
    if (y == x && x != 0)
        m_pGameView->AddChat(Sexy::StrFormat("恭喜您连续玩了 %d 局获赠 %d 游戏币！", y, z), CHAT_NOTICE);
    else
        m_pGameView->AddChat(Sexy::StrFormat("再玩 %d 局，您就可以获赠 %d 游戏币奖励！", y, z), CHAT_NOTICE);
}

} // namespace Ostra
