// The player record and its 84-byte wire entry.
#include "tessaro/session/GameWndBase.h"
#include "tessaro/session/PlayerNode.h"
#include "tests/support/SessionHarness.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

namespace
{

// An entry with a distinct value in every field and a pattern in every gap.
std::string SampleEntry()
{
    std::string e(Ostra::kPlayerEntryLen, '\x5A');
    auto put = [&](int off, std::uint32_t v) { Ostra::PutBE32(reinterpret_cast<unsigned char*>(&e[off]), v); };
    put(0, 10001);
    std::memcpy(&e[4], "\xd5\xc5\xc8\xfd\0\0\0\0\0\0\0\0\0\0\0\0", 16); // 张三 in GBK
    e[20] = 1;
    put(24, 0x01020304);
    put(28, 0xFFFFFF9Cu); // -100
    e[32] = 12;
    e[33] = static_cast<char>(0xFF);
    put(36, 40);
    put(40, 41);
    e[44] = 2;
    e[45] = static_cast<char>(0xFE);
    e[46] = 7;
    e[48] = '\x11';
    e[49] = '\x22';
    e[50] = '\x33';
    e[51] = '\x44';
    e[59] = 5;
    e[60] = 3;
    e[61] = 1;
    e[62] = 9;
    e[63] = static_cast<char>(0x80);
    e[64] = 44;
    put(68, 3600);
    put(72, 72);
    put(76, 76);
    put(80, 0x7FFFFFFF);
    return e;
}

} // namespace

TEST(PlayerNodeRecord, MirrorsTheWireEntryAndAddsTheOfflineState)
{
    EXPECT_EQ(sizeof(Ostra::PlayerNode), 88u);
    Ostra::PlayerNode zero{};
    EXPECT_EQ(zero.iUserId, 0);
    EXPECT_EQ(zero.iOfflineState, 0);
}

TEST(PlayerNodeRecord, EveryFieldIsReadInHostOrderAndTheGapsStayZero)
{
    const std::string entry = SampleEntry();
    // Exactly 84 bytes of their own: a read beyond them is a fault the sanitizers see.
    std::unique_ptr<unsigned char[]> bytes(new unsigned char[Ostra::kPlayerEntryLen]);
    std::memcpy(bytes.get(), entry.data(), entry.size());
    Ostra::PlayerNode node{};
    node.iOfflineState = 1;
    ASSERT_TRUE(Ostra::ParsePlayerEntry(bytes.get(), Ostra::kPlayerEntryLen, &node));
    EXPECT_EQ(node.iUserId, 10001);
    EXPECT_EQ(std::string(node.szNickName, Ostra::NickNameLength(node)), "张三");
    EXPECT_EQ(node.cSex, 1);
    EXPECT_EQ(node.iAmount, 0x01020304);
    EXPECT_EQ(node.iMoney, -100);
    EXPECT_EQ(node.cTableId, 12);
    EXPECT_EQ(node.cChairId, -1);
    EXPECT_EQ(node.iWinNum, 40);
    EXPECT_EQ(node.iLoseNum, 41);
    EXPECT_EQ(node.cHeadType, 2);
    EXPECT_EQ(node.cHeadId, -2);
    EXPECT_EQ(node.cStatus, 7);
    // The user-type bits keep the order in which they came.
    EXPECT_EQ(std::memcmp(&node.iUserType, "\x11\x22\x33\x44", 4), 0);
    EXPECT_EQ(node.cMemberLevel, 5);
    EXPECT_EQ(node.cWatchChairId, 3);
    EXPECT_EQ(node.cReady, 1);
    EXPECT_EQ(node.cBadge, 9);
    EXPECT_EQ(node.cExtra, -128);
    EXPECT_EQ(node.cAreaId, 44);
    EXPECT_EQ(node.iPlayTime, 3600);
    EXPECT_EQ(node.iCMValue, 72);
    EXPECT_EQ(node.iDrawNum, 76);
    EXPECT_EQ(node.iWealth, 0x7FFFFFFF);
    EXPECT_EQ(node.iOfflineState, 0);
    const char zeros[7] = {};
    EXPECT_EQ(std::memcmp(node.cReserved21, zeros, 3), 0);
    EXPECT_EQ(std::memcmp(node.cReserved34, zeros, 2), 0);
    EXPECT_EQ(node.cReserved47, 0);
    EXPECT_EQ(std::memcmp(node.cReserved52, zeros, 7), 0);
    EXPECT_EQ(std::memcmp(node.cReserved65, zeros, 3), 0);
}

