#include "tessaro/net/Base64.h"

int Base64Encode(const unsigned char* pIn, int iInLen, char* pOut, int iOutCap)
{
    static const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    if (!pIn || !pOut || iInLen < 0 || iOutCap < 0)
        return -1;
    // Computed in 64 bits: 4 * ((iInLen + 2) / 3) overflows an int near INT_MAX.
    const long long encodedLen = 4LL * ((static_cast<long long>(iInLen) + 2) / 3);
    if (iOutCap < encodedLen)
        return -1;

    char* out = pOut;
    int i = 0;
    for (; i + 3 <= iInLen; i += 3)
    {
        unsigned v = (pIn[i] << 16) | (pIn[i + 1] << 8) | pIn[i + 2];
        *out++ = kAlphabet[(v >> 18) & 63];
        *out++ = kAlphabet[(v >> 12) & 63];
        *out++ = kAlphabet[(v >> 6) & 63];
        *out++ = kAlphabet[v & 63];
    }
    if (int rest = iInLen - i; rest > 0)
    {
        unsigned v = pIn[i] << 16;
        if (rest == 2)
            v |= pIn[i + 1] << 8;
        *out++ = kAlphabet[(v >> 18) & 63];
        *out++ = kAlphabet[(v >> 12) & 63];
        *out++ = rest == 2 ? kAlphabet[(v >> 6) & 63] : '=';
        *out++ = '=';
    }
    if (iOutCap > encodedLen)
        *out = '\0';
    return static_cast<int>(encodedLen);
}
