// The player menu: a player's figures and the actions the own user may take on him, the messages
// behind them, and the wealth and strength title tables.
#include "tessaro/view/GameViewBase.h"

#include "platform/Path.h"
#include "platform/Process.h"
#include "platform/Text.h"
#include "pop/Common.h"
#include "pop/WidgetManager.h"
#include "tessaro/app/GameAppBase.h"
#include "tessaro/app/LaunchData.h"
#include "tessaro/net/Log.h"
#include "tessaro/session/GameMsg.h"
#include "tessaro/session/PlayerNode.h"
#include "tessaro/widgets/MenuWidget.h"
#include "tessaro/widgets/TextConversion.h"

#include <algorithm>
#include <climits>
#include <cstdarg>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <string>

namespace Ostra
{

namespace
{

constexpr int kMenuLineHeight = 17;
// Every menu line fits its buffer with room to spare: the nick name is at most 16 bytes and the
// numbers at most 11 characters each.
constexpr int kMenuTextLen = 256;
constexpr const char* kNameColor = "^ffffff0";
constexpr const char* kValueColor = "^6fdebc0";

constexpr int kUserRequestLen = 276;
constexpr int kSeeCardsReqLen = 12;
// The chat message: the layout of the chat record.
constexpr int kChatMsgLen = kChatRecordLen;
constexpr int kChatSendIdAt = offsetof(ChatMsg, iSendId);
constexpr int kChatSendNickAt = offsetof(ChatMsg, szSendNick);
constexpr int kChatRecvNickAt = offsetof(ChatMsg, szRecvNick);
constexpr int kChatTextAt = offsetof(ChatMsg, szText);
constexpr int kChatTextLen = sizeof(ChatMsg::szText);
constexpr int kChatKindAt = offsetof(ChatMsg, cKind);
constexpr int kChatReqValueAt = offsetof(ChatMsg, iReqValue);
constexpr int kChatReqByteAt = offsetof(ChatMsg, cReqByte);
constexpr int kNickLen = 16;
constexpr unsigned char kChatKindTable = 1;
constexpr unsigned char kChatKindCall = 2;
constexpr unsigned char kChatKindGmCall = 4;

// The request sub-commands of message type 24.
constexpr int kRequestAskToLeave = 0;
constexpr int kRequestGmKick = 1;
constexpr int kRequestForbidChat = 2;
constexpr int kRequestDismissTable = 5;

constexpr int kDetailUrlLen = 300;
// Room types in which players stay anonymous: no details page, no asking to leave.
constexpr int kRoomAntiCheatA = 2;
constexpr int kRoomAntiCheatB = 4;
// iWatchChairId of a player who is neither seated nor watching.
constexpr int kWatchNone = -1;
constexpr int kWatchUnset = -2;

// The longest title line read, and the file buffer holding it with its terminator.
constexpr int kTitleLineBuf = 10240;

bool IsAntiCheatRoom(const AppInfo& info)
{
    return info.iRoomType == kRoomAntiCheatA || info.iRoomType == kRoomAntiCheatB;
}

bool HasGmRights(const AppInfo* info)
{
    return info && (info->bGmRightA || info->bGmRightB);
}

int NickLen(const char (&nick)[kNickLen])
{
    const void* zero = std::memchr(nick, 0, kNickLen);
    return zero ? static_cast<int>(static_cast<const char*>(zero) - nick) : kNickLen;
}

[[gnu::format(printf, 1, 2)]] std::wstring MenuText(const char* format, ...)
{
    char text[kMenuTextLen];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof(text), format, args);
    va_end(args);
    return string2wstring(text);
}

// A chat message as it goes on the wire, zero-filled.
struct ChatWire
{
    unsigned char bytes[kChatMsgLen] = {};

