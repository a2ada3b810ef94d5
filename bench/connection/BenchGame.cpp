#include "bench/connection/BenchGame.h"

#include "pop/WidgetManager.h"
#include "tessaro/app/AppInfo.h"

#include "platform/WindowBus.h"

#include <cstdio>
#include <cstdlib>

namespace connbench
{

BenchGame::BenchGame()
{
    m_app.mHeadless = true;
    m_app.Init();
    m_view = std::make_unique<BenchView>(&m_app);
    m_wnd = std::make_unique<BenchWnd>(&m_app, m_view.get());
    m_app.m_pGameView = m_view.get();
    m_app.m_pGameWnd = m_wnd.get();
    m_wnd->Resize(0, 0, m_app.mWidth, m_app.mHeight);
    m_view->Resize(0, 0, m_app.mWidth, m_app.mHeight);
    m_app.mWidgetManager->AddWidget(m_wnd.get());
    m_wnd->AddWidget(m_view.get());
}

BenchGame::~BenchGame()
{
    // The game window goes first: it closes the session, whose dispatcher delivers to the
    // application's main window.
    m_wnd.reset();
    m_view.reset();
}

int BenchGame::Connect(int port)
{
    // The connection measured is the direct one, whatever proxy the machine's environment or a
    // proxy.conf in the current folder would name.
    ::setenv("TESSARO_PROXY", "none", 1);
    std::snprintf(Ostra::g_AppInfo.szServerAddr, sizeof(Ostra::g_AppInfo.szServerAddr), "%s", "127.0.0.1");
    Ostra::g_AppInfo.iServerPort = port;
    return m_wnd->OpenSession();
}

int BenchGame::Pump(int waitMs)
{
    return platform::PumpWindowMessages(waitMs);
}

} // namespace connbench
