// A test game for the session tests: an application, a table view and a game window that record
// what their handlers get, run headless by a Sexy::TestHarness, together with the pieces a test
// needs around them: the log captured in a scratch file, game messages and frames built by hand,
// and a plain TCP peer that plays the game server (or a proxy) on 127.0.0.1.
//
//     testsupport::LogCapture log;
//     testsupport::TestGame game;                       // g_AppInfo zeroed, main window open
//     testsupport::ServerListener server;
//     game.OpenSessionTo(server.port);
//     testsupport::Peer peer = server.Accept();
//     peer.Send(testsupport::Frame(testsupport::Message(26, "body")));
//     ASSERT_TRUE(game.PumpUntil([&] { return game.journal.Count("HandleGameMessage") == 1; }));
//
// Everything here belongs to the test's thread (the harness's main thread) unless it says
// otherwise. Waits never sleep blindly: they poll a socket, pump the main window's messages or
// re-read a file until a real condition holds, within a generous deadline.
#pragma once

#include "pop/ButtonWidget.h"
#include "pop/Font.h"
#include "pop/TestHarness.h"
#include "pop/WidgetManager.h"
#include "tessaro/app/AppInfo.h"
#include "tessaro/app/GameAppBase.h"
#include "tessaro/app/MsgDlg.h"
#include "tessaro/net/Frame.h"
#include "tessaro/net/Log.h"
#include "tessaro/session/GameMsg.h"
#include "tessaro/session/GameWndBase.h"
#include "tessaro/view/GameViewBase.h"
#include "tessaro/widgets/ChatListWidget.h"

#include "platform/WindowBus.h"

#include <arpa/inet.h>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sstream>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <utility>
#include <vector>

