// The settings dialog worked through clicks: what OK and Cancel keep, the sliders' volumes and
// samples, the choices, and the layout with and without the skin's pictures.
#include "tessaro/app/SetDlg.h"

#include "pop/ButtonWidget.h"
#include "tessaro/app/AppInfo.h"
#include "tessaro/app/SkinImages.h"
#include "tests/frame-dialogs/DialogsSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace
{

using dialogtest::DialogGame;
using dialogtest::FakeMusic;
using Ostra::SetDlg;
using skintest::ScopedSkinImage;

class SetDlgTest : public ::testing::Test, protected DialogGame
{
protected:
    void SetUp() override
    {
        Ostra::AppInfo& info = Ostra::g_AppInfo;
        info.bMusicOn = info.bSoundOn = info.bSpeechOn = true;
        info.iMusicVolume = 800;
        info.iSoundVolume = 300;
        info.iSpeechVolume = 500;
        app.mMusicInterface = std::make_unique<FakeMusic>();
        music = static_cast<FakeMusic*>(app.mMusicInterface.get());
        app.m_nBackMusicNum = 2;
    }
    // Background music 0 playing, as the rotation leaves it.
    void MusicPlaying()
    {
        app.m_nCurMusic = 0;
        music->playing.insert(0);
    }
    SetDlg* Open()
    {
        auto* dialog = static_cast<SetDlg*>(app.AddDialog(SetDlg::kDialogId, std::make_unique<SetDlg>(&app).release()));
        harness.Step();
        return dialog;
    }
    Sexy::Slider* SliderOf(SetDlg* dialog, int id) { return static_cast<Sexy::Slider*>(dialog->GetControl(id)); }
    Sexy::Checkbox* BoxOf(SetDlg* dialog, int id) { return static_cast<Sexy::Checkbox*>(dialog->GetControl(id)); }
    // Closes the dialog with a click on OK or Cancel; it is gone at once.
    void Close(SetDlg* dialog, bool ok)
    {
        ClickOn(ok ? dialog->mYesButton : dialog->mNoButton);
        EXPECT_EQ(app.GetDialog(SetDlg::kDialogId), nullptr);
        harness.Step();
    }
    int Plays() const { return music->Count("play "); }

    FakeMusic* music = nullptr;
};

TEST_F(SetDlgTest, TheMusicSwitchIsStoredOnlyByOk)
{
    const struct
    {
        const char* what;
        bool musicOn, click, ok;
        bool musicOnAfter;
        std::vector<std::string> log;
    } cases[] = {
        {"unchecked, Cancel", true, true, false, true, {}},
        {"unchecked, OK", true, true, true, false, {"stop 0"}},
        {"unchanged, OK", true, false, true, true, {}},
        {"checked, OK",
         false,
         true,
         true,
         true,
         {"load 0 " + std::string(app.m_szModuleDir) + "wav\\00.mp3", "play 0"}},
        {"checked, Cancel", false, true, false, false, {}},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.what);
        Ostra::g_AppInfo.bMusicOn = c.musicOn;
        app.m_nCurMusic = 0;
        music->playing.clear();
        if (c.musicOn)
            music->playing.insert(0);
        music->log.clear();

        SetDlg* dialog = Open();
        Sexy::Slider* slider = SliderOf(dialog, SetDlg::ID_MUSIC_SLIDER);
        if (c.click)
        {
            ClickOn(dialog->GetControl(SetDlg::ID_MUSIC_CHECK));
            // The slider follows the box at once; the volume itself stays.
            EXPECT_EQ(slider->mDisabled, c.musicOn);
            EXPECT_DOUBLE_EQ(slider->GetValue(), c.musicOn ? 0.0 : 0.8);
        }
        Close(dialog, c.ok);
        EXPECT_EQ(Ostra::g_AppInfo.bMusicOn, c.musicOnAfter);
        EXPECT_EQ(Ostra::g_AppInfo.iMusicVolume, 800);
        EXPECT_EQ(music->log, c.log);
    }
}

