// The login-again response (type 36) and the wait-login-again notice (type 54), built by hand
// and handed to the window as the dispatcher does.
#include "tessaro/session/PlayerNode.h"
#include "tessaro/widgets/TextConversion.h"
#include "tests/support/SessionHarness.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

namespace
{

using namespace testsupport;

constexpr size_t kFixedLen = 300;
constexpr size_t kSnapshotLen = 840;

// A login-again response: the fixed 300 bytes, then a snapshot of ten entries (user ids 501 to
// 510, chair i for entry i) at offset 300, unless a test moves or cuts it.
struct AgainLogin
{
    AgainLogin() : bytes(kFixedLen + kSnapshotLen, '\0')
    {
        bytes[0] = 3;
        bytes[1] = 36;
        std::memcpy(&bytes[9], "\xd5\xc5\xc8\xfd", 4); // 张三
        Put(28, 0x11111111);
        Put(32, 0x22222222);
        Put(36, 0x33333333);
        Put(40, 30);
        bytes[48] = 3;
        Put(64, 0x44444444);
        bytes[68] = 1;
        bytes[220] = 5;
        bytes[221] = 4;
        Put(236, 200);
        Put(240, kFixedLen);
        bytes[244] = 3;
        Put(284, 0x55555555);
        Put(288, 64);
        bytes[292] = 0;
        bytes[293] = static_cast<char>(0xF0);
        Put(296, 0x66666666);
        for (int i = 0; i < 10; ++i)
        {
            const size_t entry = kFixedLen + static_cast<size_t>(i) * Ostra::kPlayerEntryLen;
            Put(entry, static_cast<std::uint32_t>(501 + i));
            bytes[entry + 33] = static_cast<char>(i);
        }
        Length();
    }
    void Put(size_t off, std::uint32_t v) { Ostra::PutBE32(reinterpret_cast<unsigned char*>(&bytes[off]), v); }
    // Sets the header's body length after a change of size.
    void Length() { Put(4, static_cast<std::uint32_t>(bytes.size() - 8)); }
    std::string Snapshot() const { return bytes.substr(kFixedLen, kSnapshotLen); }

    std::string bytes;
};

class LoginAgain : public ::testing::Test
{
protected:
    void SetUp() override
    {
        // The players' part reads the snapshot into the table and fills the seat slots: here the
        // entries go to the local seat of their index.
        game.wnd.onPlayerInfoNotice = [this](std::uintptr_t msg, long len)
        {
            Ostra::MsgView view(msg, len);
            const int count = view.Byte(8);
            for (int i = 0; i < count && i < 10; ++i)
            {
                ASSERT_TRUE(Ostra::ParsePlayerEntry(view, 12 + i * Ostra::kPlayerEntryLen, &game.wnd.m_PlayerNode[i]));
                game.view.m_pTableUser[i] = &game.wnd.m_PlayerNode[i];
            }
        };
    }

    void Handle(const std::string& msg)
    {
        std::string copy = msg;
        game.wnd.HandleAgainLoginRes(reinterpret_cast<std::uintptr_t>(&copy[0]), static_cast<long>(copy.size()));
    }

    std::vector<std::string> Calls() const
    {
        std::vector<std::string> out;
        for (const Handled& h : game.journal.entries)
            out.push_back(h.handler);
        return out;
    }

    std::optional<testsupport::ChatLine> LastChat() const
    {
        const auto lines = testsupport::ChatLinesOf(game.view);
        return lines.empty() ? std::nullopt : std::optional<testsupport::ChatLine>(lines.back());
    }

    LogCapture log;
    SessionGame game;
};

} // namespace