namespace testsupport
{

// How long a test waits for something that should happen. Generous: a loaded two-core machine
// under the thread sanitizer is slow, and a wait that ends early costs nothing.
inline constexpr int kWaitMs = 20000;

using SteadyClock = std::chrono::steady_clock;

inline SteadyClock::time_point DeadlineIn(int ms)
{
    return SteadyClock::now() + std::chrono::milliseconds(ms);
}

// Milliseconds left until the deadline, at least 0.
inline int MsLeft(SteadyClock::time_point deadline)
{
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - SteadyClock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

// Polls a condition that another thread or process makes true (a file growing, a flag set), with a
// short pause between looks, until it holds or the deadline passes.
inline bool PollUntil(const std::function<bool()>& done, int timeoutMs = kWaitMs)
{
    const auto deadline = DeadlineIn(timeoutMs);
    while (!done())
    {
        if (SteadyClock::now() >= deadline)
            return done();
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

// ---- Messages and frames --------------------------------------------------------------------------

// A game message: the 8-byte header (version, type, two zero bytes, body length big-endian) and the
// body.
inline std::string Message(int type, const std::string& body, unsigned char version = Ostra::kGameMsgVersion)
{
    std::string msg(static_cast<size_t>(Ostra::kGameMsgHeadLen), '\0');
    msg[0] = static_cast<char>(version);
    msg[1] = static_cast<char>(type);
    Ostra::PutBE32(reinterpret_cast<unsigned char*>(&msg[4]), static_cast<std::uint32_t>(body.size()));
    return msg + body;
}

// A message of exactly len bytes (at least 8) whose body is filled with a pattern.
inline std::string MessageOfLength(int type, int len)
{
    std::string body(static_cast<size_t>(len - Ostra::kGameMsgHeadLen), '\0');
    for (size_t i = 0; i < body.size(); ++i)
        body[i] = static_cast<char>('a' + i % 26);
    return Message(type, body);
}

// A body that carries a sequence number (big-endian) followed by filler up to bodyLen bytes.
// Lowercase hexadecimal of the bytes, for comparing messages in test output.
inline std::string Hex(const std::string& bytes)
{
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes)
    {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

inline std::string SequenceBody(std::uint32_t seq, int bodyLen = 4)
{
    std::string body(static_cast<size_t>(bodyLen < 4 ? 4 : bodyLen), '\0');
    Ostra::PutBE32(reinterpret_cast<unsigned char*>(&body[0]), seq);
    for (size_t i = 4; i < body.size(); ++i)
        body[i] = static_cast<char>(seq + i);
    return body;
}

// The sequence number of a message built with SequenceBody; 0xFFFFFFFF when it has none.
inline std::uint32_t SequenceOf(const std::string& msg)
{
    if (msg.size() < static_cast<size_t>(Ostra::kGameMsgHeadLen + 4))
        return 0xFFFFFFFFu;
    return Ostra::GetBE32(reinterpret_cast<const unsigned char*>(msg.data()) + Ostra::kGameMsgHeadLen);
}

// The wire frame of a message, encrypted with the connection's key text; the version byte can be
// replaced afterwards to build a frame the client must refuse.
inline std::string Frame(const std::string& msg, unsigned char version = Ostra::kFrameVersion)
{
    std::string out(msg.size() + static_cast<size_t>(Ostra::kMinFrameLen), '\0');
    const int n = Ostra::BuildFrame(Ostra::kWireKeyText, msg.data(), static_cast<int>(msg.size()), &out[0],
                                    static_cast<int>(out.size()));
    if (n < 0)
        return std::string();
    out.resize(static_cast<size_t>(n));
    out[0] = static_cast<char>(version);
    return out;
}

// ---- The log ----------------------------------------------------------------------------------------

// Sends the process's log to a file of its own in a scratch folder for the life of the object (every
// level, tag and text only: "[tag]\ttext\r\n"), and puts the default settings back afterwards.
class LogCapture
{
public:
    LogCapture()
    {
        char tmpl[] = "/tmp/tessaro-conn-XXXXXX";
        if (mkdtemp(tmpl) != nullptr)
            m_dir = tmpl;
        CloseLog();
        LogConfig config = {0x02, 0, 0x01, 0x10 | 0x20, {}, {}, nullptr};
        std::snprintf(config.szFileName, sizeof(config.szFileName), "%s/user", m_dir.c_str());
        InitLog(config);
    }
    ~LogCapture()
    {
        struct tm midnight = {};
        LogConfig config = {0x01, 10, 0x01, 0x7E, {}, {}, &midnight};
        InitLog(config);
        CloseLog();
        std::error_code ignored;
        std::filesystem::remove_all(m_dir, ignored);
    }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    std::string Text() const
    {
        std::ifstream in(m_dir + "/user.log", std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    size_t Count(const std::string& what) const
    {
        const std::string text = Text();
        size_t n = 0;
        for (size_t p = text.find(what); p != std::string::npos; p = text.find(what, p + 1))
            ++n;
        return n;
    }
    bool Contains(const std::string& what) const { return Count(what) > 0; }
    // For lines that other threads write.
    bool WaitFor(const std::string& what, int timeoutMs = kWaitMs) const
    {
        return PollUntil([&] { return Contains(what); }, timeoutMs);
    }

private:
    std::string m_dir;
};

// ---- The test game ------------------------------------------------------------------------------------

// One message as a handler saw it.
struct Handled
{
    std::string handler; // the handler's name, "View::" in front for the view's
    int type = -1;
    std::string bytes;
};

// What the handlers got, in order. Handlers run on the main thread only.
struct Journal
{
    void Add(const char* handler, std::uintptr_t msg, long len)
    {
        Ostra::MsgView view(msg, len);
        entries.push_back(
            {handler, view.Length() >= 2 ? view.Type() : -1,
             std::string(reinterpret_cast<const char*>(view.Data()), static_cast<size_t>(view.Length()))});
    }
    size_t Count(const std::string& handler) const
    {
        size_t n = 0;
        for (const Handled& h : entries)
            n += h.handler == handler;
        return n;
    }
    std::vector<Handled> Of(const std::string& handler) const
    {
        std::vector<Handled> out;
        for (const Handled& h : entries)
        {
            if (h.handler == handler)
                out.push_back(h);
        }
        return out;
    }
    std::vector<Handled> entries;
};

// A scratch folder for the life of the object: the program's folder of a test application. As a
// base class listed before the application it is made before the application and removed after it,
// so the settings the application saves at its end land in it too.
class ScratchProgramDir
{
public:
    ScratchProgramDir()
    {
        char tmpl[] = "/tmp/tessaro-app-XXXXXX";
        if (mkdtemp(tmpl) == nullptr)
            return;
        m_scratch = tmpl;
        std::error_code ignored;
        std::filesystem::create_directories(m_scratch + "/game", ignored);
    }
    ~ScratchProgramDir()
    {
        std::error_code ignored;
        if (!m_scratch.empty())
            std::filesystem::remove_all(m_scratch, ignored);
    }
    ScratchProgramDir(const ScratchProgramDir&) = delete;
    ScratchProgramDir& operator=(const ScratchProgramDir&) = delete;

    // Where the program's folder goes: "game/" inside the scratch folder, so that the lobby's files
    // one level up are the scratch folder's own.
    std::string ProgramDirOfScratch() const { return m_scratch.empty() ? std::string() : m_scratch + "/game/"; }

private:
    std::string m_scratch;
};

// The test application stays out of the process's current directory and log (tests capture the log
// themselves), keeps its settings in a scratch folder, and lets any number of copies run at once.
class TestGameApp : private ScratchProgramDir, public Ostra::GameAppBase
{
public:
    TestGameApp() : GameAppBase(StartupOptions::Contained(ProgramDirOfScratch())) { mOnlyAllowOneCopyToRun = false; }
    void GameAppReserved() override {}
};

class TestGameView : public Ostra::GameViewBase
{
public:
    TestGameView(Ostra::GameAppBase* app, Journal& journal) : GameViewBase(app), m_journal(journal) {}

    void GameReserved1() override {}
    void GameReserved2() override {}
    void GameReserved3() override {}
    void OnSelfReady() override {}
    void OnAnimateEnd(int) override {}
    void HandleAgainLoginRes(std::uintptr_t msg, long len) override
    {
        m_journal.Add("View::HandleAgainLoginRes", msg, len);
    }
    void HandleSitDownRes(std::uintptr_t msg, long len) override { m_journal.Add("View::HandleSitDownRes", msg, len); }
    void HandleTestNetMsg(std::uintptr_t msg, long len) override { m_journal.Add("View::HandleTestNetMsg", msg, len); }
    void HandleQuickChatInfoRes(std::uintptr_t msg, long len) override
    {
        m_journal.Add("View::HandleQuickChatInfoRes", msg, len);
    }
    void UpdateBtnChair() override { ++updateBtnChair; }

    int updateBtnChair = 0;

private:
    Journal& m_journal;
};

// Records every virtual handler of the table protocol under its own name.
class TestGameWnd : public Ostra::GameWndBase
{
public:
    TestGameWnd(Ostra::GameAppBase* app, Ostra::GameViewBase* view, Journal& journal)
        : GameWndBase(app, view), m_journal(journal)
    {
    }

    void HandleGameMessage(std::uintptr_t msg, long len) override
    {
        m_journal.Add("HandleGameMessage", msg, len);
        if (onGameMessage)
            onGameMessage();
    }
    void HandleSitDownRes(std::uintptr_t msg, long len) override { m_journal.Add("HandleSitDownRes", msg, len); }
    void HandleAuthenRes(std::uintptr_t msg, long len) override { m_journal.Add("HandleAuthenRes", msg, len); }
    void HandlePlayerInfoNotice(std::uintptr_t msg, long len) override
    {
        m_journal.Add("HandlePlayerInfoNotice", msg, len);
    }
    void HandleWaitLoginAgainNotice(std::uintptr_t msg, long len) override
    {
        m_journal.Add("HandleWaitLoginAgainNotice", msg, len);
    }
    void HandleAgainLoginRes(std::uintptr_t msg, long len) override { m_journal.Add("HandleAgainLoginRes", msg, len); }
    void HandleEscapeNotice(std::uintptr_t msg, long len) override { m_journal.Add("HandleEscapeNotice", msg, len); }
    void HandlePlayerInfoRes(std::uintptr_t msg, long len) override { m_journal.Add("HandlePlayerInfoRes", msg, len); }
    void HandlePlayerJoinServer(std::uintptr_t msg, long len) override
    {
        m_journal.Add("HandlePlayerJoinServer", msg, len);
    }
    void HandlePlayerLeaveServer(std::uintptr_t msg, long len) override
    {
        m_journal.Add("HandlePlayerLeaveServer", msg, len);
    }
    void HandlePlayerSORLServer(std::uintptr_t msg, long len) override
    {
        m_journal.Add("HandlePlayerSORLServer", msg, len);
    }
    void HandleGameResultServer(std::uintptr_t msg, long len) override
    {
        m_journal.Add("HandleGameResultServer", msg, len);
    }
    void HandleGameResultPresent(std::uintptr_t msg, long len) override
    {
        m_journal.Add("HandleGameResultPresent", msg, len);
    }
    void HandlePresentMoneyServer(std::uintptr_t msg, long len) override
    {
        m_journal.Add("HandlePresentMoneyServer", msg, len);
    }
    // Runs on the connection's thread.
    void CallBackTCPDisconnection() override { ++disconnections; }

    std::atomic<int> disconnections{0};
    // Runs after each game message is recorded: the game's own work on it.
    std::function<void()> onGameMessage;

private:
    Journal& m_journal;
};

// Made first in a test game: a fresh g_AppInfo for every game, and no proxy from the environment of
// whoever runs the tests to reroute them.
struct AppInfoReset
{
    AppInfoReset()
    {
        Ostra::g_AppInfo = Ostra::AppInfo{};
        unsetenv("TESSARO_PROXY");
    }
};

// A line of a chat list as it was added: its text (with its line feed, if it had one) and its colour
// index (the first index of that colour, -1 for white, the colour of indexes outside the table).
struct ChatLine
{
    std::wstring strText;
    int iKind = -1;
};

// The lines of a chat list, the pieces the list cut to its width joined again.
inline std::vector<ChatLine> ChatLinesOf(const Sexy::ChatListWidget& list)
{
    constexpr size_t kCodeLen = 8; // "^rrggbb0"
    std::vector<ChatLine> out;
    for (size_t row = 0; row < list.m_vecLines.size(); ++row)
    {
        const std::wstring& piece = list.m_vecLines[row];
        const std::wstring code = piece.substr(0, kCodeLen);
        const std::wstring text = piece.size() > kCodeLen ? piece.substr(kCodeLen) : std::wstring();
        const bool starts = row >= list.m_vecEntryStart.size() || list.m_vecEntryStart[row];
        if (!starts && !out.empty())
        {
            out.back().strText += text;
            continue;
        }
        ChatLine line;
        line.strText = text;
        for (int i = 0; i < static_cast<int>(list.mColors.size()); ++i)
        {
            if (list.ColorPrefix(i) == code)
            {
                line.iKind = i;
                break;
            }
        }
        out.push_back(std::move(line));
    }
    return out;
}

// The colour index a line of that kind reads back as: the first index of the same colour.
inline int CanonicalKind(const Sexy::ChatListWidget& list, int kind)
{
    const std::wstring code = list.ColorPrefix(kind);
    for (int i = 0; i < static_cast<int>(list.mColors.size()); ++i)
    {
        if (list.ColorPrefix(i) == code)
            return i;
    }
    return -1;
}

// The table chat of a view.
inline std::vector<ChatLine> ChatLinesOf(const Ostra::GameViewBase& view)
{
    return view.m_pChatList ? ChatLinesOf(*view.m_pChatList) : std::vector<ChatLine>();
}

// The message boxes asked so far, texts only.
inline std::vector<std::string> BoxTextsOf(const Sexy::TestHarness& harness)
{
    std::vector<std::string> out;
    for (const auto& b : harness.MessageBoxes())
        out.push_back(b.text);
    return out;
}

// The skinned message box (ShowMessage) waits for a click inside a nested loop. This lets the
// harness drive such loops and answers every box by clicking one of its buttons, the one the
// application's message-box handler picks: the handler gets the box's text (title "Message", flags
// MB_OK for one button, MB_OKCANCEL for two) and IDOK clicks OK, anything else Cancel. So a test
// game's records and answers of message boxes hold for both kinds of box.
inline void AnswerMessageDialogs(Sexy::TestHarness& harness, Sexy::SexyAppBase& app)
{
    harness.DriveNestedLoops(
        [&harness, &app]
        {
            auto* box = dynamic_cast<Ostra::MsgDlg*>(app.GetDialog(Ostra::MsgDlg::kDialogId));
            if (box == nullptr || box->mResult != Sexy::Dialog::kNoResult)
                return false;
            const bool twoButtons = box->mNoButton != nullptr && box->mNoButton->mVisible;
            const int answer = app.MsgBox(box->m_strText, L"Message", twoButtons ? Sexy::MB_OKCANCEL : Sexy::MB_OK);
            const Sexy::ButtonWidget* button = answer == Sexy::IDOK || !twoButtons ? box->mYesButton : box->mNoButton;
            const int x = button->mX + button->mWidth / 2;
            const int y = button->mY + button->mHeight / 2;
            harness.MouseMove(x, y);
            harness.Click(x, y);
            return box->mResult != Sexy::Dialog::kNoResult;
        });
}

// Runs a game's main thread (the window's messages, then one frame) until done() or the deadline.
inline bool PumpHarnessUntil(Sexy::TestHarness& harness, const std::function<bool()>& done, int timeoutMs = kWaitMs)
{
    const auto deadline = DeadlineIn(timeoutMs);
    while (!done())
    {
        if (SteadyClock::now() >= deadline)
            return done();
        harness.PumpMessages(10);
        harness.Step(1);
    }
    return true;
}

// The whole test game: g_AppInfo zeroed (and zeroed again at the end), the application initialised
// headless by the harness (so its main window exists), the view in the widget manager (so every
// step's update releases a delayed message), the window known to the application. The session is
// closed before anything else goes.
class TestGame
{
public:
    TestGame()
    {
        app.m_pGameView = &view;
        app.m_pGameWnd = &wnd;
        harness.GetWidgetManager()->AddWidget(&view);
        AnswerMessageDialogs(harness, app);
    }
    ~TestGame()
    {
        wnd.CloseSession();
        Ostra::g_AppInfo = Ostra::AppInfo{};
    }
    TestGame(const TestGame&) = delete;
    TestGame& operator=(const TestGame&) = delete;

    // Opens the session to 127.0.0.1:port (no proxy unless the test set one on the window).
    int OpenSessionTo(int port)
    {
        std::snprintf(Ostra::g_AppInfo.szServerAddr, sizeof(Ostra::g_AppInfo.szServerAddr), "127.0.0.1");
        Ostra::g_AppInfo.iServerPort = port;
        return wnd.OpenSession();
    }

    // Runs the main thread (the window's messages, then one frame) until done() or the deadline.
    bool PumpUntil(const std::function<bool()>& done, int timeoutMs = kWaitMs)
    {
        return PumpHarnessUntil(harness, done, timeoutMs);
    }

    // Messages the game's own handler got.
    size_t GameMessages() const { return journal.Count("HandleGameMessage"); }

    // The message boxes asked so far, texts only.
    std::vector<std::string> BoxTexts() const { return BoxTextsOf(harness); }

private:
    AppInfoReset m_reset;

public:
    TestGameApp app;
    Sexy::TestHarness harness{app};
    Journal journal;
    TestGameView view{&app, journal};
    TestGameWnd wnd{&app, &view, journal};
};

// ---- Plain TCP peers -----------------------------------------------------------------------------------

// Owns a descriptor.
class Fd
{
public:
    Fd() = default;
    explicit Fd(int fd) : m_fd(fd) {}
    ~Fd() { Reset(); }
    Fd(Fd&& other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}
    Fd& operator=(Fd&& other) noexcept
    {
        if (this != &other)
        {
            Reset();
            m_fd = std::exchange(other.m_fd, -1);
        }
        return *this;
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;

    int Get() const { return m_fd; }
    bool Valid() const { return m_fd >= 0; }
    void Reset(int fd = -1)
    {
        if (m_fd >= 0)
            close(m_fd);
        m_fd = fd;
    }

private:
    int m_fd = -1;
};

// Waits until fd is ready for events; false at the deadline.
inline bool WaitReady(int fd, short events, SteadyClock::time_point deadline)
{
    for (;;)
    {
        pollfd p{fd, events, 0};
        const int r = poll(&p, 1, MsLeft(deadline));
        if (r > 0)
            return true;
        if (r == 0 || errno != EINTR)
            return false;
    }
}

// One end of a TCP connection driven by the test: the game server as the client sees it, or a
// proxy's far side.
class Peer
{
public:
    Peer() = default;
    explicit Peer(int fd) : m_fd(fd) {}

    bool Valid() const { return m_fd.Valid(); }
    int Get() const { return m_fd.Get(); }
    void Close() { m_fd.Reset(); }

    // Writes every byte (waiting while the socket is full); false when the peer is gone or the
    // deadline passes.
    bool Send(const std::string& bytes, int timeoutMs = kWaitMs)
    {
        const auto deadline = DeadlineIn(timeoutMs);
        size_t sent = 0;
        while (sent < bytes.size())
        {
            const ssize_t n = send(m_fd.Get(), bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
            if (n > 0)
            {
                sent += static_cast<size_t>(n);
                continue;
            }
            if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR))
            {
                if (!WaitReady(m_fd.Get(), POLLOUT, deadline))
                    return false;
                continue;
            }
            return false;
        }
        return true;
    }

    // Sends the bytes in pieces of `piece` bytes, each one pushed out on its own (no delay
    // algorithm), so that the reader meets them in many segments.
    bool SendInPieces(const std::string& bytes, size_t piece)
    {
        int one = 1;
        setsockopt(m_fd.Get(), IPPROTO_TCP, TCP_NODELAY, &one, sizeof(one));
        for (size_t at = 0; at < bytes.size(); at += piece)
        {
            if (!Send(bytes.substr(at, piece)))
                return false;
        }
        return true;
    }

    // Reads exactly n bytes; false when the peer closes first or the deadline passes.
    bool RecvExact(size_t n, std::string& out, SteadyClock::time_point deadline)
    {
        out.assign(n, '\0');
        size_t got = 0;
        while (got < n)
        {
            const ssize_t r = recv(m_fd.Get(), &out[got], n - got, MSG_DONTWAIT);
            if (r > 0)
            {
                got += static_cast<size_t>(r);
                continue;
            }
            if (r < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR))
            {
                if (!WaitReady(m_fd.Get(), POLLIN, deadline))
                    return false;
                continue;
            }
            return false;
        }
        return true;
    }

    // Reads one frame and decrypts it into msg. False when no whole frame arrives in time, the
    // connection ends, or the frame is not one of ours.
    bool ReadMessage(std::string& msg, int timeoutMs = kWaitMs)
    {
        const auto deadline = DeadlineIn(timeoutMs);
        std::string header;
        if (!RecvExact(Ostra::kFrameHeaderLen, header, deadline))
            return false;
        const auto* h = reinterpret_cast<const unsigned char*>(header.data());
        const int total = Ostra::FrameTotalLen(h);
        if (h[0] != Ostra::kFrameVersion || total < Ostra::kMinFrameLen)
            return false;
        std::string body;
        if (!RecvExact(static_cast<size_t>(total - Ostra::kFrameHeaderLen), body, deadline))
            return false;
        msg.assign(body.size(), '\0');
        const int n = Ostra::OpenFrameBody(Ostra::kWireKeyText, body.data(), static_cast<int>(body.size()), &msg[0],
                                           static_cast<int>(msg.size()));
        if (n < 0)
            return false;
        msg.resize(static_cast<size_t>(n));
        return true;
    }

    // Waits until the other side closes the connection (what it still sends is read and dropped).
    bool WaitClosed(int timeoutMs = kWaitMs)
    {
        const auto deadline = DeadlineIn(timeoutMs);
        char buf[4096];
        for (;;)
        {
            const ssize_t r = recv(m_fd.Get(), buf, sizeof(buf), MSG_DONTWAIT);
            if (r == 0)
                return true;
            if (r < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)
                return true; // reset: closed as well
            if (r < 0 && !WaitReady(m_fd.Get(), POLLIN, deadline))
                return false;
        }
    }

private:
    Fd m_fd;
};

// A listening socket on 127.0.0.1 and a free port.
class ServerListener
{
public:
    ServerListener()
    {
        m_fd.Reset(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
        int one = 1;
        setsockopt(m_fd.Get(), SOL_SOCKET, SO_REUSEADDR, &one, sizeof(one));
        sockaddr_in sa{};
        sa.sin_family = AF_INET;
        sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        sa.sin_port = 0;
        if (bind(m_fd.Get(), reinterpret_cast<sockaddr*>(&sa), sizeof(sa)) != 0 || listen(m_fd.Get(), 16) != 0)
        {
            m_fd.Reset();
            return;
        }
        socklen_t len = sizeof(sa);
        getsockname(m_fd.Get(), reinterpret_cast<sockaddr*>(&sa), &len);
        port = ntohs(sa.sin_port);
    }

    // The next connection; an invalid peer when none comes in time.
    Peer Accept(int timeoutMs = kWaitMs)
    {
        if (!WaitReady(m_fd.Get(), POLLIN, DeadlineIn(timeoutMs)))
            return Peer();
        return Peer(accept4(m_fd.Get(), nullptr, nullptr, SOCK_CLOEXEC));
    }
    int Get() const { return m_fd.Get(); }
    // Whether a connection is waiting to be accepted, without waiting.
    bool HasPending() const
    {
        pollfd p{m_fd.Get(), POLLIN, 0};
        return poll(&p, 1, 0) > 0;
    }

    int port = 0;

private:
    Fd m_fd;
};

// ---- The opened session: base handlers at work, frame-counted time ----------------------------------

// A lobby's window on a thread of its own, as the lobby program has one: it answers every message
// with 0 and records it. Stopping (the destructor) wakes the thread, destroys the window and joins.
class LobbyWindow
{
public:
    struct Received
    {
        unsigned msg = 0;
        platform::WPARAM wParam = 0;
        platform::LPARAM lParam = 0;
    };

    LobbyWindow()
    {
        m_thread = std::thread([this] { Run(); });
        std::unique_lock<std::mutex> lock(m_mutex);
        m_changed.wait(lock, [this] { return m_started; });
    }
    ~LobbyWindow()
    {
        m_stop.store(true);
        const platform::WindowHandle handle = Handle();
        if (handle != 0)
            platform::PostWindowMessage(handle, kWakeMessage, 0, 0);
        m_thread.join();
    }
    LobbyWindow(const LobbyWindow&) = delete;
    LobbyWindow& operator=(const LobbyWindow&) = delete;

    platform::WindowHandle Handle() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_handle;
    }
    std::vector<Received> Messages() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_received;
    }
    size_t Count(unsigned msg) const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        size_t n = 0;
        for (const Received& r : m_received)
            n += r.msg == msg;
        return n;
    }
    // Waits for the first message msg; false when none comes in time.
    bool WaitFor(unsigned msg, Received* out = nullptr, int timeoutMs = kWaitMs) const
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        const auto found = [&]
        {
            for (const Received& r : m_received)
            {
                if (r.msg == msg)
                {
                    if (out)
                        *out = r;
                    return true;
                }
            }
            return false;
        };
        return m_changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), found);
    }

private:
    // Only wakes the window's thread for the stop; never recorded.
    static constexpr unsigned kWakeMessage = 0x7F01;

    void Run()
    {
        const platform::WindowHandle handle = platform::CreateMessageWindow(
            [this](unsigned msg, platform::WPARAM w, platform::LPARAM l)
            {
                if (msg != kWakeMessage)
                {
                    std::lock_guard<std::mutex> lock(m_mutex);
                    m_received.push_back({msg, w, l});
                    m_changed.notify_all();
                }
                return platform::LRESULT{0};
            });
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_handle = handle;
            m_started = true;
            m_changed.notify_all();
        }
        if (handle == 0)
            return;
        while (!m_stop.load())
            platform::PumpWindowMessages(-1);
        platform::DestroyMessageWindow(handle);
    }

