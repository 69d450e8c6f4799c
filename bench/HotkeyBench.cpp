// Measures corvel.exe beside the reference program, which does only what any program offering the same keys
// must, in one run and alternately, and prints one table and one line of ratios. A figure that could not be
// taken reads "failed", and the reason is printed above the table; the exit code is then 1, as it is when a
// press was lost. Usage: corvel_bench [--quick]
#include <windows.h>

#include <psapi.h>
#include <shellapi.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "bench/Figures.h"
#include "bench/ProcessorTime.h"
#include "tests/support/CorvelProcess.h"
#include "tests/support/PeFile.h"
#include "tests/support/PlayerCommands.h"
#include "tests/support/StandInPlayer.h"

namespace {

struct Plan {
    const char* Name;
    size_t Presses;        // timed, of each key and each program
    size_t MemoryPresses;  // of each program, before its second memory figure
    size_t Starts;         // of each program, counted
    size_t IdleTicks;      // of each idle round, each program's processor time read once per tick
    size_t IdleRounds;     // fresh pairs, the other program started first in every other one
    size_t Burst;
    size_t Bursts;  // of each program, in the order corvel.exe, reference, reference, corvel.exe, ...
};
constexpr Plan kFullRun = {"full run", 1000, 2000, 31, 7, 6, 5000, 2};
constexpr Plan kQuickRun = {"quick run, fewer samples", 500, 2000, 5, 1, 2, 5000, 1};

constexpr DWORD kStepTimeoutMs = 20000;   // a start, an end, a press: far beyond what a slow machine takes
constexpr DWORD kRepressMs = 2;           // while a new process has not registered its keys yet
constexpr DWORD kTickMs = 3000;           // both programs' detect timer
constexpr DWORD kSettleMs = 2 * kTickMs;  // a fresh process's first ticks cost more
constexpr WPARAM kMarker = 1;             // a command of the benchmark's own, which neither program posts
constexpr char kTagPrefix[] = "corvel-bench-";

struct Program {
    const char* Name;
    const char* File;
    std::string Keys;  // its command line's key modifiers, for the reference
    UINT Modifier;     // held with F1 and F2
    const char* Window;
};

struct Key {
    UINT Vk;
    WPARAM Command;
};
constexpr Key kStopKey = {VK_F2, kStop};
constexpr Key kPlayPauseKey = {VK_F1, kPlay};  // the stand-in player stays stopped: one query, then play

LONGLONG Frequency = 0;
std::vector<std::string> Problems;

void Problem(const std::string& what) {
    std::printf("failed: %s\n", what.c_str());
    std::fflush(stdout);
    Problems.push_back(what);
}

double Ms(LONGLONG from, LONGLONG to) {
    return 1000.0 * static_cast<double>(to - from) / static_cast<double>(Frequency);
}

LONGLONG Now() {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now.QuadPart;
}

void Pump() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
}

// Waits on the player's event alone: this thread's key messages wait until the time is taken, so that the
// work they bring is the same for both programs and outside what is timed. False after timeoutMs.
bool WaitForCommands(const StandInPlayer& player, size_t count, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    while (player.CommandCount() < count) {
        const DWORD waited = GetTickCount() - start;
        if (waited >= timeoutMs ||
            WaitForSingleObject(player.CommandEvent(), timeoutMs - waited) == WAIT_FAILED)
            return player.CommandCount() >= count;
    }
    return true;
}

void PumpFor(DWORD ms) {
    const DWORD start = GetTickCount();
    for (DWORD waited = 0; waited < ms; waited = GetTickCount() - start) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, ms - waited, QS_ALLINPUT);
        Pump();
    }
}

