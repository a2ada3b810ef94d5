// Game messages and frames as the development server builds and reads them, and the hexadecimal
// text that its scenario files and its log use for bytes.
//
// A game message starts with an 8-byte header: byte 0 the message version (3), byte 1 the type,
// bytes 2-3 zero, bytes 4-7 the body length, big-endian. The frame around it on the wire is
// described in tessaro/net/Frame.h.
#pragma once

#include "tessaro/net/Frame.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace devserver
{

inline constexpr int kMsgHeaderLen = 8;
inline constexpr unsigned char kMsgVersion = 3;
// The longest message a frame can carry: its 16-bit length counts the header and the cipher's
// 16 extra bytes.
inline constexpr int kMaxFramedMsgLen = 0xFFFF - Ostra::kMinFrameLen;
inline constexpr int kMaxBodyLen = kMaxFramedMsgLen - kMsgHeaderLen;

// A message of the given type with the header written for the body. The caller keeps the body
// within kMaxBodyLen.
std::string GameMessage(unsigned char type, std::string_view body);

// Whether the bytes are long enough to carry a message header.
inline bool HasMsgHeader(std::string_view msg)
{
    return msg.size() >= static_cast<size_t>(kMsgHeaderLen);
}

// The type of a message that has a header.
inline int MsgType(std::string_view msg)
{
    return static_cast<unsigned char>(msg[1]);
}

// Appends a 32-bit value, big-endian.
void AppendU32(std::string& out, std::uint32_t value);

// Reads a 32-bit big-endian value at offset, which the caller has checked to be in range.
std::uint32_t ReadU32(std::string_view bytes, size_t offset);

// The frame of a message (encrypted with the wire key), with cVersion as its version byte. False
// when the message is too long for a frame or the cipher fails.
bool FrameMessage(std::string_view msg, std::string& out, unsigned char cVersion = Ostra::kFrameVersion);

// A decimal number from 0 to max, digits only. False for anything else, or a larger value.
bool ParseDecimal(std::string_view text, std::uint64_t max, std::uint64_t& out);

// Lowercase hexadecimal of every byte.
std::string ToHex(std::string_view bytes);

// Appends the bytes written in hexadecimal in text: byte pairs, with or without blanks (spaces or
// tabs) between them, in either letter case. A blank must not split a pair. False (and error set)
// on anything else; out is then left as it was.
bool ParseHex(std::string_view text, std::string& out, std::string& error);

} // namespace devserver
