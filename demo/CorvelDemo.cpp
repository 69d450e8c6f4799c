// Shows what corvel.exe does, on a display of its own or the user's: a stand-in player window, each hot key
// pressed and the command it brought, the song title log, and screenshots of the window and the "Hot Keys"
// dialog (at 96 and 240 dpi) and the tray menu.
// Exits non-zero when anything did not work.
#include <windows.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "demo/Screenshot.h"
#include "tests/support/CorvelProcess.h"
#include "tests/support/PlayerCommands.h"
#include "tests/support/StandInPlayer.h"
#include "tests/support/WineTray.h"
#include "win/Application.h"

namespace {

constexpr WPARAM kNoCommand = 0;
constexpr char kLog[] = "C:\\SongNames.txt";
constexpr char kTitle[] = "Artist - Song - Winamp";
constexpr char kLoggedLine[] = "Artist - Song\r\n";
constexpr char kPlayerRunning[] = "Winamp Is Running!";
constexpr DWORD kStartMs = 30000;   // a first start in a fresh prefix, under emulation
constexpr DWORD kDetectMs = 10000;  // the player check runs every 3 s
constexpr int kPlayerWidth = 250, kPlayerHeight = 300, kPadding = 12;
constexpr int kScaledDpi = 240;  // 250 %, as on many 4K laptops
constexpr int kClientWidthTwips = 3525;

const struct {
    const char* Name;
    UINT Modifier, Key;
    WPARAM Command;  // none for Shift+F10: it writes the log instead
} kKeys[] = {
    {"Shift+F1", VK_SHIFT, VK_F1, kPlay},           {"Shift+F2", VK_SHIFT, VK_F2, kStop},
    {"Shift+F3", VK_SHIFT, VK_F3, kNext},           {"Shift+F4", VK_SHIFT, VK_F4, kPrevious},
    {"Shift+F5", VK_SHIFT, VK_F5, kForward},        {"Shift+F6", VK_SHIFT, VK_F6, kBackward},
    {"Shift+F7", VK_SHIFT, VK_F7, kRepeat},         {"Shift+F8", VK_SHIFT, VK_F8, kShuffle},
    {"Shift+F10", VK_SHIFT, VK_F10, kNoCommand},    {"Ctrl+Left", VK_CONTROL, VK_LEFT, kBackward},
    {"Ctrl+Right", VK_CONTROL, VK_RIGHT, kForward},
};

int Failures = 0;

bool Check(bool ok, const std::string& failure) {
    if (!ok) {
        ++Failures;
        std::printf("FAILED: %s\n", failure.c_str());
    }
    return ok;
}

std::string ReadLog() {
    std::ifstream in(kLog, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string Named(const std::vector<std::pair<WPARAM, LPARAM>>& commands) {
    std::string names;
    for (const auto& command : commands)
        names += (names.empty() ? "" : ", ") + PlayerCommandName(command.first);
    return names.empty() ? "nothing" : names;
}

// Left of the screen's middle, where corvel's centred window leaves room.
RECT PlayerFrame() {
    const int left = GetSystemMetrics(SM_CXSCREEN) / 2 - 140 - kPlayerWidth;
    const int top = GetSystemMetrics(SM_CYSCREEN) / 2 - kPlayerHeight / 2;
    return {left, top, left + kPlayerWidth, top + kPlayerHeight};
}

// Presses each key and waits for what it brings: a command, or for Shift+F10 a whole new line in the log.
void PressEachKey(StandInPlayer& player) {
    std::printf("\n%-12s %-30s %s\n", "Key", "Player received", "Right");
    for (const auto& key : kKeys) {
        const size_t before = player.Commands().size();
        const std::string logBefore = ReadLog();
        PressKey(key.Modifier, key.Key);
        if (key.Command == kNoCommand) {
            WaitFor([&] {
                const std::string log = ReadLog();
                return log.size() > logBefore.size() && log.back() == '\n';
            });
        } else {
            player.WaitForCommands(before + 1);
        }
        const auto all = player.Commands();
        const std::vector<std::pair<WPARAM, LPARAM>> added(all.begin() + before, all.end());
        const bool right = key.Command == kNoCommand
                               ? added.empty()
                               : added == std::vector<std::pair<WPARAM, LPARAM>>{{key.Command, 0}};
        std::printf("%-12s %-30s %s\n", key.Name, Named(added).c_str(), right ? "yes" : "NO");
        Check(right, std::string(key.Name) + " brought the wrong command");
        if (key.Command == kNoCommand) {
            const std::string gained = ReadLog().substr(logBefore.size());
            std::printf("%-12s   %s gained the line \"%s\"\n", "", kLog,
                        gained.substr(0, gained.find_last_not_of("\r\n") + 1).c_str());
            Check(gained == kLoggedLine, "the log did not gain the song title");
        }
    }
    std::printf("\n");
}

BOOL CALLBACK MatchText(HWND child, LPARAM lParam) {
    auto* search = reinterpret_cast<std::pair<const char*, bool>*>(lParam);
    search->second = search->second || TextOf(child) == search->first;
    return !search->second;
}

bool ShowsText(HWND window, const char* text) {
    std::pair<const char*, bool> search = {text, false};
    EnumChildWindows(window, MatchText, reinterpret_cast<LPARAM>(&search));
    return search.second;
}

// Drawn, not only shown: the screen has the window's face colour just inside its client area.
bool DrawnOnScreen(HWND window) {
    POINT corner = {1, 1};
    ClientToScreen(window, &corner);
    const HDC screen = GetDC(nullptr);
    const COLORREF shown = GetPixel(screen, corner.x, corner.y);
    ReleaseDC(nullptr, screen);
    return shown == GetSysColor(COLOR_BTNFACE);
}

// The visible windows among these, with a margin, on the screen.
RECT Around(std::initializer_list<HWND> windows) {
    RECT area = {};
    for (HWND window : windows) {
        RECT frame;
        if (window && IsWindowVisible(window) && GetWindowRect(window, &frame))
            UnionRect(&area, &area, &frame);
    }
    InflateRect(&area, kPadding, kPadding);
    const int left = GetSystemMetrics(SM_XVIRTUALSCREEN), top = GetSystemMetrics(SM_YVIRTUALSCREEN);
    const RECT screen = {left, top, left + GetSystemMetrics(SM_CXVIRTUALSCREEN),
                         top + GetSystemMetrics(SM_CYVIRTUALSCREEN)};
    IntersectRect(&area, &area, &screen);
    return area;
}

void SaveScreenshot(const char* name, const RECT& area) {
    const std::string folder = TestDirectory() + "demo";
    CreateDirectoryA(folder.c_str(), nullptr);
    Check(WritePng(folder + "\\" + name, CaptureSettled(area)), std::string("no screenshot ") + name);
}

// Wine's own tray shows when the desktop has none: the menu then opens at the icon, as under a click.
void PointAtTrayIcon() {
    const HWND tray = TrayWindow();
    const HWND icon = tray && IsWindowVisible(tray) ? GetWindow(tray, GW_CHILD) : nullptr;
    RECT frame;
    if (icon && GetWindowRect(icon, &frame))
        SetCursorPos((frame.left + frame.right) / 2, (frame.top + frame.bottom) / 2);
}

// The "Hot Keys" dialog, opened through the tray menu, pictured, and closed with Esc, which changes nothing.
void PictureHotkeysDialog(const CorvelProcess& corvel, const char* picture) {
    const HWND dialog = corvel.OpenHotkeysDialog();
    if (!Check(dialog != nullptr, "the Hot Keys dialog did not open")) return;
    Check(WaitFor([&] { return DrawnOnScreen(dialog); }), "the Hot Keys dialog was not drawn");
    SaveScreenshot(picture, Around({dialog}));
    PressKey(VK_ESCAPE);
    Check(WaitFor([&] { return !IsWindow(dialog); }), "Esc did not close the Hot Keys dialog");
}

// corvel.exe once more, as a screen of 240 dpi shows it: it scales itself to the dpi Wine reads at its start.
// scripts/run sets that dpi before this run of the demonstration begins, since Wine 10 gives a program the
// dpi that was in place when the program that starts it began, and gives the screen the same dpi: Wine 10
// shows a window of a dpi other than the screen's scaled to the screen's.
int ShowScaled() {
    std::printf("demo: corvel.exe again at %d dpi\n", kScaledDpi);
    CorvelProcess corvel;
    if (!Check(corvel.WaitReady(kStartMs),
               "corvel.exe did not start at " + std::to_string(kScaledDpi) + " dpi"))
        return 1;
    const HWND window = corvel.MainWindow();
    Check(WaitFor([&] { return IsWindowVisible(window) && DrawnOnScreen(window); }),
          "the scaled window did not show");
    RECT client = {};
    GetClientRect(window, &client);
    Check(client.right == MulDiv(kClientWidthTwips, kScaledDpi, 1440),
          "corvel.exe did not take " + std::to_string(kScaledDpi) + " dpi");
    SaveScreenshot("main-window-240dpi.png", Around({window}));
    PictureHotkeysDialog(corvel, "hotkeys-dialog-240dpi.png");
    if (Check(corvel.OpenTrayMenu(),
              "the tray menu did not open at " + std::to_string(kScaledDpi) + " dpi")) {
        PressKey('C');
        Check(corvel.WaitForExit(), "Close did not end the scaled corvel.exe");
    }
    return Failures == 0 ? 0 : 1;
}

int RunDemo() {
    std::printf("demo: a stand-in player window of class \"Winamp v1.x\", titled \"%s\"\n", kTitle);
    StandInPlayer player(kTitle);
    player.Show(PlayerFrame());

    std::printf("demo: starting corvel.exe and waiting for its hot keys\n");
    CorvelProcess corvel;
    if (!Check(corvel.WaitReady(kStartMs), "corvel.exe did not start") ||
        !Check(WaitUntilHotkeysArmed(player, kStartMs), "the hot keys did not reach the player"))
        return 1;
    PressEachKey(player);

    const HWND window = corvel.MainWindow();
    Check(WaitFor([&] { return ShowsText(window, kPlayerRunning); }, kDetectMs),
          "the window did not show \"Winamp Is Running!\"");
    SaveScreenshot("main-window.png", Around({window, player.Hwnd()}));
    PictureHotkeysDialog(corvel, "hotkeys-dialog.png");

    PointAtTrayIcon();
    if (Check(corvel.OpenTrayMenu(), "the tray menu did not open")) {
        SaveScreenshot("tray-menu.png", Around({window, player.Hwnd(), corvel.ShownMenu(), TrayWindow()}));
        PressKey('C');
        Check(corvel.WaitForExit(), "Close did not end corvel.exe");
    }
    // The menu's message came after every key: by now each has been handled, and nothing more arrived.
    Check(player.Commands().size() == std::size(kKeys) - 1, "a key brought more than its command");
    return Failures == 0 ? 0 : 1;
}

}  // namespace

// No argument: the keys, the log and the menu. --scaled: the window at 240 dpi.
int main(int argc, char** argv) {
    setvbuf(stdout, nullptr, _IONBF, 0);  // progress shows as it happens, through Wine's pipe too
    Win::Application::DeclareDpiAware();  // screen pixels as they are, whatever dpi the windows have
    const int result = argc > 1 && std::string(argv[1]) == "--scaled" ? ShowScaled() : RunDemo();
    std::printf("demo: %s\n", result == 0 ? "everything worked" : "something did not work");
    return result;
}
