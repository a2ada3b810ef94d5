// tessaro-gallery: the library's skinned widgets live with the default skin, on one screen, in a
// window or headless. It runs from the game folder the skin is staged in (build/stage/gallery).
//
//   tessaro-gallery                                   a window until it is closed
//   tessaro-gallery --frames 150 --screenshot a.png   a window; after 150 updates its pixels go to a.png
//   tessaro-gallery --headless --frames 150 --screenshot a.png
//                                                     no window; 150 updates at once, then the screen
//   ... --check                                       then tell for every widget whether it drew
//                                                     anything; exit 1 when one did not
//
// Headless with --frames the updates run on a clock of their own, as fast as they can.
#include "examples/gallery/GalleryApp.h"
#include "examples/gallery/GalleryPage.h"

#include "pop/Image.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>

namespace
{

int Usage()
{
    std::fprintf(stderr, "usage: tessaro-gallery [--headless] [--frames N] [--screenshot FILE.png] [--check]\n");
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    bool headless = false;
    bool check = false;
    int frames = 0;
    std::string screenshot;
    for (int i = 1; i < argc; ++i)
    {
        if (std::strcmp(argv[i], "--headless") == 0)
            headless = true;
        else if (std::strcmp(argv[i], "--frames") == 0 && i + 1 < argc)
        {
            char* end = nullptr;
            long n = std::strtol(argv[++i], &end, 10);
            if (!end || *end != '\0' || n < 1 || n > 1000000)
                return Usage();
            frames = int(n);
        }
        else if (std::strcmp(argv[i], "--screenshot") == 0 && i + 1 < argc)
            screenshot = argv[++i];
        else if (std::strcmp(argv[i], "--check") == 0)
            check = true;
        else
            return Usage();
    }
    if ((!screenshot.empty() || check) && frames == 0)
        frames = 1;
    // The application moves into its own folder: a relative name means the one the gallery was
    // started in.
    if (!screenshot.empty())
    {
        std::error_code error;
        const std::filesystem::path path = std::filesystem::absolute(screenshot, error);
        if (!error)
            screenshot = path.string();
    }

    gallery::GalleryApp app;
    if (headless)
        app.mHeadless = true;
    uint64_t virtualNow = 0;
    if (app.mHeadless && frames > 0)
        app.SetClock([&virtualNow] { return virtualNow; });
    app.Init();

    while (app.UpdateAppStep(nullptr))
    {
        if (frames > 0 && app.mUpdateCount >= frames)
            break;
        if (app.mHeadless && frames > 0)
            virtualNow += Sexy::SexyAppBase::kUpdateIntervalMs;
        else
            app.WaitForNextUpdate();
    }

    int status = 0;
    if (!screenshot.empty() || check)
    {
        app.Redraw();
        std::unique_ptr<Sexy::MemoryImage> pixels = app.ReadWindowPixels();
        if (!pixels)
        {
            std::fprintf(stderr, "tessaro-gallery: the screen cannot be read\n");
            status = 1;
        }
        else
        {
            if (!screenshot.empty() && !ImageLib::WritePNGImage(screenshot, pixels.get()))
            {
                std::fprintf(stderr, "tessaro-gallery: cannot write %s\n", screenshot.c_str());
                status = 1;
            }
            gallery::GalleryPage* page = app.GetPage();
            if (check && page)
            {
                std::unique_ptr<Sexy::MemoryImage> ground = page->DrawGround();
                if (gallery::CheckPieces(*pixels, *ground, page->Pieces(), stdout) > 0)
                    status = 1;
            }
            else if (check)
                status = 1;
        }
    }
    app.Shutdown();
    app.Start(); // the orderly end
    return status;
}
