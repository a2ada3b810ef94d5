// The game window: the top-level widget of every game. It owns the session with the game server
// (the two session queues, the connection and its worker threads, the send mutex), routes every
// received table-protocol message to its handler, and sends the game's messages. It is also the
// window's frame: it draws the table's ground, carries the title-bar buttons (quit, settings,
// minimise, screenshot, help, a link, the five replay controls), and lets the player drag the real
// window by its top strip.
//
// A game derives its window from GameWndBase, overrides the virtual handlers it cares about and
// implements HandleGameMessage for its own message types. The application (GameAppBase) hands each
// received message to FilterNetMessage on the main thread; the view's delay queue holds back most
// types until the view releases them, one per frame (see IsDelayMsg).
//
// Handlers take (msg, len): the message's address as an integer and its length; the bytes are valid
// until the handler returns. Read them through MsgView (tessaro/session/GameMsg.h), which never
// reads past len.
#pragma once

#include "pop/Listeners.h"
#include "pop/Point.h"
#include "pop/Widget.h"
#include "tessaro/app/AppInfo.h"
#include "tessaro/net/ClientStack.h"
#include "tessaro/net/MsgQueue.h"
#include "tessaro/session/GameMsg.h"
#include "tessaro/session/PlayerNode.h"
#include "tessaro/widgets/Timer.h"

#include "platform/Process.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <sys/types.h>
#include <vector>

namespace Sexy
{
class ButtonWidget;
class WidgetManager;
} // namespace Sexy

namespace Ostra
{

class GameAppBase;
class GameViewBase;
class WaitLobbyThread;

// The records of the window's player arrays.
inline constexpr int kTablePlayerNodes = 10;
inline constexpr int kAllPlayerNodes = 1000;

// The window's timers (Ostra::Timer, counted in frames).
enum GameWndTimer : int
{
    TIMER_OPEN_SESSION = 2, // once, 500 ms after Init: opens the session
    TIMER_KEEP_ALIVE = 3,   // every 15 s: the keep-alive
    TIMER_NET_TEST = 4,     // every 10 s: the net-speed probe and the stuck check
    TIMER_AUTO_LEAVE = 5,   // the automatic leave check
};
// The automatic leave check's period while the player sits at a table: 20 minutes.
inline constexpr int kAutoLeaveMs = 1200000;

// The title-bar buttons' ids (both screen-mode buttons share id 3).
enum GameWndButton : int
{
    BTN_ESC = 1,
    BTN_SET = 2,
    BTN_SCREEN_MODE = 3,
    BTN_MIN = 4,
    BTN_HELP = 5,
    BTN_SCREENSHOT = 6,
    BTN_HOMEPAGE = 7,
    BTN_LINK = 8,
    BTN_AWARD = 9,
    BTN_REPLAY_PLAY = 10,
    BTN_REPLAY_PAUSE = 11,
    BTN_REPLAY_FAST = 12,
    BTN_REPLAY_QUIT = 13,
    BTN_REPLAY_FASTSTOP = 14,
};
// The message with which the replay buttons command the lobby, and its commands.
inline constexpr unsigned kReplayCommandMsg = 0x658;
enum ReplayCommand : int
{
    REPLAY_PLAY = 1,
    REPLAY_FAST = 2,
    REPLAY_NORMAL = 3,
    REPLAY_PAUSE = 4,
};
// The strip at the top of the window by which the player drags it, and the least time between
// two moves of the window.
inline constexpr int kDragStripHeight = 32;
inline constexpr std::uint32_t kDragIntervalMs = 50;

class GameWndBase : public Sexy::Widget, public Sexy::ButtonListener
{
public:
    GameWndBase(GameAppBase* app, GameViewBase* view);
    // Stops the lobby watch and closes the session before anything else goes.
    ~GameWndBase() override;

    // Every frame: the widget's update, then the timers in ascending id order, then UpdateMusic.
    void Update() override;

    // Another settings record for the window and its view (g_AppInfo from construction on); null
    // is ignored.
    void SetAppInfo(AppInfo* pAppInfo);

