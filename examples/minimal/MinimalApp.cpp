#include "examples/minimal/MinimalApp.h"

#include "examples/minimal/MinimalView.h"
#include "examples/minimal/MinimalWnd.h"

#include "pop/WidgetManager.h"

#include <cstdlib>

namespace minimal
{

namespace
{

constexpr int kTableChairs = 4;

} // namespace

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

int MinimalApp::ChairCount()
{
    const char* text = std::getenv("MINIMAL_CHAIRS");
    if (!text || !*text)
        return kTableChairs;
    char* end = nullptr;
    const long chairs = std::strtol(text, &end, 10);
    return *end == '\0' && chairs >= 1 && chairs <= Ostra::kMaxSeats ? static_cast<int>(chairs) : kTableChairs;
}

void MinimalApp::ParseCmdLine(const std::string& cmdLine)
{
    GameAppBase::ParseCmdLine(cmdLine);
    Ostra::g_AppInfo.iMaxPlayerNum = ChairCount();
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
    m_Answerer.Update(*this);
    if (m_iRunLimit > 0 && ++m_iUpdates == m_iRunLimit)
        Shutdown();
}

} // namespace minimal
