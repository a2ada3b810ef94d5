// tessaro-lobby run as a child process, with tessaro-fake-game as the game, in temporary roots.
#include "platform/Path.h"
#include "platform/Text.h"
#include "tools/lobby/LaunchLine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <spawn.h>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace fs = std::filesystem;

namespace
{

std::string ReadAll(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line))
        lines.push_back(line);
    return lines;
}

// The number after "name": in a report line.
std::optional<long long> Number(const std::string& line, const std::string& name)
{
    const std::string key = "\"" + name + "\": ";
    const size_t at = line.find(key);
    if (at == std::string::npos)
        return std::nullopt;
    return std::strtoll(line.c_str() + at + key.size(), nullptr, 10);
}

// The first line containing every fragment; empty when there is none.
std::string FindLine(const std::vector<std::string>& lines, std::initializer_list<std::string> fragments)
{
    for (const std::string& line : lines)
    {
        bool all = true;
        for (const std::string& f : fragments)
            all = all && line.find(f) != std::string::npos;
        if (all)
            return line;
    }
    return std::string();
}

std::string Hex(const std::string& bytes)
{
    static const char kDigits[] = "0123456789abcdef";
    std::string out;
    for (const char c : bytes)
    {
        out.push_back(kDigits[static_cast<unsigned char>(c) >> 4]);
        out.push_back(kDigits[static_cast<unsigned char>(c) & 15]);
    }
    return out;
}

// What tessaro-fake-game wrote down.
struct GameRecord
{
    std::map<int, std::string> args;
    int argc = -1;
    std::string cwd;
    std::string headless;
    long long hwnd = 0;
    std::vector<std::string> copies; // "TAG BYTES HEX"
    std::vector<std::string> lines;

    static GameRecord Read(const fs::path& path)
    {
        GameRecord r;
        r.lines = Lines(ReadAll(path));
        for (const std::string& line : r.lines)
        {
            const size_t space = line.find(' ');
            const std::string key = line.substr(0, space);
            const std::string rest = space == std::string::npos ? "" : line.substr(space + 1);
            if (key == "argc")
                r.argc = std::stoi(rest);
            else if (key == "arg")
                r.args[std::stoi(rest)] = rest.substr(rest.find(' ') + 1);
            else if (key == "cwd")
                r.cwd = rest;
            else if (key == "headless")
                r.headless = rest;
            else if (key == "hwnd")
                r.hwnd = std::stoll(rest);
            else if (key == "copydata")
                r.copies.push_back(rest);
        }
        return r;
    }
};

class LobbyRunTest : public testing::Test
{
protected:
    void SetUp() override
    {
        std::string pattern = testing::TempDir() + "lobbyrun-XXXXXX";
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        m_dir = pattern;
        m_lobby = platform::ProgramDir() + "/tessaro-lobby";
        m_game = platform::ProgramDir() + "/tessaro-fake-game";
        ASSERT_TRUE(fs::exists(m_lobby)) << m_lobby;
        ASSERT_TRUE(fs::exists(m_game)) << m_game;
        m_record = m_dir / "record.txt";
    }
    void TearDown() override
    {
        std::error_code ec;
        fs::remove_all(m_dir, ec);
    }

    struct Result
    {
        int status = -1;
        std::vector<std::string> out;
        std::string err;
    };

    // The environment of the lobby (and so of the game): this one without POP_HEADLESS and the
    // fake game's settings, plus extra.
    std::vector<std::string> Environment(const std::vector<std::string>& extra) const
    {
        std::vector<std::string> env;
        for (char** e = environ; *e; ++e)
        {
            const std::string entry = *e;
            if (entry.rfind("POP_HEADLESS=", 0) == 0 || entry.rfind("FAKE_GAME_", 0) == 0)
                continue;
            env.push_back(entry);
        }
        env.push_back("FAKE_GAME_RECORD=" + m_record.string());
        env.insert(env.end(), extra.begin(), extra.end());
        return env;
    }

