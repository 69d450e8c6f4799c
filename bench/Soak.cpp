// A long day's use of one copy of corvel.exe in a few minutes: key presses over every key, player starts and
// stops with a hung one among them, taskbar re-creations, tray menus, shows and hides, song titles logged,
// and the Hot Keys dialog opened, applied and cancelled.
// Before and after it reads the program's private memory, its handle count and its GDI and USER objects,
// prints one table, and exits 1 when a figure grew beyond its noise band or a key press was lost.
// Usage: corvel_soak [--short] [--program <file>]: --short does a tenth of everything and judges the same
// way; --program drives another copy, beside this one, such as one built to leak.
#include <windows.h>

#include <commctrl.h>
#include <psapi.h>
#include <winternl.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/CorvelProcess.h"
#include "tests/support/DebugTrail.h"
#include "tests/support/PlayerCommands.h"
#include "tests/support/StandInPlayer.h"
#include "tests/support/Wait.h"
#include "win/UniqueHandle.h"

namespace {

constexpr DWORD kStepTimeoutMs = 20000;  // one step of one activity: far beyond what a slow machine takes
constexpr char kMainWindowClass[] = "CorvelMainForm";
constexpr char kSongTitleLog[] = "C:\\SongNames.txt";
constexpr char kDroppedLine[] = "the player gave no play state";
constexpr size_t kPressesPerRound = 250;  // 50,000 in a full run
constexpr char kHotkeysKey[] = "Software\\Corvel Win2K\\Hot Keys";
constexpr int kFirstKeyControl = 1000, kDefaultsButton = 1300;

struct Key {
    UINT Modifier;
    UINT Vk;
    WPARAM Command;  // what the stopped stand-in player receives
};
// Every key that sends the player a command; Shift+F10 is the song title activity.
constexpr Key kKeys[] = {{VK_SHIFT, VK_F1, kPlay},         {VK_SHIFT, VK_F2, kStop},
                         {VK_SHIFT, VK_F3, kNext},         {VK_SHIFT, VK_F4, kPrevious},
                         {VK_SHIFT, VK_F5, kForward},      {VK_SHIFT, VK_F6, kBackward},
                         {VK_SHIFT, VK_F7, kRepeat},       {VK_SHIFT, VK_F8, kShuffle},
                         {VK_CONTROL, VK_LEFT, kBackward}, {VK_CONTROL, VK_RIGHT, kForward}};

// One figure of the program, read before and after; none where this system does not count it.
struct Reading {
    std::optional<double> PrivateKiB, Handles, GdiObjects, UserObjects;
};

// Where GetProcessHandleCount answers 0, as Wine's does, the system's list of every open handle still tells
// which belong to the process; Windows has the list as well. Looked up, so the soak starts without it.
std::optional<double> ListedHandles(DWORD processId) {
    using QueryFn = NTSTATUS(NTAPI*)(SYSTEM_INFORMATION_CLASS, PVOID, ULONG, PULONG);
    const auto query = reinterpret_cast<QueryFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQuerySystemInformation")));
    if (!query) return std::nullopt;
    std::vector<char> buffer(1 << 16);
    NTSTATUS status;
    constexpr NTSTATUS kInfoLengthMismatch = static_cast<NTSTATUS>(0xC0000004);
    while ((status = query(SystemHandleInformation, buffer.data(), static_cast<ULONG>(buffer.size()),
                           nullptr)) == kInfoLengthMismatch)
        buffer.resize(buffer.size() * 2);
    if (status < 0) return std::nullopt;
    const auto* list = reinterpret_cast<const SYSTEM_HANDLE_INFORMATION*>(buffer.data());
    double count = 0;
    for (ULONG i = 0; i < list->Count; ++i) count += list->Handle[i].OwnerPid == processId ? 1 : 0;
    return count ? std::optional<double>(count) : std::nullopt;
}

Reading Read(HANDLE process) {
    Reading reading;
    PROCESS_MEMORY_COUNTERS memory = {};
    memory.cb = sizeof memory;
    if (GetProcessMemoryInfo(process, &memory, sizeof memory) && memory.PagefileUsage != 0)
        reading.PrivateKiB = static_cast<double>(memory.PagefileUsage) / 1024.0;
    DWORD handles = 0;
    if (GetProcessHandleCount(process, &handles) && handles != 0)
        reading.Handles = handles;
    else
        reading.Handles = ListedHandles(GetProcessId(process));
    // A program with a window has USER objects and a font GDI objects: 0 means the system does not count.
    if (const DWORD gdi = GetGuiResources(process, GR_GDIOBJECTS)) reading.GdiObjects = gdi;
    if (const DWORD user = GetGuiResources(process, GR_USEROBJECTS)) reading.UserObjects = user;
    return reading;
}

// Read with every sharing allowed, so that reading never keeps the program from appending.
size_t LogLines() {
    const HANDLE log =
        CreateFileA(kSongTitleLog, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (log == INVALID_HANDLE_VALUE) return 0;
    size_t lines = 0;
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(log, buffer, sizeof buffer, &read, nullptr) && read > 0)
        lines += static_cast<size_t>(std::count(buffer, buffer + read, '\n'));
    CloseHandle(log);
    return lines;
}

// The user's chosen keys, set aside for the run, which presses the program's own, and put back as they were
// however the run ends: the dialog's applies write them.
class KeptHotkeySettings {
public:
    KeptHotkeySettings() {
        Win::UniqueHKey key;
        Existed = RegOpenKeyExA(HKEY_CURRENT_USER, kHotkeysKey, 0, KEY_READ, key.Put()) == ERROR_SUCCESS;
        char name[256];
        BYTE data[1024];
        DWORD nameSize = sizeof name, type = 0, dataSize = sizeof data;
        for (DWORD i = 0; Existed && RegEnumValueA(key.Get(), i, name, &nameSize, nullptr, &type, data,
                                                   &dataSize) == ERROR_SUCCESS;
             ++i, nameSize = sizeof name, dataSize = sizeof data)
            Values.push_back({name, type, std::string(reinterpret_cast<char*>(data), dataSize)});
        ClearHotkeySettings();
    }
    ~KeptHotkeySettings() {
        ClearHotkeySettings();
        if (!Existed) return;
        Win::UniqueHKey key;
        RegCreateKeyA(HKEY_CURRENT_USER, kHotkeysKey, key.Put());
        for (const Value& value : Values)
            RegSetValueExA(key.Get(), value.Name.c_str(), 0, value.Type,
                           reinterpret_cast<const BYTE*>(value.Data.data()),
                           static_cast<DWORD>(value.Data.size()));
    }
    KeptHotkeySettings(const KeptHotkeySettings&) = delete;
    KeptHotkeySettings& operator=(const KeptHotkeySettings&) = delete;

private:
    struct Value {
        std::string Name;
        DWORD Type;
        std::string Data;
    };
    bool Existed = false;
    std::vector<Value> Values;
};

class Soak {
public:
    Soak(size_t rounds, std::string program) : Rounds(rounds), Program(std::move(program)) {}
    bool Run();

private:
    // One activity of a day's use, done Count times over the run, spread evenly over its rounds; false when
    // the program did not do what was asked. A new activity is one more row and one more function.
    struct Activity {
        const char* Name;
        size_t Count;  // in a full run
        bool (Soak::*Step)();
        size_t Ways = 1;  // the ways a step goes in turn, each of which the warming up takes once
    };
    bool Presses();
    bool PressEach(size_t count);
    bool PlayerRestart();
    bool TaskbarCreated();
    bool TrayMenu();
    bool ShowAndHide();
    bool SongTitle();
    bool HotkeysDialog();
    bool Round(std::optional<size_t> round);
    bool Judge(const Reading& before, const Reading& after);
    HWND Window() const { return FindProcessWindow(Corvel->Id(), kMainWindowClass); }

