// A test game for the session's chat, kick and notice handlers: the players' test window and a view
// that also records speech bubbles and returns from system play, message boxes answered and
// recorded, and a lobby window on the bus that records what the game tells it. The table messages
// are built by hand with the wire offsets.
#pragma once

#include "tests/players/PlayersTestSupport.h"

#include "tessaro/widgets/TopBullWidget.h"

#include "platform/Text.h"
#include "platform/WindowBus.h"

#include <string>
#include <utility>
#include <vector>

namespace noticestest
{

using namespace playerstest;

// A body of n zero bytes (message offsets minus the header) with text and numbers put in by offset.
struct Body
{
    explicit Body(size_t msgLen) : bytes(msgLen - Ostra::kGameMsgHeadLen, '\0') {}
    Body& Text(long msgOff, const std::string& text)
    {
        bytes.replace(static_cast<size_t>(msgOff) - Ostra::kGameMsgHeadLen, text.size(), text);
        return *this;
    }
    Body& Byte(long msgOff, int v)
    {
        bytes[static_cast<size_t>(msgOff) - Ostra::kGameMsgHeadLen] = static_cast<char>(v);
        return *this;
    }
    Body& BE32(long msgOff, std::uint32_t v)
    {
        Ostra::PutBE32(reinterpret_cast<unsigned char*>(&bytes[static_cast<size_t>(msgOff) - 8]), v);
        return *this;
    }
    std::string Msg(int type) const { return Message(type, bytes); }
    std::string bytes;
};

inline std::string Chat(int sender, const std::string& senderNick, int target, const std::string& targetNick,
                        const std::string& text, int kind)
{
    return Body(572)
        .BE32(8, sender)
        .Text(12, senderNick)
        .BE32(28, target)
        .Text(32, targetNick)
        .Text(48, text)
        .Byte(560, kind)
        .Msg(Ostra::MSG_CHAT_INFO_NOTICE);
}

inline std::string ServerText(int kind, const std::string& name, const std::string& text)
{
    return Body(572).Text(12, name).Byte(48, kind).Text(57, text).Msg(Ostra::MSG_CHAT_INFO_RES);
}

inline std::string Kick(int kind, const std::string& text)
{
    return Body(284).Byte(8, kind).Text(16, text).Msg(Ostra::MSG_KICK_OUT_SERVER);
}

class NoticesView : public PlayersView
{
public:
    using PlayersView::PlayersView;
    using PlayersView::ShowChatInfo;
    void ShowChatInfo(int userId, char* text) override { bubbles.emplace_back(userId, text); }
    void CallBackOtherPlayerLoginAgainNotice(int seat) override { backSeats.push_back(seat); }

    // The chat lines as GBK text with their kinds.
    std::vector<std::pair<std::string, int>> Lines() const
    {
        std::vector<std::pair<std::string, int>> out;
        for (const ChatLine& line : ChatLinesOf(*this))
            out.emplace_back(platform::WideToGbk(line.strText), line.iKind);
        return out;
    }

    // Expected lines with each kind as the chat list shows it: kinds of one colour are one.
    std::vector<std::pair<std::string, int>> Canon(std::vector<std::pair<std::string, int>> lines) const
    {
        for (auto& line : lines)
            line.second = CanonicalKind(*m_pChatList, line.second);
        return lines;
    }

    std::vector<std::pair<int, std::string>> bubbles;
    std::vector<int> backSeats;
};

// The user 10001 at chair 0 of a three-chair table with 20002 "甲" (a member, male) at chair 1.
class NoticesGame
{
public:
    NoticesGame()
    {
        Ostra::g_AppInfo.iUserId = 10001;
        Ostra::g_AppInfo.iMaxPlayerNum = 3;
        Ostra::g_AppInfo.iWatchChairId = -1;
        app.m_pGameView = &view;
        app.m_pGameWnd = &wnd;
        harness.GetWidgetManager()->AddWidget(&wnd);
        wnd.AddWidget(&view);
        view.m_iTablePlayerNum = 3;
        app.SetMsgBoxHandler(
            [this](const std::string& text, const std::string&, int)
            {
                boxes.push_back(text);
                return Sexy::IDOK;
            });
        AnswerMessageDialogs(harness, app);
        lobby = platform::CreateMessageWindow(
            [this](unsigned msg, platform::WPARAM w, platform::LPARAM) -> platform::LRESULT
            {
                if (msg == platform::WM_LOBBY_GAMEEXIT)
                    exits.push_back(static_cast<int>(w));
                return 0;
            });
        Ostra::g_AppInfo.hLobbyWnd = lobby;
        Entry other = Seated(20002, "甲", 1, 1);
        other.memberLevel = 2;
        other.sex = 1;
        Deliver(Snapshot({Seated(10001, "我", 0, 1), other}));
        Clear();
    }
    ~NoticesGame()
    {
        platform::DestroyMessageWindow(lobby);
        wnd.CloseSession();
        Ostra::g_AppInfo = Ostra::AppInfo{};
    }
    NoticesGame(const NoticesGame&) = delete;
    NoticesGame& operator=(const NoticesGame&) = delete;

    // As the dispatcher hands it over, then the frames that release it from the delay queue.
    void Deliver(std::string msg)
    {
        wnd.FilterNetMessage(reinterpret_cast<std::uintptr_t>(&msg[0]), static_cast<long>(msg.size()));
        for (int i = 0; i < 10 && view.GetDelayMsgCount() > 0; ++i)
            harness.Step(1);
    }
    void Clear()
    {
        view.m_pChatList->RemoveAll();
        view.m_pTopBull->OnBtnHide();
        view.m_pTopBull->m_lstBull.clear();
        view.bubbles.clear();
        boxes.clear();
    }

private:
    AppInfoReset m_reset;

public:
    TestGameApp app;
    Sexy::TestHarness harness{app};
    NoticesView view{&app};
    PlayersWnd wnd{&app, &view};
    std::vector<std::string> boxes;
    // The wParam of every 0x507 the lobby got.
    std::vector<int> exits;
    platform::WindowHandle lobby = 0;
};

} // namespace noticestest