    // Starts tessaro-lobby with args in the test folder; its standard output goes to outFd.
    pid_t Start(const std::vector<std::string>& args, const std::vector<std::string>& env, int outFd,
                const fs::path& errPath) const
    {
        std::vector<std::string> store = {m_lobby};
        store.insert(store.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (std::string& s : store)
            argv.push_back(s.data());
        argv.push_back(nullptr);
        std::vector<std::string> envStore = env;
        std::vector<char*> envp;
        for (std::string& s : envStore)
            envp.push_back(s.data());
        envp.push_back(nullptr);

        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, outFd, 1);
        posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_addchdir_np(&actions, m_dir.c_str());
        pid_t pid = -1;
        const int rc = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
        posix_spawn_file_actions_destroy(&actions);
        EXPECT_EQ(rc, 0) << std::strerror(rc);
        return rc == 0 ? pid : -1;
    }

    static int Reap(pid_t pid)
    {
        int status = 0;
        while (waitpid(pid, &status, 0) < 0 && errno == EINTR)
        {
        }
        return WIFEXITED(status) ? WEXITSTATUS(status) : 1000 + WTERMSIG(status);
    }

    Result Run(const std::vector<std::string>& args, const std::vector<std::string>& extraEnv = {}) const
    {
        const fs::path outPath = m_dir / "stdout.txt";
        const fs::path errPath = m_dir / "stderr.txt";
        const int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        EXPECT_GE(out, 0);
        Result result;
        const pid_t pid = Start(args, Environment(extraEnv), out, errPath);
        close(out);
        if (pid < 0)
            return result;
        result.status = Reap(pid);
        result.out = Lines(ReadAll(outPath));
        result.err = ReadAll(errPath);
        return result;
    }

    fs::path m_dir;
    std::string m_lobby;
    std::string m_game;
    fs::path m_record;
};