    // ---- The frame -----------------------------------------------------------------------------
    // The buttons are top-level widgets in front of the window (and its view): added to the
    // manager with the window and removed with it.
    void AddedToManager(Sexy::WidgetManager* manager) override;
    void RemovedFromManager(Sexy::WidgetManager* manager) override;
    // Black, then the table's ground picture at (0, 0).
    void Draw(Sexy::Graphics* g) override;
    // Places the title-bar buttons along the top right and the replay controls in the middle.
    void Resize(int x, int y, int width, int height) override;
    using Widget::Resize;
    // F10 saves a screenshot (without the chat line of the screenshot button).
    void KeyDown(Sexy::KeyCode key) override;
    // A single left click on the top strip of a windowed application starts dragging the real
    // window; the release ends it; the window follows the mouse at most once per kDragIntervalMs.
    using Widget::MouseDown;
    void MouseDown(int x, int y, int button, int clickCount) override;
    using Widget::MouseUp;
    void MouseUp(int x, int y, int button, int clickCount) override;
    void MouseDrag(int x, int y) override;
    // The click sound, then the button's action.
    void ButtonDepress(int id) override;

    // Text helpers for games. RemoveStrEnter ends the text at its first line break (every CR and
    // LF becomes a zero byte). HextoStr turns hexadecimal digits into bytes, the first digit of a
    // pair giving the high four bits: at most len digits (and 500) are read, characters that are
    // not hexadecimal digits are skipped, an odd last digit is ignored, and at most len / 2 bytes
    // are written.
    static void RemoveStrEnter(char* text);
    static void HextoStr(const unsigned char* hex, char* out, int len);

