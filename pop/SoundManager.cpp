#include "pop/SoundManager.h"

#include "pop/AudioDevice.h"
#include "pop/Common.h"

#include <SDL_mixer.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <map>
#include <vector>

namespace Sexy
{
namespace
{

class MixerSoundManager final : public SoundManager, private audio::VolumeClient
{
public:
    MixerSoundManager() = default;
    ~MixerSoundManager() override;

    bool Attach(AudioMode mode);

    bool LoadSound(int id, const std::string& path) override;
    int LoadSound(const std::string& path) override;
    bool HasSound(int id) const override;
    void ReleaseSound(int id) override;
    void ReleaseAllSounds() override;
    int PlaySample(int id, double volume, double pan) override;
    bool IsSamplePlaying(int handle) const override;
    void StopSample(int handle) override;
    void StopAllSounds() override;
    void SetVolume(double volume) override;
    double GetVolume() const override;
    double GetEffectiveVolume(int handle) const override;

private:
    // One of the manager's channels and the play it last started.
    struct Slot
    {
        int channel = -1;
        int handle = 0;
        int soundId = -1;
        double volume = 1.0;
        uint64_t started = 0; // order of the plays, for cutting off the oldest
    };

    void ApplyVolumesLocked() override;
    void ApplyVolumeLocked(const Slot& slot) const;
    // A slot whose channel is quiet, a new one while the manager may grow, else the oldest play's.
    Slot* SlotForPlayLocked();
    const Slot* FindPlayLocked(int handle) const;
    // Halts every play of the sample, so that its chunk can be freed.
    void HaltSampleLocked(int id);

