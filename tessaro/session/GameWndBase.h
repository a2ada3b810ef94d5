// The game window: the top-level widget of every game. It owns the session with the game server
// (the two session queues, the connection and its worker threads, the send mutex), routes every
// received table-protocol message to its handler, and sends the game's messages.
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
#include "pop/Widget.h"
#include "tessaro/app/AppInfo.h"
#include "tessaro/net/ClientStack.h"
#include "tessaro/net/MsgQueue.h"
#include "tessaro/session/GameMsg.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

namespace Ostra
{

class GameAppBase;
class GameViewBase;
struct PlayerNode;

class GameWndBase : public Sexy::Widget, public Sexy::ButtonListener
{
public:
    GameWndBase(GameAppBase* app, GameViewBase* view);
    ~GameWndBase() override;

    // ---- Virtual operations, in the order games rely on ---------------------------------------
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
    virtual void HandleSitDownRes(std::uintptr_t msg, long len);
    virtual void OnTimer(int id);
    virtual void SetAutoLeaveTime(int minutes);
    virtual void OnBtnSet();
    virtual void OnButtonEsc();
    virtual void OnBtnScreen();
    // The authentication response; the base does nothing.
    virtual void HandleAuthenRes(std::uintptr_t msg, long len);
    virtual void HandlePlayerInfoNotice(std::uintptr_t msg, long len);
    virtual void ResetTruePlayerNodeInfo();
    virtual void HandleWaitLoginAgainNotice(std::uintptr_t msg, long len);
    virtual void HandleAgainLoginRes(std::uintptr_t msg, long len);
    virtual void HandleEscapeNotice(std::uintptr_t msg, long len);
    virtual void HandlePlayerInfoRes(std::uintptr_t msg, long len);
    virtual void HandlePlayerJoinServer(std::uintptr_t msg, long len);
    virtual void HandlePlayerLeaveServer(std::uintptr_t msg, long len);
    virtual void HandlePlayerSORLServer(std::uintptr_t msg, long len);
    virtual void HandleGameResultServer(std::uintptr_t msg, long len);
    virtual void HandleGameResultPresent(std::uintptr_t msg, long len);
    virtual void HandlePresentMoneyServer(std::uintptr_t msg, long len);
    virtual bool JudgeAutoEscape();
    virtual bool CallBackKickNotice();
    virtual bool IsUserType(int type, unsigned long userId);
    virtual void StartReplayGameBase(char* szArg);
    virtual void SoundChatInfo(char* msg, int len);
    virtual PlayerNode* GetPlayerNode(int chair);

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
    // Stops and deletes the workers (second connection, main connection, sender, dispatcher, in
    // that order), then the queues. The destructor calls it; safe to call more than once.
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

    // The net-speed test: sends a zero probe (type 1, 20 bytes) and notes the time.
    void StartTestNetMsg();

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

private:
    bool m_bSessionOpened = false;
    // Where SendNetMessage builds its queue item (main thread only).
    std::unique_ptr<char[]> m_pSendItem;
};

} // namespace Ostra
