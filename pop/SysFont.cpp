#include "pop/SysFont.h"

#include "pop/Graphics.h"
#include "pop/Image.h"

#include "platform/Text.h"

#include <SDL.h>
#include <SDL_ttf.h>
#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cctype>
#include <map>
#include <mutex>

namespace Sexy
{

namespace
{

// Rendered runs kept per font; a typical screen draws a few dozen different strings.
constexpr size_t kMaxRuns = 256;
constexpr size_t kMaxWidths = 4096;

struct PatternDeleter
{
    void operator()(FcPattern* p) const { FcPatternDestroy(p); }
};
using PatternPtr = std::unique_ptr<FcPattern, PatternDeleter>;

struct FontFile
{
    std::string path;
    int index = 0;
};

bool SameName(const std::string& a, const std::string& b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [](char x, char y) {
                                                  return std::tolower(static_cast<unsigned char>(x)) ==
                                                         std::tolower(static_cast<unsigned char>(y));
                                              });
}

// The best match for a pattern; families receives every family name of the match.
FontFile Match(FcPattern* pattern, std::vector<std::string>* families)
{
    FontFile out;
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    PatternPtr match(FcFontMatch(nullptr, pattern, &result));
    if (!match)
        return out;
    FcChar8* file = nullptr;
    if (FcPatternGetString(match.get(), FC_FILE, 0, &file) == FcResultMatch && file)
        out.path = reinterpret_cast<const char*>(file);
    int index = 0;
    if (FcPatternGetInteger(match.get(), FC_INDEX, 0, &index) == FcResultMatch)
        out.index = index;
    FcChar8* family = nullptr;
    for (int n = 0; families && FcPatternGetString(match.get(), FC_FAMILY, n, &family) == FcResultMatch; ++n)
        families->push_back(reinterpret_cast<const char*>(family));
    return out;
}

// A face name in UTF-8 to a font file: the face itself when it is installed, else a font that
// covers Chinese (the system's text is Chinese, and its usual faces are Chinese ones), else
// whatever fontconfig offers for the name. Results are kept for the life of the process.
FontFile FindFontFile(const std::string& faceUtf8)
{
    static std::mutex mutex;
    static std::map<std::string, FontFile> cache;
    std::lock_guard<std::mutex> lock(mutex);
    auto found = cache.find(faceUtf8);
    if (found != cache.end())
        return found->second;
    // fontconfig stays loaded until the process ends; FcFini then frees what FcInit built.
    struct Session
    {
        bool ok = FcInit() == FcTrue;
        ~Session()
        {
            if (ok)
                FcFini();
        }
    };
    static Session session;
    FontFile result;
    if (session.ok)
    {
        std::vector<std::string> families;
        FontFile named;
        if (!faceUtf8.empty())
        {
            PatternPtr pattern(FcPatternCreate());
            if (pattern)
            {
                FcPatternAddString(pattern.get(), FC_FAMILY, reinterpret_cast<const FcChar8*>(faceUtf8.c_str()));
                named = Match(pattern.get(), &families);
            }
        }
        bool installed = std::any_of(families.begin(), families.end(),
                                     [&](const std::string& family) { return SameName(family, faceUtf8); });
        if (installed && !named.path.empty())
            result = named;
        else
        {
            PatternPtr pattern(FcPatternCreate());
            if (pattern)
            {
                FcPatternAddString(pattern.get(), FC_LANG, reinterpret_cast<const FcChar8*>("zh-cn"));
                FcPatternAddBool(pattern.get(), FC_OUTLINE, FcTrue);
                result = Match(pattern.get(), nullptr);
            }
            if (result.path.empty())
                result = named;
        }
    }
    cache[faceUtf8] = result;
    return result;
}

} // namespace

void SysFont::TtfDeleter::operator()(TTF_Font* font) const
{
    TTF_CloseFont(font);
    TTF_Quit(); // balances the TTF_Init of Open
}

SysFont::SysFont(const std::string& face, int points, bool bold, bool italic, bool underline)
    : mFace(face), mPoints(points), mBold(bold), mItalic(italic), mUnderline(underline)
{
    Open();
}

SysFont::SysFont(const SysFont& other)
    : Font(), mFace(other.mFace), mPoints(other.mPoints), mBold(other.mBold), mItalic(other.mItalic),
      mUnderline(other.mUnderline)
{
    Open();
}

