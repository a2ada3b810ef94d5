#include "tools/devserver/room/QuickChat.h"

#include "tools/devserver/TextFile.h"

namespace devserver
{

namespace
{

constexpr size_t kMaxFileSize = 1u << 20;

// One field of a line, converted, or false with the reason.
bool Field(std::string_view raw, size_t place, const std::string& what, std::string& gbk, std::string& reason)
{
    const std::string_view text = TrimBlanks(raw);
    if (text.empty())
    {
        reason = what + " is empty";
        return false;
    }
    // Its place holds the terminator too.
    return TextFromUtf8(text, place - 1, what, gbk, reason);
}

} // namespace

bool ParsePhrases(std::string_view text, const std::string& fileName, std::vector<QuickChatEntry>& out,
                  PhrasesFileError& error)
{
    std::vector<QuickChatEntry> phrases;
    auto fail = [&](int line, std::string reason)
    {
        error.file = fileName;
        error.line = line;
        error.reason = std::move(reason);
        return false;
    };
    const bool ok = ForEachLine(
        text,
        [&](int lineNo, std::string_view raw)
        {
            const std::string_view line = TrimBlanks(raw);
            if (line.empty() || line[0] == '#')
                return true;
            const size_t first = line.find('|');
            const size_t second = first == std::string_view::npos ? first : line.find('|', first + 1);
            if (second == std::string_view::npos)
                return fail(lineNo, "not 'folder | file | phrase'");
            if (phrases.size() == kMaxQuickChatEntries)
                return fail(lineNo, "more than " + std::to_string(kMaxQuickChatEntries) +
                                        " phrases, which is what fits the message");
            QuickChatEntry entry;
            std::string reason;
            if (!Field(line.substr(0, first), kSoundDirLen, "the folder", entry.folder, reason) ||
                !Field(line.substr(first + 1, second - first - 1), kSoundFileLen, "the file", entry.file, reason) ||
                !Field(line.substr(second + 1), kPhraseLen, "the phrase", entry.text, reason))
                return fail(lineNo, reason);
            phrases.push_back(std::move(entry));
            return true;
        });
    if (!ok)
        return false;
    out = std::move(phrases);
    return true;
}

bool LoadPhrases(const std::string& path, std::vector<QuickChatEntry>& out, PhrasesFileError& error)
{
    error = PhrasesFileError{path, 0, ""};
    std::string text;
    if (!ReadTextFile(path, kMaxFileSize, text, error.reason))
        return false;
    return ParsePhrases(text, path, out, error);
}

} // namespace devserver
