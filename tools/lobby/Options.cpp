#include "tools/lobby/Options.h"

#include "platform/Text.h"
#include "platform/WindowBus.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <optional>

namespace lobby
{

namespace
{

// Walks the words of one command: "--name VALUE", "--name=VALUE", flags and plain arguments.
class Scanner
{
public:
    explicit Scanner(const std::vector<std::string>& args) : m_args(args) {}

    bool Done() const { return m_next >= m_args.size(); }

    // The next word; for "--name=VALUE" only "--name" (the value waits for Value()).
    std::string Next()
    {
        const std::string& word = m_args[m_next++];
        m_inline.reset();
        const size_t eq = word.find('=');
        if (word.size() > 2 && word.compare(0, 2, "--") == 0 && eq != std::string::npos)
        {
            m_inline = word.substr(eq + 1);
            return word.substr(0, eq);
        }
        return word;
    }

    // The value of the option just read; false when there is none.
    bool Value(std::string& out)
    {
        if (m_inline)
        {
            out = *m_inline;
            m_inline.reset();
            return true;
        }
        if (Done())
            return false;
        out = m_args[m_next++];
        return true;
    }

    // A flag must not have been given "=VALUE".
    bool HadInlineValue() const { return m_inline.has_value(); }

private:
    const std::vector<std::string>& m_args;
    size_t m_next = 0;
    std::optional<std::string> m_inline;
};

bool ParseSeconds(const std::string& text, double& out)
{
    if (text.empty() || text[0] == '-' || text[0] == '+')
        return false;
    errno = 0;
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (errno != 0 || end != text.c_str() + text.size() || !std::isfinite(value) || value <= 0 || value > 1e6)
        return false;
    out = value;
    return true;
}

bool ParseHandle(const std::string& text, std::uint32_t& out)
{
    std::uint64_t value;
    if (!ParseUnsigned(text, value) || value == 0 || value > 0xFFFFFFFFu)
        return false;
    out = static_cast<std::uint32_t>(value);
    return true;
}

// A 64-bit value written as an unsigned or a negative number.
bool ParseBits(const std::string& text, std::uint64_t& out)
{
    if (ParseUnsigned(text, out))
        return true;
    std::int64_t value;
    if (!ParseNumber(text, value))
        return false;
    out = static_cast<std::uint64_t>(value);
    return true;
}

// Columns of UTF-8 text on a terminal, counting each non-ASCII character (here: Chinese) as two.
size_t TerminalWidth(const std::string& utf8)
{
    size_t width = 0;
    for (const char c : utf8)
    {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x80)
            width += 1;
        else if (b >= 0xC0)
            width += 2;
    }
    return width;
}

Parsed Fail(std::string& error, std::string text)
{
    error = std::move(text);
    return Parsed::Error;
}

} // namespace

namespace
{

enum class Taken
{
    Yes,
    No, // not an option of starting a game
    Error,
};

// The options of starting a game, which run and replay share.
Taken GameOption(Scanner& scan, const std::string& name, RunOptions& out, std::string& error)
{
    if (name == "--headless")
    {
        if (scan.HadInlineValue())
        {
            error = "--headless takes no value";
            return Taken::Error;
        }
        out.headless = true;
        return Taken::Yes;
    }
    if (name == "--autoplay")
    {
        if (scan.HadInlineValue())
        {
            error = "--autoplay takes no value";
            return Taken::Error;
        }
        out.autoPlay = true;
        return Taken::Yes;
    }
    if (name != "--game" && name != "--server" && name != "--root" && name != "--arg" && name != "--timeout" &&
        name != "--grace")
        return Taken::No;
    std::string value;
    if (!scan.Value(value) || value.empty())
    {
        error = name + " needs a value";
        return Taken::Error;
    }
    if (name == "--game")
    {
        out.game = value;
    }
    else if (name == "--server")
    {
        if (!ParseServer(value, out.launch.serverHost, out.launch.serverPort, error))
            return Taken::Error;
    }
    else if (name == "--root")
    {
        out.root = value;
    }
    else if (name == "--arg")
    {
        LaunchOverride o;
        if (!ParseOverride(value, o, error))
            return Taken::Error;
        out.launch.overrides.push_back(std::move(o));
    }
    else if (!ParseSeconds(value, name == "--timeout" ? out.timeoutSeconds : out.graceSeconds))
    {
        error = name + " needs a number of seconds above 0";
        return Taken::Error;
    }
    return Taken::Yes;
}

} // namespace