    void PutInt(int at, std::int32_t value) { PutBE32(bytes + at, static_cast<std::uint32_t>(value)); }
    void PutNick(int at, const char (&nick)[kNickLen]) { std::memcpy(bytes + at, nick, kNickLen); }
    // The text, cut to the field with its terminator.
    [[gnu::format(printf, 2, 3)]] void PutText(const char* format, ...)
    {
        va_list args;
        va_start(args, format);
        std::vsnprintf(reinterpret_cast<char*>(bytes + kChatTextAt), kChatTextLen, format, args);
        va_end(args);
    }
};

// The number of bytes of a GBK text that hold whole characters within at most max bytes: a cut
// never leaves half a double-byte character behind.
std::size_t WholeCharsWithin(const char* text, std::size_t length, std::size_t max)
{
    std::size_t at = 0;
    while (at < length)
    {
        const std::size_t step = static_cast<unsigned char>(text[at]) >= 0x81 && at + 1 < length ? 2 : 1;
        if (at + step > max)
            break;
        at += step;
    }
    return at;
}

// One line of a title file: a title (cut to whole characters within 15 bytes) and its threshold,
// which stays 0 when the line has none. False for a line without a title.
bool ParseTitleLine(const char* line, char (&title)[kTitleLen], int& value)
{
    const char* p = line;
    while (*p == ' ' || *p == '\t' || *p == '\r' || *p == '\n' || *p == '\v' || *p == '\f')
        ++p;
    const char* end = p;
    while (*end != '\0' && *end != ' ' && *end != '\t' && *end != '\r' && *end != '\n' && *end != '\v' && *end != '\f')
        ++end;
    if (end == p)
        return false;
    const std::size_t kept = WholeCharsWithin(p, static_cast<std::size_t>(end - p), kTitleLen - 1);
    std::memset(title, 0, sizeof(title));
    std::memcpy(title, p, kept);
    long threshold = 0;
    if (std::sscanf(end, "%ld", &threshold) != 1)
        threshold = 0;
    value = threshold > INT_MAX ? INT_MAX : threshold < INT_MIN ? INT_MIN : static_cast<int>(threshold);
    return true;
}

// Reads a title file of the current directory into a table; -1 (the table empty) when it cannot
// be opened. Lines that are only a line break are skipped; at most kMaxTitles entries are kept.
int ReadTitleFile(const char* fileName, char (&names)[kMaxTitles][kTitleLen], int (&values)[kMaxTitles], int& count)
{
    count = 0;
    std::FILE* file = std::fopen(platform::ResolvePath(fileName).c_str(), "rb");
    if (!file)
        return -1;
    std::string line(kTitleLineBuf, '\0');
    // fgets fills the buffer's last place but one only when the line goes on beyond it.
    char& full = line[kTitleLineBuf - 2];
    while (count < kMaxTitles)
    {
        full = '\0';
        if (!std::fgets(&line[0], kTitleLineBuf, file))
            break;
        // The rest of an over-long line is not a line of its own.
        if (full != '\0' && full != '\n')
        {
            int c;
            while ((c = std::fgetc(file)) != EOF && c != '\n')
            {
            }
        }
        if (std::strcmp(line.c_str(), "\r\n") == 0 || std::strcmp(line.c_str(), "\n") == 0)
            continue;
        if (ParseTitleLine(line.c_str(), names[count], values[count]))
            ++count;
    }
    std::fclose(file);
    return 0;
}

// The title of the entry with the largest threshold strictly below the value (scanning from the
// last entry), "-" and 0 when none.
int TitleOf(int value, char* out, const char (&names)[kMaxTitles][kTitleLen], const int (&values)[kMaxTitles],
            int count)
{
    if (!out)
        return 0;
    std::memset(out, 0, 4);
    for (int i = (count < kMaxTitles ? count : kMaxTitles) - 1; i >= 0; --i)
    {
        if (values[i] < value)
        {
            std::memcpy(out, names[i], kTitleLen);
            out[kTitleLen - 1] = '\0';
            return i;
        }
    }
    out[0] = '-';
    out[1] = '\0';
    return 0;
}

} // namespace

// ---- The menu --------------------------------------------------------------------------------------