    mutable std::mutex m_mutex;
    mutable std::condition_variable m_changed;
    platform::WindowHandle m_handle = 0;
    bool m_started = false;
    std::vector<Received> m_received;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

// One call of GameAppBase::ShowMessage (the wide form, where every form ends).
struct ShownMessage
{
    std::wstring text;
    int buttonMode = 0;
    int timeoutResult = 0;
    int countdown = 0;
    Sexy::TPoint<int> pos;
    bool modal = false;
    int extra = 0;

    // The form every session notice takes: one button, answered by itself after 10 seconds,
    // centred, modal.
    bool IsSessionNoticeForm() const
    {
        return buttonMode == 1 && timeoutResult == 1 && countdown == 10 && pos == Sexy::TPoint<int>(0, 0) && modal &&
               extra == 1;
    }
};

// The test application that also records its ShowMessage calls (from any thread: the lobby watch
// shows its message from its own) before the framework's box records the text.
class SessionTestApp : public TestGameApp
{
public:
    using Ostra::GameAppBase::ShowMessage;
    int ShowMessage(std::wstring text, int buttonMode, int timeoutResult, int countdown, Sexy::TPoint<int> pos,
                    bool modal, int extra) override
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_shown.push_back({text, buttonMode, timeoutResult, countdown, pos, modal, extra});
        }
        return GameAppBase::ShowMessage(text, buttonMode, timeoutResult, countdown, pos, modal, extra);
    }
    std::vector<ShownMessage> Shown() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_shown;
    }

