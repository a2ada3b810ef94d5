#include "tools/devserver/Templates.h"

#include "tools/devserver/Wire.h"

namespace devserver
{

namespace
{

// The most messages one `seq` step may stand for.
constexpr std::uint64_t kMaxSeqCount = 10000000;

bool ArgCount(const std::vector<std::string>& args, size_t min, size_t max, std::string& error)
{
    if (args.size() >= min && args.size() <= max)
        return true;
    if (min == max)
        error = min == 0 ? "takes no arguments" : "takes " + std::to_string(min) + " arguments";
    else
        error = "takes " + std::to_string(min) + " to " + std::to_string(max) + " arguments";
    return false;
}

bool Number(const std::string& text, const char* what, std::uint64_t min, std::uint64_t max, std::uint64_t& out,
            std::string& error)
{
    if (ParseDecimal(text, max, out) && out >= min)
        return true;
    error = std::string(what) + " must be a decimal number from " + std::to_string(min) + " to " + std::to_string(max);
    return false;
}

// A source of a single message.
MessageSource One(std::string msg)
{
    return [msg = std::move(msg)](const MessageSink& sink) { return sink(msg); };
}

bool PrepareProbe(const std::vector<std::string>& args, MessageSource& out, std::string& error)
{
    if (!ArgCount(args, 0, 0, error))
        return false;
    out = One(ProbeMessage());
    return true;
}

bool PrepareNetDelay(const std::vector<std::string>& args, MessageSource& out, std::string& error)
{
    std::uint64_t delay = 0;
    std::uint64_t seat = 0;
    if (!ArgCount(args, 2, 2, error) || !Number(args[0], "DELAY_MS", 0, 0xFFFFFFFFu, delay, error) ||
        !Number(args[1], "SEAT", 0, 0xFFFFFFFFu, seat, error))
        return false;
    out = One(NetDelayMessage(static_cast<std::uint32_t>(delay), static_cast<std::uint32_t>(seat)));
    return true;
}

bool PrepareKeepAlive(const std::vector<std::string>& args, MessageSource& out, std::string& error)
{
    if (!ArgCount(args, 0, 0, error))
        return false;
    out = One(KeepAliveMessage());
    return true;
}

bool PrepareSeq(const std::vector<std::string>& args, MessageSource& out, std::string& error)
{
    std::uint64_t type = 0;
    std::uint64_t count = 0;
    std::uint64_t bodyLen = 4;
    if (!ArgCount(args, 2, 3, error) || !Number(args[0], "TYPE", 0, 255, type, error) ||
        !Number(args[1], "COUNT", 1, kMaxSeqCount, count, error) ||
        (args.size() == 3 && !Number(args[2], "BODYLEN", 4, kMaxBodyLen, bodyLen, error)))
        return false;
    out = [type, count, bodyLen](const MessageSink& sink)
    {
        for (std::uint64_t seq = 0; seq < count; ++seq)
        {
            if (!sink(SeqMessage(static_cast<unsigned char>(type), static_cast<std::uint32_t>(seq),
                                 static_cast<int>(bodyLen))))
                return false;
        }
        return true;
    };
    return true;
}

} // namespace

const std::vector<TemplateEntry>& TemplateTable()
{
    static const std::vector<TemplateEntry> table = {
        {"probe", "", "the client's net-speed probe: type 1, stage 0", PrepareProbe},
        {"netdelay", "DELAY_MS SEAT", "the measured delay for a seat: type 1, stage 2", PrepareNetDelay},
        {"keepalive", "", "the keep-alive: type 26, four zero bytes of body", PrepareKeepAlive},
        {"seq", "TYPE COUNT [BODYLEN]", "COUNT messages of TYPE numbered from 0, bodies of BODYLEN bytes (default 4)",
         PrepareSeq},
    };
    return table;
}

const TemplateEntry* FindTemplate(std::string_view name)
{
    for (const TemplateEntry& tmpl : TemplateTable())
    {
        if (name == tmpl.name)
            return &tmpl;
    }
    return nullptr;
}

std::string ProbeMessage()
{
    std::string body(kProbeLen - kMsgHeaderLen, '\0');
    body[kProbeStageOffset - kMsgHeaderLen] = static_cast<char>(kProbeStageClient);
    return GameMessage(kProbeType, body);
}

std::string NetDelayMessage(std::uint32_t delayMs, std::uint32_t seat)
{
    std::string body(kProbeDelayOffset - kMsgHeaderLen, '\0');
    body[kProbeStageOffset - kMsgHeaderLen] = static_cast<char>(kProbeStageDelay);
    AppendU32(body, delayMs);
    AppendU32(body, seat);
    return GameMessage(kProbeType, body);
}

std::string KeepAliveMessage()
{
    return GameMessage(kKeepAliveType, std::string(kKeepAliveLen - kMsgHeaderLen, '\0'));
}

std::string SeqMessage(unsigned char type, std::uint32_t seq, int bodyLen)
{
    std::string body;
    AppendU32(body, seq);
    if (bodyLen > 4)
        body.append(static_cast<size_t>(bodyLen - 4), '\0');
    return GameMessage(type, body);
}

} // namespace devserver
