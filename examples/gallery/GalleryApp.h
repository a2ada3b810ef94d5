// The gallery's application: the framework and the shared pictures of the default skin, loaded
// the way a game loads them, and the page. It is no game: it reads no launch data, no settings and
// no lobby files, plays no music and talks to no server.
#pragma once

#include "tessaro/app/GameAppBase.h"

#include <memory>
#include <string>

namespace gallery
{

class GalleryPage;

class GalleryApp : public Ostra::GameAppBase
{
public:
    // moduleDir is the folder the skin is staged in (empty: the program's own, as for a game); it
    // becomes the current directory, since the library names some pictures relative to it.
    explicit GalleryApp(const std::string& moduleDir = {});
    ~GalleryApp() override;

    // The framework, the shared pictures, then the page.
    void Init() override;
    void GameAppReserved() override {}

    // Null before Init.
    GalleryPage* GetPage() { return m_pPage.get(); }

private:
    static StartupOptions Options(const std::string& moduleDir);

    std::unique_ptr<GalleryPage> m_pPage;
};

} // namespace gallery
