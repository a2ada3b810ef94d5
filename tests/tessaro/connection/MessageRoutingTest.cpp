// The session's message handling on the main thread, without a connection: frames, what
// SendNetMessage queues, the filter, the handler table, the follow-ups by type, the view's delay
// queue and the main window's message 1025.
#include "tests/support/SessionHarness.h"

#include "platform/Tick.h"
#include "platform/WindowBus.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <ctime>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace
{

using namespace testsupport;
using Ostra::GameWndBase;

std::uintptr_t Addr(const std::string& s)
{
    return reinterpret_cast<std::uintptr_t>(s.data());
}

std::uintptr_t Addr(const std::vector<char>& v)
{
    return reinterpret_cast<std::uintptr_t>(v.data());
}

// What SendNetMessage queues, read back from a send queue of the test's own, put on a window whose
// session is not open (nothing takes from it but the test).
class SendTap
{
public:
    explicit SendTap(GameWndBase& wnd) : m_wnd(wnd)
    {
        wnd.m_pSendQueue = std::make_unique<MsgQueue>(Ostra::kSessionQueueSlots, Ostra::kSessionQueueSlotSize);
    }
    ~SendTap() { m_wnd.m_pSendQueue.reset(); }
    SendTap(const SendTap&) = delete;
    SendTap& operator=(const SendTap&) = delete;

    // The messages queued since the last call, each checked to be a whole queue item.
    std::vector<std::string> Take()
    {
        std::vector<std::string> out;
        std::vector<char> item(Ostra::kQueueItemLen);
        for (;;)
        {
            const int n = m_wnd.m_pSendQueue->Get(item.data(), static_cast<int>(item.size()), 0);
            if (n < 0)
                break;
            std::int32_t count = -1;
            if (n >= Ostra::kQueueItemCountLen)
                std::memcpy(&count, item.data(), Ostra::kQueueItemCountLen);
            EXPECT_EQ(count, n - Ostra::kQueueItemCountLen) << "queue item count";
            out.emplace_back(item.data() + Ostra::kQueueItemCountLen,
                             static_cast<size_t>(std::max(n - Ostra::kQueueItemCountLen, 0)));
        }
        return out;
    }

private:
    GameWndBase& m_wnd;
};

class SessionUnit : public ::testing::Test
{
protected:
    LogCapture log;
    TestGame game;
};

} // namespace

// ---- Frames --------------------------------------------------------------------------------------

TEST(Frame, HeaderCountsItselfAndTheCipherOverhead)
{
    char out[200];
    ASSERT_EQ(Ostra::BuildFrame(Ostra::kWireKeyText, "", 0, out, sizeof(out)), 20);
    EXPECT_EQ(Hex(std::string(out, 4)), "03000014");

    const std::string msg = MessageOfLength(26, 100);
    ASSERT_EQ(Ostra::BuildFrame(Ostra::kWireKeyText, msg.data(), 100, out, sizeof(out)), 120);
    EXPECT_EQ(Hex(std::string(out, 4)), "03000078");
    char plain[200];
    ASSERT_EQ(Ostra::OpenFrameBody(Ostra::kWireKeyText, out + 4, 116, plain, sizeof(plain)), 100);
    EXPECT_EQ(std::string(plain, 100), msg);

    // Refused: no room for the whole frame, a length the 16-bit header cannot carry.
    EXPECT_EQ(Ostra::BuildFrame(Ostra::kWireKeyText, msg.data(), 100, out, 119), -1);
    std::vector<char> big(0xFFFF + 32);
    std::vector<char> bigOut(0xFFFF + 32);
    EXPECT_EQ(
        Ostra::BuildFrame(Ostra::kWireKeyText, big.data(), 0xFFFF - 20, bigOut.data(), static_cast<int>(bigOut.size())),
        0xFFFF);
    EXPECT_EQ(
        Ostra::BuildFrame(Ostra::kWireKeyText, big.data(), 0xFFFF - 19, bigOut.data(), static_cast<int>(bigOut.size())),
        -1);
    // A body shorter than the cipher's own block cannot be opened.
    EXPECT_EQ(Ostra::OpenFrameBody(Ostra::kWireKeyText, out + 4, 15, plain, sizeof(plain)), -1);
}

