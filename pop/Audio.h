// Audio: the sound device shared by the music interface (MusicInterface.h) and the sound manager
// (SoundManager.h).
//
// The device is opened by the first interface created and closed when the last one is destroyed.
// Whether an interface can be created at all is decided by the environment:
//
//   POP_AUDIO=off      no audio: the factories return null;
//   POP_AUDIO=dummy    SDL's dummy driver (no sound reaches the speakers, time runs as usual);
//   POP_AUDIO=device   the real device, even when the application is headless;
//   (unset)            windowed: the real device; headless (POP_HEADLESS=1 or the application's
//                      headless flag): no audio, unless SDL_AUDIODRIVER=dummy is set, which then
//                      gives the dummy driver.
//
// Callers see "no audio" as a null interface and do without; opening a real device that does not
// exist ends the same way.
//
// Every audio call may be made from any thread; calls are serialised by one lock. The mixer's own
// thread never takes that lock: it only counts ended plays (AudioFinishedCount).
#pragma once

#include <cstdint>

namespace Sexy
{

enum class AudioMode
{
    Off,    // no audio interfaces
    Device, // the system's sound device, as SDL chooses it (SDL_AUDIODRIVER is honoured)
    Dummy,  // SDL's dummy driver
};

// The decision above, from the given values (null means unset).
AudioMode ChooseAudioMode(bool headless, const char* popAudio, const char* popHeadless, const char* sdlAudioDriver);
// The same, from the process environment.
AudioMode ChooseAudioMode(bool headless);

// True while some audio interface holds the device open.
bool IsAudioOpen();

// The master volume, 0 to 1 (default 1): scales the music and the effects. Kept while no device is
// open and applied when one opens.
void SetMasterVolume(double volume);
double GetMasterVolume();

// Plays that ended in the process so far, whether they ran out, were stopped or were cut off by a
// newer play on their channel. Grows by one per ended play; never goes back.
uint64_t AudioFinishedCount();
// Waits until AudioFinishedCount() exceeds `seen`, at most timeoutMs milliseconds. True when it
// did. For waiting on the end of a play without polling:
//     uint64_t seen = AudioFinishedCount();
//     while (music->IsPlaying(id)) { WaitAudioFinished(seen, 1000); seen = AudioFinishedCount(); }
// (read the count before looking at the state, so that an end in between is not missed).
bool WaitAudioFinished(uint64_t seen, int timeoutMs);

} // namespace Sexy
