#include "tessaro/app/SetDlg.h"

#include "pop/ButtonWidget.h"
#include "pop/Image.h"
#include "pop/MusicInterface.h"
#include "pop/WidgetManager.h"
#include "tessaro/app/AppInfo.h"
#include "tessaro/app/GameAppBase.h"
#include "tessaro/app/SkinImages.h"

#include <algorithm>
#include <string>
#include <utility>

namespace Ostra
{

namespace
{

// The default skin's sizes, for controls whose picture is missing.
constexpr int kDefaultBoxSize = 14;
constexpr int kDefaultTrackWidth = 180;
constexpr int kDefaultThumbHeight = 20;

const char kSoundSample[] = "wav\\enter.ogg";
const char kSpeechSample[] = "wav\\good.ogg";

// A settings slider: the skin's look, or the framework's plain one when the thumb picture is
// missing (the skin's look would show no value then).
class SetSlider : public Sexy::SkinSlider
{
public:
    SetSlider(int id, Sexy::SliderListener* listener)
        : SkinSlider(nullptr, Sexy::IMG_BASE_SLIDER_TRACK, Sexy::IMG_BASE_SLIDER_THUMB, id, listener)
    {
    }
    void Draw(Sexy::Graphics* g) override
    {
        if (mThumbImage == nullptr)
            Slider::Draw(g);
        else
            SkinSlider::Draw(g);
    }
};

// Half a picture's width (the unchecked or the checked look) and its height.
int HalfWidth(const Sexy::Image* image)
{
    return image != nullptr ? image->GetWidth() / 2 : kDefaultBoxSize;
}

int FullHeight(const Sexy::Image* image)
{
    return image != nullptr ? image->GetHeight() : kDefaultBoxSize;
}

// A checkbox whose picture holds the unchecked look on its left half and the checked one on its
// right half.
std::unique_ptr<Sexy::Checkbox> MakeBox(Sexy::Image* image, int id, Sexy::CheckboxListener* listener, bool checked)
{
    auto box = std::make_unique<Sexy::Checkbox>(image, image, id, listener);
    if (image != nullptr)
    {
        const int half = image->GetWidth() / 2;
        box->mUncheckedRect = Sexy::Rect(0, 0, half, image->GetHeight());
        box->mCheckedRect = Sexy::Rect(half, 0, image->GetWidth() - half, image->GetHeight());
    }
    box->SetChecked(checked, false);
    return box;
}

// A slider at the volume of its switch, held at 0 and disabled while the switch is off.
std::unique_ptr<Sexy::SkinSlider> MakeSlider(int id, Sexy::SliderListener* listener, bool on, int volume)
{
    auto slider = std::make_unique<SetSlider>(id, listener);
    slider->SetValue(on ? volume / 1000.0 : 0.0);
    slider->SetDisabled(!on);
    return slider;
}

int ToVolume(double value)
{
    return std::clamp(static_cast<int>(value * 1000), 0, 1000);
}

} // namespace

SetDlg::SetDlg(GameAppBase* app)
    : Dialog(Sexy::IMG_BASE_SET_BG, nullptr, kDialogId, false, L"", L"", L"", BUTTONS_OK_CANCEL), m_pApp(app)
{
    for (auto [button, image] :
         {std::make_pair(mYesButton, Sexy::IMG_BASE_MSG_OK), std::make_pair(mNoButton, Sexy::IMG_BASE_MSG_CANCEL)})
    {
        // Without its picture a button keeps the framework's label, so it can still be told apart.
        if (image == nullptr)
            continue;
        button->SetBtnImage(nullptr, image, true, true, true, true, false);
        button->mLabel.clear();
    }

    const AppInfo& info = g_AppInfo;
    m_pMusicSlider = MakeSlider(ID_MUSIC_SLIDER, this, info.bMusicOn, info.iMusicVolume);
    m_pSoundSlider = MakeSlider(ID_SOUND_SLIDER, this, info.bSoundOn, info.iSoundVolume);
    m_pSpeechSlider = MakeSlider(ID_SPEECH_SLIDER, this, info.bSpeechOn, info.iSpeechVolume);
    m_pMusicCheck = MakeBox(Sexy::IMG_BASE_CHECKBOX, ID_MUSIC_CHECK, this, info.bMusicOn);
    m_pSoundCheck = MakeBox(Sexy::IMG_BASE_CHECKBOX, ID_SOUND_CHECK, this, info.bSoundOn);
    m_pSpeechCheck = MakeBox(Sexy::IMG_BASE_CHECKBOX, ID_SPEECH_CHECK, this, info.bSpeechOn);
    m_pOptionCheck = MakeBox(Sexy::IMG_BASE_CHECKBOX, ID_OPTION_CHECK, this, !info.bSetOptionOff);
    m_pRadio0 = MakeBox(Sexy::IMG_BASE_RADIO, ID_RADIO_0, this, info.iSetRadioChoice == 0);
    m_pRadio1 = MakeBox(Sexy::IMG_BASE_RADIO, ID_RADIO_1, this, info.iSetRadioChoice == 1);

    // Unplaced, the application centres the dialog at this size.
    mWidth = Sexy::IMG_BASE_SET_BG != nullptr ? Sexy::IMG_BASE_SET_BG->GetWidth() : kDefaultWidth;
    mHeight = Sexy::IMG_BASE_SET_BG != nullptr ? Sexy::IMG_BASE_SET_BG->GetHeight() : kDefaultHeight;
}

SetDlg::~SetDlg()
{
    // Leave while still a SetDlg, so that the controls leave with the dialog before they go.
    if (mParent != nullptr)
        mParent->RemoveWidget(this);
}

std::array<Sexy::Widget*, 9> SetDlg::Controls() const
{
    return {m_pMusicSlider.get(), m_pSoundSlider.get(), m_pSpeechSlider.get(), m_pMusicCheck.get(), m_pSoundCheck.get(),
            m_pSpeechCheck.get(), m_pRadio0.get(),      m_pRadio1.get(),       m_pOptionCheck.get()};
}

Sexy::Widget* SetDlg::GetControl(int id) const
{
    if (id < ID_MUSIC_SLIDER || id > ID_OPTION_CHECK)
        return nullptr;
    return Controls()[static_cast<size_t>(id - ID_MUSIC_SLIDER)];
}

void SetDlg::AddedToManager(Sexy::WidgetManager* manager)
{
    Dialog::AddedToManager(manager);
    Sexy::WidgetContainer* host = mParent != nullptr ? mParent : manager;
    for (Sexy::Widget* control : Controls())
    {
        control->mPriority = mPriority;
        host->AddWidget(control);
    }
}

void SetDlg::RemovedFromManager(Sexy::WidgetManager* manager)
{
    Dialog::RemovedFromManager(manager);
    for (Sexy::Widget* control : Controls())
        if (control->mParent != nullptr)
            control->mParent->RemoveWidget(control);
}

void SetDlg::Resize(int x, int y, int w, int h)
{
    Dialog::Resize(x, y, w, h);

    const int checkHalf = HalfWidth(Sexy::IMG_BASE_CHECKBOX);
    const int checkHeight = FullHeight(Sexy::IMG_BASE_CHECKBOX);
    const int radioHalf = HalfWidth(Sexy::IMG_BASE_RADIO);
    const int radioHeight = FullHeight(Sexy::IMG_BASE_RADIO);
    const int trackWidth =
        Sexy::IMG_BASE_SLIDER_TRACK != nullptr ? Sexy::IMG_BASE_SLIDER_TRACK->GetWidth() : kDefaultTrackWidth;
    const int thumbHeight =
        Sexy::IMG_BASE_SLIDER_THUMB != nullptr ? Sexy::IMG_BASE_SLIDER_THUMB->GetCelHeight() : kDefaultThumbHeight;

    // The boxes reach over the words the ground picture writes beside them, so those take clicks too.
    m_pSpeechCheck->Resize(x + 35, y + 57, checkHalf + 60, checkHeight);
    m_pSpeechSlider->Resize(x + 52, y + 71, trackWidth, thumbHeight);
    m_pRadio1->Resize(x + 53, y + 98, radioHalf + 45, radioHeight);
    m_pRadio0->Resize(x + 133, y + 98, radioHalf + 45, radioHeight);
    m_pMusicCheck->Resize(x + 35, y + 128, checkHalf + 90, checkHeight);
    m_pMusicSlider->Resize(x + 52, y + 144, trackWidth, thumbHeight);
    m_pSoundCheck->Resize(x + 35, y + 172, checkHalf + 60, checkHeight);
    m_pSoundSlider->Resize(x + 52, y + 189, trackWidth, thumbHeight);
    m_pOptionCheck->Resize(x + 35, y + 218, radioHalf + 60, radioHeight);

    const auto place = [this](Sexy::ButtonWidget* button, int left, int top)
    {
        Sexy::Image* image = button->mButtonImage;
        if (image != nullptr)
            button->Resize(left, top, image->GetCelWidth(), image->GetCelHeight());
        else
            button->Resize(left, top, ButtonWidth(), ButtonHeight());
    };
    place(mYesButton, x + 32, y + 259);
    place(mNoButton, x + 161, y + 259);
}

void SetDlg::SliderVal(int id, double value)
{
    AppInfo& info = g_AppInfo;
    switch (id)
    {
    case ID_MUSIC_SLIDER:
        info.iMusicVolume = ToVolume(value);
        if (m_pApp != nullptr && m_pApp->mMusicInterface && m_pApp->m_nCurMusic != -1)
            m_pApp->mMusicInterface->SetSongVolume(m_pApp->m_nCurMusic, value);
        break;
    case ID_SOUND_SLIDER:
        info.iSoundVolume = ToVolume(value);
        if (m_pApp != nullptr && !m_pSoundSlider->mDragging)
            m_pApp->PlaySoundA(std::string(kSoundSample));
        break;
    case ID_SPEECH_SLIDER:
        info.iSpeechVolume = ToVolume(value);
        if (m_pApp != nullptr && !m_pSpeechSlider->mDragging)
            m_pApp->PlaySpeech(std::string(kSpeechSample));
        break;
    default:
        break;
    }
}

Sexy::SkinSlider* SetDlg::SliderOfSwitch(int id) const
{
    switch (id)
    {
    case ID_MUSIC_CHECK:
        return m_pMusicSlider.get();
    case ID_SOUND_CHECK:
        return m_pSoundSlider.get();
    case ID_SPEECH_CHECK:
        return m_pSpeechSlider.get();
    default:
        return nullptr;
    }
}

int SetDlg::StoredVolume(int switchId)
{
    const AppInfo& info = g_AppInfo;
    switch (switchId)
    {
    case ID_MUSIC_CHECK:
        return info.iMusicVolume;
    case ID_SOUND_CHECK:
        return info.iSoundVolume;
    case ID_SPEECH_CHECK:
        return info.iSpeechVolume;
    default:
        return 0;
    }
}

void SetDlg::CheckboxChecked(int id, bool checked)
{
    if (Sexy::SkinSlider* slider = SliderOfSwitch(id))
    {
        if (checked)
        {
            slider->SetDisabled(false);
            slider->SetValue(StoredVolume(id) / 1000.0);
        }
        else
        {
            slider->SetValue(0.0);
            slider->SetDisabled(true);
        }
    }
    else if (id == ID_RADIO_0 || id == ID_RADIO_1)
    {
        // A click on the checked choice keeps it checked.
        m_pRadio0->SetChecked(id == ID_RADIO_0, false);
        m_pRadio1->SetChecked(id == ID_RADIO_1, false);
    }
    MarkDirty();
}

void SetDlg::ButtonDepress(int id)
{
    if (mResult != kNoResult)
        return;
    if (id == ID_OK)
    {
        AppInfo& info = g_AppInfo;
        info.bMusicOn = m_pMusicCheck->IsChecked();
        info.bSoundOn = m_pSoundCheck->IsChecked();
        info.bSpeechOn = m_pSpeechCheck->IsChecked();
        info.bSetOptionOff = !m_pOptionCheck->IsChecked();
        info.iSetRadioChoice = m_pRadio0->IsChecked() ? 0 : 1;
        if (m_pApp != nullptr)
        {
            Sexy::MusicInterface* music = m_pApp->mMusicInterface.get();
            if (!info.bMusicOn)
            {
                if (music != nullptr && m_pApp->m_nCurMusic != -1)
                    music->StopMusic(m_pApp->m_nCurMusic);
            }
            else if (music == nullptr || !music->IsPlaying(m_pApp->m_nCurMusic))
            {
                m_pApp->PlayMusic(m_pApp->m_nCurMusic);
            }
        }
    }
    // The answer first (the listener hears the stored settings), then the dialog closes; the
    // application deletes it once none of its code runs.
    Dialog::ButtonDepress(id);
    if (Sexy::SexyAppBase* app = GetApp())
        app->KillDialog(this);
}

} // namespace Ostra
