#include "tessaro/widgets/MenuWidget.h"

#include "pop/Common.h"
#include "pop/Font.h"
#include "pop/Graphics.h"
#include "pop/Image.h"
#include "tessaro/widgets/TextConversion.h"

#include <algorithm>
#include <cmath>

namespace Sexy
{

namespace
{

// The colour slots the menu draws with.
constexpr int kColorBase = 0;
constexpr int kColorHoverFill = 3;
constexpr int kColorHoverText = 4;
constexpr int kColorSelectedText = 6;
constexpr int kColorClickable = 7;
constexpr int kColorSeparator = 8;
constexpr int kCodeLength = 8;

} // namespace

MenuWidget::MenuWidget(int id, Font* font, ListListener* listener, SexyAppBase* app)
    : ListWidget(id, font, listener), m_pApp(app)
{
    int colors[][3] = {{21, 21, 21}, {255, 255, 255}, {176, 143, 95}, {0, 0, 0},   {255, 255, 255},
                       {85, 9, 14},  {255, 218, 153}, {0, 188, 255},  {55, 30, 30}};
    SetColors(colors, static_cast<int>(std::size(colors)));
    mDoFingerWhenHilited = false;
}

int MenuWidget::AddLine(const std::wstring& line)
{
    return ListWidget::AddLine(line, false);
}

int MenuWidget::AddLine(char* line)
{
    return AddLine(Ostra::string2wstring(line));
}

int MenuWidget::AddSeparator()
{
    return AddLine(std::wstring(kSeparator));
}

std::wstring MenuWidget::VisibleText(const std::wstring& line)
{
    std::wstring text;
    for (size_t i = 0; i < line.size(); ++i)
    {
        if (line[i] != L'^')
        {
            text += line[i];
            continue;
        }
        if (i + 1 < line.size() && line[i + 1] == L'^')
        {
            text += L'^';
            ++i;
            continue;
        }
        // A code takes eight characters; one that would run past the end ends the text.
        if (i + kCodeLength > line.size())
            break;
        i += kCodeLength - 1;
    }
    return text;
}

void MenuWidget::TrackPopupMenu(int x, int y, int userId)
{
    m_nUserId = userId;
    int width = 0;
    if (mFont)
    {
        for (const std::wstring& line : mLines)
        {
            // Only a line whose measure with its codes is wider needs its text measured.
            if (mFont->StringWidth(line) > width)
                width = std::max(width, mFont->StringWidth(VisibleText(line)));
        }
    }
    // The text starts kTextX in; as much room on the right keeps the widest line whole.
    if (width > 0)
        width += 2 * kTextX;
    const int height = static_cast<int>(mLines.size()) * GetItemHeight() + 2 * kTopMargin;
    OutputDebug("iMaxWidth%d x%d y%d w%d h%d\n", width, x, y, width, height);
    const int left = x + width > kScreenRight ? x - width : x;
    const int top = y + height >= kScreenBottom ? y - height : y;
    Resize(left, top, width, height);
    SetVisible(true);
}

void MenuWidget::MouseMove(int x, int y)
{
    Widget::MouseMove(x, y);
    int row = -1;
    const double at = std::floor(static_cast<double>(y - kTopMargin) / GetItemHeight() + mPosition);
    if (x >= 0 && x < mWidth && y >= kTopMargin && at >= 0 && at < static_cast<double>(mLines.size()) &&
        Clickable(mLines[static_cast<size_t>(at)]))
        row = static_cast<int>(at);
    mDoFinger = mDoFingerWhenHilited && row >= 0;
    if (row != mHiliteIdx)
        SetHilite(row);
}

void MenuWidget::MouseLeave()
{
    ListWidget::MouseLeave();
}

void MenuWidget::LostFocus()
{
    ListWidget::LostFocus();
    SetVisible(false);
}

void MenuWidget::Draw(Graphics* g)
{
    if (m_pBgImage)
        g->DrawImageBox(Rect(0, 0, mWidth, mHeight), m_pBgImage);
    auto color = [this](int slot) { return slot < static_cast<int>(mColors.size()) ? mColors[slot] : Color(); };
    g->SetColor(color(kColorBase));
    g->ClipRect(0, 0, mWidth, mHeight);
    if (!mFont)
        return;
    g->SetFont(mFont);
    const int rowHeight = GetItemHeight();
    const int textOffset = mItemHeight > 0 ? (rowHeight - mFont->GetHeight()) / 2 : 0;
    const int first = std::max(0, static_cast<int>(mPosition));
    const int last = std::min(static_cast<int>(mLines.size()) - 1, first + mPageSize + 1);
    for (int i = first; i <= last; ++i)
    {
        const std::wstring& line = mLines[static_cast<size_t>(i)];
        const int y = static_cast<int>((i - mPosition) * rowHeight) + kTopMargin;
        if (line == kSeparator)
        {
            g->SetColor(color(kColorSeparator));
            g->DrawLine(2, y + rowHeight / 2, mWidth - 4, y + rowHeight / 2);
            continue;
        }
        const bool hovered = i == mHiliteIdx;
        if (hovered)
        {
            g->SetColor(color(kColorHoverFill));
            g->FillRect(2, y, mWidth - 4, rowHeight);
        }
        Color text = GetLineColor(i);
        if (Clickable(line))
            text = color(kColorClickable);
        else if (hovered)
            text = color(kColorHoverText);
        else if (i == mSelectIdx)
            text = color(kColorSelectedText);
        g->SetColor(text);
        WriteString(g, line, kTextX, y + mFont->GetAscent() + textOffset);
    }
}

} // namespace Sexy