    // ---- Virtual operations, in the order games rely on ---------------------------------------
    // Gives the view the table's player array and arms the start-up timer: 500 ms later the
    // session opens (see OnTimer).
    virtual void Init();
    virtual void UpdateMusic();
    // The connection to the game server was lost (called on the connection's thread, before the
    // loss is shown and the game ends). Empty here.
    virtual void CallBackTCPDisconnection();
    // Every message type that the table protocol does not handle: the game's own messages.
    virtual void HandleGameMessage(std::uintptr_t msg, long len) = 0;
    // Whether a received message of this type waits in the view's delay queue: false for types 1,
    // 26, 49 and 144, true for every other type.
    virtual bool IsDelayMsg(int type);
    // Type 34, the answer to the own chair request: resets the view's game-master column width and
    // the automatic leave (20 minutes); on success (result 1, 2, 3, or 32 read as 1) resets the
    // desk, brings the main window forward, stores the table's values in AppInfo, names the table
    // and hands the message to the view's HandleSitDownRes. A message shorter than its 104-byte
    // layout is dropped with a log line.
    virtual void HandleSitDownRes(std::uintptr_t msg, long len);
    // Timer 2 opens the session: it tells the lobby the main window (message 0x46F), opens the
    // session (OpenSession), shows "无法连接游戏服务器。" and ends the game when the server cannot
    // be reached, otherwise starts the keep-alive; then notes the time of the first probe and
    // starts the lobby watch. Timer 3 sends the keep-alive (type 26, 12 bytes) and timer 4 the
    // net-speed probe, both unless the connection was lost; timer 4 also ends a game that has had
    // no echo for more than 35 s (logged under "STUCK", message 0x532 to the lobby). Other ids do
    // nothing here.
    virtual void OnTimer(int id);
    // (Re)starts timer 5, the automatic leave check, with a period of ms milliseconds; an
    // internet-cafe quick-match table (iRoomType 1 with bQuickMatchTable) keeps the timer as it is.
    virtual void SetAutoLeaveTime(int ms);
    // The settings dialog (dialog 110), centred, waited for.
    virtual void OnBtnSet();
    virtual void OnButtonEsc();
    // A screenshot; when it was saved, a chat line names its file.
    virtual void OnBtnScreen();
    // The authentication response; the base does nothing.
    virtual void HandleAuthenRes(std::uintptr_t msg, long len);
    // Type 52, the table snapshot: rebuilds the shown table (seated players from index 0 in message
    // order, lookers from iMaxPlayerNum on), the true and the masked records, the view's ready and
    // seated counts and its user list; announces newcomers (a chat line on ordinary tables and
    // CallBackOtherPlayerEnter) and refills the view's seats. Entries that would fall beyond the ten
    // records are left out with a log line; a message shorter than its entries is dropped.
    virtual void HandlePlayerInfoNotice(std::uintptr_t msg, long len);
    // Puts the seated players as received back into the shown table (lookers drop out) and
    // refreshes the view's user list.
    virtual void ResetTruePlayerNodeInfo();
    // Type 54: a player of the table dropped (byte 9 = 2: may come back) or was forced out (any
    // other value); byte 8 is the player's server chair. A chat line, the record's iOfflineState,
    // the view's m_cOffline and CallBackOtherPlayerDisconnect. A chair not at the table is
    // ignored; a message shorter than 10 bytes is dropped with a log line.
    virtual void HandleWaitLoginAgainNotice(std::uintptr_t msg, long len);
    // Type 36: the player re-enters a running table. Stores the table's values in AppInfo, adds
    // the chat line, names the table, resets the desk, hands the embedded table snapshot to
    // HandlePlayerInfoNotice as a type-52 notice of 852 bytes, restores the away and system-play
    // marks of the seats and lets the view restore the game. A message shorter than its 300-byte
    // layout is dropped with a log line; a snapshot that does not lie inside the message is
    // skipped with a log line and the rest goes on.
    virtual void HandleAgainLoginRes(std::uintptr_t msg, long len);
    virtual void HandleEscapeNotice(std::uintptr_t msg, long len);
    // Type 35, a page of the list of every player on the server (byte 9 = 1: the first page, which
    // starts the list anew). The list holds 1000 records; entries beyond them are left out with a
    // log line.
    virtual void HandlePlayerInfoRes(std::uintptr_t msg, long len);
    // Type 65: a player joined the server; added to the list unless hidden (user-type bit 4), the
    // own user, id 0, or the own user is no game master at a table of kind 2.
    virtual void HandlePlayerJoinServer(std::uintptr_t msg, long len);
    // Type 66: a player left the server; the records after his move down one place.
    virtual void HandlePlayerLeaveServer(std::uintptr_t msg, long len);
    // Type 67: a player sat down at (mode 1) or left (mode 0) a table; the own sitting down names
    // the own table in AppInfo.
    virtual void HandlePlayerSORLServer(std::uintptr_t msg, long len);
    virtual void HandleGameResultServer(std::uintptr_t msg, long len);
    virtual void HandleGameResultPresent(std::uintptr_t msg, long len);
    virtual void HandlePresentMoneyServer(std::uintptr_t msg, long len);
    virtual bool JudgeAutoEscape();
    virtual bool CallBackKickNotice();
    // Whether mask and type share a bit.
    virtual bool IsUserType(int mask, unsigned long type);
    // In replay mode shows the replay controls (pause, fast and quit); otherwise hides all five.
    virtual void StartReplayGameBase(char* szArg);
    virtual void SoundChatInfo(char* text, int senderId);
    // The first record of the shown table (m_PlayerNode, lookers included) with that user id; null
    // when there is none.
    virtual PlayerNode* GetPlayerNode(int userId);

protected:
    // The current tick count in milliseconds (platform::TickCount), wherever the session measures
    // time: the net-speed probe, its echo and the stuck check. Tests replace the clock here.
    virtual std::uint32_t Now();

public:
    // ---- The players -------------------------------------------------------------------------
    // Sends the own record's statistics (type 241, 40 bytes, little-endian fields): money,
    // strength, wealth, wins, losses, draws, CM value and the user id. Nothing when the own user is
    // not in the shown table.
    void SendPlayerInfoChange();

