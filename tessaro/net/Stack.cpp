#include "tessaro/net/Stack.h"

#include "tessaro/net/Log.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <linux/sockios.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <sys/select.h>
#include <sys/socket.h>
#include <unistd.h>

namespace
{

constexpr int kLogLevel = 20;
constexpr int kReuseDelay = 5; // seconds before a closed slot is taken again
constexpr int kSelectTimeoutUs = 200000;
// While finishing, how often the stack looks whether the peers have taken the last bytes: the
// system tells of no such event.
constexpr int kFinishAckPollUs = 2000;
constexpr int kIdleWaitMs = 1000; // wait when no node is open
constexpr int kProxyReadMax = 1024;
// Receives per node and select pass; the steps served from what was received are not counted.
constexpr int kMaxReceivesPerPass = 8;
// What one receive takes off a socket at most, ahead of the read steps.
constexpr int kReadAheadLen = 16384;

// A socket must never be 0, which marks a free slot; one that is (standard input was closed)
// moves to a higher number.
int AvoidZero(int fd)
{
    if (fd != 0)
        return fd;
    int moved = fcntl(fd, F_DUPFD_CLOEXEC, 3);
    close(fd);
    return moved;
}

bool ParseIPv4(const char* szIP, in_addr& out)
{
    if (!szIP)
    {
        out.s_addr = htonl(INADDR_ANY);
        return true;
    }
    return inet_pton(AF_INET, szIP, &out) == 1;
}

// A socket of the given type bound to the address, or -1 (logged under the given tag).
int OpenBound(int type, const char* szIP, int iPort, const char* tag)
{
    in_addr addr{};
    if (!ParseIPv4(szIP, addr) || iPort < 0 || iPort > 65535)
    {
        WriteLog(kLogLevel, tag, "bad address %s:%d", szIP ? szIP : "*", iPort);
        return -1;
    }
    int fd = AvoidZero(socket(AF_INET, type | SOCK_CLOEXEC, 0));
    if (fd < 0)
    {
        WriteLog(kLogLevel, tag, "socket, error:%d-%d", errno, errno);
        return -1;
    }
    int one = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof(one));
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_addr = addr;
    sa.sin_port = htons(static_cast<uint16_t>(iPort));
    if (bind(fd, reinterpret_cast<sockaddr*>(&sa), sizeof(sa)) != 0)
    {
        WriteLog(kLogLevel, tag, "bind, error:%d-%d", errno, errno);
        close(fd);
        return -1;
    }
    return fd;
}

// The result of one recv or send as the stack reports it: the byte count, 0 for a closed peer, -1
// for an error (both logged with `format`), -2 when the call would block or was interrupted.
int TransferResult(ssize_t n, int err, const char* format, int iSocket, int iLen)
{
    if (n > 0)
        return static_cast<int>(n);
    if (n < 0 && (err == EAGAIN || err == EWOULDBLOCK || err == EINTR))
        return -2;
    const int result = n < 0 ? -1 : 0;
    WriteLog(kLogLevel, "Stack", format, result, std::strerror(err), err, err, iSocket, iLen);
    return result;
}

} // namespace

