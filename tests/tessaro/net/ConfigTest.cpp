#include "tessaro/net/Config.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace
{

// A literal with its zero bytes, without the terminating one.
template <size_t N> std::string Bytes(const char (&text)[N])
{
    return std::string(text, N - 1);
}

const std::string kBad = "Ignoring badly formed line in configuration file";

// A scratch folder holding the file under test.
class ConfigTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        char tmpl[] = "/tmp/tessaro-config-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        m_dir = tmpl;
        m_path = m_dir + "/conf.ini";
    }
    void TearDown() override { ASSERT_EQ(std::system(("rm -rf '" + m_dir + "'").c_str()), 0); }

    void Write(const std::string& bytes) { std::ofstream(m_path, std::ios::binary | std::ios::trunc) << bytes; }

    // ReadConfig into a zeroed 400-byte buffer followed by a guard that must stay untouched.
    // Gives the bytes written (or "<not found>") and what was printed.
    std::pair<std::string, std::string> Read(const char* section, const std::string& key)
    {
        struct
        {
            char value[400];
            char guard[16];
        } buf;
        std::memset(&buf, 0, sizeof(buf.value));
        std::memset(buf.guard, 0x5A, sizeof(buf.guard));
        testing::internal::CaptureStdout();
        const int result = ReadConfig(m_path.c_str(), section, key.c_str(), buf.value);
        std::string printed = testing::internal::GetCapturedStdout();
        EXPECT_EQ(buf.value[399], '\0') << "more than 399 bytes written";
        EXPECT_EQ(std::string(buf.guard, sizeof(buf.guard)), std::string(sizeof(buf.guard), '\x5A'));
        size_t len = 399;
        while (len > 0 && buf.value[len - 1] == '\0')
            --len;
        EXPECT_TRUE(result == 0 || len == 0);
        return {result == 0 ? std::string(buf.value, len) : "<not found>", printed};
    }

    std::string m_dir;
    std::string m_path;
};

struct Case
{
    const char* what;
    std::string file;
    const char* section;
    std::string key;
    std::string value; // "<not found>" when the lookup fails
    std::string printed;
};

} // namespace