// ---- Sending -------------------------------------------------------------------------------------

TEST_F(SessionUnit, SendNetMessageWritesTheHeaderIntoTheCallersBuffer)
{
    SendTap tap(game.wnd);
    std::string buf = "\xee\xee\xab\xcd\xee\xee\xee\xee"
                      "body";
    game.wnd.SendNetMessage(&buf[0], 241, 12);
    // Version, type, the reserved bytes as the caller left them, the body length.
    EXPECT_EQ(Hex(buf), "03f1abcd00000004" + Hex("body"));
    const auto sent = tap.Take();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0], buf);

    // The shortest and the longest message that fit a queue item.
    std::string header(8, '\0');
    game.wnd.SendNetMessage(&header[0], 26, 8);
    std::string longest = MessageOfLength(0, 10496);
    game.wnd.SendNetMessage(&longest[0], 200, 10496);
    const auto edges = tap.Take();
    ASSERT_EQ(edges.size(), 2u);
    EXPECT_EQ(Hex(edges[0]), "031a000000000000");
    EXPECT_EQ(edges[1].size(), 10496u);
    EXPECT_EQ(Hex(edges[1].substr(0, 8)), "03c80000000028f8");
}

TEST_F(SessionUnit, SendNetMessageRefusesWithoutTouchingTheBuffer)
{
    struct Case
    {
        const char* what;
        int len;
        bool replay;
        std::int8_t noSend;
        bool session;
    };
    const Case cases[] = {
        {"replay", 12, true, 0, true},
        {"no send", 12, false, 1, true},
        {"too long", 10497, false, 0, true},
        {"too short", 7, false, 0, true},
        {"session not open", 12, false, 0, false},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        Ostra::g_AppInfo.bReplay = c.replay;
        Ostra::g_AppInfo.cNoSend = c.noSend;
        std::unique_ptr<SendTap> tap;
        if (c.session)
            tap = std::make_unique<SendTap>(game.wnd);
        std::vector<char> buf(static_cast<size_t>(c.len), '\x5a');
        game.wnd.SendNetMessage(buf.data(), 26, c.len);
        EXPECT_EQ(buf, std::vector<char>(static_cast<size_t>(c.len), '\x5a'));
        if (tap)
        {
            EXPECT_TRUE(tap->Take().empty());
        }
    }
    EXPECT_TRUE(log.Contains("SendNetMessage refused type[26] len[10497]")) << log.Text();
    EXPECT_TRUE(log.Contains("SendNetMessage refused type[26] len[7]")) << log.Text();
    EXPECT_TRUE(log.Contains("SendNetMessage before the session opened, type[26] len[12]")) << log.Text();

    // Only the value 1 stops sending.
    Ostra::g_AppInfo = Ostra::AppInfo{};
    Ostra::g_AppInfo.cNoSend = 2;
    SendTap tap(game.wnd);
    std::string msg(12, '\0');
    game.wnd.SendNetMessage(&msg[0], 26, 12);
    EXPECT_EQ(tap.Take().size(), 1u);
}

// ---- The handler table ---------------------------------------------------------------------------

TEST(Routing, OnlyProbesKeepAlivesAndChatSkipTheDelayQueue)
{
    TestGame game;
    for (int type = 0; type < 256; ++type)
    {
        const bool immediate = type == 1 || type == 26 || type == 49 || type == 144;
        EXPECT_EQ(game.wnd.IsDelayMsg(type), !immediate) << type;
    }
}