// Everything posted to the player so far, once it has all arrived; the player's record starts afresh.
// Posted messages arrive in turn, so all are in once the benchmark's own marker is.
std::vector<WPARAM> Settle(StandInPlayer& player) {
    PostMessageA(player.Hwnd(), WM_COMMAND, kMarker, 0);
    std::vector<WPARAM> commands;
    while (commands.empty() || commands.back() != kMarker) {
        if (!WaitForCommands(player, commands.size() + 1, kStepTimeoutMs)) {
            Problem("the stand-in player stopped taking commands");
            break;
        }
        commands.clear();
        for (const auto& command : player.Commands()) commands.push_back(command.first);
    }
    if (!commands.empty() && commands.back() == kMarker) commands.pop_back();
    player.Clear();
    Pump();
    return commands;
}

// The window that has the keyboard, as another program would have it while the user presses the keys: the
// presses' other key messages come to this thread, for both programs alike. Its tray icon keeps Wine's
// tray window up between the starts, so that no start waits for it to go.
class KeyboardWindow {
public:
    KeyboardWindow() {
        WNDCLASSEXA wc = {};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
        wc.lpszClassName = "CorvelBenchKeyboard";
        RegisterClassExA(&wc);
        Window = CreateWindowExA(0, wc.lpszClassName, "Corvel benchmark", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0,
                                 0, 200, 100, nullptr, nullptr, wc.hInstance, nullptr);
        Icon.cbSize = NOTIFYICONDATAA_V1_SIZE;
        Icon.hWnd = Window;
        Icon.uID = 1;
        Icon.uFlags = NIF_ICON;
        Icon.hIcon = LoadIconA(nullptr, MAKEINTRESOURCEA(32512));  // IDI_APPLICATION
        Shell_NotifyIconA(NIM_ADD, &Icon);
    }
    ~KeyboardWindow() {
        Shell_NotifyIconA(NIM_DELETE, &Icon);
        DestroyWindow(Window);
    }
    KeyboardWindow(const KeyboardWindow&) = delete;
    KeyboardWindow& operator=(const KeyboardWindow&) = delete;

    void TakeKeyboard() const {
        SetForegroundWindow(Window);
        if (GetForegroundWindow() != Window) std::printf("note: the keyboard stayed with another window\n");
    }

private:
    HWND Window = nullptr;
    NOTIFYICONDATAA Icon = {};
};

class Bench {
public:
    Bench(const Plan& plan, StandInPlayer& player) : Run(plan), Player(player) {}
    std::vector<Figure> Measure();

private:
    struct Instance {
        std::unique_ptr<CorvelProcess> Process;
        std::string Tag;
        LONGLONG Answered = 0;  // its first answered key, just after it set its timer
    };
    std::string Arguments(const Program& program, const std::string& tag) const;
    std::optional<double> Start(const Program& program, Instance& instance, const std::string& tag = "");
    void End(const Program& program, Instance& instance);
    void Starts(Figure& figure);
    void Latencies(Figure (&figures)[3], const Key& key);
    void Presses(const Key& key, size_t count, std::vector<double> (*samples)[2]);
    void PrivateMemory(Figure& figure);
    void Idle(Figure& figure, const Figure& startUp);
    std::optional<double> IdleRound(size_t round, const Figure& startUp, std::vector<double> (&ticks)[2]);
    void Burst(Figure& received, Figure& time);
    void Sizes(Figure& figure);
    void Pin(const Instance& instance);

    const Plan& Run;
    StandInPlayer& Player;
    KeyboardWindow Keyboard;
    const std::string Folder = TestDirectory();
    const Program Programs[2] = {
        {"corvel.exe", "corvel.exe", "", VK_SHIFT, "CorvelMainForm"},
        {"the reference", "corvel_reference.exe",
         std::to_string(MOD_CONTROL) + " " + std::to_string(MOD_SHIFT), VK_CONTROL, "CorvelReference"},
    };
    Instance Running[2];
};

std::string Bench::Arguments(const Program& program, const std::string& tag) const {
    std::string arguments = program.Keys;
    if (!tag.empty()) arguments += (arguments.empty() ? "" : " ") + tag;
    return arguments;
}