int Net_SetupTCPClient(unsigned long ulIP, int iPort, int iLocalPort, int iTimeoutMs)
{
    const char* tag = "Net_SetupTCPClient";
    int fd = AvoidZero(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (fd < 0)
    {
        WriteLog(kLogLevel, tag, "socket, error:%d-%d", errno, errno);
        return -1;
    }
    auto fail = [&](const char* perrorText, const char* logText)
    {
        int err = errno;
        if (perrorText)
            std::perror(perrorText);
        WriteLog(kLogLevel, tag, logText, err, err);
        close(fd);
        // The caller shows the reason to the player: the log and the close must not replace it.
        errno = err;
        return -1;
    };
    int one = 1;
    if (setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof(one)) != 0)
        return fail("SO_REUSEADDR failed", "setsockopt SOL_SOCKET, error:%d-%d");
    if (setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof(one)) != 0)
        return fail("TCP_NODELAY failed", "setsockopt IPPROTO_TCP, error:%d-%d");
    if (iLocalPort != 0)
    {
        sockaddr_in local{};
        local.sin_family = AF_INET;
        local.sin_addr.s_addr = htonl(INADDR_ANY);
        local.sin_port = htons(static_cast<uint16_t>(iLocalPort));
        if (bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof(local)) != 0)
            return fail("bind error", "bind, error:%d-%d");
    }

    sockaddr_in peer{};
    peer.sin_family = AF_INET;
    peer.sin_addr.s_addr = static_cast<in_addr_t>(ulIP);
    peer.sin_port = htons(static_cast<uint16_t>(iPort));
    if (iTimeoutMs < 0)
    {
        if (connect(fd, reinterpret_cast<sockaddr*>(&peer), sizeof(peer)) != 0)
            return fail(nullptr, "connect, error:%d-%d");
        return fd;
    }
    // Connect without blocking and wait a bounded time, so an address that never answers does
    // not hold the caller for minutes; the socket is handed back in blocking mode.
    int flags = fcntl(fd, F_GETFL);
    fcntl(fd, F_SETFL, flags | O_NONBLOCK);
    if (connect(fd, reinterpret_cast<sockaddr*>(&peer), sizeof(peer)) != 0)
    {
        if (errno != EINPROGRESS)
            return fail(nullptr, "connect, error:%d-%d");
        pollfd p{fd, POLLOUT, 0};
        int ready;
        do
            ready = poll(&p, 1, iTimeoutMs);
        while (ready < 0 && errno == EINTR);
        if (ready == 0)
            errno = ETIMEDOUT;
        if (ready <= 0)
            return fail(nullptr, "connect, error:%d-%d");
        int soError = 0;
        socklen_t len = sizeof(soError);
        getsockopt(fd, SOL_SOCKET, SO_ERROR, &soError, &len);
        if (soError != 0)
        {
            errno = soError;
            return fail(nullptr, "connect, error:%d-%d");
        }
    }
    fcntl(fd, F_SETFL, flags);
    return fd;
}

int Net_Unblock(int iSocket)
{
    int on = 1;
    if (ioctl(iSocket, FIONBIO, &on) != 0)
    {
        int err = errno;
        std::perror("FIONBIO failed");
        WriteLog(kLogLevel, "Net", "Unblock, error:%d-%d", err, err);
        close(iSocket);
        return -1;
    }
    return 0;
}

Stack::Stack(int iNodeNum, int iReadBufSize, int iWriteBufSize)
    : m_iNodeNum(std::max(iNodeNum, 0)), m_iReadBufSize(std::max(iReadBufSize, 0)),
      m_iWriteBufSize(std::max(iWriteBufSize, 0))
{
    const size_t perNode = static_cast<size_t>(m_iReadBufSize) + static_cast<size_t>(m_iWriteBufSize);
    m_pNodes.reset(new SocketNode[static_cast<size_t>(m_iNodeNum)]);
    m_pBuffers.reset(new char[perNode * static_cast<size_t>(m_iNodeNum) + 1]());
    m_pAheadBuffers.reset(new char[static_cast<size_t>(kReadAheadLen) * static_cast<size_t>(m_iNodeNum) + 1]);
    for (int i = 0; i < m_iNodeNum; ++i)
    {
        char* base = m_pBuffers.get() + perNode * static_cast<size_t>(i);
        m_pNodes[i].pAhead = m_pAheadBuffers.get() + static_cast<size_t>(kReadAheadLen) * static_cast<size_t>(i);
        m_pNodes[i].pReadBuf = base;
        m_pNodes[i].pWriteBuf = base + m_iReadBufSize;
    }
    m_iWakeFd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
}

Stack::~Stack()
{
    Stop();
    for (int i = 0; i < m_iNodeNum; ++i)
    {
        if (m_pNodes[i].iSocket > 0)
            close(m_pNodes[i].iSocket);
    }
    if (m_iWakeFd >= 0)
        close(m_iWakeFd);
}

void Stack::CallbackAddSocketNode(int) {}

void Stack::CallbackDelSocketNode(int, int) {}

void Stack::CallbackDelSocketNodeFromKillFlag(int) {}

void Stack::CallbackSocketTimeOut(int iIndex)
{
    WriteLog(kLogLevel, "Stack", "socket node time out, socket:%d,index[%d]", m_pNodes[iIndex].iSocket, iIndex);
    DelSocketNode(iIndex, true, 0);
}

void Stack::CallbackTCPReadData(int iIndex)
{
    ResetReadState(iIndex);
}

void Stack::CallbackUDPReadData(int iIndex, unsigned long, unsigned short)
{
    ResetReadState(iIndex);
}

void Stack::CallbackProxyConnected(int) {}

void Stack::WakeUp()
{
    Wake();
    std::lock_guard<std::recursive_mutex> lock(m_hMutex);
    m_hWriteRoom.notify_all();
}

