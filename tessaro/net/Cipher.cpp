#include "tessaro/net/Cipher.h"

#include <openssl/evp.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>

#if defined(__x86_64__) || defined(__i386__)
#include <x86intrin.h>
#endif

namespace
{

constexpr int kBlock = 16;

// The AES key from the key text: up to its first zero byte (never beyond iKeyLen bytes), cut to
// 16 bytes or filled up with 0x12.
bool MakeKey(const char* pKey, int iKeyLen, unsigned char key[kBlock])
{
    if (!pKey || iKeyLen < 0)
        return false;
    const size_t textLen = strnlen(pKey, static_cast<size_t>(iKeyLen));
    if (textLen >= kBlock)
    {
        std::memcpy(key, pKey, kBlock);
    }
    else
    {
        std::memcpy(key, pKey, textLen);
        std::memset(key + textLen, 0x12, kBlock - textLen);
    }
    return true;
}

bool Overlap(const void* a, size_t aLen, const void* b, size_t bLen)
{
    const auto pa = reinterpret_cast<std::uintptr_t>(a);
    const auto pb = reinterpret_cast<std::uintptr_t>(b);
    return pa < pb + bLen && pb < pa + aLen;
}

struct CtxFree
{
    void operator()(EVP_CIPHER_CTX* ctx) const { EVP_CIPHER_CTX_free(ctx); }
};
using CtxPtr = std::unique_ptr<EVP_CIPHER_CTX, CtxFree>;

// One set of cipher contexts per thread, made on the thread's first call and kept until it ends:
// the cipher types are fetched once, and a call only loads its key (and vector) into them.
class Contexts
{
public:
    Contexts()
    {
        m_bOk = Make(m_ecbEnc, EVP_aes_128_ecb(), 1) && Make(m_ecbDec, EVP_aes_128_ecb(), 0) &&
                Make(m_cbcEnc, EVP_aes_128_cbc(), 1) && Make(m_cbcDec, EVP_aes_128_cbc(), 0);
    }

    bool Ok() const { return m_bOk; }
    EVP_CIPHER_CTX* EcbEnc() const { return m_ecbEnc.get(); }
    EVP_CIPHER_CTX* EcbDec() const { return m_ecbDec.get(); }
    EVP_CIPHER_CTX* CbcEnc() const { return m_cbcEnc.get(); }
    EVP_CIPHER_CTX* CbcDec() const { return m_cbcDec.get(); }

private:
    static bool Make(CtxPtr& ctx, const EVP_CIPHER* type, int enc)
    {
        ctx.reset(EVP_CIPHER_CTX_new());
        return ctx && EVP_CipherInit_ex(ctx.get(), type, nullptr, nullptr, nullptr, enc) == 1 &&
               EVP_CIPHER_CTX_set_padding(ctx.get(), 0) == 1;
    }

    CtxPtr m_ecbEnc;
    CtxPtr m_ecbDec;
    CtxPtr m_cbcEnc;
    CtxPtr m_cbcDec;
    bool m_bOk = false;
};

Contexts* ThreadContexts()
{
    static thread_local Contexts contexts;
    return contexts.Ok() ? &contexts : nullptr;
}

// Loads a key (and for the chained contexts a vector), keeping the context's direction.
bool Load(EVP_CIPHER_CTX* ctx, const unsigned char* key, const unsigned char* iv)
{
    return EVP_CipherInit_ex(ctx, nullptr, nullptr, key, iv, -1) == 1;
}

// Runs whole blocks through a context; in and out may be the same block, never partly overlap.
bool Run(EVP_CIPHER_CTX* ctx, const unsigned char* in, unsigned char* out, int len)
{
    int outLen = 0;
    return EVP_CipherUpdate(ctx, out, &outLen, in, len) == 1 && outLen == len;
}

bool Block(EVP_CIPHER_CTX* ctx, const unsigned char* in, unsigned char* out)
{
    return Run(ctx, in, out, kBlock);
}

std::uint64_t SeedCounter()
{
#if defined(__x86_64__) || defined(__i386__)
    return __rdtsc();
#else
    return static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
#endif
}

} // namespace

CipherRandom::CipherRandom()
{
    const std::uint64_t counter = SeedCounter();
    m_z = static_cast<std::uint32_t>(counter);
    m_w = static_cast<std::uint32_t>(counter >> 32);
    // A zero word stays zero for ever. A nanosecond counter has a zero high half for the first
    // seconds after boot, which would leave half of every vector's bytes zero.
    if (m_z == 0)
        m_z = 0x2545F491u;
    if (m_w == 0)
        m_w = 0x9E3779B9u;
}

void CipherRandom::Seed(std::uint32_t z, std::uint32_t w)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_z = z;
    m_w = w;
    m_out = 0;
    m_iIndex = 4;
}

unsigned char CipherRandom::NextByte()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return NextByteLocked();
}

void CipherRandom::Fill(unsigned char* pOut, int iLen)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    for (int i = 0; i < iLen; ++i)
        pOut[i] = NextByteLocked();
}

unsigned char CipherRandom::NextByteLocked()
{
    if (m_iIndex == 4)
    {
        m_z = 36969u * (m_z & 0xFFFFu) + (m_z >> 16);
        m_w = 18000u * (m_w & 0xFFFFu) + (m_w >> 16);
        m_out = (m_z << 16) + m_w;
        m_iIndex = 0;
    }
    return static_cast<unsigned char>(m_out >> (8 * m_iIndex++));
}

CipherRandom& CipherRandom::Shared()
{
    static CipherRandom shared;
    return shared;
}

