// tessaro-lobby: the stand-in for the platform's lobby program.
//
//   tessaro-lobby run --game PATH [options]      launch a game and report what it tells the lobby
//   tessaro-lobby replay --game PATH --record F  play a recorded game back into a game
//   tessaro-lobby watch                          a lobby window for a game started elsewhere
//   tessaro-lobby send --to HANDLE --msg N ...   one window message to a running game
//   tessaro-lobby copydata --to HANDLE FILE      one WM_COPYDATA to a running game
//
// docs/LOBBY.md describes the commands, the files, the report lines and the exit statuses.
#include "platform/Process.h"
#include "platform/Text.h"
#include "platform/WindowBus.h"
#include "tools/lobby/GameProcess.h"
#include "tools/lobby/LaunchLine.h"
#include "tools/lobby/LobbyFiles.h"
#include "tools/lobby/LobbyJson.h"
#include "tools/lobby/Options.h"
#include "tools/lobby/Replay.h"
#include "tools/lobby/ReplayRecord.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace
{

constexpr int kStatusError = 2;
constexpr int kStatusTimeout = 124;

// The watcher thread wakes the main loop with this message to the lobby's own window.
constexpr unsigned kWakeMsg = 0xBF00;
constexpr platform::WPARAM kWakeTag = 0x6C6F626279;
// How long the lobby keeps collecting messages after the game has ended.
constexpr int kSettleMs = 100;

void Emit(const std::string& line)
{
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

int Error(const std::string& text)
{
    std::fprintf(stderr, "tessaro-lobby: %s\n", text.c_str());
    return kStatusError;
}

std::string JsonList(const std::vector<std::string>& items, bool gbk)
{
    std::string out = "[";
    for (size_t i = 0; i < items.size(); ++i)
    {
        if (i > 0)
            out += ", ";
        out += gbk ? lobby::JsonGbkString(items[i]) : lobby::JsonString(items[i]);
    }
    return out + "]";
}

// The whole file, or nothing when it cannot be read or is larger than limit.
std::optional<std::string> ReadFile(const std::string& path, size_t limit, std::string& error)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
    {
        error = "cannot read " + path;
        return std::nullopt;
    }
    std::string data;
    char buf[65536];
    while (in.read(buf, sizeof buf) || in.gcount() > 0)
    {
        data.append(buf, static_cast<size_t>(in.gcount()));
        if (data.size() > limit)
        {
            error = path + " has more than " + std::to_string(limit) + " bytes";
            return std::nullopt;
        }
    }
    if (in.bad())
    {
        error = "cannot read " + path;
        return std::nullopt;
    }
    return data;
}

class MessageWindow
{
public:
    explicit MessageWindow(platform::WindowProc proc) : m_hWnd(platform::CreateMessageWindow(std::move(proc))) {}
    ~MessageWindow()
    {
        if (m_hWnd)
            platform::DestroyMessageWindow(m_hWnd);
    }
    MessageWindow(const MessageWindow&) = delete;
    MessageWindow& operator=(const MessageWindow&) = delete;

    platform::WindowHandle Get() const { return m_hWnd; }

private:
    platform::WindowHandle m_hWnd;
};

// Waits for the game's end on a thread of its own and wakes the lobby's main loop then. Stopped
// (and joined) by its destructor.
class GameWatcher
{
public:
    GameWatcher(pid_t pid, platform::WindowHandle lobby) : m_watch(pid)
    {
        if (m_watch.Valid())
            m_thread = std::thread(
                [this, lobby]
                {
                    if (m_watch.Wait(-1) == 1)
                    {
                        m_bEnded.store(true);
                        platform::PostWindowMessage(lobby, kWakeMsg, kWakeTag, static_cast<platform::LPARAM>(getpid()));
                    }
                });
    }
    ~GameWatcher()
    {
        m_watch.Cancel();
        if (m_thread.joinable())
            m_thread.join();
    }
    GameWatcher(const GameWatcher&) = delete;
    GameWatcher& operator=(const GameWatcher&) = delete;

    bool Valid() const { return m_watch.Valid(); }
    bool Ended() const { return m_bEnded.load(); }

private:
    platform::ProcessWatch m_watch;
    std::atomic<bool> m_bEnded{false};
    std::thread m_thread;
};

struct PendingCopy
{
    std::uintptr_t tag;
    std::string data;
    bool sent = false;
};

void SendCopy(platform::WindowHandle from, platform::WindowHandle to, PendingCopy& copy)
{
    platform::COPYDATASTRUCT cds{copy.tag, static_cast<std::uint32_t>(copy.data.size()), copy.data.data()};
    bool ok = false;
    const platform::LRESULT result =
        platform::SendWindowMessage(to, platform::WM_COPYDATA, from, reinterpret_cast<platform::LPARAM>(&cds), &ok);
    copy.sent = true;
    Emit("{\"event\": \"copydata\", \"to\": " + std::to_string(to) + ", \"tag\": " + std::to_string(copy.tag) +
         ", \"bytes\": " + std::to_string(copy.data.size()) + ", \"ok\": " + (ok ? "true" : "false") +
         ", \"result\": " + std::to_string(result) + "}");
    if (!ok)
        std::fprintf(stderr, "tessaro-lobby: the game's window %u did not take the WM_COPYDATA (tag %ju)\n", to,
                     static_cast<std::uintmax_t>(copy.tag));
}

int WaitMs(std::chrono::steady_clock::time_point deadline)
{
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
    if (left <= 0)
        return 0;
    return left > 1000000 ? 1000000 : static_cast<int>(left) + 1;
}

std::chrono::steady_clock::duration Seconds(double s)
{
    return std::chrono::duration_cast<std::chrono::steady_clock::duration>(std::chrono::duration<double>(s));
}

// The shorter of two waits in milliseconds, where -1 is no limit.
int ShorterWait(int a, int b)
{
    if (a < 0)
        return b;
    if (b < 0)
        return a;
    return std::min(a, b);
}

bool AllSent(const std::vector<PendingCopy>& copies)
{
    return std::all_of(copies.begin(), copies.end(), [](const PendingCopy& copy) { return copy.sent; });
}

// Runs the game as the lobby does; with replay, also plays the record into it and obeys its
// replay controls.
int Run(const lobby::RunOptions& options, lobby::Replay* replay)
{
    lobby::GameStart start;
    start.program = lobby::AbsolutePath(options.game);
    start.folder = lobby::ParentFolder(start.program);
    start.headless = options.headless;
    struct stat st;
    if (stat(start.program.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return Error("game not found: " + options.game);
    if (access(start.program.c_str(), X_OK) != 0)
        return Error("the game cannot be executed: " + options.game);
    const std::string root =
        options.root.empty() ? lobby::ParentFolder(start.folder) : lobby::AbsolutePath(options.root);

    std::vector<PendingCopy> copies;
    std::string error;
    if (!options.launchBlock.empty())
    {
        std::optional<std::string> block = ReadFile(options.launchBlock, platform::kMaxCopyData, error);
        if (!block)
            return Error(error);
        copies.push_back({0, std::move(*block)});
    }
    if (!options.replay.empty())
    {
        // The game reads the path as GBK text ending in a zero, from its own folder.
        const std::string path = lobby::AbsolutePath(options.replay);
        std::string gbk = platform::Utf8ToGbk(path);
        if (platform::GbkToUtf8(gbk) != path)
            return Error("the replay path has no GBK form: " + options.replay);
        gbk.push_back('\0');
        copies.push_back({1, std::move(gbk)});
    }

    // What the game announces; the handler runs on this thread while it pumps.
    platform::WindowHandle gameWnd = 0;
    MessageWindow window(
        [&gameWnd, replay](unsigned msg, platform::WPARAM wParam, platform::LPARAM lParam)
        {
            if (msg == kWakeMsg && wParam == kWakeTag && lParam == static_cast<platform::LPARAM>(getpid()))
                return platform::LRESULT{0};
            Emit(lobby::MessageLine(msg, wParam, lParam));
            if (msg == platform::WM_LOBBY_GAMEWND && gameWnd == 0)
                gameWnd = static_cast<platform::WindowHandle>(wParam);
            if (replay)
                replay->OnLobbyMessage(msg, wParam, std::chrono::steady_clock::now());
            return platform::LRESULT{0};
        });
    if (!window.Get())
        return Error("cannot create the lobby's window");
    Emit("{\"event\": \"lobby\", \"hwnd\": " + std::to_string(window.Get()) + ", \"pid\": " + std::to_string(getpid()) +
         "}");

    lobby::LobbyFilesReport files;
    if (!lobby::PrepareLobbyFiles(root, files, error))
        return Error(error);
    for (const std::string& warning : files.warnings)
        std::fprintf(stderr, "tessaro-lobby: %s\n", warning.c_str());
    if (root != lobby::ParentFolder(start.folder))
        std::fprintf(stderr, "tessaro-lobby: note: the game reads the lobby's files from %s, not from %s\n",
                     lobby::ParentFolder(start.folder).c_str(), root.c_str());
    Emit("{\"event\": \"files\", \"root\": " + lobby::JsonString(root) +
         ", \"locale\": " + lobby::JsonGbkString(files.locale) + ", \"written\": " + JsonList(files.written, false) +
         ", \"kept\": " + JsonList(files.kept, false) + "}");

    if (!lobby::BuildLaunchValues(options.launch, window.Get(), start.values, error))
        return Error(error);
    if (options.autoPlay)
        start.values.push_back("--autoplay");
    const pid_t pid = lobby::StartGame(start, error);
    if (pid < 0)
        return Error(error);
    Emit("{\"event\": \"launch\", \"pid\": " + std::to_string(pid) + ", \"game\": " + lobby::JsonString(start.program) +
         ", \"folder\": " + lobby::JsonString(start.folder) + ", \"args\": " + JsonList(start.values, true) +
         ", \"headless\": " + (options.headless ? "true" : "false") + "}");

    bool timedOut = false;
    {
        GameWatcher watcher(pid, window.Get());
        if (!watcher.Valid())
        {
            kill(pid, SIGKILL);
            while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR)
            {
            }
            return Error("cannot watch the game process");
        }
        using Clock = std::chrono::steady_clock;
        std::optional<Clock::time_point> deadline;
        if (options.timeoutSeconds > 0)
            deadline = Clock::now() + Seconds(options.timeoutSeconds);
        enum class Phase
        {
            Running,
            Closing, // the replay's end: WM_CLOSE went to the game's window
            Terminating,
            Killed,
        } phase = Phase::Running;
        // Hands a recorded frame to the game as a launch block. The bus copies the bytes; nothing
        // writes through lpData.
        auto deliver = [&window, &gameWnd](const lobby::RecordEntry& entry)
        {
            platform::COPYDATASTRUCT cds{0, static_cast<std::uint32_t>(entry.frame.size()),
                                         const_cast<char*>(entry.frame.data())};
            lobby::Replay::Delivery delivery;
            delivery.result = platform::SendWindowMessage(gameWnd, platform::WM_COPYDATA, window.Get(),
                                                          reinterpret_cast<platform::LPARAM>(&cds), &delivery.ok);
            return delivery;
        };

        int replayWait = -1;
        while (!watcher.Ended())
        {
            platform::PumpWindowMessages(ShorterWait(deadline ? WaitMs(*deadline) : -1, replayWait));
            if (watcher.Ended())
                break;
            // The copies go out from here, never from inside the handler: the game's announcement
            // has had its reply by now.
            for (PendingCopy& copy : copies)
            {
                if (gameWnd != 0 && !copy.sent)
                    SendCopy(window.Get(), gameWnd, copy);
            }
            replayWait = -1;
            if (replay)
            {
                // The record's messages follow the replay path.
                if (!replay->Begun() && gameWnd != 0 && AllSent(copies))
                    replay->Begin(deliver, Clock::now());
                replayWait = replay->Poll(Clock::now());
                if (replay->CloseRequested() && phase == Phase::Running)
                {
                    // As the lobby closes a replay: the game's window is asked to close, and a
                    // game that does not is ended like one that outlives its time.
                    const bool asked = gameWnd != 0 && platform::PostWindowMessage(gameWnd, platform::WM_CLOSE, 0, 0);
                    if (!asked)
                        kill(pid, SIGTERM);
                    phase = asked ? Phase::Closing : Phase::Terminating;
                    deadline = Clock::now() + Seconds(options.graceSeconds);
                }
            }
            if (deadline && Clock::now() >= *deadline)
            {
                if (phase == Phase::Running)
                {
                    timedOut = true;
                    char seconds[32];
                    std::snprintf(seconds, sizeof seconds, "%g", options.timeoutSeconds);
                    Emit(std::string("{\"event\": \"timeout\", \"seconds\": ") + seconds + "}");
                    kill(pid, SIGTERM);
                    phase = Phase::Terminating;
                    deadline = Clock::now() + Seconds(options.graceSeconds);
                }
                else if (phase == Phase::Closing)
                {
                    kill(pid, SIGTERM);
                    phase = Phase::Terminating;
                    deadline = Clock::now() + Seconds(options.graceSeconds);
                }
                else if (phase == Phase::Terminating)
                {
                    kill(pid, SIGKILL);
                    phase = Phase::Killed;
                    deadline.reset();
                }
            }
        }
    }
    // Report what the game sent before its end. Its last posts may still be on their way from its
    // closed connection to this process's mailbox: collect until none has come for a moment.
    const auto settleEnd = std::chrono::steady_clock::now() + std::chrono::seconds(1);
    while (std::chrono::steady_clock::now() < settleEnd && platform::PumpWindowMessages(kSettleMs) > 0)
    {
    }

    int status = 0;
    pid_t r;
    while ((r = waitpid(pid, &status, 0)) < 0 && errno == EINTR)
    {
    }
    int exitStatus = kStatusError;
    if (r == pid && WIFEXITED(status))
    {
        Emit("{\"event\": \"exit\", \"status\": " + std::to_string(WEXITSTATUS(status)) + "}");
        exitStatus = WEXITSTATUS(status);
    }
    else if (r == pid && WIFSIGNALED(status))
    {
        Emit("{\"event\": \"exit\", \"signal\": " + std::to_string(WTERMSIG(status)) + "}");
        exitStatus = 128 + WTERMSIG(status);
    }
    return timedOut ? kStatusTimeout : exitStatus;
}

// A record played back into a game: the record is checked whole before the game starts.
int ReplayRecord(const lobby::ReplayOptions& options)
{
    lobby::RecordSummary summary;
    std::string error;
    if (!lobby::ScanRecord(options.record, options.conn, summary, error))
        return Error(error);
    if (summary.badLines > 0)
    {
        for (const lobby::RecordError& bad : summary.errors)
            std::fprintf(stderr, "tessaro-lobby: %s\n", bad.Text(options.record).c_str());
        if (summary.badLines > summary.errors.size())
            std::fprintf(stderr, "tessaro-lobby: %s: %zu more malformed lines\n", options.record.c_str(),
                         summary.badLines - summary.errors.size());
        return Error("the record is refused: " + std::to_string(summary.badLines) + " malformed line" +
                     (summary.badLines == 1 ? "" : "s"));
    }
    if (summary.messages == 0)
        return Error(options.conn == 0 ? "the record holds no messages: " + options.record
                                       : "the record holds no messages of connection " + std::to_string(options.conn));
    lobby::RecordReader reader;
    if (!reader.Open(options.record, error))
        return Error(error);
    lobby::Replay replay(std::move(reader), lobby::AbsolutePath(options.record), summary.conn, summary.messages,
                         summary.first, Emit, std::chrono::steady_clock::now());
    return Run(options.run, &replay);
}

int RunGame(const lobby::RunOptions& options)
{
    return Run(options, nullptr);
}

// The lobby's window without a game of its own: every message reported until a signal or the
// time-out. The signals are taken by a thread of their own (sigwait), which wakes the loop with the
// wake message; the loop never runs in a signal handler.
int Watch(const lobby::WatchOptions& options)
{
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    std::atomic<bool> stop{false};
    MessageWindow window(
        [&stop](unsigned msg, platform::WPARAM wParam, platform::LPARAM lParam)
        {
            if (msg == kWakeMsg && wParam == kWakeTag && lParam == static_cast<platform::LPARAM>(getpid()))
            {
                stop.store(true);
                return platform::LRESULT{0};
            }
            Emit(lobby::MessageLine(msg, wParam, lParam));
            return platform::LRESULT{0};
        });
    if (!window.Get())
        return Error("cannot create the lobby's window");
    Emit("{\"event\": \"lobby\", \"hwnd\": " + std::to_string(window.Get()) + ", \"pid\": " + std::to_string(getpid()) +
         "}");

    // Stopped by a signal, or by the loop itself (SIGTERM to this process) once it is done.
    std::thread signals(
        [&stopSignals, handle = window.Get()]
        {
            int signal = 0;
            sigwait(&stopSignals, &signal);
            platform::PostWindowMessage(handle, kWakeMsg, kWakeTag, static_cast<platform::LPARAM>(getpid()));
        });
    using Clock = std::chrono::steady_clock;
    std::optional<Clock::time_point> deadline;
    if (options.timeoutSeconds > 0)
        deadline = Clock::now() + Seconds(options.timeoutSeconds);
    while (!stop.load() && !(deadline && Clock::now() >= *deadline))
        platform::PumpWindowMessages(deadline ? WaitMs(*deadline) : -1);
    if (!stop.load())
        kill(getpid(), SIGTERM); // blocked here, so only the signal thread takes it
    signals.join();
    Emit("{\"event\": \"exit\", \"status\": 0}");
    return 0;
}

int Send(const lobby::SendOptions& options)
{
    if (options.post)
    {
        const bool ok = platform::PostWindowMessage(options.to, options.msg, options.wParam,
                                                    static_cast<platform::LPARAM>(options.lParam));
        Emit(std::string("{\"ok\": ") + (ok ? "true" : "false") + "}");
        return ok ? 0 : 1;
    }
    bool ok = false;
    const platform::LRESULT result = platform::SendWindowMessage(options.to, options.msg, options.wParam,
                                                                 static_cast<platform::LPARAM>(options.lParam), &ok);
    Emit(ok ? "{\"ok\": true, \"result\": " + std::to_string(result) + "}" : std::string("{\"ok\": false}"));
    return ok ? 0 : 1;
}

int CopyData(const lobby::CopyDataOptions& options)
{
    std::string error;
    std::optional<std::string> data = ReadFile(options.file, platform::kMaxCopyData, error);
    if (!data)
        return Error(error);
    platform::COPYDATASTRUCT cds{static_cast<std::uintptr_t>(options.tag), static_cast<std::uint32_t>(data->size()),
                                 data->data()};
    bool ok = false;
    const platform::LRESULT result = platform::SendWindowMessage(options.to, platform::WM_COPYDATA, 0,
                                                                 reinterpret_cast<platform::LPARAM>(&cds), &ok);
    Emit(ok ? "{\"ok\": true, \"result\": " + std::to_string(result) + ", \"bytes\": " + std::to_string(data->size()) +
                  "}"
            : std::string("{\"ok\": false}"));
    return ok ? 0 : 1;
}

template <typename Options>
int Dispatch(lobby::Parsed (*parse)(const std::vector<std::string>&, Options&, std::string&), std::string (*usage)(),
             int (*command)(const Options&), const std::vector<std::string>& args)
{
    Options options;
    std::string error;
    switch (parse(args, options, error))
    {
    case lobby::Parsed::Help:
        std::fputs(usage().c_str(), stdout);
        return 0;
    case lobby::Parsed::Error:
        std::fprintf(stderr, "tessaro-lobby: %s (see --help)\n", error.c_str());
        return kStatusError;
    case lobby::Parsed::Ok:
        break;
    }
    return command(options);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
    {
        std::fputs(lobby::MainUsage().c_str(), stderr);
        return kStatusError;
    }
    const std::string command = argv[1];
    const std::vector<std::string> args(argv + 2, argv + argc);
    if (command == "--help" || command == "-h" || command == "help")
    {
        std::fputs(lobby::MainUsage().c_str(), stdout);
        return 0;
    }
    if (command == "run")
        return Dispatch<lobby::RunOptions>(lobby::ParseRunOptions, lobby::RunUsage, RunGame, args);
    if (command == "replay")
        return Dispatch<lobby::ReplayOptions>(lobby::ParseReplayOptions, lobby::ReplayUsage, ReplayRecord, args);
    if (command == "watch")
        return Dispatch<lobby::WatchOptions>(lobby::ParseWatchOptions, lobby::WatchUsage, Watch, args);
    if (command == "send")
        return Dispatch<lobby::SendOptions>(lobby::ParseSendOptions, lobby::SendUsage, Send, args);
    if (command == "copydata")
        return Dispatch<lobby::CopyDataOptions>(lobby::ParseCopyDataOptions, lobby::CopyDataUsage, CopyData, args);
    std::fprintf(stderr, "tessaro-lobby: unknown command '%s'\n\n%s", command.c_str(), lobby::MainUsage().c_str());
    return kStatusError;
}
