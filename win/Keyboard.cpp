#include "win/Keyboard.h"

#include <commctrl.h>

#include "win/Ansi.h"

namespace {

constexpr LPARAM kExtendedBit = 1 << 24;  // in a key message's lParam, as GetKeyNameText reads it

}  // namespace

namespace Win::Keyboard {

std::wstring KeyName(UINT key) {
    const UINT scanCode = MapVirtualKeyA(key, 0);  // MAPVK_VK_TO_VSC
    if (scanCode == 0) return {};
    char name[64] = {};
    const LPARAM lParam = static_cast<LPARAM>(scanCode) << 16 | (IsExtendedKey(key) ? kExtendedBit : 0);
    const int length = GetKeyNameTextA(static_cast<LONG>(lParam), name, sizeof name);
    return Ansi::ToWide(std::string(name, length > 0 ? static_cast<size_t>(length) : 0));
}

bool IsExtendedKey(UINT key) {
    switch (key) {
        case VK_LEFT:
        case VK_RIGHT:
        case VK_UP:
        case VK_DOWN:
        case VK_PRIOR:
        case VK_NEXT:
        case VK_HOME:
        case VK_END:
        case VK_INSERT:
        case VK_DELETE:
        case VK_DIVIDE:
        case VK_NUMLOCK:
            return true;
        default:
            return false;
    }
}

WORD ToHotkeyControl(Combination keys) {
    // The control's flags are not in MOD_'s order: Shift 1, Ctrl 2, Alt 4, and 8 for an extended key, which
    // it needs to show "Left" rather than "Num 4".
    BYTE flags = 0;
    if (keys.Modifiers & MOD_SHIFT) flags |= HOTKEYF_SHIFT;
    if (keys.Modifiers & MOD_CONTROL) flags |= HOTKEYF_CONTROL;
    if (keys.Modifiers & MOD_ALT) flags |= HOTKEYF_ALT;
    if (IsExtendedKey(keys.Key)) flags |= HOTKEYF_EXT;
    return keys.Key == 0 ? 0 : MAKEWORD(keys.Key, flags);
}

Combination FromHotkeyControl(WORD value) {
    const BYTE flags = HIBYTE(value);
    Combination keys;
    keys.Key = LOBYTE(value);
    if (keys.Key == 0) return {};
    if (flags & HOTKEYF_SHIFT) keys.Modifiers |= MOD_SHIFT;
    if (flags & HOTKEYF_CONTROL) keys.Modifiers |= MOD_CONTROL;
    if (flags & HOTKEYF_ALT) keys.Modifiers |= MOD_ALT;
    return keys;
}

}  // namespace Win::Keyboard
