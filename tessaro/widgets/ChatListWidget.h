// The chat pane of the table: keeps the lines (at most kMaxLines, oldest first), cuts every added
// text into lines that fit the widget by measuring it, colours each line with a colour code of its
// own, scrolls with a skinned scrollbar and the wheel, and can add queued lines one at a time on
// timer 1.
//
// Colour codes are "^" + six characters (red, green, blue as two hexadecimal digits each, or
// "oldclr") + "0"; the framework's string drawing switches colour on them and never draws them.
// Text from players never carries codes: EatColorChat turns every "^" into a blank before a line
// is stored.
#pragma once

#include "pop/Listeners.h"
#include "pop/Widget.h"
#include "tessaro/widgets/Timer.h"

#include <memory>
#include <string>
#include <vector>

namespace Sexy
{

class Font;
class Image;
class SexyAppBase;
class SkinScrollbarWidget;

class ChatListWidget : public Widget, public ScrollListener
{
public:
    static constexpr std::size_t kMaxLines = 1000;
    // Lines are cut this much narrower than the widget, room for the scrollbar and the margin.
    static constexpr int kCutMargin = 30;

    explicit ChatListWidget(SexyAppBase* app);
    ~ChatListWidget() override;
    ChatListWidget(const ChatListWidget&) = delete;
    ChatListWidget& operator=(const ChatListWidget&) = delete;

    void Update() override;
    void Draw(Graphics* g) override;
    void Resize(int x, int y, int width, int height) override;
    void MouseDown(int x, int y, int clickCount) override;
    void MouseWheel(int delta) override;
    virtual void OnTimer(int id);

    void ScrollPosition(int id, double value) override;

    // Adds the text in the colour of the table's entry colorIndex (white outside the table).
    void AddChat(std::wstring text, int colorIndex);
    // Empties the list.
    void RemoveAll();
    // Every "^" of the text becomes a blank, so that no colour code survives in it.
    static void EatColorChat(std::wstring* text);
    // Creates the scrollbar on the first call; the images in the order the skinned scrollbar's
    // SetImage takes them (up, down, track, thumb).
    void SetScrollbarImage(Image* up, Image* down, Image* track, Image* thumb);
    // Takes ownership of the font; the current one is deleted.
    void SetFont(Font* font);

    SexyAppBase* m_pApp = nullptr;
    std::unique_ptr<Font> m_pFont;
    int m_nShowLines = 5;
    std::vector<std::wstring> m_vecLines;
    // Per row of m_vecLines: whether it begins a text of its own; the rows up to the next such row
    // are that text cut to the list's width.
    std::vector<bool> m_vecEntryStart;
    int m_nFirstLine = 0;
    // Lines waiting for timer 1 (see OnTimer); the library never starts that timer itself.
    std::vector<std::wstring> m_vecPending;
    int m_nTick = 0;
    int m_nTickPeriod = 0;
    Ostra::Timer m_Timer;
    std::unique_ptr<SkinScrollbarWidget> m_pScrollbar;
    int m_nScrollbarWidth = 16;
    int m_nLineHeight = 16;

    // The colour code that starts every line of a text of that colour index.
    std::wstring ColorPrefix(int colorIndex) const;

private:
    // The length of the line that starts at start: up to and with a line feed, or the first
    // length whose width reaches limit, or the rest of the text.
    size_t PieceLength(const std::wstring& text, size_t start, int limit);
};

} // namespace Sexy
