// Any lines typed into the chat input (GameViewBase::EditWidgetText), with the user's rights, the
// room type and the chat pause from the input: a line is refused (anti-cheat room for a player,
// chat forbidden, the pause, an empty line) with nothing sent; a game master's "/kick", "/chat" or
// "/dismiss" line becomes exactly one request (type 24, 276 bytes) with its command and a
// terminated word; any other line exactly one chat message (type 20, 572 bytes) whose text is the
// start of the line's GBK, cut to whole characters before the field's terminator. Nothing at all
// is sent when sending is off. Every message is whole (header, length).
//
// Input: byte 0 bit 0 AppInfo bGmRightA, bit 1 bGmRightB, bit 2 bChatForbidden, bit 3 cNoSend = 1,
// bits 4-6 iRoomType; byte 1 the chat pause left (mod 6: 5 is none), byte 2 the lines sent in
// the period (mod 8). Then up to 32 lines, each a byte (bits 0-1 a command at its start: none,
// "/kick", "/chat", "/dismiss"; bit 2 characters of 32 bits, else 16), a length in characters
// and the characters, big-endian.
#include "fuzz/FuzzInput.h"
#include "fuzz/FuzzTable.h"
#include "pop/Common.h"
#include "tessaro/session/ChatRecords.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace
{

using namespace Ostra;
using fuzzapp::Check;

constexpr int kMaxLines = 32;
constexpr int kGmReqLen = 276;
constexpr size_t kGmWordEnd = 271; // the word's last byte, its terminator at the latest
const wchar_t* const kPrefixes[4] = {L"", L"/kick", L"/chat", L"/dismiss"};

// Which request a game master's line is, 0 for none (only the start of the line counts).
int GmCommand(const std::wstring& line)
{
    if (line.compare(0, 5, L"/kick") == 0)
        return 1;
    if (line.compare(0, 5, L"/chat") == 0)
        return 2;
    if (line.compare(0, 8, L"/dismiss") == 0)
        return 5;
    return 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size)
{
    fuzztable::Table& t = fuzztable::GetTable();
    Sexy::TestHarness harness(t.app);
    FuzzInput in(data, size);
    const int options = in.Byte();

    AppInfo& info = g_AppInfo;
    info = AppInfo{};
    info.iUserId = 10001;
    std::memcpy(info.szNickName, "fuzz", 5);
    info.bGmRightA = options & 1;
    info.bGmRightB = (options & 2) != 0;
    info.bChatForbidden = (options & 4) != 0;
    info.cNoSend = (options & 8) ? 1 : 0;
    info.iRoomType = options >> 4 & 7;
    t.view.SetAppInfo(&info);
    t.view.m_iChatWait = in.Byte() % (kChatWaitFree + 1);
    t.view.m_iChatCount = in.Byte() % 8;
    fuzztable::DrainSends(*t.wnd.m_pSendQueue);

    const bool gm = info.bGmRightA || info.bGmRightB;
    const bool antiCheat = info.iRoomType == 2 || info.iRoomType == 4;
    for (int i = 0; i < kMaxLines && !in.AtEnd(); ++i)
    {
        const int head = in.Byte();
        std::wstring line = kPrefixes[head & 3];
        const int chars = in.Byte();
        for (int c = 0; c < chars; ++c)
        {
            std::uint32_t ch = static_cast<std::uint32_t>(in.BE16());
            if (head & 4)
                ch = ch << 16 | static_cast<std::uint32_t>(in.BE16());
            line.push_back(static_cast<wchar_t>(ch));
        }

        const bool refused = antiCheat && !gm;
        const bool quiet =
            refused || info.bChatForbidden || line.empty() || (!gm && t.view.m_iChatWait < kChatWaitFree);
        const int command = gm ? GmCommand(line) : 0;
        t.view.EditWidgetText(0, line);
        const std::vector<std::string> sent = fuzztable::DrainSends(*t.wnd.m_pSendQueue);
        if (quiet || info.cNoSend == 1)
        {
            Check(sent.empty());
            continue;
        }
        Check(sent.size() == 1);
        const std::string& msg = sent[0];
        if (command != 0)
        {
            Check(msg.size() == static_cast<size_t>(kGmReqLen) && static_cast<unsigned char>(msg[1]) == MSG_KICK_REQ);
            Check(static_cast<unsigned char>(msg[12]) == command && msg[kGmWordEnd] == '\0');
            continue;
        }
        Check(msg.size() == static_cast<size_t>(kChatRecordLen) && static_cast<unsigned char>(msg[1]) == MSG_CHAT_REQ);
        // The text field: the start of the line's GBK (a zero in the line is carried as it is),
        // then zeros to the end of the field, its last byte the terminator at the latest.
        const std::string gbk = Sexy::SexyStringToString(line);
        constexpr size_t at = offsetof(ChatMsg, szText);
        constexpr size_t field = sizeof(ChatMsg::szText);
        size_t kept = field;
        while (kept > 0 && msg[at + kept - 1] == '\0')
            --kept;
        Check(kept < field && kept <= gbk.size() && msg.compare(at, kept, gbk, 0, kept) == 0);
        // Only a line too long for the field loses its end, and only the character at the cut.
        if (gbk.size() < field)
            Check(msg.compare(at, gbk.size(), gbk) == 0);
        else
            Check(kept + 2 >= field || gbk.find_first_not_of('\0', kept) >= field - 1);
        Check(msg.compare(offsetof(ChatMsg, szSendNick), 5, std::string("fuzz\0", 5)) == 0);
    }
    return 0;
}