TEST_F(LoginAgain, TheResponseRestoresTheTableStepByStep)
{
    Ostra::AppInfo& info = Ostra::g_AppInfo;
    info.iTableParamH = 9;
    info.iWatchChairId = 2;
    std::memcpy(info.szTableName, "old name that is long enough...", 31);
    game.view.m_iNextBaseTimes = 8;
    game.view.m_iBaseTimes = 1;
    game.view.m_bGamePlaying = true;
    game.view.m_iNetDelay[0] = 50;
    game.view.m_cAutoPlay[7] = 1;
    game.view.m_cOffline[0] = 1;

    AgainLogin msg;
    msg.bytes[245 + 0] = 0; // chair 0 present
    msg.bytes[245 + 1] = 7; // chair 1 away (any non-zero value)
    msg.bytes[245 + 2] = 1;
    msg.bytes[255 + 1] = 3; // the system plays chair 1 in mode 3
    game.Deliver(msg.bytes);

    EXPECT_EQ(info.iTableParamH, 0);
    EXPECT_TRUE(info.bAgainLogin);
    EXPECT_EQ(std::string(info.szNickName, 4), "张三");
    EXPECT_EQ(info.iTableParamE, 0x11111111);
    EXPECT_EQ(info.iTableParamD, 0x22222222);
    EXPECT_EQ(info.iTableParamA, 0x33333333);
    EXPECT_EQ(info.iTableParamB, 70);
    EXPECT_EQ(info.iRoomType, 3);
    EXPECT_EQ(info.iTableParamC, 0x44444444);
    EXPECT_TRUE(info.bTableFlag);
    EXPECT_EQ(info.iTableNo, 5);
    EXPECT_EQ(info.iChairId, 4);
    EXPECT_EQ(info.iGameBaseTimes, 200);
    EXPECT_EQ(info.iTableParamF, 0x55555555);
    EXPECT_EQ(info.iMaxTimes, 64);
    EXPECT_FALSE(info.bQuickMatchTable);
    EXPECT_EQ(info.cQuickMatchFlag2, -16);
    EXPECT_EQ(info.iTableParamG, 0x66666666);
    EXPECT_EQ(info.iWatchChairId, -1);

    // Room type 3 gives the line with the table number.
    ASSERT_EQ(testsupport::ChatLinesOf(game.view).size(), 1u);
    EXPECT_EQ(testsupport::ChatLinesOf(game.view)[0].strText, L"[系统消息]:您在第5桌续玩，获取本桌信息。\n");
    EXPECT_EQ(testsupport::ChatLinesOf(game.view)[0].iKind, 2);
    EXPECT_STREQ(info.szTableName, "第5桌");

    // The desk was reset before the snapshot came.
    EXPECT_EQ(Calls(),
              (std::vector<std::string>{"View::InitDeskInfo", "HandlePlayerInfoNotice", "View::HandleAgainLoginRes"}));
    EXPECT_EQ(game.view.m_iBaseTimes, 8);
    EXPECT_EQ(game.view.m_iNextBaseTimes, 0);
    EXPECT_FALSE(game.view.m_bGamePlaying);
    EXPECT_EQ(game.view.m_iNetDelay[0], 0);
    EXPECT_EQ(game.view.m_cAutoPlay[7], 0);

    // The snapshot as a type-52 notice of 852 bytes.
    const std::string notice = game.journal.Of("HandlePlayerInfoNotice").at(0).bytes;
    ASSERT_EQ(notice.size(), 852u);
    EXPECT_EQ(notice.substr(0, 12), std::string("\x03\x34\x00\x00\x00\x00\x03\x4c\x03\x00\x00\x00", 12));
    EXPECT_EQ(notice.substr(12), msg.Snapshot());

    // Away and system-play marks by the seats' server chairs.
    EXPECT_EQ(game.view.m_cOffline[0], 0);
    EXPECT_EQ(game.view.m_cOffline[1], 1);
    EXPECT_EQ(game.view.m_cOffline[2], 1);
    EXPECT_EQ(game.view.m_cAutoPlay[0], 0);
    EXPECT_EQ(game.view.m_cAutoPlay[1], 3);

    // The view got the response itself, and the net-speed test started after it.
    EXPECT_EQ(game.journal.Of("View::HandleAgainLoginRes").at(0).bytes, msg.bytes);
    EXPECT_TRUE(game.wnd.m_Timer.IsActive(Ostra::TIMER_NET_TEST));
}

