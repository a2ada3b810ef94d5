// The session's chat, kick and notice handlers, driven through the window's dispatch with messages
// built byte by byte. Texts are checked as the GBK bytes the player's chat and boxes get.
#include "tests/notices/NoticesSessionSupport.h"

#include "pop/MusicInterface.h"

#include <gtest/gtest.h>

#include <list>

namespace
{

using namespace noticestest;
using Line = std::pair<std::string, int>;
using Lines = std::vector<Line>;

TEST(NoticesSession, ChatLinesByKindAndAddressee)
{
    struct Case
    {
        int room, sender;
        std::string senderNick;
        int target;
        std::string targetNick;
        int kind;
        Line line;
        bool bubble;
    };
    const Case cases[] = {
        {0, 20002, "甲", 0, "", 1, {"[甲]说:你好", 9}, true},
        {0, 30003, "丙", 0, "", 1, {"[丙]说:你好", 8}, true},
        {1, 20002, "甲", 0, "", 1, {"[游戏玩家]说：你好", 0}, true},
        {0, 10001, "我", 20002, "甲", 1, {"您对[甲]说:你好\n", 8}, false},
        {0, 10001, "我", 20002, "甲", 3, {"您对[甲]说:你好\n", 3}, false},
        {0, 20002, "甲", 10001, "我", 1, {"[甲]对您说:你好\n", 8}, false},
        {0, 20002, "甲", 10001, "我", 5, {"[管理员]:对您说:你好\n", 3}, false},
        {0, 0, "", 20002, "甲", 1, {"[系统消息]:发送私聊失败[甲]已经离开游戏\n", 8}, false},
        {0, 20002, "甲", 0, "乙", 4, {"[管理员]:呼叫[乙]\n", 5}, false},
        {0, 20002, "甲", 0, "", 10, {"你好", 7}, false},
    };
    NoticesGame game;
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.line.first);
        game.Clear();
        Ostra::g_AppInfo.iRoomType = c.room;
        game.Deliver(Chat(c.sender, c.senderNick, c.target, c.targetNick, "你好", c.kind));
        EXPECT_EQ(game.view.Lines(), game.view.Canon(Lines{c.line}));
        const std::vector<std::pair<int, std::string>> bubbles{{c.sender, "你好"}};
        EXPECT_EQ(game.view.bubbles, c.bubble ? bubbles : decltype(bubbles){});
    }
}

TEST(NoticesSession, ServerTextsGoToChatOrBulletinByKind)
{
    struct Case
    {
        int kind;
        std::string chat; // empty: no chat line
        int chatKind;
        bool bulletin;
    };
    const Case cases[] = {
        {0, "[小喇叭]:甲：卖房\n", 7, false},
        {1, "[系统公告]:卖房\n", 2, true},
        {3, "", 0, true},
        {6, "[大喇叭]:甲：卖房\n", 4, false},
        {127, "卖房\n", 8, false},
        {128, "[系统消息]:[甲]邀请您加入本桌！\n", 5, false},
        {200, "卖房\n", 5, true},
    };
    NoticesGame game;
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.kind);
        game.Clear();
        game.Deliver(ServerText(c.kind, "甲", "卖房"));
        EXPECT_EQ(game.view.Lines(), game.view.Canon(c.chat.empty() ? Lines{} : (Lines{{c.chat, c.chatKind}})));
        const std::list<Ostra::ChatInfo>& bulls = game.view.m_pTopBull->m_lstBull;
        ASSERT_EQ(bulls.size(), c.bulletin ? 1u : 0u);
        if (c.bulletin)
        {
            EXPECT_EQ(Ostra::FieldText(bulls.front().szText), c.kind == 3 ? "卖房\n" : c.chat);
            // The strip shows it at once: the queue was empty.
            EXPECT_TRUE(game.view.m_pTopBull->mVisible);
            EXPECT_EQ(platform::WideToGbk(game.view.m_pTopBull->m_strShow), Ostra::FieldText(bulls.front().szText));
        }
    }

    LogCapture log;
    game.Clear();
    game.Deliver(ServerText(1, "", std::string(480, 'a')));
    game.Deliver(ServerText(1, "", std::string(481, 'b')));
    EXPECT_EQ(game.view.Lines(), game.view.Canon((Lines{{"[系统公告]:" + std::string(480, 'a') + "\n", 2}})));
    EXPECT_TRUE(log.Contains("HandleChatInfoRes_too_long,1,len481,bbb"));
}