private:
    mutable std::mutex m_mutex;
    std::vector<ShownMessage> m_shown;
};

// A view that keeps the base's net-test, chat and desk behaviour and records the hooks a game
// overrides.
class SessionTestView : public Ostra::GameViewBase
{
public:
    SessionTestView(Ostra::GameAppBase* app, Journal& journal) : GameViewBase(app), m_journal(journal) {}

    void GameReserved1() override {}
    void GameReserved2() override {}
    void GameReserved3() override {}
    void OnSelfReady() override {}
    void OnAnimateEnd(int) override {}
    void HandleSitDownRes(std::uintptr_t msg, long len) override { m_journal.Add("View::HandleSitDownRes", msg, len); }
    void HandleAgainLoginRes(std::uintptr_t msg, long len) override
    {
        m_journal.Add("View::HandleAgainLoginRes", msg, len);
    }
    void InitDeskInfo() override
    {
        m_journal.Add("View::InitDeskInfo", 0, 0);
        GameViewBase::InitDeskInfo();
    }
    void CallBackOtherPlayerDisconnect(int seat) override
    {
        m_journal.Add("View::CallBackOtherPlayerDisconnect", 0, 0);
        disconnectedSeats.push_back(seat);
    }

    std::vector<int> disconnectedSeats;

private:
    Journal& m_journal;
};

