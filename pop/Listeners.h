// Listener interfaces through which the standard widgets report to their owners. Every operation
// has an empty default, so a listener implements only what it needs. A widget keeps a plain pointer
// to its listener and never owns it; the owner must outlive the widget or clear it first.
#pragma once

#include "pop/Common.h"
#include "pop/KeyCodes.h"

namespace Sexy
{

// Buttons: ids are the button's own id.
class ButtonListener
{
public:
    virtual ~ButtonListener() = default;

    // The mouse went down on the button (clickCount as in Widget::MouseDown).
    virtual void ButtonPress(int id) { (void)id; }
    virtual void ButtonPress(int id, int clickCount)
    {
        (void)clickCount;
        ButtonPress(id);
    }
    // The button was clicked: released over the button after a press on it.
    virtual void ButtonDepress(int id) { (void)id; }
    // Once per update while the button is held down.
    virtual void ButtonDownTick(int id) { (void)id; }
    virtual void ButtonMouseEnter(int id) { (void)id; }
    virtual void ButtonMouseLeave(int id) { (void)id; }
    virtual void ButtonMouseMove(int id, int x, int y)
    {
        (void)id;
        (void)x;
        (void)y;
    }
};

// Lists: rows count from 0; clickCount as in Widget::MouseDown (negative for the right button).
class ListListener
{
public:
    virtual ~ListListener() = default;

    virtual void ListClicked(int id, int row, int clickCount)
    {
        (void)id;
        (void)row;
        (void)clickCount;
    }
    virtual void ListClosed(int id) { (void)id; }
    virtual void ListHiliteChanged(int id, int oldRow, int newRow)
    {
        (void)id;
        (void)oldRow;
        (void)newRow;
    }
};

// Scrollbars: the new position, between 0 and the bar's maximum.
class ScrollListener
{
public:
    virtual ~ScrollListener() = default;

    virtual void ScrollPosition(int id, double position)
    {
        (void)id;
        (void)position;
    }
};

// Sliders: the new value, 0 to 1.
class SliderListener
{
public:
    virtual ~SliderListener() = default;

    virtual void SliderVal(int id, double value)
    {
        (void)id;
        (void)value;
    }
};

class CheckboxListener
{
public:
    virtual ~CheckboxListener() = default;

    virtual void CheckboxChecked(int id, bool checked)
    {
        (void)id;
        (void)checked;
    }
};

// Edit fields. EditWidgetText reports a finished line (Return); the Allow operations let the
// owner refuse a key, a typed character or a whole text before the field takes it.
class EditListener
{
public:
    virtual ~EditListener() = default;

    virtual void EditWidgetText(int id, const SexyString& text)
    {
        (void)id;
        (void)text;
    }
    virtual bool AllowKey(int id, KeyCode key)
    {
        (void)id;
        (void)key;
        return true;
    }
    virtual bool AllowChar(int id, SexyChar ch)
    {
        (void)id;
        (void)ch;
        return true;
    }
    virtual bool AllowText(int id, const SexyString& text)
    {
        (void)id;
        (void)text;
        return true;
    }
};

// Dialogs: a button of the dialog was pressed or clicked (released over it).
class DialogListener
{
public:
    virtual ~DialogListener() = default;

    virtual void DialogButtonPress(int dialogId, int buttonId)
    {
        (void)dialogId;
        (void)buttonId;
    }
    virtual void DialogButtonDepress(int dialogId, int buttonId)
    {
        (void)dialogId;
        (void)buttonId;
    }
};

} // namespace Sexy
