#include "platform/Path.h"

#include "platform/Text.h"

#include <cstdlib>
#include <dirent.h>
#include <fstream>
#include <memory>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace platform
{
namespace
{

bool Exists(const std::string& path)
{
    struct stat st;
    return lstat(path.c_str(), &st) == 0;
}

char AsciiLower(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualsIgnoreAsciiCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
    {
        if (AsciiLower(a[i]) != AsciiLower(b[i]))
            return false;
    }
    return true;
}

std::string Join(const std::string& dir, std::string_view name)
{
    std::string out = dir;
    if (!out.empty() && out.back() != '/')
        out.push_back('/');
    out.append(name);
    return out;
}

struct DirCloser
{
    void operator()(DIR* d) const { closedir(d); }
};

// The entry of `dir` that equals `name` but for ASCII letter case; the first in byte order when
// several do, so the answer does not depend on the order the file system lists them in.
std::optional<std::string> FindIgnoringCase(const std::string& dir, std::string_view name)
{
    std::unique_ptr<DIR, DirCloser> d(opendir(dir.empty() ? "." : dir.c_str()));
    if (!d)
        return std::nullopt;
    std::optional<std::string> best;
    while (dirent* e = readdir(d.get()))
    {
        std::string_view entry(e->d_name);
        if (EqualsIgnoreAsciiCase(entry, name) && (!best || entry < *best))
            best = std::string(entry);
    }
    return best;
}

// Backslashes to slashes in text that is not valid GBK: a byte pair that GBK reads as one
// character is kept whole, so a trail byte 0x5C is not taken for a separator.
std::string SlashesInRawBytes(std::string_view bytes)
{
    std::string out(bytes);
    for (size_t i = 0; i < out.size(); ++i)
    {
        auto c = static_cast<unsigned char>(out[i]);
        if (c >= 0x81 && c <= 0xFE && i + 1 < out.size())
            ++i;
        else if (c == '\\')
            out[i] = '/';
    }
    return out;
}

std::string HomeDir()
{
    if (const char* home = std::getenv("HOME"); home && *home)
        return home;
    long size = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buf(size > 0 ? static_cast<size_t>(size) : 16384);
    passwd pw{};
    passwd* result = nullptr;
    if (getpwuid_r(getuid(), &pw, buf.data(), buf.size(), &result) == 0 && result && result->pw_dir)
        return result->pw_dir;
    return "/";
}

std::string StripTrailingSlashes(std::string path)
{
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

} // namespace

std::string NativePathSpelling(std::string_view systemPath)
{
    if (!IsValidGbk(systemPath))
        return SlashesInRawBytes(systemPath);
    std::wstring wide = GbkToWide(systemPath);
    for (wchar_t& c : wide)
    {
        if (c == L'\\')
            c = L'/';
    }
    return WideToUtf8(wide);
}

std::string ResolvePath(std::string_view systemPath)
{
    std::string native = NativePathSpelling(systemPath);
    if (native.empty() || Exists(native))
        return native;

    const bool absolute = native.front() == '/';
    const bool trailingSlash = native.back() == '/';
    std::vector<std::string_view> parts;
    std::string_view rest(native);
    while (!rest.empty())
    {
        size_t slash = rest.find('/');
        std::string_view part = rest.substr(0, slash);
        if (!part.empty())
            parts.push_back(part);
        rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash + 1);
    }

    std::string current = absolute ? "/" : "";
    size_t k = 0;
    for (; k < parts.size(); ++k)
    {
        std::string candidate = Join(current, parts[k]);
        if (parts[k] == "." || parts[k] == ".." || Exists(candidate))
        {
            current = std::move(candidate);
            continue;
        }
        std::optional<std::string> match = FindIgnoringCase(current, parts[k]);
        if (!match)
            break;
        current = Join(current, *match);
    }
    for (; k < parts.size(); ++k)
        current = Join(current, parts[k]);
    if (trailingSlash && !current.empty() && current.back() != '/')
        current.push_back('/');
    return current;
}

std::string ProgramDir()
{
    std::vector<char> buf(256);
    for (;;)
    {
        ssize_t n = readlink("/proc/self/exe", buf.data(), buf.size());
        if (n < 0)
            return ".";
        if (static_cast<size_t>(n) < buf.size())
        {
            std::string exe(buf.data(), static_cast<size_t>(n));
            size_t slash = exe.rfind('/');
            if (slash == std::string::npos)
                return ".";
            return slash == 0 ? "/" : exe.substr(0, slash);
        }
        buf.resize(buf.size() * 2);
    }
}

std::optional<std::string> DesktopDirFromUserDirs(std::string_view text, std::string_view home)
{
    constexpr std::string_view kKey = "XDG_DESKTOP_DIR";
    std::optional<std::string> found;
    while (!text.empty())
    {
        size_t eol = text.find('\n');
        std::string_view line = text.substr(0, eol);
        text = eol == std::string_view::npos ? std::string_view() : text.substr(eol + 1);

        size_t p = line.find_first_not_of(" \t");
        if (p == std::string_view::npos || line[p] == '#' || line.compare(p, kKey.size(), kKey) != 0)
            continue;
        p += kKey.size();
        while (p < line.size() && (line[p] == ' ' || line[p] == '\t'))
            ++p;
        if (p >= line.size() || line[p] != '=')
            continue;
        ++p;
        if (p >= line.size() || line[p] != '"')
            continue;
        ++p;
        // The file is written as shell words: backslash escapes inside double quotes.
        std::string value;
        bool closed = false;
        for (; p < line.size(); ++p)
        {
            char c = line[p];
            if (c == '"')
            {
                closed = true;
                break;
            }
            if (c == '\\' && p + 1 < line.size())
                c = line[++p];
            value.push_back(c);
        }
        if (!closed)
            continue;

        std::string path;
        for (std::string_view var : {std::string_view("$HOME"), std::string_view("${HOME}")})
        {
            if (value.compare(0, var.size(), var) == 0 && (value.size() == var.size() || value[var.size()] == '/'))
            {
                path = std::string(home) + value.substr(var.size());
                break;
            }
        }
        if (path.empty() && !value.empty() && value.front() == '/')
            path = value;
        if (!path.empty())
            found = StripTrailingSlashes(std::move(path));
    }
    return found;
}

std::string DesktopDir()
{
    const std::string home = HomeDir();
    std::string config;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && xdg[0] == '/')
        config = xdg;
    else
        config = home + "/.config";

    std::ifstream in(config + "/user-dirs.dirs", std::ios::binary);
    if (in)
    {
        // The file holds a handful of lines; anything much larger is not one we should trust.
        constexpr size_t kMaxSize = 64 * 1024;
        std::string text(kMaxSize, '\0');
        in.read(text.data(), static_cast<std::streamsize>(text.size()));
        text.resize(static_cast<size_t>(in.gcount()));
        if (auto dir = DesktopDirFromUserDirs(text, home))
            return *dir;
    }
    return Join(StripTrailingSlashes(home), "Desktop");
}

} // namespace platform
