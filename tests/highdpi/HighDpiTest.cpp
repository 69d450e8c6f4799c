// The real corvel.exe at the display scalings of today's screens. Run in a Wine prefix of their own: each
// test sets the prefix's LogPixels, which Wine reads as corvel starts, so the other tests keep 96 dpi.
#include <gtest/gtest.h>
#include <windows.h>

#include <shellapi.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "tests/support/CorvelProcess.h"
#include "tests/support/StandInPlayer.h"
#include "tests/support/Wait.h"
#include "tests/support/WineTray.h"
#include "win/Application.h"

namespace {

constexpr char kTip[] = "Corvel Win2K/XP v1.2 By Orrindale";
constexpr char kOtherTip[] = "Changed by the test";
constexpr UINT kTrayIconId = 1;
constexpr int kSweepLines = 40;  // rows and columns of the sweep, besides the mouse-message columns
constexpr DWORD kStartMs = 30000;

int CountTips(const char* tip) {
    const std::vector<std::string> tips = TrayTips();
    return static_cast<int>(std::count(tips.begin(), tips.end(), tip));
}

// The shell knows an icon by its window and id alone: the test changes corvel's tip behind its back.
bool ChangeTip(HWND window, const char* tip) {
    NOTIFYICONDATAA data = {};
    data.cbSize = NOTIFYICONDATAA_V1_SIZE;
    data.hWnd = window;
    data.uID = kTrayIconId;
    data.uFlags = NIF_TIP;
    lstrcpynA(data.szTip, tip, sizeof data.szTip);
    return Shell_NotifyIconA(NIM_MODIFY, &data) && WaitFor([&] { return CountTips(tip) == 1; });
}

// As the shell reports a mouse message over the icon: the icon's id, then the message.
void PostTrayEvent(HWND window, UINT mouseMessage) {
    PostMessageA(window, WM_MOUSEMOVE, kTrayIconId, mouseMessage);
}

// Absolute input lands on pixel floor(dx * width / 65536): rounding up reaches the pixel itself.
void MovePointer(POINT to) {
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dx = (to.x * 65536 + GetSystemMetrics(SM_CXSCREEN) - 1) / GetSystemMetrics(SM_CXSCREEN);
    input.mi.dy = (to.y * 65536 + GetSystemMetrics(SM_CYSCREEN) - 1) / GetSystemMetrics(SM_CYSCREEN);
    input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    SendInput(1, &input, sizeof input);
}

void Click(POINT at) {
    MovePointer(at);
    INPUT inputs[2] = {};
    inputs[0].type = inputs[1].type = INPUT_MOUSE;
    inputs[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    inputs[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(2, inputs, sizeof(INPUT));
}

// Far from every point whose client coordinates could read as a mouse message.
void ParkPointer() {
    MovePointer({0, GetSystemMetrics(SM_CYSCREEN) - 1});
}

// About kSweepLines lines evenly from 0 to size - 1, both ends included.
std::set<int> Lines(int size) {
    std::set<int> lines = {size - 1};
    for (int line = 0; line < size; line += std::max(1, size / kSweepLines)) lines.insert(line);
    return lines;
}

RECT ClientOnScreen(HWND window) {
    RECT client = {};
    GetClientRect(window, &client);
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&client), 2);
    return client;
}

RECT WorkArea() {
    RECT area = {};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    return area;
}

bool IsAbove(HWND upper, HWND lower) {
    for (HWND next = GetWindow(upper, GW_HWNDNEXT); next; next = GetWindow(next, GW_HWNDNEXT))
        if (next == lower) return true;
    return false;
}

// The title bar's close button, found as Windows hit-tests it.
std::optional<POINT> CloseButton(HWND window) {
    RECT frame = {};
    GetWindowRect(window, &frame);
    const int y = (frame.top + ClientOnScreen(window).top) / 2;
    for (int x = frame.right - 1; x > frame.left; --x) {
        DWORD_PTR hit = 0;
        SendMessageTimeoutA(window, WM_NCHITTEST, 0, MAKELPARAM(x, y), SMTO_NORMAL, 5000, &hit);
        if (hit == HTCLOSE) return POINT{x, y};
    }
    return std::nullopt;
}

class HighDpiTest : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        Win::Application::DeclareDpiAware();  // the test sees the screen's own pixels, as corvel does
        SetLogPixels(static_cast<DWORD>(GetParam()));
        ASSERT_TRUE(WaitFor([] { return CountTips(kTip) == 0; }, 15000))
            << "a previous corvel's icon lingers";
        Corvel = std::make_unique<CorvelProcess>();
        ASSERT_TRUE(Corvel->WaitReady(kStartMs));
        Window = Corvel->MainWindow();
        ASSERT_TRUE(WaitFor([&] { return IsWindowVisible(Window) && CountTips(kTip) == 1; }, kStartMs));
        RECT client = {};
        GetClientRect(Window, &client);
        ASSERT_EQ(client.right, MulDiv(3525, GetParam(), 1440)) << "corvel did not take the dpi";
    }
    void TearDown() override { Corvel.reset(); }

    bool MenuOpen() const { return Corvel->MenuOpen(); }

    std::unique_ptr<CorvelProcess> Corvel;
    HWND Window = nullptr;
};

