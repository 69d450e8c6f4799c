#include "win/Controls.h"

#include <algorithm>

#include "win/Ansi.h"
#include "win/Application.h"

namespace Win {

int PixelsFromTwips(int twips) {
    return MulDiv(twips, Application::ScreenDpi(), 1440);
}

// Another program's caption is read without asking that program, so a hung window cannot hold us up
// (GetWindowTextLengthA may ask it); the buffer grows until the whole text fits.
std::wstring WindowText(HWND window) {
    std::string text(256, '\0');
    for (;;) {
        const int copied = GetWindowTextA(window, text.data(), static_cast<int>(text.size()));
        if (copied < static_cast<int>(text.size()) - 1) {
            text.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
            return Ansi::ToWide(text);
        }
        text.resize(text.size() * 2);
    }
}

void Label::Create(HWND parent,
                   const TwipRect& place,
                   const std::wstring& caption,
                   bool centred,
                   HFONT font) {
    // SS_NOPREFIX: an ampersand in a caption is text, not an access key; SS_LEFTNOWORDWRAP: one line.
    const DWORD style = WS_CHILD | WS_VISIBLE | SS_NOPREFIX | (centred ? SS_CENTER : SS_LEFTNOWORDWRAP);
    int left = PixelsFromTwips(place.Left), width = PixelsFromTwips(place.Width);
    int height = PixelsFromTwips(place.Height);
    const int top = PixelsFromTwips(place.Top);
    Window = CreateWindowExA(0, "STATIC", Ansi::FromWide(caption).c_str(), style, left, top, width, height,
                             parent, nullptr, GetModuleHandleA(nullptr), nullptr);
    SendMessageA(Window, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);

    // At another dpi the font's hinting, or another font, can make a caption wider than its twips allow: the
    // label grows to hold it (a centred one on both sides), within the parent's client area.
    const SIZE text = CaptionExtent();
    if (text.cx <= width && text.cy <= height) return;
    RECT room = {};
    GetClientRect(parent, &room);
    if (centred) left = std::max(0, left - (static_cast<int>(text.cx) - width + 1) / 2);
    width = std::min(std::max(width, static_cast<int>(text.cx)), static_cast<int>(room.right) - left);
    height = std::max(height, static_cast<int>(text.cy));
    SetWindowPos(Window, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

SIZE Label::CaptionExtent() const {
    const std::string text = Ansi::FromWide(Caption());
    const HDC dc = GetDC(Window);
    const HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(Window, WM_GETFONT, 0, 0)));
    SIZE extent = {};
    GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &extent);
    SelectObject(dc, old);
    ReleaseDC(Window, dc);
    return extent;
}

void Label::Caption(const std::wstring& caption) {
    SetWindowTextA(Window, Ansi::FromWide(caption).c_str());
}

std::wstring Label::Caption() const {
    return WindowText(Window);
}

void MenuItem::Caption(const std::wstring& caption) {
    const std::string text = Ansi::FromWide(caption);
    MENUITEMINFOA info = {};
    info.cbSize = sizeof info;
    info.fMask = MIIM_TYPE;
    info.fType = MFT_STRING;
    info.dwTypeData = const_cast<char*>(text.c_str());
    SetMenuItemInfoA(Menu, Id, FALSE, &info);
}

bool MenuItem::Checked() const {
    return (GetMenuState(Menu, Id, MF_BYCOMMAND) & MF_CHECKED) != 0;
}

void MenuItem::Checked(bool bChecked) {
    CheckMenuItem(Menu, Id, MF_BYCOMMAND | (bChecked ? MF_CHECKED : MF_UNCHECKED));
}

bool MenuItem::Enabled() const {
    return (GetMenuState(Menu, Id, MF_BYCOMMAND) & (MF_GRAYED | MF_DISABLED)) == 0;
}

}  // namespace Win
