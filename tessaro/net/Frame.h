// The wire frame around every game message on the game-server connection, both directions:
//
//   byte 0     version, always 3
//   byte 1     reserved, 0 when sent
//   bytes 2-3  total length of the frame, these 4 bytes included, unsigned big-endian
//   bytes 4-   the game message encrypted with aes_enc_r and the key text: always 16 bytes longer
//              than the message
//
// The limits below follow from the fixed buffers of the connection: a frame is built in a
// 6144-byte buffer, a node reads at most 30848 bytes, and a message travels between threads in a
// 10500-byte queue item (a 4-byte host-order length, then the message).
#pragma once

#include <cstdint>

namespace Ostra
{

inline constexpr int kFrameHeaderLen = 4;
inline constexpr unsigned char kFrameVersion = 3;
inline constexpr int kCipherOverhead = 16;
// The smallest real frame: a header and the ciphertext of an empty message.
inline constexpr int kMinFrameLen = kFrameHeaderLen + kCipherOverhead;
inline constexpr int kSendBufLen = 6144;
inline constexpr int kMaxSendMsgLen = kSendBufLen - kFrameHeaderLen - kCipherOverhead; // 6124
inline constexpr int kStackBufLen = 30848;
inline constexpr int kStackNodeNum = 5;
// The area a received body is decrypted into.
inline constexpr int kDecryptBufLen = 15360;

// Queue items of the two session queues.
inline constexpr int kQueueItemLen = 10500;
inline constexpr int kQueueItemCountLen = 4;
inline constexpr int kMaxItemMsgLen = kQueueItemLen - kQueueItemCountLen; // 10496
inline constexpr int kSessionQueueSlots = 300;
inline constexpr int kSessionQueueSlotSize = 10752;
// What the dispatcher takes off the incoming queue at once: a message longer than
// kDispatchBufLen - 4 bytes would be cut, so the read path refuses it.
inline constexpr int kDispatchBufLen = 10368;
inline constexpr int kMaxRecvMsgLen = kDispatchBufLen - kQueueItemCountLen; // 10364

// The key text of the payload cipher on the game-server connection.
inline constexpr char kWireKeyText[] = "q7w2ex9m4t";

// Writes a frame header for a frame of iTotalLen bytes (header included).
void WriteFrameHeader(unsigned char* pOut, int iTotalLen, unsigned char cVersion = kFrameVersion);

// The total length a frame header announces.
inline int FrameTotalLen(const unsigned char* pHeader)
{
    return (static_cast<int>(pHeader[2]) << 8) | static_cast<int>(pHeader[3]);
}

// Encrypts a game message of iLen bytes with the key text and writes the whole frame to pOut,
// which holds iOutCap bytes. Returns the frame length, or -1 when the message is negative, too
// long for a 16-bit frame length or for pOut, or the cipher fails. The caller serialises calls
// that share the process's generator with its own sends (see ClientStack::SendClientMsg).
int BuildFrame(const char* pKey, const void* pMsg, int iLen, char* pOut, int iOutCap);

// Decrypts a frame body (the bytes behind the header) into pOut (iOutCap bytes). Returns the
// message length, or -1 when the body is shorter than 16 bytes or the message would not fit.
int OpenFrameBody(const char* pKey, const char* pBody, int iBodyLen, char* pOut, int iOutCap);

} // namespace Ostra
