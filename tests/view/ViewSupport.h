// The table view with every behaviour of the library: a test game whose view only supplies the
// operations every game must, at a table of players delivered as the server would, with an
// optional game server peer on 127.0.0.1 that reads what the view sends.
#pragma once

#include "tests/players/PlayersTestSupport.h"

#include <cstdint>
#include <string>

namespace viewtest
{

using namespace playerstest;

class ViewTestView : public Ostra::GameViewBase
{
public:
    explicit ViewTestView(Ostra::GameAppBase* app) : GameViewBase(app) {}

    void GameReserved1() override {}
    void GameReserved2() override {}
    void GameReserved3() override {}
    void OnSelfReady() override {}
    void OnAnimateEnd(int) override {}
    void HandleAgainLoginRes(std::uintptr_t, long) override {}
    void HandleSitDownRes(std::uintptr_t, long) override {}
};

// ViewGame game(4) is the user 10001 at a table of four chairs; ViewGame game(4, true) has the
// default skin's pictures loaded too.
using ViewGame = BasicPlayersGame<ViewTestView>;

// The 32-bit big-endian number at an offset of a message read from the peer.
inline std::int32_t BE32At(const std::string& msg, size_t at)
{
    if (msg.size() < at + 4)
        return 0;
    return static_cast<std::int32_t>(Ostra::GetBE32(reinterpret_cast<const unsigned char*>(msg.data() + at)));
}

} // namespace viewtest
