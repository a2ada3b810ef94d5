// Tunnels through real proxy servers started on 127.0.0.1: tinyproxy for HTTP CONNECT and dante
// for SOCKS4 and SOCKS5, each to a local echo server.
#include "tessaro/net/Stack.h"
#include "tests/support/Loopback.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <mutex>
#include <netinet/in.h>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace
{

using namespace testsupport;

bool CanConnect(int port)
{
    int fd = RawConnect(port);
    if (fd >= 0)
        close(fd);
    return fd >= 0;
}

// Echoes every connection back to its sender until the server goes away. Going away also shuts
// the connections still open, so that a peer that keeps one (a proxy's worker) cannot hold it up.
class EchoServer
{
public:
    EchoServer() : port(m_listener.port), m_thread([this] { Serve(); }) {}
    ~EchoServer()
    {
        m_listener.Shutdown();
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_stopping = true;
            for (int c : m_open)
                shutdown(c, SHUT_RDWR);
        }
        m_thread.join();
    }
    EchoServer(const EchoServer&) = delete;
    EchoServer& operator=(const EchoServer&) = delete;

private:
    RawListener m_listener;

public:
    const int port;

private:
    void Serve()
    {
        std::vector<std::thread> clients;
        for (;;)
        {
            int c = m_listener.Accept();
            if (c < 0)
                break;
            {
                std::lock_guard<std::mutex> lock(m_mutex);
                if (m_stopping)
                    shutdown(c, SHUT_RDWR);
                m_open.push_back(c);
            }
            clients.emplace_back(
                [this, c]
                {
                    char buf[512];
                    ssize_t n;
                    while ((n = recv(c, buf, sizeof(buf), 0)) > 0)
                        send(c, buf, static_cast<size_t>(n), MSG_NOSIGNAL);
                    std::lock_guard<std::mutex> lock(m_mutex);
                    m_open.erase(std::find(m_open.begin(), m_open.end(), c));
                    close(c);
                });
        }
        for (auto& t : clients)
            t.join();
    }
    std::mutex m_mutex;
    std::vector<int> m_open;
    bool m_stopping = false;
    std::thread m_thread;
};

// A proxy server run for one test and ended with it.
class ProxyServer
{
public:
    ProxyServer(const std::string& program, std::vector<std::string> args, int port) : m_port(port)
    {
        m_pid = fork();
        if (m_pid == 0)
        {
            // A group of its own, so that its end takes any workers it forked along.
            setpgid(0, 0);
            std::vector<char*> argv;
            argv.push_back(const_cast<char*>(program.c_str()));
            for (auto& a : args)
                argv.push_back(a.data());
            argv.push_back(nullptr);
            int devnull = open("/dev/null", O_WRONLY);
            dup2(devnull, 1);
            dup2(devnull, 2);
            execv(program.c_str(), argv.data());
            _exit(127);
        }
    }
    ~ProxyServer()
    {
        if (m_pid > 0)
        {
            setpgid(m_pid, m_pid); // in case the child has not got there yet
            kill(-m_pid, SIGKILL);
            waitpid(m_pid, nullptr, 0);
        }
    }
    // The server is ready once it takes connections; it gets a few seconds to get there.
    bool WaitReady()
    {
        for (int i = 0; i < 250; ++i)
        {
            if (CanConnect(m_port))
                return true;
            int status;
            if (waitpid(m_pid, &status, WNOHANG) == m_pid)
            {
                m_pid = -1;
                return false;
            }
            poll(nullptr, 0, 20);
        }
        return false;
    }

private:
    pid_t m_pid = -1;
    int m_port;
};

// A stack that echoes nothing itself: it records what comes back through the tunnel.
class TunnelStack : public Stack
{
public:
    TunnelStack() : Stack(2, 256, 256) {}
    ~TunnelStack() override { Stop(); }

    void CallbackProxyConnected(int) override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_connected = true;
        m_cv.notify_all();
    }
    void CallbackDelSocketNode(int, int reason) override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_closedReason = reason;
        m_cv.notify_all();
    }
    void CallbackTCPReadData(int i) override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_received.append(m_pNodes[i].pReadBuf, static_cast<size_t>(m_pNodes[i].iReadBytes));
        ResetReadState(i);
        m_cv.notify_all();
    }

    // What came back once `size` bytes arrived, or "closed:<reason>", or "timeout".
    std::string Receive(size_t size)
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        bool done = m_cv.wait_for(lock, std::chrono::seconds(10),
                                  [&] { return m_received.size() >= size || m_closedReason != 1; });
        if (m_received.size() >= size)
            return m_received;
        if (!done)
            return "timeout";
        return "closed:" + std::to_string(m_closedReason);
    }
    bool Connected()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_connected;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_cv;
    std::string m_received;
    bool m_connected = false;
    int m_closedReason = 1; // 1: still open
};

std::string WriteFile(const std::string& dir, const std::string& name, const std::string& text)
{
    std::string path = dir + "/" + name;
    std::ofstream(path) << text;
    return path;
}

