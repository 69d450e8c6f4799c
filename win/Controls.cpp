#include "win/Controls.h"

#include <commctrl.h>

#include <algorithm>
#include <cstring>

#include "win/Ansi.h"
#include "win/Application.h"

namespace {

constexpr char kComctl32[] = "\\comctl32.dll";  // in the system folder
WNDPROC HotkeyClassProc = nullptr;              // comctl32's, the same for every hot-key control

LRESULT CALLBACK WatchedHotkeyProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
    if (uMsg == WM_SETFOCUS || uMsg == WM_KILLFOCUS) {
        const WORD code = uMsg == WM_SETFOCUS ? EN_SETFOCUS : EN_KILLFOCUS;
        SendMessageA(GetParent(hWnd), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(hWnd), code),
                     reinterpret_cast<LPARAM>(hWnd));
    }
    // The control keeps these for a combination of their own on some systems and hands them on on others.
    const bool modified =
        GetKeyState(VK_CONTROL) < 0 || GetKeyState(VK_MENU) < 0 || GetKeyState(VK_SHIFT) < 0;
    if (uMsg == WM_KEYDOWN && (wParam == VK_BACK || wParam == VK_DELETE) && !modified) {
        SendMessageA(hWnd, HKM_SETHOTKEY, 0, 0);
        return 0;
    }
    return CallWindowProcA(HotkeyClassProc, hWnd, uMsg, wParam, lParam);
}

}  // namespace

namespace Win {

namespace HotkeyControl {

void Prepare() {
    // Loaded when first needed, not imported: every start would load comctl32, which costs Wine 1.7 MB. By
    // its full path, so that no comctl32.dll beside the program is taken, on systems whose search starts
    // there.
    static bool prepared = false;
    if (prepared) return;
    char path[MAX_PATH + 16] = {};
    const UINT length = GetSystemDirectoryA(path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return;
    std::memcpy(path + length, kComctl32, sizeof kComctl32);
    using InitCommonControlsFn = void(WINAPI*)();
    const auto init = reinterpret_cast<InitCommonControlsFn>(
        reinterpret_cast<void*>(GetProcAddress(LoadLibraryA(path), "InitCommonControls")));
    if (!init) return;
    init();  // registers msctls_hotkey32, in every comctl32
    prepared = true;
}

void Watch(HWND control) {
    SendMessageA(control, HKM_SETRULES, 0, 0);  // no combination is refused or changed
    const auto previous = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&WatchedHotkeyProc)));
    if (previous != &WatchedHotkeyProc) HotkeyClassProc = previous;
}

Keyboard::Combination Get(HWND control) {
    return Keyboard::FromHotkeyControl(LOWORD(SendMessageA(control, HKM_GETHOTKEY, 0, 0)));
}

void Set(HWND control, Keyboard::Combination keys) {
    SendMessageA(control, HKM_SETHOTKEY, Keyboard::ToHotkeyControl(keys), 0);
}

}  // namespace HotkeyControl

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
    Place = {PixelsFromTwips(place.Left), PixelsFromTwips(place.Top), PixelsFromTwips(place.Width),
             PixelsFromTwips(place.Height)};
    Centred = centred;
    const std::string text = Ansi::FromWide(caption);
    // Created at its fitted size: a resize afterwards would cost a round of messages for every label.
    const TwipRect fitted = Fitted(parent, text, font);
    Window = CreateWindowExA(0, "STATIC", text.c_str(), style, fitted.Left, fitted.Top, fitted.Width,
                             fitted.Height, parent, nullptr, GetModuleHandleA(nullptr), nullptr);
    SendMessageA(Window, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
}

// At another dpi the font's hinting, or another font, can make a caption wider than its twips allow: the
// label grows to hold it (a centred one on both sides), within the parent's client area.
TwipRect Label::Fitted(HWND parent, const std::string& text, HFONT font) const {
    TwipRect fitted = Place;
    const SIZE extent = TextExtent(text, font);
    if (extent.cx > fitted.Width || extent.cy > fitted.Height) {
        RECT room = {};
        GetClientRect(parent, &room);
        if (Centred)
            fitted.Left = std::max(0, fitted.Left - (static_cast<int>(extent.cx) - fitted.Width + 1) / 2);
        fitted.Width = std::min(std::max(fitted.Width, static_cast<int>(extent.cx)),
                                static_cast<int>(room.right) - fitted.Left);
        fitted.Height = std::max(fitted.Height, static_cast<int>(extent.cy));
    }
    return fitted;
}

SIZE Label::TextExtent(const std::string& text, HFONT font) {
    // A memory DC measures as the screen does, and unlike the label's own DC it needs no visible region,
    // which Windows works out anew for every label.
    const HDC dc = CreateCompatibleDC(nullptr);
    const HGDIOBJ old = SelectObject(dc, font);
    SIZE extent = {};
    GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &extent);
    SelectObject(dc, old);
    DeleteDC(dc);
    return extent;
}

void Label::Fit() {
    const TwipRect fitted = Fitted(GetParent(Window), Ansi::FromWide(Caption()),
                                   reinterpret_cast<HFONT>(SendMessageA(Window, WM_GETFONT, 0, 0)));
    RECT now = {};
    GetWindowRect(Window, &now);
    if (now.right - now.left != fitted.Width || now.bottom - now.top != fitted.Height ||
        fitted.Left != Place.Left)
        SetWindowPos(Window, nullptr, fitted.Left, fitted.Top, fitted.Width, fitted.Height,
                     SWP_NOZORDER | SWP_NOACTIVATE);
}

void Label::Caption(const std::wstring& caption) {
    SetWindowTextA(Window, Ansi::FromWide(caption).c_str());
    Fit();
}

std::wstring Label::Caption() const {
    return WindowText(Window);
}

void Label::Enabled(bool bEnabled) {
    EnableWindow(Window, bEnabled);
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
