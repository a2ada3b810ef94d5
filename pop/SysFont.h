// Fonts of the system, found by face name through fontconfig and drawn with SDL_ttf.
#pragma once

#include "pop/Font.h"

#include <cstdint>
#include <list>
#include <memory>
#include <string>
#include <unordered_map>

typedef struct _TTF_Font TTF_Font;

namespace Sexy
{

class MemoryImage;

class SysFont : public Font
{
public:
    // face: the face name in the system's 8-bit text (GBK), such as "宋体" or "Arial".
    // points: size at 96 dots per inch (pixels = points * 96 / 72).
    // When the face is not installed, or when it names a Chinese face, an installed font that
    // covers Chinese is used instead. Even when nothing can be opened the object is usable: it
    // measures every text as 0 wide and draws nothing (IsValid() tells).
    SysFont(const std::string& face, int points, bool bold = false, bool italic = false, bool underline = false);
    // A copy opens the same face anew; caches are not shared.
    SysFont(const SysFont& other);
    SysFont& operator=(const SysFont&) = delete;
    ~SysFont() override;

    bool IsValid() const { return mFont != nullptr; }
    const std::string& GetFace() const { return mFace; }
    int GetPointSize() const { return mPoints; }
    bool IsBold() const { return mBold; }
    bool IsItalic() const { return mItalic; }
    bool IsUnderline() const { return mUnderline; }
    // The font file that is drawn with (UTF-8 path), empty when none.
    const std::string& GetFontFile() const { return mFontFile; }

    int GetAscent() const override { return mAscent; }
    int GetDescent() const override { return mDescent; }
    int GetHeight() const override { return mHeight; }
    int GetLineSpacing() const override { return mLineSpacing; }

    int StringWidth(const SexyString& text) override;
    int CharWidth(wchar_t ch) override;
    void DrawString(Graphics* g, int x, int y, const SexyString& text, const Color& color) override;

    std::unique_ptr<Font> Duplicate() const override;

    // The cached white picture of a text (glyph coverage in alpha); null for empty text or when
    // the text cannot be rendered. Valid until the next call on this font.
    MemoryImage* GetTextImage(const SexyString& text);

private:
    struct TtfDeleter
    {
        void operator()(TTF_Font* font) const;
    };
    struct CachedRun
    {
        std::unique_ptr<MemoryImage> image;
        std::list<SexyString>::iterator lru;
    };

    void Open();

    std::string mFace;
    int mPoints;
    bool mBold;
    bool mItalic;
    bool mUnderline;
    std::string mFontFile;
    std::unique_ptr<TTF_Font, TtfDeleter> mFont;
    int mAscent = 0;
    int mDescent = 0;
    int mHeight = 0;
    int mLineSpacing = 0;

    // Rendered text runs, least recently used first out.
    std::unordered_map<SexyString, CachedRun> mRuns;
    std::list<SexyString> mRunOrder;
    std::unordered_map<SexyString, int> mWidths;
    std::unordered_map<wchar_t, int> mCharWidths;
};

} // namespace Sexy
