#include "tools/devserver/Scenario.h"

#include "tools/devserver/TextFile.h"
#include "tools/devserver/Wire.h"
#include "tools/devserver/room/Operator.h"

namespace devserver
{

namespace
{

constexpr size_t kMaxFileSize = 16u << 20;
constexpr std::uint64_t kMaxMs = 24ull * 3600 * 1000;
constexpr std::uint64_t kMaxSplitPieces = 65535;
constexpr std::uint64_t kMaxBatch = 1000000;
constexpr std::uint64_t kMaxRepeat = 1000000000;

std::string JoinFrom(const std::vector<std::string>& words, size_t first)
{
    std::string out;
    for (size_t i = first; i < words.size(); ++i)
    {
        if (!out.empty())
            out.push_back(' ');
        out += words[i];
    }
    return out;
}

// Parses one line into a step. The words are non-empty; words[0] is the command.
class LineParser
{
public:
    LineParser(const std::vector<std::string>& words, Step& step, std::string& error)
        : m_words(words), m_step(step), m_error(error)
    {
    }

    bool Parse()
    {
        const std::string& cmd = m_words[0];
        if (cmd == "send")
            return Send();
        if (cmd == "sendmsg")
            return SendMsg();
        if (cmd == "raw")
            return Raw();
        if (cmd == "frame-version")
            return Numbers(StepKind::FrameVersion, "V", 0, 255, nullptr, 0, 0, 0);
        if (cmd == "split")
            return Numbers(StepKind::Split, "N", 1, kMaxSplitPieces, "GAP_MS", 0, kMaxMs, kDefaultSplitGapMs);
        if (cmd == "batch")
            return Numbers(StepKind::Batch, "N", 1, kMaxBatch, nullptr, 0, 0, 0);
        if (cmd == "wait")
            return Numbers(StepKind::Wait, "MS", 0, kMaxMs, nullptr, 0, 0, 0);
        if (cmd == "expect")
            return Numbers(StepKind::Expect, "TYPE", 0, 255, "TIMEOUT_MS", 0, kMaxMs, kDefaultExpectTimeoutMs);
        if (cmd == "close")
            return Numbers(StepKind::Close, nullptr, 0, 0, nullptr, 0, 0, 0);
        if (cmd == "repeat")
            return Numbers(StepKind::Repeat, "N", 0, kMaxRepeat, nullptr, 0, 0, 0);
        if (cmd == "room")
            return Room();
        return Fail("unknown command '" + cmd + "'");
    }

private:
    bool Fail(std::string text)
    {
        m_error = std::move(text);
        return false;
    }

    bool Number(const std::string& word, const char* what, std::uint64_t min, std::uint64_t max, int& out)
    {
        std::uint64_t value = 0;
        if (!ParseDecimal(word, max, value) || value < min)
            return Fail(m_words[0] + ": " + what + " must be a decimal number from " + std::to_string(min) + " to " +
                        std::to_string(max) + ", not '" + word + "'");
        out = static_cast<int>(value);
        return true;
    }

    // A command of zero, one or two numbers; a null name means the number is not taken.
    bool Numbers(StepKind kind, const char* first, std::uint64_t min1, std::uint64_t max1, const char* second,
                 std::uint64_t min2, std::uint64_t max2, int default2)
    {
        m_step.kind = kind;
        const size_t required = first ? 1 : 0;
        const size_t allowed = required + (second ? 1 : 0);
        const size_t given = m_words.size() - 1;
        if (given < required || given > allowed)
        {
            std::string usage = m_words[0];
            if (first)
                usage += std::string(" ") + first;
            if (second)
                usage += std::string(" [") + second + "]";
            return Fail("usage: " + usage);
        }
        if (first && !Number(m_words[1], first, min1, max1, m_step.value))
            return false;
        m_step.extra = default2;
        if (second && given == 2 && !Number(m_words[2], second, min2, max2, m_step.extra))
            return false;
        return true;
    }

    bool Hex(size_t first, std::string& out)
    {
        std::string error;
        if (!ParseHex(JoinFrom(m_words, first), out, error))
            return Fail(m_words[0] + ": " + error);
        return true;
    }

    bool Send()
    {
        if (m_words.size() < 2)
            return Fail("usage: send TYPE [HEX] or send TEMPLATE [ARGS]");
        const std::string& what = m_words[1];
        if (what[0] >= '0' && what[0] <= '9')
        {
            int type = 0;
            std::string body;
            if (!Number(what, "TYPE", 0, 255, type) || !Hex(2, body))
                return false;
            if (body.size() > static_cast<size_t>(kMaxBodyLen))
                return Fail("send: a body of " + std::to_string(body.size()) + " bytes does not fit a frame (at most " +
                            std::to_string(kMaxBodyLen) + ")");
            m_step.kind = StepKind::Message;
            m_step.bytes = GameMessage(static_cast<unsigned char>(type), body);
            return true;
        }
        const TemplateEntry* tmpl = FindTemplate(what);
        if (!tmpl)
            return Fail("send: unknown template '" + what + "'");
        std::string error;
        const std::vector<std::string> args(m_words.begin() + 2, m_words.end());
        if (!tmpl->prepare(args, m_step.source, error))
        {
            const std::string usage = std::string(tmpl->name) + (*tmpl->args ? " " : "") + tmpl->args;
            return Fail("send " + what + ": " + error + " (usage: send " + usage + ")");
        }
        m_step.kind = StepKind::Template;
        return true;
    }

