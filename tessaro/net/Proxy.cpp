#include "tessaro/net/Proxy.h"

#include "tessaro/net/Base64.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace
{

// Steps past the last one of every type.
constexpr int kStepDone = 100;
constexpr int kStepFailed = 101;

int CopyText(char* pDst, int iCap, const char* pSrc)
{
    std::memset(pDst, 0, static_cast<size_t>(iCap));
    if (!pSrc)
        return 0;
    int n = 0;
    while (n < iCap - 1 && pSrc[n] != '\0')
        ++n;
    std::memcpy(pDst, pSrc, static_cast<size_t>(n));
    return n;
}

unsigned char Byte(const char* pBuf, int iPos)
{
    return static_cast<unsigned char>(pBuf[iPos]);
}

} // namespace

Proxy::Proxy()
    : m_iType(-1), m_iStep(0), m_iUserLen(0), m_iPassLen(0), m_iHostLen(0), m_szUser{}, m_szPass{}, m_szHost{}, m_Buf{},
      m_iRecvLen(0), m_bConnect(0), m_ulIP(0xFFFFFFFFu), m_usPort(0), m_iExtraLen(0), m_iFailCode(0)
{
}

Proxy::~Proxy() = default;

void Proxy::Init(int iType, int bConnect, const char* szHost, unsigned short usPort, const char* szUser,
                 const char* szPass)
{
    m_iType = iType;
    m_bConnect = bConnect;
    m_usPort = usPort;
    m_iHostLen = CopyText(m_szHost, sizeof(m_szHost), szHost);
    m_iUserLen = CopyText(m_szUser, sizeof(m_szUser), szUser);
    m_iPassLen = CopyText(m_szPass, sizeof(m_szPass), szPass);
    m_iStep = 0;
    m_iRecvLen = 0;
    m_ulIP = 0xFFFFFFFFu;
    m_iExtraLen = 0;
    m_iFailCode = 0;
}

void Proxy::SetTargetIP(unsigned long ulIP)
{
    m_ulIP = static_cast<std::uint32_t>(ulIP);
}

int Proxy::Step(const char* pData, int iLen)
{
    m_iExtraLen = 0;
    if (m_iStep == kStepFailed)
        return m_iFailCode;
    if (m_iStep == kStepDone)
        return 0;
    // Every step after the first judges a reply, so it needs bytes; the first ignores what it gets.
    if (m_iStep > 0 && (!pData || iLen < 1))
        return -2;
    switch (m_iType)
    {
    case kSocks4:
        return StepSocks4(pData, iLen);
    case kSocks5:
        return StepSocks5(pData, iLen);
    case kHttp:
        return StepHttp(pData, iLen);
    default:
        return 0;
    }
}

int Proxy::StepSocks4(const char* pData, int iLen)
{
    switch (m_iStep)
    {
    case 0:
        m_iStep = 1;
        return BuildSocks4Request();
    case 1:
        if (!Collect(pData, iLen, 8))
            return -3;
        m_iRecvLen = 0;
        if (Byte(m_Buf, 0) != 0)
            return Fail(-1);
        if (Byte(m_Buf, 1) == 90)
            return Finish(iLen);
        return Fail(Byte(m_Buf, 1) == 92 ? -5 : -1);
    default:
        return 0;
    }
}