void Stack::Wake()
{
    if (m_iWakeFd >= 0)
    {
        std::uint64_t one = 1;
        // A full counter already means "wake up"; nothing is lost when this write fails.
        (void)!write(m_iWakeFd, &one, sizeof(one));
    }
}

void Stack::DrainWakeFd()
{
    if (m_iWakeFd < 0)
        return;
    std::uint64_t count;
    while (read(m_iWakeFd, &count, sizeof(count)) > 0)
    {
    }
}

int Stack::AddSocketNode(int iSocket, int iType, int iReadHeadLen, int iTimeOut, bool bNotify)
{
    if (iSocket <= 0 || iSocket >= FD_SETSIZE)
    {
        WriteLog(kLogLevel, "Stack", "add socket node error, socket:%d cannot be watched.", iSocket);
        return -1;
    }
    int index = -1;
    {
        std::lock_guard<std::recursive_mutex> lock(m_hMutex);
        const std::int64_t now = Now();
        for (int i = 0; i < m_iNodeNum; ++i)
        {
            if (m_pNodes[i].iSocket == 0 && static_cast<std::int64_t>(m_pNodes[i].tReuseTime) < now)
            {
                index = i;
                break;
            }
        }
        if (index < 0)
        {
            WriteLog(kLogLevel, "Stack", "add socket node error, execeed max node num.");
            return -1;
        }
        SocketNode& node = m_pNodes[index];
        node.iSocket = iSocket;
        node.iType = iType;
        node.iReadHeadLen = iReadHeadLen;
        node.iTimeOut = iTimeOut;
        node.iWriteLen = 0;
        node.iWriteBytes = 0;
        node.iAheadStart = 0;
        node.iAheadEnd = 0;
        node.cKillFlag = 0;
        // A reused slot must not inherit a finished or failed handshake.
        node.cProxyFlag = 0;
        node.bWriteShut = false;
        ResetReadState(index);
        if (m_iMaxNodeIndex.load() < index)
            m_iMaxNodeIndex = index;
    }
    if (bNotify)
        CallbackAddSocketNode(index);
    Wake();
    return index;
}

void Stack::CloseNodeSocket(SocketNode& node)
{
    close(node.iSocket);
    node.iSocket = 0;
    node.tReuseTime = static_cast<std::uint32_t>(Now() + kReuseDelay);
    node.cProxyFlag = 0;
    RecomputeMaxNodeIndex();
    m_hWriteRoom.notify_all();
}

void Stack::DelSocketNode(int iIndex, bool bNotify, int iReason)
{
    if (!ValidIndex(iIndex))
        return;
    std::unique_lock<std::recursive_mutex> lock(m_hMutex);
    SocketNode& node = m_pNodes[iIndex];
    if (node.iSocket <= 0)
        return;
    node.cKillFlag = 0;
    shutdown(node.iSocket, SHUT_RDWR);
    lock.unlock();
    // The node still shows its socket during the callback.
    if (bNotify)
        CallbackDelSocketNode(iIndex, iReason);
    lock.lock();
    CloseNodeSocket(node);
}

void Stack::RecomputeMaxNodeIndex()
{
    int max = -1;
    for (int i = 0; i < m_iNodeNum; ++i)
    {
        if (m_pNodes[i].iSocket > 0)
            max = i;
    }
    m_iMaxNodeIndex = max;
}

void Stack::ResetReadState(int iIndex)
{
    if (!ValidIndex(iIndex))
        return;
    SocketNode& node = m_pNodes[iIndex];
    // Only what the reads filled needs clearing; a full clear of the buffer per message would cost
    // more than the message.
    std::memset(node.pReadBuf, 0, static_cast<size_t>(std::min(node.iReadDirty, m_iReadBufSize)));
    node.iReadDirty = 0;
    node.iReadMsgLen = node.iReadHeadLen;
    node.iReadMsgPos = 0;
    node.iReadBytes = 0;
    node.tDeadline = node.iTimeOut != 0 ? Now() + node.iTimeOut : 0;
}