TEST(NoticesSession, LeaveAnswersInChatOrBox)
{
    struct Case
    {
        int result;
        std::string text;
        int sex;
        std::string chat, box; // what each shows, empty for nothing
    };
    const Case cases[] = {
        {9, "", 1, "[系统消息]:请遵守正常游戏秩序，不要对同一玩家短时间内重复请他离开，谢谢配合!", ""},
        {1, "", 0, "", "该玩家已经离开"},
        {3, "", 0, "", "您的金币不够使用该功能!"},
        {0, "服务器的话", 0, "", "服务器的话"},
        {12, "", 0, "", ""},
    };
    NoticesGame game;
    std::snprintf(Ostra::g_AppInfo.szMoneyName, sizeof(Ostra::g_AppInfo.szMoneyName), "金币");
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.result);
        game.Clear();
        game.Deliver(Body(267).Byte(8, c.result).Text(10, c.text).Byte(266, c.sex).Msg(Ostra::MSG_KICK_PLAYER_RES));
        EXPECT_EQ(game.view.Lines(), game.view.Canon(c.chat.empty() ? Lines{} : (Lines{{c.chat, 2}})));
        EXPECT_EQ(game.boxes, c.box.empty() ? std::vector<std::string>{} : std::vector<std::string>{c.box});
    }
}

// A seated player kicked during a game sees the notice when the game ends, then the game tells the
// lobby (17) and ends.
TEST(NoticesSession, KickDuringGameTakesEffectAfterResult)
{
    NoticesGame game;
    Ostra::g_AppInfo.iGameState = 1;
    const std::string kick = Kick(0, "您被请出本桌");
    game.Deliver(kick);
    EXPECT_TRUE(game.boxes.empty());
    EXPECT_FALSE(game.app.IsShuttingDown());
    EXPECT_EQ(std::string(game.wnd.m_KickOutMsg, 284), kick);

    game.Deliver(Body(265).Msg(Ostra::MSG_GAME_RESULT_SERVER));
    EXPECT_EQ(game.boxes, std::vector<std::string>{"您被请出本桌"});
    EXPECT_EQ(game.exits, std::vector<int>{17});
    EXPECT_TRUE(game.app.IsShuttingDown());
    EXPECT_EQ(game.wnd.m_PlayerNode[0].cReady, 0);
    EXPECT_EQ(game.wnd.m_TruePlayerNode[1].cReady, 0);
}

TEST(NoticesSession, MoneyKickWithoutShopKeepsTheGame)
{
    NoticesGame game;
    Ostra::g_AppInfo.cSkipShopOnKick = 1;
    game.Deliver(Kick(0, "您的游戏币不够100"));
    game.Deliver(Body(265).Msg(Ostra::MSG_GAME_RESULT_SERVER));
    EXPECT_EQ(game.boxes, std::vector<std::string>{"您的游戏币不够100"});
    EXPECT_EQ(Ostra::g_AppInfo.cSkipShopOnKick, 0);
    EXPECT_TRUE(game.exits.empty());
    EXPECT_FALSE(game.app.IsShuttingDown());
}

// Kinds that end the stay: the box, then the lobby told why. Kinds other than 14 and 15 leave
// through the escape request.
TEST(NoticesSession, KicksThatEndTheGame)
{
    const std::pair<int, int> kindAndReason[] = {{14, 14}, {15, 15}, {1, 8}, {3, 10}, {4, 9}, {7, 12}, {16, 12}};
    for (const auto& [kind, reason] : kindAndReason)
    {
        SCOPED_TRACE(kind);
        NoticesGame game;
        std::snprintf(Ostra::g_AppInfo.szGameName, sizeof(Ostra::g_AppInfo.szGameName), "斗地主");
        game.Deliver(Kick(kind, "请离开"));
        const std::string box =
            kind >= 14 && kind <= 15 ? "本帐号今日在“斗地主”中累计游戏时间过长,请健康游戏" : "请离开";
        EXPECT_EQ(game.boxes, std::vector<std::string>{box});
        EXPECT_EQ(game.exits, std::vector<int>{reason});
        EXPECT_TRUE(game.app.IsShuttingDown());
    }
}

