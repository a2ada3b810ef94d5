#include "tools/devserver/room/PlayerDirectory.h"

#include "tools/devserver/TextFile.h"
#include "tools/devserver/Wire.h"

#include <cstdio>
#include <limits>
#include <vector>

namespace devserver
{

namespace
{

constexpr size_t kMaxFileSize = 4u << 20;
constexpr std::int64_t kInt32Min = std::numeric_limits<std::int32_t>::min();
constexpr std::int64_t kInt32Max = std::numeric_limits<std::int32_t>::max();

// One numeric field of a players file line.
struct Field
{
    const char* key;
    std::int64_t min;
    std::int64_t max;
    void (*set)(PlayerRecord& record, std::int64_t value);
};

template <typename T> T As(std::int64_t value)
{
    return static_cast<T>(value);
}

const std::vector<Field>& Fields()
{
    static const std::vector<Field> fields = {
        {"sex", 0, 127, [](PlayerRecord& r, std::int64_t v) { r.sex = As<std::int8_t>(v); }},
        {"money", kInt32Min, kInt32Max, [](PlayerRecord& r, std::int64_t v) { r.money = As<std::int32_t>(v); }},
        {"amount", kInt32Min, kInt32Max, [](PlayerRecord& r, std::int64_t v) { r.amount = As<std::int32_t>(v); }},
        {"wealth", kInt32Min, kInt32Max, [](PlayerRecord& r, std::int64_t v) { r.wealth = As<std::int32_t>(v); }},
        {"wins", 0, kInt32Max, [](PlayerRecord& r, std::int64_t v) { r.wins = As<std::int32_t>(v); }},
        {"losses", 0, kInt32Max, [](PlayerRecord& r, std::int64_t v) { r.losses = As<std::int32_t>(v); }},
        {"draws", 0, kInt32Max, [](PlayerRecord& r, std::int64_t v) { r.draws = As<std::int32_t>(v); }},
        {"member", 0, 127, [](PlayerRecord& r, std::int64_t v) { r.memberLevel = As<std::int8_t>(v); }},
        {"head", 0, 127, [](PlayerRecord& r, std::int64_t v) { r.headId = As<std::int8_t>(v); }},
        {"headtype", 0, 127, [](PlayerRecord& r, std::int64_t v) { r.headType = As<std::int8_t>(v); }},
        {"usertype", 0, 0xFFFFFFFFll, [](PlayerRecord& r, std::int64_t v) { r.userType = As<std::uint32_t>(v); }},
        {"playtime", 0, kInt32Max, [](PlayerRecord& r, std::int64_t v) { r.playTime = As<std::int32_t>(v); }},
        {"cm", kInt32Min, kInt32Max, [](PlayerRecord& r, std::int64_t v) { r.cmValue = As<std::int32_t>(v); }},
        {"area", 0, 127, [](PlayerRecord& r, std::int64_t v) { r.area = As<std::int8_t>(v); }},
    };
    return fields;
}

const Field* FindField(std::string_view key)
{
    for (const Field& field : Fields())
    {
        if (key == field.key)
            return &field;
    }
    return nullptr;
}

// A decimal number with an optional minus sign, or 0x and hexadecimal digits.
bool ParseNumber(std::string_view text, std::int64_t& out)
{
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
    {
        std::uint64_t value = 0;
        for (const char c : text.substr(2))
        {
            const int digit = c >= '0' && c <= '9'   ? c - '0'
                              : c >= 'a' && c <= 'f' ? c - 'a' + 10
                              : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                     : -1;
            if (digit < 0 || value > 0xFFFFFFFFull)
                return false;
            value = value * 16 + static_cast<std::uint64_t>(digit);
        }
        if (value > 0xFFFFFFFFull)
            return false;
        out = static_cast<std::int64_t>(value);
        return true;
    }
    const bool negative = !text.empty() && text[0] == '-';
    std::uint64_t magnitude = 0;
    if (!ParseDecimal(negative ? text.substr(1) : text, 0xFFFFFFFFull, magnitude))
        return false;
    out = negative ? -static_cast<std::int64_t>(magnitude) : static_cast<std::int64_t>(magnitude);
    return true;
}

// A small, well-mixed generator: the same seed always gives the same values.
class Mixer
{
public:
    Mixer(std::uint64_t seed, std::uint64_t key) : m_state(seed * 0x9E3779B97F4A7C15ull ^ (key + 0x632BE59BD9B4E019ull))
    {
    }

    std::uint64_t Next()
    {
        std::uint64_t z = (m_state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }

    // From lo to hi, both included.
    std::int32_t Between(std::int32_t lo, std::int32_t hi)
    {
        const auto span = static_cast<std::uint64_t>(static_cast<std::int64_t>(hi) - lo + 1);
        return static_cast<std::int32_t>(lo + static_cast<std::int64_t>(Next() % span));
    }

private:
    std::uint64_t m_state;
};

// "玩家" or "机器人" and a number: GBK, as the source's narrow literals are compiled.
std::string NumberedNick(const char* prefix, long long number)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "%s%lld", prefix, number);
    return std::string(buf).substr(0, kNickLen);
}

} // namespace

