#include <gtest/gtest.h>
#include <windows.h>

#include <shellapi.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/CorvelProcess.h"
#include "tests/support/PlayerCommands.h"
#include "tests/support/StandInPlayer.h"
#include "tests/support/WineTray.h"

namespace {

constexpr char kCaption[] = "Corvel Win2K/XP";
constexpr char kTip[] = "Corvel Win2K/XP v1.2 By Orrindale";
constexpr char kPlayerRunning[] = "Winamp Is Running!";
constexpr char kPlayerNotRunning[] = "Winamp Not Running!";
constexpr char kTaskbarCreated[] = "TaskbarCreated";
constexpr UINT kTrayIconId = 1;
constexpr DWORD kOneTickMs = 4500;  // the 3000 ms detect timer, with room for a late tick

int CountTips(const char* tip) {
    const std::vector<std::string> tips = TrayTips();
    return static_cast<int>(std::count(tips.begin(), tips.end(), tip));
}

int CorvelTips() {
    return CountTips(kTip);
}

// Direct children, top of the z-order first.
std::vector<HWND> Children(HWND parent) {
    std::vector<HWND> children;
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        children.push_back(child);
    return children;
}

std::string ClassOf(HWND window) {
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

HWND StatusLabel(HWND window) {
    const std::vector<HWND> children = Children(window);
    return children.empty() ? nullptr : children.back();
}

bool IsAbove(HWND upper, HWND lower) {
    for (HWND next = GetWindow(upper, GW_HWNDNEXT); next; next = GetWindow(next, GW_HWNDNEXT))
        if (next == lower) return true;
    return false;
}

bool IsTopmost(HWND window) {
    return (GetWindowLongPtrA(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
}

bool ShownNormal(HWND window) {
    return IsWindowVisible(window) && !IsIconic(window);
}

// As the shell reports a mouse message over the icon: the icon's id, then the message.
void PostTrayEvent(HWND window, UINT mouseMessage) {
    PostMessageA(window, WM_MOUSEMOVE, kTrayIconId, mouseMessage);
}

RECT WindowRect(HWND window) {
    RECT rect = {};
    GetWindowRect(window, &rect);
    return rect;
}

bool SameRect(const RECT& a, const RECT& b) {
    return EqualRect(&a, &b) != FALSE;
}

WINDOWPLACEMENT PlacementOf(HWND window) {
    WINDOWPLACEMENT placement = {};
    placement.length = sizeof placement;
    GetWindowPlacement(window, &placement);
    return placement;
}

bool Centred(const RECT& frame) {
    return std::abs((frame.left + frame.right) - GetSystemMetrics(SM_CXSCREEN)) <= 3 &&
           std::abs((frame.top + frame.bottom) - GetSystemMetrics(SM_CYSCREEN)) <= 3;
}

// Windows' own view of a window put away in the tray: hidden, yet normal and at its place.
bool HiddenAndNormal(HWND window, const RECT& place) {
    const WINDOWPLACEMENT placement = PlacementOf(window);
    return !IsWindowVisible(window) && !IsIconic(window) && placement.showCmd == SW_SHOWNORMAL &&
           SameRect(placement.rcNormalPosition, place) && SameRect(WindowRect(window), place);
}

bool ShownAt(HWND window, const RECT& place) {
    return ShownNormal(window) && SameRect(WindowRect(window), place);
}

std::string Text(const RECT& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + "-" + std::to_string(r.right) + "," +
           std::to_string(r.bottom);
}

// What Windows holds, for a failure message.
std::string Placement(HWND window) {
    const WINDOWPLACEMENT placement = PlacementOf(window);
    return "visible " + std::to_string(IsWindowVisible(window)) + ", iconic " +
           std::to_string(IsIconic(window)) + ", showCmd " + std::to_string(placement.showCmd) + ", at " +
           Text(WindowRect(window)) + ", normal " + Text(placement.rcNormalPosition);
}

// The shell knows an icon by its window and id alone, so the test can act on corvel's icon.
bool NotifyAsCorvel(HWND window, DWORD message, const char* tip = nullptr) {
    NOTIFYICONDATAA data = {};
    data.cbSize = NOTIFYICONDATAA_V1_SIZE;
    data.hWnd = window;
    data.uID = kTrayIconId;
    if (tip) {
        data.uFlags = NIF_TIP;
        lstrcpynA(data.szTip, tip, 64);
    }
    return Shell_NotifyIconA(message, &data) != FALSE;
}

// The tray menu's "&Show", chosen with the keyboard once the menu is open.
bool ChooseShow(const CorvelProcess& corvel) {
    PostTrayEvent(corvel.MainWindow(), WM_RBUTTONDOWN);
    if (!WaitFor([&] { return corvel.MenuOpen(); })) return false;
    PressKey('S');
    return WaitFor([&] { return !corvel.MenuOpen(); });
}

// Another process's class icon cannot be read under Wine, so icons are compared as drawn.
std::vector<COLORREF> Pixels(HDC source, int x, int y, int width, int height) {
    BITMAPINFO info = {};
    info.bmiHeader = {sizeof info.bmiHeader, width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    const HDC memory = CreateCompatibleDC(source);
    const HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    const HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, source, x, y, SRCCOPY);
    GdiFlush();
    std::vector<COLORREF> pixels(static_cast<const DWORD*>(bits),
                                 static_cast<const DWORD*>(bits) + width * height);
    for (COLORREF& pixel : pixels) pixel &= 0xFFFFFF;
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    return pixels;
}

// The program icon at title-bar size; a pixel is opaque where black and white backgrounds agree.
struct SmallIcon {
    int Size = 0;
    std::vector<COLORREF> Colour;
    std::vector<bool> Opaque;
};

SmallIcon DrawSmall(HICON icon) {
    SmallIcon small;
    small.Size = GetSystemMetrics(SM_CXSMICON);
    std::vector<COLORREF> drawn[2];
    const HDC screen = GetDC(nullptr);
    const HDC memory = CreateCompatibleDC(screen);
    const HBITMAP bitmap = CreateCompatibleBitmap(screen, small.Size, small.Size);
    const HGDIOBJ old = SelectObject(memory, bitmap);
    for (int background = 0; background < 2; ++background) {
        PatBlt(memory, 0, 0, small.Size, small.Size, background ? WHITENESS : BLACKNESS);
        DrawIconEx(memory, 0, 0, icon, small.Size, small.Size, 0, nullptr, DI_NORMAL);
        drawn[background] = Pixels(memory, 0, 0, small.Size, small.Size);
    }
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    small.Colour = drawn[0];
    for (size_t i = 0; i < drawn[0].size(); ++i) small.Opaque.push_back(drawn[0][i] == drawn[1][i]);
    return small;
}

// Wine's title bar shows a small copy loaded from the resource, its tray shrinks the 32-pixel image as it
// draws: both renderings of the executable's icon count.
std::vector<SmallIcon> ProgramIcons() {
    std::vector<SmallIcon> icons;
    const HMODULE exe =
        LoadLibraryExA((TestDirectory() + "corvel.exe").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    const int small = GetSystemMetrics(SM_CXSMICON);
    for (const int size : {small, 0}) {
        const auto icon = static_cast<HICON>(
            LoadImageA(exe, MAKEINTRESOURCEA(1), IMAGE_ICON, size, size, size ? 0 : LR_DEFAULTSIZE));
        if (!icon) continue;
        icons.push_back(DrawSmall(icon));
        DestroyIcon(icon);
    }
    if (exe) FreeLibrary(exe);
    return icons;
}

bool Matches(const std::vector<COLORREF>& shown, int width, int left, int top, const SmallIcon& icon) {
    for (int i = 0; i < icon.Size * icon.Size; ++i) {
        if (icon.Opaque[i] && shown[(top + i / icon.Size) * width + left + i % icon.Size] != icon.Colour[i])
            return false;
    }
    return true;
}

// True when one of the icons appears somewhere inside the screen rectangle.
bool ScreenShowsIcon(const RECT& area, const std::vector<SmallIcon>& icons) {
    const int width = area.right - area.left, height = area.bottom - area.top;
    const HDC screen = GetDC(nullptr);
    const std::vector<COLORREF> shown = Pixels(screen, area.left, area.top, width, height);
    ReleaseDC(nullptr, screen);
    for (const SmallIcon& icon : icons) {
        for (int top = 0; top + icon.Size <= height; ++top)
            for (int left = 0; left + icon.Size <= width; ++left)
                if (Matches(shown, width, left, top, icon)) return true;
    }
    return false;
}

// Retried: a first press can come before the program has registered its keys.
bool HotkeyReaches(const StandInPlayer& player, UINT key, WPARAM command) {
    const size_t before = player.Commands().size();
    for (int attempt = 0; attempt < 10; ++attempt) {
        PressKey(VK_SHIFT, key);
        if (player.WaitForCommand(command, before, 1000)) return true;
    }
    return false;
}

int Dpi() {
    const HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    return dpi;
}

// The tray shows another tip until a hover over the icon makes the program send its own again.
bool HoverRestoresTip(HWND window) {
    constexpr char kOther[] = "Changed by the test";
    if (!NotifyAsCorvel(window, NIM_MODIFY, kOther) || !WaitFor([&] { return CountTips(kOther) == 1; }))
        return false;
    PostTrayEvent(window, WM_MOUSEMOVE);
    return WaitFor([&] { return CorvelTips() == 1 && CountTips(kOther) == 0; });
}

class MainWindowTest : public ::testing::Test {
protected:
    // A killed corvel's icon lingers until Wine notices its window is gone.
    void SetUp() override {
        ASSERT_TRUE(WaitFor([] { return CorvelTips() == 0; }, 15000));
    }

    HWND Start(const std::string& arguments = "") {
        if (Corvel) {
            Corvel.reset();
            EXPECT_TRUE(WaitFor([] { return CorvelTips() == 0; }, 15000));
        }
        Corvel = std::make_unique<CorvelProcess>(arguments);
        EXPECT_TRUE(Corvel->WaitReady());
        return Corvel->MainWindow();
    }

    // Wine may report the program idle before it has shown its window.
    HWND StartShown() {
        const HWND window = Start();
        EXPECT_NE(window, nullptr);
        EXPECT_TRUE(WaitFor([&] { return ShownNormal(window); })) << "the window did not show";
        return window;
    }

    std::unique_ptr<CorvelProcess> Corvel;
};

TEST_F(MainWindowTest, FirstShowingFollowsTheDesign) {
    const HWND window = StartShown();
    EXPECT_EQ(TextOf(window), kCaption);

    RECT client = {};
    GetClientRect(window, &client);
    EXPECT_EQ(client.right, MulDiv(3525, Dpi(), 1440));
    EXPECT_EQ(client.bottom, MulDiv(4590, Dpi(), 1440));
    RECT frame = {};
    GetWindowRect(window, &frame);
    EXPECT_NEAR((frame.left + frame.right) / 2.0, GetSystemMetrics(SM_CXSCREEN) / 2.0, 1.5);
    EXPECT_NEAR((frame.top + frame.bottom) / 2.0, GetSystemMetrics(SM_CYSCREEN) / 2.0, 1.5);

    const LONG_PTR style = GetWindowLongPtrA(window, GWL_STYLE);
    EXPECT_EQ(style & WS_THICKFRAME, 0) << "the frame must not be sizeable";
    EXPECT_EQ(style & WS_MAXIMIZEBOX, 0);
    EXPECT_NE(style & WS_SYSMENU, 0) << "the close button";
    DWORD_PTR hit = 0;
    SendMessageTimeoutA(window, WM_NCHITTEST, 0, MAKELPARAM(frame.right - 1, frame.bottom - 1), SMTO_NORMAL,
                        5000, &hit);
    EXPECT_FALSE(hit >= HTLEFT && hit <= HTBOTTOMRIGHT) << "the corner offers resizing: " << hit;
    EXPECT_EQ(GetMenu(window), nullptr) << "no menu bar";

    std::vector<std::string> texts;
    for (HWND child : Children(window)) {
        EXPECT_EQ(lstrcmpiA(ClassOf(child).c_str(), "Static"), 0) << ClassOf(child);
        texts.push_back(TextOf(child));
    }
    const std::vector<std::string> expected = {
        "Play/Pause Hotkey: Shift + F1",       "Stop Hotkey: Shift + F2",
        "Next Song Hotkey: Shift + F3",        "Prev Song Hotkey: Shift + F4",
        "Fast Forward 5 Seconds: Shift + F5",  "Fast Rewind 5 Seconds: Shift + F6",
        "Toggle Playlist Repeat: Shift + F7",  "Toggle Playlist Shuffle: Shift + F8",
        "Save Song Title Hotkey: Shift + F10", "Fast Rewind: Ctrl + Left",
        "Fast Forward: Ctrl + Right",          kPlayerNotRunning};
    EXPECT_EQ(texts, expected);

    // The title bar and the tray both show the executable's icon, not a stand-in of Wine's.
    const std::vector<SmallIcon> icons = ProgramIcons();
    ASSERT_EQ(icons.size(), 2u);
    for (const SmallIcon& icon : icons)
        ASSERT_GT(std::count(icon.Opaque.begin(), icon.Opaque.end(), true), icon.Size * icon.Size / 4);
    POINT clientOrigin = {0, 0};
    ClientToScreen(window, &clientOrigin);
    const RECT titleBar = {frame.left, frame.top, frame.left + 3 * icons[0].Size, clientOrigin.y};
    EXPECT_TRUE(WaitFor([&] { return ScreenShowsIcon(titleBar, icons); })) << "title bar";
    const RECT legend = {clientOrigin.x, clientOrigin.y, clientOrigin.x + client.right, clientOrigin.y + 40};
    EXPECT_FALSE(ScreenShowsIcon(legend, icons)) << "the comparison must tell text from an icon";
    RECT tray = {};
    GetWindowRect(TrayWindow(), &tray);
    EXPECT_TRUE(WaitFor([&] { return ScreenShowsIcon(tray, icons); })) << "tray";
}

TEST_F(MainWindowTest, StatusLabelFollowsThePlayerWindow) {
    const HWND window = StartShown();
    const HWND label = StatusLabel(window);
    ASSERT_NE(label, nullptr);
    const auto labelReads = [label](const char* text) {
        return [label, text] { return TextOf(label) == text; };
    };
    {
        StandInPlayer lookalike("1. Artist - Song - Winamp", "Not Winamp");
        EXPECT_FALSE(WaitFor(labelReads(kPlayerRunning), kOneTickMs)) << "only the player's class counts";
        EXPECT_EQ(TextOf(label), kPlayerNotRunning);
    }
    auto player = std::make_unique<StandInPlayer>();
    EXPECT_TRUE(WaitFor(labelReads(kPlayerRunning), kOneTickMs));
    player.reset();
    EXPECT_TRUE(WaitFor(labelReads(kPlayerNotRunning), kOneTickMs));

    // The timer goes on while the window is hidden in the tray.
    PostMessageA(window, WM_CLOSE, 0, 0);
    ASSERT_TRUE(WaitFor([&] { return !IsWindowVisible(window); }));
    player = std::make_unique<StandInPlayer>("");
    EXPECT_TRUE(WaitFor(labelReads(kPlayerRunning), kOneTickMs)) << "a player window without a title counts";
}

TEST_F(MainWindowTest, DoubleClickOnTheIconBringsTheWindowToTheFront) {
    const HWND window = StartShown();
    // An ordinary window of another thread, laid over corvel's.
    StandInPlayer cover("Cover", "CorvelTestCover");
    RECT frame = {};
    GetWindowRect(window, &frame);
    // Wine may still be ordering corvel's window after its last activation: laid over until it stays.
    const auto coverUp = [&] {
        SetWindowPos(cover.Hwnd(), HWND_TOP, frame.left - 20, frame.top - 20, frame.right - frame.left + 40,
                     frame.bottom - frame.top + 40, SWP_SHOWWINDOW | SWP_NOACTIVATE);
        return IsAbove(cover.Hwnd(), window);
    };
    const auto inFront = [&] {
        return ShownNormal(window) && !IsTopmost(window) && IsAbove(window, cover.Hwnd());
    };

    PostMessageA(window, WM_CLOSE, 0, 0);
    ASSERT_TRUE(WaitFor([&] { return !IsWindowVisible(window); }));
    ASSERT_TRUE(WaitFor(coverUp));
    PostTrayEvent(window, WM_LBUTTONDBLCLK);
    EXPECT_TRUE(WaitFor(inFront)) << "from hidden";

    ASSERT_TRUE(WaitFor(coverUp));
    PostTrayEvent(window, WM_LBUTTONDBLCLK);
    EXPECT_TRUE(WaitFor(inFront)) << "from behind another window";
    Sleep(300);
    EXPECT_TRUE(inFront()) << "it must stay an ordinary window";

    // Other mouse messages over the icon leave the window alone.
    PostMessageA(window, WM_CLOSE, 0, 0);
    ASSERT_TRUE(WaitFor([&] { return !IsWindowVisible(window); }));
    for (UINT ignored : {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_RBUTTONUP, WM_RBUTTONDBLCLK})
        PostTrayEvent(window, ignored);
    EXPECT_FALSE(WaitFor([&] { return IsWindowVisible(window) != FALSE; }, 1000));

    // Through Wine's own tray: its icon reports a double-click with the callback message the program chose.
    ASSERT_EQ(TrayIconCount(), 1);
    const HWND icon = GetWindow(TrayWindow(), GW_CHILD);
    PostMessageA(icon, WM_LBUTTONDBLCLK, 0, MAKELPARAM(4, 4));
    EXPECT_TRUE(WaitFor([&] { return ShownNormal(window); })) << "through the tray icon";
}

TEST_F(MainWindowTest, CloseAndMinimiseHideTheWindowInTheTray) {
    const StandInPlayer player;
    const HWND window = StartShown();
    const RECT place = WindowRect(window);
    const struct {
        const char* Path;
        void (*Ask)(HWND);
    } paths[] = {
        {"WM_CLOSE, as the task manager asks", [](HWND w) { PostMessageA(w, WM_CLOSE, 0, 0); }},
        {"SC_CLOSE, the close button", [](HWND w) { PostMessageA(w, WM_SYSCOMMAND, SC_CLOSE, 0); }},
        {"SC_MINIMIZE, title bar and task bar",
         [](HWND w) { PostMessageA(w, WM_SYSCOMMAND, SC_MINIMIZE, 0); }},
        {"ShowWindow from outside", [](HWND w) { ShowWindowAsync(w, SW_MINIMIZE); }},
    };
    bool byMenu = false;
    for (const auto& path : paths) {
        SCOPED_TRACE(path.Path);
        path.Ask(window);
        EXPECT_TRUE(WaitFor([&] { return HiddenAndNormal(window, place); })) << Placement(window);
        EXPECT_TRUE(Corvel->Running());
        EXPECT_EQ(CorvelTips(), 1) << "the tray icon stays";
        EXPECT_TRUE(HotkeyReaches(player, VK_F3, kNext)) << "the hot keys stay";

        // Back by double-click and by the menu's "&Show" in turn: normal, at its place.
        if (byMenu) {
            ASSERT_TRUE(ChooseShow(*Corvel));
        } else {
            PostTrayEvent(window, WM_LBUTTONDBLCLK);
        }
        byMenu = !byMenu;
        EXPECT_TRUE(WaitFor([&] { return ShownAt(window, place); })) << Placement(window);
    }
}

TEST_F(MainWindowTest, StartupSwitchStartsHiddenInTheTray) {
    const StandInPlayer player;
    for (const char* arguments : {"-startup", "-STARTUP", "-StartUp"}) {
        SCOPED_TRACE(arguments);
        const HWND window = Start(arguments);
        ASSERT_NE(window, nullptr);
        // A working hot key proves start-up has finished, showing included.
        EXPECT_TRUE(HotkeyReaches(player, VK_F2, kStop));
        EXPECT_FALSE(IsWindowVisible(window));
        EXPECT_TRUE(WaitFor([] { return CorvelTips() == 1; }));
    }
    // Windows too holds it normal and centred; the menu's "&Show" brings it there.
    const HWND window = Corvel->MainWindow();
    const RECT place = WindowRect(window);
    EXPECT_TRUE(HiddenAndNormal(window, place)) << Placement(window);
    EXPECT_TRUE(Centred(place));
    ASSERT_TRUE(ChooseShow(*Corvel));
    EXPECT_TRUE(WaitFor([&] { return ShownAt(window, place); })) << Placement(window);

    for (const char* arguments : {"-startup x", ""}) {
        SCOPED_TRACE(arguments);
        const HWND window = Start(arguments);
        ASSERT_NE(window, nullptr);
        EXPECT_TRUE(WaitFor([&] { return ShownNormal(window); }));
    }
}

TEST_F(MainWindowTest, LoggingOffEndsTheProgram) {
    const HWND window = StartShown();
    ASSERT_TRUE(WaitFor([] { return CorvelTips() == 1; }));
    DWORD_PTR answer = 0;
    ASSERT_NE(
        SendMessageTimeoutA(window, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, SMTO_NORMAL, 5000, &answer),
        0u);
    EXPECT_EQ(answer, static_cast<DWORD_PTR>(TRUE)) << "the program must not hold up the log-off";
    EXPECT_TRUE(Corvel->Running());
    // The program ends while handling it: no answer comes back.
    SendMessageTimeoutA(window, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF, SMTO_NORMAL, 5000, &answer);
    ASSERT_TRUE(Corvel->WaitForExit());
    const HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, Corvel->Id());
    DWORD exitCode = 1;
    GetExitCodeProcess(process, &exitCode);
    CloseHandle(process);
    EXPECT_EQ(exitCode, 0u) << "an orderly end, not a crash";
    EXPECT_TRUE(WaitFor([] { return CorvelTips() == 0; })) << "the icon goes with the program";
}

TEST_F(MainWindowTest, NewTaskbarGetsTheIconBack) {
    const HWND window = StartShown();
    ASSERT_TRUE(WaitFor([] { return CorvelTips() == 1; }));
    // A new taskbar starts empty: remove the icon behind the program's back.
    ASSERT_TRUE(NotifyAsCorvel(window, NIM_DELETE));
    ASSERT_TRUE(WaitFor([] { return CorvelTips() == 0; }));
    PostMessageA(window, RegisterWindowMessageA(kTaskbarCreated), 0, 0);
    EXPECT_TRUE(WaitFor([] { return CorvelTips() == 1; })) << "the icon was not added again";
    EXPECT_TRUE(HoverRestoresTip(window)) << "the new icon is not the program's own";
    EXPECT_TRUE(Corvel->Running());
}

TEST_F(MainWindowTest, TaskbarCreatedWhileTheIconIsThereKeepsItsOwn) {
    const HWND window = StartShown();
    ASSERT_TRUE(WaitFor([] { return CorvelTips() == 1; }));
    DWORD_PTR ignored = 0;  // sent, so that the program has handled it before the test goes on
    SendMessageTimeoutA(window, RegisterWindowMessageA(kTaskbarCreated), 0, 0, SMTO_NORMAL, 5000, &ignored);
    EXPECT_TRUE(HoverRestoresTip(window));
    EXPECT_EQ(CorvelTips(), 1);
    // Still its own: Close removes it before the program ends.
    PostMessageA(window, WM_MOUSEMOVE, kTrayIconId, WM_RBUTTONDOWN);
    ASSERT_TRUE(WaitFor([this] { return Corvel->MenuOpen(); }));
    PressKey('C');
    EXPECT_TRUE(Corvel->WaitForExit());
}

TEST_F(MainWindowTest, TrayTipNamesCaptionVersionAndAuthor) {
    const HWND window = StartShown();
    EXPECT_TRUE(WaitFor([] { return CorvelTips() == 1; }));
    EXPECT_TRUE(HoverRestoresTip(window));
}

}  // namespace
