#include "app/MainMod.h"

#include <iterator>
#include <optional>
#include <utility>

#include "app/ElevationMod.h"
#include "app/MainForm.h"
#include "player/WinampMod.h"
#include "win/Application.h"

namespace {

constexpr wchar_t kSessionNamespace[] = L"Local\\";  // one instance per log-on session
// Each follows the product name.
constexpr wchar_t kInstanceSuffix[] = L" Instance";
constexpr wchar_t kAlreadyRunning[] = L" is already running.";
constexpr wchar_t kNotCompatible[] = L" is not compatible with earlier operating systems.";

constexpr UINT kAnswerTimeoutMs = 10000;  // the longest a silent player holds the later keys up

// Keys for the player, in the order pressed. While the Shift+F1 at the front awaits the player's answer, the
// message loop goes on and later keys wait here, so that they reach the player after the play/pause command.
using Command = LONG (*)();
constexpr Command kPlayPause = nullptr;  // decided from the player's answers when its turn comes
// A list of its own: std::deque's code, and the block it takes at start-up, would cost the program 1 KB.
struct PendingKey {
    Command Key;
    PendingKey* Next;
};
PendingKey* Pending = nullptr;       // the front
PendingKey** PendingEnd = &Pending;  // where the next key goes
size_t Compared = 0;                 // answers that the front Shift+F1 has compared
std::optional<LONG> Answer;          // its latest answer, not yet compared
bool Awaiting = false;               // its query is out
ULONG_PTR QueryNumber = 0;           // a late answer to a query given up carries an older number
HWND AskedPlayer = nullptr;
UINT_PTR AnswerTimer = 0;
HWND SilentPlayer = nullptr;  // owes an answer past the limit: asking it again would hold the keys up anew
bool Draining = false;

void Drain() noexcept;

void PopFront() {
    PendingKey* const front = Pending;
    Pending = front->Next;
    if (!Pending) PendingEnd = &Pending;
    delete front;
}

// The front Shift+F1 gets no command; the later keys go on.
void DropPlayPause() {
    PopFront();
    Compared = 0;
    Win::Application::Trace("the player gave no play state in %u seconds; Shift+F1 dropped",
                            kAnswerTimeoutMs / 1000);
}

void CALLBACK Answered(HWND player, UINT, ULONG_PTR query, LRESULT answer) {
    if (player == SilentPlayer) SilentPlayer = nullptr;  // late, but it answers again
    if (!Awaiting || query != QueryNumber) return;
    KillTimer(nullptr, AnswerTimer);
    Awaiting = false;
    Answer = static_cast<LONG>(answer);
    Drain();
}

void CALLBACK AnswerOverdue(HWND, UINT, UINT_PTR timer, DWORD) {
    if (timer != AnswerTimer || !Awaiting) return;  // a tick of a timer killed after it came
    KillTimer(nullptr, AnswerTimer);
    Awaiting = false;
    SilentPlayer = AskedPlayer;
    DropPlayPause();
    Drain();
}

void Ask() {
    const HWND player = WinampMod::FindWinamp();
    if (player && player == SilentPlayer) {
        DropPlayPause();
        return;
    }
    // Armed before the send: a player on this thread would answer inside it.
    Awaiting = true;
    AnswerTimer = SetTimer(nullptr, 0, kAnswerTimeoutMs, AnswerOverdue);
    AskedPlayer = WinampMod::WinampPlayState(Answered, ++QueryNumber);
    if (AskedPlayer) return;
    KillTimer(nullptr, AnswerTimer);
    Awaiting = false;
    Answer = 0;  // no player window answers 0
}

void Drain() noexcept {
    if (Draining) return;  // an answer that came inside the send: the loop below takes it
    Draining = true;
    while (Pending && !Awaiting) {
        const Command command = Pending->Key;
        if (command != kPlayPause) {
            PopFront();
            command();
            continue;
        }
        if (!Answer) {
            Ask();
            continue;
        }
        const MainMod::PlayPauseAction action = MainMod::DecidePlayPause(Compared++, *Answer);
        Answer.reset();
        if (action == MainMod::PlayPauseAction::AskAgain) continue;
        PopFront();
        Compared = 0;
        if (action == MainMod::PlayPauseAction::Play) WinampMod::WinampPlay();
        if (action == MainMod::PlayPauseAction::Pause) WinampMod::WinampPause();
    }
    Draining = false;
}

void InOrder(Command command) {
    *PendingEnd = new PendingKey{command, nullptr};
    PendingEnd = &(*PendingEnd)->Next;
    Drain();
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
    {"PlayPauseBtn Hotkey", MOD_SHIFT, VK_F1, [] { InOrder(kPlayPause); }},
    {"StopBtn Hotkey", MOD_SHIFT, VK_F2, [] { InOrder(WinampMod::WinampStop); }},
    {"NextBtn Hotkey", MOD_SHIFT, VK_F3, [] { InOrder(WinampMod::WinampNext); }},
    {"PreviousBtn Hotkey", MOD_SHIFT, VK_F4, [] { InOrder(WinampMod::WinampPrevious); }},
    {"FForwardBtn Hotkey", MOD_SHIFT, VK_F5, [] { InOrder(WinampMod::WinampForward5Sec); }},
    {"FBackwardBtn Hotkey", MOD_SHIFT, VK_F6, [] { InOrder(WinampMod::WinampBackward5Sec); }},
    {"ToggleRepeatBtn Hotkey", MOD_SHIFT, VK_F7, [] { InOrder(WinampMod::WinampToggleRepeat); }},
    {"ToggleShuffleBtn Hotkey", MOD_SHIFT, VK_F8, [] { InOrder(WinampMod::WinampToggleShuffle); }},
    // The title as it is at the press: it is read now, and read without waiting for the player.
    {"SaveSongTitleBtn Hotkey", MOD_SHIFT, VK_F10, SaveSongTitle},
    {"Backward Hotkey", MOD_CONTROL, VK_LEFT, [] { InOrder(WinampMod::WinampBackward5Sec); }},
    {"Forward Hotkey", MOD_CONTROL, VK_RIGHT, [] { InOrder(WinampMod::WinampForward5Sec); }},
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

PlayPauseAction DecidePlayPause(size_t compared, LONG answer) {
    // Each comparison has an answer of its own, asked afresh.
    constexpr struct {
        LONG State;
        PlayPauseAction Action;
    } kSteps[] = {{0, PlayPauseAction::Play},
                  {1, PlayPauseAction::Pause},
                  {2, PlayPauseAction::Play},
                  {3, PlayPauseAction::Play}};
    if (compared >= std::size(kSteps)) return PlayPauseAction::None;
    if (answer == kSteps[compared].State) return kSteps[compared].Action;
    return compared + 1 < std::size(kSteps) ? PlayPauseAction::AskAgain : PlayPauseAction::None;
}

}  // namespace MainMod
