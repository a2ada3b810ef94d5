// The header of a list column: its title over the column, drawn from three skin pictures (a left
// cap, a middle piece repeated across, a right edge), and a drag zone at its right edge with which
// the player changes the column's width.
//
// The last three pixels up to the right edge are the drag zone: over it the header shows the
// horizontal-resize cursor, and dragging from it reports the pointer's x in the header (the new
// width) to the listener with HeaderDrag. A click anywhere reports HeaderDepress.
//
// A column scrolled partly out of its list still has a whole header; ResizeVisible tells the header
// which part of its parent shows, and only that part takes the mouse.
#pragma once

#include "pop/Color.h"
#include "pop/Widget.h"

#include <string>

namespace Sexy
{

class Font;
class Image;

// Reports of a column header; both do nothing unless overridden.
class HeaderListener
{
public:
    virtual ~HeaderListener() = default;

    virtual void HeaderDepress(int id) { (void)id; }
    // width: the pointer's x in the header while its edge is dragged.
    virtual void HeaderDrag(int id, int width)
    {
        (void)id;
        (void)width;
    }
};

class HeaderWidget : public Widget, public HeaderListener
{
public:
    // Pixels left of the right edge where the drag zone starts.
    static constexpr int kDragZone = 3;

    // Pictures and font are not owned and may be null; so may the listener.
    HeaderWidget(int id, Image* left, Image* middle, Image* right, Font* font, Color color, std::wstring text,
                 HeaderListener* listener);

    void SetHeaderHeight(int height);
    // visible: the part of the parent that shows, in the parent's coordinates.
    void ResizeVisible(int x, int y, int width, int height, const Rect& visible);
    bool IsPointVisible(int x, int y) override;

    void Draw(Graphics* g) override;
    void MouseMove(int x, int y) override;
    void MouseDrag(int x, int y) override;
    using Widget::MouseDown;
    void MouseDown(int x, int y, int clickCount) override;
    void MouseLeave() override;

    // The pointer is in the drag zone (the resize cursor is up).
    bool InDragZone() const { return m_bResizing; }

    int m_nId;
    Image* m_pLeftImage;
    Image* m_pMiddleImage;
    Image* m_pRightImage;
    Font* m_pFont;
    Color m_Color;
    std::wstring m_strText;
    HeaderListener* m_pListener;
    // x of the last move over the drag zone.
    int m_nLastDragX = 0;
    Rect m_rcVisible;

private:
    bool m_bResizing = false;
    bool m_bVisibleSet = false;
};

} // namespace Sexy
