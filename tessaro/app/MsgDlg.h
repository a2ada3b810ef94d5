// The skinned message box: a text of up to three centred lines on the message picture, an OK button
// or OK and Cancel, and an optional countdown in the bottom right corner that answers by itself.
// GameAppBase::ShowMessage shows it as dialog 100 and waits for its answer: 1000 for OK, 1001 for
// Cancel (the framework dialog's pair).
//
// The countdown is a frame-counted timer (tessaro/widgets/Timer.h) of one second. A countdown of n
// shows nothing during the first second, then n, n - 1, ... 1, one a second, and answers a second
// after the 1: Cancel when timeoutResult is 1, OK otherwise. A countdown of 0 or less never answers.
//
// Every picture may be missing: without the message picture the box is 320 x 210, drawn as the
// framework's plain frame, with a text width of 190; a button without its picture keeps the
// framework's label and size.
#pragma once

#include "pop/Dialog.h"
#include "pop/Font.h"
#include "tessaro/widgets/Timer.h"

#include <cstdint>
#include <memory>
#include <string>

namespace Ostra
{

class GameAppBase;

class MsgDlg : public Sexy::Dialog
{
public:
    static constexpr int kDialogId = 100;
    static constexpr int kTimerCountdown = 1;
    static constexpr unsigned long kCountdownMs = 1000;
    // m_nCountdown of a box without a countdown.
    static constexpr int kNoCountdown = -100;
    // The box's size without the message picture.
    static constexpr int kDefaultWidth = 320;
    static constexpr int kDefaultHeight = 210;
    // The text's width without the message picture, and how much narrower than the picture it is.
    static constexpr int kDefaultTextWidth = 190;
    static constexpr int kTextMargin = 64;
    // The buttons' top, from the box's top.
    static constexpr int kButtonTop = 159;
    static constexpr int kLineSpacing = 20;

    // buttonMode 1: OK only; anything else: OK and Cancel. timeoutResult 1: the countdown answers
    // Cancel; anything else: OK. countdown in seconds; 0 or less for none. extra is not used.
    MsgDlg(GameAppBase* app, std::wstring text, int buttonMode, int timeoutResult, int countdown, bool modal,
           int extra);
    ~MsgDlg() override;

    // The framework's layout, then the buttons at kButtonTop: OK centred alone, or OK ending 10
    // pixels left of the centre and Cancel starting 10 pixels right of it. Each is one cel large.
    void Resize(int x, int y, int w, int h) override;
    using WidgetContainer::Resize;
    void Draw(Sexy::Graphics* g) override;
    // The framework's update, then the countdown's timer.
    void Update() override;
    // The framework's answer (the waiting ShowMessage closes the box).
    void ButtonDepress(int id) override;
    // Timer 1: one second less; at 0 the countdown answers as if its button had been clicked.
    void OnTimer(int id);

    // How the text is laid out: its width, the lines the application's bold font needs for it (at
    // most 3; an empty text counts as one) and the top of the first line.
    struct TextLayout
    {
        int iWidth;
        int iLines;
        int iTop;
    };
    TextLayout GetTextLayout() const;
    // The countdown value drawn now, -1 when none is drawn.
    int ShownCountdown() const;

    // ---- Members, in order ------------------------------------------------------------------
    GameAppBase* m_pApp;
    std::int32_t m_nCountdown;
    std::int32_t m_nRemain;
    std::int32_t m_nButtonMode;
    std::int32_t m_nTimeoutResult;
    // "宋体" 11 point; owned (a test may put a font of its own in its place).
    std::unique_ptr<Sexy::Font> m_pFont;
    std::wstring m_strText;
    Timer m_Timer;
};

} // namespace Ostra
