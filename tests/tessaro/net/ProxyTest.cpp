#include "tessaro/net/Proxy.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>

#include <string>
#include <vector>

namespace
{

const unsigned short kNetPort = htons(8080); // bytes 0x1F 0x90

std::string Bytes(std::initializer_list<int> values)
{
    std::string s;
    for (int v : values)
        s += static_cast<char>(v);
    return s;
}

std::string Sent(const Proxy& proxy, int iLen)
{
    return iLen > 0 ? std::string(proxy.GetBuffer(), static_cast<size_t>(iLen)) : std::string();
}

int Feed(Proxy& proxy, const std::string& data)
{
    return proxy.Step(data.data(), static_cast<int>(data.size()));
}

// Feeds a reply one byte at a time; every byte but the last must ask for more.
int FeedByteWise(Proxy& proxy, const std::string& data)
{
    for (size_t i = 0; i + 1 < data.size(); ++i)
        EXPECT_EQ(proxy.Step(&data[i], 1), -3) << "byte " << i;
    return proxy.Step(&data.back(), 1);
}

std::string Socks4Reply(int cVersion, int cCode)
{
    return Bytes({cVersion, cCode, 0, 0, 0, 0, 0, 0});
}

const std::string kSocks5Ipv4Ok = Bytes({5, 0, 0, 1, 127, 0, 0, 1, 0x1F, 0x90});

} // namespace

TEST(ProxySocks4, BuildsTheRequestWithAnAddressOrAHostName)
{
    Proxy proxy;
    proxy.Init(Proxy::kSocks4, 1, nullptr, kNetPort, "ignored", nullptr);
    EXPECT_EQ(Sent(proxy, proxy.Step(nullptr, 0)), Bytes({4, 1, 0x1F, 0x90, 255, 255, 255, 255, 0}));

    proxy.Init(Proxy::kSocks4, 0, nullptr, kNetPort, nullptr, nullptr);
    proxy.SetTargetIP(inet_addr("10.1.2.3"));
    EXPECT_EQ(Sent(proxy, proxy.Step(nullptr, 0)), Bytes({4, 2, 0x1F, 0x90, 10, 1, 2, 3, 0}));

    proxy.Init(Proxy::kSocks4, 1, "game.local", kNetPort, nullptr, nullptr);
    EXPECT_EQ(Sent(proxy, proxy.Step(nullptr, 0)), Bytes({4, 1, 0x1F, 0x90, 0, 0, 0, 1, 0}) + "game.local" + '\0');
}

TEST(ProxySocks4, JudgesTheReply)
{
    const struct
    {
        std::string reply;
        int iResult;
    } cases[] = {{Socks4Reply(0, 90), 0}, {Socks4Reply(0, 92), -5}, {Socks4Reply(0, 91), -1}, {Socks4Reply(1, 90), -1}};
    for (const auto& c : cases)
    {
        Proxy proxy;
        proxy.Init(Proxy::kSocks4, 1, "host", kNetPort, nullptr, nullptr);
        ASSERT_GT(proxy.Step(nullptr, 0), 0);
        EXPECT_EQ(Feed(proxy, c.reply), c.iResult);
        EXPECT_EQ(Feed(proxy, c.reply), c.iResult) << "a finished handshake keeps its result";
    }
}

TEST(ProxySocks4, CollectsASplitReplyAndKeepsTheTunnelBytesBehindIt)
{
    Proxy proxy;
    proxy.Init(Proxy::kSocks4, 1, "host", kNetPort, nullptr, nullptr);
    ASSERT_GT(proxy.Step(nullptr, 0), 0);
    EXPECT_EQ(FeedByteWise(proxy, Socks4Reply(0, 90)), 0);
    EXPECT_EQ(proxy.GetExtraLen(), 0);

    proxy.Init(Proxy::kSocks4, 1, "host", kNetPort, nullptr, nullptr);
    ASSERT_GT(proxy.Step(nullptr, 0), 0);
    EXPECT_EQ(Feed(proxy, Socks4Reply(0, 90).substr(0, 3)), -3);
    EXPECT_EQ(Feed(proxy, Socks4Reply(0, 90).substr(3) + "GAME"), 0);
    EXPECT_EQ(proxy.GetExtraLen(), 4);
}

