// Log lines written to a file (one formatted write and one flush each) and settings looked up in a
// lobby settings file of realistic size (each lookup opens, scans and closes the file).
#include "tessaro/net/Config.h"
#include "tessaro/net/Log.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <unistd.h>

namespace
{

// A scratch folder for one benchmark, removed with its files.
class ScratchDir
{
public:
    ScratchDir()
    {
        char tmpl[] = "/tmp/tessaro-bench-XXXXXX";
        if (mkdtemp(tmpl))
            m_path = tmpl;
    }
    ~ScratchDir()
    {
        if (!m_path.empty() && std::system(("rm -rf '" + m_path + "'").c_str()) != 0)
            std::fprintf(stderr, "cannot remove %s\n", m_path.c_str());
    }
    const std::string& Path() const { return m_path; }

private:
    std::string m_path;
};

LogConfig MakeLogConfig(int output, int minLevel, int fileMode, int format, const std::string& name)
{
    LogConfig config = {};
    config.iOutput = output;
    config.iMinLevel = minLevel;
    config.iFileMode = fileMode;
    config.iFormat = format;
    std::snprintf(config.szFileName, sizeof(config.szFileName), "%s", name.c_str());
    return config;
}

void WriteLogLines(benchmark::State& state)
{
    ScratchDir dir;
    if (dir.Path().empty())
    {
        state.SkipWithError("no scratch folder");
        return;
    }
    const std::string base = dir.Path() + "/user";
    // The settings the game passes, without the console.
    InitLog(MakeLogConfig(0x06, 20, 0x01, 0x77, base));
    int n = 0;
    for (auto _ : state)
    {
        WriteLog(20, "ClientStack", "recv frame, version:%d length:%d queue:%d", 3, 1024 + n % 512, n % 300);
        if (++n % 100000 == 0)
        {
            state.PauseTiming();
            if (truncate((base + ".log").c_str(), 0) != 0) // keep the scratch file small
                state.SkipWithError("cannot truncate the log file");
            state.ResumeTiming();
        }
    }
    state.SetItemsProcessed(state.iterations());
    // Back to the defaults, so that nothing else in this program logs into the scratch folder.
    InitLog(MakeLogConfig(0x01, 10, 0x01, 0x7E, "prog"));
    CloseLog();
}
BENCHMARK(WriteLogLines)->Name("log/writelog");

// 40 lines in the shape of the lobby's settings file; the key looked up is in the last section.
const char kLobbyConf[] = "; lobby settings\n"
                          "[LOCAL]\n"
                          "Version = 3.2.1008\n"
                          "Locale = zh_CN\n"
                          "LastUser = player0815\n"
                          "SavePassword = 1\n"
                          "AutoLogin = 0\n"
                          "WindowX = 120\n"
                          "WindowY = 80\n"
                          "\n"
                          "[SERVER]\n"
                          "LoginServer = 192.168.10.21\n"
                          "LoginPort = 6100\n"
                          "BackupServer = 192.168.10.22\n"
                          "BackupPort = 6100\n"
                          "UpdateUrl = http://update.example.com/lobby/\n"
                          "Timeout = 30\n"
                          "\n"
                          "[WEB]\n"
                          "HomePage = http://www.example.com/\n"
                          "PayPage = http://pay.example.com/index.html\n"
                          "HelpPage = http://www.example.com/help/\n"
                          "ForumPage = http://bbs.example.com/\n"
                          "ReportPage = http://www.example.com/report?id=\n"
                          "\n"
                          "[SOUND]\n"
                          "Music = 1\n"
                          "MusicVolume = 80\n"
                          "Effects = 1\n"
                          "EffectsVolume = 100\n"
                          "\n"
                          "# game table settings\n"
                          "[GAME]\n"
                          "AllowWatch = 1\n"
                          "AllowChat = 1\n"
                          "ChatInterval = 3\n"
                          "HornPrice = 2000\n"
                          "WageAmount = 500\n"
                          "KickVip = 2\n"
                          "ShowTips = 1\n";

void GetConfigStrings(benchmark::State& state)
{
    ScratchDir dir;
    const std::string path = dir.Path() + "/lobby.conf";
    std::ofstream(path, std::ios::binary) << kLobbyConf;
    char value[400];
    for (auto _ : state)
    {
        int result = GetConfigString(value, "HornPrice", path.c_str(), "GAME", "0");
        benchmark::DoNotOptimize(result);
        benchmark::DoNotOptimize(value);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(GetConfigStrings)->Name("config/getstring");

} // namespace
