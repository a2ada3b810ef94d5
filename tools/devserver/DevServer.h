// The local game server: a socket stack with one listening node and a node for each client.
//
// Read path, per connection: a 4-byte frame header; a header with another version than 3, a
// total length below the smallest frame (20) or above the read buffer closes the connection with
// a "bad-frame" line. Otherwise the body is read, decrypted, reported ("recv") and handed to the
// handlers, and the node is armed for the next frame.
//
// Everything a connection sends goes through its lane in the outbox (Outbox.h), which the server
// serves as the outbox's WritePort. A scenario, when there is one, runs on each connection from the
// moment it is accepted (ScenarioRunner.h).
//
// With a room (the table mode), the room handler comes first among the handlers and the room runs
// on a thread of its own (room/Room.h); it sends through the outbox by connection number.
//
// Threads: the stack thread (accepts, reads, runs the handlers), the outbox thread, the room's
// thread in the table mode, and one runner per scripted connection. Shutdown (or the destructor)
// stops them all, the room first.
#pragma once

#include "tessaro/net/Stack.h"
#include "tools/devserver/Chaos.h"
#include "tools/devserver/Handlers.h"
#include "tools/devserver/JsonLog.h"
#include "tools/devserver/Outbox.h"
#include "tools/devserver/Recorder.h"
#include "tools/devserver/Scenario.h"
#include "tools/devserver/ScenarioRunner.h"
#include "tools/devserver/room/Room.h"

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace devserver
{

struct ServerConfig
{
    std::string host = "127.0.0.1";
    int port = 17100; // 0: any free port
    int maxClients = 64;
    int latencyMs = 0;
    bool logMessages = true; // "recv", "send" and "send-raw" lines
    std::shared_ptr<const Scenario> scenario;
    std::optional<RoomConfig> room; // the table mode
    Recorder* recorder = nullptr;   // records every framed message sent (--record); outlives the server
    // Faults on purpose on the table mode's connections (--chaos; Chaos.h).
    struct ChaosConfig
    {
        std::uint64_t seed = 0;
        int ratePerMinute = kDefaultChaosRate;
    };
    std::optional<ChaosConfig> chaos;
};

class DevServer : public Stack, private WritePort, private RoomOutput
{
public:
    // Each node's write buffer: a frame always fits (a frame is at most 65535 bytes).
    static constexpr int kWriteBufLen = 65536;
    static constexpr int kMaxClients = 256;

    DevServer(ServerConfig config, JsonLog& log);
    ~DevServer() override;

    // Handlers are asked in the order they were added; add them before Open.
    void AddHandler(std::unique_ptr<MessageHandler> handler);

    // Listens, writes the "listen" line and starts the threads. Returns the port, or -1 with error
    // set.
    int Open(std::string& error);
    // Stops the room, the outbox, the stack and the runners, and reports the connections still
    // open as closed. Once; the destructor calls it too.
    void Shutdown();

    // The table mode's room, null without it; for the operator's console.
    devserver::Room* GetRoom() { return m_room.get(); }

    void CallbackAddSocketNode(int iIndex) override;
    void CallbackDelSocketNode(int iIndex, int iReason) override;
    void CallbackDelSocketNodeFromKillFlag(int iIndex) override;
    void CallbackTCPReadData(int iIndex) override;

private:
    class Conn;

    std::shared_ptr<Conn> ConnAt(int node);
    void OnClosed(int node);
    void BadFrame(int node, const std::string& reason);
    void HandleMessage(Conn& conn, std::string_view msg);
    // Any thread; dropped when the connection has gone.
    void SendOn(int conn, std::string msg);
    // Joins the runners of closed connections that have finished.
    void ReapRunners();

    // WritePort
    int WriteBufferSize() const override { return m_iWriteBufSize; }
    int PendingWrite(int node, int conn) override;
    bool Write(int node, int conn, const char* data, int len) override;
    void Close(int node, int conn, const std::string& reason) override;
    void WaitForWrites(const std::function<bool()>& ready, std::optional<Clock::time_point> deadline) override;
    void WakeWriteWaiters() override;

    // RoomOutput
    void SendTo(int conn, std::string msg) override { SendOn(conn, std::move(msg)); }
    void CloseConnection(int conn) override;

    const ServerConfig m_config;
    JsonLog& m_log;
    std::vector<char> m_decrypt; // the stack thread's
    Outbox m_outbox;
    std::unique_ptr<Room> m_room;   // the table mode's; stops before the outbox goes
    std::unique_ptr<Chaos> m_chaos; // with a room and --chaos; stops before the outbox goes
    std::vector<std::unique_ptr<MessageHandler>> m_handlers;
    int m_iNextConn = 1; // the stack thread's
    bool m_bShutDown = false;

    std::mutex m_connMutex;
    std::vector<std::shared_ptr<Conn>> m_nodeConns; // by node
    std::vector<std::shared_ptr<Conn>> m_retired;   // closed, their runners perhaps still ending
    int m_iLiveConns = 0;

    // The connection on each node, 0 for none; guarded by the stack's m_hMutex, so that a write
    // never lands on a node that a later connection has taken over.
    std::vector<int> m_nodeConnIds;
};

} // namespace devserver
