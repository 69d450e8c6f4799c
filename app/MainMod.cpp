#include "app/MainMod.h"

#include <algorithm>
#include <iterator>
#include <utility>

#include "app/ElevationMod.h"
#include "app/KeyQueue.h"
#include "app/MainForm.h"
#include "player/WinampMod.h"
#include "settings/HotkeySettings.h"
#include "win/Application.h"
#include "win/IdlePath.h"

namespace {

constexpr wchar_t kSessionNamespace[] = L"Local\\";  // one instance per log-on session
// Each follows the product name.
constexpr wchar_t kInstanceSuffix[] = L" Instance";
constexpr wchar_t kAlreadyRunning[] = L" is already running.";
constexpr wchar_t kNotCompatible[] = L" is not compatible with earlier operating systems.";

void CALLBACK PlayStateAnswered(HWND player, UINT, ULONG_PTR query, LRESULT answer);
void CALLBACK AnswerOverdue(HWND, UINT, UINT_PTR timer, DWORD);

KeyQueue Keys(PlayStateAnswered, AnswerOverdue);  // the keys for the player, in the order pressed

void CALLBACK PlayStateAnswered(HWND player, UINT, ULONG_PTR query, LRESULT answer) {
    Keys.Answered(player, query, answer);
}

void CALLBACK AnswerOverdue(HWND, UINT, UINT_PTR timer, DWORD) {
    Keys.Overdue(timer);
}

void SaveSongTitle() {
    if (auto unlogged = WinampMod::SaveSongTitle())
        ElevationMod::SongTitleNotLogged(std::move(unlogged->Title), unlogged->Error);
}

struct HotkeyRow {
    const char* AtomName;
    const wchar_t* Name;  // the legend's and the dialog's name for the action
    HotkeySettings::Combination Design;
    void (*Action)();
};

// Registered and compared in this order, which is the legend's and the dialog's too. The combinations are
// the program's own keys: the user's setting may replace each of them.
const HotkeyRow kHotkeys[] = {
    {"PlayPauseBtn Hotkey",
     L"Play/Pause Hotkey",
     {MOD_SHIFT, VK_F1},
     [] { Keys.Press(KeyQueue::kPlayPause); }},
    {"StopBtn Hotkey", L"Stop Hotkey", {MOD_SHIFT, VK_F2}, [] { Keys.Press(WinampMod::WinampStop); }},
    {"NextBtn Hotkey", L"Next Song Hotkey", {MOD_SHIFT, VK_F3}, [] { Keys.Press(WinampMod::WinampNext); }},
    {"PreviousBtn Hotkey",
     L"Prev Song Hotkey",
     {MOD_SHIFT, VK_F4},
     [] { Keys.Press(WinampMod::WinampPrevious); }},
    {"FForwardBtn Hotkey",
     L"Fast Forward 5 Seconds",
     {MOD_SHIFT, VK_F5},
     [] { Keys.Press(WinampMod::WinampForward5Sec); }},
    {"FBackwardBtn Hotkey",
     L"Fast Rewind 5 Seconds",
     {MOD_SHIFT, VK_F6},
     [] { Keys.Press(WinampMod::WinampBackward5Sec); }},
    {"ToggleRepeatBtn Hotkey",
     L"Toggle Playlist Repeat",
     {MOD_SHIFT, VK_F7},
     [] { Keys.Press(WinampMod::WinampToggleRepeat); }},
    {"ToggleShuffleBtn Hotkey",
     L"Toggle Playlist Shuffle",
     {MOD_SHIFT, VK_F8},
     [] { Keys.Press(WinampMod::WinampToggleShuffle); }},
    // The title as it is at the press: it is read now, and read without waiting for the player.
    {"SaveSongTitleBtn Hotkey", L"Save Song Title Hotkey", {MOD_SHIFT, VK_F10}, SaveSongTitle},
    {"Backward Hotkey",
     L"Fast Rewind",
     {MOD_CONTROL, VK_LEFT},
     [] { Keys.Press(WinampMod::WinampBackward5Sec); }},
    {"Forward Hotkey",
     L"Fast Forward",
     {MOD_CONTROL, VK_RIGHT},
     [] { Keys.Press(WinampMod::WinampForward5Sec); }},
};
constexpr size_t kRows = MainMod::kHotkeyRows;
static_assert(std::size(kHotkeys) == kRows);

int HotkeyIds[kRows] = {};
HotkeySettings::Combination Current[kRows];  // the user's combinations; off until loaded
bool Works[kRows] = {};                      // registered, or registered before the keys were set aside
bool Aside = false;

void RunHotkey(WPARAM wParam) {
    for (size_t row = 0; row < kRows; ++row) {
        if (wParam == static_cast<WPARAM>(HotkeyIds[row])) {
            kHotkeys[row].Action();
            return;
        }
    }
}

// The table's column of atom names, as the setting names its rows by them.
const char* const* AtomNames() {
    static const char* names[kRows] = {};
    for (size_t row = 0; row < kRows; ++row) names[row] = kHotkeys[row].AtomName;
    return names;
}

// An off row registers nothing. A combination that another program holds stays without effect, greys its
// line in the legend, and leaves a line in the trail.
bool RegisterRow(size_t row) {
    if (Current[row].Key == 0) return false;
    if (RegisterHotKey(MainMod::MainHwnd, HotkeyIds[row], Current[row].Modifiers, Current[row].Key))
        return true;
    const DWORD error = GetLastError();
    const char* why = error == ERROR_HOTKEY_ALREADY_REGISTERED ? ": another program holds it" : "";
    Win::Application::Trace("hot key \"%s\" not registered%s (error %lu)", kHotkeys[row].AtomName, why,
                            error);
    return false;
}

void ShowHotkeys() {
    MainForm::Instance().ShowHotkeys();
}

}  // namespace