int Proxy::StepSocks5(const char* pData, int iLen)
{
    switch (m_iStep)
    {
    case 0:
        m_iStep = 1;
        if (m_iUserLen > 0)
        {
            const char greeting[4] = {5, 2, 2, 0};
            std::memcpy(m_Buf, greeting, sizeof(greeting));
            return 4;
        }
        else
        {
            const char greeting[3] = {5, 1, 0};
            std::memcpy(m_Buf, greeting, sizeof(greeting));
            return 3;
        }
    case 1:
    {
        if (!Collect(pData, iLen, 2))
            return -3;
        m_iRecvLen = 0;
        if (Byte(m_Buf, 0) != 5)
            return Fail(-1);
        const unsigned char method = Byte(m_Buf, 1);
        if (method == 0)
        {
            m_iStep = 3;
            return BuildSocks5Connect();
        }
        if (method == 2)
        {
            m_iStep = 2;
            return BuildSocks5Credentials();
        }
        return Fail(-1);
    }
    case 2:
        if (!Collect(pData, iLen, 2))
            return -3;
        m_iRecvLen = 0;
        if (Byte(m_Buf, 0) != 1)
            return Fail(-1);
        if (Byte(m_Buf, 1) != 0)
            return Fail(-4);
        m_iStep = 3;
        return BuildSocks5Connect();
    case 3:
    {
        // Version, result, reserved, address type, then the bound address and port. The address
        // is not always IPv4, so its type decides how long the reply is; taking all of it keeps
        // the rest of a longer reply from being read as the first bytes of the tunnel.
        if (!Collect(pData, iLen, 2))
            return -3;
        if (Byte(m_Buf, 0) != 5)
            return Fail(-1);
        if (Byte(m_Buf, 1) != 0)
            return Fail(-5);
        if (!Collect(pData, iLen, 5))
            return -3;
        int iReplyLen = 0;
        switch (Byte(m_Buf, 3))
        {
        case 1:
            iReplyLen = 4 + 4 + 2;
            break;
        case 3:
            iReplyLen = 4 + 1 + Byte(m_Buf, 4) + 2;
            break;
        case 4:
            iReplyLen = 4 + 16 + 2;
            break;
        default:
            return Fail(-1);
        }
        if (!Collect(pData, iLen, iReplyLen))
            return -3;
        m_iRecvLen = 0;
        return Finish(iLen);
    }
    default:
        return 0;
    }
}

int Proxy::StepHttp(const char* pData, int iLen)
{
    switch (m_iStep)
    {
    case 0:
        if (m_iHostLen == 0)
            return Fail(-6);
        m_iStep = 1;
        return BuildHttpConnect();
    case 1:
    {
        // One byte of the buffer stays free for the terminating zero.
        const int iOld = m_iRecvLen;
        const int iTake = std::min(iLen, kBufSize - 1 - iOld);
        std::memcpy(m_Buf + iOld, pData, static_cast<size_t>(iTake));
        m_iRecvLen += iTake;
        m_Buf[m_iRecvLen] = '\0';

        // The end of the header can straddle the previous chunk, so look back three bytes.
        int iHeaderEnd = -1;
        for (int i = std::max(0, iOld - 3); i + 4 <= m_iRecvLen; ++i)
        {
            if (std::memcmp(m_Buf + i, "\r\n\r\n", 4) == 0)
            {
                iHeaderEnd = i + 4;
                break;
            }
        }
        if (iHeaderEnd < 0)
            return iTake < iLen ? Fail(-2) : -3;

        // The status code is the three characters after the first blank of the status line.
        const char* pLineEnd = static_cast<const char*>(std::memchr(m_Buf, '\r', static_cast<size_t>(iHeaderEnd)));
        const int iLineLen = static_cast<int>(pLineEnd - m_Buf);
        const char* pBlank = static_cast<const char*>(std::memchr(m_Buf, ' ', static_cast<size_t>(iLineLen)));
        if (!pBlank || (pBlank - m_Buf) + 1 + 3 > iLineLen)
            return Fail(-1);
        if (std::memcmp(pBlank + 1, "200", 3) == 0)
            return Finish(iLen - (iHeaderEnd - iOld));
        return Fail(std::memcmp(pBlank + 1, "407", 3) == 0 ? -4 : -1);
    }
    default:
        return 0;
    }
}

