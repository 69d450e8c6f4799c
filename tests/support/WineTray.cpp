#include "tests/support/WineTray.h"

#include <windows.h>

#include <commctrl.h>

namespace {

// Wine 8: a stand-alone tray window, whose tooltip it owns itself. Wine 10: the taskbar's own window, where
// each icon owns the tooltip that holds its tip.
constexpr char kStandaloneTrayClass[] = "__winex11_standalone_tray";
constexpr char kTaskbarClass[] = "Shell_TrayWnd";
constexpr char kTooltipClass[] = "tooltips_class32";
constexpr size_t kTextSize = 1024;

std::vector<HWND> TrayTooltips(HWND tray) {
    std::vector<HWND> tooltips;
    for (HWND tip = FindWindowExA(nullptr, nullptr, kTooltipClass, nullptr); tray && tip;
         tip = FindWindowExA(nullptr, tip, kTooltipClass, nullptr)) {
        const HWND owner = GetWindow(tip, GW_OWNER);
        if (owner && (owner == tray || IsChild(tray, owner))) tooltips.push_back(tip);
    }
    return tooltips;
}

void AppendTips(HWND tooltip, std::vector<std::string>& tips) {
    DWORD processId = 0;
    GetWindowThreadProcessId(tooltip, &processId);
    const HANDLE process =
        OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, processId);
    if (!process) return;
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
}

}  // namespace

HWND TrayWindow() {
    // Wine 8 keeps a hidden, empty taskbar window beside its stand-alone tray: the stand-alone one first.
    if (const HWND standalone = FindWindowA(kStandaloneTrayClass, nullptr)) return standalone;
    return FindWindowA(kTaskbarClass, nullptr);
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
    for (const HWND tooltip : TrayTooltips(TrayWindow())) AppendTips(tooltip, tips);
    return tips;
}