int Stack::WriteData(int iIndex, const void* pData, int iLen)
{
    const int maxIndex = m_iMaxNodeIndex.load();
    if (iIndex < 0 || iIndex > maxIndex)
    {
        WriteLog(kLogLevel, "Stack", "socket index error, index:%d max_node_index:%d", iIndex, maxIndex);
        return -1;
    }
    if (!pData || iLen < 0)
        return -1;
    {
        std::lock_guard<std::recursive_mutex> lock(m_hMutex);
        SocketNode& node = m_pNodes[iIndex];
        if (node.iSocket <= 0)
        {
            // A closed slot below an open one: the bytes would go nowhere, so say so.
            WriteLog(kLogLevel, "Stack", "socket index error, index:%d max_node_index:%d", iIndex, maxIndex);
            return -1;
        }
        if (iLen > m_iWriteBufSize - node.iWriteLen && node.iWriteBytes > 0)
        {
            // Move what is still unsent to the front: the sent part is free room again.
            const int unsent = node.iWriteLen - node.iWriteBytes;
            std::memmove(node.pWriteBuf, node.pWriteBuf + node.iWriteBytes, static_cast<size_t>(unsent));
            node.iWriteLen = unsent;
            node.iWriteBytes = 0;
        }
        const int freeBytes = m_iWriteBufSize - node.iWriteLen;
        if (iLen > freeBytes)
        {
            WriteLog(kLogLevel, "Stack", "write buffer error, index:%d data_size:%d empty:[%d]-[%d]=%d", iIndex, iLen,
                     freeBytes, m_iWriteBufSize, node.iWriteLen);
            return -1;
        }
        // Nothing waiting before it: send at once on this thread instead of handing the bytes to
        // the stack thread, which would cost a wake-up and a select pass per message. What the
        // socket does not take now (or a failure, which the stack thread's write step then meets
        // and handles) is queued as usual.
        const char* bytes = static_cast<const char*>(pData);
        int rest = iLen;
        if (node.iWriteLen == 0 && node.iSocket > 0 && node.cProxyFlag == 0 && (node.iType == 2 || node.iType == 3))
        {
            ssize_t sent = send(node.iSocket, bytes, static_cast<size_t>(rest), MSG_NOSIGNAL | MSG_DONTWAIT);
            if (sent > 0)
            {
                bytes += sent;
                rest -= static_cast<int>(sent);
            }
            if (rest == 0)
                return iLen;
        }
        std::memcpy(node.pWriteBuf + node.iWriteLen, bytes, static_cast<size_t>(rest));
        node.iWriteLen += rest;
    }
    Wake();
    return iLen;
}

bool Stack::WaitForWriteRoom(int iIndex, int iLen, int iTimeoutMs)
{
    if (!ValidIndex(iIndex) || iLen < 0 || iLen > m_iWriteBufSize)
        return false;
    std::unique_lock<std::recursive_mutex> lock(m_hMutex);
    SocketNode& node = m_pNodes[iIndex];
    const int socket = node.iSocket;
    if (socket <= 0)
        return false;
    auto settled = [&] {
        return IsTerminating() || node.iSocket != socket ||
               m_iWriteBufSize - (node.iWriteLen - node.iWriteBytes) >= iLen;
    };
    if (iTimeoutMs < 0)
        m_hWriteRoom.wait(lock, settled);
    else
        m_hWriteRoom.wait_for(lock, std::chrono::milliseconds(iTimeoutMs), settled);
    return !IsTerminating() && node.iSocket == socket && m_iWriteBufSize - (node.iWriteLen - node.iWriteBytes) >= iLen;
}

int Stack::GetPendingWrite(int iIndex)
{
    if (!ValidIndex(iIndex))
        return 0;
    std::lock_guard<std::recursive_mutex> lock(m_hMutex);
    const SocketNode& node = m_pNodes[iIndex];
    return node.iSocket > 0 ? node.iWriteLen - node.iWriteBytes : 0;
}

void Stack::FinishBy(std::chrono::steady_clock::time_point tDeadline)
{
    m_tFinishBy.store(tDeadline.time_since_epoch().count(), std::memory_order_release);
    m_bFinishing.store(true, std::memory_order_release);
    Wake();
}

