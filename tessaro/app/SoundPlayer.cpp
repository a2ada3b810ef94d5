#include "tessaro/app/SoundPlayer.h"

#include "pop/MusicInterface.h"
#include "tessaro/app/GameAppBase.h"

namespace Ostra
{

namespace
{

// The first id that belongs to the player rather than to its callers.
constexpr int kFirstOwnId = 1000;

bool IsAbsolute(const std::string& name)
{
    return !name.empty() && (name[0] == '/' || name[0] == '\\');
}

} // namespace

CSoundPlayer::CSoundPlayer(GameAppBase* app) : m_pApp(app) {}

CSoundPlayer::~CSoundPlayer() = default;

int CSoundPlayer::PlaySoundA(std::string name, double volume, int id)
{
    Sexy::MusicInterface* music = m_pApp ? m_pApp->mMusicInterface.get() : nullptr;
    if (!music)
        return -1;
    auto known = m_mapSound.find(name);
    if (known != m_mapSound.end())
    {
        id = known->second;
    }
    else
    {
        if (id == -1 || id >= kFirstOwnId)
            id = ++m_nLastId;
        m_mapSound.emplace(name, id);
        const std::string path = IsAbsolute(name) ? name : std::string(m_pApp->m_szModuleDir) + name;
        // A failed load leaves the id empty: its plays stay silent, and the file is not tried again.
        music->LoadMusic(id, path);
    }
    music->PlayMusic(id, 0, true);
    music->SetSongVolume(id, volume);
    return id;
}

} // namespace Ostra
