// The payload cipher per message, against plain AES-128-CBC through OpenSSL's EVP interface on the
// same message size and direction, set up afresh for each message as a per-message caller must.
// The ratio is what the vector block, the closing block and the short tail cost.
#include "bench/BenchMain.h"
#include "tessaro/net/Cipher.h"

#include <benchmark/benchmark.h>
#include <openssl/evp.h>

#include <memory>
#include <string>
#include <vector>

namespace
{

const char kKeyText[] = "q7w2ex9m4t";
const unsigned char kKey[16] = {'q', '7', 'w', '2', 'e', 'x', '9', 'm', '4', 't', 0x12, 0x12, 0x12, 0x12, 0x12, 0x12};
const unsigned char kIv[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
const int kSizes[] = {20, 100, 1024, 4096, 6124};

struct CtxFree
{
    void operator()(EVP_CIPHER_CTX* ctx) const { EVP_CIPHER_CTX_free(ctx); }
};
using CipherCtx = std::unique_ptr<EVP_CIPHER_CTX, CtxFree>;

std::vector<char> Message(int len)
{
    std::vector<char> m(static_cast<size_t>(len));
    for (int i = 0; i < len; ++i)
        m[static_cast<size_t>(i)] = static_cast<char>(i * 31 + 7);
    return m;
}

void Bytes(benchmark::State& state)
{
    state.SetBytesProcessed(state.iterations() * state.range(0));
}

void AesEnc(benchmark::State& state)
{
    const int len = static_cast<int>(state.range(0));
    const std::vector<char> in = Message(len);
    std::vector<char> out(in.size() + 16);
    int outLen = 0;
    for (auto _ : state)
    {
        if (aes_enc_r(in.data(), len, kKeyText, 10, out.data(), &outLen) != 0)
            state.SkipWithError("aes_enc_r failed");
        benchmark::DoNotOptimize(out.data());
    }
    Bytes(state);
}

void AesDec(benchmark::State& state)
{
    const int len = static_cast<int>(state.range(0));
    const std::vector<char> plain = Message(len);
    std::vector<char> in(plain.size() + 16);
    std::vector<char> out(plain.size());
    int outLen = 0;
    aes_enc_r(plain.data(), len, kKeyText, 10, in.data(), &outLen);
    for (auto _ : state)
    {
        if (aes_dec_r(in.data(), len + 16, kKeyText, 10, out.data(), &outLen) != 0)
            state.SkipWithError("aes_dec_r failed");
        benchmark::DoNotOptimize(out.data());
    }
    Bytes(state);
}

void EvpCbcEnc(benchmark::State& state)
{
    const CipherCtx ctx(EVP_CIPHER_CTX_new());
    if (!ctx)
    {
        state.SkipWithError("EVP_CIPHER_CTX_new failed");
        return;
    }
    const int len = static_cast<int>(state.range(0));
    const std::vector<char> plain = Message(len);
    const auto* in = reinterpret_cast<const unsigned char*>(plain.data());
    std::vector<unsigned char> out(plain.size() + 32);
    for (auto _ : state)
    {
        int n = 0;
        int tail = 0;
        if (EVP_EncryptInit_ex(ctx.get(), EVP_aes_128_cbc(), nullptr, kKey, kIv) != 1 ||
            EVP_EncryptUpdate(ctx.get(), out.data(), &n, in, len) != 1 ||
            EVP_EncryptFinal_ex(ctx.get(), out.data() + n, &tail) != 1)
            state.SkipWithError("EVP encryption failed");
        benchmark::DoNotOptimize(out.data());
    }
    Bytes(state);
}

void EvpCbcDec(benchmark::State& state)
{
    const CipherCtx ctx(EVP_CIPHER_CTX_new());
    if (!ctx)
    {
        state.SkipWithError("EVP_CIPHER_CTX_new failed");
        return;
    }
    const int len = static_cast<int>(state.range(0));
    const std::vector<char> plain = Message(len);
    std::vector<unsigned char> cipher(plain.size() + 32);
    std::vector<unsigned char> out(plain.size() + 32);
    int cipherLen = 0;
    int tail = 0;
    EVP_EncryptInit_ex(ctx.get(), EVP_aes_128_cbc(), nullptr, kKey, kIv);
    EVP_EncryptUpdate(ctx.get(), cipher.data(), &cipherLen, reinterpret_cast<const unsigned char*>(plain.data()), len);
    EVP_EncryptFinal_ex(ctx.get(), cipher.data() + cipherLen, &tail);
    cipherLen += tail;
    for (auto _ : state)
    {
        int n = 0;
        if (EVP_DecryptInit_ex(ctx.get(), EVP_aes_128_cbc(), nullptr, kKey, kIv) != 1 ||
            EVP_DecryptUpdate(ctx.get(), out.data(), &n, cipher.data(), cipherLen) != 1 ||
            EVP_DecryptFinal_ex(ctx.get(), out.data() + n, &tail) != 1)
            state.SkipWithError("EVP decryption failed");
        benchmark::DoNotOptimize(out.data());
    }
    Bytes(state);
}

// One message out and one in, as a chat line makes its way: the time per pair.
void AesEncDec(benchmark::State& state)
{
    const int len = static_cast<int>(state.range(0));
    const std::vector<char> plain = Message(len);
    std::vector<char> cipher(plain.size() + 16);
    std::vector<char> out(plain.size());
    int n = 0;
    for (auto _ : state)
    {
        if (aes_enc_r(plain.data(), len, kKeyText, 10, cipher.data(), &n) != 0 ||
            aes_dec_r(cipher.data(), n, kKeyText, 10, out.data(), &n) != 0)
            state.SkipWithError("round trip failed");
        benchmark::DoNotOptimize(out.data());
    }
}

void Sizes(benchmark::internal::Benchmark* b)
{
    for (int size : kSizes)
        b->Arg(size);
}

BENCHMARK(AesEnc)->Name("aes_enc_r")->Apply(Sizes);
BENCHMARK(EvpCbcEnc)->Name("evp_cbc_enc")->Apply(Sizes);
BENCHMARK(AesDec)->Name("aes_dec_r")->Apply(Sizes);
BENCHMARK(EvpCbcDec)->Name("evp_cbc_dec")->Apply(Sizes);
BENCHMARK(AesEncDec)->Name("aes_enc_dec")->Arg(100);

const bool kBaselines = []
{
    for (int size : kSizes)
    {
        const std::string arg = "/" + std::to_string(size);
        tessaro::bench::SetBaseline("aes_enc_r" + arg, "evp_cbc_enc" + arg);
        tessaro::bench::SetBaseline("aes_dec_r" + arg, "evp_cbc_dec" + arg);
    }
    return true;
}();

} // namespace