class ProxyEndToEnd : public ::testing::Test
{
protected:
    void SetUp() override
    {
        char tmpl[] = "/tmp/tessaro-proxy-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        m_dir = tmpl;
    }
    void TearDown() override { std::system(("rm -rf '" + m_dir + "'").c_str()); }

    std::unique_ptr<ProxyServer> StartTinyproxy(int port, const std::string& auth)
    {
        if (access("/usr/bin/tinyproxy", X_OK) != 0)
            return nullptr;
        std::string conf = "Port " + std::to_string(port) + "\nListen 127.0.0.1\nTimeout 30\nAllow 127.0.0.1\n" +
                           "MaxClients 8\nLogLevel Critical\n" + (auth.empty() ? "" : "BasicAuth " + auth + "\n");
        return std::make_unique<ProxyServer>(
            "/usr/bin/tinyproxy", std::vector<std::string>{"-d", "-c", WriteFile(m_dir, "tp.conf", conf)}, port);
    }
    std::unique_ptr<ProxyServer> StartDante(int port)
    {
        if (access("/usr/sbin/danted", X_OK) != 0)
            return nullptr;
        std::string conf = "logoutput: " + m_dir + "/danted.log\n" +
                           "internal: 127.0.0.1 port = " + std::to_string(port) +
                           "\nexternal: 127.0.0.1\nclientmethod: none\nsocksmethod: none\n"
                           "user.privileged: root\nuser.unprivileged: nobody\n"
                           "client pass { from: 127.0.0.0/8 to: 0.0.0.0/0 }\n"
                           "socks pass { from: 127.0.0.0/8 to: 0.0.0.0/0 }\n";
        return std::make_unique<ProxyServer>(
            "/usr/sbin/danted", std::vector<std::string>{"-f", WriteFile(m_dir, "danted.conf", conf), "-N", "1"}, port);
    }

    // Connects through the proxy, queues a message before the tunnel is open and returns what
    // comes back.
    std::string RoundTrip(int proxyPort, int type, const char* host, unsigned short port, const char* user,
                          const char* pass, unsigned long targetIP = 0xFFFFFFFFul)
    {
        TunnelStack stack;
        int index = stack.ConnectTCP("127.0.0.1", proxyPort, 8, 0, 0);
        if (index < 0)
            return "connect failed";
        if (int r = stack.StartProxy(index, type, host, port, user, pass, targetIP); r != 0)
            return "start failed:" + std::to_string(r);
        // Held back until the handshake is over, then sent through the tunnel.
        stack.WriteData(index, "tessaro!", 8);
        stack.Start();
        std::string got = stack.Receive(8);
        if (got == "tessaro!" && !stack.Connected())
            return "data without the connected callback";
        return got;
    }

    std::string m_dir;
};

} // namespace

TEST_F(ProxyEndToEnd, HttpConnectWithAndWithoutCredentials)
{
    EchoServer echo;
    int port = FreePort();
    auto open = StartTinyproxy(port, "");
    if (!open)
        GTEST_SKIP() << "tinyproxy is not installed (make deps installs it)";
    ASSERT_TRUE(open->WaitReady());
    auto echoPort = static_cast<unsigned short>(echo.port);
    EXPECT_EQ(RoundTrip(port, Proxy::kHttp, "127.0.0.1", echoPort, nullptr, nullptr), "tessaro!");
    open.reset();

    int authPort = FreePort();
    auto guarded = StartTinyproxy(authPort, "player s3cret");
    ASSERT_TRUE(guarded->WaitReady());
    EXPECT_EQ(RoundTrip(authPort, Proxy::kHttp, "127.0.0.1", echoPort, "player", "s3cret"), "tessaro!");
    // This server answers wrong credentials with 401, which is a refusal like any status but 407.
    EXPECT_EQ(RoundTrip(authPort, Proxy::kHttp, "127.0.0.1", echoPort, "player", "wrong"), "closed:-1");
}

TEST_F(ProxyEndToEnd, SocksFourAndFive)
{
    EchoServer echo;
    int port = FreePort();
    auto dante = StartDante(port);
    if (!dante)
        GTEST_SKIP() << "dante-server is not installed (make deps installs it)";
    ASSERT_TRUE(dante->WaitReady());
    const unsigned short wirePort = htons(static_cast<uint16_t>(echo.port));
    const unsigned long loopback = htonl(INADDR_LOOPBACK);
    EXPECT_EQ(RoundTrip(port, Proxy::kSocks5, "127.0.0.1", wirePort, nullptr, nullptr), "tessaro!");
    EXPECT_EQ(RoundTrip(port, Proxy::kSocks5, nullptr, wirePort, nullptr, nullptr, loopback), "tessaro!");
    EXPECT_EQ(RoundTrip(port, Proxy::kSocks4, nullptr, wirePort, nullptr, nullptr, loopback), "tessaro!");

    // The proxy cannot reach the target: the node closes with the refusal as its reason.
    const unsigned short closed = htons(static_cast<uint16_t>(FreePort()));
    EXPECT_EQ(RoundTrip(port, Proxy::kSocks5, nullptr, closed, nullptr, nullptr, loopback), "closed:-5");
}