TEST_F(SetDlgTest, AMovedVolumeStaysWhicheverButtonCloses)
{
    for (bool ok : {false, true})
    {
        Ostra::g_AppInfo.iMusicVolume = 800;
        MusicPlaying();
        SetDlg* dialog = Open();
        Sexy::Slider* slider = SliderOf(dialog, SetDlg::ID_MUSIC_SLIDER);
        // A press on the track, 40 pixels in: the plain 10-pixel thumb is centred there.
        const Sexy::Point p = slider->GetAbsPos();
        harness.Click(p.mX + 40, p.mY + slider->mHeight / 2);
        EXPECT_DOUBLE_EQ(slider->GetValue(), 35.0 / 170);
        EXPECT_EQ(Ostra::g_AppInfo.iMusicVolume, 205);
        EXPECT_DOUBLE_EQ(music->songVolume[0], 35.0 / 170); // the music playing follows at once
        Close(dialog, ok);
        EXPECT_EQ(Ostra::g_AppInfo.iMusicVolume, 205) << ok;
        EXPECT_TRUE(Ostra::g_AppInfo.bMusicOn);
    }
}

TEST_F(SetDlgTest, TheChoiceIsOneOfTwoAndStoredByOk)
{
    const struct
    {
        int before;
        std::vector<int> clicks;
        bool ok;
        int after;
    } cases[] = {
        {0, {SetDlg::ID_RADIO_1}, true, 1},
        {0, {SetDlg::ID_RADIO_1}, false, 0},
        {0, {SetDlg::ID_RADIO_1, SetDlg::ID_RADIO_1}, true, 1}, // a click on the checked one keeps it
        {1, {SetDlg::ID_RADIO_0}, true, 0},
        {1, {SetDlg::ID_RADIO_0, SetDlg::ID_RADIO_1}, true, 1},
    };
    for (const auto& c : cases)
    {
        Ostra::g_AppInfo.iSetRadioChoice = c.before;
        SetDlg* dialog = Open();
        for (int id : c.clicks)
            ClickOn(dialog->GetControl(id));
        const bool second = c.clicks.back() == SetDlg::ID_RADIO_1;
        EXPECT_EQ(BoxOf(dialog, SetDlg::ID_RADIO_1)->IsChecked(), second);
        EXPECT_EQ(BoxOf(dialog, SetDlg::ID_RADIO_0)->IsChecked(), !second);
        Close(dialog, c.ok);
        EXPECT_EQ(Ostra::g_AppInfo.iSetRadioChoice, c.after) << c.before << " " << c.clicks.size() << " " << c.ok;
    }
}

TEST_F(SetDlgTest, EffectAndSpeechSlidersPlayASampleWhenTheySettle)
{
    const struct
    {
        int id;
        const char* file;
        int Ostra::AppInfo::*volume;
    } cases[] = {
        {SetDlg::ID_SOUND_SLIDER, "wav\\enter.ogg", &Ostra::AppInfo::iSoundVolume},
        {SetDlg::ID_SPEECH_SLIDER, "wav\\good.ogg", &Ostra::AppInfo::iSpeechVolume},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.file);
        music->log.clear();
        SetDlg* dialog = Open();
        Sexy::Slider* slider = SliderOf(dialog, c.id);
        const Sexy::Rect thumb = slider->GetThumbRect();
        const Sexy::Point p = slider->GetAbsPos() + Sexy::Point(thumb.mX, thumb.mY);
        const int y = p.mY + 5;
        harness.MouseMove(p.mX + 5, y);
        harness.MouseDown(p.mX + 5, y);
        for (int dx : {10, 20, 30})
            harness.MouseMove(p.mX + 5 + dx, y);
        EXPECT_TRUE(slider->mDragging);
        EXPECT_EQ(Plays(), 0) << "no sample while dragging";
        const int dragged = Ostra::g_AppInfo.*c.volume;
        EXPECT_EQ(dragged, static_cast<int>(slider->GetValue() * 1000)) << "stored while dragging";
        harness.MouseUp(p.mX + 35, y);
        EXPECT_EQ(Plays(), 1);
        EXPECT_EQ(music->Count(c.file), 1); // loaded under an id of the player's
        // A press on the track settles at once.
        harness.Click(slider->GetAbsPos().mX + 150, y);
        EXPECT_EQ(Plays(), 2);
        EXPECT_EQ(music->Count(c.file), 1);
        Close(dialog, false);
    }
}

