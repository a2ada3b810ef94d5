// Base64 encoding (standard alphabet with '=' padding, no line breaks).
#pragma once

// Encodes iInLen bytes into pOut. Returns the number of characters written, or -1 when pIn or pOut
// is null, iInLen is negative or iOutCap is smaller than the encoded length. A terminating zero
// byte is added only when iOutCap leaves room for it. An empty input gives 0.
int Base64Encode(const unsigned char* pIn, int iInLen, char* pOut, int iOutCap);
