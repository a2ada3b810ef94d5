#include "examples/minimal/MinimalWnd.h"

#include "examples/minimal/MinimalView.h"
#include "tessaro/app/GameAppBase.h"
#include "tessaro/net/Log.h"
#include "tessaro/session/GameMsg.h"

namespace minimal
{

MinimalWnd::MinimalWnd(Ostra::GameAppBase* app, MinimalView* view) : GameWndBase(app, view), m_pView(view)
{
    Resize(0, 0, Ostra::GameAppBase::STANDARD_WIDTH, Ostra::GameAppBase::STANDARD_HEIGHT);
}

void MinimalWnd::HandleGameMessage(std::uintptr_t msg, long len)
{
    const Ostra::MsgView view(msg, len);
    // Level 20: the level the game's log keeps.
    WriteLog(20, "MinimalWnd", "game message type[%d] len[%ld]", view.Type(), len);
    if (m_pView)
        m_pView->NoteGameMessage(view.Type(), len);
}

} // namespace minimal
