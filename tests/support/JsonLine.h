// Reading one value out of a JSON line as the tools print them (tessaro-devserver writes "key":value,
// tessaro-lobby "key": value): enough for tests that wait for a line and look at one of its fields.
#pragma once

#include <cerrno>
#include <cstdlib>
#include <optional>
#include <string>

namespace testsupport
{

// Where the value of "key" starts in a JSON line (after the colon and any blanks), npos without it.
inline size_t JsonValueAt(const std::string& line, const std::string& key)
{
    const std::string pattern = "\"" + key + "\":";
    const size_t at = line.find(pattern);
    if (at == std::string::npos)
        return std::string::npos;
    return line.find_first_not_of(' ', at + pattern.size());
}

// The integer value of "key" in a JSON line (the server's or the lobby's), if it has one.
inline std::optional<long long> JsonInt(const std::string& line, const std::string& key)
{
    const size_t at = JsonValueAt(line, key);
    if (at == std::string::npos)
        return std::nullopt;
    const char* start = line.c_str() + at;
    char* end = nullptr;
    errno = 0;
    const long long value = std::strtoll(start, &end, 10);
    if (end == start || errno != 0)
        return std::nullopt;
    return value;
}

// The string value of "key" (without escapes to undo: the server's keys and hexadecimal values
// need none), if it has one.
inline std::optional<std::string> JsonStr(const std::string& line, const std::string& key)
{
    const size_t at = JsonValueAt(line, key);
    if (at == std::string::npos || line[at] != '"')
        return std::nullopt;
    const size_t start = at + 1;
    const size_t end = line.find('"', start);
    if (end == std::string::npos)
        return std::nullopt;
    return line.substr(start, end - start);
}

} // namespace testsupport
