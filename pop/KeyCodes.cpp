#include "pop/KeyCodes.h"

#include <SDL_keycode.h>

namespace Sexy
{

KeyCode KeyCodeFromSDLKey(int sdlKey)
{
    if (sdlKey >= SDLK_a && sdlKey <= SDLK_z)
        return static_cast<KeyCode>(KEYCODE_A + (sdlKey - SDLK_a));
    if (sdlKey >= SDLK_0 && sdlKey <= SDLK_9)
        return static_cast<KeyCode>(KEYCODE_0 + (sdlKey - SDLK_0));
    if (sdlKey >= SDLK_F1 && sdlKey <= SDLK_F12)
        return static_cast<KeyCode>(KEYCODE_F1 + (sdlKey - SDLK_F1));
    if (sdlKey >= SDLK_F13 && sdlKey <= SDLK_F24)
        return static_cast<KeyCode>(KEYCODE_F13 + (sdlKey - SDLK_F13));
    if (sdlKey >= SDLK_KP_1 && sdlKey <= SDLK_KP_9)
        return static_cast<KeyCode>(KEYCODE_NUMPAD1 + (sdlKey - SDLK_KP_1));

    switch (sdlKey)
    {
    case SDLK_BACKSPACE:
        return KEYCODE_BACK;
    case SDLK_TAB:
        return KEYCODE_TAB;
    case SDLK_CLEAR:
        return KEYCODE_CLEAR;
    case SDLK_RETURN:
    case SDLK_RETURN2:
    case SDLK_KP_ENTER:
        return KEYCODE_RETURN;
    case SDLK_LSHIFT:
    case SDLK_RSHIFT:
        return KEYCODE_SHIFT;
    case SDLK_LCTRL:
    case SDLK_RCTRL:
        return KEYCODE_CONTROL;
    case SDLK_LALT:
    case SDLK_RALT:
        return KEYCODE_MENU;
    case SDLK_PAUSE:
        return KEYCODE_PAUSE;
    case SDLK_CAPSLOCK:
        return KEYCODE_CAPITAL;
    case SDLK_ESCAPE:
        return KEYCODE_ESCAPE;
    case SDLK_SPACE:
        return KEYCODE_SPACE;
    case SDLK_PAGEUP:
        return KEYCODE_PRIOR;
    case SDLK_PAGEDOWN:
        return KEYCODE_NEXT;
    case SDLK_END:
        return KEYCODE_END;
    case SDLK_HOME:
        return KEYCODE_HOME;
    case SDLK_LEFT:
        return KEYCODE_LEFT;
    case SDLK_UP:
        return KEYCODE_UP;
    case SDLK_RIGHT:
        return KEYCODE_RIGHT;
    case SDLK_DOWN:
        return KEYCODE_DOWN;
    case SDLK_SELECT:
        return KEYCODE_SELECT;
    case SDLK_EXECUTE:
        return KEYCODE_EXECUTE;
    case SDLK_PRINTSCREEN:
        return KEYCODE_SNAPSHOT;
    case SDLK_INSERT:
        return KEYCODE_INSERT;
    case SDLK_DELETE:
        return KEYCODE_DELETE;
    case SDLK_HELP:
        return KEYCODE_HELP;
    case SDLK_LGUI:
        return KEYCODE_LWIN;
    case SDLK_RGUI:
        return KEYCODE_RWIN;
    case SDLK_APPLICATION:
        return KEYCODE_APPS;
    case SDLK_KP_0:
        return KEYCODE_NUMPAD0;
    case SDLK_KP_MULTIPLY:
        return KEYCODE_MULTIPLY;
    case SDLK_KP_PLUS:
        return KEYCODE_ADD;
    case SDLK_KP_MINUS:
        return KEYCODE_SUBTRACT;
    case SDLK_KP_PERIOD:
    case SDLK_KP_DECIMAL:
        return KEYCODE_DECIMAL;
    case SDLK_KP_DIVIDE:
        return KEYCODE_DIVIDE;
    case SDLK_NUMLOCKCLEAR:
        return KEYCODE_NUMLOCK;
    case SDLK_SCROLLLOCK:
        return KEYCODE_SCROLL;
    case SDLK_SEMICOLON:
        return KEYCODE_SEMICOLON;
    case SDLK_EQUALS:
        return KEYCODE_EQUALS;
    case SDLK_COMMA:
        return KEYCODE_COMMA;
    case SDLK_MINUS:
        return KEYCODE_MINUS;
    case SDLK_PERIOD:
        return KEYCODE_PERIOD;
    case SDLK_SLASH:
        return KEYCODE_SLASH;
    case SDLK_BACKQUOTE:
        return KEYCODE_BACKQUOTE;
    case SDLK_LEFTBRACKET:
        return KEYCODE_LBRACKET;
    case SDLK_BACKSLASH:
        return KEYCODE_BACKSLASH;
    case SDLK_RIGHTBRACKET:
        return KEYCODE_RBRACKET;
    case SDLK_QUOTE:
        return KEYCODE_QUOTE;
    default:
        return KEYCODE_UNKNOWN;
    }
}

} // namespace Sexy
