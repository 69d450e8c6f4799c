#pragma once

#include <windows.h>

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

}  // namespace MainMod
