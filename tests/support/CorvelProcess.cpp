#include "tests/support/CorvelProcess.h"

#include <vector>

#include "tests/support/PlayerCommands.h"
#include "tests/support/StandInPlayer.h"
#include "win/Ansi.h"

namespace {

constexpr char kMainWindowClass[] = "CorvelMainForm";
constexpr char kDialogClass[] = "#32770";
constexpr char kMenuClass[] = "#32768";
constexpr LPARAM kRightButtonDown = WM_RBUTTONDOWN;
constexpr char kDesktopKey[] = "Control Panel\\Desktop";
constexpr char kLogPixels[] = "LogPixels";
constexpr char kHotkeysKey[] = "Software\\Corvel Win2K\\Hot Keys";
constexpr char kHotkeysParentKey[] = "Software\\Corvel Win2K";
constexpr char kHotkeysTitle[] = "Hot Keys";
constexpr char kHolderReadyEvent[] = "CorvelTestHolderReady";

struct WindowSearch {
    DWORD ProcessId;
    const char* ClassName;
    HWND Found;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM lParam) {
    auto* search = reinterpret_cast<WindowSearch*>(lParam);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    char className[64] = {};
    GetClassNameA(window, className, sizeof className);
    if (owner == search->ProcessId && lstrcmpA(className, search->ClassName) == 0) {
        search->Found = window;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK CollectStaticText(HWND window, LPARAM lParam) {
    char className[64] = {};
    GetClassNameA(window, className, sizeof className);
    const std::string text = TextOf(window);
    if (lstrcmpiA(className, "Static") == 0 && !text.empty()) *reinterpret_cast<std::string*>(lParam) += text;
    return TRUE;
}

// The support library links no program code: its own conversion from the ANSI code page.
std::wstring Wide(const std::string& text) {
    std::wstring wide(text.size(), L'\0');
    wide.resize(MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(),
                                    static_cast<int>(wide.size())));
    return wide;
}

INPUT KeyInput(UINT key, bool up) {
    INPUT input = {};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = static_cast<WORD>(key);
    input.ki.wScan = static_cast<WORD>(MapVirtualKeyA(key, 0));
    const bool extended = key == VK_LEFT || key == VK_RIGHT || key == VK_UP || key == VK_DOWN;
    input.ki.dwFlags = (up ? KEYEVENTF_KEYUP : 0) | (extended ? KEYEVENTF_EXTENDEDKEY : 0);
    return input;
}

}  // namespace

ScopedEnvironment::ScopedEnvironment(const char* name, const std::string& value) : Name(name) {
    if (GetEnvironmentVariableA(name, nullptr, 0) > 0) Previous = Get(name);
    SetEnvironmentVariableA(name, value.c_str());
}

ScopedEnvironment::~ScopedEnvironment() {
    SetEnvironmentVariableA(Name.c_str(), Previous ? Previous->c_str() : nullptr);
}

std::string ScopedEnvironment::Get(const char* name) {
    std::string value(GetEnvironmentVariableA(name, nullptr, 0), '\0');
    if (value.empty()) return value;
    value.resize(GetEnvironmentVariableA(name, value.data(), static_cast<DWORD>(value.size())));
    return value;
}

std::string TestDirectory() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string directory = path;
    return directory.substr(0, directory.find_last_of('\\') + 1);
}

CorvelProcess::CorvelProcess(const std::string& arguments, const std::string& exe)
    : CorvelProcess(arguments, Wide(exe.empty() ? TestDirectory() + "corvel.exe" : exe)) {}

CorvelProcess::CorvelProcess(const std::string& arguments, const std::wstring& exe) {
    std::wstring commandLine = L"\"" + exe + L"\"";
    if (!arguments.empty()) commandLine += L" " + Wide(arguments);
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &Info))
        Info = {};
}

CorvelProcess::~CorvelProcess() {
    if (!Info.hProcess) return;
    if (Running()) {
        TerminateProcess(Info.hProcess, 1);
        WaitForSingleObject(Info.hProcess, 10000);
    }
    CloseHandle(Info.hThread);
    CloseHandle(Info.hProcess);
}

bool CorvelProcess::Running() const {
    return Info.hProcess && WaitForSingleObject(Info.hProcess, 0) == WAIT_TIMEOUT;
}

HWND CorvelProcess::MainWindow() const {
    return FindProcessWindow(Id(), kMainWindowClass);
}

