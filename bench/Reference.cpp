// The benchmark's yardstick: what any program must do to offer the same keys, in raw Win32 with no C or C++
// runtime. At start it shows the window with its labels, adds the tray icon, starts the 3 s detect timer and
// registers the eleven hot keys; Shift+F1 asks the player's play state and posts play or pause, the other
// keys post their command. The song title key is registered and does nothing. Logging off ends it.
// Usage: corvel_reference.exe [F-key modifiers [arrow-key modifiers [anything]]]: without them Shift and
// Ctrl as corvel.exe has them; the benchmark gives others, so that both programs can run at once.
#include <windows.h>

#include <shellapi.h>

namespace {

constexpr char kClassName[] = "CorvelReference";
constexpr char kPlayerClass[] = "Winamp v1.x";
constexpr char kPlayerRunning[] = "Winamp Is Running!";
constexpr char kPlayerNotRunning[] = "Winamp Not Running!";
constexpr char kTip[] = "Corvel reference";
constexpr UINT_PTR kDetectTimer = 1;
constexpr LPARAM kIsPlayingQuery = 104;
constexpr WPARAM kPlay = 40045, kPause = 40046;

struct Row {
    const char* AtomName;
    bool FunctionKey;  // else an arrow key
    UINT Key;
    WPARAM Command;  // 0: none of its own
};

const Row kRows[] = {
    {"PlayPauseBtn Hotkey", true, VK_F1, 0},        {"StopBtn Hotkey", true, VK_F2, 40047},
    {"NextBtn Hotkey", true, VK_F3, 40048},         {"PreviousBtn Hotkey", true, VK_F4, 40044},
    {"FForwardBtn Hotkey", true, VK_F5, 40148},     {"FBackwardBtn Hotkey", true, VK_F6, 40144},
    {"ToggleRepeatBtn Hotkey", true, VK_F7, 40022}, {"ToggleShuffleBtn Hotkey", true, VK_F8, 40023},
    {"SaveSongTitleBtn Hotkey", true, VK_F10, 0},   {"Backward Hotkey", false, VK_LEFT, 40144},
    {"Forward Hotkey", false, VK_RIGHT, 40148},
};
constexpr int kRowCount = sizeof kRows / sizeof kRows[0];

struct Label {
    int Top;
    const char* Caption;
};

const Label kLegend[] = {
    {120, "Play/Pause Hotkey: Shift + F1"},        {480, "Stop Hotkey: Shift + F2"},
    {840, "Next Song Hotkey: Shift + F3"},         {1200, "Prev Song Hotkey: Shift + F4"},
    {1560, "Fast Forward 5 Seconds: Shift + F5"},  {1920, "Fast Rewind 5 Seconds: Shift + F6"},
    {2280, "Toggle Playlist Repeat: Shift + F7"},  {2640, "Toggle Playlist Shuffle: Shift + F8"},
    {3000, "Save Song Title Hotkey: Shift + F10"}, {3360, "Fast Rewind: Ctrl + Left"},
    {3720, "Fast Forward: Ctrl + Right"},
};

int HotkeyIds[kRowCount];
HWND Status;
bool PlayerSeen;
NOTIFYICONDATAA Icon;

// The next decimal number of the command line, or fallback when there is none.
UINT NextNumber(const char*& text, UINT fallback) {
    while (*text == ' ' || *text == '\t') ++text;
    if (*text < '0' || *text > '9') return fallback;
    UINT number = 0;
    while (*text >= '0' && *text <= '9') number = number * 10 + static_cast<UINT>(*text++ - '0');
    return number;
}

const char* Arguments() {
    const char* text = GetCommandLineA();
    if (*text == '"') {
        ++text;
        while (*text && *text != '"') ++text;
        if (*text) ++text;
    } else {
        while (*text && *text != ' ' && *text != '\t') ++text;
    }
    return text;
}

HWND Player() {
    return FindWindowA(kPlayerClass, nullptr);
}

void Post(WPARAM command) {
    if (const HWND player = Player()) PostMessageA(player, WM_COMMAND, command, 0);
}

LRESULT PlayState() {
    const HWND player = Player();
    return player ? SendMessageA(player, WM_USER, 0, kIsPlayingQuery) : 0;
}

// Asked afresh before each comparison, as the program does.
void PlayPause() {
    if (PlayState() == 0) return Post(kPlay);
    if (PlayState() == 1) return Post(kPause);
    if (PlayState() == 2) return Post(kPlay);
    if (PlayState() == 3) return Post(kPlay);
}

void Hotkey(WPARAM id) {
    for (int row = 0; row < kRowCount; ++row) {
        if (id != static_cast<WPARAM>(HotkeyIds[row])) continue;
        if (kRows[row].Key == VK_F1) {
            PlayPause();
        } else if (kRows[row].Command) {
            Post(kRows[row].Command);
        }
        return;
    }
}

void Detect() {
    const bool seen = Player() != nullptr;
    if (seen != PlayerSeen) SetWindowTextA(Status, seen ? kPlayerRunning : kPlayerNotRunning);
    PlayerSeen = seen;
}

LRESULT CALLBACK WndProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
    switch (uMsg) {
        case WM_HOTKEY:
            Hotkey(wParam);
            return 0;
        case WM_TIMER:
            Detect();
            return 0;
        case WM_ENDSESSION:
            if (!wParam) return 0;
            Shell_NotifyIconA(NIM_DELETE, &Icon);
            ExitProcess(0);
        default:
            return DefWindowProcA(hWnd, uMsg, wParam, lParam);
    }
}

