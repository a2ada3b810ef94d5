// Key codes: the numbering games compare against, and the translation of SDL keys into it.
#include "pop/KeyCodes.h"

#include <SDL2/SDL_keycode.h>
#include <gtest/gtest.h>

using namespace Sexy;

namespace
{

// Games compare against these numbers directly (F10 takes a screenshot).
TEST(WidgetKeyCode, NumberingMatchesTheVirtualKeys)
{
    EXPECT_EQ(KEYCODE_RETURN, 13);
    EXPECT_EQ(KEYCODE_ESCAPE, 27);
    EXPECT_EQ(KEYCODE_LEFT, 37);
    EXPECT_EQ(KEYCODE_DELETE, 46);
    EXPECT_EQ(KEYCODE_Z, 'Z');
    EXPECT_EQ(KEYCODE_F10, 121);
    EXPECT_EQ(KEYCODE_F24, 0x87);
}

TEST(WidgetKeyCode, SdlKeysTranslate)
{
    EXPECT_EQ(KeyCodeFromSDLKey(SDLK_a), KEYCODE_A);
    EXPECT_EQ(KeyCodeFromSDLKey(SDLK_z), KEYCODE_Z);
    EXPECT_EQ(KeyCodeFromSDLKey(SDLK_7), KEYCODE_7);
    EXPECT_EQ(KeyCodeFromSDLKey(SDLK_F10), KEYCODE_F10);
    EXPECT_EQ(KeyCodeFromSDLKey(SDLK_F12), KEYCODE_F12);
    EXPECT_EQ(KeyCodeFromSDLKey(SDLK_F13), KEYCODE_F13);
    EXPECT_EQ(KeyCodeFromSDLKey(SDLK_KP_0), KEYCODE_NUMPAD0);
    EXPECT_EQ(KeyCodeFromSDLKey(SDLK_KP_9), KEYCODE_NUMPAD9);
    EXPECT_EQ(KeyCodeFromSDLKey(SDLK_RETURN), KEYCODE_RETURN);
    EXPECT_EQ(KeyCodeFromSDLKey(SDLK_KP_ENTER), KEYCODE_RETURN);
    EXPECT_EQ(KeyCodeFromSDLKey(SDLK_LSHIFT), KEYCODE_SHIFT);
    EXPECT_EQ(KeyCodeFromSDLKey(SDLK_RSHIFT), KEYCODE_SHIFT);
    EXPECT_EQ(KeyCodeFromSDLKey(SDLK_RCTRL), KEYCODE_CONTROL);
    EXPECT_EQ(KeyCodeFromSDLKey(SDLK_LALT), KEYCODE_MENU);
    EXPECT_EQ(KeyCodeFromSDLKey(SDLK_PAGEUP), KEYCODE_PRIOR);
    EXPECT_EQ(KeyCodeFromSDLKey(SDLK_DELETE), KEYCODE_DELETE);
    EXPECT_EQ(KeyCodeFromSDLKey(SDLK_SEMICOLON), KEYCODE_SEMICOLON);
    EXPECT_EQ(KeyCodeFromSDLKey(SDLK_QUOTE), KEYCODE_QUOTE);
    EXPECT_EQ(KeyCodeFromSDLKey(SDLK_UNKNOWN), KEYCODE_UNKNOWN);
    EXPECT_EQ(KeyCodeFromSDLKey(SDLK_VOLUMEUP), KEYCODE_UNKNOWN);
}

} // namespace
