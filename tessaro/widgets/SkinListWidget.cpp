#include "tessaro/widgets/SkinListWidget.h"

#include "pop/Font.h"
#include "pop/Graphics.h"
#include "pop/Image.h"
#include "pop/ScrollbarWidget.h"
#include "pop/SexyAppBase.h"

#include <algorithm>
#include <cmath>
#include <cwctype>
#include <utility>

namespace Sexy
{

namespace
{

constexpr int kColorBase = 0;
constexpr int kColorOutline = 1;
constexpr int kColorHoverFill = 3;
constexpr int kColorHoverText = 4;
constexpr int kColorSelectedFill = 5;
constexpr int kColorSelectedText = 6;
// Pixels between the header and the first row, and the popup list's padding.
constexpr int kRowTop = 2;
constexpr int kPopupPadding = 8;
constexpr int kTextMargin = 4;
constexpr int kWheelRows = 5;

} // namespace

SkinListWidget::SkinListWidget(int id, Font* font, ListListener* listener, HeaderListener* headerListener)
    : ListWidget(id, font, listener), m_pHeaderListener(headerListener)
{
    mJustify = JUSTIFY_CENTER;
}

SkinListWidget::~SkinListWidget()
{
    if (m_pHeader)
        RemoveWidget(m_pHeader.get());
}

// ---------------------------------------------------------------------------------------------
// Rows

SkinListWidget* SkinListWidget::Leftmost()
{
    SkinListWidget* left = this;
    // Bounded by the chain's length, guarding against links that loop.
    for (int guard = 0; guard < 1024; ++guard)
    {
        auto* prev = dynamic_cast<SkinListWidget*>(left->m_pPrev);
        if (prev == nullptr || prev == this)
            break;
        left = prev;
    }
    return left;
}

int SkinListWidget::AddLine(const std::wstring& text, bool sorted)
{
    int row = GetLineCount();
    if (sorted)
    {
        auto it = std::find_if(mLines.begin(), mLines.end(), [&](const std::wstring& s) { return s > text; });
        row = static_cast<int>(it - mLines.begin());
    }
    Leftmost()->ForEachLinked([&](ListWidget* list)
                              { list->InsertLine(row, list == this ? text : std::wstring(kPlaceholder)); });
    if (m_nListType == LIST_POPUP)
        GrowUpward(text);
    ForEachLinked(
        [](ListWidget* list)
        {
            if (auto* skin = dynamic_cast<SkinListWidget*>(list))
                skin->UpdateScrollRange();
        });
    return row;
}

void SkinListWidget::GrowUpward(const std::wstring& text)
{
    const int rowHeight = GetItemHeight();
    if (mFont)
        m_nTextWidth = std::max(m_nTextWidth, mFont->StringWidth(text) + kPopupPadding);
    const int width = std::max(m_nMinWidth, m_nTextWidth);
    const int height = GetLineCount() * rowHeight + kPopupPadding;
    const int right = mX + mWidth;
    const int bottom = mY + mHeight;
    Resize(right - width, bottom - height, width, height);
}

void SkinListWidget::RemoveAll()
{
    ListWidget::RemoveAll();
    m_vecVip.clear();
    UpdateScrollRange();
}

void SkinListWidget::SetVip(int row)
{
    ForEachLinked(
        [row](ListWidget* list)
        {
            auto* skin = dynamic_cast<SkinListWidget*>(list);
            if (skin == nullptr || skin->IsVip(row))
                return;
            skin->m_vecVip.push_back(row);
            skin->MarkDirty();
        });
}

bool SkinListWidget::IsVip(int row) const
{
    return std::find(m_vecVip.begin(), m_vecVip.end(), row) != m_vecVip.end();
}

// ---------------------------------------------------------------------------------------------
// Header, colours, layout

void SkinListWidget::InitHeader(Image* left, Image* middle, Image* right, std::wstring title, Font* font, Color color,
                                int height)
{
    if (height == -1)
    {
        height = 0;
        for (Image* image : {left, middle, right})
        {
            if (image)
            {
                height = image->GetHeight();
                break;
            }
        }
    }
    m_nHeaderHeight = std::max(0, height);
    if (m_pHeader)
        RemoveWidget(m_pHeader.get());
    m_pHeader =
        std::make_unique<HeaderWidget>(mId, left, middle, right, font ? font : mFont, color, std::move(title), this);
    m_pHeader->mColors = mColors;
    AddWidget(m_pHeader.get());
    LayoutHeader();
    UpdateScrollRange();
}

void SkinListWidget::SetColors(int colors[][3], int count)
{
    ListWidget::SetColors(colors, count);
    if (m_pHeader)
        m_pHeader->SetColors(colors, count);
}

void SkinListWidget::SetColors(int colors[][4], int count)
{
    ListWidget::SetColors(colors, count);
    if (m_pHeader)
        m_pHeader->SetColors(colors, count);
}

void SkinListWidget::HeaderDrag(int id, int width)
{
    if (m_pHeaderListener)
        m_pHeaderListener->HeaderDrag(id, width);
}

void SkinListWidget::ResizeVisible(int x, int y, int width, int height, const Rect& visible)
{
    m_rcVisible = visible;
    m_bVisibleSet = true;
    Resize(x, y, width, height);
}

bool SkinListWidget::IsPointVisible(int x, int y)
{
    return !m_bVisibleSet || m_rcVisible.Contains(x + mX, y + mY);
}

void SkinListWidget::Resize(int x, int y, int width, int height)
{
    ListWidget::Resize(x, y, width, height);
    LayoutHeader();
}

void SkinListWidget::UpdatePageSize()
{
    const int rowHeight = GetItemHeight();
    mPageSize = rowHeight + kPopupPadding < mHeight ? (mHeight - kPopupPadding) / rowHeight : 1;
    if (mScrollbar)
        mScrollbar->SetPageSize(mPageSize);
    SetScrollPosition(mPosition);
}

void SkinListWidget::LayoutHeader()
{
    if (!m_pHeader)
        return;
    // The header takes the mouse only where its column shows; its parent is this list, so the
    // visible part is handed over in this list's coordinates.
    Rect visible;
    if (!m_bVisibleSet)
        visible = Rect(0, 0, mWidth, mHeight);
    else if (m_rcVisible.Intersects(Rect(mX, mY, mWidth, mHeight)))
        visible = Rect(m_rcVisible.mX - mX, m_rcVisible.mY - mY, m_rcVisible.mWidth, m_rcVisible.mHeight);
    m_pHeader->ResizeVisible(0, 0, mWidth, m_nHeaderHeight, visible);
}

double SkinListWidget::HeaderRows() const
{
    const int fontHeight = mFont && mFont->GetHeight() > 0 ? mFont->GetHeight() : GetItemHeight();
    return static_cast<double>(m_nHeaderHeight) / fontHeight;
}

void SkinListWidget::UpdateScrollRange()
{
    if (mScrollbar)
        mScrollbar->SetMaxValue(HeaderRows() + GetLineCount());
}

// ---------------------------------------------------------------------------------------------
// Drawing

int SkinListWidget::PictureIndex(const std::wstring& text)
{
    if (text.empty() || text.size() > 9)
        return -1;
    int value = 0;
    for (wchar_t ch : text)
    {
        if (ch < L'0' || ch > L'9')
            return -1;
        value = value * 10 + (ch - L'0');
    }
    return value;
}

std::wstring SkinListWidget::FitText(Font* font, const std::wstring& text, int width)
{
    if (!font || text.empty() || font->StringWidth(text) + kTextMargin <= width)
        return text;
    const int room = width - kTextMargin - font->StringWidth(kEllipsis);
    // The longest prefix within the room: widths grow with the prefix, so a binary search.
    size_t lo = 0;
    size_t hi = text.size();
    while (lo < hi)
    {
        const size_t mid = (lo + hi + 1) / 2;
        if (font->StringWidth(text.substr(0, mid)) <= room)
            lo = mid;
        else
            hi = mid - 1;
    }
    return text.substr(0, lo) + kEllipsis;
}

void SkinListWidget::Draw(Graphics* g)
{
    if (m_pBgImage)
        g->DrawImageBox(Rect(0, 0, mWidth, mHeight), m_pBgImage);
    g->SetColor(GetColor(kColorBase));
    g->PushState();
    g->ClipRect(0, m_nHeaderHeight, mWidth, mHeight - m_nHeaderHeight);
    const int rowHeight = GetItemHeight();
    const int textOffset = mFont && mItemHeight > 0 ? (rowHeight - mFont->GetHeight()) / 2 : 0;
    const int count = GetLineCount();
    const int first = std::max(0, static_cast<int>(mPosition));
    const int last = std::min(count - 1, first + mPageSize + 1);
    if (mFont)
        g->SetFont(mFont);
    for (int i = first; i <= last; ++i)
    {
        const int y = static_cast<int>((i - mPosition) * rowHeight) + m_nHeaderHeight + kRowTop;
        const bool hovered = i == mHiliteIdx && mDrawSelectWhenHilited;
        if (hovered || i == mSelectIdx)
        {
            g->SetColor(GetColor(hovered ? kColorHoverFill : kColorSelectedFill));
            g->FillRect(0, y, mWidth, rowHeight);
        }
        const std::wstring& line = mLines[static_cast<size_t>(i)];
        if (m_nListType == LIST_PICTURE)
        {
            const int index = PictureIndex(line);
            // An index past the pictures (a head picture the skin does not have) leaves the cell empty.
            if (m_pImageList && index >= 0 && index < static_cast<int>(m_pImageList->size()) &&
                (*m_pImageList)[static_cast<size_t>(index)])
            {
                Image* picture = (*m_pImageList)[static_cast<size_t>(index)];
                g->DrawImage(picture, Rect(0, y, rowHeight, rowHeight),
                             Rect(0, 0, picture->GetCelWidth(), picture->GetCelHeight()));
            }
            continue;
        }
        if (!mFont)
            continue;
        Color text = GetLineColor(i);
        if (IsVip(i))
            text = GetColor(kColorVipText);
        else if (i == mHiliteIdx)
            text = GetColor(kColorHoverText);
        else if (i == mSelectIdx)
            text = GetColor(kColorSelectedText);
        g->SetColor(text);
        const int textWidth = mFont->StringWidth(line);
        int x = kTextMargin;
        if (mJustify == JUSTIFY_CENTER)
            x = (mWidth - textWidth) / 2;
        else if (mJustify != JUSTIFY_LEFT)
            x = mWidth - textWidth - kTextMargin;
        const int baseline = y + mFont->GetAscent() + textOffset;
        if (x > 1)
            g->DrawString(line, x, baseline);
        else
            g->DrawString(FitText(mFont, line, mWidth), 2, baseline);
    }
    g->PopState();
    if (mDrawOutline)
    {
        g->SetColor(GetColor(kColorOutline));
        g->DrawRect(0, 0, mWidth, mHeight);
    }
}

// ---------------------------------------------------------------------------------------------
// Mouse

void SkinListWidget::MouseMove(int x, int y)
{
    Widget::MouseMove(x, y);
    const double at = std::floor(static_cast<double>(y - m_nHeaderHeight - kRowTop) / GetItemHeight() + mPosition);
    const int row = at >= 0 && at < GetLineCount() ? static_cast<int>(at) : -1;
    mDoFinger = mDoFingerWhenHilited && row >= 0;
    if (row != mHiliteIdx)
        SetHilite(row);
}

void SkinListWidget::MouseWheel(int delta)
{
    if (!mScrollbar)
    {
        ListWidget::MouseWheel(delta);
        return;
    }
    if (delta > 0)
        mScrollbar->SetValue(mScrollbar->mValue - kWheelRows);
    else if (delta < 0)
        mScrollbar->SetValue(mScrollbar->mValue + kWheelRows);
}

} // namespace Sexy
