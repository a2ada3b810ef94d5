// The session through a proxy: a small SOCKS5 or HTTP CONNECT proxy run by the test on 127.0.0.1
// opens the tunnel to the test's game server and relays both ways.
#include "tests/support/SessionHarness.h"

#include <gtest/gtest.h>

#include <cstring>
#include <mutex>
#include <string>
#include <sys/eventfd.h>
#include <thread>

namespace
{

using namespace testsupport;

const char kLostText[] =
    "与游戏服务器连接中断，请确保您的网络在2分钟内恢复正常，双击大厅左侧相应房间，即可重新继续游戏！";

// Connects to 127.0.0.1:port; an invalid peer on failure.
Peer ConnectTo(int port)
{
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    sa.sin_port = htons(static_cast<uint16_t>(port));
    if (connect(fd, reinterpret_cast<sockaddr*>(&sa), sizeof(sa)) != 0)
    {
        close(fd);
        return Peer();
    }
    return Peer(fd);
}

// A proxy for one client. It answers the handshake its kind speaks, connects to the target the
// client names (which must be on 127.0.0.1) and relays until either side closes.
class FakeProxy
{
public:
    enum Kind
    {
        kSocks5,
        kHttp,
    };
    struct Options
    {
        Kind kind = kSocks5;
        std::string user;       // non-empty: SOCKS5 asks for credentials
        bool refuse = false;    // SOCKS5: answer "connection refused" instead of opening the tunnel
        bool glueFirst = false; // wait for the server's first bytes and send them with the final reply
    };

    explicit FakeProxy(Options options) : m_options(std::move(options)), m_stop(eventfd(0, EFD_CLOEXEC))
    {
        port = m_listener.port;
        m_thread = std::thread([this] { Serve(); });
    }
    ~FakeProxy()
    {
        const std::uint64_t one = 1;
        (void)!write(m_stop.Get(), &one, sizeof(one));
        m_thread.join();
    }
    FakeProxy(const FakeProxy&) = delete;
    FakeProxy& operator=(const FakeProxy&) = delete;

    // What the client asked for, once the handshake has been read.
    std::string Request() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_request;
    }

    int port = 0;

private:
    void Serve()
    {
        pollfd p[2] = {{m_listener.Get(), POLLIN, 0}, {m_stop.Get(), POLLIN, 0}};
        if (poll(p, 2, kWaitMs) <= 0 || p[1].revents != 0)
            return;
        Peer client = m_listener.Accept();
        if (!client.Valid())
            return;
        Peer upstream;
        std::string reply;
        const bool ok = m_options.kind == kSocks5 ? Socks5(client, upstream, reply) : Http(client, upstream, reply);
        if (!ok)
            return;
        if (m_options.glueFirst)
        {
            // The server's first bytes go out in the same write as the proxy's last reply.
            char buf[4096];
            if (!WaitReady(upstream.Get(), POLLIN, DeadlineIn(kWaitMs)))
                return;
            const ssize_t n = recv(upstream.Get(), buf, sizeof(buf), 0);
            if (n > 0)
                reply.append(buf, static_cast<size_t>(n));
        }
        if (!client.Send(reply))
            return;
        Relay(client, upstream);
    }