// From just before CreateProcess to the player's receipt of the first answered Shift+F2 of the new process:
// a press before it has registered its keys is lost, so it is pressed again until one is answered.
std::optional<double> Bench::Start(const Program& program, Instance& instance, const std::string& tag) {
    Settle(Player);
    const LONGLONG before = Now();
    instance.Process = std::make_unique<CorvelProcess>(Arguments(program, tag), Folder + program.File);
    instance.Tag = tag;
    if (!instance.Process->Started()) {
        Problem(std::string(program.Name) + " did not start");
        return std::nullopt;
    }
    WaitForInputIdle(instance.Process->Handle(), kStepTimeoutMs);  // fewer presses while it starts
    const DWORD start = GetTickCount();
    do {
        PressKey(program.Modifier, kStopKey.Vk);
        if (WaitForCommands(Player, 1, kRepressMs)) {
            instance.Answered = Player.CommandTime(0);
            return Ms(before, instance.Answered);
        }
        Pump();
    } while (GetTickCount() - start < kStepTimeoutMs && instance.Process->Running());
    Problem(std::string(program.Name) + " started but never answered a key");
    return std::nullopt;
}

// As Windows ends both at log-off: each removes its tray icon and exits.
void Bench::End(const Program& program, Instance& instance) {
    if (!instance.Process || !instance.Process->Running()) return;
    PostMessageA(FindProcessWindow(instance.Process->Id(), program.Window), WM_ENDSESSION, TRUE,
                 ENDSESSION_LOGOFF);
    if (!instance.Process->WaitForExit(kStepTimeoutMs)) Problem(std::string(program.Name) + " did not end");
    instance.Process.reset();  // ends it if it would not
}

// Linux keeps a woken thread on the processor it last ran on, and the cost of a wake-up differs between
// processors, by far more than the programs differ: both get the same one.
void Bench::Pin(const Instance& instance) {
    DWORD_PTR own = 0, system = 0;
    GetProcessAffinityMask(GetCurrentProcess(), &own, &system);
    const DWORD_PTR first = own & (~own + 1);
    if (!first || !SetProcessAffinityMask(instance.Process->Handle(), first))
        Problem("could not keep both programs on one processor");
}

void Bench::Starts(Figure& figure) {
    std::vector<double> samples[2];
    bool failed[2] = {};
    // The first start of each is not counted: it may read the program's files from disk.
    for (size_t round = 0; round <= Run.Starts; ++round) {
        for (int turn = 0; turn < 2; ++turn) {
            const int which = (round + turn) % 2;
            Instance instance;
            const std::optional<double> ms = Start(Programs[which], instance);
            End(Programs[which], instance);
            if (!ms) failed[which] = true;
            if (ms && round > 0) samples[which].push_back(*ms);
        }
    }
    if (!failed[0]) figure.Program = MedianOf(samples[0]);
    if (!failed[1]) figure.Reference = MedianOf(samples[1]);
}

// Press by press, one program then the other, so that both meet the same machine; each press is timed
// from just before SendInput to the player's receipt of its command.
void Bench::Presses(const Key& key, size_t count, std::vector<double> (*samples)[2]) {
    Keyboard.TakeKeyboard();
    Settle(Player);
    size_t pressed[2] = {};
    for (size_t round = 0; round < count; ++round) {
        for (int turn = 0; turn < 2; ++turn) {
            const int which = (round + turn) % 2;
            const size_t before = Player.CommandCount();
            const LONGLONG start = Now();
            PressKey(Programs[which].Modifier, key.Vk);
            ++pressed[which];
            if (!WaitForCommands(Player, before + 1, kStepTimeoutMs)) {
                Problem("a press for " + std::string(Programs[which].Name) + " was lost");
                return;
            }
            if (samples) (*samples)[which].push_back(Ms(start, Player.CommandTime(before)));
            Pump();
        }
    }
    const std::vector<WPARAM> commands = Settle(Player);
    size_t right = 0;
    for (WPARAM command : commands) right += command == key.Command ? 1 : 0;
    if (right != commands.size() || commands.size() != pressed[0] + pressed[1])
        Problem(std::to_string(pressed[0] + pressed[1]) + " presses brought " +
                std::to_string(commands.size()) + " commands, " + std::to_string(right) +
                " of them the right one");
}

