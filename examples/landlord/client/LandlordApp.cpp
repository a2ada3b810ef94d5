#include "examples/landlord/client/LandlordApp.h"

#include "examples/landlord/client/LandlordView.h"
#include "examples/landlord/client/LandlordWnd.h"

#include "pop/WidgetManager.h"

#include <cstdio>
#include <sstream>

namespace landlord
{

namespace
{

// A moment is drawn for this long before its screenshot, so the animations have settled.
constexpr int kShotDelayUpdates = 60;
// After the last round's settlement, time for the screenshot and the game result.
constexpr int kEndDelayUpdates = 150;

struct MomentShot
{
    Moment moment;
    const char* file;
};
constexpr MomentShot kShots[] = {
    {MOMENT_BIDDING, "bidding.png"}, {MOMENT_MID_PLAY, "playing.png"}, {MOMENT_RESULT, "result.png"}};

} // namespace

LandlordApp::LandlordApp(RunSettings settings) : m_settings(std::move(settings))
{
    mTitle = L"斗地主 tessaro landlord";
}

LandlordApp::~LandlordApp()
{
    m_pGameWnd = nullptr;
    m_pGameView = nullptr;
    m_pWnd.reset();
    m_pView.reset();
}

void LandlordApp::ParseCmdLine(const std::string& cmdLine)
{
    GameAppBase::ParseCmdLine(cmdLine);
    Ostra::g_AppInfo.iMaxPlayerNum = kPlayers;
    std::istringstream words(cmdLine);
    std::string word;
    while (words >> word)
    {
        if (word == "--autoplay")
            m_settings.autoPlay = true;
    }
}

void LandlordApp::Init()
{
    GameAppBase::Init();
    if (!IsInitialized() || IsShuttingDown() || m_pWnd)
        return;
    m_pView = std::make_unique<LandlordView>(this);
    m_pWnd = std::make_unique<LandlordWnd>(this, m_pView.get());
    m_pGameView = m_pView.get();
    m_pGameWnd = m_pWnd.get();
    mWidgetManager->AddWidget(m_pWnd.get());
    m_pWnd->AddWidget(m_pView.get());
    m_pView->SetThinkUpdates(m_settings.thinkMs / kUpdateIntervalMs);
    m_pView->SetAutoPlay(m_settings.autoPlay);
    m_pWnd->Init();
}

void LandlordApp::UpdateFrames()
{
    GameAppBase::UpdateFrames();
    m_Answerer.Update(*this);
    ++m_iUpdates;
    TakeMomentShots();
    if (m_settings.rounds > 0 && m_iEndIn < 0 && m_pView && m_pView->RoundsEnded() >= m_settings.rounds)
        m_iEndIn = kEndDelayUpdates;
    if ((m_iEndIn >= 0 && --m_iEndIn == 0) || (m_settings.runLimit > 0 && m_iUpdates == m_settings.runLimit))
        Shutdown();
}

void LandlordApp::OnGameNetMessage(std::uintptr_t wParam, long lParam)
{
    if (m_settings.trace && wParam != 0 && lParam >= 2)
        std::fprintf(stderr, "landlord: recv %d %ld\n", reinterpret_cast<const unsigned char*>(wParam)[1], lParam);
    GameAppBase::OnGameNetMessage(wParam, lParam);
}

void LandlordApp::TakeMomentShots()
{
    if (m_settings.shotFolder.empty() || !m_pView)
        return;
    const unsigned fresh = m_pView->Moments() & ~m_uMomentsSeen;
    if (fresh)
    {
        m_uMomentsSeen |= fresh;
        m_iShotIn = kShotDelayUpdates;
    }
    if (m_iShotIn <= 0 || --m_iShotIn > 0)
        return;
    for (const MomentShot& shot : kShots)
    {
        if ((m_uMomentsSeen & shot.moment) && !(m_uShotsTaken & shot.moment))
        {
            m_uShotsTaken |= shot.moment;
            const std::string file = m_settings.shotFolder + "/" + shot.file;
            if (examples::WriteScreenshot(*this, file, "landlord"))
                std::fprintf(stderr, "landlord: screenshot %s\n", file.c_str());
        }
    }
}

} // namespace landlord
