// What the sample games share for running without a person in front of them: the demo and the
// tests start them headless, where nobody answers a message box, and read their settings from the
// environment, since the lobby's command line has a fixed form.
#pragma once

#include <string>

namespace Sexy
{
class SexyAppBase;
class Widget;
class WidgetManager;
} // namespace Sexy

namespace Ostra
{
class GameAppBase;
class MsgDlg;
} // namespace Ostra

namespace examples
{

// A click of the left button in the middle of a widget, through the widget manager, as the mouse
// gives it.
void ClickOn(Sexy::WidgetManager& manager, const Sexy::Widget& widget);

// A whole number from the environment: unset or empty gives fallback; anything but a whole
// number from low to high is refused (false).
bool ReadEnvNumber(const char* name, long low, long high, long fallback, long& out);

// Writes the last screen drawn as a PNG; false (with a line on standard error, prefixed by the
// game's name) when there is none or the file cannot be written.
bool WriteScreenshot(const Sexy::SexyAppBase& app, const std::string& file, const char* game);

// Headless there is nobody to answer a message box: each one shown is written on standard error
// ("[MsgDlg] TEXT", UTF-8) and its OK button clicked a fifth of a second later. Call every update.
class MessageBoxAnswerer
{
public:
    void Update(Ostra::GameAppBase& app);

private:
    const Sexy::Widget* m_pAnswered = nullptr;
    int m_iAnswerIn = 0;
};

} // namespace examples