TEST_F(LoginAgain, TheRoomTypeChoosesTheChatLineAndTheTableName)
{
    struct Case
    {
        char room;
        char quick;
        const wchar_t* line;
        const char* name;
    };
    const wchar_t* const antiCheat = L"[系统消息]:续玩状态，获取本桌信息。";
    const wchar_t* const numbered = L"[系统消息]:您在第7桌续玩，获取本桌信息。\n";
    const Case cases[] = {
        {1, 0, antiCheat, "防作弊桌"},
        {1, 1, antiCheat, "网吧快速赛专用桌"},
        {1, 2, antiCheat, "防作弊桌"}, // only 1 marks a quick-match table
        {2, 1, antiCheat, "防作弊桌"},
        {4, 0, antiCheat, "第7桌"},
        {3, 1, numbered, "第7桌"},
        {0, 0, numbered, "第7桌"},
        {static_cast<char>(0xFF), 0, numbered, "第7桌"}, // -1: not above 0
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(static_cast<int>(c.room) * 10 + c.quick);
        AgainLogin msg;
        msg.bytes[48] = c.room;
        msg.bytes[292] = c.quick;
        msg.bytes[220] = 7;
        Handle(msg.bytes);
        ASSERT_TRUE(LastChat().has_value());
        EXPECT_EQ(LastChat()->strText, c.line);
        EXPECT_EQ(LastChat()->iKind, 2);
        EXPECT_STREQ(Ostra::g_AppInfo.szTableName, c.name);
    }
}

TEST_F(LoginAgain, SignedBytesAreSignExtendedAndTheComplementNeverOverflows)
{
    AgainLogin msg;
    msg.bytes[220] = static_cast<char>(0xFF);
    msg.bytes[221] = static_cast<char>(0x80);
    msg.bytes[68] = static_cast<char>(0x80);
    msg.Put(40, 0x80000000u);
    Handle(msg.bytes);
    const Ostra::AppInfo& info = Ostra::g_AppInfo;
    EXPECT_EQ(info.iTableNo, -1);
    EXPECT_EQ(info.iChairId, -128);
    EXPECT_FALSE(info.bTableFlag);
    EXPECT_EQ(info.iTableParamB, static_cast<std::int32_t>(100u - 0x80000000u));
    EXPECT_STREQ(info.szTableName, "第-1桌");

    msg.Put(40, static_cast<std::uint32_t>(-5));
    Handle(msg.bytes);
    EXPECT_EQ(info.iTableParamB, 105);
}

TEST_F(LoginAgain, AResponseShorterThanItsLayoutIsDroppedWithALogLine)
{
    AgainLogin msg;
    msg.bytes.resize(kFixedLen - 1);
    msg.Length();
    game.Deliver(msg.bytes);
    EXPECT_TRUE(log.Contains("login-again response too short[299]")) << log.Text();
    EXPECT_FALSE(Ostra::g_AppInfo.bAgainLogin);
    EXPECT_EQ(Ostra::g_AppInfo.iTableNo, 0);
    EXPECT_TRUE(testsupport::ChatLinesOf(game.view).empty());
    EXPECT_TRUE(game.journal.entries.empty());
}

TEST_F(LoginAgain, ASnapshotOutsideTheMessageIsSkippedWithALogLineAndTheRestGoesOn)
{
    struct Case
    {
        std::uint32_t offset;
        size_t length;
        bool inside;
    };
    const Case cases[] = {
        {300, kFixedLen + kSnapshotLen, true},
        {300, kFixedLen + kSnapshotLen - 1, false}, // one byte short
        {301, kFixedLen + kSnapshotLen, false},
        {0, kFixedLen + kSnapshotLen, true}, // overlapping the fixed part, but inside
        {0, kFixedLen, false},
        {0xFFFFFFF0u, kFixedLen + kSnapshotLen, false},
        {0x80000000u, kFixedLen + kSnapshotLen, false},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(std::to_string(c.offset) + "/" + std::to_string(c.length));
        game.journal.entries.clear();
        Ostra::g_AppInfo.iTableNo = 0;
        AgainLogin msg;
        msg.Put(240, c.offset);
        msg.bytes.resize(c.length);
        msg.Length();
        const size_t logged = log.Count("login-again snapshot outside the message");
        Handle(msg.bytes);
        EXPECT_EQ(game.journal.Count("HandlePlayerInfoNotice"), c.inside ? 1u : 0u);
        EXPECT_EQ(log.Count("login-again snapshot outside the message"), logged + (c.inside ? 0u : 1u));
        EXPECT_EQ(Ostra::g_AppInfo.iTableNo, 5);
        EXPECT_EQ(game.journal.Count("View::HandleAgainLoginRes"), 1u);
        if (c.inside)
        {
            const std::string notice = game.journal.Of("HandlePlayerInfoNotice").at(0).bytes;
            EXPECT_EQ(notice.substr(12), msg.bytes.substr(c.offset, kSnapshotLen));
        }
    }
    EXPECT_TRUE(log.Contains("offset[4294967280] len[1140]")) << log.Text();
}

