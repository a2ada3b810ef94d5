// pop-showcase: one screen of everything pop draws, in a window or headless; with --page widgets
// the page of standard widgets and a modal dialog instead.
//
//   pop-showcase                                   a window until it is closed
//   pop-showcase --page widgets                    the widget page
//   pop-showcase --frames 20 --screenshot a.png    a window; after 20 updates its pixels go to a.png
//   pop-showcase --headless --frames 20 --screenshot a.png
//                                                  no window; 20 updates at once, then the screen
//
// Headless with --frames the updates run on a clock of their own, as fast as they can.
#include "examples/showcase/ShowcaseScreen.h"
#include "examples/showcase/WidgetsPage.h"

#include "pop/SexyAppBase.h"
#include "pop/WidgetManager.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

namespace
{

class ShowcaseApp : public Sexy::SexyAppBase
{
public:
    explicit ShowcaseApp(bool widgetsPage) : mWidgetsPage(widgetsPage)
    {
        mWidth = showcase::ShowcaseScreen::kWidth;
        mHeight = showcase::ShowcaseScreen::kHeight;
        mTitle = L"pop 展示 Showcase";
    }
    ~ShowcaseApp() override
    {
        if (mScreen && mWidgetManager)
            mWidgetManager->RemoveWidget(mScreen.get());
        mScreen.reset(); // the widget page kills its dialog while the application still exists
    }

    void Init() override
    {
        SexyAppBase::Init();
        if (!IsInitialized())
            return;
        if (mWidgetsPage)
        {
            auto page = std::make_unique<showcase::WidgetsPage>(this);
            mWidgetManager->AddWidget(page.get());
            page->ShowDialog();
            mScreen = std::move(page);
        }
        else
        {
            mScreen = std::make_unique<showcase::ShowcaseScreen>();
            mWidgetManager->AddWidget(mScreen.get());
        }
    }

private:
    bool mWidgetsPage;
    std::unique_ptr<Sexy::Widget> mScreen;
};

int Usage()
{
    std::fprintf(stderr,
                 "usage: pop-showcase [--headless] [--page main|widgets] [--frames N] [--screenshot FILE.png]\n");
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    bool headless = false;
    bool widgetsPage = false;
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
        else if (std::strcmp(argv[i], "--page") == 0 && i + 1 < argc)
        {
            const char* page = argv[++i];
            if (std::strcmp(page, "widgets") == 0)
                widgetsPage = true;
            else if (std::strcmp(page, "main") != 0)
                return Usage();
        }
        else if (std::strcmp(argv[i], "--screenshot") == 0 && i + 1 < argc)
            screenshot = argv[++i];
        else
            return Usage();
    }
    if (!screenshot.empty() && frames == 0)
        frames = 1;

    ShowcaseApp app(widgetsPage);
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
    if (!screenshot.empty())
    {
        app.Redraw();
        std::unique_ptr<Sexy::MemoryImage> pixels = app.ReadWindowPixels();
        if (!pixels || !ImageLib::WritePNGImage(screenshot, pixels.get()))
        {
            std::fprintf(stderr, "pop-showcase: cannot write %s\n", screenshot.c_str());
            status = 1;
        }
    }
    app.Shutdown();
    app.Start(); // the orderly end
    return status;
}
