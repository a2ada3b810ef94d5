#include "tools/devserver/Options.h"

#include "tools/devserver/DevServer.h"
#include "tools/devserver/Templates.h"
#include "tools/devserver/Wire.h"
#include "tools/devserver/room/PlayerDirectory.h"

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

namespace
{

// The table mode's numeric options: name, range and where the value goes.
struct IntOption
{
    const char* name;
    int min;
    int max;
    int TableOptions::*field;
};

const std::vector<IntOption>& TableIntOptions()
{
    static const std::vector<IntOption> options = {
        {"--tables", 0, kMaxTables, &TableOptions::tables},
        {"--chairs", 1, kMaxChairs, &TableOptions::chairs},
        {"--user", 1, kMaxPlayerId, &TableOptions::userId},
        {"--room-type", 0, 127, &TableOptions::roomType},
        {"--base-times", 0, 0x7FFFFFFF, &TableOptions::baseTimes},
        {"--max-times", 0, 0x7FFFFFFF, &TableOptions::maxTimes},
        {"--min-players", 1, kMaxChairs, &TableOptions::minPlayers},
        {"--bots", 0, kMaxChairs - 1, &TableOptions::bots},
        {"--round-pause", 0, kMaxLatencyMs, &TableOptions::roundPauseMs},
        {"--bot-delay", 0, kMaxWaitMs, &TableOptions::botDelayMs},
        {"--auth-wait", 0, kMaxWaitMs, &TableOptions::authWaitMs},
        {"--game-length", 0, kMaxGameLengthMs, &TableOptions::gameLengthMs},
        {"--turn-time", 100, kMaxGameLengthMs, &TableOptions::turnTimeMs},
        {"--chaos-rate", 1, kMaxChaosRate, &TableOptions::chaosRate},
    };
    return options;
}

const IntOption* FindIntOption(const std::string& name)
{
    for (const IntOption& option : TableIntOptions())
    {
        if (name == option.name)
            return &option;
    }
    return nullptr;
}

// The checks that concern several options at once.
Parsed CheckTableOptions(TableOptions& t, const std::string& firstTableOption, std::string& error)
{
    if (t.tables == 0)
    {
        if (!firstTableOption.empty())
            return Fail(error, firstTableOption + " belongs to the table mode: give --tables N, N from 1");
        return Parsed::Ok;
    }
    if (t.game == "landlord" && t.chairs != 3)
        return Fail(error, "--game landlord is played at tables of 3 chairs, not " + std::to_string(t.chairs));
    if (t.minPlayers == 0)
        t.minPlayers = t.chairs;
    if (t.minPlayers > t.chairs)
        return Fail(error, "--min-players " + std::to_string(t.minPlayers) + " is more than the " +
                               std::to_string(t.chairs) + " chairs of a table");
    if (t.bots > t.chairs - 1)
        return Fail(error, "--bots " + std::to_string(t.bots) + " leaves no chair of " + std::to_string(t.chairs) +
                               " for a real player (at most " + std::to_string(t.chairs - 1) + ")");
    return Parsed::Ok;
}

} // namespace