bool Stack::FinishStep(int* pWaitUs)
{
    using Clock = std::chrono::steady_clock;
    const Clock::time_point now = Clock::now();
    const Clock::time_point deadline{Clock::duration(m_tFinishBy.load(std::memory_order_acquire))};
    int unsent = 0;
    int unacked = 0;
    {
        std::lock_guard<std::recursive_mutex> lock(m_hMutex);
        const int maxIndex = m_iMaxNodeIndex.load();
        for (int i = 0; i <= maxIndex; ++i)
        {
            SocketNode& node = m_pNodes[i];
            // A node still talking to its proxy would never send what waits behind the handshake.
            if (node.iSocket <= 0 || (node.iType != 2 && node.iType != 3) || node.cProxyFlag != 0)
                continue;
            if (node.iWriteLen > node.iWriteBytes)
            {
                unsent += node.iWriteLen - node.iWriteBytes;
                continue;
            }
            // Everything is with the system: the end of writing follows the last byte, so the peer
            // reads all of it before it sees the end.
            if (!node.bWriteShut)
            {
                shutdown(node.iSocket, SHUT_WR);
                node.bWriteShut = true;
            }
#ifdef SIOCOUTQ
            // Closing while the peer has not yet taken what the system still holds could reset the
            // connection and lose it.
            int queued = 0;
            if (ioctl(node.iSocket, SIOCOUTQ, &queued) == 0 && queued > 0)
                unacked += queued;
#endif
        }
    }
    if (unsent == 0 && unacked == 0)
        return true;
    if (now >= deadline)
    {
        WriteLog(kLogLevel, "Stack", "closing with bytes unsent[%d] unacknowledged[%d]", unsent, unacked);
        return true;
    }
    const auto left = std::chrono::duration_cast<std::chrono::microseconds>(deadline - now).count();
    const int slice = unsent > 0 ? kSelectTimeoutUs : kFinishAckPollUs;
    *pWaitUs = static_cast<int>(std::min<long long>(left, slice));
    return false;
}

void Stack::SetKillFlag(int iIndex, char cFlag)
{
    if (!ValidIndex(iIndex))
        return;
    m_pNodes[iIndex].cKillFlag = cFlag;
    Wake();
}

int Stack::ConnectTCP(const char* szIP, int iPort, int iReadHeadLen, int iTimeOut, int iLocalPort)
{
    in_addr addr{};
    if (!szIP || inet_pton(AF_INET, szIP, &addr) != 1)
    {
        WriteLog(kLogLevel, "Net_SetupTCPClient", "connect, error:%d-%d", EINVAL, EINVAL);
        errno = EINVAL;
        return -1;
    }
    int fd = Net_SetupTCPClient(addr.s_addr, iPort, iLocalPort, m_iConnectTimeoutMs);
    if (fd < 1)
        return -1;
    if (Net_Unblock(fd) != 0)
        return -1;
    int index = AddSocketNode(fd, 3, iReadHeadLen, iTimeOut, true);
    if (index < 0)
        close(fd);
    return index;
}

int Stack::ListenTCP(const char* szIP, int iPort, int iReadHeadLen, int iTimeOut)
{
    int fd = OpenBound(SOCK_STREAM, szIP, iPort, "Stack");
    if (fd < 0)
        return -1;
    if (listen(fd, SOMAXCONN) != 0 || Net_Unblock(fd) != 0)
    {
        WriteLog(kLogLevel, "Stack", "listen, error:%d-%d", errno, errno);
        close(fd);
        return -1;
    }
    int index = AddSocketNode(fd, 1, iReadHeadLen, iTimeOut, true);
    if (index < 0)
        close(fd);
    return index;
}

int Stack::OpenUDP(const char* szIP, int iPort, int iReadHeadLen)
{
    int fd = OpenBound(SOCK_DGRAM, szIP, iPort, "Stack");
    if (fd < 0)
        return -1;
    if (Net_Unblock(fd) != 0)
        return -1;
    int index = AddSocketNode(fd, 4, iReadHeadLen > 0 ? iReadHeadLen : 1, 0, true);
    if (index < 0)
        close(fd);
    return index;
}

int Stack::SendDatagram(int iIndex, unsigned long ulAddr, unsigned short usPort, const void* pData, int iLen)
{
    if (!ValidIndex(iIndex) || !pData || iLen < 0)
        return -1;
    std::lock_guard<std::recursive_mutex> lock(m_hMutex);
    const SocketNode& node = m_pNodes[iIndex];
    if (node.iSocket <= 0 || node.iType != 4)
        return -1;
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = static_cast<in_addr_t>(ulAddr);
    to.sin_port = usPort;
    ssize_t n = sendto(node.iSocket, pData, static_cast<size_t>(iLen), MSG_NOSIGNAL, reinterpret_cast<sockaddr*>(&to),
                       sizeof(to));
    return n < 0 ? -1 : static_cast<int>(n);
}

int Stack::GetLocalPort(int iIndex) const
{
    if (!ValidIndex(iIndex) || m_pNodes[iIndex].iSocket <= 0)
        return -1;
    sockaddr_in sa{};
    socklen_t len = sizeof(sa);
    if (getsockname(m_pNodes[iIndex].iSocket, reinterpret_cast<sockaddr*>(&sa), &len) != 0)
        return -1;
    return ntohs(sa.sin_port);
}