TEST_F(SetDlgTest, ControlsStartFromTheSettingsAndASwitchBringsItsVolumeBack)
{
    Ostra::AppInfo& info = Ostra::g_AppInfo;
    info.bMusicOn = false;
    info.bSpeechOn = false;
    info.bSetOptionOff = true;
    SetDlg* dialog = Open();
    const struct
    {
        int sliderId, switchId;
        bool on;
        double value;
    } cases[] = {
        {SetDlg::ID_MUSIC_SLIDER, SetDlg::ID_MUSIC_CHECK, false, 0.8},
        {SetDlg::ID_SOUND_SLIDER, SetDlg::ID_SOUND_CHECK, true, 0.3},
        {SetDlg::ID_SPEECH_SLIDER, SetDlg::ID_SPEECH_CHECK, false, 0.5},
    };
    for (const auto& c : cases)
    {
        Sexy::Slider* slider = SliderOf(dialog, c.sliderId);
        EXPECT_EQ(BoxOf(dialog, c.switchId)->IsChecked(), c.on);
        EXPECT_EQ(slider->mDisabled, !c.on);
        EXPECT_DOUBLE_EQ(slider->GetValue(), c.on ? c.value : 0.0);
        ClickOn(dialog->GetControl(c.switchId));
        EXPECT_EQ(slider->mDisabled, c.on);
        EXPECT_DOUBLE_EQ(slider->GetValue(), c.on ? 0.0 : c.value);
    }
    EXPECT_FALSE(BoxOf(dialog, SetDlg::ID_OPTION_CHECK)->IsChecked());
    ClickOn(dialog->GetControl(SetDlg::ID_OPTION_CHECK));
    Close(dialog, true);
    EXPECT_FALSE(info.bSetOptionOff);
    EXPECT_TRUE(info.bMusicOn);
    EXPECT_FALSE(info.bSoundOn);
    EXPECT_TRUE(info.bSpeechOn);
}

TEST_F(SetDlgTest, WithoutPicturesControlsTakeTheDefaultSkinsSizesAndPlainLooks)
{
    SetDlg* dialog = Open();
    const auto at = [&](int id)
    {
        const Sexy::Widget* w = dialog->GetControl(id);
        return Sexy::Rect(w->mX - dialog->mX, w->mY - dialog->mY, w->mWidth, w->mHeight);
    };
    EXPECT_EQ(Sexy::Rect(dialog->mX, dialog->mY, dialog->mWidth, dialog->mHeight), Sexy::Rect(379, 216, 265, 306));
    EXPECT_EQ(at(SetDlg::ID_SPEECH_CHECK), Sexy::Rect(35, 57, 14 + 60, 14));
    EXPECT_EQ(at(SetDlg::ID_MUSIC_SLIDER), Sexy::Rect(52, 144, 180, 20));
    EXPECT_EQ(at(SetDlg::ID_RADIO_0), Sexy::Rect(133, 98, 14 + 45, 14));
    EXPECT_EQ(dialog->mNoButton->mX - dialog->mX, 161);
    EXPECT_FALSE(dialog->mNoButton->mLabel.empty());
    // The plain thumb shows the value, where the skin's look would show nothing.
    harness.Draw();
    const Sexy::Slider* slider = SliderOf(dialog, SetDlg::ID_SOUND_SLIDER);
    const Sexy::Rect thumb = slider->GetThumbRect();
    EXPECT_EQ(harness.Pixel(slider->mX + thumb.mX + thumb.mWidth / 2, slider->mY + 5), Sexy::Color(212, 212, 212));
    Close(dialog, true);
}

TEST_F(SetDlgTest, ABoxShowsTheLeftHalfOfItsPictureUncheckedAndTheRightHalfChecked)
{
    const Sexy::Color red(200, 0, 0), green(0, 200, 0);
    ScopedSkinImage picture(Sexy::IMG_BASE_CHECKBOX, skintest::CelImage(2, 1, 16, 16, {red, green}));
    SetDlg* dialog = Open();
    const Sexy::Widget* box = dialog->GetControl(SetDlg::ID_SPEECH_CHECK);
    EXPECT_EQ(Sexy::Rect(box->mX - dialog->mX, box->mY - dialog->mY, box->mWidth, box->mHeight),
              Sexy::Rect(35, 57, 16 + 60, 16));
    for (const Sexy::Color& expected : {green, red})
    {
        harness.Draw();
        EXPECT_EQ(harness.Pixel(box->mX + 8, box->mY + 8), expected);
        const Sexy::Color beside = harness.Pixel(box->mX + 24, box->mY + 8); // one half only
        EXPECT_TRUE(beside != red && beside != green);
        ClickOn(box);
    }
    Close(dialog, false);
}

} // namespace
