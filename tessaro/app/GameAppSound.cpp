#include "tessaro/app/GameAppBase.h"

#include "pop/Common.h"
#include "pop/MusicInterface.h"
#include "pop/SoundManager.h"
#include "tessaro/app/AppInfo.h"
#include "tessaro/app/SoundPlayer.h"

#include <string>
#include <utility>

namespace Ostra
{

namespace
{

// Music numbers stay below the sound player's own ids, which start above this.
constexpr int kMaxBackMusic = 1000;

std::string BackMusicName(int number)
{
    return Sexy::StrFormat("wav\\0%d.mp3", number);
}

double Volume(std::int32_t settingsVolume)
{
    return settingsVolume / 1000.0;
}

} // namespace

int GameAppBase::GetBackMusicNum()
{
    int count = 0;
    while (count < kMaxBackMusic && FileExists(std::string(m_szModuleDir) + BackMusicName(count)))
        ++count;
    return count;
}

void GameAppBase::PlayMusic(int number)
{
    if (number < 0 || number >= m_nBackMusicNum)
        return;
    if (!mMusicInterface || !g_AppInfo.bMusicOn || m_bHidden)
        return;
    PlayMusic(BackMusicName(number), number);
}

void GameAppBase::PlayMusic(std::string name, int id)
{
    if (!mMusicInterface || !g_AppInfo.bMusicOn || m_bHidden)
        return;
    if (m_nCurMusic != -1 && m_nCurMusic != id)
        mMusicInterface->StopMusic(m_nCurMusic);
    // The current music is the id the file really plays under, which differs from the one asked for
    // when the name was played before or the id is one of the player's own: tracking that id keeps
    // the music stoppable and keeps the rotation from starting a second music over it.
    m_nCurMusic = m_pSoundPlayer->PlaySoundA(std::move(name), Volume(g_AppInfo.iMusicVolume), id);
}

void GameAppBase::PlaySoundA(int sample)
{
    if (!g_AppInfo.bSoundOn || m_bHidden)
        return;
    SetSfxVolume(Volume(g_AppInfo.iSoundVolume));
    PlaySample(sample);
}

void GameAppBase::PlaySpeech(int sample)
{
    if (!g_AppInfo.bSpeechOn || m_bHidden)
        return;
    SetSfxVolume(Volume(g_AppInfo.iSpeechVolume));
    PlaySample(sample);
}

int GameAppBase::PlaySoundA(std::string name)
{
    if (!g_AppInfo.bSoundOn || m_bHidden || !mMusicInterface)
        return -1;
    return m_pSoundPlayer->PlaySoundA(std::move(name), Volume(g_AppInfo.iSoundVolume), -1);
}

void GameAppBase::PlaySpeech(std::string name)
{
    if (!g_AppInfo.bSpeechOn || m_bHidden || !mMusicInterface)
        return;
    m_pSoundPlayer->PlaySoundA(std::move(name), Volume(g_AppInfo.iSpeechVolume), -1);
}

void GameAppBase::SetMusicVolume(double)
{
    if (mMusicInterface)
        mMusicInterface->SetVolume(GetMusicVolume());
}

void GameAppBase::SetSfxVolume(double)
{
    if (mSoundManager)
        mSoundManager->SetVolume(GetSfxVolume());
}

} // namespace Ostra
