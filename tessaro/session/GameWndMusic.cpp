#include "tessaro/session/GameWndBase.h"

#include "pop/MusicInterface.h"
#include "tessaro/app/AppInfo.h"
#include "tessaro/app/GameAppBase.h"

namespace Ostra
{

void GameWndBase::UpdateMusic()
{
    GameAppBase* app = m_pGameApp;
    if (!app || !m_pAppInfo || !m_pAppInfo->bMusicOn || app->m_nBackMusicNum <= 0 || !app->mMusicInterface)
        return;
    if (app->mMusicInterface->IsPlaying(app->m_nCurMusic))
        return;
    // The next number, back to the first after the last (and after a music that was not one of the
    // numbered ones).
    int next = app->m_nCurMusic + 1;
    if (next < 0 || next >= app->m_nBackMusicNum)
        next = 0;
    app->PlayMusic(next);
}

} // namespace Ostra