SysFont::~SysFont() = default;

void SysFont::Open()
{
    FontFile file = FindFontFile(platform::GbkToUtf8(mFace));
    if (file.path.empty())
        return;
    // SDL_ttf counts its initialisations; each open font holds one until it is closed.
    if (TTF_Init() != 0)
        return;
    int points = std::clamp(mPoints, 1, 500);
    TTF_Font* font = TTF_OpenFontIndexDPI(file.path.c_str(), points, file.index, 96, 96);
    if (!font)
    {
        TTF_Quit();
        return;
    }
    mFont.reset(font);
    mFontFile = file.path;
    int style = TTF_STYLE_NORMAL;
    if (mBold)
        style |= TTF_STYLE_BOLD;
    if (mItalic)
        style |= TTF_STYLE_ITALIC;
    if (mUnderline)
        style |= TTF_STYLE_UNDERLINE;
    TTF_SetFontStyle(font, style);
    // Rendered runs are mHeight tall with the baseline mAscent from the top; the descent is what
    // lies below it, so that ascent and descent add up to the height exactly.
    mAscent = TTF_FontAscent(font);
    mHeight = std::max(TTF_FontHeight(font), mAscent);
    mDescent = mHeight - mAscent;
    mLineSpacing = TTF_FontLineSkip(font);
}

namespace
{

// A run is one line: control characters (a line break that ends a chat line, a tab) have no
// glyph in it, and the face would draw them as boxes.
std::string PrintableUtf8(const SexyString& text)
{
    SexyString printable;
    printable.reserve(text.size());
    for (const wchar_t c : text)
    {
        if (c >= 0x20 && c != 0x7F)
            printable.push_back(c);
    }
    return platform::WideToUtf8(printable);
}

} // namespace

int SysFont::StringWidth(const SexyString& text)
{
    if (!mFont || text.empty())
        return 0;
    auto found = mWidths.find(text);
    if (found != mWidths.end())
        return found->second;
    int w = 0, h = 0;
    const std::string utf8 = PrintableUtf8(text);
    if (utf8.empty() || TTF_SizeUTF8(mFont.get(), utf8.c_str(), &w, &h) != 0)
        w = 0;
    if (mWidths.size() >= kMaxWidths)
        mWidths.clear();
    mWidths.emplace(text, w);
    return w;
}

int SysFont::CharWidth(wchar_t ch)
{
    if (!mFont)
        return 0;
    auto found = mCharWidths.find(ch);
    if (found != mCharWidths.end())
        return found->second;
    int w = StringWidth(SexyString(1, ch));
    mCharWidths.emplace(ch, w);
    return w;
}

MemoryImage* SysFont::GetTextImage(const SexyString& text)
{
    if (!mFont || text.empty())
        return nullptr;
    auto found = mRuns.find(text);
    if (found != mRuns.end())
    {
        mRunOrder.splice(mRunOrder.end(), mRunOrder, found->second.lru);
        return found->second.image.get();
    }
    const std::string utf8 = PrintableUtf8(text);
    if (utf8.empty())
        return nullptr;
    // White glyphs; the drawing colour is applied as a colour modulation when the run is drawn.
    SurfacePtr rendered(TTF_RenderUTF8_Blended(mFont.get(), utf8.c_str(), SDL_Color{255, 255, 255, 255}));
    auto image = std::make_unique<MemoryImage>();
    if (!rendered || !image->SetFromSurface(rendered.get()))
        return nullptr;
    if (mRuns.size() >= kMaxRuns)
    {
        mRuns.erase(mRunOrder.front());
        mRunOrder.pop_front();
    }
    mRunOrder.push_back(text);
    MemoryImage* raw = image.get();
    mRuns.emplace(text, CachedRun{std::move(image), std::prev(mRunOrder.end())});
    return raw;
}

void SysFont::DrawString(Graphics* g, int x, int y, const SexyString& text, const Color& color)
{
    if (!g)
        return;
    MemoryImage* run = GetTextImage(text);
    if (!run)
        return;
    g->PushState();
    g->SetColor(color);
    g->SetColorizeImages(true);
    g->DrawImage(run, x, y - mAscent);
    g->PopState();
}

std::unique_ptr<Font> SysFont::Duplicate() const
{
    return std::make_unique<SysFont>(*this);
}

} // namespace Sexy
