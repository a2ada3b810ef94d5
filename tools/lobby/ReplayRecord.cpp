#include "tools/lobby/ReplayRecord.h"

#include "platform/Text.h"
#include "tools/common/Hex.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <utility>

namespace lobby
{

namespace
{

// A value of a record line. The format has no nested values.
struct JsonValue
{
    enum class Kind
    {
        String,
        Number,
        Bool,
        Null,
    };
    Kind kind = Kind::Null;
    std::string text; // a string's characters (UTF-8), or a number as written
};

using JsonObject = std::vector<std::pair<std::string, JsonValue>>;

// A strict reader of one flat JSON object.
class FlatJson
{
public:
    explicit FlatJson(std::string_view text) : m_text(text) {}

    bool Parse(JsonObject& out, std::string& reason)
    {
        SkipBlanks();
        if (!Take('{'))
            return Fail(reason, "not a JSON object");
        SkipBlanks();
        if (!Take('}'))
        {
            while (true)
            {
                std::string key;
                JsonValue value;
                SkipBlanks();
                if (Peek() != '"')
                    return Fail(reason, "a key must be a string");
                if (!String(key, reason))
                    return false;
                SkipBlanks();
                if (!Take(':'))
                    return Fail(reason, "':' missing after \"" + key + "\"");
                SkipBlanks();
                if (!Value(value, reason))
                    return false;
                for (const auto& field : out)
                {
                    if (field.first == key)
                        return Fail(reason, "\"" + key + "\" given twice");
                }
                out.emplace_back(std::move(key), std::move(value));
                SkipBlanks();
                if (Take('}'))
                    break;
                if (!Take(','))
                    return Fail(reason, "',' or '}' expected");
            }
        }
        SkipBlanks();
        if (m_pos != m_text.size())
            return Fail(reason, "text after the object");
        return true;
    }

private:
    static bool Fail(std::string& reason, std::string text)
    {
        reason = "bad JSON: " + std::move(text);
        return false;
    }

    char Peek() const { return m_pos < m_text.size() ? m_text[m_pos] : '\0'; }
    bool AtEnd() const { return m_pos >= m_text.size(); }

    bool Take(char c)
    {
        if (AtEnd() || m_text[m_pos] != c)
            return false;
        ++m_pos;
        return true;
    }

    void SkipBlanks()
    {
        while (!AtEnd() && (m_text[m_pos] == ' ' || m_text[m_pos] == '\t' || m_text[m_pos] == '\r'))
            ++m_pos;
    }

    bool Literal(std::string_view word)
    {
        if (m_text.substr(m_pos, word.size()) != word)
            return false;
        m_pos += word.size();
        return true;
    }

    bool Value(JsonValue& out, std::string& reason)
    {
        const char c = Peek();
        if (c == '"')
        {
            out.kind = JsonValue::Kind::String;
            return String(out.text, reason);
        }
        if (c == '-' || (c >= '0' && c <= '9'))
        {
            out.kind = JsonValue::Kind::Number;
            return Number(out.text, reason);
        }
        if (Literal("true") || Literal("false"))
        {
            out.kind = JsonValue::Kind::Bool;
            return true;
        }
        if (Literal("null"))
        {
            out.kind = JsonValue::Kind::Null;
            return true;
        }
        if (c == '{' || c == '[')
            return Fail(reason, "nested values are not part of a record");
        return Fail(reason, AtEnd() ? "a value is missing" : "unexpected '" + std::string(1, c) + "'");
    }

    bool Digits()
    {
        const size_t start = m_pos;
        while (!AtEnd() && m_text[m_pos] >= '0' && m_text[m_pos] <= '9')
            ++m_pos;
        return m_pos > start;
    }

    bool Number(std::string& out, std::string& reason)
    {
        const size_t start = m_pos;
        Take('-');
        if (Take('0'))
        {
            if (!AtEnd() && m_text[m_pos] >= '0' && m_text[m_pos] <= '9')
                return Fail(reason, "a number with a leading zero");
        }
        else if (!Digits())
        {
            return Fail(reason, "a number without digits");
        }
        if (Take('.') && !Digits())
            return Fail(reason, "a number without digits after its point");
        if (Take('e') || Take('E'))
        {
            if (!Take('+'))
                Take('-');
            if (!Digits())
                return Fail(reason, "a number without digits in its exponent");
        }
        out.assign(m_text.substr(start, m_pos - start));
        return true;
    }

