// tessaro-replay-game: a stand-in for a game in replay mode. Its lobby is launch value 7. It
// announces its window (0x46F), writes every WM_COPYDATA it gets to REPLAY_GAME_RECORD
// ("copydata TAG BYTES HEX") and presses its replay buttons as REPLAY_GAME_SCRIPT says: steps
// "N:ACTION", comma-separated, each done once N launch blocks (tag 0) have arrived. ACTION is
// play, pause, fast or normal (0x658 with 1, 4, 2, 3 posted to the lobby), quit (WM_CLOSE posted
// to the lobby) or holdMS (only take messages for MS milliseconds). Then it waits for WM_CLOSE on
// its own window, writes "closed" and exits with REPLAY_GAME_STATUS. After 60 s it gives up (91).
#include "platform/WindowBus.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

int main(int argc, char** argv)
{
    using Clock = std::chrono::steady_clock;
    const auto env = [](const char* name) { return std::string(std::getenv(name) ? std::getenv(name) : ""); };
    std::ofstream record(env("REPLAY_GAME_RECORD"), std::ios::app);
    int blocks = 0;
    bool closed = false;
    const platform::WindowHandle self = platform::CreateMessageWindow(
        [&](unsigned msg, platform::WPARAM, platform::LPARAM lParam)
        {
            closed = closed || msg == platform::WM_CLOSE;
            if (msg != platform::WM_COPYDATA)
                return platform::LRESULT{0};
            const auto* cds = reinterpret_cast<const platform::COPYDATASTRUCT*>(lParam);
            record << "copydata " << cds->dwData << " " << cds->cbData << " ";
            for (std::uint32_t i = 0; i < cds->cbData; ++i)
                record << "0123456789abcdef"[static_cast<const unsigned char*>(cds->lpData)[i] >> 4]
                       << "0123456789abcdef"[static_cast<const unsigned char*>(cds->lpData)[i] & 15];
            record << std::endl;
            blocks += cds->dwData == 0 ? 1 : 0;
            return platform::LRESULT{1};
        });
    const platform::WindowHandle lobby =
        argc > 8 ? static_cast<platform::WindowHandle>(std::strtoull(argv[8], nullptr, 10)) : 0;
    if (!self || !lobby)
        return 90;
    platform::SendWindowMessage(lobby, platform::WM_LOBBY_GAMEWND, self, 0);

    const Clock::time_point giveUp = Clock::now() + std::chrono::seconds(60);
    const auto pumpUntil = [&](auto done)
    {
        while (!done() && Clock::now() < giveUp)
            platform::PumpWindowMessages(20);
        return done();
    };
    std::istringstream script(env("REPLAY_GAME_SCRIPT"));
    for (std::string step; std::getline(script, step, ',');)
    {
        const std::string action = step.substr(std::min(step.find(':') + 1, step.size()));
        if (!pumpUntil([&] { return blocks >= std::atoi(step.c_str()); }))
            return 91;
        if (action.rfind("hold", 0) == 0)
        {
            const Clock::time_point end = Clock::now() + std::chrono::milliseconds(std::atoi(action.c_str() + 4));
            pumpUntil([&] { return Clock::now() >= end; });
        }
        else if (action == "quit")
        {
            platform::PostWindowMessage(lobby, platform::WM_CLOSE, 0, 0);
        }
        else
        {
            const int control = action == "play" ? 1 : action == "fast" ? 2 : action == "normal" ? 3 : 4;
            platform::PostWindowMessage(lobby, platform::WM_LOBBY_REPLAY, static_cast<platform::WPARAM>(control), 0);
        }
    }
    if (!pumpUntil([&] { return closed; }))
        return 91;
    record << "closed" << std::endl;
    platform::DestroyMessageWindow(self);
    return std::atoi(env("REPLAY_GAME_STATUS").c_str());
}
