// Prints what a hot key costs and what the idle program holds; asserts nothing.
#include <windows.h>

#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "tests/support/CorvelProcess.h"
#include "tests/support/PlayerCommands.h"
#include "tests/support/StandInPlayer.h"

namespace {

constexpr size_t kPresses = 200;
constexpr DWORD kIdleMs = 10000;

double Milliseconds(LARGE_INTEGER from, LARGE_INTEGER to) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(to.QuadPart - from.QuadPart) /
           static_cast<double>(frequency.QuadPart);
}

double CpuMilliseconds(HANDLE process) {
    FILETIME created, exited, kernel, user;
    GetProcessTimes(process, &created, &exited, &kernel, &user);
    const auto ticks = [](FILETIME t) {
        return (static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
    };
    return static_cast<double>(ticks(kernel) + ticks(user)) / 10000.0;
}

}  // namespace

int main() {
    StandInPlayer player;
    CorvelProcess corvel;
    if (!corvel.WaitReady()) {
        std::printf("corvel.exe did not start\n");
        return 1;
    }
    // Under Wine the program can be idle before its keys are registered; a press before then is lost.
    if (!WaitUntilHotkeysArmed(player)) {
        std::printf("corvel.exe's hot keys never reached the player\n");
        return 1;
    }

    std::vector<double> latencies;
    for (size_t i = 0; i < kPresses; ++i) {
        const size_t before = player.Commands().size();
        LARGE_INTEGER start, end;
        QueryPerformanceCounter(&start);
        PressKey(VK_SHIFT, VK_F3);
        if (!player.WaitForCommand(kNext, before)) break;
        QueryPerformanceCounter(&end);
        latencies.push_back(Milliseconds(start, end));
    }
    std::sort(latencies.begin(), latencies.end());
    const bool allArrived = latencies.size() == kPresses;
    if (!allArrived)
        std::printf("press %zu of %zu never reached the player\n", latencies.size() + 1, kPresses);
    if (!latencies.empty())
        std::printf("hot key to player: %zu presses, median %.2f ms, 95th percentile %.2f ms, max %.2f ms\n",
                    latencies.size(), latencies[latencies.size() / 2], latencies[latencies.size() * 95 / 100],
                    latencies.back());

    const HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, corvel.Id());
    const double cpuBefore = CpuMilliseconds(process);
    Sleep(kIdleMs);
    const double cpuAfter = CpuMilliseconds(process);
    PROCESS_MEMORY_COUNTERS memory = {};
    memory.cb = sizeof memory;
    GetProcessMemoryInfo(process, &memory, sizeof memory);
    std::printf("idle for %lu s: %.1f ms of processor time\n", kIdleMs / 1000, cpuAfter - cpuBefore);
    std::printf("working set %lu KiB, peak %lu KiB, private %lu KiB\n",
                static_cast<unsigned long>(memory.WorkingSetSize / 1024),
                static_cast<unsigned long>(memory.PeakWorkingSetSize / 1024),
                static_cast<unsigned long>(memory.PagefileUsage / 1024));
    CloseHandle(process);
    return allArrived ? 0 : 1;
}
