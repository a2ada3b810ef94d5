// The game window's player records: the table snapshot, the list of every player on the server,
// the sit-down response, the ready cycle and the own statistics, through the dispatch a message
// takes in a running game.
#include "tests/players/PlayersTestSupport.h"

#include "tessaro/widgets/TextConversion.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace
{

using namespace playerstest;

std::string NickOf(const Ostra::PlayerNode& node)
{
    return std::string(node.szNickName, Ostra::NickNameLength(node));
}

bool IsEmptyRecord(const Ostra::PlayerNode& node)
{
    return node.iUserId == 0 && node.cChairId == -1 && node.cWatchChairId == -1;
}

TEST(TableSnapshot, SeatedPlayersFromZeroLookersAfterTheChairsNewcomersOnce)
{
    PlayersGame game(4);
    const std::vector<Entry> table = {Seated(20001, "甲", 0, 1), Looker(30001, "看客", 0), Seated(10001, "我", 2),
                                      Seated(20002, "乙", 3, 1), Looker(30002, "路人", 9)};
    game.Deliver(Snapshot(table));

    const Ostra::PlayerNode* nodes = game.wnd.m_PlayerNode;
    EXPECT_EQ(nodes[0].iUserId, 20001);
    EXPECT_EQ(nodes[1].iUserId, 10001);
    EXPECT_EQ(nodes[2].iUserId, 20002);
    EXPECT_TRUE(IsEmptyRecord(nodes[3]));
    EXPECT_EQ(nodes[4].iUserId, 30001);
    EXPECT_EQ(nodes[5].iUserId, 30002);
    EXPECT_EQ(nodes[4].cReady, 0);
    EXPECT_EQ(game.wnd.m_TruePlayerNode[2].iUserId, 20002);
    EXPECT_EQ(game.wnd.m_TruePlayerNode[4].iUserId, 0) << "lookers are not true records";
    EXPECT_EQ(game.view.m_iSitNum, 3);
    EXPECT_EQ(game.view.m_iReadyNum, 2);
    EXPECT_EQ(game.view.userListFills, 1);

    // The masked records hide who sits there; the own one stays empty.
    const Ostra::PlayerNode& masked = game.wnd.m_MaskPlayerNode[0];
    EXPECT_EQ(masked.iUserId, 20001);
    EXPECT_EQ(NickOf(masked), "游戏玩家");
    EXPECT_EQ(masked.iMoney, 0);
    EXPECT_EQ(masked.cReady, 1);
    EXPECT_GE(masked.cMemberLevel, 0);
    EXPECT_LE(masked.cMemberLevel, 2);
    EXPECT_EQ(game.wnd.m_MaskPlayerNode[1].iUserId, 0);

    // Every newcomer once: the looker of chair 0 with the player he watches; the looker of chair 9
    // watches nobody there and is not announced.
    const std::vector<std::pair<int, int>> enters = {{20001, 0}, {10001, 0}, {20002, 0}, {30001, 20001}};
    EXPECT_EQ(game.view.enters, enters);
    const std::vector<std::wstring> lines = {L"[系统消息]:[甲]进入本桌。\n", L"[系统消息]:[乙]进入本桌。\n",
                                             L"[系统消息]:[看客]进入本桌，旁观对象[甲]。\n"};
    EXPECT_EQ(game.view.ChatTexts(), lines);
    EXPECT_EQ(ChatLinesOf(game.view).front().iKind, 2);

    // The view's seats turn round the own chair 2: chair 3 is seat 2, chair 0 seat 3.
    EXPECT_EQ(Ostra::g_AppInfo.iChairId, 2);
    EXPECT_EQ(game.view.m_pTableUser[2], &game.wnd.m_PlayerNode[2]);
    EXPECT_EQ(game.view.m_pTableUser[3], &game.wnd.m_PlayerNode[0]);
    EXPECT_EQ(game.view.m_pTableUser[1], nullptr);

    // The same players again: nobody new.
    game.Deliver(Snapshot(table));
    EXPECT_EQ(game.view.enters.size(), 4u);
    EXPECT_EQ(game.view.ChatTexts().size(), 3u);

    // Lookers drop out when the true table is put back.
    game.wnd.ResetTruePlayerNodeInfo();
    EXPECT_EQ(nodes[4].iUserId, 0);
    EXPECT_EQ(nodes[2].iUserId, 20002);
    EXPECT_EQ(game.view.userListFills, 3);
    EXPECT_EQ(game.wnd.GetPlayerNode(20002), &game.wnd.m_PlayerNode[2]);
    EXPECT_EQ(game.wnd.GetPlayerNode(30001), nullptr);
}

TEST(TableSnapshot, OnlyOrdinaryTablesAnnounceNewcomersInTheChat)
{
    for (int roomType : {0, 1, 2, 3})
    {
        PlayersGame game(3);
        Ostra::g_AppInfo.iRoomType = roomType;
        game.Deliver(Snapshot({Seated(10001, "我", 0), Seated(20001, "甲", 1)}));
        EXPECT_EQ(game.view.enters.size(), 2u) << "kind " << roomType;
        EXPECT_EQ(game.view.ChatTexts().size(), roomType == 0 || roomType == 3 ? 1u : 0u) << "kind " << roomType;
    }
}

TEST(TableSnapshot, StaysInsideTheTenRecordsAndDropsAShortMessage)
{
    LogCapture log;
    PlayersGame game(7);
    std::vector<Entry> crowd;
    for (int i = 0; i < 12; ++i)
        crowd.push_back(Seated(20001 + i, "多", i % 7));
    game.Deliver(Snapshot(crowd));
    EXPECT_EQ(game.wnd.m_PlayerNode[9].iUserId, 20010);
    EXPECT_EQ(game.view.m_iSitNum, 10);
    EXPECT_EQ(log.Count("[2] entries beyond the ten records"), 1u);

    // Lookers from the seventh chair on: three places, two left out.
    std::vector<Entry> watched = {Seated(20001, "多", 0)};
    for (int i = 0; i < 5; ++i)
        watched.push_back(Looker(30001 + i, "看", 0));
    game.Deliver(Snapshot(watched));
    EXPECT_EQ(game.wnd.m_PlayerNode[7].iUserId, 30001);
    EXPECT_EQ(game.wnd.m_PlayerNode[9].iUserId, 30003);
    EXPECT_EQ(log.Count("[2] entries beyond the ten records"), 2u);

    // A count that promises more entries than the message holds: nothing changes.
    std::string shortSnapshot = Snapshot({Seated(40001, "短", 0)}, 2);
    game.Deliver(shortSnapshot);
    EXPECT_EQ(game.wnd.m_PlayerNode[0].iUserId, 20001);
    EXPECT_TRUE(log.Contains("table snapshot too short"));
}

TEST(AllPlayers, PagesJoinsLeavesAndSitting)
{
    LogCapture log;
    PlayersGame game;
    game.Deliver(Page(true, {Seated(20001, "甲", -1), Seated(20002, "乙", -1)}));
    game.Deliver(Page(false, {Seated(20003, "丙", -1)}));
    ASSERT_EQ(game.wnd.m_iAllPlayerNum, 3);

    // Joins: the shorter form; hidden users, the own user and id 0 stay out.
    auto join = [&](const Entry& e)
    {
        const std::string entry = e.Bytes();
        std::string body = entry.substr(0, 60) + entry.substr(62, 3) + std::string(1, '\0') + entry.substr(68, 16);
        game.Deliver(Message(Ostra::MSG_PLAYER_JOIN_SERVER, body));
    };
    Entry hidden = Seated(20009, "隐", -1);
    hidden.userType = 4;
    join(hidden);
    join(Seated(10001, "我", -1));
    join(Seated(0, "空", -1));
    Entry joining = Seated(20004, "丁", 5);
    joining.money = 777;
    join(joining);
    ASSERT_EQ(game.wnd.m_iAllPlayerNum, 4);
    const Ostra::PlayerNode& joined = game.wnd.m_AllPlayerNode[3];
    EXPECT_EQ(joined.iUserId, 20004);
    EXPECT_EQ(joined.iMoney, 777);
    EXPECT_EQ(joined.cChairId, 5);
    EXPECT_EQ(joined.iWealth, 20004 * 5);
    EXPECT_EQ(joined.cWatchChairId, -1);

    // On a table of kind 2 only game masters see joins.
    Ostra::g_AppInfo.iRoomType = 2;
    join(Seated(20005, "戊", -1));
    EXPECT_EQ(game.wnd.m_iAllPlayerNum, 4);
    Ostra::g_AppInfo.bGmRightB = true;
    join(Seated(20005, "戊", -1));
    EXPECT_EQ(game.wnd.m_iAllPlayerNum, 5);

    // The first leaves: the others move down, the place at the end is cleared.
    game.Deliver(Message(Ostra::MSG_PLAYER_LEAVE_SERVER, UserIdBody(20001)));
    game.Deliver(Message(Ostra::MSG_PLAYER_LEAVE_SERVER, UserIdBody(99999)));
    ASSERT_EQ(game.wnd.m_iAllPlayerNum, 4);
    EXPECT_EQ(game.wnd.m_AllPlayerNode[0].iUserId, 20002);
    EXPECT_EQ(game.wnd.m_AllPlayerNode[3].iUserId, 20005);
    EXPECT_EQ(game.wnd.m_AllPlayerNode[4].iUserId, 0);

    // Sitting and leaving tables; the own sitting down names the own table.
    game.Deliver(Page(false, {Seated(10001, "我", -1)}));
    auto sorl = [&](int userId, int table, int chair, int mode)
    {
        std::string body = UserIdBody(userId) + std::string(3, '\0');
        body[4] = static_cast<char>(table);
        body[5] = static_cast<char>(chair);
        body[6] = static_cast<char>(mode);
        game.Deliver(Message(Ostra::MSG_PLAYER_SORL_SERVER, body));
    };
    sorl(20002, 6, 2, 1);
    EXPECT_EQ(game.wnd.m_AllPlayerNode[0].cTableId, 6);
    EXPECT_EQ(game.wnd.m_AllPlayerNode[0].cChairId, 2);
    sorl(20002, 6, 2, 7);
    sorl(20002, 6, 2, 0);
    EXPECT_EQ(game.wnd.m_AllPlayerNode[0].cTableId, 0);
    EXPECT_EQ(game.wnd.m_AllPlayerNode[0].cChairId, -1);
    sorl(10001, 12, 4, 1);
    EXPECT_EQ(Ostra::g_AppInfo.iTableNo, 12);
    EXPECT_STREQ(Ostra::g_AppInfo.szTableName, "第12桌");

    // A new first page starts the list anew; short messages change nothing.
    game.Deliver(Message(Ostra::MSG_PLAYER_LEAVE_SERVER, "\x01"));
    game.Deliver(Message(Ostra::MSG_PLAYER_SORL_SERVER, UserIdBody(20003)));
    EXPECT_EQ(log.Count("too short"), 2u);
    game.Deliver(Page(true, {Seated(20007, "庚", -1)}));
    EXPECT_EQ(game.wnd.m_iAllPlayerNum, 1);
    EXPECT_EQ(game.wnd.m_AllPlayerNode[1].cChairId, -1);
}

TEST(AllPlayers, TheListStopsAtAThousandRecords)
{
    LogCapture log;
    PlayersGame game;
    std::vector<Entry> page;
    for (int i = 0; i < 100; ++i)
        page.push_back(Seated(100000 + i, "满", -1));
    for (int p = 0; p < 11; ++p)
        game.Deliver(Page(p == 0, page));
    EXPECT_EQ(game.wnd.m_iAllPlayerNum, 1000);
    EXPECT_TRUE(log.Contains("player list full"));
}

// A sit-down response: result at 8, table at 9, the own nick at 12, the table's fields.
std::string SitDownRes(int result, int roomType, bool quickMatch = false)
{
    std::string msg = MessageOfLength(Ostra::MSG_SIT_DOWN_RES, 104);
    auto put = [&](int off, std::uint32_t v) { Ostra::PutBE32(reinterpret_cast<unsigned char*>(&msg[off]), v); };
    msg[8] = static_cast<char>(result);
    msg[9] = 9;
    std::memcpy(&msg[12], "\xce\xd2\0\0\0\0\0\0\0\0\0\0\0\0\0\0", 16); // 我
    msg[28] = 1;
    put(32, 0xE);
    put(36, 0xD);
    put(40, 0xA);
    put(44, 30);
    msg[52] = static_cast<char>(roomType);
    put(68, 0xC);
    put(76, 250);
    put(80, 0xF);
    put(92, 16);
    msg[96] = quickMatch ? 1 : 0;
    msg[97] = 1;
    put(100, 0x6);
    return msg;
}

TEST(SitDownResponse, ResultsTableKindsAndTheView)
{
    struct Case
    {
        int result;
        int roomType;
        bool quickMatch;
        bool seated;
        const char* tableName;
        bool gameStateReset;
    };
    const Case cases[] = {
        {1, 0, false, true, "第9桌", true},
        {32, 0, false, true, "第9桌", true},
        {2, 0, false, true, "第9桌", false},
        {1, 1, false, true, "防作弊桌", false},
        {1, 1, true, true, "网吧快速赛专用桌", false},
        {3, 2, true, true, "防作弊桌", false},
        {0, 0, false, false, "", false},
        {4, 0, false, false, "", false},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(testing::Message() << "result " << c.result << " kind " << c.roomType);
        PlayersGame game;
        Ostra::g_AppInfo.iGameState = 5;
        game.Deliver(SitDownRes(c.result, c.roomType, c.quickMatch));
        EXPECT_EQ(game.view.gmWidthResets, 1);
        // The automatic leave restarts whatever the result: 20 minutes, 120001 updates.
        EXPECT_TRUE(game.wnd.m_Timer.IsActive(Ostra::TIMER_AUTO_LEAVE));
        EXPECT_GE(game.wnd.m_Timer.GetCount(Ostra::TIMER_AUTO_LEAVE), Ostra::Timer::TicksFor(1200000) - 1);
        EXPECT_EQ(game.view.deskResets, c.seated ? 1 : 0);
        EXPECT_STREQ(Ostra::g_AppInfo.szTableName, c.tableName);
        EXPECT_EQ(Ostra::g_AppInfo.iGameState, c.gameStateReset ? 0 : 5);
        if (!c.seated)
        {
            EXPECT_TRUE(game.view.sitDownRes.empty());
            continue;
        }
        ASSERT_EQ(game.view.sitDownRes.size(), 104u);
        EXPECT_EQ(game.view.sitDownRes[8], c.result == 32 ? 1 : c.result);
        const Ostra::AppInfo& info = Ostra::g_AppInfo;
        EXPECT_EQ(info.iTableNo, 9);
        EXPECT_EQ(info.iRoomType, c.roomType);
        EXPECT_EQ(std::string(info.szNickName), "我");
        EXPECT_TRUE(info.bTableFlag);
        EXPECT_EQ(info.iTableParamE, 0xE);
        EXPECT_EQ(info.iTableParamD, 0xD);
        EXPECT_EQ(info.iTableParamA, 0xA);
        EXPECT_EQ(info.iTableParamB, 70);
        EXPECT_EQ(info.iTableParamC, 0xC);
        EXPECT_EQ(info.iGameBaseTimes, 250);
        EXPECT_EQ(info.iTableParamF, 0xF);
        EXPECT_EQ(info.iMaxTimes, 16);
        EXPECT_EQ(info.iTableParamG, 6);
        EXPECT_EQ(info.bQuickMatchTable, c.quickMatch);
        EXPECT_EQ(info.cQuickMatchFlag2, c.quickMatch ? 1 : 0);
    }
}

TEST(SitDownResponse, AShortResponseIsDroppedWithALogLine)
{
    LogCapture log;
    PlayersGame game;
    game.Deliver(SitDownRes(1, 0).substr(0, 103));
    EXPECT_EQ(game.view.gmWidthResets, 0);
    EXPECT_TRUE(game.view.sitDownRes.empty());
    EXPECT_TRUE(log.Contains("sit-down response too short[103]"));
}

std::string ReadyNotice(int chair)
{
    return Message(Ostra::MSG_READY_NOTICE, std::string(1, static_cast<char>(chair)) + std::string(3, '\0'));
}

TEST(ReadyCycle, TheGeneralCallIsAnsweredByASeatedPlayerAndNoticesMarkThePlayers)
{
    PlayersGame game(3);
    Peer server = game.Connect();
    ASSERT_TRUE(server.Valid());
    game.Deliver(Snapshot({Seated(10001, "我", 0), Seated(20001, "甲", 1), Looker(30001, "看", 1)}));

    game.Deliver(ReadyNotice(0xFF));
    std::string msg;
    ASSERT_TRUE(ReadMessageOfType(server, Ostra::MSG_READY_ANSWER, msg));
    EXPECT_EQ(Hex(msg), "031b000000000004"
                        "00000000");
    EXPECT_TRUE(Ostra::g_AppInfo.bReadySent);

    // The other player, then the own one: both records marked, the own readiness told to the view.
    game.Deliver(ReadyNotice(1));
    EXPECT_EQ(game.wnd.m_PlayerNode[1].cReady, 1);
    EXPECT_EQ(game.view.selfReady, 0);
    game.Deliver(ReadyNotice(0));
    EXPECT_EQ(game.wnd.m_PlayerNode[0].cReady, 1);
    EXPECT_EQ(game.view.selfReady, 1);
    EXPECT_EQ(game.view.readyNotices, 3);
}

TEST(ReadyCycle, ALookerSendsNothingAndSeesTheWatchedPlayerReadyAtSeatOne)
{
    PlayersGame game(3);
    Peer server = game.Connect();
    ASSERT_TRUE(server.Valid());
    game.Deliver(Snapshot({Seated(20001, "甲", 0), Seated(20002, "乙", 2), Looker(10001, "我", 2)}));
    ASSERT_EQ(Ostra::g_AppInfo.iWatchChairId, 2);
    ASSERT_EQ(game.view.m_pTableUser[1], &game.wnd.m_PlayerNode[1]);

    game.Deliver(ReadyNotice(0xFF));
    game.Deliver(ReadyNotice(2));
    EXPECT_EQ(game.view.selfReady, 1);
    EXPECT_FALSE(Ostra::g_AppInfo.bReadySent);
    // What the game sends after the notices comes first: no ready answer went out before it.
    std::string msg;
    char keepAlive[12] = {};
    game.wnd.SendNetMessage(keepAlive, Ostra::MSG_KEEP_ALIVE, 12);
    ASSERT_TRUE(server.ReadMessage(msg));
    EXPECT_EQ(static_cast<unsigned char>(msg[1]), Ostra::MSG_KEEP_ALIVE);
}

TEST(PlayerInfoChange, TheOwnStatisticsGoOutLittleEndian)
{
    PlayersGame game(3);
    Peer server = game.Connect();
    ASSERT_TRUE(server.Valid());
    Entry self = Seated(10001, "我", 1);
    self.money = 0x01020304;
    game.Deliver(Snapshot({Seated(20001, "甲", 0), self}));

    testing::internal::CaptureStdout();
    game.wnd.SendPlayerInfoChange();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "SendPlayerInfoChange=10001 16909060\n");
    std::string msg;
    ASSERT_TRUE(ReadMessageOfType(server, Ostra::MSG_PLAYER_INFO_CHANGE, msg));
    ASSERT_EQ(msg.size(), 40u);
    // Money, strength (3 x id), wealth (5 x id), wins 7, losses, draws, CM value 0, the user id.
    EXPECT_EQ(Hex(msg.substr(8)), "04030201"
                                  "33750000"
                                  "55c30000"
                                  "07000000"
                                  "00000000"
                                  "00000000"
                                  "00000000"
                                  "11270000");
}

TEST(PlayerTypes, IsUserTypeTestsSharedBits)
{
    PlayersGame game;
    EXPECT_TRUE(game.wnd.IsUserType(4, 0x0C));
    EXPECT_FALSE(game.wnd.IsUserType(4, 0x0B));
    EXPECT_FALSE(game.wnd.IsUserType(0, 0xFFFFFFFFu));
}

} // namespace
