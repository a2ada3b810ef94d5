// Window messages within and between processes.
//
// A message window is a 32-bit handle with a handler (msg, wParam, lParam) -> result, owned by the
// thread that created it. Messages to a window run its handler on that thread, one at a time, when
// the thread pumps its mailbox (PumpWindowMessages, which a frame loop calls every frame).
//
// Every window also listens on an abstract Unix-domain socket whose name carries its handle, so
// other processes of the same user reach it by its handle alone:
//   - SendWindowMessage waits for the handler's result. In the same process the caller waits
//     until the owner thread has run the handler (at once when the caller is the owner). To
//     another process the request goes over the socket and the caller waits a bounded time
//     (SetSendTimeoutMs), so a hung or vanished peer yields a failure, not a frozen caller.
//     While it waits, a thread keeps running messages sent to its own windows, so two windows that
//     send to each other do not deadlock.
//   - PostWindowMessage queues the message and returns; posts from one thread to one window arrive
//     in the order they were posted.
//   - WM_COPYDATA carries a COPYDATASTRUCT (lParam) whose bytes are copied: the receiving handler
//     gets a COPYDATASTRUCT of its own pointing at its own copy, valid during the call. It can only
//     be sent, not posted. wParam is by convention the sender's window handle.
// wParam and lParam of other messages travel as plain numbers.
//
// A window accepts connections only from processes of the same user, and drops a malformed or
// oversized request (and its connection) with a diagnostic line; nothing a peer sends is read past
// what arrived.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <sys/types.h>

namespace platform
{

using WindowHandle = std::uint32_t; // 0 is no window
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;

// Message numbers the system uses.
inline constexpr unsigned WM_CLOSE = 0x0010;
inline constexpr unsigned WM_COPYDATA = 0x004A;
inline constexpr unsigned WM_SYSCOMMAND = 0x0112;
inline constexpr WPARAM SC_MINIMIZE = 0xF020;
inline constexpr unsigned WM_USER = 0x0400;
// The dispatcher hands one received game message to the main thread (wParam: the queue item,
// lParam: its length).
inline constexpr unsigned WM_GAME_NETMSG = 0x0401;
// Game to lobby: the session opens (wParam: the game's window).
inline constexpr unsigned WM_LOBBY_GAMEWND = 0x046F;
// Game to lobby: the game ends itself (wParam: exit reason, lParam: second value).
inline constexpr unsigned WM_LOBBY_GAMEEXIT = 0x0507;
// Game to lobby: the net-speed probe declared the game stuck.
inline constexpr unsigned WM_LOBBY_STUCK = 0x0532;
// Game to lobby: replay controls (wParam: 1 play, 2 fast, 3 normal speed, 4 pause).
inline constexpr unsigned WM_LOBBY_REPLAY = 0x0658;

struct COPYDATASTRUCT
{
    std::uintptr_t dwData; // the sender's tag
    std::uint32_t cbData;  // bytes at lpData
    void* lpData;
};

// The largest WM_COPYDATA payload a window accepts.
inline constexpr std::uint32_t kMaxCopyData = 1u << 20;

using WindowProc = std::function<LRESULT(unsigned msg, WPARAM wParam, LPARAM lParam)>;

// Creates a message window owned by the calling thread; 0 when no handle or socket could be had.
WindowHandle CreateMessageWindow(WindowProc proc);

// Destroys a window of this process (from any thread). Messages still queued for it are dropped
// and their senders get a failure. False when the handle is not a window of this process.
bool DestroyMessageWindow(WindowHandle hWnd);

// Runs the messages waiting for the windows of the calling thread, in arrival order; waits up to
// iWaitMs (negative: without limit) for the first one when none is waiting. Returns how many ran.
int PumpWindowMessages(int iWaitMs = 0);

// Sends and waits for the result. Same process: no time limit (but a failure when the window is
// destroyed or its owner thread has ended); another process: the send time-out. *pbOk (when given)
// tells whether the handler ran; on failure the result is 0.
LRESULT SendWindowMessage(WindowHandle hWnd, unsigned msg, WPARAM wParam, LPARAM lParam, bool* pbOk = nullptr);

// The same with an explicit time limit in milliseconds (negative: none) for either case. In the
// same process a send that times out is taken back before its handler starts, so it never runs
// later with values the caller no longer holds; once the handler has started the call waits for it
// and succeeds with its result.
bool SendWindowMessageTimeout(WindowHandle hWnd, unsigned msg, WPARAM wParam, LPARAM lParam, int iTimeoutMs,
                              LRESULT* pResult);

// The most posted messages that may wait for one window. A window whose thread stops pumping
// would otherwise collect posts without bound; past this many a post is refused (false), with one
// diagnostic line when the flood starts and one when the window has worked its queue down to half
// the limit again. Sends are not limited (each sender waits for its answer) and still arrive.
// A post from another process is acknowledged by nothing, so one that finds the window's queue
// full is dropped at the window's side, under the same two diagnostic lines.
inline constexpr std::size_t kMaxPostsWaiting = 10000;

// Queues a message; false when the window does not exist or cannot be reached, when
// kMaxPostsWaiting posts already wait for it (or for WM_COPYDATA, which must be sent).
bool PostWindowMessage(WindowHandle hWnd, unsigned msg, WPARAM wParam, LPARAM lParam);

// The id of the process that owns the window, 0 when there is no such window.
pid_t GetWindowThreadProcessId(WindowHandle hWnd);

// True when the handle names a window of this or another process.
bool IsWindow(WindowHandle hWnd);

// The time limit of sends to other processes, in milliseconds (default 5000).
void SetSendTimeoutMs(int iTimeoutMs);
int GetSendTimeoutMs();

// Where the bus writes its diagnostic lines (default: standard error). Null restores the default.
void SetBusDiagnostics(std::function<void(const std::string&)> sink);

} // namespace platform
