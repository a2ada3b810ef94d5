// The skin's pictures as one table: each row names a picture the way the system asks for it, gives
// its size and the number of cels side by side, and the function that draws a cel. The rows come
// from one file per family of pictures (assets/pictures/); SkinPictures() gathers them.
#pragma once

#include "assets/SkinStyle.h"
#include "assets/raster/Canvas.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace Sexy
{
class MemoryImage;
}

namespace skin
{

// Where a picture goes: the game part is staged into each game's own folder (the game finds
// "images/base/btn/chair1" beside its program); the shared part into the folder above it (the
// game finds "..\UserImage\default0\n_6" or "..\GameSkin\0\..." there).
enum class SkinPart
{
    Game,
    Shared
};

enum class FileFormat
{
    Png,
    Jpeg, // opaque pictures the system names as .jpg
    Bmp   // pictures the system names as .bmp (32 bits, with alpha)
};

// Draws one cel (index 0..cels-1) on a transparent canvas of the cel's size.
using DrawCel = std::function<void(Canvas& cel, int index)>;

struct Picture
{
    // Relative to its part's root, '/' between folders, without extension: "images/base/btn/chair1".
    std::string name;
    SkinPart part = SkinPart::Game;
    int width = 0; // of the whole picture, all cels
    int height = 0;
    int cels = 1; // side by side
    FileFormat format = FileFormat::Png;
    DrawCel draw;

    int CelWidth() const { return cels > 0 ? width / cels : width; }
};

// Every picture of the skin.
std::vector<Picture> SkinPictures();

// What is wrong with a row (empty when nothing): the name is relative, clean and without
// extension, the size is positive and the cels divide the width evenly, there is a draw function.
std::string CheckPicture(const Picture& picture);

// The picture's file below the output root: "game/images/base/btn/chair1.png".
std::string PictureFile(const Picture& picture);

// Draws every cel on its own canvas and sets them side by side; the image's cel grid is the
// picture's. Null when the row is not valid.
std::unique_ptr<Sexy::MemoryImage> RenderPicture(const Picture& picture);

// The cels of a button: the face is drawn once, on a transparent canvas of the cel's size, and
// each cel shows it in the look of its state (normal, over, down, disabled; see SkinStyle.h).
// Buttons the game turns over take style::kTurnedShadow.
DrawCel ButtonStrip(std::function<void(Canvas& face)> drawFace, const style::Shadow& shadow = style::kShadow);

} // namespace skin
