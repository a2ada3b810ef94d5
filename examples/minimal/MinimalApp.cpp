#include "examples/minimal/MinimalApp.h"

#include "tessaro/session/GameWndBase.h"

namespace minimal
{

MinimalApp::MinimalApp()
{
    mTitle = L"最小游戏 tessaro minimal";
}

void MinimalApp::Init()
{
    GameAppBase::Init();
    // A second copy, or a command line the start-up refused, leaves no framework to run a session in.
    if (!IsInitialized() || IsShuttingDown() || !m_pGameWnd)
        return;
    m_pGameWnd->Init();
}

void MinimalApp::UpdateFrames()
{
    GameAppBase::UpdateFrames();
    if (m_iRunLimit > 0 && ++m_iUpdates == m_iRunLimit)
        Shutdown();
}

} // namespace minimal
