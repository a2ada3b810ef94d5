// Any text as lines of the devserver's operator console (the same parser reads the `room` lines of
// a scenario): a refusal says why, and an accepted command has every number within the range of
// its command, texts that fit their places in the message they become (GBK, room for the
// terminator), and reads the same again from the line it keeps for the log.
//
// Input: the text, split at line breaks into commands as the console reads them.
#include "tools/devserver/protocol/Messages.h"
#include "tools/devserver/room/Operator.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace
{

using namespace devserver;
using Kind = OperatorCommand::Kind;

// A failed check names its line, then ends the run as a finding.
void Check(bool ok, int line = __builtin_LINE())
{
    if (ok)
        return;
    std::fprintf(stderr, "check failed at %s:%d\n", __FILE__, line);
    std::abort();
}

bool Same(const OperatorCommand& a, const OperatorCommand& b)
{
    return a.kind == b.kind && a.target.kind == b.target.kind && a.target.value == b.target.value && a.code == b.code &&
           a.value == b.value && a.limit == b.limit && a.number == b.number && a.amount == b.amount &&
           a.table == b.table && a.chair == b.chair && a.bot == b.bot && a.name == b.name && a.text == b.text &&
           a.line == b.line;
}

void CheckTarget(const OperatorTarget& t)
{
    switch (t.kind)
    {
    case OperatorTarget::Kind::User:
        Check(t.value >= 1);
        break;
    case OperatorTarget::Kind::Table:
        Check(t.value >= 1 && t.value <= 255);
        break;
    case OperatorTarget::Kind::All:
        Check(t.value == 0);
        break;
    }
}

void CheckCommand(const OperatorCommand& c)
{
    Check(c.name.size() < kServerTextNameLen);
    switch (c.kind)
    {
    case Kind::Help:
        break;
    case Kind::Bulletin:
    case Kind::Invite:
        CheckTarget(c.target);
        Check(c.code >= 0 && c.code <= 255 && c.text.size() < kServerTextTextLen);
        Check(c.kind != Kind::Invite || (c.code == 0x80 && !c.name.empty()));
        break;
    case Kind::Notice:
    case Kind::Forbid:
    case Kind::Allow:
        CheckTarget(c.target);
        Check(c.text.size() < kAccountTextLen);
        Check(c.kind != Kind::Notice || (c.code >= 0 && c.code <= 16));
        Check(c.kind != Kind::Notice || c.code != 13 || c.text.empty());
        break;
    case Kind::Wage:
        CheckTarget(c.target);
        Check(c.code >= 2 && c.code <= 6);
        break;
    case Kind::AutoPlay:
        Check(c.table >= 1 && c.table <= 255 && c.chair >= 0 && c.chair <= 255 && c.code >= 0 && c.code <= 255);
        break;
    case Kind::EscapeQuery:
        CheckTarget(c.target);
        Check(c.code >= -128 && c.code <= 127);
        break;
    case Kind::Dismiss:
        Check(c.table >= 1 && c.table <= 255);
        break;
    case Kind::Say:
        Check(c.bot >= 1 && !c.text.empty() && c.text.size() < kChatTextLen);
        break;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size)
{
    std::string_view text(reinterpret_cast<const char*>(data), size);
    while (true)
    {
        const size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        OperatorCommand command;
        std::string error;
        if (ParseOperatorCommand(line, command, error))
        {
            CheckCommand(command);
            Check(command.line.size() <= line.size() && line.find(command.line) != std::string_view::npos);
            OperatorCommand again;
            std::string error2;
            Check(ParseOperatorCommand(command.line, again, error2) && Same(command, again));
        }
        else
        {
            Check(!error.empty());
        }
        if (end == std::string_view::npos)
            break;
        text.remove_prefix(end + 1);
    }
    return 0;
}
