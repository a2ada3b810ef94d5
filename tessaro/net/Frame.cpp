#include "tessaro/net/Frame.h"

#include "tessaro/net/Cipher.h"

#include <cstring>

namespace Ostra
{

void WriteFrameHeader(unsigned char* pOut, int iTotalLen, unsigned char cVersion)
{
    pOut[0] = cVersion;
    pOut[1] = 0;
    pOut[2] = static_cast<unsigned char>((iTotalLen >> 8) & 0xFF);
    pOut[3] = static_cast<unsigned char>(iTotalLen & 0xFF);
}

int BuildFrame(const char* pKey, const void* pMsg, int iLen, char* pOut, int iOutCap)
{
    if (!pKey || !pOut || iLen < 0 || (iLen > 0 && !pMsg))
        return -1;
    const long total = static_cast<long>(iLen) + kMinFrameLen;
    if (total > 0xFFFF || total > iOutCap)
        return -1;
    int cipherLen = 0;
    const char* msg = iLen > 0 ? static_cast<const char*>(pMsg) : "";
    if (aes_enc_r(msg, iLen, pKey, static_cast<int>(std::strlen(pKey)) + 1, pOut + kFrameHeaderLen, &cipherLen) != 0)
        return -1;
    WriteFrameHeader(reinterpret_cast<unsigned char*>(pOut), cipherLen + kFrameHeaderLen);
    return cipherLen + kFrameHeaderLen;
}

int OpenFrameBody(const char* pKey, const char* pBody, int iBodyLen, char* pOut, int iOutCap)
{
    if (!pKey || !pBody || !pOut || iBodyLen < kCipherOverhead || iBodyLen - kCipherOverhead > iOutCap)
        return -1;
    int plainLen = 0;
    if (aes_dec_r(pBody, iBodyLen, pKey, static_cast<int>(std::strlen(pKey)) + 1, pOut, &plainLen) != 0)
        return -1;
    return plainLen;
}

} // namespace Ostra