void Bench::Latencies(Figure (&figures)[3], const Key& key) {
    std::vector<double> samples[2];
    const size_t problems = Problems.size();
    Presses(key, Run.Presses, &samples);
    if (Problems.size() != problems) return;
    for (int which = 0; which < 2; ++which) {
        const std::optional<Spread> spread = SpreadOf(samples[which]);
        if (!spread) continue;
        const double values[3] = {spread->Median, spread->P90, spread->P99};
        for (int i = 0; i < 3; ++i) (which == 0 ? figures[i].Program : figures[i].Reference) = values[i];
    }
}

std::optional<double> PrivateKiB(HANDLE process) {
    PROCESS_MEMORY_COUNTERS memory = {};
    memory.cb = sizeof memory;
    if (!GetProcessMemoryInfo(process, &memory, sizeof memory) || memory.PagefileUsage == 0)
        return std::nullopt;
    return static_cast<double>(memory.PagefileUsage) / 1024.0;
}

void Bench::PrivateMemory(Figure& figure) {
    figure.Program = PrivateKiB(Running[0].Process->Handle());
    figure.Reference = PrivateKiB(Running[1].Process->Handle());
    if (!figure.Program || !figure.Reference) Problem("GetProcessMemoryInfo gave no private memory");
}

// One round of idle: a fresh pair, both at once, the first started as the round says and the second so that
// its ticks fall half a period after the first's, while the keyboard is with another program. Under Wine a
// tick costs less when other work ran on the same code shortly before it: two copies of the reference
// differ by half when one ticks just after the other, and the window with the keyboard costs more. Each
// program's time is read a quarter period after the first's ticks, so that every reading spans one tick of
// each, and read again half a period later, so that each tick has a reading the same time before it.
// Gives the ticks' distance.
std::optional<double> Bench::IdleRound(size_t round, const Figure& startUp, std::vector<double> (&ticks)[2]) {
    Instance pair[2];
    const int first = static_cast<int>(round % 2), second = 1 - first;
    const auto tag = [&](int which) {
        return kTagPrefix + std::to_string(GetCurrentProcessId()) + "-idle-" + std::to_string(round) + "-" +
               std::to_string(which);
    };
    // Milliseconds from now to the next moment that lies offset after one of the first program's ticks.
    const auto untilPhase = [&](double offset) {
        return UntilPhase(offset, Ms(pair[first].Answered, Now()), kTickMs);
    };
    if (!Start(Programs[first], pair[first], tag(first))) return std::nullopt;
    Pin(pair[first]);
    // Its ticks must fall between the readings below, or a reading would hold none or two of them.
    double expected = (second == 0 ? startUp.Program : startUp.Reference).value_or(0);
    double distance = 0;
    for (int attempt = 0;; ++attempt) {
        PumpFor(static_cast<DWORD>(untilPhase(kTickMs / 2.0 - expected)));
        if (!Start(Programs[second], pair[second], tag(second))) return std::nullopt;
        distance = std::fmod(Ms(pair[first].Answered, pair[second].Answered), kTickMs);
        if (distance > kTickMs / 4.0 && distance < kTickMs * 3 / 4.0) break;
        End(Programs[second], pair[second]);
        if (attempt == 4) {
            Problem("the second program's ticks never fell between the first's readings");
            return std::nullopt;
        }
        expected += distance - kTickMs / 2.0;  // it started faster or slower than the median
    }
    Pin(pair[second]);
    Keyboard.TakeKeyboard();
    PumpFor(kSettleMs);

    std::optional<unsigned> host[2];
    for (int which = 0; which < 2; ++which) host[which] = HostProcessWithArgument(pair[which].Tag);
    const bool fromHost = host[0] && host[1];
    const auto read = [&](int which) {
        return fromHost ? HostProcessorMs(*host[which]) : ThreadTimesMs(pair[which].Process->Id());
    };
    if (round == 0)
        std::printf("Processor time: %s\n",
                    fromHost ? "Linux's own account of each thread (schedstat, in nanoseconds), read through "
                               "Wine's drive Z:"
                             : "GetThreadTimes summed over the process's threads (under Wine in 10 ms clock "
                               "ticks)");
    PumpFor(static_cast<DWORD>(untilPhase(kTickMs / 4.0)));
    std::optional<double> before[2] = {read(0), read(1)};
    for (size_t tick = 0; tick < Run.IdleTicks; ++tick) {
        PumpFor(static_cast<DWORD>(untilPhase(kTickMs * 3 / 4.0)));
        for (int which = 0; which < 2; ++which) read(which);  // the reading before the first's tick
        PumpFor(static_cast<DWORD>(untilPhase(kTickMs / 4.0)));
        for (int which = 0; which < 2; ++which) {
            const std::optional<double> after = read(which);
            if (!before[which] || !after || *after < *before[which]) {
                Problem("no processor time of " + std::string(Programs[which].Name));
                return std::nullopt;
            }
            ticks[which].push_back(*after - *before[which]);
            before[which] = after;
        }
    }
    for (int which = 0; which < 2; ++which) End(Programs[which], pair[which]);
    return distance;
}

