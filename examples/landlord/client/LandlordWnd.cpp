#include "examples/landlord/client/LandlordWnd.h"

#include "examples/landlord/client/LandlordView.h"
#include "tessaro/app/GameAppBase.h"
#include "tessaro/net/Log.h"
#include "tessaro/session/GameMsg.h"

#include <cstring>

namespace landlord
{

namespace
{

constexpr int kAuthenReqType = 32;
constexpr int kAuthenReqLen = 44;

} // namespace

LandlordWnd::LandlordWnd(Ostra::GameAppBase* app, LandlordView* view) : GameWndBase(app, view), m_pView(view)
{
    Resize(0, 0, Ostra::GameAppBase::STANDARD_WIDTH, Ostra::GameAppBase::STANDARD_HEIGHT);
}

void LandlordWnd::HandleGameMessage(std::uintptr_t msg, long len)
{
    if (len <= 0 || !m_pView)
        return;
    const auto* bytes = reinterpret_cast<const unsigned char*>(msg);
    const std::size_t size = static_cast<std::size_t>(len);
    if (TypeOf(bytes, size) < MSG_DEAL || TypeOf(bytes, size) > MSG_ROUND_END)
    {
        // Level 20: the level the game's log keeps.
        WriteLog(20, "LandlordWnd", "message of another game type[%d] len[%ld]", Ostra::MsgView(msg, len).Type(), len);
        return;
    }
    m_pView->OnGameMessage(bytes, size);
}

void LandlordWnd::OnTimer(int id)
{
    const bool opened = IsSessionOpen();
    GameWndBase::OnTimer(id);
    if (id == Ostra::TIMER_OPEN_SESSION && !opened && IsSessionOpen() && !m_pAppInfo->bReplay &&
        !m_pGameApp->IsShuttingDown())
        SendAuthenReq();
}

void LandlordWnd::KeyDown(Sexy::KeyCode key)
{
    if (key == Sexy::KEYCODE_ESCAPE)
        OnButtonEsc();
    else
        GameWndBase::KeyDown(key);
}

void LandlordWnd::SendAuthenReq()
{
    // The own user id (big-endian) at 8 and the lobby's login token, 32 bytes, at 12.
    unsigned char req[kAuthenReqLen] = {};
    Ostra::PutBE32(req + 8, static_cast<std::uint32_t>(m_pAppInfo->iUserId));
    std::memcpy(req + 12, m_pAppInfo->szToken, strnlen(m_pAppInfo->szToken, sizeof(m_pAppInfo->szToken)));
    SendNetMessage(req, kAuthenReqType, kAuthenReqLen);
}

} // namespace landlord
