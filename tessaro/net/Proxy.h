// Client side of a proxy tunnel handshake: SOCKS4 (4a with a host name), SOCKS5 (with optional
// user name / password authentication) and HTTP CONNECT (with optional Basic credentials).
//
// The object does no input or output. The caller drives it:
//
//   proxy.Init(type, 1, host, port, user, pass);
//   int r = proxy.Step(nullptr, 0);          // step 0: builds the first request, data is ignored
//   while (r != 0) {
//       if (r > 0)        send r bytes of proxy.GetBuffer();
//       else if (r == -3) nothing to send, wait for more reply bytes;
//       else              the handshake failed with r, close the connection;
//       r = proxy.Step(bytes just received, their count);
//   }
//   // Tunnel open. The last GetExtraLen() bytes of the data given to the last Step already
//   // belong to the tunnel (the far side spoke right behind the proxy's final reply).
//
// Step results: above 0, send that many bytes of GetBuffer(); 0, the tunnel is open; -3, more reply
// bytes are needed; -1, protocol failure; -2, no data given (null or a length below 1; the state is
// kept and a later call with data goes on) or the HTTP reply header does not fit the buffer; -4,
// credentials refused (SOCKS5) or HTTP status 407; -5, the SOCKS server refused the connection;
// -6, HTTP without a target host. Any other failure ends the handshake: every later Step returns
// the same code until the next Init. After the tunnel is open every later Step returns 0, and a
// type other than 0, 1 or 2 (also before the first Init) returns 0 at once.
//
// Target address and port:
// - SOCKS4 and SOCKS5 send the host text when one is given (SOCKS4a / address type 3), otherwise
//   m_ulIP (see SetTargetIP; 255.255.255.255 until it is set).
// - For both SOCKS types usPort is taken already in network byte order (as htons gives it) and its
//   two bytes go into the request unchanged. For HTTP it is a plain port number, printed in decimal.
//
// Texts are copied up to 255 bytes each; longer texts are cut to their first 255 bytes, and the
// stored lengths are the cut lengths, so every length byte on the wire matches what follows it.
#pragma once

#include <cstdint>

class Proxy
{
public:
    enum
    {
        kSocks4 = 0,
        kSocks5 = 1,
        kHttp = 2,
    };
    static constexpr int kBufSize = 2048;
    static constexpr int kTextMax = 255;

    Proxy();
    virtual ~Proxy();

    // Starts a handshake over: stores the type, the connect flag (1 connect, 0 bind) and the port,
    // copies the texts (null leaves a text empty) and resets the step. m_ulIP returns to -1.
    void Init(int iType, int bConnect, const char* szHost, unsigned short usPort, const char* szUser,
              const char* szPass);

    // Sets the target IPv4 address used when no host text is given, in network byte order (as
    // inet_addr gives it): its four bytes in memory are the address bytes in order. Call it after
    // Init, which resets the address.
    void SetTargetIP(unsigned long ulIP);

    // One handshake step; see the top of this file for the calling convention and the results.
    int Step(const char* pData, int iLen);

    // The request to send after Step returned a positive count.
    const char* GetBuffer() const { return m_Buf; }

    // After Step returned 0: how many bytes at the end of the data given to that call followed the
    // proxy's final reply. They are the first bytes of the tunnel and must not be dropped.
    int GetExtraLen() const { return m_iExtraLen; }

private:
    int StepSocks4(const char* pData, int iLen);
    int StepSocks5(const char* pData, int iLen);
    int StepHttp(const char* pData, int iLen);

    int BuildSocks4Request();
    int BuildSocks5Connect();
    int BuildSocks5Credentials();
    int BuildHttpConnect();

    // Appends reply bytes to m_Buf until m_iRecvLen reaches iNeed, consuming them from pData/iLen.
    // Returns true when iNeed bytes are collected.
    bool Collect(const char*& pData, int& iLen, int iNeed);
    // Ends the handshake with the tunnel open; iLeft bytes of the last input were not consumed.
    int Finish(int iLeft);
    // Ends the handshake with a failure that every later Step repeats.
    int Fail(int iCode);

    int m_iType;
    int m_iStep;
    int m_iUserLen;
    int m_iPassLen;
    int m_iHostLen;
    char m_szUser[kTextMax + 1];
    char m_szPass[kTextMax + 1];
    char m_szHost[kTextMax + 1];
    char m_Buf[kBufSize];
    int m_iRecvLen;
    int m_bConnect;
    std::uint32_t m_ulIP;
    unsigned short m_usPort;
    int m_iExtraLen;
    int m_iFailCode;
};
