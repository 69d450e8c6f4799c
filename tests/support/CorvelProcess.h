#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "tests/support/Wait.h"

class StandInPlayer;

// One run of the real corvel.exe, started beside the test executable (or from exe) and ended by the
// destructor.
class CorvelProcess {
public:
    explicit CorvelProcess(const std::string& arguments = "", const std::string& exe = "");
    CorvelProcess(const std::string& arguments, const std::wstring& exe);  // a path beyond the code page
    ~CorvelProcess();
    CorvelProcess(const CorvelProcess&) = delete;
    CorvelProcess& operator=(const CorvelProcess&) = delete;

    DWORD Id() const { return Info.dwProcessId; }
    HANDLE Handle() const { return Info.hProcess; }
    bool Started() const { return Info.hProcess != nullptr; }
    bool Running() const;
    bool WaitReady(DWORD timeoutMs = 10000) const;  // main window up and the message loop idle
    bool WaitForExit(DWORD timeoutMs = 10000) const;
    HWND MainWindow() const;  // its top-level main window, or none
    HWND WaitForMessageBox(DWORD timeoutMs = 10000) const;
    DWORD ExitCode() const;  // STILL_ACTIVE while it runs
    HWND ShownMenu() const;  // its tray pop-up menu while it shows, else none
    bool MenuOpen() const { return ShownMenu() != nullptr; }
    bool OpenTrayMenu() const;        // as a right-button press on the icon does
    bool ChooseRunOnStartup() const;  // through the tray menu, with the keyboard
    HWND OpenHotkeysDialog() const;   // through the tray menu, with the keyboard: the dialog once it shows
    HWND Focus() const;               // the window that has its keyboard focus

private:
    PROCESS_INFORMATION Info = {};
};

// An environment variable of this process, and so of the programs it starts, set while this lives.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, const std::string& value);
    ~ScopedEnvironment();
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;
    static std::string Get(const char* name);  // empty when unset

private:
    std::string Name;
    std::optional<std::string> Previous;
};

std::string TestDirectory();  // the folder of the running test executable, with a trailing backslash
HWND FindProcessWindow(DWORD processId, const char* className);
std::string TextOf(HWND window);  // a caption or a control's text, as GetWindowTextA reads it
std::string MessageBoxText(HWND box);
void PressOk(HWND box);
std::optional<std::string> ReadMachineValue(const char* path, const char* name);  // a REG_SZ under HKLM
// The display scaling of programs started from now on in this prefix: Wine reads it as each one starts.
void SetLogPixels(std::optional<DWORD> dpi);  // none removes the value: 96 dpi
// The program's settings key and Run entry, and Task Manager's mark, as on a machine that never had them.
void ClearRunOnStartup();
// Task Manager's mark beside the program's Run entry (Windows 8 on): a REG_BINARY's bytes, else none.
std::optional<std::string> ReadStartupMark();
void WriteStartupMark(const std::string& bytes);

// The Windows version that Wine reports to corvel.exe while this lives (HotkeysTest's OldSystemTest owns the
// same key: the tests run one at a time).
struct WineVersionForCorvel {
    static constexpr char kAppDefaults[] = "Software\\Wine\\AppDefaults\\corvel.exe";
    explicit WineVersionForCorvel(const char* version) {
        RegSetKeyValueA(HKEY_CURRENT_USER, kAppDefaults, "Version", REG_SZ, version, lstrlenA(version) + 1);
    }
    ~WineVersionForCorvel() { RegDeleteKeyA(HKEY_CURRENT_USER, kAppDefaults); }
};

// Wine may call the program idle before it has registered its keys: true once they reach the player, whose
// record is then cleared; false after timeoutMs.
bool WaitUntilHotkeysArmed(StandInPlayer& player, DWORD timeoutMs = 10000);

// Presses a key, or a combination, through SendInput, as a user would.
void PressKey(UINT key);
void PressKey(UINT modifierKey, UINT key);
void PressKey(UINT modifierKey, UINT secondModifierKey, UINT key);

// The user's hot keys under HKEY_CURRENT_USER, by value name ("PlayPauseBtn").
void WriteHotkeySetting(const char* name, DWORD type, const void* data, DWORD size);
void WriteHotkeySetting(const char* name, DWORD value);
std::optional<DWORD> ReadHotkeySetting(const char* name);  // a REG_DWORD, else none
void ClearHotkeySettings();                                // as for a user who never chose any

// Another program holding one combination; it counts its presses and hands the count back as it ends.
class HotkeyHolder {
public:
    HotkeyHolder(UINT modifiers, UINT key);
    ~HotkeyHolder();
    HotkeyHolder(const HotkeyHolder&) = delete;
    HotkeyHolder& operator=(const HotkeyHolder&) = delete;
    DWORD EndAndCountPresses();
    bool Ready = false;

private:
    PROCESS_INFORMATION Info = {};
};
