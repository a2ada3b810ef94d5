#include "pop/TestHarness.h"

#include "pop/WidgetManager.h"

#include "platform/WindowBus.h"

#include <utility>

namespace Sexy
{

TestHarness::TestHarness(int width, int height) : mOwned(std::make_unique<SexyAppBase>()), mApp(mOwned.get())
{
    mApp->mWidth = width;
    mApp->mHeight = height;
    Attach();
}

TestHarness::TestHarness(SexyAppBase& app) : mApp(&app)
{
    Attach();
}

void TestHarness::Attach()
{
    if (!mApp->IsInitialized())
        mApp->mHeadless = true;
    mApp->SetClock([this] { return mNow; });
    mApp->SetMsgBoxHandler(
        [this](const std::string& text, const std::string& title, int flags)
        {
            std::lock_guard<std::mutex> lock(mMutex);
            mBoxes.push_back(MsgBoxRecord{text, title, flags});
            return mAnswer;
        });
    if (!mApp->IsInitialized())
        mApp->Init();
}

TestHarness::~TestHarness()
{
    // An application of the test's own may live on: it gets its own clock, boxes and wait back.
    if (mDrivesWaits)
        mApp->SetWaitHook(nullptr);
    mApp->SetClock(nullptr);
    mApp->SetMsgBoxHandler(nullptr);
}

int TestHarness::Step(int updates)
{
    int ran = 0;
    for (int i = 0; i < updates; ++i)
    {
        mNow += SexyAppBase::kUpdateIntervalMs;
        int before = mApp->mUpdateCount;
        mApp->UpdateAppStep(nullptr);
        ran += mApp->mUpdateCount - before;
    }
    return ran;
}

void TestHarness::DriveNestedLoops(std::function<bool()> onWait)
{
    mNestedWaits = 0;
    mOnWait = std::move(onWait);
    mDrivesWaits = mOnWait != nullptr;
    if (!mDrivesWaits)
    {
        mApp->SetWaitHook(nullptr);
        return;
    }
    mApp->SetWaitHook(
        [this]
        {
            ++mNestedWaits;
            // A copy: the callback may set another one.
            std::function<bool()> onWait = mOnWait;
            if (!onWait())
                mNow += SexyAppBase::kUpdateIntervalMs;
        });
}

int TestHarness::PumpMessages(int waitMs)
{
    int ran = platform::PumpWindowMessages(waitMs);
    mApp->UpdateAppStep(nullptr);
    return ran;
}

void TestHarness::MouseMove(int x, int y)
{
    mApp->InputMouseMove(x, y);
}

void TestHarness::MouseDown(int x, int y, int button)
{
    mApp->InputMouseDown(x, y, button);
}

void TestHarness::MouseUp(int x, int y, int button)
{
    mApp->InputMouseUp(x, y, button);
}

void TestHarness::Click(int x, int y, int button)
{
    MouseDown(x, y, button);
    MouseUp(x, y, button);
}

void TestHarness::Wheel(int delta)
{
    mApp->InputMouseWheel(delta);
}

void TestHarness::MouseExit()
{
    mApp->InputMouseExit();
}

void TestHarness::KeyDown(KeyCode key, int modifiers)
{
    mApp->InputKeyDown(key, modifiers);
}

void TestHarness::KeyUp(KeyCode key)
{
    mApp->InputKeyUp(key);
}

void TestHarness::Text(const std::wstring& text)
{
    mApp->InputText(text);
}

uint32_t TestHarness::PixelARGB(int x, int y) const
{
    const MemoryImage* screen = mApp->GetScreenImage();
    return screen ? screen->GetPixelARGB(x, y) : 0;
}

Color TestHarness::Pixel(int x, int y) const
{
    return Color::FromARGB(PixelARGB(x, y));
}

bool TestHarness::SavePNG(const std::string& path) const
{
    std::unique_ptr<MemoryImage> copy = mApp->CopyScreen();
    return copy && ImageLib::WritePNGImage(path, copy.get());
}

void TestHarness::Draw()
{
    mApp->Redraw();
}

std::vector<TestHarness::MsgBoxRecord> TestHarness::MessageBoxes() const
{
    std::lock_guard<std::mutex> lock(mMutex);
    return mBoxes;
}

void TestHarness::SetMsgBoxAnswer(int answer)
{
    std::lock_guard<std::mutex> lock(mMutex);
    mAnswer = answer;
}

} // namespace Sexy