void GameViewBase::ShowUserInfoMenu(int userId)
{
    if (!m_pAppInfo || !m_pUserMenu)
        return;
    const AppInfo& info = *m_pAppInfo;
    PlayerNode* player = GetPlayerNode(userId);
    if (!player)
        return;

    Sexy::MenuWidget& menu = *m_pUserMenu;
    menu.RemoveAll();
    for (int& line : m_iMenuLine)
        line = 0;
    menu.SetItemHeight(kMenuLineHeight);

    char amountName[kTitleLen] = {};
    GetAmountName(player->iAmount, amountName);
    menu.AddLine(MenuText("%s%.*s^oldclr0", kNameColor, NickLen(player->szNickName), player->szNickName));
    menu.AddSeparator();
    menu.AddLine(MenuText("游戏币: %s%d", kValueColor, player->iMoney));
    menu.AddLine(
        MenuText("实力积分: %s%-8d  ^oldclr0实力称号: %s%-5s", kValueColor, player->iAmount, kValueColor, amountName));
    menu.AddLine(MenuText("胜: %s%-7d  ^oldclr0负: %s%-7d  ^oldclr0平: %s%-7d", kValueColor, player->iWinNum,
                          kValueColor, player->iLoseNum, kValueColor, player->iDrawNum));
    const long long games =
        static_cast<long long>(player->iWinNum) + static_cast<long long>(player->iLoseNum) + player->iDrawNum;
    if (games == 0)
        menu.AddLine(MenuText("胜率: %s0%%", kValueColor));
    else
        menu.AddLine(MenuText("胜率: %s%.f%%^oldclr0", kValueColor,
                              static_cast<double>(player->iWinNum) * 100.0 / static_cast<double>(games)));
    menu.AddSeparator();
    menu.SetVisible(true);

    auto entry = [&](MenuEntry which, const char* text) { m_iMenuLine[which] = menu.AddLine(string2wstring(text)); };
    if (HasGmRights(&info))
    {
        menu.AddLine(MenuText("用户ID:%d", player->iUserId));
        menu.AddSeparator();
        entry(MENU_GM_FIND_USER_INFO, "[查询此玩家详细信息]");
        entry(MENU_GM_KICK_CHAT, "[禁止此玩家发言]");
        entry(MENU_GM_KICK, "[踢除此玩家(GM提示,关大厅)]");
        entry(MENU_GM_DIS_TABLE, "[解散此玩家所在桌]");
        menu.AddSeparator();
        // The closing bracket is missing in the system's own text.
        entry(MENU_GM_FORCE_KICK, "[强制踢除此玩家(踢断线)");
        menu.AddSeparator();
    }

    if (player->iUserId != info.iUserId)
    {
        if (info.iGameState <= 0 || player->cChairId == -1)
            entry(MENU_KICK, player->cSex % 2 == 0 ? "[请她离开(金冠特权)]" : "[请他离开(金冠特权)]");
        if (player->cChairId == info.iWatchChairId && info.iWatchChairId >= 0 && info.bAgainLogin)
            entry(MENU_SEE_CARD_REQ, "[请求旁观看牌]");
        if (player->cChairId != info.iWatchChairId && (info.iWatchChairId == kWatchUnset || info.iWatchChairId >= 0 ||
                                                       (info.iWatchChairId == kWatchNone && info.iGameState <= 0)))
            entry(MENU_SEE_OTHER_PLAYER, "[旁观该玩家]");
    }
    if (!IsAntiCheatRoom(info))
        entry(MENU_SEE_DETAIL, "[查看详细资料]");

    // The cursor in the view's own coordinates.
    int x = 0;
    int y = 0;
    if (m_pApp && m_pApp->mWidgetManager)
    {
        const Sexy::Point at = GetAbsPos();
        x = m_pApp->mWidgetManager->GetMouseX() - at.mX;
        y = m_pApp->mWidgetManager->GetMouseY() - at.mY;
    }
    Sexy::OutputDebug("%d %d\n", x, y);
    // Added again, so that it lies above the view's other children.
    RemoveWidget(&menu);
    AddWidget(&menu);
    menu.TrackPopupMenu(x, y, userId);
}

void GameViewBase::MenuClicked(int line, int userId)
{
    if (m_pUserMenu)
        m_pUserMenu->SetVisible(false);
    // Line 0 is the nick name, and 0 marks an entry that is not in the menu.
    if (line <= 0)
        return;
    using Action = void (GameViewBase::*)(int);
    static constexpr Action kActions[MENU_ENTRY_COUNT] = {
        &GameViewBase::OnMenuGmFindUserInfo, &GameViewBase::OnMenuGmKickChat,     &GameViewBase::OnMenuGmKick,
        &GameViewBase::OnMenuGmDisTable,     &GameViewBase::OnMenuGmForceKick,    &GameViewBase::OnMenuKick,
        &GameViewBase::OnMenuSeeCardReq,     &GameViewBase::OnMenuSeeOtherPlayer, &GameViewBase::OnMenuSeeDetail,
        &GameViewBase::OnMenuPlayerCall,
    };
    const int* const begin = m_iMenuLine;
    const int* const end = begin + MENU_ENTRY_COUNT;
    const int* const entry = std::find(begin, end, line);
    if (entry != end)
        (this->*kActions[entry - begin])(userId);
}

// ---- The actions -----------------------------------------------------------------------------------

void GameViewBase::SendUserRequest(int userId, int command)
{
    unsigned char msg[kUserRequestLen] = {};
    PutBE32(msg + 8, static_cast<std::uint32_t>(userId));
    msg[12] = static_cast<unsigned char>(command);
    SendNetMessage(msg, MSG_KICK_REQ, kUserRequestLen);
}

void GameViewBase::OnMenuGmFindUserInfo(int userId)
{
    if (!HasGmRights(m_pAppInfo))
        return;
    ChatWire chat;
    chat.PutInt(kChatSendIdAt, m_pAppInfo->iUserId);
    chat.PutText("/chaxun %d", userId);
    SendNetMessage(chat.bytes, MSG_CHAT_REQ, kChatMsgLen);
}

void GameViewBase::OnMenuGmKickChat(int userId)
{
    if (HasGmRights(m_pAppInfo))
        SendUserRequest(userId, kRequestForbidChat);
}

