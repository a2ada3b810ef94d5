// A test game with the library's own player handling: the window and the view keep every base
// behaviour and only record the hooks a game supplies. Player entries and the table protocol's
// player messages are built by hand, and an optional game server peer on 127.0.0.1 reads what the
// game sends.
#pragma once

#include "pop/Image.h"
#include "tessaro/session/PlayerNode.h"
#include "tests/support/SessionHarness.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace playerstest
{

using namespace testsupport;

// One 84-byte wire entry.
struct Entry
{
    int userId = 0;
    std::string nick; // GBK
    int chair = -1;
    int watch = -1;
    int ready = 0;
    int money = 1000;
    int table = 1;
    int sex = 0;
    int memberLevel = 0;
    std::uint32_t userType = 0; // copied to the wire as it is in memory

    std::string Bytes() const
    {
        std::string e(Ostra::kPlayerEntryLen, '\0');
        auto put = [&](int off, std::uint32_t v) { Ostra::PutBE32(reinterpret_cast<unsigned char*>(&e[off]), v); };
        put(0, static_cast<std::uint32_t>(userId));
        std::memcpy(&e[4], nick.data(), std::min<size_t>(nick.size(), 16));
        e[20] = static_cast<char>(sex);
        put(24, static_cast<std::uint32_t>(userId * 3));
        put(28, static_cast<std::uint32_t>(money));
        e[32] = static_cast<char>(table);
        e[33] = static_cast<char>(chair);
        put(36, 7);
        e[44] = 1;
        e[45] = 2;
        std::memcpy(&e[48], &userType, 4);
        e[59] = static_cast<char>(memberLevel);
        e[60] = static_cast<char>(watch);
        e[61] = static_cast<char>(ready);
        put(80, static_cast<std::uint32_t>(userId * 5));
        return e;
    }
};

inline Entry Seated(int userId, const std::string& nick, int chair, int ready = 0)
{
    Entry e;
    e.userId = userId;
    e.nick = nick;
    e.chair = chair;
    e.ready = ready;
    return e;
}

inline Entry Looker(int userId, const std::string& nick, int watch)
{
    Entry e;
    e.userId = userId;
    e.nick = nick;
    e.watch = watch;
    return e;
}

inline std::string Entries(const std::vector<Entry>& entries)
{
    std::string out;
    for (const Entry& e : entries)
        out += e.Bytes();
    return out;
}

// Type 52: byte 8 the count, byte 9 the view's flag, entries from 12.
inline std::string Snapshot(const std::vector<Entry>& entries, int count = -1)
{
    std::string body(4, '\0');
    body[0] = static_cast<char>(count < 0 ? static_cast<int>(entries.size()) : count);
    return Message(Ostra::MSG_PLAYER_INFO_NOTICE, body + Entries(entries));
}

// Type 35: byte 9 the first-page flag, byte 10 the count, entries from 12.
inline std::string Page(bool first, const std::vector<Entry>& entries)
{
    std::string body(4, '\0');
    body[1] = first ? 1 : 0;
    body[2] = static_cast<char>(entries.size());
    return Message(Ostra::MSG_PLAYER_INFO_RES, body + Entries(entries));
}

inline std::string UserIdBody(int userId)
{
    std::string body(4, '\0');
    Ostra::PutBE32(reinterpret_cast<unsigned char*>(&body[0]), static_cast<std::uint32_t>(userId));
    return body;
}

// The view with the library's seats and chair buttons, recording the game's hooks.
class PlayersView : public Ostra::GameViewBase
{
public:
    explicit PlayersView(Ostra::GameAppBase* app) : GameViewBase(app) {}

    void GameReserved1() override {}
    void GameReserved2() override {}
    void GameReserved3() override {}
    void OnAnimateEnd(int) override {}
    void OnSelfReady() override { ++selfReady; }
    void HandleAgainLoginRes(std::uintptr_t, long) override {}
    void HandleSitDownRes(std::uintptr_t msg, long len) override
    {
        sitDownRes.assign(reinterpret_cast<const char*>(msg), static_cast<size_t>(len));
    }
    void HandleReadyNotice(std::uintptr_t, long) override { ++readyNotices; }
    void CallBackOtherPlayerEnter(Ostra::PlayerNode* player, Ostra::PlayerNode* watched) override
    {
        enters.push_back({player->iUserId, watched ? watched->iUserId : 0});
    }
    void InsertAllUserList() override { ++userListFills; }
    void InitGmUserListWidth() override { ++gmWidthResets; }
    void InitDeskInfo() override
    {
        ++deskResets;
        GameViewBase::InitDeskInfo();
    }
    void SetUserImage() override { ++userImages; }

    // Who entered, with the player watched (0 for none).
    std::vector<std::pair<int, int>> enters;
    std::string sitDownRes;
    int selfReady = 0;
    int readyNotices = 0;
    int userListFills = 0;
    int gmWidthResets = 0;
    int deskResets = 0;
    int userImages = 0;

    std::vector<std::wstring> ChatTexts() const
    {
        std::vector<std::wstring> out;
        for (const ChatLine& line : ChatLinesOf(*this))
            out.push_back(line.strText);
        return out;
    }
};

class PlayersWnd : public Ostra::GameWndBase
{
public:
    using GameWndBase::GameWndBase;
    void HandleGameMessage(std::uintptr_t, long) override {}
    void HandleGameResultServer(std::uintptr_t msg, long len) override
    {
        ++gameResults;
        GameWndBase::HandleGameResultServer(msg, len);
    }

    // Whether the all-players list holds the user.
    bool InRoom(int userId) const
    {
        const Ostra::PlayerNode* end = m_AllPlayerNode + std::clamp(m_iAllPlayerNum, 0, Ostra::kAllPlayerNodes);
        return std::any_of(m_AllPlayerNode, end, [&](const Ostra::PlayerNode& n) { return n.iUserId == userId; });
    }

    int gameResults = 0;
};

// The program folder of the test application, with the skin's chair pictures copied in when asked
// (from the minimal game's stage, where the build puts the skin).
class SkinnedApp : public TestGameApp
{
public:
    static void CopySkin(const std::string& programDir)
    {
        namespace fs = std::filesystem;
        const fs::path from = fs::path(MINIMAL_GAME_BIN).parent_path() / "images";
        std::error_code error;
        fs::copy(from, fs::path(programDir) / "images", fs::copy_options::recursive, error);
    }
};

// The whole game: g_AppInfo fresh (the user 10001 at a table of iMaxPlayerNum chairs), the
// application initialised headless, the view in the window and both in the widget manager. View is
// the game's view class (made with the application).
template <class View> class BasicPlayersGame
{
public:
    explicit BasicPlayersGame(int chairs = 7, bool skin = false) : m_skin(skin, chairs), view(&app), wnd(&app, &view)
    {
        app.m_pGameView = &view;
        app.m_pGameWnd = &wnd;
        harness.GetWidgetManager()->AddWidget(&wnd);
        wnd.AddWidget(&view);
        view.m_iTablePlayerNum = chairs;
        AnswerMessageDialogs(harness, app);
    }
    ~BasicPlayersGame()
    {
        wnd.CloseSession();
        Ostra::g_AppInfo = Ostra::AppInfo{};
    }
    BasicPlayersGame(const BasicPlayersGame&) = delete;
    BasicPlayersGame& operator=(const BasicPlayersGame&) = delete;

    // Hands a message to the window as the dispatcher does and lets the delay queue release it.
    void Deliver(std::string msg)
    {
        wnd.FilterNetMessage(reinterpret_cast<std::uintptr_t>(&msg[0]), static_cast<long>(msg.size()));
        for (int i = 0; i < 10 && view.GetDelayMsgCount() > 0; ++i)
            harness.Step(1);
    }
    // Opens the session to a game server on 127.0.0.1:port.
    int OpenSessionTo(int port)
    {
        std::snprintf(Ostra::g_AppInfo.szServerAddr, sizeof(Ostra::g_AppInfo.szServerAddr), "127.0.0.1");
        Ostra::g_AppInfo.iServerPort = port;
        return wnd.OpenSession();
    }
    bool PumpUntil(const std::function<bool()>& done, int timeoutMs = kWaitMs)
    {
        return PumpHarnessUntil(harness, done, timeoutMs);
    }
    // The session to a peer on 127.0.0.1 that reads what the game sends.
    Peer Connect()
    {
        if (OpenSessionTo(m_server.port) < 0)
            return Peer();
        return m_server.Accept();
    }

private:
    // Before the application: g_AppInfo, and the skin copied where the application's Init finds it.
    struct Setup
    {
        Setup(bool skin, int chairs)
        {
            Ostra::g_AppInfo.iUserId = 10001;
            Ostra::g_AppInfo.iMaxPlayerNum = chairs;
            Ostra::g_AppInfo.iWatchChairId = -1;
            wantSkin = skin;
        }
        bool wantSkin;
    };
    struct SkinCopy
    {
        SkinCopy(bool skin, Ostra::GameAppBase& app)
        {
            if (skin)
                SkinnedApp::CopySkin(app.m_szModuleDir);
        }
    };

    AppInfoReset m_reset;
    Setup m_skin;

public:
    SkinnedApp app;

private:
    SkinCopy m_copy{m_skin.wantSkin, app};

public:
    Sexy::TestHarness harness{app};
    View view;
    PlayersWnd wnd;

private:
    ServerListener m_server;
};

using PlayersGame = BasicPlayersGame<PlayersView>;

// The next message the peer reads of a type, skipping others (keep-alives, probes).
inline bool ReadMessageOfType(Peer& peer, int type, std::string& msg, int timeoutMs = kWaitMs)
{
    const auto deadline = DeadlineIn(timeoutMs);
    while (peer.ReadMessage(msg, MsLeft(deadline)))
    {
        if (msg.size() >= 2 && static_cast<unsigned char>(msg[1]) == type)
            return true;
    }
    return false;
}

} // namespace playerstest
