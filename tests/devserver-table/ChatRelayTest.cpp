// Table chat and private chat through the room, the quick-chat phrases after sitting down, and
// the bots' chat.
#include "tests/devserver-table/TalkHarness.h"

namespace
{

using namespace devserver;
using roomtest::Byte;
using roomtest::Int32;
using roomtest::TalkRoom;

std::string Line(std::int32_t target, const std::string& text, std::uint8_t kind = 1)
{
    ChatLine line;
    line.senderId = 424242; // the server says who speaks, not the client
    line.senderNick = "fake";
    line.targetId = target;
    line.targetNick = "gone";
    line.text = text;
    line.kind = kind;
    line.requestValue = 7;
    return EncodeChatRequest(line);
}

TEST(ChatRelay, PublicToTheTablePrivateToOneAndBackWithSenderZeroWhenGone)
{
    TalkRoom r;
    r.Join(1, 10002, 1, 0);
    r.Join(2, 10003, 1, 1);
    r.Join(3, 10004, 1, 0); // a looker of chair 0
    r.Join(4, 10005, 2, 0); // another table
    const std::string nick2 = std::string("玩家10002");

    // Public, with an administrator's kind from a player who is none: plain table chat.
    r.t.room.Received(1, Line(0, "大家好", 3));
    for (int conn : {1, 2, 3})
    {
        const std::optional<std::string> got = r.t.out.Msg(conn, kChatLineType);
        ASSERT_TRUE(got) << conn;
        ASSERT_EQ(got->size(), kChatLen);
        EXPECT_EQ(Int32(*got, 8), 10002);
        EXPECT_EQ(TalkRoom::Text(*got, 12, 16), nick2);
        EXPECT_EQ(Int32(*got, 28), 0);
        EXPECT_EQ(TalkRoom::Text(*got, 48, 512), "大家好");
        EXPECT_EQ(Byte(*got, 560), 1);
        EXPECT_EQ(Int32(*got, 564), 7);
    }
    ASSERT_TRUE(r.t.out.Event("chat", {{"user", 10002}, {"table", 1}, {"target", 0}, {"kind", 1}}));

    // Private across tables: to the addressee, with his nick, and back to the sender only.
    r.t.room.Received(2, Line(10005, "悄悄话"));
    const std::optional<std::string> heard = r.t.out.Msg(4, kChatLineType);
    ASSERT_TRUE(heard);
    EXPECT_EQ(Int32(*heard, 8), 10003);
    EXPECT_EQ(Int32(*heard, 28), 10005);
    EXPECT_EQ(TalkRoom::Text(*heard, 32, 16), "玩家10005");
    const std::optional<std::string> echo = r.t.out.Msg(2, kChatLineType, 1);
    ASSERT_TRUE(echo);
    EXPECT_EQ(*echo, *heard);

    // To someone no longer on the server: back to the sender, sender id 0, the nick he gave.
    r.t.room.Received(1, Line(99999, "还在吗"));
    const std::optional<std::string> failed = r.t.out.Msg(1, kChatLineType, 1);
    ASSERT_TRUE(failed);
    EXPECT_EQ(Int32(*failed, 8), 0);
    EXPECT_EQ(Int32(*failed, 28), 99999);
    EXPECT_EQ(TalkRoom::Text(*failed, 32, 16), "gone");
    ASSERT_TRUE(r.t.out.Event("chat", {{"user", 10002}, {"target", 99999}}));

    // A line cut short is refused, and nobody got anything more.
    r.t.room.Received(1, Line(0, "x").substr(0, 100));
    ASSERT_TRUE(r.t.out.Event("request-refused", {{"user", 10002}}));
    EXPECT_EQ(r.Count(1, kChatLineType), 2u);
    EXPECT_EQ(r.Count(2, kChatLineType), 2u);
    EXPECT_EQ(r.Count(3, kChatLineType), 1u);
    EXPECT_EQ(r.Count(4, kChatLineType), 1u);
}

TEST(ChatRelay, PhrasesFollowTheSitDownResponseAndBotsSpeakThem)
{
    RoomConfig config = roomtest::TalkConfig();
    config.phrases = std::make_shared<const std::vector<QuickChatEntry>>(
        std::vector<QuickChatEntry>{{"你好", 0, "sound\\chat", "hello.ogg"}, {"再见", 0, "sound\\chat", "bye.ogg"}});
    config.botsPerTable = 1;
    config.botChat = true;
    config.botChatMinMs = 1;
    config.botChatMaxMs = 5;
    TalkRoom r(config);
    r.Join(1, 10002, 1, 0);

    ASSERT_TRUE(r.t.out.Msg(1, kQuickChatType));
    const std::vector<std::string> sent = r.t.out.Sent(1);
    const auto response =
        std::find_if(sent.begin(), sent.end(), [](const std::string& m) { return MsgType(m) == kSitDownResponseType; });
    ASSERT_NE(response, sent.end());
    ASSERT_NE(response + 1, sent.end());
    const std::string& phrases = *(response + 1);
    ASSERT_EQ(MsgType(phrases), kQuickChatType) << "right after the sit-down response";
    ASSERT_EQ(phrases.size(), 16u + 2 * 196);
    EXPECT_EQ(phrases.substr(8, 4), std::string("\x02\0\0\0", 4)) << "the count is little-endian";
    EXPECT_EQ(TalkRoom::Text(phrases, 16 + 196, 128), "再见");
    EXPECT_EQ(TalkRoom::Text(phrases, 16 + 196 + 132, 32), "sound\\chat");
    EXPECT_EQ(TalkRoom::Text(phrases, 16 + 196 + 164, 32), "bye.ogg");

    // The bot beside him says one of them.
    const std::optional<std::string> said = r.t.out.Msg(1, kChatLineType);
    ASSERT_TRUE(said);
    EXPECT_EQ(Int32(*said, 8), kFirstBotId);
    const std::string text = TalkRoom::Text(*said, 48, 512);
    EXPECT_TRUE(text == "你好" || text == "再见") << text;
}

} // namespace
