// The sound manager: short samples loaded under numeric ids and played as effects, any number of
// plays at once.
//
// Each play takes one of the manager's mixer channels (never a music channel); when all of them
// are busy, the oldest play is cut off for the new one. PlaySample returns a handle for the play
// that stays valid (and reads as not playing) after the play has ended.
//
// What a play is heard at is its own volume times the manager's effects volume times the master
// volume (Audio.h), all 0 to 1; out-of-range values are clamped. A sample is never freed while a
// channel plays it: releasing or replacing it stops its plays first.
//
// The manager is abstract so that applications and tests can stand in their own; the one made by
// CreateSoundManager plays through SDL_mixer. All operations may be called from any thread.
#pragma once

#include <memory>
#include <string>

namespace Sexy
{

class SoundManager
{
public:
    // How many plays of one manager can sound together.
    static constexpr int kMaxPlays = 32;

    virtual ~SoundManager() = default;
    SoundManager(const SoundManager&) = delete;
    SoundManager& operator=(const SoundManager&) = delete;

    // Loads a wav, ogg or mp3 file (a system file name, see platform::ResolvePath) under `id`
    // (0 or more), replacing what the id held. False, with the id left as it was, when the file is
    // missing or not a sound, or the id is negative.
    virtual bool LoadSound(int id, const std::string& path) = 0;
    // Loads a file under the lowest free id and returns that id, or -1.
    virtual int LoadSound(const std::string& path) = 0;
    virtual bool HasSound(int id) const = 0;
    // Stops the sample's plays and frees it. Unknown ids are ignored.
    virtual void ReleaseSound(int id) = 0;
    virtual void ReleaseAllSounds() = 0;

    // Plays a sample once. `volume` 0 to 1; `pan` from -1 (left only) over 0 (both sides) to 1
    // (right only). Returns a handle (1 or more) for the play, or -1 when the id holds no sound.
    virtual int PlaySample(int id, double volume = 1.0, double pan = 0.0) = 0;
    // Whether the play of a handle is still sounding.
    virtual bool IsSamplePlaying(int handle) const = 0;
    virtual void StopSample(int handle) = 0;
    virtual void StopAllSounds() = 0;

    // The effects volume (1 at first); applies at once to the plays that are sounding.
    virtual void SetVolume(double volume) = 0;
    virtual double GetVolume() const = 0;
    // The volume the mixer applies to a play that is still sounding (0 to 1, in steps of 1/128),
    // else -1.
    virtual double GetEffectiveVolume(int handle) const = 0;

protected:
    SoundManager() = default;
};

// The sound manager on the audio device, or null when there is no audio: see Audio.h for how
// `headless` and the environment decide, and for the device that the manager holds open.
std::unique_ptr<SoundManager> CreateSoundManager(bool headless = false);

} // namespace Sexy
