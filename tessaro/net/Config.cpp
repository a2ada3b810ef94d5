#include "tessaro/net/Config.h"

#include "platform/Path.h"

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace
{

constexpr int kEnd = -1;
constexpr int kTextMax = 399;
constexpr int kTextArea = kTextMax + 1;

struct FileCloser
{
    void operator()(FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<FILE, FileCloser>;

bool IsBlank(int c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

char AsciiLower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameName(const char* a, const char* b)
{
    for (; *a && *b; ++a, ++b)
    {
        if (AsciiLower(*a) != AsciiLower(*b))
            return false;
    }
    return *a == *b;
}

// The bytes of the file. A byte 0xFF counts as the end of the file, and once the end is seen
// every further read gives the end again.
class Input
{
public:
    explicit Input(FILE* file) : m_pFile(file) {}

    int Get()
    {
        if (m_bEnded)
            return kEnd;
        int c = getc_unlocked(m_pFile);
        if (c == EOF || c == 0xFF)
        {
            m_bEnded = true;
            return kEnd;
        }
        return c;
    }

    // The next character that is not whitespace, or a line feed, or the end.
    int NextNonBlank()
    {
        int c = Get();
        while (c != kEnd && c != '\n' && IsBlank(c))
            c = Get();
        return c;
    }

    // Consumes the rest of the line, its line feed included.
    void SkipLine()
    {
        int c = Get();
        while (c != kEnd && c != '\n')
            c = Get();
    }

    void End() { m_bEnded = true; }

private:
    FILE* m_pFile;
    bool m_bEnded = false;
};

// Collects up to kTextMax characters, turning every run of blanks between them into one blank.
// A pending blank is written only when another character follows (or by Flush).
class Text
{
public:
    // False when the text would grow past kTextMax characters.
    bool Add(int c)
    {
        if (m_bPendingBlank)
        {
            if (!Put(' '))
                return false;
            m_bPendingBlank = false;
        }
        return Put(static_cast<char>(c));
    }
    void Blank()
    {
        if (m_nLen > 0)
            m_bPendingBlank = true;
    }
    // Writes a pending blank: a section name keeps the blank before its "]".
    bool Flush()
    {
        if (!m_bPendingBlank)
            return true;
        m_bPendingBlank = false;
        return Put(' ');
    }
    const char* Str() const { return m_szText; }
    int Length() const { return m_nLen; }

private:
    bool Put(char c)
    {
        if (m_nLen == kTextMax)
            return false;
        m_szText[m_nLen++] = c;
        return true;
    }

    char m_szText[kTextArea] = {};
    int m_nLen = 0;
    bool m_bPendingBlank = false;
};

enum class Header
{
    Read,
    Failed,
};

// Reads a section name after its "[" and the rest of that line.
Header ReadSectionName(Input& in, Text& name)
{
    for (;;)
    {
        int c = in.Get();
        if (c == kEnd)
            return Header::Failed;
        if (c == '\n')
        {
            std::printf("Can't fine \"]\" in configuration file.\n");
            return Header::Failed;
        }
        if (c == ']')
            break;
        if (IsBlank(c))
        {
            name.Blank();
            continue;
        }
        if (!name.Add(c))
        {
            std::printf("Parameter name is too long.\n");
            return Header::Failed;
        }
    }
    if (!name.Flush())
    {
        std::printf("Parameter name is too long.\n");
        return Header::Failed;
    }
    if (name.Length() == 0)
    {
        std::printf("Empty section name in configuration file.\n");
        return Header::Failed;
    }
    in.SkipLine();
    return Header::Read;
}

enum class Parameter
{
    Match,
    NoMatch,
    EndOfFile,
};

// Reads a "name = value" line that starts with the character `first` and compares its name with
// szKey. A line that is refused is skipped whole, so nothing of its rest is read as a new line.
Parameter ReadParameter(Input& in, int first, const char* szKey, char* pValue)
{
    Text name;
    int c = first;
    for (; c != '='; c = in.Get())
    {
        if (c == kEnd || c == 0)
        {
            in.End();
            std::printf("Unexpected end-of-file at: %s\n", name.Str());
            return Parameter::EndOfFile;
        }
        if (c == '\n')
        {
            std::printf("Ignoring badly formed line in configuration file: %s\n", name.Str());
            return Parameter::NoMatch;
        }
        if (IsBlank(c))
        {
            name.Blank();
            continue;
        }
        if (!name.Add(c))
        {
            std::printf("Parameter name is too long.\n");
            in.SkipLine();
            return Parameter::NoMatch;
        }
    }
    if (name.Length() == 0)
    {
        std::printf("Invalid parameter name in config file.\n");
        in.SkipLine();
        return Parameter::NoMatch;
    }

    Text value;
    c = in.NextNonBlank();
    for (; c != kEnd && c != '\n'; c = in.Get())
    {
        if (c == '\r')
            continue;
        if (IsBlank(c))
        {
            value.Blank();
            continue;
        }
        if (!value.Add(c))
        {
            std::printf("Parameter value is too long.\n");
            in.SkipLine();
            return Parameter::NoMatch;
        }
    }
    if (!SameName(name.Str(), szKey))
        return Parameter::NoMatch;
    std::memcpy(pValue, value.Str(), static_cast<size_t>(value.Length()));
    return Parameter::Match;
}

} // namespace

int ReadConfig(const char* szPath, const char* szSection, const char* szKey, char* pValue)
{
    if (!szPath || !szKey || !pValue)
        return -1;
    FilePtr file(std::fopen(platform::ResolvePath(szPath).c_str(), "rb"));
    if (!file)
        return -1;
    Input in(file.get());

    bool bWanted = szSection == nullptr; // the unnamed section comes first
    for (int c = in.NextNonBlank(); c != kEnd; c = in.NextNonBlank())
    {
        switch (c)
        {
        case '\n':
        case '\\':
            break;
        case '#':
        case ';':
            in.SkipLine();
            break;
        case '[':
        {
            Text name;
            if (ReadSectionName(in, name) == Header::Failed)
                return -1;
            bWanted = szSection && std::strncmp(name.Str(), szSection, kTextArea) == 0;
            break;
        }
        case ']':
            std::printf("Ignoring badly formed line in configuration file\n");
            break;
        default:
            if (!bWanted)
                break;
            switch (ReadParameter(in, c, szKey, pValue))
            {
            case Parameter::Match:
                return 0;
            case Parameter::EndOfFile:
                return -1;
            case Parameter::NoMatch:
                break;
            }
            break;
        }
    }
    return -1;
}

int GetConfigInt(int* piOut, const char* szKey, const char* szPath, const char* szSection, const char* szDefault)
{
    if (!piOut)
        return -1;
    char value[kTextArea] = {};
    const int result = ReadConfig(szPath, szSection, szKey, value);
    const char* text = result == 0 ? value : (szDefault ? szDefault : "0");
    // The leading decimal number; out-of-range values stop at the int limits instead of wrapping.
    long number = std::strtol(text, nullptr, 10);
    *piOut = number > INT_MAX ? INT_MAX : number < INT_MIN ? INT_MIN : static_cast<int>(number);
    return result;
}

int GetConfigString(char* szOut, const char* szKey, const char* szPath, const char* szSection, const char* szDefault)
{
    if (!szOut)
        return -1;
    char value[kTextArea] = {};
    if (ReadConfig(szPath, szSection, szKey, value) == 0)
    {
        const size_t len = strnlen(value, kTextMax);
        std::memcpy(szOut, value, len);
        szOut[len] = '\0';
        return 0;
    }
    if (szDefault)
    {
        const size_t len = strnlen(szDefault, kTextMax);
        std::memmove(szOut, szDefault, len);
        szOut[len] = '\0';
    }
    return -1;
}
