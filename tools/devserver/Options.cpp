#include "tools/devserver/Options.h"

#include "tools/devserver/DevServer.h"
#include "tools/devserver/Templates.h"
#include "tools/devserver/Wire.h"

#include <arpa/inet.h>

namespace devserver
{

namespace
{

Parsed Fail(std::string& error, std::string text)
{
    error = std::move(text);
    return Parsed::Error;
}

bool ParseInt(std::string_view text, int min, int max, int& out)
{
    std::uint64_t value = 0;
    if (!ParseDecimal(text, static_cast<std::uint64_t>(max), value) || value < static_cast<std::uint64_t>(min))
        return false;
    out = static_cast<int>(value);
    return true;
}

} // namespace

bool ParseListen(std::string_view text, std::string& host, int& port, std::string& error)
{
    const size_t colon = text.rfind(':');
    if (colon == std::string_view::npos)
    {
        error = "--listen takes HOST:PORT, not '" + std::string(text) + "'";
        return false;
    }
    std::string name(text.substr(0, colon));
    if (name == "localhost")
        name = "127.0.0.1";
    in_addr addr{};
    if (inet_pton(AF_INET, name.c_str(), &addr) != 1)
    {
        error = "--listen: '" + name + "' is not a dotted IPv4 address";
        return false;
    }
    int value = 0;
    if (!ParseInt(text.substr(colon + 1), 0, 65535, value))
    {
        error =
            "--listen: the port must be a number from 0 to 65535, not '" + std::string(text.substr(colon + 1)) + "'";
        return false;
    }
    host = name;
    port = value;
    return true;
}

bool ParseTypeList(std::string_view text, std::bitset<256>& out, std::string& error)
{
    std::bitset<256> types;
    size_t pos = 0;
    while (true)
    {
        const size_t comma = text.find(',', pos);
        const std::string_view item = text.substr(pos, comma == std::string_view::npos ? comma : comma - pos);
        const size_t dash = item.find('-');
        int first = 0;
        int last = 0;
        const bool ok = dash == std::string_view::npos
                            ? ParseInt(item, 0, 255, first) && ParseInt(item, 0, 255, last)
                            : ParseInt(item.substr(0, dash), 0, 255, first) &&
                                  ParseInt(item.substr(dash + 1), 0, 255, last) && first <= last;
        if (!ok)
        {
            error = "--echo: '" + std::string(item) + "' is not a type from 0 to 255 or a range like 200-210";
            return false;
        }
        for (int t = first; t <= last; ++t)
            types.set(static_cast<size_t>(t));
        if (comma == std::string_view::npos)
            break;
        pos = comma + 1;
    }
    out |= types;
    return true;
}

Parsed ParseOptions(const std::vector<std::string>& args, Options& out, std::string& error)
{
    for (size_t i = 0; i < args.size(); ++i)
    {
        std::string name = args[i];
        std::string value;
        bool hasValue = false;
        const size_t eq = name.find('=');
        if (name.compare(0, 2, "--") == 0 && eq != std::string::npos)
        {
            value = name.substr(eq + 1);
            name.resize(eq);
            hasValue = true;
        }
        if (name == "--help" || name == "-h")
            return Parsed::Help;
        if (name == "--quiet")
        {
            if (hasValue)
                return Fail(error, "--quiet takes no value");
            out.quiet = true;
            continue;
        }
        if (name != "--listen" && name != "--script" && name != "--echo" && name != "--latency" &&
            name != "--json-log" && name != "--max-clients" && name != "--stack-log")
            return Fail(error,
                        name.compare(0, 1, "-") == 0 ? "unknown option " + name : "unexpected argument '" + name + "'");
        if (!hasValue)
        {
            if (i + 1 >= args.size())
                return Fail(error, name + " needs a value");
            value = args[++i];
        }
        if (value.empty())
            return Fail(error, name + " needs a value");
        if (name == "--listen")
        {
            if (!ParseListen(value, out.host, out.port, error))
                return Parsed::Error;
        }
        else if (name == "--script")
        {
            out.script = value;
        }
        else if (name == "--echo")
        {
            if (!ParseTypeList(value, out.echo, error))
                return Parsed::Error;
        }
        else if (name == "--latency")
        {
            if (!ParseInt(value, 0, kMaxLatencyMs, out.latencyMs))
                return Fail(error, "--latency takes milliseconds from 0 to " + std::to_string(kMaxLatencyMs) +
                                       ", not '" + value + "'");
        }
        else if (name == "--json-log")
        {
            out.jsonLog = value;
        }
        else if (name == "--max-clients")
        {
            if (!ParseInt(value, 1, DevServer::kMaxClients, out.maxClients))
                return Fail(error, "--max-clients takes a number from 1 to " + std::to_string(DevServer::kMaxClients) +
                                       ", not '" + value + "'");
        }
        else if (name == "--stack-log")
        {
            out.stackLog = value;
        }
    }
    return Parsed::Ok;
}

std::string Usage()
{
    std::string text = "usage: tessaro-devserver [options]\n"
                       "\n"
                       "The local game server: the game-server connection's frames and cipher, a scripted\n"
                       "scenario per connection, and one JSON line per event on standard output.\n"
                       "\n"
                       "  --listen HOST:PORT   where to listen (default 127.0.0.1:" +
                       std::to_string(kDefaultPort) +
                       "; port 0: any free port,\n"
                       "                       which the first line reports)\n"
                       "  --script FILE        run the scenario in FILE on every connection\n"
                       "  --echo TYPES         send messages of these types straight back: 200,201,210-215\n"
                       "  --latency MS         delay everything the server sends by MS milliseconds\n"
                       "  --json-log FILE      write the JSON lines to FILE instead of standard output\n"
                       "  --max-clients N      connections served at once (default 64, at most " +
                       std::to_string(DevServer::kMaxClients) +
                       ")\n"
                       "  --quiet              no lines for single messages (recv, send, send-raw)\n"
                       "  --stack-log BASE     the socket stack's diagnostics to BASE.log\n"
                       "  --help               this text\n"
                       "\n"
                       "Scenario commands, one per line ('#' starts a comment line):\n"
                       "  send TYPE [HEX]  send TEMPLATE [ARGS]  sendmsg HEX  raw HEX  frame-version V\n"
                       "  split N [GAP_MS]  batch N  wait MS  expect TYPE [TIMEOUT_MS]  close\n"
                       "  repeat N ... end\n"
                       "Templates:\n";
    for (const TemplateEntry& tmpl : TemplateTable())
    {
        std::string head = std::string("  ") + tmpl.name + (*tmpl.args ? " " : "") + tmpl.args;
        if (head.size() < 26)
            head.resize(26, ' ');
        else
            head += "\n" + std::string(26, ' ');
        text += head + tmpl.summary + "\n";
    }
    text += "\nSee docs/DEVSERVER.md for the scenario format and the JSON lines.\n";
    return text;
}

} // namespace devserver
