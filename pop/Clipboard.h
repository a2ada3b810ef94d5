// Text on the clipboard, for the edit fields' copy, cut and paste.
//
// With a window (SDL video running) the text goes to the desktop's clipboard and comes from it, so
// it travels between programs. Headless there is no desktop clipboard: the program keeps one of its
// own, so copy and paste still work inside it. The program's own copy is also what a paste gets
// when the desktop's clipboard holds no text or cannot be reached. Main thread only.
#pragma once

#include "pop/Common.h"

namespace Sexy
{

void CopyToClipboard(const SexyString& text);
// The clipboard's text; empty when there is none.
SexyString GetClipboard();

} // namespace Sexy