namespace MainMod {

HWND MainHwnd = nullptr;
WNDPROC OldWndProc = nullptr;

void Main() {
    // The elevated step shows nothing and registers nothing, so it may run beside a running copy.
    const ElevationMod::Step step = ElevationMod::ParseStep(Win::Application::Command());
    if (step != ElevationMod::Step::None) Win::Application::End(ElevationMod::RunStep(step));
    if (Win::Application::PrevInstance(std::wstring(kSessionNamespace) + kProductName + kInstanceSuffix)) {
        Win::Application::MsgBox(std::wstring(kProductName) + kAlreadyRunning);
        Win::Application::End();
    }
    if (!IsWin2KOrLater()) {
        Win::Application::MsgBox(std::wstring(kProductName) + kNotCompatible);
        Win::Application::End();
    }
    HotkeySettings::Combination design[kRows];
    for (size_t row = 0; row < kRows; ++row) design[row] = kHotkeys[row].Design;
    HotkeySettings::Load(AtomNames(), design, kRows, Current);
    MainForm& form = MainForm::Instance();
    form.Show();
    MainHwnd = form.Hwnd();
    RegisterHotkeys();
    InstallWndProc();
    ShowHotkeys();
}

bool IsWin2KOrLater() {
    OSVERSIONINFOA info = {};
    info.dwOSVersionInfoSize = sizeof info;
    GetVersionExA(&info);  // on failure the major version stays 0 and the system is refused
    return static_cast<LONG>(info.dwMajorVersion) > 4;
}

int HotkeyId(ATOM atom) {
    return static_cast<SHORT>(atom);
}

void RegisterHotkeys() {
    for (size_t row = 0; row < kRows; ++row) {
        HotkeyIds[row] = HotkeyId(GlobalAddAtomA(kHotkeys[row].AtomName));
        Works[row] = RegisterRow(row);
    }
}

std::wstring HotkeyName(size_t row) {
    return kHotkeys[row].Name;
}

HotkeySettings::Combination DesignHotkey(size_t row) {
    return kHotkeys[row].Design;
}

HotkeySettings::Combination CurrentHotkey(size_t row) {
    return Current[row];
}

bool HotkeyWorks(size_t row) {
    return Works[row];
}

bool ChangeHotkeys(const HotkeySettings::Combination* keys, bool* refused) {
    SetHotkeysAside(false);
    HotkeySettings::Combination before[kRows];
    std::copy(Current, Current + kRows, before);
    // Every row to register is let go first, so that two rows may trade their combinations.
    bool tried[kRows] = {};
    for (size_t row = 0; row < kRows; ++row) {
        tried[row] = keys[row] != Current[row] || !Works[row];
        if (tried[row] && Works[row]) UnregisterHotKey(MainHwnd, HotkeyIds[row]);
    }
    bool changed = true;
    for (size_t row = 0; row < kRows; ++row) {
        refused[row] = false;
        if (!tried[row]) continue;
        Current[row] = keys[row];
        Works[row] = RegisterRow(row);
        // A row held since the start that is still held stays as it was; a changed one is refused.
        refused[row] = !Works[row] && keys[row].Key != 0 && keys[row] != before[row];
        if (refused[row]) changed = false;
    }
    if (!changed) {
        // Nothing changes unless everything can: the changed rows get their earlier keys back.
        for (size_t row = 0; row < kRows; ++row)
            if (keys[row] != before[row] && Works[row]) UnregisterHotKey(MainHwnd, HotkeyIds[row]);
        for (size_t row = 0; row < kRows; ++row) {
            if (keys[row] == before[row]) continue;
            Current[row] = before[row];
            Works[row] = RegisterRow(row);
        }
    }
    ShowHotkeys();
    return changed;
}

void SetHotkeysAside(bool bAside) {
    if (bAside == Aside) return;
    Aside = bAside;
    for (size_t row = 0; row < kRows; ++row) {
        if (!Works[row]) continue;
        if (Aside) {
            UnregisterHotKey(MainHwnd, HotkeyIds[row]);
        } else {
            Works[row] = RegisterRow(row);  // another program may have taken it meanwhile
        }
    }
    if (!Aside) ShowHotkeys();
}

bool SaveHotkeys() {
    return HotkeySettings::Save(AtomNames(), Current, kRows);
}

IDLE_PATH void RestKeys() {
    Keys.Rest();
}

void InstallWndProc() {
    OldWndProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(MainHwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&HotkeyWndProc)));
}

void RestoreWndProc() {
    SetWindowLongPtrA(MainHwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(OldWndProc));
}

LRESULT CALLBACK HotkeyWndProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
    if (hWnd == MainHwnd && uMsg == WM_HOTKEY) {
        try {
            RunHotkey(wParam);
        } catch (...) {  // a failing action never disturbs message handling
        }
    }
    return CallWindowProcA(OldWndProc, hWnd, uMsg, wParam, lParam);
}

}  // namespace MainMod
