#include "bench/view/ViewBenchGame.h"

#include "pop/WidgetManager.h"
#include "tessaro/app/AppInfo.h"
#include "tessaro/app/SkinImages.h"
#include "tessaro/session/GameMsg.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace viewbench
{

TableGame::AppInfoSetup::AppInfoSetup()
{
    Ostra::g_AppInfo = Ostra::AppInfo{};
    Ostra::g_AppInfo.iUserId = 10001;
    Ostra::g_AppInfo.iMaxPlayerNum = 4;
    Ostra::g_AppInfo.iWatchChairId = -1;
    std::snprintf(Ostra::g_AppInfo.szNickName, sizeof Ostra::g_AppInfo.szNickName, "演示玩家");
    ::setenv("TESSARO_PROXY", "none", 1);
}

TableGame::TableGame() : m_copy(MINIMAL_STAGE_DIR), app(m_copy.GameDir()), harness(app), view(&app), wnd(&app, &view)
{
    app.m_pGameView = &view;
    app.m_pGameWnd = &wnd;
    wnd.Resize(0, 0, app.mWidth, app.mHeight);
    harness.GetWidgetManager()->AddWidget(&wnd);
    wnd.AddWidget(&view);
}

TableGame::~TableGame()
{
    wnd.CloseSession();
    Ostra::g_AppInfo = Ostra::AppInfo{};
}

bool TableGame::Ready() const
{
    return m_copy.Ok() && Sexy::IMG_GAME_BG != nullptr;
}

void TableGame::SeatFour()
{
    const char* nicks[4] = {"东风", "演示玩家", "南风", "西风"};
    Ostra::g_AppInfo.iChairId = 1;
    for (int chair = 0; chair < 4; ++chair)
    {
        Ostra::PlayerNode& node = wnd.m_PlayerNode[chair];
        node = Ostra::PlayerNode{};
        node.iUserId = chair == 1 ? 10001 : 10002 + chair;
        std::memcpy(node.szNickName, nicks[chair], std::strlen(nicks[chair]));
        node.cSex = static_cast<std::int8_t>(chair % 2);
        node.iMoney = 52000 + chair * 1000;
        node.iAmount = 340 + chair * 50;
        node.cTableId = 1;
        node.cChairId = static_cast<std::int8_t>(chair);
        node.cWatchChairId = -1;
        node.cHeadId = static_cast<std::int8_t>(chair == 3 ? 2 : 0);
        node.cMemberLevel = static_cast<std::int8_t>(chair == 2 ? 3 : 0);
        node.iWinNum = 12 + chair;
        node.iLoseNum = 9;
    }
    view.SetTableUserInfo(0);
    view.InsertAllUserList();
}

int TableGame::Connect(int port)
{
    std::snprintf(Ostra::g_AppInfo.szServerAddr, sizeof(Ostra::g_AppInfo.szServerAddr), "%s", "127.0.0.1");
    Ostra::g_AppInfo.iServerPort = port;
    return wnd.OpenSession();
}

} // namespace viewbench
