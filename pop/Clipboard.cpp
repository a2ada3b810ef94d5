#include "pop/Clipboard.h"

#include "platform/Text.h"

#include <SDL.h>

namespace Sexy
{

namespace
{

// The program's own clipboard: what was copied last, whatever the desktop did with it.
SexyString& LocalClipboard()
{
    static SexyString text;
    return text;
}

bool HaveDesktopClipboard()
{
    return SDL_WasInit(SDL_INIT_VIDEO) != 0;
}

} // namespace

void CopyToClipboard(const SexyString& text)
{
    LocalClipboard() = text;
    if (HaveDesktopClipboard())
        SDL_SetClipboardText(platform::WideToUtf8(text).c_str());
}

SexyString GetClipboard()
{
    if (HaveDesktopClipboard() && SDL_HasClipboardText())
    {
        char* utf8 = SDL_GetClipboardText();
        if (utf8 != nullptr)
        {
            SexyString text = platform::Utf8ToWide(utf8);
            SDL_free(utf8);
            return text;
        }
    }
    return LocalClipboard();
}

} // namespace Sexy