    // ---- Leaving -------------------------------------------------------------------------------
    // With the flag true: when the lobby's window (AppInfo hLobbyWnd) is known, the own statistics
    // and message 0x507 (first, second) to the lobby; then the application shuts down. With the
    // flag false: the escape request to the server (type 115, 12 bytes, byte 8 = second, byte 9 =
    // first).
    void SendEscapeReq(int first, int second, bool toLobby);
    // The game's state to the server (type 242, 12 bytes, byte 8 = the state's low byte); state 1
    // (a game starts) first notes the time in AppInfo tPlayStart for the played minutes.
    void SendGameStateChange(unsigned int state);
    // The end of every exit: when the lobby's window is known, the own statistics (when asked)
    // and message 0x507 (wParam, lParam) to it; then the application shuts down.
    void ExitToLobby(int wParam, int lParam, bool sendStatistics);
    // The notices' message box (one button) and the confirmation (two buttons, true when the
    // player confirmed); narrow texts are GBK.
    void ShowNotice(const std::string& text);
    void ShowNotice(const std::wstring& text);
    bool ConfirmMessage(const std::string& text);

    // ---- Sending -------------------------------------------------------------------------------
    // Sends a message of len bytes at msg: writes the 8-byte header into the caller's buffer
    // (version 3, type, len - 8 big-endian at offset 4) and queues it for the sender thread. Types
    // 17 and 26 are also written at once on the second connection when a game attached one.
    // Nothing is sent, and the buffer is left untouched, in replay mode (AppInfo bReplay), when
    // AppInfo cNoSend is 1, before the session is open, or for a length outside 8..10496 (refused
    // with a log line before anything is copied).
    void SendNetMessage(void* msg, int type, int len);

    // ---- Receiving (main thread) ---------------------------------------------------------------
    // Checks the message version and either queues the message on the view's delay queue
    // (IsDelayMsg) or dispatches it at once.
    void FilterNetMessage(std::uintptr_t msg, long len);
    // Checks the version, calls the handler of the type, marks the window dirty and runs the
    // follow-ups of types 34, 36, 52, 53 and 78.
    void OnGameNetMessage(std::uintptr_t msg, long len);

    // The handler that OnGameNetMessage calls for a message type; the table of the protocol.
    using Handler = void (GameWndBase::*)(std::uintptr_t msg, long len);
    static Handler HandlerFor(int type);

    // Fixed handlers of the table protocol.
    void HandleTestNetMsg(std::uintptr_t msg, long len);
    void HandleKickPlayerRes(std::uintptr_t msg, long len);
    void HandleChatInfoNotice(std::uintptr_t msg, long len);
    // Type 53: byte 8 is the chair of a player who declared ready (his record is marked; the own
    // player's readiness reaches the view's OnSelfReady), or 0xFF for the server's general ready
    // call, which a seated player answers at once (type 27). Then the view's HandleReadyNotice.
    void HandleReadyNotice(std::uintptr_t msg, long len);
    void HandleKickOutServer(std::uintptr_t msg, long len);
    void HandleEscapeGameStateNotice(std::uintptr_t msg, long len);
    void HandleAutoSendNotice(std::uintptr_t msg, long len);
    void HandleChatInfoRes(std::uintptr_t msg, long len);
    // Type 127 belongs to the table view.
    void ForwardQuickChatInfoRes(std::uintptr_t msg, long len);

    // ---- The session ---------------------------------------------------------------------------
    // Opens the session: creates both queues, the connection, the sender and the dispatcher (and
    // starts those two), then, unless in replay mode, connects to AppInfo szServerAddr:iServerPort
    // and starts the connection's thread. Returns the connect result (the socket, 0 or more, or
    // negative on failure; 0 in replay mode). Once; a second call returns -1 and changes nothing.
    int OpenSession();
    // Stops the dispatcher, lets the sender hand on what is still queued and the connections send
    // what they hold and end cleanly (within kSessionCloseDrainMs in all; a lost connection at
    // once), then deletes the workers and the queues. The destructor calls it; safe to call more
    // than once.
    void CloseSession();
    bool IsSessionOpen() const { return m_pSendQueue != nullptr; }