TEST_F(LoginAgain, SeatsWithoutAChairOfTheTableGetNoMarks)
{
    // A record in a seat slot whose chair is not 0..9: its marks would lie outside the flags.
    game.wnd.m_PlayerNode[6].iUserId = 1;
    game.wnd.m_PlayerNode[6].cChairId = -1;
    game.wnd.m_PlayerNode[7].iUserId = 2;
    game.wnd.m_PlayerNode[7].cChairId = 10;
    game.view.m_pTableUser[6] = &game.wnd.m_PlayerNode[6];
    game.view.m_pTableUser[7] = &game.wnd.m_PlayerNode[7];
    game.view.m_cOffline[6] = 1;
    game.view.m_cOffline[7] = 1;
    AgainLogin msg;
    msg.bytes[244] = 1; // the count byte, right before the away flags
    msg.bytes[265] = 9; // right after the system-play flags
    Handle(msg.bytes);
    EXPECT_EQ(game.view.m_cOffline[6], 0);
    EXPECT_EQ(game.view.m_cOffline[7], 0);
    EXPECT_EQ(game.view.m_cAutoPlay[6], 0);
    EXPECT_EQ(game.view.m_cAutoPlay[7], 0);
}

namespace
{

// Chairs at a table of three: seat 0 chair 2 (张三), seat 1 chair 0, seat 2 chair 1 with a nick
// name of all 16 bytes; seat 3 holds chair 7 but lies beyond the table's three seats.
class WaitLoginAgain : public ::testing::Test
{
protected:
    void SetUp() override
    {
        Ostra::g_AppInfo.iMaxPlayerNum = 3;
        Seat(0, 2, "张三");
        Seat(1, 0, "self");
        Seat(2, 1, "abcdefghijklmnop");
        Seat(3, 7, "far");
    }
    void Seat(int seat, int chair, const std::string& nick)
    {
        Ostra::PlayerNode& node = game.wnd.m_PlayerNode[seat];
        node.iUserId = 200 + seat;
        node.cChairId = static_cast<std::int8_t>(chair);
        std::memcpy(node.szNickName, nick.data(), std::min<size_t>(nick.size(), 16));
        node.cSex = 0x41; // right after the name: never part of it
        node.iOfflineState = 5;
        game.view.m_pTableUser[seat] = &node;
    }
    static std::string Notice(unsigned char chair, unsigned char kind)
    {
        return Message(Ostra::MSG_WAIT_LOGIN_AGAIN_NOTICE,
                       std::string{static_cast<char>(chair), static_cast<char>(kind)});
    }
    void Handle(const std::string& msg)
    {
        std::string copy = msg;
        game.wnd.HandleWaitLoginAgainNotice(reinterpret_cast<std::uintptr_t>(&copy[0]), static_cast<long>(copy.size()));
    }

    LogCapture log;
    SessionGame game;
};

} // namespace

TEST_F(WaitLoginAgain, KindTwoIsADroppedPlayerWhoMayComeBack)
{
    game.Deliver(Notice(2, 2));
    ASSERT_EQ(testsupport::ChatLinesOf(game.view).size(), 1u);
    EXPECT_EQ(testsupport::ChatLinesOf(game.view)[0].strText, L"[系统消息]:[张三]掉线，其他玩家请等待该玩家重入。");
    EXPECT_EQ(testsupport::ChatLinesOf(game.view)[0].iKind, 2);
    EXPECT_EQ(game.wnd.m_PlayerNode[0].iOfflineState, 0);
    EXPECT_EQ(game.view.m_cOffline[0], 1);
    EXPECT_EQ(game.view.disconnectedSeats, std::vector<int>{0});
}

