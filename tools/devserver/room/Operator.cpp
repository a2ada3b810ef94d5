#include "tools/devserver/room/Operator.h"

#include "tools/devserver/Wire.h"
#include "tools/devserver/protocol/Messages.h"
#include "tools/devserver/protocol/PlayerRecord.h"

#include <limits>

namespace devserver
{

namespace
{

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

// Words from the front of a line; Rest() is what is left, blanks around it dropped, so that a
// text keeps its own spacing.
class Cursor
{
public:
    explicit Cursor(std::string_view line) : m_rest(line) {}

    bool AtEnd()
    {
        Skip();
        return m_rest.empty();
    }

    std::string Word()
    {
        Skip();
        size_t n = 0;
        while (n < m_rest.size() && !IsBlank(m_rest[n]))
            ++n;
        std::string word(m_rest.substr(0, n));
        m_rest.remove_prefix(n);
        return word;
    }

    // The next word without taking it.
    std::string Peek()
    {
        Cursor copy = *this;
        return copy.Word();
    }

    std::string Rest()
    {
        Skip();
        std::string_view rest = m_rest;
        while (!rest.empty() && IsBlank(rest.back()))
            rest.remove_suffix(1);
        m_rest = {};
        return std::string(rest);
    }

private:
    void Skip()
    {
        while (!m_rest.empty() && IsBlank(m_rest.front()))
            m_rest.remove_prefix(1);
    }

    std::string_view m_rest;
};

class Parser
{
public:
    Parser(std::string_view line, OperatorCommand& out, std::string& error) : m_in(line), m_out(out), m_error(error) {}

    bool Parse()
    {
        m_word = m_in.Word();
        if (m_word == "help")
            return Set(OperatorCommand::Kind::Help) && End();
        if (m_word == "bulletin")
            return Set(OperatorCommand::Kind::Bulletin) && Target() && TextKind() && From() &&
                   Text(kServerTextTextLen - 1, "TEXT", false);
        if (m_word == "invite")
        {
            m_out.code = 0x80;
            if (!Set(OperatorCommand::Kind::Invite) || !Target())
                return false;
            const std::string name = m_in.Rest();
            return name.empty() ? Usage() : Convert(name, kServerTextNameLen - 1, "NAME", m_out.name);
        }
        if (m_word == "notice")
        {
            if (!Set(OperatorCommand::Kind::Notice) || !Target() || !Number("KIND", 0, 16, m_out.code))
                return false;
            if (m_out.code == 13)
            {
                std::int64_t value = 0;
                return Number("VALUE", std::numeric_limits<std::int32_t>::min(),
                              std::numeric_limits<std::int32_t>::max(), value) &&
                       Assign(m_out.value, value) && End();
            }
            return Text(kAccountTextLen - 1, "TEXT", false);
        }
        if (m_word == "forbid")
            return Set(OperatorCommand::Kind::Forbid) && Target() && Text(kAccountTextLen - 1, "REASON", false);
        if (m_word == "allow")
            return Set(OperatorCommand::Kind::Allow) && Target() && Text(kAccountTextLen - 1, "TEXT", false);
        if (m_word == "wage")
        {
            std::int64_t limit = 0, number = 0, amount = 0;
            const std::int64_t lo = std::numeric_limits<std::int32_t>::min();
            const std::int64_t hi = std::numeric_limits<std::int32_t>::max();
            return Set(OperatorCommand::Kind::Wage) && Target() && Number("KIND", 2, 6, m_out.code) &&
                   Number("LIMIT", lo, hi, limit) && Number("NUMBER", lo, hi, number) &&
                   Number("AMOUNT", lo, hi, amount) && Assign(m_out.limit, limit) && Assign(m_out.number, number) &&
                   Assign(m_out.amount, amount) && End();
        }
        if (m_word == "autoplay")
            return Set(OperatorCommand::Kind::AutoPlay) && Number("TABLE", 1, 255, m_out.table) &&
                   Number("CHAIR", 0, 255, m_out.chair) && Number("MODE", 0, 255, m_out.code) && End();
        if (m_word == "escape-query")
            return Set(OperatorCommand::Kind::EscapeQuery) && Target() && Number("STATE", -128, 127, m_out.code) &&
                   End();
        if (m_word == "dismiss")
            return Set(OperatorCommand::Kind::Dismiss) && Number("TABLE", 1, 255, m_out.table) && End();
        if (m_word == "say")
        {
            std::int64_t bot = 0;
            return Set(OperatorCommand::Kind::Say) && Number("BOT", 1, std::numeric_limits<std::int32_t>::max(), bot) &&
                   Assign(m_out.bot, bot) && Text(kChatTextLen - 1, "TEXT", true);
        }
        return Fail(m_word.empty() ? std::string("no command (help lists them)")
                                   : "unknown command '" + m_word + "' (help lists them)");
    }

private:
    bool Fail(std::string text)
    {
        m_error = std::move(text);
        return false;
    }

    bool Usage()
    {
        for (const char* line = OperatorHelp(); *line;)
        {
            const char* end = line;
            while (*end && *end != '\n')
                ++end;
            const std::string entry(line, static_cast<size_t>(end - line));
            if (entry.compare(0, m_word.size() + 1, m_word + " ") == 0 || entry == m_word)
                return Fail("usage: " + entry.substr(0, entry.find("  ")));
            line = *end ? end + 1 : end;
        }
        return Fail("usage: " + m_word);
    }

    bool Set(OperatorCommand::Kind kind)
    {
        m_out.kind = kind;
        return true;
    }

