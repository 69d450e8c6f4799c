#include "settings/RunOnStartup.h"

#include "settings/ProgramNames.h"
#include "settings/Registry.h"
#include "win/Application.h"
#include "win/FileSecurity.h"

namespace {

using ProgramNames::kRunKey;
using ProgramNames::kRunValue;
using ProgramNames::kSettingsKey;
using ProgramNames::kSettingValue;

// Windows runs the entry as everyone who logs on, administrators too: so only for a copy that nobody else
// can replace, nor plant a DLL beside, nor move away with a folder above it. The file checked is the running
// copy, and the entry names that same file.
bool WriteRunEntry(bool bEnabled, const std::wstring& file) {
    if (!bEnabled) return RunOnStartup::Access.Delete(HKEY_LOCAL_MACHINE, kRunKey, kRunValue);
    return RunOnStartup::Access.Save(HKEY_LOCAL_MACHINE, kRunKey, kRunValue,
                                     RunOnStartup::StartCommand(file));
}

}  // namespace

namespace RunOnStartup {

RegistryAccess Access = {Registry::GetStringValue, Registry::SaveStringValue, Registry::DeleteValue};

std::wstring BoolToText(bool value) {
    return value ? L"True" : L"False";
}

std::optional<bool> TextToBool(std::wstring_view text) {
    if (text == L"True") return true;
    if (text == L"False") return false;
    return std::nullopt;
}

std::optional<bool> StoredSetting() {
    int errorFlag = 0;  // a missing value reads as empty text, which sets nothing
    return TextToBool(Access.Get(HKEY_LOCAL_MACHINE, kSettingsKey, kSettingValue, errorFlag));
}

bool Apply(bool bEnabled) {
    const std::wstring file = Win::Application::FilePath();
    if (bEnabled && !Win::FileSecurity::OnlyAdministratorsCanChangeProgram(
                        file)) {  // an entry written before stays, and turning off still removes it
        SetLastError(kUnsafeCopy);
        return false;
    }
    int missing = 0;
    const std::wstring previous = Access.Get(HKEY_LOCAL_MACHINE, kSettingsKey, kSettingValue, missing);
    if (!Access.Save(HKEY_LOCAL_MACHINE, kSettingsKey, kSettingValue, BoolToText(bEnabled))) return false;
    if (WriteRunEntry(bEnabled, file)) return true;
    // The setting never claims what the Run key does not hold: it goes back, and the first failure is told.
    const DWORD error = GetLastError();
    if (missing)
        Access.Delete(HKEY_LOCAL_MACHINE, kSettingsKey, kSettingValue);
    else
        Access.Save(HKEY_LOCAL_MACHINE, kSettingsKey, kSettingValue, previous);
    SetLastError(error);
    return false;
}

bool Toggle(bool bChecked) {
    // The check mark never shows what the registry does not hold.
    return Apply(!bChecked) ? !bChecked : bChecked;
}

std::wstring StartCommand(std::wstring_view file) {
    // The folder lower-cased as it always was; the name as it stands, so that it is the file that was
    // checked.
    const size_t name = file.find_last_of(L'\\') + 1;  // 0 without a folder
    return L"\"" + Win::Application::LCase(std::wstring(file.substr(0, name))) +
           std::wstring(file.substr(name)) + L"\" " + kStartupSwitch;
}

}  // namespace RunOnStartup