TEST_F(WaitLoginAgain, AnyOtherKindIsAPlayerForcedOut)
{
    Handle(Notice(1, 1));
    ASSERT_EQ(testsupport::ChatLinesOf(game.view).size(), 1u);
    EXPECT_EQ(testsupport::ChatLinesOf(game.view)[0].strText, L"[系统消息]:[abcdefghijklmnop]强制离开游戏。");
    EXPECT_EQ(game.wnd.m_PlayerNode[2].iOfflineState, 1);
    EXPECT_EQ(game.view.m_cOffline[2], 1);
    for (unsigned char kind : {0, 3, 255})
    {
        game.wnd.m_PlayerNode[1].iOfflineState = 5;
        Handle(Notice(0, kind));
        EXPECT_EQ(testsupport::ChatLinesOf(game.view).back().strText, L"[系统消息]:[self]强制离开游戏。");
        EXPECT_EQ(game.wnd.m_PlayerNode[1].iOfflineState, 1);
    }
    EXPECT_EQ(game.view.disconnectedSeats, (std::vector<int>{2, 1, 1, 1}));
}

TEST_F(WaitLoginAgain, AChairNotAtTheTableIsIgnored)
{
    Handle(Notice(5, 2)); // nobody
    Handle(Notice(7, 1)); // a seat beyond the table's chairs
    Handle(Notice(0xFF, 2));
    EXPECT_TRUE(testsupport::ChatLinesOf(game.view).empty());
    EXPECT_TRUE(game.view.disconnectedSeats.empty());
    EXPECT_EQ(game.view.m_cOffline[3], 0);
    EXPECT_EQ(game.wnd.m_PlayerNode[3].iOfflineState, 5);
}

TEST_F(WaitLoginAgain, ANoticeShorterThanTenBytesIsDroppedWithALogLine)
{
    std::string msg = Notice(2, 2);
    msg.resize(9);
    Handle(msg);
    EXPECT_TRUE(log.Contains("wait-login-again notice too short[9]")) << log.Text();
    EXPECT_TRUE(testsupport::ChatLinesOf(game.view).empty());
    EXPECT_TRUE(game.view.disconnectedSeats.empty());
}

TEST(ChatLines, NarrowLinesAreConvertedAndTheListKeepsTheNewest)
{
    SessionGame game;
    char text[] = "第一行";
    game.view.AddChat(text, 1);
    game.view.AddChat(std::string("第二行"), 2);
    // A null or empty narrow text adds nothing.
    game.view.AddChat(static_cast<char*>(nullptr), 3);
    char empty[] = "";
    game.view.AddChat(empty, 3);
    game.view.AddChat(std::wstring(L"wide"), 4);
    ASSERT_EQ(testsupport::ChatLinesOf(game.view).size(), 3u);
    EXPECT_EQ(testsupport::ChatLinesOf(game.view)[0].strText, L"第一行");
    EXPECT_EQ(testsupport::ChatLinesOf(game.view)[1].strText, L"第二行");
    EXPECT_EQ(testsupport::ChatLinesOf(game.view)[2].iKind, 4);
    for (size_t i = 0; i < Sexy::ChatListWidget::kMaxLines; ++i)
        game.view.AddChat(std::wstring(L"x") + std::to_wstring(i), 0);
    EXPECT_EQ(testsupport::ChatLinesOf(game.view).size(), Sexy::ChatListWidget::kMaxLines);
    EXPECT_EQ(testsupport::ChatLinesOf(game.view).front().strText, L"x0");
    EXPECT_EQ(testsupport::ChatLinesOf(game.view).back().strText,
              L"x" + std::to_wstring(Sexy::ChatListWidget::kMaxLines - 1));
    // The play information keeps the newest lines the same way (laid out as the chat is, so that
    // every text is one line).
    ASSERT_TRUE(game.view.m_pPlayInfoList);
    game.view.m_pPlayInfoList->Resize(0, 0, game.view.m_pChatList->mWidth, game.view.m_pChatList->mHeight);
    for (size_t i = 0; i <= Sexy::ChatListWidget::kMaxLines; ++i)
        game.view.AddPlayInfo(std::wstring(L"p") + std::to_wstring(i), 0);
    const auto playInfo = testsupport::ChatLinesOf(*game.view.m_pPlayInfoList);
    ASSERT_EQ(playInfo.size(), Sexy::ChatListWidget::kMaxLines);
    EXPECT_EQ(playInfo.front().strText, L"p1");
}
