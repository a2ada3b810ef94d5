// tessaro-wire run as a child process, with its standard streams in temporary files.
#include "platform/Path.h"
#include "tessaro/net/Cipher.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace
{

class TempFile
{
public:
    explicit TempFile(const std::string& content = "")
    {
        std::string pattern = testing::TempDir() + "wire-XXXXXX";
        const int fd = mkstemp(pattern.data());
        if (fd < 0)
        {
            ADD_FAILURE() << "mkstemp failed";
            return;
        }
        m_path = pattern;
        if (!content.empty() && write(fd, content.data(), content.size()) != static_cast<ssize_t>(content.size()))
            ADD_FAILURE() << "cannot write " << m_path;
        close(fd);
    }
    ~TempFile()
    {
        if (!m_path.empty())
            unlink(m_path.c_str());
    }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    const std::string& Path() const { return m_path; }
    std::string Read() const
    {
        std::ifstream in(m_path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

private:
    std::string m_path;
};

struct Result
{
    int status = -1;
    std::string out;
    std::string err;
};

Result Wire(std::vector<std::string> args, const std::string& input)
{
    const std::string program = platform::ProgramDir() + "/tessaro-wire";
    Result result;
    if (access(program.c_str(), X_OK) != 0)
    {
        ADD_FAILURE() << program << " is not built";
        return result;
    }
    TempFile in(input);
    TempFile out;
    TempFile err;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, in.Path().c_str(), O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, out.Path().c_str(), O_WRONLY | O_TRUNC, 0);
    posix_spawn_file_actions_addopen(&actions, 2, err.Path().c_str(), O_WRONLY | O_TRUNC, 0);
    args.insert(args.begin(), program);
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    const int rc = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0)
    {
        ADD_FAILURE() << "cannot start " << program;
        return result;
    }
    int status = 0;
    if (waitpid(pid, &status, 0) == pid && WIFEXITED(status))
        result.status = WEXITSTATUS(status);
    result.out = out.Read();
    result.err = err.Read();
    return result;
}

std::string Message(size_t len)
{
    std::string s(len, '\0');
    for (size_t i = 0; i < len; ++i)
        s[i] = static_cast<char>(i * 13 + 5);
    return s;
}

std::string Hex(const std::string& bytes)
{
    static const char kDigits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes)
        out += {kDigits[c >> 4], kDigits[c & 15]};
    return out;
}

std::string Frame(const std::string& message)
{
    const Result r = Wire({"frame"}, message);
    EXPECT_EQ(r.status, 0) << r.err;
    return r.out;
}

} // namespace

TEST(WireTool, EncryptThenDecryptGivesTheInputBack)
{
    const std::string message = Message(300);
    const Result enc = Wire({"encrypt"}, message);
    ASSERT_EQ(enc.status, 0) << enc.err;
    EXPECT_EQ(enc.out.size(), 316u);
    const Result dec = Wire({"decrypt"}, enc.out);
    ASSERT_EQ(dec.status, 0) << dec.err;
    EXPECT_EQ(dec.out, message);

    const Result keyed = Wire({"--key", "other", "encrypt"}, message);
    ASSERT_EQ(keyed.status, 0);
    EXPECT_EQ(Wire({"decrypt", "--key", "other"}, keyed.out).out, message);
    EXPECT_NE(Wire({"decrypt"}, keyed.out).out, message);
}

TEST(WireTool, HexModeTakesOneMessagePerLine)
{
    const std::string input = "\n00ff\n" + Hex(Message(100)) + "\n";
    const Result enc = Wire({"encrypt", "--hex"}, input);
    ASSERT_EQ(enc.status, 0) << enc.err;
    const Result dec = Wire({"decrypt", "--hex"}, enc.out);
    ASSERT_EQ(dec.status, 0) << dec.err;
    EXPECT_EQ(dec.out, input);
}

TEST(WireTool, FrameHeaderCarriesVersionAndTotalLength)
{
    const std::string frame = Frame(Message(100));
    ASSERT_EQ(frame.size(), 120u);
    EXPECT_EQ(frame.substr(0, 4), std::string("\x03\x00\x00\x78", 4));
    // The body is the message under the system's key text.
    char plain[104];
    int plainLen = 0;
    ASSERT_EQ(aes_dec_r(frame.data() + 4, 116, "q7w2ex9m4t", 10, plain, &plainLen), 0);
    EXPECT_EQ(std::string(plain, static_cast<size_t>(plainLen)), Message(100));

    const std::string empty = Frame("");
    ASSERT_EQ(empty.size(), 20u);
    EXPECT_EQ(empty.substr(0, 4), std::string("\x03\x00\x00\x14", 4));
}

TEST(WireTool, UnframesEveryMessageOfAStream)
{
    const std::vector<size_t> lengths = {0, 1, 100, 6124, 17};
    std::string stream;
    std::string lines;
    std::string raw;
    for (size_t len : lengths)
    {
        stream += Frame(Message(len));
        lines += Hex(Message(len)) + "\n";
        raw += Message(len);
    }
    const Result hex = Wire({"unframe", "--hex"}, Hex(stream.substr(0, 50)) + "\n" + Hex(stream.substr(50)) + "\n");
    ASSERT_EQ(hex.status, 0) << hex.err;
    EXPECT_EQ(hex.out, lines);
    const Result bytes = Wire({"unframe"}, stream);
    ASSERT_EQ(bytes.status, 0) << bytes.err;
    EXPECT_EQ(bytes.out, raw);

    // Messages before a broken frame are still delivered.
    const Result broken = Wire({"unframe", "--hex"}, Hex(Frame("ok")) + "02000014\n");
    EXPECT_NE(broken.status, 0);
    EXPECT_EQ(broken.out, Hex("ok") + "\n");
}

TEST(WireTool, FailsWithAMessageOnBrokenInput)
{
    const std::string body(16, 'b');
    struct Case
    {
        std::vector<std::string> args;
        std::string input;
        std::string says;
    };
    const Case cases[] = {
        {{"decrypt"}, std::string(15, 'c'), "aes_dec_r inlen error[15]"},
        {{"decrypt", "--hex"}, "00\n", "aes_dec_r inlen error[1]"},
        {{"unframe"}, std::string("\x02\x00\x00\x14", 4) + body, u8"消息版本错误！"},
        {{"unframe"}, std::string("\x03\x00\x00", 3), "truncated"},
        {{"unframe"}, std::string("\x03\x00\x00\x78", 4) + body, "truncated"},
        {{"unframe"}, std::string("\x03\x00\x00\x13", 4) + body, "below 20"},
        {{"unframe"}, std::string("\x03\x00\x00\x04", 4) + body, "below 20"},
        {{"frame"}, Message(6125), "6125"},
        {{"encrypt", "--hex"}, "0g\n", "bad hex"},
        {{"frame", "--hex"}, "abc\n", "bad hex"},
        {{"unframe", "--hex"}, "03 0\n", "bad hex"},
        {{"scramble"}, "", "unknown command"},
        {{}, "", "no command"},
        {{"encrypt", "--key"}, "", "--key"},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.says);
        const Result r = Wire(c.args, c.input);
        EXPECT_NE(r.status, 0);
        EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
        EXPECT_EQ(r.out, "");
    }
}

TEST(WireTool, HelpPrintsUsage)
{
    const Result r = Wire({"--help"}, "");
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("usage: tessaro-wire"), std::string::npos);
}