TEST(ProxySocks5, GreetsAndConnectsWithoutCredentials)
{
    Proxy proxy;
    proxy.Init(Proxy::kSocks5, 1, "game.local", kNetPort, nullptr, nullptr);
    EXPECT_EQ(Sent(proxy, proxy.Step(nullptr, 0)), Bytes({5, 1, 0}));
    EXPECT_EQ(Sent(proxy, Feed(proxy, Bytes({5, 0}))), Bytes({5, 1, 0, 3, 10}) + "game.local" + Bytes({0x1F, 0x90}));
    EXPECT_EQ(Feed(proxy, kSocks5Ipv4Ok), 0);

    proxy.Init(Proxy::kSocks5, 1, nullptr, kNetPort, nullptr, nullptr);
    proxy.SetTargetIP(inet_addr("10.1.2.3"));
    ASSERT_EQ(proxy.Step(nullptr, 0), 3);
    EXPECT_EQ(Sent(proxy, Feed(proxy, Bytes({5, 0}))), Bytes({5, 1, 0, 1, 10, 1, 2, 3, 0x1F, 0x90}));
}

TEST(ProxySocks5, SendsCredentialsOnlyWhenTheServerAsks)
{
    Proxy proxy;
    proxy.Init(Proxy::kSocks5, 1, "h", kNetPort, "user", "pw");
    EXPECT_EQ(Sent(proxy, proxy.Step(nullptr, 0)), Bytes({5, 2, 2, 0}));
    EXPECT_EQ(Sent(proxy, Feed(proxy, Bytes({5, 0}))), Bytes({5, 1, 0, 3, 1, 'h', 0x1F, 0x90}));

    proxy.Init(Proxy::kSocks5, 1, "h", kNetPort, "user", "pw");
    ASSERT_EQ(proxy.Step(nullptr, 0), 4);
    EXPECT_EQ(Sent(proxy, Feed(proxy, Bytes({5, 2}))), Bytes({1, 4}) + "user" + Bytes({2}) + "pw");
    EXPECT_EQ(Sent(proxy, Feed(proxy, Bytes({1, 0}))), Bytes({5, 1, 0, 3, 1, 'h', 0x1F, 0x90}));
    EXPECT_EQ(Feed(proxy, kSocks5Ipv4Ok), 0);
}

TEST(ProxySocks5, RejectsBadRepliesAtEveryStep)
{
    const struct
    {
        std::vector<std::string> replies; // all but the last must lead on
        int iResult;
    } cases[] = {
        {{Bytes({5, 0xFF})}, -1},
        {{Bytes({4, 0})}, -1},
        {{Bytes({5, 2}), Bytes({1, 1})}, -4},
        {{Bytes({5, 2}), Bytes({5, 0})}, -1},
        {{Bytes({5, 0}), Bytes({5, 1, 0, 1, 0, 0, 0, 0, 0, 0})}, -5},
        {{Bytes({5, 0}), Bytes({4, 0, 0, 1, 0, 0, 0, 0, 0, 0})}, -1},
        {{Bytes({5, 0}), Bytes({5, 0, 0, 9, 0, 0, 0, 0, 0, 0})}, -1},
    };
    for (const auto& c : cases)
    {
        Proxy proxy;
        proxy.Init(Proxy::kSocks5, 1, "h", kNetPort, "user", "pw");
        ASSERT_GT(proxy.Step(nullptr, 0), 0);
        for (size_t i = 0; i + 1 < c.replies.size(); ++i)
            ASSERT_GT(Feed(proxy, c.replies[i]), 0);
        EXPECT_EQ(Feed(proxy, c.replies.back()), c.iResult);
        EXPECT_EQ(Feed(proxy, kSocks5Ipv4Ok), c.iResult) << "a failed handshake stays failed";
    }
}

