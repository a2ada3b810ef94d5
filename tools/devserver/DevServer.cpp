#include "tools/devserver/DevServer.h"

#include "tools/devserver/Wire.h"

#include <algorithm>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

namespace devserver
{

namespace
{

// Room for every client and for as many again: a closed node stays unused for a few seconds
// before the stack hands it out again.
int NodeCount(int maxClients)
{
    return 2 * std::clamp(maxClients, 1, DevServer::kMaxClients) + 1;
}

std::string PeerOf(int socket)
{
    sockaddr_in sa{};
    socklen_t len = sizeof(sa);
    if (getpeername(socket, reinterpret_cast<sockaddr*>(&sa), &len) != 0)
        return "unknown";
    char host[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &sa.sin_addr, host, sizeof host);
    return std::string(host) + ":" + std::to_string(ntohs(sa.sin_port));
}

} // namespace

class DevServer::Conn final : public Connection, public ScriptOutput
{
public:
    Conn(DevServer& server, int id, int node, std::string peer)
        : id(id), node(node), peer(std::move(peer)), m_server(server)
    {
    }

    int Id() const override { return id; }
    const std::string& Peer() const override { return peer; }
    void SendMessage(std::string msg) override { m_server.SendOn(id, std::move(msg)); }
    void Close() override { m_server.m_outbox.Post(id, OutItem::Close("handler")); }
    bool Submit(OutItem item) override { return m_server.m_outbox.Submit(id, std::move(item)); }
    bool Room(const RoomCommand& command) override
    {
        if (!m_server.m_room)
            return false;
        m_server.m_room->Command(id, command);
        return true;
    }

