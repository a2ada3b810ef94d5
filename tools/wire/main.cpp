// tessaro-wire: the game connection's payload cipher and wire frame on the command line, for
// reading captured traffic and making test input.
//
//   tessaro-wire encrypt|decrypt|frame|unframe [--key TEXT] [--hex]
//
// Without --hex the whole standard input is one message (for unframe: one stream of frames) and
// the results are written as raw bytes. With --hex every input line is one message in hexadecimal
// (for unframe the lines together are the stream) and every result is one line of hexadecimal.
#include "platform/Text.h"
#include "tessaro/net/Cipher.h"
#include "tools/common/Hex.h"

#include <cstdio>
#include <functional>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

namespace
{

constexpr unsigned char kFrameVersion = 3;
constexpr size_t kHeaderLen = 4;
constexpr size_t kCipherOverhead = 16;
// The largest game message a frame carries: the send buffer holds 6144 bytes.
constexpr size_t kMaxMessage = 6124;
// Four header bytes and the encrypted vector block at least.
constexpr size_t kMinFrame = kHeaderLen + kCipherOverhead;
const char kDefaultKey[] = "q7w2ex9m4t";

const char kUsage[] = "usage: tessaro-wire encrypt|decrypt|frame|unframe [--key TEXT] [--hex]\n"
                      "\n"
                      "  encrypt   encrypt each message with the payload cipher\n"
                      "  decrypt   decrypt each ciphertext\n"
                      "  frame     encrypt each game message (at most 6124 bytes) into one wire frame\n"
                      "  unframe   read a stream of wire frames and decrypt every message in it\n"
                      "\n"
                      "  --key TEXT  the key text (default q7w2ex9m4t)\n"
                      "  --hex       hexadecimal text, one message per line, instead of raw bytes\n"
                      "\n"
                      "Exit status: 0 when every message was processed, 1 on broken input, 2 on a usage error.\n";

struct Options
{
    std::string command;
    std::string key = kDefaultKey;
    bool hex = false;
};

// Writes a diagnostic line. System texts are GBK and are converted for the terminal by the caller.
int Fail(const std::string& text)
{
    std::fprintf(stderr, "tessaro-wire: %s\n", text.c_str());
    return 1;
}

bool ReadAll(std::FILE* in, std::string& out)
{
    char buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, in)) > 0)
        out.append(buf, n);
    return !std::ferror(in);
}

// Hex digits in pairs; blanks between bytes are allowed.
bool DecodeHex(std::string_view text, std::string& out)
{
    out.clear();
    int high = -1;
    for (char c : text)
    {
        if (c == ' ' || c == '\t' || c == '\r')
        {
            if (high >= 0)
                return false;
            continue;
        }
        const int v = tools::HexDigitValue(c);
        if (v < 0)
            return false;
        if (high < 0)
        {
            high = v;
        }
        else
        {
            out.push_back(static_cast<char>(high << 4 | v));
            high = -1;
        }
    }
    return high < 0;
}

std::string EncodeHex(std::string_view bytes)
{
    static const char kDigits[] = "0123456789abcdef";
    std::string out;
    out.reserve(bytes.size() * 2);
    for (char c : bytes)
    {
        const auto b = static_cast<unsigned char>(c);
        out.push_back(kDigits[b >> 4]);
        out.push_back(kDigits[b & 15]);
    }
    return out;
}

// The lines of a text; a final line end does not start another line.
std::vector<std::string_view> Lines(std::string_view text)
{
    std::vector<std::string_view> lines;
    while (!text.empty())
    {
        const size_t end = text.find('\n');
        lines.push_back(text.substr(0, end));
        if (end == std::string_view::npos)
            break;
        text.remove_prefix(end + 1);
    }
    return lines;
}

class Output
{
public:
    explicit Output(bool hex) : m_hex(hex) {}

    void Message(std::string_view bytes)
    {
        if (m_hex)
        {
            const std::string line = EncodeHex(bytes) + "\n";
            std::fwrite(line.data(), 1, line.size(), stdout);
        }
        else
        {
            std::fwrite(bytes.data(), 1, bytes.size(), stdout);
        }
    }

    bool Finish() { return std::fflush(stdout) == 0 && !std::ferror(stdout); }

private:
    bool m_hex;
};

// Each operation turns one input into one result, or sets an error text and returns false.
using Operation = std::function<bool(const std::string& in, std::string& out, std::string& error)>;

bool Encrypt(const std::string& key, const std::string& in, std::string& out, std::string& error)
{
    if (in.size() > static_cast<size_t>(std::numeric_limits<int>::max()) - kCipherOverhead)
    {
        error = "message too long";
        return false;
    }
    out.assign(in.size() + kCipherOverhead, '\0');
    int outLen = 0;
    if (aes_enc_r(in.data(), static_cast<int>(in.size()), key.c_str(), static_cast<int>(key.size()), out.data(),
                  &outLen) != 0)
    {
        error = "encryption failed";
        return false;
    }
    out.resize(static_cast<size_t>(outLen));
    return true;
}

bool Decrypt(const std::string& key, std::string_view in, std::string& out, std::string& error)
{
    if (in.size() > static_cast<size_t>(std::numeric_limits<int>::max()))
    {
        error = "ciphertext too long";
        return false;
    }
    // Checked here so that the cipher's own report does not land in the output.
    if (in.size() < kCipherOverhead)
    {
        error = "aes_dec_r inlen error[" + std::to_string(in.size()) + "]: a ciphertext has 16 bytes at least";
        return false;
    }
    out.assign(in.size() - kCipherOverhead, '\0');
    int outLen = 0;
    if (aes_dec_r(in.data(), static_cast<int>(in.size()), key.c_str(), static_cast<int>(key.size()), out.data(),
                  &outLen) != 0)
    {
        error = "decryption failed";
        return false;
    }
    out.resize(static_cast<size_t>(outLen));
    return true;
}