TEST(PlayerNodeRecord, AShortEntryIsRefusedAndTheRecordLeftAlone)
{
    const std::string entry = SampleEntry();
    Ostra::PlayerNode node{};
    node.iUserId = 77;
    EXPECT_FALSE(Ostra::ParsePlayerEntry(entry.data(), Ostra::kPlayerEntryLen - 1, &node));
    EXPECT_FALSE(Ostra::ParsePlayerEntry(nullptr, Ostra::kPlayerEntryLen, &node));
    EXPECT_FALSE(Ostra::ParsePlayerEntry(entry.data(), Ostra::kPlayerEntryLen, nullptr));
    EXPECT_EQ(node.iUserId, 77);
}

TEST(PlayerNodeRecord, AnEntryInAMessageMustLieWhollyInsideIt)
{
    const std::string msg = testsupport::Message(52, std::string(4, '\0') + SampleEntry());
    Ostra::MsgView view(msg.data(), static_cast<long>(msg.size()));
    Ostra::PlayerNode node{};
    ASSERT_TRUE(Ostra::ParsePlayerEntry(view, 12, &node));
    EXPECT_EQ(node.iUserId, 10001);
    Ostra::PlayerNode other{};
    EXPECT_FALSE(Ostra::ParsePlayerEntry(view, 13, &other));
    EXPECT_FALSE(Ostra::ParsePlayerEntry(view, -1, &other));
    EXPECT_EQ(other.iUserId, 0);
}

TEST(PlayerNodeRecord, ANickNameOfSixteenBytesHasNoTerminatorToRelyOn)
{
    Ostra::PlayerNode node{};
    std::memcpy(node.szNickName, "abcdefghijklmnop", 16);
    node.cSex = 0x33; // the byte after the name is not part of it
    EXPECT_EQ(Ostra::NickNameLength(node), 16u);
    std::memcpy(node.szNickName, "ab\0defghijklmnop", 16);
    EXPECT_EQ(Ostra::NickNameLength(node), 2u);
}

TEST(PlayerNodeArrays, TheWindowsArraysStartZeroAndTheViewSeesTheTable)
{
    testsupport::SessionGame game;
    const Ostra::PlayerNode empty{};
    for (const Ostra::PlayerNode& node : game.wnd.m_PlayerNode)
        EXPECT_EQ(std::memcmp(&node, &empty, sizeof(node)), 0);
    for (const Ostra::PlayerNode& node : game.wnd.m_TruePlayerNode)
        EXPECT_EQ(std::memcmp(&node, &empty, sizeof(node)), 0);
    EXPECT_EQ(sizeof(game.wnd.m_PlayerNode) / sizeof(Ostra::PlayerNode), 10u);
    EXPECT_EQ(sizeof(game.wnd.m_TruePlayerNode) / sizeof(Ostra::PlayerNode), 10u);
    EXPECT_EQ(sizeof(game.wnd.m_MaskPlayerNode) / sizeof(Ostra::PlayerNode), 10u);
    EXPECT_EQ(sizeof(game.wnd.m_AllPlayerNode) / sizeof(Ostra::PlayerNode), 1000u);
    EXPECT_EQ(game.view.m_pPlayerNode, game.wnd.m_PlayerNode);
    game.view.SetPlayerNode(nullptr);
    game.wnd.Init();
    EXPECT_EQ(game.view.m_pPlayerNode, game.wnd.m_PlayerNode);
}