    const int id;
    const int node;
    const std::string peer;
    std::unique_ptr<ScenarioRunner> runner;
    std::string closeReason; // set when the server closes it; guarded by m_connMutex

private:
    DevServer& m_server;
};

DevServer::DevServer(ServerConfig config, JsonLog& log)
    : Stack(NodeCount(config.maxClients), Ostra::kStackBufLen, kWriteBufLen), m_config(std::move(config)), m_log(log),
      m_decrypt(static_cast<size_t>(Ostra::kStackBufLen)),
      m_outbox(*this, log, m_config.latencyMs, m_config.logMessages, m_config.recorder),
      m_nodeConns(static_cast<size_t>(m_iNodeNum)), m_nodeConnIds(static_cast<size_t>(m_iNodeNum), 0)
{
    if (m_config.room)
    {
        m_room = std::make_unique<devserver::Room>(*m_config.room, static_cast<RoomOutput&>(*this), m_log);
        m_handlers.push_back(std::make_unique<RoomHandler>(*m_room));
        if (m_config.chaos)
            m_chaos = std::make_unique<Chaos>(m_config.chaos->seed, m_config.chaos->ratePerMinute,
                                              m_config.room->chairs, m_outbox, m_log);
    }
}

DevServer::~DevServer()
{
    Shutdown();
}

void DevServer::AddHandler(std::unique_ptr<MessageHandler> handler)
{
    if (handler)
        m_handlers.push_back(std::move(handler));
}

int DevServer::Open(std::string& error)
{
    const int node = ListenTCP(m_config.host.c_str(), m_config.port, Ostra::kFrameHeaderLen, 0);
    if (node < 0)
    {
        error = "cannot listen on " + m_config.host + ":" + std::to_string(m_config.port);
        return -1;
    }
    const int port = GetLocalPort(node);
    JsonLine line("listen");
    line.Str("host", m_config.host).Int("port", port);
    m_log.WriteUntimed(line);
    if ((m_room && !m_room->Start()) || (m_chaos && !m_chaos->Start()) || !m_outbox.Start() || !Start())
    {
        error = "cannot start the server's threads";
        return -1;
    }
    return port;
}

void DevServer::Shutdown()
{
    if (m_bShutDown)
        return;
    m_bShutDown = true;
    // The room first, as it sends through the outbox; then the outbox, as it writes to the stack;
    // then the stack thread, after which no connection comes or goes; the runners last, whose
    // every wait ends on the stop.
    if (m_room)
        m_room->Stop();
    if (m_chaos)
        m_chaos->Stop();
    m_outbox.Stop();
    Stop();
    std::vector<std::shared_ptr<Conn>> open;
    std::vector<std::shared_ptr<Conn>> retired;
    {
        std::lock_guard<std::mutex> lock(m_connMutex);
        for (std::shared_ptr<Conn>& conn : m_nodeConns)
        {
            if (conn)
                open.push_back(std::move(conn));
        }
        m_iLiveConns = 0;
        retired.swap(m_retired);
    }
    for (const std::shared_ptr<Conn>& conn : open)
    {
        JsonLine line("close");
        line.Int("conn", conn->id).Str("by", "server").Str("reason", "shutdown");
        m_log.Write(std::move(line));
        for (const std::unique_ptr<MessageHandler>& handler : m_handlers)
            handler->OnClose(*conn);
    }
    for (const auto* list : {&open, &retired})
    {
        for (const std::shared_ptr<Conn>& conn : *list)
        {
            if (conn->runner)
                conn->runner->Terminate();
        }
    }
    // Destroying the connections joins their runners.
}

std::shared_ptr<DevServer::Conn> DevServer::ConnAt(int node)
{
    if (node < 0 || node >= m_iNodeNum)
        return nullptr;
    std::lock_guard<std::mutex> lock(m_connMutex);
    return m_nodeConns[static_cast<size_t>(node)];
}

void DevServer::ReapRunners()
{
    std::vector<std::shared_ptr<Conn>> done;
    {
        std::lock_guard<std::mutex> lock(m_connMutex);
        auto finished = [](const std::shared_ptr<Conn>& conn) { return !conn->runner || conn->runner->Finished(); };
        auto split = std::stable_partition(m_retired.begin(), m_retired.end(),
                                           [&](const std::shared_ptr<Conn>& conn) { return !finished(conn); });
        std::move(split, m_retired.end(), std::back_inserter(done));
        m_retired.erase(split, m_retired.end());
    }
    // Their threads have returned: the joins here end at once.
}

void DevServer::CallbackAddSocketNode(int iIndex)
{
    if (m_pNodes[iIndex].iType != 2)
        return; // the listener
    ReapRunners();
    const std::string peer = PeerOf(m_pNodes[iIndex].iSocket);
    int live = 0;
    {
        std::lock_guard<std::mutex> lock(m_connMutex);
        live = m_iLiveConns;
    }
    if (live >= m_config.maxClients)
    {
        JsonLine line("refuse");
        line.Str("peer", peer).Str("reason", "already " + std::to_string(live) + " clients");
        m_log.Write(std::move(line));
        DelSocketNode(iIndex, false, 0);
        return;
    }
    auto conn = std::make_shared<Conn>(*this, m_iNextConn++, iIndex, peer);
    {
        std::lock_guard<std::recursive_mutex> lock(m_hMutex);
        m_nodeConnIds[static_cast<size_t>(iIndex)] = conn->id;
    }
    m_outbox.OpenLane(conn->id, iIndex);
    if (m_chaos)
        m_chaos->Opened(conn->id);
    JsonLine line("connect");
    line.Int("conn", conn->id).Str("peer", peer);
    m_log.Write(std::move(line));
    if (m_config.scenario)
        conn->runner = std::make_unique<ScenarioRunner>(m_config.scenario, conn->id, *conn, m_log);
    {
        std::lock_guard<std::mutex> lock(m_connMutex);
        m_nodeConns[static_cast<size_t>(iIndex)] = conn;
        ++m_iLiveConns;
    }
    for (const std::unique_ptr<MessageHandler>& handler : m_handlers)
        handler->OnConnect(*conn);
    if (conn->runner && !conn->runner->Start())
    {
        JsonLine error("script-error");
        error.Int("conn", conn->id).Str("reason", "cannot start the script's thread");
        m_log.Write(std::move(error));
    }
}

void DevServer::CallbackDelSocketNode(int iIndex, int)
{
    OnClosed(iIndex);
}

void DevServer::CallbackDelSocketNodeFromKillFlag(int iIndex)
{
    OnClosed(iIndex);
}

void DevServer::OnClosed(int node)
{
    std::shared_ptr<Conn> conn;
    std::string reason;
    {
        std::lock_guard<std::mutex> lock(m_connMutex);
        if (node < 0 || node >= m_iNodeNum)
            return;
        conn = std::move(m_nodeConns[static_cast<size_t>(node)]);
        if (!conn)
            return;
        --m_iLiveConns;
        reason = conn->closeReason;
    }
    {
        std::lock_guard<std::recursive_mutex> lock(m_hMutex);
        m_nodeConnIds[static_cast<size_t>(node)] = 0;
    }
    m_outbox.CloseLane(conn->id);
    if (m_chaos)
        m_chaos->Closed(conn->id);
    JsonLine line("close");
    line.Int("conn", conn->id).Str("by", reason.empty() ? "client" : "server");
    if (!reason.empty())
        line.Str("reason", reason);
    m_log.Write(std::move(line));
    for (const std::unique_ptr<MessageHandler>& handler : m_handlers)
        handler->OnClose(*conn);
    if (conn->runner)
        conn->runner->Terminate();
    {
        std::lock_guard<std::mutex> lock(m_connMutex);
        m_retired.push_back(std::move(conn));
    }
    ReapRunners();
}

void DevServer::BadFrame(int node, const std::string& reason)
{
    const SocketNode& n = m_pNodes[node];
    std::shared_ptr<Conn> conn = ConnAt(node);
    JsonLine line("bad-frame");
    if (conn)
        line.Int("conn", conn->id);
    line.Str("reason", reason).Hex("hex", std::string_view(n.pReadBuf, static_cast<size_t>(Ostra::kFrameHeaderLen)));
    m_log.Write(std::move(line));
    if (conn)
    {
        std::lock_guard<std::mutex> lock(m_connMutex);
        conn->closeReason = "bad-frame";
    }
    DelSocketNode(node, true, 0);
}

void DevServer::CallbackTCPReadData(int iIndex)
{
    SocketNode& node = m_pNodes[iIndex];
    if (node.iReadMsgPos == 0)
    {
        // The header step: the stack has read exactly the 4 header bytes.
        const auto* header = reinterpret_cast<const unsigned char*>(node.pReadBuf);
        const int total = Ostra::FrameTotalLen(header);
        if (header[0] != Ostra::kFrameVersion)
            return BadFrame(iIndex, "frame version " + std::to_string(header[0]) + ", not " +
                                        std::to_string(Ostra::kFrameVersion));
        if (total < Ostra::kMinFrameLen)
            return BadFrame(iIndex, "frame length " + std::to_string(total) + " below the smallest frame (" +
                                        std::to_string(Ostra::kMinFrameLen) + ")");
        if (total > m_iReadBufSize)
            return BadFrame(iIndex, "frame length " + std::to_string(total) + " above the read buffer (" +
                                        std::to_string(m_iReadBufSize) + ")");
        node.iReadMsgPos = Ostra::kFrameHeaderLen;
        node.iReadMsgLen = total - Ostra::kFrameHeaderLen;
        node.iReadBytes = 0;
        return;
    }
    const int len = Ostra::OpenFrameBody(Ostra::kWireKeyText, node.pReadBuf + Ostra::kFrameHeaderLen, node.iReadBytes,
                                         m_decrypt.data(), static_cast<int>(m_decrypt.size()));
    if (len < 0)
        return BadFrame(iIndex, "the frame body cannot be decrypted");
    if (std::shared_ptr<Conn> conn = ConnAt(iIndex))
        HandleMessage(*conn, std::string_view(m_decrypt.data(), static_cast<size_t>(len)));
    ResetReadState(iIndex);
}

void DevServer::HandleMessage(Conn& conn, std::string_view msg)
{
    if (m_config.logMessages)
    {
        JsonLine line("recv");
        line.Int("conn", conn.id).Message(msg);
        if (HasMsgHeader(msg))
        {
            // Worth a note, but handed on all the same: the server is there to see what a
            // client sends.
            if (static_cast<unsigned char>(msg[0]) != kMsgVersion)
                line.Int("version", static_cast<unsigned char>(msg[0]));
            const std::uint32_t field = ReadU32(msg, 4);
            if (field != msg.size() - static_cast<size_t>(kMsgHeaderLen))
                line.Int("length_field", field);
        }
        m_log.Write(std::move(line));
    }
    if (!HasMsgHeader(msg))
        return;
    for (const std::unique_ptr<MessageHandler>& handler : m_handlers)
    {
        if (handler->OnMessage(conn, msg))
            break;
    }
    // The script learns of the message only now, so that what it sends in return goes out behind
    // the handlers' own answers to it.
    if (conn.runner)
        conn.runner->NoteReceived(MsgType(msg));
}

void DevServer::SendOn(int conn, std::string msg)
{
    if (m_chaos)
        m_chaos->Sent(conn, msg);
    OutItem item;
    const size_t len = msg.size();
    if (!OutItem::Message(std::move(msg), item))
    {
        JsonLine line("send-error");
        line.Int("conn", conn).Str("reason", "a message of " + std::to_string(len) + " bytes does not fit a frame");
        m_log.Write(std::move(line));
        return;
    }
    m_outbox.Post(conn, std::move(item));
}

void DevServer::CloseConnection(int conn)
{
    m_outbox.Post(conn, OutItem::Close("room"));
}

int DevServer::PendingWrite(int node, int conn)
{
    std::lock_guard<std::recursive_mutex> lock(m_hMutex);
    if (node < 0 || node >= m_iNodeNum || m_nodeConnIds[static_cast<size_t>(node)] != conn)
        return 0;
    return GetPendingWrite(node);
}

bool DevServer::Write(int node, int conn, const char* data, int len)
{
    std::lock_guard<std::recursive_mutex> lock(m_hMutex);
    if (node < 0 || node >= m_iNodeNum || m_nodeConnIds[static_cast<size_t>(node)] != conn)
        return false;
    return WriteData(node, data, len) == len;
}

void DevServer::Close(int node, int conn, const std::string& reason)
{
    {
        std::lock_guard<std::recursive_mutex> lock(m_hMutex);
        if (node < 0 || node >= m_iNodeNum || m_nodeConnIds[static_cast<size_t>(node)] != conn)
            return;
    }
    {
        std::lock_guard<std::mutex> lock(m_connMutex);
        const std::shared_ptr<Conn>& owner = m_nodeConns[static_cast<size_t>(node)];
        if (!owner || owner->id != conn)
            return;
        owner->closeReason = reason;
    }
    SetKillFlag(node, 1);
}

void DevServer::WaitForWrites(const std::function<bool()>& ready, std::optional<Clock::time_point> deadline)
{
    std::unique_lock<std::recursive_mutex> lock(m_hMutex);
    auto check = [&] { return ready(); };
    if (deadline)
        m_hWriteRoom.wait_until(lock, *deadline, check);
    else
        m_hWriteRoom.wait(lock, check);
}

void DevServer::WakeWriteWaiters()
{
    std::lock_guard<std::recursive_mutex> lock(m_hMutex);
    m_hWriteRoom.notify_all();
}

} // namespace devserver