bool CorvelProcess::WaitReady(DWORD timeoutMs) const {
    if (!Info.hProcess) return false;
    if (!WaitFor([this] { return MainWindow() != nullptr; }, timeoutMs)) return false;
    // Idle means Main has returned: the hot keys are registered and the window procedure installed.
    return WaitForInputIdle(Info.hProcess, timeoutMs) == 0;
}

bool CorvelProcess::WaitForExit(DWORD timeoutMs) const {
    return Info.hProcess && WaitForSingleObject(Info.hProcess, timeoutMs) == WAIT_OBJECT_0;
}

HWND CorvelProcess::WaitForMessageBox(DWORD timeoutMs) const {
    HWND box = nullptr;
    // A box counts once it shows: its title and text are set while it initialises.
    WaitFor(
        [&] {
            box = FindProcessWindow(Id(), kDialogClass);
            return box && IsWindowVisible(box);
        },
        timeoutMs);
    return box;
}

DWORD CorvelProcess::ExitCode() const {
    DWORD code = STILL_ACTIVE;
    if (Info.hProcess) GetExitCodeProcess(Info.hProcess, &code);
    return code;
}

HWND CorvelProcess::ShownMenu() const {
    const HWND menu = FindProcessWindow(Id(), kMenuClass);
    return menu && IsWindowVisible(menu) ? menu : nullptr;
}

bool CorvelProcess::OpenTrayMenu() const {
    // The shell reports a right-button press on the icon as this mouse-move message.
    PostMessageA(MainWindow(), WM_MOUSEMOVE, 1, kRightButtonDown);
    return WaitFor([this] { return MenuOpen(); });
}

bool CorvelProcess::ChooseRunOnStartup() const {
    if (!OpenTrayMenu()) return false;
    for (UINT key : {UINT(VK_DOWN), UINT(VK_DOWN), UINT(VK_RIGHT), UINT('R')}) PressKey(key);
    return WaitFor([this] { return !MenuOpen(); });
}

HWND CorvelProcess::OpenHotkeysDialog() const {
    if (!OpenTrayMenu()) return nullptr;
    for (UINT key : {UINT(VK_DOWN), UINT(VK_DOWN), UINT(VK_RIGHT), UINT('H')}) PressKey(key);
    HWND dialog = nullptr;
    WaitFor([&] {
        dialog = FindProcessWindow(Id(), kDialogClass);
        return dialog && IsWindowVisible(dialog) && TextOf(dialog) == kHotkeysTitle;
    });
    return dialog && TextOf(dialog) == kHotkeysTitle ? dialog : nullptr;
}

HWND CorvelProcess::Focus() const {
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(Info.dwThreadId, &info);
    return info.hwndFocus;
}

HWND FindProcessWindow(DWORD processId, const char* className) {
    WindowSearch search = {processId, className, nullptr};
    EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
    return search.Found;
}

std::string TextOf(HWND window) {
    std::vector<char> text(GetWindowTextLengthA(window) + 1, '\0');
    GetWindowTextA(window, text.data(), static_cast<int>(text.size()));
    return text.data();
}

std::string MessageBoxText(HWND box) {
    std::string text;
    EnumChildWindows(box, CollectStaticText, reinterpret_cast<LPARAM>(&text));
    return text;
}

void PressOk(HWND box) {
    PostMessageA(box, WM_COMMAND, IDOK, 0);
}

std::optional<std::string> ReadMachineValue(const char* path, const char* name) {
    char data[1024] = {};
    DWORD size = sizeof data - 1;
    DWORD type = 0;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return std::nullopt;
    const LONG read = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
    RegCloseKey(key);
    if (read != ERROR_SUCCESS || type != REG_SZ) return std::nullopt;
    return std::string(data);
}

void SetLogPixels(std::optional<DWORD> dpi) {
    HKEY key = nullptr;
    if (RegCreateKeyA(HKEY_CURRENT_USER, kDesktopKey, &key) != ERROR_SUCCESS) return;
    if (dpi) {
        RegSetValueExA(key, kLogPixels, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&*dpi), sizeof *dpi);
    } else {
        RegDeleteValueA(key, kLogPixels);
    }
    RegCloseKey(key);
}

// Wine writes no marks: the tests write them as Task Manager does, where 32-bit Windows keeps them (the
// prefix).
constexpr char kMarkKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\Run";

std::optional<std::string> ReadStartupMark() {
    char data[64];
    DWORD size = sizeof data;
    DWORD type = 0;
    const LONG read = RegGetValueA(HKEY_LOCAL_MACHINE, kMarkKey, "Corvel", RRF_RT_ANY, &type, data, &size);
    if (read != ERROR_SUCCESS || type != REG_BINARY) return std::nullopt;
    return std::string(data, size);
}

