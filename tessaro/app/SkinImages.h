// The skin pictures that every game shares, exported as image variables of the framework's
// namespace so that the game window, the table view, the dialogs and the widgets draw them
// directly. GameAppBase::InitAppBaseRes loads them from the program's folder (the skin staged
// beside every game) and FinalAppBaseRes releases them; each is null until loaded and stays null
// when its file is missing, so every user checks before drawing.
//
// Button pictures hold their states side by side; the loader sets the number of cels across that
// SkinImageTable gives for each. Several buttons load the same file ("images/base/btn/min"): each
// variable still gets a picture object of its own.
#pragma once

namespace Sexy
{

class Image;

// Message box: frame, OK and cancel buttons (three cels each).
extern Image* IMG_BASE_MSG_BG;
extern Image* IMG_BASE_MSG_OK;
extern Image* IMG_BASE_MSG_CANCEL;
// Declared for the games: not loaded here. A game may set both; IMG_BASE_GCICON is released with
// the table's pictures, IMG_BASE_MSG_ESC stays the game's.
extern Image* IMG_BASE_MSG_ESC;
extern Image* IMG_BASE_GCICON;

// Lists and scroll bars: the arrows (four cels), the thumb (cut into 3 x 3 by the skinned scroll
// bar), the track, the header parts and the selected row.
extern Image* IMG_BASE_SCROLL_UP;
extern Image* IMG_BASE_SCROLL_DOWN;
extern Image* IMG_BASE_SCROLL_THUMB;
extern Image* IMG_BASE_SCROLL_TRACK;
extern Image* IMG_BASE_HEADER_SPAN;
extern Image* IMG_BASE_LIST_HEADER_SPAN;
extern Image* IMG_BASE_LIST_SELECTED;
extern Image* IMG_BASE_EDIT_SEND;

// The settings dialog.
extern Image* IMG_BASE_SET_BG;
extern Image* IMG_BASE_CHECKBOX;
extern Image* IMG_BASE_RADIO;
extern Image* IMG_BASE_SLIDER_THUMB;
extern Image* IMG_BASE_SLIDER_TRACK;

// The window frame's buttons.
extern Image* IMG_BASE_BTN_MIN;
extern Image* IMG_BASE_BTN_ESC;
extern Image* IMG_BASE_BTN_REVERT;
extern Image* IMG_BASE_BTN_MAX;
extern Image* IMG_BASE_BTN_HELP;
extern Image* IMG_BASE_BTN_PRNTSCRN;
extern Image* IMG_BASE_BTN_STOPQUERY;
extern Image* IMG_BASE_BTN_SET;
extern Image* IMG_BASE_BTN_HOMEPAGE;
extern Image* IMG_BASE_BTN_PACK;
extern Image* IMG_BASE_BTN_SET2;
extern Image* IMG_BASE_BTN_MAIL;
extern Image* IMG_BASE_BTN_LABOURUNION;
extern Image* IMG_BASE_BTN_AWARD;

// Replay controls.
extern Image* IMG_BASE_BTN_REPLAY_PLAY;
extern Image* IMG_BASE_BTN_REPLAY_PAUSE;
extern Image* IMG_BASE_BTN_REPLAY_FAST;
extern Image* IMG_BASE_BTN_REPLAY_FASTSTOP;
extern Image* IMG_BASE_BTN_REPLAY_QUIT;

// The table: background, network speed signal, the bulletin strip and its close button, the chat
// input's buttons and backgrounds, the player menu.
extern Image* IMG_GAME_BG;
extern Image* IMG_BASE_NET_SPEED;
extern Image* IMG_BASE_IMPBULL_BAK;
extern Image* IMG_BASE_BULL_CLOSE;
extern Image* IMG_BASE_BTN_QUICK_CHAT;
extern Image* IMG_BASE_QUICK_CHAT_BG;
extern Image* IMG_BASE_BTN_EDIT_SEND;
extern Image* IMG_BASE_USER_MENU_BG;

// "images/base/btn/chair1": the chair button of the seats at the table's sides, three cels
// (normal, over, down) side by side.
extern Image* IMG_BASE_BTN_SIT;
// "images/base/btn/chair2": the chair seen at an angle; loaded as one cel, the table view divides
// it into three like the other chair.
extern Image* IMG_BASE_BTN_SIT_OBLIQUE;

// The default portraits of the two sexes (0 and 1), from the platform's shared folder.
extern Image* IMG_DEFAULT_SHOW[2];
// The portrait frame and its flashing form.
extern Image* IMG_SHOW_FRAME;
extern Image* IMG_SHOW_FRAME_FLASH;

extern Image* IMG_BASE_BTN_START;
extern Image* IMG_BASE_BTN_CHANGE_DESK;
extern Image* IMG_BASE_BTN_NOTE_START;
extern Image* IMG_EDIT_SEND_BG;

} // namespace Sexy

namespace Ostra
{

class GameAppBase;

// The pictures in the order they are loaded: the variable, the picture's name without extension
// and the number of cels side by side set on it (1 keeps the framework's default of one cel).
struct SkinImageEntry
{
    Sexy::Image** ppImage;
    const char* szName;
    int iCelsAcross;
};

// The whole table, in loading order; the last entry has a null variable.
const SkinImageEntry* SkinImageTable();

} // namespace Ostra