    bool Socks5(Peer& client, Peer& upstream, std::string& reply)
    {
        const auto deadline = DeadlineIn(kWaitMs);
        std::string head;
        std::string methods;
        if (!client.RecvExact(2, head, deadline) || head[0] != 5 ||
            !client.RecvExact(static_cast<unsigned char>(head[1]), methods, deadline))
            return false;
        std::string request = "methods " + std::to_string(methods.size());
        if (!m_options.user.empty())
        {
            if (methods.find('\x02') == std::string::npos || !client.Send(std::string("\x05\x02", 2)))
                return false;
            std::string ver;
            std::string len;
            std::string user;
            std::string pass;
            if (!client.RecvExact(2, ver, deadline) ||
                !client.RecvExact(static_cast<unsigned char>(ver[1]), user, deadline) ||
                !client.RecvExact(1, len, deadline) ||
                !client.RecvExact(static_cast<unsigned char>(len[0]), pass, deadline))
                return false;
            request += " user " + user + ":" + pass;
            if (!client.Send(std::string(user == m_options.user ? "\x01\x00" : "\x01\x01", 2)))
                return false;
        }
        else if (!client.Send(std::string("\x05\x00", 2)))
        {
            return false;
        }
        std::string connect;
        if (!client.RecvExact(4, connect, deadline) || connect[1] != 1)
            return false;
        std::string host;
        if (connect[3] == 3)
        {
            std::string len;
            if (!client.RecvExact(1, len, deadline) ||
                !client.RecvExact(static_cast<unsigned char>(len[0]), host, deadline))
                return false;
        }
        else if (connect[3] == 1)
        {
            std::string ip;
            if (!client.RecvExact(4, ip, deadline))
                return false;
            char text[INET_ADDRSTRLEN] = {};
            inet_ntop(AF_INET, ip.data(), text, sizeof(text));
            host = text;
        }
        std::string portBytes;
        if (!client.RecvExact(2, portBytes, deadline))
            return false;
        const int target = (static_cast<unsigned char>(portBytes[0]) << 8) | static_cast<unsigned char>(portBytes[1]);
        Record(request + " connect " + host + ":" + std::to_string(target));
        if (m_options.refuse)
        {
            client.Send(std::string("\x05\x05\x00\x01\x00\x00\x00\x00\x00\x00", 10));
            return false;
        }
        if (host != "127.0.0.1" || !(upstream = ConnectTo(target)).Valid())
            return false;
        reply.assign("\x05\x00\x00\x01\x7f\x00\x00\x01\x00\x00", 10);
        return true;
    }

    bool Http(Peer& client, Peer& upstream, std::string& reply)
    {
        const auto deadline = DeadlineIn(kWaitMs);
        std::string header;
        std::string byte;
        while (header.size() < 4 || header.compare(header.size() - 4, 4, "\r\n\r\n") != 0)
        {
            if (header.size() > 4096 || !client.RecvExact(1, byte, deadline))
                return false;
            header += byte;
        }
        Record(header);
        const std::string prefix = "CONNECT 127.0.0.1:";
        if (header.compare(0, prefix.size(), prefix) != 0)
            return false;
        const int target = std::atoi(header.c_str() + prefix.size());
        if (!(upstream = ConnectTo(target)).Valid())
            return false;
        reply = "HTTP/1.1 200 Connection established\r\nProxy-Agent: test\r\n\r\n";
        return true;
    }

    void Relay(Peer& a, Peer& b)
    {
        char buf[16384];
        for (;;)
        {
            pollfd p[3] = {{a.Get(), POLLIN, 0}, {b.Get(), POLLIN, 0}, {m_stop.Get(), POLLIN, 0}};
            if (poll(p, 3, -1) < 0 && errno != EINTR)
                return;
            if (p[2].revents != 0)
                return;
            for (int i = 0; i < 2; ++i)
            {
                if (p[i].revents == 0)
                    continue;
                Peer& from = i == 0 ? a : b;
                Peer& to = i == 0 ? b : a;
                const ssize_t n = recv(from.Get(), buf, sizeof(buf), MSG_DONTWAIT);
                if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR))
                    return;
                if (n > 0 && !to.Send(std::string(buf, static_cast<size_t>(n))))
                    return;
            }
        }
    }

    void Record(const std::string& request)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_request = request;
    }

    Options m_options;
    ServerListener m_listener;
    Fd m_stop;
    mutable std::mutex m_mutex;
    std::string m_request;
    std::thread m_thread;
};

class ProxySession : public ::testing::Test
{
protected:
    void UseProxy(int type, const char* host, int proxyPort, const char* user = "", const char* pass = "")
    {
        Ostra::ProxySettings& p = game.wnd.m_ProxySettings;
        p.iEnabled = 1;
        p.iType = type;
        std::snprintf(p.szHost, sizeof(p.szHost), "%s", host);
        p.usPort = static_cast<unsigned short>(proxyPort);
        std::snprintf(p.szUser, sizeof(p.szUser), "%s", user);
        std::snprintf(p.szPass, sizeof(p.szPass), "%s", pass);
    }

