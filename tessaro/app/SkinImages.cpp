#include "tessaro/app/SkinImages.h"

#include "pop/Image.h"
#include "tessaro/app/GameAppBase.h"

#include <string>

namespace Sexy
{

Image* IMG_BASE_MSG_BG = nullptr;
Image* IMG_BASE_MSG_OK = nullptr;
Image* IMG_BASE_MSG_CANCEL = nullptr;
Image* IMG_BASE_MSG_ESC = nullptr;
Image* IMG_BASE_GCICON = nullptr;
Image* IMG_BASE_SCROLL_UP = nullptr;
Image* IMG_BASE_SCROLL_DOWN = nullptr;
Image* IMG_BASE_SCROLL_THUMB = nullptr;
Image* IMG_BASE_SCROLL_TRACK = nullptr;
Image* IMG_BASE_HEADER_SPAN = nullptr;
Image* IMG_BASE_LIST_HEADER_SPAN = nullptr;
Image* IMG_BASE_LIST_SELECTED = nullptr;
Image* IMG_BASE_EDIT_SEND = nullptr;
Image* IMG_BASE_SET_BG = nullptr;
Image* IMG_BASE_CHECKBOX = nullptr;
Image* IMG_BASE_RADIO = nullptr;
Image* IMG_BASE_SLIDER_THUMB = nullptr;
Image* IMG_BASE_SLIDER_TRACK = nullptr;
Image* IMG_BASE_BTN_MIN = nullptr;
Image* IMG_BASE_BTN_ESC = nullptr;
Image* IMG_BASE_BTN_REVERT = nullptr;
Image* IMG_BASE_BTN_MAX = nullptr;
Image* IMG_BASE_BTN_HELP = nullptr;
Image* IMG_BASE_BTN_PRNTSCRN = nullptr;
Image* IMG_BASE_BTN_STOPQUERY = nullptr;
Image* IMG_BASE_BTN_SET = nullptr;
Image* IMG_BASE_BTN_HOMEPAGE = nullptr;
Image* IMG_BASE_BTN_PACK = nullptr;
Image* IMG_BASE_BTN_SET2 = nullptr;
Image* IMG_BASE_BTN_MAIL = nullptr;
Image* IMG_BASE_BTN_LABOURUNION = nullptr;
Image* IMG_BASE_BTN_AWARD = nullptr;
Image* IMG_BASE_BTN_REPLAY_PLAY = nullptr;
Image* IMG_BASE_BTN_REPLAY_PAUSE = nullptr;
Image* IMG_BASE_BTN_REPLAY_FAST = nullptr;
Image* IMG_BASE_BTN_REPLAY_FASTSTOP = nullptr;
Image* IMG_BASE_BTN_REPLAY_QUIT = nullptr;
Image* IMG_GAME_BG = nullptr;
Image* IMG_BASE_NET_SPEED = nullptr;
Image* IMG_BASE_IMPBULL_BAK = nullptr;
Image* IMG_BASE_BULL_CLOSE = nullptr;
Image* IMG_BASE_BTN_QUICK_CHAT = nullptr;
Image* IMG_BASE_QUICK_CHAT_BG = nullptr;
Image* IMG_BASE_BTN_EDIT_SEND = nullptr;
Image* IMG_BASE_USER_MENU_BG = nullptr;
Image* IMG_BASE_BTN_SIT = nullptr;
Image* IMG_BASE_BTN_SIT_OBLIQUE = nullptr;
Image* IMG_DEFAULT_SHOW[2] = {nullptr, nullptr};
Image* IMG_SHOW_FRAME = nullptr;
Image* IMG_SHOW_FRAME_FLASH = nullptr;
Image* IMG_BASE_BTN_START = nullptr;
Image* IMG_BASE_BTN_CHANGE_DESK = nullptr;
Image* IMG_BASE_BTN_NOTE_START = nullptr;
Image* IMG_EDIT_SEND_BG = nullptr;

} // namespace Sexy

