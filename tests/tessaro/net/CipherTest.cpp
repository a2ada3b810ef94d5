#include "tessaro/net/Cipher.h"

#include <gtest/gtest.h>
#include <openssl/evp.h>

#include <array>
#include <climits>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace
{

using Block = std::array<unsigned char, 16>;

const std::string kKey = "q7w2ex9m4t";
const Block kIv = {0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88, 0x99, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xFF};

struct CtxFree
{
    void operator()(EVP_CIPHER_CTX* ctx) const { EVP_CIPHER_CTX_free(ctx); }
};
using CipherCtx = std::unique_ptr<EVP_CIPHER_CTX, CtxFree>;

// One AES-128 block encryption, nothing else: the reference below builds the mode from it.
Block Aes(const Block& key, const Block& in)
{
    Block out{};
    const CipherCtx ctx(EVP_CIPHER_CTX_new());
    if (!ctx)
    {
        ADD_FAILURE() << "EVP_CIPHER_CTX_new failed";
        return out;
    }
    int len = 0;
    EXPECT_EQ(EVP_EncryptInit_ex(ctx.get(), EVP_aes_128_ecb(), nullptr, key.data(), nullptr), 1);
    EXPECT_EQ(EVP_EncryptUpdate(ctx.get(), out.data(), &len, in.data(), 16), 1);
    EXPECT_EQ(len, 16);
    return out;
}

Block Slice(const std::string& s, size_t pos)
{
    Block b{};
    std::memcpy(b.data(), s.data() + pos, 16);
    return b;
}

std::string Str(const Block& b)
{
    return std::string(reinterpret_cast<const char*>(b.data()), 16);
}

// The mode written out from its definition, one block at a time.
std::string ReferenceEncrypt(const std::string& p, const Block& key, const Block& v)
{
    const size_t len = p.size();
    if (len < 16)
    {
        const std::string w = Str(Aes(key, v));
        std::string last = w.substr(len);
        for (size_t i = 0; i < len; ++i)
            last.push_back(static_cast<char>(p[i] ^ v[i]));
        return w.substr(0, len) + Str(Aes(key, Slice(last, 0)));
    }
    std::string out = Str(Aes(key, v));
    const size_t n = len / 16;
    const size_t r = len % 16;
    Block x = v;
    for (size_t i = 0; i < n; ++i)
    {
        Block in = Slice(p, 16 * i);
        for (size_t j = 0; j < 16; ++j)
            in[j] ^= x[j];
        x = Aes(key, in);
        if (i + 1 < n)
            out += Str(x);
    }
    if (r == 0)
        return out + Str(Aes(key, x));
    std::string last = Str(x).substr(r);
    for (size_t i = 0; i < r; ++i)
        last.push_back(static_cast<char>(p[16 * n + i] ^ x[i]));
    return out + Str(x).substr(0, r) + Str(Aes(key, Slice(last, 0)));
}

std::string Message(size_t len)
{
    std::string s(len, '\0');
    for (size_t i = 0; i < len; ++i)
        s[i] = static_cast<char>(i * 7 + len); // zero bytes included
    return s;
}

// Encrypts with the given vector (or a drawn one); checks that nothing is written past the
// ciphertext.
std::string Encrypt(const std::string& p, const std::string& key = kKey, const Block* iv = nullptr)
{
    std::string out(p.size() + 16 + 8, '\xA5');
    int outLen = -1;
    const int rc = iv ? aes_enc_r_iv(p.data(), static_cast<int>(p.size()), key.data(), static_cast<int>(key.size()),
                                     out.data(), &outLen, iv->data())
                      : aes_enc_r(p.data(), static_cast<int>(p.size()), key.data(), static_cast<int>(key.size()),
                                  out.data(), &outLen);
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(outLen, static_cast<int>(p.size() + 16));
    EXPECT_EQ(out.substr(p.size() + 16), std::string(8, '\xA5'));
    out.resize(p.size() + 16);
    return out;
}

std::string Decrypt(const std::string& c, const std::string& key = kKey)
{
    std::string out(c.size() - 16 + 8, '\xA5');
    int outLen = -1;
    EXPECT_EQ(
        aes_dec_r(c.data(), static_cast<int>(c.size()), key.data(), static_cast<int>(key.size()), out.data(), &outLen),
        0);
    EXPECT_EQ(outLen, static_cast<int>(c.size() - 16));
    EXPECT_EQ(out.substr(c.size() - 16), std::string(8, '\xA5'));
    out.resize(c.size() - 16);
    return out;
}

const size_t kLengths[] = {0, 1, 2, 15, 16, 17, 31, 32, 33, 47, 48, 49, 64, 100, 255, 1000, 6124, 10496};

} // namespace