    bool Hex4(std::uint32_t& out)
    {
        if (m_text.size() - m_pos < 4)
            return false;
        out = 0;
        for (int i = 0; i < 4; ++i)
        {
            const int d = tools::HexDigitValue(m_text[m_pos + static_cast<size_t>(i)]);
            if (d < 0)
                return false;
            out = (out << 4) | static_cast<std::uint32_t>(d);
        }
        m_pos += 4;
        return true;
    }

    bool String(std::string& out, std::string& reason)
    {
        Take('"');
        while (true)
        {
            if (AtEnd())
                return Fail(reason, "a string without its closing quote");
            const char c = m_text[m_pos++];
            if (c == '"')
                return true;
            if (static_cast<unsigned char>(c) < 0x20)
                return Fail(reason, "a control character in a string");
            if (c != '\\')
            {
                out.push_back(c);
                continue;
            }
            if (AtEnd())
                return Fail(reason, "a string without its closing quote");
            const char e = m_text[m_pos++];
            switch (e)
            {
            case '"':
            case '\\':
            case '/':
                out.push_back(e);
                break;
            case 'b':
                out.push_back('\b');
                break;
            case 'f':
                out.push_back('\f');
                break;
            case 'n':
                out.push_back('\n');
                break;
            case 'r':
                out.push_back('\r');
                break;
            case 't':
                out.push_back('\t');
                break;
            case 'u':
            {
                std::uint32_t cp = 0;
                if (!Hex4(cp))
                    return Fail(reason, "\\u needs four hexadecimal digits");
                if (cp >= 0xDC00 && cp <= 0xDFFF)
                    return Fail(reason, "a lone low surrogate");
                if (cp >= 0xD800 && cp <= 0xDBFF)
                {
                    std::uint32_t low = 0;
                    if (!Take('\\') || !Take('u') || !Hex4(low) || low < 0xDC00 || low > 0xDFFF)
                        return Fail(reason, "a high surrogate without its low half");
                    cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
                }
                out += platform::WideToUtf8(std::wstring(1, static_cast<wchar_t>(cp)));
                break;
            }
            default:
                return Fail(reason, std::string("unknown escape \\") + e);
            }
        }
    }