int aes_enc_r_iv(const char* pIn, int iInLen, const char* pKey, int iKeyLen, char* pOut, int* piOutLen,
                 const unsigned char iv[16])
{
    if (!pOut || !piOutLen || !iv || iInLen < 0 || iInLen > std::numeric_limits<int>::max() - kBlock ||
        (!pIn && iInLen > 0))
        return -1;
    const int len = iInLen;
    if (len > 0 && Overlap(pIn, static_cast<size_t>(len), pOut, static_cast<size_t>(len) + kBlock))
        return -1;
    unsigned char key[kBlock];
    if (!MakeKey(pKey, iKeyLen, key))
        return -1;
    Contexts* ctx = ThreadContexts();
    if (!ctx || !Load(ctx->EcbEnc(), key, nullptr))
        return -1;

    const auto* in = reinterpret_cast<const unsigned char*>(pIn);
    auto* out = reinterpret_cast<unsigned char*>(pOut);
    unsigned char work[kBlock];

    if (len < kBlock)
    {
        // Too short to chain: the encrypted vector's first bytes, then one block made of its other
        // bytes and the plaintext masked with the vector.
        unsigned char w[kBlock];
        if (!Block(ctx->EcbEnc(), iv, w))
            return -1;
        std::memcpy(out, w, static_cast<size_t>(len));
        std::memcpy(work, w + len, static_cast<size_t>(kBlock - len));
        for (int i = 0; i < len; ++i)
            work[kBlock - len + i] = in[i] ^ iv[i];
        if (!Block(ctx->EcbEnc(), work, out + len))
            return -1;
    }
    else
    {
        const int whole = len / kBlock * kBlock;
        const int rest = len - whole;
        if (!Block(ctx->EcbEnc(), iv, out))
            return -1;
        if (!Load(ctx->CbcEnc(), key, iv) || !Run(ctx->CbcEnc(), in, out + kBlock, whole))
            return -1;
        // The last chained block X sits at out + whole. The message is closed without padding: X's
        // first `rest` bytes stay, and one more block (X's other bytes and the remaining plaintext
        // masked with X) is encrypted behind them. With no remainder that block is X itself.
        unsigned char* last = out + whole;
        std::memcpy(work, last + rest, static_cast<size_t>(kBlock - rest));
        for (int i = 0; i < rest; ++i)
            work[kBlock - rest + i] = in[whole + i] ^ last[i];
        if (!Block(ctx->EcbEnc(), work, last + rest))
            return -1;
    }
    *piOutLen = len + kBlock;
    return 0;
}

int aes_enc_r(const char* pIn, int iInLen, const char* pKey, int iKeyLen, char* pOut, int* piOutLen)
{
    if (iInLen < 0)
        return -1;
    unsigned char iv[kBlock];
    CipherRandom::Shared().Fill(iv, kBlock);
    return aes_enc_r_iv(pIn, iInLen, pKey, iKeyLen, pOut, piOutLen, iv);
}

int aes_dec_r(const char* pIn, int iInLen, const char* pKey, int iKeyLen, char* pOut, int* piOutLen)
{
    if (iInLen <= 15)
    {
        std::printf("aes_dec_r inlen error[%d]", iInLen);
        return -1;
    }
    const int len = iInLen - kBlock;
    if (!pIn || !piOutLen || (!pOut && len > 0))
        return -1;
    if (len > 0 && Overlap(pIn, static_cast<size_t>(iInLen), pOut, static_cast<size_t>(len)))
        return -1;
    unsigned char key[kBlock];
    if (!MakeKey(pKey, iKeyLen, key))
        return -1;
    Contexts* ctx = ThreadContexts();
    if (!ctx || !Load(ctx->EcbDec(), key, nullptr))
        return -1;

    const auto* in = reinterpret_cast<const unsigned char*>(pIn);
    auto* out = reinterpret_cast<unsigned char*>(pOut);
    unsigned char work[2 * kBlock];

    if (len < kBlock)
    {
        std::memcpy(work, in, static_cast<size_t>(iInLen));
        if (!Block(ctx->EcbDec(), work + len, work + len) || !Block(ctx->EcbDec(), work, work))
            return -1;
        // work now holds the vector followed by the masked plaintext.
        for (int i = 0; i < len; ++i)
            out[i] = work[i] ^ work[kBlock + i];
    }
    else
    {
        const int whole = len / kBlock * kBlock;
        const int rest = len - whole;
        unsigned char iv[kBlock];
        if (!Block(ctx->EcbDec(), in, iv))
            return -1;
        // All chained blocks but the last decrypt as a plain chain from the vector.
        const unsigned char* prev = iv;
        if (whole > kBlock)
        {
            if (!Load(ctx->CbcDec(), key, iv) || !Run(ctx->CbcDec(), in + kBlock, out, whole - kBlock))
                return -1;
            prev = in + whole - kBlock;
        }
        // The closing block and the `rest` bytes after it.
        std::memcpy(work, in + whole, static_cast<size_t>(kBlock + rest));
        if (!Block(ctx->EcbDec(), work + rest, work + rest))
            return -1;
        for (int i = 0; i < rest; ++i)
            work[kBlock + i] ^= work[i];
        if (!Block(ctx->EcbDec(), work, work))
            return -1;
        for (int i = 0; i < kBlock; ++i)
            work[i] ^= prev[i];
        std::memcpy(out + whole - kBlock, work, static_cast<size_t>(kBlock + rest));
    }
    *piOutLen = len;
    return 0;
}
