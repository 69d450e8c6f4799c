#include "app/MainMod.h"

#include <iterator>
#include <utility>

#include "app/ElevationMod.h"
#include "app/KeyQueue.h"
#include "app/MainForm.h"
#include "player/WinampMod.h"
#include "win/Application.h"

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
    UINT Modifiers;
    UINT Key;
    void (*Action)();
};

// Registered and compared in this order.
const HotkeyRow kHotkeys[] = {
    {"PlayPauseBtn Hotkey", MOD_SHIFT, VK_F1, [] { Keys.Press(KeyQueue::kPlayPause); }},
    {"StopBtn Hotkey", MOD_SHIFT, VK_F2, [] { Keys.Press(WinampMod::WinampStop); }},
    {"NextBtn Hotkey", MOD_SHIFT, VK_F3, [] { Keys.Press(WinampMod::WinampNext); }},
    {"PreviousBtn Hotkey", MOD_SHIFT, VK_F4, [] { Keys.Press(WinampMod::WinampPrevious); }},
    {"FForwardBtn Hotkey", MOD_SHIFT, VK_F5, [] { Keys.Press(WinampMod::WinampForward5Sec); }},
    {"FBackwardBtn Hotkey", MOD_SHIFT, VK_F6, [] { Keys.Press(WinampMod::WinampBackward5Sec); }},
    {"ToggleRepeatBtn Hotkey", MOD_SHIFT, VK_F7, [] { Keys.Press(WinampMod::WinampToggleRepeat); }},
    {"ToggleShuffleBtn Hotkey", MOD_SHIFT, VK_F8, [] { Keys.Press(WinampMod::WinampToggleShuffle); }},
    // The title as it is at the press: it is read now, and read without waiting for the player.
    {"SaveSongTitleBtn Hotkey", MOD_SHIFT, VK_F10, SaveSongTitle},
    {"Backward Hotkey", MOD_CONTROL, VK_LEFT, [] { Keys.Press(WinampMod::WinampBackward5Sec); }},
    {"Forward Hotkey", MOD_CONTROL, VK_RIGHT, [] { Keys.Press(WinampMod::WinampForward5Sec); }},
};

int HotkeyIds[std::size(kHotkeys)] = {};

void RunHotkey(WPARAM wParam) {
    for (size_t row = 0; row < std::size(kHotkeys); ++row) {
        if (wParam == static_cast<WPARAM>(HotkeyIds[row])) {
            kHotkeys[row].Action();
            return;
        }
    }
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
    MainForm& form = MainForm::Instance();
    form.Show();
    MainHwnd = form.Hwnd();
    RegisterHotkeys();
    InstallWndProc();
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
    for (size_t row = 0; row < std::size(kHotkeys); ++row) {
        HotkeyIds[row] = HotkeyId(GlobalAddAtomA(kHotkeys[row].AtomName));
        // A combination that another program holds simply stays without effect, and leaves a line in the
        // trail.
        if (!RegisterHotKey(MainHwnd, HotkeyIds[row], kHotkeys[row].Modifiers, kHotkeys[row].Key)) {
            const DWORD error = GetLastError();
            const char* why = error == ERROR_HOTKEY_ALREADY_REGISTERED ? ": another program holds it" : "";
            Win::Application::Trace("hot key \"%s\" not registered%s (error %lu)", kHotkeys[row].AtomName,
                                    why, error);
        }
    }
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