Parsed ParseRunOptions(const std::vector<std::string>& args, RunOptions& out, std::string& error)
{
    Scanner scan(args);
    while (!scan.Done())
    {
        const std::string name = scan.Next();
        if (name == "--help" || name == "-h")
            return Parsed::Help;
        const Taken taken = GameOption(scan, name, out, error);
        if (taken == Taken::Error)
            return Parsed::Error;
        if (taken == Taken::Yes)
            continue;
        if (name.compare(0, 2, "--") != 0)
            return Fail(error, "unexpected argument '" + name + "'");
        if (name != "--launch-block" && name != "--replay")
            return Fail(error, "unknown option " + name);
        std::string value;
        if (!scan.Value(value) || value.empty())
            return Fail(error, name + " needs a value");
        if (name == "--launch-block")
        {
            out.launchBlock = value;
        }
        else
        {
            out.replay = value;
            out.launch.replay = true;
        }
    }
    if (out.game.empty())
        return Fail(error, "run needs --game PATH");
    return Parsed::Ok;
}

Parsed ParseReplayOptions(const std::vector<std::string>& args, ReplayOptions& out, std::string& error)
{
    Scanner scan(args);
    while (!scan.Done())
    {
        const std::string name = scan.Next();
        if (name == "--help" || name == "-h")
            return Parsed::Help;
        const Taken taken = GameOption(scan, name, out.run, error);
        if (taken == Taken::Error)
            return Parsed::Error;
        if (taken == Taken::Yes)
            continue;
        if (name.compare(0, 2, "--") != 0)
            return Fail(error, "unexpected argument '" + name + "'");
        if (name != "--record" && name != "--conn")
            return Fail(error, "unknown option " + name);
        std::string value;
        if (!scan.Value(value) || value.empty())
            return Fail(error, name + " needs a value");
        if (name == "--record")
        {
            out.record = value;
            continue;
        }
        std::uint64_t conn = 0;
        if (!ParseUnsigned(value, conn) || conn == 0 || conn > 0x7FFFFFFF)
            return Fail(error, "--conn needs a connection number from 1");
        out.conn = static_cast<int>(conn);
    }
    if (out.run.game.empty() || out.record.empty())
        return Fail(error, "replay needs --game PATH and --record FILE");
    // The game is told it replays, and is handed the record's path.
    out.run.replay = out.record;
    out.run.launch.replay = true;
    return Parsed::Ok;
}

Parsed ParseSendOptions(const std::vector<std::string>& args, SendOptions& out, std::string& error)
{
    Scanner scan(args);
    bool haveTo = false;
    bool haveMsg = false;
    while (!scan.Done())
    {
        const std::string name = scan.Next();
        std::string value;
        if (name == "--help" || name == "-h")
            return Parsed::Help;
        if (name == "--post")
        {
            if (scan.HadInlineValue())
                return Fail(error, "--post takes no value");
            out.post = true;
            continue;
        }
        if (name != "--to" && name != "--msg" && name != "--wparam" && name != "--lparam")
            return Fail(error, name.compare(0, 2, "--") == 0 ? "unknown option " + name
                                                             : "unexpected argument '" + name + "'");
        if (!scan.Value(value))
            return Fail(error, name + " needs a value");
        if (name == "--to")
        {
            if (!ParseHandle(value, out.to))
                return Fail(error, "--to needs a window handle from 1 to 0xFFFFFFFF");
            haveTo = true;
        }
        else if (name == "--msg")
        {
            std::uint64_t msg;
            if (!ParseUnsigned(value, msg) || msg > 0xFFFFFFFFu)
                return Fail(error, "--msg needs a message number");
            out.msg = static_cast<unsigned>(msg);
            haveMsg = true;
        }
        else if (name == "--wparam")
        {
            if (!ParseBits(value, out.wParam))
                return Fail(error, "--wparam needs a number");
        }
        else
        {
            std::uint64_t bits;
            if (!ParseBits(value, bits))
                return Fail(error, "--lparam needs a number");
            out.lParam = static_cast<std::int64_t>(bits);
        }
    }
    if (!haveTo || !haveMsg)
        return Fail(error, "send needs --to HANDLE and --msg N");
    if (out.msg == platform::WM_COPYDATA)
        return Fail(error, "WM_COPYDATA carries data: use the copydata command");
    return Parsed::Ok;
}

