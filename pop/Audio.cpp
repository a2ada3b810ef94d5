#include "pop/Audio.h"

#include "platform/Path.h"
#include "pop/AudioDevice.h"
#include "pop/Common.h"

#include <SDL.h>
#include <SDL_mixer.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace Sexy
{
namespace
{

// The channel table grows in steps up to a bound; clients hold channels, never share them.
constexpr int kChannelStep = 8;
constexpr int kMaxChannels = 256;

constexpr int kFrequency = 44100;
constexpr int kOutputChannels = 2;
constexpr int kBufferFrames = 1024;

struct DeviceState
{
    std::mutex mutex;
    int clients = 0;
    std::vector<audio::VolumeClient*> volumeClients;
    std::vector<bool> taken; // one entry per mixer channel
    double master = 1.0;
};

DeviceState& State()
{
    static DeviceState state;
    return state;
}

// Ended plays, counted by the mixer's channel-finished hook. Its lock is never held across a mixer
// call, and the hook takes nothing else, so the hook cannot block on framework code.
struct FinishedEvents
{
    std::mutex mutex;
    std::condition_variable changed;
    uint64_t count = 0;
};

FinishedEvents& Events()
{
    static FinishedEvents events;
    return events;
}

// Runs on the mixer thread (or inside a Mix_HaltChannel of ours): count and wake, nothing more.
void OnChannelFinished(int)
{
    FinishedEvents& events = Events();
    {
        std::lock_guard<std::mutex> lock(events.mutex);
        ++events.count;
    }
    events.changed.notify_all();
}

bool Is(const char* value, const char* expected)
{
    return value && std::strcmp(value, expected) == 0;
}

bool OpenDeviceLocked(DeviceState& state, AudioMode mode)
{
    Events(); // made here, not first on the mixer thread

    if (mode == AudioMode::Dummy)
        SDL_SetHint(SDL_HINT_AUDIODRIVER, "dummy");
    const int initResult = SDL_InitSubSystem(SDL_INIT_AUDIO);
    if (mode == AudioMode::Dummy)
        SDL_ResetHint(SDL_HINT_AUDIODRIVER);
    if (initResult != 0)
    {
        OutputDebug("audio: no audio subsystem: %s\n", SDL_GetError());
        return false;
    }
    Mix_Init(MIX_INIT_OGG | MIX_INIT_MP3);
    if (Mix_OpenAudio(kFrequency, MIX_DEFAULT_FORMAT, kOutputChannels, kBufferFrames) != 0)
    {
        OutputDebug("audio: no audio device: %s\n", Mix_GetError());
        Mix_Quit();
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return false;
    }
    Mix_ChannelFinished(&OnChannelFinished);
    const int channels = Mix_AllocateChannels(kChannelStep);
    // Every channel belongs to some client; a stray Mix_PlayChannel(-1, ...) must not take one.
    Mix_ReserveChannels(channels);
    state.taken.assign(static_cast<size_t>(channels), false);
    return true;
}

void CloseDeviceLocked(DeviceState& state)
{
    Mix_ChannelFinished(nullptr);
    Mix_HaltChannel(-1);
    Mix_CloseAudio();
    Mix_Quit();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    state.taken.clear();
}

} // namespace

AudioMode ChooseAudioMode(bool headless, const char* popAudio, const char* popHeadless, const char* sdlAudioDriver)
{
    if (Is(popAudio, "off"))
        return AudioMode::Off;
    if (Is(popAudio, "dummy"))
        return AudioMode::Dummy;
    if (Is(popAudio, "device"))
        return AudioMode::Device;
    const bool headlessByEnvironment = popHeadless && *popHeadless && !Is(popHeadless, "0");
    if (headless || headlessByEnvironment)
        return Is(sdlAudioDriver, "dummy") ? AudioMode::Dummy : AudioMode::Off;
    return AudioMode::Device;
}

AudioMode ChooseAudioMode(bool headless)
{
    return ChooseAudioMode(headless, std::getenv("POP_AUDIO"), std::getenv("POP_HEADLESS"),
                           std::getenv("SDL_AUDIODRIVER"));
}

bool IsAudioOpen()
{
    auto lock = audio::Lock();
    return State().clients > 0;
}

void SetMasterVolume(double volume)
{
    auto lock = audio::Lock();
    DeviceState& state = State();
    state.master = audio::ClampVolume(volume);
    for (audio::VolumeClient* client : state.volumeClients)
        client->ApplyVolumesLocked();
}

double GetMasterVolume()
{
    auto lock = audio::Lock();
    return State().master;
}

uint64_t AudioFinishedCount()
{
    FinishedEvents& events = Events();
    std::lock_guard<std::mutex> lock(events.mutex);
    return events.count;
}

bool WaitAudioFinished(uint64_t seen, int timeoutMs)
{
    FinishedEvents& events = Events();
    std::unique_lock<std::mutex> lock(events.mutex);
    return events.changed.wait_for(lock, std::chrono::milliseconds(std::max(timeoutMs, 0)),
                                   [&] { return events.count > seen; });
}

namespace audio
{

void ChunkDeleter::operator()(Mix_Chunk* chunk) const
{
    Mix_FreeChunk(chunk);
}

std::unique_lock<std::mutex> Lock()
{
    return std::unique_lock<std::mutex>(State().mutex);
}

bool AttachLocked(AudioMode mode, VolumeClient* client)
{
    DeviceState& state = State();
    if (mode == AudioMode::Off)
        return false;
    if (state.clients == 0 && !OpenDeviceLocked(state, mode))
        return false;
    ++state.clients;
    state.volumeClients.push_back(client);
    return true;
}

void DetachLocked(VolumeClient* client)
{
    DeviceState& state = State();
    auto& clients = state.volumeClients;
    clients.erase(std::remove(clients.begin(), clients.end(), client), clients.end());
    if (--state.clients == 0)
        CloseDeviceLocked(state);
}

int AcquireChannelLocked()
{
    DeviceState& state = State();
    const auto free = std::find(state.taken.begin(), state.taken.end(), false);
    if (free != state.taken.end())
    {
        *free = true;
        return static_cast<int>(free - state.taken.begin());
    }
    const int have = static_cast<int>(state.taken.size());
    if (have >= kMaxChannels)
        return -1;
    const int got = Mix_AllocateChannels(std::min(have + kChannelStep, kMaxChannels));
    if (got <= have)
        return -1;
    Mix_ReserveChannels(got);
    state.taken.resize(static_cast<size_t>(got), false);
    state.taken[static_cast<size_t>(have)] = true;
    return have;
}

void ReleaseChannelLocked(int channel)
{
    DeviceState& state = State();
    if (channel < 0 || channel >= static_cast<int>(state.taken.size()))
        return;
    Mix_HaltChannel(channel);
    Mix_UnregisterAllEffects(channel);
    Mix_Volume(channel, MIX_MAX_VOLUME);
    state.taken[static_cast<size_t>(channel)] = false;
}

double MasterVolumeLocked()
{
    return State().master;
}

double ClampVolume(double volume)
{
    if (std::isnan(volume))
        return 0.0;
    return std::clamp(volume, 0.0, 1.0);
}

int MixVolume(double volume)
{
    return static_cast<int>(std::lround(ClampVolume(volume) * MIX_MAX_VOLUME));
}

ChunkPtr LoadChunk(const std::string& path)
{
    const std::string native = platform::ResolvePath(path);
    SDL_RWops* file = SDL_RWFromFile(native.c_str(), "rb");
    if (!file)
    {
        OutputDebug("audio: cannot open %s\n", path.c_str());
        return nullptr;
    }
    ChunkPtr chunk(Mix_LoadWAV_RW(file, 1));
    if (!chunk)
    {
        OutputDebug("audio: %s is not a sound: %s\n", path.c_str(), Mix_GetError());
        return nullptr;
    }
    // A chunk without a single frame would make a looped play spin in the mixer without end.
    int frequency = 0;
    Uint16 format = 0;
    int channels = 0;
    Mix_QuerySpec(&frequency, &format, &channels);
    const Uint32 frameBytes = static_cast<Uint32>(SDL_AUDIO_BITSIZE(format) / 8 * channels);
    if (chunk->alen < frameBytes || frameBytes == 0)
    {
        OutputDebug("audio: %s holds no sound\n", path.c_str());
        return nullptr;
    }
    return chunk;
}

ChunkPtr TailChunk(Mix_Chunk* chunk, int offsetMs)
{
    int frequency = 0;
    Uint16 format = 0;
    int channels = 0;
    if (!chunk || offsetMs < 0 || Mix_QuerySpec(&frequency, &format, &channels) == 0)
        return nullptr;
    const uint64_t frameBytes = static_cast<uint64_t>(SDL_AUDIO_BITSIZE(format) / 8) * static_cast<uint64_t>(channels);
    const uint64_t skip = static_cast<uint64_t>(offsetMs) * static_cast<uint64_t>(frequency) / 1000 * frameBytes;
    if (skip >= chunk->alen)
        return nullptr;
    return ChunkPtr(Mix_QuickLoad_RAW(chunk->abuf + skip, static_cast<Uint32>(chunk->alen - skip)));
}

} // namespace audio
} // namespace Sexy