    const Activity Activities[7] = {
        {"rounds of 250 key presses over every key", 200, &Soak::Presses},
        {"player starts and stops, one of them hung", 200, &Soak::PlayerRestart},
        {"taskbar re-creations", 100, &Soak::TaskbarCreated},
        {"tray menus opened and closed", 200, &Soak::TrayMenu},
        {"shows and hides of the window", 200, &Soak::ShowAndHide},
        {"song titles logged", 200, &Soak::SongTitle},
        {"Hot Keys dialogs, applied and cancelled", 100, &Soak::HotkeysDialog, 3},
    };
    const size_t Rounds;  // 200 in a full run
    const std::string Program;
    KeptHotkeySettings Settings;  // before the program starts, and put back after it ended
    DebugTrail Trail;             // the program's own account of what it could not do
    std::unique_ptr<CorvelProcess> Corvel;
    std::unique_ptr<StandInPlayer> Player = std::make_unique<StandInPlayer>();
    size_t PlayerStarts = 0;
    size_t DialogsOpened = 0;
    size_t KeysPressed = 0;
    size_t CommandsLost = 0;
};

bool Soak::Presses() {
    return PressEach(kPressesPerRound);
}

// Each key in turn, count presses; the player must receive every command, in the order pressed.
bool Soak::PressEach(size_t count) {
    Player->Clear();
    std::vector<WPARAM> expected;
    for (size_t i = 0; i < count; ++i) {
        const Key& key = kKeys[KeysPressed++ % std::size(kKeys)];
        PressKey(key.Modifier, key.Vk);
        expected.push_back(key.Command);
    }
    Player->WaitForCommands(expected.size(), kStepTimeoutMs);
    std::vector<WPARAM> received;
    for (const auto& command : Player->Commands()) received.push_back(command.first);
    if (received == expected) return true;
    CommandsLost += expected.size() > received.size() ? expected.size() - received.size() : 1;
    std::printf("failed: %zu presses brought %zu commands%s\n", expected.size(), received.size(),
                received.size() == expected.size() ? ", not in the order pressed" : "");
    return false;
}

// A new player window each time; the middle one hangs at the play-state query, which the program gives up
// after its limit while the rest of it goes on.
bool Soak::PlayerRestart() {
    Player.reset();
    Player = std::make_unique<StandInPlayer>();
    const bool hung = PlayerStarts++ == Rounds / 2;  // the warming up's is the first
    if (!hung) {
        PressKey(VK_SHIFT, VK_F1);
        return Player->WaitForCommand(kPlay, 0, kStepTimeoutMs);
    }
    Player->Hang();
    PressKey(VK_SHIFT, VK_F1);
    const bool dropped = Trail.WaitForLine(kDroppedLine, kStepTimeoutMs);
    Player->Resume();
    if (!dropped) std::printf("failed: the hung player's Shift+F1 was never given up\n");
    return dropped;
}

// As a restarted shell announces itself: the program puts its icon back before it answers.
bool Soak::TaskbarCreated() {
    static const UINT message = RegisterWindowMessageA("TaskbarCreated");
    DWORD_PTR result = 0;
    return SendMessageTimeoutA(Window(), message, 0, 0, SMTO_NORMAL, kStepTimeoutMs, &result) != 0;
}

bool Soak::TrayMenu() {
    if (!Corvel->OpenTrayMenu()) return false;
    PressKey(VK_ESCAPE);
    return WaitFor([this] { return !Corvel->MenuOpen(); }, kStepTimeoutMs);
}

// Shown as a double-click on the tray icon does, hidden as its minimize button does.
bool Soak::ShowAndHide() {
    const HWND window = Window();
    PostMessageA(window, WM_MOUSEMOVE, 1, WM_LBUTTONDBLCLK);
    if (!WaitFor([&] { return IsWindowVisible(window) != FALSE; }, kStepTimeoutMs)) return false;
    PostMessageA(window, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    return WaitFor([&] { return IsWindowVisible(window) == FALSE; }, kStepTimeoutMs);
}

bool Soak::SongTitle() {
    const size_t before = LogLines();
    PressKey(VK_SHIFT, VK_F10);
    return WaitFor([&] { return LogLines() > before; }, kStepTimeoutMs);
}

// Opened from the tray menu, in turn applied unchanged, applied with the defaults after a change, and
// cancelled after a change. The keys were set aside while a key control had the focus: every one must work
// again after.
bool Soak::HotkeysDialog() {
    const HWND dialog = Corvel->OpenHotkeysDialog();
    const auto focusOn = [&](int id) {
        return WaitFor([&] { return Corvel->Focus() == GetDlgItem(dialog, id); }, kStepTimeoutMs);
    };
    const auto playKeys = [&] {
        return LOWORD(SendMessageA(GetDlgItem(dialog, kFirstKeyControl), HKM_GETHOTKEY, 0, 0));
    };
    if (!dialog || !focusOn(kFirstKeyControl)) return false;
    const size_t turn = DialogsOpened++ % 3;  // the row's Ways
    if (turn > 0) {
        PressKey(VK_BACK);  // empties the first control: Play off
        if (!WaitFor([&] { return playKeys() == 0; }, kStepTimeoutMs)) return false;
    }
    if (turn == 1) {
        PressKey(VK_SHIFT, VK_TAB);
        if (!focusOn(kDefaultsButton)) return false;
        PressKey(VK_SPACE);
        if (!WaitFor([&] { return playKeys() == MAKEWORD(VK_F1, HOTKEYF_SHIFT); }, kStepTimeoutMs))
            return false;
        PressKey(VK_SHIFT, VK_TAB);
        PressKey(VK_SHIFT, VK_TAB);
        if (!focusOn(IDOK)) return false;
    }
    PressKey(turn == 2 ? VK_ESCAPE : VK_RETURN);
    return WaitFor([&] { return !IsWindow(dialog); }, kStepTimeoutMs) && PressEach(std::size(kKeys));
}

// A round of the run, or with none the warming up: one step of every activity, in each way it goes.
bool Soak::Round(std::optional<size_t> round) {
    bool done = true;
    for (const Activity& activity : Activities) {
        // Steps due by the end of this round, less those due by the end of the one before.
        const size_t due =
            round ? (*round + 1) * activity.Count / 200 - *round * activity.Count / 200 : activity.Ways;
        for (size_t step = 0; step < due; ++step) {
            if ((this->*activity.Step)()) continue;
            std::printf("failed: %s, in round %zu\n", activity.Name, round ? *round + 1 : 0);
            for (const std::string& line : Trail.Lines()) std::printf("  trail: %s\n", line.c_str());
            done = false;
            break;
        }
    }
    return done;
}

std::string Cell(const std::optional<double>& value) {
    if (!value) return "not counted by Wine";
    char text[32];
    std::snprintf(text, sizeof text, "%.0f", *value);
    return text;
}

// Within its band, a figure has not grown: the band covers what the system itself moves by.
bool Flat(const char* label,
          const std::optional<double>& before,
          const std::optional<double>& after,
          double band,
          const char* unit) {
    const bool flat = !before || !after || *after <= *before + band;
    std::printf("%-28s%22s%22s   %s%.0f %s%s\n", label, Cell(before).c_str(), Cell(after).c_str(), "+", band,
                unit, flat ? "" : "   GREW");
    return flat;
}

bool Soak::Judge(const Reading& before, const Reading& after) {
    std::printf("\n%-28s%22s%22s   %s\n", "", "before", "after", "band");
    bool flat = true;
    flat &= Flat("private memory (KiB)", before.PrivateKiB, after.PrivateKiB, 40, "KiB");
    flat &= Flat("handles", before.Handles, after.Handles, 2, "");
    flat &= Flat("GDI objects", before.GdiObjects, after.GdiObjects, 2, "");
    flat &= Flat("USER objects", before.UserObjects, after.UserObjects, 2, "");
    std::printf("%-28s%22zu%22zu\n", "key presses, commands lost", KeysPressed, CommandsLost);
    return flat && CommandsLost == 0;
}

bool Soak::Run() {
    Corvel = std::make_unique<CorvelProcess>("", TestDirectory() + Program);
    if (!Corvel->WaitReady(kStepTimeoutMs) || !WaitUntilHotkeysArmed(*Player, kStepTimeoutMs)) {
        std::printf("failed: corvel.exe did not start\n");
        return false;
    }
    for (const Activity& activity : Activities)
        std::printf("%8zu %s\n", activity.Count * Rounds / 200, activity.Name);
    std::fflush(stdout);
    // What any first use allocates once is allocated before the first figures.
    bool done = Round(std::nullopt);
    WaitForInputIdle(Corvel->Handle(), kStepTimeoutMs);
    const Reading before = Read(Corvel->Handle());
    for (size_t round = 0; round < Rounds && done; ++round) done = Round(round);
    WaitForInputIdle(Corvel->Handle(), kStepTimeoutMs);
    const Reading after = Read(Corvel->Handle());
    const bool flat = Judge(before, after);
    Corvel.reset();
    if (!done) std::printf("failed: an activity did not complete (above)\n");
    return done && flat;
}

}  // namespace

int main(int argc, char** argv) {
    bool brief = false;
    std::string program = "corvel.exe";
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--short") == 0) {
            brief = true;
        } else if (std::strcmp(argv[i], "--program") == 0 && i + 1 < argc) {
            program = argv[++i];
        } else {
            std::printf("failed: unknown argument %s\n", argv[i]);
            return 1;
        }
    }
    std::printf(
        "Corvel soak, %s: one copy of %s; figures read after one step of each activity in each of its ways\n",
        brief ? "short form (a tenth)" : "full run", program.c_str());
    const bool passed = Soak(brief ? 20 : 200, program).Run();
    std::printf("%s\n", passed ? "soak: nothing grew, no key press lost" : "soak: FAILED");
    return passed ? 0 : 1;
}