TEST(CipherMode, RoundTripsEveryLengthAroundTheBlockEdges)
{
    for (size_t len : kLengths)
    {
        SCOPED_TRACE(len);
        const std::string p = Message(len);
        EXPECT_EQ(Decrypt(Encrypt(p)), p);
    }
}

TEST(CipherMode, MatchesTheModeBuiltFromSingleBlocks)
{
    Block key;
    std::memcpy(key.data(), "q7w2ex9m4t\x12\x12\x12\x12\x12\x12", 16);
    for (size_t len : kLengths)
    {
        SCOPED_TRACE(len);
        const std::string p = Message(len);
        const std::string expected = ReferenceEncrypt(p, key, kIv);
        EXPECT_EQ(Encrypt(p, kKey, &kIv), expected);
        EXPECT_EQ(Decrypt(expected), p);
    }
}

TEST(CipherMode, EncryptsTheSameMessageDifferentlyEachTime)
{
    const std::string p = Message(40);
    const std::string a = Encrypt(p);
    const std::string b = Encrypt(p);
    EXPECT_NE(a, b);
    EXPECT_EQ(a.size(), b.size());
    EXPECT_EQ(Decrypt(a), p);
    EXPECT_EQ(Decrypt(b), p);
}

TEST(CipherKey, ShortTextIsFilledWith0x12AndLongTextCutAt16)
{
    const std::string p = Message(50);
    const std::string ten = Encrypt(p, kKey, &kIv);
    EXPECT_EQ(Encrypt(p, kKey + std::string(6, '\x12'), &kIv), ten);
    EXPECT_NE(Encrypt(p, kKey + std::string(6, '\x13'), &kIv), ten);
    EXPECT_EQ(Encrypt(p, "0123456789abcdefXYZ", &kIv), Encrypt(p, "0123456789abcdef", &kIv));
}

TEST(CipherKey, TextEndsAtItsZeroByteAndNeverPassesItsLength)
{
    const std::string p = Message(20);
    const std::string ten = Encrypt(p, kKey, &kIv);
    // A key buffer given with its full size: the text still ends at the zero byte.
    EXPECT_EQ(Encrypt(p, kKey + std::string("\0garbage", 8), &kIv), ten);
    // A length shorter than the text: nothing beyond it is read.
    std::string out(p.size() + 16, '\0');
    int outLen = 0;
    ASSERT_EQ(aes_enc_r_iv(p.data(), 20, "q7w2ex9m4t", 4, out.data(), &outLen, kIv.data()), 0);
    EXPECT_EQ(out, Encrypt(p, "q7w2", &kIv));
}

TEST(CipherKey, WrongKeyGivesWrongBytesOfTheRightLength)
{
    const std::string p = Message(33);
    const std::string wrong = Decrypt(Encrypt(p), "another key");
    EXPECT_EQ(wrong.size(), p.size());
    EXPECT_NE(wrong, p);
}

TEST(CipherDecrypt, ShortInputPrintsItsLengthAndFails)
{
    const std::string c(16, 'x');
    char out[16];
    int outLen = 77;
    for (int len : {15, 0, -1})
    {
        testing::internal::CaptureStdout();
        EXPECT_EQ(aes_dec_r(c.data(), len, kKey.c_str(), 10, out, &outLen), -1);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "aes_dec_r inlen error[" + std::to_string(len) + "]");
    }
    EXPECT_EQ(outLen, 77);
    EXPECT_EQ(aes_dec_r(c.data(), 16, kKey.c_str(), 10, out, &outLen), 0);
    EXPECT_EQ(outLen, 0);
}

