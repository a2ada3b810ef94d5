#include "tessaro/net/ClientStack.h"

#include "tessaro/app/GameAppBase.h"
#include "tessaro/net/Log.h"
#include "tessaro/session/GameWndBase.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <netdb.h>
#include <string>

namespace Ostra
{

namespace
{

constexpr int kLogLevel = 20;
constexpr char kTag[] = "ClientStack";
// How long the sender waits for room in the write buffer before it gives a message up.
constexpr int kSendRoomWaitMs = 2000;
// How long one attempt to hand a message to the main window waits before the dispatcher checks
// whether it is being stopped.
constexpr int kDeliverSliceMs = 50;

// Copies text into a fixed field, always terminated; false when it had to be cut.
bool CopyField(char* out, std::size_t cap, const std::string& text)
{
    std::size_t n = std::min(text.size(), cap - 1);
    std::memcpy(out, text.data(), n);
    out[n] = '\0';
    return n == text.size();
}

std::string Trim(const std::string& s)
{
    std::size_t b = s.find_first_not_of(" \t\r\n");
    if (b == std::string::npos)
        return {};
    std::size_t e = s.find_last_not_of(" \t\r\n");
    return s.substr(b, e - b + 1);
}

// The first IPv4 address of a host name, dotted; empty when it does not resolve.
std::string ResolveIPv4(const char* host)
{
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* res = nullptr;
    if (getaddrinfo(host, nullptr, &hints, &res) != 0 || !res)
        return {};
    char text[INET_ADDRSTRLEN] = {};
    auto* sa = reinterpret_cast<sockaddr_in*>(res->ai_addr);
    const char* ok = inet_ntop(AF_INET, &sa->sin_addr, text, sizeof(text));
    freeaddrinfo(res);
    return ok ? std::string(text) : std::string();
}

bool IsDottedDecimal(const char* s)
{
    for (; *s; ++s)
    {
        if (!std::isdigit(static_cast<unsigned char>(*s)) && *s != '.')
            return false;
    }
    return true;
}

} // namespace

// ---- Proxy settings -----------------------------------------------------------------------------

bool ParseProxyText(const std::string& input, ProxySettings* pOut)
{
    std::string text = Trim(input);
    if (text.empty() || text == "none")
        return false;
    ProxySettings p;
    p.iEnabled = 1;
    p.iType = 1;
    std::size_t scheme = text.find("://");
    if (scheme != std::string::npos)
    {
        std::string name = text.substr(0, scheme);
        for (char& c : name)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (name == "socks4")
            p.iType = 0;
        else if (name == "socks5")
            p.iType = 1;
        else if (name == "http")
            p.iType = 2;
        else
            return false;
        text = text.substr(scheme + 3);
    }
    while (!text.empty() && text.back() == '/')
        text.pop_back();
    std::size_t at = text.rfind('@');
    if (at != std::string::npos)
    {
        std::string cred = text.substr(0, at);
        text = text.substr(at + 1);
        std::size_t colon = cred.find(':');
        std::string user = cred.substr(0, colon);
        std::string pass = colon == std::string::npos ? std::string() : cred.substr(colon + 1);
        if (user.empty() || !CopyField(p.szUser, sizeof(p.szUser), user) ||
            !CopyField(p.szPass, sizeof(p.szPass), pass))
            return false;
    }
    std::size_t colon = text.rfind(':');
    if (colon == std::string::npos || colon == 0)
        return false;
    std::string host = text.substr(0, colon);
    std::string port = text.substr(colon + 1);
    if (port.empty() || port.size() > 5 || port.find_first_not_of("0123456789") != std::string::npos)
        return false;
    long number = std::strtol(port.c_str(), nullptr, 10);
    if (number < 1 || number > 65535 || !CopyField(p.szHost, sizeof(p.szHost), host))
        return false;
    p.usPort = static_cast<unsigned short>(number);
    *pOut = p;
    return true;
}

bool ReadProxySettings(ProxySettings* pOut)
{
    if (!pOut)
        return false;
    std::string text;
    bool found = false;
    if (const char* env = std::getenv("TESSARO_PROXY"))
    {
        text = env;
        found = true;
    }
    else
    {
        std::ifstream file("proxy.conf");
        std::string line;
        while (std::getline(file, line))
        {
            line = Trim(line);
            if (line.empty() || line[0] == '#')
                continue;
            text = line;
            found = true;
            break;
        }
    }
    if (!found)
        return false;
    if (ParseProxyText(text, pOut))
        return true;
    if (!Trim(text).empty() && Trim(text) != "none")
        WriteLog(kLogLevel, kTag, "proxy setting refused[%.200s]", text.c_str());
    return false;
}

// ---- ClientStack --------------------------------------------------------------------------------

ClientStack::ClientStack() : Stack(kStackNodeNum, kStackBufLen, kStackBufLen) {}

ClientStack::~ClientStack()
{
    Stop();
}

int ClientStack::MsgBox(const char* text, const char* title)
{
    GameAppBase* app = m_pGameWnd ? m_pGameWnd->m_pGameApp : nullptr;
    if (!app)
    {
        WriteLog(kLogLevel, kTag, "%s", text);
        return 0;
    }
    return app->MsgBox(std::string(text), std::string(title), Sexy::MB_OK);
}

void ClientStack::ShutdownApp()
{
    if (m_pGameWnd && m_pGameWnd->m_pGameApp)
        m_pGameWnd->m_pGameApp->Shutdown();
}

int ClientStack::Initialize(char* szIP, int iPort, MsgQueue* pRecvQueue, GameWndBase* pGameWnd)
{
    std::memcpy(m_szKey, kWireKeyText, sizeof(kWireKeyText));
    m_pRecvQueue = pRecvQueue;
    m_pGameWnd = pGameWnd;
    const bool viaProxy = m_Proxy.iEnabled != 0;
    const char* target = szIP ? szIP : "";
    const char* host = viaProxy ? m_Proxy.szHost : target;
    const int port = viaProxy ? m_Proxy.usPort : iPort;
    CopyField(m_szServerIP, sizeof(m_szServerIP), host);
    m_iServerPort = port;

    // The proxy may be named by host name; the game server is always given as an address.
    std::string address = host;
    if (viaProxy && !IsDottedDecimal(host))
        address = ResolveIPv4(host);
    errno = 0;
    int index = address.empty() ? -1 : ConnectTCP(address.c_str(), port, kFrameHeaderLen, 0, 0);
    const int error = errno;
    m_iIndex = index;
    if (index < 0)
    {
        if (viaProxy)
        {
            MsgBox("代理错误：连接代理服务器失败", "Message");
            ShutdownApp();
        }
        else
        {
            MsgBox(std::to_string(error).c_str(), "Error");
        }
        return index < 0 ? index : -1;
    }
    m_iSocket = m_pNodes[index].iSocket;
    if (viaProxy)
    {
        // SOCKS4 takes the address itself where it has one (not every server speaks the host-name
        // form); the others take the address text. The port is in network order except for HTTP.
        unsigned short usPort =
            m_Proxy.iType == 2 ? static_cast<unsigned short>(iPort) : htons(static_cast<unsigned short>(iPort));
        in_addr ip{};
        const bool plainSocks4 = m_Proxy.iType == 0 && inet_pton(AF_INET, target, &ip) == 1;
        const char* user = m_Proxy.szUser[0] ? m_Proxy.szUser : nullptr;
        const char* pass = m_Proxy.szPass[0] ? m_Proxy.szPass : nullptr;
        int r = plainSocks4 ? StartProxy(index, m_Proxy.iType, nullptr, usPort, user, pass, ip.s_addr)
                            : StartProxy(index, m_Proxy.iType, target, usPort, user, pass);
        if (r < 0)
        {
            WriteLog(kLogLevel, kTag, "proxy handshake could not start[%d]", r);
            m_iIndex = -1;
            DelSocketNode(index, false, 0);
            MsgBox("代理错误：连接代理服务器失败", "Message");
            ShutdownApp();
            return -1;
        }
    }
    return m_iSocket;
}

void ClientStack::CallbackTCPReadData(int iIndex)
{
    if (m_pNodes[iIndex].iReadMsgPos == 0)
        HeaderStep(iIndex);
    else
        BodyStep(iIndex);
}

void ClientStack::HeaderStep(int iIndex)
{
    SocketNode& node = m_pNodes[iIndex];
    const auto* header = reinterpret_cast<const unsigned char*>(node.pReadBuf);
    if (header[0] != kFrameVersion)
    {
        MsgBox("消息版本错误！", "Message");
        WriteLog(kLogLevel, kTag, "frame version error[%d]", header[0]);
        Fail(iIndex);
        return;
    }
    const int total = FrameTotalLen(header);
    if (total < kMinFrameLen)
    {
        WriteLog(kLogLevel, kTag, "frame length error[%d]", total);
        Fail(iIndex);
        return;
    }
    // A frame longer than the read buffer is refused by the stack's next read step, which closes
    // the node through the same disconnect path.
    node.iReadMsgPos = kFrameHeaderLen;
    node.iReadMsgLen = total - kFrameHeaderLen;
    node.iReadBytes = 0;
}

void ClientStack::BodyStep(int iIndex)
{
    SocketNode& node = m_pNodes[iIndex];
    const int bodyLen = node.iReadMsgLen;
    const int plain = OpenFrameBody(m_szKey, node.pReadBuf + kFrameHeaderLen, bodyLen, m_DecryptBuf,
                                    static_cast<int>(sizeof(m_DecryptBuf)));
    if (plain < 0 && bodyLen - kCipherOverhead > static_cast<int>(sizeof(m_DecryptBuf)))
    {
        // Longer than the decryption area: as much too long as one that only misses the queue item.
        WriteLog(kLogLevel, kTag, "message too long[%d], dropped", bodyLen - kCipherOverhead);
    }
    else if (plain < 0)
    {
        WriteLog(kLogLevel, kTag, "frame body error[%d], dropped", bodyLen);
    }
    else if (plain > kMaxItemMsgLen)
    {
        WriteLog(kLogLevel, kTag, "message too long[%d], dropped", plain);
    }
    else if (plain >= 0 && m_pRecvQueue)
    {
        // A queue item: the host-order count, then the message. Only the used part is copied; the
        // taker reads the count first.
        const std::int32_t count = plain;
        std::memcpy(m_RecvItem, &count, kQueueItemCountLen);
        std::memcpy(m_RecvItem + kQueueItemCountLen, m_DecryptBuf, static_cast<std::size_t>(plain));
        m_pRecvQueue->Put(m_RecvItem, kQueueItemCountLen + plain);
    }
    ResetReadState(iIndex);
}

void ClientStack::Fail(int iIndex)
{
    DelSocketNode(iIndex, true, 0);
}

void ClientStack::CallbackDelSocketNode(int iIndex, int)
{
    const int current = m_iIndex.load();
    if (iIndex != current)
    {
        WriteLog(kLogLevel, kTag, "CallbackDelSocketNode,iIndex[%d] != m_iIndex[%d]", iIndex, current);
        return;
    }
    if (m_pGameWnd)
        m_pGameWnd->m_bDisconnected = true;
    // While the session closes, the server ending the connection after the last bytes is the
    // clean end that was asked for, not a loss: nothing to tell, the game is ending anyway.
    if (IsClosing())
    {
        m_iIndex = -1;
        return;
    }
    WriteLog(kLogLevel, kTag, "与游戏服务器连接中断CallbackDelSocketNode m_iIndex[%d]", current);
    m_iIndex = -1;
    if (m_pGameWnd)
        m_pGameWnd->CallBackTCPDisconnection();
    MsgBox("与游戏服务器连接中断，请确保您的网络在2分钟内恢复正常，双击大厅左侧相应房间，即可重新继续游戏！",
           "Message");
    ShutdownApp();
}

void ClientStack::CallbackDelSocketNodeFromKillFlag(int iIndex)
{
    // Closed on purpose (DelServerConnect): nothing to show, but the connection is gone all the
    // same, and IsNetAvailable and later sends must know it.
    int current = iIndex;
    m_iIndex.compare_exchange_strong(current, -1);
}

int ClientStack::SendClientMsg(void* pItem, int iItemLen)
{
    if (!pItem)
        return -1;
    std::int32_t count = 0;
    std::memcpy(&count, pItem, kQueueItemCountLen);
    const int room = iItemLen > 0 ? iItemLen - kQueueItemCountLen : kMaxItemMsgLen;
    if (count < 0 || count > room)
    {
        WriteLog(kLogLevel, kTag, "SendClientMsg bad item count[%d] item[%d]", count, iItemLen);
        return -1;
    }
    if (count > kMaxSendMsgLen)
    {
        WriteLog(kLogLevel, kTag, "SendClientMsg message too long[%d] max[%d]", count, kMaxSendMsgLen);
        return -1;
    }
    const char* msg = static_cast<const char*>(pItem) + kQueueItemCountLen;
    int frameLen;
    if (m_pGameWnd)
    {
        std::lock_guard<std::mutex> lock(m_pGameWnd->m_hSendMutex);
        frameLen = BuildFrame(m_szKey, msg, count, m_SendBuf, static_cast<int>(sizeof(m_SendBuf)));
    }
    else
    {
        frameLen = BuildFrame(m_szKey, msg, count, m_SendBuf, static_cast<int>(sizeof(m_SendBuf)));
    }
    if (frameLen < 0)
        return -1;
    return WriteData(m_iIndex.load(), m_SendBuf, frameLen);
}

bool ClientStack::WaitForSendRoom(int iMsgLen, int iTimeoutMs)
{
    return WaitForWriteRoom(m_iIndex.load(), iMsgLen + kMinFrameLen, iTimeoutMs);
}

void ClientStack::GetDNSResultIP(char* szHost)
{
    if (!szHost || IsDottedDecimal(szHost))
        return;
    std::string address = ResolveIPv4(szHost);
    if (!address.empty())
        CopyField(szHost, 16, address);
}

// ---- ClientDQ -----------------------------------------------------------------------------------

ClientDQ::~ClientDQ()
{
    Stop();
}

int ClientDQ::Initialize(MsgQueue* pSendQueue, ClientStack* pClientStack)
{
    m_pSendQueue = pSendQueue;
    m_pClientStack = pClientStack;
    return 0;
}

void ClientDQ::WakeUp()
{
    if (m_pSendQueue)
        m_pSendQueue->Interrupt();
}

void ClientDQ::FinishBy(std::chrono::steady_clock::time_point tDeadline)
{
    m_tFinishBy.store(tDeadline.time_since_epoch().count(), std::memory_order_release);
    m_bFinishing.store(true, std::memory_order_release);
    // An interrupted queue still hands out what it holds and then answers at once that it is
    // empty, which is where the thread stops.
    if (m_pSendQueue)
        m_pSendQueue->Interrupt();
}

int ClientDQ::SendRoomWaitMs() const
{
    if (!m_bFinishing.load(std::memory_order_acquire))
        return kSendRoomWaitMs;
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline{Clock::duration(m_tFinishBy.load(std::memory_order_acquire))};
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return static_cast<int>(std::clamp<long long>(left, 0, kSendRoomWaitMs));
}

int ClientDQ::Run()
{
    char item[kQueueItemLen];
    while (!IsTerminating())
    {
        const int n = m_pSendQueue ? m_pSendQueue->Get(item, kQueueItemLen, -1) : -1;
        const bool finishing = m_bFinishing.load(std::memory_order_acquire);
        if (n < kQueueItemCountLen || !m_pClientStack)
        {
            if (finishing && (n == -2 || !m_pSendQueue))
                break; // the queue is empty for good
            continue;
        }
        const bool connected = m_pClientStack->m_iIndex.load() >= 0;
        const int waitMs = SendRoomWaitMs();
        if (finishing && (!connected || waitMs <= 0))
        {
            // Lost (already told), or out of time: what is left cannot go out.
            if (connected)
                WriteLog(kLogLevel, kTag, "session closed with messages unsent[%d]", 1 + m_pSendQueue->GetCount());
            break;
        }
        std::int32_t count = 0;
        std::memcpy(&count, item, kQueueItemCountLen);
        // A burst must not overflow the write buffer while the server keeps reading: wait for
        // room first. A server that stops reading altogether loses the message after a while
        // (logged by the write), as a full buffer always did.
        if (count >= 0 && count <= kMaxSendMsgLen && connected)
            m_pClientStack->WaitForSendRoom(count, waitMs);
        m_pClientStack->SendClientMsg(item, n);
    }
    return 0;
}

// ---- Dispacher ----------------------------------------------------------------------------------

Dispacher::~Dispacher()
{
    Stop();
}

int Dispacher::StartThread(MsgQueue* pRecvQueue, GameWndBase* pGameWnd)
{
    if (!pRecvQueue)
        return -2;
    m_pRecvQueue = pRecvQueue;
    m_pGameWnd = pGameWnd;
    m_hMainWnd = pGameWnd ? pGameWnd->GetMainWindow() : 0;
    Start();
    return 0;
}

void Dispacher::WakeUp()
{
    if (m_pRecvQueue)
        m_pRecvQueue->Interrupt();
}

int Dispacher::Run()
{
    char item[kQueueItemLen];
    while (!IsTerminating())
    {
        const int n = m_pRecvQueue->Get(item, kQueueItemLen, -1);
        if (n < kQueueItemCountLen || !m_pGameWnd)
            continue;
        std::int32_t count = 0;
        std::memcpy(&count, item, kQueueItemCountLen);
        if (count < 0 || count > n - kQueueItemCountLen)
        {
            WriteLog(kLogLevel, "Dispacher", "bad item count[%d] got[%d]", count, n);
            continue;
        }
        Deliver(item + kQueueItemCountLen, count);
    }
    return 0;
}

void Dispacher::Deliver(const char* pMsg, int iLen)
{
    const auto wParam = reinterpret_cast<std::uintptr_t>(pMsg);
    m_uDelivering.store(wParam, std::memory_order_release);
    while (!IsTerminating())
    {
        platform::LRESULT result = 0;
        if (platform::SendWindowMessageTimeout(m_hMainWnd, platform::WM_GAME_NETMSG, wParam, iLen, kDeliverSliceMs,
                                               &result))
            break;
        // A timed-out send is taken back before it runs, so trying again keeps the order. A
        // window that is gone takes nothing more.
        if (!platform::IsWindow(m_hMainWnd))
        {
            WriteLog(kLogLevel, "Dispacher", "no main window[%u], message dropped", m_hMainWnd);
            break;
        }
    }
    m_uDelivering.store(0, std::memory_order_release);
}

} // namespace Ostra