    bool mAttached = false;
    std::map<int, audio::ChunkPtr> mSounds;
    std::vector<Slot> mSlots;
    int mLastHandle = 0;
    uint64_t mPlays = 0;
    double mVolume = 1.0;
};

MixerSoundManager::~MixerSoundManager()
{
    if (!mAttached)
        return;
    auto lock = audio::Lock();
    for (const Slot& slot : mSlots)
        Mix_HaltChannel(slot.channel);
    mSounds.clear();
    for (const Slot& slot : mSlots)
        audio::ReleaseChannelLocked(slot.channel);
    audio::DetachLocked(this);
}

bool MixerSoundManager::Attach(AudioMode mode)
{
    auto lock = audio::Lock();
    mAttached = audio::AttachLocked(mode, this);
    return mAttached;
}

bool MixerSoundManager::LoadSound(int id, const std::string& path)
{
    if (id < 0)
        return false;
    audio::ChunkPtr chunk = audio::LoadChunk(path);
    if (!chunk)
        return false;
    auto lock = audio::Lock();
    HaltSampleLocked(id);
    mSounds[id] = std::move(chunk);
    return true;
}

int MixerSoundManager::LoadSound(const std::string& path)
{
    audio::ChunkPtr chunk = audio::LoadChunk(path);
    if (!chunk)
        return -1;
    auto lock = audio::Lock();
    int id = 0;
    for (const auto& entry : mSounds)
    {
        if (entry.first != id)
            break;
        ++id;
    }
    mSounds[id] = std::move(chunk);
    return id;
}

bool MixerSoundManager::HasSound(int id) const
{
    auto lock = audio::Lock();
    return mSounds.count(id) != 0;
}

void MixerSoundManager::ReleaseSound(int id)
{
    auto lock = audio::Lock();
    HaltSampleLocked(id);
    mSounds.erase(id);
}

void MixerSoundManager::ReleaseAllSounds()
{
    auto lock = audio::Lock();
    for (Slot& slot : mSlots)
    {
        Mix_HaltChannel(slot.channel);
        slot.soundId = -1;
    }
    mSounds.clear();
}

int MixerSoundManager::PlaySample(int id, double volume, double pan)
{
    auto lock = audio::Lock();
    auto sound = mSounds.find(id);
    if (sound == mSounds.end())
        return -1;
    Slot* slot = SlotForPlayLocked();
    if (!slot)
        return -1;
    // Halting first also drops the channel's old panning, which the mixer removes when a play ends.
    Mix_HaltChannel(slot->channel);
    const double side = std::isnan(pan) ? 0.0 : std::clamp(pan, -1.0, 1.0);
    const auto left = static_cast<Uint8>(std::lround(255.0 * std::min(1.0, 1.0 - side)));
    const auto right = static_cast<Uint8>(std::lround(255.0 * std::min(1.0, 1.0 + side)));
    Mix_SetPanning(slot->channel, left, right); // 255/255 takes the panning off
    slot->soundId = id;
    slot->volume = audio::ClampVolume(volume);
    slot->handle = mLastHandle = mLastHandle == INT_MAX ? 1 : mLastHandle + 1;
    slot->started = ++mPlays;
    ApplyVolumeLocked(*slot);
    if (Mix_PlayChannel(slot->channel, sound->second.get(), 0) < 0)
    {
        OutputDebug("audio: sample %d does not play: %s\n", id, Mix_GetError());
        slot->soundId = -1;
        slot->handle = 0;
        return -1;
    }
    return slot->handle;
}

bool MixerSoundManager::IsSamplePlaying(int handle) const
{
    auto lock = audio::Lock();
    const Slot* slot = FindPlayLocked(handle);
    return slot && Mix_Playing(slot->channel) != 0;
}

void MixerSoundManager::StopSample(int handle)
{
    auto lock = audio::Lock();
    if (const Slot* slot = FindPlayLocked(handle))
        Mix_HaltChannel(slot->channel);
}

void MixerSoundManager::StopAllSounds()
{
    auto lock = audio::Lock();
    for (const Slot& slot : mSlots)
        Mix_HaltChannel(slot.channel);
}

void MixerSoundManager::SetVolume(double volume)
{
    auto lock = audio::Lock();
    mVolume = audio::ClampVolume(volume);
    ApplyVolumesLocked();
}

double MixerSoundManager::GetVolume() const
{
    auto lock = audio::Lock();
    return mVolume;
}

double MixerSoundManager::GetEffectiveVolume(int handle) const
{
    auto lock = audio::Lock();
    const Slot* slot = FindPlayLocked(handle);
    if (!slot || Mix_Playing(slot->channel) == 0)
        return -1.0;
    return static_cast<double>(Mix_Volume(slot->channel, -1)) / MIX_MAX_VOLUME;
}

void MixerSoundManager::ApplyVolumesLocked()
{
    for (const Slot& slot : mSlots)
        ApplyVolumeLocked(slot);
}

void MixerSoundManager::ApplyVolumeLocked(const Slot& slot) const
{
    Mix_Volume(slot.channel, audio::MixVolume(slot.volume * mVolume * audio::MasterVolumeLocked()));
}

MixerSoundManager::Slot* MixerSoundManager::SlotForPlayLocked()
{
    for (Slot& slot : mSlots)
    {
        if (Mix_Playing(slot.channel) == 0)
            return &slot;
    }
    if (static_cast<int>(mSlots.size()) < kMaxPlays)
    {
        const int channel = audio::AcquireChannelLocked();
        if (channel >= 0)
        {
            mSlots.push_back(Slot{channel});
            return &mSlots.back();
        }
    }
    if (mSlots.empty())
        return nullptr;
    return &*std::min_element(mSlots.begin(), mSlots.end(),
                              [](const Slot& a, const Slot& b) { return a.started < b.started; });
}

const MixerSoundManager::Slot* MixerSoundManager::FindPlayLocked(int handle) const
{
    if (handle <= 0)
        return nullptr;
    for (const Slot& slot : mSlots)
    {
        if (slot.handle == handle)
            return &slot;
    }
    return nullptr;
}

void MixerSoundManager::HaltSampleLocked(int id)
{
    for (Slot& slot : mSlots)
    {
        if (slot.soundId == id)
        {
            Mix_HaltChannel(slot.channel);
            slot.soundId = -1;
        }
    }
}

} // namespace

std::unique_ptr<SoundManager> CreateSoundManager(bool headless)
{
    auto sounds = std::make_unique<MixerSoundManager>();
    if (!sounds->Attach(ChooseAudioMode(headless)))
        return nullptr;
    return sounds;
}

} // namespace Sexy