TEST(CipherArguments, RefusesWhatCannotBeDoneSafely)
{
    char buf[64] = {};
    int outLen = 0;
    EXPECT_EQ(aes_enc_r(buf, -1, "k", 1, buf + 32, &outLen), -1);
    EXPECT_EQ(aes_enc_r(buf, INT_MAX, "k", 1, buf + 32, &outLen), -1);
    EXPECT_EQ(aes_enc_r(nullptr, 4, "k", 1, buf, &outLen), -1);
    EXPECT_EQ(aes_enc_r(buf, 4, nullptr, 1, buf + 32, &outLen), -1);
    EXPECT_EQ(aes_enc_r(buf, 4, "k", -1, buf + 32, &outLen), -1);
    EXPECT_EQ(aes_enc_r(buf, 4, "k", 1, nullptr, &outLen), -1);
    EXPECT_EQ(aes_enc_r(buf, 4, "k", 1, buf + 32, nullptr), -1);
    EXPECT_EQ(aes_dec_r(buf, 32, nullptr, 1, buf + 32, &outLen), -1);
    // Overlapping buffers would chain from bytes already overwritten.
    EXPECT_EQ(aes_enc_r(buf, 20, "k", 1, buf + 8, &outLen), -1);
    EXPECT_EQ(aes_dec_r(buf, 40, "k", 1, buf + 8, &outLen), -1);
    // Empty plaintexts need no buffer of their own.
    EXPECT_EQ(aes_enc_r(nullptr, 0, "k", 1, buf, &outLen), 0);
    EXPECT_EQ(outLen, 16);
    EXPECT_EQ(aes_dec_r(buf, 16, "k", 1, nullptr, &outLen), 0);
    EXPECT_EQ(outLen, 0);
}

TEST(CipherRandom, FollowsTheMultiplyWithCarrySequence)
{
    CipherRandom random;
    random.Seed(1, 2);
    // z = 36969 * 1 = 0x9069, w = 18000 * 2 = 0x8CA0: word 0x90698CA0.
    // z = 36969 * 0x9069 = 0x51764B11, w = 18000 * 0x8CA0 = 0x269FB200: word 0x4B110000 + 0x269FB200.
    const unsigned char expected[8] = {0xA0, 0x8C, 0x69, 0x90, 0x00, 0xB2, 0xB0, 0x71};
    for (unsigned char e : expected)
        EXPECT_EQ(random.NextByte(), e);

    // Seeding again restarts with a fresh step, whatever was left of the word.
    random.Seed(0xFFFFFFFF, 0xFFFFFFFF);
    unsigned char bytes[4];
    random.Fill(bytes, 4);
    // z = 36969 * 0xFFFF + 0xFFFF = 0x90696F96, w = 18000 * 0xFFFF + 0xFFFF = 0x4650B9AF.
    const unsigned char wrapped[4] = {0xAF, 0xB9, 0xE6, 0xB5};
    EXPECT_EQ(std::memcmp(bytes, wrapped, 4), 0);
}

TEST(CipherRandom, SharedGeneratorGivesTheVectorOfAesEncR)
{
    CipherRandom::Shared().Seed(1, 2);
    Block iv;
    CipherRandom reference;
    reference.Seed(1, 2);
    reference.Fill(iv.data(), 16);
    const std::string p = Message(21);
    EXPECT_EQ(Encrypt(p), Encrypt(p, kKey, &iv));
}

TEST(CipherConcurrency, ThreadsEncryptAndDecryptAtOnce)
{
    std::vector<std::thread> threads;
    std::vector<int> failures(4, 0);
    for (int t = 0; t < 4; ++t)
        threads.emplace_back(
            [t, &failures]
            {
                for (size_t i = 0; i < 300; ++i)
                {
                    const std::string p = Message(i + static_cast<size_t>(t));
                    std::string c(p.size() + 16, '\0');
                    std::string back(p.size(), '\0');
                    int n = 0;
                    if (aes_enc_r(p.data(), static_cast<int>(p.size()), kKey.c_str(), 10, c.data(), &n) != 0 ||
                        aes_dec_r(c.data(), n, kKey.c_str(), 10, back.data(), &n) != 0 || back != p)
                        ++failures[static_cast<size_t>(t)];
                }
            });
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(failures, std::vector<int>(4, 0));
}
