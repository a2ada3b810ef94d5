#include "pop/MusicInterface.h"

#include "pop/AudioDevice.h"
#include "pop/Common.h"

#include <SDL_mixer.h>

#include <map>
#include <vector>

namespace Sexy
{
namespace
{

class MixerMusicInterface final : public MusicInterface, private audio::VolumeClient
{
public:
    MixerMusicInterface() = default;
    ~MixerMusicInterface() override;

    bool Attach(AudioMode mode);

    bool LoadMusic(int id, const std::string& path) override;
    void UnloadMusic(int id) override;
    void UnloadAllMusic() override;
    bool PlayMusic(int id, int offset, bool noLoop) override;
    void StopMusic(int id) override;
    void StopAllMusic() override;
    void PauseMusic(int id) override;
    void ResumeMusic(int id) override;
    void PauseAllMusic() override;
    void ResumeAllMusic() override;
    bool IsPlaying(int id) const override;
    void SetSongVolume(int id, double volume) override;
    double GetSongVolume(int id) const override;
    void SetVolume(double volume) override;
    double GetVolume() const override;
    double GetEffectiveVolume(int id) const override;

private:
    // `channel` is the mixer channel the id last played on, while the id still holds it:
    // song.channel == c exactly when mOwner[c] is the id. `tail` is the part played from an
    // offset; it shares the samples of `chunk` and is freed first (members go in reverse order).
    struct Song
    {
        audio::ChunkPtr chunk;
        audio::ChunkPtr tail;
        double volume = 1.0;
        int channel = -1;
    };

    void ApplyVolumesLocked() override;
    void ApplyVolumeLocked(const Song& song) const;
    Song* FindLocked(int id);
    const Song* FindLocked(int id) const;
    // A channel for the id: one of ours that has gone quiet (taken from the id that played on it
    // last), else a new one from the device. -1 when the device has none left.
    int TakeChannelLocked(int id, Song& song);
    void ForgetLocked(std::map<int, Song>::iterator song);

