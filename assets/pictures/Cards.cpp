// The playing cards of the card games: images/cards/card (71 x 96, the hand) and card_small
// (46 x 62, the cards laid on the table and the three kept back), 55 cels each. Cel i for i below
// 54 is the card with that number (suit * 13 + rank index, suits spade, heart, club, diamond,
// ranks 3 ... K, A, 2; 52 the small joker, 53 the big one), cel 54 the back.
//
// A hand overlaps its cards so that only a strip at their left shows (18 pixels of a big card, 14
// of a small one): the rank and a suit sign under it are drawn inside that strip, large and bold,
// and "10" is squeezed across to fit it. Every card fills its cel but for the rounded corners and
// one clear pixel all round, which keeps its edge whole where the strip is divided into cels.
#include "assets/pictures/Families.h"

#include "assets/pictures/Parts.h"
#include "assets/raster/Effects.h"

#include "examples/landlord/rules/Cards.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace skin
{
namespace
{

using namespace style::palette;
using style::Rgb;

constexpr double kPi = 3.14159265358979323846;

constexpr int kBack = landlord::kDeckSize; // the cel after the last card
constexpr int kCels = landlord::kDeckSize + 1;

// Inks of the faces: the red is a card red, brighter than the room's claret, so that hearts and
// diamonds tell from spades and clubs at a glance even in a dim corner strip.
constexpr int kRed = 0xCC1F2F;
constexpr int kBlack = 0x1C1C1C;
constexpr int kEdge = 0x4A4A4A;
constexpr int kCourtGround = 0xF8EDCF;

// Where the parts of a card go, for one size of card.
struct Layout
{
    int width, height;
    double radius;
    double strip;     // the index column at the left that shows when cards overlap
    Font rank;        // of the corner's rank
    double rankTop;   // of the rank's ink
    double suitY;     // middle of the corner's suit sign
    double suitR;     // its radius
    Font joker;       // of the letters of "JOKER" down the corner
    double jokerStep; // from one letter's top to the next
    bool pips;        // the suit signs laid out by the rank; else one big sign
    bool turnedIndex; // the index again, upside down, in the bottom-right corner
    Box court;        // the frame of a figure card
};

constexpr Layout kBig{71, 96, 5.0, 18, {15, true}, 4, 28.5, 4.6, {9, true}, 11.5, true, true, {19.5, 9.5, 32, 77}};
constexpr Layout kSmall{46, 62, 4.0, 14, {11, true}, 3, 21, 3.6, {8, true}, 8.6, false, false, {16.5, 5.5, 25, 51}};

bool IsRed(int card)
{
    return card == landlord::kBigJoker || (card < 52 && (card / 13 == 1 || card / 13 == 3));
}

// ---- Masks ----------------------------------------------------------------------------------

// The mask turned half round, as the bottom-right index is the top-left one seen upside down.
Mask Turned(const Mask& m)
{
    Mask turned(m.Width(), m.Height());
    for (int y = 0; y < m.Height(); ++y)
        for (int x = 0; x < m.Width(); ++x)
            turned.Set(x, y, m.At(m.Width() - 1 - x, m.Height() - 1 - y));
    return turned;
}

// The ink of a text with its top at `top`, centred across on centreX, squeezed across (never
// stretched) to fit maxWidth: "10" in a corner built for one letter.
Mask InkAt(const std::wstring& text, const Font& font, const Canvas& on, double centreX, double top, double maxWidth)
{
    Mask out(on.Width(), on.Height());
    const TextSize size = MeasureText(text, font);
    constexpr int kPad = 2;
    const Mask glyphs = TextMask(text, font, size.width + 2 * kPad, size.height + 2 * kPad, kPad, size.ascent + kPad);
    const PixelBounds ink = glyphs.Bounds(0.02f);
    if (ink.Empty())
        return out;
    const double scale = std::min(1.0, maxWidth / ink.width);
    const double width = ink.width * scale;
    const int left = int(std::lround(centreX - width / 2));
    const int y0 = int(std::lround(top));
    // Each pixel of the result averages the glyphs' pixels its footprint covers.
    for (int ox = 0; ox < int(std::ceil(width)); ++ox)
    {
        const double s0 = ox / scale, s1 = std::min<double>(ink.width, (ox + 1) / scale);
        for (int oy = 0; oy < ink.height; ++oy)
        {
            double sum = 0;
            for (int sx = int(std::floor(s0)); sx < int(std::ceil(s1)); ++sx)
            {
                const double part = std::min(s1, sx + 1.0) - std::max(s0, double(sx));
                sum += part * glyphs.At(ink.x + sx, ink.y + oy);
            }
            out.Set(left + ox, y0 + oy, float(sum / (s1 - s0)));
        }
    }
    return out;
}

// ---- The suits, as shapes of radius r round their middle --------------------------------------

Path SuitPath(int suit, Vec2 m, double r)
{
    Path p;
    switch (suit)
    {
    case 0: // spade: a heart upside down, with a stem
        p.AddEllipse({m.x - r * 0.48, m.y + r * 0.15}, r * 0.52, r * 0.52)
            .AddEllipse({m.x + r * 0.48, m.y + r * 0.15}, r * 0.52, r * 0.52)
            .AddPolygon({{m.x - r * 0.98, m.y + 0.08 * r}, {m.x, m.y - r}, {m.x + r * 0.98, m.y + 0.08 * r}})
            .AddPolygon({{m.x - r * 0.38, m.y + r}, {m.x, m.y + r * 0.2}, {m.x + r * 0.38, m.y + r}});
        break;
    case 1: // heart
        p.AddEllipse({m.x - r * 0.48, m.y - r * 0.3}, r * 0.52, r * 0.52)
            .AddEllipse({m.x + r * 0.48, m.y - r * 0.3}, r * 0.52, r * 0.52)
            .AddPolygon({{m.x - r * 0.98, m.y - r * 0.18}, {m.x + r * 0.98, m.y - r * 0.18}, {m.x, m.y + r}});
        break;
    case 2: // club
        p.AddEllipse({m.x, m.y - r * 0.5}, r * 0.45, r * 0.45)
            .AddEllipse({m.x - r * 0.52, m.y + r * 0.12}, r * 0.45, r * 0.45)
            .AddEllipse({m.x + r * 0.52, m.y + r * 0.12}, r * 0.45, r * 0.45)
            .AddEllipse(m, r * 0.25, r * 0.25)
            .AddPolygon({{m.x - r * 0.38, m.y + r}, {m.x, m.y}, {m.x + r * 0.38, m.y + r}});
        break;
    default: // diamond
        p.AddPolygon({{m.x, m.y - r}, {m.x + r * 0.74, m.y}, {m.x, m.y + r}, {m.x - r * 0.74, m.y}});
        break;
    }
    return p;
}

// The sign upside down, as the lower half of a card shows its pips.
Path TurnedSuitPath(int suit, Vec2 m, double r)
{
    const Transform turn =
        Transform::Translate(-m.x, -m.y).Then(Transform::Rotate(kPi)).Then(Transform::Translate(m.x, m.y));
    return SuitPath(suit, m, r).Transformed(turn);
}

Path StarPath(Vec2 m, double outer, double inner, int points)
{
    std::vector<Vec2> corners;
    for (int i = 0; i < points * 2; ++i)
    {
        const double a = -kPi / 2 + i * kPi / points;
        const double r = i % 2 ? inner : outer;
        corners.push_back({m.x + r * std::cos(a), m.y + r * std::sin(a)});
    }
    return Path().AddPolygon(corners);
}

// ---- The parts of a face ----------------------------------------------------------------------

// The white card: its thin dark border, the face a touch warmer towards the bottom right and
// shaded a little inside its lower edges, as a card bowed by the hand that holds it.
void PaintBlank(Canvas& c, const Layout& l)
{
    c.Fill(RoundBoxOn(c, {1, 1, l.width - 2.0, l.height - 2.0}, l.radius), Paint::Solid(Rgb(kEdge)));
    const Mask face = RoundBoxOn(c, {2, 2, l.width - 4.0, l.height - 4.0}, l.radius - 1);
    c.Fill(face, Paint::Linear({0, 0}, {double(l.width), double(l.height)}, Rgb(0xFFFFFF), Rgb(0xF1EDE4)));
    c.Fill(BevelDark(face, 2), Paint::Solid(Sexy::Color::Black), 0.10f);
}

const wchar_t* const kRankNames[13] = {L"3", L"4", L"5", L"6", L"7", L"8", L"9", L"10", L"J", L"Q", L"K", L"A", L"2"};

// The top-left index: the rank and the suit sign under it, both within the strip.
Mask CornerIndex(const Canvas& c, const Layout& l, int suit, int rankIndex)
{
    const double middle = l.strip / 2.0 + 0.5;
    const Mask rank = InkAt(kRankNames[rankIndex], l.rank, c, middle, l.rankTop, l.strip - 4);
    return rank.Union(ShapeOn(c, SuitPath(suit, {middle, l.suitY}, l.suitR)));
}

// Where the pips of a rank go, as (column, row): columns -1, 0, 1 left to right, rows 0 at the
// top of the pip field to 1 at its bottom.
struct Pip
{
    int column;
    double row;
};

std::vector<Pip> PipsOf(int count)
{
    const std::vector<Pip> sides = {{-1, 0}, {1, 0}, {-1, 1}, {1, 1}};
    const std::vector<Pip> sidesMid = {{-1, 0}, {1, 0}, {-1, 0.5}, {1, 0.5}, {-1, 1}, {1, 1}};
    const double third = 1.0 / 3, sixth = 1.0 / 6;
    switch (count)
    {
    case 2:
        return {{0, 0}, {0, 1}};
    case 3:
        return {{0, 0}, {0, 0.5}, {0, 1}};
    case 4:
        return sides;
    case 5:
    {
        std::vector<Pip> p = sides;
        p.push_back({0, 0.5});
        return p;
    }
    case 6:
        return sidesMid;
    case 7:
    {
        std::vector<Pip> p = sidesMid;
        p.push_back({0, 0.25});
        return p;
    }
    case 8:
    {
        std::vector<Pip> p = sidesMid;
        p.push_back({0, 0.25});
        p.push_back({0, 0.75});
        return p;
    }
    case 9:
    case 10:
    {
        std::vector<Pip> p;
        for (int column : {-1, 1})
            for (double row : {0.0, third, 2 * third, 1.0})
                p.push_back({column, row});
        if (count == 9)
            p.push_back({0, 0.5});
        else
        {
            p.push_back({0, sixth});
            p.push_back({0, 1 - sixth});
        }
        return p;
    }
    default:
        return {};
    }
}

// The middle of a number card: its pips (a big card) or one big sign (a small one, or an ace).
Mask MiddleSigns(const Canvas& c, const Layout& l, int suit, int rankIndex)
{
    const double cx = l.width / 2.0, cy = l.height / 2.0;
    const bool ace = rankIndex == 11;
    if (!l.pips || ace)
    {
        const double r = ace && l.pips ? 15 : l.height * 0.2;
        const double x = l.pips ? cx : (l.strip + l.width - 1) / 2.0;
        return ShapeOn(c, SuitPath(suit, {x, l.pips ? cy : cy + 3}, r));
    }
    // The field of pip centres between the index strips, 3 to 10 (and the 2) counted from the
    // rank: rank index 0 is the 3, index 12 the 2.
    const int count = rankIndex == 12 ? 2 : rankIndex + 3;
    const double top = 15.5, bottom = l.height - 15.5, step = 11.2, r = 5.6;
    Path pips;
    for (const Pip& pip : PipsOf(count))
    {
        const Vec2 at{cx + pip.column * step, top + pip.row * (bottom - top)};
        pips.AddPath(pip.row > 0.5 ? TurnedSuitPath(suit, at, r) : SuitPath(suit, at, r));
    }
    return ShapeOn(c, pips);
}

// A figure card: its letter on a framed ground, a suit sign beneath it.
void DrawCourt(Canvas& c, const Layout& l, int suit, int rankIndex, int ink)
{
    const Box& f = l.court;
    const Mask ground = RoundBoxOn(c, f, 2);
    c.Fill(ground, Paint::Linear({f.x, f.y}, {f.Right(), f.Bottom()}, Rgb(kCourtGround), Rgb(0xEEDDB2)));
    c.Fill(ShapeOn(c, Stroke(Path().AddRoundedRect(f.x, f.y, f.w, f.h, 2), 1.2)), Paint::Solid(Rgb(ink)));
    c.Fill(ShapeOn(c, Stroke(Path().AddRoundedRect(f.x + 2.5, f.y + 2.5, f.w - 5, f.h - 5, 1), 0.7)),
           Paint::Solid(Rgb(kGoldDark)), 0.9f);
    const Font font{l.pips ? 30 : 18, true};
    const Box letterBox{f.x, f.y + f.h * 0.08, f.w, f.h * 0.52};
    const Mask letter = CentredText(kRankNames[rankIndex], font, c.Width(), c.Height(), letterBox.x, letterBox.y,
                                    letterBox.w, letterBox.h);
    c.Fill(letter, Paint::Solid(Rgb(kGoldLight)), 0.9f, 1, 1);
    c.Fill(letter, Paint::Solid(Rgb(ink)));
    const double r = l.pips ? 8 : 5;
    c.Fill(ShapeOn(c, SuitPath(suit, {f.x + f.w / 2, f.y + f.h * 0.77}, r)), Paint::Solid(Rgb(ink)));
    // A small crown over the king's and the queen's letters, none over the jack's.
    if (rankIndex == 9 || rankIndex == 10)
    {
        const double s = l.pips ? 1.0 : 0.62, x = f.x + f.w / 2, y = f.y + 3.8 * s + 2;
        const Path crown = Path().AddPolygon({{x - 6 * s, y + 5 * s},
                                              {x - 7 * s, y},
                                              {x - 3 * s, y + 2.5 * s},
                                              {x, y - 1.5 * s},
                                              {x + 3 * s, y + 2.5 * s},
                                              {x + 7 * s, y},
                                              {x + 6 * s, y + 5 * s}});
        c.Fill(ShapeOn(c, crown), Paint::Solid(Rgb(kGoldDark)));
    }
}

void DrawSuited(Canvas& c, const Layout& l, int card)
{
    const int suit = card / 13, rankIndex = card % 13;
    const int ink = IsRed(card) ? kRed : kBlack;
    Mask index = CornerIndex(c, l, suit, rankIndex);
    if (l.turnedIndex)
        index = index.Union(Turned(index));
    c.Fill(index, Paint::Solid(Rgb(ink)));
    if (rankIndex >= 8 && rankIndex <= 10)
        DrawCourt(c, l, suit, rankIndex, ink);
    else
        c.Fill(MiddleSigns(c, l, suit, rankIndex), Paint::Solid(Rgb(ink)));
}

// A joker: "JOKER" down the corner, one letter under the other, and a jester's star in the
// middle, a bell on each point. The small joker in black and grey, the big one in red and gold.
void DrawJoker(Canvas& c, const Layout& l, bool big)
{
    const int ink = big ? kRed : kBlack;
    const int inner = big ? kGold : kGrey;
    const double middle = l.strip / 2.0 + 0.5;
    Mask letters(c.Width(), c.Height());
    const wchar_t* const kLetters[] = {L"J", L"O", L"K", L"E", L"R"};
    for (int i = 0; i < 5; ++i)
        letters = letters.Union(InkAt(kLetters[i], l.joker, c, middle, l.rankTop + i * l.jokerStep, l.strip - 4));
    if (l.turnedIndex)
        letters = letters.Union(Turned(letters));
    c.Fill(letters, Paint::Solid(Rgb(ink)));

    const Vec2 m = l.pips ? Vec2{l.width / 2.0, l.height / 2.0} : Vec2{(l.strip + l.width - 1) / 2.0, l.height * 0.6};
    const double outer = l.pips ? 17 : 13;
    Path bells;
    for (int i = 0; i < 5; ++i)
    {
        const double a = -kPi / 2 + i * 2 * kPi / 5;
        bells.AddEllipse({m.x + outer * std::cos(a), m.y + outer * std::sin(a)}, outer * 0.13, outer * 0.13);
    }
    c.Fill(ShapeOn(c, StarPath(m, outer, outer * 0.45, 5).AddPath(bells)), Paint::Solid(Rgb(ink)));
    c.Fill(ShapeOn(c, StarPath(m, outer * 0.55, outer * 0.25, 5)), Paint::Solid(Rgb(inner)));
}

// The back: claret in a white margin, a gold lattice over it, a gold frame and a diamond in the
// middle; the same whichever way up it lies.
void DrawBack(Canvas& c, const Layout& l)
{
    const double margin = l.pips ? 5 : 4;
    const Box field{margin, margin, l.width - 2 * margin, l.height - 2 * margin};
    const Mask ground = RoundBoxOn(c, field, std::max(1.0, l.radius - 2));
    c.Fill(ground,
           Paint::Linear({field.x, field.y}, {field.Right(), field.Bottom()}, Rgb(kClothLight), Rgb(kClothDark)));
    // Two families of diagonal lines, each pixel covered by its distance to the nearest line.
    constexpr double kPeriod = 7, kHalfWidth = 0.55;
    Mask lattice(c.Width(), c.Height());
    for (int y = 0; y < c.Height(); ++y)
        for (int x = 0; x < c.Width(); ++x)
        {
            float cover = 0;
            for (const double t : {x + y + 1.0, x - y + 1000.0})
            {
                const double phase = std::fmod(t, kPeriod);
                const double d = std::min(phase, kPeriod - phase) / std::sqrt(2.0);
                cover = std::max(cover, float(std::clamp(kHalfWidth + 0.5 - d, 0.0, 1.0)));
            }
            lattice.Set(x, y, cover);
        }
    c.Fill(lattice.Intersect(ground), Paint::Solid(Rgb(kGold)), 0.45f);
    const Box frame = field.Inset(2.5);
    c.Fill(ShapeOn(c, Stroke(Path().AddRoundedRect(frame.x, frame.y, frame.w, frame.h, 1.5), 1.0)),
           Paint::Solid(Rgb(kGoldLight)), 0.9f);
    const Vec2 m{l.width / 2.0, l.height / 2.0};
    const double r = l.pips ? 14 : 9;
    const Mask diamond =
        ShapeOn(c, Path().AddPolygon({{m.x, m.y - r}, {m.x + r * 0.7, m.y}, {m.x, m.y + r}, {m.x - r * 0.7, m.y}}));
    c.Fill(diamond.Dilated(1.2), Paint::Solid(Rgb(kClothDark)));
    PaintRaised(c, diamond, Material::Gold);
    c.Fill(ShapeOn(c, SuitPath(1, m, r * 0.38)), Paint::Solid(Rgb(kCloth)));
}

void DrawCard(Canvas& c, int cel, const Layout& l)
{
    PaintBlank(c, l);
    if (cel == kBack)
        DrawBack(c, l);
    else if (cel == landlord::kSmallJoker || cel == landlord::kBigJoker)
        DrawJoker(c, l, cel == landlord::kBigJoker);
    else if (cel >= 0 && cel < landlord::kSmallJoker)
        DrawSuited(c, l, cel);
}

Picture CardStrip(const char* name, const Layout& l)
{
    return {name, SkinPart::Game, kCels * l.width, l.height, kCels, FileFormat::Png, [&l](Canvas& c, int cel) {
                DrawCard(c, cel, l);
            }};
}

} // namespace

std::vector<Picture> CardPictures()
{
    return {CardStrip("images/cards/card", kBig), CardStrip("images/cards/card_small", kSmall)};
}

} // namespace skin
