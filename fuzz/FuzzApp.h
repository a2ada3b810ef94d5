// What the fuzz targets that host a game application share: the check that ends a run with a
// finding, and an application that lives on a scratch program folder of its own. The application
// stays out of the current directory (libFuzzer's corpus folders are relative to it) and the log,
// and any number of copies may run.
#pragma once

#include "tessaro/app/GameAppBase.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stdlib.h>
#include <string>
#include <system_error>

namespace fuzzapp
{

// A failed check names its line, then ends the run as a finding.
inline void Check(bool ok, const char* file = __builtin_FILE(), int line = __builtin_LINE())
{
    if (ok)
        return;
    std::fprintf(stderr, "check failed at %s:%d\n", file, line);
    std::abort();
}

// The application's program folder: as a base listed first it is made before the application and
// removed after it, so whatever the application saves at its end lands in it too.
struct ScratchDir
{
    ScratchDir()
    {
        char tmpl[] = "/tmp/tessaro-fuzz-XXXXXX";
        Check(mkdtemp(tmpl) != nullptr);
        path = tmpl;
    }
    ~ScratchDir()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    std::string path;
};

class ContainedApp : private ScratchDir, public Ostra::GameAppBase
{
public:
    ContainedApp() : GameAppBase(StartupOptions::Contained(path + "/game/")) { mOnlyAllowOneCopyToRun = false; }
    void GameAppReserved() override {}
};

} // namespace fuzzapp

// Fonts (the application's own, or the framework's message box) start fontconfig, which keeps what
// it builds until the process ends (pop frees it at exit); the leak checks between inputs would
// take that for lost. Each fuzz target is one translation unit, so this is defined once.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n";
}