Parsed ParseCopyDataOptions(const std::vector<std::string>& args, CopyDataOptions& out, std::string& error)
{
    Scanner scan(args);
    bool haveTo = false;
    bool haveFile = false;
    while (!scan.Done())
    {
        const std::string name = scan.Next();
        std::string value;
        if (name == "--help" || name == "-h")
            return Parsed::Help;
        if (name == "--to" || name == "--tag")
        {
            if (!scan.Value(value))
                return Fail(error, name + " needs a value");
            if (name == "--to")
            {
                if (!ParseHandle(value, out.to))
                    return Fail(error, "--to needs a window handle from 1 to 0xFFFFFFFF");
                haveTo = true;
            }
            else if (!ParseUnsigned(value, out.tag))
            {
                return Fail(error, "--tag needs a number");
            }
            continue;
        }
        if (name.size() > 1 && name[0] == '-')
            return Fail(error, "unknown option " + name);
        if (haveFile)
            return Fail(error, "copydata takes one FILE");
        out.file = name;
        haveFile = true;
    }
    if (!haveTo || !haveFile)
        return Fail(error, "copydata needs --to HANDLE and a FILE");
    return Parsed::Ok;
}

Parsed ParseWatchOptions(const std::vector<std::string>& args, WatchOptions& out, std::string& error)
{
    Scanner scan(args);
    while (!scan.Done())
    {
        const std::string name = scan.Next();
        std::string value;
        if (name == "--help" || name == "-h")
            return Parsed::Help;
        if (name != "--timeout")
            return Fail(error, "unknown option " + name);
        if (!scan.Value(value) || !ParseSeconds(value, out.timeoutSeconds))
            return Fail(error, "--timeout needs a number of seconds above 0");
    }
    return Parsed::Ok;
}

std::string WatchUsage()
{
    return "usage: tessaro-lobby watch [--timeout SECONDS]\n"
           "\n"
           "Creates the lobby's window and prints its handle (the first line), then one JSON line for\n"
           "every message a game sends it, like run, for a game started by other means: by hand, in a\n"
           "debugger or inside a test, with launch value 7 (or AppInfo hLobbyWnd) set to the handle.\n"
           "Ends on SIGINT or SIGTERM, or after --timeout, with status 0.\n";
}

std::string MainUsage()
{
    return "usage: tessaro-lobby run --game PATH [options]     launch a game as the lobby does\n"
           "       tessaro-lobby replay --game PATH --record FILE [--conn N] [options]\n"
           "                                                   play a recorded game back into a game\n"
           "       tessaro-lobby watch [--timeout SECONDS]     a lobby window for a game started elsewhere\n"
           "       tessaro-lobby send --to HANDLE --msg N [--wparam W] [--lparam L] [--post]\n"
           "       tessaro-lobby copydata --to HANDLE [--tag N] FILE\n"
           "\n"
           "'tessaro-lobby COMMAND --help' describes each command. Numbers are decimal or 0x hexadecimal.\n";
}

