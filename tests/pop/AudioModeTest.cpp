// Whether there is audio at all: the environment switches, headless applications, and the absent
// interfaces that callers see when there is none.
#include "AudioTestSupport.h"

#include "pop/Audio.h"
#include "pop/MusicInterface.h"
#include "pop/SoundManager.h"

#include <gtest/gtest.h>

namespace
{

using Sexy::AudioMode;
using Sexy::ChooseAudioMode;

TEST(AudioModeTest, WindowedApplicationsUseTheDevice)
{
    EXPECT_EQ(ChooseAudioMode(false, nullptr, nullptr, nullptr), AudioMode::Device);
    EXPECT_EQ(ChooseAudioMode(false, nullptr, "0", nullptr), AudioMode::Device);
    EXPECT_EQ(ChooseAudioMode(false, nullptr, "", nullptr), AudioMode::Device);
    // SDL reads its own driver variable when it opens the device.
    EXPECT_EQ(ChooseAudioMode(false, nullptr, nullptr, "dummy"), AudioMode::Device);
    EXPECT_EQ(ChooseAudioMode(false, "something", nullptr, nullptr), AudioMode::Device);
}

TEST(AudioModeTest, HeadlessApplicationsHaveNoAudioUnlessAskedForTheDummy)
{
    EXPECT_EQ(ChooseAudioMode(true, nullptr, nullptr, nullptr), AudioMode::Off);
    EXPECT_EQ(ChooseAudioMode(false, nullptr, "1", nullptr), AudioMode::Off);
    EXPECT_EQ(ChooseAudioMode(true, nullptr, nullptr, "alsa"), AudioMode::Off);
    EXPECT_EQ(ChooseAudioMode(true, nullptr, nullptr, "dummy"), AudioMode::Dummy);
    EXPECT_EQ(ChooseAudioMode(false, nullptr, "1", "dummy"), AudioMode::Dummy);
    EXPECT_EQ(ChooseAudioMode(true, "dummy", nullptr, nullptr), AudioMode::Dummy);
    EXPECT_EQ(ChooseAudioMode(true, "device", nullptr, nullptr), AudioMode::Device);
}

TEST(AudioModeTest, OffWinsOverEverything)
{
    EXPECT_EQ(ChooseAudioMode(false, "off", nullptr, nullptr), AudioMode::Off);
    EXPECT_EQ(ChooseAudioMode(true, "off", "1", "dummy"), AudioMode::Off);
}

TEST(AudioModeTest, HeadlessWithoutTheSwitchGivesNoInterfaces)
{
    poptest::ScopedEnv popAudio("POP_AUDIO", nullptr);
    poptest::ScopedEnv sdlDriver("SDL_AUDIODRIVER", nullptr);
    {
        poptest::ScopedEnv headless("POP_HEADLESS", "1");
        EXPECT_EQ(Sexy::CreateMusicInterface(), nullptr);
        EXPECT_EQ(Sexy::CreateSoundManager(), nullptr);
    }
    poptest::ScopedEnv headless("POP_HEADLESS", nullptr);
    EXPECT_EQ(Sexy::CreateMusicInterface(true), nullptr);
    EXPECT_EQ(Sexy::CreateSoundManager(true), nullptr);
    EXPECT_FALSE(Sexy::IsAudioOpen());
}

TEST(AudioModeTest, AudioOffGivesNoInterfacesEvenWindowed)
{
    poptest::ScopedEnv popAudio("POP_AUDIO", "off");
    EXPECT_EQ(Sexy::CreateMusicInterface(false), nullptr);
    EXPECT_EQ(Sexy::CreateSoundManager(false), nullptr);
    EXPECT_FALSE(Sexy::IsAudioOpen());
}

TEST(AudioModeTest, HeadlessWithSdlsDummyDriverHasAudio)
{
    poptest::ScopedEnv popAudio("POP_AUDIO", nullptr);
    poptest::ScopedEnv sdlDriver("SDL_AUDIODRIVER", "dummy");
    poptest::ScopedEnv headless("POP_HEADLESS", "1");
    auto music = Sexy::CreateMusicInterface();
    ASSERT_NE(music, nullptr);
    EXPECT_TRUE(Sexy::IsAudioOpen());
    music.reset();
    EXPECT_FALSE(Sexy::IsAudioOpen());
}

} // namespace