int Stack::StartProxy(int iIndex, int iType, const char* szHost, unsigned short usPort, const char* szUser,
                      const char* szPass, unsigned long ulTargetIP)
{
    if (!ValidIndex(iIndex))
        return -1;
    std::lock_guard<std::recursive_mutex> lock(m_hMutex);
    SocketNode& node = m_pNodes[iIndex];
    if (node.iSocket <= 0)
        return -1;
    node.proxy.Init(iType, 1, szHost, usPort, szUser, szPass);
    node.proxy.SetTargetIP(ulTargetIP);
    int first = node.proxy.Step(nullptr, 0);
    if (first < 0)
        return first;
    node.cProxyFlag = 1;
    if (first > 0 && send(node.iSocket, node.proxy.GetBuffer(), static_cast<size_t>(first), MSG_NOSIGNAL) != first)
        return -1;
    Wake();
    return 0;
}

int Stack::TCPRead(int iSocket, char* pBuf, int iLen)
{
    ssize_t n = recv(iSocket, pBuf, static_cast<size_t>(std::max(iLen, 0)), 0);
    return TransferResult(n, errno, "tcp read read_bytes:%derror:%s[%d-%d]socket[%d]data_size[%d]", iSocket, iLen);
}

int Stack::TCPWrite(int iSocket, const char* pData, int iLen)
{
    // MSG_NOSIGNAL: a peer that went away must close the node, not end the process.
    ssize_t n = send(iSocket, pData, static_cast<size_t>(std::max(iLen, 0)), MSG_NOSIGNAL);
    return TransferResult(n, errno, "tcp write write_bytes:%d error:%s[%d-%d]socket[%d]data_size[%d]", iSocket, iLen);
}

void Stack::WriteStep(int iIndex)
{
    bool failed = false;
    int result = 0;
    {
        std::lock_guard<std::recursive_mutex> lock(m_hMutex);
        SocketNode& node = m_pNodes[iIndex];
        if (node.iSocket <= 0 || node.iWriteLen <= node.iWriteBytes)
            return;
        result = TCPWrite(node.iSocket, node.pWriteBuf + node.iWriteBytes, node.iWriteLen - node.iWriteBytes);
        if (result > 0)
        {
            node.iWriteBytes += result;
            if (node.iWriteBytes >= node.iWriteLen)
            {
                node.iWriteBytes = 0;
                node.iWriteLen = 0;
            }
            m_hWriteRoom.notify_all();
        }
        else if (result != -2)
        {
            WriteLog(kLogLevel, "TCPWriteData", "write_bytes[%d]index[%d]total[%d]write[%d]", result, iIndex,
                     node.iWriteBytes, node.iWriteLen);
            failed = true;
        }
    }
    // Closed outside the lock: the owner's callback may block (a message box) and must not hold
    // up writers on other threads meanwhile.
    if (failed)
        DelSocketNode(iIndex, true, 0);
}

void Stack::ReadStep(int iIndex)
{
    SocketNode& node = m_pNodes[iIndex];
    const int socket = node.iSocket;
    int receives = 0;
    // A receive that got less than it asked for emptied the socket: asking again would only
    // return "would block". Select reports what arrives after it.
    bool drained = false;
    // Steps run while there are bytes for them: one receive takes what the socket holds (up to
    // kReadAheadLen) and the steps are served from it, so a message costs no system call of its
    // own and a burst of small messages costs one select and a few receives.
    for (int step = 0;; ++step)
    {
        if (node.iReadMsgLen < 0 || node.iReadMsgPos < 0 || node.iReadBytes < 0 ||
            m_iReadBufSize - node.iReadMsgPos < node.iReadMsgLen)
        {
            WriteLog(kLogLevel, "ReadBuffError", "read_buffer_size[%d]read_msg_pos[%d]>read_msg_len[%d]",
                     m_iReadBufSize, node.iReadMsgPos, node.iReadMsgLen);
            DelSocketNode(iIndex, true, 0);
            return;
        }
        const int want = std::max(node.iReadMsgLen - node.iReadBytes, 0);
        char* target = node.pReadBuf + node.iReadMsgPos + node.iReadBytes;
        int n;
        if (want > 0 && node.iAheadEnd > node.iAheadStart)
        {
            n = std::min(want, node.iAheadEnd - node.iAheadStart);
            std::memcpy(target, node.pAhead + node.iAheadStart, static_cast<size_t>(n));
            node.iAheadStart += n;
        }
        else
        {
            if (step > 0 && want == 0)
                return; // the owner left nothing to read: the next pass finds out what that means
            if (receives == kMaxReceivesPerPass || drained)
                return; // the others get their turn; select reports this socket again
            ++receives;
            // A step of nothing keeps its old meaning (a read of 0 bytes, which closes the node);
            // a large step is read in place.
            const bool ahead = want > 0 && want < kReadAheadLen;
            n = TCPRead(node.iSocket, ahead ? node.pAhead : target, ahead ? kReadAheadLen : want);
            if (n == -2)
                return;
            if (n <= 0)
            {
                WriteLog(kLogLevel, "TCPReadData", "read_bytes[%d]pos[%d]total[%d]read[%d]", n, node.iReadMsgPos,
                         node.iReadBytes, node.iReadMsgLen);
                DelSocketNode(iIndex, true, 0);
                return;
            }
            drained = n < (ahead ? kReadAheadLen : want);
            if (ahead)
            {
                node.iAheadEnd = n;
                n = std::min(want, n);
                std::memcpy(target, node.pAhead, static_cast<size_t>(n));
                node.iAheadStart = n;
            }
        }
        node.iReadBytes += n;
        node.iReadDirty = std::max(node.iReadDirty, node.iReadMsgPos + node.iReadBytes);
        if (node.iReadBytes < node.iReadMsgLen)
        {
            if (node.iAheadEnd > node.iAheadStart)
                continue;
            return; // the socket is empty for now
        }
        CallbackTCPReadData(iIndex);
        if (node.iSocket != socket || node.cKillFlag != 0 || node.cProxyFlag != 0 || IsTerminating())
            return;
    }
}

