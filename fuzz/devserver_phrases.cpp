// Any bytes as the devserver's quick-chat phrases file: the parser never reads past the text, a
// refusal names one of its lines and leaves the list as it was, and every accepted phrase fits its
// place in the message (127) that carries it.
#include "tools/devserver/protocol/Messages.h"
#include "tools/devserver/room/QuickChat.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size)
{
    using namespace devserver;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const long lines = std::count(text.begin(), text.end(), '\n') + 1;
    std::vector<QuickChatEntry> phrases = {{"kept", 0, "d", "f"}};
    PhrasesFileError error;
    if (!ParsePhrases(text, "fuzz.txt", phrases, error))
    {
        if (error.line < 1 || error.line > lines || phrases.size() != 1 || phrases[0].text != "kept")
            std::abort();
        return 0;
    }
    if (phrases.size() > kMaxQuickChatEntries || static_cast<long>(phrases.size()) > lines)
        std::abort();
    for (const QuickChatEntry& e : phrases)
    {
        if (e.text.empty() || e.folder.empty() || e.file.empty() || e.text.size() >= kPhraseLen ||
            e.folder.size() >= kSoundDirLen || e.file.size() >= kSoundFileLen)
            std::abort();
    }
    const std::string msg = EncodeQuickChat(phrases);
    if (msg.size() != kQuickChatHeaderLen + phrases.size() * kQuickChatEntryLen || msg.size() > kMaxClientMsgLen ||
        static_cast<unsigned char>(msg[8]) != phrases.size())
        std::abort();
    return 0;
}
