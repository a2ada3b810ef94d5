// The default skin's sounds as a game finds them in its folder (the minimal game's stage): each
// loads into pop's music interface under its system name and decodes to something audible of a
// fitting length; every quick-chat phrase has two voices. Then the sound script's reading of
// phrase lists, which decides what files the build makes and where.
#ifdef SKIN_TEST_STAGE_DIR

#include "tests/pop/AudioTestSupport.h"

#include "platform/Path.h"
#include "pop/MusicInterface.h"

#include <SDL_mixer.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <set>
#include <string>
#include <sys/wait.h>

namespace
{

const std::string kStage = SKIN_TEST_STAGE_DIR;

struct Level
{
    double seconds = 0, peak = 0, rms = 0;
    double quietestSecond = 1e9; // the lowest RMS of the whole seconds
};

// Decodes a file the way pop loads a sound (SDL_mixer, into the open device's 16-bit format) and
// measures it, full scale being 1.
Level Measure(const std::string& path)
{
    Level level;
    int rate = 0, channels = 0;
    Uint16 format = 0;
    Mix_Chunk* chunk = Mix_LoadWAV(platform::ResolvePath(path).c_str());
    if (!chunk || !Mix_QuerySpec(&rate, &format, &channels) || format != AUDIO_S16SYS)
    {
        ADD_FAILURE() << path << ": not decoded to 16-bit samples";
        Mix_FreeChunk(chunk);
        return level;
    }
    const auto* samples = reinterpret_cast<const int16_t*>(chunk->abuf);
    const size_t count = chunk->alen / 2, perSecond = static_cast<size_t>(rate * channels);
    double sum = 0, second = 0;
    for (size_t i = 0; i < count; ++i)
    {
        const double v = samples[i] / 32768.0;
        level.peak = std::max(level.peak, std::fabs(v));
        sum += v * v;
        second += v * v;
        if ((i + 1) % perSecond == 0)
        {
            level.quietestSecond = std::min(level.quietestSecond, std::sqrt(second / perSecond));
            second = 0;
        }
    }
    level.seconds = static_cast<double>(count) / perSecond;
    level.rms = count ? std::sqrt(sum / count) : 0;
    Mix_FreeChunk(chunk);
    return level;
}

class SkinSounds : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_NE(music, nullptr); }

    // The sound under the name a game gives it: there, loadable, clearly audible, of its length.
    Level ExpectSound(const std::string& systemName, double minSeconds, double maxSeconds)
    {
        SCOPED_TRACE(systemName);
        const std::string path = kStage + "/" + systemName;
        EXPECT_TRUE(music->LoadMusic(++lastId, path));
        const Level level = Measure(path);
        EXPECT_GE(level.seconds, minSeconds);
        EXPECT_LE(level.seconds, maxSeconds);
        EXPECT_GE(level.peak, 0.25);
        EXPECT_GE(level.rms, 0.02);
        EXPECT_LE(level.peak, 0.95) << "clipped";
        return level;
    }

    poptest::ScopedEnv driver{"POP_AUDIO", "dummy"};
    std::unique_ptr<Sexy::MusicInterface> music = Sexy::CreateMusicInterface();
    int lastId = 0;
};

TEST_F(SkinSounds, EveryNamedSoundIsStagedAudibleAndOfItsLength)
{
    const struct
    {
        const char* name;
        double minSeconds, maxSeconds;
    } sounds[] = {
        {"sound\\btn.ogg", 0.02, 0.3},
        {"sound\\screenshot.ogg", 0.05, 0.6},
        {"wav\\call.wav", 0.5, 3},
        {"wav\\enter.ogg", 0.15, 1.5},
        {"wav\\good.ogg", 0.5, 3},
        {"wav\\00.mp3", 6, 12},
        {"wav\\01.mp3", 6, 12},
        {"wav\\02.mp3", 6, 12},
        // The demo game's effects.
        {"sound\\landlord\\deal.ogg", 0.04, 0.1},
        {"sound\\landlord\\play.ogg", 0.1, 0.25},
        {"sound\\landlord\\bomb.ogg", 0.8, 1.3},
        {"sound\\landlord\\rocket.ogg", 1.1, 1.6},
        {"sound\\landlord\\plane.ogg", 0.8, 1.3},
        {"sound\\landlord\\alarm.ogg", 0.3, 0.5},
        {"sound\\landlord\\win.ogg", 1, 1.5},
        {"sound\\landlord\\lose.ogg", 1, 1.5},
        {"sound\\landlord\\spring.ogg", 1, 1.5},
    };
    for (const auto& sound : sounds)
    {
        const Level level = ExpectSound(sound.name, sound.minSeconds, sound.maxSeconds);
        // Background music holds no silent second.
        if (sound.minSeconds >= 6)
        {
            EXPECT_GE(level.quietestSecond, 0.02) << sound.name;
        }
    }
    // The rotation counts the pieces up to the first gap: exactly these three.
    EXPECT_FALSE(std::ifstream(kStage + "/wav/03.mp3").good());
}

