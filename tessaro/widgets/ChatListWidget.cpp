#include "tessaro/widgets/ChatListWidget.h"

#include "pop/Common.h"
#include "pop/Font.h"
#include "pop/Graphics.h"
#include "pop/Image.h"
#include "pop/SysFont.h"
#include "pop/WidgetManager.h"
#include "tessaro/widgets/SkinScrollbarWidget.h"

#include <algorithm>
#include <cwchar>

namespace Sexy
{

namespace
{

constexpr int kLineX = 5;
constexpr int kWheelLines = 3;

} // namespace

ChatListWidget::ChatListWidget(SexyAppBase* app) : m_pApp(app), m_pFont(std::make_unique<SysFont>("宋体", 10))
{
    // The chat colours by index: grey, lilac, the system's gold, orange, yellow, red, teal,
    // yellow, grey and sky blue.
    int colors[][3] = {{155, 155, 155}, {222, 188, 255}, {255, 218, 153}, {255, 155, 111}, {255, 255, 0},
                       {255, 99, 111},  {111, 222, 188}, {255, 255, 0},   {155, 155, 155}, {0, 204, 255}};
    SetColors(colors, static_cast<int>(std::size(colors)));
}

ChatListWidget::~ChatListWidget()
{
    RemoveAllWidgets();
}

std::wstring ChatListWidget::ColorPrefix(int colorIndex) const
{
    if (colorIndex < 0 || colorIndex >= static_cast<int>(mColors.size()))
        return L"^ffffff0";
    // "%2x" pads with a blank, which the drawing reads as the digit 0.
    // A component is kept to two digits, so that the code keeps its eight characters.
    const Color& c = mColors[static_cast<size_t>(colorIndex)];
    auto digits = [](int v) { return static_cast<unsigned>(std::clamp(v, 0, 255)); };
    wchar_t code[16] = {};
    std::swprintf(code, std::size(code), L"^%2x%2x%2x0", digits(c.mRed), digits(c.mGreen), digits(c.mBlue));
    return code;
}

void ChatListWidget::EatColorChat(std::wstring* text)
{
    if (text)
        std::replace(text->begin(), text->end(), L'^', L' ');
}

size_t ChatListWidget::PieceLength(const std::wstring& text, size_t start, int limit)
{
    const size_t left = text.size() - start;
    // A line feed ends the line it closes; a lone one at the start is measured like any
    // character.
    size_t length = left;
    const size_t feed = text.find(L'\n', start + 1);
    if (feed != std::wstring::npos)
        length = feed - start + 1;
    // The piece grows one character at a time until it reaches the limit: the first length whose
    // width does. Since the width of a growing piece never shrinks, it is found by doubling the
    // length and then halving the step, measuring pieces no more than twice as long as the line:
    // a 500-character text costs a few dozen short measurements instead of one per character.
    auto reaches = [&](size_t n) { return m_pFont->StringWidth(text.substr(start, n)) >= limit; };
    size_t low = 1; // the first character is always taken
    if (length <= 1 || reaches(low))
        return 1;
    // low never reaches; find a high that does, or the end of the piece.
    size_t high = low;
    while (true)
    {
        high = std::min(length, high * 2);
        if (high >= length)
        {
            if (!reaches(length - 1))
                return length;
            high = length - 1;
            break;
        }
        if (reaches(high))
            break;
        low = high;
    }
    while (high - low > 1)
    {
        const size_t mid = low + (high - low) / 2;
        (reaches(mid) ? high : low) = mid;
    }
    return high;
}

void ChatListWidget::AddChat(std::wstring text, int colorIndex)
{
    EatColorChat(&text);
    const std::wstring prefix = ColorPrefix(colorIndex);
    const int limit = mWidth - kCutMargin;
    for (size_t start = 0; start < text.size();)
    {
        const size_t length = PieceLength(text, start, limit);
        m_vecLines.push_back(prefix + text.substr(start, length));
        m_vecEntryStart.push_back(start == 0);
        start += length;
    }
    if (m_vecLines.size() > kMaxLines)
    {
        const long drop = static_cast<long>(m_vecLines.size() - kMaxLines);
        m_vecLines.erase(m_vecLines.begin(), m_vecLines.begin() + drop);
        m_vecEntryStart.erase(m_vecEntryStart.begin(), m_vecEntryStart.begin() + drop);
    }
    const int lines = static_cast<int>(m_vecLines.size());
    m_nFirstLine = std::max(0, lines - m_nShowLines);
    if (m_pScrollbar)
    {
        m_pScrollbar->SetMaxValue(lines + 1);
        m_pScrollbar->SetValue(lines);
    }
    MarkDirty();
}

void ChatListWidget::RemoveAll()
{
    m_vecLines.clear();
    m_vecEntryStart.clear();
    m_nFirstLine = 0;
    if (m_pScrollbar)
    {
        m_pScrollbar->SetMaxValue(1);
        m_pScrollbar->SetValue(0);
    }
    MarkDirty();
}

void ChatListWidget::SetScrollbarImage(Image* up, Image* down, Image* track, Image* thumb)
{
    if (!m_pScrollbar)
    {
        m_pScrollbar = std::make_unique<SkinScrollbarWidget>(m_pApp, 1, this);
        m_pScrollbar->SetInvisIfNoScroll(false);
        AddWidget(m_pScrollbar.get());
    }
    m_pScrollbar->SetImage(up, down, track, thumb);
    m_nLineHeight = 16;
    if (up)
        m_nScrollbarWidth = up->GetCelWidth();
}

void ChatListWidget::SetFont(Font* font)
{
    m_pFont.reset(font);
}

void ChatListWidget::ScrollPosition(int, double value)
{
    m_nFirstLine = static_cast<int>(value);
    MarkDirty();
}

void ChatListWidget::Update()
{
    Widget::Update();
    m_Timer.Update(*this);
}

void ChatListWidget::OnTimer(int id)
{
    if (id != 1)
        return;
    if (++m_nTick < m_nTickPeriod)
        return;
    m_nTick = 0;
    if (m_vecPending.empty())
        return;
    const std::wstring line = m_vecPending.front();
    m_vecPending.erase(m_vecPending.begin());
    AddChat(line, 1);
}

void ChatListWidget::Draw(Graphics* g)
{
    if (!m_pFont)
        return;
    g->SetFont(m_pFont.get());
    for (int row = 0; row < m_nShowLines; ++row)
    {
        const long index = static_cast<long>(m_nFirstLine) + row;
        if (index < 0 || index >= static_cast<long>(m_vecLines.size()))
            continue;
        WriteString(g, m_vecLines[static_cast<size_t>(index)], kLineX, m_nLineHeight * row + m_nLineHeight);
    }
}

void ChatListWidget::Resize(int x, int y, int width, int height)
{
    Widget::Resize(x, y, width, height);
    m_nShowLines = m_nLineHeight > 0 ? height / m_nLineHeight : 0;
    if (m_pScrollbar)
    {
        m_pScrollbar->Resize(width - m_nScrollbarWidth, 0, m_nScrollbarWidth, height);
        m_pScrollbar->SetPageSize(m_nLineHeight < height ? static_cast<double>(height) / m_nLineHeight : 1.0);
    }
}

void ChatListWidget::MouseDown(int x, int y, int clickCount)
{
    Widget::MouseDown(x, y, clickCount);
    // The wheel goes to the focused widget.
    if (m_pScrollbar && mWidgetManager)
        mWidgetManager->SetFocus(this);
}

void ChatListWidget::MouseWheel(int delta)
{
    if (!m_pScrollbar || delta == 0)
        return;
    m_pScrollbar->SetValue(m_pScrollbar->mValue + (delta > 0 ? -kWheelLines : kWheelLines));
}

} // namespace Sexy