TEST(NoticesSession, AccountNoticesAndWages)
{
    NoticesGame game;
    game.Deliver(Kick(2, "刷屏"));
    EXPECT_TRUE(Ostra::g_AppInfo.bChatForbidden);
    EXPECT_EQ(platform::WideToGbk(game.wnd.m_strForbidChatMsg), "刷屏");
    game.Deliver(Kick(10, "解除"));
    EXPECT_FALSE(Ostra::g_AppInfo.bChatForbidden);
    game.Deliver(Body(284).Byte(8, 13).BE32(280, 77).Msg(Ostra::MSG_KICK_OUT_SERVER));
    EXPECT_EQ(Ostra::g_AppInfo.iTableParamG, 77);

    auto wage = [](int kind, int limit, int today, int amount)
    { return Body(24).Byte(8, kind).BE32(12, limit).BE32(16, today).BE32(20, amount).Msg(129); };
    game.Deliver(wage(3, 0, 2, 0));
    game.Deliver(wage(5, 3, 0, 0));
    game.Deliver(wage(2, 3, 1, 500));
    EXPECT_EQ(game.view.Lines(),
              game.view.Canon(
                  (Lines{{"[管理员]:解除\n", 3},
                         {"[系统消息]:您的领工资次数已达上限！", 5},
                         {"[系统消息]:本电脑允许领工资次数已达上限！", 5},
                         {"[系统消息]:您身上的游戏币已不足500，已免费领取今天第1次工资:500游戏币(每天3次)。", 5}})));
    EXPECT_EQ(game.wnd.m_PlayerNode[0].iMoney, 1500);
}

TEST(NoticesSession, SystemPlayAndRewards)
{
    NoticesGame game;
    // Chair 1 sits on local seat 2.
    for (int mode : {1, 0, 2})
        game.Deliver(Body(10).Byte(8, 1).Byte(9, mode).Msg(Ostra::MSG_AUTO_SEND_NOTICE));
    game.Deliver(Body(10).Byte(8, 2).Byte(9, 1).Msg(Ostra::MSG_AUTO_SEND_NOTICE)); // nobody there
    EXPECT_EQ(game.view.backSeats, (std::vector<int>{2, 2}));
    EXPECT_EQ(game.view.m_cAutoPlay[2], 0);
    EXPECT_EQ(game.view.m_cOffline[2], 0);

    // The seated player (whose own record is never on seat 1) gets the rewards of his chair (0).
    ASSERT_EQ(game.view.m_pTableUser[1], nullptr);
    game.Deliver(Body(265).BE32(132, 5).BE32(136, 100).BE32(140, 3).BE32(180, 3).BE32(220, 50).Msg(78));
    game.Deliver(Body(265).Byte(264, 1).BE32(180, 2).BE32(220, 50).Msg(78));
    EXPECT_EQ(game.view.Lines(), game.view.Canon((Lines{{"[系统消息]:[甲]由系统代打中...", 2},
                                                        {"[系统消息]:[甲]已经回到游戏，系统代打取消。", 2},
                                                        {"[系统消息]:[甲]已经回到游戏。", 2},
                                                        {"本局时长 5 分钟，您已获赠 100 游戏币奖励！", 5},
                                                        {"恭喜您连续玩了 3 局获赠 50 游戏币！", 5},
                                                        {"本局时长未满一分钟。", 5},
                                                        {"再玩 2 局，您就可以获赠 50 游戏币奖励！", 5}})));
}

