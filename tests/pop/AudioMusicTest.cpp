// The music interface on SDL's dummy driver: loading, plays once and looped, several ids at once,
// volumes as the mixer applies them, and freeing sounds while they play.
#include "AudioTestSupport.h"

#include "pop/Audio.h"
#include "pop/MusicInterface.h"
#include "pop/SoundManager.h"

#include <gtest/gtest.h>

#include <cmath>
#include <thread>

namespace
{

using poptest::WaitUntil;

class AudioMusicTest : public poptest::AudioTest
{
protected:
    void SetUp() override
    {
        poptest::AudioTest::SetUp();
        music = Sexy::CreateMusicInterface();
        ASSERT_NE(music, nullptr);
    }
    void TearDown() override
    {
        music.reset();
        poptest::AudioTest::TearDown();
    }

    std::unique_ptr<Sexy::MusicInterface> music;
};

// --- loading and playing files ---

class AudioMusicFormatTest : public AudioMusicTest, public ::testing::WithParamInterface<const char*>
{
};

TEST_P(AudioMusicFormatTest, PlaysOnceToTheEnd)
{
    const std::string name = GetParam();
    std::string path = File(name);
    if (name == "tone.ogg" || name == "tone.mp3")
    {
        path = poptest::BuiltSoundFile(name);
        if (path.empty())
            GTEST_SKIP() << name << " was not made by the build (no sox)";
    }
    ASSERT_TRUE(music->LoadMusic(3, path));
    ASSERT_TRUE(music->PlayMusic(3, 0, true));
    EXPECT_TRUE(music->IsPlaying(3));
    EXPECT_TRUE(WaitUntil([&] { return !music->IsPlaying(3); }));
    // It can be played again after it ended.
    EXPECT_TRUE(music->PlayMusic(3, 0, true));
    EXPECT_TRUE(music->IsPlaying(3));
}

INSTANTIATE_TEST_SUITE_P(Audio, AudioMusicFormatTest, ::testing::Values("tone.wav", "mono.wav", "tone.ogg", "tone.mp3"),
                         [](const auto& info)
                         {
                             std::string name = info.param;
                             return name.substr(0, name.find('.')) + "_" + name.substr(name.find('.') + 1);
                         });

TEST_F(AudioMusicTest, MissingAndBrokenFilesFailCleanly)
{
    ASSERT_TRUE(poptest::WriteBytes(File("garbage.wav"), "RIFF....WAVEjunkjunkjunk"));
    ASSERT_TRUE(poptest::WriteBytes(File("empty.mp3"), ""));
    ASSERT_TRUE(poptest::WriteToneWav(File("silent.wav"), 0));

    for (const char* name : {"missing.wav", "garbage.wav", "empty.mp3", "silent.wav"})
    {
        SCOPED_TRACE(name);
        EXPECT_FALSE(music->LoadMusic(1, File(name)));
        EXPECT_FALSE(music->PlayMusic(1));
        EXPECT_FALSE(music->IsPlaying(1));
        EXPECT_EQ(music->GetSongVolume(1), 0.0);
    }
    // Ids never loaded are ignored everywhere.
    music->StopMusic(42);
    music->PauseMusic(42);
    music->ResumeMusic(42);
    music->SetSongVolume(42, 0.5);
    music->UnloadMusic(42);
    EXPECT_EQ(music->GetEffectiveVolume(42), -1.0);
}

TEST_F(AudioMusicTest, FailedLoadKeepsWhatTheIdHeld)
{
    ASSERT_TRUE(music->LoadMusic(1, File("tone.wav")));
    EXPECT_FALSE(music->LoadMusic(1, File("missing.wav")));
    EXPECT_TRUE(music->PlayMusic(1));
    EXPECT_TRUE(music->IsPlaying(1));
}

TEST_F(AudioMusicTest, FileNamesResolveLikeTheSystemWritesThem)
{
    // Backslashes and another letter case name the same file.
    ASSERT_TRUE(poptest::WriteToneWav(File("Back.wav"), 50));
    EXPECT_TRUE(music->LoadMusic(1, Dir() + "\\BACK.WAV"));
}

// --- several ids, looping, stopping ---

TEST_F(AudioMusicTest, TwoIdsPlayAtOnceAndStopApart)
{
    ASSERT_TRUE(music->LoadMusic(1, File("tone.wav")));
    ASSERT_TRUE(music->LoadMusic(2, File("mono.wav")));
    ASSERT_TRUE(music->PlayMusic(1));
    ASSERT_TRUE(music->PlayMusic(2));
    EXPECT_TRUE(music->IsPlaying(1));
    EXPECT_TRUE(music->IsPlaying(2));
    music->SetSongVolume(1, 0.25);
    music->SetSongVolume(2, 0.75);
    EXPECT_DOUBLE_EQ(music->GetEffectiveVolume(1), 32.0 / 128);
    EXPECT_DOUBLE_EQ(music->GetEffectiveVolume(2), 96.0 / 128);

    music->StopMusic(1);
    EXPECT_FALSE(music->IsPlaying(1));
    EXPECT_TRUE(music->IsPlaying(2));

    music->StopAllMusic();
    EXPECT_FALSE(music->IsPlaying(2));
}

TEST_F(AudioMusicTest, LoopedPlayOutlastsAPlayOfTheSameSoundOnce)
{
    ASSERT_TRUE(music->LoadMusic(1, File("tone.wav")));
    ASSERT_TRUE(music->LoadMusic(2, File("tone.wav")));
    ASSERT_TRUE(music->PlayMusic(1, 0, false));
    ASSERT_TRUE(music->PlayMusic(2, 0, true));
    ASSERT_TRUE(WaitUntil([&] { return !music->IsPlaying(2); }));
    EXPECT_TRUE(music->IsPlaying(1));
}

TEST_F(AudioMusicTest, AnEndedIdDoesNotShareTheLifeOfTheNextPlayOnItsChannel)
{
    ASSERT_TRUE(music->LoadMusic(1, File("tone.wav")));
    ASSERT_TRUE(music->LoadMusic(2, File("tone.wav")));
    ASSERT_TRUE(music->PlayMusic(1, 0, true));
    ASSERT_TRUE(WaitUntil([&] { return !music->IsPlaying(1); }));

    ASSERT_TRUE(music->PlayMusic(2));
    EXPECT_FALSE(music->IsPlaying(1));
    EXPECT_TRUE(music->IsPlaying(2));

    // Playing the first again does not cut off the second.
    ASSERT_TRUE(music->PlayMusic(1));
    EXPECT_TRUE(music->IsPlaying(1));
    EXPECT_TRUE(music->IsPlaying(2));
    music->StopMusic(1);
    EXPECT_TRUE(music->IsPlaying(2));
}

TEST_F(AudioMusicTest, PausedMusicStillCountsAsPlaying)
{
    ASSERT_TRUE(music->LoadMusic(1, File("tone.wav")));
    ASSERT_TRUE(music->PlayMusic(1));
    music->PauseMusic(1);
    EXPECT_TRUE(music->IsPlaying(1));
    music->ResumeMusic(1);
    EXPECT_TRUE(music->IsPlaying(1));
    music->PauseAllMusic();
    music->StopMusic(1);
    EXPECT_FALSE(music->IsPlaying(1));
    // A new play is not held by the old pause.
    ASSERT_TRUE(music->PlayMusic(1, 0, true));
    EXPECT_TRUE(WaitUntil([&] { return !music->IsPlaying(1); }));
}

TEST_F(AudioMusicTest, OffsetsInsideTheSoundPlayAndBeyondItFail)
{
    ASSERT_TRUE(music->LoadMusic(1, File("tone.wav")));
    EXPECT_FALSE(music->PlayMusic(1, 150, true));
    EXPECT_FALSE(music->PlayMusic(1, 100000, true));
    ASSERT_TRUE(music->PlayMusic(1, 100, true));
    EXPECT_TRUE(WaitUntil([&] { return !music->IsPlaying(1); }));
    // A looped play from an offset is replaced (and its part freed) by a play from the start.
    ASSERT_TRUE(music->PlayMusic(1, 50, false));
    ASSERT_TRUE(music->PlayMusic(1, 0, true));
    EXPECT_TRUE(WaitUntil([&] { return !music->IsPlaying(1); }));
}

// --- freeing while playing ---

TEST_F(AudioMusicTest, UnloadingOrReplacingAPlayingIdStopsItFirst)
{
    ASSERT_TRUE(music->LoadMusic(1, File("tone.wav")));
    ASSERT_TRUE(music->LoadMusic(2, File("tone.wav")));
    ASSERT_TRUE(music->PlayMusic(1, 50));
    ASSERT_TRUE(music->PlayMusic(2));

    music->UnloadMusic(1);
    EXPECT_FALSE(music->IsPlaying(1));
    EXPECT_FALSE(music->PlayMusic(1));
    EXPECT_TRUE(music->IsPlaying(2));

    ASSERT_TRUE(music->LoadMusic(2, File("mono.wav")));
    EXPECT_FALSE(music->IsPlaying(2));
    ASSERT_TRUE(music->PlayMusic(2));

    music->UnloadAllMusic();
    EXPECT_FALSE(music->IsPlaying(2));
    EXPECT_TRUE(music->LoadMusic(1, File("tone.wav")));
}

TEST_F(AudioMusicTest, DestroyingTheInterfaceWhilePlayingClosesTheDevice)
{
    ASSERT_TRUE(music->LoadMusic(1, File("long.wav")));
    ASSERT_TRUE(music->PlayMusic(1));
    EXPECT_TRUE(Sexy::IsAudioOpen());
    music.reset();
    EXPECT_FALSE(Sexy::IsAudioOpen());
}

// --- volumes ---

TEST_F(AudioMusicTest, SongOverallAndMasterVolumesMultiplyIntoTheMixer)
{
    ASSERT_TRUE(music->LoadMusic(1, File("tone.wav")));
    EXPECT_EQ(music->GetSongVolume(1), 1.0);
    EXPECT_EQ(music->GetEffectiveVolume(1), -1.0); // no channel before the first play

    music->SetSongVolume(1, 0.5);
    music->SetVolume(0.5);
    Sexy::SetMasterVolume(0.5);
    ASSERT_TRUE(music->PlayMusic(1));
    EXPECT_DOUBLE_EQ(music->GetEffectiveVolume(1), 16.0 / 128);

    // Changes reach a play that is already sounding.
    music->SetVolume(1.0);
    EXPECT_DOUBLE_EQ(music->GetEffectiveVolume(1), 32.0 / 128);
    Sexy::SetMasterVolume(1.0);
    EXPECT_DOUBLE_EQ(music->GetEffectiveVolume(1), 64.0 / 128);
    music->SetSongVolume(1, 0.25);
    EXPECT_DOUBLE_EQ(music->GetEffectiveVolume(1), 32.0 / 128);

    // The song volume stays with the id for its next plays.
    music->StopMusic(1);
    ASSERT_TRUE(music->PlayMusic(1));
    EXPECT_DOUBLE_EQ(music->GetEffectiveVolume(1), 32.0 / 128);

    // Out-of-range values are clamped.
    music->SetSongVolume(1, 7.0);
    EXPECT_EQ(music->GetSongVolume(1), 1.0);
    music->SetVolume(-1.0);
    EXPECT_EQ(music->GetVolume(), 0.0);
    EXPECT_EQ(music->GetEffectiveVolume(1), 0.0);
    music->SetVolume(NAN);
    EXPECT_EQ(music->GetVolume(), 0.0);
}

TEST_F(AudioMusicTest, MasterVolumeSetWithoutDeviceAppliesWhenOneOpens)
{
    music.reset();
    ASSERT_FALSE(Sexy::IsAudioOpen());
    Sexy::SetMasterVolume(0.25);
    music = Sexy::CreateMusicInterface();
    ASSERT_NE(music, nullptr);
    ASSERT_TRUE(music->LoadMusic(1, File("tone.wav")));
    ASSERT_TRUE(music->PlayMusic(1));
    EXPECT_DOUBLE_EQ(music->GetEffectiveVolume(1), 32.0 / 128);
}

// --- the device and threads ---

TEST_F(AudioMusicTest, MusicAndSoundShareOneDeviceThatClosesWithTheLast)
{
    auto sounds = Sexy::CreateSoundManager();
    ASSERT_NE(sounds, nullptr);
    auto second = Sexy::CreateMusicInterface();
    ASSERT_NE(second, nullptr);
    ASSERT_TRUE(music->LoadMusic(1, File("tone.wav")));
    ASSERT_TRUE(second->LoadMusic(1, File("tone.wav")));
    ASSERT_TRUE(music->PlayMusic(1));
    ASSERT_TRUE(second->PlayMusic(1));
    // Two interfaces keep their ids apart.
    second->StopMusic(1);
    EXPECT_TRUE(music->IsPlaying(1));

    music.reset();
    second.reset();
    EXPECT_TRUE(Sexy::IsAudioOpen());
    sounds.reset();
    EXPECT_FALSE(Sexy::IsAudioOpen());
}

TEST_F(AudioMusicTest, CallsFromSeveralThreadsAreSafe)
{
    auto sounds = Sexy::CreateSoundManager();
    ASSERT_NE(sounds, nullptr);
    ASSERT_TRUE(music->LoadMusic(1, File("tone.wav")));
    ASSERT_TRUE(music->LoadMusic(2, File("tone.wav")));
    const int sample = sounds->LoadSound(File("tone.wav"));
    ASSERT_GE(sample, 0);

    std::thread player(
        [&]
        {
            for (int i = 0; i < 200; ++i)
            {
                music->PlayMusic(1, 0, i % 2 == 0);
                music->IsPlaying(1);
                sounds->PlaySample(sample, 0.5);
                music->StopMusic(1);
            }
        });
    for (int i = 0; i < 200; ++i)
    {
        music->SetVolume((i % 10) / 10.0);
        Sexy::SetMasterVolume((i % 5) / 4.0);
        music->PlayMusic(2);
        music->SetSongVolume(2, 0.5);
        sounds->SetVolume(0.5);
        sounds->StopAllSounds();
    }
    player.join();
    music->StopAllMusic();
    EXPECT_FALSE(music->IsPlaying(1));
    EXPECT_FALSE(music->IsPlaying(2));
}

} // namespace
