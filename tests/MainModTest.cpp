#include "app/MainMod.h"

#include <gtest/gtest.h>

namespace {

TEST(HotkeyIdTest, AtomsAreSignExtended) {
    EXPECT_EQ(MainMod::HotkeyId(0xC000), -16384);
    EXPECT_EQ(MainMod::HotkeyId(0xFFFF), -1);
    EXPECT_EQ(MainMod::HotkeyId(0xC123), static_cast<int>(0xFFFFC123));
    EXPECT_EQ(MainMod::HotkeyId(0), 0);
}

// The previous procedure of a scratch window: answers with a mark so the test sees the hand-over.
UINT LastMessage = 0;
LRESULT CALLBACK MarkingProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
    LastMessage = uMsg;
    if (uMsg == WM_APP || uMsg == WM_HOTKEY) return 1234;
    return DefWindowProcA(hWnd, uMsg, wParam, lParam);
}

TEST(HotkeyWndProcTest, EveryMessageReachesThePreviousProcedure) {
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = MarkingProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "CorvelHotkeyProcTest";
    RegisterClassExA(&wc);
    const HWND window = CreateWindowExA(0, wc.lpszClassName, "", WS_OVERLAPPED, 0, 0, 10, 10, nullptr,
                                        nullptr, wc.hInstance, nullptr);
    ASSERT_NE(window, nullptr);
    MainMod::MainHwnd = window;
    MainMod::InstallWndProc();
    EXPECT_EQ(MainMod::OldWndProc, MarkingProc);

    EXPECT_EQ(SendMessageA(window, WM_APP, 0, 0), 1234);
    EXPECT_EQ(LastMessage, static_cast<UINT>(WM_APP));
    // Unregistered ids, and an atom zero-extended, match no row and still go on.
    EXPECT_EQ(SendMessageA(window, WM_HOTKEY, 0xC000, 0), 1234);
    EXPECT_EQ(SendMessageA(window, WM_HOTKEY, 12, 0), 1234);

    MainMod::RestoreWndProc();
    EXPECT_EQ(reinterpret_cast<WNDPROC>(GetWindowLongPtrA(window, GWLP_WNDPROC)), MarkingProc);
    DestroyWindow(window);
    MainMod::MainHwnd = nullptr;
}

}  // namespace
