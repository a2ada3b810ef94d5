#include "tessaro/app/GameAppBase.h"

#include "tessaro/net/Log.h"
#include "tessaro/session/GameWndBase.h"

namespace Ostra
{

GameAppBase::GameAppBase()
{
    mWidth = STANDARD_WIDTH;
    mHeight = STANDARD_HEIGHT;
}

GameAppBase::~GameAppBase() = default;

void GameAppBase::OnGameNetMessage(std::uintptr_t wParam, long lParam)
{
    if (!m_pGameWnd)
    {
        WriteLog(20, "GameAppBase::OnGameNetMessage", "lost net message");
        return;
    }
    m_pGameWnd->FilterNetMessage(wParam, lParam);
}

void GameAppBase::OnBossKey(std::uintptr_t, long) {}

void GameAppBase::OnCopyData(std::uintptr_t, long) {}

bool GameAppBase::HandleWindowMessage(unsigned msg, platform::WPARAM wParam, platform::LPARAM lParam,
                                      platform::LRESULT* result)
{
    if (msg == platform::WM_GAME_NETMSG)
    {
        // wParam is an address in this process: only the session's own dispatcher may send it.
        // The same number from another process (any program can reach the window) is refused.
        const Dispacher* dispatcher = m_pGameWnd ? m_pGameWnd->m_pDispacher.get() : nullptr;
        if (m_pGameWnd && (!dispatcher || !dispatcher->IsDelivering(wParam)))
        {
            WriteLog(20, "GameAppBase::OnGameNetMessage", "message 1025 not from the dispatcher refused");
            *result = 0;
            return true;
        }
        OnGameNetMessage(wParam, static_cast<long>(lParam));
        *result = 0;
        return true;
    }
    if (msg == platform::WM_COPYDATA)
    {
        OnCopyData(wParam, static_cast<long>(lParam));
        *result = 1;
        return true;
    }
    return Sexy::SexyAppBase::HandleWindowMessage(msg, wParam, lParam, result);
}

} // namespace Ostra
