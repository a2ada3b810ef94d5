// The music interface: sound files loaded under numeric ids and played by id, several at once.
//
// Each id is decoded whole when it is loaded and plays on a mixer channel of the interface's own,
// so effects of the sound manager never cut music off, and any number of ids can sound together
// (background music and the sound files that applications play through this interface alike).
// Wav, ogg and mp3 files.
//
// Volumes are real numbers from 0 to 1; what an id is heard at is its song volume times the
// interface's overall volume times the master volume (Audio.h). Out-of-range values are clamped.
//
// The interface is abstract so that applications and tests can stand in their own; the one made
// by CreateMusicInterface plays through SDL_mixer. All operations may be called from any thread.
#pragma once

#include <memory>
#include <string>

namespace Sexy
{

class MusicInterface
{
public:
    virtual ~MusicInterface() = default;
    MusicInterface(const MusicInterface&) = delete;
    MusicInterface& operator=(const MusicInterface&) = delete;

    // Loads a file (a system file name, see platform::ResolvePath) under `id`, replacing what the
    // id held (that stops first). False, with the id left as it was, when the file is missing or
    // not a sound.
    virtual bool LoadMusic(int id, const std::string& path) = 0;
    // Stops the id and frees its sound. Unknown ids are ignored.
    virtual void UnloadMusic(int id) = 0;
    virtual void UnloadAllMusic() = 0;

    // Plays the id from `offset` milliseconds into the sound: once when noLoop is true, else over
    // and over (a looped play with an offset repeats from that offset). An id that is already
    // playing starts again. False when the id holds no sound, the offset lies at or beyond its end,
    // or no channel is left.
    virtual bool PlayMusic(int id, int offset = 0, bool noLoop = false) = 0;
    virtual void StopMusic(int id) = 0;
    virtual void StopAllMusic() = 0;
    // A paused id keeps its place and counts as playing.
    virtual void PauseMusic(int id) = 0;
    virtual void ResumeMusic(int id) = 0;
    virtual void PauseAllMusic() = 0;
    virtual void ResumeAllMusic() = 0;
    // True from PlayMusic until the play ends (a once-play at the end of its sound) or is stopped.
    virtual bool IsPlaying(int id) const = 0;

    // The id's own volume (1 after loading); kept for its later plays. Unknown ids are ignored
    // and read as 0.
    virtual void SetSongVolume(int id, double volume) = 0;
    virtual double GetSongVolume(int id) const = 0;
    // The overall music volume (1 at first).
    virtual void SetVolume(double volume) = 0;
    virtual double GetVolume() const = 0;
    // The volume the mixer applies to the id's channel now (0 to 1, in steps of 1/128), or -1 when
    // the id has no channel (it has not played, or its channel went to another id after its play).
    virtual double GetEffectiveVolume(int id) const = 0;

protected:
    MusicInterface() = default;
};

// The music interface on the audio device, or null when there is no audio: see Audio.h for how
// `headless` and the environment decide, and for the device that the interface holds open.
std::unique_ptr<MusicInterface> CreateMusicInterface(bool headless = false);

} // namespace Sexy
