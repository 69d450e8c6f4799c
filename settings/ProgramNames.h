#pragma once

// The names by which Windows, other programs and the installer know this one, written only here: the build
// turns this file into the installer's ProgramNames.nsh, so a rename reaches both. It lives in the lowest
// room that both the settings and the application reach. Each is a constexpr character array: the build
// reads them so.
namespace ProgramNames {

// The main window's class, by which setup finds a running copy.
inline constexpr char kWindowClass[] = "CorvelMainForm";
// Under HKEY_LOCAL_MACHINE.
inline constexpr wchar_t kSettingsKey[] = L"Software\\Corvel Win2K\\";
inline constexpr wchar_t kSettingValue[] = L"RunOnStartup";
inline constexpr wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run\\";
inline constexpr wchar_t kRunValue[] = L"Corvel";
// Task Manager's startup marks (Windows 8 on), each named like its Run value. Undocumented: Run32 holds the
// marks of the Run key's 32-bit view on 64-bit Windows and is itself seen in the 64-bit view; Run holds those
// of 32-bit Windows.
inline constexpr wchar_t kStartupMarkKey[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\Run";
inline constexpr wchar_t kStartupMarkKey32[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\Run32";
// The elevated step: the switch, then one of the steps.
inline constexpr char kStepSwitch[] = "-elevated";
inline constexpr char kSongLogStep[] = "songlog";
inline constexpr char kStartupOnStep[] = "startup-on";
inline constexpr char kStartupOffStep[] = "startup-off";

}  // namespace ProgramNames