    // The main connection's node is open.
    bool IsNetAvailable();
    // Marks the main connection (and the second one, when present) for closing without the
    // disconnect message; flag is stored in the main connection.
    void DelServerConnect(bool flag);
    void ReconnectServer() {}

    // The application's main window on the bus, where the dispatcher delivers messages; 0 without
    // an application.
    platform::WindowHandle GetMainWindow() const;

    // The net-speed test: sends a zero probe (type 1, 20 bytes), notes the time of probe and
    // echo and runs timer 4 (a probe every 10 s). StopTestNetMsg stops timer 4.
    void StartTestNetMsg();
    void StopTestNetMsg();

    // The lobby watch: a thread that waits for the end of the lobby's process (the owner of
    // AppInfo hLobbyWnd) and then shows "大厅客户端异常关闭，游戏结束。". The parameter is the
    // pair (the watch, the window); returns 0. The window's destructor cancels the wait and joins
    // the thread.
    struct WaitLobbyParam
    {
        platform::ProcessWatch* pProcess = nullptr;
        GameWndBase* pWnd = nullptr;
    };
    static unsigned long WaitLobbyThreadProc(void* param);
    // Whether the watch thread was started and the window has not stopped it yet.
    bool IsWatchingLobby() const;

    // ---- Members -------------------------------------------------------------------------------
    GameAppBase* m_pGameApp = nullptr;
    GameViewBase* m_pGameView = nullptr;
    AppInfo* m_pAppInfo = nullptr;

    // The session, created by OpenSession and owned here.
    std::unique_ptr<MsgQueue> m_pRecvQueue;
    std::unique_ptr<MsgQueue> m_pSendQueue;
    std::unique_ptr<ClientStack> m_pClientStack;
    // A second connection that a game may attach (connected and started by the game); the window
    // owns it from then on and stops it first when the session closes. Types 17 and 26 are
    // written on it too.
    std::unique_ptr<ClientStack> m_pClientStack2;
    std::unique_ptr<ClientDQ> m_pClientDQ;
    std::unique_ptr<Dispacher> m_pDispacher;
    // Serialises the encryption of every send (the sender thread and direct writes on the second
    // connection share the cipher's generator).
    std::mutex m_hSendMutex;
    // Set by the connection when the game-server socket is lost; stops keep-alives and probes.
    std::atomic<bool> m_bDisconnected{false};
    // The main connection goes through this proxy when it is enabled; a game may fill it before
    // the session opens. Left disabled, OpenSession reads ReadProxySettings.
    ProxySettings m_ProxySettings;
    // Tick counts (ms) of the last probe sent and the last echo received.
    std::uint32_t m_iTestSendTick = 0;
    std::uint32_t m_iTestReplyTick = 0;

    // The window's timers: 2 open the session, 3 keep-alive, 4 net test, 5 automatic leave.
    Timer m_Timer;

    // The title-bar buttons, owned; only their visibility changes.
    std::unique_ptr<Sexy::ButtonWidget> m_pBtnEsc;
    std::unique_ptr<Sexy::ButtonWidget> m_pBtnMin;
    std::unique_ptr<Sexy::ButtonWidget> m_pBtnScreenshot;
    std::unique_ptr<Sexy::ButtonWidget> m_pBtnHelp;
    std::unique_ptr<Sexy::ButtonWidget> m_pBtnSet;
    std::unique_ptr<Sexy::ButtonWidget> m_pBtnLink;
    std::unique_ptr<Sexy::ButtonWidget> m_pBtnScreenModeA;
    std::unique_ptr<Sexy::ButtonWidget> m_pBtnScreenModeB;
    std::unique_ptr<Sexy::ButtonWidget> m_pBtnHomepage;
    std::unique_ptr<Sexy::ButtonWidget> m_pBtnAward;
    std::unique_ptr<Sexy::ButtonWidget> m_pBtnReplayPlay;
    std::unique_ptr<Sexy::ButtonWidget> m_pBtnReplayPause;
    std::unique_ptr<Sexy::ButtonWidget> m_pBtnReplayFast;
    std::unique_ptr<Sexy::ButtonWidget> m_pBtnReplayFastStop;
    std::unique_ptr<Sexy::ButtonWidget> m_pBtnReplayQuit;
    // A game sets it to let button 3 switch between windowed and full screen.
    bool m_bScreenModeBtn = false;
    // Dragging the real window: the cursor on the desktop at the last move, and that move's time.
    bool m_bDragging = false;
    Sexy::Point m_ptDragLast;
    std::uint32_t m_dwLastDragTick = 0;

