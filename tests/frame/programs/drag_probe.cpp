// frame-drag-probe: a game window with the library's frame and nothing else (no session), in a
// real window, for the drag test under a virtual display. It writes "window X Y" on standard
// output whenever the window's place on the desktop changes (once at the start too) and ends
// half a second after a drag that moved the window is over, after the given number of seconds of
// updates at the latest, or when its window is closed.
//
//   frame-drag-probe SECONDS
#include "pop/SexyAppBase.h"
#include "pop/WidgetManager.h"
#include "tessaro/app/GameAppBase.h"
#include "tessaro/session/GameWndBase.h"
#include "tessaro/view/GameViewBase.h"

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace
{

class ProbeView : public Ostra::GameViewBase
{
public:
    using GameViewBase::GameViewBase;
    void GameReserved1() override {}
    void GameReserved2() override {}
    void GameReserved3() override {}
    void OnSelfReady() override {}
    void OnAnimateEnd(int) override {}
    void HandleAgainLoginRes(std::uintptr_t, long) override {}
    void HandleSitDownRes(std::uintptr_t, long) override {}
};

class ProbeWnd : public Ostra::GameWndBase
{
public:
    using GameWndBase::GameWndBase;
    void HandleGameMessage(std::uintptr_t, long) override {}
};

class ProbeApp : public Ostra::GameAppBase
{
public:
    explicit ProbeApp(int updates) : GameAppBase(StartupOptions::Contained()), m_iUpdatesLeft(updates)
    {
        mTitle = L"tessaro frame probe";
        mOnlyAllowOneCopyToRun = false;
    }
    ~ProbeApp() override
    {
        if (m_pWnd && mWidgetManager)
            mWidgetManager->RemoveWidget(m_pWnd.get());
        m_pGameWnd = nullptr;
        m_pGameView = nullptr;
        m_pWnd.reset();
        m_pView.reset();
    }
    void GameAppReserved() override {}
    void Init() override
    {
        // The framework and the window's frame only: no settings, no lobby, no session.
        Sexy::SexyAppBase::Init();
        if (!IsInitialized())
            return;
        InitAppBaseRes();
        m_pView = std::make_unique<ProbeView>(this);
        m_pWnd = std::make_unique<ProbeWnd>(this, m_pView.get());
        m_pGameView = m_pView.get();
        m_pGameWnd = m_pWnd.get();
        m_pWnd->Resize(0, 0, STANDARD_WIDTH, STANDARD_HEIGHT);
        m_pView->Resize(5, 33, 1014, 700);
        mWidgetManager->AddWidget(m_pWnd.get());
        m_pWnd->AddWidget(m_pView.get());
    }
    void UpdateFrames() override
    {
        GameAppBase::UpdateFrames();
        const Sexy::Point at = GetWindowPos();
        if (!m_bReported || at != m_ptReported)
        {
            std::printf("window %d %d\n", at.mX, at.mY);
            std::fflush(stdout);
            if (!m_bReported)
                m_ptStart = at;
            m_ptReported = at;
            m_bReported = true;
        }
        if (at != m_ptStart && !m_pWnd->m_bDragging && m_iAfterDrag < 0)
            m_iAfterDrag = kUpdatesAfterDrag;
        if (--m_iUpdatesLeft == 0 || m_iAfterDrag-- == 0)
            Shutdown();
    }

private:
    std::unique_ptr<ProbeView> m_pView;
    std::unique_ptr<ProbeWnd> m_pWnd;
    static constexpr int kUpdatesAfterDrag = 50;
    int m_iUpdatesLeft;
    int m_iAfterDrag = -1;
    bool m_bReported = false;
    Sexy::Point m_ptStart;
    Sexy::Point m_ptReported;
};

} // namespace

int main(int argc, char** argv)
{
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 10;
    ProbeApp app(seconds > 0 ? seconds * 100 : 1000);
    app.Init();
    app.Start();
    return 0;
}
