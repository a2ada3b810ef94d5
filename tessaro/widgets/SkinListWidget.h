// A one-column list drawn in the skin's colours: an optional header (a HeaderWidget child) over the
// rows, hover and selection fills, rows of members in a colour of their own ("VIP" rows), rows that
// show a picture instead of text, and texts too wide for the column cut with "...".
//
// It is also the column of the rich list, which links its columns with m_pPrev / m_pNext: a row
// added to one column is added to all of them (the others get "-", which the owner then replaces
// with SetLine), and the hover row, the selection, the scroll position and the VIP rows are shared.
//
// List types: 0 text; 1 pictures, the row text being the decimal index of a picture in the picture
// list (anything else, such as the "-" of a row not filled in yet, draws nothing); 2 a popup list
// that grows upward, its bottom-right corner staying put as lines are added.
//
// Colours (SetColors; the header gets the same table):
//   0 set before the rows are drawn   1 outline              2 text of new lines
//   3 hover fill                      4 hover text           5 selection fill
//   6 selection text                  7 text of VIP rows
//
// Rows start 2 pixels below the header. The list counts the header into its page and its
// scrollbar's range (the header's height in rows), so the last row can be scrolled into view.
// A list that is not a column (never given a visible part with ResizeVisible) takes the mouse
// everywhere.
#pragma once

#include "pop/ListWidget.h"
#include "tessaro/widgets/HeaderWidget.h"

#include <memory>
#include <string>
#include <vector>

namespace Sexy
{

class Image;

class SkinListWidget : public ListWidget, public HeaderListener
{
public:
    enum
    {
        LIST_TEXT = 0,
        LIST_PICTURE = 1,
        LIST_POPUP = 2
    };
    static constexpr int kColorVipText = 7;
    // The placeholder that linked columns get for a row added elsewhere.
    static constexpr const wchar_t* kPlaceholder = L"-";
    static constexpr const wchar_t* kEllipsis = L"...";

    // font and both listeners are not owned and may be null.
    SkinListWidget(int id, Font* font, ListListener* listener, HeaderListener* headerListener);
    ~SkinListWidget() override;

    // visible: the part of the parent that shows, in the parent's coordinates.
    virtual void ResizeVisible(int x, int y, int width, int height, const Rect& visible);
    // height -1: the height of the first picture given. font null: the list's font.
    virtual void InitHeader(Image* left, Image* middle, Image* right, std::wstring title, Font* font, Color color,
                            int height);
    virtual int GetHeaderHeight() { return m_nHeaderHeight; }
    virtual void SetSelectedImage(Image* image) { m_pSelectedImage = image; }
    // Not owned.
    virtual void SetImageList(std::vector<Image*>* images) { m_pImageList = images; }
    virtual void SetListType(int type) { m_nListType = type; }
    virtual void SetMinWidth(int width) { m_nMinWidth = width; }
    // Marks the row in this list and every linked one.
    virtual void SetVip(int row);
    void SetBGImage(Image* image) { m_pBgImage = image; }

    int AddLine(const std::wstring& text, bool sorted) override;
    void RemoveAll() override;
    void SetColors(int colors[][3], int count) override;
    void SetColors(int colors[][4], int count) override;
    void HeaderDrag(int id, int width) override;

    void Draw(Graphics* g) override;
    void Resize(int x, int y, int width, int height) override;
    using ListWidget::Resize;
    bool IsPointVisible(int x, int y) override;
    void MouseMove(int x, int y) override;
    void MouseWheel(int delta) override;

    bool IsVip(int row) const;
    // The text as a cell of the given width shows it: whole when it fits, else the longest prefix
    // that leaves room for "..." and a 2-pixel margin on both sides, followed by "...".
    static std::wstring FitText(Font* font, const std::wstring& text, int width);
    // The picture index a row text names; -1 when it is not a decimal number.
    static int PictureIndex(const std::wstring& text);

    std::unique_ptr<HeaderWidget> m_pHeader;
    HeaderListener* m_pHeaderListener;
    Image* m_pSelectedImage = nullptr;
    int m_nHeaderHeight = 0;
    int m_nListType = LIST_TEXT;
    std::vector<Image*>* m_pImageList = nullptr;
    Image* m_pBgImage = nullptr;
    int m_nTextWidth = 0;
    int m_nMinWidth = 0;
    Rect m_rcVisible;
    std::vector<int> m_vecVip;

protected:
    void UpdatePageSize() override;

private:
    // The rows that the header covers, for the scrollbar's range.
    double HeaderRows() const;
    void UpdateScrollRange();
    void LayoutHeader();
    void GrowUpward(const std::wstring& text);
    SkinListWidget* Leftmost();

    bool m_bVisibleSet = false;
};

} // namespace Sexy