void WriteStartupMark(const std::string& bytes) {
    RegSetKeyValueA(HKEY_LOCAL_MACHINE, kMarkKey, "Corvel", REG_BINARY, bytes.data(),
                    static_cast<DWORD>(bytes.size()));
}

void ClearRunOnStartup() {
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\Corvel Win2K");
    RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, kMarkKey, "Corvel");
    HKEY run = nullptr;
    if (RegOpenKeyA(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\Run", &run) ==
        ERROR_SUCCESS) {
        RegDeleteValueA(run, "Corvel");
        RegCloseKey(run);
    }
}

bool WaitUntilHotkeysArmed(StandInPlayer& player, DWORD timeoutMs) {
    const bool armed = WaitFor(
        [&] {
            PressKey(VK_SHIFT, VK_F2);
            return player.WaitForCommand(kStop, 0, 200);
        },
        timeoutMs);
    // Keys are handled in the order pressed: once a later key's command is in, no earlier Stop is on its way.
    const size_t before = player.Commands().size();
    PressKey(VK_SHIFT, VK_F4);
    const bool settled = armed && player.WaitForCommand(kPrevious, before);
    player.Clear();
    return settled;
}

void PressKey(UINT key) {
    INPUT inputs[] = {KeyInput(key, false), KeyInput(key, true)};
    SendInput(2, inputs, sizeof(INPUT));
}

void PressKey(UINT modifierKey, UINT key) {
    INPUT inputs[] = {KeyInput(modifierKey, false), KeyInput(key, false), KeyInput(key, true),
                      KeyInput(modifierKey, true)};
    SendInput(4, inputs, sizeof(INPUT));
}

void PressKey(UINT modifierKey, UINT secondModifierKey, UINT key) {
    INPUT inputs[] = {
        KeyInput(modifierKey, false), KeyInput(secondModifierKey, false), KeyInput(key, false),
        KeyInput(key, true),          KeyInput(secondModifierKey, true),  KeyInput(modifierKey, true)};
    SendInput(6, inputs, sizeof(INPUT));
}

void WriteHotkeySetting(const char* name, DWORD type, const void* data, DWORD size) {
    HKEY key = nullptr;
    if (RegCreateKeyA(HKEY_CURRENT_USER, kHotkeysKey, &key) != ERROR_SUCCESS) return;
    RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size);
    RegCloseKey(key);
}

void WriteHotkeySetting(const char* name, DWORD value) {
    WriteHotkeySetting(name, REG_DWORD, &value, sizeof value);
}

std::optional<DWORD> ReadHotkeySetting(const char* name) {
    HKEY key = nullptr;
    if (RegOpenKeyA(HKEY_CURRENT_USER, kHotkeysKey, &key) != ERROR_SUCCESS) return std::nullopt;
    DWORD value = 0, type = REG_NONE, size = sizeof value;
    const LONG read = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
    RegCloseKey(key);
    if (read != ERROR_SUCCESS || type != REG_DWORD) return std::nullopt;
    return value;
}

void ClearHotkeySettings() {
    RegDeleteKeyA(HKEY_CURRENT_USER, kHotkeysKey);
    RegDeleteKeyA(HKEY_CURRENT_USER, kHotkeysParentKey);  // only ours, and only once it is empty
}

HotkeyHolder::HotkeyHolder(UINT modifiers, UINT key) {
    const HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, kHolderReadyEvent);
    const std::string exe = TestDirectory() + "corvel_hotkey_holder.exe";
    std::string commandLine =
        "\"" + exe + "\" " + std::to_string(modifiers) + " " + std::to_string(key) + " " + kHolderReadyEvent;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    if (CreateProcessA(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                       &startup, &Info))
        Ready = WaitForSingleObject(ready, 10000) == WAIT_OBJECT_0;
    CloseHandle(ready);
}

HotkeyHolder::~HotkeyHolder() {
    if (!Info.hProcess) return;
    if (WaitForSingleObject(Info.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(Info.hProcess, 0);
    WaitForSingleObject(Info.hProcess, 10000);
    CloseHandle(Info.hThread);
    CloseHandle(Info.hProcess);
}

DWORD HotkeyHolder::EndAndCountPresses() {
    PostThreadMessageA(Info.dwThreadId, WM_QUIT, 0, 0);
    WaitForSingleObject(Info.hProcess, 10000);
    DWORD presses = 0;
    GetExitCodeProcess(Info.hProcess, &presses);
    return presses;
}
