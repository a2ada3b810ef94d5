#include "tools/devserver/TextFile.h"

#include <cerrno>
#include <cstring>
#include <fstream>

namespace devserver
{

namespace
{

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

} // namespace

bool ReadTextFile(const std::string& path, size_t maxSize, std::string& text, std::string& reason)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
    {
        reason = std::string("cannot read the file: ") + std::strerror(errno);
        return false;
    }
    std::string read;
    char buf[65536];
    while (in.read(buf, sizeof buf) || in.gcount() > 0)
    {
        read.append(buf, static_cast<size_t>(in.gcount()));
        if (read.size() > maxSize)
        {
            reason = "larger than " + std::to_string(maxSize) + " bytes";
            return false;
        }
    }
    if (in.bad())
    {
        reason = "cannot read the file";
        return false;
    }
    text = std::move(read);
    return true;
}

std::vector<std::string> SplitWords(std::string_view line)
{
    std::vector<std::string> words;
    size_t i = 0;
    while (i < line.size())
    {
        while (i < line.size() && IsBlank(line[i]))
            ++i;
        const size_t start = i;
        while (i < line.size() && !IsBlank(line[i]))
            ++i;
        if (i > start)
            words.emplace_back(line.substr(start, i - start));
    }
    return words;
}

std::string_view TrimBlanks(std::string_view line)
{
    while (!line.empty() && IsBlank(line.front()))
        line.remove_prefix(1);
    while (!line.empty() && IsBlank(line.back()))
        line.remove_suffix(1);
    return line;
}

} // namespace devserver
