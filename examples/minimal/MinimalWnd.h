// The game window of the minimal game. The table protocol is the library's; the game's own
// messages (every type the protocol does not know) end here, are logged and shown by the view.
#pragma once

#include "tessaro/session/GameWndBase.h"

#include <cstdint>

namespace minimal
{

class MinimalView;

class MinimalWnd : public Ostra::GameWndBase
{
public:
    MinimalWnd(Ostra::GameAppBase* app, MinimalView* view);

    void HandleGameMessage(std::uintptr_t msg, long len) override;

private:
    MinimalView* m_pView;
};

} // namespace minimal
