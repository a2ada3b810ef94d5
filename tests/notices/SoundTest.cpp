// Sound and music of the application: the sound player's ids, the background music's count and
// rotation, what silences each kind of play, and the whole chain on the real mixer.
#include "pop/MusicInterface.h"
#include "tessaro/app/SoundPlayer.h"
#include "tests/pop/AudioTestSupport.h"
#include "tests/support/SessionHarness.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace
{

using testsupport::TestGameApp;

// Logs what is asked of the music as "load <id> <path>", "play <id>", "stop <id>"; a play sounds
// until the test ends it.
class FakeMusic : public Sexy::MusicInterface
{
public:
    bool LoadMusic(int id, const std::string& path) override
    {
        log.push_back("load " + std::to_string(id) + " " + path);
        return path.find("bad") == std::string::npos;
    }
    bool PlayMusic(int id, int offset, bool noLoop) override
    {
        log.push_back("play " + std::to_string(id) + (offset == 0 && noLoop ? "" : " looped or offset"));
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
    void SetVolume(double v) override { volume = v; }
    double GetVolume() const override { return volume; }
    void UnloadMusic(int) override {}
    void UnloadAllMusic() override {}
    void StopAllMusic() override {}
    void PauseMusic(int) override {}
    void ResumeMusic(int) override {}
    void PauseAllMusic() override {}
    void ResumeAllMusic() override {}
    double GetEffectiveVolume(int) const override { return -1.0; }

    std::vector<std::string> log;
    std::set<int> playing;
    std::map<int, double> songVolume;
    double volume = 1.0;
};

struct MusicWnd : Ostra::GameWndBase
{
    using GameWndBase::GameWndBase;
    void HandleGameMessage(std::uintptr_t, long) override {}
};

// The test application with background music files 0 .. count - 1 and, when asked, the fake music.
class SoundTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        Ostra::g_AppInfo.bMusicOn = Ostra::g_AppInfo.bSoundOn = Ostra::g_AppInfo.bSpeechOn = true;
        Ostra::g_AppInfo.iMusicVolume = 800;
        Ostra::g_AppInfo.iSoundVolume = 300;
    }
    FakeMusic* Fake()
    {
        app.mMusicInterface = std::make_unique<FakeMusic>();
        return static_cast<FakeMusic*>(app.mMusicInterface.get());
    }
    void MusicFiles(int count, int toneMs = 10)
    {
        std::filesystem::create_directories(Dir() + "wav");
        for (int n = 0; n < count; ++n)
            ASSERT_TRUE(poptest::WriteToneWav(Dir() + "wav/0" + std::to_string(n) + ".mp3", toneMs));
        app.m_nBackMusicNum = app.GetBackMusicNum();
    }
    std::string Dir() const { return app.m_szModuleDir; }

    testsupport::AppInfoReset reset;
    TestGameApp app;
};

TEST_F(SoundTest, FilesAreLoadedOnceUnderIdsOfTheirOwn)
{
    FakeMusic* music = Fake();
    Ostra::CSoundPlayer player(&app);
    const struct
    {
        const char* name;
        int id, expected;
        bool loads;
    } cases[] = {
        {"a.wav", -1, 1001, true},   {"a.wav", 5, 1001, false},   // a known name keeps its id
        {"b.wav", 1000, 1002, true},                              // 1000 and up are the player's
        {"c.wav", 7, 7, true},       {"bad.wav", -1, 1003, true}, // a failed load ...
        {"bad.wav", 9, 1003, false},                              // ... stays registered
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        music->log.clear();
        EXPECT_EQ(player.PlaySoundA(c.name, 0.25, c.id), c.expected);
        std::vector<std::string> expected{"play " + std::to_string(c.expected)};
        if (c.loads) // relative names are looked for in the program's folder
            expected.insert(expected.begin(), "load " + std::to_string(c.expected) + " " + Dir() + c.name);
        EXPECT_EQ(music->log, expected);
        EXPECT_EQ(music->songVolume[c.expected], 0.25);
    }
}

