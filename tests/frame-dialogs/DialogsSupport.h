// What the dialog tests share: a headless game whose skin pictures are all missing (tests put in
// the ones they need), a music interface that logs what it is asked, and clicks on widgets.
#pragma once

#include "pop/MusicInterface.h"
#include "pop/TestHarness.h"
#include "pop/Widget.h"
#include "tests/skin-widgets/SkinWidgetsSupport.h"
#include "tests/support/SessionHarness.h"

#include <map>
#include <set>
#include <string>
#include <vector>

namespace dialogtest
{

// Logs "load <id> <path>", "play <id>" and "stop <id>"; a play sounds until it is stopped.
class FakeMusic : public Sexy::MusicInterface
{
public:
    bool LoadMusic(int id, const std::string& path) override
    {
        log.push_back("load " + std::to_string(id) + " " + path);
        return true;
    }
    bool PlayMusic(int id, int, bool) override
    {
        log.push_back("play " + std::to_string(id));
        playing.insert(id);
        return true;
    }
    void StopMusic(int id) override
    {
        log.push_back("stop " + std::to_string(id));
        playing.erase(id);
    }
    bool IsPlaying(int id) const override { return playing.count(id) != 0; }
    void SetSongVolume(int id, double v) override { songVolume[id] = v; }
    double GetSongVolume(int id) const override { return songVolume.count(id) ? songVolume.at(id) : 0.0; }
    void SetVolume(double) override {}
    double GetVolume() const override { return 1.0; }
    void UnloadMusic(int) override {}
    void UnloadAllMusic() override {}
    void StopAllMusic() override {}
    void PauseMusic(int) override {}
    void ResumeMusic(int) override {}
    void PauseAllMusic() override {}
    void ResumeAllMusic() override {}
    double GetEffectiveVolume(int) const override { return -1.0; }

    // The log lines that mention the text.
    int Count(const std::string& text) const
    {
        int n = 0;
        for (const std::string& line : log)
            n += line.find(text) != std::string::npos;
        return n;
    }

    std::vector<std::string> log;
    std::set<int> playing;
    std::map<int, double> songVolume;
};

struct DialogGame
{
    testsupport::AppInfoReset reset;
    testsupport::TestGameApp app;
    Sexy::TestHarness harness{app};

    // A left click in the middle of a widget, the mouse moved there first.
    void ClickOn(const Sexy::Widget* widget)
    {
        const Sexy::Point p = widget->GetAbsPos();
        harness.MouseMove(p.mX + widget->mWidth / 2, p.mY + widget->mHeight / 2);
        harness.Click(p.mX + widget->mWidth / 2, p.mY + widget->mHeight / 2);
    }
};

// The rows and columns of an image where a colour shows: the first and last of each, -1 for none.
struct Extent
{
    int left = -1, top = -1, right = -1, bottom = -1;
};

inline Extent ExtentOf(const Sexy::MemoryImage& image, const Sexy::Color& color)
{
    Extent e;
    for (int y = 0; y < image.GetHeight(); ++y)
        for (int x = 0; x < image.GetWidth(); ++x)
        {
            if (image.GetPixel(x, y) != color)
                continue;
            e.left = e.left < 0 ? x : std::min(e.left, x);
            e.right = std::max(e.right, x);
            e.top = e.top < 0 ? y : e.top;
            e.bottom = y;
        }
    return e;
}

} // namespace dialogtest
