// Reading the server's own text files (scenarios, player lists): the whole file, bounded, and its
// lines split into words.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace devserver
{

// Reads the whole file if it holds at most maxSize bytes. False, with reason set, otherwise.
bool ReadTextFile(const std::string& path, size_t maxSize, std::string& text, std::string& reason);

// The words of a line, separated by blanks (spaces or tabs).
std::vector<std::string> SplitWords(std::string_view line);

// The line without surrounding blanks.
std::string_view TrimBlanks(std::string_view line);

// Calls take(lineNumber, line) for each line (counted from 1, without its line end, "\r\n"
// included) until take returns false; false then.
template <typename Take> bool ForEachLine(std::string_view text, Take take)
{
    int lineNo = 0;
    size_t pos = 0;
    while (pos < text.size())
    {
        size_t end = text.find('\n', pos);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view line = text.substr(pos, end - pos);
        pos = end + 1;
        ++lineNo;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (!take(lineNo, line))
            return false;
    }
    return true;
}

} // namespace devserver