TEST_F(ConfigTest, ReadsWhatTheFileSays)
{
    const std::string v399(399, 'v');
    const std::string n399(399, 'n');
    const std::string s399(399, 's');
    const Case cases[] = {
        {"blanks collapse", "[A]\n  name =   some   value  \n", "A", "name", "some value", ""},
        {"whitespace kinds",
         "[A]\ntwo\t words\t=a\t\tb\x0B\x0C"
         "c\n",
         "A", "two words", "a b c", ""},
        {"CRLF file", "[A]\r\ncrlf = a \r b \r\n", "A", "crlf", "a b", ""},
        {"key ignores case", "[Local]\nSERVERIP=1.2.3.4\n", "Local", "serverip", "1.2.3.4", ""},
        {"section keeps case", "[Local]\nkey=1\n", "LOCAL", "key", "<not found>", ""},
        {"section blanks", "[  Lobby \t Server ]  ignored\nkey=1\n", "Lobby Server ", "key", "1", ""},
        {"section trailing blank stays", "[ Lobby ]\nkey=1\n", "Lobby", "key", "<not found>", ""},
        {"unnamed section", "top=1\n[A]\nbelow=2\n", nullptr, "top", "1", ""},
        {"unnamed section ends", "top=1\n[A]\nbelow=2\n", nullptr, "below", "<not found>", ""},
        {"empty section is not unnamed", "top=1\n", "", "top", "<not found>", ""},
        {"empty value", "[A]\nkey=\n", "A", "key", "", ""},
        {"blank value", "[A]\nkey=   \n", "A", "key", "", ""},
        {"empty value at the end", "[A]\nkey=", "A", "key", "", ""},
        {"comments", "[A]\n;key=1\n  #key=2\n\\key=3\n", "A", "key", "3", ""},
        {"only comments", "[A]\n;key=1\n#key=2\n", "A", "key", "<not found>", ""},
        {"first of two", "[A]\nkey=first\nKEY=second\n", "A", "key", "first", ""},
        {"name without =", "[A]\nkey \r\nkey=5\n", "A", "key", "5", kBad + ": key\n"},
        {"value of 399", "[A]\nkey=" + v399 + "\n", "A", "key", v399, ""},
        {"value of 400", "[A]\nkey=" + std::string(400, 'w') + "\nkey=2\n", "A", "key", "2",
         "Parameter value is too long.\n"},
        {"collapsed value of 400", "[A]\nkey=" + std::string(200, 'a') + "   " + std::string(199, 'b'), "A", "key",
         "<not found>", "Parameter value is too long.\n"},
        {"name of 399", "[A]\n" + n399 + "=ok\n", "A", std::string(399, 'N'), "ok", ""},
        // Nothing of the rest of a refused line is read as a parameter of its own.
        {"name of 400", "[A]\n" + n399 + "nkey=1\nkey=2\n", "A", "key", "2", "Parameter name is too long.\n"},
        {"empty name", "[A]\n=key=1\nkey=2\n", "A", "key", "2", "Invalid parameter name in config file.\n"},
        {"header without ]", "[LOCAL\nkey=1\n", "LOCAL", "key", "<not found>",
         "Can't fine \"]\" in configuration file.\n"},
        {"header without ] in CRLF", "[LOCAL\r\nkey=1\n", "LOCAL", "key", "<not found>",
         "Can't fine \"]\" in configuration file.\n"},
        {"empty header", "[]\nkey=1\n", "", "key", "<not found>", "Empty section name in configuration file.\n"},
        {"blank header", "[ \t ]\nkey=1\n", " ", "key", "<not found>", "Empty section name in configuration file.\n"},
        {"header of 399", "[" + s399 + "]\nkey=1\n", s399.c_str(), "key", "1", ""},
        {"header of 400", "[" + s399 + "s]\nkey=1\n", s399.c_str(), "key", "<not found>",
         "Parameter name is too long.\n"},
        {"header ends the file", "[LOCAL", "LOCAL", "key", "<not found>", ""},
        {"broken header after the key", "[A]\nkey=1\n[BROKEN\n", "A", "key", "1", ""},
        // Lines of other sections are scanned character by character.
        {"[ inside another section", "[A]\nnote=see [B] here\nkey=1\n", "B", "key", "1", ""},
        {"# inside another section", "[A]\nlink=x#[B]\nkey=1\n", "B", "key", "<not found>", ""},
        {"] inside another section", "[A]\nlist=a]b\n[B]\nkey=2\n", "B", "key", "2", kBad + "\n"},
        {"] inside the wanted section", "[A]\nlist=a]b\n", "A", "list", "a]b", ""},
        {"stray ]", "]\n[A]\n  ] x\nkey=1\n", "A", "key", "1", kBad + "\n" + kBad + "\n" + kBad + ": x\n"},
        {"long lines elsewhere",
         "[O]\nblob=" + std::string(100000, 'x') + "\n[A]\nskip=" + std::string(5000, 'y') + "\nkey=ok", "A", "key",
         "ok", "Parameter value is too long.\n"},
        // Malformed bytes.
        {"0xFF ends a value",
         "[A]\nkey=12\xFF"
         "34\n",
         "A", "key", "12", ""},
        {"0xFF ends the file", "[A]\n\xFF\nkey=1\n", "A", "key", "<not found>", ""},
        {"0xFF inside a header", "[A\xFF]\nkey=1\n", "A", "key", "<not found>", ""},
        {"zero byte in a name", Bytes("[A]\nab\0c=1\nkey=2\n"), "A", "key", "<not found>",
         "Unexpected end-of-file at: ab\n"},
        {"zero byte in a value", Bytes("[A]\nkey=ab\0cd\n"), "A", "key", Bytes("ab\0cd"), ""},
        {"value ends the file", "[A]\nkey = last value ", "A", "key", "last value", ""},
        {"name ends the file", "[A]\nother=1\nkey", "A", "key", "<not found>", "Unexpected end-of-file at: key\n"},
        // GBK: "大厅" as section, "房间名" and a character whose second byte is a backslash as value.
        {"GBK", "[\xB4\xF3\xCC\xFC]\r\nname = \xB7\xBF\xBC\xE4\xC3\xFB \x95\x5C\r\n", "\xB4\xF3\xCC\xFC", "NAME",
         "\xB7\xBF\xBC\xE4\xC3\xFB \x95\x5C", ""},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        Write(c.file);
        const auto [value, printed] = Read(c.section, c.key);
        EXPECT_EQ(value, c.value);
        EXPECT_EQ(printed, c.printed);
    }
}

