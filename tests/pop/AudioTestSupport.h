// Helpers of the audio tests: sound files written on the spot, environment switches, and waiting
// for plays to end without sleeping.
#pragma once

#include "PixelTestUtil.h"
#include "pop/Audio.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

namespace poptest
{

// Writes a 16-bit PCM wav file holding a sine tone.
inline bool WriteToneWav(const std::string& path, int milliseconds, int rate = 44100, int channels = 2,
                         double frequency = 440.0)
{
    const uint32_t frames = static_cast<uint32_t>(static_cast<int64_t>(rate) * milliseconds / 1000);
    const uint32_t dataBytes = frames * static_cast<uint32_t>(channels) * 2;
    std::vector<uint8_t> out;
    auto put32 = [&](uint32_t v)
    {
        for (int i = 0; i < 4; ++i)
            out.push_back(static_cast<uint8_t>(v >> (8 * i)));
    };
    auto put16 = [&](uint16_t v)
    {
        out.push_back(static_cast<uint8_t>(v));
        out.push_back(static_cast<uint8_t>(v >> 8));
    };
    auto tag = [&](const char* t) { out.insert(out.end(), t, t + 4); };
    tag("RIFF");
    put32(36 + dataBytes);
    tag("WAVE");
    tag("fmt ");
    put32(16);
    put16(1); // PCM
    put16(static_cast<uint16_t>(channels));
    put32(static_cast<uint32_t>(rate));
    put32(static_cast<uint32_t>(rate * channels * 2));
    put16(static_cast<uint16_t>(channels * 2));
    put16(16);
    tag("data");
    put32(dataBytes);
    for (uint32_t i = 0; i < frames; ++i)
    {
        const double t = static_cast<double>(i) / rate;
        const auto sample = static_cast<int16_t>(std::lround(8000.0 * std::sin(2.0 * M_PI * frequency * t)));
        for (int c = 0; c < channels; ++c)
            put16(static_cast<uint16_t>(sample));
    }
    std::ofstream file(path, std::ios::binary);
    file.write(reinterpret_cast<const char*>(out.data()), static_cast<std::streamsize>(out.size()));
    return static_cast<bool>(file);
}

inline bool WriteBytes(const std::string& path, const std::string& bytes)
{
    std::ofstream file(path, std::ios::binary);
    file << bytes;
    return static_cast<bool>(file);
}

// Sets or removes an environment variable for the lifetime of the object.
class ScopedEnv
{
public:
    ScopedEnv(const char* name, const char* value) : mName(name)
    {
        if (const char* old = std::getenv(name))
            mOld = old;
        if (value)
            ::setenv(name, value, 1);
        else
            ::unsetenv(name);
    }
    ~ScopedEnv()
    {
        if (mOld)
            ::setenv(mName.c_str(), mOld->c_str(), 1);
        else
            ::unsetenv(mName.c_str());
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string mName;
    std::optional<std::string> mOld;
};

// Waits until `done()` holds, woken by every play that ends; false when it still does not hold
// after ten seconds. The bound only catches a hang: plays in these tests last well under a second.
template <class Pred> bool WaitUntil(Pred done)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    for (;;)
    {
        const uint64_t seen = Sexy::AudioFinishedCount();
        if (done())
            return true;
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return done();
        Sexy::WaitAudioFinished(seen, static_cast<int>(left.count()));
    }
}

// Sound files made at build time (ogg and mp3 need an encoder); empty when the build made none.
inline std::string BuiltSoundFile(const std::string& name)
{
#ifdef POP_TEST_AUDIO_DIR
    const std::string path = std::string(POP_TEST_AUDIO_DIR) + "/" + name;
    if (std::ifstream(path).good())
        return path;
#endif
    (void)name;
    return {};
}

// Runs a test on SDL's dummy driver, with a folder of tone files:
//   tone.wav   150 ms, 44.1 kHz stereo (the device's own format)
//   mono.wav   150 ms, 22.05 kHz mono (converted on load)
//   long.wav   3 s, for plays that must still sound when the test looks at them
// The master volume is put back to 1 afterwards.
class AudioTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_FALSE(mDir.Path().empty());
        ASSERT_TRUE(WriteToneWav(File("tone.wav"), 150));
        ASSERT_TRUE(WriteToneWav(File("mono.wav"), 150, 22050, 1, 660.0));
        ASSERT_TRUE(WriteToneWav(File("long.wav"), 3000));
    }
    void TearDown() override { Sexy::SetMasterVolume(1.0); }

    const std::string& Dir() const { return mDir.Path(); }
    std::string File(const std::string& name) const { return mDir.Path() + "/" + name; }

private:
    ScopedEnv mDriver{"POP_AUDIO", "dummy"};
    TempDir mDir;
};

} // namespace poptest
