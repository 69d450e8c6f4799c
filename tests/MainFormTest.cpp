#include "app/MainForm.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "tests/support/ShellSeam.h"

namespace {

constexpr UINT_PTR kDetectTimer = 1;

TEST(TrayTooltipTest, ShowsTheRevisionOnlyWhenSet) {
    EXPECT_EQ(TrayTooltip(L"Corvel Win2K/XP", {1, 2, 0}), L"Corvel Win2K/XP v1.2 By Orrindale");
    EXPECT_EQ(TrayTooltip(L"Corvel Win2K/XP", {1, 2, 3}), L"Corvel Win2K/XP v1.2.3 By Orrindale");
    EXPECT_EQ(TrayTooltip(L"X", {10, 0, 12}), L"X v10.0.12 By Orrindale");
}

TEST(TrayEventNumberTest, RecoversTheMouseMessageFromTwips) {
    const struct {
        float Twips;
        int TwipsPerPixel;
        int Number;
    } cases[] = {
        {512 * 15.0f, 15, 512}, {515 * 15.0f, 15, 515}, {516 * 12.0f, 12, 516},
        {516 * 10.0f, 10, 516}, {7.5f, 15, 0},  // half a pixel: to the even 0
        {22.5f, 15, 2},                         // one and a half: to the even 2
        {37.5f, 15, 2},                         // two and a half: to the even 2
        {52.5f, 15, 4},                         // three and a half: to the even 4
        {8.0f, 15, 1},          {7.0f, 15, 0},
    };
    for (const auto& c : cases) EXPECT_EQ(TrayEventNumber(c.Twips, c.TwipsPerPixel), c.Number) << c.Twips;
}

TEST(IsTrayNotificationTest, OnlyWhatThePointerDidNotMake) {
    const struct {
        LPARAM LParam;
        POINT Pointer;
        bool Tray;
    } cases[] = {
        {MAKELPARAM(516, 0), {516, 0}, false},    // the mouse over column 516 of a wide window
        {MAKELPARAM(515, 0), {514, 1}, false},    // the same, rounded apart by scaling for another monitor
        {MAKELPARAM(40, 300), {40, 300}, false},  // anywhere else
        {MAKELPARAM(-3, -7), {-3, -7}, false},    // outside the client area, as under capture
        {MAKELPARAM(516, 0), {-200, 900}, true},  // the shell's, the pointer over the icon
        {MAKELPARAM(515, 0), {515, 40}, true},    // the pointer in the column but not on the top row
        {MAKELPARAM(512, 0), {0, 0}, true},
    };
    for (const auto& c : cases) EXPECT_EQ(IsTrayNotification(c.LParam, c.Pointer), c.Tray) << c.LParam;
}

// The program's window, loaded in the test process; the shell behind the seam; the detect timer ticked by
// hand.
TEST(MainFormTest, FailedTrayAddIsTriedAgainOnTheDetectTimer) {
    ShellSeam seam;
    OneIconShell shell{false, true, true};  // busy at log-on, carrying the add out late
    seam.Answer = std::ref(shell);
    MainForm& form = MainForm::Instance();
    form.Load();
    const HWND window = form.Hwnd();
    KillTimer(window, kDetectTimer);
    const auto tick = [&] {
        const size_t before = seam.Calls.size();
        SendMessageA(window, WM_TIMER, kDetectTimer, 0);
        std::vector<DWORD> messages;
        for (size_t i = before; i < seam.Calls.size(); ++i) messages.push_back(seam.Calls[i].Message);
        return messages;
    };
    const auto newTaskbar = [&] { SendMessageA(window, RegisterWindowMessageA("TaskbarCreated"), 0, 0); };

    // The add at start timed out, yet the shell holds the icon: the first tick takes it over.
    ASSERT_EQ(seam.Calls.size(), 1u);
    EXPECT_FALSE(form.SysTray().Visible());
    shell.Busy = false;
    EXPECT_EQ(tick(), std::vector<DWORD>{NIM_MODIFY});
    EXPECT_TRUE(form.SysTray().Visible());
    EXPECT_TRUE(tick().empty());

    // A new taskbar that stays busy: tried again 3, 6, 12, 24 and 48 s later, then left alone.
    shell = {false, true, false};
    newTaskbar();
    std::vector<int> triedAt;
    for (int t = 1; t <= 24; ++t)
        if (!tick().empty()) triedAt.push_back(t);
    EXPECT_EQ(triedAt, (std::vector<int>{1, 2, 4, 8, 16}));
    EXPECT_FALSE(form.SysTray().Visible());

    // The next one is ready by the second try, whose add puts the icon in place; later ticks stay quiet.
    newTaskbar();
    EXPECT_FALSE(tick().empty());
    shell.Busy = false;
    EXPECT_EQ(tick(), (std::vector<DWORD>{NIM_MODIFY, NIM_ADD}));
    EXPECT_TRUE(form.SysTray().Visible());
    EXPECT_TRUE(shell.Holds);
    for (int t = 3; t <= 24; ++t) EXPECT_TRUE(tick().empty()) << t;
}

}  // namespace