    bool mAttached = false;
    std::map<int, Song> mSongs;
    std::vector<int> mChannels;
    std::map<int, int> mOwner; // channel -> id
    double mVolume = 1.0;
};

MixerMusicInterface::~MixerMusicInterface()
{
    if (!mAttached)
        return;
    auto lock = audio::Lock();
    for (int channel : mChannels)
        Mix_HaltChannel(channel);
    mSongs.clear();
    for (int channel : mChannels)
        audio::ReleaseChannelLocked(channel);
    audio::DetachLocked(this);
}

bool MixerMusicInterface::Attach(AudioMode mode)
{
    auto lock = audio::Lock();
    mAttached = audio::AttachLocked(mode, this);
    return mAttached;
}

bool MixerMusicInterface::LoadMusic(int id, const std::string& path)
{
    // Decoding can take a while for a long song; it needs the open device but not the lock.
    audio::ChunkPtr chunk = audio::LoadChunk(path);
    if (!chunk)
        return false;
    auto lock = audio::Lock();
    Song& song = mSongs[id];
    if (song.channel >= 0)
        Mix_HaltChannel(song.channel);
    song.tail.reset();
    song.chunk = std::move(chunk);
    song.volume = 1.0;
    return true;
}

void MixerMusicInterface::UnloadMusic(int id)
{
    auto lock = audio::Lock();
    auto song = mSongs.find(id);
    if (song != mSongs.end())
        ForgetLocked(song);
}

void MixerMusicInterface::UnloadAllMusic()
{
    auto lock = audio::Lock();
    while (!mSongs.empty())
        ForgetLocked(mSongs.begin());
}

bool MixerMusicInterface::PlayMusic(int id, int offset, bool noLoop)
{
    auto lock = audio::Lock();
    Song* song = FindLocked(id);
    if (!song || !song->chunk)
        return false;
    const int channel = song->channel >= 0 ? song->channel : TakeChannelLocked(id, *song);
    if (channel < 0)
        return false;
    // The halt ends any play of the old tail before it is freed.
    Mix_HaltChannel(channel);
    song->tail.reset();
    Mix_Chunk* sound = song->chunk.get();
    if (offset > 0)
    {
        song->tail = audio::TailChunk(sound, offset);
        if (!song->tail)
            return false;
        sound = song->tail.get();
    }
    ApplyVolumeLocked(*song);
    if (Mix_PlayChannel(channel, sound, noLoop ? 0 : -1) < 0)
    {
        OutputDebug("audio: music %d does not play: %s\n", id, Mix_GetError());
        return false;
    }
    return true;
}

void MixerMusicInterface::StopMusic(int id)
{
    auto lock = audio::Lock();
    if (const Song* song = FindLocked(id); song && song->channel >= 0)
        Mix_HaltChannel(song->channel);
}

void MixerMusicInterface::StopAllMusic()
{
    auto lock = audio::Lock();
    for (int channel : mChannels)
        Mix_HaltChannel(channel);
}

void MixerMusicInterface::PauseMusic(int id)
{
    auto lock = audio::Lock();
    if (const Song* song = FindLocked(id); song && song->channel >= 0)
        Mix_Pause(song->channel);
}

void MixerMusicInterface::ResumeMusic(int id)
{
    auto lock = audio::Lock();
    if (const Song* song = FindLocked(id); song && song->channel >= 0)
        Mix_Resume(song->channel);
}

void MixerMusicInterface::PauseAllMusic()
{
    auto lock = audio::Lock();
    for (int channel : mChannels)
        Mix_Pause(channel);
}

void MixerMusicInterface::ResumeAllMusic()
{
    auto lock = audio::Lock();
    for (int channel : mChannels)
        Mix_Resume(channel);
}

bool MixerMusicInterface::IsPlaying(int id) const
{
    auto lock = audio::Lock();
    const Song* song = FindLocked(id);
    return song && song->channel >= 0 && Mix_Playing(song->channel) != 0;
}

void MixerMusicInterface::SetSongVolume(int id, double volume)
{
    auto lock = audio::Lock();
    if (Song* song = FindLocked(id))
    {
        song->volume = audio::ClampVolume(volume);
        ApplyVolumeLocked(*song);
    }
}

double MixerMusicInterface::GetSongVolume(int id) const
{
    auto lock = audio::Lock();
    const Song* song = FindLocked(id);
    return song ? song->volume : 0.0;
}

void MixerMusicInterface::SetVolume(double volume)
{
    auto lock = audio::Lock();
    mVolume = audio::ClampVolume(volume);
    ApplyVolumesLocked();
}

double MixerMusicInterface::GetVolume() const
{
    auto lock = audio::Lock();
    return mVolume;
}

double MixerMusicInterface::GetEffectiveVolume(int id) const
{
    auto lock = audio::Lock();
    const Song* song = FindLocked(id);
    if (!song || song->channel < 0)
        return -1.0;
    return static_cast<double>(Mix_Volume(song->channel, -1)) / MIX_MAX_VOLUME;
}

void MixerMusicInterface::ApplyVolumesLocked()
{
    for (const auto& [id, song] : mSongs)
        ApplyVolumeLocked(song);
}

void MixerMusicInterface::ApplyVolumeLocked(const Song& song) const
{
    if (song.channel >= 0)
        Mix_Volume(song.channel, audio::MixVolume(song.volume * mVolume * audio::MasterVolumeLocked()));
}

MixerMusicInterface::Song* MixerMusicInterface::FindLocked(int id)
{
    auto song = mSongs.find(id);
    return song == mSongs.end() ? nullptr : &song->second;
}

const MixerMusicInterface::Song* MixerMusicInterface::FindLocked(int id) const
{
    auto song = mSongs.find(id);
    return song == mSongs.end() ? nullptr : &song->second;
}

int MixerMusicInterface::TakeChannelLocked(int id, Song& song)
{
    int channel = -1;
    for (int candidate : mChannels)
    {
        if (Mix_Playing(candidate) == 0)
        {
            channel = candidate;
            break;
        }
    }
    if (channel < 0)
    {
        channel = audio::AcquireChannelLocked();
        if (channel < 0)
        {
            OutputDebug("audio: no channel left for music %d\n", id);
            return -1;
        }
        mChannels.push_back(channel);
    }
    if (auto owner = mOwner.find(channel); owner != mOwner.end())
    {
        if (Song* previous = FindLocked(owner->second))
            previous->channel = -1;
    }
    mOwner[channel] = id;
    song.channel = channel;
    return channel;
}

void MixerMusicInterface::ForgetLocked(std::map<int, Song>::iterator song)
{
    if (song->second.channel >= 0)
    {
        Mix_HaltChannel(song->second.channel);
        mOwner.erase(song->second.channel);
    }
    mSongs.erase(song);
}

} // namespace

std::unique_ptr<MusicInterface> CreateMusicInterface(bool headless)
{
    auto music = std::make_unique<MixerMusicInterface>();
    if (!music->Attach(ChooseAudioMode(headless)))
        return nullptr;
    return music;
}

} // namespace Sexy
