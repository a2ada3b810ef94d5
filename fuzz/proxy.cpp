// Any proxy replies, cut into any chunks, through every handshake type: no crash, no read past a
// chunk, never a request longer than the buffer, and results that stay within their contract.
//
// Input: byte 0 connect flag and the type tried last (also unknown types), bytes 1-3 the lengths of
// host, user and password (0 to 300, cut by Init), bytes 4-5 the port; then chunks, each a size
// byte followed by that many reply bytes. Size 255 stands for a call without data.
#include "tessaro/net/Proxy.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

namespace
{

std::string Text(std::uint8_t lenByte, char fill)
{
    // Up to 300 bytes, past the 255 that Init keeps.
    return std::string(static_cast<size_t>(lenByte) * 300 / 255, fill);
}

void Check(bool ok)
{
    if (!ok)
        std::abort();
}

void Run(int iType, const std::uint8_t* data, size_t size)
{
    const int bConnect = data[0] & 1;
    const std::string host = Text(data[1], 'h');
    const std::string user = Text(data[2], 'u');
    const std::string pass = Text(data[3], 'p');
    const unsigned short port = static_cast<unsigned short>(data[4] << 8 | data[5]);

    Proxy proxy;
    proxy.Init(iType, bConnect, data[1] ? host.c_str() : nullptr, port, data[2] ? user.c_str() : nullptr, pass.c_str());
    proxy.SetTargetIP(0x0100007Fu);

    int r = proxy.Step(nullptr, 0);
    int finalResult = 1; // not final yet
    size_t pos = 6;
    while (true)
    {
        Check(r <= Proxy::kBufSize && r >= -6);
        if (r > 0)
        {
            // Touch every byte the caller would send.
            volatile char sink = 0;
            const char* buf = proxy.GetBuffer();
            for (int i = 0; i < r; ++i)
                sink = static_cast<char>(sink ^ buf[i]);
            (void)sink;
        }
        if (finalResult != 1)
            Check(r == finalResult);
        else if (r == 0 || (r < 0 && r != -3 && r != -2))
            finalResult = r;
        if (pos >= size)
            break;

        const size_t chunk = data[pos++];
        if (chunk == 255)
        {
            r = proxy.Step(nullptr, 0);
            continue;
        }
        const size_t n = chunk < size - pos ? chunk : size - pos;
        // An exact-size copy, so that reading past the chunk is caught.
        std::unique_ptr<char[]> bytes(new char[n ? n : 1]);
        if (n)
            std::memcpy(bytes.get(), data + pos, n);
        pos += n;
        r = proxy.Step(bytes.get(), static_cast<int>(n));
        if (r == 0 && finalResult == 1)
            Check(proxy.GetExtraLen() >= 0 && static_cast<size_t>(proxy.GetExtraLen()) <= n);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size)
{
    if (size < 6)
        return 0;
    for (int iType = Proxy::kSocks4; iType <= Proxy::kHttp; ++iType)
        Run(iType, data, size);
    Run(static_cast<int>(data[0] >> 1) - 1, data, size);
    return 0;
}