std::string PlayersFileError::Text() const
{
    if (line > 0)
        return file + ":" + std::to_string(line) + ": " + reason;
    return file + ": " + reason;
}

PlayerRecord PlayerDirectory::Generated(std::int32_t userId) const
{
    Mixer mix(m_seed, static_cast<std::uint64_t>(static_cast<std::uint32_t>(userId)));
    PlayerRecord r;
    r.userId = userId;
    r.nick = NumberedNick("玩家", userId);
    r.sex = static_cast<std::int8_t>(mix.Next() & 1);
    r.money = mix.Between(1000, 200000);
    r.amount = mix.Between(0, 5000);
    r.wealth = r.money / 10 + mix.Between(0, 1000);
    r.wins = mix.Between(0, 800);
    r.losses = mix.Between(0, 800);
    r.draws = mix.Between(0, 100);
    // Most players have no paid membership; the others any of its levels.
    r.memberLevel = static_cast<std::int8_t>(mix.Between(0, 9) < 7 ? 0 : mix.Between(1, 7));
    r.playTime = (r.wins + r.losses + r.draws) * mix.Between(5, 20);
    return r;
}

PlayerRecord PlayerDirectory::RecordFor(std::int32_t userId) const
{
    const auto it = m_records.find(userId);
    return it != m_records.end() ? it->second : Generated(userId);
}

PlayerRecord PlayerDirectory::BotRecord(int n) const
{
    PlayerRecord r = Generated(kFirstBotId + n - 1);
    r.nick = NumberedNick("机器人", n);
    return r;
}

bool PlayerDirectory::Parse(std::string_view text, const std::string& fileName, PlayersFileError& error)
{
    std::map<std::int32_t, PlayerRecord> records;
    std::map<std::int32_t, int> lineOf;
    auto fail = [&](int line, std::string reason)
    {
        error.file = fileName;
        error.line = line;
        error.reason = std::move(reason);
        return false;
    };
    const bool ok =
        ForEachLine(text,
                    [&](int lineNo, std::string_view raw)
                    {
                        const std::string_view line = TrimBlanks(raw);
                        if (line.empty() || line[0] == '#')
                            return true;
                        std::map<std::string, std::string> values;
                        for (const std::string& word : SplitWords(line))
                        {
                            const size_t eq = word.find('=');
                            if (eq == std::string::npos || eq == 0)
                                return fail(lineNo, "'" + word + "' is not key=value");
                            const std::string key = word.substr(0, eq);
                            if (key != "user" && key != "nick" && !FindField(key))
                                return fail(lineNo, "unknown key '" + key + "'");
                            if (!values.emplace(key, word.substr(eq + 1)).second)
                                return fail(lineNo, "'" + key + "' given twice");
                        }
                        const auto user = values.find("user");
                        if (user == values.end())
                            return fail(lineNo, "no user=ID");
                        std::uint64_t id = 0;
                        if (!ParseDecimal(user->second, static_cast<std::uint64_t>(kMaxPlayerId), id) || id == 0)
                            return fail(lineNo, "user must be a number from 1 to " + std::to_string(kMaxPlayerId) +
                                                    ", not '" + user->second + "'");
                        const auto userId = static_cast<std::int32_t>(id);
                        if (lineOf.count(userId))
                            return fail(lineNo, "user " + std::to_string(userId) + " is already on line " +
                                                    std::to_string(lineOf[userId]));
                        PlayerRecord record = Generated(userId);
                        for (const auto& [key, value] : values)
                        {
                            if (key == "user")
                                continue;
                            if (key == "nick")
                            {
                                std::string reason;
                                if (!NickFromUtf8(value, record.nick, reason))
                                    return fail(lineNo, reason);
                                continue;
                            }
                            const Field& field = *FindField(key);
                            std::int64_t number = 0;
                            if (!ParseNumber(value, number) || number < field.min || number > field.max)
                                return fail(lineNo, key + " must be a number from " + std::to_string(field.min) +
                                                        " to " + std::to_string(field.max) + ", not '" + value + "'");
                            field.set(record, number);
                        }
                        lineOf[userId] = lineNo;
                        records[userId] = std::move(record);
                        return true;
                    });
    if (!ok)
        return false;
    m_records.merge(records);
    return true;
}

bool PlayerDirectory::Load(const std::string& path, PlayersFileError& error)
{
    error = PlayersFileError{path, 0, ""};
    std::string text;
    if (!ReadTextFile(path, kMaxFileSize, text, error.reason))
        return false;
    return Parse(text, path, error);
}

} // namespace devserver
