// The speech bubble over a seat: a picture of the skin with the player's words written into it,
// shown for four seconds after each line. Not a framework widget: the table view owns it and calls
// its Update and Draw from its own.
#pragma once

#include "tessaro/widgets/Timer.h"

#include <memory>
#include <string>

namespace Sexy
{
class Font;
class Graphics;
class Image;
} // namespace Sexy

namespace Ostra
{

class GameAppBase;
class GameViewBase;

class ChatShowWidget
{
public:
    // The time a line stays up.
    static constexpr unsigned long kShowMs = 4000;
    // Rows of text the bubble makes room for, and their spacing.
    static constexpr int kMaxRows = 4;
    static constexpr int kLineSpacing = 18;

    // bubble numbers the picture "images\base\chat\chat<bubble>"; (x, y) is its top-left corner in
    // the view, margin the text's inner margin on either side.
    ChatShowWidget(GameAppBase* app, GameViewBase* view, int bubble, int x, int y, int margin, int reserved);
    virtual ~ChatShowWidget();
    ChatShowWidget(const ChatShowWidget&) = delete;
    ChatShowWidget& operator=(const ChatShowWidget&) = delete;

    virtual void Update();
    virtual void Draw(Sexy::Graphics* g);
    virtual void OnTimer(int id);

    // Shows the text (again) for kShowMs.
    void SetChatInfo(std::wstring text);

    GameViewBase* m_pGameView = nullptr;
    GameAppBase* m_pApp = nullptr;
    Timer m_Timer;
    int m_nX = 0;
    int m_nY = 0;
    int m_nMargin = 0;
    int m_nReserved = 0;
    std::unique_ptr<Sexy::Image> m_pBubbleImage;
    bool m_bShow = false;
    std::wstring m_strText;
    std::unique_ptr<Sexy::Font> m_pFont;
};

} // namespace Ostra