TEST(Routing, HandlerForNamesTheHandlerOfEveryType)
{
    const std::map<int, GameWndBase::Handler> table = {
        {1, &GameWndBase::HandleTestNetMsg},
        {33, &GameWndBase::HandleAuthenRes},
        {34, &GameWndBase::HandleSitDownRes},
        {35, &GameWndBase::HandlePlayerInfoRes},
        {36, &GameWndBase::HandleAgainLoginRes},
        {38, &GameWndBase::HandleKickPlayerRes},
        {49, &GameWndBase::HandleChatInfoNotice},
        {52, &GameWndBase::HandlePlayerInfoNotice},
        {53, &GameWndBase::HandleReadyNotice},
        {54, &GameWndBase::HandleWaitLoginAgainNotice},
        {55, &GameWndBase::HandleEscapeNotice},
        {65, &GameWndBase::HandlePlayerJoinServer},
        {66, &GameWndBase::HandlePlayerLeaveServer},
        {67, &GameWndBase::HandlePlayerSORLServer},
        {68, &GameWndBase::HandleKickOutServer},
        {78, &GameWndBase::HandleGameResultServer},
        {125, &GameWndBase::HandleEscapeGameStateNotice},
        {126, &GameWndBase::HandleAutoSendNotice},
        {127, &GameWndBase::ForwardQuickChatInfoRes},
        {129, &GameWndBase::HandlePresentMoneyServer},
        {144, &GameWndBase::HandleChatInfoRes},
    };
    for (int type = 0; type < 256; ++type)
    {
        auto it = table.find(type);
        const GameWndBase::Handler expected = it != table.end() ? it->second : &GameWndBase::HandleGameMessage;
        EXPECT_TRUE(GameWndBase::HandlerFor(type) == expected) << "type " << type;
    }
}

TEST_F(SessionUnit, EveryOverridableHandlerIsReachedThroughItsType)
{
    const std::map<int, std::string> expected = {
        {1, "View::HandleTestNetMsg"}, // an echo (byte 8 not 0) belongs to the view
        {33, "HandleAuthenRes"},           {34, "HandleSitDownRes"},       {35, "HandlePlayerInfoRes"},
        {36, "HandleAgainLoginRes"},       {52, "HandlePlayerInfoNotice"}, {54, "HandleWaitLoginAgainNotice"},
        {55, "HandleEscapeNotice"},        {65, "HandlePlayerJoinServer"}, {66, "HandlePlayerLeaveServer"},
        {67, "HandlePlayerSORLServer"},    {78, "HandleGameResultServer"}, {127, "View::HandleQuickChatInfoRes"},
        {129, "HandlePresentMoneyServer"}, {0, "HandleGameMessage"},       {17, "HandleGameMessage"},
        {200, "HandleGameMessage"},        {255, "HandleGameMessage"},
    };
    for (const auto& [type, handler] : expected)
    {
        SCOPED_TRACE(type);
        game.journal.entries.clear();
        game.wnd.mDirty = false;
        std::string msg = Message(type, std::string("\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0a\x0b\x0c", 12));
        game.wnd.OnGameNetMessage(Addr(msg), static_cast<long>(msg.size()));
        ASSERT_EQ(game.journal.entries.size(), 1u);
        EXPECT_EQ(game.journal.entries[0].handler, handler);
        EXPECT_EQ(game.journal.entries[0].bytes, msg);
        EXPECT_TRUE(game.wnd.mDirty);
    }
    // The table's own handlers never fall through to the game's.
    for (int type : {38, 49, 53, 68, 125, 126, 144})
    {
        game.journal.entries.clear();
        std::string msg = Message(type, std::string(12, '\0'));
        game.wnd.OnGameNetMessage(Addr(msg), static_cast<long>(msg.size()));
        EXPECT_TRUE(game.journal.entries.empty()) << type;
    }
}

