#include "tessaro/app/GameAppBase.h"
#include "tessaro/session/GameWndBase.h"

#include "platform/WindowBus.h"

namespace Ostra
{

bool GameWndBase::m_bSendLeave = false;

namespace
{

// The placement and marks every notice of the session uses.
constexpr int kTimeoutResult = 1;
constexpr int kCountdown = 10;
constexpr bool kModal = true;
constexpr int kExtra = 1;

} // namespace

void GameWndBase::ExitToLobby(int wParam, int lParam, bool sendStatistics)
{
    const platform::WindowHandle lobby = m_pAppInfo->hLobbyWnd;
    if (lobby != 0)
    {
        if (sendStatistics)
            SendPlayerInfoChange();
        platform::SendWindowMessage(lobby, platform::WM_LOBBY_GAMEEXIT, static_cast<platform::WPARAM>(wParam),
                                    static_cast<platform::LPARAM>(lParam));
    }
    if (m_pGameApp)
        m_pGameApp->Shutdown();
}

void GameWndBase::ShowNotice(const std::string& text)
{
    if (m_pGameApp)
        m_pGameApp->ShowMessage(text, 1, kTimeoutResult, kCountdown, Sexy::TPoint<int>(0, 0), kModal, kExtra);
}

void GameWndBase::ShowNotice(const std::wstring& text)
{
    if (m_pGameApp)
        m_pGameApp->ShowMessage(text, 1, kTimeoutResult, kCountdown, Sexy::TPoint<int>(0, 0), kModal, kExtra);
}

bool GameWndBase::ConfirmMessage(const std::string& text)
{
    if (!m_pGameApp)
        return false;
    constexpr int kConfirmed = 1000;
    return m_pGameApp->ShowMessage(text, 2, kTimeoutResult, kCountdown, Sexy::TPoint<int>(0, 0), kModal, kExtra) ==
           kConfirmed;
}

} // namespace Ostra