// Every layout is read within the message: short messages and texts that run to the message's end
// or their field's end without a terminator.
TEST(NoticesSession, TruncatedMessagesStayInside)
{
    NoticesGame game;
    game.Deliver(Chat(20002, "甲", 0, "", "你好", 1).substr(0, 560));
    game.Deliver(Body(24).Msg(Ostra::MSG_KICK_PLAYER_RES).substr(0, 8));
    game.Deliver(Body(24).Byte(8, 2).Msg(129).substr(0, 20));
    EXPECT_TRUE(game.view.Lines().empty());
    EXPECT_TRUE(game.boxes.empty());

    game.Deliver(Body(63).Byte(48, 1).Text(57, "abcdef").Msg(Ostra::MSG_CHAT_INFO_RES));
    game.Deliver(Body(14).Byte(8, 1).Text(10, "走吧").Msg(Ostra::MSG_KICK_PLAYER_RES));
    game.Deliver(Body(290).Byte(8, 2).Text(16, std::string(274, 'x')).Msg(Ostra::MSG_KICK_OUT_SERVER));
    EXPECT_EQ(game.view.Lines(), game.view.Canon((Lines{{"[系统公告]:abcdef\n", 2}})));
    EXPECT_EQ(game.boxes, std::vector<std::string>{"走吧"});
    EXPECT_EQ(game.wnd.m_strForbidChatMsg, std::wstring(264, L'x'));

    // Five phrases announced, two present.
    Body quick(16 + 2 * 196);
    quick.Byte(8, 5).Text(16, "你好").BE32(16 + 128, 0x01020304).Text(16 + 132, "dir").Text(16 + 164, "f.ogg");
    quick.Text(16 + 196, std::string(128, 'p')).Text(16 + 196 + 128, std::string(68, 'q'));
    game.Deliver(quick.Msg(Ostra::MSG_QUICK_CHAT_INFO_RES));
    ASSERT_EQ(game.view.m_vQuickChat.size(), 2u);
    EXPECT_EQ(Ostra::FieldText(game.view.m_vQuickChat[0].szSoundFile), "f.ogg");
    EXPECT_EQ(Ostra::GetBE32(reinterpret_cast<unsigned char*>(&game.view.m_vQuickChat[0].iReserved)), 0x01020304u);
    EXPECT_EQ(Ostra::FieldText(game.view.m_vQuickChat[1].szText), std::string(128, 'p'));
    EXPECT_EQ(Ostra::FieldText(game.view.m_vQuickChat[1].szSoundFile), std::string(32, 'q'));
}

// The music interface the sound player loads its files through; records the file names.
class RecordingMusic : public Sexy::MusicInterface
{
public:
    explicit RecordingMusic(std::vector<std::string>* loaded) : m_loaded(loaded) {}
    bool LoadMusic(int, const std::string& path) override
    {
        m_loaded->push_back(path);
        return true;
    }
    void UnloadMusic(int) override {}
    void UnloadAllMusic() override {}
    bool PlayMusic(int, int, bool) override { return true; }
    void StopMusic(int) override {}
    void StopAllMusic() override {}
    void PauseMusic(int) override {}
    void ResumeMusic(int) override {}
    void PauseAllMusic() override {}
    void ResumeAllMusic() override {}
    bool IsPlaying(int) const override { return false; }
    void SetSongVolume(int, double) override {}
    double GetSongVolume(int) const override { return 1; }
    void SetVolume(double) override {}
    double GetVolume() const override { return 1; }
    double GetEffectiveVolume(int) const override { return -1; }

private:
    std::vector<std::string>* m_loaded;
};

// The first phrase found in a line plays its clip in the speaker's voice (male for an odd sex, female
// for a stranger); a phrase without text matches nothing, a phrase without a voice file plays nothing.
TEST(NoticesSession, ChatPhrasePlaysItsVoice)
{
    NoticesGame game;
    std::vector<std::string> loaded;
    game.app.mMusicInterface = std::make_unique<RecordingMusic>(&loaded);
    Body quick(16 + 4 * 196);
    quick.Byte(8, 4).Text(16 + 132, "sound\\chat").Text(16 + 164, "empty.ogg");
    quick.Text(16 + 196, "你好").Text(16 + 196 + 132, "sound\\chat").Text(16 + 196 + 164, "hello.ogg");
    quick.Text(16 + 392, "好").Text(16 + 392 + 132, "sound\\chat").Text(16 + 392 + 164, "good.ogg");
    quick.Text(16 + 588, "再见").Text(16 + 588 + 132, "sound\\chat");
    game.Deliver(quick.Msg(Ostra::MSG_QUICK_CHAT_INFO_RES));

    game.Deliver(Chat(20002, "甲", 0, "", "大家你好啊", 1));
    game.Deliver(Chat(30003, "丙", 0, "", "你好", 1));
    game.Deliver(Chat(30003, "丙", 0, "", "再见", 1));
    // The player looks the clip up in the program's folder.
    const std::string dir = game.app.m_szModuleDir;
    EXPECT_EQ(loaded, (std::vector<std::string>{dir + "sound\\chat\\m_hello.ogg", dir + "sound\\chat\\w_hello.ogg"}));
}

} // namespace
