#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

#include "settings/Registry.h"

// The Run On Startup setting: its stored state and the program's entry under the Windows Run key.
namespace RunOnStartup {

// The registry routines it uses; tests put failing ones in and restore these.
struct RegistryAccess {
    std::wstring (*Get)(HKEY, const std::wstring&, const std::wstring&, int&);
    bool (*Save)(HKEY, const std::wstring&, const std::wstring&, const std::wstring&);
    bool (*Delete)(HKEY, const std::wstring&, const std::wstring&);
};
extern RegistryAccess Access;

inline constexpr wchar_t kStartupSwitch[] = L"-startup";  // the Run entry starts the program hidden with it
// The error of Apply and of the log step for a copy that users without administrator rights can change.
// Bit 29 marks a code of the program's own: no Windows error has it.
inline constexpr DWORD kUnsafeCopy = 0x20000001;

std::wstring BoolToText(bool value);                     // "True" or "False", as the setting is stored
std::optional<bool> TextToBool(std::wstring_view text);  // only "True" and "False" convert
std::optional<bool> StoredSetting();                     // only the exact texts "True" and "False" count
// What the check mark shows at load: the stored setting, and from Windows 8 on "True" only while Windows will
// start this copy. None leaves the check mark as it is.
std::optional<bool> ShownSetting();
// Task Manager's mark (Windows 8 on) says the user switched the Run entry off; no mark means on.
bool MarkSaysDisabled(const std::optional<Registry::RawValue>& mark);
bool NamesCopy(std::wstring_view runEntry, std::wstring_view filePath);  // the entry starts that file
// Stores the setting, then writes or removes the Run entry, with Task Manager's mark from Windows 8 on; on
// false nothing changed: GetLastError says why. The entry is written only for a copy that only administrators
// can change.
bool Apply(bool bEnabled);
// Toggles the setting from the check mark shown; returns the check mark that the registry now holds.
bool Toggle(bool bChecked);
std::wstring StartCommand(std::wstring_view file);  // the quoted file, its folder lower-cased, and the switch

}  // namespace RunOnStartup
