// The payload cipher of every game message and of the lobby's launch block.
//
// AES-128 with a key made from a short key text, chained block by block from a random initial
// vector that travels encrypted as the first block. The end of the message is closed without
// padding, so a ciphertext is always exactly 16 bytes longer than its plaintext.
//
// Key text: read up to its first zero byte, never beyond iKeyLen bytes. Its first 16 bytes are the
// AES key; a shorter text is filled up to 16 bytes with bytes of value 0x12.
#pragma once

#include <cstdint>
#include <mutex>

// Encrypts iInLen bytes of pIn into pOut, which must hold iInLen + 16 bytes and must not overlap
// pIn. Returns 0 and sets *piOutLen to iInLen + 16, or -1 (null pointers, a negative length, a
// length whose ciphertext would not fit an int, or no cipher context). Safe to call from several
// threads at once.
int aes_enc_r(const char* pIn, int iInLen, const char* pKey, int iKeyLen, char* pOut, int* piOutLen);

// Decrypts iInLen bytes of pIn into pOut, which must hold iInLen - 16 bytes and must not overlap
// pIn. Returns 0 and sets *piOutLen to iInLen - 16, or -1. A ciphertext of 15 bytes or less prints
// "aes_dec_r inlen error[<iInLen>]" on standard output and returns -1. There is no integrity check:
// a corrupted or wrongly keyed ciphertext decrypts to wrong bytes of the right length.
int aes_dec_r(const char* pIn, int iInLen, const char* pKey, int iKeyLen, char* pOut, int* piOutLen);

// aes_enc_r with the initial vector given instead of drawn: for tests and tools that need a
// reproducible ciphertext. Never use a fixed vector for real traffic.
int aes_enc_r_iv(const char* pIn, int iInLen, const char* pKey, int iKeyLen, char* pOut, int* piOutLen,
                 const unsigned char iv[16]);

// The generator of initial vectors: two multiply-with-carry words z and w, whose combined output
// word gives four bytes, least significant first. A new generator is seeded from a fast-changing
// 64-bit counter (the processor's time-stamp counter where there is one), z from its low and w from
// its high half. Every operation takes the generator's lock.
class CipherRandom
{
public:
    CipherRandom();
    CipherRandom(const CipherRandom&) = delete;
    CipherRandom& operator=(const CipherRandom&) = delete;

    // Restarts the sequence from the given words, with the next byte taken from a fresh step.
    void Seed(std::uint32_t z, std::uint32_t w);
    unsigned char NextByte();
    void Fill(unsigned char* pOut, int iLen);

    // The process-wide generator behind aes_enc_r, seeded on its first use.
    static CipherRandom& Shared();

private:
    unsigned char NextByteLocked();

    std::mutex m_mutex;
    std::uint32_t m_z = 0;
    std::uint32_t m_w = 0;
    std::uint32_t m_out = 0;
    int m_iIndex = 4;
};