bool Frame(const std::string& key, const std::string& in, std::string& out, std::string& error)
{
    if (in.size() > kMaxMessage)
    {
        error = "a message of " + std::to_string(in.size()) + " bytes is over the " + std::to_string(kMaxMessage) +
                " bytes a frame carries";
        return false;
    }
    std::string body;
    if (!Encrypt(key, in, body, error))
        return false;
    const size_t total = kHeaderLen + body.size();
    out.clear();
    out.push_back(static_cast<char>(kFrameVersion));
    out.push_back('\0');
    out.push_back(static_cast<char>(total >> 8));
    out.push_back(static_cast<char>(total & 0xFF));
    out += body;
    return true;
}

// Decrypts every frame of a stream, in order. Stops at the first broken frame.
bool Unframe(const std::string& key, std::string_view stream, Output& output, std::string& error)
{
    size_t pos = 0;
    while (pos < stream.size())
    {
        const std::string where = "frame at byte " + std::to_string(pos) + ": ";
        const size_t left = stream.size() - pos;
        if (left < kHeaderLen)
        {
            error = where + "truncated header (" + std::to_string(left) + " bytes)";
            return false;
        }
        const auto* header = reinterpret_cast<const unsigned char*>(stream.data() + pos);
        if (header[0] != kFrameVersion)
        {
            error = where + platform::GbkToUtf8("消息版本错误！") + " (version " + std::to_string(header[0]) + ")";
            return false;
        }
        const size_t total = static_cast<size_t>(header[2]) << 8 | header[3];
        if (total < kMinFrame)
        {
            error = where + "length " + std::to_string(total) + " is below " + std::to_string(kMinFrame);
            return false;
        }
        if (total > left)
        {
            error = where + "truncated (length " + std::to_string(total) + ", " + std::to_string(left) + " bytes left)";
            return false;
        }
        std::string message;
        if (!Decrypt(key, stream.substr(pos + kHeaderLen, total - kHeaderLen), message, error))
        {
            error = where + error;
            return false;
        }
        output.Message(message);
        pos += total;
    }
    return true;
}

// Runs an operation over the input: the whole input, or each hex line.
int RunEach(const Options& options, const std::string& input, const Operation& operation)
{
    Output output(options.hex);
    std::string message;
    std::string result;
    std::string error;
    if (!options.hex)
    {
        if (!operation(input, result, error))
            return Fail(error);
        output.Message(result);
        return output.Finish() ? 0 : Fail("cannot write the output");
    }
    const std::vector<std::string_view> lines = Lines(input);
    for (size_t i = 0; i < lines.size(); ++i)
    {
        const std::string where = "line " + std::to_string(i + 1) + ": ";
        if (!DecodeHex(lines[i], message))
        {
            output.Finish();
            return Fail(where + "bad hex text");
        }
        if (!operation(message, result, error))
        {
            output.Finish();
            return Fail(where + error);
        }
        output.Message(result);
    }
    return output.Finish() ? 0 : Fail("cannot write the output");
}

int RunUnframe(const Options& options, const std::string& input)
{
    std::string stream;
    if (!options.hex)
    {
        stream = input;
    }
    else
    {
        const std::vector<std::string_view> lines = Lines(input);
        std::string bytes;
        for (size_t i = 0; i < lines.size(); ++i)
        {
            if (!DecodeHex(lines[i], bytes))
                return Fail("line " + std::to_string(i + 1) + ": bad hex text");
            stream += bytes;
        }
    }
    Output output(options.hex);
    std::string error;
    const bool ok = Unframe(options.key, stream, output, error);
    const bool written = output.Finish();
    if (!ok)
        return Fail(error);
    return written ? 0 : Fail("cannot write the output");
}

// 0 to go on, 1 after --help, 2 on a usage error.
int ParseArgs(int argc, char** argv, Options& options)
{
    for (int i = 1; i < argc; ++i)
    {
        const std::string_view arg = argv[i];
        if (arg == "--help" || arg == "-h")
        {
            std::fputs(kUsage, stdout);
            return 1;
        }
        if (arg == "--hex")
        {
            options.hex = true;
        }
        else if (arg == "--key")
        {
            if (i + 1 >= argc)
            {
                Fail("--key needs a key text");
                return 2;
            }
            options.key = argv[++i];
        }
        else if (!arg.empty() && arg[0] != '-' && options.command.empty())
        {
            options.command = arg;
        }
        else
        {
            Fail("unexpected argument '" + std::string(arg) + "'");
            std::fputs(kUsage, stderr);
            return 2;
        }
    }
    if (options.command.empty())
    {
        Fail("no command given");
        std::fputs(kUsage, stderr);
        return 2;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    Options options;
    if (const int parsed = ParseArgs(argc, argv, options); parsed != 0)
        return parsed == 1 ? 0 : 2;

    const std::string& key = options.key;
    Operation operation;
    if (options.command == "encrypt")
        operation = [&key](const std::string& in, std::string& out, std::string& error)
        { return Encrypt(key, in, out, error); };
    else if (options.command == "decrypt")
        operation = [&key](const std::string& in, std::string& out, std::string& error)
        { return Decrypt(key, in, out, error); };
    else if (options.command == "frame")
        operation = [&key](const std::string& in, std::string& out, std::string& error)
        { return Frame(key, in, out, error); };
    else if (options.command != "unframe")
    {
        Fail("unknown command '" + options.command + "'");
        std::fputs(kUsage, stderr);
        return 2;
    }

    std::string input;
    if (!ReadAll(stdin, input))
        return Fail("cannot read the standard input");
    return operation ? RunEach(options, input, operation) : RunUnframe(options, input);
}
