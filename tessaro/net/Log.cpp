#include "tessaro/net/Log.h"

#include "platform/Path.h"
#include "pop/Common.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <mutex>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace
{

constexpr int kOutConsole = 0x01;
constexpr int kOutFile = 0x02;
constexpr int kOutDaily = 0x04;
constexpr int kOutSize = 0x10;

constexpr int kModeShared = 0x01;

constexpr int kFmtDate = 0x01;
constexpr int kFmtTime = 0x02;
constexpr int kFmtLevel = 0x04;
constexpr int kFmtThread = 0x08;
constexpr int kFmtTag = 0x10;
constexpr int kFmtText = 0x20;

constexpr size_t kPartMax = 500;
constexpr size_t kLineArea = 4096;
constexpr size_t kTagMax = 19;
constexpr size_t kFileNameMax = sizeof(LogConfig::szFileName) - 1;
constexpr size_t kTagFilterMax = sizeof(LogConfig::szTagFilter) - 1;
constexpr off_t kSizeLimit = 10000000;
constexpr int kSizeSlots = 10;
constexpr time_t kDay = 86400;

// Six parts of at most 500 characters, CR LF and the terminating zero.
static_assert(6 * kPartMax + 3 <= kLineArea, "a full line must fit its area");

struct FileCloser
{
    void operator()(FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<FILE, FileCloser>;

// A thread's own record; it holds the thread's file in per-thread mode. Listed in the log state
// from the thread's first line until CloseLog or the end of the thread.
struct ThreadRecord
{
    bool bListed = false;
    FilePtr pFile;
    ~ThreadRecord();
};

struct LogState
{
    std::mutex mutex;
    int iOutput = kOutConsole;
    int iMinLevel = 10;
    int iFileMode = kModeShared;
    int iFormat = 0x7E;
    std::string strBaseName;
    std::vector<std::string> vecTags;
    int iRotateHour = 0;
    int iRotateMinute = 0;
    int iRotateSecond = 0;
    FilePtr pShared;
    std::vector<ThreadRecord*> vecThreads;
    time_t tNextRotation = 0; // 0: not computed yet
    int iSizeCounter = 0;
};

// Never destroyed: other threads may still log while the process exits, and exiting threads
// unlist their records here.
LogState& State()
{
    static LogState* state = new LogState;
    return *state;
}

std::atomic<time_t (*)()> g_clock{nullptr};

time_t Now()
{
    time_t (*clock)() = g_clock.load();
    return clock ? clock() : std::time(nullptr);
}

thread_local ThreadRecord t_record;
// Set once t_record is destroyed, for lines logged by destructors that run after it at thread end.
thread_local bool t_bRecordGone = false;

ThreadRecord::~ThreadRecord()
{
    LogState& s = State();
    std::lock_guard<std::mutex> lock(s.mutex);
    if (bListed)
        s.vecThreads.erase(std::find(s.vecThreads.begin(), s.vecThreads.end(), this));
    bListed = false;
    pFile.reset();
    t_bRecordGone = true;
}

std::string BaseName(const LogState& s)
{
    return s.strBaseName.empty() ? "prog" : s.strBaseName;
}

std::string SharedFileName(const LogState& s)
{
    return BaseName(s) + ".log";
}

FILE* OpenAppend(const std::string& name)
{
    return std::fopen(platform::ResolvePath(name).c_str(), "a+");
}

void CloseFiles(LogState& s)
{
    s.pShared.reset();
    for (ThreadRecord* record : s.vecThreads)
        record->pFile.reset();
}

// The file this thread's lines go to, opened on first use. A file that cannot be created ends the
// process; the lock is released first so that exit handlers may still log.
FILE* OpenLogFile(LogState& s, ThreadRecord* self, std::unique_lock<std::mutex>& lock)
{
    const bool shared = (s.iFileMode & kModeShared) != 0;
    if (!shared && !self)
        return nullptr;
    FilePtr& file = shared ? s.pShared : self->pFile;
    if (file)
        return file.get();
    const std::string name =
        shared ? SharedFileName(s) : BaseName(s) + std::to_string(static_cast<int>(gettid())) + ".log";
    file.reset(OpenAppend(name));
    if (!file)
    {
        std::printf("can't create log file, file name:%s\n", name.c_str());
        lock.unlock();
        std::exit(-1);
    }
    return file.get();
}

char AsciiLower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Tags are module names; only ASCII letters fold, whatever the process locale.
bool SameTag(const std::string& listed, const char* tag)
{
    size_t i = 0;
    for (; i < listed.size() && tag[i]; ++i)
    {
        if (AsciiLower(listed[i]) != AsciiLower(tag[i]))
            return false;
    }
    return i == listed.size() && !tag[i];
}

bool TagPasses(const LogState& s, const char* tag)
{
    if (s.vecTags.empty())
        return true;
    if (!tag)
        return false;
    return std::any_of(s.vecTags.begin(), s.vecTags.end(), [tag](const std::string& t) { return SameTag(t, tag); });
}

void AddTags(LogState& s, const char* list, size_t len)
{
    size_t start = 0;
    while (start < len)
    {
        size_t end = start;
        while (end < len && list[end] != ',')
            ++end;
        if (end > start)
            s.vecTags.emplace_back(list + start, std::min(end - start, kTagMax));
        start = end + 1;
    }
}

// Appends printf-formatted parts to the zeroed line area, each cut to kPartMax characters.
class LineBuilder
{
public:
    explicit LineBuilder(char* area) : m_pArea(area) {}

    void Append(const char* fmt, ...) __attribute__((format(printf, 2, 3)))
    {
        va_list args;
        va_start(args, fmt);
        AppendV(fmt, args);
        va_end(args);
    }

    void AppendV(const char* fmt, va_list args) __attribute__((format(printf, 2, 0)))
    {
        int n = std::vsnprintf(m_pArea + m_nLen, kPartMax + 1, fmt, args);
        if (n > 0)
            m_nLen += std::min(static_cast<size_t>(n), kPartMax);
        m_pArea[m_nLen] = '\0';
    }

    void AppendLineEnd()
    {
        std::memcpy(m_pArea + m_nLen, "\r\n", 2);
        m_nLen += 2;
    }

    size_t Length() const { return m_nLen; }

private:
    char* m_pArea;
    size_t m_nLen = 0;
};

void AppendLevel(LineBuilder& line, int level)
{
    switch (level)
    {
    case 0:
        line.Append("[ALL] ");
        break;
    case 1:
        line.Append("[DEBUG] ");
        break;
    case 10:
        line.Append("[NOTE ] ");
        break;
    case 15:
        line.Append("[WARN ] ");
        break;
    case 20:
        line.Append("[ERROR] ");
        break;
    default:
        line.Append("[%d] ", level);
        break;
    }
}

// A rotated name that exists already is kept: the rename fails and the log goes on in the same
// file, so an archive (for instance one that another process sharing the folder wrote) is never
// overwritten.
void RenameKeepingTarget(const std::string& from, const std::string& to)
{
    const std::string src = platform::ResolvePath(from);
    const std::string dst = platform::ResolvePath(to);
    if (renameat2(AT_FDCWD, src.c_str(), AT_FDCWD, dst.c_str(), RENAME_NOREPLACE) == 0)
        return;
    if ((errno == EINVAL || errno == ENOSYS) && access(dst.c_str(), F_OK) != 0)
        std::rename(src.c_str(), dst.c_str());
}

time_t NextRotation(const LogState& s, time_t now)
{
    struct tm local = {};
    localtime_r(&now, &local);
    local.tm_hour = s.iRotateHour;
    local.tm_min = s.iRotateMinute;
    local.tm_sec = s.iRotateSecond;
    local.tm_isdst = -1;
    time_t at = std::mktime(&local);
    if (at == static_cast<time_t>(-1))
        return now + kDay;
    if (at < now)
        at += kDay;
    return at;
}

// A reopen that fails leaves the shared file closed; the next line tries again and, failing,
// ends the process as on first use.
void RotateDaily(LogState& s, time_t now)
{
    if (s.tNextRotation != 0 && now <= s.tNextRotation)
        return;
    if (s.tNextRotation != 0)
    {
        struct tm local = {};
        localtime_r(&now, &local);
        char suffix[96];
        std::snprintf(suffix, sizeof(suffix), ".%04d%02d%02d%02d%02d%02d", local.tm_year + 1900, local.tm_mon + 1,
                      local.tm_mday, s.iRotateHour, s.iRotateMinute, s.iRotateSecond);
        s.pShared.reset();
        RenameKeepingTarget(SharedFileName(s), BaseName(s) + suffix);
        s.pShared.reset(OpenAppend(SharedFileName(s)));
    }
    s.tNextRotation = NextRotation(s, now);
}

void RotateBySize(LogState& s)
{
    struct stat st;
    if (!s.pShared || fstat(fileno(s.pShared.get()), &st) != 0 || st.st_size <= kSizeLimit)
        return;
    s.pShared.reset();
    const std::string target = BaseName(s) + "_" + std::to_string(s.iSizeCounter) + ".log";
    std::remove(platform::ResolvePath(target).c_str());
    std::rename(platform::ResolvePath(SharedFileName(s)).c_str(), platform::ResolvePath(target).c_str());
    s.pShared.reset(OpenAppend(SharedFileName(s)));
    s.iSizeCounter = (s.iSizeCounter + 1) % kSizeSlots;
}

} // namespace

void InitLog(LogConfig config)
{
    LogState& s = State();
    std::lock_guard<std::mutex> lock(s.mutex);
    if (config.iOutput != 0)
        s.iOutput = config.iOutput;
    if (config.iMinLevel >= 0)
        s.iMinLevel = config.iMinLevel;
    if (config.iFileMode != 0)
        s.iFileMode = config.iFileMode;
    if (config.iFormat != 0)
        s.iFormat = config.iFormat;
    if (size_t len = strnlen(config.szFileName, kFileNameMax); len > 0)
    {
        std::string name(config.szFileName, len);
        if (name != s.strBaseName)
        {
            CloseFiles(s);
            s.strBaseName = std::move(name);
        }
    }
    AddTags(s, config.szTagFilter, strnlen(config.szTagFilter, kTagFilterMax));
    if (config.pRotateTime)
    {
        s.iRotateHour = config.pRotateTime->tm_hour;
        s.iRotateMinute = config.pRotateTime->tm_min;
        s.iRotateSecond = config.pRotateTime->tm_sec;
        s.tNextRotation = 0;
    }
}

void WriteLog(int iLevel, const char* szTag, const char* szFmt, ...)
{
    // The line is built and written under the log mutex: a rotation on another thread can then
    // never close the shared file while this thread writes to it, and lines never interleave.
    LogState& s = State();
    std::unique_lock<std::mutex> lock(s.mutex);

    ThreadRecord* self = t_bRecordGone ? nullptr : &t_record;
    if (self && !self->bListed)
    {
        s.vecThreads.push_back(self);
        self->bListed = true;
    }
    // The file is opened on the thread's first call even when its line is then dropped.
    FILE* file = (s.iOutput & kOutFile) ? OpenLogFile(s, self, lock) : nullptr;

    if (iLevel < s.iMinLevel || !TagPasses(s, szTag))
        return;

    const time_t now = Now();
    struct tm local = {};
    localtime_r(&now, &local);

    char area[kLineArea] = {};
    LineBuilder line(area);
    if (s.iFormat & kFmtDate)
        line.Append("%04d-%02d-%02d ", local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
    if (s.iFormat & kFmtTime)
        line.Append("%02d:%02d:%02d ", local.tm_hour, local.tm_min, local.tm_sec);
    if (s.iFormat & kFmtLevel)
        AppendLevel(line, iLevel);
    if (s.iFormat & kFmtThread)
        line.Append("[%d] ", static_cast<int>(gettid()));
    if ((s.iFormat & kFmtTag) && szTag)
        line.Append("[%s]\t", szTag);
    if ((s.iFormat & kFmtText) && szFmt)
    {
        va_list args;
        va_start(args, szFmt);
        line.AppendV(szFmt, args);
        va_end(args);
    }
    line.AppendLineEnd();

    if (s.iOutput & kOutConsole)
    {
        std::printf("%s\n", area);
        Sexy::OutputDebug("%s", area);
    }
    if (!file)
        return;
    std::fwrite(area, 1, line.Length(), file);
    std::fflush(file);

    // Only the shared file rotates; per-thread files grow until CloseLog.
    if (!(s.iFileMode & kModeShared))
        return;
    if (s.iOutput & kOutDaily)
        RotateDaily(s, now);
    if (s.iOutput & kOutSize)
        RotateBySize(s);
}

void CloseLog()
{
    LogState& s = State();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.vecTags.clear();
    s.strBaseName.clear();
    CloseFiles(s);
    for (ThreadRecord* record : s.vecThreads)
        record->bListed = false;
    s.vecThreads.clear();
    s.tNextRotation = 0;
    s.iSizeCounter = 0;
}

void SetLogClock(time_t (*now)())
{
    g_clock.store(now);
}
