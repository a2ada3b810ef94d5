// What the benchmarks of a staged game share: a scratch copy of the game's stage folder (its
// pictures, and the platform's shared portraits one folder up) as the program's folder and the
// current directory, and an application contained in it.
#pragma once

#include "tessaro/app/GameAppBase.h"

#include <string>
#include <vector>

namespace benchmark
{
class State;
}

namespace tessaro::bench
{

// Made first: the scratch folder with the staged game copied in, entered as the current directory
// (and left, and removed, at the end).
class StagedCopy
{
public:
    // stageDir: the staged game's folder (build/stage/<game>).
    explicit StagedCopy(const std::string& stageDir);
    ~StagedCopy();
    StagedCopy(const StagedCopy&) = delete;
    StagedCopy& operator=(const StagedCopy&) = delete;

    bool Ok() const { return m_bOk; }
    // The game's folder inside the copy, ending in a slash.
    std::string GameDir() const { return m_strRoot + "/game/"; }

private:
    std::string m_strRoot;
    std::string m_strOldDir;
    bool m_bOk = false;
};

class BenchApp : public Ostra::GameAppBase
{
public:
    explicit BenchApp(const std::string& dir) : GameAppBase(StartupOptions::Contained(dir))
    {
        mOnlyAllowOneCopyToRun = false;
    }
    void GameAppReserved() override {}
};

// Times of frames drawn, in microseconds, reported as median_us and p99_us.
void ReportMicros(benchmark::State& state, std::vector<double>& us);

// The baseline of the frame benchmarks: one blit of a 1024 x 738 picture to an application's
// screen, the least a frame of the whole table costs.
void FrameBlit(benchmark::State& state);

} // namespace tessaro::bench
