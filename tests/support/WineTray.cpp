#include "tests/support/WineTray.h"

#include <windows.h>

#include <commctrl.h>

namespace {

constexpr char kTrayClass[] = "__winex11_standalone_tray";
constexpr char kTooltipClass[] = "tooltips_class32";
constexpr size_t kTextSize = 1024;

HWND TrayTooltip(HWND tray) {
    for (HWND tip = FindWindowExA(nullptr, nullptr, kTooltipClass, nullptr); tip;
         tip = FindWindowExA(nullptr, tip, kTooltipClass, nullptr))
        if (GetWindow(tip, GW_OWNER) == tray) return tip;
    return nullptr;
}

}  // namespace

HWND TrayWindow() {
    return FindWindowA(kTrayClass, nullptr);
}

int TrayIconCount() {
    const HWND tray = TrayWindow();
    int count = 0;
    for (HWND icon = tray ? GetWindow(tray, GW_CHILD) : nullptr; icon; icon = GetWindow(icon, GW_HWNDNEXT))
        ++count;
    return count;
}

std::vector<std::string> TrayTips() {
    std::vector<std::string> tips;
    const HWND tooltip = TrayTooltip(TrayWindow());
    if (!tooltip) return tips;
    DWORD processId = 0;
    GetWindowThreadProcessId(tooltip, &processId);
    const HANDLE process =
        OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, processId);
    if (!process) return tips;
    // The tooltip copies into pointers of its own process: the record and the text live there.
    auto* remote =
        static_cast<char*>(VirtualAllocEx(process, nullptr, 2 * kTextSize, MEM_COMMIT, PAGE_READWRITE));
    const auto count = static_cast<int>(SendMessageA(tooltip, TTM_GETTOOLCOUNT, 0, 0));
    for (int i = 0; remote && i < count; ++i) {
        TTTOOLINFOA info = {};
        info.cbSize = sizeof info;
        info.lpszText = remote + kTextSize;
        const std::vector<char> cleared(kTextSize, '\0');
        WriteProcessMemory(process, remote, &info, sizeof info, nullptr);
        WriteProcessMemory(process, remote + kTextSize, cleared.data(), kTextSize, nullptr);
        SendMessageA(tooltip, TTM_ENUMTOOLSA, i, reinterpret_cast<LPARAM>(remote));
        std::vector<char> text(kTextSize, '\0');
        ReadProcessMemory(process, remote + kTextSize, text.data(), kTextSize - 1, nullptr);
        tips.emplace_back(text.data());
    }
    if (remote) VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    CloseHandle(process);
    return tips;
}