TEST_F(SoundTest, BackgroundMusicIsCountedToTheFirstGapAndRotates)
{
    MusicFiles(2);
    ASSERT_TRUE(poptest::WriteToneWav(Dir() + "wav/03.mp3", 10)); // after the gap: not counted
    EXPECT_EQ(app.GetBackMusicNum(), 2);
    FakeMusic* music = Fake();
    MusicWnd wnd(&app, nullptr);

    app.PlayMusic(-1);
    app.PlayMusic(2);
    app.PlayMusic(1);
    wnd.UpdateMusic(); // 1 still plays
    EXPECT_EQ(music->log, (std::vector<std::string>{"load 1 " + Dir() + "wav\\01.mp3", "play 1"}));
    EXPECT_DOUBLE_EQ(music->songVolume[1], 0.8);

    music->playing.clear(); // 1 ended: 0 follows, then 1 again
    wnd.UpdateMusic();
    EXPECT_EQ(app.m_nCurMusic, 0);
    music->playing.clear();
    wnd.UpdateMusic();
    EXPECT_EQ(app.m_nCurMusic, 1);
    app.PlayMusic(0); // stops the one playing
    EXPECT_EQ(std::vector<std::string>(music->log.begin() + 2, music->log.end()),
              (std::vector<std::string>{"stop 1", "load 0 " + Dir() + "wav\\00.mp3", "play 0", "stop 0", "play 1",
                                        "stop 1", "play 0"}));

    // Music that plays under the player's id of an earlier effect is still the one to stop.
    ASSERT_EQ(app.PlaySoundA("theme.mp3"), 1001);
    app.PlayMusic("theme.mp3", 3);
    EXPECT_EQ(app.m_nCurMusic, 1001);
    app.PlayMusic(1);
    EXPECT_FALSE(music->IsPlaying(1001));
}

// Each switch silences its own kind; the hidden window and a missing music interface silence
// everything, and nothing fails.
TEST_F(SoundTest, SettingsHiddenWindowAndMissingAudioSilencePlays)
{
    MusicFiles(1);
    const struct
    {
        bool Ostra::AppInfo::*off;
        bool hidden, noAudio;
        std::vector<std::string> played;
    } cases[] = {
        {&Ostra::AppInfo::bMusicOn, false, false, {"play 1001", "play 1002"}},
        {&Ostra::AppInfo::bSoundOn, false, false, {"play 0", "play 1001"}},
        {&Ostra::AppInfo::bSpeechOn, false, false, {"play 0", "play 1001"}},
        {nullptr, true, false, {}},
        {nullptr, false, true, {}},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.played.size());
        TestGameApp game;
        game.m_nBackMusicNum = 1;
        game.mMusicInterface = c.noAudio ? nullptr : std::make_unique<FakeMusic>();
        game.m_bHidden = c.hidden;
        Ostra::g_AppInfo.bMusicOn = Ostra::g_AppInfo.bSoundOn = Ostra::g_AppInfo.bSpeechOn = true;
        if (c.off)
            Ostra::g_AppInfo.*c.off = false;
        MusicWnd wnd(&game, nullptr);
        wnd.UpdateMusic();
        const int effect = game.PlaySoundA("effect.wav");
        game.PlaySpeech("speech.wav");
        game.PlaySoundA(1);
        game.PlaySpeech(1);
        EXPECT_EQ(effect, c.off == &Ostra::AppInfo::bSoundOn || c.played.empty() ? -1 : 1001);
        std::vector<std::string> played;
        if (auto* music = static_cast<FakeMusic*>(game.mMusicInterface.get()))
            for (const std::string& line : music->log)
                if (line.rfind("play", 0) == 0)
                    played.push_back(line);
        EXPECT_EQ(played, c.played);
    }
    EXPECT_EQ(Ostra::CSoundPlayer(&app).PlaySoundA("x.wav", 1, -1), -1); // no music interface
}

TEST_F(SoundTest, VolumeOverridesReapplyTheStoredVolume)
{
    FakeMusic* music = Fake();
    app.Sexy::SexyAppBase::SetMusicVolume(0.4);
    app.SetMusicVolume(0.9);
    EXPECT_DOUBLE_EQ(app.GetMusicVolume(), 0.4);
    EXPECT_DOUBLE_EQ(music->volume, 0.4);
}

// On SDL's dummy driver: Init starts the only music, which plays to its end, and the game window's
// frame starts it again; an effect plays beside it at the settings' volume.
TEST_F(SoundTest, InitStartsTheMusicAndTheFrameKeepsItGoing)
{
    poptest::ScopedEnv driver("POP_AUDIO", "dummy");
    MusicFiles(1, 400);
    ASSERT_TRUE(poptest::WriteToneWav(Dir() + "effect.wav", 1000));
    Sexy::TestHarness harness(app); // Init; without set.dat everything is on at 500
    ASSERT_NE(app.mMusicInterface, nullptr);
    EXPECT_EQ(app.m_nCurMusic, 0);
    EXPECT_TRUE(app.mMusicInterface->IsPlaying(0));
    EXPECT_EQ(app.PlaySoundA("Effect.WAV"), 1001); // file names ignore letter case
    EXPECT_NEAR(app.mMusicInterface->GetEffectiveVolume(1001), 0.5, 1.0 / 128);

    MusicWnd wnd(&app, nullptr);
    harness.GetWidgetManager()->AddWidget(&wnd);
    ASSERT_TRUE(poptest::WaitUntil([&] { return !app.mMusicInterface->IsPlaying(0); }));
    harness.Step(1);
    EXPECT_TRUE(app.mMusicInterface->IsPlaying(0));
    harness.GetWidgetManager()->RemoveWidget(&wnd);
}

} // namespace