// Single ticks range over ten times their typical cost on a virtual machine, a few of them decide a sum, so
// the figure is the median tick times ten, per 30 s; the sums are printed too.
void Bench::Idle(Figure& figure, const Figure& startUp) {
    Settle(Player);
    std::vector<double> ticks[2];
    double nearest = kTickMs, farthest = 0;
    for (size_t round = 0; round < Run.IdleRounds; ++round) {
        const std::optional<double> distance = IdleRound(round, startUp, ticks);
        if (!distance) return;
        nearest = std::min(nearest, *distance);
        farthest = std::max(farthest, *distance);
    }
    double sums[2] = {};
    for (int which = 0; which < 2; ++which)
        for (double ms : ticks[which]) sums[which] += ms;
    std::printf(
        "Idle: the second program's ticks came %.2f to %.2f s after the first's; %zu ticks of each "
        "took %.2f ms against %.2f ms in all\n",
        nearest / 1000, farthest / 1000, ticks[0].size(), sums[0], sums[1]);
    const double perTick[2] = {MedianOf(ticks[0]).value_or(0), MedianOf(ticks[1]).value_or(0)};
    figure.Program = perTick[0] * 30000 / kTickMs;
    figure.Reference = perTick[1] * 30000 / kTickMs;
}

// As fast as SendInput takes them, then until the last command is in or none came for a while.
void Bench::Burst(Figure& received, Figure& time) {
    size_t stops[2] = {};
    std::vector<double> times[2];
    for (size_t burst = 0; burst < 2 * Run.Bursts; ++burst) {
        const int which = static_cast<int>((burst + 1) / 2 % 2);
        Keyboard.TakeKeyboard();
        Settle(Player);
        const LONGLONG start = Now();
        for (size_t i = 0; i < Run.Burst; ++i) PressKey(Programs[which].Modifier, kStopKey.Vk);
        for (size_t had = 0;
             !WaitForCommands(Player, Run.Burst, kStepTimeoutMs) && Player.CommandCount() > had;)
            had = Player.CommandCount();
        const size_t count = Player.CommandCount();
        if (count) times[which].push_back(Ms(start, Player.CommandTime(count - 1)));
        const std::vector<WPARAM> commands = Settle(Player);
        size_t right = 0;
        for (WPARAM command : commands) right += command == kStop ? 1 : 0;
        stops[which] += right;
        if (right != Run.Burst || commands.size() != Run.Burst)
            Problem(std::string(Programs[which].Name) + " answered " + std::to_string(right) + " of " +
                    std::to_string(Run.Burst) + " presses with Stop, and posted " +
                    std::to_string(commands.size()) + " commands");
    }
    for (int which = 0; which < 2; ++which) {
        (which == 0 ? received.Program : received.Reference) = static_cast<double>(stops[which]);
        if (stops[which] == Run.Burst * Run.Bursts)
            (which == 0 ? time.Program : time.Reference) = MedianOf(times[which]);
    }
}

