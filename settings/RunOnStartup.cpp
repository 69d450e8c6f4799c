#include "settings/RunOnStartup.h"

#include "settings/Registry.h"
#include "win/Application.h"

namespace {

const wchar_t kSettingsKey[] = L"Software\\Corvel Win2K\\";
const wchar_t kSettingValue[] = L"RunOnStartup";
const wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run\\";
const wchar_t kRunValue[] = L"Corvel";

bool WriteRunEntry(bool bEnabled) {
    if (!bEnabled) return RunOnStartup::Access.Delete(HKEY_LOCAL_MACHINE, kRunKey, kRunValue);
    const std::wstring command =
        RunOnStartup::StartCommand(Win::Application::Path(), Win::Application::ExeName());
    return RunOnStartup::Access.Save(HKEY_LOCAL_MACHINE, kRunKey, kRunValue, command);
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
    int missing = 0;
    const std::wstring previous = Access.Get(HKEY_LOCAL_MACHINE, kSettingsKey, kSettingValue, missing);
    if (!Access.Save(HKEY_LOCAL_MACHINE, kSettingsKey, kSettingValue, BoolToText(bEnabled))) return false;
    if (WriteRunEntry(bEnabled)) return true;
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

std::wstring StartCommand(std::wstring_view directory, std::wstring_view exeName) {
    std::wstring folder(directory);
    if (folder.empty() || folder.back() != L'\\') folder += L'\\';
    return L"\"" + Win::Application::LCase(folder) + std::wstring(exeName) + L".exe\" " + kStartupSwitch;
}

}  // namespace RunOnStartup
