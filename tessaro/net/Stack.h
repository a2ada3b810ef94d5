// A worker thread that serves a fixed table of sockets from one select loop.
//
// The stack closes nodes on request, enforces per-node time-outs, drains each node's write buffer
// and fills each node's read buffer in steps whose lengths the owner sets, and calls the virtual
// callbacks below when a read step is complete, a node is closed or a time-out fires. It knows
// nothing of message contents: a subclass decides in CallbackTCPReadData what the next read step
// collects (by changing iReadMsgPos and iReadMsgLen, or with ResetReadState).
//
// Node kinds: 1 listening socket (each pending connection is accepted and added as a kind 2 node
// with the listener's read-head length and time-out), 2 accepted connection, 3 outgoing
// connection, 4 datagram socket.
//
// Threads: the owner adds its nodes, then calls Start. WriteData, SetKillFlag, AddSocketNode,
// StartProxy and Wake may be called from any thread and take effect at once (they wake the select
// loop). Callbacks and the read state belong to the stack thread. A subclass stops the thread in
// its own destructor (Thread::Stop) before its members go away.
//
// Closing: Stop ends the thread at once and what the write buffers hold is lost. FinishBy lets the
// thread send what is queued first and close each connection cleanly, within a deadline; the owner
// then waits with Thread::Wait.
#pragma once

#include "tessaro/net/Proxy.h"
#include "tessaro/net/Thread.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <ctime>
#include <memory>
#include <mutex>

struct SocketNode
{
    int iType = 0;    // 1 listener, 2 accepted, 3 outgoing, 4 datagram
    int iTimeOut = 0; // seconds without a completed message before the node times out; 0 none
    int iSocket = 0;  // 0: the slot is free
    std::int64_t tDeadline = 0;
    int iReadHeadLen = 0; // length of each message's first read step; above 0: watched for reading
    char* pReadBuf = nullptr;
    int iReadMsgLen = 0; // bytes the current read step collects
    int iReadMsgPos = 0; // where in pReadBuf the current step stores them
    int iReadBytes = 0;  // collected so far in the current step
    int iReadDirty = 0;  // pReadBuf is zero from here on; ResetReadState clears only the part before
    // Bytes taken off the socket ahead of the read steps: one receive serves many small steps.
    char* pAhead = nullptr;
    int iAheadStart = 0;
    int iAheadEnd = 0;
    char* pWriteBuf = nullptr;
    int iWriteLen = 0;   // bytes queued from the start of pWriteBuf
    int iWriteBytes = 0; // of which sent
    std::uint32_t tReuseTime = 0;
    std::atomic<char> cKillFlag{0};  // 1: the stack thread closes the node on its next pass
    std::atomic<char> cProxyFlag{0}; // 1: a proxy handshake runs on the node
    bool bWriteShut = false;         // the stack is finishing and has sent the node's end of writing
    Proxy proxy;
};

class Stack : public Thread
{
public:
    // iNodeNum nodes, each with a read buffer of iReadBufSize and a write buffer of iWriteBufSize
    // bytes, all allocated here and never again. Negative sizes count as 0.
    Stack(int iNodeNum, int iReadBufSize, int iWriteBufSize);
    ~Stack() override;

    int Run() override;

    virtual void CallbackAddSocketNode(int iIndex);
    // iReason: 0 for read, write, buffer and time-out failures, -100 when the peer closed or
    // failed during a proxy handshake, or the proxy's own negative result.
    virtual void CallbackDelSocketNode(int iIndex, int iReason);
    virtual void CallbackDelSocketNodeFromKillFlag(int iIndex);
    virtual void CallbackSocketTimeOut(int iIndex);
    virtual void CallbackTCPReadData(int iIndex);
    // ulAddr and usPort in network byte order, as they stand in the socket address.
    virtual void CallbackUDPReadData(int iIndex, unsigned long ulAddr, unsigned short usPort);
    virtual int ReservedHook1() { return 1; }
    virtual int ReservedHook2() { return 0; }
    virtual void CallbackProxyConnected(int iArg);

    // Adds an open socket as a node; returns its index or -1 (table full, or a socket this loop
    // cannot watch). The stack owns the socket from then on.
    int AddSocketNode(int iSocket, int iType, int iReadHeadLen, int iTimeOut, bool bNotify);
    // Closes a node now. A node without a socket is left alone.
    void DelSocketNode(int iIndex, bool bNotify, int iReason);
    // Arms a node for its next message: the first step reads iReadHeadLen bytes at offset 0.
    void ResetReadState(int iIndex);
    // Appends to a node's write buffer; returns iLen, or -1 (bad index, or not enough room: the
    // whole block is refused and what was queued is kept). Bytes already sent no longer count
    // against the room, so a steady stream never fills the buffer while the peer keeps reading.
    int WriteData(int iIndex, const void* pData, int iLen);
    // Waits up to iTimeoutMs (negative: without limit) until the node's write buffer has room for
    // iLen more bytes. True when it has; false on the time-out, when the node is closed or gone,
    // when iLen can never fit, or when the stack is being stopped. A producer that must not lose
    // data calls it before WriteData instead of retrying blindly. Never call it on the stack
    // thread, which is the one that makes room.
    bool WaitForWriteRoom(int iIndex, int iLen, int iTimeoutMs);
    // Bytes queued on a node and not yet sent; 0 for a bad index.
    int GetPendingWrite(int iIndex);
    // The stack thread closes the node on its next pass when cFlag is 1. Indexes outside the
    // table are ignored.
    void SetKillFlag(int iIndex, char cFlag);