TEST_F(LobbyRunTest, LaunchesTheGameWithItsCommandLineAndReportsWhatItSends)
{
    const fs::path root = m_dir / "root";
    const std::string block("\x03\x00\x00\x14\xff\x00\n payload with zero bytes\x7f", 33);
    std::ofstream(m_dir / "block.bin", std::ios::binary) << block;

    const Result r =
        Run({"run", "--game", m_game, "--server", "10.0.0.9:4321", "--root", root.string(), "--arg", "2=777", "--arg",
             "5=\xE6\xA1\xA5\xE7\x89\x8C", "--launch-block", "block.bin", "--headless", "--timeout", "60"},
            {"FAKE_GAME_COPIES=1", "FAKE_GAME_REASON=5,0", "FAKE_GAME_STATUS=3"});
    ASSERT_EQ(r.status, 3) << r.err;
    ASSERT_FALSE(r.out.empty());
    const std::optional<long long> lobbyWnd = Number(r.out.front(), "hwnd");
    ASSERT_TRUE(lobbyWnd.has_value()) << r.out.front();
    EXPECT_NE(r.out.front().find("\"event\": \"lobby\""), std::string::npos);

    // The command line: 34 values, the server, the lobby's window and the overrides; the rest
    // are the documented defaults.
    const GameRecord game = GameRecord::Read(m_record);
    ASSERT_EQ(game.argc, 34);
    EXPECT_EQ(game.args.at(0), "10.0.0.9");
    EXPECT_EQ(game.args.at(1), "4321");
    EXPECT_EQ(game.args.at(2), "777");
    EXPECT_EQ(game.args.at(5), "桥牌"); // GBK, as the game reads it
    EXPECT_EQ(game.args.at(7), std::to_string(*lobbyWnd));
    for (int i = 3; i < 34; ++i)
    {
        if (i != 5 && i != 7)
        {
            EXPECT_EQ(game.args.at(i), lobby::LaunchValue(i).szDefault) << i;
        }
    }
    EXPECT_EQ(game.cwd, platform::ProgramDir());
    EXPECT_EQ(game.headless, "1");

    // The launch block, byte for byte, with tag 0.
    ASSERT_EQ(game.copies.size(), 1u);
    EXPECT_EQ(game.copies[0], "0 33 " + Hex(block));
    EXPECT_NE(FindLine(game.lines, {"exit-sent 1 0"}), "");

    // One line per message, then the end. (The post may come after the send: a send that arrives
    // while the lobby waits for its own copy-data send runs at once, as on the original system.)
    const std::string announce = FindLine(r.out, {"\"msg\": 1135", "\"name\": \"WM_LOBBY_GAMEWND\""});
    ASSERT_NE(announce, "");
    EXPECT_EQ(Number(announce, "wparam"), game.hwnd);
    const std::string copied = FindLine(r.out, {"\"event\": \"copydata\"", "\"tag\": 0", "\"bytes\": 33"});
    EXPECT_NE(copied.find("\"ok\": true"), std::string::npos) << copied;
    EXPECT_EQ(Number(copied, "result"), 1);
    const auto stuck =
        std::find_if(r.out.begin(), r.out.end(),
                     [](const std::string& l)
                     { return l.find("\"msg\": 1330, \"name\": \"WM_LOBBY_STUCK\"") != std::string::npos; });
    const auto exitMsg = std::find_if(
        r.out.begin(), r.out.end(), [](const std::string& l) { return l.find("\"msg\": 1287") != std::string::npos; });
    ASSERT_NE(stuck, r.out.end());
    ASSERT_NE(exitMsg, r.out.end());
    EXPECT_EQ(Number(*stuck, "wparam"), 0);
    EXPECT_EQ(Number(*exitMsg, "wparam"), 5);
    EXPECT_EQ(Number(*exitMsg, "lparam"), 0);
    EXPECT_NE(exitMsg->find("\"reason\": \"the watched player left the table\""), std::string::npos) << *exitMsg;
    EXPECT_NE(exitMsg->find(platform::GbkToUtf8("旁观对象已经离开本桌，您也被强制离桌。")), std::string::npos);
    EXPECT_EQ(r.out.back(), "{\"event\": \"exit\", \"status\": 3}");

    // The launch line names the same values, as UTF-8.
    const std::string launch = FindLine(r.out, {"\"event\": \"launch\""});
    EXPECT_NE(launch.find("\"10.0.0.9\", \"4321\", \"777\""), std::string::npos) << launch;
    EXPECT_NE(launch.find("\"headless\": true"), std::string::npos);

    // The lobby's files went to the root given.
    EXPECT_TRUE(fs::exists(root / "local.dat"));
    EXPECT_TRUE(fs::exists(root / "localdata_cn" / "lobby.conf"));
    EXPECT_TRUE(fs::exists(root / "global.conf"));
}

TEST_F(LobbyRunTest, ReplayPathGoesWithTagOneAndSetsTheReplayValue)
{
    const Result r = Run({"run", "--game", m_game, "--root", (m_dir / "root").string(), "--replay",
                          "records/game 1.rep", "--timeout", "60"},
                         {"FAKE_GAME_COPIES=1", "FAKE_GAME_REASON=none"});
    ASSERT_EQ(r.status, 0) << r.err;
    const GameRecord game = GameRecord::Read(m_record);
    EXPECT_EQ(game.args.at(31), "1");
    EXPECT_EQ(game.headless, "(unset)");
    // An absolute path (the game runs in its own folder) ending in a zero byte.
    const std::string path = (m_dir / "records/game 1.rep").string() + std::string(1, '\0');
    ASSERT_EQ(game.copies.size(), 1u);
    EXPECT_EQ(game.copies[0], "1 " + std::to_string(path.size()) + " " + Hex(path));
    EXPECT_NE(FindLine(r.out, {"\"event\": \"copydata\"", "\"tag\": 1", "\"ok\": true"}), "");
    EXPECT_EQ(FindLine(r.out, {"\"msg\": 1287"}), "");
    EXPECT_EQ(r.out.back(), "{\"event\": \"exit\", \"status\": 0}");
}

