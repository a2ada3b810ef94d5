#include "tools/lobby/LobbyFiles.h"

#include "tools/lobby/LaunchLine.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

namespace lobby
{

namespace
{

bool IsSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

// Runs of whitespace become one blank; a leading blank is dropped, and so is a trailing one
// unless keepTrailing (section names keep it).
std::string Collapse(std::string_view text, bool keepTrailing = false)
{
    std::string out;
    bool blank = false;
    for (const char c : text)
    {
        if (IsSpace(c))
        {
            blank = !out.empty();
            continue;
        }
        if (blank)
            out.push_back(' ');
        blank = false;
        out.push_back(c);
    }
    if (blank && keepTrailing)
        out.push_back(' ');
    return out;
}

bool EqualsNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
    {
        char x = a[i];
        char y = b[i];
        if (x >= 'A' && x <= 'Z')
            x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z')
            y = static_cast<char>(y - 'A' + 'a');
        if (x != y)
            return false;
    }
    return true;
}

bool IsDirectory(const std::string& path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool Exists(const std::string& path)
{
    struct stat st;
    return lstat(path.c_str(), &st) == 0;
}

class Dir
{
public:
    explicit Dir(const std::string& path) : m_dir(opendir(path.c_str())) {}
    ~Dir()
    {
        if (m_dir)
            closedir(m_dir);
    }
    Dir(const Dir&) = delete;
    Dir& operator=(const Dir&) = delete;

    DIR* Get() const { return m_dir; }

private:
    DIR* m_dir;
};

// The entry of folder that the game would open for name: the exact spelling, else the first (in
// byte order) that matches ignoring ASCII case. Empty when there is none.
std::string FindEntry(const std::string& folder, const std::string& name)
{
    if (Exists(folder + "/" + name))
        return name;
    Dir dir(folder);
    if (!dir.Get())
        return std::string();
    std::string best;
    while (const dirent* entry = readdir(dir.Get()))
    {
        const std::string candidate = entry->d_name;
        if (strcasecmp(candidate.c_str(), name.c_str()) == 0 && (best.empty() || candidate < best))
            best = candidate;
    }
    return best;
}

bool MakeFolders(const std::string& path, std::string& error)
{
    std::string partial;
    size_t pos = 0;
    while (pos <= path.size())
    {
        const size_t slash = path.find('/', pos);
        const size_t end = slash == std::string::npos ? path.size() : slash;
        partial = path.substr(0, end);
        pos = end + 1;
        if (partial.empty() || IsDirectory(partial))
            continue;
        if (mkdir(partial.c_str(), 0755) != 0 && errno != EEXIST)
        {
            error = "cannot create the folder " + partial + ": " + std::strerror(errno);
            return false;
        }
    }
    if (!IsDirectory(path))
    {
        error = path + " is not a folder";
        return false;
    }
    return true;
}

class File
{
public:
    explicit File(int fd) : m_fd(fd) {}
    ~File()
    {
        if (m_fd >= 0)
            close(m_fd);
    }
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    int Get() const { return m_fd; }
    int Release()
    {
        const int fd = m_fd;
        m_fd = -1;
        return fd;
    }

private:
    int m_fd;
};

// Creates path with the text; never replaces an existing file. A partial file is removed.
bool WriteNewFile(const std::string& path, const std::string& text, std::string& error)
{
    File file(open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644));
    if (file.Get() < 0)
    {
        error = "cannot create " + path + ": " + std::strerror(errno);
        return false;
    }
    size_t done = 0;
    while (done < text.size())
    {
        const ssize_t n = write(file.Get(), text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
        {
            error = "cannot write " + path + ": " + std::strerror(errno);
            unlink(path.c_str());
            return false;
        }
        done += static_cast<size_t>(n);
    }
    if (close(file.Release()) != 0)
    {
        error = "cannot write " + path + ": " + std::strerror(errno);
        unlink(path.c_str());
        return false;
    }
    return true;
}

} // namespace

std::string LocalDatText()
{
    return std::string("; The lobby's locale: a game reads ..\\localdata_<local_name>\\lobby.conf.\n"
                       "[LOCAL]\n"
                       "local_name = ") +
           kWrittenLocale + "\n";
}

std::string LobbyConfText()
{
    return "; Web addresses of the lobby's locale, for local development.\n"
           "[GAME_URL]\n"
           "home_url = http://127.0.0.1/home\n"
           "find_url = http://127.0.0.1/find\n"
           "detail_url_n = http://127.0.0.1/detail?\n"
           "shop_url_n = http://127.0.0.1/shop?from=game\n"
           "show_shop_url_n = http://127.0.0.1/shop/show?from=game\n";
}

std::string GlobalConfText()
{
    return "; Addresses shared by every locale, for local development.\n"
           "[VIDEO]\n"
           "video_server_ip = 127.0.0.1\n"
           "video_server_port = " +
           std::to_string(kDefaultServerPort + 1) +
           "\n"
           "[GAME_URL]\n"
           "shop_url = http://127.0.0.1/shop?from=global\n"
           "show_shop_url = http://127.0.0.1/shop/show?from=global\n"
           "detail_url = http://127.0.0.1/detail?from=global&\n";
}

bool FindIniValue(std::string_view text, std::string_view section, std::string_view key, std::string& value)
{
    bool inSection = false;
    size_t pos = 0;
    while (pos < text.size())
    {
        size_t end = text.find('\n', pos);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view line = text.substr(pos, end - pos);
        pos = end + 1;
        while (!line.empty() && IsSpace(line.front()))
            line.remove_prefix(1);
        if (line.empty() || line[0] == '#' || line[0] == ';')
            continue;
        if (line[0] == '[')
        {
            const size_t close = line.find(']');
            inSection = close != std::string_view::npos && Collapse(line.substr(1, close - 1), true) == section;
            continue;
        }
        if (!inSection)
            continue;
        const size_t eq = line.find('=');
        if (eq == std::string_view::npos || !EqualsNoCase(Collapse(line.substr(0, eq)), key))
            continue;
        value = Collapse(line.substr(eq + 1));
        return true;
    }
    return false;
}

bool IsUsableLocale(std::string_view name)
{
    if (name.empty() || name.size() > 9)
        return false;
    return std::all_of(name.begin(), name.end(),
                       [](char c) {
                           return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                                  c == '_' || c == '-';
                       });
}

bool PrepareLobbyFiles(const std::string& root, LobbyFilesReport& report, std::string& error)
{
    report = LobbyFilesReport();
    if (!MakeFolders(root, error))
        return false;

    // local.dat, and from it the locale.
    const std::string localName = FindEntry(root, "local.dat");
    if (localName.empty())
    {
        if (!WriteNewFile(root + "/local.dat", LocalDatText(), error))
            return false;
        report.written.push_back("local.dat");
        report.locale = kWrittenLocale;
    }
    else
    {
        report.kept.push_back(localName);
        std::ifstream in(root + "/" + localName, std::ios::binary);
        const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        if (!FindIniValue(text, "LOCAL", "local_name", report.locale))
            report.locale = kFallbackLocale;
    }

    if (!IsUsableLocale(report.locale))
    {
        report.warnings.push_back(localName + " names the locale \"" + report.locale +
                                  "\", which cannot be a folder name; no lobby.conf was written");
    }
    else
    {
        const std::string wanted = "localdata_" + report.locale;
        std::string folderName = FindEntry(root, wanted);
        if (folderName.empty())
        {
            folderName = wanted;
            if (!MakeFolders(root + "/" + folderName, error))
                return false;
        }
        const std::string folder = root + "/" + folderName;
        if (!IsDirectory(folder))
        {
            report.warnings.push_back(folderName + " is not a folder; the game finds no lobby.conf");
        }
        else if (const std::string confName = FindEntry(folder, "lobby.conf"); !confName.empty())
        {
            report.kept.push_back(folderName + "/" + confName);
        }
        else
        {
            if (!WriteNewFile(folder + "/lobby.conf", LobbyConfText(), error))
                return false;
            report.written.push_back(folderName + "/lobby.conf");
        }
    }

    if (const std::string globalName = FindEntry(root, "global.conf"); !globalName.empty())
    {
        report.kept.push_back(globalName);
    }
    else
    {
        if (!WriteNewFile(root + "/global.conf", GlobalConfText(), error))
            return false;
        report.written.push_back("global.conf");
    }
    return true;
}

} // namespace lobby