    // Opens an outgoing TCP connection to a dotted IPv4 address and adds it as a kind 3 node with
    // notification; returns the node index or -1. The connect waits at most m_iConnectTimeoutMs.
    int ConnectTCP(const char* szIP, int iPort, int iReadHeadLen, int iTimeOut, int iLocalPort);
    // Listens on a dotted IPv4 address (null: any) and port (0: any free one) as a kind 1 node.
    int ListenTCP(const char* szIP, int iPort, int iReadHeadLen, int iTimeOut);
    // Opens a datagram socket bound to the address and port as a kind 4 node.
    int OpenUDP(const char* szIP, int iPort, int iReadHeadLen);
    // Sends one datagram from a kind 4 node; returns the bytes sent or -1.
    int SendDatagram(int iIndex, unsigned long ulAddr, unsigned short usPort, const void* pData, int iLen);
    // The local port of a node's socket (host order), or -1.
    int GetLocalPort(int iIndex) const;

    // Starts a proxy handshake on an open node: sets the node up to talk to the proxy first, lets
    // the proxy build its first request and sends it. Returns 0, or the proxy's negative result,
    // or -1 when the request cannot be sent. The write buffer is drained only after the tunnel is
    // open. See Proxy::Init for the meaning of the arguments.
    int StartProxy(int iIndex, int iType, const char* szHost, unsigned short usPort, const char* szUser,
                   const char* szPass, unsigned long ulTargetIP = 0xFFFFFFFFul);

    // One receive or send with logging. Result: the byte count, 0 for a closed peer, -1 for an
    // error, -2 when the call would block or was interrupted (nothing is lost; retry later).
    int TCPRead(int iSocket, char* pBuf, int iLen);
    int TCPWrite(int iSocket, const char* pData, int iLen);

    // Makes the select loop start its next pass at once.
    void Wake();

    // Asks the thread to finish and returns at once: it goes on sending what its stream nodes have
    // queued, then ends writing on each (so the peer reads everything and sees the end), waits
    // until the peer has taken the bytes, and stops; at tDeadline it stops whatever is left. Reading
    // goes on meanwhile. Nodes that are closed or still in a proxy handshake are not waited for.
    // The owner then waits with Thread::Wait, which so ends by the deadline.
    void FinishBy(std::chrono::steady_clock::time_point tDeadline);
    // The thread is finishing or stopping: a connection that ends now was closed on purpose.
    bool IsClosing() const { return IsTerminating() || m_bFinishing.load(std::memory_order_acquire); }

    // How long ConnectTCP waits for a connection, in milliseconds.
    int m_iConnectTimeoutMs = 10000;

protected:
    void WakeUp() override;

    // The current time in seconds, for time-outs and slot reuse. Tests replace it.
    virtual std::int64_t Now() const { return static_cast<std::int64_t>(std::time(nullptr)); }

    std::unique_ptr<SocketNode[]> m_pNodes;
    int m_iNodeNum;
    std::atomic<int> m_iMaxNodeIndex{-1};
    int m_iReadBufSize;
    int m_iWriteBufSize;
    // Guards the write buffers and the open/close transitions. Recursive: a node may be closed
    // from inside a step that holds it.
    std::recursive_mutex m_hMutex;
    // Signalled (under m_hMutex) whenever a write buffer shrinks or a node closes.
    std::condition_variable_any m_hWriteRoom;

    // One pass's reading on a readable kind 2 or 3 node (the select loop calls it on the stack
    // thread). Reachable from a subclass so that a test can step a node's read path on its own
    // thread, without the loop, when it alone owns the stack.
    void ReadStep(int iIndex);

private:
    bool ValidIndex(int iIndex) const { return iIndex >= 0 && iIndex < m_iNodeNum; }
    void RecomputeMaxNodeIndex();
    void CloseNodeSocket(SocketNode& node);
    void ProxyStep(int iIndex);
    void AcceptStep(int iIndex);
    void DatagramStep(int iIndex);
    void WriteStep(int iIndex);
    void DrainWakeFd();
    // One look at the finishing: true when every node is done or the deadline has passed;
    // otherwise how long the next select may wait.
    bool FinishStep(int* pWaitUs);

    std::unique_ptr<char[]> m_pBuffers;
    std::unique_ptr<char[]> m_pAheadBuffers;
    int m_iWakeFd = -1;
    std::atomic<bool> m_bFinishing{false};
    // The finishing's deadline, as the steady clock's count since its epoch.
    std::atomic<std::chrono::steady_clock::rep> m_tFinishBy{0};
};

// Creates a TCP socket and connects it to ulIP (network order) and iPort, waiting at most
// iTimeoutMs (negative: the system's own limit). Returns the socket (blocking) or -1.
int Net_SetupTCPClient(unsigned long ulIP, int iPort, int iLocalPort, int iTimeoutMs = 10000);
// Switches a socket to non-blocking mode; 0, or -1 after closing the socket.
int Net_Unblock(int iSocket);
