// The settings dialog that the game window opens from its settings button: switches and volumes
// for music, effects and speech, two choices and one further option, all kept in g_AppInfo.
//
//   id 1, 2, 3   sliders         iMusicVolume, iSoundVolume, iSpeechVolume (0..1000)
//   id 4, 5, 6   checkboxes      bMusicOn, bSoundOn, bSpeechOn
//   id 7, 8      radio choices   iSetRadioChoice 0 and 1
//   id 9         checkbox        checked while bSetOptionOff is false
//
// A volume changes the moment its slider moves, and stays changed whichever button closes the
// dialog: the music playing takes the new volume at once, and the effects and speech sliders play
// a sample of theirs when they settle (a click on the track or the end of a drag, not while
// dragging). A switch that is off holds its slider at 0 and disabled; switched on again, the slider
// returns to the stored volume. The switches, the choice and the option are stored only by OK
// (which also stops or restarts the music to match); Cancel leaves them as they were.
//
// The dialog is framework dialog 110, not modal, as large as its ground picture (265 x 306 without
// it), and closes itself on either button. Its controls are siblings of the dialog in the widget
// manager, like its buttons, placed at fixed points of the ground. Every picture may be missing:
// the controls then take the framework's plain looks at the default skin's sizes.
#pragma once

#include "pop/Checkbox.h"
#include "pop/Dialog.h"
#include "pop/Listeners.h"
#include "tessaro/widgets/SkinSlider.h"

#include <array>
#include <memory>

namespace Ostra
{

class GameAppBase;

class SetDlg : public Sexy::Dialog, public Sexy::SliderListener, public Sexy::CheckboxListener
{
public:
    static constexpr int kDialogId = 110;
    enum
    {
        ID_MUSIC_SLIDER = 1,
        ID_SOUND_SLIDER = 2,
        ID_SPEECH_SLIDER = 3,
        ID_MUSIC_CHECK = 4,
        ID_SOUND_CHECK = 5,
        ID_SPEECH_CHECK = 6,
        ID_RADIO_0 = 7,
        ID_RADIO_1 = 8,
        ID_OPTION_CHECK = 9
    };
    // The size without the ground picture.
    static constexpr int kDefaultWidth = 265;
    static constexpr int kDefaultHeight = 306;

    explicit SetDlg(GameAppBase* app);
    ~SetDlg() override;

    void AddedToManager(Sexy::WidgetManager* manager) override;
    void RemovedFromManager(Sexy::WidgetManager* manager) override;
    void Resize(int x, int y, int w, int h) override;
    using WidgetContainer::Resize;
    void SliderVal(int id, double value) override;
    void CheckboxChecked(int id, bool checked) override;
    void ButtonDepress(int id) override;

    // The control of an id (1 to 9 as above), null for any other.
    Sexy::Widget* GetControl(int id) const;

    // ---- Members, in order ------------------------------------------------------------------
    GameAppBase* m_pApp;
    std::unique_ptr<Sexy::SkinSlider> m_pMusicSlider;
    std::unique_ptr<Sexy::SkinSlider> m_pSoundSlider;
    std::unique_ptr<Sexy::SkinSlider> m_pSpeechSlider;
    std::unique_ptr<Sexy::Checkbox> m_pMusicCheck;
    std::unique_ptr<Sexy::Checkbox> m_pSoundCheck;
    std::unique_ptr<Sexy::Checkbox> m_pSpeechCheck;
    std::unique_ptr<Sexy::Checkbox> m_pOptionCheck;
    std::unique_ptr<Sexy::Checkbox> m_pRadio0;
    std::unique_ptr<Sexy::Checkbox> m_pRadio1;

private:
    // The slider a switch (4, 5, 6) holds, and its stored volume.
    Sexy::SkinSlider* SliderOfSwitch(int id) const;
    static int StoredVolume(int switchId);
    // The nine controls, in id order.
    std::array<Sexy::Widget*, 9> Controls() const;
};

} // namespace Ostra
