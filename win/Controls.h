#pragma once

#include <windows.h>

#include <string>

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

private:
    SIZE CaptionExtent() const;  // in the label's font

    HWND Window = nullptr;  // a child: destroyed with its parent
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

int PixelsFromTwips(int twips);        // at the screen's dots per inch
std::wstring WindowText(HWND window);  // a caption or a control's text

}  // namespace Win