void Stack::ProxyStep(int iIndex)
{
    SocketNode& node = m_pNodes[iIndex];
    char buf[kProxyReadMax];
    // Look first, then take only what the handshake used: bytes the far side sends right behind
    // the proxy's last reply stay in the socket for the first read step.
    ssize_t n = recv(node.iSocket, buf, sizeof(buf), MSG_PEEK);
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR))
        return;
    if (n <= 0)
    {
        WriteLog(kLogLevel, "TCP_CLIENT_SOCKET", "proxy read_bytes[%d]", static_cast<int>(n));
        DelSocketNode(iIndex, true, -100);
        return;
    }
    int result;
    int used = static_cast<int>(n);
    {
        std::lock_guard<std::recursive_mutex> lock(m_hMutex);
        result = node.proxy.Step(buf, used);
        if (result == 0)
            used -= node.proxy.GetExtraLen();
    }
    (void)!recv(node.iSocket, buf, static_cast<size_t>(used), 0);
    if (result == 0)
    {
        node.cProxyFlag = 0;
        CallbackProxyConnected(0);
        Wake(); // writes queued during the handshake can go now
    }
    else if (result > 0)
    {
        if (send(node.iSocket, node.proxy.GetBuffer(), static_cast<size_t>(result), MSG_NOSIGNAL) != result)
        {
            WriteLog(kLogLevel, "TCP_CLIENT_SOCKET", "proxy len[%d]", -1);
            DelSocketNode(iIndex, true, -100);
        }
    }
    else if (result != -3)
    {
        WriteLog(kLogLevel, "TCP_CLIENT_SOCKET", "proxy len[%d]", result);
        DelSocketNode(iIndex, true, result);
    }
}

void Stack::AcceptStep(int iIndex)
{
    SocketNode& node = m_pNodes[iIndex];
    int fd = AvoidZero(accept4(node.iSocket, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC));
    if (fd < 0)
    {
        // A connection that went away before it was taken, or a passing shortage of descriptors:
        // the listener stays open and tries again on a later pass.
        if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR && errno != ECONNABORTED)
            WriteLog(kLogLevel, "Stack", "accept error:%d socket[%d]", errno, node.iSocket);
        return;
    }
    int one = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof(one));
    if (AddSocketNode(fd, 2, node.iReadHeadLen, node.iTimeOut, true) < 0)
        close(fd);
}

