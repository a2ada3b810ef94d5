// Reading a fuzz input as a sequence of choices and bytes: past its end every read yields zeros,
// so a target never has to check the length before it asks.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

class FuzzInput
{
public:
    FuzzInput(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}

    bool AtEnd() const { return m_pos >= m_size; }
    std::uint8_t Byte() { return m_pos < m_size ? m_data[m_pos++] : 0; }
    int BE16()
    {
        const int high = Byte();
        return high << 8 | Byte();
    }
    // The next n bytes into out, which holds n bytes; zeros past the end of the input.
    void Take(void* out, std::size_t n)
    {
        const std::size_t have = std::min(n, m_size - std::min(m_pos, m_size));
        if (have > 0)
            std::memcpy(out, m_data + m_pos, have);
        if (n > have)
            std::memset(static_cast<unsigned char*>(out) + have, 0, n - have);
        m_pos += have;
    }

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_pos = 0;
};
