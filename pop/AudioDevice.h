// The framework's own side of the audio device, shared by MusicInterface.cpp and SoundManager.cpp.
// Not for applications: they use Audio.h, MusicInterface.h and SoundManager.h.
//
// One process-wide lock (Lock()) guards the device, its channel table and the state of every audio
// interface; every SDL_mixer call of the framework is made with it held. The mixer thread never
// takes it (its channel-finished hook only counts), so holding it across mixer calls, which take
// the mixer's own lock, cannot deadlock.
#pragma once

#include "pop/Audio.h"

#include <memory>
#include <mutex>
#include <string>

struct Mix_Chunk;

namespace Sexy::audio
{

struct ChunkDeleter
{
    void operator()(Mix_Chunk* chunk) const;
};
// A decoded sound. Free it only while no channel plays it: halt those channels first.
using ChunkPtr = std::unique_ptr<Mix_Chunk, ChunkDeleter>;

std::unique_lock<std::mutex> Lock();

// Something whose channel volumes follow the master volume.
class VolumeClient
{
public:
    // Re-applies every volume of the client's channels. Called with the lock held.
    virtual void ApplyVolumesLocked() = 0;

protected:
    ~VolumeClient() = default;
};

// Opens the device for a client (or counts one more client of the open device) and registers the
// client for master volume changes. False when the mode is Off or the device cannot be opened.
bool AttachLocked(AudioMode mode, VolumeClient* client);
// Unregisters the client; the last one closes the device. The client must have halted and given
// back its channels and freed its chunks first.
void DetachLocked(VolumeClient* client);

// A mixer channel for the caller's sole use, or -1 when the channel table is full. Channels are
// never shared between clients, so effects cannot take over a music channel.
int AcquireChannelLocked();
// Halts the channel, resets its volume and effects, and makes it free for others.
void ReleaseChannelLocked(int channel);

double MasterVolumeLocked();

// The mixer's volume (0 to 128) for a product of volumes 0 to 1.
int MixVolume(double volume);
// A volume made safe: NaN becomes 0, the rest is clamped to 0..1.
double ClampVolume(double volume);

// Decodes a wav, ogg or mp3 file (a system file name, see platform::ResolvePath) into the device's
// format. Needs an open device; does not need the lock. Null (with a debug line) when the file is
// missing or not a sound.
ChunkPtr LoadChunk(const std::string& path);

// The chunk's sound from `offsetMs` milliseconds on, sharing the chunk's samples (so it must be
// freed before the chunk), or null when the offset lies at or beyond the end.
ChunkPtr TailChunk(Mix_Chunk* chunk, int offsetMs);

} // namespace Sexy::audio