using HighDpiLayoutTest = HighDpiTest;

TEST_P(HighDpiTest, MouseOverTheWindowNeverActsAsTheTray) {
    // What a tray event would do shows on things that stay: the tip comes back, the menu opens, the window
    // comes to the front (above a window of the test's put above it first).
    ASSERT_TRUE(ChangeTip(Window, kOtherTip));
    StandInPlayer cover("Cover", "CorvelTestCover");
    cover.Show({0, 0, 120, 120});
    SetWindowPos(cover.Hwnd(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    RECT frame = {}, overlap = {}, coverFrame = {};
    GetWindowRect(Window, &frame);
    GetWindowRect(cover.Hwnd(), &coverFrame);
    ASSERT_FALSE(IntersectRect(&overlap, &frame, &coverFrame))
        << "the pointer must meet corvel only: corvel at " << frame.left << "," << frame.top
        << ", the cover to " << coverFrame.right << "," << coverFrame.bottom;
    ASSERT_TRUE(IsAbove(cover.Hwnd(), Window));
    const auto untouched = [&] {
        RECT now = {};
        GetWindowRect(Window, &now);
        return !MenuOpen() && IsAbove(cover.Hwnd(), Window) && CountTips(kOtherTip) == 1 &&
               IsWindowVisible(Window) && EqualRect(&now, &frame);
    };

    // Every row and column of the sweep; the columns the pointer can reach include those whose number is a
    // mouse message (512 to 525), which the old decoding of X took for tray events once the window was wider.
    RECT screen = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    const RECT client = ClientOnScreen(Window);
    RECT reachable = {};
    IntersectRect(&reachable, &client, &screen);
    std::set<int> columns = Lines(reachable.right - client.left);
    for (int message = WM_MOUSEFIRST; message <= WM_MOUSELAST; ++message)
        if (client.left + message < reachable.right) columns.insert(message);
    for (int row : Lines(reachable.bottom - client.top)) {
        for (int column : columns) {
            MovePointer({client.left + column, client.top + row});
            Sleep(1);  // gives corvel the chance to take each move on its own
        }
        ASSERT_TRUE(untouched()) << "at row " << row;
    }
    EXPECT_FALSE(WaitFor([&] { return !untouched(); }, 1000));

    // A click on the close button comes after every move: once corvel has hidden, it has handled them all.
    const std::optional<POINT> close = CloseButton(Window);
    ASSERT_TRUE(close);
    Click(*close);
    EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(Window); }));
    EXPECT_FALSE(MenuOpen());
    EXPECT_EQ(CountTips(kOtherTip), 1) << "the tooltip was sent again";
}

TEST_P(HighDpiTest, TrayEventsStillAct) {
    ParkPointer();
    ASSERT_TRUE(ChangeTip(Window, kOtherTip));
    PostTrayEvent(Window, WM_MOUSEMOVE);
    EXPECT_TRUE(WaitFor([] { return CountTips(kTip) == 1; })) << "hover";

    PostTrayEvent(Window, WM_RBUTTONDOWN);
    ASSERT_TRUE(WaitFor([&] { return MenuOpen(); })) << "right-button press";
    PressKey(VK_ESCAPE);
    ASSERT_TRUE(WaitFor([&] { return !MenuOpen(); }));

    PostMessageA(Window, WM_CLOSE, 0, 0);
    ASSERT_TRUE(WaitFor([&] { return !IsWindowVisible(Window); }));
    PostTrayEvent(Window, WM_LBUTTONDBLCLK);
    EXPECT_TRUE(WaitFor([&] { return IsWindowVisible(Window) && !IsIconic(Window); })) << "double-click";
}

