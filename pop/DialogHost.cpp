#include "pop/DialogHost.h"

#include "pop/Dialog.h"
#include "pop/Image.h"
#include "pop/SexyAppBase.h"
#include "pop/WidgetManager.h"

#include <algorithm>

namespace Sexy
{

namespace
{

// The width an unsized dialog gets when it has no frame picture to take its size from.
constexpr int kDefaultDialogWidth = 400;

} // namespace

DialogHost::DialogHost(SexyAppBase& app) : mApp(app) {}

DialogHost::~DialogHost()
{
    std::vector<std::unique_ptr<Dialog>> all = std::move(mKilled);
    mKilled.clear();
    for (auto& entry : mDialogs)
        all.push_back(std::move(entry.second));
    mDialogs.clear();
    for (auto& dialog : all)
    {
        dialog->mApp = nullptr;
        dialog->mHost = nullptr;
    }
    all.clear();
}

std::vector<std::pair<int, std::unique_ptr<Dialog>>>::iterator DialogHost::Find(const Dialog* dialog)
{
    return std::find_if(mDialogs.begin(), mDialogs.end(), [dialog](const auto& e) { return e.second.get() == dialog; });
}

Dialog* DialogHost::Add(int id, Dialog* dialog)
{
    if (dialog == nullptr)
        return nullptr;

    if (dialog->mHost == this && dialog->mApp != nullptr)
    {
        // Already here: only the id changes.
        if (Dialog* other = Get(id); other != nullptr && other != dialog)
            Kill(other);
        Find(dialog)->first = id;
        dialog->mId = id;
        return dialog;
    }

    std::unique_ptr<Dialog> owned;
    if (dialog->mHost == this)
    {
        // Killed but not yet deleted: it comes back.
        auto it = std::find_if(mKilled.begin(), mKilled.end(), [dialog](const auto& d) { return d.get() == dialog; });
        if (it == mKilled.end())
            return nullptr; // cannot happen: a dialog of this host is registered or killed
        owned = std::move(*it);
        mKilled.erase(it);
    }
    else
    {
        if (dialog->mHost != nullptr)
            dialog->mHost->Forget(dialog); // moves over from another application
        owned.reset(dialog);
    }

    if (Dialog* old = Get(id))
        Kill(old);
    mDialogs.emplace_back(id, std::move(owned));
    dialog->mId = id;
    dialog->mApp = &mApp;
    dialog->mHost = this;
    if (dialog->mDialogListener == nullptr)
        dialog->mDialogListener = &mApp;

    if (!dialog->IsPlaced())
    {
        int width = dialog->mWidth;
        int height = dialog->mHeight;
        if (width <= 0)
            width = dialog->mComponentImage != nullptr ? dialog->mComponentImage->GetWidth() : kDefaultDialogWidth;
        if (height <= 0)
            height = dialog->mComponentImage != nullptr ? dialog->mComponentImage->GetHeight()
                                                        : dialog->GetPreferredHeight(width);
        dialog->Resize((mApp.mWidth - width) / 2, (mApp.mHeight - height) / 2, width, height);
    }

    WidgetManager* manager = mApp.mWidgetManager;
    if (manager != nullptr)
    {
        manager->AddWidget(dialog);
        if (dialog->mWidgetManager == manager)
            manager->SetFocus(dialog);
    }
    return dialog;
}

void DialogHost::Detach(Dialog* dialog)
{
    dialog->mApp = nullptr;
    if (dialog->mParent != nullptr)
        dialog->mParent->RemoveWidget(dialog);
}

bool DialogHost::Kill(Dialog* dialog)
{
    if (dialog == nullptr)
        return false;
    auto it = Find(dialog);
    if (it == mDialogs.end())
        return false;
    mKilled.push_back(std::move(it->second));
    mDialogs.erase(it);
    Detach(dialog);
    return true;
}

bool DialogHost::Kill(int id)
{
    return Kill(Get(id));
}

void DialogHost::KillAll()
{
    while (!mDialogs.empty())
        Kill(mDialogs.back().second.get());
}

Dialog* DialogHost::Get(int id) const
{
    for (const auto& entry : mDialogs)
        if (entry.first == id)
            return entry.second.get();
    return nullptr;
}

void DialogHost::ReleaseKilled(bool nestedLoop)
{
    if (nestedLoop || mWaitDepth > 0 || mKilled.empty())
        return;
    // Destructors may kill further dialogs; those wait for the next call.
    std::vector<std::unique_ptr<Dialog>> doomed = std::move(mKilled);
    mKilled.clear();
    for (auto& dialog : doomed)
        dialog->mHost = nullptr;
    doomed.clear();
}

void DialogHost::Forget(Dialog* dialog)
{
    auto it = Find(dialog);
    if (it != mDialogs.end())
    {
        (void)it->second.release();
        mDialogs.erase(it);
    }
    auto killed = std::find_if(mKilled.begin(), mKilled.end(), [dialog](const auto& d) { return d.get() == dialog; });
    if (killed != mKilled.end())
    {
        (void)killed->release();
        mKilled.erase(killed);
    }
    Detach(dialog);
    dialog->mHost = nullptr;
}

} // namespace Sexy
