// The server's report: one JSON object per line, UTF-8, each line handed on (and flushed) as soon
// as it is complete. Several threads write to it; lines never interleave.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace devserver
{

// A JSON string literal, quotes included. Control characters are escaped and bytes that are not
// valid UTF-8 become U+FFFD, so that a line stays well-formed whatever text it carries.
std::string JsonString(std::string_view text);

// One report line under construction: {"event":"<event>", fields in the order they are added}.
class JsonLine
{
public:
    explicit JsonLine(std::string_view event);

    JsonLine& Str(std::string_view key, std::string_view value);
    JsonLine& Int(std::string_view key, std::int64_t value);
    JsonLine& Bool(std::string_view key, bool value);
    // An array of numbers.
    JsonLine& Ints(std::string_view key, const std::vector<std::int64_t>& values);
    // Lowercase hexadecimal of the bytes, as a string.
    JsonLine& Hex(std::string_view key, std::string_view bytes);
    // The fields of a game message: "type", "len" (the whole message) and "body" (hexadecimal of
    // the bytes after the header); bytes too short for a header give "len" and "hex" instead.
    JsonLine& Message(std::string_view msg);
    // A number with three decimals.
    JsonLine& Millis(std::string_view key, double ms);

    // The object as one line, without the line end.
    std::string Text() const { return m_text + "}"; }

private:
    void Key(std::string_view key);

    std::string m_text;
};

class JsonLog
{
public:
    // Receives each whole line, without its line end.
    using Sink = std::function<void(const std::string& line)>;

    explicit JsonLog(Sink sink);

    // Lines to standard output.
    static std::unique_ptr<JsonLog> ToStdout();
    // Lines appended to a file; null (and error set) when it cannot be opened.
    static std::unique_ptr<JsonLog> ToFile(const std::string& path, std::string& error);

    // Writes the line with a last field "t": milliseconds since the log was created.
    void Write(JsonLine line);
    // Writes the line as it is.
    void WriteUntimed(const JsonLine& line);

private:
    std::mutex m_mutex;
    Sink m_sink;
    std::chrono::steady_clock::time_point m_start;
};

} // namespace devserver
