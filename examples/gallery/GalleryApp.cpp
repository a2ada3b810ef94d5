#include "examples/gallery/GalleryApp.h"

#include "examples/gallery/GalleryPage.h"
#include "pop/WidgetManager.h"

namespace gallery
{

GalleryApp::GalleryApp(const std::string& moduleDir) : GameAppBase(Options(moduleDir))
{
    mWidth = kScreenWidth;
    mHeight = kScreenHeight;
    mTitle = L"tessaro 皮肤控件一览 Gallery";
    // Several galleries may run side by side (a window and a headless check, say).
    mOnlyAllowOneCopyToRun = false;
}

Ostra::GameAppBase::StartupOptions GalleryApp::Options(const std::string& moduleDir)
{
    StartupOptions options;
    options.strModuleDir = moduleDir;
    // The library names some pictures relative to the current directory, as games run in their
    // folder.
    options.bChangeDirectory = true;
    // No user.log of the game's beside the staged pictures.
    options.bConfigureLog = false;
    return options;
}

GalleryApp::~GalleryApp()
{
    if (m_pPage && mWidgetManager)
        mWidgetManager->RemoveWidget(m_pPage.get());
    // The page's pieces draw the shared pictures, which the base class releases.
    m_pPage.reset();
}

void GalleryApp::Init()
{
    // Not GameAppBase::Init: that one reads the settings and the lobby's files and starts the
    // background music, none of which the gallery has.
    Sexy::SexyAppBase::Init();
    if (!IsInitialized() || m_pPage)
        return;
    InitAppBaseRes();
    m_pPage = std::make_unique<GalleryPage>(this);
    mWidgetManager->AddWidget(m_pPage.get());
    m_pPage->Resize(0, 0, mWidth, mHeight);
}

} // namespace gallery
