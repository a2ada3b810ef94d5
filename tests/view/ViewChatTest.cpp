// The table view's chat input: the pause counted on frames, the refusals and the edit box, the bytes
// of the game masters' requests and of the chat message, the quick-chat phrases, and F10.
#include "tests/view/ViewSupport.h"

#include "pop/KeyCodes.h"
#include "pop/WidgetManager.h"
#include "tessaro/widgets/SkinEditWidget.h"
#include "tessaro/widgets/SkinListWidget.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <unistd.h>
#include <vector>

namespace
{

using namespace viewtest;
using Ostra::g_AppInfo;

constexpr int kPeriod = 101; // frames of one 1000 ms period of the view's timers

// Types a line into the edit box and presses the send button; the chat lines after it.
size_t Type(ViewGame& game, const std::wstring& line)
{
    game.view.m_pEditChat->SetText(line);
    game.view.ButtonDepress(Ostra::kBtnEditSendId);
    return ChatLinesOf(game.view).size();
}

// The next chat message or request the game sends, skipping keep-alives and probes.
std::string NextSent(Peer& peer)
{
    std::string msg;
    while (peer.ReadMessage(msg, kWaitMs))
    {
        if (msg.size() >= 2 && (msg[1] == Ostra::MSG_CHAT_REQ || msg[1] == Ostra::MSG_KICK_REQ))
            return msg;
    }
    return std::string();
}

// A zero-filled message with its header and fields put in by offset (numbers big-endian).
std::string Built(int type, int len, std::initializer_list<std::pair<size_t, std::string>> fields)
{
    std::string m(static_cast<size_t>(len), '\0');
    Ostra::WriteGameMsgHead(&m[0], type, len);
    for (const auto& [at, bytes] : fields)
        m.replace(at, bytes.size(), bytes);
    return m;
}
std::string BE(std::uint32_t v)
{
    std::string s(4, '\0');
    Ostra::PutBE32(reinterpret_cast<unsigned char*>(&s[0]), v);
    return s;
}

TEST(ViewChat, FourLinesInAPeriodStartAPauseThatCountsDownOnTimer501)
{
    ViewGame game(4);
    Peer server = game.Connect();
    ASSERT_TRUE(server.Valid());
    // {frames stepped first, the pause's number in the refusal (0: sent)}. Timer 500 fires at
    // frames 101, 202, ...; the fourth line of a period is sent and starts timer 501.
    const int rows[][2] = {{0, 0}, {0, 0}, {0, 0},       {kPeriod, 0}, {0, 0},   {0, 0}, {kPeriod, 0}, {0, 0}, {0, 0},
                           {0, 0}, {0, 4}, {kPeriod, 3}, {kPeriod, 2}, {100, 2}, {1, 1}, {100, 1},     {1, 0}, {0, 0}};
    std::string sent;
    for (size_t i = 0; i < std::size(rows); ++i)
    {
        game.harness.Step(rows[i][0]);
        const size_t before = ChatLinesOf(game.view).size();
        const std::wstring line = L"line" + std::to_wstring(i);
        const size_t after = Type(game, line);
        EXPECT_TRUE(game.view.m_pEditChat->GetText().empty()) << i; // sent or paused: cleared
        if (rows[i][1] == 0)
        {
            EXPECT_EQ(after, before) << i;
            sent += Sexy::SexyStringToString(line) + " ";
            continue;
        }
        ASSERT_EQ(after, before + 1) << i;
        EXPECT_EQ(ChatLinesOf(game.view).back().strText,
                  L"[发言失败]:请您休息下喝杯茶，" + std::to_wstring(rows[i][1]) + L"秒后再发言！\n");
        EXPECT_EQ(ChatLinesOf(game.view).back().iKind, 2);
    }
    EXPECT_FALSE(game.view.m_Timer.IsActive(Ostra::kTimerChatPause));
    // The server got the sent lines in order and no refused one.
    std::string received;
    for (std::string msg; received.size() < sent.size() && (msg = NextSent(server)).size() == 572;)
        received += std::string(msg.c_str() + 48) + " ";
    EXPECT_EQ(received, sent);
}

TEST(ViewChat, AntiCheatRoomsAndForbiddenChatRefuseAndKeepTheLine)
{
    ViewGame game(4);
    game.wnd.m_strForbidChatMsg = L"禁言到明天";
    struct Case
    {
        int roomType;
        bool gmB, forbidden;
        const wchar_t* refusal;
    } const cases[] = {
        {2, false, false, L"[发言失败]:防作弊房间不能发言！"},
        {4, false, false, L"[发言失败]:防作弊房间不能发言！"},
        {1, false, true, L"[发言失败]:禁言到明天"},
        {2, true, true, L"[发言失败]:禁言到明天"}, // a game master passes the room, not the ban
    };
    for (const Case& c : cases)
    {
        g_AppInfo.iRoomType = c.roomType;
        g_AppInfo.bGmRightB = c.gmB;
        g_AppInfo.bChatForbidden = c.forbidden;
        Type(game, L"你好");
        EXPECT_EQ(ChatLinesOf(game.view).back().strText, c.refusal);
        EXPECT_EQ(ChatLinesOf(game.view).back().iKind, 2);
        EXPECT_EQ(game.view.m_pEditChat->GetText(), L"你好");
    }
    EXPECT_EQ(game.view.m_iChatCount, 0);
}

TEST(ViewChat, GameMasterRequestsAndChatMessagesCarryEveryField)
{
    ViewGame game(4);
    Peer server = game.Connect();
    ASSERT_TRUE(server.Valid());
    std::memcpy(g_AppInfo.szNickName, "0123456789abcdef", 16); // the whole field, no terminator
    g_AppInfo.iLaunchArg3 = 0x0A0B0C0D;
    g_AppInfo.iLaunchArg20 = 0x1FE;
    auto chat = [](const std::string& text, char kind)
    {
        return Built(20, 572,
                     {{8, BE(10001)},
                      {12, "0123456789abcdef"},
                      {48, text},
                      {560, {kind}},
                      {564, BE(0x0A0B0C0D)},
                      {568, "\xFE"}});
    };
    auto request = [](std::uint32_t target, char command, const std::string& word, std::uint32_t value) {
        return Built(24, 276, {{8, BE(target)}, {12, {command}}, {13, word}, {272, BE(value)}});
    };
    std::string han;
    for (int i = 0; i < 255; ++i)
        han += "中";
    struct Case
    {
        int roomType;
        bool gmA, gmB;
        std::wstring line;
        std::string expected;
    } const cases[] = {
        // The players' three lines first: the fourth of the period would pause a player.
        {1, false, false, L"/chat 1 x", chat("/chat 1 x", 1)},
        {1, false, false, std::wstring(300, L'中'), chat(han, 1)}, // 600 bytes: no half character
        {1, false, false, std::wstring(600, L'a'), chat(std::string(511, 'a'), 1)},
        {2, false, true, L"/kick 12345 坏人", request(12345, 1, "坏人", 0)},
        {2, false, true, L"你好", chat("你好", 1)}, // B alone chats as a player
        {1, true, false, L"你好", chat("你好", 3)},
        {1, true, false, L"/chat 77  shut\t600", request(77, 2, "shut", 600)},
        {1, true, false, L"/dismiss -9", request(static_cast<std::uint32_t>(-9), 5, "", 0)},
        {1, true, false, L"/kickall", request(0, 1, "", 0)},
        {1, true, false, L"/kick 1 " + std::wstring(300, L'w'), request(1, 1, std::string(258, 'w'), 0)},
    };
    for (const Case& c : cases)
    {
        g_AppInfo.iRoomType = c.roomType;
        g_AppInfo.bGmRightA = c.gmA;
        g_AppInfo.bGmRightB = c.gmB;
        // Handed in as a game sends a line: the edit box would cut it to 125 characters.
        game.view.m_pEditChat->SetText(L"typed");
        game.view.EditWidgetText(Ostra::kEditChatId, c.line);
        EXPECT_TRUE(game.view.m_pEditChat->GetText().empty());
        EXPECT_EQ(Hex(NextSent(server)), Hex(c.expected)) << Sexy::SexyStringToString(c.line.substr(0, 20));
    }
}

// Type 127: the count little-endian at 8; entries of the phrase, a 32-bit value, the voice folder
// and file.
std::string Phrase(const std::string& text, std::uint32_t value = 0)
{
    std::string e(196, '\0');
    e.replace(0, text.size(), text);
    std::memcpy(&e[128], &value, 4);
    e.replace(132, 5, "voice");
    e.replace(164, 5, "hello");
    return e;
}
std::string Phrases(char count, const std::string& entries)
{
    return Message(Ostra::MSG_QUICK_CHAT_INFO_RES, std::string{count, 0, 0, 0, 0, 0, 0, 0} + entries);
}

TEST(ViewChat, QuickChatPhrasesFillTheListAndAChosenOneIsSent)
{
    ViewGame game(4);
    Peer server = game.Connect();
    ASSERT_TRUE(server.Valid());
    Sexy::SkinListWidget& list = *game.view.m_pQuickChatList;
    const std::string full(128, 'L'); // fills its field without a terminator
    game.Deliver(Phrases(3, Phrase("你好", 0x11223344) + Phrase("") + Phrase(full)));
    ASSERT_EQ(game.view.m_vQuickChat.size(), 3u);
    EXPECT_EQ(game.view.m_vQuickChat[0].iReserved, 0x11223344);
    EXPECT_STREQ(game.view.m_vQuickChat[0].szSoundFile, "hello");
    // The phrase without text is kept but gets no line.
    ASSERT_EQ(list.GetLineCount(), 2);
    EXPECT_EQ(list.GetStringAt(0), L"你好");
    EXPECT_EQ(list.GetStringAt(1), std::wstring(128, L'L'));

    game.view.ButtonDepress(Ostra::kBtnQuickChatId);
    ASSERT_TRUE(list.mVisible);
    game.view.ListClicked(Ostra::kQuickChatListId, 1, 1);
    EXPECT_FALSE(list.mVisible);
    EXPECT_EQ(NextSent(server).substr(48, 129), full + '\0');

    // No phrases: the records go, the lines stay. A count beyond the entries reads those there.
    game.Deliver(Phrases(0, Phrase("再见")));
    EXPECT_TRUE(game.view.m_vQuickChat.empty());
    EXPECT_EQ(list.GetLineCount(), 2);
    game.Deliver(Phrases(5, Phrase("再见")));
    EXPECT_EQ(game.view.m_vQuickChat.size(), 1u);
    ASSERT_EQ(list.GetLineCount(), 1);
    EXPECT_EQ(list.GetStringAt(0), L"再见");
}

TEST(ViewChat, F10SavesOneScreenshotOnTheDesktop)
{
    namespace fs = std::filesystem;
    const fs::path home = fs::temp_directory_path() / ("tessaro-viewchat-" + std::to_string(getpid()));
    fs::create_directories(home / "Desktop");
    // The desktop is $HOME/Desktop, not the machine's own, while the test runs.
    const char* names[] = {"HOME", "XDG_CONFIG_HOME"};
    std::vector<std::optional<std::string>> saved;
    for (const char* name : names)
        saved.push_back(std::getenv(name) ? std::optional<std::string>(std::getenv(name)) : std::nullopt);
    setenv("HOME", home.c_str(), 1);
    unsetenv("XDG_CONFIG_HOME");
    {
        ViewGame game(4);
        game.harness.Draw();
        game.harness.GetWidgetManager()->SetFocus(&game.view);
        game.harness.KeyDown(Sexy::KEYCODE_F9);
        game.harness.KeyDown(Sexy::KEYCODE_F10);
    }
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(home / "Desktop"))
        files.push_back(entry.path().filename());
    for (size_t i = 0; i < saved.size(); ++i)
        saved[i] ? setenv(names[i], saved[i]->c_str(), 1) : unsetenv(names[i]);
    fs::remove_all(home);
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files[0].extension(), ".jpg");
    EXPECT_EQ(files[0].string().rfind("10001_", 0), 0u);
}

} // namespace