int Proxy::BuildSocks4Request()
{
    m_Buf[0] = 4;
    m_Buf[1] = m_bConnect ? 1 : 2;
    std::memcpy(m_Buf + 2, &m_usPort, 2);
    if (m_iHostLen > 0)
    {
        // 0.0.0.1 tells the server to resolve the host name that follows the user id itself.
        const char address[4] = {0, 0, 0, 1};
        std::memcpy(m_Buf + 4, address, 4);
        m_Buf[8] = 0;
        std::memcpy(m_Buf + 9, m_szHost, static_cast<size_t>(m_iHostLen));
        m_Buf[9 + m_iHostLen] = 0;
        return m_iHostLen + 10;
    }
    std::memcpy(m_Buf + 4, &m_ulIP, 4);
    m_Buf[8] = 0;
    return 9;
}

int Proxy::BuildSocks5Connect()
{
    m_Buf[0] = 5;
    m_Buf[1] = m_bConnect ? 1 : 2;
    m_Buf[2] = 0;
    int iPos = 3;
    if (m_iHostLen > 0)
    {
        m_Buf[iPos++] = 3;
        m_Buf[iPos++] = static_cast<char>(m_iHostLen);
        std::memcpy(m_Buf + iPos, m_szHost, static_cast<size_t>(m_iHostLen));
        iPos += m_iHostLen;
    }
    else
    {
        m_Buf[iPos++] = 1;
        std::memcpy(m_Buf + iPos, &m_ulIP, 4);
        iPos += 4;
    }
    std::memcpy(m_Buf + iPos, &m_usPort, 2);
    return iPos + 2;
}

int Proxy::BuildSocks5Credentials()
{
    int iPos = 0;
    m_Buf[iPos++] = 1;
    m_Buf[iPos++] = static_cast<char>(m_iUserLen);
    std::memcpy(m_Buf + iPos, m_szUser, static_cast<size_t>(m_iUserLen));
    iPos += m_iUserLen;
    m_Buf[iPos++] = static_cast<char>(m_iPassLen);
    std::memcpy(m_Buf + iPos, m_szPass, static_cast<size_t>(m_iPassLen));
    return iPos + m_iPassLen;
}

int Proxy::BuildHttpConnect()
{
    int n;
    if (m_iUserLen > 0)
    {
        // "user:password" of at most 511 bytes encodes to at most 684 characters; with the host
        // twice the longest request stays below 2000 bytes.
        unsigned char credentials[2 * kTextMax + 1];
        std::memcpy(credentials, m_szUser, static_cast<size_t>(m_iUserLen));
        credentials[m_iUserLen] = ':';
        std::memcpy(credentials + m_iUserLen + 1, m_szPass, static_cast<size_t>(m_iPassLen));
        char encoded[1024];
        if (Base64Encode(credentials, m_iUserLen + 1 + m_iPassLen, encoded, sizeof(encoded)) < 0)
            return Fail(-1);
        n = std::snprintf(m_Buf, kBufSize,
                          "CONNECT %s:%d HTTP/1.1\r\nHost: %s:%d\r\nAuthorization: Basic %s\r\n"
                          "Proxy-Authorization: Basic %s\r\n\r\n",
                          m_szHost, m_usPort, m_szHost, m_usPort, encoded, encoded);
    }
    else
    {
        n = std::snprintf(m_Buf, kBufSize, "CONNECT %s:%d HTTP/1.1\r\nHost: %s:%d\r\n\r\n", m_szHost, m_usPort,
                          m_szHost, m_usPort);
    }
    if (n < 0 || n >= kBufSize)
        return Fail(-2);
    return n;
}

bool Proxy::Collect(const char*& pData, int& iLen, int iNeed)
{
    if (m_iRecvLen < iNeed)
    {
        const int iTake = std::min(iLen, iNeed - m_iRecvLen);
        std::memcpy(m_Buf + m_iRecvLen, pData, static_cast<size_t>(iTake));
        m_iRecvLen += iTake;
        pData += iTake;
        iLen -= iTake;
    }
    return m_iRecvLen >= iNeed;
}

int Proxy::Finish(int iLeft)
{
    m_iStep = kStepDone;
    m_iExtraLen = iLeft;
    return 0;
}

int Proxy::Fail(int iCode)
{
    m_iStep = kStepFailed;
    m_iRecvLen = 0;
    m_iFailCode = iCode;
    return iCode;
}
