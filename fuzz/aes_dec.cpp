// Any bytes as a ciphertext, and as a plaintext that must come back unchanged. The first byte picks
// how much of the rest is the key text (zero bytes and all), so key handling is covered too.
#include "tessaro/net/Cipher.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size)
{
    if (size < 1 || size > 65536)
        return 0;
    const size_t keyLen = data[0] % 24 < size - 1 ? data[0] % 24 : size - 1;
    // Exact-size copies, so that the address sanitizer sees any read or write past them.
    const std::vector<char> key(data + 1, data + 1 + keyLen);
    const std::vector<char> in(data + 1 + keyLen, data + size);
    const int len = static_cast<int>(in.size());
    // An empty vector may have no storage; an empty key text is still a valid text.
    const char* keyText = keyLen ? key.data() : "";

    if (len >= 16)
    {
        std::vector<char> out(in.size() - 16);
        int outLen = -1;
        if (aes_dec_r(in.data(), len, keyText, static_cast<int>(keyLen), out.data(), &outLen) != 0 ||
            outLen != len - 16)
            std::abort();
    }

    std::vector<char> cipher(in.size() + 16);
    int cipherLen = -1;
    if (aes_enc_r(in.data(), len, keyText, static_cast<int>(keyLen), cipher.data(), &cipherLen) != 0 ||
        cipherLen != len + 16)
        std::abort();
    std::vector<char> back(in.size());
    int backLen = -1;
    if (aes_dec_r(cipher.data(), cipherLen, keyText, static_cast<int>(keyLen), back.data(), &backLen) != 0 ||
        backLen != len || back != in)
        std::abort();
    return 0;
}
