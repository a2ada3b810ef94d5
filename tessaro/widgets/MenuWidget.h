// The popup menu of the table (the player menu, the user-information card): a list whose lines may
// carry colour codes and whose only clickable lines begin with "[". "_seperator" lines are drawn
// as a rule. TrackPopupMenu sizes the menu to its widest visible text with a margin of kTextX on
// both sides, turns it left or up where it would leave the screen, and shows it; losing the focus
// hides it.
#pragma once

#include "pop/ListWidget.h"

#include <string>

namespace Sexy
{

class Image;
class SexyAppBase;

// Its own AddLine(text) and AddLine(char*) stand beside the list's virtual AddLine(text, sorted)
// on purpose (a menu is never sorted); clang would warn that they hide it.
#ifdef __clang__
#pragma clang diagnostic push
#pragma clang diagnostic ignored "-Woverloaded-virtual"
#endif
class MenuWidget : public ListWidget
{
public:
    // The line text of a separator (spelled so by the system).
    static constexpr const wchar_t* kSeparator = L"_seperator";
    // The screen the menu stays inside.
    static constexpr int kScreenRight = 1024;
    static constexpr int kScreenBottom = 718;
    // Rows start this far below the menu's top; the menu is twice that taller than its rows.
    static constexpr int kTopMargin = 8;
    static constexpr int kTextX = 8;

    MenuWidget(int id, Font* font, ListListener* listener, SexyAppBase* app);

    int AddLine(const std::wstring& line);
    int AddLine(char* line);
    int AddSeparator();
    void TrackPopupMenu(int x, int y, int userId);
    int GetUserID() const { return m_nUserId; }
    void SetBGImage(Image* image) { m_pBgImage = image; }

    void Draw(Graphics* g) override;
    void MouseMove(int x, int y) override;
    void MouseLeave() override;
    void LostFocus() override;

    // The text a line shows: colour codes left out, "^^" read as one "^".
    static std::wstring VisibleText(const std::wstring& line);

    SexyAppBase* m_pApp = nullptr;
    int m_nUserId = 0;
    Image* m_pBgImage = nullptr;

private:
    static bool Clickable(const std::wstring& line) { return !line.empty() && line[0] == L'['; }
};
#ifdef __clang__
#pragma clang diagnostic pop
#endif

} // namespace Sexy