TEST_F(SessionUnit, EveryTypeCopesWithABareHeader)
{
    // Exactly 8 bytes on the heap, so that a handler reading its fields past the end is caught.
    for (int type = 0; type < 256; ++type)
    {
        const std::string head = Message(type, "");
        std::vector<char> msg(head.begin(), head.end());
        game.wnd.OnGameNetMessage(Addr(msg), 8);
    }
    // A 10-byte probe is shorter than its layout: dropped, neither answered nor handed on.
    SendTap tap(game.wnd);
    game.journal.entries.clear();
    const std::string shortProbe = Message(1, std::string("\x00\x01", 2));
    std::vector<char> msg(shortProbe.begin(), shortProbe.end());
    game.wnd.OnGameNetMessage(Addr(msg), 10);
    EXPECT_TRUE(tap.Take().empty());
    EXPECT_TRUE(game.journal.entries.empty());
    EXPECT_TRUE(log.Contains("net test message too short[10]")) << log.Text();
}

// ---- Follow-ups by type ----------------------------------------------------------------------------

TEST_F(SessionUnit, SitDownAsAPlayerStartsTheNetTestAndUpdatesTheChairs)
{
    SendTap tap(game.wnd);
    Ostra::g_AppInfo.iWatchChairId = -1;
    const std::string msg = Message(34, std::string(16, '\0'));
    game.wnd.OnGameNetMessage(Addr(msg), static_cast<long>(msg.size()));
    const auto sent = tap.Take();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(Hex(sent[0]), "030100000000000c" + std::string(24, '0'));
    EXPECT_EQ(game.view.updateBtnChair, 1);

    // A looker watches a chair: no probe.
    for (int chair : {0, 3})
    {
        Ostra::g_AppInfo.iWatchChairId = chair;
        game.wnd.OnGameNetMessage(Addr(msg), static_cast<long>(msg.size()));
        EXPECT_TRUE(tap.Take().empty()) << chair;
    }
    EXPECT_EQ(game.view.updateBtnChair, 3);
}

TEST_F(SessionUnit, LoginAgainStartsTheNetTest)
{
    SendTap tap(game.wnd);
    const std::string msg = Message(36, std::string(16, '\0'));
    game.wnd.OnGameNetMessage(Addr(msg), static_cast<long>(msg.size()));
    const auto sent = tap.Take();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].size(), 20u);
    EXPECT_EQ(Ostra::MsgView(sent[0].data(), 20).Type(), 1);
    EXPECT_EQ(game.view.updateBtnChair, 0);
}

TEST_F(SessionUnit, PlayerAndReadyNoticesUpdateTheChairs)
{
    for (int type : {52, 53})
    {
        const std::string msg = Message(type, std::string(8, '\0'));
        game.wnd.OnGameNetMessage(Addr(msg), static_cast<long>(msg.size()));
    }
    EXPECT_EQ(game.view.updateBtnChair, 2);
}

TEST_F(SessionUnit, GameResultAddsTheWholeMinutesPlayed)
{
    Ostra::g_AppInfo.iPlayMinutes = 7;
    Ostra::g_AppInfo.tPlayStart = static_cast<std::int64_t>(std::time(nullptr)) - 150;
    const std::string msg = Message(78, std::string(8, '\0'));
    game.wnd.OnGameNetMessage(Addr(msg), static_cast<long>(msg.size()));
    EXPECT_EQ(Ostra::g_AppInfo.iPlayMinutes, 9);
    EXPECT_EQ(Ostra::g_AppInfo.tPlayStart, 0);
    EXPECT_EQ(game.view.updateBtnChair, 1);

    // No period running: nothing to add.
    game.wnd.OnGameNetMessage(Addr(msg), static_cast<long>(msg.size()));
    EXPECT_EQ(Ostra::g_AppInfo.iPlayMinutes, 9);
    EXPECT_EQ(game.journal.Count("HandleGameResultServer"), 2u);
}

TEST_F(SessionUnit, ARunningGameClearsTheReadyAnswerMark)
{
    const std::string msg = Message(200, "");
    Ostra::g_AppInfo.bReadySent = true;
    game.wnd.OnGameNetMessage(Addr(msg), 8);
    EXPECT_TRUE(Ostra::g_AppInfo.bReadySent);
    Ostra::g_AppInfo.iGameState = 1;
    game.wnd.OnGameNetMessage(Addr(msg), 8);
    EXPECT_FALSE(Ostra::g_AppInfo.bReadySent);
}

