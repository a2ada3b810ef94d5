#include "pop/ListWidget.h"

#include "pop/Font.h"
#include "pop/Graphics.h"
#include "pop/ScrollbarWidget.h"
#include "pop/WidgetManager.h"

#include <algorithm>
#include <cmath>

namespace Sexy
{

namespace
{

// Row heights without a font.
constexpr int kDefaultItemHeight = 16;

bool InChain(const std::vector<ListWidget*>& lists, const ListWidget* list)
{
    return std::find(lists.begin(), lists.end(), list) != lists.end();
}

} // namespace

ListWidget::ListWidget(int id, Font* font, ListListener* listener) : mId(id), mFont(font), mListListener(listener)
{
    mColors = {Color::White, Color::Black,       Color::Black, Color(200, 220, 255),
               Color::Black, Color(40, 80, 160), Color::White};
    UpdatePageSize();
}

ListWidget::~ListWidget()
{
    Unbind();
    // The neighbours close the gap (a neighbour never ends up linked to itself).
    if (m_pPrev != nullptr && m_pPrev->m_pNext == this)
        m_pPrev->m_pNext = m_pNext != m_pPrev ? m_pNext : nullptr;
    if (m_pNext != nullptr && m_pNext->m_pPrev == this)
        m_pNext->m_pPrev = m_pPrev != m_pNext ? m_pPrev : nullptr;
    m_pPrev = nullptr;
    m_pNext = nullptr;
}

// ---------------------------------------------------------------------------------------------
// Lines

int ListWidget::AddLine(const SexyString& line, bool alphaSort)
{
    int row = GetLineCount();
    if (alphaSort)
    {
        auto it = std::find_if(mLines.begin(), mLines.end(), [&](const SexyString& s) { return s > line; });
        row = static_cast<int>(it - mLines.begin());
    }
    return InsertLine(row, line);
}

int ListWidget::InsertLine(int row, const SexyString& line)
{
    row = std::clamp(row, 0, GetLineCount());
    mLines.insert(mLines.begin() + row, line);
    mLineColors.insert(mLineColors.begin() + row, GetColor(COLOR_TEXT));
    if (mHiliteIdx >= row)
        ++mHiliteIdx;
    if (mSelectIdx >= row)
        ++mSelectIdx;
    MarkDirty();
    SyncScrollbar();
    return row;
}

int ListWidget::SetLine(int row, const SexyString& line)
{
    if (row < 0 || row >= GetLineCount())
        return -1;
    mLines[static_cast<size_t>(row)] = line;
    MarkDirty();
    return 0;
}

int ListWidget::RemoveLine(int row)
{
    if (row < 0 || row >= GetLineCount())
        return -1;
    mLines.erase(mLines.begin() + row);
    mLineColors.erase(mLineColors.begin() + row);
    auto follow = [row](int& idx)
    {
        if (idx == row)
            idx = -1;
        else if (idx > row)
            --idx;
    };
    follow(mHiliteIdx);
    follow(mSelectIdx);
    MarkDirty();
    SyncScrollbar();
    SetScrollPosition(mPosition);
    return 0;
}

void ListWidget::RemoveAll()
{
    mLines.clear();
    mLineColors.clear();
    mHiliteIdx = -1;
    mSelectIdx = -1;
    mPosition = 0.0;
    MarkDirty();
    SyncScrollbar();
}

SexyString ListWidget::GetStringAt(int row) const
{
    if (row < 0 || row >= GetLineCount())
        return SexyString();
    return mLines[static_cast<size_t>(row)];
}

void ListWidget::SetLineColor(int row, const Color& color)
{
    if (row < 0 || row >= static_cast<int>(mLineColors.size()))
        return;
    mLineColors[static_cast<size_t>(row)] = color;
    MarkDirty();
}

Color ListWidget::GetLineColor(int row) const
{
    if (row < 0 || row >= static_cast<int>(mLineColors.size()))
        return Color::Black;
    return mLineColors[static_cast<size_t>(row)];
}

// ---------------------------------------------------------------------------------------------
// Chain, selection, hover

void ListWidget::ForEachLinked(const std::function<void(ListWidget*)>& f)
{
    // Collected first, guarding against links that loop.
    std::vector<ListWidget*> left;
    for (ListWidget* l = m_pPrev; l != nullptr && l != this && !InChain(left, l); l = l->m_pPrev)
        left.push_back(l);
    std::vector<ListWidget*> chain(left.rbegin(), left.rend());
    chain.push_back(this);
    for (ListWidget* l = m_pNext; l != nullptr && !InChain(chain, l); l = l->m_pNext)
        chain.push_back(l);
    for (ListWidget* l : chain)
        f(l);
}

void ListWidget::SetSelect(int row)
{
    if (row < 0 || row >= GetLineCount())
        row = -1;
    ForEachLinked(
        [row](ListWidget* l)
        {
            if (l->mSelectIdx != row)
            {
                l->mSelectIdx = row;
                l->MarkDirty();
            }
        });
}

void ListWidget::SetHilite(int row)
{
    if (row < 0 || row >= GetLineCount())
        row = -1;
    int old = mHiliteIdx;
    ForEachLinked(
        [row](ListWidget* l)
        {
            if (l->mHiliteIdx != row)
            {
                l->mHiliteIdx = row;
                l->MarkDirty();
            }
        });
    if (old != row && mListListener != nullptr)
        mListListener->ListHiliteChanged(mId, old, row);
}

// ---------------------------------------------------------------------------------------------
// Scrolling

void ListWidget::SetScrollPosition(double position)
{
    if (!std::isfinite(position))
        position = 0.0;
    double top = mScrollbar != nullptr ? mScrollbar->mMaxValue - mScrollbar->mPageSize
                                       : static_cast<double>(GetLineCount() - mPageSize);
    position = std::min(position, std::max(top, 0.0));
    position = std::max(position, 0.0);
    ApplyPosition(position);
    // The bar may report to its listener, which may be this list; nothing follows the call.
    if (mScrollbar != nullptr)
        mScrollbar->SetValue(position);
}

void ListWidget::ScrollPosition(int id, double position)
{
    (void)id;
    ApplyPosition(std::isfinite(position) ? std::max(position, 0.0) : 0.0);
}

void ListWidget::ApplyPosition(double position)
{
    ForEachLinked(
        [position](ListWidget* l)
        {
            if (l->mPosition != position)
            {
                l->mPosition = position;
                l->MarkDirty();
            }
        });
    ForEachLinked(
        [](ListWidget* l)
        {
            if (l->mIsOver)
                l->RefreshHover();
        });
}

void ListWidget::RefreshHover()
{
    if (mWidgetManager == nullptr)
        return;
    Point abs = GetAbsPos();
    MouseMove(mWidgetManager->GetMouseX() - abs.mX, mWidgetManager->GetMouseY() - abs.mY);
}

void ListWidget::SetScrollbar(ScrollbarWidget* scrollbar)
{
    if (scrollbar == mScrollbar)
        return;
    Unbind();
    if (scrollbar == nullptr)
        return;
    mScrollbar = scrollbar;
    scrollbar->mBoundLists.push_back(this);
    if (scrollbar->mScrollListener == nullptr)
        scrollbar->mScrollListener = this;
    scrollbar->SetMaxValue(GetLineCount());
    scrollbar->SetPageSize(mPageSize);
    SetScrollPosition(mPosition);
}

void ListWidget::Unbind()
{
    ScrollbarWidget* bar = mScrollbar;
    mScrollbar = nullptr;
    if (bar == nullptr)
        return;
    auto& bound = bar->mBoundLists;
    bound.erase(std::remove(bound.begin(), bound.end(), this), bound.end());
    if (bar->mScrollListener == this)
        bar->mScrollListener = nullptr;
}

void ListWidget::SyncScrollbar()
{
    if (mScrollbar != nullptr)
        mScrollbar->SetMaxValue(GetLineCount());
}

// ---------------------------------------------------------------------------------------------
// Layout

int ListWidget::GetItemHeight() const
{
    if (mItemHeight > 0)
        return mItemHeight;
    if (mFont != nullptr && mFont->GetHeight() > 0)
        return mFont->GetHeight();
    return kDefaultItemHeight;
}

void ListWidget::SetFont(Font* font)
{
    mFont = font;
    UpdatePageSize();
    MarkDirty();
}

void ListWidget::SetItemHeight(int height)
{
    mItemHeight = height > 0 ? height : -1;
    UpdatePageSize();
    MarkDirty();
}

void ListWidget::UpdatePageSize()
{
    mPageSize = std::max(1, (mHeight - 2 * kRowInset) / GetItemHeight());
    if (mScrollbar != nullptr)
        mScrollbar->SetPageSize(mPageSize);
    SetScrollPosition(mPosition);
}

void ListWidget::Resize(int x, int y, int width, int height)
{
    Widget::Resize(x, y, width, height);
    UpdatePageSize();
}

int ListWidget::GetRowAt(int x, int y) const
{
    if (x < 0 || x >= mWidth || y < kRowInset || y >= mHeight)
        return -1;
    double row = std::floor(static_cast<double>(y - kRowInset) / GetItemHeight() + mPosition);
    if (row < 0.0 || row >= GetLineCount())
        return -1;
    return static_cast<int>(row);
}

// ---------------------------------------------------------------------------------------------
// Drawing

void ListWidget::Draw(Graphics* g)
{
    Color bkg = GetColor(COLOR_BKG, Color::Transparent);
    if (bkg.mAlpha > 0)
    {
        g->SetColor(bkg);
        g->FillRect(0, 0, mWidth, mHeight);
    }

    int height = GetItemHeight();
    int count = GetLineCount();
    int first = std::max(0, static_cast<int>(std::floor(mPosition)));
    int last = std::min(count - 1, first + mPageSize + 1);
    Color hiliteFill = GetColor(COLOR_HILITE, Color(200, 220, 255));
    Color selectFill = GetColor(COLOR_SELECT, Color(40, 80, 160));
    for (int row = first; row <= last; ++row)
    {
        int y = static_cast<int>(std::lround((row - mPosition) * height)) + kRowInset;
        if (y >= mHeight)
            break;
        if (row == mHiliteIdx && mDrawSelectWhenHilited)
            DrawRow(g, row, y, height, &hiliteFill, GetColor(COLOR_HILITE_TEXT));
        else if (row == mSelectIdx)
            DrawRow(g, row, y, height, &selectFill, GetColor(COLOR_SELECT_TEXT, Color::White));
        else
            DrawRow(g, row, y, height, nullptr, GetLineColor(row));
    }

    if (mDrawOutline)
    {
        g->SetColor(GetColor(COLOR_OUTLINE));
        g->DrawRect(0, 0, mWidth, mHeight);
    }
}

void ListWidget::DrawRow(Graphics* g, int row, int y, int height, const Color* fill, const Color& text)
{
    if (fill != nullptr)
    {
        g->SetColor(*fill);
        g->FillRect(0, y, mWidth, height);
    }
    if (mFont == nullptr)
        return;
    int offset = mItemHeight > 0 ? (height - mFont->GetHeight()) / 2 : 0;
    int justify = mJustify == JUSTIFY_CENTER ? 0 : (mJustify == JUSTIFY_RIGHT ? 1 : -1);
    g->PushState();
    g->ClipRect(0, y, mWidth, height);
    g->SetFont(mFont);
    g->SetColor(text);
    WriteString(g, mLines[static_cast<size_t>(row)], 4, y + mFont->GetAscent() + offset, mWidth - 8, justify);
    g->PopState();
}

// ---------------------------------------------------------------------------------------------
// Mouse

void ListWidget::MouseMove(int x, int y)
{
    Widget::MouseMove(x, y);
    int row = GetRowAt(x, y);
    mDoFinger = mDoFingerWhenHilited && row >= 0;
    SetHilite(row);
}

void ListWidget::MouseLeave()
{
    Widget::MouseLeave();
    mDoFinger = false;
    SetHilite(-1);
}

void ListWidget::MouseDown(int x, int y, int button, int clickCount)
{
    Widget::MouseDown(x, y, button, clickCount);
    // The row under the pointer, in the layout of whatever list this is.
    MouseMove(x, y);
    int row = mHiliteIdx;
    if (row < 0 || row >= GetLineCount())
        return;
    SetSelect(row);
    int count = std::abs(clickCount);
    if (button == 2)
        count = 3;
    else if (button == 1)
        count = -count;
    // The listener may delete this list; nothing follows the call.
    if (mListListener != nullptr)
        mListListener->ListClicked(mId, row, count);
}

void ListWidget::MouseWheel(int delta)
{
    if (delta == 0)
        return;
    SetScrollPosition(mPosition - static_cast<double>(delta) * mWheelStep);
}

} // namespace Sexy