TEST_P(HighDpiLayoutTest, LabelsAreWholeAndTheTitleBarReachable) {
    const int dpi = GetParam();
    RECT client = {};
    GetClientRect(Window, &client);
    EXPECT_EQ(client.bottom, MulDiv(4590, dpi, 1440));

    // The design's font at this dpi: Tahoma 8.25 points, the status line bold.
    const HDC screen = GetDC(nullptr);
    std::vector<HWND> labels;
    for (HWND child = GetWindow(Window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        labels.push_back(child);
    ASSERT_EQ(labels.size(), 12u);
    for (HWND label : labels) {
        const bool status = label == labels.back();
        const HFONT font = CreateFontA(-MulDiv(825, dpi, 7200), 0, 0, 0, status ? FW_BOLD : FW_NORMAL, FALSE,
                                       FALSE, FALSE, ANSI_CHARSET, 0, 0, 0, 0, "Tahoma");
        const HGDIOBJ old = SelectObject(screen, font);
        const std::string text = TextOf(label);
        SIZE extent = {};
        GetTextExtentPoint32A(screen, text.c_str(), static_cast<int>(text.size()), &extent);
        SelectObject(screen, old);
        DeleteObject(font);
        RECT place = {}, inside = {};
        GetWindowRect(label, &place);
        MapWindowPoints(nullptr, Window, reinterpret_cast<POINT*>(&place), 2);
        EXPECT_LE(extent.cx, place.right - place.left) << text;
        EXPECT_LE(extent.cy, place.bottom - place.top) << text;
        EXPECT_TRUE(IntersectRect(&inside, &place, &client) && EqualRect(&inside, &place)) << text;
    }
    ReleaseDC(nullptr, screen);

    // On the screen if it fits; otherwise its top-left corner is, so the title bar can be reached.
    RECT frame = {}, onScreen = {};
    GetWindowRect(Window, &frame);
    const RECT work = WorkArea();
    const bool fits = frame.right - frame.left <= work.right - work.left &&
                      frame.bottom - frame.top <= work.bottom - work.top;
    IntersectRect(&onScreen, &frame, &work);
    if (fits) {
        EXPECT_TRUE(EqualRect(&onScreen, &frame));
    } else {
        EXPECT_GE(frame.left, work.left);
        EXPECT_GE(frame.top, work.top);
    }
    if (dpi <= 240 && GetSystemMetrics(SM_CXSCREEN) >= 1920 && GetSystemMetrics(SM_CYSCREEN) >= 1080) {
        EXPECT_TRUE(fits) << "a Full HD screen holds the window at " << dpi << " dpi";
    }
}

TEST_P(HighDpiLayoutTest, HotkeysDialogHoldsItsTextsAndItsTitleBarIsReachable) {
    const HWND dialog = Corvel->OpenHotkeysDialog();
    ASSERT_NE(dialog, nullptr);
    // Its font, as the template names it, at this dpi; the longest remark it may show beside each row.
    const HDC screen = GetDC(nullptr);
    const HFONT font = CreateFontA(-MulDiv(8, GetParam(), 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                                   DEFAULT_CHARSET, 0, 0, 0, 0, "MS Shell Dlg");
    const HGDIOBJ old = SelectObject(screen, font);
    const auto expectHolds = [&](HWND control, const std::string& text) {
        SIZE extent = {};
        GetTextExtentPoint32A(screen, text.c_str(), static_cast<int>(text.size()), &extent);
        RECT place = {};
        GetClientRect(control, &place);
        EXPECT_LE(extent.cx, place.right) << text;
        EXPECT_LE(extent.cy, place.bottom) << text;
    };
    for (int row = 0; row < 11; ++row) {
        const HWND name = GetDlgItem(dialog, 1100 + row);
        expectHolds(name, TextOf(name));
        expectHolds(GetDlgItem(dialog, 1200 + row), "same as Save Song Title Hotkey");
        expectHolds(GetDlgItem(dialog, 1000 + row), "Ctrl + Alt + Shift + Page Down");
    }
    for (int button : {IDOK, IDCANCEL, 1300})
        expectHolds(GetDlgItem(dialog, button), TextOf(GetDlgItem(dialog, button)));
    SelectObject(screen, old);
    DeleteObject(font);
    ReleaseDC(nullptr, screen);
    RECT frame = {};
    GetWindowRect(dialog, &frame);
    EXPECT_GE(frame.left, WorkArea().left);
    EXPECT_GE(frame.top, WorkArea().top);
}

std::string DpiName(const ::testing::TestParamInfo<int>& info) {
    return std::to_string(info.param) + "dpi";
}

INSTANTIATE_TEST_SUITE_P(Scaled, HighDpiTest, ::testing::Values(96, 240, 480), DpiName);
INSTANTIATE_TEST_SUITE_P(Scaled, HighDpiLayoutTest, ::testing::Values(144, 240, 480), DpiName);

}  // namespace