// ---- The net test -----------------------------------------------------------------------------------

TEST_F(SessionUnit, ProbeEchoIsAnsweredInTheSameBytesWithTheRoundTrip)
{
    SendTap tap(game.wnd);
    std::string probe = Message(1, std::string("\x00\x11\x22\x33\x00\x00\x00\x00\x44\x55\x66\x77", 12));
    probe[2] = '\x09'; // the reserved bytes travel back as they came
    game.wnd.m_iTestSendTick = platform::TickCount() - 5000;
    game.wnd.OnGameNetMessage(Addr(probe), 20);

    const auto sent = tap.Take();
    ASSERT_EQ(sent.size(), 1u);
    const std::string& answer = sent[0];
    ASSERT_EQ(answer.size(), 20u);
    EXPECT_EQ(Hex(answer.substr(0, 12)), "030109000000000c02112233");
    EXPECT_EQ(Hex(answer.substr(16)), "44556677");
    const Ostra::MsgView view(answer.data(), 20);
    EXPECT_GE(view.BE32(12), 5000u);
    EXPECT_LT(view.BE32(12), 0x80000000u); // not a tick count that ran backwards
    EXPECT_EQ(game.wnd.m_iTestReplyTick - game.wnd.m_iTestSendTick, view.BE32(12));
    EXPECT_TRUE(game.journal.entries.empty());

    // Another stage belongs to the view and is not answered.
    probe[8] = 2;
    game.wnd.OnGameNetMessage(Addr(probe), 20);
    EXPECT_TRUE(tap.Take().empty());
    EXPECT_EQ(game.journal.Count("View::HandleTestNetMsg"), 1u);
}

// ---- Versions and lengths at the filter -----------------------------------------------------------

TEST_F(SessionUnit, WrongVersionIsDroppedAtTheFilterAndAtDispatch)
{
    const std::string msg = Message(52, std::string(8, '\0'), 2);
    game.wnd.FilterNetMessage(Addr(msg), static_cast<long>(msg.size()));
    game.wnd.OnGameNetMessage(Addr(msg), static_cast<long>(msg.size()));
    game.harness.Step(3);
    EXPECT_TRUE(game.journal.entries.empty());
    EXPECT_EQ(game.view.GetDelayMsgCount(), 0);
    EXPECT_TRUE(log.Contains("MSG ERROR VERSION[2][34]")) << log.Text();
    EXPECT_TRUE(log.Contains("pMsgHead->cVersion[2]")) << log.Text();

    const std::string shortMsg = Message(52, "").substr(0, 7);
    std::vector<char> exact(shortMsg.begin(), shortMsg.end());
    game.wnd.FilterNetMessage(Addr(exact), 7);
    game.wnd.OnGameNetMessage(Addr(exact), 7);
    game.harness.Step(3);
    EXPECT_TRUE(game.journal.entries.empty());
    EXPECT_TRUE(log.Contains("MSG ERROR LENGTH[7]")) << log.Text();
    EXPECT_TRUE(log.Contains("message too short[7]")) << log.Text();
}

// ---- The delay queue --------------------------------------------------------------------------------

TEST_F(SessionUnit, DelayedMessageWaitsForTheNextFrame)
{
    const std::string msg = Message(52, "notice");
    game.wnd.FilterNetMessage(Addr(msg), static_cast<long>(msg.size()));
    EXPECT_TRUE(game.journal.entries.empty());
    EXPECT_EQ(game.view.GetDelayMsgCount(), 1);
    EXPECT_EQ(game.harness.Step(1), 1);
    ASSERT_EQ(game.journal.entries.size(), 1u);
    EXPECT_EQ(game.journal.entries[0].handler, "HandlePlayerInfoNotice");
    EXPECT_EQ(game.journal.entries[0].bytes, msg);
    EXPECT_EQ(game.view.updateBtnChair, 1); // the follow-up runs on release too
    EXPECT_EQ(game.view.GetDelayMsgCount(), 0);
}

