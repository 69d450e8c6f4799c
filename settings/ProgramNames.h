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
// The elevated step: the switch, then one of the steps.
inline constexpr char kStepSwitch[] = "-elevated";
inline constexpr char kSongLogStep[] = "songlog";
inline constexpr char kStartupOnStep[] = "startup-on";
inline constexpr char kStartupOffStep[] = "startup-off";

}  // namespace ProgramNames