TEST_F(LobbyRunTest, DefaultRootIsAboveTheGamesFolderAndExistingFilesAreKept)
{
    const fs::path games = m_dir / "games";
    fs::create_directories(games / "fake");
    const fs::path copy = games / "fake" / "tessaro-fake-game";
    fs::copy_file(m_game, copy);
    std::ofstream(games / "GLOBAL.CONF") << "[VIDEO]\nvideo_server_ip = 10.9.9.9\n";

    const Result r = Run({"run", "--game", "games/fake/tessaro-fake-game", "--timeout", "60"});
    ASSERT_EQ(r.status, 0) << r.err;
    const GameRecord game = GameRecord::Read(m_record);
    EXPECT_EQ(game.cwd, (games / "fake").string());
    EXPECT_TRUE(fs::exists(games / "local.dat"));
    EXPECT_TRUE(fs::exists(games / "localdata_cn" / "lobby.conf"));
    EXPECT_FALSE(fs::exists(games / "global.conf"));
    EXPECT_EQ(ReadAll(games / "GLOBAL.CONF"), "[VIDEO]\nvideo_server_ip = 10.9.9.9\n");
    const std::string files = FindLine(r.out, {"\"event\": \"files\""});
    EXPECT_NE(files.find("\"kept\": [\"GLOBAL.CONF\"]"), std::string::npos) << files;
    EXPECT_NE(files.find("\"written\": [\"local.dat\", \"localdata_cn/lobby.conf\"]"), std::string::npos) << files;
    // The exit reason the fake game sends by default.
    EXPECT_NE(FindLine(r.out, {"\"msg\": 1287", "\"wparam\": 1", "\"lparam\": 2"}), "");

    // A second run keeps what the first one wrote.
    const std::string localDat = ReadAll(games / "local.dat");
    std::ofstream(games / "localdata_cn" / "lobby.conf", std::ios::trunc) << "[GAME_URL]\nhome_url = mine\n";
    const Result again = Run({"run", "--game", copy.string(), "--timeout", "60"});
    ASSERT_EQ(again.status, 0) << again.err;
    EXPECT_EQ(ReadAll(games / "local.dat"), localDat);
    EXPECT_EQ(ReadAll(games / "localdata_cn" / "lobby.conf"), "[GAME_URL]\nhome_url = mine\n");
    EXPECT_NE(FindLine(again.out, {"\"written\": []"}), "");
}

TEST_F(LobbyRunTest, TimeoutEndsAGameThatNeverEnds)
{
    const Result r =
        Run({"run", "--game", m_game, "--root", (m_dir / "root").string(), "--timeout", "1"}, {"FAKE_GAME_HANG=1"});
    EXPECT_EQ(r.status, 124) << r.err;
    EXPECT_NE(FindLine(r.out, {"\"msg\": 1135"}), "");
    EXPECT_NE(FindLine(r.out, {"{\"event\": \"timeout\", \"seconds\": 1}"}), "");
    ASSERT_FALSE(r.out.empty());
    EXPECT_EQ(r.out.back(), "{\"event\": \"exit\", \"signal\": 15}");
}

TEST_F(LobbyRunTest, AGameThatIgnoresTerminationIsKilledAfterTheGracePeriod)
{
    const Result r =
        Run({"run", "--game", m_game, "--root", (m_dir / "root").string(), "--timeout", "1", "--grace", "0.2"},
            {"FAKE_GAME_HANG=ignore-term"});
    EXPECT_EQ(r.status, 124) << r.err;
    ASSERT_FALSE(r.out.empty());
    EXPECT_EQ(r.out.back(), "{\"event\": \"exit\", \"signal\": 9}");
}

