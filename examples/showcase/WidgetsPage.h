// The showcase's second page: every standard widget of pop on one 1024 x 738 screen — buttons
// (plain, disabled, drawn from a 4-cel picture), check boxes, a slider, edit fields, a list of
// coloured lines bound to a scrollbar, a horizontal scrollbar — and a modal dialog the page shows
// over its lower right part. All pictures are made at run time. The page listens to its widgets and
// writes what they report into an event log on the page.
//
// Ownership. The page owns its widgets and pictures. The dialog belongs to the application it is
// added to (SexyAppBase::AddDialog); the page only knows it by kDialogId, kills it when it is
// answered, and kills it when the page goes first.
#pragma once

#include "pop/Image.h"
#include "pop/Listeners.h"
#include "pop/SysFont.h"
#include "pop/Widget.h"

#include <deque>
#include <memory>
#include <vector>

namespace Sexy
{
class ButtonWidget;
class Checkbox;
class Dialog;
class EditWidget;
class ListWidget;
class SexyAppBase;
class ScrollbarWidget;
class Slider;
} // namespace Sexy

namespace showcase
{

class WidgetsPage : public Sexy::Widget,
                    public Sexy::ButtonListener,
                    public Sexy::CheckboxListener,
                    public Sexy::SliderListener,
                    public Sexy::EditListener,
                    public Sexy::ListListener,
                    public Sexy::ScrollListener,
                    public Sexy::DialogListener
{
public:
    static constexpr int kWidth = 1024;
    static constexpr int kHeight = 738;
    // The id the page's dialog is registered under in the application.
    static constexpr int kDialogId = 4100;

    // The application takes the page's dialog; null for a page without one (ShowDialog does nothing).
    explicit WidgetsPage(Sexy::SexyAppBase* app);
    ~WidgetsPage() override;

    // Adds the modal dialog to the application (in front of the page; a shown one is replaced). The
    // page should be in the widget manager first: the edit field then keeps the keyboard focus, so
    // its selection shows; a click on the dialog hands it the keys (Enter, Escape).
    void ShowDialog();
    // The dialog while it is shown, else null.
    Sexy::Dialog* GetDialog() const;

    // The widgets, for tests and tools that drive the page.
    Sexy::ButtonWidget& PlainButton() { return *mPlainButton; }
    Sexy::ButtonWidget& PictureButton() { return *mPictureButton; }
    Sexy::Checkbox& CheckedBox() { return *mSoundBox; }
    Sexy::Slider& VolumeSlider() { return *mSlider; }
    Sexy::EditWidget& Edit() { return *mEdit; }
    Sexy::ListWidget& List() { return *mList; }
    Sexy::ScrollbarWidget& ListScrollbar() { return *mListBar; }
    Sexy::ScrollbarWidget& HorizontalScrollbar() { return *mHBar; }

    void Draw(Sexy::Graphics* g) override;

    // The widgets' reports.
    void ButtonDepress(int id) override;
    void CheckboxChecked(int id, bool checked) override;
    void SliderVal(int id, double value) override;
    void EditWidgetText(int id, const Sexy::SexyString& text) override;
    void ListClicked(int id, int row, int clickCount) override;
    void ScrollPosition(int id, double position) override;
    void DialogButtonDepress(int dialogId, int buttonId) override;

private:
    void MakeImages();
    void MakeBackdrop();
    void MakeWidgets();
    void Own(Sexy::Widget* widget);
    void Log(const Sexy::SexyString& line);
    void Label(Sexy::Graphics* g, const Sexy::SexyString& text, int x, int y, int width = -1, int justify = -1);
    void Text(Sexy::Graphics* g, const Sexy::SexyString& text, int x, int y);

    Sexy::SexyAppBase* mApp;

    std::unique_ptr<Sexy::SysFont> mTitleFont;
    std::unique_ptr<Sexy::SysFont> mFont;
    std::unique_ptr<Sexy::SysFont> mSmallFont;

    std::unique_ptr<Sexy::MemoryImage> mBackdrop;
    std::unique_ptr<Sexy::MemoryImage> mPanelFrame;
    std::unique_ptr<Sexy::MemoryImage> mButtonCels; // 4 cels: normal, over, down, disabled
    std::unique_ptr<Sexy::MemoryImage> mCheckCels;  // 2 cels: unchecked, checked
    std::unique_ptr<Sexy::MemoryImage> mTrack;
    std::unique_ptr<Sexy::MemoryImage> mThumb;
    std::unique_ptr<Sexy::MemoryImage> mDialogFrame;

    std::unique_ptr<Sexy::ButtonWidget> mPlainButton;
    std::unique_ptr<Sexy::ButtonWidget> mDisabledButton;
    std::unique_ptr<Sexy::ButtonWidget> mPictureButton;
    std::unique_ptr<Sexy::ButtonWidget> mDisabledPictureButton;
    std::unique_ptr<Sexy::ButtonWidget> mShowDialogButton;
    std::unique_ptr<Sexy::Checkbox> mSoundBox;
    std::unique_ptr<Sexy::Checkbox> mFullScreenBox;
    std::unique_ptr<Sexy::Slider> mSlider;
    std::unique_ptr<Sexy::EditWidget> mEdit;
    std::unique_ptr<Sexy::EditWidget> mPassword;
    std::unique_ptr<Sexy::ScrollbarWidget> mListBar;
    std::unique_ptr<Sexy::ListWidget> mList;
    std::unique_ptr<Sexy::ScrollbarWidget> mHBar;
    // Every widget above, in the order they were added (removed in reverse).
    std::vector<Sexy::Widget*> mOwned;

    int mClicks = 0;
    Sexy::SexyString mLastAnswer;
    std::deque<Sexy::SexyString> mEvents;
};

} // namespace showcase
