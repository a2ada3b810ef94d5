// The skin pictures that every game shares, exported as image variables of the framework's
// namespace so that the game window, the table view, the dialogs and the widgets draw them
// directly. GameAppBase::InitAppBaseRes loads them from the program's folder (the skin staged
// beside every game) and FinalAppBaseRes releases them; each is null until loaded and stays null
// when its file is missing, so every user checks before drawing.
#pragma once

namespace Sexy
{

class Image;

// "images/base/btn/chair1": the chair button of the seats at the table's sides, three cels
// (normal, over, down) side by side.
extern Image* IMG_BASE_BTN_SIT;
// "images/base/btn/chair2": the chair seen at an angle; loaded as one cel, the table view divides
// it into three like the other chair.
extern Image* IMG_BASE_BTN_SIT_OBLIQUE;

} // namespace Sexy

namespace Ostra
{

class GameAppBase;

// The pictures in the order they are loaded: the variable, the picture's name without extension
// and the number of cels side by side set on it (1 keeps the framework's default).
struct SkinImageEntry
{
    Sexy::Image** ppImage;
    const char* szName;
    int iCelsAcross;
};

// The whole table, in loading order; the last entry has a null variable.
const SkinImageEntry* SkinImageTable();

} // namespace Ostra
