// The game's connection to its game server and the two threads that move whole game messages
// between it and the main thread.
//
//   ClientStack  the socket stack thread: reads frames, decrypts them and puts each message on the
//                incoming queue as a queue item; SendClientMsg encrypts and frames a message into
//                the stack's write buffer.
//   ClientDQ     the sender thread: takes queue items off the outgoing queue and hands them to
//                ClientStack::SendClientMsg.
//   Dispacher    the dispatcher thread: takes queue items off the incoming queue and hands each
//                message to the main thread with a synchronous window message 1025 to the
//                application's main window; the main thread therefore sees one message at a
//                time, in arrival order, and the bytes stay valid until its handler returns.
//
// The game window (GameWndBase) creates and owns all of them when its session opens and stops them
// in its destructor. A message is an opaque byte string here; its own header is the session's.
//
// Closing the session keeps the last messages (the statistics every exit sends): the sender
// empties the outgoing queue (ClientDQ::FinishBy), then the connection sends what it holds and
// ends cleanly (Stack::FinishBy), both within kSessionCloseDrainMs; a lost connection is not
// waited for.
#pragma once

#include "tessaro/net/Frame.h"
#include "tessaro/net/MsgQueue.h"
#include "tessaro/net/Stack.h"
#include "tessaro/net/Thread.h"

#include "platform/WindowBus.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>

namespace Ostra
{

// How long closing the session may take at most to get the last messages out.
inline constexpr int kSessionCloseDrainMs = 1000;

class GameWndBase;

// Where a connection goes through a proxy. Filled by the game before the session opens (directly
// on ClientStack, or for the game window's main connection through GameWndBase::m_ProxySettings);
// ReadProxySettings fills it from the environment entry or the file described there.
struct ProxySettings
{
    int iEnabled = 0;          // non-zero: connect through the proxy
    int iType = 0;             // 0 SOCKS4, 1 SOCKS5, 2 HTTP CONNECT
    char szHost[64] = {};      // the proxy's dotted-decimal address or host name
    unsigned short usPort = 0; // the proxy's port
    char szUser[64] = {};      // empty: no credentials
    char szPass[64] = {};
};

// Reads proxy settings: the environment entry TESSARO_PROXY when it is set, otherwise the first
// line of the file "proxy.conf" in the current folder (the program's folder once the application
// has started) that is neither blank nor a comment ('#'). Both have the form
//
//     socks4://host:port   socks5://[user[:password]@]host:port   http://[user[:password]@]host:port
//
// (a missing scheme means socks5; "none" or an empty entry means no proxy). Returns true and fills
// *pOut (enabled) when a proxy was found; false leaves *pOut untouched. A malformed text is refused
// with a log line and treated as no proxy.
bool ReadProxySettings(ProxySettings* pOut);
// Parses one proxy text as above; false when it is malformed or names no proxy.
bool ParseProxyText(const std::string& text, ProxySettings* pOut);

class ClientStack : public Stack
{
public:
    ClientStack();
    ~ClientStack() override;

    // Stores the key text, the queue and the window and connects (through the proxy when
    // m_Proxy.iEnabled is set). Returns the connection's socket (0 or more) or a negative value.
    // Once, on the main thread, before the stack thread starts.
    int Initialize(char* szIP, int iPort, MsgQueue* pRecvQueue, GameWndBase* pGameWnd);

    // Encrypts and frames the message of a queue item (its count field gives the length;
    // iItemLen is the item's size and only bounds what is read) and queues the frame. Returns the
    // frame bytes queued, or -1: no connection, a message over 6124 bytes, a count that does not
    // fit the item, a cipher failure or a full write buffer.
    int SendClientMsg(void* pItem, int iItemLen);

    // Waits (up to iTimeoutMs) until a message of iMsgLen bytes fits the write buffer; for the
    // sender thread, so that a burst never overflows it while the server keeps reading.
    bool WaitForSendRoom(int iMsgLen, int iTimeoutMs);

    // Replaces a host name in szHost (16 bytes) by its first IPv4 address in dotted-decimal form;
    // leaves dotted-decimal text and names that do not resolve unchanged.
    static void GetDNSResultIP(char* szHost);

    void CallbackDelSocketNode(int iIndex, int iReason) override;
    void CallbackDelSocketNodeFromKillFlag(int iIndex) override;
    void CallbackTCPReadData(int iIndex) override;

    ProxySettings m_Proxy;
    char m_szKey[sizeof(kWireKeyText)] = {};
    char m_SendBuf[kSendBufLen] = {};
    // The node of the connection; -1 when there is none (before Initialize, after a loss).
    std::atomic<int> m_iIndex{-1};
    int m_iSocket = -1;
    MsgQueue* m_pRecvQueue = nullptr;
    char m_szServerIP[40] = {};
    int m_iServerPort = 0;
    GameWndBase* m_pGameWnd = nullptr;
    // Stored by GameWndBase::DelServerConnect; not read by the library.
    bool m_bDelFlag = false;

private:
    void HeaderStep(int iIndex);
    void BodyStep(int iIndex);
    // The connection is unusable: close it through the disconnect path.
    void Fail(int iIndex);
    int MsgBox(const char* text, const char* title);
    void ShutdownApp();

    char m_DecryptBuf[kDecryptBufLen] = {};
    char m_RecvItem[kQueueItemLen] = {};
};

class ClientDQ : public Thread
{
public:
    ~ClientDQ() override;
    int Run() override;
    int Initialize(MsgQueue* pSendQueue, ClientStack* pClientStack);

    // Asks the thread to hand every message still on the outgoing queue to the connection and
    // then stop; returns at once. It stops earlier at tDeadline or when the connection is lost.
    // The queue is interrupted for it (nothing more is waited for), so the owner puts no more and
    // then waits with Thread::Wait, which ends by the deadline.
    void FinishBy(std::chrono::steady_clock::time_point tDeadline);

protected:
    void WakeUp() override;

    MsgQueue* m_pSendQueue = nullptr;
    ClientStack* m_pClientStack = nullptr;

private:
    // How long the message at hand may wait for room in the write buffer.
    int SendRoomWaitMs() const;

    std::atomic<bool> m_bFinishing{false};
    std::atomic<std::chrono::steady_clock::rep> m_tFinishBy{0};
};

class Dispacher : public Thread
{
public:
    ~Dispacher() override;
    int Run() override;
    // True while the message at wParam is being handed to the main window by this dispatcher:
    // how the main window tells the dispatcher's message 1025 from one sent by anyone else.
    bool IsDelivering(std::uintptr_t wParam) const
    {
        return wParam != 0 && m_uDelivering.load(std::memory_order_acquire) == wParam;
    }
    virtual int InitInstance() { return 1; }
    virtual int ExitInstance() { return 0; }
    // -2 when pRecvQueue is null; otherwise stores both, starts the thread and returns 0.
    virtual int StartThread(MsgQueue* pRecvQueue, GameWndBase* pGameWnd);

    MsgQueue* m_pRecvQueue = nullptr;
    GameWndBase* m_pGameWnd = nullptr;

protected:
    void WakeUp() override;

private:
    // Hands one message to the main window; gives up only when the thread is stopped or the
    // window is gone.
    void Deliver(const char* pMsg, int iLen);

    platform::WindowHandle m_hMainWnd = 0;
    std::atomic<std::uintptr_t> m_uDelivering{0};
};

} // namespace Ostra