std::string RunUsage()
{
    std::string text =
        "usage: tessaro-lobby run --game PATH [--server HOST:PORT] [--root DIR] [--arg N=VALUE]...\n"
        "                         [--launch-block FILE] [--replay PATH] [--headless] [--autoplay]\n"
        "                         [--timeout SECONDS] [--grace SECONDS]\n"
        "\n"
        "Creates the lobby's window, writes the lobby's files that are missing in the platform root,\n"
        "starts the game in its own folder with the 34 launch values as its arguments, and prints one\n"
        "JSON line for every message the game sends the lobby, then one when the game ends.\n"
        "\n"
        "  --game PATH           the game program\n"
        "  --server HOST:PORT    the game server (values 0 and 1; default 127.0.0.1:" +
        std::to_string(kDefaultServerPort) +
        ")\n"
        "  --root DIR            where local.dat, localdata_<locale>/lobby.conf and global.conf are\n"
        "                        written (default: the folder above the game's folder)\n"
        "  --arg N=VALUE         replaces launch value N (0 to 33); no blanks; applied last\n"
        "  --launch-block FILE   sends the file's bytes as WM_COPYDATA (tag 0) once the game has\n"
        "                        announced its window (message 0x46F)\n"
        "  --replay PATH         sends the path as WM_COPYDATA (tag 1) likewise, and sets value 31 to 1\n"
        "  --headless            starts the game with POP_HEADLESS=1 (no window, no audio device)\n"
        "  --autoplay            adds the word --autoplay after the launch values: a game that knows it\n"
        "                        plays by itself (the demo game's automatic player)\n"
        "  --timeout SECONDS     ends the game after this long (SIGTERM, then SIGKILL) and exits with 124\n"
        "  --grace SECONDS       how long a game may take to end after SIGTERM (default 3)\n"
        "\n"
        "Exit status: the game's, 128 + N when signal N ended it, 124 after --timeout, 2 on an error.\n"
        "\n"
        "Launch values and their defaults:\n";
    for (int i = 0; i < kLaunchValueCount; ++i)
    {
        const LaunchValueInfo& info = LaunchValue(i);
        std::string value;
        if (i == 0)
            value = kDefaultServerHost;
        else if (i == 1)
            value = std::to_string(kDefaultServerPort);
        else if (i == kLobbyWindowValue)
            value = "<window>";
        else
            value = platform::GbkToUtf8(info.szDefault);
        std::string line = (i < 10 ? "   " : "  ") + std::to_string(i) + "  " + value;
        line.append(std::max<size_t>(2, 42 - std::min<size_t>(42, TerminalWidth(line))), ' ');
        text += line + info.szMeaning + "\n";
    }
    return text;
}

std::string ReplayUsage()
{
    return "usage: tessaro-lobby replay --game PATH --record FILE [--conn N] [--root DIR] [--arg N=VALUE]...\n"
           "                            [--headless] [--timeout SECONDS] [--grace SECONDS]\n"
           "\n"
           "Starts the game in replay mode as run --replay does, with the record's path as the replay\n"
           "path (WM_COPYDATA, tag 1), then hands it the recorded messages of one connection as launch\n"
           "blocks (WM_COPYDATA, tag 0) at their recorded pace, and obeys the game's replay controls:\n"
           "message 0x658 with 1 play, 4 pause, 2 fast (four times the pace), 3 normal pace, and\n"
           "WM_CLOSE, which ends the replay and closes the game. Prints a JSON line for every message\n"
           "delivered, every control obeyed and the record's end.\n"
           "\n"
           "  --record FILE         a record of tessaro-devserver --record; every line is checked first\n"
           "                        and a malformed record is refused with its bad lines named\n"
           "  --conn N              the connection to replay (default: the first in the record)\n"
           "  --game, --root, --arg, --headless, --timeout, --grace   as for run\n"
           "\n"
           "Exit status: the game's, 128 + N when signal N ended it, 124 after --timeout, 2 on an error\n"
           "(a malformed record among them).\n";
}

std::string SendUsage()
{
    return "usage: tessaro-lobby send --to HANDLE --msg N [--wparam W] [--lparam L] [--post]\n"
           "\n"
           "Sends (or with --post, posts) one window message to a window of a running game and prints\n"
           "{\"ok\": true, \"result\": R} (sent) or {\"ok\": true} (posted). Exit status 1 when the window\n"
           "cannot be reached or does not answer in time, 2 on a usage error.\n";
}

std::string CopyDataUsage()
{
    return "usage: tessaro-lobby copydata --to HANDLE [--tag N] FILE\n"
           "\n"
           "Sends the bytes of FILE as WM_COPYDATA with the tag N (default 0; 1 is a replay path) and\n"
           "prints {\"ok\": true, \"result\": R, \"bytes\": N}. Exit status 1 when the window cannot be\n"
           "reached, 2 on a usage error or an unreadable file.\n";
}

} // namespace lobby