TEST_F(LobbyRunTest, ErrorsEndWithStatusTwoBeforeTheGameStarts)
{
    std::ofstream(m_dir / "not-a-program") << "text";
    const std::vector<std::vector<std::string>> cases = {
        {"run", "--game", (m_dir / "missing").string()},
        {"run", "--game", (m_dir / "not-a-program").string()},
        {"run", "--game", m_game, "--arg", "34=1"},
        {"run", "--game", m_game, "--arg", "5=a b"},
        {"run", "--game", m_game, "--launch-block", (m_dir / "missing.bin").string()},
        {"run", "--game", m_game, "--bogus"},
        {"run"},
        {"walk"},
        {},
    };
    for (const auto& args : cases)
    {
        const Result r = Run(args);
        EXPECT_EQ(r.status, 2) << testing::PrintToString(args);
        EXPECT_NE(r.err.find("tessaro-lobby"), std::string::npos) << testing::PrintToString(args);
        EXPECT_FALSE(fs::exists(m_record)) << testing::PrintToString(args);
    }
    const Result help = Run({"run", "--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(FindLine(help.out, {"--launch-block FILE"}), "");
}

// A running game scripted by hand: copydata and send find it by the handle it announced.
TEST_F(LobbyRunTest, SendAndCopyDataReachARunningGame)
{
    int fds[2];
    ASSERT_EQ(pipe2(fds, O_CLOEXEC), 0);
    const pid_t lobbyPid = Start({"run", "--game", m_game, "--root", (m_dir / "root").string(), "--timeout", "60"},
                                 Environment({"FAKE_GAME_HANG=1", "FAKE_GAME_STATUS=4"}), fds[1], m_dir / "err.txt");
    close(fds[1]);
    ASSERT_GT(lobbyPid, 0);
    std::FILE* lobbyOut = fdopen(fds[0], "r");
    ASSERT_NE(lobbyOut, nullptr);
    std::vector<std::string> lines;
    long long gameWnd = 0;
    char buf[8192];
    while (gameWnd == 0 && std::fgets(buf, sizeof buf, lobbyOut))
    {
        lines.emplace_back(buf);
        if (lines.back().find("\"msg\": 1135") != std::string::npos)
            gameWnd = Number(lines.back(), "wparam").value_or(0);
    }
    ASSERT_NE(gameWnd, 0);
    const std::string to = std::to_string(gameWnd);

    std::ofstream(m_dir / "data.bin", std::ios::binary) << "by hand";
    const Result copy = Run({"copydata", "--to", to, "--tag", "0x7", "data.bin"});
    EXPECT_EQ(copy.status, 0) << copy.err;
    EXPECT_EQ(copy.out, std::vector<std::string>{"{\"ok\": true, \"result\": 1, \"bytes\": 7}"});

    const Result sent = Run({"send", "--to", to, "--msg", "0x400", "--wparam", "1"});
    EXPECT_EQ(sent.status, 0) << sent.err;
    EXPECT_EQ(sent.out, std::vector<std::string>{"{\"ok\": true, \"result\": 0}"});

    // WM_CLOSE lets the fake game end.
    const Result closed = Run({"send", "--to", to, "--msg", "16", "--post"});
    EXPECT_EQ(closed.status, 0) << closed.err;
    EXPECT_EQ(closed.out, std::vector<std::string>{"{\"ok\": true}"});

    while (std::fgets(buf, sizeof buf, lobbyOut))
        lines.emplace_back(buf);
    std::fclose(lobbyOut);
    EXPECT_EQ(Reap(lobbyPid), 4);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), "{\"event\": \"exit\", \"status\": 4}\n");

    const GameRecord game = GameRecord::Read(m_record);
    ASSERT_EQ(game.copies.size(), 1u);
    EXPECT_EQ(game.copies[0], "7 7 " + Hex("by hand"));

    // The game is gone now: nothing answers at its handle.
    const Result gone = Run({"send", "--to", to, "--msg", "0x400"});
    EXPECT_EQ(gone.status, 1);
    EXPECT_EQ(gone.out, std::vector<std::string>{"{\"ok\": false}"});
}

} // namespace