// A window that keeps the base's session behaviour, records the game's parts and reads a clock
// the test sets (SetNow) instead of the machine's tick count.
class SessionTestWnd : public Ostra::GameWndBase
{
public:
    SessionTestWnd(Ostra::GameAppBase* app, Ostra::GameViewBase* view, Journal& journal)
        : GameWndBase(app, view), m_journal(journal)
    {
    }

    void HandleGameMessage(std::uintptr_t msg, long len) override { m_journal.Add("HandleGameMessage", msg, len); }
    void HandlePlayerInfoNotice(std::uintptr_t msg, long len) override
    {
        m_journal.Add("HandlePlayerInfoNotice", msg, len);
        if (onPlayerInfoNotice)
            onPlayerInfoNotice(msg, len);
    }
    void OnTimer(int id) override
    {
        firedTimers.push_back(id);
        GameWndBase::OnTimer(id);
    }

    // From now on Now() answers ms; the window's own clock until the first call.
    void SetNow(std::uint32_t ms)
    {
        m_now = ms;
        m_fixedClock = true;
    }
    std::uint32_t CallNow() { return Now(); }

    // The game's reading of a table snapshot (the base leaves it to the players' part).
    std::function<void(std::uintptr_t, long)> onPlayerInfoNotice;
    // Every timer id OnTimer got, in order.
    std::vector<int> firedTimers;

protected:
    std::uint32_t Now() override { return m_fixedClock ? m_now : GameWndBase::Now(); }

private:
    Journal& m_journal;
    bool m_fixedClock = false;
    std::uint32_t m_now = 0;
};

