// Any bytes as a settings file: lookups never crash, never read past the file and never write more
// than 399 value bytes into the caller's 400-byte buffer.
#include "tessaro/net/Config.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

namespace
{

struct Scratch
{
    std::string path;
    int fd = -1;
};

// The file that receives each input. It is unlinked at once and reached through /proc, so that it
// never outlives the process, however the process ends.
Scratch& File()
{
    static Scratch scratch = []
    {
        // The reader's complaints would only slow the run down.
        if (!std::freopen("/dev/null", "w", stdout))
            std::abort();
        Scratch s;
        // A memory file system when there is one: the file is rewritten for every input.
        for (const char* folder : {"/dev/shm", "/tmp"})
        {
            std::string tmpl = std::string(folder) + "/fuzz-config-XXXXXX";
            s.fd = mkstemp(tmpl.data());
            if (s.fd >= 0)
            {
                unlink(tmpl.c_str());
                break;
            }
        }
        if (s.fd < 0)
            std::abort();
        s.path = "/proc/self/fd/" + std::to_string(s.fd);
        return s;
    }();
    return scratch;
}

void Check(bool ok)
{
    if (!ok)
        std::abort();
}

// ReadConfig into a zeroed 400-byte buffer followed by a canary; with `getters`, the typed getters
// must agree with it.
void Lookup(const char* path, const char* section, const char* key, bool getters)
{
    constexpr char kCanary = '\x5A';
    struct
    {
        char value[400];
        char canary[32];
    } buf;
    std::memset(buf.value, 0, sizeof(buf.value));
    std::memset(buf.canary, kCanary, sizeof(buf.canary));
    int result = ReadConfig(path, section, key, buf.value);
    Check(result == 0 || result == -1);
    Check(buf.value[399] == '\0');
    for (char c : buf.canary)
        Check(c == kCanary);
    if (!getters)
        return;

    std::memset(buf.value, 0x33, sizeof(buf.value));
    Check(GetConfigString(buf.value, key, path, section, nullptr) == result);
    if (result == 0)
        Check(strnlen(buf.value, sizeof(buf.value)) < sizeof(buf.value));
    for (char c : buf.canary)
        Check(c == kCanary);

    int number = 0;
    Check(GetConfigInt(&number, key, path, section, "-1") == result);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size)
{
    Scratch& file = File();
    if (ftruncate(file.fd, 0) != 0)
        std::abort();
    for (size_t done = 0; done < size;)
    {
        ssize_t n = pwrite(file.fd, data + done, size - done, static_cast<off_t>(done));
        if (n <= 0)
            std::abort();
        done += static_cast<size_t>(n);
    }

    const char* path = file.path.c_str();
    static const char* const kSections[] = {nullptr, "LOCAL", "a b "};
    static const char* const kKeys[] = {"ip", "a", "key name"};
    for (const char* section : kSections)
    {
        for (const char* key : kKeys)
            Lookup(path, section, key, section == kSections[1] && key == kKeys[0]);
    }
    // A section and a key taken from the input itself reach the matching paths more often.
    if (size >= 2)
    {
        const char* rest = reinterpret_cast<const char*>(data) + 2;
        const size_t sectionLen = std::min<size_t>(data[0] % 8, size - 2);
        const size_t keyLen = std::min<size_t>(data[1] % 8, size - 2 - sectionLen);
        const std::string section(rest, sectionLen);
        const std::string key(rest + sectionLen, keyLen);
        Lookup(path, section.c_str(), key.c_str(), true);
    }
    return 0;
}