TEST(ProxySocks5, TakesTheWholeReplyWhateverTheBoundAddressType)
{
    const std::string domain = Bytes({5, 0, 0, 3, 4, 'a', 'b', 'c', 'd', 0, 80});
    const std::string shortDomain = Bytes({5, 0, 0, 3, 1, 'a', 0, 80});
    const std::string ipv6 = Bytes({5, 0, 0, 4}) + std::string(16, '\x01') + Bytes({0, 80});
    for (const std::string& reply : {kSocks5Ipv4Ok, domain, shortDomain, ipv6})
    {
        Proxy proxy;
        proxy.Init(Proxy::kSocks5, 1, "h", kNetPort, "user", "pw");
        ASSERT_GT(proxy.Step(nullptr, 0), 0);
        ASSERT_GT(FeedByteWise(proxy, Bytes({5, 2})), 0);
        ASSERT_GT(FeedByteWise(proxy, Bytes({1, 0})), 0);
        EXPECT_EQ(FeedByteWise(proxy, reply), 0) << reply.size() << "-byte reply";

        proxy.Init(Proxy::kSocks5, 1, "h", kNetPort, nullptr, nullptr);
        ASSERT_GT(proxy.Step(nullptr, 0), 0);
        ASSERT_GT(Feed(proxy, Bytes({5, 0})), 0);
        EXPECT_EQ(Feed(proxy, reply + "GAME"), 0);
        EXPECT_EQ(proxy.GetExtraLen(), 4);
    }
}

TEST(ProxySocks5, CutsTextsToWhatALengthByteCanCarry)
{
    const std::string longText(300, 'x');
    Proxy proxy;
    proxy.Init(Proxy::kSocks5, 1, longText.c_str(), kNetPort, longText.c_str(), longText.c_str());
    ASSERT_GT(proxy.Step(nullptr, 0), 0);
    const std::string text255(255, 'x');
    EXPECT_EQ(Sent(proxy, Feed(proxy, Bytes({5, 2}))), Bytes({1, 255}) + text255 + Bytes({255}) + text255);
    EXPECT_EQ(Sent(proxy, Feed(proxy, Bytes({1, 0}))), Bytes({5, 1, 0, 3, 255}) + text255 + Bytes({0x1F, 0x90}));

    proxy.Init(Proxy::kSocks4, 1, longText.c_str(), kNetPort, nullptr, nullptr);
    EXPECT_EQ(proxy.Step(nullptr, 0), 265);
}

TEST(ProxyHttp, BuildsTheConnectRequest)
{
    Proxy proxy;
    proxy.Init(Proxy::kHttp, 1, "game.example", 5000, nullptr, nullptr);
    EXPECT_EQ(Sent(proxy, proxy.Step(nullptr, 0)),
              "CONNECT game.example:5000 HTTP/1.1\r\nHost: game.example:5000\r\n\r\n");

    proxy.Init(Proxy::kHttp, 1, "game.example", 5000, "alice", "secret");
    EXPECT_EQ(Sent(proxy, proxy.Step(nullptr, 0)), "CONNECT game.example:5000 HTTP/1.1\r\nHost: game.example:5000\r\n"
                                                   "Authorization: Basic YWxpY2U6c2VjcmV0\r\n"
                                                   "Proxy-Authorization: Basic YWxpY2U6c2VjcmV0\r\n\r\n");

    proxy.Init(Proxy::kHttp, 1, nullptr, 5000, "alice", "secret");
    EXPECT_EQ(proxy.Step(nullptr, 0), -6);
    proxy.Init(Proxy::kHttp, 1, "", 5000, nullptr, nullptr);
    EXPECT_EQ(proxy.Step(nullptr, 0), -6);
}

TEST(ProxyHttp, TheLongestRequestFits)
{
    const std::string longText(255, 'z');
    Proxy proxy;
    proxy.Init(Proxy::kHttp, 1, longText.c_str(), 65535, longText.c_str(), longText.c_str());
    const int iLen = proxy.Step(nullptr, 0);
    ASSERT_EQ(iLen, 1971);
    const std::string request = Sent(proxy, iLen);
    EXPECT_EQ(request.substr(0, 8 + 255 + 6), "CONNECT " + longText + ":65535");
    EXPECT_EQ(request.substr(request.size() - 4), "\r\n\r\n");
    EXPECT_EQ(proxy.GetBuffer()[iLen], '\0');
}

TEST(ProxyHttp, JudgesTheStatusLine)
{
    const struct
    {
        const char* reply;
        int iResult;
    } cases[] = {
        {"HTTP/1.1 200 Connection established\r\n\r\n", 0},
        {"HTTP/1.0 407 Proxy Authentication Required\r\nProxy-Authenticate: Basic\r\n\r\n", -4},
        {"HTTP/1.1 403 Forbidden\r\n\r\n", -1},
        {"HTTP/1.1\r\nX-Status: 200 ok\r\n\r\n", -1},
        {"HTTP/1.1 20\r\n\r\n", -1},
        {"\r\n\r\n", -1},
    };
    for (const auto& c : cases)
    {
        Proxy proxy;
        proxy.Init(Proxy::kHttp, 1, "h", 80, nullptr, nullptr);
        ASSERT_GT(proxy.Step(nullptr, 0), 0);
        EXPECT_EQ(Feed(proxy, c.reply), c.iResult) << c.reply;
        EXPECT_EQ(Feed(proxy, c.reply), c.iResult) << "a finished handshake keeps its result";
    }
}

