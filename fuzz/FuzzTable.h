// A table for the fuzz targets that drive the view's own code (the chat input, the quick chat,
// the title tables): a contained application with a plain view and game window that live for the
// whole process, a send queue of the session's size in place of the session, and the messages
// the view sent taken off it and checked to be whole.
#pragma once

#include "fuzz/FuzzApp.h"
#include "pop/TestHarness.h"
#include "tessaro/app/AppInfo.h"
#include "tessaro/net/Frame.h"
#include "tessaro/net/Log.h"
#include "tessaro/net/MsgQueue.h"
#include "tessaro/session/GameMsg.h"
#include "tessaro/session/GameWndBase.h"
#include "tessaro/view/GameViewBase.h"

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace fuzztable
{

using namespace Ostra;

class View : public GameViewBase
{
public:
    explicit View(GameAppBase* app) : GameViewBase(app) {}
    void GameReserved1() override {}
    void GameReserved2() override {}
    void GameReserved3() override {}
    void OnSelfReady() override {}
    void OnAnimateEnd(int) override {}
    void HandleAgainLoginRes(std::uintptr_t, long) override {}
    void HandleSitDownRes(std::uintptr_t, long) override {}
};

class Wnd : public GameWndBase
{
public:
    Wnd(GameAppBase* app, GameViewBase* view) : GameWndBase(app, view) {}
    void HandleGameMessage(std::uintptr_t, long) override {}
};

// The application and its view and window, of the target's own kinds where it needs them. They
// live for the whole process (the view's delay queue alone is several megabytes); each input
// resets what it changed.
template <class ViewT, class WndT> struct BasicTable
{
    BasicTable()
    {
        // Refusals are logged by the thousand; the targets check the results instead.
        LogConfig config{};
        config.iMinLevel = 1000;
        InitLog(config);
        app.m_pGameView = &view;
        app.m_pGameWnd = &wnd;
        wnd.m_pSendQueue = std::make_unique<MsgQueue>(kSessionQueueSlots, kSessionQueueSlotSize);
    }
    fuzzapp::ContainedApp app;
    // Makes the application headless and initialises it once; each input attaches a harness of
    // its own for the message boxes.
    Sexy::TestHarness first{app};
    ViewT view{&app};
    WndT wnd{&app, &view};
};

using Table = BasicTable<View, Wnd>;

template <class T = Table> T& GetTable()
{
    static T table;
    return table;
}

// Every message the view queued since the last call, each checked to be whole: the queue item's
// count is the message's length, within an item, and the header (version 3, the body's length)
// is the one the sender writes.
inline std::vector<std::string> DrainSends(MsgQueue& queue)
{
    std::vector<std::string> sent;
    std::vector<char> item(kSessionQueueSlotSize);
    while (true)
    {
        const int n = queue.Get(item.data(), static_cast<int>(item.size()), 0);
        if (n == -2)
            return sent;
        fuzzapp::Check(n >= kQueueItemCountLen + kGameMsgHeadLen);
        std::int32_t count = 0;
        std::memcpy(&count, item.data(), kQueueItemCountLen);
        fuzzapp::Check(count == n - kQueueItemCountLen && count <= kMaxItemMsgLen);
        MsgView msg(item.data() + kQueueItemCountLen, count);
        fuzzapp::Check(msg.Version() == kGameMsgVersion &&
                       msg.BE32(4) == static_cast<std::uint32_t>(count - kGameMsgHeadLen));
        sent.emplace_back(item.data() + kQueueItemCountLen, static_cast<size_t>(count));
    }
}

} // namespace fuzztable
