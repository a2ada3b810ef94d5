#include "examples/minimal/MinimalWnd.h"

#include "examples/minimal/MinimalView.h"
#include "tessaro/app/GameAppBase.h"
#include "tessaro/net/Log.h"
#include "tessaro/session/GameMsg.h"

#include <cstring>

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

void MinimalWnd::OnTimer(int id)
{
    const bool opened = IsSessionOpen();
    GameWndBase::OnTimer(id);
    if (id == Ostra::TIMER_OPEN_SESSION && !opened && IsSessionOpen() && !m_pAppInfo->bReplay &&
        !m_pGameApp->IsShuttingDown())
        SendAuthenReq();
}

void MinimalWnd::SendAuthenReq()
{
    unsigned char req[kAuthenReqLen] = {};
    Ostra::PutBE32(req + 8, static_cast<std::uint32_t>(m_pAppInfo->iUserId));
    std::memcpy(req + 12, m_pAppInfo->szToken, strnlen(m_pAppInfo->szToken, sizeof(m_pAppInfo->szToken)));
    SendNetMessage(req, kAuthenReqType, kAuthenReqLen);
}

void MinimalWnd::HandleGameResultServer(std::uintptr_t msg, long len)
{
    GameWndBase::HandleGameResultServer(msg, len);
    if (m_pView)
        m_pView->NoteRoundEnd();
}

} // namespace minimal
