// The application of the demo game. It creates the table view and the game window once the
// framework and the skin stand, opens the window's session, and for runs without a person (the
// demo, the tests) takes screenshots at the moments of a round and ends itself after a number of
// rounds or seconds.
#pragma once

#include "examples/common/Headless.h"
#include "tessaro/app/GameAppBase.h"

#include <memory>
#include <string>

namespace landlord
{

class LandlordView;
class LandlordWnd;

struct RunSettings
{
    bool autoPlay = false;  // the automatic player plays from the start
    int thinkMs = 600;      // how long it thinks before a move
    int runLimit = 0;       // updates before the game ends by itself; 0 none
    int rounds = 0;         // rounds after whose settlement the game ends; 0 none
    std::string shotFolder; // where the moments' screenshots go; empty: none
    bool trace = false;     // every message from the server printed as it arrives
};

class LandlordApp : public Ostra::GameAppBase
{
public:
    explicit LandlordApp(RunSettings settings);
    // The window goes first (it stops the session's threads), then the view.
    ~LandlordApp() override;

    void Init() override;
    // The launch's 34 values, then the table's three chairs; a word "--autoplay" after the values
    // (as tessaro-lobby run --autoplay passes it) switches the automatic player on.
    void ParseCmdLine(const std::string& cmdLine) override;
    void UpdateFrames() override;
    // With the trace on, "landlord: recv TYPE LEN" for every message the session delivers, in
    // the order it comes, before the game sees it: the soak compares it with what the server sent.
    void OnGameNetMessage(std::uintptr_t wParam, long lParam) override;
    void GameAppReserved() override {}

    LandlordView* View() const { return m_pView.get(); }

private:
    // A screenshot a moment after each moment of the round first appears.
    void TakeMomentShots();

    RunSettings m_settings;
    std::unique_ptr<LandlordView> m_pView;
    std::unique_ptr<LandlordWnd> m_pWnd;
    examples::MessageBoxAnswerer m_Answerer;
    int m_iUpdates = 0;
    unsigned m_uShotsTaken = 0;
    unsigned m_uMomentsSeen = 0;
    int m_iShotIn = 0;
    int m_iEndIn = -1;
};

} // namespace landlord
