// Any messages from the game server through the game window's dispatch, on the main thread as the
// application hands them over: FilterNetMessage (straight to the handler, or through the view's
// delay queue released by GameViewBase::Update), and OnGameNetMessage called directly. Every type
// is routed, so every handler of the table protocol runs, whatever it grows into: among them the
// chat and server texts (49, 144), system play (126), leave answers (38), kicks and account notices
// (68), the wage (129), the game result (78), the quick-chat phrases (127) and the escape notices
// (125, 55), each with arbitrary bytes and any length. A message that belongs to the game reaches
// HandleGameMessage once per route, unchanged and in arrival order on each route; what the
// follow-ups send is a well-formed message, and nothing at all when sending is off.
//
// Input: byte 0 options:
//   bit 0  AppInfo bReplay          bit 1  AppInfo cNoSend = 1
//   bit 2  the view holds the delay lock while the messages arrive
//   bit 3  the window has no view (every message is dispatched at once)
//   bits 4-5  view updates after each message (0 to 3)
//   bits 6-7  the table's chairs (AppInfo iMaxPlayerNum and the view's count): 7, 3, 10 or 0, the
//             last a broken launch that the seat filling refuses
// byte 1 AppInfo iGameState and byte 2 iWatchChairId (signed); byte 3 tPlayStart: 0 none,
// 1-127 that many minutes ago, 128-191 (b - 128) minutes ahead, 192-255 a negative stamp.
// Then up to 64 messages, each a 2-byte length (bit 15: write a valid header, version 3 and the
// body length, over the first 8 bytes; bits 0-14: the length) and its bytes; bytes missing at the
// end of the input are zeros, so long messages need no long inputs. Each message lives in a buffer
// of exactly its length, so a handler that reads past it is caught.
//
// Sending: the harness takes the place of the session's sender. It gives the window a send queue
// of the session's size and takes every item off it, so the follow-ups (the net-speed probe and
// its answer) go through SendNetMessage in full and no connection or thread is ever opened.
#include "fuzz/FuzzApp.h"
#include "fuzz/FuzzInput.h"
#include "fuzz/FuzzTable.h"
#include "pop/TestHarness.h"
#include "tessaro/app/AppInfo.h"
#include "tessaro/app/GameAppBase.h"
#include "tessaro/net/Frame.h"
#include "tessaro/net/Log.h"
#include "tessaro/net/MsgQueue.h"
#include "tessaro/session/GameMsg.h"
#include "tessaro/session/GameWndBase.h"
#include "tessaro/view/GameViewBase.h"
#include "tessaro/widgets/ChatListWidget.h"
#include "tessaro/widgets/TopBullWidget.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <vector>

