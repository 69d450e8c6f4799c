#pragma once

#include <windows.h>

#include <string>

// Keys as Windows names them, and the hot-key control's way of holding a combination.
namespace Win::Keyboard {

// A combination as RegisterHotKey takes it: MOD_ALT, MOD_CONTROL, MOD_SHIFT, MOD_WIN and a virtual key.
struct Combination {
    UINT Modifiers = 0;
    UINT Key = 0;  // 0: none
    bool operator==(const Combination& other) const {
        return Modifiers == other.Modifiers && Key == other.Key;
    }
    bool operator!=(const Combination& other) const { return !(*this == other); }
};

std::wstring KeyName(UINT key);  // the keyboard layout's name for the key; empty where it has none
bool IsExtendedKey(UINT key);    // one of the keys that share a scan code with a number-pad key
// The hot-key control's value (HKM_GETHOTKEY, HKM_SETHOTKEY) and back. The control has no Windows key: a
// combination with it is given without it.
WORD ToHotkeyControl(Combination keys);
Combination FromHotkeyControl(WORD value);

}  // namespace Win::Keyboard
