// tessaro-fake-game: a stand-in game for the lobby tests. It does what a game does towards the
// lobby and writes down what it received, one line per fact, to the file FAKE_GAME_RECORD:
//
//   argc N                  arg I VALUE (for each argument, raw bytes)
//   cwd PATH                headless VALUE ("(unset)" without POP_HEADLESS)
//   hwnd H                  its own window
//   copydata TAG BYTES HEX  each WM_COPYDATA (the data in hexadecimal)
//   exit-sent OK RESULT     the answer to its 0x507
//
// Its lobby is launch value 7. Then: announce the window (0x46F), wait for FAKE_GAME_COPIES
// copy-data messages (default 0), post 0x532, send 0x507 with FAKE_GAME_REASON ("W,L", default
// "1,2"; "none" sends none) and exit with FAKE_GAME_STATUS (default 0).
// FAKE_GAME_HANG=1 waits for WM_CLOSE after the announcement instead of for the copies;
// FAKE_GAME_HANG=ignore-term does the same and ignores SIGTERM.
#include "platform/WindowBus.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <unistd.h>

namespace
{

int g_record = -1;

void Record(const std::string& line)
{
    const std::string text = line + "\n";
    size_t done = 0;
    while (done < text.size())
    {
        const ssize_t n = write(g_record, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            std::_Exit(92);
        done += static_cast<size_t>(n);
    }
}

std::string Hex(const void* data, size_t size)
{
    static const char kDigits[] = "0123456789abcdef";
    std::string out;
    const auto* p = static_cast<const unsigned char*>(data);
    for (size_t i = 0; i < size; ++i)
    {
        out.push_back(kDigits[p[i] >> 4]);
        out.push_back(kDigits[p[i] & 15]);
    }
    return out;
}

std::string Env(const char* name, const char* fallback)
{
    const char* v = std::getenv(name);
    return v ? v : fallback;
}

} // namespace

int main(int argc, char** argv)
{
    const std::string hang = Env("FAKE_GAME_HANG", "");
    if (hang == "ignore-term")
        std::signal(SIGTERM, SIG_IGN);
    const char* recordPath = std::getenv("FAKE_GAME_RECORD");
    if (!recordPath)
        return 90;
    g_record = open(recordPath, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (g_record < 0)
        return 90;

    Record("argc " + std::to_string(argc - 1));
    for (int i = 1; i < argc; ++i)
        Record("arg " + std::to_string(i - 1) + " " + argv[i]);
    char cwd[4096];
    Record(std::string("cwd ") + (getcwd(cwd, sizeof cwd) ? cwd : "?"));
    Record("headless " + Env("POP_HEADLESS", "(unset)"));

    int copies = 0;
    bool closed = false;
    const platform::WindowHandle self = platform::CreateMessageWindow(
        [&](unsigned msg, platform::WPARAM, platform::LPARAM lParam)
        {
            if (msg == platform::WM_COPYDATA)
            {
                const auto* cds = reinterpret_cast<const platform::COPYDATASTRUCT*>(lParam);
                Record("copydata " + std::to_string(cds->dwData) + " " + std::to_string(cds->cbData) + " " +
                       Hex(cds->lpData, cds->cbData));
                ++copies;
                return platform::LRESULT{1};
            }
            if (msg == platform::WM_CLOSE)
                closed = true;
            return platform::LRESULT{0};
        });
    if (!self)
        return 93;
    Record("hwnd " + std::to_string(self));

    const platform::WindowHandle lobby =
        argc > 8 ? static_cast<platform::WindowHandle>(std::strtoull(argv[8], nullptr, 10)) : 0;
    platform::SendWindowMessage(lobby, platform::WM_LOBBY_GAMEWND, self, 0);

    if (!hang.empty())
    {
        while (!closed)
            platform::PumpWindowMessages(-1);
    }
    else
    {
        const int wanted = std::atoi(Env("FAKE_GAME_COPIES", "0").c_str());
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (copies < wanted)
        {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
            if (left.count() <= 0)
            {
                Record("copydata-missing");
                return 91;
            }
            platform::PumpWindowMessages(static_cast<int>(left.count()));
        }
    }

    platform::PostWindowMessage(lobby, platform::WM_LOBBY_STUCK, 0, 0);
    const std::string reason = Env("FAKE_GAME_REASON", "1,2");
    if (reason != "none")
    {
        const platform::WPARAM w = std::strtoull(reason.c_str(), nullptr, 10);
        const size_t comma = reason.find(',');
        const platform::LPARAM l =
            comma == std::string::npos ? 0 : std::strtoll(reason.c_str() + comma + 1, nullptr, 10);
        bool ok = false;
        const platform::LRESULT r = platform::SendWindowMessage(lobby, platform::WM_LOBBY_GAMEEXIT, w, l, &ok);
        Record("exit-sent " + std::to_string(ok) + " " + std::to_string(r));
    }
    platform::DestroyMessageWindow(self);
    close(g_record);
    return std::atoi(Env("FAKE_GAME_STATUS", "0").c_str());
}
