#include "assets/Picture.h"

#include "assets/pictures/Families.h"
#include "assets/raster/Effects.h"

#include "pop/Image.h"

#include <algorithm>

namespace skin
{
namespace
{

// Pixels over which a button cel fades to its transparent border.
constexpr int kEdgeFade = 3;

} // namespace

std::vector<Picture> SkinPictures()
{
    std::vector<Picture> all;
    // One family per file in assets/pictures/; a new family is one more line here.
    for (auto family : {ChairPictures, DialogPictures, WindowButtonPictures, ListPictures, ChatPictures,
                        PortraitPictures, BadgePictures, TablePictures, CardPictures, LandlordPictures})
    {
        std::vector<Picture> rows = family();
        all.insert(all.end(), std::make_move_iterator(rows.begin()), std::make_move_iterator(rows.end()));
    }
    return all;
}

std::string CheckPicture(const Picture& p)
{
    const std::string& n = p.name;
    if (n.empty() || n.front() == '/' || n.back() == '/')
        return "the name must be a relative file name";
    if (n.find('\\') != std::string::npos)
        return "the name must use '/' between folders";
    if (("/" + n + "/").find("/../") != std::string::npos || ("/" + n + "/").find("/./") != std::string::npos)
        return "the name must not step out of its folder";
    const size_t slash = n.rfind('/');
    if (n.find('.', slash == std::string::npos ? 0 : slash) != std::string::npos)
        return "the name is given without extension";
    if (p.width <= 0 || p.height <= 0)
        return "the size must be positive";
    if (p.cels < 1 || p.width % p.cels != 0)
        return "the width must divide evenly into the cels";
    if (!p.draw)
        return "there is no draw function";
    return {};
}

std::string PictureFile(const Picture& p)
{
    const char* extension = p.format == FileFormat::Png ? ".png" : p.format == FileFormat::Jpeg ? ".jpg" : ".bmp";
    return std::string(p.part == SkinPart::Game ? "game/" : "shared/") + p.name + extension;
}

std::unique_ptr<Sexy::MemoryImage> RenderPicture(const Picture& p)
{
    if (!CheckPicture(p).empty())
        return nullptr;
    auto image = std::make_unique<Sexy::MemoryImage>(p.width, p.height);
    if (!image->IsValid())
        return nullptr;
    const int celWidth = p.CelWidth();
    for (int cel = 0; cel < p.cels; ++cel)
    {
        // Each cel on a canvas of its own, so no cel can paint into its neighbour.
        Canvas canvas(celWidth, p.height);
        p.draw(canvas, cel);
        canvas.CopyTo(*image, cel * celWidth, 0);
    }
    image->mNumCols = p.cels;
    return image;
}

DrawCel ButtonStrip(std::function<void(Canvas& face)> drawFace, const style::Shadow& shadow)
{
    return [drawFace = std::move(drawFace), shadow](Canvas& cel, int index)
    {
        Canvas face(cel.Width(), cel.Height());
        drawFace(face);
        ComposeButton(cel, face, style::StateOfCel(index), shadow);
        // The far tails of the shadow and the glow fade out towards the cel's edge, so that the
        // border stays clear however tight the cel is round its plate.
        Mask keep(cel.Width(), cel.Height());
        for (int y = 0; y < cel.Height(); ++y)
            for (int x = 0; x < cel.Width(); ++x)
            {
                const int edge = std::min({x, y, cel.Width() - 1 - x, cel.Height() - 1 - y});
                keep.Set(x, y, std::min(1.0f, edge / float(kEdgeFade)));
            }
        cel.Clip(keep);
    };
}

} // namespace skin