// The whole session game: like TestGame, with the window in the widget manager as well, so every
// update of the frame loop runs the window's timers. Time is counted in frames: Step(n) runs
// exactly n updates; Pump waits for other threads' messages without running any.
class SessionGame
{
public:
    SessionGame()
    {
        app.m_pGameView = &view;
        app.m_pGameWnd = &wnd;
        harness.GetWidgetManager()->AddWidget(&wnd);
        harness.GetWidgetManager()->AddWidget(&view);
        AnswerMessageDialogs(harness, app);
        // The loop's first step starts its schedule (and runs one update); from here on only
        // Step runs updates.
        harness.PumpMessages(0);
    }
    ~SessionGame()
    {
        wnd.CloseSession();
        Ostra::g_AppInfo = Ostra::AppInfo{};
    }
    SessionGame(const SessionGame&) = delete;
    SessionGame& operator=(const SessionGame&) = delete;

    // The game server at 127.0.0.1:port, for the session that the start-up timer opens.
    static void ServerAt(int port)
    {
        std::snprintf(Ostra::g_AppInfo.szServerAddr, sizeof(Ostra::g_AppInfo.szServerAddr), "127.0.0.1");
        Ostra::g_AppInfo.iServerPort = port;
    }

    // n updates of the frame loop; returns how many ran.
    int Step(int n = 1) { return harness.Step(n); }
    // The updates the window has had.
    int WindowUpdates() const { return wnd.mUpdateCnt; }

    // Runs the main window's messages (no update) until done() or the deadline.
    bool Pump(const std::function<bool()>& done, int timeoutMs = kWaitMs)
    {
        const auto deadline = DeadlineIn(timeoutMs);
        while (!done())
        {
            if (SteadyClock::now() >= deadline)
                return done();
            harness.PumpMessages(10);
        }
        return true;
    }

    // Hands a message to the window as the dispatcher does, then runs frames until the view's
    // delay queue has released it (one a frame).
    void Deliver(std::string msg)
    {
        wnd.FilterNetMessage(reinterpret_cast<std::uintptr_t>(&msg[0]), static_cast<long>(msg.size()));
        for (int i = 0; i < 10 && view.GetDelayMsgCount() > 0; ++i)
            Step(1);
    }

    std::vector<std::string> BoxTexts() const { return BoxTextsOf(harness); }

private:
    AppInfoReset m_reset;

public:
    SessionTestApp app;
    Sexy::TestHarness harness{app};
    Journal journal;
    SessionTestView view{&app, journal};
    SessionTestWnd wnd{&app, &view, journal};
};

} // namespace testsupport
