// Any WM_COPYDATA from the lobby through GameAppBase::OnCopyData. The data lies in a buffer of
// exactly cbData bytes, so a read past it is caught. Whatever arrives: a path (tag 1) reaches the
// game window's StartReplayGameBase whole up to its first zero byte and is never decrypted; a
// launch block either shows exactly one box (another frame version, or a block that cannot be
// opened: too short, a length past the data, a message too long) or hands the game window exactly
// the message its frame holds (a message of the table protocol goes to its handler, whose notices
// may show boxes of their own); an empty block does nothing.
//
// Input: byte 0 options:
//   bits 0-1  the tag: 0, 1 (a replay path), 2, or 0xFFFFFFFF
//   bit 2     frame the rest of the input as a message (a valid launch block), so the run reaches
//             the game window; the next two bytes then change it: byte 1 bit 0 writes a valid
//             game message header over the message's first 8 bytes, byte 2 is a signed change of
//             the byte count (cut or garbage bytes appended)
//   bit 3     no game window
// The rest: the data (or the message to frame).
#include "fuzz/FuzzApp.h"
#include "fuzz/FuzzInput.h"
#include "platform/WindowBus.h"
#include "pop/TestHarness.h"
#include "tessaro/app/AppInfo.h"
#include "tessaro/app/GameAppBase.h"
#include "tessaro/app/LaunchData.h"
#include "tessaro/net/Frame.h"
#include "tessaro/net/Log.h"
#include "tessaro/session/GameMsg.h"
#include "tessaro/session/GameWndBase.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace
{

using namespace Ostra;

using fuzzapp::Check;

using App = fuzzapp::ContainedApp;

// No view: every message the filter accepts is dispatched at once.
class Wnd : public GameWndBase
{
public:
    explicit Wnd(GameAppBase* app) : GameWndBase(app, nullptr) {}
    void HandleGameMessage(std::uintptr_t msg, long len) override
    {
        Check(msg != 0 && len >= kGameMsgHeadLen);
        const auto* p = reinterpret_cast<const char*>(msg);
        messages.emplace_back(p, p + len);
    }
    void StartReplayGameBase(char* szArg) override
    {
        Check(szArg != nullptr);
        replays.emplace_back(szArg);
    }
    std::vector<std::string> messages;
    std::vector<std::string> replays;
};

struct Shared
{
    Shared()
    {
        // Refused blocks are logged by the thousand; the results are checked here instead.
        LogConfig config{};
        config.iMinLevel = 1000;
        InitLog(config);
        // The cipher's complaint about short bodies would only slow the run down.
        if (!std::freopen("/dev/null", "w", stdout))
            std::abort();
    }
    App app;
    // Makes the application headless and initialises it once; each input attaches a harness of its
    // own for the message boxes.
    Sexy::TestHarness first{app};
    Wnd wnd{&app};
};

Shared& Globals()
{
    static Shared shared;
    return shared;
}

std::uintptr_t Tag(std::uint8_t options)
{
    switch (options & 3)
    {
    case 1:
        return 1;
    case 2:
        return 2;
    case 3:
        return 0xFFFFFFFFu;
    default:
        return 0;
    }
}

// What the block must lead to, worked out from the rules alone.
enum class Outcome
{
    Nothing,
    VersionBox,
    FailureBox,
    Message,
};

Outcome Expected(const std::vector<unsigned char>& bytes)
{
    if (bytes.empty())
        return Outcome::Nothing;
    if (bytes[0] != 3)
        return Outcome::VersionBox;
    if (bytes.size() < 4)
        return Outcome::FailureBox;
    const size_t total = static_cast<size_t>(bytes[2]) << 8 | bytes[3];
    if (total < 4 || total > bytes.size())
        return Outcome::FailureBox;
    const size_t body = total - 4;
    if (body < 16 || body - 16 > static_cast<size_t>(kLaunchBlockBufLen))
        return Outcome::FailureBox;
    return Outcome::Message;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    Shared& s = Globals();
    Sexy::TestHarness harness(s.app);
    // A modal message box (a kick notice, a leave answer) counts down on the harness's clock:
    // each turn of its wait moves the clock on, so that it closes by itself.
    harness.DriveNestedLoops([] { return false; });
    FuzzInput in(data, size);
    const std::uint8_t options = in.Byte();
    const std::uintptr_t tag = Tag(options);
    const bool frame = options & 4;
    const bool withWindow = !(options & 8);

    std::vector<unsigned char> bytes;
    if (frame)
    {
        const std::uint8_t patch = in.Byte();
        const auto change = static_cast<std::int8_t>(in.Byte());
        std::vector<unsigned char> msg;
        while (!in.AtEnd())
            msg.push_back(in.Byte());
        if ((patch & 1) && msg.size() >= static_cast<size_t>(kGameMsgHeadLen))
            WriteGameMsgHead(msg.data(), msg[1], static_cast<int>(msg.size()));
        bytes.resize(msg.size() + kMinFrameLen);
        const int n = BuildFrame(kWireKeyText, msg.data(), static_cast<int>(msg.size()),
                                 reinterpret_cast<char*>(bytes.data()), static_cast<int>(bytes.size()));
        if (n < 0)
            return 0; // too long for a 16-bit frame length: nothing to hand over
        bytes.resize(static_cast<size_t>(std::max(0, n + change)), 0xA5);
    }
    else
    {
        while (!in.AtEnd())
            bytes.push_back(in.Byte());
    }

    g_AppInfo = AppInfo{};
    s.wnd.messages.clear();
    s.wnd.replays.clear();
    s.app.m_pGameWnd = withWindow ? &s.wnd : nullptr;

    // The data in a buffer of exactly cbData bytes.
    std::unique_ptr<unsigned char[]> buffer(new unsigned char[std::max<size_t>(bytes.size(), 1)]);
    std::copy(bytes.begin(), bytes.end(), buffer.get());
    platform::COPYDATASTRUCT copy{};
    copy.dwData = tag;
    copy.cbData = static_cast<std::uint32_t>(bytes.size());
    copy.lpData = bytes.empty() ? nullptr : buffer.get();
    s.app.OnCopyData(0, static_cast<long>(reinterpret_cast<std::intptr_t>(&copy)));

    const auto boxes = harness.MessageBoxes();
    if (bytes.empty())
    {
        Check(boxes.empty() && s.wnd.messages.empty() && s.wnd.replays.empty());
    }
    else if (tag == 1)
    {
        Check(boxes.empty() && s.wnd.messages.empty());
        if (withWindow)
        {
            const auto* p = reinterpret_cast<const char*>(bytes.data());
            Check(s.wnd.replays.size() == 1 && s.wnd.replays[0] == std::string(p, strnlen(p, bytes.size())));
        }
    }
    else
    {
        Check(s.wnd.replays.empty());
        switch (Expected(bytes))
        {
        case Outcome::Nothing:
            Check(false);
            break;
        case Outcome::VersionBox:
        {
            char text[64];
            std::snprintf(text, sizeof(text), "CopyData Version ERROR![%x]",
                          static_cast<unsigned>(static_cast<int>(static_cast<signed char>(bytes[0]))));
            Check(boxes.size() == 1 && boxes[0].text == text && s.wnd.messages.empty());
            break;
        }
        case Outcome::FailureBox:
            Check(boxes.size() == 1 && boxes[0].text == "CGameFrameDlg: Decryption failed!" && s.wnd.messages.empty());
            break;
        case Outcome::Message:
        {
            // The message the frame holds, opened here on its own.
            const size_t total = static_cast<size_t>(bytes[2]) << 8 | bytes[3];
            std::vector<char> plain(total);
            const int n = OpenFrameBody(kWireKeyText, reinterpret_cast<const char*>(bytes.data()) + 4,
                                        static_cast<int>(total - 4), plain.data(), static_cast<int>(plain.size()));
            Check(n >= 0);
            const std::string msg(plain.data(), static_cast<size_t>(n));
            const bool gameOwn =
                msg.size() >= static_cast<size_t>(kGameMsgHeadLen) &&
                static_cast<unsigned char>(msg[0]) == kGameMsgVersion &&
                GameWndBase::HandlerFor(static_cast<unsigned char>(msg[1])) == &GameWndBase::HandleGameMessage;
            // Without a window the block is only logged; a table-protocol message goes to its own
            // handler, which may show a notice of its own (a kick, a leave answer).
            if (withWindow && gameOwn)
                Check(boxes.empty() && s.wnd.messages.size() == 1 && s.wnd.messages[0] == msg);
            else
                Check(s.wnd.messages.empty() && (withWindow || boxes.empty()));
            break;
        }
        }
    }
    s.app.m_pGameWnd = &s.wnd;
    return 0;
}
