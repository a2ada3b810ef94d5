#include "examples/minimal/MinimalApp.h"

#include "examples/minimal/MinimalView.h"
#include "examples/minimal/MinimalWnd.h"

#include "pop/WidgetManager.h"

namespace minimal
{

MinimalApp::MinimalApp()
{
    mTitle = L"最小游戏 tessaro minimal";
}

MinimalApp::~MinimalApp()
{
    m_pGameWnd = nullptr;
    m_pGameView = nullptr;
    m_pWnd.reset();
    m_pView.reset();
}

void MinimalApp::Init()
{
    GameAppBase::Init();
    // A second copy, or a command line the start-up refused, leaves no framework to run a session in.
    if (!IsInitialized() || IsShuttingDown() || m_pWnd)
        return;
    m_pView = std::make_unique<MinimalView>(this);
    m_pWnd = std::make_unique<MinimalWnd>(this, m_pView.get());
    m_pGameView = m_pView.get();
    m_pGameWnd = m_pWnd.get();
    mWidgetManager->AddWidget(m_pWnd.get());
    m_pWnd->AddWidget(m_pView.get());
    m_pWnd->Init();
}

void MinimalApp::UpdateFrames()
{
    GameAppBase::UpdateFrames();
    if (m_iRunLimit > 0 && ++m_iUpdates == m_iRunLimit)
        Shutdown();
}

} // namespace minimal
