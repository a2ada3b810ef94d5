// Any quick-chat message (type 127) straight into GameViewBase::HandleQuickChatInfoRes, then
// phrases chosen from the quick-chat list (ListClicked with the list's id 100, as a click on a
// row does) and chat lines matched against the phrases for their voice (SoundChatInfo): the
// phrases kept are exactly the whole entries the message holds (no more than its count says),
// each field as its bytes were; the list shows each phrase that has text, or stays as it was when
// the message brings none; a chosen row sends one chat message (type 20, whole, its text a start
// of the phrase), and a row beyond the list nothing; nothing reads past the message or a phrase.
//
// Input: byte 0 bit 0 the count at byte 8 is written as the entries present (else as the input
// has it), bit 1 AppInfo cNoSend = 1; bytes 1-2 the message's length (big-endian, at most 32767),
// then its bytes (zeros past the end of the input). Then up to 8 chosen rows (signed bytes), a
// byte with the length of a chat line and its bytes (GBK) for the voice lookup, and up to 4 more
// such lines.
#include "fuzz/FuzzInput.h"
#include "fuzz/FuzzTable.h"
#include "pop/Common.h"
#include "tessaro/session/ChatRecords.h"
#include "tessaro/widgets/SkinListWidget.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

namespace
{

using namespace Ostra;
using fuzzapp::Check;

constexpr long kEntriesAt = 16;
constexpr long kEntryLen = 196;

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
    info.cNoSend = (options & 2) ? 1 : 0;
    t.view.SetAppInfo(&info);
    fuzztable::DrainSends(*t.wnd.m_pSendQueue);
    Sexy::SkinListWidget& list = *t.view.m_pQuickChatList;

    const long len = in.BE16() & 0x7FFF;
    std::unique_ptr<unsigned char[]> msg(new unsigned char[static_cast<size_t>(std::max(len, 1L))]);
    in.Take(msg.get(), static_cast<size_t>(len));
    const long present = len > kEntriesAt ? (len - kEntriesAt) / kEntryLen : 0;
    if ((options & 1) && len >= 12)
        for (int b = 0; b < 4; ++b)
            msg[8 + b] = static_cast<unsigned char>(present >> (8 * b));
    if (len >= 8)
        WriteGameMsgHead(msg.get(), MSG_QUICK_CHAT_INFO_RES, static_cast<int>(len));
    const std::vector<std::wstring> before = [&]
    {
        std::vector<std::wstring> rows;
        for (int r = 0; r < list.GetLineCount(); ++r)
            rows.push_back(list.GetStringAt(r));
        return rows;
    }();

    t.view.HandleQuickChatInfoRes(reinterpret_cast<std::uintptr_t>(msg.get()), len);

    std::int32_t count = 0;
    if (len >= 12)
        count =
            static_cast<std::int32_t>(msg[8] | msg[9] << 8 | msg[10] << 16 | static_cast<std::uint32_t>(msg[11]) << 24);
    const long expected = count > 0 ? std::min<long>(count, present) : 0;
    Check(static_cast<long>(t.view.m_vQuickChat.size()) == expected);
    int withText = 0;
    for (long i = 0; i < expected; ++i)
    {
        const QuickChatInfo& e = t.view.m_vQuickChat[static_cast<size_t>(i)];
        const unsigned char* at = msg.get() + kEntriesAt + i * kEntryLen;
        Check(std::memcmp(e.szText, at, sizeof(e.szText)) == 0 && std::memcmp(&e.iReserved, at + 128, 4) == 0);
        Check(std::memcmp(e.szSoundDir, at + 132, sizeof(e.szSoundDir)) == 0);
        Check(std::memcmp(e.szSoundFile, at + 164, sizeof(e.szSoundFile)) == 0);
        withText += e.szText[0] != '\0';
    }
    if (expected == 0)
    {
        Check(list.GetLineCount() == static_cast<int>(before.size()));
        for (int r = 0; r < list.GetLineCount(); ++r)
            Check(list.GetStringAt(r) == before[static_cast<size_t>(r)]);
    }
    else
    {
        Check(list.GetLineCount() == withText);
    }

    // Rows chosen from the list, each sent as a typed line when the chat is free.
    for (int i = 0; i < 8 && !in.AtEnd(); ++i)
    {
        const int row = static_cast<std::int8_t>(in.Byte());
        const std::wstring text = list.GetStringAt(row);
        t.view.m_iChatWait = kChatWaitFree;
        t.view.m_iChatCount = 0;
        t.view.ListClicked(kQuickChatListId, row, 1);
        const std::vector<std::string> sent = fuzztable::DrainSends(*t.wnd.m_pSendQueue);
        if (text.empty() || info.cNoSend == 1)
        {
            Check(sent.empty());
            continue;
        }
        Check(sent.size() == 1 && sent[0].size() == static_cast<size_t>(kChatRecordLen));
        Check(static_cast<unsigned char>(sent[0][1]) == MSG_CHAT_REQ);
        const std::string gbk = Sexy::SexyStringToString(text);
        const char* field = sent[0].data() + offsetof(ChatMsg, szText);
        const size_t kept = strnlen(field, sizeof(ChatMsg::szText));
        Check(kept < sizeof(ChatMsg::szText) && gbk.compare(0, kept, field, kept) == 0);
    }

    // Chat lines looked up for a phrase's voice, each in a buffer of exactly its length.
    for (int i = 0; i < 5 && !in.AtEnd(); ++i)
    {
        const size_t n = in.Byte();
        std::unique_ptr<char[]> line(new char[n + 1]);
        in.Take(line.get(), n);
        line[n] = '\0';
        t.wnd.SoundChatInfo(line.get(), static_cast<int>(in.Byte()));
    }
    return 0;
}