Parsed ParseOptions(const std::vector<std::string>& args, Options& out, std::string& error)
{
    std::string firstTableOption;
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
        if (name == "--quiet" || name == "--auto-sit" || name == "--bot-chat" || name == "--console")
        {
            if (hasValue)
                return Fail(error, name + " takes no value");
            if (name == "--quiet")
            {
                out.quiet = true;
                continue;
            }
            bool& flag = name == "--auto-sit"   ? out.table.autoSit
                         : name == "--bot-chat" ? out.table.botChat
                                                : out.table.console;
            flag = true;
            if (firstTableOption.empty())
                firstTableOption = name;
            continue;
        }
        const IntOption* intOption = FindIntOption(name);
        if (!intOption && name != "--listen" && name != "--script" && name != "--echo" && name != "--latency" &&
            name != "--json-log" && name != "--max-clients" && name != "--stack-log" && name != "--record" &&
            name != "--players" && name != "--seed" && name != "--phrases" && name != "--game" && name != "--chaos")
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
        if ((intOption && name != "--tables") || name == "--players" || name == "--seed" || name == "--phrases" ||
            name == "--game" || name == "--chaos")
        {
            if (firstTableOption.empty())
                firstTableOption = name;
        }
        if (intOption)
        {
            if (!ParseInt(value, intOption->min, intOption->max, out.table.*(intOption->field)))
                return Fail(error, name + " takes a number from " + std::to_string(intOption->min) + " to " +
                                       std::to_string(intOption->max) + ", not '" + value + "'");
        }
        else if (name == "--listen")
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
        else if (name == "--record")
        {
            out.record = value;
        }
        else if (name == "--players")
        {
            out.table.playersFile = value;
        }
        else if (name == "--game")
        {
            if (value != "placeholder" && value != "landlord")
                return Fail(error, "--game is placeholder or landlord, not '" + value + "'");
            out.table.game = value == "placeholder" ? std::string() : value;
        }
        else if (name == "--phrases")
        {
            out.table.phrasesFile = value;
        }
        else if (name == "--chaos")
        {
            if (!ParseDecimal(value, 0xFFFFFFFFu, out.table.chaosSeed))
                return Fail(error, "--chaos takes a seed from 0 to 4294967295, not '" + value + "'");
            out.table.chaos = true;
        }
        else if (name == "--seed")
        {
            if (!ParseDecimal(value, 0xFFFFFFFFu, out.table.seed))
                return Fail(error, "--seed takes a number from 0 to 4294967295, not '" + value + "'");
        }
    }
    return CheckTableOptions(out.table, firstTableOption, error);
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
                       "  --record FILE        record every framed message sent, with its time, to FILE (JSON\n"
                       "                       lines; tessaro-lobby replay plays it back into a game)\n"
                       "  --help               this text\n"
                       "\n"
                       "The table mode: a room of tables with chairs, lookers, the ready cycle and bots.\n"
                       "  --tables N           a room of N tables, numbered 1 to N (1 to 127; 0: off)\n"
                       "  --chairs M           chairs at each table (1 to 10, default 7)\n"
                       "  --min-players N      seated players that start the ready call (default: the chairs)\n"
                       "  --user ID            the user a connection is without authentication (default\n"
                       "                       10001); the next such connection the next free id\n"
                       "  --auth-wait MS       how long a connection has to authenticate (default 300, 0 to\n"
                       "                       60000; 0: at once)\n"
                       "  --players FILE       player records, one per line: user=ID nick=NAME money=N ...\n"
                       "  --seed N             the seed of generated player records (default 1)\n"
                       "  --room-type N        the sit-down response's room type (0 to 127, default 0)\n"
                       "  --base-times N       ... its base times (default 1)\n"
                       "  --max-times N        ... its max times (default 0: no cap)\n"
                       "  --auto-sit           seat every arriving player at the first free chair\n"
                       "  --bots N             bots at every table where a real player sits (0 to chairs-1)\n"
                       "  --bot-delay MS       a bot answers the ready call after MS (default 500)\n"
                       "  --round-pause MS     from a game's end to the next ready call (default 2000)\n"
                       "  --game-length MS     the placeholder game runs MS before it ends (default 0)\n"
                       "  --game NAME          the tables' game: placeholder (default) or landlord (Dou Dizhu,\n"
                       "                       three chairs; deals from --seed)\n"
                       "  --turn-time MS       a player's time for a move of the game (default 20000)\n"
                       "  --phrases FILE       quick-chat phrases sent after sitting down: folder | file | phrase\n"
                       "  --bot-chat           bots say a phrase now and then\n"
                       "  --console            operator commands from standard input even when it is no\n"
                       "                       terminal (on a terminal they always are; 'help' lists them)\n"
                       "  --chaos SEED         faults on purpose on every connection, drawn from SEED: cut,\n"
                       "                       garbled, oversized and stray frames, stalls, bursts\n"
                       "  --chaos-rate N       faults a minute on each connection (1 to 600, default 2)\n"
                       "\n"
                       "Scenario commands, one per line ('#' starts a comment line):\n"
                       "  send TYPE [HEX]  send TEMPLATE [ARGS]  sendmsg HEX  raw HEX  frame-version V\n"
                       "  split N [GAP_MS]  batch N  wait MS  expect TYPE [TIMEOUT_MS]  close\n"
                       "  repeat N ... end\n"
                       "  room auth USER_ID  room sit TABLE CHAIR  room stand  room ready  (table mode)\n"
                       "  room OPERATOR-COMMAND  (bulletin, invite, notice, forbid, allow, wage, autoplay,\n"
                       "                          escape-query, dismiss, say: see the console's help)\n"
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