void Bench::Sizes(Figure& figure) {
    for (int which = 0; which < 2; ++which) {
        WIN32_FILE_ATTRIBUTE_DATA data;
        if (GetFileAttributesExA((Folder + Programs[which].File).c_str(), GetFileExInfoStandard, &data))
            (which == 0 ? figure.Program : figure.Reference) = static_cast<double>(data.nFileSizeLow);
        else
            Problem(std::string("no size of ") + Programs[which].File);
    }
}

std::vector<Figure> Bench::Measure() {
    Figure stop[3] = {{"stop_median", "Shift+F2, a post: median", "ms", 3},
                      {"stop_p90", "Shift+F2: 90th percentile", "ms", 3},
                      {"stop_p99", "Shift+F2: 99th percentile", "ms", 3}};
    Figure playPause[3] = {{"playpause_median", "Shift+F1, a query then a post: median", "ms", 3},
                           {"playpause_p90", "Shift+F1: 90th percentile", "ms", 3},
                           {"playpause_p99", "Shift+F1: 99th percentile", "ms", 3}};
    Figure startUp = {"startup", "start-up to the first answered key: median", "ms", 1};
    Figure memoryStart = {"private_start", "private memory after start", "KiB", 0};
    const size_t timed = 2 * Run.Presses;
    const size_t pressed = std::max(timed, Run.MemoryPresses);
    Figure memoryPresses = {"private_presses", "private memory after " + std::to_string(pressed) + " presses",
                            "KiB", 0};
    Figure idle = {"idle_cpu", "processor time per 30 s idle: median tick x 10", "ms", 2};
    Figure received = {
        "burst_received",
        std::to_string(Run.Bursts) + " burst(s) of " + std::to_string(Run.Burst) + " presses: received", "",
        0};
    Figure burst = {"burst_time", "a burst, first press to last command: median", "ms", 0};
    Figure size = {"size", "executable", "bytes", 0};

    Starts(startUp);
    for (int which = 0; which < 2; ++which) {
        const std::string tag =
            kTagPrefix + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(which);
        if (!Start(Programs[which], Running[which], tag)) return {};
        Pin(Running[which]);
    }
    PrivateMemory(memoryStart);
    Latencies(stop, kStopKey);
    Latencies(playPause, kPlayPauseKey);
    if (pressed > timed) Presses(kStopKey, pressed - timed, nullptr);
    PrivateMemory(memoryPresses);
    Burst(received, burst);
    for (int which = 0; which < 2; ++which) End(Programs[which], Running[which]);
    Idle(idle, startUp);
    Sizes(size);
    return {stop[0],     stop[1],       stop[2], playPause[0], playPause[1], playPause[2], startUp,
            memoryStart, memoryPresses, idle,    received,     burst,        size};
}

std::string WineVersion() {
    using VersionFn = const char*(CDECL*)();
    using HostFn = void(CDECL*)(const char**, const char**);
    const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    const auto version =
        reinterpret_cast<VersionFn>(reinterpret_cast<void*>(GetProcAddress(ntdll, "wine_get_version")));
    const auto host =
        reinterpret_cast<HostFn>(reinterpret_cast<void*>(GetProcAddress(ntdll, "wine_get_host_version")));
    if (!version) return "Windows itself, not Wine";
    std::string text = std::string("Wine ") + version();
    const char* system = nullptr;
    const char* release = nullptr;
    if (host) host(&system, &release);
    if (system && release) text += std::string(" on ") + system + " " + release;
    return text;
}

std::string Environment(const char* name, const char* missing) {
    char value[256] = {};
    const DWORD length = GetEnvironmentVariableA(name, value, sizeof value);
    return length > 0 && length < sizeof value ? value : missing;
}