void GameViewBase::OnMenuGmKick(int userId)
{
    if (HasGmRights(m_pAppInfo))
        SendUserRequest(userId, kRequestGmKick);
}

void GameViewBase::OnMenuGmDisTable(int userId)
{
    if (HasGmRights(m_pAppInfo))
        SendUserRequest(userId, kRequestDismissTable);
}

void GameViewBase::OnMenuGmForceKick(int userId)
{
    if (!HasGmRights(m_pAppInfo))
        return;
    const AppInfo& info = *m_pAppInfo;
    ChatWire chat;
    chat.PutInt(kChatSendIdAt, info.iUserId);
    chat.PutNick(kChatSendNickAt, info.szNickName);
    chat.PutText("/forcekick  %d", userId);
    chat.bytes[kChatKindAt] = kChatKindTable;
    chat.PutInt(kChatReqValueAt, info.iLaunchArg3);
    chat.bytes[kChatReqByteAt] = static_cast<unsigned char>(info.iLaunchArg20 & 0xFF);
    SendNetMessage(chat.bytes, MSG_CHAT_REQ, kChatMsgLen);
}

void GameViewBase::OnMenuKick(int userId)
{
    if (!m_pAppInfo || IsAntiCheatRoom(*m_pAppInfo))
        return;
    if (m_pAppInfo->iVipLevel != 0)
    {
        SendUserRequest(userId, kRequestAskToLeave);
        return;
    }
    if (m_pApp)
        m_pApp->ShowMessage(std::wstring(L"只有金冠会员才能使用该功能。"), 1, 1, 10, Sexy::TPoint<int>(0, 0), true, 1);
}

void GameViewBase::OnMenuSeeCardReq(int userId)
{
    unsigned char msg[kSeeCardsReqLen] = {};
    PutBE32(msg + 8, static_cast<std::uint32_t>(userId));
    SendNetMessage(msg, MSG_SEE_CARDS_REQ, kSeeCardsReqLen);
}

void GameViewBase::OnMenuSeeOtherPlayer(int userId)
{
    if (!m_pAppInfo || userId == m_pAppInfo->iUserId)
        return;
    // The seats the view has, whatever chair count the launch claims.
    const int seats = m_pAppInfo->iMaxPlayerNum < kMaxSeats ? m_pAppInfo->iMaxPlayerNum : kMaxSeats;
    for (int seat = 0; seat < seats; ++seat)
    {
        if (seat != 1 && m_pTableUser[seat] && m_pTableUser[seat]->iUserId == userId)
            OnBtnChair(seat);
    }
}

void GameViewBase::OnMenuSeeDetail(int userId)
{
    if (!m_pAppInfo)
        return;
    char url[kDetailUrlLen];
    std::snprintf(url, sizeof(url), "%sxId=%d", FieldText(m_pAppInfo->szDetailUrl).c_str(), userId);
    if (!platform::OpenUrl(platform::GbkToUtf8(url)))
        WriteLog(20, "GameViewBase", "details page not opened[%s]", url);
}

void GameViewBase::OnMenuPlayerCall(int userId)
{
    if (!m_pAppInfo || userId == m_pAppInfo->iUserId)
        return;
    const PlayerNode* player = GetPlayerNode(userId);
    if (!player)
        return;
    const AppInfo& info = *m_pAppInfo;
    ChatWire chat;
    chat.PutInt(kChatSendIdAt, info.iUserId);
    chat.PutNick(kChatSendNickAt, info.szNickName);
    chat.PutNick(kChatRecvNickAt, player->szNickName);
    chat.PutText("[%.*s]呼叫[%.*s]", NickLen(info.szNickName), info.szNickName, NickLen(player->szNickName),
                 player->szNickName);
    chat.bytes[kChatKindAt] = info.bGmRightA ? kChatKindGmCall : kChatKindCall;
    SendNetMessage(chat.bytes, MSG_CHAT_REQ, kChatMsgLen);
}

// ---- The title tables --------------------------------------------------------------------------------

int GameViewBase::GetMoneyData()
{
    return ReadTitleFile("moneyname.dat", m_szMoneyName, m_iMoneyValue, m_iMoneyNameNum);
}

int GameViewBase::GetAmountData()
{
    return ReadTitleFile("amountname.dat", m_szAmountName, m_iAmountValue, m_iAmountNameNum);
}

int GameViewBase::GetMoneyName(int value, char* out)
{
    return TitleOf(value, out, m_szMoneyName, m_iMoneyValue, m_iMoneyNameNum);
}

int GameViewBase::GetAmountName(int value, char* out)
{
    return TitleOf(value, out, m_szAmountName, m_iAmountValue, m_iAmountNameNum);
}

} // namespace Ostra