TEST(ProxyHttp, WaitsForTheEmptyLineUntilTheBufferIsFull)
{
    // 23 chunks of 89 bytes fill the 2047 bytes that leave room for the terminating zero.
    const std::string line = "X-Pad: " + std::string(80, 'p') + "\r\n";
    ASSERT_EQ(line.size(), 89u);
    Proxy proxy;
    proxy.Init(Proxy::kHttp, 1, "h", 80, nullptr, nullptr);
    ASSERT_GT(proxy.Step(nullptr, 0), 0);
    for (int i = 0; i < 23; ++i)
        ASSERT_EQ(Feed(proxy, line), -3) << "chunk " << i;
    EXPECT_EQ(Feed(proxy, "\r"), -2);
    EXPECT_EQ(Feed(proxy, "\r\n"), -2);
}

TEST(ProxyHttp, FindsTheEndOfASplitHeaderAndKeepsTheTunnelBytes)
{
    Proxy proxy;
    proxy.Init(Proxy::kHttp, 1, "h", 80, nullptr, nullptr);
    ASSERT_GT(proxy.Step(nullptr, 0), 0);
    EXPECT_EQ(Feed(proxy, "HTTP/1.1 200 OK\r\n\r"), -3);
    EXPECT_EQ(Feed(proxy, "\nGAME"), 0);
    EXPECT_EQ(proxy.GetExtraLen(), 4);

    // Tunnel bytes behind a long header do not count against the header's room.
    proxy.Init(Proxy::kHttp, 1, "h", 80, nullptr, nullptr);
    ASSERT_GT(proxy.Step(nullptr, 0), 0);
    ASSERT_EQ(Feed(proxy, "HTTP/1.1 200 OK\r\nX: " + std::string(1900, 'p')), -3);
    EXPECT_EQ(Feed(proxy, "\r\n\r\n" + std::string(1000, 'g')), 0);
    EXPECT_EQ(proxy.GetExtraLen(), 1000);
}

TEST(ProxyStep, IsSafeWithoutDataOrTypeAndAfterTheEnd)
{
    Proxy unset;
    EXPECT_EQ(unset.Step(nullptr, 0), 0);
    Proxy unknown;
    unknown.Init(7, 1, "h", 80, nullptr, nullptr);
    EXPECT_EQ(unknown.Step(nullptr, 0), 0);

    Proxy proxy;
    proxy.Init(Proxy::kSocks4, 1, "h", kNetPort, nullptr, nullptr);
    ASSERT_GT(proxy.Step(nullptr, 0), 0);
    const std::string reply = Socks4Reply(0, 90);
    EXPECT_EQ(proxy.Step(nullptr, 8), -2);
    EXPECT_EQ(proxy.Step(reply.data(), 0), -2);
    EXPECT_EQ(proxy.Step(reply.data(), -5), -2);
    EXPECT_EQ(Feed(proxy, reply), 0) << "a call without data keeps the state";
    EXPECT_EQ(Feed(proxy, reply), 0);
    EXPECT_EQ(proxy.GetExtraLen(), 0);

    // A length larger than a reply step needs reads no further than the reply.
    proxy.Init(Proxy::kSocks5, 1, "h", kNetPort, nullptr, nullptr);
    ASSERT_GT(proxy.Step(nullptr, 0), 0);
    ASSERT_GT(Feed(proxy, Bytes({5, 0})), 0);
    std::string big = kSocks5Ipv4Ok + std::string(4096, 'g');
    EXPECT_EQ(proxy.Step(big.data(), static_cast<int>(big.size())), 0);
    EXPECT_EQ(proxy.GetExtraLen(), 4096);

    // An HTTP reply far larger than the buffer is refused without writing past it.
    proxy.Init(Proxy::kHttp, 1, "h", 80, nullptr, nullptr);
    ASSERT_GT(proxy.Step(nullptr, 0), 0);
    EXPECT_EQ(proxy.Step(big.data(), static_cast<int>(big.size())), -2);
}