namespace Ostra
{

const SkinImageEntry* SkinImageTable()
{
    using namespace Sexy;
    static const SkinImageEntry table[] = {
        {&IMG_BASE_MSG_BG, "images/base/message", 1},
        {&IMG_BASE_MSG_OK, "images/base/ok", 3},
        {&IMG_BASE_MSG_CANCEL, "images/base/cancel", 3},
        {&IMG_BASE_SCROLL_UP, "images/base/list/scroll_up", 4},
        {&IMG_BASE_SCROLL_DOWN, "images/base/list/scroll_down", 4},
        {&IMG_BASE_SCROLL_THUMB, "images/base/list/scroll_thumb", 1},
        {&IMG_BASE_SCROLL_TRACK, "images/base/list/scroll_track", 1},
        {&IMG_BASE_HEADER_SPAN, "images/base/list/header_span", 1},
        {&IMG_BASE_LIST_HEADER_SPAN, "images/base/list/list_header_span", 1},
        {&IMG_BASE_LIST_SELECTED, "images/base/list/list_selected", 1},
        {&IMG_BASE_EDIT_SEND, "images/base/edit_send", 4},
        {&IMG_BASE_SET_BG, "images/base/set/set_bg", 1},
        {&IMG_BASE_CHECKBOX, "images/base/set/check_box", 1},
        {&IMG_BASE_RADIO, "images/base/set/radio_button", 1},
        {&IMG_BASE_SLIDER_THUMB, "images/base/set/slider_thumb", 1},
        {&IMG_BASE_SLIDER_TRACK, "images/base/set/slider_track", 1},
        {&IMG_BASE_BTN_MIN, "images/base/btn/min", 3},
        {&IMG_BASE_BTN_ESC, "images/base/btn/esc", 3},
        {&IMG_BASE_BTN_REVERT, "images/base/btn/revert", 3},
        {&IMG_BASE_BTN_MAX, "images/base/btn/max", 3},
        {&IMG_BASE_BTN_HELP, "images/base/btn/rule", 4},
        {&IMG_BASE_BTN_PRNTSCRN, "images/base/btn/screen", 4},
        // One cel, set explicitly: the picture is a single look.
        {&IMG_BASE_BTN_STOPQUERY, "images/base/btn/chongzhi", 1},
        {&IMG_BASE_BTN_SET, "images/base/btn/set", 4},
        {&IMG_BASE_BTN_HOMEPAGE, "images/base/btn/min", 4},
        {&IMG_BASE_BTN_PACK, "images/base/btn/min", 4},
        {&IMG_BASE_BTN_SET2, "images/base/btn/min", 4},
        {&IMG_BASE_BTN_MAIL, "images/base/btn/min", 4},
        {&IMG_BASE_BTN_LABOURUNION, "images/base/btn/min", 4},
        {&IMG_BASE_BTN_AWARD, "images/base/btn/min", 4},
        {&IMG_BASE_BTN_REPLAY_PLAY, "images/base/btn/replay_play", 4},
        {&IMG_BASE_BTN_REPLAY_PAUSE, "images/base/btn/replay_pause", 4},
        {&IMG_BASE_BTN_REPLAY_FAST, "images/base/btn/replay_fast", 4},
        {&IMG_BASE_BTN_REPLAY_FASTSTOP, "images/base/btn/replay_faststop", 4},
        {&IMG_BASE_BTN_REPLAY_QUIT, "images/base/btn/replay_quit", 4},
        {&IMG_GAME_BG, "images/data/bg", 1},
        {&IMG_BASE_NET_SPEED, "images/base/net_speed", 3},
        {&IMG_BASE_IMPBULL_BAK, "images/base/bullbak", 1},
        {&IMG_BASE_BULL_CLOSE, "images/base/btn/closebull", 3},
        {&IMG_BASE_BTN_QUICK_CHAT, "images/base/btn/quick_chat", 3},
        {&IMG_BASE_QUICK_CHAT_BG, "images/base/quick_chat_bg", 1},
        {&IMG_BASE_BTN_EDIT_SEND, "images/base/btn/edit_send", 4},
        {&IMG_BASE_USER_MENU_BG, "images/base/user_menu_bg", 1},
        {&IMG_BASE_BTN_SIT, "images/base/btn/chair1", 3},
        {&IMG_BASE_BTN_SIT_OBLIQUE, "images/base/btn/chair2", 1},
        // In the platform's shared folder beside the games' folders.
        {&IMG_DEFAULT_SHOW[0], "..\\UserImage\\default0\\n_6", 1},
        {&IMG_DEFAULT_SHOW[1], "..\\UserImage\\default1\\n_6", 1},
        {&IMG_SHOW_FRAME, "images/data/show_frame", 1},
        {&IMG_SHOW_FRAME_FLASH, "images/data/show_frame_flash", 1},
        {&IMG_BASE_BTN_START, "images/base/btn/start", 4},
        {&IMG_BASE_BTN_CHANGE_DESK, "images/base/btn/changedesk", 4},
        {&IMG_BASE_BTN_NOTE_START, "images/base/btn/note_start", 4},
        {&IMG_EDIT_SEND_BG, "images/base/edit_send_bg", 1},
        {nullptr, nullptr, 0},
    };
    return table;
}

void GameAppBase::InitAppBaseRes()
{
    for (const SkinImageEntry* e = SkinImageTable(); e->ppImage; ++e)
    {
        // A second call must not lose the pictures of the first.
        delete *e->ppImage;
        // Named from the program's folder, which holds the game's part of the skin.
        Sexy::DDImage* image = GetImage(std::string(m_szModuleDir) + e->szName, true);
        if (image)
            image->mNumCols = e->iCelsAcross;
        *e->ppImage = image;
    }
}

void GameAppBase::FinalAppBaseRes()
{
    for (const SkinImageEntry* e = SkinImageTable(); e->ppImage; ++e)
    {
        delete *e->ppImage;
        *e->ppImage = nullptr;
    }
    // Set by a game, released with the shared pictures.
    delete Sexy::IMG_BASE_GCICON;
    Sexy::IMG_BASE_GCICON = nullptr;
}

} // namespace Ostra
