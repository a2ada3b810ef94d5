// Byte helpers for the protocol's encoders and decoders: numbers written into a message buffer
// that the encoder has sized, and read back only where the message is long enough.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace devserver
{

// Writes nothing when the field does not lie inside the buffer: an encoder's sizes are fixed, so
// that only guards against a slip.
inline void PutByte(std::string& buf, size_t offset, std::int64_t value)
{
    if (offset < buf.size())
        buf[offset] = static_cast<char>(static_cast<std::uint8_t>(value & 0xFF));
}

inline void PutBE32(std::string& buf, size_t offset, std::uint32_t value)
{
    for (size_t i = 0; i < 4; ++i)
        PutByte(buf, offset + i, value >> (24 - 8 * i));
}

inline void PutLE32(std::string& buf, size_t offset, std::uint32_t value)
{
    for (size_t i = 0; i < 4; ++i)
        PutByte(buf, offset + i, value >> (8 * i));
}

// Whether n bytes at offset lie inside the message.
inline bool HasBytes(std::string_view msg, size_t offset, size_t n)
{
    return offset <= msg.size() && n <= msg.size() - offset;
}

// Reads that the caller has checked with HasBytes.
inline std::uint8_t GetByte(std::string_view msg, size_t offset)
{
    return static_cast<std::uint8_t>(msg[offset]);
}

inline std::uint32_t GetBE32(std::string_view msg, size_t offset)
{
    std::uint32_t value = 0;
    for (size_t i = 0; i < 4; ++i)
        value = (value << 8) | GetByte(msg, offset + i);
    return value;
}

} // namespace devserver