    bool End() { return m_in.AtEnd() ? true : Usage(); }

    template <typename T> static bool Assign(T& to, std::int64_t value)
    {
        to = static_cast<T>(value);
        return true;
    }

    bool Number(const char* what, std::int64_t min, std::int64_t max, std::int64_t& out)
    {
        if (m_in.AtEnd())
            return Usage();
        const std::string word = m_in.Word();
        const bool negative = !word.empty() && word[0] == '-';
        std::uint64_t magnitude = 0;
        const std::uint64_t bound =
            negative ? static_cast<std::uint64_t>(-(min + 1)) + 1 : static_cast<std::uint64_t>(max);
        if ((negative && min >= 0) ||
            !ParseDecimal(negative ? std::string_view(word).substr(1) : word, bound, magnitude))
            return Fail(m_word + ": " + what + " must be a number from " + std::to_string(min) + " to " +
                        std::to_string(max) + ", not '" + word + "'");
        out = negative ? -static_cast<std::int64_t>(magnitude) : static_cast<std::int64_t>(magnitude);
        if (out < min)
            return Fail(m_word + ": " + what + " must be a number from " + std::to_string(min) + " to " +
                        std::to_string(max) + ", not '" + word + "'");
        return true;
    }

    bool Number(const char* what, std::int64_t min, std::int64_t max, int& out)
    {
        std::int64_t value = 0;
        if (!Number(what, min, max, value))
            return false;
        out = static_cast<int>(value);
        return true;
    }

    bool Target()
    {
        const std::string word = m_in.Word();
        if (word == "all")
        {
            m_out.target = {OperatorTarget::Kind::All, 0};
            return true;
        }
        std::uint64_t value = 0;
        if (word == "table")
        {
            const std::string number = m_in.Word();
            if (!ParseDecimal(number, 255, value) || value == 0)
                return Fail(m_word + ": table takes a number from 1 to 255, not '" + number + "'");
            m_out.target = {OperatorTarget::Kind::Table, static_cast<std::int32_t>(value)};
            return true;
        }
        if (!ParseDecimal(word, static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max()), value) ||
            value == 0)
            return Fail(m_word + ": the target is a user id, 'table N' or 'all', not '" + word + "'");
        m_out.target = {OperatorTarget::Kind::User, static_cast<std::int32_t>(value)};
        return true;
    }

    bool TextKind()
    {
        static const struct
        {
            const char* name;
            int kind;
        } names[] = {{"horn", 0}, {"system", 1}, {"admin", 2}, {"big-horn", 6}, {"invite", 0x80}, {"plain", 0x7F}};
        const std::string word = m_in.Peek();
        for (const auto& n : names)
        {
            if (word == n.name)
            {
                m_in.Word();
                m_out.code = n.kind;
                return true;
            }
        }
        if (!Number("KIND", 0, 255, m_out.code))
        {
            m_error += " (or horn, system, admin, big-horn, invite, plain)";
            return false;
        }
        return true;
    }

    bool From()
    {
        const std::string word = m_in.Peek();
        if (word.compare(0, 5, "from=") != 0)
            return true;
        m_in.Word();
        return Convert(word.substr(5), kServerTextNameLen - 1, "NAME", m_out.name);
    }

    bool Text(size_t maxBytes, const char* what, bool required)
    {
        const std::string text = m_in.Rest();
        if (required && text.empty())
            return Usage();
        return Convert(text, maxBytes, what, m_out.text);
    }

    bool Convert(const std::string& utf8, size_t maxBytes, const char* what, std::string& gbk)
    {
        std::string reason;
        if (!TextFromUtf8(utf8, maxBytes, what, gbk, reason))
            return Fail(m_word + ": " + reason);
        return true;
    }

    Cursor m_in;
    OperatorCommand& m_out;
    std::string& m_error;
    std::string m_word;
};

} // namespace

bool ParseOperatorCommand(std::string_view line, OperatorCommand& out, std::string& error)
{
    OperatorCommand command;
    Parser parser(line, command, error);
    if (!parser.Parse())
        return false;
    while (!line.empty() && IsBlank(line.front()))
        line.remove_prefix(1);
    while (!line.empty() && IsBlank(line.back()))
        line.remove_suffix(1);
    command.line = std::string(line);
    out = std::move(command);
    return true;
}

const char* OperatorHelp()
{
    return "bulletin TARGET KIND [from=NAME] TEXT  a server text (144); KIND horn, system, admin, big-horn,\n"
           "                                       invite, plain or 0..255\n"
           "invite TARGET NAME  an invitation from NAME (144 kind 0x80)\n"
           "notice TARGET KIND [TEXT]  a kick or account notice (68), KIND 0..16\n"
           "notice TARGET 13 VALUE  the notice of kind 13 with its value\n"
           "forbid TARGET [REASON]  forbid chat (68 kind 2)\n"
           "allow TARGET [TEXT]  allow chat (68 kind 9; kind 10 with TEXT)\n"
           "wage TARGET KIND LIMIT NUMBER AMOUNT  a wage notice (129), KIND 2..6; 2 and 4 pay AMOUNT\n"
           "autoplay TABLE CHAIR MODE  the system plays a chair (126), MODE 0, 1, 2\n"
           "escape-query TARGET STATE  the escape-state query (125), STATE -128..127\n"
           "dismiss TABLE  dissolve a table (55 reason 2 to everyone there)\n"
           "say BOT TEXT  a bot says TEXT at his table (49)\n"
           "help  this list\n"
           "TARGET: a user id, 'table N' or 'all'; texts in UTF-8.\n";
}

} // namespace devserver