void PrintConditions(const Plan& plan) {
    const HDC screen = GetDC(nullptr);
    const int bits = GetDeviceCaps(screen, BITSPIXEL);
    ReleaseDC(nullptr, screen);
    SYSTEM_INFO system;
    GetSystemInfo(&system);
    std::printf(
        "Corvel benchmark, %s: corvel.exe beside the reference, a program in raw Win32 without C or C++ "
        "runtime that does only what any program offering these keys must\n",
        plan.Name);
    std::printf("Machine: %s; %s; display %s, %dx%d at %d bits; %lu processors\n", WineVersion().c_str(),
                Environment("CORVEL_I386_PATH", "32-bit path not named (CORVEL_I386_PATH unset)").c_str(),
                Environment("DISPLAY", "(DISPLAY unset)").c_str(), GetSystemMetrics(SM_CXSCREEN),
                GetSystemMetrics(SM_CYSCREEN), bits, system.dwNumberOfProcessors);
    std::printf(
        "Times: QueryPerformanceCounter (%lld per second), read just before SendInput or CreateProcess and "
        "in the stand-in player's window procedure as the WM_COMMAND arrives; the benchmark waits on an "
        "event, never polls, and handles its own messages between presses. Percentiles are nearest-rank.\n",
        Frequency);
    std::printf(
        "Keys: corvel.exe's Shift+F1 and Shift+F2, the reference's Ctrl+F1 and Ctrl+F2, %zu presses of "
        "each, one program then the other; the keyboard is with a window of the benchmark, as with "
        "another program. The player stays stopped, so Shift+F1 asks once and posts play.\n",
        plan.Presses);
    std::printf(
        "Start-up: %zu starts of each, alternately, after one of each not counted; Shift+F2 pressed again "
        "every %lu ms until one is answered; each ended as Windows does at log-off.\n",
        plan.Starts, kRepressMs);
    std::printf(
        "Memory: private bytes from GetProcessMemoryInfo (under Wine the process's anonymous resident "
        "memory), after the start and again after the presses.\n");
    std::printf(
        "Both programs run on the same one processor from their start on. Bursts: %zu presses of Shift+F2 "
        "for one program, sent as fast as SendInput takes them and timed to the last command; %zu of each, "
        "corvel.exe, reference, reference, corvel.exe, ...\n",
        plan.Burst, plan.Bursts);
    std::printf(
        "Idle: %zu rounds of %zu ticks, each with both programs started afresh, corvel.exe first in every "
        "other one and the second started so that its 3 s ticks fall half way between the first's, the "
        "keyboard with the benchmark's window; read once per tick from %lu s after the second start, and "
        "again half way, so that each tick has a reading 0.75 s before it; the figure is the median tick "
        "times ten.\n",
        plan.IdleRounds, plan.IdleTicks, kSettleMs / 1000);
    std::fflush(stdout);
}

// Both programs must start on Windows 2000 SP4: what they import is checked against the reviewed list.
void CheckImports() {
    for (const char* file : {"corvel.exe", "corvel_reference.exe"}) {
        const std::string problems =
            Windows2000Problems(ReadPeFile(TestDirectory() + file), TestDirectory() + "win2000-imports.txt");
        if (!problems.empty())
            Problem(std::string(file) + " would not start on Windows 2000 SP4: " + problems);
    }
}

}  // namespace

int main(int argc, char** argv) {
    const Plan& plan = argc > 1 && std::strcmp(argv[1], "--quick") == 0 ? kQuickRun : kFullRun;
    LARGE_INTEGER frequency;
    if (!QueryPerformanceFrequency(&frequency) || frequency.QuadPart <= 0) {
        std::printf("failed: the performance counter is not available here, so no time can be taken\n");
        return 1;
    }
    Frequency = frequency.QuadPart;
    PrintConditions(plan);
    CheckImports();
    StandInPlayer player;
    std::vector<Figure> figures = Bench(plan, player).Measure();
    if (figures.empty()) {
        std::printf("failed: no figures\n");
        return 1;
    }
    std::printf("\n%s%s", Table(figures).c_str(), RatioLine(figures).c_str());
    return Problems.empty() ? 0 : 1;
}
