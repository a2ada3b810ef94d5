// The sound manager on SDL's dummy driver: sample ids, play handles, volumes, channels shared with
// nobody, and releasing samples while they play.
#include "AudioTestSupport.h"

#include "pop/Audio.h"
#include "pop/MusicInterface.h"
#include "pop/SoundManager.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace
{

using poptest::WaitUntil;

class AudioSoundTest : public poptest::AudioTest
{
protected:
    void SetUp() override
    {
        poptest::AudioTest::SetUp();
        sounds = Sexy::CreateSoundManager();
        ASSERT_NE(sounds, nullptr);
    }
    void TearDown() override
    {
        sounds.reset();
        poptest::AudioTest::TearDown();
    }

    std::unique_ptr<Sexy::SoundManager> sounds;
};

// --- ids ---

TEST_F(AudioSoundTest, LoadingWithoutAnIdTakesTheLowestFreeOne)
{
    EXPECT_EQ(sounds->LoadSound(File("tone.wav")), 0);
    EXPECT_EQ(sounds->LoadSound(File("mono.wav")), 1);
    ASSERT_TRUE(sounds->LoadSound(3, File("tone.wav")));
    EXPECT_EQ(sounds->LoadSound(File("tone.wav")), 2);
    EXPECT_EQ(sounds->LoadSound(File("tone.wav")), 4);
    sounds->ReleaseSound(1);
    EXPECT_FALSE(sounds->HasSound(1));
    EXPECT_EQ(sounds->LoadSound(File("tone.wav")), 1);
}

TEST_F(AudioSoundTest, BadIdsAndFilesLoadNothing)
{
    EXPECT_FALSE(sounds->LoadSound(-1, File("tone.wav")));
    EXPECT_EQ(sounds->LoadSound(File("missing.wav")), -1);
    ASSERT_TRUE(poptest::WriteBytes(File("junk.ogg"), "OggS but not really"));
    EXPECT_FALSE(sounds->LoadSound(0, File("junk.ogg")));
    EXPECT_FALSE(sounds->HasSound(0));
    EXPECT_EQ(sounds->PlaySample(0), -1);

    // A failed reload leaves the sample as it was.
    ASSERT_TRUE(sounds->LoadSound(0, File("tone.wav")));
    EXPECT_FALSE(sounds->LoadSound(0, File("junk.ogg")));
    EXPECT_GT(sounds->PlaySample(0), 0);
}

// --- plays and handles ---

TEST_F(AudioSoundTest, PlaysAreStoppedOneByOneOrAllTogether)
{
    const int id = sounds->LoadSound(File("long.wav"));
    ASSERT_GE(id, 0);
    const int first = sounds->PlaySample(id);
    const int second = sounds->PlaySample(id, 0.5, -1.0);
    const int third = sounds->PlaySample(id, 1.0, 1.0);
    ASSERT_GT(first, 0);
    ASSERT_GT(second, 0);
    ASSERT_GT(third, 0);
    EXPECT_NE(first, second);
    EXPECT_TRUE(sounds->IsSamplePlaying(first));
    EXPECT_TRUE(sounds->IsSamplePlaying(second));

    sounds->StopSample(second);
    EXPECT_FALSE(sounds->IsSamplePlaying(second));
    EXPECT_TRUE(sounds->IsSamplePlaying(first));

    sounds->StopAllSounds();
    EXPECT_FALSE(sounds->IsSamplePlaying(first));
    EXPECT_FALSE(sounds->IsSamplePlaying(third));
    EXPECT_FALSE(sounds->IsSamplePlaying(0));
    EXPECT_FALSE(sounds->IsSamplePlaying(-1));
}

TEST_F(AudioSoundTest, AnEndedPlayStaysEndedWhenItsChannelPlaysAgain)
{
    const int shortId = sounds->LoadSound(File("tone.wav"));
    const int longId = sounds->LoadSound(File("long.wav"));
    const int ended = sounds->PlaySample(shortId);
    ASSERT_GT(ended, 0);
    ASSERT_TRUE(WaitUntil([&] { return !sounds->IsSamplePlaying(ended); }));

    const int next = sounds->PlaySample(longId);
    ASSERT_GT(next, 0);
    EXPECT_FALSE(sounds->IsSamplePlaying(ended));
    EXPECT_EQ(sounds->GetEffectiveVolume(ended), -1.0);
    sounds->StopSample(ended);
    EXPECT_TRUE(sounds->IsSamplePlaying(next));
}

TEST_F(AudioSoundTest, TooManyPlaysCutOffTheOldestButNeverTheMusic)
{
    auto music = Sexy::CreateMusicInterface();
    ASSERT_NE(music, nullptr);
    ASSERT_TRUE(music->LoadMusic(1, File("tone.wav")));
    ASSERT_TRUE(music->PlayMusic(1));

    const int id = sounds->LoadSound(File("long.wav"));
    std::vector<int> plays;
    for (int i = 0; i < Sexy::SoundManager::kMaxPlays + 8; ++i)
    {
        plays.push_back(sounds->PlaySample(id));
        ASSERT_GT(plays.back(), 0);
    }
    int sounding = 0;
    for (int play : plays)
        sounding += sounds->IsSamplePlaying(play) ? 1 : 0;
    EXPECT_EQ(sounding, Sexy::SoundManager::kMaxPlays);
    EXPECT_FALSE(sounds->IsSamplePlaying(plays.front()));
    EXPECT_TRUE(sounds->IsSamplePlaying(plays.back()));
    EXPECT_TRUE(music->IsPlaying(1));

    // The music, started after the effects took their channels, finds one of its own.
    ASSERT_TRUE(music->LoadMusic(2, File("tone.wav")));
    ASSERT_TRUE(music->PlayMusic(2));
    EXPECT_TRUE(music->IsPlaying(2));
    EXPECT_TRUE(sounds->IsSamplePlaying(plays.back()));
}

// --- releasing while playing ---

TEST_F(AudioSoundTest, ReleasingOrReplacingASampleStopsItsPlaysFirst)
{
    ASSERT_TRUE(sounds->LoadSound(7, File("long.wav")));
    const int other = sounds->LoadSound(File("long.wav"));
    const int play = sounds->PlaySample(7);
    const int otherPlay = sounds->PlaySample(other);
    ASSERT_TRUE(sounds->IsSamplePlaying(play));

    sounds->ReleaseSound(7);
    EXPECT_FALSE(sounds->IsSamplePlaying(play));
    EXPECT_TRUE(sounds->IsSamplePlaying(otherPlay));
    EXPECT_EQ(sounds->PlaySample(7), -1);

    ASSERT_TRUE(sounds->LoadSound(other, File("tone.wav")));
    EXPECT_FALSE(sounds->IsSamplePlaying(otherPlay));

    const int last = sounds->PlaySample(other);
    sounds->ReleaseAllSounds();
    EXPECT_FALSE(sounds->IsSamplePlaying(last));
    EXPECT_FALSE(sounds->HasSound(other));
}

TEST_F(AudioSoundTest, DestroyingTheManagerWhilePlayingIsClean)
{
    const int id = sounds->LoadSound(File("long.wav"));
    ASSERT_GT(sounds->PlaySample(id), 0);
    sounds.reset();
    EXPECT_FALSE(Sexy::IsAudioOpen());
}

// --- volumes ---

TEST_F(AudioSoundTest, PlayEffectsAndMasterVolumesMultiplyIntoTheMixer)
{
    const int id = sounds->LoadSound(File("long.wav"));
    sounds->SetVolume(0.5);
    Sexy::SetMasterVolume(0.5);
    const int play = sounds->PlaySample(id, 0.5);
    EXPECT_DOUBLE_EQ(sounds->GetEffectiveVolume(play), 16.0 / 128);

    sounds->SetVolume(1.0);
    EXPECT_DOUBLE_EQ(sounds->GetEffectiveVolume(play), 32.0 / 128);
    Sexy::SetMasterVolume(1.0);
    EXPECT_DOUBLE_EQ(sounds->GetEffectiveVolume(play), 64.0 / 128);

    // A new play on a reused channel gets its own volume, not the last one's.
    sounds->StopSample(play);
    const int loud = sounds->PlaySample(id, 1.0);
    EXPECT_DOUBLE_EQ(sounds->GetEffectiveVolume(loud), 1.0);
    const int clamped = sounds->PlaySample(id, 3.0, NAN);
    EXPECT_DOUBLE_EQ(sounds->GetEffectiveVolume(clamped), 1.0);
    const int silent = sounds->PlaySample(id, NAN);
    EXPECT_EQ(sounds->GetEffectiveVolume(silent), 0.0);
    EXPECT_TRUE(sounds->IsSamplePlaying(silent));
}

TEST_F(AudioSoundTest, EffectsVolumeLeavesMusicAlone)
{
    auto music = Sexy::CreateMusicInterface();
    ASSERT_NE(music, nullptr);
    ASSERT_TRUE(music->LoadMusic(1, File("long.wav")));
    ASSERT_TRUE(music->PlayMusic(1));
    const int play = sounds->PlaySample(sounds->LoadSound(File("long.wav")));
    sounds->SetVolume(0.0);
    EXPECT_EQ(sounds->GetEffectiveVolume(play), 0.0);
    EXPECT_EQ(music->GetEffectiveVolume(1), 1.0);
    music->SetVolume(0.5);
    EXPECT_EQ(sounds->GetEffectiveVolume(play), 0.0);
}

} // namespace