TEST_F(SessionUnit, DelayedMessagesLeaveOnePerFrameInOrder)
{
    for (std::uint32_t seq = 1; seq <= 3; ++seq)
    {
        const std::string msg = Message(200, SequenceBody(seq));
        game.wnd.FilterNetMessage(Addr(msg), static_cast<long>(msg.size()));
    }
    for (size_t frame = 1; frame <= 3; ++frame)
    {
        game.harness.Step(1);
        ASSERT_EQ(game.GameMessages(), frame);
        EXPECT_EQ(SequenceOf(game.journal.entries.back().bytes), frame);
    }
    game.harness.Step(2);
    EXPECT_EQ(game.GameMessages(), 3u);
}

TEST_F(SessionUnit, NothingLeavesWhileTheLockIsHeld)
{
    game.view.LockDelayMsg();
    const std::string msg = Message(65, "join");
    game.wnd.FilterNetMessage(Addr(msg), static_cast<long>(msg.size()));
    game.harness.Step(5);
    EXPECT_TRUE(game.journal.entries.empty());
    EXPECT_EQ(game.view.GetDelayMsgCount(), 1);
    game.view.UnLockDelayMsg();
    game.harness.Step(1);
    EXPECT_EQ(game.journal.Count("HandlePlayerJoinServer"), 1u);
}

TEST_F(SessionUnit, AHeldLockThroughMoreThanTheQueueHoldsLosesNothingAndKeepsOrder)
{
    // The main thread is the only one that empties the delay queue: a full queue must not make
    // it wait for itself.
    constexpr std::uint32_t kCount = Ostra::kDelayQueueSlots + 40;
    game.view.LockDelayMsg();
    for (std::uint32_t seq = 0; seq < kCount; ++seq)
    {
        const std::string msg = Message(200, SequenceBody(seq));
        game.wnd.FilterNetMessage(Addr(msg), static_cast<long>(msg.size()));
    }
    EXPECT_EQ(game.view.GetDelayMsgCount(), static_cast<int>(kCount));
    EXPECT_TRUE(log.Contains("delay queue full[500]")) << log.Text();
    game.view.UnLockDelayMsg();
    game.harness.Step(static_cast<int>(kCount) + 2);
    ASSERT_EQ(game.GameMessages(), kCount);
    for (std::uint32_t seq = 0; seq < kCount; ++seq)
        ASSERT_EQ(SequenceOf(game.journal.entries[seq].bytes), seq);
    EXPECT_EQ(game.view.GetDelayMsgCount(), 0);
}

TEST_F(SessionUnit, ALockNeverReleasedEndsTheGameOnceTooManyMessagesWait)
{
    constexpr int kMost = Ostra::kDelayQueueSlots + Ostra::kMaxDelayOverflow;
    game.view.LockDelayMsg();
    auto deliver = [&](std::uint32_t seq)
    {
        const std::string msg = Message(200, SequenceBody(seq));
        game.wnd.FilterNetMessage(Addr(msg), static_cast<long>(msg.size()));
    };
    for (std::uint32_t seq = 0; seq < static_cast<std::uint32_t>(kMost); ++seq)
        deliver(seq);
    EXPECT_EQ(game.view.GetDelayMsgCount(), kMost);
    EXPECT_FALSE(game.app.IsShuttingDown());
    EXPECT_TRUE(game.BoxTexts().empty());

    deliver(kMost);
    EXPECT_TRUE(log.Contains("delay queue never released: 5500 messages wait, the game ends")) << log.Text();
    EXPECT_TRUE(game.app.IsShuttingDown());
    deliver(kMost + 1); // refused: no second box, no growth
    EXPECT_EQ(game.BoxTexts(), std::vector<std::string>{"游戏消息处理不过来，本局无法继续，游戏即将退出。"});
    EXPECT_LE(game.view.GetDelayMsgCount(), Ostra::kDelayQueueSlots);
    // What waited is never handed to a game whose state it no longer matches.
    game.view.UnLockDelayMsg();
    for (int frame = 0; frame < 3; ++frame)
        game.view.Update();
    EXPECT_EQ(game.GameMessages(), 0u);
}