namespace
{

using namespace Ostra;

constexpr int kMaxMessages = 64;
constexpr int kProbeLen = 20;

using fuzzapp::Check;

// Reads every byte of a message as a handler is entitled to: the sanitizer sees a length that
// claims more than the buffer holds.
unsigned Touch(std::uintptr_t msg, long len)
{
    const auto* p = reinterpret_cast<const unsigned char*>(msg);
    unsigned sum = 0;
    for (long i = 0; i < len; ++i)
        sum += p[i];
    return sum;
}

class View : public GameViewBase
{
public:
    explicit View(GameAppBase* app) : GameViewBase(app) {}
    void GameReserved1() override {}
    void GameReserved2() override {}
    void GameReserved3() override {}
    void OnSelfReady() override {}
    void OnAnimateEnd(int) override {}
    void HandleAgainLoginRes(std::uintptr_t msg, long len) override { sink += Touch(msg, len); }
    void HandleSitDownRes(std::uintptr_t msg, long len) override { sink += Touch(msg, len); }
    unsigned sink = 0;
};

class Wnd : public GameWndBase
{
public:
    Wnd(GameAppBase* app, GameViewBase* view) : GameWndBase(app, view) {}
    // Every input starts with an empty table and server list, and a view that shows nobody.
    void ResetPlayers()
    {
        std::memset(m_PlayerNode, 0, sizeof(m_PlayerNode));
        std::memset(m_TruePlayerNode, 0, sizeof(m_TruePlayerNode));
        std::memset(m_MaskPlayerNode, 0, sizeof(m_MaskPlayerNode));
        std::memset(m_AllPlayerNode, 0, sizeof(m_AllPlayerNode));
        m_iAllPlayerNum = 0;
        if (m_pGameView)
        {
            std::fill(std::begin(m_pGameView->m_pTableUser), std::end(m_pGameView->m_pTableUser), nullptr);
            m_pGameView->m_pSelfNode = nullptr;
        }
        // Nor a kick notice, a chat ban, phrases or lines left from the input before.
        m_strKickNotice.clear();
        m_strForbidChatMsg.clear();
        std::memset(m_KickOutMsg, 0, sizeof(m_KickOutMsg));
        if (m_pGameView)
        {
            m_pGameView->m_vQuickChat.clear();
            m_pGameView->m_pTopBull->OnBtnHide();
            m_pGameView->m_pTopBull->m_lstBull.clear();
            m_pGameView->m_pChatList->RemoveAll();
        }
    }
    // The game's own messages, as they arrive, on the list of the route the harness is driving.
    void HandleGameMessage(std::uintptr_t msg, long len) override
    {
        Check(msg != 0 && len >= kGameMsgHeadLen && route != nullptr);
        const auto* p = reinterpret_cast<const char*>(msg);
        route->emplace_back(p, p + len);
    }
    std::vector<std::vector<char>>* route = nullptr;
};

// The game's own messages by route: handed on at once by the filter, released from the delay
// queue by the view, and given to OnGameNetMessage directly. Each list keeps arrival order.
struct Routes
{
    std::vector<std::vector<char>> immediate;
    std::vector<std::vector<char>> released;
    std::vector<std::vector<char>> direct;
    bool operator==(const Routes& o) const
    {
        return immediate == o.immediate && released == o.released && direct == o.direct;
    }
};

using Table = fuzztable::BasicTable<View, Wnd>;

class Input : public FuzzInput
{
public:
    using FuzzInput::FuzzInput;
    // n bytes into a buffer of exactly n bytes, zeros past the end of the input.
    std::unique_ptr<unsigned char[]> Bytes(size_t n)
    {
        std::unique_ptr<unsigned char[]> out(new unsigned char[n]);
        Take(out.get(), n);
        return out;
    }
};

// Takes every item the follow-ups queued: each a well-formed message of a known length. Returns
// how many net-speed messages (type 1, 20 bytes) were among them.
int DrainSends(MsgQueue& queue, bool sendingOff)
{
    std::vector<char> item(kSessionQueueSlotSize);
    int probes = 0;
    while (true)
    {
        const int n = queue.Get(item.data(), static_cast<int>(item.size()), 0);
        if (n == -2)
            return probes;
        Check(!sendingOff);
        Check(n >= kQueueItemCountLen + kGameMsgHeadLen);
        std::int32_t count = 0;
        std::memcpy(&count, item.data(), kQueueItemCountLen);
        Check(count == n - kQueueItemCountLen && count <= kMaxItemMsgLen);
        MsgView msg(item.data() + kQueueItemCountLen, count);
        Check(msg.Version() == kGameMsgVersion && msg.BE32(4) == static_cast<std::uint32_t>(count - kGameMsgHeadLen));
        if (msg.Type() == MSG_TEST_NET && count == kProbeLen)
            ++probes;
    }
}

std::int64_t PlayStart(std::uint8_t b)
{
    const std::int64_t now = static_cast<std::int64_t>(std::time(nullptr));
    if (b == 0)
        return 0;
    if (b < 128)
        return now - 60 * b;
    if (b < 192)
        return now + 60 * (b - 128);
    return -static_cast<std::int64_t>(b - 191);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size)
{
    if (size < 4)
        return 0;
    Table& t = fuzztable::GetTable<Table>();
    Sexy::TestHarness harness(t.app);
    // A modal message box (a kick notice, a leave answer) counts down on the harness's clock:
    // each turn of its wait moves the clock on, so that it closes by itself.
    harness.DriveNestedLoops([] { return false; });
    Input in(data, size);
    const std::uint8_t options = in.Byte();

    g_AppInfo = AppInfo{};
    static constexpr int kChairs[4] = {7, 3, 10, 0};
    g_AppInfo.iMaxPlayerNum = kChairs[(options >> 6) & 3];
    // The own user, so that snapshots and lists can name him.
    g_AppInfo.iUserId = 10001;
    t.view.m_iTablePlayerNum = g_AppInfo.iMaxPlayerNum;
    t.wnd.ResetPlayers();
    g_AppInfo.bReplay = options & 1;
    g_AppInfo.cNoSend = (options & 2) ? 1 : 0;
    g_AppInfo.iGameState = static_cast<std::int8_t>(in.Byte());
    g_AppInfo.iWatchChairId = static_cast<std::int8_t>(in.Byte());
    g_AppInfo.tPlayStart = PlayStart(in.Byte());
    const bool sendingOff = g_AppInfo.bReplay || g_AppInfo.cNoSend == 1;
    const bool withView = !(options & 8);
    const int updates = (options >> 4) & 3;
    t.wnd.m_pGameView = withView ? &t.view : nullptr;
    t.wnd.m_iTestSendTick = 0;
    t.wnd.m_iTestReplyTick = 0;
    if (options & 4)
        t.view.LockDelayMsg();
    else
        t.view.UnLockDelayMsg();

    Routes expected;
    Routes received;
    auto release = [&]
    {
        t.wnd.route = &received.released;
        t.view.Update();
        t.wnd.route = nullptr;
        return DrainSends(*t.wnd.m_pSendQueue, sendingOff);
    };
    for (int i = 0; i < kMaxMessages && !in.AtEnd(); ++i)
    {
        const int head = in.Byte() << 8 | in.Byte();
        const size_t len = static_cast<size_t>(head & 0x7FFF);
        std::unique_ptr<unsigned char[]> msg = in.Bytes(len);
        if ((head & 0x8000) && len >= static_cast<size_t>(kGameMsgHeadLen))
            WriteGameMsgHead(msg.get(), msg[1], static_cast<int>(len));
        const auto address = reinterpret_cast<std::uintptr_t>(msg.get());
        const long length = static_cast<long>(len);

        const bool valid = len >= static_cast<size_t>(kGameMsgHeadLen) && msg[0] == kGameMsgVersion;
        const int type = valid ? msg[1] : -1;
        // A type without a handler of the table protocol belongs to the game. (Pointers to virtual
        // members compare by their slot under the platform's C++ ABI.)
        const bool gameOwn = valid && GameWndBase::HandlerFor(type) == &GameWndBase::HandleGameMessage;
        const std::vector<char> original(msg.get(), msg.get() + len);
        if (gameOwn)
        {
            // The delay queue refuses what does not fit its items: that message takes the direct
            // route only.
            if (!withView || !t.wnd.IsDelayMsg(type))
                expected.immediate.push_back(original);
            else if (length <= kMaxDelayMsgLen)
                expected.released.push_back(original);
            expected.direct.push_back(original);
        }

        t.wnd.route = &received.immediate;
        t.wnd.FilterNetMessage(address, length);
        int probes = DrainSends(*t.wnd.m_pSendQueue, sendingOff);
        t.wnd.route = &received.direct;
        t.wnd.OnGameNetMessage(address, length);
        t.wnd.route = nullptr;
        probes += DrainSends(*t.wnd.m_pSendQueue, sendingOff);
        // Read after the call: the seat is what the handler left for the follow-up to look at.
        const bool probeExpected =
            !sendingOff && ((type == MSG_SIT_DOWN_RES && g_AppInfo.iWatchChairId < 0) || type == MSG_AGAIN_LOGIN_RES);
        for (int u = 0; u < updates; ++u)
            probes += release();
        // The direct route alone is enough for a sit-down (looker excepted) or login-again response
        // to start the net-speed test.
        if (probeExpected)
            Check(probes >= 1);
        if (gameOwn)
            Check(std::memcmp(original.data(), msg.get(), len) == 0);
    }

    // Whatever the view still holds is released now, so the next input starts with it empty.
    t.view.UnLockDelayMsg();
    int guard = 0;
    while (t.view.GetDelayMsgCount() > 0)
    {
        release();
        Check(++guard <= kMaxMessages);
    }
    Check(received == expected);
    t.wnd.m_pGameView = &t.view;
    return 0;
}
