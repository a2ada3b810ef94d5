#include "tools/devserver/Wire.h"

#include "tools/common/Hex.h"

namespace devserver
{

namespace
{

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

} // namespace

std::string GameMessage(unsigned char type, std::string_view body)
{
    std::string msg;
    msg.reserve(kMsgHeaderLen + body.size());
    msg.push_back(static_cast<char>(kMsgVersion));
    msg.push_back(static_cast<char>(type));
    msg.push_back('\0');
    msg.push_back('\0');
    AppendU32(msg, static_cast<std::uint32_t>(body.size()));
    msg.append(body);
    return msg;
}

void AppendU32(std::string& out, std::uint32_t value)
{
    out.push_back(static_cast<char>((value >> 24) & 0xFF));
    out.push_back(static_cast<char>((value >> 16) & 0xFF));
    out.push_back(static_cast<char>((value >> 8) & 0xFF));
    out.push_back(static_cast<char>(value & 0xFF));
}

std::uint32_t ReadU32(std::string_view bytes, size_t offset)
{
    const auto b = [&](size_t i) { return static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[offset + i])); };
    return (b(0) << 24) | (b(1) << 16) | (b(2) << 8) | b(3);
}

bool FrameMessage(std::string_view msg, std::string& out, unsigned char cVersion)
{
    if (msg.size() > static_cast<size_t>(kMaxFramedMsgLen))
        return false;
    const int len = static_cast<int>(msg.size());
    out.resize(static_cast<size_t>(len + Ostra::kMinFrameLen));
    const int total = Ostra::BuildFrame(Ostra::kWireKeyText, msg.data(), len, out.data(), static_cast<int>(out.size()));
    if (total < 0)
    {
        out.clear();
        return false;
    }
    out.resize(static_cast<size_t>(total));
    out[0] = static_cast<char>(cVersion);
    return true;
}

bool ParseDecimal(std::string_view text, std::uint64_t max, std::uint64_t& out)
{
    if (text.empty() || text.size() > 19)
        return false;
    std::uint64_t value = 0;
    for (const char c : text)
    {
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
    }
    if (value > max)
        return false;
    out = value;
    return true;
}

std::string ToHex(std::string_view bytes)
{
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string out;
    out.reserve(bytes.size() * 2);
    for (const char c : bytes)
    {
        const auto b = static_cast<unsigned char>(c);
        out.push_back(kDigits[b >> 4]);
        out.push_back(kDigits[b & 0x0F]);
    }
    return out;
}

bool ParseHex(std::string_view text, std::string& out, std::string& error)
{
    std::string bytes;
    size_t i = 0;
    while (i < text.size())
    {
        if (IsBlank(text[i]))
        {
            ++i;
            continue;
        }
        const int high = tools::HexDigitValue(text[i]);
        if (high < 0)
        {
            error = "'" + std::string(1, text[i]) + "' is not a hexadecimal digit";
            return false;
        }
        if (i + 1 >= text.size() || IsBlank(text[i + 1]))
        {
            error = "hexadecimal bytes need two digits each";
            return false;
        }
        const int low = tools::HexDigitValue(text[i + 1]);
        if (low < 0)
        {
            error = "'" + std::string(1, text[i + 1]) + "' is not a hexadecimal digit";
            return false;
        }
        bytes.push_back(static_cast<char>((high << 4) | low));
        i += 2;
    }
    out.append(bytes);
    return true;
}

} // namespace devserver
