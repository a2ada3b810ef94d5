#include "tools/devserver/JsonLog.h"

#include "tools/devserver/Wire.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace devserver
{

namespace
{

// The length of the valid UTF-8 sequence that starts at text[i], or 0 when none does.
size_t Utf8SequenceLen(std::string_view text, size_t i)
{
    const auto b0 = static_cast<unsigned char>(text[i]);
    size_t len;
    unsigned char min1 = 0x80;
    unsigned char max1 = 0xBF;
    if (b0 >= 0xC2 && b0 <= 0xDF)
    {
        len = 2;
    }
    else if (b0 >= 0xE0 && b0 <= 0xEF)
    {
        len = 3;
        if (b0 == 0xE0)
            min1 = 0xA0; // no overlong forms
        else if (b0 == 0xED)
            max1 = 0x9F; // no surrogates
    }
    else if (b0 >= 0xF0 && b0 <= 0xF4)
    {
        len = 4;
        if (b0 == 0xF0)
            min1 = 0x90;
        else if (b0 == 0xF4)
            max1 = 0x8F; // nothing above U+10FFFF
    }
    else
    {
        return 0;
    }
    if (text.size() - i < len)
        return 0;
    for (size_t k = 1; k < len; ++k)
    {
        const auto b = static_cast<unsigned char>(text[i + k]);
        const unsigned char lo = k == 1 ? min1 : 0x80;
        const unsigned char hi = k == 1 ? max1 : 0xBF;
        if (b < lo || b > hi)
            return 0;
    }
    return len;
}

// Closes a file the log opened itself.
struct FileCloser
{
    void operator()(std::FILE* file) const { std::fclose(file); }
};

} // namespace

std::string JsonString(std::string_view text)
{
    std::string out = "\"";
    size_t i = 0;
    while (i < text.size())
    {
        const char c = text[i];
        const auto b = static_cast<unsigned char>(c);
        if (b >= 0x80)
        {
            const size_t len = Utf8SequenceLen(text, i);
            if (len == 0)
            {
                out += "\xEF\xBF\xBD"; // U+FFFD
                ++i;
            }
            else
            {
                out.append(text.substr(i, len));
                i += len;
            }
            continue;
        }
        if (c == '"' || c == '\\')
        {
            out.push_back('\\');
            out.push_back(c);
        }
        else if (c == '\n')
        {
            out += "\\n";
        }
        else if (c == '\r')
        {
            out += "\\r";
        }
        else if (c == '\t')
        {
            out += "\\t";
        }
        else if (b < 0x20 || b == 0x7F)
        {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", b);
            out += buf;
        }
        else
        {
            out.push_back(c);
        }
        ++i;
    }
    out.push_back('"');
    return out;
}

JsonLine::JsonLine(std::string_view event) : m_text("{\"event\":" + JsonString(event)) {}

void JsonLine::Key(std::string_view key)
{
    m_text += ',';
    m_text += JsonString(key);
    m_text += ':';
}

JsonLine& JsonLine::Str(std::string_view key, std::string_view value)
{
    Key(key);
    m_text += JsonString(value);
    return *this;
}

JsonLine& JsonLine::Int(std::string_view key, std::int64_t value)
{
    Key(key);
    m_text += std::to_string(value);
    return *this;
}

JsonLine& JsonLine::Bool(std::string_view key, bool value)
{
    Key(key);
    m_text += value ? "true" : "false";
    return *this;
}

JsonLine& JsonLine::Ints(std::string_view key, const std::vector<std::int64_t>& values)
{
    Key(key);
    m_text += '[';
    for (size_t i = 0; i < values.size(); ++i)
    {
        if (i > 0)
            m_text += ',';
        m_text += std::to_string(values[i]);
    }
    m_text += ']';
    return *this;
}

JsonLine& JsonLine::Hex(std::string_view key, std::string_view bytes)
{
    Key(key);
    m_text += '"';
    m_text += ToHex(bytes);
    m_text += '"';
    return *this;
}

JsonLine& JsonLine::Message(std::string_view msg)
{
    if (!HasMsgHeader(msg))
        return Int("len", static_cast<std::int64_t>(msg.size())).Hex("hex", msg);
    return Int("type", MsgType(msg))
        .Int("len", static_cast<std::int64_t>(msg.size()))
        .Hex("body", msg.substr(static_cast<size_t>(kMsgHeaderLen)));
}

JsonLine& JsonLine::Millis(std::string_view key, double ms)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.3f", ms);
    Key(key);
    m_text += buf;
    return *this;
}

JsonLog::JsonLog(Sink sink) : m_sink(std::move(sink)), m_start(std::chrono::steady_clock::now()) {}

std::unique_ptr<JsonLog> JsonLog::ToStdout()
{
    return std::make_unique<JsonLog>(
        [](const std::string& line)
        {
            std::fwrite(line.data(), 1, line.size(), stdout);
            std::fputc('\n', stdout);
            std::fflush(stdout);
        });
}

std::unique_ptr<JsonLog> JsonLog::ToFile(const std::string& path, std::string& error)
{
    std::FILE* opened = std::fopen(path.c_str(), "a");
    if (!opened)
    {
        error = "cannot open " + path + ": " + std::strerror(errno);
        return nullptr;
    }
    std::shared_ptr<std::FILE> file(opened, FileCloser());
    return std::make_unique<JsonLog>(
        [file](const std::string& line)
        {
            std::fwrite(line.data(), 1, line.size(), file.get());
            std::fputc('\n', file.get());
            std::fflush(file.get());
        });
}

void JsonLog::Write(JsonLine line)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    const std::chrono::duration<double, std::milli> since = std::chrono::steady_clock::now() - m_start;
    line.Millis("t", since.count());
    m_sink(line.Text());
}

void JsonLog::WriteUntimed(const JsonLine& line)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_sink(line.Text());
}

} // namespace devserver
