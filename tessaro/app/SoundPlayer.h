// The sound player: plays sound files through the framework's music interface, each under a numeric
// id of its own that it keeps for the file's later plays.
//
// A file is loaded once, the first time its name is played, and stays loaded until the program
// ends. Names are the system's file names; one that is not absolute is looked for in the program's
// folder (GameAppBase::m_szModuleDir), but the registry keeps the name as given. Ids below 1000 are
// the callers' (the background music plays under its number); the player gives out ids from 1001.
#pragma once

#include <map>
#include <string>

namespace Ostra
{

class GameAppBase;

class CSoundPlayer
{
public:
    explicit CSoundPlayer(GameAppBase* app);
    virtual ~CSoundPlayer();
    CSoundPlayer(const CSoundPlayer&) = delete;
    CSoundPlayer& operator=(const CSoundPlayer&) = delete;

    // Plays the file once from its start at volume (0 to 1) and returns the id it plays under. A
    // name played before keeps its id (the id given is then ignored); a new name takes the id given,
    // or the next automatic one when that is -1 or 1000 and up. A file that cannot be loaded stays
    // registered under its id and plays silently. -1 without an application or a music interface
    // (nothing is registered then).
    int PlaySoundA(std::string name, double volume, int id);

    GameAppBase* m_pApp = nullptr;
    std::map<std::string, int> m_mapSound;
    // The last id given out automatically.
    int m_nLastId = 1000;
};

} // namespace Ostra