TEST_F(ConfigTest, GettersConvertAndFallBack)
{
    Write(Bytes("[N]\na=42abc\nb=abc\nc= -7\nd=99999999999\ne=-99999999999\nzero=ab\0cd\nempty=\n"));
    const char* path = m_path.c_str();
    const std::pair<const char*, int> numbers[] = {{"a", 42},      {"b", 0},       {"c", -7},
                                                   {"d", INT_MAX}, {"e", INT_MIN}, {"empty", 0}};
    for (const auto& [key, expected] : numbers)
    {
        int n = -1;
        EXPECT_EQ(GetConfigInt(&n, key, path, "N", "5"), 0) << key;
        EXPECT_EQ(n, expected) << key;
    }
    int n = 0;
    EXPECT_EQ(GetConfigInt(&n, "missing", path, "N", "15"), -1);
    EXPECT_EQ(n, 15);
    EXPECT_EQ(GetConfigInt(&n, "missing", path, "N", nullptr), -1);
    EXPECT_EQ(n, 0);

    char out[400] = "untouched";
    EXPECT_EQ(GetConfigString(out, "missing", path, "N", nullptr), -1);
    EXPECT_STREQ(out, "untouched");
    EXPECT_EQ(GetConfigString(out, "missing", path, "N", "127.0.0.1"), -1);
    EXPECT_STREQ(out, "127.0.0.1");
    EXPECT_EQ(GetConfigString(out, "missing", path, "N", std::string(1000, 'd').c_str()), -1);
    EXPECT_EQ(std::string(out), std::string(399, 'd'));
    EXPECT_EQ(GetConfigString(out, "a", path, "N", nullptr), 0);
    EXPECT_STREQ(out, "42abc");
    EXPECT_EQ(GetConfigString(out, "zero", path, "N", nullptr), 0);
    EXPECT_STREQ(out, "ab");
}

TEST_F(ConfigTest, MissingFileGivesTheDefault)
{
    int n = 0;
    EXPECT_EQ(GetConfigInt(&n, "port", (m_dir + "/none.conf").c_str(), "LOCAL", "4000"), -1);
    EXPECT_EQ(n, 4000);
}

TEST_F(ConfigTest, NullArgumentsFail)
{
    Write("key=1\n");
    char out[400] = {};
    EXPECT_EQ(ReadConfig(nullptr, nullptr, "key", out), -1);
    EXPECT_EQ(ReadConfig(m_path.c_str(), nullptr, nullptr, out), -1);
    EXPECT_EQ(ReadConfig(m_path.c_str(), nullptr, "key", nullptr), -1);
    EXPECT_EQ(GetConfigString(nullptr, "key", m_path.c_str(), nullptr, "d"), -1);
    EXPECT_EQ(GetConfigInt(nullptr, "key", m_path.c_str(), nullptr, "1"), -1);
    EXPECT_EQ(ReadConfig(m_path.c_str(), nullptr, "key", out), 0);
}

TEST_F(ConfigTest, SystemFileNamesAreResolved)
{
    ASSERT_EQ(mkdir((m_dir + "/Game").c_str(), 0755), 0);
    std::ofstream(m_dir + "/Global.conf", std::ios::binary) << "[GLOBAL]\nhost=example\n";
    char old[4096];
    ASSERT_NE(getcwd(old, sizeof(old)), nullptr);
    ASSERT_EQ(chdir((m_dir + "/Game").c_str()), 0);
    char out[400] = {};
    const int result = ReadConfig("..\\GLOBAL.CONF", "GLOBAL", "host", out);
    ASSERT_EQ(chdir(old), 0);
    EXPECT_EQ(result, 0);
    EXPECT_STREQ(out, "example");
}
