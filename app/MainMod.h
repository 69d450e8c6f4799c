#pragma once

#include <windows.h>

#include <string>

#include "settings/HotkeySettings.h"

// Start-up, the global hot keys and the window procedure that dispatches them.
namespace MainMod {

inline constexpr wchar_t kProductName[] = L"Corvel Win2K/XP Edition";  // the title of its message boxes

extern HWND MainHwnd;
extern WNDPROC OldWndProc;

void Main();  // the program's first routine
bool IsWin2KOrLater();

void RegisterHotkeys();
void InstallWndProc();
void RestoreWndProc();
LRESULT CALLBACK HotkeyWndProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);

int HotkeyId(ATOM atom);  // the atom sign-extended, as registered and as WM_HOTKEY reports it

// The rows of the hot-key table, in the legend's order.
inline constexpr size_t kHotkeyRows = 11;
std::wstring HotkeyName(size_t row);
HotkeySettings::Combination DesignHotkey(size_t row);
HotkeySettings::Combination CurrentHotkey(size_t row);
bool HotkeyWorks(size_t row);  // registered (or set aside); false for an off row or one another program holds
// Registers keys (one per row) in place of the current ones, set aside or not: all of them, or, where a
// changed row's combination cannot be registered, none, and false with those rows marked in refused (one per
// row). Rows that did not work are tried again.
bool ChangeHotkeys(const HotkeySettings::Combination* keys, bool* refused);
// While set aside, no combination of ours is registered, so that a hot-key control can take any of them.
void SetHotkeysAside(bool bAside);
bool SaveHotkeys();  // the current keys as the user's setting; on false GetLastError says why
void RestKeys();     // at the detect tick: the player's answers stop holding a timer once none is owed

}  // namespace MainMod