std::string Trim(const std::string& s)
{
    const size_t first = s.find_first_not_of(" \t\r");
    return first == std::string::npos ? "" : s.substr(first, s.find_last_not_of(" \t\r") - first + 1);
}

TEST_F(SkinSounds, EveryQuickChatPhraseHasAMaleAndAFemaleVoice)
{
    std::ifstream list(SKIN_TEST_QUICKCHAT);
    ASSERT_TRUE(list.good());
    int phrases = 0;
    for (std::string line; std::getline(list, line);)
    {
        line = Trim(line);
        const size_t bar = line.find('|'), bar2 = line.find('|', bar + 1);
        if (line.empty() || line[0] == '#' || bar2 == std::string::npos)
            continue;
        ++phrases;
        std::string voices[2];
        for (int i = 0; i < 2; ++i)
        {
            const std::string name =
                Trim(line.substr(0, bar)) + "\\" + (i ? "w_" : "m_") + Trim(line.substr(bar + 1, bar2 - bar - 1));
            ExpectSound(name, 0.5, 15);
            std::ifstream in(platform::ResolvePath(kStage + "/" + name), std::ios::binary);
            voices[i].assign(std::istreambuf_iterator<char>(in), {});
        }
        EXPECT_TRUE(voices[0] != voices[1]) << line << ": one voice for both speakers";
    }
    EXPECT_GT(phrases, 0);
}

// The demo game's calls: each in both voices, and no two files alike (a call that spoke another's
// words, or one voice for both, would be).
TEST_F(SkinSounds, EveryLandlordCallHasTwoVoicesOfItsOwn)
{
    std::set<std::string> distinct;
    int files = 0;
    for (const char* call : {"bid0", "bid1", "bid2", "bid3", "pass", "landlord"})
    {
        for (const char* sex : {"m_", "w_"})
        {
            const std::string name = std::string("sound\\landlord\\") + sex + call + ".ogg";
            ExpectSound(name, 0.2, 2);
            std::ifstream in(platform::ResolvePath(kStage + "/" + name), std::ios::binary);
            distinct.insert(std::string(std::istreambuf_iterator<char>(in), {}));
            ++files;
        }
    }
    EXPECT_EQ(distinct.size(), static_cast<size_t>(files));
}

// Runs the sound script with `args`: its exit status, and what it printed in `out`.
int RunScript(const std::string& args, std::string* out = nullptr)
{
    FILE* pipe = ::popen(
        (std::string(SKIN_TEST_BASH) + " " + SKIN_TEST_SOUNDS_SCRIPT + " " + args + " 2>/dev/null").c_str(), "r");
    if (!pipe)
        return -1;
    char buffer[256];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        if (out)
            out->append(buffer, n);
    const int status = ::pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// What the build makes from a phrase list: every voice file stays inside the game's folder, and a
// line the script cannot place stops the build instead of being skipped.
TEST(SkinSoundScript, ReadsPhraseListsAndRefusesBadLines)
{
    poptest::TempDir dir;
    const std::string list = dir.Path() + "/phrases.txt";
    const struct
    {
        const char* text;
        const char* voices; // null: refused
    } cases[] = {
        {"# comment\r\n\r\n  sound\\chat | a.ogg | hello\r\n", "game/sound/chat/m_a.ogg\ngame/sound/chat/w_a.ogg\n"},
        {"x\\y|b.wav|one | two\n\t\nz | c.mp3 | three",
         "game/x/y/m_b.wav\ngame/x/y/w_b.wav\ngame/z/m_c.mp3\ngame/z/w_c.mp3\n"},
        {"..\\up | a.ogg | out of the game", nullptr},
        {"sound\\..\\.. | a.ogg | out of the game", nullptr},
        {"\\root | a.ogg | absolute", nullptr},
        {"sound | sub\\a.ogg | a folder in the name", nullptr},
        {"sound | a.txt | not a sound", nullptr},
        {"sound |  | no file", nullptr},
        {"sound | a.ogg | one\nsound | a.ogg | the same file again", nullptr},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.text);
        ASSERT_TRUE(poptest::WriteBytes(list, c.text));
        std::string voices;
        const int status = RunScript("--voices " + list, &voices);
        EXPECT_EQ(status == 0, c.voices != nullptr);
        EXPECT_EQ(voices, c.voices ? c.voices : "");
    }

    // A declared list that misses a file fails before anything is made.
    ASSERT_TRUE(poptest::WriteBytes(list, "sound | a.ogg | hello\n"));
    EXPECT_NE(RunScript(dir.Path() + "/skin " + list + " game/sound/btn.ogg"), 0);
    EXPECT_FALSE(std::filesystem::exists(dir.Path() + "/skin"));
}

} // namespace

#endif