void Stack::DatagramStep(int iIndex)
{
    SocketNode& node = m_pNodes[iIndex];
    const int offset = node.iReadMsgPos + node.iReadBytes;
    if (node.iReadMsgPos < 0 || node.iReadBytes < 0 || offset >= m_iReadBufSize)
    {
        WriteLog(kLogLevel, "ReadBuffError", "read_buffer_size[%d]read_msg_pos[%d]>read_msg_len[%d]", m_iReadBufSize,
                 node.iReadMsgPos, node.iReadMsgLen);
        DelSocketNode(iIndex, true, 0);
        return;
    }
    sockaddr_in from{};
    socklen_t fromLen = sizeof(from);
    ssize_t n = recvfrom(node.iSocket, node.pReadBuf + offset, static_cast<size_t>(m_iReadBufSize - offset), 0,
                         reinterpret_cast<sockaddr*>(&from), &fromLen);
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR))
        return;
    // An empty datagram is a datagram: only an error closes the node, so that no sender can
    // close it with a packet of nothing.
    if (n < 0)
    {
        WriteLog(kLogLevel, "UDPReadData", "read_bytes[%d]index[%d]", static_cast<int>(n), iIndex);
        DelSocketNode(iIndex, true, 0);
        return;
    }
    node.iReadBytes += static_cast<int>(n);
    node.iReadDirty = std::max(node.iReadDirty, offset + static_cast<int>(n));
    CallbackUDPReadData(iIndex, from.sin_addr.s_addr, from.sin_port);
}

int Stack::Run()
{
    while (!IsTerminating())
    {
        int waitUs = kSelectTimeoutUs;
        if (m_bFinishing.load(std::memory_order_acquire) && FinishStep(&waitUs))
            break;
        if (m_iMaxNodeIndex.load() < 0)
        {
            pollfd p{m_iWakeFd, POLLIN, 0};
            poll(&p, m_iWakeFd >= 0 ? 1 : 0, kIdleWaitMs);
            DrainWakeFd();
            continue;
        }
        const std::int64_t now = Now();

        fd_set readSet;
        fd_set writeSet;
        FD_ZERO(&readSet);
        FD_ZERO(&writeSet);
        int maxFd = m_iWakeFd;
        if (m_iWakeFd >= 0)
            FD_SET(m_iWakeFd, &readSet);
        {
            std::lock_guard<std::recursive_mutex> lock(m_hMutex);
            const int maxIndex = m_iMaxNodeIndex.load();
            for (int i = 0; i <= maxIndex; ++i)
            {
                SocketNode& node = m_pNodes[i];
                if (node.cKillFlag == 1 && node.iSocket > 0)
                {
                    node.cKillFlag = 0;
                    close(node.iSocket);
                    node.iSocket = 0;
                    m_hWriteRoom.notify_all();
                    CallbackDelSocketNodeFromKillFlag(i);
                    node.tReuseTime = static_cast<std::uint32_t>(Now() + kReuseDelay);
                    node.cProxyFlag = 0;
                    RecomputeMaxNodeIndex();
                }
                if (node.iSocket <= 0)
                    continue;
                // Every node's socket is below FD_SETSIZE (AddSocketNode refuses others), so the
                // sets hold the whole table and no node waits for another's turn.
                if (node.iReadHeadLen > 0)
                {
                    FD_SET(node.iSocket, &readSet);
                    maxFd = std::max(maxFd, node.iSocket);
                }
                if (node.iWriteLen > 0 && node.cProxyFlag == 0)
                {
                    FD_SET(node.iSocket, &writeSet);
                    maxFd = std::max(maxFd, node.iSocket);
                }
            }
        }

        timeval tv{0, waitUs};
        int ready = select(maxFd + 1, &readSet, &writeSet, nullptr, &tv);
        if (ready < 0)
        {
            if (errno != EINTR)
                WriteLog(kLogLevel, "Stack", "select error:%d", errno);
            continue;
        }
        if (m_iWakeFd >= 0 && FD_ISSET(m_iWakeFd, &readSet))
            DrainWakeFd();
        if (IsTerminating())
            break;

        const int maxIndex = m_iMaxNodeIndex.load();
        for (int i = 0; i <= maxIndex; ++i)
        {
            const SocketNode& node = m_pNodes[i];
            if (node.iSocket > 0 && node.iTimeOut != 0 && now >= node.tDeadline && node.iType != 1)
                CallbackSocketTimeOut(i);
        }
        for (int i = 0; i <= maxIndex; ++i)
        {
            const SocketNode& node = m_pNodes[i];
            if (node.iSocket > 0 && FD_ISSET(node.iSocket, &writeSet) && (node.iType == 2 || node.iType == 3))
                WriteStep(i);
        }
        for (int i = 0; i <= maxIndex; ++i)
        {
            SocketNode& node = m_pNodes[i];
            if (node.iSocket <= 0 || !FD_ISSET(node.iSocket, &readSet))
                continue;
            switch (node.iType)
            {
            case 1:
                AcceptStep(i);
                break;
            case 2:
            case 3:
                if (node.cProxyFlag)
                    ProxyStep(i);
                else
                    ReadStep(i);
                break;
            case 4:
                DatagramStep(i);
                break;
            default:
                break;
            }
        }
    }
    return 0;
}