    // One message each way through the tunnel.
    void ExchangeMessages()
    {
        ASSERT_TRUE(peer.Send(Frame(Message(26, "through the tunnel"))));
        ASSERT_TRUE(game.PumpUntil([&] { return game.GameMessages() == 1; }));
        EXPECT_EQ(game.journal.entries[0].bytes, Message(26, "through the tunnel"));
        std::string msg = Message(0, "and back");
        game.wnd.SendNetMessage(&msg[0], 200, static_cast<int>(msg.size()));
        std::string got;
        ASSERT_TRUE(peer.ReadMessage(got));
        EXPECT_EQ(got, Message(200, "and back"));
        EXPECT_TRUE(game.harness.MessageBoxes().empty());
    }

    LogCapture log;
    ServerListener server;
    Peer peer;
    TestGame game;
};

} // namespace

TEST_F(ProxySession, Socks5WithCredentialsCarriesMessagesBothWays)
{
    FakeProxy proxy({FakeProxy::kSocks5, "player", false, false});
    UseProxy(1, "127.0.0.1", proxy.port, "player", "secret");
    ASSERT_GE(game.OpenSessionTo(server.port), 0);
    peer = server.Accept();
    ASSERT_TRUE(peer.Valid());
    ExchangeMessages();
    EXPECT_EQ(proxy.Request(), "methods 2 user player:secret connect 127.0.0.1:" + std::to_string(server.port));
}

TEST_F(ProxySession, ServerBytesRightBehindTheProxyReplyAreNotLost)
{
    FakeProxy proxy({FakeProxy::kSocks5, "", false, true});
    UseProxy(1, "127.0.0.1", proxy.port);
    ASSERT_GE(game.OpenSessionTo(server.port), 0);
    peer = server.Accept();
    ASSERT_TRUE(peer.Valid());
    // Sent before the tunnel is open: the proxy glues it to its final reply.
    ASSERT_TRUE(peer.Send(Frame(Message(26, "first")) + Frame(Message(26, "second"))));
    ASSERT_TRUE(game.PumpUntil([&] { return game.GameMessages() == 2; }));
    EXPECT_EQ(game.journal.entries[0].bytes, Message(26, "first"));
    EXPECT_EQ(game.journal.entries[1].bytes, Message(26, "second"));
}

TEST_F(ProxySession, HttpConnectByHostNameCarriesMessagesBothWays)
{
    FakeProxy proxy({FakeProxy::kHttp, "", false, false});
    UseProxy(2, "localhost", proxy.port);
    ASSERT_GE(game.OpenSessionTo(server.port), 0);
    peer = server.Accept();
    ASSERT_TRUE(peer.Valid());
    ExchangeMessages();
    EXPECT_EQ(proxy.Request().substr(0, proxy.Request().find('\r')),
              "CONNECT 127.0.0.1:" + std::to_string(server.port) + " HTTP/1.1");
}

TEST_F(ProxySession, RefusedTunnelEndsTheSessionLikeALostConnection)
{
    FakeProxy proxy({FakeProxy::kSocks5, "", true, false});
    UseProxy(1, "127.0.0.1", proxy.port);
    ASSERT_GE(game.OpenSessionTo(server.port), 0);
    ASSERT_TRUE(game.PumpUntil([&] { return game.app.IsShuttingDown(); }));
    EXPECT_TRUE(log.Contains("proxy len[-5]")) << log.Text();
    EXPECT_EQ(game.BoxTexts(), std::vector<std::string>{kLostText});
    EXPECT_EQ(game.wnd.disconnections, 1);
    EXPECT_FALSE(server.HasPending());
}

TEST_F(ProxySession, UnreachableProxyIsShownAndEndsTheGame)
{
    int closedPort;
    {
        ServerListener gone;
        closedPort = gone.port;
    }
    UseProxy(1, "127.0.0.1", closedPort);
    EXPECT_LT(game.OpenSessionTo(server.port), 0);
    EXPECT_EQ(game.BoxTexts(), std::vector<std::string>{"代理错误：连接代理服务器失败"});
    EXPECT_TRUE(game.app.IsShuttingDown());
    EXPECT_FALSE(game.wnd.IsNetAvailable());
}
