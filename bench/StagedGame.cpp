#include "bench/StagedGame.h"

#include "pop/Graphics.h"
#include "pop/Image.h"
#include "pop/TestHarness.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <unistd.h>

namespace tessaro::bench
{

namespace fs = std::filesystem;

StagedCopy::StagedCopy(const std::string& stageDir)
{
    char tmpl[] = "/tmp/tessaro-bench-stage-XXXXXX";
    if (!mkdtemp(tmpl))
        return;
    m_strRoot = tmpl;
    const fs::path stage(stageDir);
    std::error_code error;
    fs::copy(stage, m_strRoot + "/game", fs::copy_options::recursive, error);
    if (error)
        return;
    fs::copy(stage.parent_path() / "UserImage", m_strRoot + "/UserImage", fs::copy_options::recursive, error);
    char cwd[4096];
    if (getcwd(cwd, sizeof cwd))
        m_strOldDir = cwd;
    m_bOk = !error && chdir(GameDir().c_str()) == 0;
}

StagedCopy::~StagedCopy()
{
    if (!m_strOldDir.empty() && chdir(m_strOldDir.c_str()) != 0)
        std::perror("chdir");
    std::error_code ignored;
    if (!m_strRoot.empty())
        fs::remove_all(m_strRoot, ignored);
}

void ReportMicros(benchmark::State& state, std::vector<double>& us)
{
    if (us.empty())
        return;
    std::sort(us.begin(), us.end());
    state.counters["median_us"] = us[us.size() / 2];
    state.counters["p99_us"] = us[std::min(us.size() - 1, us.size() * 99 / 100)];
}

void FrameBlit(benchmark::State& state)
{
    BenchApp app("");
    Sexy::TestHarness harness(app);
    Sexy::MemoryImage* screen = app.GetScreenImage();
    if (!screen)
    {
        state.SkipWithError("no screen");
        return;
    }
    Sexy::MemoryImage picture(Ostra::GameAppBase::STANDARD_WIDTH, Ostra::GameAppBase::STANDARD_HEIGHT);
    {
        Sexy::Graphics g(&picture);
        g.SetColor(Sexy::Color(24, 96, 56));
        g.FillRect(0, 0, picture.GetWidth(), picture.GetHeight());
    }
    std::vector<double> us;
    for (auto _ : state)
    {
        const auto start = std::chrono::steady_clock::now();
        Sexy::Graphics g(screen);
        g.DrawImage(&picture, 0, 0);
        us.push_back(std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count());
    }
    ReportMicros(state, us);
}

} // namespace tessaro::bench
