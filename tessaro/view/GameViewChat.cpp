// The table view's chat: the lines of the chat and play-information lists, the speech bubbles,
// broadcast lines, the chat input with its refusals, pause and game-master commands, and the quick
// chat.
#include "tessaro/view/GameViewBase.h"

#include "pop/Common.h"
#include "tessaro/app/GameAppBase.h"
#include "tessaro/net/Log.h"
#include "tessaro/session/GameWndBase.h"
#include "tessaro/session/PlayerNode.h"
#include "tessaro/widgets/ChatListWidget.h"
#include "tessaro/widgets/ChatShowWidget.h"
#include "tessaro/widgets/SkinEditWidget.h"
#include "tessaro/widgets/SkinListWidget.h"
#include "tessaro/widgets/TextConversion.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace Ostra
{

void GameViewBase::AddChat(char* text, int color)
{
    if (!text || *text == '\0')
        return;
    AddChat(std::string(text), color);
}

void GameViewBase::AddChat(std::string text, int color)
{
    AddChat(string2wstring(text), color);
}

void GameViewBase::AddChat(std::wstring text, int color)
{
    if (m_pChatList)
        m_pChatList->AddChat(std::move(text), color);
}

void GameViewBase::AddPlayInfo(char* text, int color)
{
    if (!text || *text == '\0')
        return;
    AddPlayInfo(std::string(text), color);
}

void GameViewBase::AddPlayInfo(std::string text, int color)
{
    AddPlayInfo(string2wstring(text), color);
}

void GameViewBase::AddPlayInfo(std::wstring text, int color)
{
    if (m_pPlayInfoList)
        m_pPlayInfoList->AddChat(std::move(text), color);
}

void GameViewBase::ShowChatInfo(int userId, char* text)
{
    if (!text || *text == '\0')
        return;
    ShowChatInfo(userId, std::string(text));
}

void GameViewBase::ShowChatInfo(int userId, std::string text)
{
    ShowChatInfo(userId, string2wstring(text));
}

void GameViewBase::ShowChatInfo(int userId, std::wstring text)
{
    for (int seat = 0; seat < kMaxSeats; ++seat)
    {
        const PlayerNode* player = m_pTableUser[seat];
        if (player && player->iUserId == userId && m_pChatShow[seat])
        {
            m_pChatShow[seat]->SetChatInfo(std::move(text));
            return;
        }
    }
}

void GameViewBase::ShowShoutContent(wchar_t* text, int kind)
{
    const std::wstring line = text ? std::wstring(text) : std::wstring();
    switch (kind)
    {
    case 1:
        AddChat(line, 1);
        break;
    case 2:
        // The chat list's own timer adds pending lines when a game runs it.
        if (m_pChatList)
            m_pChatList->m_vecPending.push_back(line);
        break;
    case 3:
        AddChat(line, 3);
        break;
    case 4:
        AddChat(line, 2);
        break;
    default:
        AddChat(line, 0);
        break;
    }
}

void GameViewBase::OnTimer(int id)
{
    if (id == kTimerChatReset || id == kTimerChatPause)
        OnChatTimer(id);
}

void GameViewBase::OnChatTimer(int id)
{
    if (id == kTimerChatReset)
    {
        if (m_iChatCount <= kChatFreeLines)
        {
            m_iChatCount = 0;
            m_iChatWait = kChatWaitFree;
        }
        return;
    }
    if (--m_iChatWait <= 0)
    {
        m_iChatCount = 0;
        m_iChatWait = kChatWaitFree;
        m_Timer.KillTimer(kTimerChatPause);
    }
}

// ---- The chat input ---------------------------------------------------------------------------------

namespace
{

// The chat list's colour for a line that was not sent.
constexpr int kChatKindRefused = 2;
// Room types where only game masters may chat (the anti-cheat rooms).
constexpr int kRoomAntiCheatA = 2;
constexpr int kRoomAntiCheatB = 4;

// The chat message (type 20): the layout of the chat record.
constexpr int kChatMsgLen = kChatRecordLen;
constexpr int kChatUserIdAt = offsetof(ChatMsg, iSendId);
constexpr int kChatNickAt = offsetof(ChatMsg, szSendNick);
constexpr int kChatNickLen = sizeof(ChatMsg::szSendNick);
constexpr int kChatTextAt = offsetof(ChatMsg, szText);
constexpr int kChatTextLen = sizeof(ChatMsg::szText);
constexpr int kChatKindAt = offsetof(ChatMsg, cKind);
constexpr int kChatArg3At = offsetof(ChatMsg, iReqValue);
constexpr int kChatArg20At = offsetof(ChatMsg, cReqByte);
constexpr unsigned char kChatKindTable = 1;
constexpr unsigned char kChatKindGm = 3;

// The game master's request (type 24).
constexpr int kGmReqLen = 276;
constexpr int kGmTargetAt = 8;
constexpr int kGmCommandAt = 12;
constexpr int kGmWordAt = 13;
constexpr int kGmWordLen = 259;
constexpr int kGmValueAt = 272;

struct GmCommand
{
    const wchar_t* name;
    std::size_t length; // the characters compared: the name's own
    unsigned char command;
    bool hasValue; // a second number after the word
};
// Only the start of the line is compared, so "/kickall" is a "/kick" as well.
constexpr GmCommand kGmCommands[] = {
    {L"/kick", 5, 1, false},
    {L"/chat", 5, 2, true},
    {L"/dismiss", 8, 5, false},
};

// The longest prefix of a GBK text that fits max bytes without splitting a double-byte character
// (a lead byte is 0x81 to 0xFE; the byte after it belongs to the same character).
std::size_t GbkFit(const std::string& text, std::size_t max)
{
    std::size_t at = 0;
    while (at < text.size())
    {
        const std::size_t step = static_cast<unsigned char>(text[at]) >= 0x81 && at + 1 < text.size() ? 2 : 1;
        if (at + step > max)
            break;
        at += step;
    }
    return at;
}

// A zero-filled text field of size bytes: the text, cut to leave room for the terminator.
void PutField(unsigned char* field, std::size_t size, const std::string& text)
{
    if (size == 0)
        return;
    std::memcpy(field, text.data(), GbkFit(text, size - 1));
}

// Reads a command line field by field the way a scanf of "%s %d %s %d" does: blanks between the
// fields, and the first field that does not parse ends the reading.
class FieldReader
{
public:
    explicit FieldReader(const std::string& text) : m_text(text) {}

    bool Word(std::string* out)
    {
        SkipBlanks();
        const std::size_t from = m_at;
        while (m_at < m_text.size() && !IsBlank(m_text[m_at]))
            ++m_at;
        if (m_at == from)
            return false;
        out->assign(m_text, from, m_at - from);
        return true;
    }

    // A decimal number with an optional sign; one beyond 32 bits is held at the nearest limit.
    bool Number(std::int32_t* out)
    {
        SkipBlanks();
        std::size_t at = m_at;
        bool negative = false;
        if (at < m_text.size() && (m_text[at] == '+' || m_text[at] == '-'))
            negative = m_text[at++] == '-';
        const std::size_t digits = at;
        std::int64_t value = 0;
        constexpr std::int64_t kLimit = static_cast<std::int64_t>(INT32_MAX) + 1;
        for (; at < m_text.size() && m_text[at] >= '0' && m_text[at] <= '9'; ++at)
            value = std::min<std::int64_t>(value * 10 + (m_text[at] - '0'), kLimit);
        if (at == digits)
            return false;
        m_at = at;
        value = negative ? -value : std::min<std::int64_t>(value, INT32_MAX);
        *out = static_cast<std::int32_t>(value);
        return true;
    }

private:
    static bool IsBlank(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
    void SkipBlanks()
    {
        while (m_at < m_text.size() && IsBlank(m_text[m_at]))
            ++m_at;
    }

    const std::string& m_text;
    std::size_t m_at = 0;
};

} // namespace

void GameViewBase::EditWidgetText(int, const std::wstring& text)
{
    if (!m_pAppInfo)
        return;
    const AppInfo& info = *m_pAppInfo;
    // The edit box hands in its own text, which clearing the box below would change under us.
    const std::wstring line = text;
    const std::string gbk = Sexy::SexyStringToString(line);
    const bool gm = info.bGmRightA || info.bGmRightB;

    if ((info.iRoomType == kRoomAntiCheatA || info.iRoomType == kRoomAntiCheatB) && !gm)
    {
        AddChat(std::wstring(L"[发言失败]:防作弊房间不能发言！"), kChatKindRefused);
        return;
    }
    if (info.bChatForbidden)
    {
        const GameWndBase* wnd = m_pApp ? m_pApp->m_pGameWnd : nullptr;
        AddChat(std::wstring(L"[发言失败]:") + (wnd ? wnd->m_strForbidChatMsg : std::wstring()), kChatKindRefused);
        return;
    }
    if (line.empty())
        return;
    if (!gm && m_iChatWait < kChatWaitFree)
    {
        AddChat(Sexy::StrFormat("[发言失败]:请您休息下喝杯茶，%d秒后再发言！\n", m_iChatWait), kChatKindRefused);
        if (m_pEditChat)
            m_pEditChat->SetText(std::wstring(), true);
        return;
    }
    if (gm && SendGmCommand(line))
    {
        if (m_pEditChat)
            m_pEditChat->SetText(std::wstring(), true);
        return;
    }

    unsigned char msg[kChatMsgLen] = {};
    PutBE32(msg + kChatUserIdAt, static_cast<std::uint32_t>(info.iUserId));
    std::memcpy(msg + kChatNickAt, info.szNickName, kChatNickLen);
    PutField(msg + kChatTextAt, kChatTextLen, gbk);
    msg[kChatKindAt] = info.bGmRightA ? kChatKindGm : kChatKindTable;
    PutBE32(msg + kChatArg3At, static_cast<std::uint32_t>(info.iLaunchArg3));
    msg[kChatArg20At] = static_cast<unsigned char>(info.iLaunchArg20 & 0xFF);
    SendNetMessage(msg, MSG_CHAT_REQ, kChatMsgLen);
    if (m_pEditChat)
        m_pEditChat->SetText(std::wstring(), true);

    // Game masters are counted too; they are only never refused.
    if (++m_iChatCount > kChatFreeLines)
    {
        --m_iChatWait;
        m_Timer.SetTimer(kTimerChatPause, kChatTimerElapse);
    }
}

bool GameViewBase::SendGmCommand(const std::wstring& text)
{
    const GmCommand* found = nullptr;
    for (const GmCommand& c : kGmCommands)
    {
        if (text.compare(0, c.length, c.name) == 0)
        {
            found = &c;
            break;
        }
    }
    if (!found)
        return false;

    const std::string gbk = Sexy::SexyStringToString(text);
    FieldReader reader(gbk);
    std::string name;
    std::string word;
    std::int32_t target = 0;
    std::int32_t value = 0;
    // A field that is missing leaves itself and the ones after it zero.
    if (reader.Word(&name) && reader.Number(&target) && reader.Word(&word) && found->hasValue)
        reader.Number(&value);

    unsigned char msg[kGmReqLen] = {};
    PutBE32(msg + kGmTargetAt, static_cast<std::uint32_t>(target));
    msg[kGmCommandAt] = found->command;
    PutField(msg + kGmWordAt, kGmWordLen, word);
    PutBE32(msg + kGmValueAt, static_cast<std::uint32_t>(value));
    SendNetMessage(msg, MSG_KICK_REQ, kGmReqLen);
    return true;
}

void GameViewBase::OnBtnEditSend()
{
    if (!m_pEditChat)
        return;
    const std::wstring text = m_pEditChat->GetText();
    static_cast<Sexy::EditListener*>(this)->EditWidgetText(m_pEditChat->mId, text);
}

void GameViewBase::OnBtnQuickChat()
{
    if (m_pQuickChatList)
        m_pQuickChatList->SetVisible(!m_pQuickChatList->mVisible);
}

void GameViewBase::OnQuickChatClicked(int row)
{
    if (!m_pQuickChatList)
        return;
    // Sent like a typed line, with every refusal and the pause.
    const std::wstring text = m_pQuickChatList->GetStringAt(row);
    static_cast<Sexy::EditListener*>(this)->EditWidgetText(kQuickChatListId, text);
    OnBtnQuickChat();
}

void GameViewBase::KeyDown(Sexy::KeyCode key)
{
    Sexy::Widget::KeyDown(key);
    if (key == Sexy::KEYCODE_F10 && m_pApp)
        m_pApp->TakeScreenshot();
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
    // A message without phrases leaves the list as it was.
    if (m_vQuickChat.empty() || !m_pQuickChatList)
        return;
    m_pQuickChatList->RemoveAll();
    for (const QuickChatInfo& phrase : m_vQuickChat)
    {
        // A phrase fills its field without a terminator when it is that long.
        const std::string text = FieldText(phrase.szText);
        if (!text.empty())
            m_pQuickChatList->AddLine(string2wstring(text), false);
    }
}

} // namespace Ostra