    // The players, zero at construction. m_PlayerNode is the table as shown (the view reads it
    // through its m_pPlayerNode); m_TruePlayerNode the seated players as received;
    // m_MaskPlayerNode their masked copies for tables that hide names; m_AllPlayerNode every
    // player of the game server, m_iAllPlayerNum of them in use.
    PlayerNode m_PlayerNode[kTablePlayerNodes] = {};
    PlayerNode m_TruePlayerNode[kTablePlayerNodes] = {};
    PlayerNode m_MaskPlayerNode[kTablePlayerNodes] = {};
    PlayerNode m_AllPlayerNode[kAllPlayerNodes] = {};
    int m_iAllPlayerNum = 0;

    // Chat and kicks: the reason shown while chat is forbidden; the pending kick notice (empty:
    // none); a copy of the first 284 bytes of the latest kind-0 kick notice, kept for games.
    std::wstring m_strForbidChatMsg;
    std::wstring m_strKickNotice;
    static constexpr int kKickOutMsgLen = 284;
    char m_KickOutMsg[kKickOutMsgLen] = {};
    // A flag for games; the library neither reads nor writes it.
    static bool m_bSendLeave;

    // The lobby watch: the lobby's process id, the watch on it and the thread that waits.
    pid_t m_dwLobbyPid = 0;
    std::unique_ptr<platform::ProcessWatch> m_hLobbyProcess;
    std::unique_ptr<WaitLobbyThread> m_hWaitLobbyThread;

private:
    void CreateButtons();
    // The buttons in the orders in which the manager gets and loses them.
    std::vector<Sexy::ButtonWidget*> ButtonsToAdd() const;
    std::vector<Sexy::ButtonWidget*> ButtonsToRemove() const;
    void PostReplayCommand(unsigned msg, int command);

    // Timer 2's work, once.
    void OpenGameSession();
    // Timer 4's work.
    void SendTestNetProbe();
    void StartLobbyWatch();
    void StopLobbyWatch();
    // The session's messages to the player (wide form, one button, the system's placement).
    void ShowSessionMessage(const std::wstring& text);

    bool m_bSessionOpened = false;
    WaitLobbyParam m_WaitLobbyParam;
    // The sit-down's bringing forward of the application's main window: raised, made topmost and
    // at once not topmost again, restored when minimised. Headless there is no window to move.
    void BringMainWindowForward();
    // Fills the masked copy of a seated player for tables that hide names.
    static void MaskPlayerNode(const PlayerNode& seated, PlayerNode* masked);
    // AppInfo szTableName for the table in iTableNo: the anti-cheat names on tables of kinds 1 and
    // 2, "第%d桌" otherwise.
    static void NameTable(AppInfo& info);

    // Where SendNetMessage builds its queue item (main thread only).
    std::unique_ptr<char[]> m_pSendItem;
};

// The lobby watch's thread: runs GameWndBase::WaitLobbyThreadProc on its parameter; stopping it
// cancels the wait, so the window can always end it.
class WaitLobbyThread : public Thread
{
public:
    explicit WaitLobbyThread(GameWndBase::WaitLobbyParam* pParam) : m_pParam(pParam) {}
    ~WaitLobbyThread() override;
    int Run() override;

protected:
    void WakeUp() override;

private:
    GameWndBase::WaitLobbyParam* m_pParam;
};

} // namespace Ostra
