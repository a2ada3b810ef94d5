// Key codes of the framework: the virtual-key numbering that games and widgets compare against
// (KEYCODE_RETURN is 13, F10 is 121). Letters and digits use their upper-case ASCII codes, so a key
// can be compared with 'A' or '7' directly.
#pragma once

namespace Sexy
{

// One character of text input, as widgets receive it.
using SexyChar = wchar_t;

enum KeyCode
{
    KEYCODE_UNKNOWN = 0x00,
    KEYCODE_LBUTTON = 0x01,
    KEYCODE_RBUTTON = 0x02,
    KEYCODE_CANCEL = 0x03,
    KEYCODE_MBUTTON = 0x04,
    KEYCODE_BACK = 0x08,
    KEYCODE_TAB = 0x09,
    KEYCODE_CLEAR = 0x0C,
    KEYCODE_RETURN = 0x0D,
    KEYCODE_SHIFT = 0x10,
    KEYCODE_CONTROL = 0x11,
    KEYCODE_MENU = 0x12, // either Alt key
    KEYCODE_PAUSE = 0x13,
    KEYCODE_CAPITAL = 0x14,
    KEYCODE_ESCAPE = 0x1B,
    KEYCODE_SPACE = 0x20,
    KEYCODE_PRIOR = 0x21, // Page Up
    KEYCODE_NEXT = 0x22,  // Page Down
    KEYCODE_END = 0x23,
    KEYCODE_HOME = 0x24,
    KEYCODE_LEFT = 0x25,
    KEYCODE_UP = 0x26,
    KEYCODE_RIGHT = 0x27,
    KEYCODE_DOWN = 0x28,
    KEYCODE_SELECT = 0x29,
    KEYCODE_PRINT = 0x2A,
    KEYCODE_EXECUTE = 0x2B,
    KEYCODE_SNAPSHOT = 0x2C,
    KEYCODE_INSERT = 0x2D,
    KEYCODE_DELETE = 0x2E,
    KEYCODE_HELP = 0x2F,

    KEYCODE_ASCIIBEGIN = 0x30, // '0' to '9', then 'A' to 'Z'
    KEYCODE_0 = 0x30,
    KEYCODE_1,
    KEYCODE_2,
    KEYCODE_3,
    KEYCODE_4,
    KEYCODE_5,
    KEYCODE_6,
    KEYCODE_7,
    KEYCODE_8,
    KEYCODE_9,
    KEYCODE_A = 0x41,
    KEYCODE_B,
    KEYCODE_C,
    KEYCODE_D,
    KEYCODE_E,
    KEYCODE_F,
    KEYCODE_G,
    KEYCODE_H,
    KEYCODE_I,
    KEYCODE_J,
    KEYCODE_K,
    KEYCODE_L,
    KEYCODE_M,
    KEYCODE_N,
    KEYCODE_O,
    KEYCODE_P,
    KEYCODE_Q,
    KEYCODE_R,
    KEYCODE_S,
    KEYCODE_T,
    KEYCODE_U,
    KEYCODE_V,
    KEYCODE_W,
    KEYCODE_X,
    KEYCODE_Y,
    KEYCODE_Z,
    KEYCODE_ASCIIEND = 0x5A,

    KEYCODE_LWIN = 0x5B,
    KEYCODE_RWIN = 0x5C,
    KEYCODE_APPS = 0x5D,
    KEYCODE_NUMPAD0 = 0x60,
    KEYCODE_NUMPAD1,
    KEYCODE_NUMPAD2,
    KEYCODE_NUMPAD3,
    KEYCODE_NUMPAD4,
    KEYCODE_NUMPAD5,
    KEYCODE_NUMPAD6,
    KEYCODE_NUMPAD7,
    KEYCODE_NUMPAD8,
    KEYCODE_NUMPAD9,
    KEYCODE_MULTIPLY = 0x6A,
    KEYCODE_ADD = 0x6B,
    KEYCODE_SEPARATOR = 0x6C,
    KEYCODE_SUBTRACT = 0x6D,
    KEYCODE_DECIMAL = 0x6E,
    KEYCODE_DIVIDE = 0x6F,
    KEYCODE_F1 = 0x70,
    KEYCODE_F2,
    KEYCODE_F3,
    KEYCODE_F4,
    KEYCODE_F5,
    KEYCODE_F6,
    KEYCODE_F7,
    KEYCODE_F8,
    KEYCODE_F9,
    KEYCODE_F10, // 121
    KEYCODE_F11,
    KEYCODE_F12,
    KEYCODE_F13,
    KEYCODE_F14,
    KEYCODE_F15,
    KEYCODE_F16,
    KEYCODE_F17,
    KEYCODE_F18,
    KEYCODE_F19,
    KEYCODE_F20,
    KEYCODE_F21,
    KEYCODE_F22,
    KEYCODE_F23,
    KEYCODE_F24, // 0x87
    KEYCODE_NUMLOCK = 0x90,
    KEYCODE_SCROLL = 0x91,

    // Punctuation keys of a US layout.
    KEYCODE_ASCII2BEGIN = 0xBA,
    KEYCODE_SEMICOLON = 0xBA, // ;:
    KEYCODE_EQUALS = 0xBB,    // =+
    KEYCODE_COMMA = 0xBC,     // ,<
    KEYCODE_MINUS = 0xBD,     // -_
    KEYCODE_PERIOD = 0xBE,    // .>
    KEYCODE_SLASH = 0xBF,     // /?
    KEYCODE_BACKQUOTE = 0xC0, // `~
    KEYCODE_LBRACKET = 0xDB,  // [{
    KEYCODE_BACKSLASH = 0xDC, // \|
    KEYCODE_RBRACKET = 0xDD,  // ]}
    KEYCODE_QUOTE = 0xDE,     // '"
    KEYCODE_ASCII2END = 0xDE,
};

// The key code of an SDL key (an SDL_Keycode value, SDLK_...). Left and right modifier keys share
// one code; keys without a code give KEYCODE_UNKNOWN.
KeyCode KeyCodeFromSDLKey(int sdlKey);

} // namespace Sexy
