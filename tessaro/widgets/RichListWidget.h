// The multi-column list of the table (the user list): one SkinListWidget per column side by side,
// linked so that rows, hover, selection, scrolling and VIP rows go across all of them, a header on
// each column whose right edge the player drags to change the column's width, one vertical
// scrollbar shared by the columns and a horizontal one that shifts them all.
//
// Rows: InsertItem adds a row through one column (the others show "-") and returns its index;
// SetItem fills the other cells of that row. Picture columns (ListColumn::type 1) show the picture
// of the list's picture list whose index is the cell text.
//
// The setters of pictures, heights and the font apply to the columns inserted after them. The
// horizontal scrollbar draws the vertical bar's pictures turned a quarter turn (copies the list
// owns). Clicks on any column reach the listener as ListClicked(id of the first column + column,
// row, clickCount).
#pragma once

#include "pop/Color.h"
#include "pop/Listeners.h"
#include "pop/Widget.h"
#include "tessaro/widgets/HeaderWidget.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace Sexy
{

class DDImage;
class Font;
class Image;
class SexyAppBase;
class SkinListWidget;
class SkinScrollbarWidget;

struct ListColumn
{
    // 1: pictures of the list's picture list; anything else: text.
    int32_t type = 0;
    std::wstring title;
    Color color;
    int32_t width = 0;
    // Carried with the column for its caller; the list never reads it.
    std::array<uint8_t, 16> reserved{};
};

struct ListItem
{
    std::wstring text;
    int32_t row = 0;
    int32_t column = 0;
};

class RichListWidget : public Widget,
                       public ButtonListener,
                       public ListListener,
                       public ScrollListener,
                       public HeaderListener
{
public:
    static constexpr int kPictureColumn = 1;

    // app and listener are not owned.
    RichListWidget(int id, SexyAppBase* app, ListListener* listener);
    ~RichListWidget() override;

    void SetBgImage(Image* image) { m_pBgImage = image; }
    void SetHeaderImage(Image* left, Image* middle, Image* right);
    void SetListHeaderSpanImage(Image* image) { m_pSpanImage = image; }
    void SetListSelectedImage(Image* image) { m_pSelectedImage = image; }
    void SetItemHeight(int height) { m_nItemHeight = height; }
    void SetHeaderHeight(int height) { m_nHeaderHeight = height; }
    void SetImageList(std::vector<Image*>* images) { m_pImageList = images; }
    void SetFont(Font* font) { m_pFont = font; }
    // The vertical bar's pictures; the horizontal bar gets turned copies.
    void SetScrollbarImage(Image* up, Image* down, Image* thumb, Image* track);

    void InsertColumn(ListColumn* column);
    // The new row's index; 0 without columns, -1 for a column that does not exist.
    int InsertItem(ListItem* item);
    void SetItem(ListItem* item);
    std::wstring GetStringAt(int row, int column);
    void DeleteAllItems();
    void SetVip(int row);
    int GetListWidth() const;
    int GetHeaderHeight() const;
    void SetColumnWidth(int column, int width);
    // Lays the columns out with the first one's left edge at x.
    void ResizeList(int x);

    void SetColors(int colors[][3], int count) override;
    void SetColors(int colors[][4], int count) override;

    void Draw(Graphics* g) override;
    void Resize(int x, int y, int width, int height) override;
    using Widget::Resize;
    void Update() override;

    void ListClicked(int id, int row, int clickCount) override;
    void ScrollPosition(int id, double position) override;
    void HeaderDepress(int id) override;
    void HeaderDrag(int id, int width) override;

    int GetColumnCount() const { return static_cast<int>(m_vecColumnList.size()); }
    SkinListWidget* GetColumnList(int column) const;

    SexyAppBase* m_pApp;
    ListListener* m_pListener;
    int m_nId;
    Image* m_pBgImage = nullptr;
    Image* m_pSpanImage = nullptr;
    Image* m_pSelectedImage = nullptr;
    Image* m_pHeaderLeftImage = nullptr;
    Image* m_pHeaderMiddleImage = nullptr;
    Image* m_pHeaderRightImage = nullptr;
    // The horizontal bar's pictures: up, down, thumb, track.
    std::unique_ptr<DDImage> m_pHScrollUpImage;
    std::unique_ptr<DDImage> m_pHScrollDownImage;
    std::unique_ptr<DDImage> m_pHScrollThumbImage;
    std::unique_ptr<DDImage> m_pHScrollTrackImage;
    Image* m_pScrollUpImage = nullptr;
    Image* m_pScrollDownImage = nullptr;
    Image* m_pScrollThumbImage = nullptr;
    Image* m_pScrollTrackImage = nullptr;
    std::vector<Image*>* m_pImageList = nullptr;
    std::vector<std::unique_ptr<SkinListWidget>> m_vecColumnList;
    std::vector<ListColumn> m_vecColumn;
    Font* m_pFont = nullptr;
    std::unique_ptr<SkinScrollbarWidget> m_pVScrollbar;
    std::unique_ptr<SkinScrollbarWidget> m_pHScrollbar;
    int m_nScrollbarWidth = 15;
    int m_nHScrollStep = 10;
    int m_nItemHeight = -1;
    int m_nHeaderHeight = 15;
    int m_nScrollX = 0;

private:
    void ApplyScrollbarImages();
    // The columns from left edge x on, the edge advancing by each width.
    void PlaceColumns(int x);
    int ListHeight() const;
};

} // namespace Sexy
