#pragma once

#include <windows.h>

#include <string>

#include "win/Keyboard.h"

namespace Win {

// Position and size of a control in twips from the client area's top-left corner.
struct TwipRect {
    int Left;
    int Top;
    int Width;
    int Height;
};

// A static text control: readable by screen readers and by WM_GETTEXT.
class Label {
public:
    void Create(HWND parent, const TwipRect& place, const std::wstring& caption, bool centred, HFONT font);
    void Caption(const std::wstring& caption);
    std::wstring Caption() const;
    void Enabled(bool bEnabled);  // a disabled label is drawn greyed

private:
    // The design's place, grown to hold the text in the font.
    TwipRect Fitted(HWND parent, const std::string& text, HFONT font) const;
    static SIZE TextExtent(const std::string& text, HFONT font);
    void Fit();  // moved to its fitted place for the caption it has

    HWND Window = nullptr;  // a child: destroyed with its parent
    TwipRect Place = {};    // in pixels
    bool Centred = false;
};

// One item of a menu, addressed by its command id.
class MenuItem {
public:
    MenuItem() = default;
    MenuItem(HMENU menu, UINT id) : Menu(menu), Id(id) {}

    UINT CommandId() const { return Id; }
    void Caption(const std::wstring& caption);
    bool Checked() const;
    void Checked(bool bChecked);
    bool Enabled() const;

private:
    HMENU Menu = nullptr;  // owned by the menu tree
    UINT Id = 0;
};

// The standard hot-key control (msctls_hotkey32), in a dialog. Watched, it tells its parent when it gains and
// loses the keyboard focus (WM_COMMAND with EN_SETFOCUS or EN_KILLFOCUS), which the control itself never
// does, takes every combination and a key alone, and is emptied by Backspace or Delete.
namespace HotkeyControl {
void Prepare();  // before a dialog that holds one is created
void Watch(HWND control);
Keyboard::Combination Get(HWND control);
void Set(HWND control, Keyboard::Combination keys);
}  // namespace HotkeyControl

int PixelsFromTwips(int twips);        // at the screen's dots per inch
std::wstring WindowText(HWND window);  // a caption or a control's text

}  // namespace Win
