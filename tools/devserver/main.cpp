// tessaro-devserver: the local game server for development, tests, the demo and benchmarks.
//
// docs/DEVSERVER.md describes the options, the JSON lines and the scenario format.
#include "tessaro/net/Log.h"
#include "tools/devserver/Console.h"
#include "tools/devserver/DevServer.h"
#include "tools/devserver/Handlers.h"
#include "tools/devserver/JsonLog.h"
#include "tools/devserver/Options.h"
#include "tools/devserver/Recorder.h"
#include "tools/devserver/Scenario.h"
#include "tools/devserver/games/LandlordGame.h"
#include "tools/devserver/room/PlaceholderGame.h"
#include "tools/devserver/room/PlayerDirectory.h"
#include "tools/devserver/room/QuickChat.h"
#include "tools/devserver/room/Room.h"

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <pthread.h>
#include <string>
#include <sys/signalfd.h>
#include <unistd.h>
#include <vector>

namespace
{

constexpr int kStatusUsage = 2;
constexpr int kStatusFailure = 1;

class FileDescriptor
{
public:
    explicit FileDescriptor(int fd) : m_fd(fd) {}
    ~FileDescriptor()
    {
        if (m_fd >= 0)
            close(m_fd);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    int Get() const { return m_fd; }

private:
    int m_fd;
};

// The socket stack logs its diagnostics to standard output by default, which carries the JSON
// lines here: they go to a file of their own, or nowhere.
bool SetUpStackLog(const std::string& base, std::string& error)
{
    LogConfig config{};
    if (base.empty())
    {
        config.iOutput = 0x01;
        config.iMinLevel = INT_MAX;
        InitLog(config);
        return true;
    }
    // The log ends the process when it cannot create its file: find out now instead.
    const std::string path = base + ".log";
    std::FILE* probe = std::fopen(path.c_str(), "a");
    if (!probe)
    {
        error = "cannot write " + path + ": " + std::strerror(errno);
        return false;
    }
    std::fclose(probe);
    if (base.size() >= sizeof(config.szFileName))
    {
        error = "--stack-log: the name is too long";
        return false;
    }
    config.iOutput = 0x02;
    config.iMinLevel = 0;
    config.iFileMode = 0x01;
    std::memcpy(config.szFileName, base.c_str(), base.size() + 1);
    InitLog(config);
    return true;
}

bool MakeRoomConfig(const devserver::TableOptions& t, std::optional<devserver::RoomConfig>& out, std::string& error)
{
    auto players = std::make_shared<devserver::PlayerDirectory>(t.seed);
    devserver::PlayersFileError playersError;
    if (!t.playersFile.empty() && !players->Load(t.playersFile, playersError))
    {
        error = playersError.Text();
        return false;
    }
    std::shared_ptr<const std::vector<devserver::QuickChatEntry>> phrases;
    if (!t.phrasesFile.empty())
    {
        auto loaded = std::make_shared<std::vector<devserver::QuickChatEntry>>();
        devserver::PhrasesFileError phrasesError;
        if (!devserver::LoadPhrases(t.phrasesFile, *loaded, phrasesError))
        {
            error = phrasesError.Text();
            return false;
        }
        phrases = std::move(loaded);
    }
    devserver::RoomConfig config;
    config.tables = t.tables;
    config.chairs = t.chairs;
    config.minPlayers = t.minPlayers;
    config.firstUserId = t.userId;
    config.players = std::move(players);
    config.roomType = static_cast<std::int8_t>(t.roomType);
    config.baseTimes = t.baseTimes;
    config.maxTimes = t.maxTimes;
    config.autoSit = t.autoSit;
    config.botsPerTable = t.bots;
    config.roundPauseMs = t.roundPauseMs;
    config.botDelayMs = t.botDelayMs;
    config.authWaitMs = t.authWaitMs;
    config.phrases = std::move(phrases);
    config.botChat = t.botChat;
    if (t.game == "landlord")
    {
        devserver::LandlordOptions game;
        game.seed = t.seed;
        game.turnMs = t.turnTimeMs;
        game.botDelayMs = t.botDelayMs;
        // Rounds are numbered across the room, so that every round deals differently.
        auto rounds = std::make_shared<std::uint32_t>(0);
        config.game = [game, rounds] { return std::make_unique<devserver::LandlordGame>(game, (*rounds)++); };
    }
    else if (t.gameLengthMs > 0)
    {
        const int length = t.gameLengthMs;
        config.game = [length] { return std::make_unique<devserver::PlaceholderGame>(length); };
    }
    out = std::move(config);
    return true;
}

int Fail(int status, const std::string& text)
{
    std::fprintf(stderr, "tessaro-devserver: %s\n", text.c_str());
    return status;
}

} // namespace

int main(int argc, char** argv)
{
    using namespace devserver;
    const std::vector<std::string> args(argv + 1, argv + argc);
    Options options;
    std::string error;
    switch (ParseOptions(args, options, error))
    {
    case Parsed::Help:
        std::fputs(Usage().c_str(), stdout);
        return 0;
    case Parsed::Error:
        std::fprintf(stderr, "tessaro-devserver: %s\n\n%s", error.c_str(), Usage().c_str());
        return kStatusUsage;
    case Parsed::Ok:
        break;
    }

    std::shared_ptr<const Scenario> scenario;
    if (!options.script.empty())
    {
        auto loaded = std::make_shared<Scenario>();
        ScenarioError scenarioError;
        if (!LoadScenario(options.script, *loaded, scenarioError))
            return Fail(kStatusUsage, scenarioError.Text());
        if (const Step* step = FindRoomStep(loaded->steps); step && options.table.tables == 0)
            return Fail(kStatusUsage,
                        ScenarioError{options.script, step->line, "room needs the table mode (--tables)"}.Text());
        scenario = std::move(loaded);
    }
    std::optional<RoomConfig> room;
    if (options.table.tables > 0 && !MakeRoomConfig(options.table, room, error))
        return Fail(kStatusUsage, error);

    std::unique_ptr<JsonLog> log =
        options.jsonLog.empty() ? JsonLog::ToStdout() : JsonLog::ToFile(options.jsonLog, error);
    if (!log)
        return Fail(kStatusUsage, error);
    if (!SetUpStackLog(options.stackLog, error))
        return Fail(kStatusUsage, error);
    Recorder recorder(*log);
    if (!options.record.empty() && !recorder.Open(options.record, error))
        return Fail(kStatusUsage, error);

    // Every thread started from here on inherits the blocked signals; only the signalfd sees them.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
    FileDescriptor signals(signalfd(-1, &stopSignals, SFD_CLOEXEC));
    if (signals.Get() < 0)
        return Fail(kStatusFailure, std::string("signalfd: ") + std::strerror(errno));

    ServerConfig config;
    config.host = options.host;
    config.port = options.port;
    config.maxClients = options.maxClients;
    config.latencyMs = options.latencyMs;
    config.logMessages = !options.quiet;
    config.scenario = scenario;
    config.room = std::move(room);
    config.recorder = options.record.empty() ? nullptr : &recorder;
    if (options.table.chaos)
        config.chaos = ServerConfig::ChaosConfig{options.table.chaosSeed, options.table.chaosRate};
    DevServer server(config, *log);
    server.AddHandler(std::make_unique<ProbeHandler>());
    if (options.echo.any())
        server.AddHandler(std::make_unique<EchoHandler>(options.echo));
    if (server.Open(error) < 0)
        return Fail(kStatusFailure, error);
    // The operator's console: standard input on a terminal, or anyway with --console. Its end
    // ends the console only.
    std::unique_ptr<Console> console;
    if (server.GetRoom() && (options.table.console || isatty(STDIN_FILENO)))
    {
        console = std::make_unique<Console>(STDIN_FILENO, *server.GetRoom(),
                                            [](const std::string& text) { std::fputs(text.c_str(), stderr); });
        if (!console->Start())
            return Fail(kStatusFailure, "cannot start the console");
    }

    signalfd_siginfo info{};
    ssize_t n;
    do
        n = read(signals.Get(), &info, sizeof info);
    while (n < 0 && errno == EINTR);
    JsonLine stop("stop");
    stop.Str("signal", info.ssi_signo == SIGINT ? "SIGINT" : info.ssi_signo == SIGTERM ? "SIGTERM" : "unknown");
    log->Write(std::move(stop));
    if (console)
        console->Stop();
    server.Shutdown();
    return 0;
}