    std::string_view m_text;
    size_t m_pos = 0;
};

const JsonValue* Find(const JsonObject& object, std::string_view key)
{
    for (const auto& field : object)
    {
        if (field.first == key)
            return &field.second;
    }
    return nullptr;
}

bool Missing(std::string& reason, std::string_view key)
{
    reason = "the field \"" + std::string(key) + "\" is missing";
    return false;
}

// An integer field from min to max: digits only, no fraction or exponent.
bool IntField(const JsonObject& object, std::string_view key, long long min, long long max, long long& out,
              std::string& reason)
{
    const JsonValue* value = Find(object, key);
    if (!value)
        return Missing(reason, key);
    const std::string range = " (" + std::to_string(min) + " to " + std::to_string(max) + ")";
    if (value->kind != JsonValue::Kind::Number || value->text.find_first_of(".eE") != std::string::npos)
    {
        reason = "\"" + std::string(key) + "\" must be a whole number" + range;
        return false;
    }
    errno = 0;
    const long long n = std::strtoll(value->text.c_str(), nullptr, 10);
    if (errno != 0 || n < min || n > max)
    {
        reason = "\"" + std::string(key) + "\" is " + value->text + ", not" + range;
        return false;
    }
    out = n;
    return true;
}

} // namespace

std::string RecordError::Text(const std::string& path) const
{
    return path + ":" + std::to_string(line) + ": " + reason;
}

bool ParseRecordHeader(std::string_view line, std::string& reason)
{
    JsonObject object;
    if (!FlatJson(line).Parse(object, reason))
        return false;
    const JsonValue* format = Find(object, "format");
    if (!format)
    {
        reason = Find(object, "frame") ? "the first line is a message, not the record's header"
                                       : "the field \"format\" is missing: not a record";
        return false;
    }
    if (format->kind != JsonValue::Kind::String || format->text != kRecordFormat)
    {
        reason = std::string("\"format\" must be \"") + kRecordFormat + "\": not a record";
        return false;
    }
    long long version = 0;
    if (!IntField(object, "version", 0, 0x7FFFFFFF, version, reason))
        return false;
    if (version != kRecordVersion)
    {
        reason = "record format version " + std::to_string(version) + " is not known here (this lobby reads version " +
                 std::to_string(kRecordVersion) + ")";
        return false;
    }
    return true;
}

bool ParseRecordEntry(std::string_view line, RecordEntry& out, std::string& reason)
{
    JsonObject object;
    if (!FlatJson(line).Parse(object, reason))
        return false;
    if (Find(object, "format"))
    {
        reason = "a second record header: two records in one file";
        return false;
    }
    long long conn = 0;
    long long type = 0;
    if (!IntField(object, "conn", 1, 0x7FFFFFFF, conn, reason) || !IntField(object, "type", -1, 255, type, reason))
        return false;
    const JsonValue* t = Find(object, "t");
    if (!t)
        return Missing(reason, "t");
    const double ms = t->kind == JsonValue::Kind::Number ? std::strtod(t->text.c_str(), nullptr) : -1;
    // Up to some thirty years of milliseconds: enough for any run, and exact in a double.
    if (!std::isfinite(ms) || ms < 0 || ms > 1e12)
    {
        reason = "\"t\" must be milliseconds from 0 to 1e12";
        return false;
    }
    // The message's length is for the reader; when given it must be one a frame can carry.
    long long len = 0;
    if (Find(object, "len") &&
        !IntField(object, "len", 0, static_cast<long long>(kMaxRecordFrame - kMinRecordFrame), len, reason))
        return false;
    const JsonValue* frame = Find(object, "frame");
    if (!frame)
        return Missing(reason, "frame");
    if (frame->kind != JsonValue::Kind::String)
    {
        reason = "\"frame\" must be a string of hexadecimal digits";
        return false;
    }
    // Lengths first: the digits are decoded only once the frame they make is known to fit.
    const std::string& hex = frame->text;
    if (hex.size() > 2 * kMaxRecordFrame)
    {
        reason = "the frame has more than " + std::to_string(kMaxRecordFrame) + " bytes";
        return false;
    }
    if (hex.size() % 2 != 0)
    {
        reason = "the frame has an odd number of hexadecimal digits";
        return false;
    }
    if (hex.size() < 2 * kMinRecordFrame)
    {
        reason = "the frame has " + std::to_string(hex.size() / 2) + " bytes, fewer than the smallest frame (" +
                 std::to_string(kMinRecordFrame) + ")";
        return false;
    }
    std::string bytes;
    bytes.reserve(hex.size() / 2);
    for (size_t i = 0; i < hex.size(); i += 2)
    {
        const int high = tools::HexDigitValue(hex[i]);
        const int low = tools::HexDigitValue(hex[i + 1]);
        if (high < 0 || low < 0)
        {
            reason = "the frame's digit " + std::to_string(i + (high < 0 ? 1 : 2)) + " is not a hexadecimal digit";
            return false;
        }
        bytes.push_back(static_cast<char>((high << 4) | low));
    }
    const size_t total =
        (static_cast<size_t>(static_cast<unsigned char>(bytes[2])) << 8) | static_cast<unsigned char>(bytes[3]);
    if (total != bytes.size())
    {
        reason = "the frame's length field says " + std::to_string(total) + " bytes, but it has " +
                 std::to_string(bytes.size());
        return false;
    }
    out.conn = static_cast<int>(conn);
    out.type = static_cast<int>(type);
    out.t = ms;
    out.frame = std::move(bytes);
    return true;
}

bool RecordReader::Open(const std::string& path, std::string& error)
{
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
    {
        error = "cannot read " + path + ": " + std::strerror(errno);
        return false;
    }
    m_file.reset(file);
    m_buf.assign(65536, '\0');
    m_bufPos = m_bufEnd = 0;
    m_line = 0;
    m_bHeaderSeen = m_bDone = false;
    m_lastT = 0;
    return true;
}

RecordReader::LineResult RecordReader::ReadLine(std::string& line)
{
    line.clear();
    bool tooLong = false;
    bool any = false;
    while (true)
    {
        if (m_bufPos == m_bufEnd)
        {
            m_bufPos = 0;
            m_bufEnd = m_file ? std::fread(m_buf.data(), 1, m_buf.size(), m_file.get()) : 0;
            if (m_bufEnd == 0)
            {
                if (m_file && std::ferror(m_file.get()))
                    return LineResult::Error;
                break;
            }
        }
        any = true;
        const char* start = m_buf.data() + m_bufPos;
        const size_t avail = m_bufEnd - m_bufPos;
        const void* nl = std::memchr(start, '\n', avail);
        const size_t take = nl ? static_cast<size_t>(static_cast<const char*>(nl) - start) : avail;
        // A line is kept only while it fits; the rest of a longer one is passed over unread.
        if (!tooLong && line.size() + take <= kMaxRecordLine)
            line.append(start, take);
        else
            tooLong = true;
        m_bufPos += take;
        if (nl)
        {
            ++m_bufPos;
            break;
        }
    }
    if (!any)
        return LineResult::End;
    ++m_line;
    if (tooLong)
    {
        line.clear();
        return LineResult::TooLong;
    }
    return LineResult::Line;
}

RecordReader::Result RecordReader::Next(RecordEntry& out, RecordError& error)
{
    if (m_bDone)
        return Result::End;
    // error is written only for a bad line.
    auto bad = [&](int line, std::string reason)
    {
        error = {line, std::move(reason)};
        return Result::Bad;
    };
    std::string line;
    std::string reason;
    while (true)
    {
        const LineResult read = ReadLine(line);
        if (read == LineResult::Error)
        {
            m_bDone = true;
            return bad(m_line + 1, std::string("cannot read the record: ") + std::strerror(errno));
        }
        if (read == LineResult::End)
        {
            m_bDone = true;
            return m_bHeaderSeen ? Result::End : bad(1, "the record is empty: it has no header line");
        }
        if (read == LineResult::TooLong)
        {
            // Without its header the rest cannot be read as a record.
            m_bDone = !m_bHeaderSeen;
            m_bHeaderSeen = true;
            return bad(m_line, "the line is longer than " + std::to_string(kMaxRecordLine) + " bytes");
        }
        if (line.find_first_not_of(" \t\r") == std::string::npos)
            continue;
        if (!m_bHeaderSeen)
        {
            m_bHeaderSeen = true;
            if (!ParseRecordHeader(line, reason))
            {
                m_bDone = true;
                return bad(m_line, std::move(reason));
            }
            continue;
        }
        RecordEntry entry;
        if (!ParseRecordEntry(line, entry, reason))
            return bad(m_line, std::move(reason));
        if (entry.t < m_lastT)
        {
            char buf[96];
            std::snprintf(buf, sizeof buf, "\"t\" goes back: %.3f after %.3f", entry.t, m_lastT);
            return bad(m_line, buf);
        }
        m_lastT = entry.t;
        entry.line = m_line;
        out = std::move(entry);
        return Result::Entry;
    }
}

bool ScanRecord(const std::string& path, int conn, RecordSummary& out, std::string& error)
{
    RecordReader reader;
    if (!reader.Open(path, error))
        return false;
    out = RecordSummary{};
    out.conn = conn;
    RecordEntry entry;
    RecordError bad;
    while (true)
    {
        const RecordReader::Result r = reader.Next(entry, bad);
        if (r == RecordReader::Result::End)
            break;
        if (r == RecordReader::Result::Bad)
        {
            ++out.badLines;
            if (out.errors.size() < kMaxRecordDiagnostics)
                out.errors.push_back(bad);
            continue;
        }
        if (out.conn == 0)
            out.conn = entry.conn;
        if (entry.conn != out.conn)
            continue;
        if (out.messages == 0)
            out.first = entry.t;
        ++out.messages;
    }
    return true;
}

} // namespace lobby
