#include "tessaro/app/SkinImages.h"

#include "pop/Image.h"
#include "tessaro/app/GameAppBase.h"

#include <string>

namespace Sexy
{

Image* IMG_BASE_BTN_SIT = nullptr;
Image* IMG_BASE_BTN_SIT_OBLIQUE = nullptr;

} // namespace Sexy

namespace Ostra
{

const SkinImageEntry* SkinImageTable()
{
    // The pictures of the window frame, the dialogs and the lists join this table with those parts.
    static const SkinImageEntry table[] = {
        {&Sexy::IMG_BASE_BTN_SIT, "images/base/btn/chair1", 3},
        {&Sexy::IMG_BASE_BTN_SIT_OBLIQUE, "images/base/btn/chair2", 1},
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
        if (image && e->iCelsAcross > 1)
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
}

} // namespace Ostra