    bool SendMsg()
    {
        if (!Hex(1, m_step.bytes))
            return false;
        if (m_step.bytes.size() > static_cast<size_t>(kMaxFramedMsgLen))
            return Fail("sendmsg: a message of " + std::to_string(m_step.bytes.size()) +
                        " bytes does not fit a frame (at most " + std::to_string(kMaxFramedMsgLen) + ")");
        m_step.kind = StepKind::Message;
        return true;
    }

    bool Room()
    {
        m_step.kind = StepKind::Room;
        const std::string what = m_words.size() > 1 ? m_words[1] : "";
        const size_t given = m_words.size() - (m_words.size() > 1 ? 2 : 1);
        RoomCommand& command = m_step.room;
        int value = 0;
        if (what == "auth" && given == 1)
        {
            command.kind = RoomCommand::Kind::Auth;
            if (!Number(m_words[2], "USER_ID", 0, 0x7FFFFFFF, value))
                return false;
            command.userId = value;
            return true;
        }
        if (what == "sit" && given == 2)
        {
            command.kind = RoomCommand::Kind::Sit;
            if (!Number(m_words[2], "TABLE", 0, 255, value))
                return false;
            command.table = static_cast<std::uint8_t>(value);
            if (!Number(m_words[3], "CHAIR", 0, 255, value))
                return false;
            command.chair = static_cast<std::uint8_t>(value);
            return true;
        }
        if ((what == "stand" || what == "ready") && given == 0)
        {
            command.kind = what == "stand" ? RoomCommand::Kind::Stand : RoomCommand::Kind::Ready;
            return true;
        }
        if (what == "auth" || what == "sit" || what == "stand" || what == "ready")
            return Fail("usage: room auth USER_ID, room sit TABLE CHAIR, room stand or room ready");
        if (what == "help")
            return Fail("room help: the list is for the console; the commands are in docs/DEVSERVER.md");
        // Anything else is an operator's command, as the console takes it.
        command.kind = RoomCommand::Kind::Operator;
        const std::string_view line = TrimBlanks(m_step.text);
        const size_t at = line.find(what, 4);
        if (what.empty() || !ParseOperatorCommand(line.substr(at), command.op, m_error))
        {
            if (what.empty())
                m_error = "usage: room auth USER_ID, room sit TABLE CHAIR, room stand, room ready or room "
                          "OPERATOR-COMMAND";
            return false;
        }
        return true;
    }

    bool Raw()
    {
        if (m_words.size() < 2)
            return Fail("usage: raw HEX");
        if (!Hex(1, m_step.bytes))
            return false;
        m_step.kind = StepKind::Raw;
        return true;
    }

    const std::vector<std::string>& m_words;
    Step& m_step;
    std::string& m_error;
};

} // namespace

std::string ScenarioError::Text() const
{
    if (line > 0)
        return file + ":" + std::to_string(line) + ": " + reason;
    return file + ": " + reason;
}

bool ParseScenario(std::string_view text, const std::string& fileName, Scenario& out, ScenarioError& error)
{
    // The open blocks: the list steps go into now, and the repeat steps that hold the others.
    Scenario result;
    result.name = fileName;
    std::vector<Step*> open;
    auto target = [&]() -> std::vector<Step>& { return open.empty() ? result.steps : open.back()->body; };
    auto fail = [&](int line, std::string reason)
    {
        error.file = fileName;
        error.line = line;
        error.reason = std::move(reason);
        return false;
    };

    auto parseLine = [&](int lineNo, std::string_view raw)
    {
        const std::string_view line = TrimBlanks(raw);
        if (line.empty() || line[0] == '#')
            return true;
        const std::vector<std::string> words = SplitWords(line);
        if (words[0] == "end")
        {
            if (words.size() > 1)
                return fail(lineNo, "end takes no arguments");
            if (open.empty())
                return fail(lineNo, "end without repeat");
            open.pop_back();
            return true;
        }
        Step step;
        step.line = lineNo;
        step.text = std::string(line);
        std::string reason;
        if (!LineParser(words, step, reason).Parse())
            return fail(lineNo, reason);
        std::vector<Step>& list = target();
        list.push_back(std::move(step));
        if (list.back().kind == StepKind::Repeat)
        {
            if (open.size() >= static_cast<size_t>(kMaxRepeatDepth))
                return fail(lineNo, "repeat nested more than " + std::to_string(kMaxRepeatDepth) + " deep");
            // The element stays where it is: only its own body grows from now on.
            open.push_back(&list.back());
        }
        return true;
    };
    if (!ForEachLine(text, parseLine))
        return false;
    if (!open.empty())
        return fail(open.back()->line, "repeat without end");
    out = std::move(result);
    return true;
}

bool LoadScenario(const std::string& path, Scenario& out, ScenarioError& error)
{
    error.file = path;
    error.line = 0;
    std::string text;
    if (!ReadTextFile(path, kMaxFileSize, text, error.reason))
        return false;
    return ParseScenario(text, path, out, error);
}

const Step* FindRoomStep(const std::vector<Step>& steps)
{
    for (const Step& step : steps)
    {
        if (step.kind == StepKind::Room)
            return &step;
        if (const Step* inner = FindRoomStep(step.body))
            return inner;
    }
    return nullptr;
}

} // namespace devserver
