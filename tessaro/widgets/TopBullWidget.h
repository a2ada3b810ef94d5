// The bulletin strip across the top of the table: the server's announcements, one at a time.
//
// AddBull queues an announcement. The first one of an empty queue shows at once; the others wait.
// An announcement stays for 11 seconds or until the player closes it (the button at the strip's
// right end), and then leaves the queue; every 30 seconds the strip shows the first announcement
// still waiting. Both periods are frame-counted timers driven by the strip's Update, which runs
// while the strip is hidden too (the widget manager updates hidden widgets):
//   timer 1 (30 s, repeating): the next announcement;
//   timer 2 (11 s): hides the one shown.
#pragma once

#include "pop/ButtonWidget.h"
#include "pop/Listeners.h"
#include "pop/SysFont.h"
#include "pop/Widget.h"
#include "tessaro/session/ChatRecords.h"
#include "tessaro/widgets/Timer.h"

#include <list>
#include <memory>
#include <string>

namespace Ostra
{

class GameAppBase;
class GameViewBase;

class CTopBullWidget : public Sexy::Widget, public Sexy::ButtonListener
{
public:
    static constexpr int kBtnCloseId = 1;
    static constexpr int kTimerNext = 1;
    static constexpr int kTimerHide = 2;
    static constexpr unsigned long kNextMs = 30000;
    static constexpr unsigned long kHideMs = 11000;

    // Neither is owned. The strip starts with nothing to show and its close button hidden; the
    // view hides the strip itself until the first announcement.
    CTopBullWidget(GameViewBase* pGameView, GameAppBase* pApp);
    ~CTopBullWidget() override;

    // Queues a copy of the record; the first of an empty queue shows at once. Null is ignored.
    virtual void AddBull(ChatInfo* pInfo);
    // Restarts the 30-second cycle.
    void StartBullTimer();
    // Keeps the announcement shown now from hiding by itself.
    void StopBullTimer();
    void OnTimer(int iId);
    // The close button (id 1) hides the announcement shown, like OnBtnHide.
    void ButtonDepress(int iId) override;
    // Hides the strip and drops the first queued announcement (the one shown, if any).
    void OnBtnHide();
    // The close button sits 18 pixels left of the application's right edge, 6 from the top.
    void Resize(int x, int y, int width, int height) override;
    using WidgetContainer::Resize;
    void Update() override;
    void Draw(Sexy::Graphics* g) override;

    GameViewBase* m_pGameView = nullptr;
    GameAppBase* m_pApp = nullptr;
    // The queue, first shown first.
    std::list<ChatInfo> m_lstBull;
    std::wstring m_strShow;
    bool m_bShow = false;
    Timer m_Timer;
    std::unique_ptr<Sexy::ButtonWidget> m_pBtnClose;
    std::unique_ptr<Sexy::SysFont> m_pFont;

private:
    // Shows the first queued announcement with its close button.
    void ShowFirst();
};

} // namespace Ostra
