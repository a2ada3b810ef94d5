// Any bytes through Base64Encode: the exact encoded length, only the standard alphabet with '='
// padding at the end, the terminator only when there is room, and a decoder gets the input back.
#include "tessaro/net/Base64.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace
{

int Value(char c)
{
    const char* alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    const char* p = c ? std::strchr(alphabet, c) : nullptr;
    return p ? static_cast<int>(p - alphabet) : -1;
}

// Strict: whole groups of four, padding only in the last group.
bool Decode(const char* text, size_t len, std::vector<std::uint8_t>& out)
{
    if (len % 4 != 0)
        return false;
    for (size_t i = 0; i < len; i += 4)
    {
        const bool last = i + 4 == len;
        const int pad = (text[i + 3] == '=') + (text[i + 2] == '=');
        if ((pad && !last) || (text[i + 2] == '=' && text[i + 3] != '='))
            return false;
        unsigned v = 0;
        for (int j = 0; j < 4 - pad; ++j)
        {
            const int x = Value(text[i + static_cast<size_t>(j)]);
            if (x < 0)
                return false;
            v |= static_cast<unsigned>(x) << (18 - 6 * j);
        }
        out.push_back(static_cast<std::uint8_t>(v >> 16));
        if (pad < 2)
            out.push_back(static_cast<std::uint8_t>(v >> 8));
        if (pad < 1)
            out.push_back(static_cast<std::uint8_t>(v));
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size)
{
    if (size > 65536)
        return 0;
    static const std::uint8_t kNothing = 0;
    if (!data)
        data = &kNothing; // an empty input must still be accepted
    const int len = static_cast<int>(size);
    const int encoded = static_cast<int>(4 * ((size + 2) / 3));

    // Exactly the encoded length: no terminator may be written (ASan sees a write past it).
    // (One byte of storage for an empty input: the encoder wants a real pointer.)
    std::vector<char> exact(encoded > 0 ? static_cast<size_t>(encoded) : 1);
    if (Base64Encode(data, len, exact.data(), encoded) != encoded)
        std::abort();
    std::vector<std::uint8_t> back;
    if (!Decode(exact.data(), static_cast<size_t>(encoded), back) ||
        back != std::vector<std::uint8_t>(data, data + size))
        std::abort();

    std::vector<char> roomy(static_cast<size_t>(encoded) + 1, '#');
    if (Base64Encode(data, len, roomy.data(), encoded + 1) != encoded || roomy[static_cast<size_t>(encoded)] != '\0' ||
        std::memcmp(roomy.data(), exact.data(), static_cast<size_t>(encoded)) != 0)
        std::abort();

    if (encoded > 0 && Base64Encode(data, len, exact.data(), encoded - 1) != -1)
        std::abort();
    return 0;
}