int Pixels(int twips, int dpi) {
    return MulDiv(twips, dpi, 1440);
}

HFONT Tahoma(int weight, int dpi) {
    return CreateFontA(-MulDiv(825, dpi, 7200), 0, 0, 0, weight, FALSE, FALSE, FALSE, ANSI_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                       "Tahoma");
}

HWND CreateLabel(HWND parent, const char* caption, RECT twips, DWORD align, HFONT font, int dpi) {
    const HWND label =
        CreateWindowExA(0, "STATIC", caption, WS_CHILD | WS_VISIBLE | align, Pixels(twips.left, dpi),
                        Pixels(twips.top, dpi), Pixels(twips.right, dpi), Pixels(twips.bottom, dpi), parent,
                        nullptr, GetModuleHandleA(nullptr), nullptr);
    SendMessageA(label, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return label;
}

HWND CreateMainWindow(HICON icon) {
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = WndProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hIcon = icon;
    wc.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kClassName;
    RegisterClassExA(&wc);

    const HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    RECT frame = {0, 0, Pixels(3525, dpi), Pixels(4590, dpi)};
    AdjustWindowRectEx(&frame, kStyle, FALSE, 0);
    const int width = frame.right - frame.left, height = frame.bottom - frame.top;
    const HWND window = CreateWindowExA(0, kClassName, "Corvel reference", kStyle,
                                        (GetSystemMetrics(SM_CXSCREEN) - width) / 2,
                                        (GetSystemMetrics(SM_CYSCREEN) - height) / 2, width, height, nullptr,
                                        nullptr, GetModuleHandleA(nullptr), nullptr);
    const HFONT normal = Tahoma(FW_NORMAL, dpi);
    for (const Label& label : kLegend)
        CreateLabel(window, label.Caption, {360, label.Top, 2655, 255}, SS_LEFT, normal, dpi);
    Status =
        CreateLabel(window, kPlayerNotRunning, {120, 4200, 3015, 255}, SS_CENTER, Tahoma(FW_BOLD, dpi), dpi);
    return window;
}

void AddTrayIcon(HWND window, HICON icon) {
    Icon.cbSize = NOTIFYICONDATAA_V1_SIZE;
    Icon.hWnd = window;
    Icon.uID = 1;
    Icon.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    Icon.uCallbackMessage = WM_MOUSEMOVE;
    Icon.hIcon = icon;
    for (UINT i = 0; i < sizeof kTip; ++i) Icon.szTip[i] = kTip[i];
    Shell_NotifyIconA(NIM_ADD, &Icon);
}

void RegisterHotkeys(HWND window) {
    const char* arguments = Arguments();
    const UINT functionKeyModifiers = NextNumber(arguments, MOD_SHIFT);
    const UINT arrowKeyModifiers = NextNumber(arguments, MOD_CONTROL);
    for (int row = 0; row < kRowCount; ++row) {
        HotkeyIds[row] = static_cast<SHORT>(GlobalAddAtomA(kRows[row].AtomName));
        RegisterHotKey(window, HotkeyIds[row],
                       kRows[row].FunctionKey ? functionKeyModifiers : arrowKeyModifiers, kRows[row].Key);
    }
}

}  // namespace

// The entry point itself: no runtime runs before it.
extern "C" void __stdcall ReferenceStart() {
    const auto icon = static_cast<HICON>(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(1),
                                                    IMAGE_ICON, 0, 0, LR_DEFAULTSIZE | LR_SHARED));
    // In the program's order: the window's design, its load (the icon), showing it, then the keys.
    const HWND window = CreateMainWindow(icon);
    SetTimer(window, kDetectTimer, 3000, nullptr);
    AddTrayIcon(window, icon);
    ShowWindow(window, SW_SHOWNORMAL);
    RegisterHotkeys(window);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    ExitProcess(0);
}
