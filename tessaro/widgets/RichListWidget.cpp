#include "tessaro/widgets/RichListWidget.h"

#include "pop/Common.h"
#include "pop/Font.h"
#include "pop/Graphics.h"
#include "pop/Image.h"
#include "pop/WidgetManager.h"
#include "tessaro/widgets/SkinListWidget.h"
#include "tessaro/widgets/SkinScrollbarWidget.h"

#include <algorithm>
#include <cmath>

namespace Sexy
{

namespace
{

constexpr int kVScrollbarId = 0;
constexpr int kHScrollbarId = 1;
// The arrows' states, one above the other once turned.
constexpr int kArrowCels = 4;

} // namespace

RichListWidget::RichListWidget(int id, SexyAppBase* app, ListListener* listener)
    : m_pApp(app), m_pListener(listener), m_nId(id)
{
    int colors[][3] = {{21, 21, 21}, {255, 255, 255}, {155, 155, 155}, {0, 0, 0},      {255, 255, 255},
                       {85, 9, 14},  {255, 218, 153}, {0, 188, 255},   {112, 112, 112}};
    SetColors(colors, static_cast<int>(std::size(colors)));
}

RichListWidget::~RichListWidget()
{
    // Columns first: they are bound to the vertical bar and linked to one another.
    for (auto& column : m_vecColumnList)
        RemoveWidget(column.get());
    m_vecColumnList.clear();
    if (m_pVScrollbar)
        RemoveWidget(m_pVScrollbar.get());
    if (m_pHScrollbar)
        RemoveWidget(m_pHScrollbar.get());
}

// ---------------------------------------------------------------------------------------------
// Pictures

void RichListWidget::SetHeaderImage(Image* left, Image* middle, Image* right)
{
    m_pHeaderLeftImage = left;
    m_pHeaderMiddleImage = middle;
    m_pHeaderRightImage = right;
}

void RichListWidget::SetScrollbarImage(Image* up, Image* down, Image* thumb, Image* track)
{
    m_pScrollUpImage = up;
    m_pScrollDownImage = down;
    m_pScrollThumbImage = thumb;
    m_pScrollTrackImage = track;
    // An up arrow turned right points right; mirrored, it points left, as the left arrow must.
    auto turnArrow = [](Image* arrow) -> std::unique_ptr<DDImage>
    {
        std::unique_ptr<DDImage> turned = RotateImage90Right(arrow);
        if (!turned)
            return nullptr;
        std::unique_ptr<DDImage> mirrored = MirrorImage(turned.get());
        if (mirrored)
        {
            mirrored->mNumCols = 1;
            mirrored->mNumRows = kArrowCels;
        }
        return mirrored;
    };
    m_pHScrollUpImage = turnArrow(up);
    m_pHScrollDownImage = turnArrow(down);
    m_pHScrollThumbImage = RotateImage90Right(thumb);
    m_pHScrollTrackImage = RotateImage90Right(track);
    if (up && up->GetCelWidth() > 0)
        m_nScrollbarWidth = up->GetCelWidth();
    ApplyScrollbarImages();
}

void RichListWidget::ApplyScrollbarImages()
{
    if (m_pVScrollbar)
        m_pVScrollbar->SetImage(m_pScrollUpImage, m_pScrollDownImage, m_pScrollTrackImage, m_pScrollThumbImage);
    if (m_pHScrollbar)
        m_pHScrollbar->SetImage(m_pHScrollUpImage.get(), m_pHScrollDownImage.get(), m_pHScrollTrackImage.get(),
                                m_pHScrollThumbImage.get());
}

// ---------------------------------------------------------------------------------------------
// Columns and rows

void RichListWidget::InsertColumn(ListColumn* column)
{
    if (!column)
        return;
    const int index = GetColumnCount();
    auto list = std::make_unique<SkinListWidget>(m_nId + index, m_pFont, this, this);
    list->mDrawOutline = false;
    list->mDrawSelectWhenHilited = true;
    list->mDoFingerWhenHilited = false;
    if (m_nItemHeight != -1)
        list->SetItemHeight(m_nItemHeight);
    if (index == 0)
    {
        // Scrolling reaches the other columns through the first one's links.
        m_pVScrollbar = std::make_unique<SkinScrollbarWidget>(m_pApp, kVScrollbarId, list.get());
        m_pHScrollbar = std::make_unique<SkinScrollbarWidget>(m_pApp, kHScrollbarId, this);
        m_pHScrollbar->SetHorizontal(true);
        ApplyScrollbarImages();
        AddWidget(m_pVScrollbar.get());
        AddWidget(m_pHScrollbar.get());
    }
    list->SetScrollbar(m_pVScrollbar.get());
    list->mColors = mColors;
    list->InitHeader(nullptr, nullptr, m_pHeaderRightImage, column->title, m_pFont, column->color, m_nHeaderHeight);
    list->SetSelectedImage(m_pSelectedImage);
    if (column->type == kPictureColumn)
    {
        list->SetImageList(m_pImageList);
        list->SetListType(SkinListWidget::LIST_PICTURE);
    }
    if (!m_vecColumnList.empty())
    {
        SkinListWidget* last = m_vecColumnList.back().get();
        list->m_pPrev = last;
        last->m_pNext = list.get();
    }
    SkinListWidget* added = list.get();
    m_vecColumnList.push_back(std::move(list));
    m_vecColumn.push_back(*column);
    AddWidget(added);
    BringToFront(m_pVScrollbar.get());
    BringToFront(m_pHScrollbar.get());
    m_pHScrollbar->SetMaxValue(static_cast<double>(GetListWidth()) / m_nHScrollStep);
    ResizeList(m_nScrollX);
}

SkinListWidget* RichListWidget::GetColumnList(int column) const
{
    if (column < 0 || column >= GetColumnCount())
        return nullptr;
    return m_vecColumnList[static_cast<size_t>(column)].get();
}

int RichListWidget::InsertItem(ListItem* item)
{
    if (m_vecColumnList.empty() || !item)
        return 0;
    SkinListWidget* list = GetColumnList(item->column);
    if (!list)
        return -1;
    list->AddLine(item->text, false);
    return list->GetLineCount() - 1;
}

void RichListWidget::SetItem(ListItem* item)
{
    if (m_vecColumnList.empty() || !item)
        return;
    SkinListWidget* list = GetColumnList(item->column);
    if (!list || item->row < 0 || item->row >= m_vecColumnList.front()->GetLineCount())
        return;
    list->SetLine(item->row, item->text);
}

std::wstring RichListWidget::GetStringAt(int row, int column)
{
    for (auto& list : m_vecColumnList)
    {
        if (list->mId == m_nId + column)
            return list->GetStringAt(row);
    }
    return std::wstring();
}

void RichListWidget::DeleteAllItems()
{
    for (auto& list : m_vecColumnList)
        list->RemoveAll();
}

void RichListWidget::SetVip(int row)
{
    if (!m_vecColumnList.empty())
        m_vecColumnList.front()->SetVip(row);
}

int RichListWidget::GetListWidth() const
{
    int width = 0;
    for (const ListColumn& column : m_vecColumn)
        width += column.width;
    return width;
}

int RichListWidget::GetHeaderHeight() const
{
    return m_vecColumnList.empty() ? 0 : m_vecColumnList.front()->GetHeaderHeight();
}

void RichListWidget::SetColumnWidth(int column, int width)
{
    if (column < 0 || column >= static_cast<int>(m_vecColumn.size()))
        return;
    m_vecColumn[static_cast<size_t>(column)].width = width;
    ResizeList(m_nScrollX);
}

void RichListWidget::SetColors(int colors[][3], int count)
{
    Widget::SetColors(colors, count);
    for (auto& list : m_vecColumnList)
        list->SetColors(colors, count);
}

void RichListWidget::SetColors(int colors[][4], int count)
{
    Widget::SetColors(colors, count);
    for (auto& list : m_vecColumnList)
        list->SetColors(colors, count);
}

// ---------------------------------------------------------------------------------------------
// Layout

int RichListWidget::ListHeight() const
{
    return mHeight - m_nScrollbarWidth;
}

void RichListWidget::PlaceColumns(int x)
{
    const Rect visible(0, 0, mWidth, mHeight);
    for (size_t i = 0; i < m_vecColumnList.size(); ++i)
    {
        const int width = m_vecColumn[i].width;
        m_vecColumnList[i]->ResizeVisible(x, 0, width, ListHeight(), visible);
        x += width;
    }
}

void RichListWidget::ResizeList(int x)
{
    m_nScrollX = x;
    PlaceColumns(x);
    if (m_pVScrollbar)
        m_pVScrollbar->Resize(mWidth - m_nScrollbarWidth, 0, m_nScrollbarWidth, ListHeight());
    if (!m_pHScrollbar)
        return;
    const int pageWidth = mWidth - m_nScrollbarWidth;
    m_pHScrollbar->Resize(0, ListHeight(), pageWidth, m_nScrollbarWidth);
    m_pHScrollbar->SetPageSize(m_nHScrollStep < pageWidth ? static_cast<double>(pageWidth) / m_nHScrollStep : 1.0);
    // A smaller range may pull the bar's value back, which reports the new position here.
    m_pHScrollbar->SetMaxValue(static_cast<double>(GetListWidth()) / m_nHScrollStep);
}

void RichListWidget::Resize(int x, int y, int width, int height)
{
    Widget::Resize(x, y, width, height);
    ResizeList(m_nScrollX);
}

void RichListWidget::Update()
{
    Widget::Update();
}

void RichListWidget::ScrollPosition(int id, double position)
{
    (void)id;
    OutputDebug("RichListWidget，thePosition %f\n", position);
    m_nScrollX = -static_cast<int>(position * m_nHScrollStep);
    PlaceColumns(m_nScrollX);
}

void RichListWidget::HeaderDepress(int id)
{
    // No sorting by column: a click on a header changes nothing.
    (void)id;
}

void RichListWidget::HeaderDrag(int id, int width)
{
    const int column = id - m_nId;
    if (column < 0 || column >= static_cast<int>(m_vecColumn.size()))
        return;
    const int least = m_pFont ? m_pFont->GetAscent() : 1;
    width = std::max(least, std::min(width, mWidth - 2 * m_nScrollbarWidth));
    m_vecColumn[static_cast<size_t>(column)].width = width;
    ResizeList(m_nScrollX);
}

void RichListWidget::ListClicked(int id, int row, int clickCount)
{
    if (!m_vecColumnList.empty())
    {
        SkinListWidget* first = m_vecColumnList.front().get();
        if (mWidgetManager)
            mWidgetManager->SetFocus(first);
        first->SetSelect(row);
    }
    // The listener may delete this list; nothing follows the call.
    if (m_pListener)
        m_pListener->ListClicked(id, row, clickCount);
}

// ---------------------------------------------------------------------------------------------
// Drawing

void RichListWidget::Draw(Graphics* g)
{
    if (m_pBgImage)
        g->DrawImage(m_pBgImage, 0, 0);
    if (m_pSpanImage)
        g->DrawImage(m_pSpanImage, Rect(0, m_nHeaderHeight, mWidth, m_pSpanImage->GetHeight()),
                     Rect(0, 0, m_pSpanImage->GetWidth(), m_pSpanImage->GetHeight()));
}

} // namespace Sexy