TEST_F(SessionUnit, ProbesKeepAlivesAndChatPassTheHeldLock)
{
    game.view.LockDelayMsg();
    Ostra::g_AppInfo.iGameState = 1;
    for (int type : {49, 144})
    {
        // The fixed chat handlers show themselves only by what every dispatch does.
        Ostra::g_AppInfo.bReadySent = true;
        game.wnd.mDirty = false;
        const std::string msg = Message(type, "chat");
        game.wnd.FilterNetMessage(Addr(msg), static_cast<long>(msg.size()));
        EXPECT_FALSE(Ostra::g_AppInfo.bReadySent) << type;
        EXPECT_TRUE(game.wnd.mDirty) << type;
    }
    const std::string echo = Message(1, std::string("\x01", 1) + std::string(11, '\0'));
    game.wnd.FilterNetMessage(Addr(echo), 20);
    const std::string keepAlive = Message(26, "ka");
    game.wnd.FilterNetMessage(Addr(keepAlive), static_cast<long>(keepAlive.size()));
    EXPECT_EQ(game.view.GetDelayMsgCount(), 0);
    ASSERT_EQ(game.journal.entries.size(), 2u);
    EXPECT_EQ(game.journal.entries[0].handler, "View::HandleTestNetMsg");
    EXPECT_EQ(game.journal.entries[1].handler, "HandleGameMessage");
}

TEST_F(SessionUnit, DelayQueueTakesMessagesUpToItsItemSize)
{
    const std::string largest = MessageOfLength(200, 10752);
    game.wnd.FilterNetMessage(Addr(largest), static_cast<long>(largest.size()));
    const std::string tooLarge = MessageOfLength(200, 10753);
    game.wnd.FilterNetMessage(Addr(tooLarge), static_cast<long>(tooLarge.size()));
    EXPECT_TRUE(log.Contains("EnQueueDelayMsg refused len[10753]")) << log.Text();
    game.harness.Step(2);
    ASSERT_EQ(game.GameMessages(), 1u);
    EXPECT_EQ(game.journal.entries[0].bytes, largest);
}

// ---- The main window's message 1025 ------------------------------------------------------------------

TEST_F(SessionUnit, MessageWithoutAGameWindowIsLoggedAsLost)
{
    game.app.m_pGameWnd = nullptr;
    const std::string msg = Message(26, "lost");
    bool ok = false;
    platform::SendWindowMessage(game.app.mHWnd, platform::WM_GAME_NETMSG, Addr(msg), static_cast<long>(msg.size()),
                                &ok);
    game.app.m_pGameWnd = &game.wnd;
    EXPECT_TRUE(ok);
    EXPECT_TRUE(log.Contains("lost net message")) << log.Text();
    EXPECT_TRUE(game.journal.entries.empty());
}

TEST_F(SessionUnit, MessageNotDeliveredByTheDispatcherIsRefused)
{
    const std::string msg = Message(26, "forged");
    // No session, then a session whose dispatcher is not delivering this address.
    platform::SendWindowMessage(game.app.mHWnd, platform::WM_GAME_NETMSG, Addr(msg), static_cast<long>(msg.size()));
    Ostra::g_AppInfo.bReplay = true;
    ASSERT_EQ(game.wnd.OpenSession(), 0);
    platform::SendWindowMessage(game.app.mHWnd, platform::WM_GAME_NETMSG, Addr(msg), static_cast<long>(msg.size()));
    platform::SendWindowMessage(game.app.mHWnd, platform::WM_GAME_NETMSG, 0, 0);
    game.harness.Step(2);
    EXPECT_TRUE(game.journal.entries.empty());
    EXPECT_EQ(log.Count("message 1025 not from the dispatcher refused"), 3u) << log.Text();
}
