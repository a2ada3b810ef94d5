// The application's audio on SDL's dummy driver: the volumes it keeps for the interfaces Init
// creates, samples through the sound manager, and the release at the orderly end.
#include "AudioTestSupport.h"

#include "pop/Audio.h"
#include "pop/MusicInterface.h"
#include "pop/SexyAppBase.h"
#include "pop/SoundManager.h"

#include <gtest/gtest.h>

#include <limits>

namespace
{

using AppAudioTest = poptest::AudioTest;

TEST_F(AppAudioTest, VolumesSamplesAndTheEnd)
{
    Sexy::SexyAppBase app;
    app.mHeadless = true;
    app.SetMusicVolume(0.25); // kept until Init has interfaces to give them to
    app.SetSfxVolume(0.75);
    app.Init();
    ASSERT_NE(app.mMusicInterface, nullptr);
    ASSERT_NE(app.mSoundManager, nullptr);
    EXPECT_DOUBLE_EQ(app.mMusicInterface->GetVolume(), 0.25);
    EXPECT_DOUBLE_EQ(app.mSoundManager->GetVolume(), 0.75);
    for (double given : {1.5, -2.0, std::numeric_limits<double>::quiet_NaN()})
    {
        app.SetMusicVolume(given);
        app.SetSfxVolume(given);
        const double kept = given > 1 ? 1.0 : 0.0;
        EXPECT_DOUBLE_EQ(app.GetMusicVolume(), kept);
        EXPECT_DOUBLE_EQ(app.mMusicInterface->GetVolume(), kept);
        EXPECT_DOUBLE_EQ(app.GetSfxVolume(), kept);
        EXPECT_DOUBLE_EQ(app.mSoundManager->GetVolume(), kept);
    }
    app.SetSfxVolume(1.0);

    EXPECT_FALSE(app.LoadSound(2, File("missing.wav")));
    ASSERT_TRUE(app.LoadSound(2, File("tone.wav")));
    const uint64_t ended = Sexy::AudioFinishedCount();
    app.PlaySample(2); // a real play: it runs to its end on the device
    EXPECT_TRUE(poptest::WaitUntil([&] { return Sexy::AudioFinishedCount() > ended; }));

    app.Shutdown();
    app.Start(); // the loop ends at once; the orderly end follows and closes the device
    EXPECT_EQ(app.mMusicInterface, nullptr);
    EXPECT_EQ(app.mSoundManager, nullptr);
    EXPECT_FALSE(Sexy::IsAudioOpen());
    app.PlaySample(2); // nothing to play on, and nothing fails
}

} // namespace
